// Speed of the picture encoders on the bridge example as kelvaro-render draws it: a 700 x 500 PNG
// (beside the JPEG save as the yardstick), the six animation frames as one GIF, the SVG of the same
// view, and the SVG recorder on a large synthetic model (10,000 members with their deflected shape)
// drawn straight through the verbs.
// Counters: the encoded size, and the distinct colours the frames use (a GIF palette holds 256).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/startup.h"
#include "draw/draw.h"
#include "draw/gif.h"
#include "draw/image.h"
#include "draw/picture.h"
#include "draw/png.h"
#include "draw/svg.h"
#include "gui/gadget.h"

namespace {

constexpr int FRAME_CENTISECONDS = 25;  // the animation's pause after each frame

// The bridge example of the source tree: __FILE__ is absolute or relative to the build folder, the
// parent of this program's folder.
std::string bridge_path()
{
    const std::filesystem::path build = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    return (build / std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "bridge.res").string();
}

Picture render(std::vector<const char*> arguments)
{
    static const std::string bridge = bridge_path();
    arguments.insert(arguments.begin(), {"kelvaro-render", bridge.c_str(), "-o", "unused.jpg"});
    RenderOptions options;
    std::string error;
    Picture picture;
    if (parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error)) {
        for (const std::string& line : render_picture(options, picture).lines) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    } else {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
    return picture;
}

// The bridge with its deflected shape, load values and element numbers.
const Picture& bridge_view()
{
    static const Picture picture = render({"--deflected", "--loads", "--numbers"});
    return picture;
}

const std::vector<Picture>& bridge_frames()
{
    static const std::vector<Picture> frames = [] {
        std::vector<Picture> pictures;
        const char* numbers[] = {"1", "2", "3", "4", "5", "6"};
        for (const char* number : numbers)
            pictures.push_back(render({"--frame", number, "--loads", "--numbers"}));
        return pictures;
    }();
    return frames;
}

double distinct_colours(const std::vector<const Picture*>& pictures)
{
    std::set<std::uint32_t> colours;
    for (const Picture* picture : pictures) {
        for (int y = 0; y < picture->height; ++y) {
            const std::uint8_t* p = picture_row(*picture, y);
            for (int x = 0; x < picture->width; ++x, p += 3)
                colours.insert(p[0] | (p[1] << 8) | (p[2] << 16));
        }
    }
    return static_cast<double>(colours.size());
}

// The JPEG save the viewer and kelvaro-render use today, as the yardstick for the PNG figure.
void BM_JpegBridge700x500(benchmark::State& state)
{
    const Picture& picture = bridge_view();
    const std::string path = "/tmp/kelvaro_bench_encoders_" + std::to_string(::getpid()) + ".jpg";
    for (auto _ : state) {
        benchmark::DoNotOptimize(jpeg_save_picture_quality(picture, path, 70));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_JpegBridge700x500)->Unit(benchmark::kMillisecond);

void BM_PngBridge700x500(benchmark::State& state)
{
    const Picture& picture = bridge_view();
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        png_encode(picture, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["colours"] = distinct_colours({&picture});
}
BENCHMARK(BM_PngBridge700x500)->Unit(benchmark::kMillisecond);

void BM_GifBridgeSixFrames(benchmark::State& state)
{
    std::vector<GifFrame> frames;
    std::vector<const Picture*> pictures;
    for (const Picture& picture : bridge_frames()) {
        frames.push_back({&picture, FRAME_CENTISECONDS});
        pictures.push_back(&picture);
    }
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        gif_encode(frames, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    state.counters["colours"] = distinct_colours(pictures);
}
BENCHMARK(BM_GifBridgeSixFrames)->Unit(benchmark::kMillisecond);

// One redraw of the bridge view with the recorder attached (the canvas is drawn too), and the document.
void BM_SvgBridgeRedraw(benchmark::State& state)
{
    bridge_view();
    std::string document;
    for (auto _ : state) {
        SvgRecorder recorder;
        svg_recorder_start(recorder, 700, 500);
        draw_record_svg(&recorder, gadget_canvas_picture(ID_CANVAS));
        redraw_view();
        draw_record_svg(nullptr, nullptr);
        document = svg_document(recorder);
        benchmark::DoNotOptimize(document.data());
    }
    state.counters["bytes"] = static_cast<double>(document.size());
}
BENCHMARK(BM_SvgBridgeRedraw)->Unit(benchmark::kMillisecond);

// 10,000 members in black, their deflected shape in magenta with a circle at each first end, the
// frame and the triad, recorded without a picture.
void BM_SvgTenThousandMembers(benchmark::State& state)
{
    constexpr int MEMBERS = 10000;
    std::vector<int> ends(4 * MEMBERS);
    std::uint32_t seed = 12345;
    for (int& value : ends) {
        seed = seed * 1664525u + 1013904223u;
        value = static_cast<int>((seed >> 8) % 680) + 10;
    }
    std::string document;
    for (auto _ : state) {
        SvgRecorder recorder;
        svg_recorder_start(recorder, 700, 500);
        draw_begin(draw_svg_output(&recorder, {}));
        draw_mode(0);
        draw_box(2, 2, 696, 496, draw_rgb(255, 255, 255));
        draw_mode(DRAW_MODE_OUTLINE);
        draw_box(3, 3, 694, 494, draw_rgb(0, 255, 255));
        draw_box(1, 1, 698, 498, draw_rgb(0, 0, 255));
        for (int m = 0; m < MEMBERS; ++m) {
            const int* e = &ends[4 * static_cast<std::size_t>(m)];
            draw_line_xy(e[0], e[1] % 490, e[2], e[3] % 490, draw_rgb(0, 0, 0));
        }
        for (int m = 0; m < MEMBERS; ++m) {
            const int* e = &ends[4 * static_cast<std::size_t>(m)];
            draw_line_xy(e[0] + 3, e[1] % 490 + 4, e[2] + 3, e[3] % 490 + 4, draw_rgb(255, 0, 255));
            draw_circle(e[0] + 3, e[1] % 490 + 4, 2, draw_rgb(255, 0, 255));
        }
        draw_end();
        document = svg_document(recorder);
        benchmark::DoNotOptimize(document.data());
    }
    state.counters["bytes"] = static_cast<double>(document.size());
}
BENCHMARK(BM_SvgTenThousandMembers)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    viewer_shutdown();
    return 0;
}

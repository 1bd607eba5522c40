// Speed of kelvaro-render's outputs once the view is drawn: the bridge example's canvas written as
// JPEG (the yardstick) and as PNG, its six-frame animation drawn and written as a GIF, and the SVG
// of a 10,080-member space-grid roof (truss-generate roof 35 36, solved by truss-solve) with its
// size in bytes, and a full redraw of that roof at 1920 x 1080. Targets: PNG <= 5 ms, GIF <= 100 ms,
// SVG <= 50 ms and <= 3 MB, the roof's redraw <= 10 ms; the PNG within 1.5x of the JPEG in the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/export/export.h"
#include "app/model/analysis.h"
#include "app/ui/canvas_export.h"
#include "app/ui/ids.h"
#include "app/ui/window_state.h"
#include "app/view/scene.h"
#include "app/view/view.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "gui/gadget.h"

namespace {

const std::filesystem::path WORK = std::filesystem::temp_directory_path() /
                                   ("kelvaro_bench_export_" + std::to_string(::getpid()));

std::string work_file(const char* name)
{
    return (WORK / name).string();
}

// Draws results as kelvaro-render would for -o OUT (the runtime stays started); false on failure.
bool draw_view(const std::string& results, const char* out)
{
    std::filesystem::create_directories(WORK);
    const char* arguments[] = {"kelvaro-render", results.c_str(), "-o", out};
    RenderOptions options;
    std::string error;
    Picture picture;
    return parse_render_options(4, arguments, options, error) &&
           render_picture(options, picture).status == RENDER_EXIT_OK;
}

bool draw_bridge(const char* out)
{
    return draw_view(std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res", out);
}

void BM_bridge_jpeg(benchmark::State& state)
{
    if (!draw_bridge("x.jpg"))
        return state.SkipWithError("the bridge was not drawn");
    const Picture& canvas = *gadget_canvas_picture(ID_CANVAS);
    for (auto _ : state)
        benchmark::DoNotOptimize(jpeg_save_picture_quality(canvas, work_file("x.jpg"), 70));
}
BENCHMARK(BM_bridge_jpeg)->Unit(benchmark::kMillisecond);

void BM_bridge_png(benchmark::State& state)
{
    if (!draw_bridge("x.png"))
        return state.SkipWithError("the bridge was not drawn");
    const Picture& canvas = *gadget_canvas_picture(ID_CANVAS);
    for (auto _ : state) {
        if (!write_png_file(canvas, work_file("x.png")).empty())
            return state.SkipWithError("PNG not written");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(work_file("x.png")));
}
BENCHMARK(BM_bridge_png)->Unit(benchmark::kMillisecond);

void BM_bridge_gif(benchmark::State& state)
{
    if (!draw_bridge("x.gif"))
        return state.SkipWithError("the bridge was not drawn");
    std::vector<Picture> frames;
    for (auto _ : state) {
        if (!draw_animation_frames(frames) || !write_gif_file(frames, work_file("x.gif")).empty())
            return state.SkipWithError("GIF not written");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(work_file("x.gif")));
}
BENCHMARK(BM_bridge_gif)->Unit(benchmark::kMillisecond);

// The roof's results file, made once with the project's own generator and solver.
const std::string& roof_results()
{
    static const std::string path = [] {
        std::filesystem::create_directories(WORK);
        const std::string out = work_file("roof.res");
        const std::string command = std::string("'") + TRUSS_GENERATE + "' roof 35 36 | '" + TRUSS_SOLVE + "' -o '" +
                                    out + "' - >/dev/null 2>&1";
        return std::system(command.c_str()) == 0 ? out : std::string();
    }();
    return path;
}

void BM_roof_svg(benchmark::State& state)
{
    if (roof_results().empty() || !draw_view(roof_results(), "x.svg"))
        return state.SkipWithError("no roof");
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string document = view_svg_document(0, false);
        bytes = document.size();
        benchmark::DoNotOptimize(document.data());
    }
    state.counters["members"] = TrussModel.element_count;
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_roof_svg)->Unit(benchmark::kMillisecond);

// One full redraw of the roof on a 1920 x 1080 canvas (a maximised window) in the 3D view, the
// scene drawn from values as the window draws it. Target: <= 10 ms.
void BM_roof_redraw_1920x1080(benchmark::State& state)
{
    TrussModelData model;
    ReadOutcome outcome;
    if (roof_results().empty() || !render_read_results(roof_results(), model, outcome).empty())
        return state.SkipWithError("no roof");
    const ModelNumbers numbers = compute_model_numbers(model, outcome.fault == ResultsFault::none);
    ViewSettings settings;
    apply_view_preset(settings, true);
    settings.canvas = canvas_of_size(1920, 1080);
    settings.deflection_scale = model.deflection_scale;
    Projection projection;
    refresh_projection(model, settings, projection, true);
    Picture picture = blank_scene_picture(settings);
    for (auto _ : state)
        render_scene(model, numbers, settings, projection, draw_picture_output(&picture, nullptr));
    state.counters["members"] = model.element_count;
}
BENCHMARK(BM_roof_redraw_1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(WORK, error);
    return 0;
}

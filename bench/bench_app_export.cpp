// Speed of kelvaro-render's outputs once the view is drawn: the bridge example's canvas written as
// JPEG (the yardstick) and as PNG, its six-frame animation drawn and written as a GIF, and the SVG
// of a 10,080-member space-grid roof (truss-generate roof 35 36, solved by truss-solve) with its
// size in bytes. Targets: PNG <= 5 ms, GIF <= 100 ms, SVG <= 50 ms and <= 3 MB; the PNG within
// 1.5x of the JPEG in the same run. Then the 100,000-member bridge (truss-generate bridge 25000)
// with force colours drawn from its model in memory and written as SVG and as PNG, as
// kelvaro-render does after reading (the SVG of it: no larger than gnuplot's SVG of the members),
// and the reading of a 100,000-member roof; a full redraw of the roof at 1920 x 1080 (<= 10 ms).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

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

namespace {

const std::filesystem::path WORK = std::filesystem::temp_directory_path() /
                                   ("kelvaro_bench_export_" + std::to_string(::getpid()));

std::string work_file(const char* name)
{
    return (WORK / name).string();
}

// The bridge example drawn as kelvaro-render draws it; an empty picture on failure.
const Picture& bridge_picture()
{
    static const Picture picture = [] {
        const std::string results = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";
        const char* arguments[] = {"kelvaro-render", results.c_str(), "-o", "x.jpg"};
        RenderOptions options;
        std::string error;
        Picture drawn;
        if (!parse_render_options(4, arguments, options, error) ||
            render_picture(options, drawn).status != RENDER_EXIT_OK)
            drawn = Picture{};
        return drawn;
    }();
    return picture;
}

void BM_bridge_jpeg(benchmark::State& state)
{
    std::filesystem::create_directories(WORK);
    const Picture& canvas = bridge_picture();
    if (canvas.width == 0)
        return state.SkipWithError("the bridge was not drawn");
    for (auto _ : state)
        benchmark::DoNotOptimize(jpeg_save_picture_quality(canvas, work_file("x.jpg"), 70));
}
BENCHMARK(BM_bridge_jpeg)->Unit(benchmark::kMillisecond);

void BM_bridge_png(benchmark::State& state)
{
    std::filesystem::create_directories(WORK);
    const Picture& canvas = bridge_picture();
    if (canvas.width == 0)
        return state.SkipWithError("the bridge was not drawn");
    for (auto _ : state) {
        if (!write_png_file(canvas, work_file("x.png")).empty())
            return state.SkipWithError("PNG not written");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(work_file("x.png")));
}
BENCHMARK(BM_bridge_png)->Unit(benchmark::kMillisecond);

// A results file made once with the project's own generator (given its arguments) and solver, in
// the work folder as name; "" when it could not be made.
std::string solved_results(const std::string& name, const std::string& generator_arguments)
{
    std::filesystem::create_directories(WORK);
    const std::string out = work_file(name.c_str());
    if (std::filesystem::exists(out))
        return out;
    const std::string command = std::string("'") + TRUSS_GENERATE + "' " + generator_arguments + " | '" + TRUSS_SOLVE +
                                "' -o '" + out + "' - >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? out : std::string();
}

// The roof's results file (10,080 members).
const std::string& roof_results()
{
    static const std::string path = solved_results("roof.res", "roof 35 36");
    return path;
}

// The model of results drawn from memory (spatial: in the 3D preset; colours: with force colours)
// and written to the work file name in the format of its extension, as kelvaro-render does once it
// has read the file: the scene drawn, recorded or encoded, and written (the model copied once).
void model_to_file(benchmark::State& state, const std::string& results, const char* name, bool spatial, bool colours)
{
    TrussModelData model;
    ReadOutcome outcome;
    if (results.empty() || !render_read_results(results, model, outcome).empty())
        return state.SkipWithError("no results");
    const ModelNumbers numbers = compute_model_numbers(model, true);
    const std::string out = work_file(name);
    const char* arguments[] = {"kelvaro-render", results.c_str(), "-o", out.c_str(), "--colour-forces"};
    RenderOptions options;
    std::string error;
    if (!parse_render_options(colours ? 5 : 4, arguments, options, error))
        return state.SkipWithError("bad options");
    for (auto _ : state) {
        if (render_model_to_file(options, model, numbers, spatial, "").status != RENDER_EXIT_OK)
            return state.SkipWithError("not written");
    }
    state.counters["members"] = model.element_count;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(out));
}

void BM_bridge_gif(benchmark::State& state)
{
    model_to_file(state, std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res", "x.gif", false, false);
}
BENCHMARK(BM_bridge_gif)->Unit(benchmark::kMillisecond);

void BM_roof_svg(benchmark::State& state)
{
    model_to_file(state, roof_results(), "roof.svg", true, false);
}
BENCHMARK(BM_roof_svg)->Unit(benchmark::kMillisecond);

// The 100,000-member bridge's results file (99,999 members, 11 MB).
const std::string& bridge_100k_results()
{
    static const std::string path = solved_results("bridge100k.res", "bridge 25000");
    return path;
}

void BM_bridge_100k_svg(benchmark::State& state)
{
    model_to_file(state, bridge_100k_results(), "big.svg", false, true);
}
BENCHMARK(BM_bridge_100k_svg)->Unit(benchmark::kMillisecond);

void BM_bridge_100k_png(benchmark::State& state)
{
    model_to_file(state, bridge_100k_results(), "big.png", false, true);
}
BENCHMARK(BM_bridge_100k_png)->Unit(benchmark::kMillisecond);

// Reading 100,000 members as kelvaro-render reads its input (render_read_results: opened once, read
// through a file slot): the space-grid roof of 112 x 112 bays (100,352 members, 8 MB), beside
// BM_read_results's generated bridge in bench_app_sizes. Target: at least 600 MB/s.
void BM_read_roof(benchmark::State& state)
{
    const int bays = static_cast<int>(std::lround(std::sqrt(static_cast<double>(state.range(0)) / 8.0)));
    const std::string path = solved_results("roof" + std::to_string(bays) + ".res",
                                            "roof " + std::to_string(bays) + " " + std::to_string(bays));
    if (path.empty())
        return state.SkipWithError("no roof");
    TrussModelData model;
    ReadOutcome outcome;
    for (auto _ : state) {
        model = TrussModelData{};
        if (!render_read_results(path, model, outcome).empty())
            return state.SkipWithError("the roof was not read");
        benchmark::DoNotOptimize(model.element_count);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
    state.counters["members"] = model.element_count;
}
BENCHMARK(BM_read_roof)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A full redraw of the 10,080-member roof at 1920 x 1080 from values, as the viewer redraws a
// maximised window. Target: <= 10 ms.
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

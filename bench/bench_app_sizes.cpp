// Speed of the viewer's core against model size: reading a results file and redrawing the view
// for generated Warren bridges of 1,000, 10,000 and 100,000 members. Run with
// --benchmark_out=sizes.csv --benchmark_out_format=csv to get the figures for a plot of time
// against size; the growth should be a straight line.
//
// The bridge: n panels, bottom chord nodes 1..n+1 at x = 0..n, top chord nodes n+2..2n+1 at the
// panel midpoints, a height of 1 and a slight spatial skew (z) so that the model is not planar;
// members: bottom chord, top chord, two diagonals per panel (4n - 1 in all). Every bottom node
// carries a load, the deflection is a sag, and each member has a stress and a force. Lines are
// written as the solver writes them: fixed columns while the number fits, free fields after.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/read_results_file.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "bench/warren_bridge.h"
#include "core/file.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

void set_up()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    gui_use_headless();
    runtime_start();
    win_open(MAIN_WINDOW, 150, 150, 800, 500, "bench", 0x00CA0000);
    gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
    gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
    reset_to_startup_defaults();
}

// The path of the bridge file with `members` members, written once; its size in bytes.
const std::string& bridge_path(int members, std::int64_t& bytes)
{
    static std::map<int, std::pair<std::string, std::int64_t>> files;
    auto found = files.find(members);
    if (found == files.end()) {
        std::string path = (std::filesystem::temp_directory_path() /
                            ("kelvaro_bench_bridge_" + std::to_string(members) + ".txt"))
                               .string();
        std::string text = warren_bridge_results(members);
        std::ofstream(path, std::ios::binary) << text;
        found = files.emplace(members, std::make_pair(path, static_cast<std::int64_t>(text.size()))).first;
    }
    bytes = found->second.second;
    return found->second.first;
}

bool load_bridge(int members)
{
    std::int64_t bytes = 0;
    const std::string& path = bridge_path(members, bytes);
    reset_for_load();
    file_open_read(RESULTS_FILE, path);
    read_results();
    return results_missing == 0 && TrussModel.element_count >= members - 4;
}

// The CPU column is the process's, all threads together, and the real column the time a reader
// waits on two cores. A text held whole is read on one thread unless it is very long.
void BM_read_results(benchmark::State& state)
{
    set_up();
    const int members = static_cast<int>(state.range(0));
    std::int64_t bytes = 0;
    bridge_path(members, bytes);
    for (auto _ : state) {
        load_bridge(members);
        benchmark::DoNotOptimize(TrussModel.deflection_scale);
    }
    if (!load_bridge(members))
        state.SkipWithError("the bridge did not read");
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["members"] = TrussModel.element_count;
}
BENCHMARK(BM_read_results)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same read on one thread, and in two parts at once: what the split costs in CPU and returns
// in real time.
void read_results_parts_from(benchmark::State& state, std::size_t bytes)
{
    const std::size_t parts_from = set_read_in_parts_bytes(bytes);
    BM_read_results(state);
    set_read_in_parts_bytes(parts_from);
}

void BM_read_results_one_thread(benchmark::State& state)
{
    read_results_parts_from(state, SIZE_MAX);
}
BENCHMARK(BM_read_results_one_thread)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_read_results_in_parts(benchmark::State& state)
{
    read_results_parts_from(state, 0);
}
BENCHMARK(BM_read_results_in_parts)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One redraw of the loaded bridge, fitted in the 3D view, with the switches given.
void redraw_bridge(benchmark::State& state, bool deflected, bool numbers)
{
    set_up();
    const int members = static_cast<int>(state.range(0));
    if (!load_bridge(members)) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    refresh_projection(true);
    View.show_deflected = deflected ? 1 : 0;
    View.deflection_scale = TrussModel.deflection_scale;
    View.show_element_numbers = numbers ? 1 : 0;
    for (auto _ : state)
        redraw_view();
    state.counters["members"] = TrussModel.element_count;
}

void BM_redraw_view_deflected(benchmark::State& state)
{
    redraw_bridge(state, true, false);
}
BENCHMARK(BM_redraw_view_deflected)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_redraw_view_numbers(benchmark::State& state)
{
    redraw_bridge(state, false, true);
}
BENCHMARK(BM_redraw_view_numbers)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One rotate command without the canvas blit: the refresh sequence and the redraw.
void BM_rotate_view(benchmark::State& state)
{
    set_up();
    const int members = static_cast<int>(state.range(0));
    if (!load_bridge(members)) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    refresh_projection(true);
    View.show_deflected = 1;
    View.deflection_scale = TrussModel.deflection_scale;  // the scale "Deflected" takes from its field
    for (auto _ : state) {
        rotate_view(false, -5.0f);
        refresh_projection(false);
        redraw_view();
    }
}
BENCHMARK(BM_rotate_view)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

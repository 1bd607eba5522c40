// Cost of the engineer's view on a large model: one redraw of a generated Warren bridge of 10,000
// and 100,000 members with every overlay off, with force colours and the legend, with force
// colours, reactions and the selection, and with every overlay together (adding the largest
// deflection on the deflected shape and the node numbers with the label placement). The
// difference to the plain redraw is the overlays' cost (the numbers taken from app/analysis, the
// colour lookups, the legend's placement, the labels). The overlays' numbers that do not change
// with the view are computed once per load (app/view/overlay_numbers.h), measured on their own.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/read_results_file.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/overlay_numbers.h"
#include "app/view/overlays.h"
#include "app/view/view.h"
#include "bench/warren_bridge.h"
#include "core/file.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

bool load_bridge(int members)
{
    static bool started = false;
    if (!started) {
        started = true;
        gui_use_headless();
        runtime_start();
        win_open(MAIN_WINDOW, 150, 150, 800, 500, "bench", 0x00CA0000);
        gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
        gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
        gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
        reset_to_startup_defaults();
    }
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("kelvaro_bench_overlays_" + std::to_string(members) + ".txt"))
                                 .string();
    if (!std::filesystem::exists(path))
        std::ofstream(path, std::ios::binary) << warren_bridge_results(members);
    reset_for_load();
    file_open_read(RESULTS_FILE, path);
    read_results();
    refresh_projection(true);
    return results_missing == 0 && TrussModel.element_count >= members - 4;
}

// One redraw of the bridge with the overlay switches given.
void redraw_with(benchmark::State& state, const OverlayStateData& switches)
{
    if (!load_bridge(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    View.overlays = switches;
    View.show_deflected = switches.show_max_deflection ? 1 : 0;
    for (auto _ : state)
        redraw_view();
    View.overlays = {};
    View.show_deflected = 0;
    state.counters["members"] = TrussModel.element_count;
}

void BM_redraw_plain(benchmark::State& state)
{
    redraw_with(state, {});
}
BENCHMARK(BM_redraw_plain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_redraw_force_colours(benchmark::State& state)
{
    OverlayStateData switches;
    switches.show_force_colours = true;
    redraw_with(state, switches);
}
BENCHMARK(BM_redraw_force_colours)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Force colours, reactions and the selection.
OverlayStateData colours_reactions_selection()
{
    OverlayStateData switches;
    switches.show_force_colours = true;
    switches.show_reactions = true;
    switches.highlight_member = 7;
    switches.highlight_node = 3;
    return switches;
}

void BM_redraw_colours_reactions_selection(benchmark::State& state)
{
    redraw_with(state, colours_reactions_selection());
}
BENCHMARK(BM_redraw_colours_reactions_selection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_redraw_every_overlay(benchmark::State& state)
{
    OverlayStateData switches = colours_reactions_selection();
    switches.show_max_deflection = true;
    switches.show_node_numbers = true;
    redraw_with(state, switches);
}
BENCHMARK(BM_redraw_every_overlay)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The overlays' numbers of the bridge, as the viewer computes them once after a read.
void BM_overlay_numbers(benchmark::State& state)
{
    if (!load_bridge(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    const ModelNumbers& numbers = model_numbers();
    for (auto _ : state)
        benchmark::DoNotOptimize(compute_overlay_numbers(TrussModel, numbers, usable_node_count(TrussModel)));
    state.counters["members"] = TrussModel.element_count;
}
BENCHMARK(BM_overlay_numbers)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Speed of kelvaro-render's --report on a generated Warren bridge of 100,000 members (50,001
// nodes): the numbers alone (compute_model_numbers), the JSON and CSV texts, and the whole report
// as --report writes it (numbers, text, the file written whole and synced). Target: the whole
// report of 100,000 members within 200 ms.
//
// The bridge is the one bench_app_sizes reads: n panels, bottom chord nodes at x = 0..n, top chord
// nodes at the panel midpoints, two diagonals per panel, a load on every bottom node, a sag and a
// force in every member, lines written as the solver writes them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/export/report.h"
#include "app/model/analysis.h"
#include "app/ui/canvas_export.h"
#include "app/ui/ids.h"
#include "app/ui/read_results_file.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "bench/warren_bridge.h"
#include "core/file.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

constexpr int MEMBERS = 100000;

std::string scratch(const char* name)
{
    return (std::filesystem::temp_directory_path() / ("kelvaro_bench_report_" + std::to_string(::getpid()) + name))
        .string();
}

// Starts the runtime once and loads the bridge; false when the read failed.
bool load_bridge()
{
    static int loaded = -1;
    if (loaded >= 0)
        return loaded == 1;
    gui_use_headless();
    runtime_start();
    win_open(MAIN_WINDOW, 150, 150, 800, 500, "bench", 0x00CA0000);
    gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
    gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
    reset_to_startup_defaults();
    const std::string path = scratch(".res");
    std::ofstream(path, std::ios::binary) << warren_bridge_results(MEMBERS, "WARREN BRIDGE - units m, kN, MPa");
    reset_for_load();
    file_open_read(RESULTS_FILE, path);
    read_results();
    std::filesystem::remove(path);
    loaded = results_missing == 0 && TrussModel.element_count >= MEMBERS - 4 ? 1 : 0;
    return loaded == 1;
}

void BM_model_numbers(benchmark::State& state)
{
    if (!load_bridge())
        return state.SkipWithError("the bridge could not be read");
    ModelNumbers numbers;
    for (auto _ : state) {
        numbers = compute_model_numbers(TrussModel, results_missing == 0);
        benchmark::DoNotOptimize(numbers.residual_share);
    }
    state.counters["members"] = TrussModel.element_count;
}

void BM_report_json_text(benchmark::State& state)
{
    if (!load_bridge())
        return state.SkipWithError("the bridge could not be read");
    ModelNumbers numbers;
    numbers = compute_model_numbers(TrussModel, results_missing == 0);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = report_json(numbers, TrussModel.title_line);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// The whole --report: numbers, text and the file written whole, as kelvaro-render does it.
void BM_write_report(benchmark::State& state, const char* extension)
{
    if (!load_bridge())
        return state.SkipWithError("the bridge could not be read");
    const std::string path = scratch(extension);
    std::string error;
    for (auto _ : state) {
        if (!write_report(path, error))
            return state.SkipWithError(error.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(report_members_csv_path(path), ignored);
    std::filesystem::remove(report_nodes_csv_path(path), ignored);
}

}  // namespace

BENCHMARK(BM_model_numbers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_report_json_text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_write_report, json, ".json")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_write_report, csv, ".csv")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

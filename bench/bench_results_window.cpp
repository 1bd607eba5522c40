// Speed of the results window on a planar Warren bridge of 100,000 members (50,001 nodes): building
// its tables from the model (what Load File and Ctrl+R cost while the window is open), a header
// click's sort, the cells of one screenful as a redraw formats them, and the "Copy" text. Targets:
// build and sort within 100 ms each, a screenful within 1 ms, so the window follows the user at
// once at this size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/ui/ids.h"
#include "app/ui/read_results_file.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "core/file.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

constexpr int PANELS = 25000;  // 4 * PANELS - 1 members
constexpr int SCREEN_ROWS = 40;

// The results text of the bridge: bottom nodes 1..PANELS + 1, top nodes between them, a load on
// every bottom node, made-up deflections and forces of both signs.
std::string bridge_file()
{
    const int nodes = 2 * PANELS + 1;
    const int members = 4 * PANELS - 1;
    std::string text = "WARREN BRIDGE - units m, kN, MPa\n" + std::to_string(nodes) + " " + std::to_string(members) +
                       "\n";
    char line[200];
    for (int i = 1; i <= nodes; ++i) {
        const bool bottom = i <= PANELS + 1;
        const int fixed = i == 1 || i == PANELS + 1 ? 1 : 0;
        std::snprintf(line, sizeof line, "%d %d %d 1 %.4f %.4f 0.0 0.0 %.1f 0.0\n", i, fixed, fixed,
                      bottom ? i - 1.0 : i - PANELS - 1.5, bottom ? 0.0 : 1.0, bottom ? -10.0 : 0.0);
        text += line;
    }
    int e = 0;
    const auto member = [&](int a, int b) {
        std::snprintf(line, sizeof line, "%d %d %d\n", ++e, a, b);
        text += line;
    };
    for (int p = 1; p <= PANELS; ++p)
        member(p, p + 1);
    for (int p = 1; p < PANELS; ++p)
        member(PANELS + 1 + p, PANELS + 2 + p);
    for (int p = 1; p <= PANELS; ++p) {
        member(p, PANELS + 1 + p);
        member(PANELS + 1 + p, p + 1);
    }
    text += "\nNODE X-DEFL Y-DEFL Z-DEFL\n";
    for (int i = 1; i <= nodes; ++i) {
        std::snprintf(line, sizeof line, "%d %.4E %.4E %.4E\n", i, 1e-6 * (i % 37), -1e-4 * (i % 91), 0.0);
        text += line;
    }
    text += "\nELEMENT STRESS FORCE\n";
    for (int m = 1; m <= members; ++m) {
        std::snprintf(line, sizeof line, "%d %.3E %.3E\n", m, 12.5 * (m % 97) - 600.0, -250.0 * (m % 89) + 11000.0);
        text += line;
    }
    return text;
}

// Starts the runtime once, loads the bridge and opens the results window; false when the read failed.
bool open_bridge()
{
    static int opened = -1;
    if (opened >= 0)
        return opened == 1;
    gui_use_headless();
    runtime_start();
    win_open(MAIN_WINDOW, 150, 150, 800, 500, "bench", 0x00CA0000);
    gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
    gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
    reset_to_startup_defaults();
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("kelvaro_bench_results_" + std::to_string(::getpid()) + ".res"))
                                 .string();
    std::ofstream(path, std::ios::binary) << bridge_file();
    reset_for_load();
    file_open_read(RESULTS_FILE, path);
    read_results();
    std::filesystem::remove(path);
    results_window_show();
    const int rows = table_rows(results_window_spec().tables[RESULTS_MEMBERS]);
    opened = results_missing == 0 && rows == 4 * PANELS - 1 ? 1 : 0;
    return opened == 1;
}

void BM_build_tables(benchmark::State& state)
{
    if (!open_bridge())
        return state.SkipWithError("the bridge could not be read");
    for (auto _ : state)
        results_window_refresh();
    state.counters["members"] = table_rows(results_window_spec().tables[RESULTS_MEMBERS]);
}

void BM_sort_by_force(benchmark::State& state)
{
    if (!open_bridge())
        return state.SkipWithError("the bridge could not be read");
    TableData members = results_window_spec().tables[RESULTS_MEMBERS];
    for (auto _ : state) {
        table_header_click(members, 5);
        benchmark::DoNotOptimize(members.order.data());
    }
}

void BM_screenful_of_cells(benchmark::State& state)
{
    if (!open_bridge())
        return state.SkipWithError("the bridge could not be read");
    TableData nodes = results_window_spec().tables[RESULTS_NODES];
    table_sort(nodes, 11, true);
    const int columns = static_cast<int>(nodes.columns.size());
    const int top = table_rows(nodes) / 2;
    std::size_t characters = 0;
    for (auto _ : state) {
        for (int row = top; row < top + SCREEN_ROWS; ++row) {
            for (int column = 0; column < columns; ++column)
                characters += table_cell_text(nodes, row, column).size();
        }
    }
    benchmark::DoNotOptimize(characters);
}

void BM_copy_text(benchmark::State& state)
{
    if (!open_bridge())
        return state.SkipWithError("the bridge could not be read");
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = results_table_text(results_window_spec().tables[RESULTS_MEMBERS], '\t').size();
    state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(BM_build_tables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sort_by_force)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_screenful_of_cells)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_copy_text)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

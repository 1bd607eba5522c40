// Speed of inspecting and dragging: the member or node under the pointer (a lookup in the pick
// grid, and a lookup right after the view changed, which rebuilds the grid first), and one step
// of a left drag (turn, re-project, redraw) on Warren bridges of 1,000 to 100,000 members.
// Targets: a lookup well under 1 ms at 100,000 members; a drag step under 16 ms (60 frames a
// second) at 10,000 members.
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/picking.h"
#include "app/view/view.h"
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
    reset_to_startup_defaults();
}

// A Warren bridge of about `members` members put straight into the model (bottom chord, top
// chord, two diagonals a panel), with a slight skew so that it is spatial, fitted in the 3D view.
void make_bridge(int members)
{
    reset_for_load();
    const int panels = (members + 1) / 4;
    const int nodes = 2 * panels + 1;
    const int elements = 4 * panels - 1;
    size_node_records(nodes);
    size_element_records(elements);
    TrussModel.node_count = nodes;
    TrussModel.element_count = elements;
    for (int i = 1; i <= nodes; ++i) {
        const bool bottom = i <= panels + 1;
        const float x = bottom ? static_cast<float>(i - 1) : static_cast<float>(i - panels - 2) + 0.5f;
        TrussModel.node_coords[2][i] = x - panels / 2.0f;
        TrussModel.node_coords[3][i] = bottom ? 0.0f : 1.0f;
        TrussModel.node_coords[1][i] = 0.05f * std::sin(x * 0.1f);
    }
    int e = 0;
    auto member = [&](int a, int b) {
        ++e;
        TrussModel.element_nodes[e][1] = a;
        TrussModel.element_nodes[e][2] = b;
    };
    for (int p = 1; p <= panels; ++p)
        member(p, p + 1);
    for (int p = 1; p < panels; ++p)
        member(panels + 1 + p, panels + 2 + p);
    for (int p = 1; p <= panels; ++p) {
        member(p, panels + 1 + p);
        member(panels + 1 + p, p + 1);
    }
    planar_model = 0;
    apply_3d_view_preset();
    refresh_projection(true);
    picking_invalidate();
}

// Pointer positions spread over the canvas, the same every run.
float probe_x(int n)
{
    return static_cast<float>((n * 37) % 700);
}
float probe_y(int n)
{
    return static_cast<float>((n * 53) % 500);
}

void BM_pick_hover(benchmark::State& state)
{
    set_up();
    make_bridge(static_cast<int>(state.range(0)));
    pick_at(0.0f, 0.0f);  // the grid for this view
    int n = 0, found = 0;
    for (auto _ : state) {
        const PickResult picked = pick_at(probe_x(n), probe_y(n));
        found += picked.member != 0 || picked.node != 0;
        ++n;
    }
    state.counters["hit share"] = static_cast<double>(found) / static_cast<double>(n);
}
BENCHMARK(BM_pick_hover)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Lookups on the drawn bridge itself (midpoints of members spread over the model), where the
// cells are fullest.
void BM_pick_on_members(benchmark::State& state)
{
    set_up();
    make_bridge(static_cast<int>(state.range(0)));
    const int elements = TrussModel.element_count;
    pick_at(0.0f, 0.0f);
    int n = 0, found = 0;
    for (auto _ : state) {
        const int e = 1 + static_cast<int>((static_cast<long long>(n) * 7919) % elements);
        const int a = TrussModel.element_nodes[e][1], b = TrussModel.element_nodes[e][2];
        const float x = (ViewState.node_screen[1][a] + ViewState.node_screen[1][b]) / 2.0f;
        const float y = (ViewState.node_screen[2][a] + ViewState.node_screen[2][b]) / 2.0f;
        const PickResult picked = pick_at(x, y);
        found += picked.member != 0 || picked.node != 0;
        ++n;
    }
    state.counters["hit share"] = static_cast<double>(found) / static_cast<double>(n);
}
BENCHMARK(BM_pick_on_members)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The first lookup after the view turned: the grid is rebuilt for the new projection.
void BM_pick_after_turn(benchmark::State& state)
{
    set_up();
    make_bridge(static_cast<int>(state.range(0)));
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        View.azimuth += 0.5f;
        refresh_projection(false);
        state.ResumeTiming();
        benchmark::DoNotOptimize(pick_at(probe_x(n), probe_y(n)));
        ++n;
    }
}
BENCHMARK(BM_pick_after_turn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One motion event of a left drag: half a degree, re-projection and the full redraw (no blit).
void BM_drag_step(benchmark::State& state)
{
    set_up();
    make_bridge(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        View.azimuth += 0.5f;
        refresh_projection(false);
        redraw_view();
    }
}
BENCHMARK(BM_drag_step)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The window's picture from its globals. Nothing here computes: each step hands TrussModel, View
// and ViewState to its value function in app/view and the canvas output to draw on.
#include "app/ui/canvas_view.h"

#include "app/ui/ids.h"
#include "app/ui/window_note.h"
#include "app/view/overlays.h"
#include "draw/draw.h"
#include "gui/canvas_output.h"
#include "gui/window.h"

namespace {

constexpr int FRAME_PAUSE_MS = 250;

PickGrid pick_grid;  // of the picture shown

}  // namespace

void inspect_invalidate()
{
    model_loaded();
    picking_invalidate();
}

PickResult pick_at(float x, float y)
{
    return pick_at(pick_grid, TrussModel, View, ViewState, x, y);
}

void picking_invalidate()
{
    picking_invalidate(pick_grid);
}

std::string member_tooltip(int e)
{
    return member_tooltip(model_numbers(), e);
}

std::string node_tooltip(int i)
{
    return node_tooltip(model_numbers(), i);
}

double drawn_magnification()
{
    return drawn_magnification(shape_deflection_scale(View), View.scale);
}

void redraw_view()
{
    // A large model's first picture waits for no numbers that no overlay draws.
    static const ModelNumbers no_numbers;
    const ModelNumbers& numbers = overlays_need_numbers(View) ? model_numbers() : no_numbers;
    render_scene(TrussModel, numbers, View, ViewState, draw_canvas_output(ID_CANVAS), overlay_numbers_for(View));
    draw_window_note();
    redraw_pending = 0;
}

void refresh_projection(bool refit)
{
    refresh_projection(TrussModel, View, ViewState, refit);
}

void update_view_matrix()
{
    update_view_matrix(View, ViewState);
}

void fit_view()
{
    fit_view(TrussModel, View, ViewState);
}

void compute_axis_directions()
{
    compute_axis_directions(ViewState);
}

void project_all_nodes()
{
    project_all_nodes(TrussModel, View, ViewState);
}

void project_node(int i)
{
    project_node(TrussModel, View, ViewState, i);
}

ProjectedPoint project_point(float p1, float p2, float p3)
{
    return project_point(ViewState, p1, p2, p3);
}

void rotate_view(bool horizontal, float delta)
{
    rotate_view(View, horizontal, delta);
}

bool zoom_in()
{
    return zoom_in(View);
}

bool zoom_out()
{
    return zoom_out(View);
}

void draw_stress_list()
{
    if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
        return;
    StressTableCursor cursor;
    while (draw_stress_table(TrussModel, View, cursor)) {
        draw_end();
        event_delay(STRESS_TABLE_PAUSE_MS);
        if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
            return;
    }
    draw_end();
}

void draw_animation_frame(int frame)
{
    ViewState.animation_phase = static_cast<float>(frame);
    redraw_view();
    if (draw_begin(draw_canvas_output(ID_CANVAS)) != 0) {
        draw_animated_shape(TrussModel, ViewState, frame);
        draw_end();
    }
}

void animate_deflection()
{
    for (int frame = 1; frame <= ANIMATION_FRAME_COUNT; ++frame) {
        draw_animation_frame(frame);
        event_delay(FRAME_PAUSE_MS);
    }
}

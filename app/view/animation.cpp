// The deflection animation: for each of six frames the ordinary picture is drawn, then the
// elements at f/6 of their stored deflected offsets in (0, 180, 120) with filled magenta circles
// at their first end nodes, then the thread sleeps 250 ms. The offsets are those of the last
// redraw that drew the deflected shape; the animation scales them and never recomputes them.
//
// Touches: ViewState.animation_phase; reads node_screen and node_deflected_offset; draws on canvas
// ID_CANVAS.
#include "app/view/animation.h"

#include "app/model/model.h"
#include "app/ui/ids.h"
#include "app/view/render.h"
#include "core/str.h"
#include "draw/draw.h"
#include "gui/canvas_output.h"
#include "gui/window.h"

namespace {

constexpr int FRAME_COUNT = 6;
constexpr int FRAME_PAUSE_MS = 250;

void draw_animated_elements(int frame)
{
    const int line_colour = draw_rgb(0, 180, 120);
    const int circle_colour = draw_rgb(255, 0, 255);
    // f / 6 first, so that the last frame uses the offsets exactly (6 / 6 is 1).
    float amount = static_cast<float>(frame) / static_cast<float>(FRAME_COUNT);
    const int nodes = usable_node_count();
    const int elements = usable_element_count();
    for (int e = 1; e <= elements; ++e) {
        int a = TrussModel.element_nodes[e][1];
        int b = TrussModel.element_nodes[e][2];
        if (a < 1 || a > nodes || b < 1 || b > nodes)
            continue;
        float qx1 = ViewState.node_screen[1][a] + ViewState.node_deflected_offset[1][a] * amount;
        float qy1 = ViewState.node_screen[2][a] + ViewState.node_deflected_offset[2][a] * amount;
        float qx2 = ViewState.node_screen[1][b] + ViewState.node_deflected_offset[1][b] * amount;
        float qy2 = ViewState.node_screen[2][b] + ViewState.node_deflected_offset[2][b] * amount;
        int x1, y1, x2, y2;
        if (!to_pixels(qx1, qy1, x1, y1))
            continue;
        if (to_pixels(qx2, qy2, x2, y2))
            draw_line_xy(x1, y1, x2, y2, line_colour);
        draw_circle(x1, y1, 2, circle_colour);
    }
}

}  // namespace

void draw_animation_frame(int frame)
{
    ViewState.animation_phase = static_cast<float>(frame);
    redraw_view();
    if (draw_begin(draw_canvas_output(ID_CANVAS)) != 0) {
        draw_animated_elements(frame);
        draw_end();
    }
}

void animate_deflection()
{
    for (int frame = 1; frame <= FRAME_COUNT; ++frame) {
        draw_animation_frame(frame);
        event_delay(FRAME_PAUSE_MS);
    }
}

// The deflection animation's moving shape: the elements at f/6 of the stored deflected offsets in
// (0, 180, 120) with filled magenta circles at their first end nodes. The offsets are those of the
// last picture drawn with the deflected shape; the animation scales them and never recomputes them.
// An element whose first end cannot be placed is left out; one whose second end cannot be placed
// keeps its circle.
#include "app/view/pen.h"
#include "app/view/scene.h"
#include "draw/draw.h"

void draw_animated_shape(const TrussModelData& model, const Projection& projection, int frame)
{
    const int line_colour = draw_rgb(0, 180, 120);
    const int circle_colour = draw_rgb(255, 0, 255);
    // f / 6 first, so that the last frame uses the offsets exactly (6 / 6 is 1).
    float amount = static_cast<float>(frame) / static_cast<float>(ANIMATION_FRAME_COUNT);
    const int nodes = projected_node_count(model, projection);
    const int elements = usable_element_count(model);
    for (int e = 1; e <= elements; ++e) {
        int a, b;
        if (!member_ends(model, e, nodes, a, b))
            continue;
        float qx1 = projection.node_screen[1][a] + projection.node_deflected_offset[1][a] * amount;
        float qy1 = projection.node_screen[2][a] + projection.node_deflected_offset[2][a] * amount;
        float qx2 = projection.node_screen[1][b] + projection.node_deflected_offset[1][b] * amount;
        float qy2 = projection.node_screen[2][b] + projection.node_deflected_offset[2][b] * amount;
        int x1, y1;
        if (!to_pixels(qx1, qy1, x1, y1))
            continue;
        pen_segment(qx1, qy1, qx2, qy2, line_colour);
        pen_ring(qx1, qy1, 2, circle_colour);
    }
}

// The canvas pen. A segment whose ends both lie within +-PIXEL_LIMIT is drawn between their
// rounded ends; the cut (draw/clip.h) leaves such ends exactly as they are, so only a far end moves.
#include "app/view/pen.h"

#include <algorithm>
#include <cmath>

#include "draw/clip.h"
#include "draw/draw.h"

bool pen_segment_ends(float x1, float y1, float x2, float y2, PenLine& line)
{
    if (!to_pixels(x1, y1, line.x1, line.y1) || !to_pixels(x2, y2, line.x2, line.y2))
        return false;
    const float limit = PIXEL_LIMIT;
    if (std::fabs(x1) > limit || std::fabs(y1) > limit || std::fabs(x2) > limit || std::fabs(y2) > limit) {
        // An end far off the canvas: clamping each coordinate would bend the line, so cut it first.
        double cx1 = x1, cy1 = y1, cx2 = x2, cy2 = y2;
        const double box = limit;
        if (!clip_segment_to_box(cx1, cy1, cx2, cy2, -box, -box, box, box))
            return false;
        line.x1 = static_cast<int>(std::nearbyint(cx1));
        line.y1 = static_cast<int>(std::nearbyint(cy1));
        line.x2 = static_cast<int>(std::nearbyint(cx2));
        line.y2 = static_cast<int>(std::nearbyint(cy2));
    }
    return true;
}

void pen_segment(float x1, float y1, float x2, float y2, int colour)
{
    PenLine line;
    if (pen_segment_ends(x1, y1, x2, y2, line))
        draw_line_xy(line.x1, line.y1, line.x2, line.y2, colour);
}

void pen_ring(float x, float y, int radius, int colour)
{
    int px, py;
    if (to_pixels(x, y, px, py))
        draw_circle(px, py, radius, colour);
}

void pen_label(float x, float y, std::string_view text, int front, int back)
{
    int px, py;
    if (to_pixels(x, y, px, py))
        draw_text(px, py, text, front, back);
}

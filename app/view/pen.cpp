// The canvas pen. A segment whose ends both lie within +-PIXEL_LIMIT is drawn between their
// rounded ends; the cut (draw/clip.h) leaves such ends exactly as they are, so only a far end moves.
#include "app/view/pen.h"

#include <algorithm>
#include <cmath>

#include "draw/clip.h"
#include "draw/draw.h"

// A float within +-2^22 rounded to a whole number in the current rounding mode (half to even by
// default), as std::nearbyint gives it but without a library call: beside 1.5 * 2^23 a float's
// last bit is worth 1, so the sum rounds the value and the difference is exact.
inline float round_whole(float value)
{
    static_assert(PIXEL_LIMIT < 4194304.0f, "the sum's last bit must be worth 1 for every clamped value");
    constexpr float SHIFT = 12582912.0f;  // 1.5 * 2^23
    return (value + SHIFT) - SHIFT;
}

bool to_pixel(float value, int& pixel)
{
    if (!std::isfinite(value))
        return false;
    float clamped = std::clamp(value, -PIXEL_LIMIT, PIXEL_LIMIT);
    pixel = static_cast<int>(round_whole(clamped));
    return true;
}

bool to_pixels(float x, float y, int& px, int& py)
{
    int qx, qy;
    if (!to_pixel(x, qx) || !to_pixel(y, qy))
        return false;
    px = qx;
    py = qy;
    return true;
}

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

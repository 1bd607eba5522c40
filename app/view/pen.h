// The canvas pen: segments, rings and labels at real canvas coordinates, as every part of the
// picture draws them. Reals stay float32 until here, where to_pixel rounds them half to even.
#pragma once

#include <algorithm>
#include <cmath>
#include <string_view>

constexpr float PIXEL_LIMIT = 1.0e6f;  // points beyond +-this are clamped, lines cut, before drawing

// A float within +-2^22 rounded to a whole number in the current rounding mode (half to even by
// default), as std::nearbyint gives it but without a library call: beside 1.5 * 2^23 a float's
// last bit is worth 1, so the sum rounds the value and the difference is exact. Inline, as the
// overlays round a few coordinates for every node of a large model.
constexpr float ROUND_SHIFT = 12582912.0f;  // 1.5 * 2^23
inline float round_whole(float value)
{
    static_assert(PIXEL_LIMIT < 4194304.0f, "the sum's last bit must be worth 1 for every clamped value");
    return (value + ROUND_SHIFT) - ROUND_SHIFT;
}

// A real canvas coordinate as a drawing position: rounded half to even, clamped to +-PIXEL_LIMIT.
// False (and nothing written) for NaN or an infinity, which cannot be placed.
inline bool to_pixel(float value, int& pixel)
{
    if (!std::isfinite(value))
        return false;
    const float clamped = std::clamp(value, -PIXEL_LIMIT, PIXEL_LIMIT);
    pixel = static_cast<int>(round_whole(clamped));
    return true;
}

// Both coordinates of a canvas point; false when either cannot be placed.
inline bool to_pixels(float x, float y, int& px, int& py)
{
    int qx, qy;
    if (!to_pixel(x, qx) || !to_pixel(y, qy))
        return false;
    px = qx;
    py = qy;
    return true;
}

// A line's end points as drawing positions.
struct PenLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const PenLine&) const = default;
};
// The drawing positions pen_segment draws the line between two canvas points at; false when it
// draws nothing (an end cannot be placed, or the line lies wholly beyond +-PIXEL_LIMIT).
bool pen_segment_ends(float x1, float y1, float x2, float y2, PenLine& line);
// The line between two canvas points on the current pass. A line with an end beyond
// +-PIXEL_LIMIT is first cut to that square in double precision, so that it keeps its slope at any
// zoom; nothing when an end cannot be placed.
void pen_segment(float x1, float y1, float x2, float y2, int colour);
// A circle of radius pixels round the canvas point (filled or outlined by the pass's mode).
void pen_ring(float x, float y, int radius, int colour);
// text with its top-left corner at the canvas point, front colour on back.
void pen_label(float x, float y, std::string_view text, int front, int back);

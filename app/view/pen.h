// The canvas pen: segments, rings and labels at real canvas coordinates, as every part of the
// picture draws them. Reals stay float32 until here, where to_pixel rounds them half to even.
#pragma once

#include <string_view>

constexpr float PIXEL_LIMIT = 1.0e6f;  // points beyond +-this are clamped, lines cut, before drawing

// A real canvas coordinate as a drawing position: rounded half to even, clamped to +-PIXEL_LIMIT.
// False (and nothing written) for NaN or an infinity, which cannot be placed.
bool to_pixel(float value, int& pixel);
// Both coordinates of a canvas point; false when either cannot be placed.
bool to_pixels(float x, float y, int& px, int& py);

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

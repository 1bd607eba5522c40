// The per-thread drawing state and the primitives that act on it.
//
// Drawing is bracketed: an output over a picture is made (it becomes the thread's current
// state at once), draw_begin starts the pass, primitives write straight into the picture, and
// draw_end finishes the pass, runs the output's release hook with refresh = true (a canvas shows
// its picture on screen then) and frees the state. At most one state is current per thread.
// An SVG recorder (draw/svg.h) is an output behind the same verbs. Colours are draw_rgb values
// (core/str.h): red in bits 0-7, green 8-15, blue 16-23.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/str.h"
#include "draw/picture.h"

struct DrawOutput;  // a drawing state over one picture

constexpr int DRAW_MODE_TRANSPARENT = 1;  // text without its background box
constexpr int DRAW_MODE_XOR = 2;          // every written pixel is XORed with the colour
constexpr int DRAW_MODE_OUTLINE = 4;      // boxes and circles draw only their outline

// Called once when the output is released: refresh is true from draw_end, false when
// draw_begin failed.
using DrawRelease = std::function<void(bool refresh)>;

// Allocates the per-thread slot; called once at start-up (harmless to call again).
void draw_init();
// A drawing state over picture (24 or 32 bits), made the thread's current state at once (a state
// still current is released first, without refresh). nullptr when picture is null or empty.
DrawOutput* draw_picture_output(Picture* picture, DrawRelease release);
// Starts the pass on output: non-zero drawing context on success, 0 on failure (output null, or no
// pixel memory; a failed start releases the output without refresh and leaves no current state).
std::intptr_t draw_begin(DrawOutput* output);
// The picture behind a context returned by draw_begin (nullptr for 0 or an unknown context).
Picture* draw_context_picture(std::intptr_t context);
// Ends the pass of the current state (release with refresh) and frees it; nothing without one.
void draw_end();
// Sets the mode bits (DRAW_MODE_*) of the current output.
void draw_mode(int mode);

// True when the current pass only sets the pixels of a picture: no SVG recorder or sink takes its
// verbs. A caller may then leave out drawing that it knows changes no pixel.
bool draw_sets_pixels_only();

// A line from (x, y) spanning width x height pixels: end (x + w', y + h') with w' = width - 1 for a
// positive width, width + 1 for a negative one (the same for height); nothing if either is 0.
void draw_line(int x, int y, int width, int height, int colour);
// A line between two points, both end points drawn (Bresenham; a line and its reverse match).
void draw_line_xy(int x1, int y1, int x2, int y2, int colour);
// A box of width x height pixels at (x, y), filled or (DRAW_MODE_OUTLINE) outlined; negative sizes
// extend to the left or upward.
void draw_box(int x, int y, int width, int height, int colour);
// A circle centred on (x, y), filled or (DRAW_MODE_OUTLINE) outlined. Like a plain line, a plain
// circle drawn again in one colour with only plain lines and circles of that colour between is skipped.
void draw_circle(int x, int y, int radius, int colour);
// Text with its top-left corner at (x, y) in the default font, front colour on a box of the back
// colour (no box with DRAW_MODE_TRANSPARENT). Returns x plus the text's width; "" draws nothing.
int draw_text(int x, int y, std::string_view text, int front_colour, int back_colour);
// While on, opaque texts on a picture are held back and painted together before the next verb
// that is not an opaque text, a change of mode, draw_text_batch(false) or the end of the pass:
// latest first, each pixel only by the last text over it. The picture is the same as without the
// batch; many overlapping labels are painted far faster. Off at the start of every pass.
void draw_text_batch(bool on);
// The width in pixels that draw_text gives text in the font of the current text scale, without
// drawing (0 when no font is available: texts are then left out).
int draw_text_width(std::string_view text);

// The height in pixels of draw_text's background box in the font of the current text scale (0 when
// no font is available).
int draw_text_height();

constexpr float DRAW_TEXT_SCALE_MIN = 0.5f;  // draw_set_text_scale's range
constexpr float DRAW_TEXT_SCALE_MAX = 8.0f;
// Draws every later text at scale times the default font's pixel size (the glyphs rounded to whole
// pixels, the line height the font's own at that size), in every thread; 1 (and a scale outside
// DRAW_TEXT_SCALE_MIN .. DRAW_TEXT_SCALE_MAX) goes back to the default font.
void draw_set_text_scale(float scale);

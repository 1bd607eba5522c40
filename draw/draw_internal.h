// The drawing state shared by the files of the drawing layer (not part of its public API).
//
// One DrawOutput per active output; the thread's current one is reached through draw_current().
// Pixel writes go straight into the picture's memory through bits and pitch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "draw/draw.h"
#include "draw/picture.h"

// A colour split into bytes for the pixel routines.
struct DrawChannels {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;
};

struct SvgRecorder;
class DrawSink;

struct DrawOutput {
    Picture* picture = nullptr;       // the buffer drawn into (owned by the caller)
    DrawRelease release;              // run once when the output goes away
    int width = 0;                    // pixels
    int height = 0;                   // pixels
    int bits_per_pixel = 24;          // 24 or 32
    int origin_x = 0;                 // added to every x passed to a primitive
    int origin_y = 0;                 // added to every y passed to a primitive
    int clip_width = 0;               // set to width by draw_begin
    int clip_height = 0;              // set to height by draw_begin
    int colour = 0;                   // current drawing colour (draw_rgb value)
    int back_colour = 0;              // current text background colour
    int mode = 0;                     // DRAW_MODE_* bits
    int pixel_bytes = 3;              // 3 or 4
    bool bottom_up = true;            // picture row y is stored row height - 1 - y
    std::uint8_t* bits = nullptr;     // first byte of the buffer; null until draw_begin
    int pitch = 0;                    // bytes per stored row
    DrawChannels front;               // colour as bytes
    DrawChannels back;                // back_colour as bytes
    std::intptr_t context = 0;        // value returned by draw_begin, 0 before it
    bool text_ready = false;          // the text layer exists (a font was found)
    SvgRecorder* recorder = nullptr;  // records the verbs as SVG too (draw/svg.h); alone when picture is null
    DrawSink* sink = nullptr;         // takes the verbs instead of a picture (draw/sink.h); null with a picture
    bool batch_texts = false;         // opaque texts are held back (draw_text_batch)
    bool texts_held = false;          // some are held and not painted yet
    std::uint64_t line_run = 0;       // the present run of plain lines and circles in one colour (draw_new_line_run)
};

// Starts a new run of plain lines and circles on out: a line or circle drawn twice within one run,
// in one colour with nothing else drawn between, sets the same pixels again and is skipped the
// second time. Every verb but draw_line_xy and a plain draw_circle, a change of colour or mode, and
// a hand on the picture (draw_context_picture) start a new run.
void draw_new_line_run(DrawOutput& out);

// The thread's current output once draw_begin has succeeded, nullptr otherwise. Its bits are null
// for an output that only records SVG.
DrawOutput* draw_current();
// Splits colour into the output's front channels when it differs from the current colour.
void draw_use_colour(DrawOutput& out, int colour);
// The same for the text background colour.
void draw_use_back_colour(DrawOutput& out, int colour);
// Address of pixel (x, y) of the output; precondition: inside the output.
inline std::uint8_t* draw_pixel_address(const DrawOutput& out, int x, int y)
{
    return out.bits + static_cast<std::ptrdiff_t>(out.height - 1 - y) * out.pitch +
           static_cast<std::ptrdiff_t>(x) * out.pixel_bytes;
}

// Copies bytes bytes from from to to, for moves of a few dozen pixels at most without a library
// call: moves of a fixed size, the last one overlapping the one before; a move beyond 256 bytes by
// memcpy.
inline void draw_copy_short(std::uint8_t* to, const std::uint8_t* from, std::size_t bytes)
{
    if (bytes > 256) {
        std::memcpy(to, from, bytes);
    } else if (bytes > 32) {
        for (std::size_t n = 0; n < bytes - 32; n += 32) {
            std::memcpy(to + n, from + n, 32);
        }
        std::memcpy(to + bytes - 32, from + bytes - 32, 32);
    } else if (bytes >= 16) {
        std::memcpy(to, from, 16);
        std::memcpy(to + bytes - 16, from + bytes - 16, 16);
    } else if (bytes >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + bytes - 8, from + bytes - 8, 8);
    } else if (bytes >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + bytes - 4, from + bytes - 4, 4);
    } else {
        for (std::size_t n = 0; n < bytes; ++n) {
            to[n] = from[n];
        }
    }
}

// Horizontal run of length pixels from (x, y), clipped to the output (coordinates are 64-bit so
// that callers may pass sums of 32-bit values).
void draw_span_h(DrawOutput& out, long long x, long long y, long long length);
// Vertical run of length pixels from (x, y) downward, clipped to the output.
void draw_span_v(DrawOutput& out, long long x, long long y, long long length);
// One pixel, written only when it lies inside the output.
void draw_point(DrawOutput& out, long long x, long long y);
// The ellipse routine centred on (cx, cy) with radii rx, ry, filled or outlined after the mode.
void draw_ellipse(DrawOutput& out, long long cx, long long cy, int rx, int ry);

// Starts the text layer of out at the start of a pass; the layer itself (the font) is made at the
// pass's first text, and left out when no font is available: texts are then skipped and
// everything else is drawn.
void text_layer_start(DrawOutput& out);
// Paints the texts a batch holds (draw/text.cpp); every other verb, a change of mode and the end
// of the pass call draw_flush_texts first, so the picture is always what drawing in order gives.
void draw_flush_held_texts(DrawOutput& out);
inline void draw_flush_texts(DrawOutput& out)
{
    if (out.texts_held) {
        draw_flush_held_texts(out);
    }
}
// Ends the text layer of out at the end of a pass (an unusually large scratch strip is freed).
void text_layer_stop(DrawOutput& out);

// Placing a text in the default font, as draw_text does.
struct TextMetrics {
    long long advance = 0;  // the text's width, pixels
    int ascent = 0;         // baseline below the text's top, pixels
    int line_height = 0;    // height of the text's background box, pixels
    int pixel_size = 0;     // the font's pixel size
};
// The metrics of text in the default font; false when no font is available (texts are then left out).
bool text_metrics(std::string_view text, TextMetrics& metrics);
// The Unicode code point of a text byte (bytes are read as Windows-1252); 0 for an undefined byte.
unsigned long text_code_point(unsigned char byte);

// The SVG recorder's side of the verbs (draw/svg.cpp), called when out.recorder is set, after the
// verb has set the output's colours; coordinates already include the origin. Each returns true when
// the output only records (the verb then draws nothing more).
bool svg_record_line(DrawOutput& out, long long x1, long long y1, long long x2, long long y2);
bool svg_record_box(DrawOutput& out, long long x, long long y, long long width, long long height);
bool svg_record_circle(DrawOutput& out, long long x, long long y, int radius);
// For text also the value draw_text returns (x plus the text's width) in end_x.
bool svg_record_text(DrawOutput& out, int x, int y, std::string_view text, int& end_x);

// The sink's side of the verbs (draw/sink.cpp), called instead of drawing when out.sink is set,
// after the verb has set the output's colours; coordinates already include the origin.
void sink_line(DrawOutput& out, long long x1, long long y1, long long x2, long long y2);
void sink_box(DrawOutput& out, long long x, long long y, long long width, long long height);
void sink_circle(DrawOutput& out, long long x, long long y, int radius);
// Returns what draw_text returns: x plus the text's width.
int sink_text(DrawOutput& out, int x, int y, std::string_view text);
// The box of a verb with its sizes made positive and cut to the output grown by one pixel (so that
// a cut outline stays outside the output): its edges left <= x < right, top <= y < bottom. False
// when nothing is left.
bool cut_box(const DrawOutput& out, long long x, long long y, long long width, long long height, long long& left,
             long long& top, long long& right, long long& bottom);
// Appends code point code as UTF-8 (up to U+FFFF).
void append_utf8(std::string& text, unsigned long code);

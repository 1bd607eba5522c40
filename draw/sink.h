// A drawing output that hands every verb to a sink instead of writing pixels: the way a vector
// surface (a PDF page, a printer) takes the same picture a canvas shows.
//
// The sink receives the verbs in canvas coordinates with the output's origin already added, as the
// SVG recorder writes them (draw/svg.h): pixel (x, y) is the unit square from (x, y), a line runs
// between its end pixels' centres one unit wide with square caps, a box covers its pixels, a
// circle stands on its centre pixel's centre, a text has its top-left corner and its placement in
// the default font. What lies outside the canvas is cut (lines, boxes) or left out (circles, texts)
// before the sink sees it, so a sink only ever meets coordinates near its canvas.
#pragma once

#include <string>
#include <string_view>

#include "draw/draw.h"

// The paint a verb is drawn with: the output's colours and mode at the time of the verb.
struct DrawPaint {
    int colour = 0;       // draw_rgb value of lines, boxes, circles and text
    int back_colour = 0;  // draw_rgb value of a text's background box
    int mode = 0;         // DRAW_MODE_* bits
};

// Where a text stands in the default font, as draw_text places it.
struct DrawTextPlace {
    long long advance = 0;  // the text's width, pixels
    int ascent = 0;         // baseline below the text's top, pixels
    int line_height = 0;    // height of the text's background box, pixels
    int pixel_size = 0;     // the font's pixel size
};

// What a vector output implements; every verb has a harmless do-nothing default.
class DrawSink {
public:
    virtual ~DrawSink() = default;
    // A line one pixel wide from centre (x1, y1) to centre (x2, y2).
    virtual void line(double x1, double y1, double x2, double y2, const DrawPaint& paint);
    // A box covering width x height pixels from (x, y), both sizes positive (filled, or outlined
    // with DRAW_MODE_OUTLINE).
    virtual void box(double x, double y, double width, double height, const DrawPaint& paint);
    // A circle of radius pixels round the centre (x, y) of its centre pixel (filled, or outlined
    // with DRAW_MODE_OUTLINE).
    virtual void circle(double x, double y, int radius, const DrawPaint& paint);
    // text (bytes read as Windows-1252, never empty) with its top-left corner at (x, y).
    virtual void text(double x, double y, std::string_view text, const DrawTextPlace& place, const DrawPaint& paint);
};

// A drawing output of width x height pixels whose verbs go to sink, made the thread's current state
// at once as draw_picture_output does; nullptr when sink is null or a size is below 1. Its context
// has no picture. The sink must outlive the output.
DrawOutput* draw_sink_output(DrawSink* sink, int width, int height, DrawRelease release);
// text's bytes read as Windows-1252 and written as UTF-8 (an undefined byte as U+FFFD).
std::string draw_text_utf8(std::string_view text);

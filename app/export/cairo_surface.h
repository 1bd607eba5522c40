// The scene on a cairo surface: a drawing sink (draw/sink.h) that paints the drawing verbs as
// vectors on a cairo context, so that the picture of render_scene lands in a PDF page as lines,
// areas and real text instead of pixels. Also the few cairo helpers the calculation sheet shares.
#pragma once

#include <functional>
#include <string_view>

#include <cairo.h>

#include "draw/picture.h"
#include "draw/sink.h"

// Paints the verbs on context in its current user space, one unit per canvas pixel. Text is set in
// DejaVu Sans Mono at the raster font's pixel size, stretched to the raster text's width so that
// the boxes drawn round it still hold it; exclusive-or drawing becomes the difference operator.
class CairoSink final : public DrawSink {
public:
    explicit CairoSink(cairo_t* context) : context_(context) {}
    // Paints the whole surface white.
    void clear();
    void line(double x1, double y1, double x2, double y2, const DrawPaint& paint) override;
    void box(double x, double y, double width, double height, const DrawPaint& paint) override;
    void circle(double x, double y, int radius, const DrawPaint& paint) override;
    void text(double x, double y, std::string_view text, const DrawTextPlace& place, const DrawPaint& paint) override;

private:
    void use_paint(int colour, int mode);
    cairo_t* context_;
};

// Sets context's source to a draw_rgb colour (red in bits 0-7, green 8-15, blue 16-23).
void cairo_use_colour(cairo_t* context, int colour);

// A white 24-bit picture of width x height pixels painted by paint on a cairo image surface whose
// user space is a canvas of canvas_width x canvas_height pixels stretched over the picture, so
// that every line, marker and text drawn on the canvas grows with it. paint receives the sink and
// makes its own outputs over it (draw_sink_output(&sink, canvas_width, canvas_height, ...)), one
// per pass. False (picture left empty) when a size is below 1 or the surface cannot be made.
bool paint_scaled_picture(int width, int height, int canvas_width, int canvas_height,
                          const std::function<void(CairoSink& sink)>& paint, Picture& picture);

// The drawing verbs painted on a cairo context. Lines are one unit wide with square caps through
// the pixel centres the sink hands over; a filled circle reaches half a pixel beyond its radius,
// as its raster pixels do; an outlined box runs through its edge pixels' centres.
#include "app/export/cairo_surface.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr const char* PICTURE_FONT = "DejaVu Sans Mono";  // the raster font's family

}  // namespace

void cairo_use_colour(cairo_t* context, int colour)
{
    cairo_set_source_rgb(context, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                         ((colour >> 16) & 0xFF) / 255.0);
}

void CairoSink::use_paint(int colour, int mode)
{
    cairo_use_colour(context_, colour);
    cairo_set_operator(context_, (mode & DRAW_MODE_XOR) ? CAIRO_OPERATOR_DIFFERENCE : CAIRO_OPERATOR_OVER);
}

void CairoSink::clear()
{
    cairo_save(context_);
    cairo_set_operator(context_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(context_, 1, 1, 1);
    cairo_paint(context_);
    cairo_restore(context_);
}

void CairoSink::line(double x1, double y1, double x2, double y2, const DrawPaint& paint)
{
    use_paint(paint.colour, paint.mode);
    cairo_set_line_width(context_, 1.0);
    cairo_set_line_cap(context_, CAIRO_LINE_CAP_SQUARE);
    cairo_move_to(context_, x1, y1);
    cairo_line_to(context_, x2, y2);
    cairo_stroke(context_);
}

void CairoSink::box(double x, double y, double width, double height, const DrawPaint& paint)
{
    use_paint(paint.colour, paint.mode);
    if ((paint.mode & DRAW_MODE_OUTLINE) && width > 2 && height > 2) {
        cairo_set_line_width(context_, 1.0);
        cairo_rectangle(context_, x + 0.5, y + 0.5, width - 1, height - 1);
        cairo_stroke(context_);
    } else {
        cairo_rectangle(context_, x, y, width, height);
        cairo_fill(context_);
    }
}

void CairoSink::circle(double x, double y, int radius, const DrawPaint& paint)
{
    use_paint(paint.colour, paint.mode);
    if (paint.mode & DRAW_MODE_OUTLINE) {
        cairo_set_line_width(context_, 1.0);
        cairo_arc(context_, x, y, radius, 0, 2 * M_PI);
        cairo_stroke(context_);
    } else {
        cairo_arc(context_, x, y, radius + 0.5, 0, 2 * M_PI);
        cairo_fill(context_);
    }
}

void CairoSink::text(double x, double y, std::string_view text, const DrawTextPlace& place, const DrawPaint& paint)
{
    if ((paint.mode & DRAW_MODE_TRANSPARENT) == 0) {
        use_paint(paint.back_colour, paint.mode);
        cairo_rectangle(context_, x, y, static_cast<double>(place.advance), place.line_height);
        cairo_fill(context_);
    }
    const std::string utf8 = draw_text_utf8(text);
    use_paint(paint.colour, paint.mode);
    cairo_select_font_face(context_, PICTURE_FONT, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(context_, place.pixel_size);
    cairo_text_extents_t extents;
    cairo_text_extents(context_, utf8.c_str(), &extents);
    cairo_save(context_);
    cairo_translate(context_, x, y + place.ascent);
    if (extents.x_advance > 0)
        cairo_scale(context_, static_cast<double>(place.advance) / extents.x_advance, 1.0);
    cairo_move_to(context_, 0, 0);
    cairo_show_text(context_, utf8.c_str());
    cairo_restore(context_);
}

bool paint_scaled_picture(int width, int height, int canvas_width, int canvas_height,
                          const std::function<void(CairoSink& sink)>& paint, Picture& picture)
{
    picture = Picture{};
    if (width < 1 || height < 1 || canvas_width < 1 || canvas_height < 1)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* context = cairo_create(surface);
    cairo_set_source_rgb(context, 1, 1, 1);
    cairo_paint(context);
    cairo_scale(context, static_cast<double>(width) / canvas_width, static_cast<double>(height) / canvas_height);
    CairoSink sink(context);
    paint(sink);
    cairo_surface_flush(surface);
    const bool made = cairo_status(context) == CAIRO_STATUS_SUCCESS && picture_make(picture, width, height, 24);
    if (made) {
        // RGB24 keeps each pixel as a native 32-bit 0x00RRGGBB; the picture wants bytes B, G, R.
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height; ++y) {
            const auto* source = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            std::uint8_t* row = picture_row(picture, y);
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(source[x] & 0xFF);
                row[3 * x + 1] = static_cast<std::uint8_t>((source[x] >> 8) & 0xFF);
                row[3 * x + 2] = static_cast<std::uint8_t>((source[x] >> 16) & 0xFF);
            }
        }
    }
    cairo_destroy(context);
    cairo_surface_destroy(surface);
    return made;
}

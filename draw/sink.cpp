// Drawing outputs that hand their verbs to a sink: the verbs cut to the canvas and turned into the
// numbers of draw/sink.h, and the UTF-8 form of the program's Windows-1252 texts.
#include "draw/sink.h"

#include <algorithm>
#include <cmath>

#include "draw/clip.h"
#include "draw/draw_internal.h"

namespace {

constexpr double MARGIN = 2.0;  // lines are cut to the canvas grown by this, pixels

DrawPaint paint_of(const DrawOutput& out)
{
    return DrawPaint{out.colour, out.back_colour, out.mode};
}

}  // namespace

void DrawSink::line(double, double, double, double, const DrawPaint&) {}
void DrawSink::box(double, double, double, double, const DrawPaint&) {}
void DrawSink::circle(double, double, int, const DrawPaint&) {}
void DrawSink::text(double, double, std::string_view, const DrawTextPlace&, const DrawPaint&) {}

void sink_line(DrawOutput& out, long long x1, long long y1, long long x2, long long y2)
{
    double ax = static_cast<double>(x1) + 0.5;
    double ay = static_cast<double>(y1) + 0.5;
    double bx = static_cast<double>(x2) + 0.5;
    double by = static_cast<double>(y2) + 0.5;
    if (clip_segment_to_box(ax, ay, bx, by, -MARGIN, -MARGIN, out.width + MARGIN, out.height + MARGIN))
        out.sink->line(ax, ay, bx, by, paint_of(out));
}

bool cut_box(const DrawOutput& out, long long x, long long y, long long width, long long height, long long& left,
             long long& top, long long& right, long long& bottom)
{
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    left = std::max(x, -1LL);
    top = std::max(y, -1LL);
    right = std::min(x + width, out.width + 1LL);
    bottom = std::min(y + height, out.height + 1LL);
    return width != 0 && height != 0 && right > left && bottom > top;
}

void sink_box(DrawOutput& out, long long x, long long y, long long width, long long height)
{
    long long left = 0, top = 0, right = 0, bottom = 0;
    if (!cut_box(out, x, y, width, height, left, top, right, bottom))
        return;
    out.sink->box(static_cast<double>(left), static_cast<double>(top), static_cast<double>(right - left),
                  static_cast<double>(bottom - top), paint_of(out));
}

void sink_circle(DrawOutput& out, long long x, long long y, int radius)
{
    const double cx = static_cast<double>(x) + 0.5;
    const double cy = static_cast<double>(y) + 0.5;
    const double r = radius + 1.0;
    if (cx + r < -MARGIN || cy + r < -MARGIN || cx - r > out.width + MARGIN || cy - r > out.height + MARGIN)
        return;
    // A circle holding the whole canvas covers it (filled) or misses it (outlined).
    double farthest = 0.0;
    for (const double corner_x : {0.0, static_cast<double>(out.width)})
        for (const double corner_y : {0.0, static_cast<double>(out.height)})
            farthest = std::max(farthest, std::hypot(corner_x - cx, corner_y - cy));
    if (farthest + 1.0 < radius) {
        if ((out.mode & DRAW_MODE_OUTLINE) == 0)
            out.sink->box(0, 0, out.width, out.height, paint_of(out));
        return;
    }
    out.sink->circle(cx, cy, radius, paint_of(out));
}

int sink_text(DrawOutput& out, int x, int y, std::string_view text)
{
    TextMetrics metrics;
    if (text.empty() || !text_metrics(text, metrics))
        return x;
    const int end_x = static_cast<int>(std::min<long long>(static_cast<long long>(x) + metrics.advance, 0x7FFFFFFF));
    const long long left = static_cast<long long>(x) + out.origin_x;
    const long long top = static_cast<long long>(y) + out.origin_y;
    if (left + metrics.advance <= 0 || left >= out.width || top + metrics.line_height <= 0 || top >= out.height)
        return end_x;
    const DrawTextPlace place{metrics.advance, metrics.ascent, metrics.line_height, metrics.pixel_size};
    out.sink->text(static_cast<double>(left), static_cast<double>(top), text, place, paint_of(out));
    return end_x;
}

void append_utf8(std::string& text, unsigned long code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | ((code >> 12) & 0x0F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string draw_text_utf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (const char ch : text) {
        const unsigned long code = text_code_point(static_cast<unsigned char>(ch));
        append_utf8(utf8, code == 0 ? 0xFFFD : code);
    }
    return utf8;
}

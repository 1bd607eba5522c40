// The SVG recorder: the verbs of the current output kept as elements (see draw/svg.h for the
// rules); draw/svg_writer.cpp makes the document of them.
#include "draw/svg.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "draw/clip.h"
#include "draw/draw_internal.h"
#include "draw/svg_internal.h"

namespace {

constexpr double MARGIN = 2.0;       // elements are clipped to the canvas grown by this, pixels
constexpr double FAR_LIMIT = 4.0e6;  // circles beyond this (centre or radius) are left out

// Cuts the segment to the canvas grown by MARGIN (Liang-Barsky); false when nothing is left.
bool clip_segment(const DrawOutput& out, double& x1, double& y1, double& x2, double& y2)
{
    return clip_segment_to_box(x1, y1, x2, y2, -MARGIN, -MARGIN, out.width + MARGIN, out.height + MARGIN);
}

void record(DrawOutput& out, SvgElement::Kind kind, bool outline, int colour, double a, double b, double c, double d)
{
    if (out.recorder->elements.size() >= std::numeric_limits<std::uint32_t>::max() - 1)
        return;  // the writer numbers the elements in 32 bits
    SvgElement element;
    element.kind = kind;
    element.outline = outline;
    element.difference = (out.mode & DRAW_MODE_XOR) != 0;
    element.colour = colour & 0xFFFFFF;
    element.a = a;
    element.b = b;
    element.c = c;
    element.d = d;
    out.recorder->elements.push_back(element);
    svg_note_element(*out.recorder);
}

void record_box(DrawOutput& out, bool outline, int colour, double x, double y, double width, double height)
{
    record(out, SvgElement::Kind::Box, outline, colour, x, y, width, height);
}

}  // namespace

void svg_recorder_start(SvgRecorder& recorder, int width, int height)
{
    recorder = SvgRecorder{};
    recorder.width = std::max(width, 0);
    recorder.height = std::max(height, 0);
}

bool svg_record_line(DrawOutput& out, long long x1, long long y1, long long x2, long long y2)
{
    double ax = static_cast<double>(x1) + 0.5;
    double ay = static_cast<double>(y1) + 0.5;
    double bx = static_cast<double>(x2) + 0.5;
    double by = static_cast<double>(y2) + 0.5;
    if (clip_segment(out, ax, ay, bx, by)) {
        record(out, SvgElement::Kind::Line, true, out.colour, ax, ay, bx, by);
    }
    return out.bits == nullptr;
}

bool svg_record_box(DrawOutput& out, long long x, long long y, long long width, long long height)
{
    long long left = 0, top = 0, right = 0, bottom = 0;
    if (!cut_box(out, x, y, width, height, left, top, right, bottom)) {
        return out.bits == nullptr;
    }
    const double w = static_cast<double>(right - left);
    const double h = static_cast<double>(bottom - top);
    if ((out.mode & DRAW_MODE_OUTLINE) && w > 2 && h > 2) {
        record_box(out, true, out.colour, static_cast<double>(left) + 0.5, static_cast<double>(top) + 0.5, w - 1,
                   h - 1);
    } else {
        record_box(out, false, out.colour, static_cast<double>(left), static_cast<double>(top), w, h);
    }
    return out.bits == nullptr;
}

bool svg_record_circle(DrawOutput& out, long long x, long long y, int radius)
{
    const bool outline = (out.mode & DRAW_MODE_OUTLINE) != 0;
    const double cx = static_cast<double>(x) + 0.5;
    const double cy = static_cast<double>(y) + 0.5;
    const double r = outline ? radius : radius + 0.5;
    // A circle that holds the whole canvas: a filled one covers it, an outlined one misses it.
    double farthest = 0.0;
    for (const double corner_x : {0.0, static_cast<double>(out.width)}) {
        for (const double corner_y : {0.0, static_cast<double>(out.height)}) {
            farthest = std::max(farthest, std::hypot(corner_x - cx, corner_y - cy));
        }
    }
    if (farthest + 1.0 < r) {
        if (!outline) {
            record_box(out, false, out.colour, 0, 0, out.width, out.height);
        }
        return out.bits == nullptr;
    }
    const bool far = std::fabs(cx) > FAR_LIMIT || std::fabs(cy) > FAR_LIMIT || r > FAR_LIMIT;
    const bool outside = cx + r < -MARGIN || cy + r < -MARGIN || cx - r > out.width + MARGIN ||
                         cy - r > out.height + MARGIN;
    if (!far && !outside && r > 0.0) {  // an outline of radius 0 shows nothing
        record(out, SvgElement::Kind::Circle, outline, out.colour, cx, cy, r, 0.0);
    }
    return out.bits == nullptr;
}

bool svg_record_text(DrawOutput& out, int x, int y, std::string_view text, int& end_x)
{
    end_x = x;
    TextMetrics metrics;
    if (text.empty() || !text_metrics(text, metrics)) {
        return out.bits == nullptr;
    }
    end_x = static_cast<int>(std::min<long long>(static_cast<long long>(x) + metrics.advance, 0x7FFFFFFF));
    const long long left = static_cast<long long>(x) + out.origin_x;
    const long long top = static_cast<long long>(y) + out.origin_y;
    if (left + metrics.advance <= 0 || left >= out.width || top + metrics.line_height <= 0 || top >= out.height) {
        return out.bits == nullptr;
    }
    SvgRecorder& recorder = *out.recorder;
    if (recorder.texts.size() + text.size() > std::numeric_limits<std::uint32_t>::max()) {
        return out.bits == nullptr;  // beyond four gigabytes of text: left out
    }
    if ((out.mode & DRAW_MODE_TRANSPARENT) == 0) {
        record_box(out, false, out.back_colour, static_cast<double>(left), static_cast<double>(top),
                   static_cast<double>(metrics.advance), metrics.line_height);
    }
    record(out, SvgElement::Kind::Text, false, out.colour, static_cast<double>(left),
           static_cast<double>(top + metrics.ascent), static_cast<double>(metrics.advance), metrics.pixel_size);
    recorder.elements.back().text_start = static_cast<std::uint32_t>(recorder.texts.size());
    recorder.elements.back().text_size = static_cast<std::uint32_t>(text.size());
    recorder.texts += text;
    return out.bits == nullptr;
}

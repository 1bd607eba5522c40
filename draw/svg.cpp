// The SVG recorder: elements for the verbs of the current output, grouped by paint, and the
// finished document (see draw/svg.h for the rules).
//
// Consecutive elements with the same paint share one <g> element carrying it, so a model of many
// members in one colour costs one short <line> per member. Coordinates are written as the shortest
// decimal that reads back exactly.
#include "draw/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "draw/clip.h"
#include "draw/draw_internal.h"

namespace {

constexpr double MARGIN = 2.0;       // elements are clipped to the canvas grown by this, pixels
constexpr double FAR_LIMIT = 4.0e6;  // circles beyond this (centre or radius) are left out
constexpr const char* FONT_FAMILY = "DejaVu Sans Mono, monospace";

void append_number(std::string& text, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

void append_attribute(std::string& text, const char* name, double value)
{
    text += ' ';
    text += name;
    text += "=\"";
    append_number(text, value);
    text += '"';
}

// "#rrggbb" of a draw_rgb colour.
std::string hex_colour(int colour)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return buffer;
}

// Opens a <g> with attributes unless the open one has them already.
void use_group(SvgRecorder& recorder, const std::string& attributes)
{
    if (recorder.group == attributes) {
        return;
    }
    if (!recorder.group.empty()) {
        recorder.body += "</g>\n";
    }
    recorder.group = attributes;
    recorder.body += "<g" + attributes + ">\n";
}

std::string stroke_group(int colour)
{
    return " fill=\"none\" stroke=\"" + hex_colour(colour) + "\" stroke-linecap=\"square\"";
}

std::string fill_group(int colour)
{
    return " fill=\"" + hex_colour(colour) + "\"";
}

// Ends an element, blending it by difference in exclusive-or mode.
void close_element(std::string& text, const DrawOutput& out)
{
    text += (out.mode & DRAW_MODE_XOR) ? " style=\"mix-blend-mode:difference\"/>\n" : "/>\n";
}

// Cuts the segment to the canvas grown by MARGIN (Liang-Barsky); false when nothing is left.
bool clip_segment(const DrawOutput& out, double& x1, double& y1, double& x2, double& y2)
{
    return clip_segment_to_box(x1, y1, x2, y2, -MARGIN, -MARGIN, out.width + MARGIN, out.height + MARGIN);
}

void record_rect(SvgRecorder& recorder, const DrawOutput& out, double x, double y, double width, double height)
{
    std::string& body = recorder.body;
    body += "<rect";
    append_attribute(body, "x", x);
    append_attribute(body, "y", y);
    append_attribute(body, "width", width);
    append_attribute(body, "height", height);
    close_element(body, out);
}

// The text's bytes as XML character data: markup characters escaped, bytes read as Windows-1252 and
// written as UTF-8, control characters (not allowed in XML) as spaces.
std::string xml_text(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (byte) {
        case '&':
            escaped += "&amp;";
            continue;
        case '<':
            escaped += "&lt;";
            continue;
        case '>':
            escaped += "&gt;";
            continue;
        default:
            break;
        }
        unsigned long code = text_code_point(byte);
        if (code < 0x20 || code == 0x7F) {
            code = ' ';
        }
        if (code == 0) {
            code = 0xFFFD;
        }
        append_utf8(escaped, code);
    }
    return escaped;
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
        SvgRecorder& recorder = *out.recorder;
        use_group(recorder, stroke_group(out.colour));
        recorder.body += "<line";
        append_attribute(recorder.body, "x1", ax);
        append_attribute(recorder.body, "y1", ay);
        append_attribute(recorder.body, "x2", bx);
        append_attribute(recorder.body, "y2", by);
        close_element(recorder.body, out);
    }
    return out.bits == nullptr;
}

bool svg_record_box(DrawOutput& out, long long x, long long y, long long width, long long height)
{
    long long left = 0, top = 0, right = 0, bottom = 0;
    if (!cut_box(out, x, y, width, height, left, top, right, bottom)) {
        return out.bits == nullptr;
    }
    SvgRecorder& recorder = *out.recorder;
    const double w = static_cast<double>(right - left);
    const double h = static_cast<double>(bottom - top);
    if ((out.mode & DRAW_MODE_OUTLINE) && w > 2 && h > 2) {
        use_group(recorder, stroke_group(out.colour));
        record_rect(recorder, out, static_cast<double>(left) + 0.5, static_cast<double>(top) + 0.5, w - 1, h - 1);
    } else {
        use_group(recorder, fill_group(out.colour));
        record_rect(recorder, out, static_cast<double>(left), static_cast<double>(top), w, h);
    }
    return out.bits == nullptr;
}

bool svg_record_circle(DrawOutput& out, long long x, long long y, int radius)
{
    SvgRecorder& recorder = *out.recorder;
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
            use_group(recorder, fill_group(out.colour));
            record_rect(recorder, out, 0, 0, out.width, out.height);
        }
        return out.bits == nullptr;
    }
    const bool far = std::fabs(cx) > FAR_LIMIT || std::fabs(cy) > FAR_LIMIT || r > FAR_LIMIT;
    const bool outside = cx + r < -MARGIN || cy + r < -MARGIN || cx - r > out.width + MARGIN ||
                         cy - r > out.height + MARGIN;
    if (!far && !outside) {
        use_group(recorder, outline ? stroke_group(out.colour) : fill_group(out.colour));
        recorder.body += "<circle";
        append_attribute(recorder.body, "cx", cx);
        append_attribute(recorder.body, "cy", cy);
        append_attribute(recorder.body, "r", r);
        close_element(recorder.body, out);
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
    if ((out.mode & DRAW_MODE_TRANSPARENT) == 0) {
        use_group(recorder, fill_group(out.back_colour));
        record_rect(recorder, out, static_cast<double>(left), static_cast<double>(top),
                    static_cast<double>(metrics.advance), metrics.line_height);
    }
    std::string attributes = fill_group(out.colour) + " font-family=\"" + FONT_FAMILY + "\" font-size=\"" +
                             std::to_string(metrics.pixel_size) + "\" xml:space=\"preserve\"";
    use_group(recorder, attributes);
    std::string& body = recorder.body;
    body += "<text";
    append_attribute(body, "x", static_cast<double>(left));
    append_attribute(body, "y", static_cast<double>(top + metrics.ascent));
    append_attribute(body, "textLength", static_cast<double>(metrics.advance));
    body += " lengthAdjust=\"spacing\"";
    if (out.mode & DRAW_MODE_XOR) {
        body += " style=\"mix-blend-mode:difference\"";
    }
    body += '>';
    body += xml_text(text);
    body += "</text>\n";
    return out.bits == nullptr;
}

std::string svg_document(const SvgRecorder& recorder)
{
    std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"";
    append_attribute(document, "width", recorder.width * recorder.scale);
    append_attribute(document, "height", recorder.height * recorder.scale);
    document += " viewBox=\"0 0 " + std::to_string(recorder.width) + ' ' + std::to_string(recorder.height) + "\">\n";
    if (recorder.background >= 0) {
        document += "<rect width=\"100%\" height=\"100%\" fill=\"" + hex_colour(recorder.background) + "\"/>\n";
    }
    document.reserve(document.size() + recorder.body.size() + 16);
    document += recorder.body;
    if (!recorder.group.empty()) {
        document += "</g>\n";
    }
    document += "</svg>\n";
    return document;
}

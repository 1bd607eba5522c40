// The SVG document of a recorder's elements, written as it is made into a string or a stream.
//
// Three steps keep a document of many members small without changing what it shows:
//  - an element whose pixels a later element covers exactly is left out: a crisp one (an axis-
//    parallel line through pixel centres, a box on pixel edges, covering whole pixels) under a
//    later opaque crisp element of the same pixels in any paint, any other under a later equal
//    element of the same paint (the recorder drops most of them as they come, svg_note_element);
//  - elements of one paint (fill or stroke colour) share one path, the last path of that paint:
//    an element joins it when no element drawn in a later path comes near it (a grid of cells
//    over the canvas holds the last path drawn into each cell), else it opens a new path, so
//    whatever overlaps keeps its order; exclusive-or elements and texts stand alone;
//  - path data is relative where the numbers are exact (whole and half pixels), numbers are the
//    shortest decimals that read back exactly, colours come from a table.
#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "draw/draw_internal.h"
#include "draw/svg.h"
#include "draw/svg_internal.h"

namespace {

constexpr const char* FONT_FAMILY = "DejaVu Sans Mono, monospace";
constexpr int CELL = 8;                 // side of a grid cell, pixels
constexpr double NEAR = 2.0;            // an element's reach beyond its geometry (line width, caps, smoothing), pixels
constexpr std::size_t CHUNK = 1 << 16;  // bytes gathered before a write to the stream

// The document's bytes on their way to a string or a stream.
class Output {
public:
    explicit Output(std::string& text) : text_(text) {}
    explicit Output(std::FILE* stream) : text_(buffer_), stream_(stream) {}

    void put(std::string_view bytes) { text_.append(bytes); }
    void put(char ch) { text_.push_back(ch); }
    // Hands what is gathered to the stream once it is large enough.
    void pass_on()
    {
        if (stream_ != nullptr && text_.size() >= CHUNK)
            flush();
    }
    bool finish()
    {
        if (stream_ != nullptr) {
            flush();
            if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0)
                failed_ = true;
        }
        return !failed_;
    }

private:
    void flush()
    {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), stream_) != text_.size())
            failed_ = true;
        text_.clear();
    }

    std::string buffer_;
    std::string& text_;
    std::FILE* stream_ = nullptr;
    bool failed_ = false;
};

// "rrggbb" of every byte value's pair of hex digits, for colours.
struct HexTable {
    char pairs[256][2];
    constexpr HexTable() : pairs()
    {
        constexpr const char* digits = "0123456789abcdef";
        for (int i = 0; i < 256; ++i) {
            pairs[i][0] = digits[i >> 4];
            pairs[i][1] = digits[i & 15];
        }
    }
};
constexpr HexTable HEX;

// "#rrggbb" of a draw_rgb colour.
void put_colour(Output& out, int colour)
{
    char text[7] = {'#'};
    for (int k = 0; k < 3; ++k) {
        const int byte = (colour >> (8 * k)) & 0xFF;
        text[1 + 2 * k] = HEX.pairs[byte][0];
        text[2 + 2 * k] = HEX.pairs[byte][1];
    }
    out.put(std::string_view(text, 7));
}

// The shortest decimal that reads back as value; without the leading zero when short is set.
std::string_view number_text(char (&buffer)[32], double value, bool short_form)
{
    if (value == 0.0)
        value = 0.0;  // no "-0"
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    char* begin = buffer;
    if (short_form) {
        const bool negative = buffer[0] == '-';
        char* zero = buffer + (negative ? 1 : 0);
        if (zero[0] == '0' && zero + 1 < end && zero[1] == '.') {
            if (negative)
                zero[0] = '-';
            begin = negative ? zero : zero + 1;
        }
    }
    return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

void put_attribute(Output& out, const char* name, double value)
{
    char buffer[32];
    out.put(' ');
    out.put(name);
    out.put("=\"");
    out.put(number_text(buffer, value, false));
    out.put('"');
}

// True for a whole or half pixel: differences of such numbers are exact.
bool exact(double value)
{
    return std::fabs(value) < 1.0e12 && value * 2.0 == std::floor(value * 2.0);
}

bool half(double value)
{
    return value - std::floor(value) == 0.5;
}

bool whole(double value)
{
    return value == std::floor(value);
}

// Path data of elements, tracking the current point for relative commands.
class PathData {
public:
    explicit PathData(Output& out) : out_(out) {}

    void element(const SvgElement& e)
    {
        switch (e.kind) {
        case SvgElement::Kind::Line:
            move(e.a, e.b);
            if (exact(e.a) && exact(e.b) && exact(e.c) && exact(e.d)) {
                const double dx = e.c - e.a, dy = e.d - e.b;
                if (dy == 0.0) {
                    command('h', dx);
                } else if (dx == 0.0) {
                    command('v', dy);
                } else {
                    command('l', dx);
                    number(dy);
                }
            } else {
                command('L', e.c);
                number(e.d);
            }
            x_ = e.c;
            y_ = e.d;
            break;
        case SvgElement::Kind::Box:
            // Clockwise, as the circles below: filled subpaths that overlap add up, never cut holes.
            move(e.a, e.b);
            command('h', e.c);
            command('v', e.d);
            command('h', -e.c);
            out_.put('z');
            last_ = 'z';
            break;
        case SvgElement::Kind::Circle:
            move(e.a + e.c, e.b);
            for (const double dx : {-2.0 * e.c, 2.0 * e.c}) {
                command('a', e.c);
                number(e.c);
                out_.put(" 0 1 1");
                last_ = '1';
                number(dx);
                number(0.0);
            }
            out_.put('z');
            last_ = 'z';
            break;
        case SvgElement::Kind::Text:
            break;
        }
    }

private:
    void move(double x, double y)
    {
        if (started_ && exact(x) && exact(y) && exact(x_) && exact(y_)) {
            command('m', x - x_);
            number(y - y_);
        } else {
            command('M', x);
            number(y);
        }
        started_ = true;
        x_ = x;
        y_ = y;
    }
    void command(char letter, double value)
    {
        out_.put(letter);
        last_ = letter;
        number(value);
    }
    void number(double value)
    {
        char buffer[32];
        const std::string_view text = number_text(buffer, value, true);
        if ((std::isdigit(static_cast<unsigned char>(last_)) || last_ == '.') && text[0] != '-')
            out_.put(' ');
        out_.put(text);
        last_ = text.back();
    }

    Output& out_;
    bool started_ = false;
    double x_ = 0.0, y_ = 0.0;
    char last_ = 0;
};

// The text's bytes as XML character data: markup characters escaped, bytes read as Windows-1252 and
// written as UTF-8, control characters (not allowed in XML) as spaces.
void put_xml_text(Output& out, std::string_view text)
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
    out.put(escaped);
}

// What a crisp element or an element of one paint covers, for finding the elements hidden by a
// later one.
struct Cover {
    double a, b, c, d;
    int tag;  // kind and outline, and the colour unless crisp
    bool operator==(const Cover&) const = default;
};

// A hash of cover, well mixed in its low bits.
std::size_t cover_hash(const Cover& cover)
{
    std::uint64_t hash = static_cast<std::uint64_t>(cover.tag) * 0x9E3779B97F4A7C15ULL;
    for (const double value : {cover.a, cover.b, cover.c, cover.d}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        hash = (hash ^ bits) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 32;
    }
    return static_cast<std::size_t>(hash);
}

// The cover of e; crisp when e covers whole pixels and nothing beside them.
Cover cover_of(const SvgElement& e, bool& crisp)
{
    Cover cover{e.a, e.b, e.c, e.d, static_cast<int>(e.kind) * 2 + (e.outline ? 1 : 0)};
    switch (e.kind) {
    case SvgElement::Kind::Line:
        crisp = (e.a == e.c || e.b == e.d) && half(e.a) && half(e.b) && half(e.c) && half(e.d);
        if (std::pair(cover.c, cover.d) < std::pair(cover.a, cover.b)) {  // a line is the same either way
            std::swap(cover.a, cover.c);
            std::swap(cover.b, cover.d);
        }
        break;
    case SvgElement::Kind::Box:
        crisp = e.outline ? half(e.a) && half(e.b) && whole(e.c) && whole(e.d)
                          : whole(e.a) && whole(e.b) && whole(e.c) && whole(e.d);
        break;
    default:
        crisp = false;
        break;
    }
    if (!crisp)
        cover.tag += 8 * (e.colour + 1);
    return cover;
}

// The covers of some elements, by open addressing over the elements' numbers (no allocation each).
class CoverSet {
public:
    explicit CoverSet(const std::vector<SvgElement>& elements) : elements_(elements)
    {
        std::size_t size = 16;
        while (size < 2 * elements.size())
            size *= 2;
        slots_.assign(size, 0);
    }

    // True when an element of the set has cover; else false, and element k is added when add is set.
    bool find(const Cover& cover, std::size_t k, bool add)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = cover_hash(cover) & mask;; at = (at + 1) & mask) {
            const std::uint32_t slot = slots_[at];
            if (slot == 0) {
                if (add)
                    slots_[at] = static_cast<std::uint32_t>(k + 1);
                return false;
            }
            bool crisp = false;
            if (cover_of(elements_[slot - 1], crisp) == cover)
                return true;
        }
    }

private:
    const std::vector<SvgElement>& elements_;
    std::vector<std::uint32_t> slots_;  // an element's number + 1, 0 for none
};

// For each element, whether a later element hides it.
std::vector<bool> hidden_elements(const std::vector<SvgElement>& elements)
{
    std::vector<bool> hidden(elements.size(), false);
    CoverSet later(elements);
    for (std::size_t k = elements.size(); k-- > 0;) {
        const SvgElement& e = elements[k];
        if (e.kind == SvgElement::Kind::Text)
            continue;
        bool crisp = false;
        const Cover cover = cover_of(e, crisp);
        if (!crisp && e.difference)
            continue;  // blended with what lies under it: neither hidden by an equal one nor hiding one
        hidden[k] = later.find(cover, k, !e.difference) || e.hidden;
    }
    return hidden;
}

// The grid of cells over the canvas, each holding the last path drawn into it (-1 none).
class Grid {
public:
    Grid(int width, int height)
        : columns_(std::max(width, 1) / CELL + 1),
          rows_(std::max(height, 1) / CELL + 1),
          cells_(static_cast<std::size_t>(columns_) * rows_, -1)
    {
    }

    // The last path drawn near e.
    int last_near(const SvgElement& e)
    {
        int last = -1;
        visit(e, [&](int& cell) { last = std::max(last, cell); });
        return last;
    }
    // Marks the cells near e as drawn into by path.
    void mark(const SvgElement& e, int path)
    {
        visit(e, [&](int& cell) { cell = std::max(cell, path); });
    }

private:
    template <typename F>
    void visit_box(double left, double top, double right, double bottom, F&& f)
    {
        const auto column = [this](double x) {
            return static_cast<int>(std::clamp(std::floor(x / CELL), 0.0, static_cast<double>(columns_ - 1)));
        };
        const auto row = [this](double y) {
            return static_cast<int>(std::clamp(std::floor(y / CELL), 0.0, static_cast<double>(rows_ - 1)));
        };
        const int c0 = column(left), c1 = column(right), r1 = row(bottom);
        for (int r = row(top); r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c)
                f(cells_[static_cast<std::size_t>(r) * columns_ + c]);
        }
    }
    template <typename F>
    void visit(const SvgElement& e, F&& f)
    {
        switch (e.kind) {
        case SvgElement::Kind::Line: {
            // A long line in pieces of about a cell, each with its own box.
            const double length = std::hypot(e.c - e.a, e.d - e.b);
            const int pieces = static_cast<int>(std::min(std::ceil(length / CELL), 1.0e6)) + 1;
            for (int k = 0; k < pieces; ++k) {
                const double t0 = static_cast<double>(k) / pieces, t1 = static_cast<double>(k + 1) / pieces;
                const double x0 = e.a + (e.c - e.a) * t0, x1 = e.a + (e.c - e.a) * t1;
                const double y0 = e.b + (e.d - e.b) * t0, y1 = e.b + (e.d - e.b) * t1;
                visit_box(std::min(x0, x1) - NEAR, std::min(y0, y1) - NEAR, std::max(x0, x1) + NEAR,
                          std::max(y0, y1) + NEAR, f);
            }
            break;
        }
        case SvgElement::Kind::Box:
            visit_box(e.a - NEAR, e.b - NEAR, e.a + e.c + NEAR, e.b + e.d + NEAR, f);
            break;
        case SvgElement::Kind::Circle:
            visit_box(e.a - e.c - NEAR, e.b - e.c - NEAR, e.a + e.c + NEAR, e.b + e.c + NEAR, f);
            break;
        case SvgElement::Kind::Text:
            // From above the ascent to below the descent, whatever the font.
            visit_box(e.a - NEAR, e.b - 2.0 * e.d - NEAR, e.a + e.c + NEAR, e.b + e.d + NEAR, f);
            break;
        }
    }

    int columns_, rows_;
    std::vector<int> cells_;
};

// A path of one paint, or one element that stands alone (exclusive-or, text).
struct Layer {
    std::size_t first = 0;  // the layer's elements in the order array
    std::size_t count = 0;
    bool alone = false;
};

void put_text(Output& out, const SvgRecorder& recorder, const SvgElement& e)
{
    out.put("<text fill=\"");
    put_colour(out, e.colour);
    out.put('"');
    put_attribute(out, "font-size", e.d);
    put_attribute(out, "x", e.a);
    put_attribute(out, "y", e.b);
    put_attribute(out, "textLength", e.c);
    out.put(" lengthAdjust=\"spacing\"");
    if (e.difference)
        out.put(" style=\"mix-blend-mode:difference\"");
    out.put('>');
    put_xml_text(out, std::string_view(recorder.texts).substr(e.text_start, e.text_size));
    out.put("</text>\n");
}

void put_path_start(Output& out, const SvgElement& e)
{
    out.put(e.outline ? "<path stroke=\"" : "<path fill=\"");
    put_colour(out, e.colour);
    out.put(e.difference ? "\" style=\"mix-blend-mode:difference\" d=\"" : "\" d=\"");
}

bool write_document(const SvgRecorder& recorder, Output& out)
{
    const std::vector<SvgElement>& elements = recorder.elements;
    const std::vector<bool> hidden = hidden_elements(elements);

    // Each element's layer, in drawing order.
    std::vector<Layer> layers;
    std::vector<int> layer_of(elements.size(), -1);
    std::unordered_map<int, int> open_path;  // paint (colour, outline) -> its last path
    Grid grid(recorder.width, recorder.height);
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if (hidden[k])
            continue;
        const SvgElement& e = elements[k];
        const bool alone = e.difference || e.kind == SvgElement::Kind::Text;
        const int paint = e.colour | (e.outline ? 1 << 24 : 0);
        int layer = -1;
        if (!alone) {
            const auto found = open_path.find(paint);
            if (found != open_path.end() && grid.last_near(e) <= found->second)
                layer = found->second;
        }
        if (layer < 0) {
            layer = static_cast<int>(layers.size());
            layers.push_back(Layer{0, 0, alone});
            if (!alone)
                open_path[paint] = layer;
        }
        grid.mark(e, layer);
        layer_of[k] = layer;
        ++layers[static_cast<std::size_t>(layer)].count;
    }
    std::size_t next = 0;
    for (Layer& layer : layers) {
        layer.first = next;
        next += layer.count;
        layer.count = 0;
    }
    std::vector<std::uint32_t> order(next);
    for (std::size_t k = 0; k < elements.size(); ++k) {
        if (layer_of[k] >= 0) {
            Layer& layer = layers[static_cast<std::size_t>(layer_of[k])];
            order[layer.first + layer.count++] = static_cast<std::uint32_t>(k);
        }
    }

    out.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"");
    put_attribute(out, "width", recorder.width * recorder.scale);
    put_attribute(out, "height", recorder.height * recorder.scale);
    out.put(" viewBox=\"0 0 " + std::to_string(recorder.width) + ' ' + std::to_string(recorder.height) + "\">\n");
    if (recorder.background >= 0) {
        out.put("<rect width=\"100%\" height=\"100%\" fill=\"");
        put_colour(out, recorder.background);
        out.put("\"/>\n");
    }
    out.put("<g fill=\"none\" stroke-linecap=\"square\" font-family=\"");
    out.put(FONT_FAMILY);
    out.put("\" xml:space=\"preserve\">\n");
    for (const Layer& layer : layers) {
        const SvgElement& first = elements[order[layer.first]];
        if (first.kind == SvgElement::Kind::Text) {
            put_text(out, recorder, first);
        } else {
            put_path_start(out, first);
            PathData data(out);
            for (std::size_t k = 0; k < layer.count; ++k) {
                data.element(elements[order[layer.first + k]]);
                out.pass_on();
            }
            out.put("\"/>\n");
        }
        out.pass_on();
    }
    out.put("</g>\n</svg>\n");
    return out.finish();
}

// Notes element k (the last one noted so far) in the recorder's table of covers: an earlier opaque
// element of the same cover is hidden by it.
void note(SvgRecorder& recorder, std::size_t k)
{
    const SvgElement& e = recorder.elements[k];
    if (e.kind == SvgElement::Kind::Text || e.difference || e.hidden)
        return;  // exclusive-or elements are left to the writer
    bool crisp = false;
    const Cover cover = cover_of(e, crisp);
    std::vector<std::uint32_t>& covers = recorder.covers;
    const std::size_t mask = covers.size() - 1;
    for (std::size_t at = cover_hash(cover) & mask;; at = (at + 1) & mask) {
        if (covers[at] == 0) {
            covers[at] = static_cast<std::uint32_t>(k + 1);
            return;
        }
        SvgElement& earlier = recorder.elements[covers[at] - 1];
        bool earlier_crisp = false;
        if (cover_of(earlier, earlier_crisp) == cover) {
            earlier.hidden = true;
            ++recorder.hidden;
            covers[at] = static_cast<std::uint32_t>(k + 1);
            return;
        }
    }
}

}  // namespace

std::string svg_document(const SvgRecorder& recorder)
{
    std::string document;
    Output out(document);
    write_document(recorder, out);
    return document;
}

bool svg_write(const SvgRecorder& recorder, std::FILE* stream)
{
    Output out(stream);
    return write_document(recorder, out);
}

void svg_note_element(SvgRecorder& recorder)
{
    std::vector<SvgElement>& elements = recorder.elements;
    std::vector<std::uint32_t>& covers = recorder.covers;
    if (2 * elements.size() > covers.size()) {
        // Drop the hidden elements when they are many, and make the table anew, twice as large.
        if (2 * recorder.hidden > elements.size()) {
            elements.erase(
                std::remove_if(elements.begin(), elements.end(), [](const SvgElement& e) { return e.hidden; }),
                elements.end());
            recorder.hidden = 0;
        }
        covers.assign(std::max<std::size_t>(1024, std::bit_ceil(4 * elements.size())), 0);
        for (std::size_t k = 0; k < elements.size(); ++k)
            note(recorder, k);
        return;
    }
    note(recorder, elements.size() - 1);
}

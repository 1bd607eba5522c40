// Raster primitives: spans, points, lines and boxes on the thread's current output.
//
// Pixels are written straight into the picture: plain writes set B, G, R (a 32-bit pixel keeps its
// alpha byte), exclusive-or mode XORs the colour into B, G, R. Everything is clipped against the
// whole output, 0 <= x < width and 0 <= y < height; coordinates are widened to 64 bits before any
// sum so that extreme arguments cannot overflow. An output with an SVG recorder records each verb
// first (draw/svg.cpp); one that only records draws nothing more.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "draw/draw.h"
#include "draw/draw_internal.h"

namespace {

inline void put_pixel(const DrawOutput& out, std::uint8_t* p)
{
    if (out.mode & DRAW_MODE_XOR) {
        p[0] ^= out.front.blue;
        p[1] ^= out.front.green;
        p[2] ^= out.front.red;
    } else {
        p[0] = out.front.blue;
        p[1] = out.front.green;
        p[2] = out.front.red;
    }
}

// Writes count pixels from p to the right; the caller has clipped the run.
void write_run(const DrawOutput& out, std::uint8_t* p, long long count)
{
    if ((out.mode & DRAW_MODE_XOR) == 0 && out.pixel_bytes == 3) {
        const std::uint8_t b = out.front.blue;
        const std::uint8_t g = out.front.green;
        const std::uint8_t r = out.front.red;
        const std::uint8_t block[12] = {b, g, r, b, g, r, b, g, r, b, g, r};
        for (; count >= 4; count -= 4, p += 12) {
            std::memcpy(p, block, sizeof block);
        }
        for (; count > 0; --count, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
        return;
    }
    for (; count > 0; --count, p += out.pixel_bytes) {
        put_pixel(out, p);
    }
}

inline bool inside(const DrawOutput& out, long long x, long long y)
{
    return x >= 0 && x < out.width && y >= 0 && y < out.height;
}

// Cuts the segment to lo <= a <= hi on its first coordinate a; b follows the line with the slope
// taken from the end points as they were before this cut. False when nothing is left.
bool clip_axis(long long& a1, long long& b1, long long& a2, long long& b2, long long lo, long long hi)
{
    const long long a1_in = a1;
    const long long b1_in = b1;
    const long long a2_in = a2;
    const long long b2_in = b2;
    // Only evaluated when a1 != a2 (one end inside or the ends on opposite sides).
    auto slope = [&] { return static_cast<double>(b2_in - b1_in) / static_cast<double>(a2_in - a1_in); };
    auto cut = [](double value) { return static_cast<long long>(std::trunc(value)); };
    if (a1 < lo) {
        if (a2 < lo) {
            return false;
        }
        b1 = cut(static_cast<double>(b1_in) - slope() * static_cast<double>(a1_in - lo));
        a1 = lo;
        if (a2 > hi) {
            b2 = cut(slope() * static_cast<double>(hi - a2_in) + static_cast<double>(b2_in));
            a2 = hi;
        }
    } else if (a1 > hi) {
        if (a2 > hi) {
            return false;
        }
        b1 = cut(slope() * static_cast<double>(hi - a1_in) + static_cast<double>(b1_in));
        a1 = hi;
        if (a2 < lo) {
            b2 = cut(static_cast<double>(b2_in) - slope() * static_cast<double>(a2_in - lo));
            a2 = lo;
        }
    } else if (a2 > hi) {
        b2 = cut(static_cast<double>(b2_in) + slope() * static_cast<double>(hi - a2_in));
        a2 = hi;
    } else if (a2 < lo) {
        b2 = cut(static_cast<double>(b2_in) - slope() * static_cast<double>(a2_in - lo));
        a2 = lo;
    }
    return true;
}

// One pixel in the colour c: set, or (EXCLUSIVE) XORed.
template <bool EXCLUSIVE>
inline void write_pixel(std::uint8_t* p, const DrawChannels& c)
{
    if constexpr (EXCLUSIVE) {
        p[0] ^= c.blue;
        p[1] ^= c.green;
        p[2] ^= c.red;
    } else {
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
    }
}

// The steps of bresenham below for a line with both ends inside the output, on a running address
// (the ends ordered as there: the upper end first for a steep line, the left end for a flat one).
template <bool EXCLUSIVE>
void bresenham_inside(const DrawOutput& out, long long x1, long long y1, long long x2, long long y2)
{
    const DrawChannels c = out.front;
    const long long dx = std::llabs(x2 - x1);
    const long long dy = std::llabs(y2 - y1);
    std::uint8_t* p = draw_pixel_address(out, static_cast<int>(x1), static_cast<int>(y1));
    write_pixel<EXCLUSIVE>(p, c);
    // Every step goes one pixel along the longer axis, and one across when the error term says so.
    const bool steep = dx < dy;
    const long long major = steep ? dy : dx;
    const long long minor = steep ? dx : dy;
    const std::ptrdiff_t pitch = out.pitch;  // one row down the picture is one stored row back
    const std::ptrdiff_t along = steep ? -pitch : out.pixel_bytes;
    const std::ptrdiff_t across = steep ? (x2 > x1 ? 1 : -1) * static_cast<std::ptrdiff_t>(out.pixel_bytes)
                                        : (y2 > y1 ? -pitch : pitch);
    long long e = 2 * minor - major;
    for (long long n = major; n > 0; --n) {
        if (e < 0) {
            e += 2 * minor;
        } else {
            e += 2 * (minor - major);
            p += across;
        }
        p += along;
        write_pixel<EXCLUSIVE>(p, c);
    }
}

// Bresenham between two end points, always walking from the same end so that a line and its
// reverse write the same pixels. With both ends inside the output a running address is kept;
// otherwise every pixel is checked (only reachable through rounding at the clip edges).
void bresenham(DrawOutput& out, long long x1, long long y1, long long x2, long long y2)
{
    const long long dx = std::llabs(x2 - x1);
    const long long dy = std::llabs(y2 - y1);
    if (dx < dy ? y1 > y2 : x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (inside(out, x1, y1) && inside(out, x2, y2)) {
        if (out.mode & DRAW_MODE_XOR) {
            bresenham_inside<true>(out, x1, y1, x2, y2);
        } else {
            bresenham_inside<false>(out, x1, y1, x2, y2);
        }
        return;
    }
    if (dx < dy) {
        const long long x_step = x2 > x1 ? 1 : -1;
        long long e = 2 * dx - dy;
        long long x = x1;
        draw_point(out, x, y1);
        for (long long y = y1; y < y2;) {
            if (e < 0) {
                e += 2 * dx;
            } else {
                e += 2 * (dx - dy);
                x += x_step;
            }
            ++y;
            draw_point(out, x, y);
        }
        return;
    }
    const long long y_step = y2 > y1 ? 1 : -1;
    long long e = 2 * dy - dx;
    long long y = y1;
    draw_point(out, x1, y);
    for (long long x = x1; x < x2;) {
        if (e < 0) {
            e += 2 * dy;
        } else {
            e += 2 * (dy - dx);
            y += y_step;
        }
        ++x;
        draw_point(out, x, y);
    }
}

void line_between(DrawOutput& out, long long x1, long long y1, long long x2, long long y2)
{
    if (y1 == y2) {
        draw_span_h(out, std::min(x1, x2), y1, std::llabs(x2 - x1) + 1);
        return;
    }
    if (x1 == x2) {
        draw_span_v(out, x1, std::min(y1, y2), std::llabs(y2 - y1) + 1);
        return;
    }
    if (inside(out, x1, y1) && inside(out, x2, y2)) {
        bresenham(out, x1, y1, x2, y2);  // nothing to cut
        return;
    }
    // The end points are cut, never clamped: clamping one coordinate alone would bend the line.
    if (!clip_axis(x1, y1, x2, y2, 0, out.width - 1)) {
        return;
    }
    if (!clip_axis(y1, x1, y2, x2, 0, out.height - 1)) {
        return;
    }
    bresenham(out, x1, y1, x2, y2);
}

// The lines and circles of the present runs (draw_new_line_run): the first few of a run in a short
// list, the later ones of a long run by a hash of their ends (a circle: its centre, radius and
// mode); a shape whose slot holds another is drawn again, which costs time only. Most runs hold a
// line or two between texts and colour changes, and a long run mostly lines drawn once: the list,
// and a filter of the hashes a long run has met, stay in the cache where the table, one slot a
// line, would not; the table is read only for a hash the filter has met.
struct RunShape {
    long long x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int kind = 0;  // RUN_LINE, or a circle's mode bits plus RUN_CIRCLE
};
struct RunSlot {
    std::uint64_t run = 0;  // 0: empty
    RunShape shape;
};
constexpr int RUN_LINE = 0;
constexpr int RUN_CIRCLE = 0x100;
constexpr std::size_t RUN_LINE_SLOTS = 4096;
constexpr std::size_t RUN_FIRST_LINES = 8;
constexpr std::size_t RUN_SEEN_BITS = 4096;
constexpr std::size_t RUN_SEEN_LINES = 1024;  // a long run's lines the filter takes; fuller, it rarely helps
struct RunState {
    std::uint64_t run = 0;                                 // the run the rest is about
    std::size_t first_count = 0;                           // its lines in first; all in the table beyond
    std::array<RunShape, RUN_FIRST_LINES> first;           // its first lines
    std::size_t seen_count = 0;                            // its lines that went through the filter
    std::array<std::uint64_t, RUN_SEEN_BITS / 64> seen{};  // a bit by hash of its lines in the table
};
thread_local RunState run_state;
thread_local std::array<RunSlot, RUN_LINE_SLOTS> run_lines;
thread_local std::uint64_t last_run = 0;  // runs are numbered per thread, never twice

inline bool same_shape(const RunShape& s, long long x1, long long y1, long long x2, long long y2, int kind)
{
    return s.x1 == x1 && s.y1 == y1 && s.x2 == x2 && s.y2 == y2 && s.kind == kind;
}

inline void set_shape(RunShape& s, long long x1, long long y1, long long x2, long long y2, int kind)
{
    s.x1 = x1;
    s.y1 = y1;
    s.x2 = x2;
    s.y2 = y2;
    s.kind = kind;
}

// True when the shape was drawn already in the present long run as the table holds it (it is
// noted otherwise).
bool drawn_in_table(long long x1, long long y1, long long x2, long long y2, int kind)
{
    RunState& state = run_state;
    const std::uint64_t hash = (static_cast<std::uint64_t>(x1) * 0x9E3779B97F4A7C15ULL) ^
                               (static_cast<std::uint64_t>(y1) * 0xC2B2AE3D27D4EB4FULL) ^
                               (static_cast<std::uint64_t>(x2) * 0x165667B19E3779F9ULL) ^
                               (static_cast<std::uint64_t>(y2) * 0x27D4EB2F165667C5ULL);
    RunSlot& slot = run_lines[(hash >> 40) % RUN_LINE_SLOTS];
    bool met = true;  // the filter cannot say otherwise
    if (state.seen_count < RUN_SEEN_LINES) {
        ++state.seen_count;
        const std::size_t bit = (hash >> 20) % RUN_SEEN_BITS;
        std::uint64_t& word = state.seen[bit / 64];
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        met = (word & mask) != 0;
        word |= mask;
    }
    if (met && slot.run == state.run && same_shape(slot.shape, x1, y1, x2, y2, kind)) {
        return true;
    }
    slot.run = state.run;
    set_shape(slot.shape, x1, y1, x2, y2, kind);
    return false;
}

// True when the line (or circle, by kind) was drawn already in out's present run (it is noted otherwise).
bool drawn_in_run(const DrawOutput& out, long long x1, long long y1, long long x2, long long y2, int kind = RUN_LINE)
{
    RunState& state = run_state;
    if (state.run != out.line_run) {
        state.run = out.line_run;
        state.first_count = 0;
    }
    if (state.first_count == RUN_FIRST_LINES) {
        return drawn_in_table(x1, y1, x2, y2, kind);
    }
    for (std::size_t n = 0; n < state.first_count; ++n) {
        if (same_shape(state.first[n], x1, y1, x2, y2, kind)) {
            return true;
        }
    }
    set_shape(state.first[state.first_count++], x1, y1, x2, y2, kind);
    if (state.first_count == RUN_FIRST_LINES) {
        // A long run: its lines go to the table from here on.
        state.seen.fill(0);
        state.seen_count = 0;
        for (const RunShape& s : state.first) {
            drawn_in_table(s.x1, s.y1, s.x2, s.y2, s.kind);
        }
    }
    return false;
}

// The bytes between a box's rows that fill_grey keeps aside to set the rows in one memset.
constexpr std::size_t GREY_FILL_GAP_MAX = 32;

// A plain box on a 24-bit output, cut to it, in a grey: every byte of its pixels is the same, so
// it is set with memset. When its rows lie close together in memory (a box about as wide as the
// output) one memset sets them and the few bytes between them, which are kept aside and put back;
// one large memset runs at the memory's own speed, rows one by one do not.
void fill_grey(const DrawOutput& out, long long bx, long long by, long long bw, long long bh)
{
    const auto row = static_cast<std::size_t>(bw) * 3;
    const auto pitch = static_cast<std::size_t>(out.pitch);
    const auto gaps = static_cast<std::size_t>(bh - 1);
    const std::size_t gap = pitch - row;
    const std::uint8_t value = out.front.blue;
    // Rows are stored bottom-up: the box's lowest row comes first in memory.
    std::uint8_t* first = draw_pixel_address(out, static_cast<int>(bx), static_cast<int>(by + bh - 1));
    if (gap > GREY_FILL_GAP_MAX) {
        for (std::size_t n = 0; n <= gaps; ++n) {
            std::memset(first + n * pitch, value, row);
        }
        return;
    }
    thread_local std::vector<std::uint8_t> between;
    between.resize(gaps * gap);
    for (std::size_t n = 0; n < gaps && gap > 0; ++n) {
        draw_copy_short(between.data() + n * gap, first + n * pitch + row, gap);
    }
    std::memset(first, value, gaps * pitch + row);
    for (std::size_t n = 0; n < gaps && gap > 0; ++n) {
        draw_copy_short(first + n * pitch + row, between.data() + n * gap, gap);
    }
}

}  // namespace

void draw_new_line_run(DrawOutput& out)
{
    out.line_run = ++last_run;
}

void draw_span_h(DrawOutput& out, long long x, long long y, long long length)
{
    if (y < 0 || y >= out.height) {
        return;
    }
    if (x < 0) {
        length += x;
        x = 0;
    }
    if (x + length > out.width) {
        length = out.width - x;
    }
    if (length < 1) {
        return;
    }
    write_run(out, draw_pixel_address(out, static_cast<int>(x), static_cast<int>(y)), length);
}

void draw_span_v(DrawOutput& out, long long x, long long y, long long length)
{
    if (x < 0 || x >= out.width) {
        return;
    }
    if (y < 0) {
        length += y;
        y = 0;
    }
    if (y + length > out.height) {
        length = out.height - y;
    }
    if (length < 1) {
        return;
    }
    std::uint8_t* p = draw_pixel_address(out, static_cast<int>(x), static_cast<int>(y));
    const DrawChannels c = out.front;
    const std::ptrdiff_t down = -static_cast<std::ptrdiff_t>(out.pitch);
    if (out.mode & DRAW_MODE_XOR) {
        for (; length > 0; --length, p += down) {
            write_pixel<true>(p, c);
        }
        return;
    }
    for (; length > 0; --length, p += down) {
        write_pixel<false>(p, c);
    }
}

void draw_point(DrawOutput& out, long long x, long long y)
{
    if (inside(out, x, y)) {
        put_pixel(out, draw_pixel_address(out, static_cast<int>(x), static_cast<int>(y)));
    }
}

void draw_line(int x, int y, int width, int height, int colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr || width == 0 || height == 0) {
        return;
    }
    draw_flush_texts(*out);
    draw_new_line_run(*out);
    draw_use_colour(*out, colour);
    const long long x1 = static_cast<long long>(x) + out->origin_x;
    const long long y1 = static_cast<long long>(y) + out->origin_y;
    const long long x2 = x1 + (width > 0 ? width - 1LL : width + 1LL);
    const long long y2 = y1 + (height > 0 ? height - 1LL : height + 1LL);
    if (out->sink != nullptr) {
        sink_line(*out, x1, y1, x2, y2);
        return;
    }
    if (out->recorder != nullptr && svg_record_line(*out, x1, y1, x2, y2)) {
        return;
    }
    line_between(*out, x1, y1, x2, y2);
}

void draw_line_xy(int x1, int y1, int x2, int y2, int colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr) {
        return;
    }
    draw_flush_texts(*out);
    if (colour != out->colour) {
        draw_new_line_run(*out);
    }
    draw_use_colour(*out, colour);
    if (out->sink != nullptr) {
        sink_line(*out, static_cast<long long>(x1) + out->origin_x, static_cast<long long>(y1) + out->origin_y,
                  static_cast<long long>(x2) + out->origin_x, static_cast<long long>(y2) + out->origin_y);
        return;
    }
    if (out->recorder != nullptr &&
        svg_record_line(*out, static_cast<long long>(x1) + out->origin_x, static_cast<long long>(y1) + out->origin_y,
                        static_cast<long long>(x2) + out->origin_x, static_cast<long long>(y2) + out->origin_y)) {
        return;
    }
    const long long ax = static_cast<long long>(x1) + out->origin_x;
    const long long ay = static_cast<long long>(y1) + out->origin_y;
    const long long bx = static_cast<long long>(x2) + out->origin_x;
    const long long by = static_cast<long long>(y2) + out->origin_y;
    // Drawn again in one colour over nothing else, a plain line changes no pixel.
    if ((out->mode & DRAW_MODE_XOR) == 0 && drawn_in_run(*out, ax, ay, bx, by)) {
        return;
    }
    line_between(*out, ax, ay, bx, by);
}

void draw_box(int x, int y, int width, int height, int colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr) {
        return;
    }
    draw_flush_texts(*out);
    draw_new_line_run(*out);
    draw_use_colour(*out, colour);
    long long bx = static_cast<long long>(x) + out->origin_x;
    long long by = static_cast<long long>(y) + out->origin_y;
    long long bw = width;
    long long bh = height;
    if (out->sink != nullptr) {
        sink_box(*out, bx, by, bw, bh);
        return;
    }
    if (out->recorder != nullptr && svg_record_box(*out, bx, by, bw, bh)) {
        return;
    }
    if (bw < 0) {
        bx += bw;
        bw = -bw;
    }
    if (bh < 0) {
        by += bh;
        bh = -bh;
    }
    if (out->mode & DRAW_MODE_OUTLINE) {
        // The corners belong to the horizontal spans.
        draw_span_h(*out, bx, by, bw);
        draw_span_h(*out, bx, by + bh - 1, bw);
        draw_span_v(*out, bx, by + 1, bh - 2);
        draw_span_v(*out, bx + bw - 1, by + 1, bh - 2);
        return;
    }
    if (bx < 0) {
        bw += bx;
        bx = 0;
    }
    if (by < 0) {
        bh += by;
        by = 0;
    }
    bw = std::min(bw, out->width - bx);
    bh = std::min(bh, out->height - by);
    if (bw <= 0 || bh <= 0) {
        return;
    }
    if ((out->mode & DRAW_MODE_XOR) == 0 && out->pixel_bytes == 3 && out->front.blue == out->front.green &&
        out->front.green == out->front.red) {
        fill_grey(*out, bx, by, bw, bh);
        return;
    }
    draw_span_h(*out, bx, by, bw);
    const bool copy_rows = (out->mode & DRAW_MODE_XOR) == 0 && out->pixel_bytes == 3;
    const std::uint8_t* first = draw_pixel_address(*out, static_cast<int>(bx), static_cast<int>(by));
    for (long long row = by + 1; row < by + bh; ++row) {
        if (copy_rows) {
            // A plain 24-bit row of one colour is the same bytes as the first one.
            std::memcpy(draw_pixel_address(*out, static_cast<int>(bx), static_cast<int>(row)), first,
                        static_cast<std::size_t>(bw) * 3);
        } else {
            draw_span_h(*out, bx, row, bw);
        }
    }
}

void draw_circle(int x, int y, int radius, int colour)
{
    DrawOutput* out = draw_current();
    if (out == nullptr || radius < 0) {
        return;
    }
    draw_flush_texts(*out);
    const bool plain = (out->mode & DRAW_MODE_XOR) == 0;
    if (!plain || colour != out->colour) {
        draw_new_line_run(*out);
    }
    draw_use_colour(*out, colour);
    if (out->sink != nullptr) {
        sink_circle(*out, static_cast<long long>(x) + out->origin_x, static_cast<long long>(y) + out->origin_y, radius);
        return;
    }
    if (out->recorder != nullptr && svg_record_circle(*out, static_cast<long long>(x) + out->origin_x,
                                                      static_cast<long long>(y) + out->origin_y, radius)) {
        return;
    }
    const long long cx = static_cast<long long>(x) + out->origin_x;
    const long long cy = static_cast<long long>(y) + out->origin_y;
    // Drawn again in one colour among plain lines and circles, a plain circle changes no pixel.
    if (plain && drawn_in_run(*out, cx, cy, radius, 0, RUN_CIRCLE + out->mode)) {
        return;
    }
    draw_ellipse(*out, cx, cy, radius, radius);
}

bool draw_sets_pixels_only()
{
    const DrawOutput* out = draw_current();
    return out != nullptr && out->bits != nullptr && out->recorder == nullptr && out->sink == nullptr;
}

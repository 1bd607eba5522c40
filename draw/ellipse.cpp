// Circles and ellipses: the integer ellipse routine for radii up to 700 and a row-by-row routine
// for larger ones.
//
// The integer routine walks the rows outward from the centre row while the curve is flatter than
// 45 degrees (phase 1), then the columns inward from the sides (phase 2), and produces the exact
// pixel shapes the program's small circles are known by (radius 5: rows of 5, 7, 9, 11 x 5, 9, 7,
// 5). Its error terms grow with the square of the radius, so it is kept for radii <= 700. It
// writes through the spans and points of the current output (clipped there). A small circle wholly
// inside the output (the markers, thousands of them on a large model) is written from a list of its
// pixels made once by the same routine.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "draw/draw.h"
#include "draw/draw_internal.h"

namespace {

constexpr int INTEGER_ROUTINE_LIMIT = 700;  // largest radius for the integer routine

// Set-up values of the integer routine.
struct EllipseTerms {
    long long e, f, g, h, l, m, o, s, n;
};

EllipseTerms ellipse_terms(long long rx, long long ry)
{
    EllipseTerms t{};
    t.e = 2 * ry * ry;
    t.f = 2 * t.e * rx;
    t.g = rx * rx / 2 + t.e - t.f;
    t.h = 2 * rx * rx;
    t.l = ry * ry / 2 + t.h - t.e * rx;
    t.m = 2 * t.h;
    t.o = 2 * t.e;
    t.s = 0;
    t.n = rx;
    return t;
}

void ellipse_filled(DrawOutput& out, long long cx, long long cy, long long rx, long long ry)
{
    EllipseTerms k = ellipse_terms(rx, ry);
    long long i = 0;
    long long left = cx - k.n;
    long long span = 2 * k.n + 1;
    while (k.g < 0) {
        draw_span_h(out, left, cy + i, span);
        if (i > 0) {
            draw_span_h(out, left, cy - i, span);
        }
        const bool t = k.l >= 0;
        k.s += k.m;
        i += 1;
        if (t) {
            left += 1;
            k.n -= 1;
        }
        k.g += k.s + (t ? 3 * k.e - k.f : 0);
        k.l += k.h + k.s + (t ? k.o - k.f : 0);
        if (t) {
            span -= 2;
            k.f -= k.o;
        }
    }
    long long top = cy - i;
    long long run = 1;
    do {
        draw_span_v(out, cx + k.n, cy + i, run);
        draw_span_v(out, cx + k.n, top, run);
        if (k.n > 0) {
            draw_span_v(out, cx - k.n, cy + i, run);
            draw_span_v(out, cx - k.n, top, run);
        }
        const bool t = k.g < 0;
        k.f -= k.o;
        const long long step = k.e + (t ? k.s + k.m : 0) - k.f;
        if (t) {
            run += 1;
            k.s += k.m;
            top -= 1;
        }
        k.n -= 1;
        k.g += step;
    } while (k.n >= 0);
}

void ellipse_outline(DrawOutput& out, long long cx, long long cy, long long rx, long long ry)
{
    EllipseTerms k = ellipse_terms(rx, ry);
    long long i = 0;
    long long right = cx + k.n;
    long long left = cx - k.n;
    long long below = cy;
    long long above = cy;
    for (;;) {
        below = cy + i;
        above = cy - i;
        if (k.g >= 0) {
            break;
        }
        draw_point(out, right, below);
        draw_point(out, left, below);
        if (i > 0) {
            draw_point(out, right, above);
            draw_point(out, left, above);
        }
        const bool t = k.l >= 0;
        k.s += k.m;
        if (t) {
            k.n -= 1;
        }
        k.g += k.s + (t ? 3 * k.e - k.f : 0);
        k.l += k.h + k.s + (t ? k.o - k.f : 0);
        if (t) {
            right -= 1;
            left += 1;
            k.f -= k.o;
        }
        i += 1;
    }
    do {
        draw_point(out, cx + k.n, below);
        draw_point(out, cx + k.n, above);
        if (k.n > 0) {
            draw_point(out, cx - k.n, below);
            draw_point(out, cx - k.n, above);
        }
        const bool t = k.g < 0;
        k.f -= k.o;
        const long long step = k.e + (t ? k.s + k.m : 0) - k.f;
        k.n -= 1;
        if (t) {
            k.s += k.m;
            above -= 1;
            below += 1;
        }
        k.g += step;
    } while (k.n >= 0);
}

// Half-width of row dy of a large ellipse, -1 outside it. A row belongs to the shape where
// dx^2 + dy^2 <= r^2 + r (scaled to rx on the horizontal axis), the rule that also gives the
// integer routine's small circles.
long long half_width(long long rx, long long ry, long long dy)
{
    if (dy < -ry || dy > ry) {
        return -1;
    }
    const long long n = ry * ry + ry - dy * dy;
    long long k = static_cast<long long>(std::sqrt(static_cast<long double>(n)));
    while (k > 0 && k * k > n) {
        --k;
    }
    while ((k + 1) * (k + 1) <= n) {
        ++k;
    }
    k = std::min(k, ry);
    return rx == ry ? k : k * rx / ry;
}

// Large ellipses row by row, limited to the rows inside the output.
void ellipse_rows(DrawOutput& out, long long cx, long long cy, long long rx, long long ry, bool outline)
{
    const long long first = std::max(-ry, -cy);
    const long long last = std::min(ry, out.height - 1 - cy);
    for (long long dy = first; dy <= last; ++dy) {
        const long long w = half_width(rx, ry, dy);
        if (!outline) {
            draw_span_h(out, cx - w, cy + dy, 2 * w + 1);
            continue;
        }
        // The outline is every pixel of the filled shape with a neighbour outside it.
        const long long inner = std::min(half_width(rx, ry, dy - 1), half_width(rx, ry, dy + 1));
        if (inner < 0 || w == 0) {
            draw_span_h(out, cx - w, cy + dy, 2 * w + 1);
            continue;
        }
        const long long run = std::max(w - inner, 1LL);
        draw_span_h(out, cx - w, cy + dy, run);
        draw_span_h(out, cx + w - run + 1, cy + dy, run);
    }
}

// The pixels of a small circle as the integer routine draws it, as offsets from its centre: every
// pixel it writes (what a plain circle sets) and those it writes an odd number of times (what an
// exclusive-or circle changes). Found once per thread by drawing the circle on a scratch output.
struct SmallCircle {
    std::vector<std::pair<int, int>> written;  // (dx, dy)
    std::vector<std::pair<int, int>> odd;
    int reach = 0;  // largest |dx| or |dy|
    bool ready = false;
    // The same pixels as byte offsets from the centre's first byte in an output of this pitch and
    // pixel size.
    std::vector<std::ptrdiff_t> written_bytes, odd_bytes;
    int pitch = 0, pixel_bytes = 0;
};

// Byte offsets of pixels in an output whose rows are pitch bytes apart, stored bottom-up.
std::vector<std::ptrdiff_t> pixel_offsets(const std::vector<std::pair<int, int>>& pixels, int pitch, int pixel_bytes)
{
    std::vector<std::ptrdiff_t> offsets;
    offsets.reserve(pixels.size());
    for (const auto& [dx, dy] : pixels)
        offsets.push_back(-static_cast<std::ptrdiff_t>(dy) * pitch + static_cast<std::ptrdiff_t>(dx) * pixel_bytes);
    return offsets;
}

constexpr int SMALL_CIRCLE_LIMIT = 16;                                                      // radii kept as pixel lists
thread_local std::array<std::array<SmallCircle, SMALL_CIRCLE_LIMIT + 1>, 2> small_circles;  // [outline][radius]

// The offsets of the pixels a circle of radius r drawn in mode (outline or filled, plain or
// exclusive-or) changes on the scratch output.
std::vector<std::pair<int, int>> circle_pixels(int r, bool outline, bool exclusive, int& reach)
{
    const int side = 2 * r + 5;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(side) * side * 3, 0);
    DrawOutput scratch;
    scratch.width = side;
    scratch.height = side;
    scratch.pitch = side * 3;
    scratch.bits = bits.data();
    scratch.mode = (outline ? DRAW_MODE_OUTLINE : 0) | (exclusive ? DRAW_MODE_XOR : 0);
    scratch.front.blue = 1;
    const int centre = r + 2;
    if (outline) {
        ellipse_outline(scratch, centre, centre, r, r);
    } else {
        ellipse_filled(scratch, centre, centre, r, r);
    }
    std::vector<std::pair<int, int>> pixels;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (draw_pixel_address(scratch, x, y)[0] != 0) {
                pixels.emplace_back(x - centre, y - centre);
                reach = std::max({reach, std::abs(x - centre), std::abs(y - centre)});
            }
        }
    }
    return pixels;
}

SmallCircle& small_circle(int r, bool outline)
{
    SmallCircle& circle = small_circles[outline ? 1 : 0][static_cast<std::size_t>(r)];
    if (!circle.ready) {
        circle.written = circle_pixels(r, outline, false, circle.reach);
        circle.odd = circle_pixels(r, outline, true, circle.reach);
        circle.ready = true;
    }
    return circle;
}

// A small circle wholly inside the output, from its pixel list; false (nothing drawn) otherwise.
bool small_circle_inside(DrawOutput& out, long long cx, long long cy, int r, bool outline)
{
    if (r > SMALL_CIRCLE_LIMIT || cx - r - 2 < 0 || cy - r - 2 < 0 || cx + r + 2 >= out.width ||
        cy + r + 2 >= out.height) {
        return false;
    }
    SmallCircle& circle = small_circle(r, outline);
    if (cx - circle.reach < 0 || cy - circle.reach < 0 || cx + circle.reach >= out.width ||
        cy + circle.reach >= out.height) {
        return false;
    }
    if (circle.pitch != out.pitch || circle.pixel_bytes != out.pixel_bytes) {
        circle.written_bytes = pixel_offsets(circle.written, out.pitch, out.pixel_bytes);
        circle.odd_bytes = pixel_offsets(circle.odd, out.pitch, out.pixel_bytes);
        circle.pitch = out.pitch;
        circle.pixel_bytes = out.pixel_bytes;
    }
    std::uint8_t* const centre = draw_pixel_address(out, static_cast<int>(cx), static_cast<int>(cy));
    const DrawChannels c = out.front;
    if (out.mode & DRAW_MODE_XOR) {
        for (const std::ptrdiff_t offset : circle.odd_bytes) {
            std::uint8_t* p = centre + offset;
            p[0] ^= c.blue;
            p[1] ^= c.green;
            p[2] ^= c.red;
        }
        return true;
    }
    for (const std::ptrdiff_t offset : circle.written_bytes) {
        std::uint8_t* p = centre + offset;
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
    }
    return true;
}

}  // namespace

void draw_ellipse(DrawOutput& out, long long cx, long long cy, int rx, int ry)
{
    if (rx < 0 || ry < 0) {
        return;
    }
    const bool outline = (out.mode & DRAW_MODE_OUTLINE) != 0;
    if (rx == ry && small_circle_inside(out, cx, cy, rx, outline)) {
        return;
    }
    if (rx <= INTEGER_ROUTINE_LIMIT && ry <= INTEGER_ROUTINE_LIMIT) {
        if (outline) {
            ellipse_outline(out, cx, cy, rx, ry);
        } else {
            ellipse_filled(out, cx, cy, rx, ry);
        }
        return;
    }
    if (ry == 0) {
        draw_span_h(out, cx - rx, cy, 2LL * rx + 1);
        return;
    }
    if (rx == 0) {
        draw_span_v(out, cx, cy - ry, 2LL * ry + 1);
        return;
    }
    ellipse_rows(out, cx, cy, rx, ry, outline);
}

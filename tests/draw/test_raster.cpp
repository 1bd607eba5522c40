// Lines, boxes and circles: exact pixels, clipping at every edge, exclusive-or and outline modes,
// and the bottom-up storage of the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "draw/svg.h"
#include "draw_fixture.h"

namespace {

// Row widths (top to bottom) of the shape drawn around centre (cx, cy), with a check that every
// row is one run centred on cx.
std::vector<int> centred_rows(const Picture& picture, int cx)
{
    std::map<int, std::vector<int>> rows;
    for (const auto& [x, y] : pixels_not(picture, BACKGROUND)) {
        rows[y].push_back(x);
    }
    std::vector<int> widths;
    for (const auto& [y, xs] : rows) {
        const int width = static_cast<int>(xs.size());
        EXPECT_EQ(xs.back() - xs.front() + 1, width) << "row " << y << " is not one run";
        EXPECT_EQ(xs.front() + xs.back(), 2 * cx) << "row " << y << " is not centred";
        widths.push_back(width);
    }
    return widths;
}

}  // namespace

using RasterTest = DrawTest;

TEST_F(RasterTest, DrawLineTakesStartAndExtent)
{
    struct Case {
        int x, y, w, h;
        PixelSet expected;
    };
    const Case cases[] = {
        {5, 5, 1, 1, {{5, 5}}},
        {5, 5, -3, 1, {{3, 5}, {4, 5}, {5, 5}}},
        {7, 2, 1, -2, {{7, 1}, {7, 2}}},
        {4, 9, 10, 1, {{4, 9}, {5, 9}, {6, 9}, {7, 9}, {8, 9}, {9, 9}, {10, 9}, {11, 9}, {12, 9}, {13, 9}}},
        {5, 5, 0, 3, {}},
        {5, 5, 3, 0, {}},
    };
    for (const Case& c : cases) {
        start(40, 30);
        draw_line(c.x, c.y, c.w, c.h, INK);
        EXPECT_EQ(drawn(), c.expected) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
}

TEST_F(RasterTest, LineXyFollowsBresenhamAndItsReverseMatches)
{
    draw_line_xy(0, 0, 3, 1, INK);
    const PixelSet forward = drawn();
    EXPECT_EQ(forward, (PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(pixel_at(picture, 2, 1), INK);
    start(40, 30);
    draw_line_xy(3, 1, 0, 0, INK);
    EXPECT_EQ(drawn(), forward);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(-20, 60);
    for (int i = 0; i < 300; ++i) {
        const int x1 = coord(random), y1 = coord(random), x2 = coord(random), y2 = coord(random);
        start(40, 30);
        draw_line_xy(x1, y1, x2, y2, INK);
        const PixelSet one = drawn();
        start(40, 30);
        draw_line_xy(x2, y2, x1, y1, INK);
        ASSERT_EQ(drawn(), one) << x1 << "," << y1 << " - " << x2 << "," << y2;
    }
}

TEST_F(RasterTest, SteepLineStepsOneRowAtATime)
{
    draw_line_xy(2, 1, 4, 8, INK);
    const PixelSet pixels = drawn();
    ASSERT_EQ(pixels.size(), 8u);
    std::set<int> rows;
    for (const auto& [x, y] : pixels) {
        rows.insert(y);
        EXPECT_GE(x, 2);
        EXPECT_LE(x, 4);
    }
    EXPECT_EQ(rows.size(), 8u);
    EXPECT_TRUE(pixels.count({2, 1}) && pixels.count({4, 8}));
}

TEST_F(RasterTest, ClippedLinesKeepTheirVisiblePart)
{
    draw_line_xy(-10, 5, 10, 5, INK);
    PixelSet expected;
    for (int x = 0; x <= 10; ++x) {
        expected.insert({x, 5});
    }
    EXPECT_EQ(drawn(), expected);

    // y at x = 0 is -0.5, truncated toward zero to 0 (rounding down would lose the first pixel).
    start(40, 30);
    draw_line_xy(-1, -1, 1, 0, INK);
    EXPECT_EQ(drawn(), (PixelSet{{0, 0}, {1, 0}}));

    start(40, 30);
    draw_line_xy(-4, 0, 6, 5, INK);  // y = 2 at x = 0
    EXPECT_TRUE(drawn().count({0, 2}));
    EXPECT_FALSE(drawn().count({0, 0}));
}

TEST_F(RasterTest, LinesAcrossEveryEdgeStayInsideAndUnbroken)
{
    struct Case {
        int x1, y1, x2, y2;
        bool shallow;  // one pixel per column (else one per row) across the whole picture
    };
    const Case cases[] = {
        {-100, 3, 200, 25, true}, {250, -7, -90, 36, true},         {5, -200, 31, 300, false},
        {36, 400, 2, -90, false}, {INT_MIN, 10, INT_MAX, 20, true}, {17, INT_MAX, 22, INT_MIN, false},
    };
    for (const Case& c : cases) {
        start(40, 30);
        draw_line_xy(c.x1, c.y1, c.x2, c.y2, INK);
        std::map<int, int> count;
        for (const auto& [x, y] : drawn()) {
            ++count[c.shallow ? x : y];
        }
        const int span = c.shallow ? 40 : 30;
        ASSERT_EQ(static_cast<int>(count.size()), span) << c.x1 << "," << c.y1;
        for (const auto& [key, n] : count) {
            EXPECT_EQ(n, 1) << "at " << key;
        }
    }
    // Lines wholly outside draw nothing.
    start(40, 30);
    draw_line_xy(-5, -5, -1, 40, INK);
    draw_line_xy(41, 0, 60, 29, INK);
    draw_line_xy(0, -3, 39, -1, INK);
    draw_line_xy(-30, 10, 10, -30, INK);
    draw_line(INT_MAX, INT_MAX, INT_MAX, INT_MIN, INK);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(RasterTest, BoxesFillOrOutline)
{
    start(700, 500);
    draw_box(2, 2, 696, 496, INK);
    PixelSet pixels = drawn();
    EXPECT_EQ(pixels.size(), 696u * 496u);
    EXPECT_TRUE(pixels.count({2, 2}) && pixels.count({697, 497}));
    EXPECT_FALSE(pixels.count({1, 2}) || pixels.count({698, 497}) || pixels.count({2, 498}));

    start(700, 500);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_box(3, 3, 694, 494, INK);
    pixels = drawn();
    EXPECT_EQ(pixels.size(), 2u * 694u + 2u * 492u);
    for (const auto& [x, y] : pixels) {
        EXPECT_TRUE(x == 3 || x == 696 || y == 3 || y == 496) << x << "," << y;
    }
    EXPECT_TRUE(pixels.count({696, 496}) && pixels.count({3, 496}));
}

TEST_F(RasterTest, NegativeAndClippedBoxSizes)
{
    draw_box(10, 4, -4, 2, INK);
    EXPECT_EQ(drawn(), (PixelSet{{6, 4}, {7, 4}, {8, 4}, {9, 4}, {6, 5}, {7, 5}, {8, 5}, {9, 5}}));

    start(40, 30);
    draw_box(3, 20, 2, -3, INK);  // rows 17 .. 19
    EXPECT_EQ(drawn(), (PixelSet{{3, 17}, {4, 17}, {3, 18}, {4, 18}, {3, 19}, {4, 19}}));

    start(40, 30);
    draw_box(-5, -5, 8, 7, INK);  // the visible part is x 0..2, y 0..1
    EXPECT_EQ(drawn().size(), 6u);
    draw_box(38, 28, 100, 100, INK);
    EXPECT_EQ(drawn().size(), 10u);
    draw_box(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INK);
    draw_box(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INK);
    EXPECT_EQ(drawn().size(), 10u);
}

TEST_F(RasterTest, FilledCircleRowWidths)
{
    const std::map<int, std::vector<int>> expected = {
        {0, {1}},
        {1, {1, 3, 1}},
        {3, {3, 5, 7, 7, 7, 5, 3}},
        {5, {5, 7, 9, 11, 11, 11, 11, 11, 9, 7, 5}},
    };
    for (const auto& [radius, widths] : expected) {
        start(40, 30);
        draw_circle(17, 12, radius, INK);
        EXPECT_EQ(centred_rows(picture, 17), widths) << "radius " << radius;
        int top = 30;
        for (const auto& [x, y] : drawn()) {
            top = std::min(top, y);
        }
        EXPECT_EQ(top, 12 - radius);
    }
}

TEST_F(RasterTest, OutlinedCircleIsTheBoundaryOfTheFilledOne)
{
    draw_circle(17, 12, 5, INK);
    const PixelSet filled = drawn();
    start(40, 30);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_circle(17, 12, 5, INK);
    const PixelSet outline = drawn();

    PixelSet boundary;
    for (const auto& [x, y] : filled) {
        if (!filled.count({x - 1, y}) || !filled.count({x + 1, y}) || !filled.count({x, y - 1}) ||
            !filled.count({x, y + 1})) {
            boundary.insert({x, y});
        }
    }
    EXPECT_EQ(outline, boundary);
    for (int row = 3; row <= 7; ++row) {
        const int y = 12 - 5 + row;
        int count = 0;
        for (const auto& [x, py] : outline) {
            count += py == y;
        }
        EXPECT_EQ(count, 2) << "row " << row;
        EXPECT_TRUE(outline.count({12, y}) && outline.count({22, y}));
    }
}

TEST_F(RasterTest, ExclusiveOrTwiceRestoresThePicture)
{
    for (int x = 0; x < 40; ++x) {
        for (int y = 0; y < 30; y += 3) {
            draw_box(x, y, 1, 1, x * 0x010305 + y * 0x070100);
        }
    }
    const std::vector<std::uint8_t> before = picture.bits;
    draw_mode(DRAW_MODE_XOR);
    const std::uint8_t* p = picture_row(picture, 12) + 17 * 3;
    const int inside = p[2] | (p[1] << 8) | (p[0] << 16);
    draw_circle(17, 12, 6, INK);
    EXPECT_EQ(pixel_at(picture, 17, 12), inside ^ INK);
    draw_circle(17, 12, 6, INK);
    draw_box(3, 4, 30, 20, INK);
    draw_box(3, 4, 30, 20, INK);
    draw_line_xy(-3, 2, 45, 27, INK);
    draw_line_xy(-3, 2, 45, 27, INK);
    EXPECT_EQ(picture.bits, before);

    // A radius-0 circle writes its pixel twice and so leaves it unchanged.
    draw_circle(9, 9, 0, INK);
    EXPECT_EQ(picture.bits, before);
    draw_mode(DRAW_MODE_XOR | DRAW_MODE_OUTLINE);
    draw_circle(9, 9, 0, INK);
    EXPECT_EQ(picture.bits, before);
}

// A box in a grey sets exactly its own bytes: every other byte, the rows' padding among them,
// keeps its value, for a box about as wide as the picture as for a narrow one, cut or not.
TEST_F(RasterTest, GreyBoxesSetOnlyTheirOwnBytes)
{
    struct Case {
        int width, height;  // the picture
        int x, y, w, h;     // the box
    };
    const Case cases[] = {
        {40, 30, 2, 2, 36, 26},  {41, 30, 0, 0, 41, 30}, {43, 30, -3, 5, 50, 7}, {40, 30, 1, 0, 38, 1},
        {40, 30, 30, 28, 20, 9}, {40, 30, 5, 5, 3, 20},  {40, 30, 39, 0, 1, 30},
    };
    constexpr std::uint8_t GREY = 0x9C;
    for (const Case& c : cases) {
        start(c.width, c.height);
        for (std::size_t i = 0; i < picture.bits.size(); ++i) {
            picture.bits[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        }
        Picture expected = picture;
        for (int y = std::max(c.y, 0); y < std::min(c.y + c.h, c.height); ++y) {
            for (int x = std::max(c.x, 0); x < std::min(c.x + c.w, c.width); ++x) {
                std::fill_n(picture_row(expected, y) + 3 * x, 3, GREY);
            }
        }
        draw_box(c.x, c.y, c.w, c.h, GREY * 0x010101);
        EXPECT_EQ(picture.bits, expected.bits)
            << c.width << " wide, box " << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
}

TEST_F(RasterTest, RowZeroIsTheLastStoredRowAndBytesAreBlueGreenRed)
{
    draw_box(0, 0, 1, 1, INK);
    const std::uint8_t* last = picture.bits.data() + static_cast<std::size_t>(picture.height - 1) * picture.pitch;
    EXPECT_EQ(last[0], 0x0A);
    EXPECT_EQ(last[1], 0x80);
    EXPECT_EQ(last[2], 0xF0);
    EXPECT_EQ(picture.bits[0], 0x30);  // stored row 0 is the bottom row, untouched
    EXPECT_EQ(picture.pitch, 120);
}

TEST_F(RasterTest, ThirtyTwoBitPixelsKeepTheirAlpha)
{
    start(13, 7, 32);
    for (std::size_t i = 3; i < picture.bits.size(); i += 4) {
        picture.bits[i] = 0x55;
    }
    draw_box(1, 1, 11, 5, INK);
    draw_line_xy(0, 6, 12, 0, 0x123456);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_circle(6, 3, 3, 0x00FF00);
    EXPECT_EQ(pixel_at(picture, 1, 1), INK);
    EXPECT_EQ(pixel_at(picture, 0, 6), 0x123456);
    for (std::size_t i = 3; i < picture.bits.size(); i += 4) {
        ASSERT_EQ(picture.bits[i], 0x55) << "byte " << i;
    }
}

TEST_F(RasterTest, LargeCirclesUseTheDistanceRule)
{
    start(60, 40);
    const int r = 900;
    const int cx = 30 - 880;  // the right-hand arc crosses the picture
    const int cy = 20;
    draw_circle(cx, cy, r, INK);
    for (int y = 0; y < 40; ++y) {
        const long long dy = y - cy;
        const long long half = static_cast<long long>(std::floor(std::sqrt(static_cast<double>(r) * r + r - dy * dy)));
        for (int x = 0; x < 60; ++x) {
            const bool in = x - cx <= half;
            ASSERT_EQ(pixel_at(picture, x, y) == INK, in) << x << "," << y;
        }
    }
    start(60, 40);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_circle(cx, cy, r, INK);
    for (int y = 0; y < 40; ++y) {
        int count = 0;
        for (int x = 0; x < 60; ++x) {
            count += pixel_at(picture, x, y) == INK;
        }
        EXPECT_GE(count, 1) << "row " << y;
        EXPECT_LE(count, 2) << "row " << y;
    }
    draw_circle(INT_MAX, INT_MIN, INT_MAX, INK);  // must neither hang nor overflow
    draw_circle(10, 10, -3, INK);
}

// A circle wholly inside the picture (drawn from its kept pixel list) has exactly the pixels of
// the same circle touching the left and top edges (drawn by the routine itself, nothing cut), for
// every kept radius and the first beyond, filled or outlined, plain or exclusive-or, at both depths.
TEST_F(RasterTest, SmallCirclesInsideMatchTheRoutineAtTheEdge)
{
    constexpr int SHIFT = 6;
    for (const int bits : {24, 32}) {
        for (int radius = 0; radius <= 17; ++radius) {
            for (const int mode : {0, DRAW_MODE_OUTLINE, DRAW_MODE_XOR, DRAW_MODE_XOR | DRAW_MODE_OUTLINE}) {
                PixelSet shapes[2];
                for (int n = 0; n < 2; ++n) {
                    start(60, 60, bits);
                    draw_mode(mode);
                    const int centre = radius + n * SHIFT;  // n = 0 touches the edges
                    draw_circle(centre, centre, radius, INK);
                    draw_circle(centre + 1, centre, radius, INK);  // overlapping: exclusive-or cancels
                    for (const auto& [x, y] : drawn())
                        shapes[n].insert({x + (1 - n) * SHIFT, y + (1 - n) * SHIFT});
                }
                EXPECT_EQ(shapes[1], shapes[0]) << "radius " << radius << " mode " << mode << " depth " << bits;
                EXPECT_FALSE(shapes[1].empty() && mode == 0);
            }
        }
    }
}

// A line drawn again shows in full after anything that may have drawn over it since, also where the
// line's colour stays the current one (a text's background, the line itself in exclusive-or, a
// hand on the picture); an exclusive-or line drawn twice still restores the picture.
TEST_F(RasterTest, ALineDrawnAgainAfterAnythingElseShowsInFull)
{
    constexpr int OTHER = 0x00FF00;
    const struct {
        const char* between;
        std::function<void(std::intptr_t context)> draw;
    } cases[] = {
        {"filled box", [](std::intptr_t) { draw_box(0, 0, 40, 30, OTHER); }},
        {"circle", [](std::intptr_t) { draw_circle(20, 15, 14, OTHER); }},
        {"line of another colour", [](std::intptr_t) { draw_line_xy(3, 4, 33, 21, OTHER); }},
        {"text", [](std::intptr_t) { draw_text(0, 8, "          ", INK, OTHER); }},
        {"the same line in exclusive-or",
         [](std::intptr_t) {
             draw_mode(DRAW_MODE_XOR);
             draw_line_xy(3, 4, 33, 21, INK);
             draw_mode(0);
         }},
        {"hand on the picture",
         [](std::intptr_t context) {
             Picture* picture = draw_context_picture(context);
             fill_picture(*picture, OTHER);
         }},
    };
    for (const auto& c : cases) {
        start(40, 30);
        draw_line_xy(3, 4, 33, 21, INK);
        const PixelSet line = drawn();
        c.draw(context);
        draw_line_xy(3, 4, 33, 21, INK);
        for (const auto& [x, y] : line)
            ASSERT_EQ(pixel_at(picture, x, y), INK) << c.between << " at " << x << "," << y;
    }
    start(40, 30);
    draw_mode(DRAW_MODE_XOR);
    draw_line_xy(3, 4, 33, 21, INK);
    draw_line_xy(3, 4, 33, 21, INK);
    EXPECT_TRUE(drawn().empty());
}

// A plain circle drawn again shows in full after anything that may have drawn over it since; among
// plain lines and circles of its own colour it is left out, and only a picture drawn alone says that
// it sets pixels only.
// However many lines a run holds before it, a line drawn again after a box over it shows in full.
TEST_F(RasterTest, ALineLateInALongRunDrawnAgainAfterABoxShowsInFull)
{
    draw_line_xy(3, 4, 33, 21, INK);
    const PixelSet line = drawn();
    for (const int before : {0, 6, 7, 8, 9, 40}) {
        start(40, 30);
        for (int pass = 0; pass < 2; ++pass) {
            for (int n = 0; n < before; ++n) {
                draw_line_xy(0, n % 30, 39, n * 7 % 30, INK);
            }
            draw_line_xy(3, 4, 33, 21, INK);
            if (pass == 0) {
                draw_box(0, 0, 40, 30, 0x00FF00);
            }
        }
        for (const auto& [x, y] : line) {
            ASSERT_EQ(pixel_at(picture, x, y), INK) << before << " lines before, at " << x << "," << y;
        }
    }
}

TEST_F(RasterTest, ACircleDrawnAgainAfterAnythingElseShowsInFull)
{
    constexpr int OTHER = 0x00FF00;
    const struct {
        const char* between;
        std::function<void()> draw;
    } cases[] = {
        {"line of another colour", [] { draw_line_xy(0, 15, 39, 15, OTHER); }},
        {"circle of another colour", [] { draw_circle(20, 15, 6, OTHER); }},
        {"the same circle in exclusive-or",
         [] {
             draw_mode(DRAW_MODE_XOR);
             draw_circle(20, 15, 6, INK);
             draw_mode(0);
         }},
        {"filled box", [] { draw_box(0, 0, 40, 30, OTHER); }},
        {"lines and circles of its colour",
         [] {
             draw_line_xy(0, 0, 39, 29, INK);
             draw_circle(20, 15, 3, INK);
         }},
    };
    for (const auto& c : cases) {
        start(40, 30);
        EXPECT_TRUE(draw_sets_pixels_only());
        draw_circle(20, 15, 6, INK);
        const PixelSet circle = drawn();
        c.draw();
        draw_circle(20, 15, 6, INK);
        for (const auto& [x, y] : circle)
            ASSERT_EQ(pixel_at(picture, x, y), INK) << c.between << " at " << x << "," << y;
    }
    SvgRecorder recorder;
    svg_recorder_start(recorder, 40, 30);
    ASSERT_NE(draw_begin(draw_svg_output(&recorder, nullptr)), 0);
    EXPECT_FALSE(draw_sets_pixels_only());
    draw_end();
    EXPECT_FALSE(draw_sets_pixels_only());
}

// A line and its reverse set the same pixels, also where the output cuts them: a member drawn from
// either end looks the same, so one of two such members drawn in a row may stand for both.
TEST_F(RasterTest, ALineAndItsReverseSetTheSamePixels)
{
    std::mt19937 random(23);
    std::uniform_int_distribution<int> near(-30, 70);
    std::uniform_int_distribution<int> far(-100000, 100000);
    for (int n = 0; n < 4000; ++n) {
        const bool wide = n % 4 == 3;
        const int x1 = wide ? far(random) : near(random), y1 = near(random);
        const int x2 = near(random), y2 = wide ? far(random) : near(random);
        PixelSet drawn_from[2];
        for (int way = 0; way < 2; ++way) {
            start(40, 30);
            if (way == 0) {
                draw_line_xy(x1, y1, x2, y2, INK);
            } else {
                draw_line_xy(x2, y2, x1, y1, INK);
            }
            drawn_from[way] = drawn();
        }
        ASSERT_EQ(drawn_from[0], drawn_from[1]) << x1 << "," << y1 << " - " << x2 << "," << y2;
    }
}

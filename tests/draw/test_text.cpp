// Text: the opaque box and the blending formulas, negative and clipped positions, the empty text,
// and every mode, colour pair and edge against a blend computed here from the glyph coverage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "draw_fixture.h"

namespace {

constexpr int WHITE = 0xFFFFFF;
constexpr int BLUE = 0xFF0000;

// Bounding box of the pixels that differ from BACKGROUND.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Extent extent_of(const Picture& picture)
{
    Extent e;
    for (const auto& [x, y] : pixels_not(picture, BACKGROUND)) {
        e.left = std::min(e.left, x);
        e.top = std::min(e.top, y);
        e.right = std::max(e.right, x);
        e.bottom = std::max(e.bottom, y);
    }
    return e;
}

class TextTest : public DrawTest {
protected:
    void SetUp() override
    {
        start(90, 40);
        // Without the font every text is skipped (and said so once on stderr).
        if (draw_text_height() == 0) {
            GTEST_SKIP() << "no text font on this system";
        }
        start(90, 40);
    }
};

}  // namespace

TEST_F(TextTest, EmptyTextDrawsNothingAndReturnsX)
{
    EXPECT_EQ(draw_text(13, 4, "", INK, WHITE), 13);
    EXPECT_EQ(draw_text(-13, 4, std::string_view{}, INK, WHITE), -13);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(TextTest, ReturnsTheEndOfTheMonospacedText)
{
    const int one = draw_text(3, 2, "8", INK, WHITE) - 3;
    EXPECT_GT(one, 4);
    EXPECT_LT(one, 12);
    EXPECT_EQ(draw_text(5, 20, "12345", INK, WHITE), 5 + 5 * one);
    EXPECT_EQ(draw_text(80, 20, "Stress          Force", INK, WHITE), 80 + 21 * one);
}

TEST_F(TextTest, OpaqueBoxIsBackColourWhereNoGlyphTouches)
{
    draw_line_xy(0, 5, 89, 5, INK);  // the box must cover this line too
    const int end = draw_text(4, 1, " Hg7", BLUE, WHITE);
    int glyph_pixels = 0;
    int height = 0;  // last row of the box, found in the cell of the leading space
    for (int y = 0; y < 40; ++y) {
        if (pixel_at(picture, 5, y) == WHITE) {
            height = y;
        }
    }
    EXPECT_LE(height, 15);
    EXPECT_GE(height, 8);
    for (int y = 1; y <= height; ++y) {
        for (int x = 4; x < end; ++x) {
            const int c = pixel_at(picture, x, y);
            // Blue over white: blue stays 255, red and green both fall to 255 - coverage.
            ASSERT_EQ(c >> 16, 255) << x << "," << y;
            ASSERT_EQ(c & 0xFF, (c >> 8) & 0xFF) << x << "," << y;
            glyph_pixels += c != WHITE;
        }
    }
    EXPECT_GT(glyph_pixels, 20);
    EXPECT_EQ(pixel_at(picture, 3, 5), INK);
    EXPECT_EQ(pixel_at(picture, end, 5), INK);
    EXPECT_EQ(pixel_at(picture, 4, 0), BACKGROUND);
    EXPECT_EQ(pixel_at(picture, 4, height + 1), BACKGROUND);
    EXPECT_EQ(pixel_at(picture, 4, 5), WHITE);
}

TEST_F(TextTest, TransparentTextBlendsCoverageOverThePicture)
{
    // Blue on white (opaque) reveals the coverage m of every pixel: red = 255 - m.
    const int end = draw_text(4, 3, "Hx", BLUE, WHITE);
    const Picture opaque = picture;
    start(90, 40);
    draw_mode(DRAW_MODE_TRANSPARENT);
    EXPECT_EQ(draw_text(4, 3, "Hx", INK, WHITE), end);
    int shown = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 90; ++x) {
            const bool in_box = pixel_at(opaque, x, y) != BACKGROUND;
            const int m = in_box ? 255 - (pixel_at(opaque, x, y) & 0xFF) : 0;
            auto blend = [m](int front, int under) { return (m * front + (255 - m) * under) / 255; };
            const int expected = blend(0xF0, 0x10) | blend(0x80, 0x20) << 8 | blend(0x0A, 0x30) << 16;
            ASSERT_EQ(pixel_at(picture, x, y), expected) << x << "," << y;
            shown += m == 0;
        }
    }
    EXPECT_GT(shown, 90 * 40 / 2);
}

TEST_F(TextTest, ExclusiveOrTextTwiceRestores)
{
    draw_box(0, 0, 45, 40, 0x00C0FF);
    const std::vector<std::uint8_t> before = picture.bits;
    for (const int mode : {DRAW_MODE_XOR, DRAW_MODE_XOR | DRAW_MODE_TRANSPARENT}) {
        draw_mode(mode);
        draw_text(30, 7, "W#1", INK, 0x123456);
        EXPECT_NE(picture.bits, before);
        draw_text(30, 7, "W#1", INK, 0x123456);
        EXPECT_EQ(picture.bits, before) << "mode " << mode;
    }
}

TEST_F(TextTest, NegativeXShowsTheTextFromItsSixthColumn)
{
    const std::string text = "AM#4W";
    const int end = draw_text(0, 10, text, BLUE, WHITE);
    const Picture reference = picture;
    start(90, 40);
    EXPECT_EQ(draw_text(-5, 10, text, BLUE, WHITE), end - 5);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 90; ++x) {
            const int expected = x + 5 < end ? pixel_at(reference, x + 5, y) : BACKGROUND;
            ASSERT_EQ(pixel_at(picture, x, y), expected) << x << "," << y;
        }
    }
    start(90, 40);
    EXPECT_EQ(draw_text(-1000, 10, text, BLUE, WHITE), end - 1000);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(TextTest, TextIsCutAtTheRightAndBottomEdges)
{
    const std::string text = "Force 42";
    start(200, 60);
    draw_text(0, 0, text, BLUE, WHITE);
    const Picture reference = picture;

    for (const auto& [x, y] : {std::pair{70, 33}, std::pair{55, 36}, std::pair{87, -4}, std::pair{-3, 38}}) {
        start(90, 40);
        draw_text(x, y, text, BLUE, WHITE);
        for (int py = 0; py < 40; ++py) {
            for (int px = 0; px < 90; ++px) {
                const int rx = px - x;
                const int ry = py - y;
                const bool covered = rx >= 0 && ry >= 0 && rx < 200 && ry < 60;
                const int expected = covered ? pixel_at(reference, rx, ry) : BACKGROUND;
                ASSERT_EQ(pixel_at(picture, px, py), expected)
                    << "text at " << x << "," << y << " pixel " << px << "," << py;
            }
        }
    }
    start(90, 40);
    draw_text(90, 0, text, BLUE, WHITE);
    draw_text(0, 40, text, BLUE, WHITE);
    draw_text(0, -20, text, BLUE, WHITE);
    EXPECT_TRUE(drawn().empty());
}

TEST_F(TextTest, LongAndUnusualTextsStayInside)
{
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    const int end = draw_text(2, 2, all, INK, WHITE);
    EXPECT_GT(end, 90);
    const Extent e = extent_of(picture);
    EXPECT_EQ(e.right, 89);
    EXPECT_LE(e.bottom - e.top + 1, 15);
    const std::string huge(200000, 'x');
    draw_text(2147483000, 30, huge, INK, WHITE);
    draw_text(-2147483000, 30, huge, INK, WHITE);
}

TEST_F(TextTest, ThirtyTwoBitTextKeepsAlpha)
{
    start(30, 20, 32);
    for (std::size_t i = 3; i < picture.bits.size(); i += 4) {
        picture.bits[i] = 0x66;
    }
    draw_text(1, 1, "Ag", BLUE, WHITE);
    EXPECT_EQ(pixel_at(picture, 1, 1) >> 16, 255);
    for (std::size_t i = 3; i < picture.bits.size(); i += 4) {
        ASSERT_EQ(picture.bits[i], 0x66);
    }
}

namespace {

// The coverage of text as the opaque box shows it, blue on white: red = 255 - m in the box.
struct Coverage {
    Picture picture;  // text drawn at (0, 0) on BACKGROUND, wide enough for the whole text
    int end = 0;      // text width

    // Coverage at (x, y) of the text, or -1 outside its box.
    int at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
            return -1;
        }
        const int c = pixel_at(picture, x, y);
        return c == BACKGROUND ? -1 : 255 - (c & 0xFF);
    }
};

// Fills picture with a pattern whose channels (and alpha byte) vary with x and y, so that a blend
// over the picture, a shifted position or a changed alpha byte shows.
void fill_pattern(Picture& picture)
{
    const int bytes = picture.bits_per_pixel / 8;
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* p = picture_row(picture, y);
        for (int x = 0; x < picture.width; ++x, p += bytes) {
            p[0] = static_cast<std::uint8_t>(x * 2 + y);
            p[1] = static_cast<std::uint8_t>(255 - x);
            p[2] = static_cast<std::uint8_t>((y * 6) ^ x);
            if (bytes == 4) {
                p[3] = static_cast<std::uint8_t>(x + 100);
            }
        }
    }
}

// What text at (x, y) must make of picture: the straightforward per-pixel rule of each mode.
void reference_text(Picture& picture, const Coverage& coverage, int x, int y, int front, int back, int mode)
{
    const int bytes = picture.bits_per_pixel / 8;
    const int fr[3] = {(front >> 16) & 0xFF, (front >> 8) & 0xFF, front & 0xFF};  // blue, green, red
    const int bk[3] = {(back >> 16) & 0xFF, (back >> 8) & 0xFF, back & 0xFF};
    for (int py = 0; py < picture.height; ++py) {
        std::uint8_t* p = picture_row(picture, py);
        for (int px = 0; px < picture.width; ++px, p += bytes) {
            const int m = coverage.at(px - x, py - y);
            if (m < 0) {
                continue;
            }
            for (int i = 0; i < 3; ++i) {
                if (mode & DRAW_MODE_XOR) {
                    p[i] = static_cast<std::uint8_t>(m >= 128 ? p[i] ^ fr[i]
                                                              : (mode & DRAW_MODE_TRANSPARENT ? p[i] : p[i] ^ bk[i]));
                } else {
                    const int under = mode & DRAW_MODE_TRANSPARENT ? p[i] : bk[i];
                    p[i] = static_cast<std::uint8_t>((m * fr[i] + (255 - m) * under) / 255);
                }
            }
        }
    }
}

}  // namespace

TEST_F(TextTest, EveryModeColourPairAndEdgeMatchesTheReferenceBlend)
{
    std::string printable;
    for (int c = 32; c < 127; ++c) {
        printable.push_back(static_cast<char>(c));
    }
    std::string high;
    for (int c = 128; c < 256; ++c) {
        high.push_back(static_cast<char>(c));
    }
    const std::vector<std::string> texts = {printable, high, "[ 17]   -1234.5678      987.6543",
                                            "Stress          Force"};
    // More pairs than are kept at once, revisited, so that a pair's blend is found again after others.
    const int pairs[][2] = {{0x0000FF, WHITE}, {0xA0009B, WHITE},    {0x000000, WHITE}, {INK, 0x123456},
                            {WHITE, 0x000000}, {0x7F3F1F, 0x80C0E0}, {0x0000FF, WHITE}, {INK, 0x654321}};
    const std::pair<int, int> places[] = {{3, 5}, {-11, 9}, {80, 20}, {20, -6}, {5, 33}, {95, 35}};
    const int modes[] = {0, DRAW_MODE_TRANSPARENT, DRAW_MODE_XOR, DRAW_MODE_XOR | DRAW_MODE_TRANSPARENT};

    for (const std::string& text : texts) {
        Coverage coverage;
        start(static_cast<int>(text.size()) * 12 + 20, 20);
        coverage.end = draw_text(0, 0, text, BLUE, WHITE);
        coverage.picture = picture;
        ASSERT_GT(coverage.end, 0);
        ASSERT_LT(coverage.end, coverage.picture.width);
        int full = 0;
        for (int x = 0; x < coverage.end; ++x) {
            full += coverage.at(x, 8) == 255;
        }
        ASSERT_GT(full, 0) << "some glyph stem is fully covered";

        for (const int bits : {24, 32}) {
            for (const int mode : modes) {
                for (const auto& [front, back] : pairs) {
                    for (const auto& [x, y] : places) {
                        start(120, 40, bits);
                        fill_pattern(picture);
                        Picture expected = picture;
                        reference_text(expected, coverage, x, y, front, back, mode);
                        draw_mode(mode);
                        ASSERT_EQ(draw_text(x, y, text, front, back), x + coverage.end);
                        if (picture.bits != expected.bits) {
                            for (int py = 0; py < 40; ++py) {
                                for (int px = 0; px < 120; ++px) {
                                    ASSERT_EQ(pixel_at(picture, px, py), pixel_at(expected, px, py))
                                        << "pixel " << px << "," << py << " text \"" << text.substr(0, 8) << "\" at "
                                        << x << "," << y << " mode " << mode << " colours " << std::hex << front
                                        << " on " << back << " depth " << std::dec << bits;
                                }
                            }
                            FAIL() << "alpha bytes changed, depth " << bits;
                        }
                    }
                }
            }
        }
    }
}

// A batch paints exactly what drawing in order paints: many overlapping labels cut at every edge,
// a line and a mode change between them (which paint the texts held so far), at both depths.
TEST_F(TextTest, BatchedTextsPaintWhatDrawingInOrderPaints)
{
    struct Step {
        int x, y;
        const char* text;
        int front, back;
        int mode;  // -1: a line across instead of a text
    };
    const Step steps[] = {
        {-9, -4, "corner", INK, WHITE, 0},
        {5, 3, "12.34 kN", BLUE, WHITE, 0},
        {8, 6, "[7]", INK, WHITE, 0},
        {-30, 20, "far left", BLUE, INK, 0},
        {0, 0, "", INK, WHITE, 0},
        {0, 10, "", INK, WHITE, -1},
        {20, 8, "xor", INK, WHITE, DRAW_MODE_XOR},
        {22, 9, "over xor", WHITE, BLUE, 0},
        {70, 30, "bottom right", INK, WHITE, 0},
        {40, 12, "see-through", BLUE, WHITE, DRAW_MODE_TRANSPARENT},
        {41, 13, "last", INK, WHITE, 0},
        {200, 5, "beyond", INK, WHITE, 0},
    };
    for (const int bits : {24, 32}) {
        Picture pictures[2];
        for (const bool batch : {false, true}) {
            start(90, 40, bits);
            draw_text_batch(batch);
            int mode = 0;
            for (const Step& s : steps) {
                if (s.mode < 0) {
                    draw_line_xy(0, s.y, 89, s.y + 20, BLUE);
                    continue;
                }
                if (s.mode != mode)
                    draw_mode(mode = s.mode);
                ASSERT_EQ(draw_text(s.x, s.y, s.text, s.front, s.back), s.x + draw_text_width(s.text));
            }
            draw_text_batch(batch);  // the texts still held are painted at the end of the pass
            draw_end();
            pictures[batch ? 1 : 0] = picture;
        }
        EXPECT_TRUE(pictures[0].bits == pictures[1].bits) << "depth " << bits;
        EXPECT_NE(pixels_not(pictures[1], BACKGROUND).size(), 0u);
    }
}

// An opaque text wholly inside a 24-bit picture (copied from cells made once per colour pair and
// font, a short one kept whole) shows what the same text cut at the left edge shows of it, also
// when drawn again: for every byte, for more pairs than are kept at once, in a scaled font.
TEST_F(TextTest, WhollyInsideTextMatchesTheTextCutAtTheLeftEdge)
{
    std::vector<std::string> texts(1);
    for (int c = 32; c < 256; ++c) {
        texts[0].push_back(static_cast<char>(c));
    }
    for (std::size_t n = 0; n < texts[0].size(); n += 8) {
        texts.push_back(texts[0].substr(n, 8));  // short enough to be kept whole
    }
    const int pairs[][2] = {{0x0000FF, WHITE},    {INK, 0x123456},   {WHITE, 0x000000},
                            {0x7F3F1F, 0x80C0E0}, {0xA0009B, WHITE}, {0x0000FF, WHITE}};
    for (const float scale : {1.0f, 1.5f}) {
        draw_set_text_scale(scale);
        for (const auto& [front, back] : pairs) {
            for (const std::string& text : texts) {
                const int advance = draw_text_width(text);
                const int rows = draw_text_height();
                Picture drawn[3];
                for (int n = 0; n < 3; ++n) {
                    start(advance + 4, rows + 4);
                    fill_pattern(picture);
                    draw_text(n == 1 ? -1 : 2, 2, text, front, back);  // inside; cut by one column; inside again
                    drawn[n] = picture;
                }
                ASSERT_EQ(drawn[2].bits, drawn[0].bits) << "scale " << scale << " text " << text;
                for (int y = 2; y < 2 + rows; ++y) {
                    for (int x = 3; x < 2 + advance; ++x) {
                        ASSERT_EQ(pixel_at(drawn[0], x, y), pixel_at(drawn[1], x - 3, y))
                            << "scale " << scale << " colours " << std::hex << front << " on " << back << std::dec
                            << " at " << x << "," << y << " text " << text;
                    }
                }
            }
        }
    }
    draw_set_text_scale(1.0f);
}

// Glyphs are rendered the first time a text holds them: two threads drawing the two halves of the
// character set in opposite orders at once, in a size no text used before, draw what one thread
// draws once every glyph is made (the halves four lines apart, out of each other's reach), and every
// letter and digit is inked.
TEST_F(TextTest, GlyphsMadeOnFirstUseByTwoThreadsDrawAsMadeBefore)
{
    std::string half[2];
    for (int c = 33; c < 128; ++c) {
        half[0].push_back(static_cast<char>(c));
        half[1].push_back(static_cast<char>(c + 128));
    }
    draw_set_text_scale(1.25f);
    const int rows = draw_text_height(), advance = draw_text_width("H");
    const auto draw_halves = [&](int first, Picture& out) {
        ASSERT_TRUE(picture_make(out, 96 * advance, 7 * rows, 24));
        fill_picture(out, BACKGROUND);
        ASSERT_NE(draw_begin(draw_picture_output(&out, {})), 0);
        for (const int h : {first, 1 - first}) {
            draw_text(0, (1 + 4 * h) * rows, half[h], INK, WHITE);
        }
        draw_end();
    };
    Picture drawn[3];
    std::thread one([&] { draw_halves(0, drawn[0]); }), other([&] { draw_halves(1, drawn[1]); });
    one.join();
    other.join();
    draw_halves(0, drawn[2]);
    draw_set_text_scale(1.0f);
    EXPECT_EQ(drawn[0].bits, drawn[2].bits);
    EXPECT_EQ(drawn[1].bits, drawn[2].bits);
    for (int n = 0; n < 190; ++n) {
        const int byte = 33 + n % 95 + 128 * (n / 95), top = (1 + 4 * (n / 95)) * rows, left = n % 95 * advance;
        bool inked = !(std::isalnum(byte) || byte >= 192);
        for (int y = top; y < top + rows && !inked; ++y) {
            for (int x = left; x < left + advance && !inked; ++x) {
                inked = pixel_at(drawn[2], x, y) != WHITE && pixel_at(drawn[2], x, y) != BACKGROUND;
            }
        }
        EXPECT_TRUE(inked) << "byte " << byte;
    }
}

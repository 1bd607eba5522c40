// Find and zoom-to: the find text and the zoom to a box (Ctrl+F and z on the viewer are in
// test_window_size.cpp).
#include <gtest/gtest.h>

#include "app/ui/find.h"
#include "app/view/view.h"

namespace {

TEST(FindText, MemberNumbersAndNodeNumbersAndWhatNamesNothing)
{
    struct Case {
        const char* text;
        int member, node;
    };
    const Case cases[] = {
        {"5473", 5473, 0}, {"  1\t", 1, 0}, {"n 120", 0, 120}, {"N120", 0, 120}, {" n\t7 ", 0, 7},
        {"0", 0, 0},       {"-3", 0, 0},    {"n 0", 0, 0},     {"n", 0, 0},      {"", 0, 0},
        {"12a", 0, 0},     {"1 2", 0, 0},   {"x 5", 0, 0},     {"n -1", 0, 0},   {"99999999999", 0, 0},
    };
    for (const Case& c : cases) {
        const FindTarget target = parse_find_text(c.text);
        EXPECT_EQ(target.member, c.member) << '"' << c.text << '"';
        EXPECT_EQ(target.node, c.node) << '"' << c.text << '"';
    }
}

TEST(ZoomToBox, TheBoxFillsTheShareWhereItReachesFirstAndMovesToTheCentre)
{
    ViewSettings settings;
    settings.canvas = canvas_of_size(900, 600);
    struct Case {
        float x0, y0, x1, y1;
        float scale;  // after, from 2
    };
    // 30 x 10 pixels: a third of 900 across is 300, ten times; a third of 600 down would be twenty.
    // 0 x 40: only the height counts, 200 / 40; a point keeps the scale; a huge zoom stops at the limit.
    const Case cases[] = {{100, 100, 130, 110, 20.0f},
                          {500, 90, 500, 50, 10.0f},
                          {450, 300, 450, 300, 2.0f},
                          {10, 10, 10.0001f, 10, 10000.0f}};
    for (const Case& c : cases) {
        settings.scale = 2.0f;
        settings.pan = {1.5f, -4.0f};
        // The box's middle in the canvas plane before the zoom.
        const float u = ((c.x0 + c.x1) / 2 - 450.0f) / 2.0f - 1.5f, v = ((c.y0 + c.y1) / 2 - 300.0f) / 2.0f + 4.0f;
        zoom_to_box(settings, c.x0, c.y0, c.x1, c.y1, 1.0 / 3.0);
        EXPECT_FLOAT_EQ(settings.scale, c.scale) << c.x0;
        // The middle is now drawn at the canvas centre: (u + pan) * scale = 0.
        EXPECT_NEAR(u + settings.pan.u, 0.0f, 1e-5f);
        EXPECT_NEAR(v + settings.pan.v, 0.0f, 1e-5f);
    }
}

}  // namespace

// Find and zoom-to: the find text, the zoom to a box, and Ctrl+F and z on the viewer (headless).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/find.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "gui/backend.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

const std::string BRIDGE = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";  // planar, 12 nodes, 21 members

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

class FindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_reset_log();
        std::vector<const char*> argv{"kelvaro", BRIDGE.c_str()};
        viewer_start(2, argv.data());
    }
    void TearDown() override
    {
        results_window_close();
        viewer_shutdown();
        View.overlays = OverlayStateData{};
        View.pan = ViewPanData{};
    }
    void pump()
    {
        for (int event = event_wait(); event != EVENT_PLATFORM_MESSAGE; event = event_wait())
            handle_event(event);
    }
    static float x(int i) { return ViewState.node_screen[1][i]; }
    static float y(int i) { return ViewState.node_screen[2][i]; }
};

TEST_F(FindTest, CtrlFSelectsTheMemberAndZoomsSoItFillsAThirdAndTheResultsWindowFollows)
{
    const float azimuth = View.azimuth, elevation = View.elevation;
    headless_key(MAIN_WINDOW, 'r', KEY_MOD_CTRL);
    headless_answer_text("7");
    headless_key(MAIN_WINDOW, 'f', KEY_MOD_CTRL);
    pump();
    EXPECT_EQ(View.overlays.highlight_member, 7);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_MEMBERS);
    EXPECT_EQ(headless_table_window().selected_row, 6);
    const int a = TrussModel.element_nodes[7][1], b = TrussModel.element_nodes[7][2];
    const float across = std::fabs(x(a) - x(b)), down = std::fabs(y(a) - y(b));
    // A third of the canvas in the direction it reaches first, the other within it.
    EXPECT_NEAR(std::max(across / 700.0f, down / 500.0f), 1.0f / 3.0f, 1e-4f);
    EXPECT_NEAR((x(a) + x(b)) / 2, 350.0f, 0.01f);
    EXPECT_NEAR((y(a) + y(b)) / 2, 250.0f, 0.01f);
    EXPECT_EQ(View.azimuth, azimuth);
    EXPECT_EQ(View.elevation, elevation);

    // A node: it and the members meeting at it; z after Home zooms back to it.
    headless_answer_text("n 5");
    headless_key(MAIN_WINDOW, 'f', KEY_MOD_CTRL);
    pump();
    EXPECT_EQ(View.overlays.highlight_node, 5);
    EXPECT_EQ(View.overlays.highlight_member, 0);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_NODES);
    const float scale = View.scale, x5 = x(5), y5 = y(5);
    headless_key(MAIN_WINDOW, KEY_HOME);
    pump();
    EXPECT_NE(View.scale, scale);
    headless_key(MAIN_WINDOW, 'z');
    pump();
    EXPECT_FLOAT_EQ(View.scale, scale);
    EXPECT_NEAR(x(5), x5, 0.01f);
    EXPECT_NEAR(y(5), y5, 0.01f);
}

TEST_F(FindTest, ANumberBeyondTheModelIsSaidAndChangesNothing)
{
    const float scale = View.scale;
    for (const char* text : {"22", "n 13", "abc"}) {
        headless_answer_text(text);
        headless_key(MAIN_WINDOW, 'f', KEY_MOD_CTRL);
        pump();
    }
    ASSERT_EQ(headless_messages().size(), 3u);
    EXPECT_EQ(headless_messages()[0].text, "\"22\" names no member or node of this model.");
    EXPECT_EQ(View.overlays.highlight_member, 0);
    EXPECT_EQ(View.overlays.highlight_node, 0);
    EXPECT_EQ(View.scale, scale);
    headless_key(MAIN_WINDOW, 'z');  // nothing selected: nothing to zoom to
    pump();
    EXPECT_EQ(View.scale, scale);
}

}  // namespace

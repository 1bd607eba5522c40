// The main window at other sizes and its keys on the headless backend: the layout after a resize,
// the view it keeps, Home at the new size, picking over the larger canvas, the keys that turn and
// zoom, hide and show, find and zoom to the selection, and the settings kept between runs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/commands.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/main_window.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_layout.h"
#include "app/ui/window_state.h"
#include "core/str.h"
#include "draw/picture.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

const std::string BRIDGE = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";  // planar, 12 nodes
const std::string TOWER = std::string(KELVARO_SOURCE_DIR) + "/examples/tower.res";    // spatial

class WindowSizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_reset_log();
    }
    void TearDown() override
    {
        results_window_close();
        viewer_shutdown();
        headless_keep_preferences(false);
        View.overlays = OverlayStateData{};
        View.pan = ViewPanData{};
        set_results_window_layout(ResultsLayout{});
    }

    void start(const std::string& path)
    {
        std::vector<const char*> argv{"kelvaro", path.c_str()};
        viewer_start(2, argv.data());
    }
    void pump()
    {
        for (int event = event_wait(); event != EVENT_PLATFORM_MESSAGE; event = event_wait())
            handle_event(event);
    }
    static void run_named_command(const std::string& label)
    {
        for (const ViewerCommand& command : viewer_commands())
            if (command.label == label)
                run_viewer_command(command);
    }
    static float node_x(int i) { return ViewState.node_screen[1][i]; }
    static float node_y(int i) { return ViewState.node_screen[2][i]; }
};

TEST_F(WindowSizeTest, ResizeGivesTheCanvasTheRoomAndMovesTheColumnKeepingTheView)
{
    start(BRIDGE);
    const float scale = View.scale;
    // Model points relative to the canvas centre, which a resize must keep.
    const float dx = node_x(5) - View.canvas.centre_x, dy = node_y(5) - View.canvas.centre_y;
    const int exit_y = gadget_y(ID_EXIT), step_width = gadget_width(ID_ROTATE_STEP);

    struct Case {
        int width, height;       // client area
        int canvas_w, canvas_h;  // the canvas it leaves
    };
    const Case cases[] = {{1400, 900, 1300, 900}, {801, 501, 701, 501}, {800, 500, 700, 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        headless_resize(MAIN_WINDOW, c.width, c.height);
        pump();
        const Picture* picture = gadget_canvas_picture(ID_CANVAS);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, c.canvas_w);
        EXPECT_EQ(picture->height, c.canvas_h);
        EXPECT_EQ(View.canvas.width, c.canvas_w);
        EXPECT_EQ(View.canvas.centre_y, c.canvas_h / 2.0f);
        // The column stays 100 pixels wide at the right edge, each control at its height and size.
        EXPECT_EQ(gadget_x(ID_ROTATE_MINUS), c.canvas_w + 10);
        EXPECT_EQ(gadget_x(ID_ROTATE_LABEL), c.canvas_w + 20);
        EXPECT_EQ(gadget_x(ID_EXIT), c.canvas_w + 10);
        EXPECT_EQ(gadget_y(ID_EXIT), exit_y);
        EXPECT_EQ(gadget_width(ID_ROTATE_STEP), step_width);
        EXPECT_EQ(View.scale, scale);
        EXPECT_NEAR(node_x(5) - View.canvas.centre_x, dx, 1e-3f);
        EXPECT_NEAR(node_y(5) - View.canvas.centre_y, dy, 1e-3f);
    }
}

TEST_F(WindowSizeTest, BackAtTheStartSizeThePictureIsTheStartPicture)
{
    start(TOWER);
    const Picture before = *gadget_canvas_picture(ID_CANVAS);
    headless_resize(MAIN_WINDOW, 1600, 1000);
    pump();
    headless_resize(MAIN_WINDOW, 800, 500);
    pump();
    const Picture& after = *gadget_canvas_picture(ID_CANVAS);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
    EXPECT_TRUE(after.bits == before.bits);
}

TEST_F(WindowSizeTest, HomeFitsTheLargerCanvasAndPickingReachesItsFarSide)
{
    start(BRIDGE);
    const float scale = View.scale;
    headless_resize(MAIN_WINDOW, 1500, 1000);  // canvas 1400 x 1000: twice as wide and tall
    pump();
    headless_key(MAIN_WINDOW, KEY_HOME);
    pump();
    EXPECT_FLOAT_EQ(View.scale, 2.0f * scale);
    // The model centre is at the canvas centre; every node lies inside the canvas.
    float right = 0.0f;
    for (int i = 1; i <= TrussModel.node_count; ++i) {
        EXPECT_GE(node_x(i), 0.0f);
        EXPECT_LE(node_x(i), 1400.0f);
        right = std::max(right, node_x(i));
    }
    EXPECT_GT(right, 1000.0f);
    // A node beyond the old 700-pixel canvas can be picked.
    int far = 1;
    for (int i = 1; i <= TrussModel.node_count; ++i)
        if (node_x(i) > node_x(far))
            far = i;
    ASSERT_GT(node_x(far), 700.0f);
    EXPECT_EQ(pick_at(node_x(far), node_y(far)).node, far);
}

TEST_F(WindowSizeTest, SaveImageSavesTheWindowAtItsPresentSize)
{
    start(BRIDGE);
    headless_resize(MAIN_WINDOW, 1234, 777);
    pump();
    const std::string saved = ::testing::TempDir() + "kelvaro_resized_" + std::to_string(::getpid());
    headless_answer(saved);
    headless_click(ID_SAVE_IMAGE);
    pump();
    // The capture is the client area; the saved picture leaves 2 pixels off every side.
    FILE* pipe = popen(("identify -format '%w %h' '" + saved + ".jpg'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char size[64] = {};
    const bool read = std::fgets(size, sizeof size, pipe) != nullptr;
    pclose(pipe);
    std::remove((saved + ".jpg").c_str());
    ASSERT_TRUE(read);
    EXPECT_STREQ(size, "1230 773");
}

TEST_F(WindowSizeTest, ArrowKeysTurnByTheStepAndPlusMinusZoomEachUndoneExactly)
{
    start(TOWER);
    const Picture before = *gadget_canvas_picture(ID_CANVAS);
    const float azimuth = View.azimuth, elevation = View.elevation, scale = View.scale;
    View.rotation_step_text = "7.3";  // not exact in binary: the run counts steps from its start
    struct Case {
        int key;
        float azimuth, elevation;  // change from the start, degrees
    };
    const Case turns[] = {{KEY_RIGHT, 7.3f, 0.0f}, {KEY_RIGHT, 14.6f, 0.0f}, {KEY_UP, 14.6f, -7.3f},
                          {KEY_DOWN, 14.6f, 0.0f}, {KEY_LEFT, 7.3f, 0.0f},   {KEY_LEFT, 0.0f, 0.0f}};
    for (const Case& turn : turns) {
        headless_key(MAIN_WINDOW, turn.key);
        pump();
        EXPECT_NEAR(View.azimuth - azimuth, turn.azimuth, 1e-4f);
        EXPECT_NEAR(View.elevation - elevation, turn.elevation, 1e-4f);
        EXPECT_EQ(View.scale, scale);  // turning keeps the zoom
    }
    EXPECT_EQ(View.azimuth, azimuth);
    EXPECT_EQ(View.elevation, elevation);

    const int zoom_in_keys[] = {'+', '=', KEY_KEYPAD_PLUS};
    for (int key : zoom_in_keys)
        headless_key(MAIN_WINDOW, key, key == '+' ? KEY_MOD_SHIFT : 0);
    pump();
    EXPECT_NEAR(View.scale, 1.331f * scale, 1e-4f * scale);
    headless_key(MAIN_WINDOW, '-');
    headless_key(MAIN_WINDOW, KEY_KEYPAD_MINUS);
    headless_key(MAIN_WINDOW, '-');
    pump();
    EXPECT_EQ(View.scale, scale);
    EXPECT_TRUE(gadget_canvas_picture(ID_CANVAS)->bits == before.bits);
}

TEST_F(WindowSizeTest, LAndSHideAndShowTheLoadArrowsAndTheSupportMarkers)
{
    start(BRIDGE);
    const Picture shown = *gadget_canvas_picture(ID_CANVAS);
    // Arrows are drawn in the axis colours, rings red, green and blue: count the coloured pixels.
    auto coloured = [] {
        const Picture& picture = *gadget_canvas_picture(ID_CANVAS);
        int count = 0;
        for (int y = 10; y < picture.height - 10; ++y)
            for (int x = 10; x < picture.width - 10; ++x) {
                const std::uint8_t* p = picture_row(picture, y) + 3 * x;
                count += (p[0] != p[1] || p[1] != p[2]) ? 1 : 0;
            }
        return count;
    };
    const int all = coloured();
    headless_key(MAIN_WINDOW, 'l');
    pump();
    const int without_loads = coloured();
    EXPECT_FALSE(View.overlays.show_loads);
    EXPECT_LT(without_loads, all);
    headless_key(MAIN_WINDOW, 's');
    pump();
    EXPECT_LT(coloured(), without_loads);
    headless_key(MAIN_WINDOW, 'l');
    headless_key(MAIN_WINDOW, 's');
    pump();
    EXPECT_TRUE(gadget_canvas_picture(ID_CANVAS)->bits == shown.bits);
}

TEST_F(WindowSizeTest, TheAdditionsSwitchesAndTheWindowSizeAreKeptUntilReset)
{
    headless_keep_preferences(true);
    start(BRIDGE);
    headless_key(MAIN_WINDOW, 'c');
    headless_key(MAIN_WINDOW, 'l');
    headless_click(ID_DEFLECTED);  // a switch of the column: never kept
    headless_resize(MAIN_WINDOW, 1200, 700);
    pump();
    // The checks' units and allowable stresses, the nodes' sort and Load File's folder.
    headless_answer_text("mm,N,MPa");
    run_named_command("Units...");
    headless_answer_text("250,180");
    headless_answer("");  // no solver input
    run_named_command("Design check...");
    results_window_show();
    headless_table_header_click(RESULTS_NODES, 1);
    headless_table_header_click(RESULTS_NODES, 1);
    results_window_close();
    headless_answer(TOWER);
    headless_click(ID_LOAD_FILE);
    pump();
    remember_settings();
    viewer_shutdown();
    View.overlays = OverlayStateData{};
    set_results_window_layout(ResultsLayout{});  // as in a new process

    start(BRIDGE);
    pump();
    EXPECT_TRUE(View.overlays.show_force_colours);
    EXPECT_FALSE(View.overlays.show_loads);
    EXPECT_TRUE(View.overlays.show_supports);
    EXPECT_FALSE(View.overlays.show_node_numbers);
    EXPECT_EQ(View.show_deflected, 0);
    EXPECT_EQ(gadget_canvas_picture(ID_CANVAS)->width, 1100);
    EXPECT_EQ(gadget_canvas_picture(ID_CANVAS)->height, 700);
    EXPECT_EQ(headless_preferences().count("deflected"), 0u);
    ASSERT_TRUE(user_units().has_value());
    EXPECT_EQ(user_units()->force, "N");
    EXPECT_EQ(design_limits().tension, 250.0);
    EXPECT_EQ(design_limits().compression, 180.0);
    results_window_show();
    EXPECT_EQ(results_window_spec().tables[RESULTS_NODES].sort_column, 1);
    EXPECT_TRUE(results_window_spec().tables[RESULTS_NODES].descending);
    EXPECT_EQ(results_window_spec().tables[RESULTS_MEMBERS].sort_column, -1);
    const std::size_t asked = headless_requests().size();
    headless_click(ID_LOAD_FILE);  // cancelled
    pump();
    ASSERT_EQ(headless_requests().size(), asked + 1);
    EXPECT_EQ(headless_requests().back().folder, std::string(KELVARO_SOURCE_DIR) + "/examples");

    run_named_command("Reset settings");
    EXPECT_TRUE(headless_preferences().empty());
    EXPECT_FALSE(View.overlays.show_force_colours);
    EXPECT_TRUE(View.overlays.show_loads);
    EXPECT_FALSE(user_units().has_value());
    EXPECT_EQ(results_window_spec().tables[RESULTS_NODES].sort_column, -1);
}

TEST_F(WindowSizeTest, CtrlFSelectsTheMemberAndZoomsSoItFillsAThirdAndTheResultsWindowFollows)
{
    start(BRIDGE);
    const float azimuth = View.azimuth, elevation = View.elevation;
    headless_key(MAIN_WINDOW, 'r', KEY_MOD_CTRL);
    headless_answer_text("7");
    headless_key(MAIN_WINDOW, 'f', KEY_MOD_CTRL);
    pump();
    EXPECT_EQ(View.overlays.highlight_member, 7);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_MEMBERS);
    EXPECT_EQ(headless_table_window().selected_row, 6);
    const int a = TrussModel.element_nodes[7][1], b = TrussModel.element_nodes[7][2];
    const float across = std::fabs(node_x(a) - node_x(b)), down = std::fabs(node_y(a) - node_y(b));
    // A third of the canvas in the direction it reaches first, the other within it.
    EXPECT_NEAR(std::max(across / 700.0f, down / 500.0f), 1.0f / 3.0f, 1e-4f);
    EXPECT_NEAR((node_x(a) + node_x(b)) / 2, 350.0f, 0.01f);
    EXPECT_NEAR((node_y(a) + node_y(b)) / 2, 250.0f, 0.01f);
    EXPECT_EQ(View.azimuth, azimuth);
    EXPECT_EQ(View.elevation, elevation);

    // A node: it and the members meeting at it; z after Home zooms back to it.
    headless_answer_text("n 5");
    headless_key(MAIN_WINDOW, 'f', KEY_MOD_CTRL);
    pump();
    EXPECT_EQ(View.overlays.highlight_node, 5);
    EXPECT_EQ(View.overlays.highlight_member, 0);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_NODES);
    const float scale = View.scale, x5 = node_x(5), y5 = node_y(5);
    headless_key(MAIN_WINDOW, KEY_HOME);
    pump();
    EXPECT_NE(View.scale, scale);
    headless_key(MAIN_WINDOW, 'z');
    pump();
    EXPECT_FLOAT_EQ(View.scale, scale);
    EXPECT_NEAR(node_x(5), x5, 0.01f);
    EXPECT_NEAR(node_y(5), y5, 0.01f);
}

TEST_F(WindowSizeTest, ANumberBeyondTheModelIsSaidAndChangesNothing)
{
    start(BRIDGE);
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

TEST(ViewerCommandLine, ResetSettingsOnlyAsTheOneParameter)
{
    std::vector<const char*> parameters;
    const char* const alone[] = {"kelvaro", "--reset-settings"};
    EXPECT_EQ(read_viewer_command_line(2, alone, parameters), ViewerRequest::ResetSettings);
    const char* const with_path[] = {"kelvaro", "--reset-settings", "x.res"};
    EXPECT_EQ(read_viewer_command_line(3, with_path, parameters), ViewerRequest::Open);
    EXPECT_NE(viewer_help_text().find("--reset-settings"), std::string::npos);
}

// "Magnification..." 100: the deflected shape is drawn 100 times the real deflections at every
// zoom, the scale field follows the zoom and the picture says so; a scale typed into the field
// hands the scale back to it.
TEST_F(WindowSizeTest, ATrueMagnificationHoldsUnderZoomAndTheScaleFieldFollowsIt)
{
    start(BRIDGE);
    const Extreme largest = model_numbers().max_deflection;
    ASSERT_GT(largest.index, 0);
    const auto note_pixels = [] {
        const Picture& picture = *gadget_canvas_picture(ID_CANVAS);
        int found = 0;
        for (int y = 4; y < 24; ++y)
            for (int x = 4; x < 200; ++x) {
                const std::uint8_t* p = picture_row(picture, y) + 3 * x;
                found += p[2] == 140 && p[1] == 0 && p[0] == 140;
            }
        return found;
    };
    EXPECT_EQ(note_pixels(), 0);
    headless_answer_text("100");
    run_named_command("Magnification...");
    pump();
    EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 1);
    EXPECT_GT(note_pixels(), 20);                       // "deflections x 100"
    for (const char key : std::string(" +++------")) {  // ' ': as it is
        if (key != ' ')
            headless_key(MAIN_WINDOW, key);
        pump();
        SCOPED_TRACE("scale " + std::to_string(View.scale));
        const double drawn = std::hypot(ViewState.node_deflected_offset[1][largest.index],
                                        ViewState.node_deflected_offset[2][largest.index]);
        EXPECT_NEAR(drawn / (View.scale * largest.value), 100.0, 1e-3);
        EXPECT_EQ(gadget_get_text(ID_DEFLECTION_SCALE), str_from_float(100.0f * View.scale, 0));
    }
    headless_type(ID_DEFLECTION_SCALE, "500");
    headless_click(ID_DEFLECTED);
    pump();
    EXPECT_EQ(View.magnification, 0.0f);
    EXPECT_EQ(note_pixels(), 0);
    EXPECT_EQ(View.deflection_scale, 500.0f);
}

}  // namespace

// The viewer program on the headless backend: start-up with and without a path, every command of
// the main window, Load File, Save Image and the event loop. Pixels, angles, scales, switches and
// control states are checked exactly; the display tests in tests/x11 repeat a few broadly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/commands.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/reload.h"
#include "app/ui/save_image.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "core/str.h"
#include "draw/picture.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/window.h"

namespace {

namespace fs = std::filesystem;

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
const std::string BRIDGE = EXAMPLES + "bridge.res";             // planar, 12 nodes, 21 members
const std::string TOWER = EXAMPLES + "tower.res";               // spatial
const std::string GEOMETRY = EXAMPLES + "bridge-geometry.res";  // the bridge without results

int colour_at(const Picture& picture, int x, int y)
{
    const std::uint8_t* p = picture_row(picture, y) + 3 * x;
    return draw_rgb(p[2], p[1], p[0]);
}

int count_colour(const Picture& picture, int colour)
{
    int count = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (colour_at(picture, x, y) == colour)
                ++count;
    return count;
}

bool has_message(const std::string& title, const std::string& text)
{
    for (const HeadlessMessage& m : headless_messages())
        if (m.title == title && m.text == text)
            return true;
    return false;
}

// Runs a shell command and returns what it printed.
std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    pclose(pipe);
    return out;
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_record_frames(false);
        headless_reset_log();
        dir_ = fs::temp_directory_path() /
               ("kelvaro_commands_" + std::to_string(::getpid()) + "_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override
    {
        if (started_)
            viewer_shutdown();
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    // Starts the viewer as if run with these command-line parameters.
    void start(const std::vector<std::string>& parameters)
    {
        std::vector<const char*> argv{"kelvaro"};
        for (const std::string& p : parameters)
            argv.push_back(p.c_str());
        viewer_start(static_cast<int>(argv.size()), argv.data());
        started_ = true;
    }

    // Takes every queued event and runs its command, as the event loop does.
    void pump()
    {
        for (int event = event_wait(); event != EVENT_PLATFORM_MESSAGE; event = event_wait()) {
            if (event == EVENT_GADGET)
                run_command(event_gadget());
            if (redraw_pending) {
                redraw_view();
                redraw_pending = 0;
            }
        }
    }

    // A user's click on control id, and its command.
    void click(int id)
    {
        headless_click(id);
        pump();
    }

    Picture canvas() const { return *gadget_canvas_picture(ID_CANVAS); }

    fs::path dir_;
    bool started_ = false;
};

TEST_F(CommandTest, StartJoinsAPathSplitAtASpaceAndShowsThePlanarModelInPlan)
{
    fs::create_directories(dir_ / "my results");
    const std::string path = (dir_ / "my results" / "bridge.res").string();
    fs::copy_file(BRIDGE, path);
    start({(dir_ / "my").string(), "results/bridge.res"});

    EXPECT_EQ(results_path, path);
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + path);
    EXPECT_EQ(title_text.substr(0, 13), "KELVARO V.3.7");
    EXPECT_EQ(title_text.substr(title_text.size() - 5), "     ");
    EXPECT_EQ(TrussModel.node_count, 12);
    EXPECT_EQ(View.azimuth, 0.0f);
    EXPECT_EQ(View.elevation, -90.0f);
    EXPECT_EQ(gadget_get_state(ID_3D), 0);
    EXPECT_EQ(gadget_get_state(ID_VERTICAL), 1);
    EXPECT_EQ(gadget_get_state(ID_HORIZONTAL), 0);
    EXPECT_EQ(gadget_get_text(ID_ROTATE_STEP), "5");
    EXPECT_EQ(gadget_get_text(ID_DEFLECTION_SCALE), str_from_float(TrussModel.deflection_scale, 0));
    EXPECT_GT(count_colour(canvas(), draw_rgb(0, 0, 0)), 1000);  // the members are drawn
    EXPECT_TRUE(headless_messages().empty());
}

TEST_F(CommandTest, StartWithoutParametersAsksForTheFileAndASpatialModelGetsThe3DView)
{
    headless_answer(TOWER);
    start({});
    ASSERT_EQ(headless_requests().size(), 1u);
    const HeadlessRequest& request = headless_requests()[0];
    EXPECT_EQ(request.title, "OPEN ..");
    EXPECT_EQ(request.name, "");  // "*.*" is no plain file name
    EXPECT_FALSE(request.save);
    EXPECT_EQ(results_path, TOWER);
    EXPECT_EQ(gadget_get_state(ID_3D), 1);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 240.0f);
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + TOWER);
}

TEST_F(CommandTest, CancelledStartShowsAnEmptyViewAndTheBareTitle)
{
    start({});
    EXPECT_EQ(results_path, "");
    EXPECT_EQ(TrussModel.node_count, 0);
    EXPECT_TRUE(has_message("Error in Results", "Error in reading Truss Solver Results"));
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text);
    EXPECT_EQ(count_colour(canvas(), draw_rgb(0, 0, 0)), 0);
}

TEST_F(CommandTest, RotationFollowsTheSelectedOptionAndOnlyMinusRefits)
{
    start({TOWER});
    const float fitted = View.scale;
    click(ID_ZOOM_IN);
    click(ID_ROTATE_PLUS);
    EXPECT_EQ(View.azimuth, 20.0f);
    EXPECT_EQ(View.elevation, 240.0f);
    EXPECT_FLOAT_EQ(View.scale, fitted * 1.1f);  // "+" keeps the zoomed scale
    click(ID_ROTATE_MINUS);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.scale, fitted);  // "-" refits

    click(ID_HORIZONTAL);
    EXPECT_EQ(gadget_get_state(ID_VERTICAL), 0);
    gadget_set_text(ID_ROTATE_STEP, "10");
    click(ID_ROTATE_PLUS);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 230.0f);
    click(ID_ROTATE_MINUS);
    EXPECT_EQ(View.elevation, 240.0f);
}

TEST_F(CommandTest, AStepThatIsNoFiniteNumberTurnsNothing)
{
    start({TOWER});
    const Picture before = canvas();
    for (const char* text : {"abc", "NaN", "+Infinity", "-Infinity", "1e39", "-1e39"}) {
        gadget_set_text(ID_ROTATE_STEP, text);
        click(ID_ROTATE_PLUS);
        EXPECT_EQ(View.rotation_step, 0.0f) << text;
        click(ID_HORIZONTAL);
        click(ID_ROTATE_MINUS);
        click(ID_VERTICAL);
        EXPECT_EQ(View.azimuth, 25.0f) << text;
        EXPECT_EQ(View.elevation, 240.0f) << text;
        EXPECT_EQ(canvas().bits, before.bits) << text;
    }
}

TEST_F(CommandTest, ZoomStepsByATenthWithinItsBounds)
{
    start({BRIDGE});
    const float fitted = View.scale;
    const Picture before = canvas();
    click(ID_ZOOM_IN);
    EXPECT_FLOAT_EQ(View.scale, fitted + fitted / 10);
    EXPECT_NE(canvas().bits, before.bits);
    click(ID_ZOOM_OUT);
    const float in_then_out = (fitted + fitted / 10) - (fitted + fitted / 10) / 10;
    EXPECT_FLOAT_EQ(View.scale, in_then_out);

    View.scale = 9999.0f;
    click(ID_ZOOM_IN);
    EXPECT_FLOAT_EQ(View.scale, 9999.0f * 1.1f);
    click(ID_ZOOM_IN);
    EXPECT_FLOAT_EQ(View.scale, 9999.0f * 1.1f);  // at or above 10000 "In" does nothing

    View.scale = 0.0f;
    click(ID_ZOOM_OUT);
    EXPECT_EQ(View.scale, 0.0f);
}

TEST_F(CommandTest, The3DBoxSwitchesBetweenThePresetsFitted)
{
    start({TOWER});
    const float fitted_3d = View.scale;
    click(ID_3D);  // unticks
    EXPECT_EQ(gadget_get_state(ID_3D), 0);
    EXPECT_EQ(View.azimuth, 0.0f);
    EXPECT_EQ(View.elevation, -90.0f);
    click(ID_ZOOM_IN);
    click(ID_3D);  // ticks again: the 3D preset, fitted afresh
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 240.0f);
    EXPECT_EQ(View.scale, fitted_3d);
}

TEST_F(CommandTest, DeflectedReadsTheTypedScaleAndTypingTakesTheShapeAway)
{
    start({BRIDGE});
    const int magenta = draw_rgb(255, 0, 255);
    EXPECT_EQ(count_colour(canvas(), magenta), 0);
    click(ID_DEFLECTED);
    EXPECT_EQ(View.show_deflected, 1);
    const int shape_at_auto_scale = count_colour(canvas(), magenta);
    EXPECT_GT(shape_at_auto_scale, 100);

    headless_focus(ID_DEFLECTION_SCALE, true);
    headless_type(ID_DEFLECTION_SCALE, "3000");
    pump();
    EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 0);
    EXPECT_EQ(View.show_deflected, 0);
    EXPECT_EQ(count_colour(canvas(), magenta), 0);

    // The click on "Deflected" takes the focus from the field; both arrive before either is taken.
    headless_focus(ID_DEFLECTION_SCALE, false);
    click(ID_DEFLECTED);
    EXPECT_EQ(View.show_deflected, 1);
    EXPECT_EQ(View.deflection_scale, 3000.0f);
    EXPECT_GT(count_colour(canvas(), magenta), 0);
}

TEST_F(CommandTest, AnimationPlaysSixFramesThenShowsThePlainPicture)
{
    start({BRIDGE});
    const Picture plain = canvas();
    click(ID_DEFLECTED);
    headless_record_frames(true);
    click(ID_ANIMATION);
    headless_record_frames(false);
    EXPECT_EQ(headless_delays(), std::vector<int>(6, 250));
    EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 0);
    EXPECT_EQ(View.show_deflected, 0);
    EXPECT_EQ(ViewState.animation_phase, 6.0f);
    // Each frame is shown twice (plain, then with the moved members), then the final redraw.
    EXPECT_EQ(headless_frames().size(), 13u);
    EXPECT_GT(count_colour(headless_frames()[11], draw_rgb(0, 180, 120)), 100);
    EXPECT_EQ(canvas().bits, plain.bits);
}

TEST_F(CommandTest, LabelSwitchesFollowTheirBoxes)
{
    start({BRIDGE});
    const Picture plain = canvas();
    click(ID_APPLIED_LOAD);
    EXPECT_EQ(View.show_load_values, 1);
    const Picture with_loads = canvas();
    EXPECT_NE(with_loads.bits, plain.bits);
    click(ID_ELEMENT_NO);
    EXPECT_EQ(View.show_element_numbers, 1);
    EXPECT_NE(canvas().bits, with_loads.bits);
    click(ID_APPLIED_LOAD);
    click(ID_ELEMENT_NO);
    EXPECT_EQ(View.show_load_values, 0);
    EXPECT_EQ(View.show_element_numbers, 0);
    EXPECT_EQ(canvas().bits, plain.bits);
}

TEST_F(CommandTest, ShowStressesTicksElementNumbersAndDrawsTheTable)
{
    start({BRIDGE});
    click(ID_ELEMENT_NO);
    const Picture numbered = canvas();
    click(ID_ELEMENT_NO);
    click(ID_SHOW_STRESSES);
    EXPECT_EQ(gadget_get_state(ID_ELEMENT_NO), 1);
    EXPECT_EQ(View.show_element_numbers, 1);
    EXPECT_GT(count_colour(canvas(), draw_rgb(155, 0, 160)), 200);  // the rows' text colour
    EXPECT_GT(count_colour(canvas(), draw_rgb(0, 0, 255)), count_colour(numbered, draw_rgb(0, 0, 255)));
    EXPECT_TRUE(headless_delays().empty());  // 21 rows fit the first column
}

TEST_F(CommandTest, ShowStressesDoesNothingWithoutResults)
{
    start({GEOMETRY});
    EXPECT_TRUE(has_message("No Results", "Truss Solver Results not found"));
    EXPECT_EQ(results_missing, 1);
    EXPECT_GT(count_colour(canvas(), draw_rgb(0, 0, 0)), 1000);  // the geometry is drawn
    const Picture before = canvas();
    click(ID_SHOW_STRESSES);
    EXPECT_EQ(gadget_get_state(ID_ELEMENT_NO), 0);
    EXPECT_EQ(canvas().bits, before.bits);
}

TEST_F(CommandTest, LoadFileResetsViewSwitchesAndControls)
{
    start({BRIDGE});
    click(ID_ZOOM_IN);
    click(ID_HORIZONTAL);
    click(ID_ROTATE_PLUS);
    click(ID_DEFLECTED);
    click(ID_APPLIED_LOAD);
    click(ID_ELEMENT_NO);
    gadget_set_text(ID_ROTATE_STEP, "15");

    headless_answer(TOWER);
    click(ID_LOAD_FILE);
    EXPECT_EQ(results_path, TOWER);
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + TOWER);
    EXPECT_EQ(gadget_get_state(ID_3D), 1);  // ticked by the reader: the tower is spatial
    EXPECT_EQ(gadget_get_state(ID_VERTICAL), 1);
    EXPECT_EQ(gadget_get_state(ID_HORIZONTAL), 0);
    EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 0);
    EXPECT_EQ(gadget_get_state(ID_APPLIED_LOAD), 0);
    EXPECT_EQ(gadget_get_state(ID_ELEMENT_NO), 0);
    EXPECT_EQ(View.show_deflected + View.show_load_values + View.show_element_numbers, 0);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 240.0f);
    EXPECT_EQ(View.rotation_step, 5.0f);
    EXPECT_EQ(gadget_get_text(ID_ROTATE_STEP), "15");  // the field keeps its text

    // The same file loaded twice shows the same fitted picture.
    const Picture first = canvas();
    const float scale = View.scale;
    headless_answer(TOWER);
    click(ID_LOAD_FILE);
    EXPECT_EQ(View.scale, scale);
    EXPECT_EQ(canvas().bits, first.bits);
}

// Every control's state and text, to compare the window after a load with a fresh start.
std::vector<std::string> control_states()
{
    std::vector<std::string> states;
    for (int id : {ID_VERTICAL, ID_HORIZONTAL, ID_3D, ID_DEFLECTED, ID_APPLIED_LOAD, ID_ELEMENT_NO})
        states.push_back(std::to_string(id) + ": " + std::to_string(gadget_get_state(id)));
    for (int id : {ID_ROTATE_STEP, ID_DEFLECTION_SCALE})
        states.push_back(std::to_string(id) + ": " + gadget_get_text(id));
    return states;
}

TEST_F(CommandTest, DeflectedAndAnimationDoNothingAfterALoadWithoutResults)
{
    // The bridge's header, nodes and elements with the deflection heading and no values.
    std::ifstream bridge(BRIDGE);
    std::ofstream zero(dir_ / "zero.res");
    std::string line;
    for (int n = 0; n < 37 && std::getline(bridge, line); ++n)
        zero << line << "\n";
    zero.close();
    const struct {
        std::string path, title;
    } cases[] = {{GEOMETRY, "No Results"}, {(dir_ / "zero.res").string(), "Error in Results"}};

    for (const auto& c : cases) {
        start({c.path});
        const std::vector<std::string> fresh = control_states();
        viewer_shutdown();
        started_ = false;
        headless_reset_log();

        start({BRIDGE});
        click(ID_DEFLECTED);
        EXPECT_NE(gadget_get_text(ID_DEFLECTION_SCALE), "0");
        headless_answer(c.path);
        click(ID_LOAD_FILE);
        EXPECT_EQ(headless_messages().back().title, c.title);
        EXPECT_EQ(results_missing, 1);
        EXPECT_EQ(control_states(), fresh) << c.title;  // the bridge's scale is not kept

        const Picture geometry = canvas();
        headless_record_frames(true);
        click(ID_DEFLECTED);
        EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 0) << c.title;
        EXPECT_EQ(View.show_deflected, 0) << c.title;
        click(ID_ANIMATION);
        headless_record_frames(false);
        EXPECT_TRUE(headless_delays().empty()) << c.title;
        EXPECT_TRUE(headless_frames().empty()) << c.title;
        EXPECT_EQ(canvas().bits, geometry.bits) << c.title;
        viewer_shutdown();
        started_ = false;
    }
}

TEST_F(CommandTest, CancelledLoadKeepsEverythingAsItWas)
{
    start({BRIDGE});
    click(ID_ZOOM_IN);
    click(ID_HORIZONTAL);
    click(ID_ROTATE_PLUS);
    click(ID_DEFLECTED);
    click(ID_APPLIED_LOAD);
    headless_answer((dir_ / "view").string());
    click(ID_SAVE_IMAGE);
    const std::vector<std::string> controls = control_states();
    const Picture picture = canvas();
    const float scale = View.scale, elevation = View.elevation;
    const std::string saved_image = image_path;
    const std::size_t messages = headless_messages().size();

    click(ID_LOAD_FILE);  // no answer: the dialog is cancelled
    EXPECT_EQ(headless_requests().size(), 2u);
    EXPECT_EQ(headless_messages().size(), messages);  // no box
    EXPECT_EQ(results_path, BRIDGE);
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + BRIDGE);
    EXPECT_EQ(TrussModel.node_count, 12);
    EXPECT_EQ(TrussModel.element_count, 21);
    EXPECT_EQ(control_states(), controls);
    EXPECT_EQ(View.show_deflected + View.show_load_values, 2);
    EXPECT_EQ(View.scale, scale);
    EXPECT_EQ(View.elevation, elevation);
    EXPECT_EQ(image_path, saved_image);
    EXPECT_EQ(canvas().bits, picture.bits);
}

// The controls of the column that do not show their setting, by number ("" when all do).
std::string unmirrored()
{
    std::string wrong;
    const auto check = [&wrong](int id, bool shows_it) {
        if (!shows_it)
            wrong += std::to_string(id) + " ";
    };
    check(ID_3D, gadget_get_state(ID_3D) == View.preset_3d);
    check(ID_VERTICAL, gadget_get_state(ID_VERTICAL) == !View.rotate_horizontal);
    check(ID_HORIZONTAL, gadget_get_state(ID_HORIZONTAL) == View.rotate_horizontal);
    check(ID_DEFLECTED, gadget_get_state(ID_DEFLECTED) == (View.show_deflected != 0));
    check(ID_APPLIED_LOAD, gadget_get_state(ID_APPLIED_LOAD) == (View.show_load_values != 0));
    check(ID_ELEMENT_NO, gadget_get_state(ID_ELEMENT_NO) == (View.show_element_numbers != 0));
    check(ID_ROTATE_STEP, gadget_get_text(ID_ROTATE_STEP) == View.rotation_step_text);
    check(ID_DEFLECTION_SCALE, gadget_get_text(ID_DEFLECTION_SCALE) == View.deflection_scale_text);
    return wrong;
}

TEST_F(CommandTest, TheColumnShowsTheSettingsAfterEveryCommandAndAReloadKeepsThem)
{
    start({BRIDGE});
    const auto type = [this](int field, const char* text) {
        headless_focus(field, true);
        headless_type(field, text);
        headless_focus(field, false);
        pump();
    };
    const struct {
        const char* what;
        std::function<void()> act;
    } steps[] = {
        {"3D", [&] { click(ID_3D); }},
        {"Horizontal", [&] { click(ID_HORIZONTAL); }},
        {"a step typed", [&] { type(ID_ROTATE_STEP, "20"); }},
        {"Deflected", [&] { click(ID_DEFLECTED); }},
        {"a scale typed", [&] { type(ID_DEFLECTION_SCALE, "3000"); }},
        {"Deflected again", [&] { click(ID_DEFLECTED); }},
        {"Applied Load", [&] { click(ID_APPLIED_LOAD); }},
        {"Show Stresses", [&] { click(ID_SHOW_STRESSES); }},
        {"kelvaro-render's 3D off", [&] { set_control_switch(ID_3D, false); }},
        {"kelvaro-render's 3D on", [&] { set_control_switch(ID_3D, true); }},
        {"reload", [&] { reload_file(); }},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(unmirrored(), "") << step.what;
    }
    // The reload kept what the user had chosen and typed: the 3D view, the axis, the boxes, both texts.
    for (int id : {ID_3D, ID_HORIZONTAL, ID_DEFLECTED, ID_APPLIED_LOAD, ID_ELEMENT_NO})
        EXPECT_EQ(gadget_get_state(id), 1) << id;
    EXPECT_EQ(gadget_get_text(ID_ROTATE_STEP), "20");
    EXPECT_EQ(gadget_get_text(ID_DEFLECTION_SCALE), "3000");
    EXPECT_EQ(View.deflection_scale, 3000.0f);
    click(ID_ROTATE_PLUS);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 220.0f);
}

TEST(CommandTable, NoShortcutIsTakenTwiceAndEveryControlHasOneCommand)
{
    const std::vector<ViewerCommand>& table = viewer_commands();
    for (std::size_t a = 0; a < table.size(); ++a) {
        for (std::size_t b = a + 1; b < table.size(); ++b) {
            const bool same_key = table[a].key == table[b].key && table[a].modifiers == table[b].modifiers;
            EXPECT_FALSE(table[a].key != 0 && same_key) << table[a].label << " and " << table[b].label;
            EXPECT_FALSE(table[a].control != 0 && table[a].control == table[b].control) << table[a].label;
        }
    }
}

TEST_F(CommandTest, SaveImageWritesTheFramedCaptureAsJpeg)
{
    start({BRIDGE});
    click(ID_SHOW_STRESSES);
    const std::string typed = (dir_ / "view").string();
    headless_answer(typed);
    click(ID_SAVE_IMAGE);

    const std::string saved = typed + ".jpg";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(image_path, saved);
    EXPECT_TRUE(has_message("Notice", "Image Saved as: " + saved));
    EXPECT_EQ(headless_messages().back().flags, 0x40u);
    ASSERT_EQ(headless_requests().size(), 1u);
    EXPECT_EQ(headless_requests()[0].title, "Save as jpeg");
    EXPECT_EQ(headless_requests()[0].folder, fs::current_path().string());
    EXPECT_EQ(headless_requests()[0].name, "");

    // The headless capture is the 800 x 500 client area; 2 pixels go from every side.
    EXPECT_EQ(run("identify -format '%w %h %Q' '" + saved + "'"), "796 496 70");
    // The frame line (0, 5, 255) is the top row and the left column; inside it the canvas shows.
    const std::string top = run("convert '" + saved + "' -crop 1x1+300+0 -depth 8 txt:- | tail -1");
    const std::string inside = run("convert '" + saved + "' -crop 1x1+300+3 -depth 8 txt:- | tail -1");
    int r = 0, g = 0, b = 0;
    ASSERT_EQ(std::sscanf(top.c_str(), "%*d,%*d: (%d,%d,%d", &r, &g, &b), 3) << top;
    // A one-pixel line loses some of its colour to the JPEG's chroma subsampling.
    EXPECT_GT(b, r + 120);
    EXPECT_GT(b, g + 100);
    ASSERT_EQ(std::sscanf(inside.c_str(), "%*d,%*d: (%d,%d,%d", &r, &g, &b), 3) << inside;
    EXPECT_GT(r + g + b, 600);  // the canvas's white field

    // The next save offers the folder and name of this one.
    headless_answer("");
    click(ID_SAVE_IMAGE);
    ASSERT_EQ(headless_requests().size(), 2u);
    EXPECT_EQ(headless_requests()[1].folder, dir_.string());
    EXPECT_EQ(headless_requests()[1].name, "view.jpg");
}

TEST_F(CommandTest, SaveImageFailuresSayWhyAndLeaveNoFile)
{
    start({BRIDGE});
    click(ID_SAVE_IMAGE);  // cancelled
    EXPECT_TRUE(has_message("Warning", "Can not Save the file!"));
    EXPECT_EQ(image_path, "");

    const std::string missing = (dir_ / "no such folder" / "view.png").string();
    headless_answer(missing);
    click(ID_SAVE_IMAGE);
    const std::string expected = (dir_ / "no such folder" / "view.jpg").string();
    EXPECT_EQ(image_path, expected);
    EXPECT_EQ(headless_messages().back().title, "Warning");
    EXPECT_NE(headless_messages().back().text.find(expected), std::string::npos);
    EXPECT_NE(headless_messages().back().text.find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "no such folder"));

    // No window carries the expected caption: nothing can be captured.
    const std::string caption = window_title;
    window_title = "some other caption";
    headless_answer((dir_ / "x").string());
    click(ID_SAVE_IMAGE);
    EXPECT_TRUE(has_message("Warning", "Can not Save the Image!"));
    EXPECT_FALSE(fs::exists(dir_ / "x.jpg"));

    // The capture fails: the picture it was to replace stays as it was, and nothing else appears.
    window_title = caption;
    std::ofstream(dir_ / "old.jpg") << "old picture";
    headless_reset_log();
    headless_fail_capture(true);
    headless_answer((dir_ / "old.jpg").string());
    click(ID_SAVE_IMAGE);
    headless_fail_capture(false);
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_TRUE(has_message("Warning", "Can not Save the Image!"));
    std::ifstream old_file(dir_ / "old.jpg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old_file), {}), "old picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(CommandTest, SaveImageAsksBeforeReplacingAFileTheDialogDidNotName)
{
    start({BRIDGE});
    const std::string jpg = (dir_ / "out.jpg").string();
    const auto contents = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::ofstream(jpg) << "old picture";

    // "out.png" becomes "out.jpg", which exists: "No" ends the command quietly.
    headless_answer((dir_ / "out.png").string());
    click(ID_SAVE_IMAGE);
    ASSERT_EQ(headless_questions().size(), 1u);
    EXPECT_EQ(headless_questions()[0].title, "Notice");
    EXPECT_EQ(headless_questions()[0].text, jpg + " exists. Replace it?");
    EXPECT_TRUE(headless_messages().empty());
    EXPECT_EQ(contents(jpg), "old picture");
    EXPECT_FALSE(fs::exists(dir_ / "out.png"));

    // "Yes" replaces it.
    headless_answer((dir_ / "out.png").string());
    headless_answer_question(true);
    click(ID_SAVE_IMAGE);
    EXPECT_EQ(headless_questions().size(), 2u);
    EXPECT_TRUE(has_message("Notice", "Image Saved as: " + jpg));
    EXPECT_EQ(contents(jpg).substr(0, 2), "\xFF\xD8");

    // A name saved as it was chosen, and a new name, are saved without a question.
    std::ofstream(jpg) << "old picture";
    headless_answer(jpg);
    headless_answer((dir_ / "new.png").string());
    click(ID_SAVE_IMAGE);
    click(ID_SAVE_IMAGE);
    EXPECT_EQ(headless_questions().size(), 2u);
    EXPECT_EQ(contents(jpg).substr(0, 2), "\xFF\xD8");
    EXPECT_TRUE(fs::exists(dir_ / "new.jpg"));
}

TEST(JpegFileName, TheNamesExtensionBecomesJpg)
{
    const std::string long_name(200, 'n');
    const struct {
        std::string typed, saved;
    } cases[] = {
        {"out", "out.jpg"},
        {"out.png", "out.jpg"},
        {"out.old.bmp", "out.old.jpg"},
        {"view.jpg", "view.jpg"},
        {"/data/my.pics/out", "/data/my.pics/out.jpg"},
        {"/data/my.pics/out.png", "/data/my.pics/out.jpg"},
        {"/data/.hidden", "/data/.hidden.jpg"},
        {"/data/" + long_name + ".x", "/data/" + long_name + ".jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jpeg_file_name(c.typed), c.saved) << c.typed;
}

TEST_F(CommandTest, TheEventLoopAnswersRepaintsAndEndsOnExitOrClose)
{
    start({BRIDGE});
    // A repaint request reaches the callback and is answered by a full redraw after the wait.
    Picture* picture = gadget_canvas_picture(ID_CANVAS);
    std::fill(picture->bits.begin(), picture->bits.end(), 0);
    headless_expose(MAIN_WINDOW);
    headless_click(ID_EXIT);
    run_event_loop();  // returns on "Exit"
    EXPECT_EQ(redraw_pending, 0);
    EXPECT_EQ(colour_at(*picture, 350, 5), draw_rgb(255, 255, 255));

    headless_close(MAIN_WINDOW);
    run_event_loop();  // returns on the close request
    SUCCEED();
}

}  // namespace

// The viewer's mouse gestures, shortcuts, context menu, inspection, dropped files and reload on
// the headless backend: angles, scales, pans and pictures are checked exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/context_menu.h"
#include "app/ui/export_commands.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/picking.h"
#include "app/view/view.h"
#include "draw/picture.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

namespace fs = std::filesystem;

const std::string BRIDGE = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";  // planar, 12 nodes
const std::string TOWER = std::string(KELVARO_SOURCE_DIR) + "/examples/tower.res";

bool same_picture(const Picture& a, const Picture& b)
{
    return a.width == b.width && a.height == b.height && a.bits == b.bits;
}

class InteractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_reset_log();
        dir_ = fs::temp_directory_path() / ("kelvaro_interaction_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override
    {
        if (started_)
            viewer_shutdown();
        View.overlays = OverlayStateData{};
        View.pan = ViewPanData{};
        set_reload_on_change(false);
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    void start(const std::string& path)
    {
        std::vector<const char*> argv{"kelvaro", path.c_str()};
        viewer_start(2, argv.data());
        started_ = true;
    }

    // Runs every queued event as the event loop does; true when one of them ends the program.
    bool pump()
    {
        bool leave = false;
        for (int event = event_wait(); event != EVENT_PLATFORM_MESSAGE; event = event_wait())
            leave = handle_event(event) || leave;
        return leave;
    }

    Picture canvas() const { return *gadget_canvas_picture(ID_CANVAS); }
    float node_x(int i) const { return ViewState.node_screen[1][i]; }
    float node_y(int i) const { return ViewState.node_screen[2][i]; }

    fs::path dir_;
    bool started_ = false;
};

TEST_F(InteractionTest, LeftDragTurnsHalfADegreePerPixelKeepingTheScaleAndPlusGoesOnFromIt)
{
    start(BRIDGE);
    const float scale = View.scale;
    const Picture before = canvas();

    headless_drag(ID_CANVAS, 0, 300, 200, 302, 198);  // within the click threshold: no turn
    pump();
    EXPECT_EQ(View.azimuth, 0.0f);
    EXPECT_EQ(View.elevation, -90.0f);
    EXPECT_TRUE(same_picture(canvas(), before));

    headless_pointer_move(ID_CANVAS, 300, 200);
    headless_pointer_button(ID_CANVAS, 0, true, 300, 200);
    headless_pointer_move(ID_CANVAS, 340, 200);
    pump();
    EXPECT_EQ(View.azimuth, 20.0f);  // redrawn while the button is still down
    EXPECT_FALSE(same_picture(canvas(), before));
    headless_pointer_move(ID_CANVAS, 280, 230);
    headless_pointer_button(ID_CANVAS, 0, false, 280, 230);
    pump();
    EXPECT_EQ(View.azimuth, -10.0f);
    EXPECT_EQ(View.elevation, -75.0f);
    EXPECT_EQ(View.scale, scale);

    headless_click(ID_ROTATE_PLUS);  // "Vertical" and step 5: the azimuth goes on from -10
    pump();
    EXPECT_EQ(View.azimuth, -15.0f);
    EXPECT_EQ(View.elevation, -75.0f);
    EXPECT_EQ(View.scale, scale);
}

TEST_F(InteractionTest, WheelZoomsAboutThePointerAndBackExactly)
{
    start(TOWER);
    const Picture before = canvas();
    const float scale = View.scale;
    const int x = 410, y = 170;
    const float dx = node_x(3) - x, dy = node_y(3) - y;

    headless_wheel(ID_CANVAS, 2, x, y);
    headless_wheel(ID_CANVAS, 1, x, y);
    pump();
    // Node 3 moved away from the pointer by 1.1^3 exactly as far: the pointer's point stayed put.
    EXPECT_NEAR(node_x(3) - x, 1.331f * dx, 0.01f);
    EXPECT_NEAR(node_y(3) - y, 1.331f * dy, 0.01f);
    EXPECT_NEAR(View.scale, 1.331f * scale, 1e-4f * scale);

    headless_wheel(ID_CANVAS, -1, x, y);
    headless_wheel(ID_CANVAS, -3, x, y);
    headless_wheel(ID_CANVAS, 1, x, y);
    pump();
    EXPECT_EQ(View.scale, scale);
    EXPECT_EQ(View.pan.u, 0.0f);
    EXPECT_EQ(View.pan.v, 0.0f);
    EXPECT_TRUE(same_picture(canvas(), before));

    headless_click(ID_ZOOM_IN);  // "In" goes on from the wheel's view
    headless_wheel(ID_CANVAS, 1, x, y);
    pump();
    EXPECT_NEAR(View.scale, 1.21f * scale, 1e-4f * scale);
}

TEST_F(InteractionTest, ShiftDragAndMiddleDragPanAndHomeFitsAgain)
{
    start(BRIDGE);
    const Picture before = canvas();
    const float x8 = node_x(8), y8 = node_y(8);
    headless_drag(ID_CANVAS, 0, 100, 100, 130, 90, KEY_MOD_SHIFT);
    pump();
    EXPECT_NEAR(node_x(8), x8 + 30.0f, 1e-3f);
    EXPECT_NEAR(node_y(8), y8 - 10.0f, 1e-3f);
    headless_drag(ID_CANVAS, 2, 100, 100, 95, 140);
    pump();
    EXPECT_NEAR(node_x(8), x8 + 25.0f, 1e-3f);
    EXPECT_NEAR(node_y(8), y8 + 30.0f, 1e-3f);
    EXPECT_EQ(View.azimuth, 0.0f);
    EXPECT_EQ(View.elevation, -90.0f);

    headless_key(MAIN_WINDOW, KEY_HOME);
    pump();
    EXPECT_TRUE(same_picture(canvas(), before));
}

// Ctrl+R opens the results window; the canvas and the window share one selection.
TEST_F(InteractionTest, CtrlROpensTheResultsWindowAndACanvasClickSelectsItsRow)
{
    start(BRIDGE);
    headless_key(MAIN_WINDOW, 'r');  // without Ctrl: the reactions switch
    pump();
    EXPECT_FALSE(headless_table_window().open);
    EXPECT_TRUE(View.overlays.show_reactions);
    headless_key(MAIN_WINDOW, 'r', KEY_MOD_CTRL);
    pump();
    ASSERT_TRUE(headless_table_window().open);
    // The scale field's tooltip tells the drawn shape's magnification, which a zoom changes.
    const std::string magnification = gadget_tooltip(ID_DEFLECTION_SCALE);
    EXPECT_EQ(magnification.rfind("Deflected shape drawn x ", 0), 0u) << magnification;
    headless_wheel(ID_CANVAS, 2, 300, 300);
    pump();
    EXPECT_NE(gadget_tooltip(ID_DEFLECTION_SCALE), magnification);
    const int x = static_cast<int>(std::lround((node_x(8) + node_x(9)) / 2));
    const int y = static_cast<int>(std::lround(node_y(8) + 3.0f));
    headless_pointer_move(ID_CANVAS, x, y);
    headless_pointer_button(ID_CANVAS, 0, true, x, y);
    headless_pointer_button(ID_CANVAS, 0, false, x, y);
    pump();
    EXPECT_EQ(View.overlays.highlight_member, 7);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_MEMBERS);
    EXPECT_EQ(headless_table_window().selected_row, 6);  // data rows count from member 1
    headless_key(MAIN_WINDOW, KEY_ESCAPE);
    pump();
    EXPECT_EQ(headless_table_window().selected_row, -1);
    results_window_close();
}

// The menu's exports: the offered name follows the results file, a name without a known extension
// gets the default one, and a failed export says why.
TEST_F(InteractionTest, ExportsFromTheMenuWriteTheirFilesOrSayWhy)
{
    start(BRIDGE);
    EXPECT_EQ(offered_export_name(".png"), BRIDGE.substr(0, BRIDGE.size() - 4) + ".png");
    headless_answer((dir_ / "view").string());
    export_picture_command();
    std::ifstream png(dir_ / "view.png", std::ios::binary);
    char signature[8] = {};
    png.read(signature, sizeof signature);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");

    headless_answer((dir_ / "numbers.json").string());
    export_results_command();
    EXPECT_TRUE(fs::exists(dir_ / "numbers.json"));

    headless_reset_log();
    headless_answer((dir_ / "missing" / "frames.gif").string());  // no such folder
    export_animation_command();
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "Warning");
    EXPECT_NE(headless_messages()[0].text.find("frames.gif"), std::string::npos) << headless_messages()[0].text;
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(InteractionTest, ShortcutsToggleOnlyWithoutAFocusedFieldAndEscapeClearsTheSelection)
{
    start(BRIDGE);
    for (int key : {'c', 'n', 'r', 'm'})
        headless_key(MAIN_WINDOW, key);
    pump();
    EXPECT_TRUE(View.overlays.show_force_colours);
    EXPECT_TRUE(View.overlays.show_node_numbers);
    EXPECT_TRUE(View.overlays.show_reactions);
    EXPECT_TRUE(View.overlays.show_max_deflection);

    headless_focus(ID_ROTATE_STEP, true);
    headless_key(MAIN_WINDOW, 'n');  // typed into the step field
    pump();
    EXPECT_TRUE(View.overlays.show_node_numbers);
    headless_focus(ID_ROTATE_STEP, false);
    headless_key(MAIN_WINDOW, 'n', KEY_MOD_CTRL);  // no command has Ctrl+N
    headless_key(MAIN_WINDOW, 'N', KEY_MOD_SHIFT);
    pump();
    EXPECT_FALSE(View.overlays.show_node_numbers);

    headless_pointer_move(ID_CANVAS, static_cast<int>(std::lround(node_x(9))),
                          static_cast<int>(std::lround(node_y(9))));
    headless_pointer_button(ID_CANVAS, 0, true, static_cast<int>(std::lround(node_x(9))),
                            static_cast<int>(std::lround(node_y(9))));
    headless_pointer_button(ID_CANVAS, 0, false, static_cast<int>(std::lround(node_x(9))),
                            static_cast<int>(std::lround(node_y(9))));
    pump();
    EXPECT_EQ(View.overlays.highlight_node, 9);
    headless_key(MAIN_WINDOW, KEY_ESCAPE);
    EXPECT_FALSE(pump());  // Escape never ends the program
    EXPECT_EQ(View.overlays.highlight_node, 0);
    EXPECT_NE(win_handle(MAIN_WINDOW), 0);
}

TEST_F(InteractionTest, ClickSelectsTheNodeOrMemberUnderThePointerAndHoverShowsItsValues)
{
    start(BRIDGE);
    auto click = [&](float x, float y) {
        const int px = static_cast<int>(std::lround(x)), py = static_cast<int>(std::lround(y));
        headless_pointer_move(ID_CANVAS, px, py);
        headless_pointer_button(ID_CANVAS, 0, true, px, py);
        headless_pointer_button(ID_CANVAS, 0, false, px, py);
        pump();
    };
    // Member 7 runs from node 8 to node 9 along the top chord.
    click((node_x(8) + node_x(9)) / 2, node_y(8) + 3.0f);
    EXPECT_EQ(View.overlays.highlight_member, 7);
    EXPECT_EQ(View.overlays.highlight_node, 0);
    EXPECT_EQ(gadget_tooltip(ID_CANVAS).rfind("Member 7: nodes 8 - 9\nlength 4 m\nstress ", 0), 0u)
        << gadget_tooltip(ID_CANVAS);
    EXPECT_NE(gadget_tooltip(ID_CANVAS).find("(compression)"), std::string::npos);  // the top chord pushes
    click(node_x(8) + 2.0f, node_y(8) + 2.0f);                                      // a node wins over its members
    EXPECT_EQ(View.overlays.highlight_node, 8);
    EXPECT_EQ(View.overlays.highlight_member, 0);
    EXPECT_EQ(
        gadget_tooltip(ID_CANVAS).rfind("Node 8: x, y, z 4, 4, 0 m\nrestraints 0 0 0\nload 0, 0, 0 kN\ndeflection ", 0),
        0u)
        << gadget_tooltip(ID_CANVAS);
    headless_pointer_move(ID_CANVAS, static_cast<int>(std::lround(node_x(1))),
                          static_cast<int>(std::lround(node_y(1))));
    pump();  // a support carries half the deck load (x is what the file's rounded forces leave)
    EXPECT_NE(gadget_tooltip(ID_CANVAS).find("\nrestraints 1 1 0\n"), std::string::npos) << gadget_tooltip(ID_CANVAS);
    EXPECT_NE(gadget_tooltip(ID_CANVAS).find(", 250, 0", gadget_tooltip(ID_CANVAS).find("\nreaction ")),
              std::string::npos)
        << gadget_tooltip(ID_CANVAS);
    click((node_x(8) + node_x(9)) / 2, node_y(8) - 40.0f);  // nothing there
    EXPECT_EQ(View.overlays.highlight_node, 0);
    EXPECT_EQ(gadget_tooltip(ID_CANVAS), "");
}

// Squared distance from (x, y) to member e as drawn.
double distance2(int e, double x, double y)
{
    const int a = TrussModel.element_nodes[e][1], b = TrussModel.element_nodes[e][2];
    const double ax = ViewState.node_screen[1][a], ay = ViewState.node_screen[2][a];
    const double bx = ViewState.node_screen[1][b], by = ViewState.node_screen[2][b];
    const double length2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
    double t = length2 > 0 ? ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / length2 : 0;
    t = std::fmin(1.0, std::fmax(0.0, t));
    const double ex = ax + t * (bx - ax) - x, ey = ay + t * (by - ay) - y;
    return ex * ex + ey * ey;
}

TEST_F(InteractionTest, PickGridFindsWhatAScanOfEveryMemberAndNodeFinds)
{
    // 1500 random members, some far off the canvas, some crossing all of it.
    reset_to_startup_defaults();
    reset_for_load();
    const int nodes = 1000, elements = 1500;
    TrussModel.node_count = nodes;
    TrussModel.element_count = elements;
    size_node_records(nodes);
    size_element_records(elements);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(-300.0f, 1000.0f), down(-300.0f, 800.0f);
    for (int i = 1; i <= nodes; ++i) {
        ViewState.node_screen[1][i] = across(random);
        ViewState.node_screen[2][i] = down(random);
    }
    View.scale = 1.0f;
    for (int e = 1; e <= elements; ++e) {
        TrussModel.element_nodes[e][1] = 1 + static_cast<int>(random() % nodes);
        TrussModel.element_nodes[e][2] = e % 50 == 0 ? 0 : 1 + static_cast<int>(random() % nodes);
    }
    picking_invalidate();
    int found = 0;
    std::uniform_real_distribution<float> px(0.0f, 700.0f), py(0.0f, 500.0f);
    for (int n = 0; n < 3000; ++n) {
        const float x = px(random), y = py(random);
        float best_node = NODE_PICK_RADIUS * NODE_PICK_RADIUS;
        float best_member = MEMBER_PICK_DISTANCE * MEMBER_PICK_DISTANCE;
        int node = 0, member = 0;
        for (int i = 1; i <= nodes; ++i) {
            const float dx = ViewState.node_screen[1][i] - x, dy = ViewState.node_screen[2][i] - y;
            if (dx * dx + dy * dy < best_node)
                best_node = dx * dx + dy * dy, node = i;
        }
        for (int e = 1; e <= elements && node == 0; ++e) {
            if (TrussModel.element_nodes[e][2] == 0)
                continue;
            const double d2 = distance2(e, x, y);
            if (d2 < best_member)
                best_member = static_cast<float>(d2), member = e;
        }
        const PickResult picked = pick_at(x, y);
        EXPECT_EQ(picked.node, node) << x << ", " << y;
        // Where members cross, any of the nearest will do.
        if (node == 0) {
            EXPECT_EQ(picked.member != 0, member != 0) << x << ", " << y;
            if (picked.member != 0) {
                EXPECT_LE(distance2(picked.member, x, y), best_member + 1e-3) << x << ", " << y;
            }
        }
        found += picked.node != 0 || picked.member != 0;
    }
    EXPECT_GT(found, 300);  // the points did hit things
}

TEST_F(InteractionTest, RightClickMenuListsEveryCommandWithItsShortcutAndRunsTheChoice)
{
    start(BRIDGE);
    int node_numbers = -1;
    for (std::size_t k = 0; k < viewer_commands().size(); ++k)
        if (viewer_commands()[k].label == "Node numbers")
            node_numbers = static_cast<int>(k);
    ASSERT_GE(node_numbers, 0);
    headless_menu_answer(node_numbers);
    headless_drag(ID_CANVAS, 1, 200, 200, 200, 200);
    pump();
    ASSERT_EQ(headless_menus().size(), 1u);
    const std::vector<MenuEntry>& menu = headless_menus()[0];
    auto entry = [&](const std::string& label) {
        for (const MenuEntry& e : menu)
            if (e.label == label)
                return e;
        ADD_FAILURE() << "no menu entry " << label;
        return MenuEntry{};
    };
    EXPECT_EQ(entry("Force colours").key, 'c');
    EXPECT_TRUE(entry("Force colours").toggle);
    EXPECT_EQ(entry("Node numbers").key, 'n');
    EXPECT_EQ(entry("Reactions").key, 'r');
    EXPECT_EQ(entry("Largest deflection").key, 'm');
    EXPECT_EQ(entry("Fit the model").key, KEY_HOME);
    EXPECT_EQ(entry("Reload").key, KEY_F5);
    EXPECT_EQ(entry("Clear the selection").key, KEY_ESCAPE);
    EXPECT_EQ(entry("Controls...").key, KEY_F1);
    EXPECT_TRUE(entry("Reload when the file changes").toggle);
    EXPECT_TRUE(View.overlays.show_node_numbers);

    headless_drag(ID_CANVAS, 1, 200, 200, 200, 200);  // dismissed: nothing changes
    pump();
    EXPECT_EQ(headless_menus().size(), 2u);
    EXPECT_TRUE(headless_menus()[1][node_numbers].checked);
    EXPECT_TRUE(View.overlays.show_node_numbers);

    headless_key(MAIN_WINDOW, KEY_F1);
    pump();
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "Controls");
    EXPECT_NE(headless_messages()[0].text.find("Wheel: zoom"), std::string::npos);
    EXPECT_NE(headless_messages()[0].text.find("F5: Reload"), std::string::npos);
}

TEST(DroppedFiles, FirstLocalFileOfAUriListWithItsEscapesDecoded)
{
    EXPECT_EQ(first_dropped_file("file:///tmp/a%20b.res\r\n"), "/tmp/a b.res");
    EXPECT_EQ(first_dropped_file("# copied\r\nfile://localhost/x%41%2fy%zz%\r\nfile:///second\r\n"), "/xA/y%zz%");
    EXPECT_EQ(first_dropped_file("http://host/a.res\nfile://otherhost/b.res\nfile:///n%00ul\n/plain path.res\n"),
              "/plain path.res");
    EXPECT_EQ(first_dropped_file("file:/short%25.res"), "/short%.res");
    EXPECT_EQ(first_dropped_file("relative.res\nfile:relative\n\n"), "");
    EXPECT_EQ(first_dropped_file(""), "");
}

TEST_F(InteractionTest, DroppedFileOpensAsLoadFileWithItsResetAndTogglesSurvive)
{
    start(TOWER);
    const fs::path path = dir_ / "a b%.res";
    fs::copy_file(BRIDGE, path);
    headless_key(MAIN_WINDOW, 'n');
    headless_wheel(ID_CANVAS, 2, 300, 300);
    headless_drag(ID_CANVAS, 0, 300, 300, 320, 300);
    pump();
    View.overlays.highlight_node = 3;

    const std::string uri = "file://" + (dir_ / "a%20b%25.res").string() + "\r\n";
    headless_drop(MAIN_WINDOW, uri);
    pump();
    EXPECT_EQ(results_path, path.string());
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + path.string());
    EXPECT_EQ(TrussModel.node_count, 12);
    EXPECT_EQ(View.azimuth, 0.0f);  // the load's reset and the plan view of a planar model
    EXPECT_EQ(View.elevation, -90.0f);
    EXPECT_EQ(View.pan.u, 0.0f);
    EXPECT_TRUE(View.overlays.show_node_numbers);  // the user's switch stays
    EXPECT_EQ(View.overlays.highlight_node, 0);    // the selection belonged to the other model

    // The same as starting with that file.
    const Picture dropped = canvas();
    viewer_shutdown();
    started_ = false;
    View.overlays = OverlayStateData{};
    View.overlays.show_node_numbers = true;
    start(path.string());
    EXPECT_TRUE(same_picture(canvas(), dropped));
}

TEST_F(InteractionTest, ReloadKeepsTheViewAndTheWatchReloadsOnChange)
{
    const fs::path path = dir_ / "bridge.res";
    fs::copy_file(BRIDGE, path);
    start(path.string());
    headless_drag(ID_CANVAS, 0, 300, 300, 330, 310);
    headless_wheel(ID_CANVAS, 3, 250, 200);
    headless_drag(ID_CANVAS, 2, 300, 300, 280, 330);
    pump();
    const Picture before = canvas();
    const float azimuth = View.azimuth, scale = View.scale, pan_u = View.pan.u;

    headless_key(MAIN_WINDOW, KEY_F5);
    pump();
    EXPECT_EQ(View.azimuth, azimuth);
    EXPECT_EQ(View.scale, scale);
    EXPECT_EQ(View.pan.u, pan_u);
    EXPECT_TRUE(same_picture(canvas(), before));

    int watch = -1;
    for (std::size_t k = 0; k < viewer_commands().size(); ++k)
        if (viewer_commands()[k].label == "Reload when the file changes")
            watch = static_cast<int>(k);
    headless_menu_answer(watch);
    headless_drag(ID_CANVAS, 1, 10, 10, 10, 10);
    pump();
    EXPECT_EQ(headless_watched(), path.string());

    // The solver writes a new result: node 8 moves up by 1.
    std::ifstream in(BRIDGE);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = text.find("  8  0 0 0      4.0000     4.0000");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 33, "  8  0 0 0      4.0000     5.0000");
    std::ofstream(path, std::ios::binary) << text;
    const float x1 = node_x(1), y1 = node_y(1), x12 = node_x(12), y12 = node_y(12);
    headless_file_changed();
    pump();
    EXPECT_EQ(View.scale, scale);
    // The model's centre moved up by half a metre; the nodes that stayed stay on the canvas.
    EXPECT_NEAR(node_x(1), x1, 1e-3f);
    EXPECT_NEAR(node_y(1), y1, 1e-3f);
    EXPECT_NEAR(node_x(12), x12, 1e-3f);
    EXPECT_NEAR(node_y(12), y12, 1e-3f);
    EXPECT_FALSE(same_picture(canvas(), before));
    EXPECT_EQ(TrussModel.node_count, 12);
}

}  // namespace

// The width and height stored in a PNG file's header (0 when it is no PNG).
void png_size(const fs::path& path, int& width, int& height)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const auto big_endian = [&header](int at) {
        return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3];
    };
    const bool png = in && header[1] == 'P' && header[2] == 'N' && header[3] == 'G';
    width = png ? big_endian(16) : 0;
    height = png ? big_endian(20) : 0;
}

// Ctrl+C copies and Ctrl+P prints the canvas picture as shown (never the "c" of force colours);
// "Export calculation sheet..." writes a PDF; "Export picture..." writes the size asked for, the
// canvas's when the offered size is taken, and refuses a size that is none.
TEST_F(InteractionTest, CopyPrintSheetAndPictureSizeFromTheViewer)
{
    start(BRIDGE);
    headless_key(MAIN_WINDOW, 'c', KEY_MOD_CTRL);
    headless_key(MAIN_WINDOW, 'p', KEY_MOD_CTRL);
    pump();
    EXPECT_FALSE(View.overlays.show_force_colours);
    EXPECT_TRUE(same_picture(headless_clipboard_picture(), canvas()));
    ASSERT_EQ(headless_printed().size(), 1u);
    EXPECT_TRUE(same_picture(headless_printed()[0], canvas()));

    headless_answer((dir_ / "sheet").string());
    export_sheet_command();
    std::ifstream pdf(dir_ / "sheet.pdf", std::ios::binary);
    char signature[5] = {};
    pdf.read(signature, 4);
    EXPECT_EQ(std::string(signature), "%PDF");

    struct Case {
        const char* answer;  // typed size, nullptr: the offered one taken
        int width, height;   // of the written PNG, 0 when none is written
    };
    const Case cases[] = {{nullptr, canvas().width, canvas().height},
                          {"1400x1000", 1400, 1000},
                          {"350x500", 350, 500},
                          {"100x100", 100, 100},
                          {"99x500", 0, 0},
                          {"700x", 0, 0},
                          {"8001x500", 0, 0},
                          {"700X500", 0, 0}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer != nullptr ? c.answer : "offered");
        headless_reset_log();
        const fs::path file = dir_ / ("size" + std::to_string(++n) + ".png");
        headless_answer(file.string());
        if (c.answer != nullptr)
            headless_answer_text(c.answer);
        export_picture_command();
        int width = 0, height = 0;
        png_size(file, width, height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(headless_messages().size(), c.width == 0 ? 1u : 0u);
    }
}

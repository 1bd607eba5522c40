// The kelvaro program on a real X server (run inside xsession.sh): the open dialog at start and
// "Load File" (a new file, a cancel, clicks held behind it), and the close box.
#include "viewer_driver.h"

#include <signal.h>

namespace {

// Without a parameter the open dialog comes up over the main window, which already shows its
// controls and an empty canvas; then "Load File" with a new file and with a cancel; the close box
// ends the program with exit code 0.
TEST_F(X11Viewer, OpenDialogOverTheOpenWindowThenLoadFileAndCancelThenCloseBox)
{
    viewer.start({}, folder);
    const Window dialog = find_named("OPEN ..");
    ASSERT_NE(dialog, 0u) << "no open dialog";
    window = main_window("     ", 0);
    ASSERT_NE(window, 0u) << "the main window is not open under the dialog";

    // The dialog is stacked above the main window.
    std::vector<Window> order;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    ASSERT_TRUE(XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n));
    order.assign(children, children + n);
    XFree(children);
    const auto main_at = std::find(order.begin(), order.end(), frame_of(window));
    const auto dialog_at = std::find(order.begin(), order.end(), frame_of(dialog));
    ASSERT_NE(main_at, order.end());
    ASSERT_NE(dialog_at, order.end());
    EXPECT_GT(dialog_at, main_at);

    // Where the dialog does not cover it (it may still move): a white canvas and the controls.
    int main_x = 0, main_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &main_x, &main_y, &child);
    int canvas_white = 0, canvas_other = 1, column_dark = 0;
    const auto shown = Clock::now();
    while ((column_dark <= 200 || canvas_other != 0) && Clock::now() - shown < std::chrono::seconds(3)) {
        pause_ms(10);
        XWindowAttributes cover;
        ASSERT_TRUE(XGetWindowAttributes(display, frame_of(dialog), &cover));
        const Picture inside = grab(window, 0, 0, 800, CANVAS_H);
        canvas_white = canvas_other = column_dark = 0;
        for (int y = INSET; y < CANVAS_H - INSET; ++y)
            for (int x = 0; x < 800; ++x) {
                const int sx = main_x + x, sy = main_y + y;
                if (sx >= cover.x && sx < cover.x + cover.width + 2 * cover.border_width && sy >= cover.y &&
                    sy < cover.y + cover.height + 2 * cover.border_width)
                    continue;
                if (x >= INSET && x < CANVAS_W - INSET)
                    (inside.at(x, y) == 0xffffff ? canvas_white : canvas_other)++;
                else if (x >= CANVAS_W && dark(inside.at(x, y)))
                    ++column_dark;
            }
    }
    EXPECT_GT(column_dark, 200) << "no controls beside the canvas";  // "Rotate", "-", "+", ...
    EXPECT_EQ(canvas_other, 0) << "the canvas is not empty before a file is chosen";
    EXPECT_GT(canvas_white, 0);

    const std::string bridge = (folder / "my results" / "bridge.res").string();
    choose_in_dialog("OPEN ..", bridge);
    window = main_window("     " + bridge);
    ASSERT_NE(window, 0u) << "the caption does not show the chosen file";
    const Picture first = canvas_until([](const Picture& p) { return count(p, member_black) > 500; },
                                       "the chosen bridge");

    // A new file replaces the bridge.
    click(LOAD_FILE[0], LOAD_FILE[1]);
    choose_in_dialog("OPEN ..", example("tower.res"));
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u) << "the caption does not show the loaded tower";
    const Picture tower = canvas_until(
        [&](const Picture& p) { return count(p, member_black) > 500 && !same_inside(p, first); }, "the loaded tower");

    // A cancel keeps the tower, its caption and its view, and shows no box.
    click(LOAD_FILE[0], LOAD_FILE[1]);
    const Window again = find_named("OPEN ..");
    ASSERT_NE(again, 0u);
    focus(again);
    key("Escape");
    for (int i = 0; i < 500 && find_named("OPEN ..", 0); ++i)
        pause_ms(10);
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u) << "the caption lost the tower after the cancel";
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    canvas_changed_from(tower, "the kept tower with element numbers");

    click_close_box();
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// Clicks that wait behind "Load File" while the program is held go to the open dialog's loop,
// like any input that arrives while a modal dialog is up: after the dialog the check box they hit
// is neither shown ticked nor has its command run, and it still works.
TEST_F(X11Viewer, ClickQueuedBehindLoadFileIsNotReplayedAfterTheDialog)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture bridge = canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    const Picture box_before = grab(window, CANVAS_W, APPLIED_LOAD[1] - 12, 100, 24);

    kill(viewer.pid(), SIGSTOP);
    click(LOAD_FILE[0], LOAD_FILE[1]);
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    kill(viewer.pid(), SIGCONT);
    choose_in_dialog("OPEN ..", example("tower.res"));
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u) << "the caption does not show the loaded tower";
    const Picture tower = canvas_until(
        [&](const Picture& p) { return count(p, member_black) > 500 && !same_inside(p, bridge); }, "the loaded tower");
    pause_ms(100);  // time for a replayed press to show (none may come)
    EXPECT_TRUE(same_inside(canvas(), tower)) << "the held click ran its command";
    const Picture box_after = grab(window, CANVAS_W, APPLIED_LOAD[1] - 12, 100, 24);
    EXPECT_TRUE(box_after.pixels == box_before.pixels) << "\"Applied Load\" changed by the held click";

    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    canvas_until([&](const Picture& p) { return count(p, dark) > count(tower, dark) + 100; },
                 "the load values after a click");
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

}  // namespace

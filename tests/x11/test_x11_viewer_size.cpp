// The kelvaro program on a real X server: maximised through the window manager, the canvas takes
// the room and keeps the view until Home fits the model to it; the arrow keys turn the view even
// while a button holds the focus; Ctrl+F finds a member; a switch is kept for the next run.
#include "viewer_driver.h"

#include <cstdlib>
// Xlib's headers after gtest's (viewer_driver.h): their macros clash with gtest's names.
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

// The client size of window, polled until wanted says yes of it or the wait runs out.
bool wait_for_size(Display* display, Window window, const std::function<bool(int, int)>& wanted, int& width,
                   int& height)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(DIALOG_WAIT_MS);
    for (;;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) && wanted(attributes.width, attributes.height)) {
            width = attributes.width;
            height = attributes.height;
            return true;
        }
        if (Clock::now() > deadline)
            return false;
        pause_ms(20);
    }
}

// Asks the window manager to maximise window (_NET_WM_STATE, both directions).
void maximise(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // add
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

TEST_F(X11Viewer, MaximisedTheCanvasGrowsKeepsTheViewAndHomeFitsIt)
{
    viewer.start({(folder / "my results" / "bridge.res").string()}, folder);
    window = main_window("bridge.res");
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; },
                                      "the truss in black");
    const Box truss = bounds(base, member_black);

    // It opens at its size and may be enlarged, never made smaller.
    XSizeHints hints;
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, window, &hints, &supplied));
    EXPECT_EQ(hints.min_width, 800);
    EXPECT_EQ(hints.min_height, 500);
    EXPECT_TRUE(!(hints.flags & PMaxSize) || (hints.max_width > 800 && hints.max_height > 500))
        << "a maximum size of " << hints.max_width << " x " << hints.max_height;

    // The arrow keys turn the view while the "In" button holds the focus; Left undoes Right.
    click(ZOOM_IN[0], ZOOM_IN[1]);
    const Picture zoomed = canvas_changed_from(base, "the view zoomed by \"In\"");
    key("Right");
    canvas_changed_from(zoomed, "the view turned by Right");
    key("Left");
    canvas_back_to(zoomed, "the view turned back by Left");
    key("Home");
    canvas_back_to(base, "the model fitted again by Home");

    maximise(display, window);
    int width = 0, height = 0;
    ASSERT_TRUE(wait_for_size(
        display, window, [](int w, int h) { return w > 1000 && h > 600; }, width, height))
        << "the window manager did not maximise the window";
    const int canvas_w = width - 100, canvas_h = height;
    auto grown = [&] { return grab(window, 0, 0, canvas_w, canvas_h); };
    // Once the new picture is up (its frame line at the new right edge): the same zoom about the
    // new centre, the truss as wide as before and its middle at the middle.
    auto framed = [&](const Picture& p) { return p.at(canvas_w - 2, canvas_h / 2) == 0x0000FFu; };
    const auto deadline = Clock::now() + std::chrono::milliseconds(5000);
    Picture big = grown();
    while (!(framed(big) && bounds(big, member_black).width() == truss.width()) && Clock::now() < deadline) {
        pause_ms(20);
        big = grown();
    }
    EXPECT_TRUE(framed(big)) << "the frame line follows the canvas edge";
    const Box same = bounds(big, member_black);
    EXPECT_EQ(same.width(), truss.width());
    EXPECT_NEAR((same.left + same.right) / 2.0, canvas_w / 2.0, 2.0);

    key("Home");
    Box fitted;
    for (const auto until = Clock::now() + std::chrono::milliseconds(5000); Clock::now() < until; pause_ms(20)) {
        fitted = bounds(grown(), member_black);
        if (fitted.width() > truss.width() * 13 / 10)
            break;
    }
    EXPECT_GT(fitted.width(), truss.width() * 13 / 10) << "Home fits the model to the larger canvas";
    EXPECT_GE(fitted.left, INSET);
    EXPECT_LT(fitted.right, canvas_w - INSET);
    EXPECT_LT(fitted.bottom, canvas_h - INSET);

    // The column stands at the right edge: "Exit" there ends the program.
    click(width - 100 + (EXIT[0] - 700), EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// Ctrl+F asks for a member; Enter selects it (amber) and zooms the picture to it.
TEST_F(X11Viewer, FindSelectsTheMemberAndZoomsToIt)
{
    viewer.start({(folder / "my results" / "bridge.res").string()}, folder);
    window = main_window("bridge.res");
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until([](const Picture& p) { return count(p, member_black) > 500; },
                                      "the truss in black");
    auto amber = [](std::uint32_t p) { return red(p) > 230 && green(p) > 120 && green(p) < 180 && blue(p) < 40; };
    EXPECT_EQ(count(base, amber), 0);

    focus(window);
    key("ctrl+f");
    const Window box = find_named("Find", DIALOG_WAIT_MS);
    ASSERT_NE(box, 0u) << "no \"Find\" box";
    focus(box);
    type("7");
    key("Return");
    const Picture found = canvas_until([&](const Picture& p) { return count(p, amber) > 100; }, "member 7 in amber");
    // Zoomed so that it fills a third of the canvas where it reaches first (drawn 3 pixels wide).
    const Box selected = bounds(found, amber);
    const double share = std::max(selected.width() / double(CANVAS_W),
                                  (selected.bottom - selected.top + 1) / double(CANVAS_H));
    EXPECT_GT(share, 0.32);
    EXPECT_LT(share, 0.36);
    EXPECT_NEAR((selected.left + selected.right) / 2.0, CANVAS_W / 2.0, 6.0);
}

// Force colours switched on and the window moved stay so in the next run; kelvaro
// --reset-settings forgets them.
TEST_F(X11Viewer, ASwitchIsKeptForTheNextRunUntilTheSettingsAreReset)
{
    const std::string bridge = (folder / "my results" / "bridge.res").string();
    const auto black_truss = [](const Picture& p) { return count(p, member_black) > 500; };
    // In force colours no member is black and many pixels are red or blue shades.
    const auto coloured_truss = [](const Picture& p) {
        const auto shaded = [](std::uint32_t c) { return std::abs(red(c) - blue(c)) > 60 && green(c) < 160; };
        return count(p, member_black) == 0 && count(p, shaded) > 500;
    };
    viewer.start({bridge}, folder);
    window = main_window("bridge.res");
    ASSERT_NE(window, 0u);
    canvas_until(black_truss, "the truss in black");
    click(600, 60);  // an empty spot of the canvas: the window has the keyboard
    key("c");
    canvas_until(coloured_truss, "the truss in force colours");
    // The window manager's frame, where it stands on the screen.
    const auto frame_at = [this](int milliseconds, const std::function<bool(std::pair<int, int>)>& wanted) {
        std::pair<int, int> at;
        for (const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);;) {
            Window child = 0;
            XTranslateCoordinates(display, frame_of(window), DefaultRootWindow(display), 0, 0, &at.first, &at.second,
                                  &child);
            if (wanted(at) || Clock::now() > end)
                return at;
            pause_ms(20);
        }
    };
    const std::pair<int, int> opened = frame_at(0, [](auto) { return true; });
    sh("xdotool windowmove " + std::to_string(window) + " " + std::to_string(opened.first + 90) + " " +
       std::to_string(opened.second + 60));
    const std::pair<int, int> moved = frame_at(5000, [&](auto at) { return at != opened; });
    ASSERT_NE(moved, opened) << "the window did not move";
    click(EXIT[0], EXIT[1]);
    ASSERT_EQ(viewer.wait_exit(), 0);

    viewer.start({bridge}, folder);
    window = main_window("bridge.res");
    ASSERT_NE(window, 0u);
    canvas_until(coloured_truss, "the truss in force colours from the start");
    EXPECT_EQ(frame_at(5000, [&](auto at) { return at == moved; }), moved) << "the window is not where it was left";
    click(EXIT[0], EXIT[1]);
    ASSERT_EQ(viewer.wait_exit(), 0);

    viewer.start({"--reset-settings"}, folder);
    ASSERT_EQ(viewer.wait_exit(), 0);
    viewer.start({bridge}, folder);
    window = main_window("bridge.res");
    ASSERT_NE(window, 0u);
    canvas_until(black_truss, "the truss in black after the reset");
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

}  // namespace

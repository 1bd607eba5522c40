// The viewer's mouse, keys, context menu and dropped files on a real X server (run inside
// xsession.sh): kelvaro is started as a child, driven with xdotool, and checked by the pixels read
// back from the server and its window caption. A drop from a file manager is played by this test
// itself as an XDND source (xdotool cannot drag between programs): it offers a text/uri-list,
// moves over the window, drops, and answers the viewer's request for the data.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "x_windows.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int CANVAS_W = 700, CANVAS_H = 500;
constexpr int INSET = 6;  // the canvas frame and focus mark are left out of comparisons
const std::string TITLE_START = "KELVARO V.3.7";
using Clock = std::chrono::steady_clock;

void pause_ms(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void sh(const std::string& command)
{
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

int ignore_x_errors(Display*, XErrorEvent*)
{
    return 0;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned long> pixels;  // 0xRRGGBB
    unsigned long at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

bool same_inside(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    for (int y = INSET; y < a.height - INSET; ++y)
        for (int x = INSET; x < a.width - INSET; ++x)
            if (a.at(x, y) != b.at(x, y))
                return false;
    return true;
}

class X11Interact : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display (run through xsession.sh)";
        XSetErrorHandler(ignore_x_errors);
        folder = fs::temp_directory_path() / ("kelvaro-interact-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }

    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (HasFailure()) {
            std::ifstream in(folder / "kelvaro.log");
            std::stringstream text;
            text << in.rdbuf();
            std::printf("kelvaro's output:\n%s\n", text.str().c_str());
        }
        if (display)
            XCloseDisplay(display);
        fs::remove_all(folder);
    }

    void start(const std::string& path)
    {
        pid = fork();
        if (pid == 0) {
            const int out = open((folder / "kelvaro.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            // The settings the program remembers stay in the test's folder, never the user's.
            setenv("KELVARO_CONFIG_HOME", (folder / "config").c_str(), 1);
            execl(KELVARO, KELVARO, path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        window = main_window(path);
        ASSERT_NE(window, 0u) << "no main window";
    }

    // The main window once its caption ends with tail (0 when it does not come).
    Window main_window(const std::string& tail, int milliseconds = 8000)
    {
        return find_shown_window(
            display,
            [&](const std::string& caption) {
                return caption.rfind(TITLE_START, 0) == 0 && caption.size() >= tail.size() &&
                       caption.compare(caption.size() - tail.size(), tail.size(), tail) == 0;
            },
            milliseconds);
    }

    // A shown window captioned name (0 when none comes within 5 s).
    Window find_named(const std::string& name)
    {
        return find_shown_window(
            display, [&](const std::string& caption) { return caption == name; }, 5000);
    }

    Picture grab(Window w, int x, int y, int width, int height)
    {
        Picture picture;
        XImage* image = XGetImage(display, w, x, y, width, height, AllPlanes, ZPixmap);
        if (!image)
            return picture;
        picture.width = width;
        picture.height = height;
        picture.pixels.resize(static_cast<std::size_t>(width) * height);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                picture.pixels[static_cast<std::size_t>(row) * width + column] = XGetPixel(image, column, row) &
                                                                                 0xffffff;
        XDestroyImage(image);
        return picture;
    }

    Picture canvas() { return grab(window, 0, 0, CANVAS_W, CANVAS_H); }

    // Polls the canvas until done says yes of a settled picture; the last picture read.
    Picture canvas_until(const std::function<bool(const Picture&)>& done, const char* what)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(5000);
        for (;;) {
            Picture picture = canvas();
            if (done(picture)) {
                pause_ms(15);
                if (same_inside(picture, canvas()))
                    return picture;
                continue;
            }
            if (Clock::now() > deadline) {
                ADD_FAILURE() << "the canvas never showed: " << what;
                return picture;
            }
            pause_ms(10);
        }
    }

    // The screen's pixels (root window) in a rectangle given in the main window's coordinates.
    Picture screen_at(int x, int y, int width, int height)
    {
        int root_x = 0, root_y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &root_x, &root_y, &child);
        return grab(DefaultRootWindow(display), root_x, root_y, width, height);
    }

    std::string xdo_window() const { return std::to_string(window); }

    Display* display = nullptr;
    Window window = 0;
    pid_t pid = -1;
    fs::path folder;
};

// Light grey of FLTK's menus, as opposed to the white canvas.
bool menu_grey(unsigned long p)
{
    return p != 0xffffff && (p & 0xff) > 0xa0 && (p & 0xff) < 0xe8 && (p >> 16) == (p & 0xff);
}

int count_grey(const Picture& picture)
{
    int n = 0;
    for (unsigned long p : picture.pixels)
        n += menu_grey(p) ? 1 : 0;
    return n;
}

TEST_F(X11Interact, DragWheelKeysAndTheContextMenu)
{
    start(fs::path(EXAMPLES) / "bridge.res");
    const Picture base = canvas_until(
        [](const Picture& p) {
            for (unsigned long pixel : p.pixels)
                if (pixel == 0)
                    return true;
            return false;
        },
        "the bridge");
    const std::string w = xdo_window();

    // A left drag turns the model while the button is down.
    sh("xdotool mousemove --window " + w + " 300 250 mousedown 1 mousemove --window " + w +
       " 330 260 mousemove --window " + w + " 360 270");
    canvas_until([&](const Picture& p) { return !same_inside(p, base); }, "the turned bridge");
    sh("xdotool mouseup 1");
    // Dragging back the same way turns it back to the very same picture.
    sh("xdotool mousemove --window " + w + " 360 270 mousedown 1 mousemove --window " + w +
       " 330 260 mousemove --window " + w + " 300 250 mouseup 1");
    canvas_until([&](const Picture& p) { return same_inside(p, base); }, "the bridge turned back");

    // Wheel in twice and out twice about one point: the same picture.
    sh("xdotool mousemove --window " + w + " 250 200 click 4 click 4");
    canvas_until([&](const Picture& p) { return !same_inside(p, base); }, "the bridge zoomed in");
    sh("xdotool click 5 click 5");
    canvas_until([&](const Picture& p) { return same_inside(p, base); }, "the bridge zoomed back");

    // Shift + drag moves it; Home fits it back.
    sh("xdotool mousemove --window " + w + " 300 250 keydown shift mousedown 1 mousemove --window " + w +
       " 340 280 mouseup 1 keyup shift");
    canvas_until([&](const Picture& p) { return !same_inside(p, base); }, "the bridge moved");
    sh("xdotool key Home");
    canvas_until([&](const Picture& p) { return same_inside(p, base); }, "the bridge fitted by Home");

    // A right click opens the menu at the pointer: light grey over the white canvas there.
    EXPECT_LT(count_grey(screen_at(410, 210, 120, 100)), 100);
    sh("xdotool mousemove --window " + w + " 400 200 click 3");
    const auto deadline = Clock::now() + std::chrono::milliseconds(5000);
    int grey = 0;
    while ((grey = count_grey(screen_at(410, 210, 120, 100))) < 6000 && Clock::now() < deadline)
        pause_ms(20);
    EXPECT_GE(grey, 6000) << "no menu at the pointer";
    if (const char* shot = std::getenv("KELVARO_SHOT"))
        sh(std::string("import -window root ") + shot);
    sh("xdotool key Escape");
    while (count_grey(screen_at(410, 210, 120, 100)) >= 100 && Clock::now() < deadline + std::chrono::seconds(5))
        pause_ms(20);
    EXPECT_LT(count_grey(screen_at(410, 210, 120, 100)), 100) << "the menu stays open";

    // Escape closed the menu, never the window.
    sh("xdotool key Escape F1");
    EXPECT_NE(find_named("Controls"), 0u) << "no Controls box after Escape";  // Escape has been taken
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0);
    EXPECT_NE(main_window("bridge.res", 100), 0u);
    sh("xdotool key Return");
}

bool tooltip_yellow(unsigned long p)
{
    return (p >> 16) > 0xf0 && ((p >> 8) & 0xff) > 0xf0 && (p & 0xff) > 0x90 && (p & 0xff) < 0xe8;
}

// Pointer resting on a member: its tooltip. The watch, switched on in the menu with the keys,
// reloads the file when it is replaced, keeping the view.
TEST_F(X11Interact, TooltipOnAMemberAndReloadWhenTheFileChanges)
{
    const fs::path path = folder / "bridge.res";
    fs::copy_file(fs::path(EXAMPLES) / "bridge.res", path);
    start(path.string());
    // The plan view of the bridge: 17.5 pixels a metre, node 1 at (140, 285), member 1 to its right.
    const Picture base = canvas_until([](const Picture& p) { return p.at(175, 285) == 0; }, "the bridge");
    const std::string w = xdo_window();
    sh("xdotool mousemove --window " + w + " 170 285 mousemove --window " + w + " 175 286");
    auto yellow = [&] {
        int n = 0;
        for (unsigned long p : screen_at(140, 280, 250, 120).pixels)
            n += tooltip_yellow(p) ? 1 : 0;
        return n;
    };
    const auto deadline = Clock::now() + std::chrono::milliseconds(8000);
    while (yellow() < 2000 && Clock::now() < deadline)
        pause_ms(20);
    EXPECT_GE(yellow(), 2000) << "no tooltip by the pointer";
    if (const char* shot = std::getenv("KELVARO_TIP_SHOT"))
        sh(std::string("import -window root ") + shot);

    // "Reload when the file changes" is the menu's twelfth entry.
    sh("xdotool mousemove --window " + w + " 400 100 click 3");
    while (count_grey(screen_at(410, 110, 120, 100)) < 6000 && Clock::now() < deadline + std::chrono::seconds(5))
        pause_ms(20);
    sh("xdotool key Down Down Down Down Down Down Down Down Down Down Down Down Return");
    // The viewer takes its input in order: once the F1 box is up, the menu's choice has been made.
    sh("xdotool key F1");
    ASSERT_NE(find_named("Controls"), 0u) << "no Controls box";
    sh("xdotool key Return");
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string node8 = "  8  0 0 0      4.0000     4.0000";
    ASSERT_NE(text.find(node8), std::string::npos);
    text.replace(text.find(node8), node8.size(), "  8  0 0 0      4.0000     6.0000");
    std::ofstream(folder / "new.res", std::ios::binary) << text;
    fs::rename(folder / "new.res", path);
    const Picture reloaded = canvas_until([&](const Picture& p) { return !same_inside(p, base); }, "the new file");
    EXPECT_EQ(reloaded.at(175, 285), 0u) << "the view moved on reload";
}

// Plays a file manager: offers list as text/uri-list over window point (x, y), drops it and
// hands the data over when asked. False when the window does not take the drop.
bool drop_uri_list(Display* display, Window target, int x, int y, const std::string& list)
{
    const Window root = DefaultRootWindow(display);
    const Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    auto atom = [&](const char* name) { return XInternAtom(display, name, False); };
    const Atom aware = atom("XdndAware"), enter = atom("XdndEnter"), position = atom("XdndPosition"),
               status = atom("XdndStatus"), drop = atom("XdndDrop"), finished = atom("XdndFinished"),
               leave = atom("XdndLeave"), selection = atom("XdndSelection"), copy = atom("XdndActionCopy"),
               uri_list = atom("text/uri-list");

    // The top-level window that announces XDND (the main window or a parent of it).
    Window toplevel = target;
    for (;;) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, toplevel, aware, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                               &data) == Success &&
            data) {
            XFree(data);
            break;
        }
        Window r = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(display, toplevel, &r, &parent, &children, &n) || parent == r)
            return false;
        if (children)
            XFree(children);
        toplevel = parent;
    }
    int root_x = 0, root_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, target, root, x, y, &root_x, &root_y, &child);

    auto send = [&](Atom type, long l1, long l2, long l3, long l4) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = toplevel;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(source);
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent(display, toplevel, False, NoEventMask, &event);
        XFlush(display);
    };
    // Waits for a client message of type to the source window; its event.
    auto await = [&](Atom type, XEvent& event) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(5000);
        while (Clock::now() < deadline) {
            while (XPending(display)) {
                XNextEvent(display, &event);
                if (event.type == ClientMessage && event.xclient.message_type == type)
                    return true;
                if (event.type == SelectionRequest) {
                    // The viewer asks for the data: put it on its property and say so.
                    const XSelectionRequestEvent& request = event.xselectionrequest;
                    XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
                    XEvent reply{};
                    reply.xselection.type = SelectionNotify;
                    reply.xselection.requestor = request.requestor;
                    reply.xselection.selection = request.selection;
                    reply.xselection.target = request.target;
                    reply.xselection.property = request.property;
                    reply.xselection.time = request.time;
                    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
                    XFlush(display);
                }
            }
            pause_ms(5);
        }
        return false;
    };

    XSetSelectionOwner(display, selection, source, CurrentTime);
    send(enter, 5L << 24, static_cast<long>(uri_list), 0, 0);
    send(position, 0, (static_cast<long>(root_x) << 16) | root_y, CurrentTime, static_cast<long>(copy));
    XEvent event{};
    if (!await(status, event) || !(event.xclient.data.l[1] & 1)) {
        send(leave, 0, 0, 0, 0);
        XDestroyWindow(display, source);
        return false;
    }
    send(drop, 0, CurrentTime, 0, 0);
    const bool done = await(finished, event);
    XDestroyWindow(display, source);
    XFlush(display);
    return done;
}

TEST_F(X11Interact, DroppedFileUriWithASpaceAndAPercentEscapeOpensThatFile)
{
    start(fs::path(EXAMPLES) / "tower.res");
    const fs::path dropped = folder / "a b%c.res";
    fs::copy_file(fs::path(EXAMPLES) / "bridge.res", dropped);
    const std::string uri = "file://" + (folder / "a%20b%25c.res").string();
    ASSERT_TRUE(drop_uri_list(display, window, 350, 250, uri + "\r\n")) << "the window took no drop";
    EXPECT_NE(main_window("     " + dropped.string()), 0u) << "the dropped file was not opened";
}

}  // namespace

// The FLTK backend on a real X server (run inside xsession.sh): gui_driver is started as a child,
// driven with xdotool and Xlib, and checked by what it prints and by pixels read off the screen.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The driver as a child process: commands to its stdin, its output lines read with a time-out.
class Driver {
public:
    bool start()
    {
        int to_child[2], from_child[2];
        if (pipe(to_child) != 0 || pipe(from_child) != 0)
            return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(to_child[0], 0);
            dup2(from_child[1], 1);
            close(to_child[1]);
            close(from_child[0]);
            execl(GUI_DRIVER, GUI_DRIVER, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(to_child[0]);
        close(from_child[1]);
        in_ = to_child[1];
        out_ = from_child[0];
        return pid_ > 0;
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        send("quit");
        close(in_);
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        pid_ = -1;
    }

    void send(const std::string& line)
    {
        const std::string text = line + "\n";
        if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            ADD_FAILURE() << "cannot write to the driver";
    }

    // The next output line, "" after milliseconds without one.
    std::string line(int milliseconds = 5000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string result = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return result;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now())
                                  .count();
            pollfd wait{out_, POLLIN, 0};
            if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0)
                return {};
            char chunk[512];
            const ssize_t got = read(out_, chunk, sizeof chunk);
            if (got <= 0)
                return {};
            buffer_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    // Skips lines until one starts with prefix; returns it ("" on time-out). Skipped lines are
    // kept in skipped.
    std::string until(const std::string& prefix, int milliseconds = 5000)
    {
        skipped.clear();
        for (;;) {
            std::string next = line(milliseconds);
            if (next.empty() || next.rfind(prefix, 0) == 0)
                return next;
            skipped.push_back(next);
        }
    }

    std::vector<std::string> skipped;

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buffer_;
};

std::string run(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (fgets(chunk, sizeof chunk, pipe))
            output += chunk;
        pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

// The first window whose name is exactly name, waiting until one appears.
std::string find_window(const std::string& name)
{
    // Only a mapped window: keys sent to one the window manager has not shown yet are lost.
    std::string ids = run("timeout 5 xdotool search --sync --onlyvisible --name '^" + name + "$' 2>/dev/null");
    return ids.substr(0, ids.find('\n'));
}

class X11Gui : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "run inside xsession.sh";
        ASSERT_TRUE(driver.start());
        ASSERT_EQ(driver.until("ready", 10000), "ready");
        window_id = find_window("Driver Test");
        ASSERT_FALSE(window_id.empty());
        window = static_cast<Window>(std::stoul(window_id));
    }

    static void TearDownTestSuite()
    {
        driver.stop();
        if (display)
            XCloseDisplay(display);
    }

    // Clicks at client coordinates (x, y) of the main window. With hold, the button stays down
    // long enough for the program to redraw the pressed control before the release arrives, as a
    // person's click does.
    static void click(int x, int y, bool hold = false)
    {
        run("xdotool mousemove --window " + window_id + " " + std::to_string(x) + " " + std::to_string(y) +
            (hold ? " mousedown 1 sleep 0.25 mouseup 1" : " click 1"));
    }

    static std::string state(int number)
    {
        driver.send("state " + std::to_string(number));
        return driver.until("state " + std::to_string(number) + " ");
    }

    // The screen pixel at client (x, y) of the main window as 0xRRGGBB.
    static unsigned long screen_pixel(int x, int y)
    {
        int sx = 0, sy = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &sx, &sy, &child);
        XImage* image = XGetImage(display, DefaultRootWindow(display), sx, sy, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return ~0ul;
        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    static inline Display* display = nullptr;
    static inline Driver driver;
    static inline std::string window_id;
    static inline Window window = 0;
};

TEST_F(X11Gui, ClientAreaHasItsSizeAndPosition)
{
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    EXPECT_EQ(attributes.width, 800);
    EXPECT_EQ(attributes.height, 500);
    // The outer frame that jwm draws stands at (150, 150); the client area lies inside it.
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    const Atom frame = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(
        XGetWindowProperty(display, window, frame, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data),
        Success);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(count, 4u);
    const long left = reinterpret_cast<long*>(data)[0], top = reinterpret_cast<long*>(data)[2];
    XFree(data);
    EXPECT_GT(top, 0);
    EXPECT_EQ(x - left, 150);
    EXPECT_EQ(y - top, 150);
    XSizeHints hints;
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, window, &hints, &supplied));
    EXPECT_EQ(hints.min_width, 800);  // not resizable: minimum and maximum are the size
    EXPECT_EQ(hints.max_width, 800);
    EXPECT_EQ(hints.max_height, 500);
}

TEST_F(X11Gui, ButtonsReactInsideTheirGeometryOnly)
{
    // Button 17 is 30 x 19 at (710, 30); button 16 at (745, 30).
    click(711, 31);
    EXPECT_EQ(driver.until("gadget"), "gadget 17 0");
    click(739, 48);
    EXPECT_EQ(driver.until("gadget"), "gadget 17 0");
    click(708, 40);  // left of it: nothing
    click(741, 40);  // between the two: nothing
    click(760, 40);
    EXPECT_EQ(driver.until("gadget"), "gadget 16 0");
    // Show Stresses, 85 px wide at (710, 350).
    click(793, 360);
    EXPECT_EQ(driver.until("gadget"), "gadget 11 0");
}

TEST_F(X11Gui, CheckBoxAndOptionClicks)
{
    EXPECT_EQ(state(5), "state 5 0");
    click(715, 162);
    EXPECT_EQ(driver.until("gadget"), "gadget 5 0");
    EXPECT_EQ(state(5), "state 5 1");
    click(715, 162, true);
    EXPECT_EQ(driver.until("gadget"), "gadget 5 0");
    EXPECT_EQ(state(5), "state 5 0");

    EXPECT_EQ(state(3), "state 3 1");
    click(760, 86);  // "Horizontal" below the overlap with "Vertical"
    EXPECT_EQ(driver.until("gadget"), "gadget 2 0");
    EXPECT_EQ(state(2), "state 2 1");
    EXPECT_EQ(state(3), "state 3 0");
    click(760, 56);
    EXPECT_EQ(driver.until("gadget"), "gadget 3 0");
    EXPECT_EQ(state(3), "state 3 1");
    EXPECT_EQ(state(2), "state 2 0");
    click(760, 56);  // clicking the selected option keeps it selected
    EXPECT_EQ(driver.until("gadget"), "gadget 3 0");
    EXPECT_EQ(state(3), "state 3 1");

    EXPECT_EQ(state(20), "state 20 -1");  // three-state box: third -> clear -> checked
    click(710, 387, true);
    EXPECT_EQ(driver.until("gadget"), "gadget 20 0");
    EXPECT_EQ(state(20), "state 20 0");
    click(710, 387);
    EXPECT_EQ(driver.until("gadget"), "gadget 20 0");
    EXPECT_EQ(state(20), "state 20 1");
}

TEST_F(X11Gui, TypingIntoAStringField)
{
    click(770, 218);  // field 7, 60 x 17 at (730, 210)
    EXPECT_EQ(driver.until("gadget"), "gadget 7 256");
    run("xdotool key ctrl+a type 42");
    EXPECT_EQ(driver.until("gadget"), "gadget 7 768");
    // Each key is its own change; the second may still be on its way.
    std::string text;
    for (int i = 0; i < 100 && text != "text 7 42"; ++i) {
        driver.send("text 7");
        text = driver.until("text 7");
        for (const std::string& skipped : driver.skipped)
            EXPECT_EQ(skipped, "gadget 7 768");
    }
    EXPECT_EQ(text, "text 7 42");
    click(740, 98);  // field 4 takes the focus from 7
    EXPECT_EQ(driver.until("gadget 7 5"), "gadget 7 512");
    for (const std::string& skipped : driver.skipped)
        EXPECT_EQ(skipped, "gadget 7 768");
    EXPECT_EQ(driver.until("gadget"), "gadget 4 256");

    driver.send("settext 7 99");  // a program change raises nothing
    EXPECT_EQ(driver.until("settext"), "settext done");
    click(760, 40);  // the button takes the focus from field 4
    EXPECT_EQ(driver.until("gadget 16"), "gadget 16 0");
    EXPECT_EQ(driver.skipped, (std::vector<std::string>{"gadget 4 512"}));
    driver.send("text 7");
    EXPECT_EQ(driver.until("text 7"), "text 7 99");
}

TEST_F(X11Gui, ExposeReachesTheCallbackAsPaint)
{
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    const Window cover = XCreateWindow(display, DefaultRootWindow(display), 300, 300, 200, 200, 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(display, cover);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XDestroyWindow(display, cover);
    XSync(display, False);
    EXPECT_EQ(driver.until("paint"), "paint 0");
}

TEST_F(X11Gui, DrawEndShowsTheCanvasAtOnce)
{
    for (const auto& [command, colour] :
         {std::pair<const char*, unsigned long>{"draw 255 0 0", 0xFF0000}, {"draw 0 0 255", 0x0000FF}}) {
        driver.send(command);
        ASSERT_EQ(driver.until("drawn"), "drawn");
        unsigned long pixel = screen_pixel(300, 300);
        for (int i = 0; i < 10 && pixel != colour; ++i) {  // only for the X server to catch up
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pixel = screen_pixel(300, 300);
        }
        EXPECT_EQ(pixel, colour) << command;
        EXPECT_EQ(screen_pixel(25, 35), 0u) << "the square at (20, 30)";
        EXPECT_EQ(screen_pixel(19, 35), colour);
    }
}

TEST_F(X11Gui, MessageBoxAnsweredWithReturn)
{
    driver.send("message Image Saved as: /tmp/a@b.jpg");
    const std::string box = find_window("Note");
    ASSERT_FALSE(box.empty());
    run("xdotool windowfocus --sync " + box + " key Return");
    EXPECT_EQ(driver.until("message"), "message 1");
}

TEST_F(X11Gui, OpenDialogCancelledAndAnswered)
{
    const std::string folder = run("mktemp -d");
    std::ofstream(folder + "/model.txt") << "x\n";
    const std::string before = std::filesystem::current_path().string();
    const std::string cwd = run("readlink /proc/" + std::to_string(driver.pid()) + "/cwd");

    driver.send("open_file " + folder + "/*.*");
    std::string dialog = find_window("Open File");
    ASSERT_FALSE(dialog.empty());
    run("xdotool windowfocus --sync " + dialog + " key Escape");
    EXPECT_EQ(driver.until("file"), "file ");
    EXPECT_EQ(driver.until("cwd"), "cwd " + cwd);

    driver.send("open_file " + folder + "/*.*");
    dialog = find_window("Open File");
    ASSERT_FALSE(dialog.empty());
    run("xdotool windowfocus --sync " + dialog + " type model.txt");
    run("xdotool key Return");
    EXPECT_EQ(driver.until("file"), "file " + folder + "/model.txt");
    EXPECT_EQ(driver.until("cwd"), "cwd " + cwd);
    std::filesystem::remove_all(folder);
    (void)before;
}

TEST_F(X11Gui, CaptureHasTheFramedOuterSize)
{
    Window frame = window;
    for (;;) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(display, frame, &root, &parent, &children, &count));
        if (children)
            XFree(children);
        if (parent == root)
            break;
        frame = parent;
    }
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, frame, &attributes));
    EXPECT_GT(attributes.height, 500);  // a caption is there

    driver.send("capture 5");
    const std::string line = driver.until("capture");
    int width = 0, height = 0;
    char ok[16] = {};
    double ms = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "capture %d %d %15s %lf", &width, &height, ok, &ms), 4) << line;
    EXPECT_STREQ(ok, "ok");
    EXPECT_EQ(width, attributes.width + 2 * attributes.border_width);
    EXPECT_EQ(height, attributes.height + 2 * attributes.border_width);
    std::printf("capture %dx%d: %.1f ms\n", width, height, ms);
    driver.send("blit 100");
    std::printf("canvas blit 700x500: %s ms\n", driver.until("blit").substr(5).c_str());
}

TEST_F(X11Gui, CloseBoxBecomesTheCloseEventButEscapeDoesNot)
{
    run("xdotool windowfocus --sync " + window_id + " key Escape");
    click(760, 40);
    EXPECT_EQ(driver.until("gadget"), "gadget 16 0");
    for (const std::string& skipped : driver.skipped)
        EXPECT_NE(skipped.rfind("close", 0), 0u) << skipped;

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    EXPECT_EQ(driver.until("close"), "close 0");
    XWindowAttributes attributes;
    EXPECT_TRUE(XGetWindowAttributes(display, window, &attributes));  // still open
    EXPECT_EQ(attributes.map_state, IsViewable);
}

}  // namespace

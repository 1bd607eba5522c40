// The kelvaro program itself on a real X server (run inside xsession.sh): the executable is started
// as a child, clicked and typed at with xdotool, and checked by its window captions, the pixels of
// its canvas read back from the server, the files it writes and its exit code.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

constexpr int CANVAS_W = 700;
// How long the main window, a dialog or a message box may take to come up: the start and the first
// GTK dialog of a process under the sanitizers, which record every allocation's whole stack, take
// seconds on a loaded machine.
constexpr int DIALOG_WAIT_MS = 20000;
constexpr int CANVAS_H = 500;
const std::string TITLE_START = "KELVARO V.3.7";

using Clock = std::chrono::steady_clock;

void pause_ms(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Runs a shell command (xdotool), failing the test when it fails.
void sh(const std::string& command)
{
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// An RGB picture read back from the server.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

int red(std::uint32_t p) { return static_cast<int>(p >> 16 & 0xff); }
int green(std::uint32_t p) { return static_cast<int>(p >> 8 & 0xff); }
int blue(std::uint32_t p) { return static_cast<int>(p & 0xff); }
bool dark(std::uint32_t p) { return red(p) < 100 && green(p) < 100 && blue(p) < 100; }

// The canvas without its frame lines and the focus mark inside them: what the truss is drawn in.
constexpr int INSET = 6;

int count(const Picture& picture, const std::function<bool(std::uint32_t)>& wanted)
{
    int n = 0;
    for (int y = INSET; y < picture.height - INSET; ++y)
        for (int x = INSET; x < picture.width - INSET; ++x)
            n += wanted(picture.at(x, y)) ? 1 : 0;
    return n;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
};

Box bounds(const Picture& picture, const std::function<bool(std::uint32_t)>& wanted)
{
    Box box;
    for (int y = INSET; y < picture.height - INSET; ++y)
        for (int x = INSET; x < picture.width - INSET; ++x)
            if (wanted(picture.at(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

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

bool member_black(std::uint32_t p) { return p == 0; }
bool magenta(std::uint32_t p) { return p == 0xff00ff; }
bool animated(std::uint32_t p) { return p == 0x00b478; }      // (0, 180, 120)
bool table_text(std::uint32_t p) { return red(p) > 120 && green(p) < 60 && blue(p) > 120 &&
                                          red(p) < 200; }      // (155, 0, 160) and its blends

int ignore_x_errors(Display*, XErrorEvent*) { return 0; }  // windows may vanish while we look

// The kelvaro program as a child process; its output goes to a log shown when a test fails.
class Viewer {
public:
    ~Viewer() { kill_now(); }

    void start(const std::vector<std::string>& arguments, const fs::path& folder)
    {
        log_ = folder / "kelvaro.log";
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv{const_cast<char*>(KELVARO)};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(KELVARO, argv.data());
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
    }

    pid_t pid() const { return pid_; }

    // The exit code, 128 + signal after a signal, -1 when still running after milliseconds.
    int wait_exit(int milliseconds = 5000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (Clock::now() > deadline)
                return -1;
            pause_ms(10);
        }
        return -1;
    }

    std::string log() const
    {
        std::ifstream in(log_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    void kill_now()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    pid_t pid_ = -1;
    fs::path log_;
};

class X11Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display (run through xsession.sh)";
        XSetErrorHandler(ignore_x_errors);
        folder = fs::temp_directory_path() /
                 ("kelvaro-e2e-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "my results");
        fs::copy_file(fs::path(EXAMPLES) / "bridge.res", folder / "my results" / "bridge.res");
    }

    void TearDown() override
    {
        if (HasFailure())
            std::printf("kelvaro's output:\n%s\n", viewer.log().c_str());
        viewer.wait_exit(0);
        if (display)
            XCloseDisplay(display);
        fs::remove_all(folder);
    }

    std::string name_of(Window window)
    {
        XTextProperty property{};
        if (!XGetWMName(display, window, &property) || !property.value)
            return {};
        std::string name(reinterpret_cast<char*>(property.value), property.nitems);
        XFree(property.value);
        return name;
    }

    void collect(Window window, std::vector<Window>& into)
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &n))
            return;
        for (unsigned i = 0; i < n; ++i) {
            into.push_back(children[i]);
            collect(children[i], into);
        }
        if (children)
            XFree(children);
    }

    // A shown window whose caption satisfies wanted, waiting up to milliseconds (0 when none).
    Window find(const std::function<bool(const std::string&)>& wanted, int milliseconds = 5000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            std::vector<Window> all;
            collect(DefaultRootWindow(display), all);
            for (Window window : all) {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, window, &attributes) &&
                    attributes.map_state == IsViewable && wanted(name_of(window)))
                    return window;
            }
            if (Clock::now() > deadline)
                return 0;
            pause_ms(10);
        }
    }

    Window find_named(const std::string& name, int milliseconds = 5000)
    {
        return find([&](const std::string& caption) { return caption == name; }, milliseconds);
    }

    // The main window once its caption ends with tail.
    Window main_window(const std::string& tail, int milliseconds = DIALOG_WAIT_MS)
    {
        return find(
            [&](const std::string& caption) {
                return caption.rfind(TITLE_START, 0) == 0 && caption.size() >= tail.size() &&
                       caption.compare(caption.size() - tail.size(), tail.size(), tail) == 0;
            },
            milliseconds);
    }

    // The window manager's frame around window (the child of the root that holds it).
    Window frame_of(Window window)
    {
        for (;;) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(display, window, &root, &parent, &children, &n))
                return window;
            if (children)
                XFree(children);
            if (!parent || parent == root)
                return window;
            window = parent;
        }
    }

    Picture grab(Window window, int x, int y, int width, int height)
    {
        Picture picture;
        XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
        if (!image) {
            ADD_FAILURE() << "cannot read the window's pixels";
            return picture;
        }
        picture.width = width;
        picture.height = height;
        picture.pixels.resize(static_cast<std::size_t>(width) * height);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                picture.pixels[static_cast<std::size_t>(row) * width + column] =
                    XGetPixel(image, column, row) & 0xffffff;
        XDestroyImage(image);
        return picture;
    }

    Picture canvas() { return grab(window, 0, 0, CANVAS_W, CANVAS_H); }

    // Polls the canvas until done says yes of a settled picture (the same on two reads: the
    // canvas reaches the screen in strips); the last picture read.
    Picture canvas_until(const std::function<bool(const Picture&)>& done, const char* what,
                         int milliseconds = 5000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            Picture picture = canvas();
            if (done(picture)) {
                pause_ms(15);
                Picture again = canvas();
                if (same_inside(picture, again))
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

    Picture canvas_changed_from(const Picture& before, const char* what)
    {
        return canvas_until([&](const Picture& p) { return !same_inside(p, before); }, what);
    }

    Picture canvas_back_to(const Picture& expected, const char* what)
    {
        return canvas_until([&](const Picture& p) { return same_inside(p, expected); }, what);
    }

    // A real pointer click at a point of window's inside area.
    void click(int x, int y)
    {
        sh("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
           std::to_string(y) + " click 1");
    }

    // The close box of the window manager's frame, at the right end of the title bar.
    void click_close_box()
    {
        const Window frame = frame_of(window);
        XWindowAttributes frame_area;
        ASSERT_TRUE(XGetWindowAttributes(display, frame, &frame_area));
        int inside_x = 0, inside_y = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, frame, 0, 0, &inside_x, &inside_y, &child);
        sh("xdotool mousemove --window " + std::to_string(frame) + " " +
           std::to_string(frame_area.width - inside_x - 12) + " " + std::to_string(inside_y / 2) +
           " click 1");
    }

    // Keys and text go to whatever has the focus; focus a dialog first with focus().
    void focus(Window target) { sh("xdotool windowfocus --sync " + std::to_string(target)); }
    void key(const std::string& keys) { sh("xdotool key " + keys); }
    void type(const std::string& text) { sh("xdotool type --delay 3 " + quoted(text)); }

    // Answers a message box titled title with Return.
    void answer_box(const std::string& title)
    {
        const Window box = find_named(title, DIALOG_WAIT_MS);
        ASSERT_NE(box, 0u) << "no \"" << title << "\" box";
        focus(box);
        key("Return");
        for (int i = 0; i < 500 && find_named(title, 0); ++i)
            pause_ms(10);
        EXPECT_EQ(find_named(title, 0), 0u) << "the \"" << title << "\" box stays open";
    }

    // Types path into the file dialog titled title and confirms it with Return.
    void choose_in_dialog(const std::string& title, const std::string& path)
    {
        const Window dialog = find_named(title, DIALOG_WAIT_MS);
        ASSERT_NE(dialog, 0u) << "no \"" << title << "\" dialog";
        focus(dialog);
        type(path);
        key("Return");
        // Gone from the screen before the window under it is read back. (FLTK hides GTK's dialog
        // without flushing GTK's connection, so now and then it stays up until the next dialog:
        // the wait is bounded and not a check.)
        const auto deadline = Clock::now() + std::chrono::milliseconds(3000);
        while (find_named(title, 0) && Clock::now() < deadline)
            pause_ms(10);
    }

    Display* display = nullptr;
    Window window = 0;  // the viewer's main window (its inside area)
    fs::path folder;
    Viewer viewer;
};

std::string example(const char* name) { return (fs::path(EXAMPLES) / name).string(); }

// Control centres in the main window's inside area.
constexpr int MINUS[] = {725, 39}, PLUS[] = {760, 39}, VERTICAL[] = {740, 62},
              HORIZONTAL[] = {740, 82}, STEP_FIELD[] = {744, 98},
              ZOOM_OUT[] = {725, 129}, ZOOM_IN[] = {760, 129},
              CHECK_3D[] = {725, 162}, DEFLECTED[] = {725, 192}, SCALE_FIELD[] = {760, 218},
              ANIMATION[] = {740, 249}, APPLIED_LOAD[] = {730, 302}, ELEMENT_NO[] = {730, 332},
              SHOW_STRESSES[] = {750, 359}, SAVE_IMAGE[] = {740, 409}, LOAD_FILE[] = {740, 439},
              EXIT[] = {740, 469};

// A path with a space given unquoted arrives as two parameters and is joined again; then every
// view command and display switch on the planar bridge, each checked on the canvas; "Exit" ends
// the program with exit code 0.
TEST_F(X11Viewer, SplitPathThenEveryViewCommandThenExit)
{
    const std::string path = (folder / "my results" / "bridge.res").string();
    const std::size_t space = path.find(' ');
    viewer.start({path.substr(0, space), path.substr(space + 1)}, folder);
    window = main_window("     " + path);
    ASSERT_NE(window, 0u) << "no main window captioned with the joined path";

    const Picture base = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the truss in black");
    const Box truss = bounds(base, member_black);
    const int base_dark = count(base, dark);

    // "+" turns and keeps the scale; "-" turns back and refits: the first picture again.
    click(PLUS[0], PLUS[1]);
    canvas_changed_from(base, "the view turned by \"+\"");
    click(MINUS[0], MINUS[1]);
    canvas_back_to(base, "the view turned back by \"-\"");
    // A typed step of 30: the small default tilt of a plane truss seen from above may not move a
    // pixel.
    click(STEP_FIELD[0], STEP_FIELD[1]);
    key("ctrl+a");
    type("30");
    click(HORIZONTAL[0], HORIZONTAL[1]);
    click(PLUS[0], PLUS[1]);
    canvas_changed_from(base, "the view tilted by \"+\" with Horizontal");
    click(MINUS[0], MINUS[1]);
    canvas_back_to(base, "the view tilted back by \"-\" with Horizontal");
    click(VERTICAL[0], VERTICAL[1]);

    // "In" enlarges by a tenth, "Out" shrinks by a tenth of that: 1.1 x 0.9 of the first width.
    click(ZOOM_IN[0], ZOOM_IN[1]);
    const Picture in = canvas_changed_from(base, "the truss enlarged by \"In\"");
    EXPECT_NEAR(bounds(in, member_black).width(), truss.width() * 1.1, 3);
    click(ZOOM_OUT[0], ZOOM_OUT[1]);
    const Picture out = canvas_changed_from(in, "the truss reduced by \"Out\"");
    EXPECT_NEAR(bounds(out, member_black).width(), truss.width() * 0.99, 3);

    // "3D" shows the oblique preset; unticked again, the plan view fitted afresh (zoom undone).
    click(CHECK_3D[0], CHECK_3D[1]);
    const Picture oblique = canvas_changed_from(out, "the 3D view");
    EXPECT_FALSE(same_inside(oblique, base));
    click(CHECK_3D[0], CHECK_3D[1]);
    canvas_back_to(base, "the plan view fitted again");

    // "Deflected" adds the magenta shape below the bridge; a click into the scale field takes it
    // away, and a larger typed scale draws it lower.
    click(DEFLECTED[0], DEFLECTED[1]);
    const Picture deflected = canvas_until(
        [](const Picture& p) { return count(p, magenta) > 300; }, "the deflected shape");
    const int sag = bounds(deflected, magenta).bottom;
    EXPECT_GT(sag, truss.bottom);
    click(SCALE_FIELD[0], SCALE_FIELD[1]);
    canvas_back_to(base, "the shape removed by the scale field");
    // The typing and the click wait in the X queue together while the program is held, as they
    // would behind a slow redraw: the typing must untick the box before the click ticks it.
    kill(viewer.pid(), SIGSTOP);
    key("ctrl+a");
    type("3000");
    click(DEFLECTED[0], DEFLECTED[1]);
    kill(viewer.pid(), SIGCONT);
    const Picture deeper = canvas_until(
        [&](const Picture& p) { return count(p, magenta) > 300 && !same_inside(p, deflected); },
        "the deflected shape at the typed scale");
    EXPECT_GT(bounds(deeper, magenta).bottom, sag + 20);

    // "Animation" unticks "Deflected", shows its frames in (0, 180, 120) and ends on the plain
    // picture.
    click(ANIMATION[0], ANIMATION[1]);
    canvas_until([](const Picture& p) { return count(p, animated) > 50; }, "an animation frame");
    canvas_back_to(base, "the plain picture after the animation");

    // "Applied Load" and "Element No." add black labels; unticked, the first picture again.
    // (The plain picture is also each animation frame's first step, so the animation may still
    // run: wait for the labels themselves.)
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    canvas_until([&](const Picture& p) { return count(p, dark) > base_dark + 100; },
                 "the load values");
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    canvas_back_to(base, "the picture without load values");
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    const Picture numbers = canvas_changed_from(base, "the element numbers");
    EXPECT_GT(count(numbers, dark), base_dark + 200);
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    canvas_back_to(base, "the picture without element numbers");

    // "Show Stresses" ticks "Element No." and writes the table over the numbered picture; the
    // next click on "Element No." unticks it, which brings back the first picture.
    click(SHOW_STRESSES[0], SHOW_STRESSES[1]);
    const Picture table = canvas_until(
        [](const Picture& p) { return count(p, table_text) > 300; }, "the stress table");
    EXPECT_GT(count(table, [](std::uint32_t p) { return p == 0x0000ff; }), 30);  // its heading
    click(ELEMENT_NO[0], ELEMENT_NO[1]);
    canvas_back_to(base, "the picture after \"Element No.\" was unticked");

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

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
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &main_x, &main_y,
                          &child);
    int canvas_white = 0, canvas_other = 1, column_dark = 0;
    const auto shown = Clock::now();
    while ((column_dark <= 200 || canvas_other != 0) &&
           Clock::now() - shown < std::chrono::seconds(3)) {
        pause_ms(10);
        XWindowAttributes cover;
        ASSERT_TRUE(XGetWindowAttributes(display, frame_of(dialog), &cover));
        const Picture inside = grab(window, 0, 0, 800, CANVAS_H);
        canvas_white = canvas_other = column_dark = 0;
        for (int y = INSET; y < CANVAS_H - INSET; ++y)
            for (int x = 0; x < 800; ++x) {
                const int sx = main_x + x, sy = main_y + y;
                if (sx >= cover.x && sx < cover.x + cover.width + 2 * cover.border_width &&
                    sy >= cover.y && sy < cover.y + cover.height + 2 * cover.border_width)
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
    const Picture first = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the chosen bridge");

    // A new file replaces the bridge.
    click(LOAD_FILE[0], LOAD_FILE[1]);
    choose_in_dialog("OPEN ..", example("tower.res"));
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u) << "the caption does not show the loaded tower";
    const Picture tower = canvas_until(
        [&](const Picture& p) { return count(p, member_black) > 500 && !same_inside(p, first); },
        "the loaded tower");

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

// A file without results: the "No Results" box at start, then the geometry is shown and "Show
// Stresses" does nothing (it neither writes the table nor ticks "Element No.").
TEST_F(X11Viewer, GeometryOnlyFileShowsNoStresses)
{
    viewer.start({example("bridge-geometry.res")}, folder);
    answer_box("No Results");
    window = main_window("     " + example("bridge-geometry.res"));
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the geometry");

    click(SHOW_STRESSES[0], SHOW_STRESSES[1]);
    click(ELEMENT_NO[0], ELEMENT_NO[1]);  // ticks it only if "Show Stresses" did not
    const Picture numbers = canvas_changed_from(base, "the element numbers");
    EXPECT_GT(count(numbers, dark), count(base, dark) + 200);
    EXPECT_EQ(count(numbers, table_text), 0) << "a stress table was written";

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// The JPEG file of "Save Image", decoded.
struct Jpeg {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    bool quality_70_tables = false;

    std::uint32_t at(int x, int y) const
    {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
};

bool read_jpeg(const fs::path& path, Jpeg& jpeg)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct in{};
    jpeg_error_mgr errors{};
    in.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&in);
    jpeg_stdio_src(&in, file);
    jpeg_read_header(&in, TRUE);

    // The quantisation tables of an encoder set to quality 70 with the standard tables.
    jpeg_compress_struct reference{};
    jpeg_error_mgr reference_errors{};
    reference.err = jpeg_std_error(&reference_errors);
    jpeg_create_compress(&reference);
    reference.in_color_space = JCS_RGB;
    reference.input_components = 3;
    jpeg_set_defaults(&reference);
    jpeg_set_quality(&reference, 70, TRUE);
    jpeg.quality_70_tables = true;
    for (int t = 0; t < 2; ++t) {
        const JQUANT_TBL* mine = in.quant_tbl_ptrs[t];
        const JQUANT_TBL* expected = reference.quant_tbl_ptrs[t];
        if (!mine || !expected) {
            jpeg.quality_70_tables = false;
            continue;
        }
        for (int i = 0; i < DCTSIZE2; ++i)
            jpeg.quality_70_tables &= mine->quantval[i] == expected->quantval[i];
    }
    jpeg_destroy_compress(&reference);

    in.out_color_space = JCS_RGB;
    jpeg_start_decompress(&in);
    jpeg.width = static_cast<int>(in.output_width);
    jpeg.height = static_cast<int>(in.output_height);
    jpeg.rgb.resize(static_cast<std::size_t>(jpeg.width) * jpeg.height * 3);
    while (in.output_scanline < in.output_height) {
        JSAMPROW row = &jpeg.rgb[static_cast<std::size_t>(in.output_scanline) * jpeg.width * 3];
        jpeg_read_scanlines(&in, &row, 1);
    }
    jpeg_finish_decompress(&in);
    jpeg_destroy_decompress(&in);
    std::fclose(file);
    return true;
}

// Whether a line of the picture shows the frame colour (0, 5, 255). JPEG keeps colour at half
// resolution, so a 1-pixel line is blended with its neighbours; the test is on the line's mean,
// which still tells it from the window manager's blues (green well above 80).
bool frame_line(const Jpeg& jpeg, int x0, int y0, int dx, int dy, int length, std::string& mean)
{
    long r = 0, g = 0, b = 0;
    for (int i = 0; i < length; ++i) {
        const std::uint32_t p = jpeg.at(x0 + dx * i, y0 + dy * i);
        r += red(p);
        g += green(p);
        b += blue(p);
    }
    r /= length;
    g /= length;
    b /= length;
    mean = "(" + std::to_string(r) + ", " + std::to_string(g) + ", " + std::to_string(b) + ")";
    return r < 40 && g < 50 && b > 130;
}

// No band of the black a capture image starts with: every row and column between the frame lines
// of the saved picture holds some of the window (its frame, caption, controls or canvas).
void expect_no_black_band(const Jpeg& jpeg)
{
    const auto black_line = [&](int x0, int y0, int dx, int dy, int length) {
        long sum = 0;
        for (int i = 0; i < length; ++i) {
            const std::uint32_t p = jpeg.at(x0 + dx * i, y0 + dy * i);
            sum += red(p) + green(p) + blue(p);
        }
        return sum / length < 3 * 24;
    };
    int black_rows = 0, black_columns = 0;
    for (int y = 1; y < jpeg.height - 2; ++y)
        black_rows += black_line(1, y, 1, 0, jpeg.width - 3) ? 1 : 0;
    for (int x = 1; x < jpeg.width - 2; ++x)
        black_columns += black_line(x, 1, 0, 1, jpeg.height - 3) ? 1 : 0;
    EXPECT_EQ(black_rows, 0) << "black rows in the saved picture";
    EXPECT_EQ(black_columns, 0) << "black columns in the saved picture";
}

// The mean difference per pixel (sum of the three channels) between the canvas as shown and the
// saved picture's canvas, whose top left corner is at (left, top) in it.
double canvas_difference(const Jpeg& jpeg, const Picture& shown, int left, int top)
{
    long difference = 0, pixels = 0;
    for (int y = INSET; y < CANVAS_H - INSET; ++y)
        for (int x = INSET; x < CANVAS_W - INSET; ++x) {
            const std::uint32_t a = jpeg.at(left + x, top + y);
            const std::uint32_t b = shown.at(x, y);
            difference += std::abs(red(a) - red(b)) + std::abs(green(a) - green(b)) +
                          std::abs(blue(a) - blue(b));
            ++pixels;
        }
    return static_cast<double>(difference) / pixels;
}

// "Save Image" on the tower: the name typed without an extension gets ".jpg", the notice comes
// up, and the file holds the framed window less 2 pixels all round, with the frame lines, the
// canvas as the screen shows it, and quality 70.
TEST_F(X11Viewer, SaveImageWritesTheFramedWindow)
{
    viewer.start({example("tower.res")}, folder);
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the tower");
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame_of(window), &frame_area));
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "view").string());
    answer_box("Notice");
    const fs::path saved = folder / "view.jpg";
    ASSERT_TRUE(fs::exists(saved)) << "no view.jpg";
    EXPECT_FALSE(fs::exists(folder / "view"));

    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(saved, jpeg));
    EXPECT_TRUE(jpeg.quality_70_tables) << "not saved at quality 70";
    ASSERT_EQ(jpeg.width, frame_area.width + 2 * frame_area.border_width - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 2 * frame_area.border_width - 4);
    const int w = jpeg.width, h = jpeg.height;
    std::string mean;
    EXPECT_TRUE(frame_line(jpeg, 0, 0, 1, 0, w - 1, mean)) << "top line " << mean;
    EXPECT_TRUE(frame_line(jpeg, 0, 0, 0, 1, h - 1, mean)) << "left line " << mean;
    EXPECT_TRUE(frame_line(jpeg, w - 2, 0, 0, 1, h - 1, mean)) << "right line " << mean;
    EXPECT_TRUE(frame_line(jpeg, 0, h - 2, 1, 0, w - 1, mean)) << "bottom line " << mean;
    EXPECT_FALSE(frame_line(jpeg, w - 3, 0, 0, 1, h - 1, mean)) << "the right line is too wide";
    EXPECT_FALSE(frame_line(jpeg, 0, h - 3, 1, 0, w - 1, mean)) << "the bottom line is too wide";

    expect_no_black_band(jpeg);

    // The canvas in the picture is the one on the screen (inside the frame lines).
    EXPECT_LT(canvas_difference(jpeg, shown, inside_x - 2, inside_y - 2), 6.0) << "the canvas differs";

    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// Under any window manager (the display tests run this one under openbox too) the saved picture
// is the whole framed window: the outer frame's size less the margin, no black band, and the
// canvas where the frame holds it on the screen.
TEST_F(X11Viewer, SaveImageHoldsTheWholeFramedWindow)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame_of(window), &frame_area));
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "whole").string());
    answer_box("Notice");
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "whole.jpg", jpeg)) << "no whole.jpg";
    ASSERT_EQ(jpeg.width, frame_area.width + 2 * frame_area.border_width - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 2 * frame_area.border_width - 4);
    expect_no_black_band(jpeg);
    EXPECT_LT(canvas_difference(jpeg, shown, inside_x + frame_area.border_width - 2,
                                inside_y + frame_area.border_width - 2), 6.0)
        << "the canvas is not where the frame holds it";
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A window manager that nests its frame in a second window (here a grey override-redirect window
// taken in between, 10 pixels wider on every side): the picture is that outermost window, grey
// border included, with no black band where the inner frame ends.
TEST_F(X11Viewer, SaveImageHoldsAFrameNestedTwice)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture shown = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    const Window frame = frame_of(window);
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame, &frame_area));
    XSetWindowAttributes outer_attributes{};
    outer_attributes.override_redirect = True;
    outer_attributes.background_pixel = 0x808080;
    const Window outer = XCreateWindow(
        display, DefaultRootWindow(display), frame_area.x - 10, frame_area.y - 10,
        static_cast<unsigned>(frame_area.width + 20), static_cast<unsigned>(frame_area.height + 20), 0,
        CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &outer_attributes);
    XMapWindow(display, outer);
    XReparentWindow(display, frame, outer, 10, 10);
    XSync(display, False);
    ASSERT_EQ(frame_of(window), outer);
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, outer, 0, 0, &inside_x, &inside_y, &child);

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "nested").string());
    answer_box("Notice");
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "nested.jpg", jpeg)) << "no nested.jpg";
    ASSERT_EQ(jpeg.width, frame_area.width + 20 - 4);
    ASSERT_EQ(jpeg.height, frame_area.height + 20 - 4);
    expect_no_black_band(jpeg);
    EXPECT_LT(canvas_difference(jpeg, shown, inside_x - 2, inside_y - 2), 6.0)
        << "the canvas is not where the frame holds it";
    click(EXIT[0], EXIT[1]);
    EXPECT_EQ(viewer.wait_exit(), 0);
}

// A window whose frame is partly off the screen cannot be captured whole: "Save Image" says so
// and writes nothing (no picture with the missing part left black).
TEST_F(X11Viewer, SaveImageOfAWindowPartlyOffTheScreenFails)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    canvas_until([](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    XWindowAttributes screen;
    ASSERT_TRUE(XGetWindowAttributes(display, DefaultRootWindow(display), &screen));
    sh("xdotool windowmove --sync " + std::to_string(frame_of(window)) + " " +
       "-300 150");

    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    choose_in_dialog("Save as jpeg", (folder / "cut").string());
    answer_box("Warning");
    EXPECT_FALSE(fs::exists(folder / "cut.jpg"));
    click(EXIT[0], EXIT[1]);
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
    const Picture bridge = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    const Picture box_before = grab(window, CANVAS_W, APPLIED_LOAD[1] - 12, 100, 24);

    kill(viewer.pid(), SIGSTOP);
    click(LOAD_FILE[0], LOAD_FILE[1]);
    click(APPLIED_LOAD[0], APPLIED_LOAD[1]);
    kill(viewer.pid(), SIGCONT);
    choose_in_dialog("OPEN ..", example("tower.res"));
    window = main_window("     " + example("tower.res"));
    ASSERT_NE(window, 0u) << "the caption does not show the loaded tower";
    const Picture tower = canvas_until(
        [&](const Picture& p) { return count(p, member_black) > 500 && !same_inside(p, bridge); },
        "the loaded tower");
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

// "+", "Save Image" and the close box, queued while the program is held, take effect in that
// order: the view turns, the image is saved (the dialog answered, the notice confirmed), and only
// then does the program end.
TEST_F(X11Viewer, CloseBoxQueuedBehindSaveImageEndsTheProgramAfterTheSave)
{
    viewer.start({example("bridge.res")}, folder);
    window = main_window("     " + example("bridge.res"));
    ASSERT_NE(window, 0u);
    const Picture base = canvas_until(
        [](const Picture& p) { return count(p, member_black) > 500; }, "the bridge");
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame_of(window), 0, 0, &inside_x, &inside_y, &child);

    kill(viewer.pid(), SIGSTOP);
    click(PLUS[0], PLUS[1]);
    click(SAVE_IMAGE[0], SAVE_IMAGE[1]);
    click_close_box();
    kill(viewer.pid(), SIGCONT);
    choose_in_dialog("Save as jpeg", (folder / "closing").string());
    answer_box("Notice");
    EXPECT_EQ(viewer.wait_exit(), 0);

    // The saved canvas shows the turned view: fewer of the first picture's black pixels.
    Jpeg jpeg;
    ASSERT_TRUE(read_jpeg(folder / "closing.jpg", jpeg)) << "no closing.jpg";
    int kept = 0, black = 0;
    for (int y = INSET; y < CANVAS_H - INSET; ++y)
        for (int x = INSET; x < CANVAS_W - INSET; ++x)
            if (member_black(base.at(x, y))) {
                ++black;
                kept += dark(jpeg.at(inside_x - 2 + x, inside_y - 2 + y)) ? 1 : 0;
            }
    std::printf("black pixels of the first view still dark in the saved one: %d of %d\n", kept, black);
    EXPECT_LT(kept, black * 9 / 10) << "the image was saved before \"+\" turned the view";
}

}  // namespace

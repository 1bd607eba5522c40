// The display tests' driver for the kelvaro program: the child process, the windows found by caption,
// the canvas read back and the xdotool input (see viewer_driver.h).
#include "viewer_driver.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "x_windows.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// Windows may vanish while we look.
int ignore_x_errors(Display*, XErrorEvent*)
{
    return 0;
}

}  // namespace

void pause_ms(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

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

int count(const Picture& picture, const std::function<bool(std::uint32_t)>& wanted)
{
    int n = 0;
    for (int y = INSET; y < picture.height - INSET; ++y)
        for (int x = INSET; x < picture.width - INSET; ++x)
            n += wanted(picture.at(x, y)) ? 1 : 0;
    return n;
}

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

std::string example(const char* name)
{
    return (fs::path(EXAMPLES) / name).string();
}

void Viewer::start(const std::vector<std::string>& arguments, const fs::path& folder)
{
    log_ = folder / "kelvaro.log";
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        // The settings the program remembers stay in the test's folder, never the user's.
        setenv("KELVARO_CONFIG_HOME", (folder / "config").c_str(), 1);
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

int Viewer::wait_exit(int milliseconds)
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

std::string Viewer::log() const
{
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Viewer::kill_now()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void X11Viewer::SetUp()
{
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display (run through xsession.sh)";
    XSetErrorHandler(ignore_x_errors);
    folder = fs::temp_directory_path() / ("kelvaro-e2e-" + std::to_string(getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "my results");
    fs::copy_file(fs::path(EXAMPLES) / "bridge.res", folder / "my results" / "bridge.res");
}

void X11Viewer::TearDown()
{
    if (HasFailure())
        std::printf("kelvaro's output:\n%s\n", viewer.log().c_str());
    viewer.wait_exit(0);
    if (display)
        XCloseDisplay(display);
    fs::remove_all(folder);
}

std::string X11Viewer::name_of(Window window)
{
    return window_caption(display, window);
}

Window X11Viewer::find(const std::function<bool(const std::string&)>& wanted, int milliseconds)
{
    return find_shown_window(display, wanted, milliseconds);
}

Window X11Viewer::find_named(const std::string& name, int milliseconds)
{
    return find([&](const std::string& caption) { return caption == name; }, milliseconds);
}

Window X11Viewer::main_window(const std::string& tail, int milliseconds)
{
    return find(
        [&](const std::string& caption) {
            return caption.rfind(TITLE_START, 0) == 0 && caption.size() >= tail.size() &&
                   caption.compare(caption.size() - tail.size(), tail.size(), tail) == 0;
        },
        milliseconds);
}

Window X11Viewer::frame_of(Window window)
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

Picture X11Viewer::grab(Window window, int x, int y, int width, int height)
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
            picture.pixels[static_cast<std::size_t>(row) * width + column] = XGetPixel(image, column, row) & 0xffffff;
    XDestroyImage(image);
    return picture;
}

Picture X11Viewer::canvas()
{
    return grab(window, 0, 0, CANVAS_W, CANVAS_H);
}

Picture X11Viewer::canvas_until(const std::function<bool(const Picture&)>& done, const char* what, int milliseconds)
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

Picture X11Viewer::canvas_changed_from(const Picture& before, const char* what)
{
    return canvas_until([&](const Picture& p) { return !same_inside(p, before); }, what);
}

Picture X11Viewer::canvas_back_to(const Picture& expected, const char* what)
{
    return canvas_until([&](const Picture& p) { return same_inside(p, expected); }, what);
}

void X11Viewer::click(int x, int y)
{
    sh("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y) +
       " click 1");
}

void X11Viewer::click_close_box()
{
    const Window frame = frame_of(window);
    XWindowAttributes frame_area;
    ASSERT_TRUE(XGetWindowAttributes(display, frame, &frame_area));
    int inside_x = 0, inside_y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, frame, 0, 0, &inside_x, &inside_y, &child);
    sh("xdotool mousemove --window " + std::to_string(frame) + " " + std::to_string(frame_area.width - inside_x - 12) +
       " " + std::to_string(inside_y / 2) + " click 1");
}

void X11Viewer::focus(Window target)
{
    sh("xdotool windowfocus --sync " + std::to_string(target));
}

void X11Viewer::key(const std::string& keys)
{
    sh("xdotool key " + keys);
}

void X11Viewer::type(const std::string& text)
{
    sh("xdotool type --delay 3 " + quoted(text));
}

void X11Viewer::answer_box(const std::string& title)
{
    const Window box = find_named(title, DIALOG_WAIT_MS);
    ASSERT_NE(box, 0u) << "no \"" << title << "\" box";
    focus(box);
    key("Return");
    for (int i = 0; i < 500 && find_named(title, 0); ++i)
        pause_ms(10);
    EXPECT_EQ(find_named(title, 0), 0u) << "the \"" << title << "\" box stays open";
}

void X11Viewer::choose_in_dialog(const std::string& title, const std::string& path)
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

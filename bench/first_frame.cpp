// first_frame: launches a viewer command and reports how long it takes until its first picture of
// a truss is on the screen, and its resident memory at that moment. Needs a running X server with
// a window manager (bench/viewer_startup.sh provides one).
//
// Usage: first_frame PROGRAM [ARGUMENTS...]
// Prints one line: "first_frame_ms=<ms> rss_kb=<kB> hwm_kb=<kB>", then closes the program's window
// as the window manager's close box does and waits for it to end. Exit code 0 when all went well.
//
// The screen is polled, pausing four times as long as the last look took (at least a millisecond),
// so that the looks, the X server's part included, take no more than a fifth of a core from the
// program: the program's window is found by its caption (starting with "KELVARO"), and the
// picture counts as shown once its canvas (the 700 x 500 pixels at the window's top left) is a
// white field with black member pixels on it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int CANVAS_W = 700;
constexpr int CANVAS_H = 500;
constexpr int BLACK_PIXELS = 200;                      // black pixels that make a truss
constexpr int WHITE_PIXELS = CANVAS_W * CANVAS_H / 2;  // a painted canvas (unpainted may be black)
constexpr double TIME_LIMIT_MS = 10000;

double now_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int ignore_errors(Display*, XErrorEvent*)
{
    return 0;
}

// A shown window below window whose caption starts with prefix, 0 when there is none.
Window find_window(Display* display, Window window, const char* prefix)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            XWindowAttributes attributes;
            if (std::strncmp(name, prefix, std::strlen(prefix)) == 0 &&
                XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
        if (!found)
            found = find_window(display, children[i], prefix);
    }
    if (children)
        XFree(children);
    return found;
}

// Whether the canvas shows a truss: a white field with black members on it.
bool truss_shown(Display* display, Window window)
{
    XImage* image = XGetImage(display, window, 0, 0, CANVAS_W, CANVAS_H, AllPlanes, ZPixmap);
    if (!image)
        return false;
    int black = 0, white = 0;
    if (image->bits_per_pixel == 32) {
        for (int y = 6; y < CANVAS_H - 6; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + y * image->bytes_per_line);
            for (int x = 6; x < CANVAS_W - 6; ++x) {
                const std::uint32_t pixel = row[x] & 0xffffff;
                black += pixel == 0 ? 1 : 0;
                white += pixel == 0xffffff ? 1 : 0;
            }
        }
    }
    XDestroyImage(image);
    return black > BLACK_PIXELS && white > WHITE_PIXELS;
}

long status_kb(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return -1;
}

void close_window(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: first_frame PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "first_frame: no X display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);

    const double start = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    if (pid < 0)
        return 2;

    Window window = 0;
    double shown = -1;
    while (now_ms() - start < TIME_LIMIT_MS) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "first_frame: the program ended before showing a truss\n");
            return 1;
        }
        if (!window)
            window = find_window(display, DefaultRootWindow(display), "KELVARO");
        const double look = now_ms();
        if (window && truss_shown(display, window)) {
            shown = now_ms() - start;
            break;
        }
        usleep(static_cast<useconds_t>(std::max(1000.0, 4000.0 * (now_ms() - look))));
    }
    if (shown < 0) {
        std::fprintf(stderr, "first_frame: no truss on the screen after %.0f ms\n", TIME_LIMIT_MS);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 1;
    }
    std::printf("first_frame_ms=%.1f rss_kb=%ld hwm_kb=%ld\n", shown, status_kb(pid, "VmRSS:"),
                status_kb(pid, "VmHWM:"));

    close_window(display, window);
    int status = 0;
    for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(10000);
    if (kill(pid, 0) == 0) {
        std::fprintf(stderr, "first_frame: the program did not end when its window was closed\n");
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 1;
    }
    XCloseDisplay(display);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

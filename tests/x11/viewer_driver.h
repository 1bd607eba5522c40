// The driver the display tests of the kelvaro program share (each runs inside xsession.sh): the
// executable started as a child, clicked and typed at with xdotool, and checked by its window
// captions, the pixels of its canvas read back from the server, the files it writes and its exit
// code. Definitions in viewer_driver.cpp; KELVARO and EXAMPLES name the program and the examples.
#pragma once

#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

constexpr int CANVAS_W = 700;
constexpr int CANVAS_H = 500;
// How long the main window, a dialog or a message box may take to come up: the start and the first
// GTK dialog of a process under the sanitizers, which record every allocation's whole stack, take
// seconds on a loaded machine.
constexpr int DIALOG_WAIT_MS = 20000;
const std::string TITLE_START = "KELVARO V.3.7";

using Clock = std::chrono::steady_clock;

void pause_ms(int milliseconds);
// Runs a shell command (xdotool), failing the test when it fails.
void sh(const std::string& command);
// text in single quotes for the shell.
std::string quoted(const std::string& text);
// The path of an example file.
std::string example(const char* name);

// An RGB picture read back from the server.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline int red(std::uint32_t p)
{
    return static_cast<int>(p >> 16 & 0xff);
}
inline int green(std::uint32_t p)
{
    return static_cast<int>(p >> 8 & 0xff);
}
inline int blue(std::uint32_t p)
{
    return static_cast<int>(p & 0xff);
}
inline bool dark(std::uint32_t p)
{
    return red(p) < 100 && green(p) < 100 && blue(p) < 100;
}

// The canvas without its frame lines and the focus mark inside them: what the truss is drawn in.
constexpr int INSET = 6;

// Pixels inside the inset that satisfy wanted.
int count(const Picture& picture, const std::function<bool(std::uint32_t)>& wanted);

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
};

// The smallest box inside the inset that holds every pixel satisfying wanted.
Box bounds(const Picture& picture, const std::function<bool(std::uint32_t)>& wanted);
// Whether a and b have the same size and the same pixels inside the inset.
bool same_inside(const Picture& a, const Picture& b);

inline bool member_black(std::uint32_t p)
{
    return p == 0;
}
inline bool magenta(std::uint32_t p)
{
    return p == 0xff00ff;
}
// (0, 180, 120)
inline bool animated(std::uint32_t p)
{
    return p == 0x00b478;
}
// (155, 0, 160) and its blends
inline bool table_text(std::uint32_t p)
{
    return red(p) > 120 && green(p) < 60 && blue(p) > 120 && red(p) < 200;
}

// The kelvaro program as a child process; its output goes to a log shown when a test fails.
class Viewer {
public:
    ~Viewer() { kill_now(); }

    // Starts the program with arguments in folder.
    void start(const std::vector<std::string>& arguments, const fs::path& folder);
    pid_t pid() const { return pid_; }
    // The exit code, 128 + signal after a signal, -1 when still running after milliseconds.
    int wait_exit(int milliseconds = 5000);
    // What the program wrote to its standard output and error so far.
    std::string log() const;

private:
    void kill_now();

    pid_t pid_ = -1;
    fs::path log_;
};

// A test with the display open, a fresh folder holding "my results/bridge.res", and the program.
class X11Viewer : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The caption of window ("" when it has none).
    std::string name_of(Window window);
    // A shown window whose caption satisfies wanted, waiting up to milliseconds (0 when none).
    Window find(const std::function<bool(const std::string&)>& wanted, int milliseconds = 5000);
    // A shown window captioned name, waiting up to milliseconds (0 when none).
    Window find_named(const std::string& name, int milliseconds = 5000);
    // The main window once its caption ends with tail.
    Window main_window(const std::string& tail, int milliseconds = DIALOG_WAIT_MS);
    // The window manager's frame around window (the child of the root that holds it).
    Window frame_of(Window window);
    // The pixels of a rectangle of window.
    Picture grab(Window window, int x, int y, int width, int height);
    // The main window's canvas.
    Picture canvas();
    // Polls the canvas until done says yes of a settled picture (the same on two reads: the
    // canvas reaches the screen in strips); the last picture read.
    Picture canvas_until(const std::function<bool(const Picture&)>& done, const char* what, int milliseconds = 5000);
    Picture canvas_changed_from(const Picture& before, const char* what);
    Picture canvas_back_to(const Picture& expected, const char* what);
    // A real pointer click at a point of window's inside area.
    void click(int x, int y);
    // The close box of the window manager's frame, at the right end of the title bar.
    void click_close_box();
    // Keys and text go to whatever has the focus; focus a dialog first with focus().
    void focus(Window target);
    void key(const std::string& keys);
    void type(const std::string& text);
    // Answers a message box titled title with Return.
    void answer_box(const std::string& title);
    // Types path into the file dialog titled title and confirms it with Return.
    void choose_in_dialog(const std::string& title, const std::string& path);

    Display* display = nullptr;
    Window window = 0;  // the viewer's main window (its inside area)
    fs::path folder;
    Viewer viewer;
};

// Control centres in the main window's inside area.
constexpr int MINUS[] = {725, 39}, PLUS[] = {760, 39}, VERTICAL[] = {740, 62}, HORIZONTAL[] = {740, 82},
              STEP_FIELD[] = {744, 98}, ZOOM_OUT[] = {725, 129}, ZOOM_IN[] = {760, 129}, CHECK_3D[] = {725, 162},
              DEFLECTED[] = {725, 192}, SCALE_FIELD[] = {760, 218}, ANIMATION[] = {740, 249},
              APPLIED_LOAD[] = {730, 302}, ELEMENT_NO[] = {730, 332}, SHOW_STRESSES[] = {750, 359},
              SAVE_IMAGE[] = {740, 409}, LOAD_FILE[] = {740, 439}, EXIT[] = {740, 469};

// The results window on a real X server (run inside xsession.sh): results_driver opens the viewer and
// its results window on a copy of the bridge example; xdotool clicks rows, column headers and
// "Save as CSV..."; the test reads what the driver prints, the window's pixels and the CSV it saves.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
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

using Clock = std::chrono::steady_clock;

// Where the window's parts are, in its inside area (the layout of fltk_results_window.cpp).
constexpr int TABLE_X = 30;       // inside the first column
constexpr int HEADER_Y = 137;     // the column headers' row
constexpr int FIRST_ROW_Y = 157;  // the first row's middle
constexpr int ROW_HEIGHT = 18;
constexpr std::uint32_t SELECTED = 0x3070C0;  // a selected row's background

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

// results_driver as a child process; its output lines are read as they come.
class Driver {
public:
    ~Driver()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    void start(const std::vector<std::string>& arguments)
    {
        int pipe_ends[2];
        ASSERT_EQ(pipe(pipe_ends), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipe_ends[1], 1);
            close(pipe_ends[0]);
            std::vector<char*> argv{const_cast<char*>(RESULTS_DRIVER)};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(RESULTS_DRIVER, argv.data());
            _exit(127);
        }
        close(pipe_ends[1]);
        out_ = pipe_ends[0];
        ASSERT_GT(pid_, 0);
    }

    // Waits up to milliseconds for the line wanted; every line read is kept in seen.
    bool wait_line(const std::string& wanted, int milliseconds = 8000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            std::size_t end;
            while ((end = pending_.find('\n')) != std::string::npos) {
                const std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                seen += line + "\n";
                if (line == wanted)
                    return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd request{out_, POLLIN, 0};
            if (poll(&request, 1, static_cast<int>(left)) > 0) {
                char buffer[512];
                const ssize_t got = read(out_, buffer, sizeof buffer);
                if (got <= 0)
                    return false;
                pending_.append(buffer, static_cast<std::size_t>(got));
            }
        }
    }

    // The exit code, 128 + signal after a signal, -1 when still running after milliseconds.
    int wait_exit(int milliseconds = 8000)
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

    std::string seen;  // every line read so far

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

class X11Results : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display (run through xsession.sh)";
        XSetErrorHandler(ignore_x_errors);
        folder = fs::temp_directory_path() / ("kelvaro-results-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "my results");
        results = folder / "my results" / "bridge.res";
        fs::copy_file(fs::path(EXAMPLES) / "bridge.res", results);
    }

    void TearDown() override
    {
        if (HasFailure())
            std::printf("results_driver's output:\n%s\n", driver.seen.c_str());
        if (display)
            XCloseDisplay(display);
        fs::remove_all(folder);
    }

    // A shown window captioned name (or, with prefix, whose caption starts with name), waiting up to
    // milliseconds (0 when none).
    Window find_named(const std::string& name, int milliseconds = 5000, bool prefix = false)
    {
        return find_shown_window(
            display, [&](const std::string& caption) { return prefix ? caption.rfind(name, 0) == 0 : caption == name; },
            milliseconds);
    }

    void click(int x, int y)
    {
        sh("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " + std::to_string(y) +
           " click 1");
    }

    // The text on the CLIPBOARD selection as its owner gives it, "" when there is none.
    std::string clipboard_text()
    {
        const Window requestor = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
        const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        const Atom property = XInternAtom(display, "KELVARO_TEST_PASTE", False);
        XConvertSelection(display, clipboard, utf8, property, requestor, CurrentTime);
        XFlush(display);
        std::string text;
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        XEvent event;
        while (Clock::now() < deadline) {
            if (!XCheckTypedWindowEvent(display, requestor, SelectionNotify, &event)) {
                pause_ms(10);
                continue;
            }
            if (event.xselection.property != 0) {
                Atom type = 0;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, requestor, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                                       &count, &after, &data) == Success &&
                    data != nullptr && format == 8)
                    text.assign(reinterpret_cast<char*>(data), count);
                if (data != nullptr)
                    XFree(data);
            }
            break;
        }
        XDestroyWindow(display, requestor);
        return text;
    }

    // The middle of the band of selected rows in the first column, -1 when no row shows selected;
    // waits up to milliseconds for want (a band or none) to hold.
    int selected_band(const std::function<bool(int)>& want, int milliseconds = 5000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            XWindowAttributes attributes;
            XGetWindowAttributes(display, window, &attributes);
            const int height = attributes.height - FIRST_ROW_Y;
            int first = -1, last = -1;
            if (XImage* image = XGetImage(display, window, TABLE_X, FIRST_ROW_Y - ROW_HEIGHT / 2, 1, height, AllPlanes,
                                          ZPixmap)) {
                for (int y = 0; y < height; ++y) {
                    if ((XGetPixel(image, 0, y) & 0xffffff) == SELECTED) {
                        if (first < 0)
                            first = y;
                        last = y;
                    }
                }
                XDestroyImage(image);
            }
            const int band = first < 0 ? -1 : FIRST_ROW_Y - ROW_HEIGHT / 2 + (first + last) / 2;
            if (want(band) || Clock::now() > deadline)
                return band;
            pause_ms(10);
        }
    }

    // The shown row of the selection's band, -1 for none.
    int selected_row(const std::function<bool(int)>& want)
    {
        const int band = selected_band(
            [&](int y) { return want(y < 0 ? -1 : (y - FIRST_ROW_Y + ROW_HEIGHT / 2) / ROW_HEIGHT); });
        return band < 0 ? -1 : (band - FIRST_ROW_Y + ROW_HEIGHT / 2) / ROW_HEIGHT;
    }

    Display* display = nullptr;
    Window window = 0;  // the results window (its inside area)
    fs::path folder;
    fs::path results;
    Driver driver;
};

std::vector<std::string> lines_of(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The window opens under its title; a row click selects the member on the canvas; two clicks on the
// "Member" header sort the rows from the last member to the first and the selection moves with its
// member; "Copy" puts that order on the clipboard and "Save as CSV..." writes it under the name it
// offers; Escape clears the selection and leaves the window open; "Exit" ends the program cleanly
// with the window open.
TEST_F(X11Results, TitleRowClickHeaderSortCopySaveAsCsvAndEscape)
{
    driver.start({results.string()});
    ASSERT_TRUE(driver.wait_line("ready"));
    window = find_named("Results - " + results.string(), 8000);
    ASSERT_NE(window, 0u) << "no window titled \"Results - " << results.string() << "\"";

    click(TABLE_X, FIRST_ROW_Y + 2 * ROW_HEIGHT);
    EXPECT_TRUE(driver.wait_line("highlight member 3"));
    EXPECT_EQ(selected_row([](int row) { return row == 2; }), 2);

    click(TABLE_X, HEADER_Y);
    click(TABLE_X, HEADER_Y);
    // Descending: member 21 first, member 3 is the 19th row.
    EXPECT_EQ(selected_row([](int row) { return row == 18; }), 18) << "the selection did not follow member 3";

    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    // "Copy": the same order, tab-separated, on the clipboard.
    click(attributes.width - 8 - 190 + 35, attributes.height - 8 - 12);
    std::string copied;
    for (int i = 0; i < 100 && copied.rfind("Member\t", 0) != 0; ++i)
        copied = clipboard_text();
    EXPECT_EQ(copied.substr(0, copied.find('\n', copied.find('\n') + 1) + 1),
              "Member\tNode 1\tNode 2\tLength [m]\tStress [MPa]\tForce [kN]\tT/C\tUtilisation\tCriterion\n"
              "21\t12\t5\t5.656854\t70.71\t212.1\tT\t\t\n");

    click(attributes.width - 8 - 55, attributes.height - 8 - 12);
    const Window dialog = find_named("Save as CSV");
    ASSERT_NE(dialog, 0u) << "no \"Save as CSV\" dialog";
    // The dialog offers "bridge-members.csv" beside the results file; Return takes it.
    const fs::path csv = folder / "my results" / "bridge-members.csv";
    sh("xdotool windowfocus --sync " + std::to_string(dialog));
    sh("xdotool key Return");
    for (int i = 0; i < 500 && !fs::exists(csv); ++i)
        pause_ms(10);
    ASSERT_TRUE(fs::exists(csv)) << "no CSV written";
    const std::vector<std::string> lines = lines_of(csv);
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0], "Member,Node 1,Node 2,Length [m],Stress [MPa],Force [kN],T/C,Utilisation,Criterion");
    EXPECT_EQ(lines[1], "21,12,5,5.656854,70.71,212.1,T,,");
    EXPECT_EQ(lines[21], "1,1,2,4,41.67,250,T,,");

    sh("xdotool windowfocus --sync " + std::to_string(window));
    click(TABLE_X, FIRST_ROW_Y + 4 * ROW_HEIGHT);
    EXPECT_TRUE(driver.wait_line("highlight member 17"));
    sh("xdotool key Escape");
    EXPECT_TRUE(driver.wait_line("highlight none"));
    EXPECT_EQ(selected_row([](int row) { return row < 0; }), -1);
    EXPECT_NE(find_named("Results - " + results.string(), 0), 0u) << "Escape closed the window";

    // "Exit" in the main window ends the program with the results window open.
    window = find_named("KELVARO", 0, true);
    ASSERT_NE(window, 0u) << "no main window";
    sh("xdotool windowactivate --sync " + std::to_string(window));  // the results window may cover it
    click(740, 469);
    EXPECT_EQ(driver.wait_exit(), 0);
}

// A selection made on the canvas brings the nodes' tab to the front with that node's row selected;
// a click selects another row, the arrow keys move on from it and a typed number jumps to its row.
TEST_F(X11Results, CanvasSelectionShowsItsNodeRow)
{
    driver.start({"--select", "node", "4", results.string()});
    ASSERT_TRUE(driver.wait_line("ready"));
    window = find_named("Results - " + results.string(), 8000);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(selected_row([](int row) { return row == 3; }), 3);
    click(TABLE_X, FIRST_ROW_Y + 6 * ROW_HEIGHT);
    EXPECT_TRUE(driver.wait_line("highlight node 7"));
    // The clicked table has the keyboard: Down moves the selection on.
    sh("xdotool key Down");
    EXPECT_TRUE(driver.wait_line("highlight node 8"));
    EXPECT_EQ(selected_row([](int row) { return row == 7; }), 7);
    sh("xdotool type 12");
    EXPECT_TRUE(driver.wait_line("highlight node 12"));
    EXPECT_EQ(selected_row([](int row) { return row == 11; }), 11);
}

}  // namespace

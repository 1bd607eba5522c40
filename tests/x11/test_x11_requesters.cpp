// The FLTK backend's Yes/No box and file chooser on a real X server (run inside xsession.sh): each
// case forks a child that shows one box and exits with the answer; the test answers it with a
// real click or key and checks the child's exit code.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "gui/backend.h"
#include "gui/platform.h"
#include "gui/requester.h"

namespace {

constexpr int ANSWER_YES = 10;  // the child's exit codes
constexpr int ANSWER_NO = 11;
constexpr int NO_DISPLAY = 2;

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

// A child process that shows one box and exits with what it learnt, and the box's window.
class X11Box : public ::testing::Test {
protected:
    // Forks a child that runs ask on the FLTK backend and exits with its result, then waits for
    // the child's window titled title to be mapped.
    template <typename Ask>
    void show(const std::string& title, Ask ask)
    {
        pid_ = fork();
        if (pid_ == 0) {
            if (!gui_use_fltk())
                _exit(NO_DISPLAY);
            _exit(ask());
        }
        ASSERT_GT(pid_, 0);
        // Only a mapped window: keys sent to one the window manager has not shown yet are lost.
        const std::string ids = run("timeout 10 xdotool search --sync --onlyvisible --name '^" + title +
                                    "$' 2>/dev/null");
        box_ = ids.substr(0, ids.find('\n'));
        ASSERT_FALSE(box_.empty()) << "no window titled " << title;
        Display* display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        XWindowAttributes attributes;
        const bool known = XGetWindowAttributes(display, std::stoul(box_), &attributes);
        XCloseDisplay(display);
        ASSERT_TRUE(known);
        width_ = attributes.width;
        height_ = attributes.height;
    }

    void TearDown() override
    {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // The child's exit code once it has ended (-1 if it does not end within 10 seconds).
    int answer()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    // Clicks at (x, y) inside the box.
    void click(int x, int y)
    {
        run("xdotool mousemove --window " + box_ + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }

    void key(const std::string& name) { run("xdotool windowfocus --sync " + box_ + " key " + name); }

    pid_t pid_ = -1;
    std::string box_;
    int width_ = 0, height_ = 0;
};

class X11Question : public X11Box {
protected:
    void SetUp() override
    {
        show("Notice", [] {
            const bool yes = req_yes_no("Notice", "/tmp/some folder/out.jpg exists. Replace it?");
            return yes ? ANSWER_YES : ANSWER_NO;
        });
    }
};

// The buttons are 80 x 26, 20 apart, centred, their tops 36 pixels above the bottom edge: Yes's
// centre lies 50 pixels left of the middle, No's 50 right.
TEST_F(X11Question, ClickingYesAnswersYes)
{
    EXPECT_GT(width_, 220);  // widened for the long line
    click(width_ / 2 - 50, height_ - 23);
    EXPECT_EQ(answer(), ANSWER_YES);
}

TEST_F(X11Question, ClickingNoAnswersNo)
{
    click(width_ / 2 + 50, height_ - 23);
    EXPECT_EQ(answer(), ANSWER_NO);
}

TEST_F(X11Question, ReturnAnswersNo)
{
    key("Return");
    EXPECT_EQ(answer(), ANSWER_NO);
}

TEST_F(X11Question, EscapeAnswersNo)
{
    key("Escape");
    EXPECT_EQ(answer(), ANSWER_NO);
}

}  // namespace

namespace {

using X11FileDialog = X11Box;

// The chooser works in its starting folder while it is open; afterwards the process is back in
// its old working folder even when that has been removed and getcwd can no longer name it.
TEST_F(X11FileDialog, ReturnsToAWorkingFolderThatHasNoPath)
{
    show("Open File", [] {
        char folder[] = "/tmp/kelvaro_gone_XXXXXX";
        struct stat before {
        }, after{};
        if (!mkdtemp(folder) || chdir(folder) != 0 || stat(".", &before) != 0 || rmdir(folder) != 0)
            return NO_DISPLAY;
        gui_fltk_own_dialogs(true);
        FileDialogSpec spec;
        spec.title = "Open File";
        spec.folder = "/tmp";
        spec.filters = {{"All", "*"}};
        platform().file_dialog(spec);
        const bool back = stat(".", &after) == 0 && after.st_ino == before.st_ino && after.st_dev == before.st_dev;
        return back ? ANSWER_YES : ANSWER_NO;
    });
    key("Escape");
    EXPECT_EQ(answer(), ANSWER_YES);
}

}  // namespace

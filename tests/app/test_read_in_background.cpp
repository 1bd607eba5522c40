// The window's reads: the stoppable file source (the file slots' lines, why a file cannot be
// opened, a stop while a pipe stalls), a read that goes on beside the event loop and Escape
// stopping it, what an unopened file and the problems found are told, and a failed reload that
// keeps the model shown with a note and no box.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "../pipe_writer.h"
#include "app/model/line_source.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/stoppable_file_source.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "core/file.h"
#include "draw/picture.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/table_window.h"
#include "gui/window.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::string_literals;

const std::string BRIDGE = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";  // planar, 12 nodes
const std::string TOWER = std::string(KELVARO_SOURCE_DIR) + "/examples/tower.res";

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class BackgroundReadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN);
        gui_use_headless();
        headless_reset_log();
        dir_ = fs::temp_directory_path() / ("kelvaro_read_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override
    {
        results_read_cancel();
        set_results_read_wait(-1);
        if (started_)
            viewer_shutdown();
        set_reload_on_change(false);
        file_set_pipe_wait(FILE_PIPE_WAIT_MS);
        std::error_code error;
        fs::permissions(dir_ / "locked.res", fs::perms::owner_all, error);
        fs::remove_all(dir_, error);
    }

    void start(const std::string& path)
    {
        const char* const argv[] = {"kelvaro", path.c_str()};
        viewer_start(2, argv);
        started_ = true;
    }

    // Runs the queued events as the event loop does.
    void pump()
    {
        for (int event = event_wait_timeout(0); event != 0; event = event_wait_timeout(0))
            handle_event(event);
    }
    // Runs events as they come until done says yes (at most 10 s).
    void pump_until(const std::function<bool()>& done)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!done() && Clock::now() < deadline) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        pump();
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }
    std::string fifo(const char* name) const
    {
        const std::string at = path(name);
        EXPECT_EQ(::mkfifo(at.c_str(), 0600), 0);
        return at;
    }
    Picture canvas() const { return *gadget_canvas_picture(ID_CANVAS); }

    fs::path dir_;
    bool started_ = false;
};

// Every line the source gives until its end, and two past it.
template <typename Source>
std::vector<std::string> all_lines(Source& source)
{
    std::vector<std::string> lines;
    std::string line;
    for (int guard = 0; guard < 100 && !source.at_end(); ++guard) {
        source.read_line(line);
        lines.push_back(line);
    }
    for (int past = 0; past < 2; ++past) {
        source.read_line(line);
        lines.push_back(line);
    }
    return lines;
}

TEST_F(BackgroundReadTest, SourceGivesTheFileSlotsLines)
{
    // 65536 bytes is one read: line ends that straddle it come first.
    const std::string fill(65535, 'x');
    const std::string cases[] = {
        "",
        "one",
        "a\nb\r\nc\rd\0e\n"s,
        "\r\n\r\n\n\r\r",
        fill + "\r\nnext\n",
        fill + "\rnext",
        fill + "x\nnext",
        fill + "\r",
        "t\n2 1\n1 0 0 0 0 0 0 0 0 0\n",
    };
    file_init();
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.substr(0, 20) + " (" + std::to_string(bytes.size()) + " bytes)");
        const std::string file = path("lines.txt");
        std::ofstream(file, std::ios::binary) << bytes;
        ASSERT_NE(file_open_read(RESULTS_FILE, file), 0);
        FileSlotLineSource slot(RESULTS_FILE);
        const std::vector<std::string> expected = all_lines(slot);
        file_close(RESULTS_FILE);
        const std::atomic<bool> stop{false};
        std::atomic<std::int64_t> count{0};
        StoppableFileSource source(file, stop, count);
        EXPECT_EQ(source.open_error(), 0);
        EXPECT_EQ(all_lines(source), expected);
        EXPECT_EQ(count, static_cast<std::int64_t>(bytes.size()));
    }

    // Which line ended at a NUL, for the reader to name the byte.
    std::ofstream(path("nul.txt"), std::ios::binary) << "a\0\0b\r\0"s;
    const std::atomic<bool> stop{false};
    std::atomic<std::int64_t> count{0};
    StoppableFileSource source(path("nul.txt"), stop, count);
    std::string line;
    for (const bool nul : {true, true, false, true, false}) {
        source.read_line(line);
        EXPECT_EQ(source.ended_by_nul(), nul) << line;
    }
}

TEST_F(BackgroundReadTest, SourceSaysWhyAFileCannotBeOpenedAndReadsAsAClosedSlot)
{
    fs::create_directories(dir_ / "folder");
    std::ofstream(path("locked.res")) << "t\n";
    fs::permissions(dir_ / "locked.res", fs::perms::none);
    file_set_pipe_wait(50);
    struct Case {
        std::string path;
        int error;
    } cases[] = {
        {path("missing.res"), ENOENT},
        {path("folder"), EISDIR},
        {"/dev/null", EINVAL},
        {fifo("silent"), ETIMEDOUT},
        {path("locked.res"), ::geteuid() == 0 ? 0 : EACCES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::atomic<bool> stop{false};
        std::atomic<std::int64_t> count{0};
        StoppableFileSource source(c.path, stop, count);
        EXPECT_EQ(source.open_error(), c.error);
        if (c.error == 0)
            continue;
        std::string line = "x";
        source.read_line(line);
        EXPECT_EQ(line, "");
        EXPECT_FALSE(source.at_end());
        EXPECT_EQ(open_error_text(c.error).empty(), false);
    }
    EXPECT_EQ(open_error_text(ENOENT), "no such file");
    EXPECT_EQ(open_error_text(EISDIR), "it is a folder");
    EXPECT_EQ(open_error_text(EACCES), "no permission to read it");
}

// A pipe that stalls after its first line: the stop ends the wait for the next, at its end.
TEST_F(BackgroundReadTest, StopEndsTheWaitOfAStalledPipe)
{
    const std::string at = fifo("stalled");
    PipeWriter writer(at, "first\n", "");
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> count{0};
    StoppableFileSource source(at, stop, count);
    ASSERT_EQ(source.open_error(), 0);
    std::string line;
    source.read_line(line);
    EXPECT_EQ(line, "first");
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
    });
    source.read_line(line);  // waits until the stop
    stopper.join();
    EXPECT_EQ(line, "");
    EXPECT_TRUE(source.at_end());
    writer.release();
}

TEST_F(BackgroundReadTest, AnUnopenedFileIsToldWhyAfterTheErrorBox)
{
    fs::create_directories(dir_ / "folder");
    struct Case {
        std::string path;
        const char* why;
    } cases[] = {
        {path("missing.res"), "no such file"},
        {path("folder"), "it is a folder"},
        {"/dev/null", "not a results file at all (a device or a socket)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        headless_reset_log();
        start(c.path);
        ASSERT_EQ(headless_messages().size(), 2u);
        EXPECT_EQ(headless_messages()[0].title, "Error in Results");
        EXPECT_EQ(headless_messages()[1].title, "Warning");
        EXPECT_EQ(headless_messages()[1].text, "Cannot read " + c.path + ": " + c.why);
        EXPECT_EQ(results_missing, 1);
        EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + c.path);
        viewer_shutdown();
        started_ = false;
    }
}

TEST_F(BackgroundReadTest, ProblemsAreListedTenByNameWithHowManyMore)
{
    const auto outcome = [](int listed, std::int64_t count) {
        ReadOutcome o;
        for (int k = 1; k <= listed; ++k)
            o.problems.push_back({k == 2 ? 0 : 10 * k, "p" + std::to_string(k)});
        o.problem_count = count;
        return o;
    };
    struct Case {
        int listed;
        std::int64_t count;
        std::string text;
    } cases[] = {
        {0, 0, ""},
        {1, 1, "Line 10: p1"},
        {2, 2, "Line 10: p1\np2"},
        {3, 1500, "Line 10: p1\np2\nLine 30: p3\nand 1497 more"},
        {10, 10,
         "Line 10: p1\np2\nLine 30: p3\nLine 40: p4\nLine 50: p5\nLine 60: p6\nLine 70: p7\nLine 80: p8\n"
         "Line 90: p9\nLine 100: p10"},
        {11, 11,
         "Line 10: p1\np2\nLine 30: p3\nLine 40: p4\nLine 50: p5\nLine 60: p6\nLine 70: p7\nLine 80: p8\n"
         "Line 90: p9\nLine 100: p10\nand 1 more"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(problems_text(outcome(c.listed, c.count)), c.text) << c.listed << " of " << c.count;

    // In the window: the reader's boxes first, then the problems, unless the read ended with a
    // fault, whose box says it all; the results window says how many either way.
    start(BRIDGE);
    struct Shown {
        ResultsFault fault;
        ReaderMessage message;
    } shown[] = {
        {ResultsFault::none, {"Warning", "Results file cut down: 2 unknown end nodes ignored"}},
        {ResultsFault::missing, {"No Results", "Truss Solver Results not found"}},
        {ResultsFault::unreadable, {"Error in Results", "Error in reading Truss Solver Results"}},
    };
    for (const Shown& c : shown) {
        SCOPED_TRACE(c.message.title);
        headless_reset_log();
        WindowRead read;
        read.path = BRIDGE;
        read.outcome = outcome(2, 2);
        read.outcome.messages.push_back(c.message);
        read.outcome.fault = c.fault;
        reset_for_load();
        apply_window_read(read);
        ASSERT_EQ(headless_messages().size(), c.fault == ResultsFault::none ? 2u : 1u);
        EXPECT_EQ(headless_messages()[0].text, c.message.text);
        if (c.fault == ResultsFault::none) {
            EXPECT_EQ(headless_messages()[1].title, "Warning");
            EXPECT_EQ(headless_messages()[1].text, "Line 10: p1\np2");
        }
    }
    results_window_show();
    const std::vector<TableHeadingLine>& heading = results_window_spec().heading;
    ASSERT_GE(heading.size(), 2u);
    EXPECT_EQ(heading[1].text, "2 problems in the file (listed when it was read)");
    EXPECT_TRUE(heading[1].warning);
    results_window_close();
}

// A reload of a file that cannot be read, by the watch or F5: the model and the picture stay, no
// box, and the note (canvas and caption) says why; the next good file reloads and takes it away.
TEST_F(BackgroundReadTest, AFailedReloadKeepsTheModelWithANoteAndTheNextChangeReloads)
{
    const std::string file = path("bridge.res");
    fs::copy_file(BRIDGE, file);
    const std::string good = read_bytes(BRIDGE);
    const std::string geometry = good.substr(0, good.find("Nodal deflections"));
    std::string zero_deflections = "Nodal deflections [m]\nNo          dx           dy          dz\n";
    for (int i = 1; i <= 12; ++i)
        zero_deflections += std::to_string(i) + "  0.0000E+00   0.0000E+00  0.0000E+00\n";
    start(file);
    set_reload_on_change(true);
    headless_reset_log();
    const Picture shown = canvas();
    const float force = TrussModel.element_force[5];
    const std::string caption = win_get_title(MAIN_WINDOW);

    struct Case {
        const char* name;
        std::function<void()> damage;
        const char* why;
        bool by_key;
    } cases[] = {
        {"removed", [&] { fs::remove(file); }, "no such file", false},
        {"a folder", [&] { fs::remove(file), fs::create_directory(file); }, "it is a folder", true},
        {"geometry only", [&] { std::ofstream(file, std::ios::binary) << geometry; }, "no results in the file", false},
        {"zero deflections", [&] { std::ofstream(file, std::ios::binary) << geometry + zero_deflections; },
         "the deflections cannot be read", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.damage();
        if (c.by_key)
            headless_key(MAIN_WINDOW, KEY_F5);
        else
            headless_file_changed();
        pump();
        EXPECT_TRUE(headless_messages().empty()) << headless_messages()[0].text;
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption + "  [Reload failed: " + c.why + "]");
        EXPECT_EQ(TrussModel.node_count, 12);
        EXPECT_EQ(TrussModel.element_force[5], force);
        EXPECT_FALSE(canvas().bits == shown.bits) << "no note on the canvas";

        fs::remove_all(file);
        fs::copy_file(BRIDGE, file);
        headless_file_changed();
        pump();
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption);
        EXPECT_TRUE(canvas().bits == shown.bits) << "the note stays";
    }
    EXPECT_TRUE(headless_messages().empty());
}

// A read that takes longer than the read wait: the window goes on answering with the note, Escape
// stops the read and the shown file stays; a read that ends shows its file as "Load File" does.
TEST_F(BackgroundReadTest, AReadInTheBackgroundAnswersMeanwhileAndEscapeStopsIt)
{
    start(BRIDGE);
    const std::string caption = win_get_title(MAIN_WINDOW);
    const std::string bridge = read_bytes(BRIDGE);
    set_results_read_wait(0);
    {
        const std::string stalled = fifo("stalled");
        PipeWriter writer(stalled, bridge.substr(0, bridge.size() / 2), bridge.substr(bridge.size() / 2));
        load_path(stalled);
        EXPECT_TRUE(results_read_running(ReadKind::show));
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption + "  [Reading... 0 MB (Escape stops)]");
        EXPECT_EQ(results_path, BRIDGE);
        headless_click(ID_ELEMENT_NO);
        pump_until([] { return View.show_element_numbers != 0; });
        const Picture numbered = canvas();
        headless_key(MAIN_WINDOW, KEY_ESCAPE);
        pump_until([] { return !results_read_running(); });
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption);
        EXPECT_EQ(results_path, BRIDGE);
        EXPECT_EQ(TrussModel.node_count, 12);
        EXPECT_FALSE(canvas().bits == numbered.bits) << "the note left on the canvas";
        writer.release();
        writer.join();
        EXPECT_TRUE(writer.tail_failed()) << "the pipe was not closed";
    }
    EXPECT_TRUE(headless_messages().empty());

    const std::string tower = read_bytes(TOWER);
    const std::string fed = fifo("fed");
    PipeWriter writer(fed, tower.substr(0, 100), tower.substr(100));
    load_path(fed);
    EXPECT_TRUE(results_read_running(ReadKind::show));
    writer.release();
    pump_until([&] { return results_path == fed; });
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + fed);
    const Picture from_pipe = canvas();
    set_results_read_wait(-1);
    load_path(TOWER);
    EXPECT_TRUE(canvas().bits == from_pipe.bits) << "not shown as \"Load File\" shows it";
    EXPECT_TRUE(headless_messages().empty());
}

}  // namespace

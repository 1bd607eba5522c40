// The window's reads: the stoppable file source (the file slots' lines, why a file cannot be
// opened), a read beside the event loop that Escape stops, what an unopened file and the problems
// found are told, and a failed reload that keeps the model with a note and no box.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../pipe_writer.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/stoppable_file_source.h"
#include "app/ui/window_state.h"
#include "core/file.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/table_window.h"
#include "gui/window.h"
#include "tests/model/reader_digest.h"
#include "tests/model/reader_inputs.h"

namespace {

namespace fs = std::filesystem;
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
        set_results_read_wait(-1);
        if (started_)
            viewer_shutdown();
        set_reload_on_change(false);
        file_set_pipe_wait(FILE_PIPE_WAIT_MS);
        std::error_code error;
        fs::remove_all(dir_, error);
    }

    void start(const std::string& path)
    {
        const char* const argv[] = {"kelvaro", path.c_str()};
        viewer_start(2, argv);
        started_ = true;
    }

    // Runs events as the event loop does until done says yes (at most 10 s) and the queue is empty.
    void pump(const std::function<bool()>& done = [] { return true; })
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            for (int event = event_wait_timeout(0); event != 0; event = event_wait_timeout(0))
                handle_event(event);
            if (done() || std::chrono::steady_clock::now() > deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }
    std::string fifo(const char* name) const
    {
        EXPECT_EQ(::mkfifo(path(name).c_str(), 0600), 0);
        return path(name);
    }
    std::vector<std::uint8_t> canvas() const { return gadget_canvas_picture(ID_CANVAS)->bits; }

    fs::path dir_;
    bool started_ = false;
};

// Every line a source gives until its end, and two past it: copied by read_line, or (views) as
// next_line gives them.
std::vector<std::string> all_lines(LineSource& source, bool views = false)
{
    std::vector<std::string> lines;
    std::string line;
    const auto next = [&] {
        if (views)
            line = source.next_line();
        else
            source.read_line(line);
        lines.push_back(line);
    };
    for (int guard = 0; guard < 100 && !source.at_end(); ++guard)
        next();
    for (int past = 0; past < 2; ++past)
        next();
    return lines;
}

TEST_F(BackgroundReadTest, SourceGivesTheFileSlotsLines)
{
    const std::string fill(65535, 'x');  // 65536 bytes are one read: line ends across it first
    const std::string cases[] = {"",
                                 "one",
                                 "a\nb\r\nc\rd\0e\n"s,
                                 "\r\n\r\n\n\r\r",
                                 fill + "\r\nnext\n",
                                 fill + "\rnext",
                                 fill + "x\nnext",
                                 fill + "\r"};
    const std::atomic<bool> stop{false};
    file_init();
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.substr(0, 20) + " (" + std::to_string(bytes.size()) + " bytes)");
        std::ofstream(path("lines.txt"), std::ios::binary) << bytes;
        ASSERT_NE(file_open_read(RESULTS_FILE, path("lines.txt")), 0);
        FileSlotLineSource slot(RESULTS_FILE);
        const std::vector<std::string> expected = all_lines(slot);
        file_close(RESULTS_FILE);
        std::atomic<std::int64_t> count{0};
        StoppableFileSource source(path("lines.txt"), stop, count);
        EXPECT_EQ(all_lines(source), expected);
        EXPECT_EQ(count, static_cast<std::int64_t>(bytes.size()));
        StoppableFileSource viewed(path("lines.txt"), stop, count);
        EXPECT_EQ(all_lines(viewed, true), expected);
    }
    // Which lines ended at a NUL, for the reader to name the byte.
    std::ofstream(path("nul.txt"), std::ios::binary) << "a\0\0b\r\0"s;
    std::atomic<std::int64_t> count{0};
    StoppableFileSource source(path("nul.txt"), stop, count);
    std::string line;
    StoppableFileSource viewed(path("nul.txt"), stop, count);
    for (const bool nul : {true, true, false, true, false}) {
        source.read_line(line);
        EXPECT_EQ(source.ended_by_nul(), nul) << line;
        EXPECT_EQ(viewed.next_line(), line);
        EXPECT_EQ(viewed.ended_by_nul(), nul) << line;
    }
}

// Only a regular file larger than the block is held a block at a time (its sections are read in
// parts from a far smaller size than a text held whole).
TEST_F(BackgroundReadTest, OnlyAFileLargerThanItsBlockIsHeldInBlocks)
{
    constexpr std::size_t BLOCK = 1 << 16;
    const struct {
        std::size_t bytes;
        bool in_blocks;
    } cases[] = {{0, false}, {100, false}, {BLOCK, false}, {BLOCK + 1, true}, {5 * BLOCK, true}};
    const std::atomic<bool> stop{false};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::ofstream(path("sized.txt"), std::ios::binary) << std::string(c.bytes, '\n');
        std::atomic<std::int64_t> count{0};
        EXPECT_EQ(StoppableFileSource(path("sized.txt"), stop, count, BLOCK).holds_in_blocks(), c.in_blocks);
    }
}

// A regular file read through the window's source in blocks far smaller than its sections (lines
// longer than a block, sections split into parts a few lines at a time) reads to the very model
// and outcome recorded for it.
TEST_F(BackgroundReadTest, FilesReadInSmallBlocksGiveTheRecordedModelAndOutcome)
{
    const std::map<std::string, std::string> recorded = recorded_reader_digests();
    const std::size_t parts_from = set_read_in_parts_bytes(0);
    const std::atomic<bool> stop{false};
    const std::vector<ReaderInput> inputs = reader_inputs();
    // Each file in blocks of one of these sizes in turn, the generated bridges in blocks of each,
    // and in 200 blocks at most (each split has a thread of its own).
    constexpr std::size_t BLOCKS[] = {7, 31, 97, 4096};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const bool generated = inputs[i].name.starts_with("generated/");
        for (std::size_t b = 0; b < std::size(BLOCKS); ++b) {
            if (!generated && b != i % std::size(BLOCKS))
                continue;
            const std::size_t block = std::max(BLOCKS[b], inputs[i].bytes.size() / 200);
            SCOPED_TRACE(inputs[i].name + " in blocks of " + std::to_string(block));
            std::ofstream(path("read.res"), std::ios::binary) << inputs[i].bytes;
            std::atomic<std::int64_t> count{0};
            StoppableFileSource source(path("read.res"), stop, count, block);
            TrussModelData model;
            const ReadOutcome outcome = read_results(source, model);
            EXPECT_EQ(read_digest(model, outcome), recorded.at(inputs[i].name));
        }
    }
    set_read_in_parts_bytes(parts_from);
}

// What cannot be opened reads as a closed file slot, and the start-up read says why after its box.
TEST_F(BackgroundReadTest, AFileThatCannotBeOpenedIsToldWhy)
{
    fs::create_directories(dir_ / "folder");
    std::ofstream(path("locked.res")) << "t\n";
    fs::permissions(dir_ / "locked.res", fs::perms::none);
    file_set_pipe_wait(50);
    const bool root = ::geteuid() == 0;  // reads whatever the permissions say
    struct Case {
        std::string path;
        int error;
        const char* why;
    } cases[] = {
        {path("missing.res"), ENOENT, "no such file"},
        {path("folder"), EISDIR, "it is a folder"},
        {"/dev/null", EINVAL, "not a results file at all (a device or a socket)"},
        {path("locked.res"), root ? 0 : EACCES, "no permission to read it"},
        {fifo("silent"), ETIMEDOUT, nullptr},  // the pipe's own "Warning" says it
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

        headless_reset_log();
        start(c.path);
        std::vector<std::string> boxes;
        for (const HeadlessMessage& m : headless_messages())
            boxes.push_back(m.title + ": " + m.text);
        const std::string error = "Error in Results: Error in reading Truss Solver Results";
        if (c.why != nullptr)
            EXPECT_EQ(boxes, (std::vector<std::string>{error, "Warning: Cannot read " + c.path + ": " + c.why}));
        else
            EXPECT_EQ(boxes.size(), 2u);
        viewer_shutdown();
        started_ = false;
    }
    fs::permissions(dir_ / "locked.res", fs::perms::owner_all);
}

TEST_F(BackgroundReadTest, ProblemsAreListedTenByNameAfterTheBoxesOfAReadWithResults)
{
    const auto outcome = [](int listed, std::int64_t count) {
        ReadOutcome o;
        for (int k = 1; k <= listed; ++k)
            o.problems.push_back({k == 2 ? 0 : k, std::to_string(k).insert(0, 1, 'p')});
        o.problem_count = count;
        return o;
    };
    const std::string ten =
        "Line 1: p1\np2\nLine 3: p3\nLine 4: p4\nLine 5: p5\nLine 6: p6\nLine 7: p7\n"
        "Line 8: p8\nLine 9: p9\nLine 10: p10";
    EXPECT_EQ(problems_text(outcome(10, 10)), ten);
    EXPECT_EQ(problems_text(outcome(11, 11)), ten + "\nand 1 more");
    EXPECT_EQ(problems_text(outcome(3, 1500)), "Line 1: p1\np2\nLine 3: p3\nand 1497 more");

    // A fault's box says it all; the results window counts the problems either way.
    start(BRIDGE);
    for (const ResultsFault fault : {ResultsFault::none, ResultsFault::missing}) {
        headless_reset_log();
        WindowRead read;
        read.path = BRIDGE;
        read.outcome = outcome(2, 2);
        read.outcome.messages.push_back({"Warning", "Results file cut down: 2 unknown end nodes ignored"});
        read.outcome.fault = fault;
        reset_for_load();
        apply_window_read(read);
        ASSERT_EQ(headless_messages().size(), fault == ResultsFault::none ? 2u : 1u);
        EXPECT_EQ(headless_messages().back().text,
                  fault == ResultsFault::none ? "Line 1: p1\np2" : read.outcome.messages[0].text);
        results_window_show();
        ASSERT_GE(results_window_spec().heading.size(), 2u);
        EXPECT_EQ(results_window_spec().heading[1].text, "2 problems in the file (listed when it was read)");
    }
    results_window_close();
}

// A reload, by the watch or F5, of a file that cannot be read: the model and the picture stay, no
// box, and the note (canvas and caption) says why; the next good file reloads and takes it away.
TEST_F(BackgroundReadTest, AFailedReloadKeepsTheModelWithANoteAndTheNextChangeReloads)
{
    const std::string file = path("bridge.res");
    fs::copy_file(BRIDGE, file);
    const std::string good = read_bytes(BRIDGE);
    const std::string geometry = good.substr(0, good.find("Nodal deflections"));
    std::string zero_deflections = "Nodal deflections [m]\nNo dx dy dz\n";
    for (int i = 1; i <= 12; ++i)
        zero_deflections += std::to_string(i) + " 0.0 0.0 0.0\n";
    start(file);
    set_reload_on_change(true);
    headless_reset_log();
    const std::vector<std::uint8_t> shown = canvas();
    const float force = TrussModel.element_force[5];
    const std::string caption = win_get_title(MAIN_WINDOW);

    struct Case {
        std::function<void()> damage;
        const char* why;
        bool by_key;
    } cases[] = {
        {[&] { fs::remove(file); }, "no such file", false},
        {[&] { fs::remove(file), fs::create_directory(file); }, "it is a folder", true},
        {[&] { std::ofstream(file, std::ios::binary) << geometry; }, "no results in the file", false},
        {[&] { std::ofstream(file, std::ios::binary) << geometry + zero_deflections; },
         "the deflections cannot be read", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        c.damage();
        c.by_key ? headless_key(MAIN_WINDOW, KEY_F5) : headless_file_changed();
        pump();
        EXPECT_TRUE(headless_messages().empty());
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption + "  [Reload failed: " + c.why + "]");
        EXPECT_EQ(TrussModel.element_force[5], force);
        EXPECT_NE(canvas(), shown) << "no note on the canvas";

        fs::remove_all(file);
        fs::copy_file(BRIDGE, file);
        headless_file_changed();
        pump();
        EXPECT_EQ(win_get_title(MAIN_WINDOW), caption);
        EXPECT_EQ(canvas(), shown) << "the note stays";
    }
}

// Longer than the read wait: the window answers meanwhile, Escape stops the read and closes the
// pipe, the shown file stays; a read that ends shows its file as "Load File" does.
TEST_F(BackgroundReadTest, AReadInTheBackgroundAnswersMeanwhileAndEscapeStopsIt)
{
    start(BRIDGE);
    const std::string caption = win_get_title(MAIN_WINDOW);
    const std::string bridge = read_bytes(BRIDGE);
    set_results_read_wait(0);
    PipeWriter stalled(fifo("stalled"), bridge.substr(0, bridge.size() / 2), bridge.substr(bridge.size() / 2));
    load_path(path("stalled"));
    EXPECT_EQ(win_get_title(MAIN_WINDOW), caption + "  [Reading... 0 MB (Escape stops)]");
    pump([&] { return stalled.head_written(); });  // the writer holds the pipe open before the read is stopped
    headless_click(ID_ELEMENT_NO);
    pump([] { return View.show_element_numbers != 0; });
    const std::vector<std::uint8_t> numbered = canvas();
    headless_key(MAIN_WINDOW, KEY_ESCAPE);
    pump([] { return !results_read_running(); });
    EXPECT_EQ(win_get_title(MAIN_WINDOW), caption);
    EXPECT_EQ(results_path, BRIDGE);
    EXPECT_NE(canvas(), numbered) << "the note stays on the canvas";
    stalled.release();
    stalled.join();
    EXPECT_TRUE(stalled.tail_failed()) << "the pipe was not closed";

    const std::string tower = read_bytes(TOWER);
    PipeWriter fed(fifo("fed"), tower.substr(0, 100), tower.substr(100));
    load_path(path("fed"));
    EXPECT_TRUE(results_read_running(ReadKind::show));
    fed.release();
    pump([&] { return results_path == path("fed"); });
    EXPECT_EQ(win_get_title(MAIN_WINDOW), title_text + path("fed"));
    const std::vector<std::uint8_t> from_pipe = canvas();
    set_results_read_wait(-1);
    load_path(TOWER);
    EXPECT_EQ(canvas(), from_pipe) << "not shown as \"Load File\" shows it";
    EXPECT_TRUE(headless_messages().empty());
}

}  // namespace

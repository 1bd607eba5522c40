// Tests of the numbered file slots: line ends and push-back (also across the 4096-byte buffer
// boundary), long lines, slots that are not open, reopening, closing all, bad paths, named pipes
// and handed-over descriptors. Every test writes its files into its own temporary folder.
#include "core/file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int SLOT = 1;

class FileSlots : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() /
                  ("kelvaro_file_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_init();
    }
    void TearDown() override
    {
        file_end();
        file_set_pipe_wait(FILE_PIPE_WAIT_MS);
        std::error_code ignored;
        fs::permissions(folder_ / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
    }
    // Writes bytes into a new file of the test folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = folder_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    // Reads lines until file_eof reports the end (at most limit lines).
    static std::vector<std::string> read_all(int number, std::size_t limit = 1000)
    {
        std::vector<std::string> lines;
        while (lines.size() < limit && file_eof(number) == 0)
            lines.push_back(file_read_line(number));
        return lines;
    }
    fs::path folder_;
};

// Number of descriptors this process has open.
int open_descriptors()
{
    int count = 0;
    for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

struct LineCase {
    const char* what;
    std::string bytes;
    std::vector<std::string> lines;
};

const std::string BEFORE_BOUNDARY(FILE_BUFFER_SIZE - 1, 'q');  // puts the next byte last in the buffer

TEST_F(FileSlots, LineEndsAndPushBack)
{
    using namespace std::string_literals;
    const std::vector<LineCase> cases = {
        {"mixed ends", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"CR LF last", "x\r\n", {"x"}},
        {"CR LF then empty line", "x\r\n\r\n", {"x", ""}},
        {"CR as last byte", "x\r", {"x"}},
        {"LF then CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"two CRs", "a\r\rb", {"a", "", "b"}},
        {"NUL ends a line", "ab\0cd"s, {"ab", "cd"}},
        {"NUL then LF", "ab\0\ncd"s, {"ab", "", "cd"}},
        {"empty lines", "\n\n", {"", ""}},
        {"empty file", "", {}},
        {"high bytes kept", "\xff\xfe\x01\n", {"\xff\xfe\x01"}},
        {"BOM kept as bytes", "\xef\xbb\xbfz", {"\xef\xbb\xbfz"}},
        {"CR on boundary, LF after", BEFORE_BOUNDARY + "\r\nz", {BEFORE_BOUNDARY, "z"}},
        {"CR on boundary, byte after", BEFORE_BOUNDARY + "\rz", {BEFORE_BOUNDARY, "z"}},
        {"CR on boundary, CR after", BEFORE_BOUNDARY + "\r\rz", {BEFORE_BOUNDARY, "", "z"}},
        {"line across boundary", BEFORE_BOUNDARY + "abc\nd", {BEFORE_BOUNDARY + "abc", "d"}},
        {"exactly one buffer", BEFORE_BOUNDARY + "\n", {BEFORE_BOUNDARY}},
    };
    for (const LineCase& c : cases) {
        ASSERT_NE(file_open_read(SLOT, write("lines", c.bytes)), 0) << c.what;
        EXPECT_EQ(read_all(SLOT), c.lines) << c.what;
        EXPECT_NE(file_eof(SLOT), 0) << c.what;
        EXPECT_EQ(file_read_line(SLOT), "") << c.what;
        EXPECT_EQ(file_read_line(SLOT), "") << c.what;
        EXPECT_NE(file_eof(SLOT), 0) << c.what;
        file_close(SLOT);
    }
}

TEST_F(FileSlots, EofDoesNotConsume)
{
    ASSERT_NE(file_open_read(SLOT, write("f", "a\rb")), 0);
    EXPECT_EQ(file_read_line(SLOT), "a");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(file_eof(SLOT), 0);
    EXPECT_EQ(file_read_line(SLOT), "b");
    EXPECT_NE(file_eof(SLOT), 0);
}

TEST_F(FileSlots, LongLinesComeBackWhole)
{
    std::string ten_thousand(10000, 'x');
    ten_thousand[4095] = 'A';  // marks the bytes around the refills
    ten_thousand[4096] = 'B';
    std::string ten_megabytes(10 * 1024 * 1024, 'm');
    ten_megabytes.back() = 'E';
    ASSERT_NE(file_open_read(SLOT, write("f", ten_thousand + "\r\n" + ten_megabytes)), 0);
    EXPECT_EQ(file_read_line(SLOT), ten_thousand);
    const std::string last = file_read_line(SLOT);
    EXPECT_EQ(last.size(), ten_megabytes.size());
    EXPECT_TRUE(last == ten_megabytes);
    EXPECT_NE(file_eof(SLOT), 0);
}

TEST_F(FileSlots, FileOfNulBytesGivesEmptyLines)
{
    const std::size_t count = 3 * FILE_BUFFER_SIZE + 5;
    ASSERT_NE(file_open_read(SLOT, write("nul", std::string(count, '\0'))), 0);
    const std::vector<std::string> lines = read_all(SLOT, count + 10);
    EXPECT_EQ(lines.size(), count);
    EXPECT_EQ(lines, std::vector<std::string>(count, ""));
}

TEST_F(FileSlots, SlotsThatAreNotOpen)
{
    const std::string path = write("f", "line\n");
    auto expect_not_open = [](int number, const char* when) {
        EXPECT_EQ(file_eof(number), 0) << when << " slot " << number;
        EXPECT_EQ(file_read_line(number), "") << when << " slot " << number;
        EXPECT_EQ(file_handle(number), 0) << when << " slot " << number;
        file_close(number);
    };
    for (const int number : {SLOT, 0, 15, 16, 5000, -2, INT_MIN, INT_MAX})
        expect_not_open(number, "before open");
    ASSERT_NE(file_open_read(SLOT, path), 0);
    file_close(SLOT);
    expect_not_open(SLOT, "after close");
    file_close(SLOT);  // closing twice is harmless
    // Numbers that cannot be slots are refused without touching anything.
    for (const int number : {-1, -2, INT_MIN, INT_MAX}) {
        EXPECT_EQ(file_open_read(number, path), 0) << number;
    }
}

TEST_F(FileSlots, HandleIsDescriptorPlusOne)
{
    const std::string path = write("f", "abc\n");
    const std::intptr_t handle = file_open_read(SLOT, path);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(file_handle(SLOT), handle);
    struct stat opened, on_disk;
    ASSERT_EQ(::fstat(static_cast<int>(handle - 1), &opened), 0);
    ASSERT_EQ(::stat(path.c_str(), &on_disk), 0);
    EXPECT_EQ(opened.st_ino, on_disk.st_ino);
    EXPECT_NE(::fcntl(static_cast<int>(handle - 1), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(FileSlots, ReopeningASlotClosesTheEarlierFile)
{
    const std::string first = write("first", "one\ntwo\n");
    const std::string second = write("second", "uno\n");
    const int before = open_descriptors();
    ASSERT_NE(file_open_read(SLOT, first), 0);
    EXPECT_EQ(file_read_line(SLOT), "one");
    ASSERT_NE(file_open_read(SLOT, second), 0);
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(file_read_line(SLOT), "uno");
    // A failed open leaves the slot closed, not holding the earlier file.
    EXPECT_EQ(file_open_read(SLOT, (folder_ / "missing").string()), 0);
    EXPECT_EQ(file_handle(SLOT), 0);
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(FileSlots, CloseAllAndGrowth)
{
    const std::string path = write("f", "a\nb\n");
    const int before = open_descriptors();
    for (const int number : {0, 3, 40, 200})
        ASSERT_NE(file_open_read(number, path), 0) << number;
    EXPECT_EQ(open_descriptors(), before + 4);
    // Each slot reads on its own.
    EXPECT_EQ(file_read_line(40), "a");
    EXPECT_EQ(file_read_line(40), "b");
    EXPECT_EQ(file_read_line(200), "a");
    file_close(-1);
    for (const int number : {0, 3, 40, 200})
        EXPECT_EQ(file_handle(number), 0) << number;
    EXPECT_EQ(open_descriptors(), before);
    ASSERT_NE(file_open_read(40, path), 0);  // a slot is reusable after closing
    EXPECT_EQ(file_read_line(40), "a");
    file_end();
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(FileSlots, BadPathsFailCleanly)
{
    const std::string missing = (folder_ / "missing.txt").string();
    const std::string with_nul = write("real", "x\n") + std::string(1, '\0') + "junk";
    for (const std::string& path : {missing, folder_.string(), std::string(), with_nul}) {
        EXPECT_EQ(file_open_read(SLOT, path), 0) << path;
        EXPECT_EQ(file_handle(SLOT), 0) << path;
        EXPECT_EQ(file_read_line(SLOT), "") << path;
        EXPECT_EQ(file_eof(SLOT), 0) << path;
    }
}

TEST_F(FileSlots, UnreadableFileFails)
{
    const std::string path = write("locked", "secret\n");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const int probe = ::open(path.c_str(), O_RDONLY);
    if (probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "running with rights that read a mode-000 file (root)";
    }
    EXPECT_EQ(file_open_read(SLOT, path), 0);
    EXPECT_EQ(file_handle(SLOT), 0);
}

TEST_F(FileSlots, PipeWithoutWriterGivesUpAfterThePipeWait)
{
    const std::string path = (folder_ / "pipe").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(file_pipe_wait(), FILE_PIPE_WAIT_MS);
    file_set_pipe_wait(50);
    const int before = open_descriptors();
    errno = 0;
    EXPECT_EQ(file_open_read(SLOT, path), 0);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_EQ(file_handle(SLOT), 0);
    EXPECT_EQ(open_descriptors(), before);
}

// A writer that comes after the open and writes in two parts: the reader waits for it, then reads
// to its end. The second part is written only once the first line has been read.
TEST_F(FileSlots, PipeIsReadToItsEndWhenTheWriterComesLate)
{
    const std::string path = (folder_ / "pipe").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::promise<void> first_line_read;
    std::thread writer([&path, go = first_line_read.get_future()] {
        int fd = -1;
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO &&
               std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // polls for the reader's open
        }
        if (fd < 0)
            return;
        ::fcntl(fd, F_SETFL, 0);
        ssize_t ignored = ::write(fd, "first\r\n", 7);
        if (go.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
            ignored = ::write(fd, "second\nthird", 12);
        (void)ignored;
        ::close(fd);
    });
    const bool opened = file_open_read(SLOT, path) != 0;
    const std::string first = file_read_line(SLOT);
    first_line_read.set_value();
    std::vector<std::string> rest;
    if (opened)
        rest = read_all(SLOT);
    writer.join();
    EXPECT_TRUE(opened);
    EXPECT_EQ(first, "first");
    EXPECT_EQ(rest, (std::vector<std::string>{"second", "third"}));
}

TEST_F(FileSlots, OfferedDescriptorIsReadInsteadOfOpeningAgain)
{
    const std::string path = write("offered", "from the descriptor\n");
    const int before = open_descriptors();
    file_offer_descriptor(path, ::open(path.c_str(), O_RDONLY));
    ASSERT_EQ(::unlink(path.c_str()), 0);  // only the descriptor can still read it
    ASSERT_NE(file_open_read(SLOT, path), 0);
    EXPECT_EQ(file_read_line(SLOT), "from the descriptor");
    EXPECT_EQ(file_open_read(SLOT, path), 0) << "an offer is taken once";

    // An offer for another path is not taken, and file_end closes it.
    const std::string other = write("other", "opened by path\n");
    file_offer_descriptor(path, ::open(other.c_str(), O_RDONLY));
    ASSERT_NE(file_open_read(SLOT, other), 0);
    EXPECT_EQ(file_read_line(SLOT), "opened by path");
    file_end();
    EXPECT_EQ(open_descriptors(), before);
}

TEST_F(FileSlots, OpenFileHoldsAnAdvisoryLock)
{
    const std::string path = write("f", "a\n");
    ASSERT_NE(file_open_read(SLOT, path), 0);
    const int other = ::open(path.c_str(), O_RDONLY);  // other programs may still open it
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
    ::flock(other, LOCK_UN);
    file_close(SLOT);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
}

}  // namespace

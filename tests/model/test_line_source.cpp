// The memory line source splits bytes exactly as a file slot splits the same bytes in a file: every
// results file the project has, and the line endings, NUL bytes, long lines and buffer boundaries
// where the slot's reading could differ.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/model/line_source.h"
#include "core/file.h"

namespace {

constexpr int SLOT = 3;

std::string file_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads bytes through a file slot (from the file at path) and from memory side by side, line by
// line and two lines past the end, checking the end test before every line.
void expect_same_lines(const std::filesystem::path& path, const std::string& bytes)
{
    ASSERT_NE(file_open_read(SLOT, path.string()), 0) << path;
    FileSlotLineSource file(SLOT);
    MemoryLineSource memory(bytes);
    std::string from_file, from_memory;
    int past_end = 0;
    for (int line = 1; past_end < 3; ++line) {
        const bool ended = file.at_end();
        ASSERT_EQ(memory.at_end(), ended) << "before line " << line;
        past_end += ended ? 1 : 0;
        file.read_line(from_file);
        memory.read_line(from_memory);
        ASSERT_EQ(from_memory, from_file) << "line " << line;
    }
    EXPECT_TRUE(from_memory.empty());
    file_close(SLOT);
}

// The first count lines a file slot source gives of bytes written into a named pipe at path, each
// with whether a NUL ended it.
std::vector<std::pair<std::string, bool>> pipe_lines(const std::string& path, const std::string& bytes, int count)
{
    constexpr int PIPE_SLOT = SLOT + 2;
    std::vector<std::pair<std::string, bool>> lines;
    if (::mkfifo(path.c_str(), 0600) != 0)
        return lines;
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);  // waits for the slot's open
        for (std::size_t at = 0; fd >= 0 && at < bytes.size();) {
            const ssize_t written = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (written <= 0)
                break;
            at += static_cast<std::size_t>(written);
        }
        if (fd >= 0)
            ::close(fd);
    });
    if (file_open_read(PIPE_SLOT, path) != 0) {
        FileSlotLineSource source(PIPE_SLOT);
        for (int line = 0; line < count; ++line) {
            lines.emplace_back(source.next_line(), false);
            lines.back().second = source.ended_by_nul();
        }
    }
    writer.join();
    file_close(PIPE_SLOT);
    std::filesystem::remove(path);
    return lines;
}

}  // namespace

TEST(LineSourceTest, EveryResultsFileSplitsAsTheFileSlotSplitsIt)
{
    std::vector<std::filesystem::path> files;
    for (const std::string& folder : {std::string(KELVARO_TEST_DATA) + "/malformed", std::string(KELVARO_TEST_DATA),
                                      std::string(KELVARO_SOURCE_DIR) + "/examples"})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    ASSERT_GE(files.size(), 20u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        expect_same_lines(path, file_bytes(path));
    }
}

TEST(LineSourceTest, AFileOfManyMegabytesHeldWholeSplitsAsInMemory)
{
    // Large enough to be held in large pages: lines of every length up to 199 bytes, the last one
    // without a line end.
    std::string bytes;
    for (int line = 0; bytes.size() < (6u << 20); ++line)
        bytes += std::string(static_cast<std::size_t>(line % 200), static_cast<char>('a' + line % 26)) + "\r\n";
    bytes += "last";
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kelvaro_large_lines_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << bytes;
    expect_same_lines(path, bytes);
    std::filesystem::remove(path);
}

TEST(LineSourceTest, LineEndsNulBytesAndBufferBoundariesSplitAsInAFile)
{
    const std::string block(FILE_BUFFER_SIZE - 1, 'x');  // a CR after it is the buffer's last byte
    const std::string cases[] = {
        "",
        "a",
        "a\n",
        "a\r\nb\r\n",
        "a\rb\r",
        "a\r\r\nb",
        "a\n\r\nb",
        "a\n\n\n",
        std::string("a\0b\0\0c", 6),
        std::string("\0", 1),
        block + "\r\nnext",
        block + "\rnext",
        block + "x\nnext",
        std::string(3 * FILE_BUFFER_SIZE + 17, '7') + "\r",
        "last line without end",
    };
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kelvaro_lines_" + std::to_string(::getpid()));
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 40)));
        std::ofstream(path, std::ios::binary) << bytes;
        expect_same_lines(path, bytes);
    }
    std::filesystem::remove(path);
}

TEST(LineSourceTest, BothSourcesTellWhichLinesANulEnded)
{
    const std::string block(FILE_BUFFER_SIZE - 1, 'x');  // the NUL after it is the buffer's last byte
    const std::string bytes = std::string("a\0b\n\0c\r\n", 8) + block + std::string("\0d", 2);
    const std::vector<bool> nul_ended = {true, false, true, false, true, false, false};
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kelvaro_nul_lines_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << bytes;
    ASSERT_NE(file_open_read(SLOT, path.string()), 0);
    FileSlotLineSource file(SLOT);
    MemoryLineSource memory(bytes);
    std::string line;
    for (std::size_t n = 0; n < nul_ended.size(); ++n) {
        file.read_line(line);
        memory.read_line(line);
        EXPECT_EQ(file.ended_by_nul(), nul_ended[n]) << "line " << n + 1;
        EXPECT_EQ(memory.ended_by_nul(), nul_ended[n]) << "line " << n + 1;
    }
    file_close(SLOT);
    std::filesystem::remove(path);
}

TEST(LineSourceTest, BlockBoundariesSplitAsTheSlotsOwnLineReader)
{
    // Line ends at every place of an eight-byte word, and at the end of the source's read block.
    const std::string block(LINE_BLOCK_SIZE - 1, 'x');
    std::string words;
    for (int length = 0; length < 18; ++length)
        words += std::string(static_cast<std::size_t>(length), 'a' + length) + (length % 3 == 0 ? "\r\n" : "\n");
    const std::string cases[] = {
        words,
        std::string("\t\x01 7\x0E\x0D\x0A\x7F\x1F", 9) + words,
        block + "\r\nnext",
        block + "\rnext",
        block + "\r",
        block + "\r\n",
        block + "\n\r\n",
        block + std::string("\0d", 2),
        block + "x\nnext\r",
        std::string(3 * LINE_BLOCK_SIZE + 17, '7') + "\r\n" + words,
    };
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kelvaro_block_lines_" + std::to_string(::getpid()));
    constexpr int REFERENCE = SLOT + 1;
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(bytes.size() > 40 ? bytes.size() - 40 : 0)));
        std::ofstream(path, std::ios::binary) << bytes;
        ASSERT_NE(file_open_read(SLOT, path.string()), 0);
        ASSERT_NE(file_open_read(REFERENCE, path.string()), 0);
        FileSlotLineSource file(SLOT);
        MemoryLineSource memory(bytes);
        // A pipe is never held whole: its lines come in blocks.
        const std::vector<std::pair<std::string, bool>> piped = pipe_lines(path.string() + ".pipe", bytes, 60);
        ASSERT_EQ(piped.size(), 60u);
        for (int line = 1; line < 60; ++line) {
            const bool ended = file_eof(REFERENCE) != 0;
            ASSERT_EQ(file.at_end(), ended) << "before line " << line;
            ASSERT_EQ(memory.at_end(), ended) << "before line " << line;
            const std::string expected = file_read_line(REFERENCE);
            ASSERT_EQ(file.next_line(), expected) << "line " << line;
            ASSERT_EQ(memory.next_line(), expected) << "line " << line;
            ASSERT_EQ(piped[line - 1].first, expected) << "line " << line << " through a pipe";
            ASSERT_EQ(file.ended_by_nul(), file_line_ended_by_nul(REFERENCE)) << "line " << line;
            ASSERT_EQ(memory.ended_by_nul(), file_line_ended_by_nul(REFERENCE)) << "line " << line;
            ASSERT_EQ(piped[line - 1].second, file_line_ended_by_nul(REFERENCE)) << "line " << line;
        }
        file_close(SLOT);
        file_close(REFERENCE);
    }
    std::filesystem::remove(path);
}

// The line ends counted in bytes are the lines the memory source reads to their end, wherever
// CR LF, a lone CR, a NUL or a run of LFs falls against the count's sixteen-byte steps.
TEST(LineSourceTest, LineEndsAreCountedAsTheLinesEndedInReading)
{
    using namespace std::string_literals;
    const std::string pieces[] = {"a\r\n", "\r", "\n", "\n\n\n\n\n\n\n", "\0"s, "bcdefghijklmnopq", "x\r\r\n"};
    std::mt19937 random(16);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const std::size_t size = random() % 80;
        while (bytes.size() < size)
            bytes += pieces[random() % std::size(pieces)];
        bytes.resize(size);
        SCOPED_TRACE(::testing::PrintToString(bytes));
        MemoryLineSource source(bytes);
        std::int64_t ended = 0;
        while (!source.at_end()) {
            const std::size_t before = source.position();
            const std::size_t length = source.next_line().size();
            ended += source.position() > before + length ? 1 : 0;
        }
        ASSERT_EQ(count_line_ends(bytes), ended);
    }
    // Runs of LFs longer than the count's per-place tally holds.
    const std::string lfs(16 * 600 + 5, '\n');
    EXPECT_EQ(count_line_ends(lfs), static_cast<std::int64_t>(lfs.size()));
}

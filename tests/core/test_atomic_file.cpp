// Tests of writing a file whole or not at all: a successful write gives the complete file with the
// permissions of a plain create; a write that gives up, hits the file size limit or is killed
// leaves the old file byte for byte and nothing else; links are followed. Every case runs both
// with O_TMPFILE and with the hidden-name way, in its own temporary folder.
#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string OLD = "the old picture, which must survive every failed write\n";

class AtomicFile : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        for (char& c : name)
            c = c == '/' ? '_' : c;
        folder_ = fs::temp_directory_path() / ("kelvaro_atomic_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        atomic_file_allow_unnamed(GetParam());
    }
    void TearDown() override
    {
        atomic_file_allow_unnamed(true);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    // Names in the test folder (hidden ones included).
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::string target_with_old_contents() const
    {
        const std::string target = path("x.jpg");
        std::ofstream(target, std::ios::binary) << OLD;
        ::chmod(target.c_str(), 0600);
        return target;
    }
    fs::path folder_;
};

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A pattern without repeats at small periods, so a shifted or cut copy cannot pass.
std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

// Runs body in a child process and returns its wait status.
template <typename Body>
int in_child(Body body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST_P(AtomicFile, ReplacesWithTheWholeFileAndCreatePermissions)
{
    const std::string target = target_with_old_contents();
    const std::string bytes = pattern(300000);
    const mode_t before = ::umask(027);
    std::string error;
    const bool written = write_file_atomically(target, bytes, error);
    ::umask(before);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(read_bytes(target), bytes);
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u) << "0666 less the umask, not the old file's 0600";
    EXPECT_EQ(entries(), std::set<std::string>{"x.jpg"});
}

TEST_P(AtomicFile, FailedWritesLeaveTheOldFileAndNothingElse)
{
    const std::string target = target_with_old_contents();
    std::string error;
    // The caller gives up half way.
    EXPECT_FALSE(write_file_atomically(
        target, [](std::FILE* stream) { return std::fwrite("partial", 1, 7, stream) == 7 && false; }, error));
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(read_bytes(target), OLD);
    EXPECT_EQ(entries(), std::set<std::string>{"x.jpg"});

    // The file size limit stops the write (ulimit -f 8 with SIGXFSZ ignored).
    const int status = in_child([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string child_error;
        const bool ok = write_file_atomically(target, pattern(65536), child_error);
        return !ok && errno == EFBIG ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "false with errno EFBIG";
    EXPECT_EQ(read_bytes(target), OLD);
    EXPECT_EQ(entries(), std::set<std::string>{"x.jpg"});

    // A target that did not exist is not created by a failed write.
    EXPECT_FALSE(write_file_atomically(
        path("new.jpg"), [](std::FILE*) { return false; }, error));
    EXPECT_EQ(entries(), std::set<std::string>{"x.jpg"});
}

TEST_P(AtomicFile, SetsAreReplacedTogetherOrNotAtAll)
{
    const std::string first = target_with_old_contents(), second = path("y.jpg");
    std::ofstream(second, std::ios::binary) << OLD;
    // The second, larger file hits the file size limit after the first is complete.
    const std::string small = pattern(4096), large = pattern(65536);
    const int status = in_child([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileBytes files[] = {{first, small}, {second, large}};
        std::string error;
        std::size_t failed = 0;
        const bool ok = write_files_atomically(files, error, failed);
        return !ok && errno == EFBIG && failed == 1 ? 0 : 1;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "false with errno EFBIG at the second file";
    EXPECT_EQ(read_bytes(first), OLD);
    EXPECT_EQ(read_bytes(second), OLD);
    EXPECT_EQ(entries(), (std::set<std::string>{"x.jpg", "y.jpg"}));

    const FileBytes files[] = {{first, large}, {second, small}};
    std::string error;
    std::size_t failed = 0;
    ASSERT_TRUE(write_files_atomically(files, error, failed)) << error;
    EXPECT_EQ(read_bytes(first), large);
    EXPECT_EQ(read_bytes(second), small);
    EXPECT_EQ(entries(), (std::set<std::string>{"x.jpg", "y.jpg"}));
}

TEST_P(AtomicFile, KilledWriterLeavesTheOldFile)
{
    const std::string target = target_with_old_contents();
    const int status = in_child([&] {
        std::string error;
        write_file_atomically(
            target,
            [](std::FILE* stream) {
                std::fwrite("partial", 1, 7, stream);
                std::fflush(stream);
                std::raise(SIGKILL);
                return true;
            },
            error);
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(read_bytes(target), OLD);
    // An unnamed file vanishes with the process; a hidden one stays but never as the target.
    const std::set<std::string> names = entries();
    EXPECT_EQ(names.count("x.jpg"), 1u);
    if (GetParam()) {
        EXPECT_EQ(names, std::set<std::string>{"x.jpg"});
    }
}

TEST_P(AtomicFile, LinksAreFollowedAndStayLinks)
{
    fs::create_directories(folder_ / "sub");
    std::ofstream(path("sub/real.jpg"), std::ios::binary) << OLD;
    fs::create_symlink("sub/real.jpg", folder_ / "link.jpg");
    fs::create_symlink("sub/made.jpg", folder_ / "dangling.jpg");
    std::string error;
    ASSERT_TRUE(write_file_atomically(path("link.jpg"), "new", error)) << error;
    ASSERT_TRUE(write_file_atomically(path("dangling.jpg"), "made", error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.jpg"));
    EXPECT_TRUE(fs::is_symlink(folder_ / "dangling.jpg"));
    EXPECT_EQ(read_bytes(path("sub/real.jpg")), "new");
    EXPECT_EQ(read_bytes(path("sub/made.jpg")), "made");
    EXPECT_EQ(entries(), (std::set<std::string>{"dangling.jpg", "link.jpg", "sub"}));
}

TEST_P(AtomicFile, FoldersAndMissingFoldersAreRefused)
{
    std::string error;
    EXPECT_FALSE(write_file_atomically(folder_.string(), "x", error));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(write_file_atomically(path("no/such/x.jpg"), "x", error));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(write_file_atomically("", "x", error));
    EXPECT_TRUE(entries().empty());
}

TEST_P(AtomicFile, ASaveRemovesWhatAKilledSaveOfItsTargetLeftAndNothingElse)
{
    const std::string target = target_with_old_contents();  // x.jpg
    const std::string me = std::to_string(::getpid());
    const std::string gone = "99999999";  // beyond any process id
    struct Entry {
        std::string name;
        int age;  // seconds since it was last written
        bool stays;
    } cases[] = {
        {".x.jpg.kelvaro-tmp." + gone + ".a1B2c3", 60, false},
        {".x.jpg.kelvaro-tmp." + gone + ".a1B2c4", 0, true},  // the writer may be in another process-id namespace
        {".x.jpg.kelvaro-tmp." + me + ".a1B2c5", 60, true},   // its writer still runs
        {".x.jpg.kelvaro-tmp." + me + ".a1B2c6", 3600, false},
        {".x.jpg.backup", 3600, true},
        {".x.jpg.a1B2c3", 3600, true},
        {".x.jpg.kelvaro-tmp." + gone + ".a1B2c", 3600, true},
        {".x.jpg.kelvaro-tmp." + gone + ".a1B2c3.backup", 3600, true},
        {".x.jpg.kelvaro-tmp.0" + gone + ".a1B2c3", 3600, true},
        {".y.jpg.kelvaro-tmp." + gone + ".a1B2c3", 3600, true},
        {"x.jpg.kelvaro-tmp." + gone + ".a1B2c3", 3600, true},
    };
    const std::string folder = ".x.jpg.kelvaro-tmp." + gone + ".a1B2c7";  // not a file
    fs::create_directory(folder_ / folder);
    const timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path(folder).c_str(), old, 0), 0);
    std::set<std::string> expected = {"x.jpg", folder};
    for (const Entry& c : cases) {
        std::ofstream(path(c.name)) << "user's";
        const timespec times[2] = {{std::time(nullptr) - c.age, 0}, {std::time(nullptr) - c.age, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path(c.name).c_str(), times, 0), 0);
        if (c.stays)
            expected.insert(c.name);
    }
    std::string error;
    ASSERT_TRUE(write_file_atomically(target, "new", error)) << error;
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(read_bytes(target), "new");
}

INSTANTIATE_TEST_SUITE_P(BothWays, AtomicFile, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Unnamed") : std::string("HiddenName");
                         });

}  // namespace

// Writing a file whole or not at all (see core/atomic_file.h for the contract).
//
// Design note. One write runs as an Attempt that owns everything it makes: the folder descriptor,
// the new file's descriptor and stream, and the hidden name once one exists. Its destructor
// removes whatever was not committed, so every early return (and an exception from the caller's
// write) cleans up, and errno is kept across that cleanup. The order of the steps is what makes a
// kill safe: the contents are complete and synced before the file gets any name (O_TMPFILE), and
// the rename over the target is the only step that changes what the target's name shows.
//
// State: one process-wide switch (whether O_TMPFILE is tried); nothing else outlives a call.
#include "core/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_name.h"

namespace {

constexpr int MAX_LINK_HOPS = 40;            // links followed before giving up with ELOOP, as the kernel does
constexpr int NAME_ATTEMPTS = 100;           // hidden names tried before giving up with EEXIST
constexpr std::size_t NAME_MAX_BYTES = 255;  // longest file name the common file systems take
constexpr std::size_t SUFFIX_LENGTH = 6;     // random characters at the end of a hidden name
constexpr mode_t CREATE_MODE = 0666;         // the kernel takes the umask (or default ACL) off
constexpr std::string_view TEMPORARY_MARK = ".kelvaro-tmp.";  // between NAME and the writer's process id
constexpr std::size_t PID_DIGITS = 10;                        // most digits of a process id in a hidden name
constexpr std::time_t GONE_WRITER_AGE = 5;                    // seconds a gone writer's file is left alone
constexpr std::time_t STALE_AGE = 600;                        // seconds after which any writer's file is stale

std::atomic<bool> unnamed_allowed{true};  // whether O_TMPFILE is tried

// Fills error with "<what> '<name>': <reason>" and returns false; errno is left as it was.
bool fail(std::string& error, const char* what, const std::string& name)
{
    const int cause = errno;
    error = std::string(what) + " '" + name + "': " + (cause != 0 ? std::strerror(cause) : "the write gave up");
    errno = cause;
    return false;
}

// The name a plain open of path writes to: symbolic links followed to their end (the result may
// not exist yet). False with errno set when a link cannot be read or the chain is too long.
bool follow_links(std::string path, std::string& resolved)
{
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = path;  // a missing name or a missing folder is found out by the open
            return true;
        }
        std::vector<char> target(static_cast<std::size_t>(info.st_size) + 2);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) >= target.size()) {
            errno = ELOOP;  // the link changed while it was read
            return false;
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        path = (next.empty() || next[0] == '/') ? next : std::string(path_folder(path)) + next;
    }
    errno = ELOOP;
    return false;
}

// Six random file-name characters; the clock and a counter stand in when no random bytes come.
std::string random_suffix()
{
    static const char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<unsigned> counter{0};
    unsigned char bytes[SUFFIX_LENGTH] = {};
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        unsigned long long mix = static_cast<unsigned long long>(
                                     std::chrono::steady_clock::now().time_since_epoch().count()) ^
                                 (static_cast<unsigned long long>(::getpid()) << 32) ^
                                 (counter++ * 0x9E3779B97F4A7C15ull);
        for (unsigned char& byte : bytes) {
            byte = static_cast<unsigned char>(mix);
            mix = (mix >> 8) | (mix << 56);
        }
    }
    std::string suffix;
    for (unsigned char byte : bytes)
        suffix += ALPHABET[byte % (sizeof ALPHABET - 1)];
    return suffix;
}

// How much of the target's name a hidden name keeps, with a process id of pid_digits digits.
std::size_t name_room(std::size_t pid_digits)
{
    return NAME_MAX_BYTES - 1 - TEMPORARY_MARK.size() - pid_digits - 1 - SUFFIX_LENGTH;
}

// A hidden name beside name: ".NAME.kelvaro-tmp.PID.XXXXXX" (PID this process's id), the name cut
// so that the whole fits a file name. The shape is this module's alone: a user's ".NAME.backup"
// or ".NAME.XXXXXX" never has it.
std::string hidden_name(const std::string& name)
{
    const std::string pid = std::to_string(::getpid());
    return '.' + name.substr(0, name_room(pid.size())) + std::string(TEMPORARY_MARK) + pid + "." + random_suffix();
}

// The writer's process id when entry is a hidden name that hidden_name gives for name, else 0.
pid_t hidden_name_writer(std::string_view entry, const std::string& name)
{
    const auto is_alnum = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    if (entry.size() < 1 + TEMPORARY_MARK.size() + 2 + SUFFIX_LENGTH || entry[0] != '.')
        return 0;
    std::size_t end = entry.size() - SUFFIX_LENGTH;
    for (std::size_t i = end; i < entry.size(); ++i)
        if (!is_alnum(entry[i]))
            return 0;
    if (entry[--end] != '.')
        return 0;
    std::size_t digits = 0;
    while (digits < end && entry[end - digits - 1] >= '0' && entry[end - digits - 1] <= '9')
        ++digits;
    if (digits == 0 || digits > PID_DIGITS || entry[end - digits] == '0')
        return 0;
    const std::string_view head = entry.substr(0, end - digits);
    if (!head.ends_with(TEMPORARY_MARK))
        return 0;
    if (head.substr(1, head.size() - 1 - TEMPORARY_MARK.size()) != std::string_view(name).substr(0, name_room(digits)))
        return 0;
    const long long pid = std::stoll(std::string(entry.substr(end - digits, digits)));
    return pid > 0 && pid <= static_cast<long long>(INT32_MAX) ? static_cast<pid_t>(pid) : 0;
}

// Removes the hidden files an earlier save of name left in the folder dir_fd when it was killed:
// only regular files of this user with exactly hidden_name's shape for name, whose writer is gone
// (and which were last written more than GONE_WRITER_AGE seconds ago, in case the writer runs in
// another process-id namespace) or which were last written more than STALE_AGE seconds ago (the
// writer's id taken by another process). A folder that cannot be listed is left alone; errno is kept.
void remove_stale_hidden_files(int dir_fd, const std::string& name)
{
    const int cause = errno;
    const int list_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = list_fd >= 0 ? ::fdopendir(list_fd) : nullptr;
    if (folder == nullptr) {
        if (list_fd >= 0)
            ::close(list_fd);
        errno = cause;
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(folder)) {
        const pid_t writer = hidden_name_writer(entry->d_name, name);
        struct stat info;
        if (writer == 0 || ::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        const std::time_t age = now - info.st_mtime;
        const bool gone = writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
        if ((gone && age > GONE_WRITER_AGE) || age > STALE_AGE)
            ::unlinkat(dir_fd, entry->d_name, 0);
    }
    ::closedir(folder);
    errno = cause;
}

// Writes an existing non-regular file (a device, a FIFO) in place, as a plain open would.
bool write_in_place(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error)
{
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    if (stream == nullptr)
        return fail(error, "cannot open", path);
    errno = 0;
    bool ok = write(stream) && std::fflush(stream) == 0 && std::ferror(stream) == 0;
    const int cause = errno;
    if (std::fclose(stream) != 0 && ok)
        return fail(error, "cannot write", path);
    if (!ok) {
        errno = cause;
        return fail(error, "cannot write", path);
    }
    return true;
}

// One replacement of folder/name; see the design note.
class Attempt {
public:
    Attempt(std::string folder, std::string name, std::string shown)
        : folder_(std::move(folder)), name_(std::move(name)), shown_(std::move(shown))
    {
    }
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;

    ~Attempt()
    {
        const int cause = errno;
        if (stream_ != nullptr)
            std::fclose(stream_);
        if (fd_ >= 0)
            ::close(fd_);
        if (!hidden_.empty())
            ::unlinkat(dir_fd_, hidden_.c_str(), 0);
        if (dir_fd_ >= 0)
            ::close(dir_fd_);
        errno = cause;
    }

    // Writes the new file complete and synced under a hidden name; the target is not touched yet.
    bool prepare(const std::function<bool(std::FILE*)>& write, std::string& error)
    {
        const std::string& shown = shown_;
        dir_fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir_fd_ < 0 && errno == EACCES)
            dir_fd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dir_fd_ < 0)
            return fail(error, "cannot open the folder of", shown);
        remove_stale_hidden_files(dir_fd_, name_);
        if (!create())
            return fail(error, "cannot create a file beside", shown);
        stream_ = ::fdopen(fd_, "wb");
        if (stream_ == nullptr)
            return fail(error, "cannot write", shown);
        const int stream_fd = fd_;
        fd_ = -1;  // the stream owns it now; an unnamed file keeps a duplicate to be named by
        if (hidden_.empty() && (fd_ = ::fcntl(stream_fd, F_DUPFD_CLOEXEC, 0)) < 0)
            return fail(error, "cannot write", shown);
        errno = 0;
        if (!write(stream_) || std::fflush(stream_) != 0 || std::ferror(stream_) != 0 || ::fsync(stream_fd) != 0)
            return fail(error, "cannot write", shown);
        const int closed = std::fclose(stream_);
        stream_ = nullptr;
        if (closed != 0)
            return fail(error, "cannot write", shown);
        if (hidden_.empty() && !name_unnamed())
            return fail(error, "cannot name the new file beside", shown);
        return true;
    }

    // Renames the prepared file over the target.
    bool commit(std::string& error)
    {
        if (::renameat(dir_fd_, hidden_.c_str(), dir_fd_, name_.c_str()) != 0)
            return fail(error, "cannot replace", shown_);
        hidden_.clear();   // committed: the name is the target's now
        ::fsync(dir_fd_);  // makes the rename itself lasting; a folder opened O_PATH cannot, and needs not
        return true;
    }

private:
    // Makes the new, still empty file: unnamed where allowed and possible, else under a hidden name.
    bool create()
    {
        if (unnamed_allowed.load()) {
            fd_ = ::openat(dir_fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, CREATE_MODE);
            if (fd_ >= 0)
                return true;
        }
        for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
            const std::string candidate = hidden_name(name_);
            fd_ = ::openat(dir_fd_, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           CREATE_MODE);
            if (fd_ >= 0) {
                hidden_ = candidate;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    // Gives the finished unnamed file a hidden name: by its descriptor where the kernel lets this
    // process do so, else through /proc/self/fd.
    bool name_unnamed()
    {
        const std::string by_proc = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
            const std::string candidate = hidden_name(name_);
            if (::linkat(fd_, "", dir_fd_, candidate.c_str(), AT_EMPTY_PATH) == 0 ||
                (errno != EEXIST &&
                 ::linkat(AT_FDCWD, by_proc.c_str(), dir_fd_, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)) {
                hidden_ = candidate;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    std::string folder_;           // the target's folder
    std::string name_;             // the target's name in it
    std::string shown_;            // the path as the caller gave it, for messages
    int dir_fd_ = -1;              // the folder, open while the attempt runs
    int fd_ = -1;                  // the new file before the stream takes it, then a duplicate for naming it
    std::FILE* stream_ = nullptr;  // the caller writes here
    std::string hidden_;           // the new file's hidden name once it has one; "" when none (or committed)
};

// A writer of bytes, for the forms that take the contents whole.
std::function<bool(std::FILE*)> bytes_writer(std::string_view bytes)
{
    return [bytes](std::FILE* stream) { return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size(); };
}

// Where a write of path goes: replaced through an attempt in the target's folder, or written in
// place (an existing non-regular file). False with error and errno set when neither can be.
struct Destination {
    std::string shown;                 // the path as the caller gave it
    std::string target;                // the path with links followed
    bool in_place = false;             // an existing non-regular file
    std::unique_ptr<Attempt> attempt;  // the replacement, unless in place
};

bool find_destination(std::string_view path, Destination& destination, std::string& error)
{
    const std::string text(path);
    destination.shown = text;
    if (text.empty() || text.find('\0') != std::string::npos) {
        errno = ENOENT;
        return fail(error, "cannot write", text);
    }
    std::string& target = destination.target;
    if (!follow_links(text, target))
        return fail(error, "cannot follow the link", text);
    struct stat info;
    if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            return fail(error, "cannot write", text);
        }
        destination.in_place = true;
        return true;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string name(path_name(target));
    if (name.empty() || name == "." || name == "..") {
        errno = EISDIR;
        return fail(error, "cannot write", text);
    }
    destination.attempt = std::make_unique<Attempt>(folder, name, text);
    return true;
}

}  // namespace

bool write_file_atomically(std::string_view path, const std::function<bool(std::FILE*)>& write, std::string& error)
{
    Destination destination;
    if (!find_destination(path, destination, error))
        return false;
    if (destination.in_place)
        return write_in_place(destination.target, write, error);
    return destination.attempt->prepare(write, error) && destination.attempt->commit(error);
}

bool write_files_atomically(std::span<const FileBytes> files, std::string& error, std::size_t& failed)
{
    std::vector<Destination> destinations(files.size());
    for (failed = 0; failed < files.size(); ++failed) {
        const std::string_view bytes = files[failed].bytes;
        if (!find_destination(files[failed].path, destinations[failed], error))
            return false;
        if (destinations[failed].attempt && !destinations[failed].attempt->prepare(bytes_writer(bytes), error))
            return false;
    }
    for (failed = 0; failed < files.size(); ++failed) {
        Destination& destination = destinations[failed];
        if (destination.in_place ? !write_in_place(destination.target, bytes_writer(files[failed].bytes), error)
                                 : !destination.attempt->commit(error))
            return false;
    }
    return true;
}

bool write_file_atomically(std::string_view path, std::string_view bytes, std::string& error)
{
    return write_file_atomically(path, bytes_writer(bytes), error);
}

void atomic_file_allow_unnamed(bool allowed)
{
    unnamed_allowed.store(allowed);
}

// Numbered file slots with buffered line reading.
//
// State: one process-wide table of slot records (index = file number), guarded by one mutex that
// every operation holds for its whole run, so a file may even be used from several threads. A
// record is allocated the first time its number is opened and reused afterwards; closing resets
// it. Each record carries its own 4096-byte read buffer, so a file is always read buffered. Beside
// the table, under the same mutex: at most one descriptor handed over for a path, and the pipe wait.
//
// Design note on the line reader: it never asks for one byte at a time. It scans the buffered
// bytes for the next line end (LF, CR or NUL) in a tight loop, appends the whole run to the line,
// and refills only when the buffer is empty. "Pushing back" a byte after a CR, or in file_eof, is
// simply not consuming it: the byte stays in the buffer (a refill only happens once the buffer has
// been used up, so the peeked byte is always still there).
#include "core/file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/number_table.h"

namespace {

constexpr int INITIAL_SLOTS = 16;         // slots created by file_init
constexpr int SLOT_GROWTH = 16;           // a higher number grows the table to number + this
constexpr int MAX_FILE_NUMBER = 1 << 20;  // higher numbers are refused rather than allocating
                                          // a table of gigabytes
constexpr int CLOSE_ALL = -1;             // file_close(CLOSE_ALL) closes every open file

// One file slot. Bytes buffer[filled - remaining .. filled) are read but not yet handed out.
struct FileRecord {
    int fd = -1;                                  // open descriptor; -1 when the slot is not open
    int filled = 0;                               // bytes the last refill put into the buffer
    int remaining = 0;                            // bytes of the buffer not yet handed out
    bool nul_ended = false;                       // the last line read ended at a NUL byte
    unsigned char buffer[FILE_BUFFER_SIZE] = {};  // read buffer
};

std::mutex table_lock;                 // guards slots() and every record in it
std::string offered_path;              // the path of a handed-over descriptor
int offered_fd = -1;                   // that descriptor; -1 when none is offered
int pipe_wait_ms = FILE_PIPE_WAIT_MS;  // how long an open waits for a pipe's writer

// The slot table: index = file number; no record = never opened. Caller holds table_lock.
NumberTable<FileRecord>& slots()
{
    static NumberTable<FileRecord> table(INITIAL_SLOTS, SLOT_GROWTH, MAX_FILE_NUMBER);
    return table;
}

// The open record for number, or null. Caller holds table_lock.
FileRecord* open_record(int number)
{
    FileRecord* record = slots().find(number);
    return (record != nullptr && record->fd >= 0) ? record : nullptr;
}

// Closes the record's descriptor (which also drops its lock) and marks the slot not open.
void close_record(FileRecord& record)
{
    if (record.fd >= 0)
        ::close(record.fd);
    record.fd = -1;
    record.filled = 0;
    record.remaining = 0;
}

// Refills the buffer with one read. Returns the count read; a read error counts as the end of
// the file for this call and gives 0.
int refill(FileRecord& record)
{
    ssize_t count;
    do {
        count = ::read(record.fd, record.buffer, FILE_BUFFER_SIZE);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        count = 0;
    record.filled = static_cast<int>(count);
    record.remaining = static_cast<int>(count);
    return record.remaining;
}

// Waits until a named pipe opened without blocking has a writer's first bytes or the writer has
// come and gone (Linux reports no hang-up for a writer that never came), at most wait_ms (negative:
// for ever). False with errno ETIMEDOUT when the time ran out. Caller holds table_lock.
bool wait_for_writer(int fd, int wait_ms)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait_ms < 0 ? 0 : wait_ms);
    for (;;) {
        int timeout = -1;
        if (wait_ms >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            timeout = left > 0 ? static_cast<int>(left) : 0;
        }
        pollfd entry = {fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return true;
        if (ready == 0) {
            errno = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR)
            return true;  // the reads find out what is wrong
    }
}

// The descriptor offered for path, taken over by the caller; -1 when none is. Caller holds table_lock.
int take_offer(const std::string& path)
{
    if (offered_fd < 0 || offered_path != path)
        return -1;
    const int fd = offered_fd;
    offered_fd = -1;
    offered_path.clear();
    return fd;
}

// Opens path read-only (or takes the descriptor offered for it) and checks that it names something
// a line reader can use: a regular file or a pipe. Directories (which open fine on Linux but cannot
// be read) and devices are refused. O_NONBLOCK keeps the open of a named pipe without a writer
// from hanging; the writer is then waited for as long as the pipe wait allows, and O_NONBLOCK is
// cleared so that reads wait for data like on a file. Returns the descriptor or -1 (errno set).
int open_readable(const std::string& path)
{
    int fd = take_offer(path);
    const bool opened_here = fd < 0;
    if (opened_here)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info;
    int cause = 0;
    if (::fstat(fd, &info) != 0) {
        cause = errno;
    } else if (!(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        cause = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    }
    if (cause != 0) {
        ::close(fd);
        errno = cause;
        return -1;
    }
    if (opened_here && S_ISFIFO(info.st_mode) && !wait_for_writer(fd, pipe_wait_ms)) {
        ::close(fd);
        errno = ETIMEDOUT;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) != 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Advisory lock so cooperating writers leave the file alone while it is read here. Other
    // programs can still open it, and a file that cannot be locked is read all the same.
    ::flock(fd, LOCK_SH | LOCK_NB);
    return fd;
}

}  // namespace

void file_init()
{
    std::lock_guard<std::mutex> guard(table_lock);
    slots();  // the table holds its first INITIAL_SLOTS slots from the start
}

void file_end()
{
    file_close(CLOSE_ALL);
    file_offer_descriptor("", -1);
}

void file_offer_descriptor(std::string_view path, int fd)
{
    std::lock_guard<std::mutex> guard(table_lock);
    if (offered_fd >= 0)
        ::close(offered_fd);
    offered_fd = -1;
    offered_path.clear();
    if (fd < 0)
        return;
    try {
        offered_path = std::string(path);
        offered_fd = fd;
    } catch (const std::bad_alloc&) {
        ::close(fd);
    }
}

void file_set_pipe_wait(int milliseconds)
{
    std::lock_guard<std::mutex> guard(table_lock);
    pipe_wait_ms = milliseconds;
}

int file_pipe_wait()
{
    std::lock_guard<std::mutex> guard(table_lock);
    return pipe_wait_ms;
}

std::intptr_t file_open_read(int number, std::string_view path)
{
    // -1 would ask for an unnumbered record, which no other operation here could address again.
    if (!slots().accepts(number))
        return 0;  // the limit never changes: no lock needed
    // A path with a NUL inside would silently name a different file.
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        file_close(number);
        return 0;
    }
    std::lock_guard<std::mutex> guard(table_lock);
    try {
        FileRecord* slot = slots().find(number);
        if (slot)
            close_record(*slot);
        const std::string path_text(path);
        const int fd = open_readable(path_text);
        if (fd < 0)
            return 0;
        if (!slot) {
            try {
                slot = slots().make(number);  // the record is kept for every later use of the number
            } catch (const std::bad_alloc&) {
                ::close(fd);
                return 0;
            }
        }
        slot->fd = fd;
        slot->filled = 0;
        slot->remaining = 0;
        return static_cast<std::intptr_t>(fd) + 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::intptr_t file_handle(int number)
{
    std::lock_guard<std::mutex> guard(table_lock);
    const FileRecord* record = open_record(number);
    return record ? static_cast<std::intptr_t>(record->fd) + 1 : 0;
}

std::string file_read_line(int number)
{
    std::lock_guard<std::mutex> guard(table_lock);
    FileRecord* record = open_record(number);
    std::string line;
    if (!record)
        return line;
    record->nul_ended = false;
    try {
        for (;;) {
            if (record->remaining == 0 && refill(*record) == 0)
                break;  // end of file: the line ends
            const unsigned char* first = record->buffer + (record->filled - record->remaining);
            const unsigned char* end = record->buffer + record->filled;
            const unsigned char* stop = first;
            while (stop < end && *stop != '\n' && *stop != '\r' && *stop != '\0')
                ++stop;
            line.append(reinterpret_cast<const char*>(first), static_cast<std::size_t>(stop - first));
            if (stop == end) {
                record->remaining = 0;
                continue;
            }
            const unsigned char ending = *stop;
            record->nul_ended = ending == '\0';
            record->remaining = static_cast<int>(end - stop) - 1;  // the line end is consumed
            if (ending == '\r') {
                // CR LF is one line end; any other byte after a CR stays for the next read.
                if (record->remaining == 0)
                    refill(*record);
                if (record->remaining > 0 && record->buffer[record->filled - record->remaining] == '\n') {
                    --record->remaining;
                }
            }
            break;
        }
    } catch (const std::bad_alloc&) {
        // No memory to grow the line: it ends here and the unread bytes start the next line.
    }
    return line;
}

std::size_t file_read_bytes(int number, char* out, std::size_t size)
{
    std::lock_guard<std::mutex> guard(table_lock);
    FileRecord* record = open_record(number);
    if (!record || size == 0)
        return 0;
    if (record->remaining > 0) {
        const std::size_t count = std::min(size, static_cast<std::size_t>(record->remaining));
        std::memcpy(out, record->buffer + (record->filled - record->remaining), count);
        record->remaining -= static_cast<int>(count);
        return count;
    }
    ssize_t count;
    do {
        count = ::read(record->fd, out, size);
    } while (count < 0 && errno == EINTR);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool file_line_ended_by_nul(int number)
{
    std::lock_guard<std::mutex> guard(table_lock);
    const FileRecord* record = open_record(number);
    return record && record->nul_ended;
}

int file_eof(int number)
{
    std::lock_guard<std::mutex> guard(table_lock);
    FileRecord* record = open_record(number);
    if (!record)
        return 0;
    if (record->remaining > 0)
        return 0;
    return refill(*record) > 0 ? 0 : 1;
}

void file_close(int number)
{
    std::lock_guard<std::mutex> guard(table_lock);
    if (number == CLOSE_ALL) {
        slots().for_each(close_record);
        return;
    }
    if (FileRecord* record = open_record(number))
        close_record(*record);
}

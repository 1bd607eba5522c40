// A file's lines read with poll(), so that a stop request is seen while a pipe stalls.
#include "app/ui/stoppable_file_source.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/file.h"

namespace {

constexpr int STOP_CHECK_MS = 50;                // longest time a wait goes without looking at the stop flag
constexpr std::size_t READ_SIZE = 65536;         // most bytes read from a pipe at a time
constexpr std::size_t FILL_READ_SIZE = 1 << 20;  // most bytes read from a regular file at a time

}  // namespace

StoppableFileSource::StoppableFileSource(const std::string& path, const std::atomic<bool>& stop,
                                         std::atomic<std::int64_t>& bytes, std::size_t block)
    : stop_(stop), bytes_(bytes)
{
    if (path.empty() || path.find('\0') != std::string::npos) {
        open_error_ = ENOENT;
        return;
    }
    // Without O_NONBLOCK the open of a named pipe would wait for a writer beyond any stop.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        open_error_ = errno;
        return;
    }
    struct stat info;
    if (::fstat(fd_, &info) != 0)
        open_error_ = errno;
    else if (!(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode)))
        open_error_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (S_ISFIFO(info.st_mode) && !wait_readable(file_pipe_wait()))
        open_error_ = stop_ ? EINTR : ETIMEDOUT;
    if (open_error_ != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    // As the file slots do: cooperating writers leave the file alone while it is read.
    ::flock(fd_, LOCK_SH | LOCK_NB);
    // A regular file is held in blocks no larger than the file needs.
    regular_ = S_ISREG(info.st_mode);
    const auto size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    block_ = std::max<std::size_t>(std::min(block, regular_ ? std::max(size, READ_SIZE) : READ_SIZE), 1);
    in_blocks_ = regular_ && size > block_;
    buffer_ = std::make_unique_for_overwrite<char[]>(block_ + 1);
}

StoppableFileSource::~StoppableFileSource()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool StoppableFileSource::wait_readable(int wait_ms)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait_ms < 0 ? 0 : wait_ms);
    for (;;) {
        if (stop_)
            return false;
        int timeout = STOP_CHECK_MS;
        if (wait_ms >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            timeout = left < STOP_CHECK_MS ? static_cast<int>(left) : STOP_CHECK_MS;
        }
        pollfd entry = {fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true;  // the read finds out what is wrong
    }
}

void StoppableFileSource::fill_block()
{
    std::memmove(buffer_.get(), buffer_.get() + next_, filled_ - next_);
    filled_ -= next_;
    next_ = 0;
    while (filled_ < block_ && !stop_) {
        const ssize_t count = ::read(fd_, buffer_.get() + filled_, std::min(block_ - filled_, FILL_READ_SIZE));
        if (count > 0) {
            filled_ += static_cast<std::size_t>(count);
            bytes_ += count;
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    buffer_[filled_] = '\0';  // stops read_line's search at the end of the bytes
}

bool StoppableFileSource::refill()
{
    next_ = filled_ = 0;
    if (fd_ < 0)
        return false;
    if (regular_) {
        fill_block();
        return filled_ > 0 && !stop_;
    }
    for (;;) {
        if (!wait_readable(-1))
            return false;
        const ssize_t count = ::read(fd_, buffer_.get(), block_);
        if (count > 0) {
            filled_ = static_cast<std::size_t>(count);
            buffer_[filled_] = '\0';  // stops read_line's search at the end of the bytes
            bytes_ += count;
            return true;
        }
        // A pipe without bytes yet reads EAGAIN (it stays non-blocking); anything else ends it.
        if (count == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
    }
}

void StoppableFileSource::read_line(std::string& line)
{
    line.clear();
    nul_ended_ = false;
    if (stop_)
        return;
    for (;;) {
        if (next_ == filled_ && !refill())
            return;  // the end: the line ends
        // The first LF, CR or NUL: the NUL after the bytes when the line goes on past them.
        const char* first = buffer_.get() + next_;
        const char* end = buffer_.get() + filled_;
        const char* stop = first + std::strcspn(first, "\n\r");
        line.append(first, static_cast<std::size_t>(stop - first));
        if (stop == end) {
            next_ = filled_;
            continue;
        }
        nul_ended_ = *stop == '\0';
        next_ = static_cast<std::size_t>(stop - buffer_.get()) + 1;  // the line end is consumed
        // CR LF is one line end; any other byte after a CR starts the next line.
        if (*stop == '\r' && (next_ < filled_ || refill()) && buffer_[next_] == '\n')
            ++next_;
        return;
    }
}

std::string_view StoppableFileSource::next_line()
{
    if (stop_ || next_ == filled_) {
        read_line(long_line_);
        return long_line_;
    }
    const char* first = buffer_.get() + next_;
    const std::size_t length = line_length(std::string_view(first, filled_ - next_));
    const std::size_t stop = next_ + length;
    // A line that runs on past the bytes read, or whose CR may have its LF in the next ones, is
    // put together by read_line.
    if (stop == filled_ || (buffer_[stop] == '\r' && stop + 1 == filled_)) {
        read_line(long_line_);
        return long_line_;
    }
    nul_ended_ = buffer_[stop] == '\0';
    next_ = stop + 1;  // the line end is consumed
    if (buffer_[stop] == '\r' && buffer_[next_] == '\n')
        ++next_;
    return std::string_view(first, length);
}

bool StoppableFileSource::at_end()
{
    if (stop_)
        return true;
    if (fd_ < 0)
        return false;
    return next_ == filled_ && !refill();
}

std::string_view StoppableFileSource::held_rest()
{
    if (!regular_ || stop_)
        return {};
    if (filled_ - next_ < block_ / 2)
        fill_block();
    // Up to the last line end; a CR at the end of the bytes may have its LF in the next ones.
    std::size_t end = filled_;
    if (end > next_ && buffer_[end - 1] == '\r')
        --end;
    while (end > next_ && !ends_line(buffer_[end - 1]))
        --end;
    return std::string_view(buffer_.get() + next_, end - next_);
}

void StoppableFileSource::skip_held(std::size_t bytes)
{
    next_ += bytes;
    nul_ended_ = false;
}

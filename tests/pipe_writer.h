// A test playing a solver that writes into a named pipe: it opens the pipe once a reader has,
// writes a head, waits to be released, then writes the tail. A write after the reader closed its
// end fails (with SIGPIPE ignored), which tells that the reader has let go of the pipe.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class PipeWriter {
public:
    PipeWriter(const std::string& fifo, std::string head, std::string tail)
        : thread_([this, fifo, head = std::move(head), tail = std::move(tail)] {
              int fd = -1;
              while (fd < 0 && !quit_) {
                  fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);  // ENXIO until a reader
                  if (fd < 0)
                      std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
              if (fd < 0)
                  return;
              ::fcntl(fd, F_SETFL, 0);
              head_written_ = write_all(fd, head);
              while (!release_ && !quit_)
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              tail_failed_ = !write_all(fd, tail);
              ::close(fd);
          })
    {
    }
    ~PipeWriter() { join(); }
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

    // Lets the tail be written.
    void release() { release_ = true; }
    // Gives up waiting for a reader or a release and waits for the writer to end.
    void join()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool head_written() const { return head_written_; }
    bool tail_failed() const { return tail_failed_; }

private:
    static bool write_all(int fd, const std::string& bytes)
    {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (n <= 0)
                return false;
            at += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::atomic<bool> release_{false}, quit_{false}, head_written_{false}, tail_failed_{false};
    std::thread thread_;
};

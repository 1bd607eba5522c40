// The lines of a results file read beside the event loop: opened and read so that a stop request
// ends a wait for a named pipe's writer or for its next bytes within a moment.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/model/line_source.h"

constexpr std::size_t HELD_BLOCK_SIZE = 4 << 20;  // most bytes of a regular file held at a time

class StoppableFileSource final : public LineSource {
public:
    // Opens path as the file slots do (core/file.h): a regular file or a named pipe, whose writer
    // is waited for up to the slots' pipe wait. What cannot be opened leaves the source closed,
    // and open_error() says why: open's errno, EISDIR for a folder, EINVAL for a device or
    // socket, ETIMEDOUT when nothing came through a pipe in time. Lines follow the file slots'
    // rules; bytes counts what was read. Once stop is set every line reads "" and the source is
    // at its end. A regular file is held up to block bytes at a time, whose whole lines
    // held_rest() hands out; a pipe is read as its bytes come, and hands out none.
    StoppableFileSource(const std::string& path, const std::atomic<bool>& stop, std::atomic<std::int64_t>& bytes,
                        std::size_t block = HELD_BLOCK_SIZE);
    ~StoppableFileSource() override;
    StoppableFileSource(const StoppableFileSource&) = delete;
    StoppableFileSource& operator=(const StoppableFileSource&) = delete;

    // A closed source reads as a closed file slot: every line "", never at its end.
    void read_line(std::string& line) override;
    // The next line as a view of the bytes read, copied only when it runs past them.
    std::string_view next_line() override;
    bool at_end() override;
    // True when the last line read ended at a NUL byte rather than a line end (the reader names
    // such a byte as a problem).
    bool ended_by_nul() const override { return nul_ended_; }
    // The whole lines held (of a regular file, before the stop), after the block is filled up
    // with the next bytes; the views given before end here.
    std::string_view held_rest() override;
    bool holds_after(std::string_view line) const override { return line_end_held(line, buffer_.get(), filled_); }
    void skip_held(std::size_t bytes) override;
    bool holds_in_blocks() const override { return in_blocks_; }
    int open_error() const { return open_error_; }

private:
    // Waits until fd_ can be read (or the stop comes); false after the stop. wait_ms < 0 waits on.
    bool wait_readable(int wait_ms);
    // Reads the next bytes into the empty buffer; false at the end, on an error or after the stop.
    bool refill();
    // Moves the bytes not yet handed out to the front and reads on until the block is full, the
    // file ends or the stop comes.
    void fill_block();

    const std::atomic<bool>& stop_;
    std::atomic<std::int64_t>& bytes_;
    int fd_ = -1;
    int open_error_ = 0;
    std::size_t block_ = 0;           // bytes the buffer holds at most
    bool regular_ = false;            // a regular file: its bytes can be held ahead
    bool in_blocks_ = false;          // a regular file larger than the block
    std::unique_ptr<char[]> buffer_;  // the bytes read, then a NUL
    std::string long_line_;           // the line next_line last gave, when it ran past the bytes read
    std::size_t next_ = 0;            // first byte of buffer_ not yet handed out
    std::size_t filled_ = 0;          // bytes held in buffer_
    bool nul_ended_ = false;          // the last line ended at a NUL
};

// Where the results reader takes its lines from: an open file slot or bytes in memory, both with
// the file slots' line rules (LF, CR LF, a lone CR and a NUL each end a line; the last line needs
// no line end; past the end every line reads as "").
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/large_buffer.h"

// True for a byte that ends a line: LF, CR or NUL.
inline bool ends_line(char c)
{
    return c == '\n' || c == '\r' || c == '\0';
}

// True when the byte after line lies within the size bytes from held.
bool line_end_held(std::string_view line, const char* held, std::size_t size);

class LineSource {
public:
    virtual ~LineSource() = default;
    // Puts the next line, without its line end, into line; "" when nothing is left.
    virtual void read_line(std::string& line) = 0;
    // The next line as read_line gives it, as a view that holds until the next call. Sources that
    // hold their bytes hand out views of them without a copy.
    virtual std::string_view next_line()
    {
        read_line(line_);
        return line_;
    }
    // True when no byte is left (for a file slot: only when the slot is open, as file_eof).
    virtual bool at_end() = 0;
    // True when the last line read_line gave ended at a NUL byte rather than a line end.
    virtual bool ended_by_nul() const { return false; }
    // Bytes not yet handed out that the source holds in memory, so that their lines can be read
    // elsewhere, even several parts at once: all that are left, or whole lines (ending at a line
    // end that is not a CR at their very end) when more may follow; "" when it holds none. It may
    // read on first: views given before end here.
    virtual std::string_view held_rest() { return {}; }
    // True when line is a view of bytes this source holds and the byte after it, its line end, is
    // held too, so a reading may look one byte past the line. Never reads on.
    virtual bool holds_after(std::string_view /*line*/) const { return false; }
    // Passes over the first bytes of held_rest(), which end right after a line end (CR LF whole).
    virtual void skip_held(std::size_t /*bytes*/) {}
    // True when the source holds a file larger than its block a block at a time, so that what
    // held_rest() gives is a part of what is left; false when it holds its text whole (or nothing).
    virtual bool holds_in_blocks() const { return false; }

private:
    std::string line_;  // the line next_line last gave, for sources that only fill strings
};

constexpr std::size_t LINE_BLOCK_SIZE = 1 << 16;  // bytes a file slot source takes from its slot at a time

// The length of the line at the start of bytes: the bytes before the first LF, CR or NUL (all of
// them when there is none).
std::size_t line_length(std::string_view bytes);

// How many line ends bytes hold (CR LF counts once; a CR at their very end is one).
std::int64_t count_line_ends(std::string_view bytes);

constexpr std::size_t WHOLE_FILE_SIZE = 32 << 20;  // largest regular file a file slot source holds whole

// The lines of the file open in a core file slot (core/file.h), read in large blocks (a regular
// file of up to WHOLE_FILE_SIZE bytes in one); the slot stays the caller's to open and close, and
// this source takes every byte it reads from it.
class FileSlotLineSource final : public LineSource {
public:
    explicit FileSlotLineSource(int slot) : slot_(slot) {}
    void read_line(std::string& line) override { line.assign(next_line()); }
    std::string_view next_line() override;
    bool at_end() override;
    bool ended_by_nul() const override { return nul_ended_; }
    std::string_view held_rest() override;
    bool holds_after(std::string_view line) const override;
    void skip_held(std::size_t bytes) override;

private:
    // Makes the block hold unread bytes when the file has any; false at its end.
    bool fill();
    // The first fill: the whole of a regular file that is not too large, else a block.
    void fill_first();

    int slot_;
    LargeBuffer block_;  // block_size_ bytes once the first line is read
    std::size_t block_size_ = LINE_BLOCK_SIZE;
    bool whole_ = false;      // block_ holds every byte the file had left
    std::size_t next_ = 0;    // first byte of block_ not yet handed out
    std::size_t filled_ = 0;  // bytes held in block_
    std::string long_line_;   // a line that runs across blocks
    bool nul_ended_ = false;  // the last line ended at a NUL
    bool after_cr_ = false;   // the last line ended at a CR at the end of a block: a LF next is its end
};

// The lines of bytes in memory, which must outlive the source.
class MemoryLineSource final : public LineSource {
public:
    explicit MemoryLineSource(std::string_view bytes) : bytes_(bytes) {}
    void read_line(std::string& line) override { line.assign(next_line()); }
    std::string_view next_line() override;
    bool at_end() override { return next_ >= bytes_.size(); }
    bool ended_by_nul() const override { return nul_ended_; }
    std::string_view held_rest() override { return bytes_.substr(next_); }
    bool holds_after(std::string_view line) const override { return line_end_held(line, bytes_.data(), bytes_.size()); }
    void skip_held(std::size_t bytes) override
    {
        next_ += bytes;
        nul_ended_ = false;
    }
    // The bytes handed out so far.
    std::size_t position() const { return next_; }

private:
    std::string_view bytes_;
    std::size_t next_ = 0;    // first byte not yet handed out
    bool nul_ended_ = false;  // the last line ended at a NUL
};

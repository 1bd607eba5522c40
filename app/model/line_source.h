// Where the results reader takes its lines from: an open file slot or bytes in memory, both with
// the file slots' line rules (LF, CR LF, a lone CR and a NUL each end a line; the last line needs
// no line end; past the end every line reads as "").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class LineSource {
public:
    virtual ~LineSource() = default;
    // Puts the next line, without its line end, into line; "" when nothing is left.
    virtual void read_line(std::string& line) = 0;
    // True when no byte is left (for a file slot: only when the slot is open, as file_eof).
    virtual bool at_end() = 0;
    // True when the last line read_line gave ended at a NUL byte rather than a line end.
    virtual bool ended_by_nul() const { return false; }
};

// The lines of the file open in a core file slot (core/file.h); the slot stays the caller's to
// open and close.
class FileSlotLineSource final : public LineSource {
public:
    explicit FileSlotLineSource(int slot) : slot_(slot) {}
    void read_line(std::string& line) override;
    bool at_end() override;
    bool ended_by_nul() const override;

private:
    int slot_;
};

// The lines of bytes in memory, which must outlive the source.
class MemoryLineSource final : public LineSource {
public:
    explicit MemoryLineSource(std::string_view bytes) : bytes_(bytes) {}
    void read_line(std::string& line) override;
    bool at_end() override { return next_ >= bytes_.size(); }
    bool ended_by_nul() const override { return nul_ended_; }

private:
    std::string_view bytes_;
    std::size_t next_ = 0;    // first byte not yet handed out
    bool nul_ended_ = false;  // the last line ended at a NUL
};

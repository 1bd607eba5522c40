// Line sources over a file slot and over memory.
#include "app/model/line_source.h"

#include "core/file.h"

void FileSlotLineSource::read_line(std::string& line)
{
    line = file_read_line(slot_);
}

bool FileSlotLineSource::at_end()
{
    return file_eof(slot_) != 0;
}

bool FileSlotLineSource::ended_by_nul() const
{
    return file_line_ended_by_nul(slot_);
}

void MemoryLineSource::read_line(std::string& line)
{
    const std::size_t size = bytes_.size();
    std::size_t stop = next_;
    while (stop < size && bytes_[stop] != '\n' && bytes_[stop] != '\r' && bytes_[stop] != '\0')
        ++stop;
    line.assign(bytes_.data() + next_, stop - next_);
    nul_ended_ = stop < size && bytes_[stop] == '\0';
    if (stop >= size) {
        next_ = size;
        return;
    }
    next_ = stop + 1;  // the line end is consumed
    // CR LF is one line end; any other byte after a CR starts the next line.
    if (bytes_[stop] == '\r' && next_ < size && bytes_[next_] == '\n')
        ++next_;
}

// Line sources over a file slot and over memory.
#include "app/model/line_source.h"

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/file.h"

std::size_t line_length(std::string_view bytes)
{
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the first LF, CR or NUL among them is the line's end.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr)),
                                          _mm_cmpeq_epi8(chunk, zero));
        if (const int found = _mm_movemask_epi8(ends); found != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
    }
#endif
    // Eight bytes at a time while none of them is below 14 (the three line ends are 0, 10 and 13).
    constexpr std::uint64_t ONES = 0x0101010101010101ULL;
    constexpr std::uint64_t HIGH = 0x8080808080808080ULL;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        if (((word - ONES * 14) & ~word & HIGH) != 0)
            break;
    }
    while (i < size && !ends_line(data[i]))
        ++i;
    return i;
}

namespace {

// True when byte j of bytes ends a line (CR LF counts at its LF; a CR at their very end is one).
bool ends_line_at(std::string_view bytes, std::size_t j)
{
    const char c = bytes[j];
    return c == '\n' || c == '\0' || (c == '\r' && (j + 1 == bytes.size() || bytes[j + 1] != '\n'));
}

#if defined(__SSE2__)
// Counts the line ends of bytes from i on, CHUNKS sixteen bytes at a time while that many are
// left, into count; i moves past them. Where the only line ends of a block are LFs, each byte
// place's count of them is kept (for as many rounds as it stays below 256) and then added up.
template <std::size_t CHUNKS>
void count_line_ends_in_blocks(std::string_view bytes, std::size_t& i, std::int64_t& count)
{
    constexpr int MOST_ROUNDS = 255 / static_cast<int>(CHUNKS);
    constexpr std::size_t BLOCK = 16 * CHUNKS;
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    __m128i counts = zero;  // LFs at each byte place
    __m128i sums = zero;    // the counts added up, in two halves
    int rounds = 0;
    for (; i + BLOCK <= bytes.size(); i += BLOCK) {
        const __m128i* const at = reinterpret_cast<const __m128i*>(bytes.data() + i);
        __m128i chunks[CHUNKS];
        __m128i others = zero;  // CRs and NULs
#pragma GCC unroll 4
        for (std::size_t k = 0; k < CHUNKS; ++k) {
            chunks[k] = _mm_loadu_si128(at + k);
            others = _mm_or_si128(others, _mm_or_si128(_mm_cmpeq_epi8(chunks[k], cr), _mm_cmpeq_epi8(chunks[k], zero)));
        }
        if (_mm_movemask_epi8(others) != 0) {
            for (std::size_t j = i; j < i + BLOCK; ++j)
                count += ends_line_at(bytes, j);
            continue;
        }
#pragma GCC unroll 4
        for (const __m128i& chunk : chunks)
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(chunk, lf));
        if (++rounds == MOST_ROUNDS) {
            sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
            counts = zero;
            rounds = 0;
        }
    }
    sums = _mm_add_epi64(sums, _mm_sad_epu8(counts, zero));
    count += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
}
#endif

}  // namespace

std::int64_t count_line_ends(std::string_view bytes)
{
    std::int64_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    count_line_ends_in_blocks<4>(bytes, i, count);
    count_line_ends_in_blocks<1>(bytes, i, count);
#endif
    for (; i < bytes.size(); ++i)
        count += ends_line_at(bytes, i);
    return count;
}

std::string_view MemoryLineSource::next_line()
{
    const std::size_t size = bytes_.size();
    const std::size_t first = next_;
    const std::size_t stop = first + line_length(bytes_.substr(first));
    nul_ended_ = stop < size && bytes_[stop] == '\0';
    if (stop >= size) {
        next_ = size;
        return bytes_.substr(first);
    }
    next_ = stop + 1;  // the line end is consumed
    // CR LF is one line end; any other byte after a CR starts the next line.
    if (bytes_[stop] == '\r' && next_ < size && bytes_[next_] == '\n')
        ++next_;
    return bytes_.substr(first, stop - first);
}

void FileSlotLineSource::fill_first()
{
    // The bytes left: those in the file past its descriptor's place, and at most a buffer's worth
    // the slot holds already. One more byte to read tells that the file has grown meanwhile.
    struct stat info;
    const std::intptr_t handle = file_handle(slot_);
    const int fd = static_cast<int>(handle - 1);
    bool whole = false;
    if (handle != 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const off_t place = ::lseek(fd, 0, SEEK_CUR);
        const auto left = static_cast<std::size_t>(std::max<off_t>(info.st_size - std::max<off_t>(place, 0), 0));
        whole = place >= 0 && left <= WHOLE_FILE_SIZE;
        if (whole)
            block_size_ = left + FILE_BUFFER_SIZE + 1;
    }
    block_ = make_large_buffer(block_size_);
    if (!whole) {
        filled_ = file_read_bytes(slot_, block_.get(), block_size_);
        return;
    }
    for (;;) {
        const std::size_t count = file_read_bytes(slot_, block_.get() + filled_, block_size_ - filled_);
        filled_ += count;
        if (count == 0) {
            whole_ = true;
            return;
        }
        if (filled_ == block_size_)
            return;  // the file grew: it is read on in blocks of this size
    }
}

std::string_view FileSlotLineSource::held_rest()
{
    if (!block_)
        fill();
    return whole_ ? std::string_view(block_.get() + next_, filled_ - next_) : std::string_view();
}

bool line_end_held(std::string_view line, const char* held, std::size_t size)
{
    // As addresses, since line may be a view of other bytes.
    const auto start = reinterpret_cast<std::uintptr_t>(held);
    const auto after = reinterpret_cast<std::uintptr_t>(line.data() + line.size());
    return held != nullptr && line.data() != nullptr && after >= start && after - start < size;
}

bool FileSlotLineSource::holds_after(std::string_view line) const
{
    return block_ && line_end_held(line, block_.get(), filled_);
}

void FileSlotLineSource::skip_held(std::size_t bytes)
{
    next_ += bytes;
    nul_ended_ = false;
}

bool FileSlotLineSource::fill()
{
    if (next_ < filled_)
        return true;
    next_ = 0;
    if (!block_) {
        fill_first();
        return filled_ > 0;
    }
    whole_ = false;
    filled_ = file_read_bytes(slot_, block_.get(), block_size_);
    if (after_cr_ && filled_ > 0) {
        after_cr_ = false;
        if (block_[0] == '\n')
            next_ = 1;
        return fill();
    }
    return filled_ > 0;
}

std::string_view FileSlotLineSource::next_line()
{
    nul_ended_ = false;
    long_line_.clear();
    for (;;) {
        if (!fill()) {
            after_cr_ = false;
            return long_line_;  // the end: the line ends
        }
        const std::string_view rest(block_.get() + next_, filled_ - next_);
        const std::size_t length = line_length(rest);
        if (length == rest.size()) {
            long_line_.append(rest);
            next_ = filled_;
            continue;
        }
        const char ending = rest[length];
        nul_ended_ = ending == '\0';
        next_ += length + 1;  // the line end is consumed
        // CR LF is one line end; a CR at the end of the block looks at the next block's first byte.
        if (ending == '\r') {
            if (next_ < filled_ && block_[next_] == '\n')
                ++next_;
            else if (next_ == filled_)
                after_cr_ = true;
        }
        if (long_line_.empty())
            return rest.substr(0, length);
        long_line_.append(rest.substr(0, length));
        return long_line_;
    }
}

bool FileSlotLineSource::at_end()
{
    if (file_handle(slot_) == 0)
        return false;  // as file_eof: a slot that is not open is never at its end
    return !fill();
}

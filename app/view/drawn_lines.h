// The lines drawn so far in a run of plain lines of one colour. Drawn again in such a run, a line
// sets its pixels to what they already hold, so the caller may leave it out.
//
// An open-addressed table of the lines' ends packed into 64 bits, stamped with the run it was noted
// in, so that starting a run clears nothing; sized for the lines a run expects and filled to at
// most half, so every search ends at a slot of an older run. Lines past that, and lines with an end
// beyond +-32767, are drawn each time (never reported as seen).
#pragma once

#include <cstdint>
#include <vector>

class DrawnLines {
public:
    // Forgets every line noted so far; room for about lines lines (up to 16,384) from here on.
    void start(std::size_t lines)
    {
        std::size_t size = LEAST_SLOTS;
        int bits = LEAST_SLOT_BITS;
        for (; size < 2 * lines && size < MOST_SLOTS; size *= 2)
            ++bits;
        if (slots_.size() < size) {
            slots_.assign(size, Slot{});
            shift_ = 64 - bits;
        }
        if (++run_ == 0) {  // the count wrapped: every slot is old
            slots_.assign(slots_.size(), Slot{});
            run_ = 1;
        }
        noted_ = 0;
    }
    // True when the line from (x1, y1) to (x2, y2), ends in this order, was noted since start;
    // else notes it while there is room. Only after a start.
    bool seen(int x1, int y1, int x2, int y2)
    {
        if (!fits(x1) || !fits(y1) || !fits(x2) || !fits(y2))
            return false;
        const std::uint64_t key = pack(x1) | pack(y1) << 16 | pack(x2) << 32 | pack(y2) << 48;
        const std::size_t last = slots_.size() - 1;
        for (std::size_t n = (key * 0x9E3779B97F4A7C15ULL) >> shift_;; n = (n + 1) & last) {
            Slot& slot = slots_[n];
            if (slot.run != run_) {
                if (noted_ < slots_.size() / 2) {
                    slot = {key, run_};
                    ++noted_;
                }
                return false;
            }
            if (slot.key == key)
                return true;
        }
    }

private:
    static constexpr int LEAST_SLOT_BITS = 6;
    static constexpr std::size_t LEAST_SLOTS = std::size_t{1} << LEAST_SLOT_BITS;
    static constexpr std::size_t MOST_SLOTS = std::size_t{1} << 15;
    static bool fits(int v) { return v >= -32767 && v <= 32767; }
    static std::uint64_t pack(int v) { return static_cast<std::uint16_t>(v); }
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t run = 0;  // the run it was noted in; 0 never is one
    };
    std::vector<Slot> slots_;  // a power of two of them, or none before the first start
    int shift_ = 63;           // the hash's bits beyond those that pick a slot
    std::uint32_t run_ = 0;
    std::size_t noted_ = 0;
};

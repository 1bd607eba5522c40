// The lines drawn so far in a run of plain lines of one colour. Drawn again in such a run, a line
// sets its pixels to what they already hold, so the caller may leave it out.
//
// An open-addressed table of the lines' ends packed into 64 bits, stamped with the run it was noted
// in, so that starting a run clears nothing; it is filled to at most half, so every search ends at
// a slot of an older run. Lines past that, and lines with an end beyond +-32767, are drawn each
// time (never reported as seen).
#pragma once

#include <cstdint>
#include <vector>

class DrawnLines {
public:
    // Forgets every line noted so far.
    void start()
    {
        if (slots_.empty())
            slots_.resize(SLOTS);
        if (++run_ == 0) {  // the count wrapped: every slot is old
            slots_.assign(SLOTS, Slot{});
            run_ = 1;
        }
        noted_ = 0;
    }
    // True when the line from (x1, y1) to (x2, y2), ends in this order, was noted since start;
    // else notes it while there is room.
    bool seen(int x1, int y1, int x2, int y2)
    {
        if (!fits(x1) || !fits(y1) || !fits(x2) || !fits(y2))
            return false;
        const std::uint64_t key = pack(x1) | pack(y1) << 16 | pack(x2) << 32 | pack(y2) << 48;
        for (std::size_t n = (key * 0x9E3779B97F4A7C15ULL) >> (64 - SLOT_BITS);; n = (n + 1) % SLOTS) {
            Slot& slot = slots_[n];
            if (slot.run != run_) {
                if (noted_ < SLOTS / 2) {
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
    static constexpr int SLOT_BITS = 15;
    static constexpr std::size_t SLOTS = std::size_t{1} << SLOT_BITS;
    static bool fits(int v) { return v >= -32767 && v <= 32767; }
    static std::uint64_t pack(int v) { return static_cast<std::uint16_t>(v); }
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t run = 0;  // the run it was noted in; 0 never is one
    };
    std::vector<Slot> slots_;
    std::uint32_t run_ = 0;
    std::size_t noted_ = 0;
};

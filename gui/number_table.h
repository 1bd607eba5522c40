// A table of records addressed by small non-negative numbers (windows, controls).
//
// The table starts with a fixed capacity and grows, when a number at or beyond it is allocated,
// to that number plus the growth step. Negative numbers and numbers above NUMBER_LIMIT hold no
// record. Owned by the GUI thread.
#pragma once

#include <memory>
#include <vector>

// Highest number a table accepts; a larger one would only waste memory.
constexpr int NUMBER_LIMIT = 65535;

template <class Record>
class NumberTable {
public:
    NumberTable(int capacity, int step) : initial_(capacity), step_(step), slots_(capacity) {}

    // The record under number, nullptr when there is none.
    Record* find(int number) const
    {
        if (number < 0 || number >= static_cast<int>(slots_.size()))
            return nullptr;
        return slots_[number].get();
    }

    // Puts a fresh record under number (growing the table); nullptr for a number out of range.
    // The caller frees an old record first.
    Record* make(int number)
    {
        if (number < 0 || number > NUMBER_LIMIT)
            return nullptr;
        if (number >= static_cast<int>(slots_.size()))
            slots_.resize(static_cast<std::size_t>(number) + step_);
        slots_[number] = std::make_unique<Record>();
        return slots_[number].get();
    }

    // Drops the record under number (no-op when there is none).
    void release(int number)
    {
        if (find(number))
            slots_[number].reset();
    }

    // Current capacity (entries, used or not).
    int capacity() const { return static_cast<int>(slots_.size()); }

    // Every number that holds a record, in ascending order.
    std::vector<int> numbers() const
    {
        std::vector<int> used;
        for (int i = 0; i < capacity(); ++i)
            if (slots_[i])
                used.push_back(i);
        return used;
    }

    // Drops every record and returns to the starting capacity.
    void reset()
    {
        slots_.clear();
        slots_.resize(initial_);
    }

private:
    int initial_;
    int step_;
    std::vector<std::unique_ptr<Record>> slots_;
};

// A table of records addressed by small non-negative numbers: files, images, windows and controls.
//
// Rules every user shares:
// - Bounds: numbers 0 .. limit may hold a record. A negative number or one above the limit holds none;
//   asking to put a record there changes nothing and gives nullptr.
// - Growth: the table starts with a fixed capacity; putting a record under a number at or beyond the
//   capacity grows it to that number plus the growth step. It shrinks only by reset().
// - Reuse: putting a record under a number frees the record that was there. A user that keeps its record
//   from one use to the next (the file slots) finds it first and makes one only when there is none.
//
// The table does not lock: a user shared between threads guards it with its own mutex. Making a record or
// growing may throw std::bad_alloc; the table is then as it was.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

// Highest number a table accepts unless it is given another limit; a larger one would only waste memory.
constexpr int NUMBER_LIMIT = 65535;

template <class Record>
class NumberTable {
public:
    // An empty table of capacity places that grows by step and accepts numbers up to limit.
    NumberTable(int capacity, int step, int limit = NUMBER_LIMIT)
        : initial_(capacity), step_(step), limit_(limit), slots_(static_cast<std::size_t>(capacity))
    {
    }

    // True when number may hold a record (0 .. limit).
    bool accepts(int number) const { return number >= 0 && number <= limit_; }

    // The record under number, nullptr when there is none.
    Record* find(int number) const
    {
        if (number < 0 || number >= capacity())
            return nullptr;
        return slots_[static_cast<std::size_t>(number)].get();
    }

    // Puts record under number (growing the table, freeing the old record); nullptr, and record dropped,
    // for a number out of range.
    Record* put(int number, std::unique_ptr<Record> record)
    {
        if (!accepts(number))
            return nullptr;
        if (number >= capacity())
            slots_.resize(static_cast<std::size_t>(number) + static_cast<std::size_t>(step_));
        std::unique_ptr<Record>& slot = slots_[static_cast<std::size_t>(number)];
        slot = std::move(record);
        return slot.get();
    }

    // Puts a fresh record under number, as put does; nullptr for a number out of range.
    Record* make(int number)
    {
        if (!accepts(number))
            return nullptr;
        return put(number, std::make_unique<Record>());
    }

    // Frees the record under number (no-op when there is none).
    void release(int number)
    {
        if (find(number))
            slots_[static_cast<std::size_t>(number)].reset();
    }

    // Frees every record; the capacity stays.
    void release_all()
    {
        for (std::unique_ptr<Record>& slot : slots_)
            slot.reset();
    }

    // Frees every record and returns to the starting capacity.
    void reset()
    {
        slots_.clear();
        slots_.resize(static_cast<std::size_t>(initial_));
    }

    // Current capacity (places, used or not).
    int capacity() const { return static_cast<int>(slots_.size()); }

    // Every number that holds a record, in ascending order.
    std::vector<int> numbers() const
    {
        std::vector<int> used;
        for (int i = 0; i < capacity(); ++i)
            if (slots_[static_cast<std::size_t>(i)])
                used.push_back(i);
        return used;
    }

    // Calls visit(record) for every record, in ascending number order; allocates nothing.
    template <class Visit>
    void for_each(Visit visit)
    {
        for (std::unique_ptr<Record>& slot : slots_)
            if (slot)
                visit(*slot);
    }

private:
    int initial_;                                 // starting capacity, places
    int step_;                                    // places added beyond a number that grows the table
    int limit_;                                   // highest number accepted
    std::vector<std::unique_ptr<Record>> slots_;  // index = number; null = no record
};

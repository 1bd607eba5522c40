// Tests of the numbered-object table shared by files, images, windows and controls: the bounds at both
// ends, growth to number + step and back by reset, and that every way a record leaves frees it.
#include "core/number_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A record that counts the live ones, so a leak or a double free shows.
struct Counted {
    static inline int live = 0;
    int tag = 0;
    Counted() { ++live; }
    ~Counted() { --live; }
};

TEST(NumberTable, RefusesNumbersOutsideZeroToLimitWithoutGrowing)
{
    Counted::live = 0;
    NumberTable<Counted> table(4, 3, 20);
    EXPECT_EQ(table.put(-1, std::make_unique<Counted>()), nullptr);
    EXPECT_EQ(table.put(21, std::make_unique<Counted>()), nullptr);
    EXPECT_EQ(table.make(21), nullptr);
    EXPECT_EQ(Counted::live, 0);  // a refused record is freed, not kept
    EXPECT_EQ(table.capacity(), 4);
    EXPECT_EQ(table.find(-1), nullptr);
    EXPECT_EQ(table.find(1000), nullptr);
    ASSERT_NE(table.make(20), nullptr);  // the limit itself is a valid number
    EXPECT_EQ(table.capacity(), 23);
    EXPECT_FALSE(table.accepts(-1));
    EXPECT_TRUE(table.accepts(0));
    EXPECT_EQ(NumberTable<Counted>(1, 1).accepts(NUMBER_LIMIT + 1), false);
}

TEST(NumberTable, GrowsToNumberPlusStepAndResetReturnsToTheStart)
{
    NumberTable<Counted> table(4, 3, 100);
    table.make(3);  // the last place: no growth
    EXPECT_EQ(table.capacity(), 4);
    table.make(4);  // the first number beyond
    EXPECT_EQ(table.capacity(), 7);
    table.make(10);
    EXPECT_EQ(table.capacity(), 13);
    table.release(10);
    table.release(99);                // beyond the capacity: nothing happens
    EXPECT_EQ(table.capacity(), 13);  // releasing never shrinks
    EXPECT_EQ(table.numbers(), (std::vector<int>{3, 4}));
    table.reset();
    EXPECT_EQ(table.capacity(), 4);
    EXPECT_TRUE(table.numbers().empty());
}

TEST(NumberTable, EveryWayOutFreesTheRecord)
{
    Counted::live = 0;
    {
        NumberTable<Counted> table(2, 2, 100);
        table.make(5)->tag = 1;
        table.put(5, std::make_unique<Counted>())->tag = 2;  // replacing frees the old record
        EXPECT_EQ(Counted::live, 1);
        EXPECT_EQ(table.find(5)->tag, 2);
        table.make(0)->tag = 3;
        table.make(1)->tag = 4;
        std::vector<int> seen;
        table.for_each([&seen](Counted& record) { seen.push_back(record.tag); });
        EXPECT_EQ(seen, (std::vector<int>{3, 4, 2}));  // ascending number order
        table.release(1);
        EXPECT_EQ(Counted::live, 2);
        table.release_all();
        EXPECT_EQ(Counted::live, 0);
        EXPECT_EQ(table.capacity(), 7);  // release_all keeps the places
        table.make(6);
    }
    EXPECT_EQ(Counted::live, 0);  // the table frees what it holds when it goes
}

}  // namespace

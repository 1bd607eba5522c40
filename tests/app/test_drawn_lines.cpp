// The lines noted in a run: a line is reported as drawn only when the very same line was noted in
// the same run; a full table and far ends only cost a redraw.
#include "app/view/drawn_lines.h"

#include <gtest/gtest.h>

TEST(DrawnLines, OnlyTheSameLineInTheSameRunIsSeen)
{
    DrawnLines drawn;
    drawn.start(100);
    EXPECT_FALSE(drawn.seen(3, 4, 10, 20));
    EXPECT_TRUE(drawn.seen(3, 4, 10, 20));
    struct Case {
        int x1, y1, x2, y2;
        const char* what;
    };
    const Case others[] = {{10, 20, 3, 4, "ends the other way round"}, {3, 4, 10, 21, "one end a pixel off"},
                           {-3, 4, 10, 20, "a negative coordinate"},   {3 + 65536, 4, 10, 20, "beyond 16 bits"},
                           {40000, 4, 10, 20, "far, first time"},      {40000, 4, 10, 20, "far, again"}};
    for (const Case& c : others)
        EXPECT_FALSE(drawn.seen(c.x1, c.y1, c.x2, c.y2)) << c.what;
    drawn.start(100);
    EXPECT_FALSE(drawn.seen(3, 4, 10, 20)) << "a new run";
}

// More lines than the table takes: each line is seen again only if it was noted, never one that
// was not, in this run or the next.
TEST(DrawnLines, AFullTableNeverReportsALineItDidNotNote)
{
    DrawnLines drawn;
    for (int run = 0; run < 2; ++run) {
        drawn.start(run == 0 ? 100000 : 100);
        constexpr int LINES = 40000;
        for (int n = 0; n < LINES; ++n)
            ASSERT_FALSE(drawn.seen(n % 200, n / 200 + run, 0, 0)) << n;
        int seen = 0;
        for (int n = 0; n < LINES; ++n)
            seen += drawn.seen(n % 200, n / 200 + run, 0, 0) ? 1 : 0;
        EXPECT_GT(seen, 0);
        EXPECT_LT(seen, LINES);
    }
}

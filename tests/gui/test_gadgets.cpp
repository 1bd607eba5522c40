// Controls: numbered tables, option groups, check boxes, string fields and program changes.
#include "gui_fixture.h"

namespace {

using Gadgets = GuiTest;

TEST_F(Gadgets, TablesGrowFromTheNumberByTheStep)
{
    EXPECT_EQ(win_table_capacity(), 16);
    EXPECT_EQ(gadget_table_capacity(), 50);
    EXPECT_NE(win_open(20, 0, 0, 10, 10, "W20", 0), 0);
    EXPECT_EQ(win_table_capacity(), 36);
    EXPECT_NE(gadget_button(50, 0, 0, 10, 10, "B"), 0);
    EXPECT_EQ(gadget_table_capacity(), 100);
    EXPECT_EQ(gadget_window(50), 20);  // the newest window is the container
    EXPECT_EQ(win_open(NUMBER_LIMIT + 1, 0, 0, 10, 10, "huge", 0), 0);
    EXPECT_EQ(gadget_button(NUMBER_LIMIT + 1, 0, 0, 10, 10, "huge"), 0);
}

TEST_F(Gadgets, ReusingANumberFreesTheOldObject)
{
    const std::intptr_t first = gadget_checkbox(4, 0, 0, 80, 20, "Old");
    gadget_set_state(4, 1);
    event_raise(EVENT_GADGET, 4, 0, 0);
    const std::intptr_t second = gadget_text(4, 0, 0, 80, 20, "New");
    EXPECT_NE(first, second);
    EXPECT_EQ(gadget_kind(4), GADGET_TEXT);
    EXPECT_EQ(gadget_get_text(4), "New");
    EXPECT_EQ(event_pending(), 0);  // the old control's event went with it

    const std::intptr_t window = win_handle(0);
    ASSERT_NE(win_open(0, 10, 10, 300, 200, "Again", 0), 0);
    EXPECT_NE(win_handle(0), window);
    EXPECT_EQ(gadget_kind(4), 0);  // controls went with the old window
}

TEST_F(Gadgets, MissingNumbersDoNothing)
{
    ASSERT_NE(gadget_button(1, 0, 0, 60, 20, "B"), 0);
    gadget_free(1);
    for (int number : {-1, -5, 1, 49, 50, 1000}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(gadget_kind(number), 0);
        EXPECT_EQ(gadget_get_state(number), 0);
        EXPECT_EQ(gadget_get_text(number), "");
        EXPECT_EQ(gadget_canvas_picture(number), nullptr);
        EXPECT_EQ(draw_canvas_output(number), nullptr);
        gadget_set_state(number, 1);
        gadget_set_text(number, "x");
        gadget_free(number);
        headless_click(number);
        EXPECT_EQ(win_handle(number), 0);
        EXPECT_EQ(win_get_title(number), "");
        win_set_title(number, "x");
        win_free(number);
    }
    EXPECT_EQ(event_pending(), 0);
}

TEST_F(Gadgets, NoContainerNoControl)
{
    win_free(0);
    EXPECT_EQ(gadget_button(1, 0, 0, 60, 20, "B"), 0);
    EXPECT_NE(win_open(2, 0, 0, 60, 20, "Tool", WIN_NO_CONTROLS), 0);
    EXPECT_EQ(gadget_button(1, 0, 0, 60, 20, "B"), 0);
}

TEST_F(Gadgets, OptionRunsFormGroups)
{
    gadget_option(1, 0, 0, 80, 20, "A");
    gadget_option(2, 0, 20, 80, 20, "B");
    gadget_button(3, 0, 40, 80, 20, "Button");
    gadget_option(4, 0, 60, 80, 20, "C");
    gadget_set_state(1, 1);
    gadget_set_state(4, 1);
    EXPECT_EQ(gadget_get_state(1), 1);  // another group: untouched
    gadget_set_state(2, 1);
    EXPECT_EQ(gadget_get_state(1), 0);
    EXPECT_EQ(gadget_get_state(2), 1);
    EXPECT_EQ(gadget_get_state(4), 1);
    EXPECT_EQ(event_pending(), 0);

    headless_click(1);
    EXPECT_EQ(gadget_get_state(1), 1);
    EXPECT_EQ(gadget_get_state(2), 0);
    EXPECT_EQ(gadget_get_state(4), 1);
    headless_click(1);  // clicking a checked option keeps it checked and still reports
    EXPECT_EQ(gadget_get_state(1), 1);
    EXPECT_EQ(drain(), (std::vector<std::array<int, 3>>{{EVENT_GADGET, 1, 0}}));  // merged

    gadget_set_state(1, 0);
    EXPECT_EQ(gadget_get_state(1), 0);
}

TEST_F(Gadgets, OptionGroupsFollowCreationOrderNotNumbers)
{
    // Created 3 then 2, as the viewer does; a label before them starts nothing of theirs.
    gadget_text(9, 0, 0, 80, 20, "Label");
    gadget_option(3, 0, 20, 80, 20, "Plan");
    gadget_option(2, 0, 40, 80, 20, "3D");
    gadget_option(20, 0, 60, 80, 20, "Third");
    gadget_set_state(3, 1);
    gadget_set_state(20, 1);
    EXPECT_EQ(gadget_get_state(3), 0);
    headless_click(2);
    EXPECT_EQ(gadget_get_state(2), 1);
    EXPECT_EQ(gadget_get_state(20), 0);
}

struct StateCase {
    std::uint32_t flags;
    int set;
    int expected;
};

TEST_F(Gadgets, CheckBoxStates)
{
    const StateCase cases[] = {
        {0, 1, 1},
        {0, 0, 0},
        {0, -1, 1},
        {0, 7, 1},
        {CHECKBOX_THREE_STATE, -1, -1},
        {CHECKBOX_THREE_STATE, 1, 1},
        {CHECKBOX_THREE_STATE, 0, 0},
        {CHECKBOX_THREE_STATE, 9, 1},
        {0x10, -1, 1},
    };
    for (const StateCase& c : cases) {
        gadget_checkbox(7, 0, 0, 80, 20, "Box", c.flags);
        gadget_set_state(7, c.set);
        EXPECT_EQ(gadget_get_state(7), c.expected) << c.flags << " " << c.set;
    }
    EXPECT_EQ(event_pending(), 0);
}

TEST_F(Gadgets, ClickingCycles)
{
    gadget_checkbox(7, 0, 0, 80, 20, "Two");
    gadget_checkbox(8, 0, 20, 80, 20, "Three", CHECKBOX_THREE_STATE);
    std::vector<int> two, three;
    for (int i = 0; i < 4; ++i) {
        headless_click(7);
        headless_click(8);
        two.push_back(gadget_get_state(7));
        three.push_back(gadget_get_state(8));
    }
    EXPECT_EQ(two, (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(three, (std::vector<int>{1, -1, 0, 1}));
    EXPECT_EQ(drain().size(), 8u);
}

TEST_F(Gadgets, StateOfKindsWithoutOne)
{
    gadget_text(1, 0, 0, 80, 20, "Label");
    gadget_string(2, 0, 20, 80, 20, "12");
    gadget_canvas(3, 0, 40, 80, 20);
    gadget_button(4, 0, 60, 80, 20, "Push");
    for (int number : {1, 2, 3, 4}) {
        gadget_set_state(number, 1);
        EXPECT_EQ(gadget_get_state(number), 0) << number;  // a plain push button has no state
    }
    EXPECT_EQ(gadget_get_text(3), "");
    gadget_set_text(3, "ignored");
    EXPECT_EQ(gadget_get_text(3), "");
}

TEST_F(Gadgets, ProgramTextChangesRaiseNoEvent)
{
    gadget_string(12, 0, 0, 80, 20, "1");
    gadget_set_text(12, "250");
    EXPECT_EQ(gadget_get_text(12), "250");
    EXPECT_NE(event_wait(), EVENT_GADGET);
    gadget_set_text(12, {});
    EXPECT_EQ(gadget_get_text(12), "");
    EXPECT_EQ(event_pending(), 0);
}

TEST_F(Gadgets, StringFieldReportsEveryChangeAndFocus)
{
    gadget_string(5, 0, 0, 80, 20, "");
    gadget_string(6, 0, 20, 80, 20, "");
    headless_focus(5, true);
    headless_type(5, "4");
    headless_type(5, "42");
    headless_focus(6, true);  // moves the focus away from 5
    headless_type(6, "x");
    headless_focus(6, false);
    EXPECT_EQ(gadget_get_text(5), "42");
    const std::vector<std::array<int, 3>> expected = {
        {EVENT_GADGET, 5, STRING_FOCUS}, {EVENT_GADGET, 5, STRING_CHANGE}, {EVENT_GADGET, 5, STRING_FOCUS_LOST},
        {EVENT_GADGET, 6, STRING_FOCUS}, {EVENT_GADGET, 6, STRING_CHANGE}, {EVENT_GADGET, 6, STRING_FOCUS_LOST},
    };
    EXPECT_EQ(drain(), expected);  // the two identical changes of 5 were merged
}

TEST_F(Gadgets, TitleAndFindByCaption)
{
    win_set_title(0, "KELVARO V.3.7 /data/a.txt");
    EXPECT_EQ(win_get_title(0), "KELVARO V.3.7 /data/a.txt");
    EXPECT_EQ(win_find("KELVARO V.3.7 /data/a.txt"), win_handle(0));
    EXPECT_EQ(win_find("Main"), 0);
}

TEST_F(Gadgets, WindowPlacement)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(win_outer_rect(win_handle(0), left, top, right, bottom));
    const std::array<int, 4> rect = {left, top, right, bottom};
    EXPECT_EQ(rect, (std::array<int, 4>{150, 150, 950, 650}));
    win_open(1, 10, 10, 400, 200, "Centred", WIN_CENTRE);
    ASSERT_TRUE(win_outer_rect(win_handle(1), left, top, right, bottom));
    EXPECT_EQ(left, (1920 - 400) / 2);
    EXPECT_EQ(bottom - top, 200);
    EXPECT_FALSE(win_outer_rect(12345, left, top, right, bottom));
}

}  // namespace

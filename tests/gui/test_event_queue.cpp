// The event queue: merging, suppression, removal, the wait's results, posting and the callback.
#include <thread>

#include "gui_fixture.h"

namespace {

using EventQueue = GuiTest;

struct MergeCase {
    const char* name;
    std::vector<std::array<int, 4>> raised;  // code, object, data, flags
    std::size_t pending;
};

TEST_F(EventQueue, MergesOnlyIdenticalTailEvents)
{
    const MergeCase cases[] = {
        {"same gadget and data", {{EVENT_GADGET, 4, 0, 0}, {EVENT_GADGET, 4, 0, 0}}, 1},
        {"different event between", {{EVENT_GADGET, 4, 0, 0}, {EVENT_GADGET, 5, 0, 0}, {EVENT_GADGET, 4, 0, 0}}, 3},
        {"different data", {{EVENT_GADGET, 4, STRING_CHANGE, 0}, {EVENT_GADGET, 4, STRING_FOCUS, 0}}, 2},
        {"no-merge flag", {{EVENT_GADGET, 4, 0, 0}, {EVENT_GADGET, 4, 0, EVENT_FLAG_NO_MERGE}}, 2},
        {"code above 0xFFFF", {{0x10000, 1, 0, 0}, {0x10000, 1, 0, 0}}, 2},
    };
    for (const MergeCase& c : cases) {
        event_clear();
        for (const auto& e : c.raised)
            event_raise(e[0], e[1], 0, e[2], static_cast<unsigned>(e[3]));
        EXPECT_EQ(static_cast<std::size_t>(event_pending()), c.pending) << c.name;
    }
}

TEST_F(EventQueue, TakenEventIsNotMergedWithNext)
{
    event_raise(EVENT_GADGET, 4, 0, 0);
    EXPECT_EQ(event_wait(), EVENT_GADGET);
    event_raise(EVENT_GADGET, 4, 0, 0);
    EXPECT_EQ(event_pending(), 1);
}

TEST_F(EventQueue, SuppressDropsAllButForcedEvents)
{
    {
        SuppressEvents quiet;
        event_raise(EVENT_GADGET, 1, 0, 0);
        event_raise(EVENT_GADGET, 2, 0, 0, EVENT_FLAG_ALWAYS);
        {
            SuppressEvents nested;
        }
        event_raise(EVENT_GADGET, 3, 0, 0);
    }
    event_raise(EVENT_GADGET, 4, 0, 0);
    const auto taken = drain();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0][1], 2);
    EXPECT_EQ(taken[1][1], 4);
}

TEST_F(EventQueue, OnlyNewestSizeEventOfAWindowStays)
{
    event_raise_size(0, false);
    event_raise(EVENT_GADGET, 7, 0, 0);
    event_raise_size(1, false);
    event_raise_size(0, false);
    EXPECT_EQ(event_pending(), 3);  // window 0's first size event is gone
    event_raise(EVENT_MAXIMIZE, 0, 0, 0);
    event_raise_size(0, true);
    EXPECT_EQ(event_pending(), 5);  // right after a maximise nothing is removed
    const auto taken = drain();
    EXPECT_EQ(taken[0][0], EVENT_GADGET);
}

TEST_F(EventQueue, WaitWithoutEventReturnsNoEventCode)
{
    const int result = event_wait();
    EXPECT_TRUE(result < EVENT_GADGET || result > EVENT_SIZE_WINDOW) << result;
    EXPECT_EQ(event_wait_timeout(0), 0);
    EXPECT_EQ(event_wait_timeout(50), 0);
    event_raise(EVENT_CLOSE_WINDOW, 0, 0, 0);
    EXPECT_EQ(event_wait_timeout(0), EVENT_CLOSE_WINDOW);
}

TEST_F(EventQueue, CurrentEventFields)
{
    EXPECT_EQ(event_data(), -1);
    event_raise(EVENT_GADGET, 9, 3, STRING_CHANGE);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    EXPECT_EQ(event_gadget(), 9);
    EXPECT_EQ(event_window(), 3);
    EXPECT_EQ(event_data(), STRING_CHANGE);
    EXPECT_EQ(event_canvas_input(), nullptr);
}

TEST_F(EventQueue, FreeingRemovesPendingEvents)
{
    ASSERT_NE(win_open(1, 0, 0, 100, 100, "Other", 0), 0);
    ASSERT_NE(gadget_button(5, 0, 0, 50, 20, "B"), 0);
    event_raise(EVENT_GADGET, 5, 1, 0);
    event_raise(EVENT_CLOSE_WINDOW, 0, 0, 0);
    event_raise(EVENT_MOVE_WINDOW, 0, 1, 0);
    ASSERT_NE(gadget_button(6, 0, 0, 50, 20, "C"), 0);
    event_raise(EVENT_GADGET, 6, 1, 0);
    gadget_free(6);
    EXPECT_EQ(event_pending(), 3);
    win_free(1);
    const auto taken = drain();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0][0], EVENT_CLOSE_WINDOW);
    EXPECT_EQ(gadget_kind(5), 0);  // went with its window
}

TEST_F(EventQueue, PostedEventArrivesEvenWhileSuppressed)
{
    std::thread poster([] { event_post(EVENT_MENU, 42, 0, 7); });
    poster.join();
    SuppressEvents quiet;
    ASSERT_EQ(event_wait(), EVENT_MENU);
    EXPECT_EQ(event_gadget(), 42);
    EXPECT_EQ(event_data(), 7);
}

TEST_F(EventQueue, DelayIsRecordedNotSlept)
{
    event_delay(10);
    event_delay(250);
    EXPECT_EQ(headless_delays(), (std::vector<int>{10, 250}));
}

std::vector<std::uint32_t> seen;
std::uint32_t take_close(std::intptr_t, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    seen.push_back(message);
    return message == WIN_MESSAGE_CLOSE ? 0 : DEFAULT_CALLBACK_RESULT;
}
std::uint32_t pass_all(std::intptr_t window, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    EXPECT_EQ(window, win_handle(0));
    seen.push_back(message);
    return DEFAULT_CALLBACK_RESULT;
}

TEST_F(EventQueue, CallbackSeesMessagesFirst)
{
    seen.clear();
    win_set_callback(pass_all);
    headless_expose(0);
    headless_close(0);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{WIN_MESSAGE_PAINT, WIN_MESSAGE_CLOSE}));
    ASSERT_EQ(event_wait(), EVENT_CLOSE_WINDOW);
    EXPECT_EQ(event_window(), 0);
    EXPECT_NE(win_handle(0), 0);  // the window stays open

    seen.clear();
    win_set_callback(take_close);
    headless_close(0);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{WIN_MESSAGE_CLOSE}));
    EXPECT_EQ(event_pending(), 0);  // the callback handled it
}

TEST_F(EventQueue, ControlCommandPassesTheCallback)
{
    seen.clear();
    win_set_callback(pass_all);
    ASSERT_NE(gadget_button(3, 0, 0, 60, 20, "Go"), 0);
    headless_click(3);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{WIN_MESSAGE_COMMAND}));
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    EXPECT_EQ(event_gadget(), 3);
    EXPECT_EQ(event_data(), 0);
}

}  // namespace

// Background tasks: a run that ends within the wait posts nothing; a longer one ends through the
// event queue, and only the current run's end is taken.
#include <atomic>
#include <chrono>
#include <thread>

#include "gui/background_task.h"
#include "gui_fixture.h"

namespace {

using BackgroundTaskTest = GuiTest;

// The data of the next EVENT_TASK_DONE within milliseconds, -1 when none comes.
int task_done(int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (event_wait_timeout(0) == EVENT_TASK_DONE)
            return event_data();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

TEST_F(BackgroundTaskTest, OnlyTheEndOfTheCurrentBackgroundRunIsDelivered)
{
    BackgroundTask task(3);
    std::atomic<bool> release{false};
    std::atomic<int> returned{0};
    const BackgroundTask::Work held = [&](const std::atomic<bool>& stop, std::atomic<std::int64_t>& progress) {
        progress = 7;
        while (!stop && !release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++returned;
    };
    EXPECT_TRUE(task.start([](const std::atomic<bool>&, std::atomic<std::int64_t>&) {}, 60000));
    EXPECT_FALSE(task.running());

    ASSERT_FALSE(task.start(held, 0));
    ASSERT_FALSE(task.start(held, 0));  // stops and replaces the first run
    EXPECT_EQ(returned, 1);
    EXPECT_TRUE(task.running());
    release = true;
    const int serial = task_done(10000);
    ASSERT_NE(serial, -1) << "the end never came";
    EXPECT_EQ(event_gadget(), 3);
    EXPECT_EQ(task.progress(), 7);
    EXPECT_FALSE(task.take_done(serial - 1)) << "the replaced run's serial";
    EXPECT_TRUE(task.take_done(serial));
    EXPECT_FALSE(task.running());
    EXPECT_EQ(task_done(50), -1) << "one end only, and none for the run that ended in the wait";
    EXPECT_EQ(returned, 2);
}

}  // namespace

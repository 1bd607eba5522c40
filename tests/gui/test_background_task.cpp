// Background tasks: a run that ends within the wait is as if it ran in place (no event); a longer
// one ends through the event queue; a stopped or replaced run never delivers its end.
#include <atomic>
#include <chrono>
#include <thread>

#include "gui/background_task.h"
#include "gui_fixture.h"

namespace {

using BackgroundTaskTest = GuiTest;

// Work that reports progress until stop is set or release is; then returns.
BackgroundTask::Work held_work(const std::atomic<bool>& release, std::atomic<int>& returned)
{
    return [&release, &returned](const std::atomic<bool>& stop, std::atomic<std::int64_t>& progress) {
        while (!stop && !release) {
            progress = 7;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ++returned;
    };
}

// Takes events until EVENT_TASK_DONE comes (its data) or the time is up (-1).
int wait_for_done(int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (event_wait_timeout(10) == EVENT_TASK_DONE)
            return event_data();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

TEST_F(BackgroundTaskTest, WorkWithinTheWaitEndsInPlaceAndPostsNothing)
{
    BackgroundTask task(3);
    std::thread::id ran_on;
    for (const int wait_ms : {-1, 60000}) {
        int runs = 0;
        EXPECT_TRUE(task.start(
            [&](const std::atomic<bool>&, std::atomic<std::int64_t>& progress) {
                ran_on = std::this_thread::get_id();
                progress = 5;
                ++runs;
            },
            wait_ms))
            << wait_ms;
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(task.running());
        EXPECT_EQ(task.progress(), 5);
        EXPECT_EQ(ran_on == std::this_thread::get_id(), wait_ms < 0) << "a negative wait runs here";
    }
    EXPECT_EQ(wait_for_done(50), -1) << "an end taken in place is not posted";
}

TEST_F(BackgroundTaskTest, LongWorkEndsThroughTheQueueAndOnlyTheCurrentRunIsTaken)
{
    BackgroundTask task(3);
    std::atomic<bool> release{false};
    std::atomic<int> returned{0};
    ASSERT_FALSE(task.start(held_work(release, returned), 0));
    EXPECT_TRUE(task.running());
    while (task.progress() != 7)
        std::this_thread::yield();
    release = true;
    const int serial = wait_for_done(10000);
    ASSERT_NE(serial, -1) << "the end never came";
    EXPECT_EQ(event_gadget(), 3);
    EXPECT_FALSE(task.take_done(serial + 1)) << "another run's end";
    EXPECT_TRUE(task.running());
    EXPECT_TRUE(task.take_done(serial));
    EXPECT_FALSE(task.running());
    EXPECT_FALSE(task.take_done(serial)) << "taken twice";
    EXPECT_EQ(returned, 1);
}

TEST_F(BackgroundTaskTest, AStoppedOrReplacedRunDeliversNothing)
{
    BackgroundTask task(3);
    std::atomic<bool> release{false};
    std::atomic<int> returned{0};
    ASSERT_FALSE(task.start(held_work(release, returned), 0));
    task.stop();
    EXPECT_EQ(returned, 1) << "stop waits for the work";
    EXPECT_FALSE(task.running());
    ASSERT_FALSE(task.start(held_work(release, returned), 0));
    ASSERT_FALSE(task.start(held_work(release, returned), 0));  // the second replaces the first
    EXPECT_EQ(returned, 2);
    release = true;
    const int serial = wait_for_done(10000);
    ASSERT_NE(serial, -1);
    EXPECT_TRUE(task.take_done(serial));
    EXPECT_EQ(wait_for_done(50), -1) << "only the last run ends through the queue";
    EXPECT_EQ(returned, 3);
}

}  // namespace

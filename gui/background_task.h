// Work done on a thread beside the event loop, so that the windows keep repainting and answering
// while it runs.
//
// The work gets a stop flag it checks now and then and a counter it reports its progress in (bytes
// read, say). The caller may first wait a while for the work to end, as if it had run in place;
// once that wait is over, the end of the work arrives as EVENT_TASK_DONE on the event queue of the
// thread that ran event_init (object = the task's number, data = the run's serial), so its result
// is taken on the event loop's thread. A task that is stopped, restarted or destroyed never
// delivers the end of an earlier run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

constexpr int EVENT_TASK_DONE = 13133;  // a background task's work has returned

class BackgroundTask {
public:
    using Work = std::function<void(const std::atomic<bool>& stop, std::atomic<std::int64_t>& progress)>;

    explicit BackgroundTask(int number) : number_(number) {}
    ~BackgroundTask() { stop(); }
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Starts work on a new thread (a run still going is stopped first) and waits up to
    // wait_ms for it to return: true when it has (no event follows then), false when it goes on
    // in the background. wait_ms < 0 runs the work here on the calling thread and gives true.
    bool start(Work work, int wait_ms);
    // True while a run that went on in the background has not been taken by take_done.
    bool running() const { return in_background_; }
    // The progress counter of the current run.
    std::int64_t progress() const { return progress_.load(); }
    // Whether an EVENT_TASK_DONE with data serial ends the current background run; if so the
    // thread is joined and the run taken (running() is false afterwards).
    bool take_done(int serial);
    // Asks the current run to stop and waits for its thread; no event for it follows.
    void stop();

private:
    int number_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> progress_{0};
    std::mutex lock_;
    std::condition_variable ended_;
    bool done_ = false;           // the work has returned (guarded by lock_)
    bool post_end_ = false;       // the caller went on: the end is to be posted (guarded by lock_)
    int serial_ = 0;              // serial of the current run
    bool in_background_ = false;  // the current run was left to the background
};

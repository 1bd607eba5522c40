// Background tasks: one thread per run, its end posted to the event loop.
#include "gui/background_task.h"

#include <chrono>
#include <utility>

#include "gui/window.h"

bool BackgroundTask::start(Work work, int wait_ms)
{
    stop();
    stop_ = false;
    progress_ = 0;
    ++serial_;
    if (wait_ms < 0) {
        work(stop_, progress_);
        return true;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        done_ = false;
        post_end_ = false;
    }
    const int serial = serial_;
    thread_ = std::thread([this, serial, work = std::move(work)] {
        work(stop_, progress_);
        std::lock_guard<std::mutex> guard(lock_);
        done_ = true;
        if (post_end_)
            event_post(EVENT_TASK_DONE, number_, 0, serial);
        ended_.notify_all();
    });
    std::unique_lock<std::mutex> guard(lock_);
    if (ended_.wait_for(guard, std::chrono::milliseconds(wait_ms), [this] { return done_; })) {
        guard.unlock();
        thread_.join();
        return true;
    }
    post_end_ = true;
    in_background_ = true;
    return false;
}

bool BackgroundTask::take_done(int serial)
{
    if (!in_background_ || serial != serial_)
        return false;
    if (thread_.joinable())
        thread_.join();
    in_background_ = false;
    return true;
}

void BackgroundTask::stop()
{
    stop_ = true;
    {
        std::lock_guard<std::mutex> guard(lock_);
        post_end_ = false;
    }
    if (thread_.joinable())
        thread_.join();
    in_background_ = false;
}

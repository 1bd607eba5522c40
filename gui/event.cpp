// The per-thread event queue, the current event, the event wait and the posted-event route.
//
// State: this thread's FIFO of pending events, its current event and its suppress counter
// (thread-local); the posted-event list shared between threads (guarded by a mutex) and the
// thread that owns it (the one that ran event_init).
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "gui/platform.h"
#include "gui/runtime.h"

namespace {

struct EventNode {
    int code = 0;
    int object = 0;
    int window = 0;
    int data = -1;
    unsigned flags = 0;
    std::optional<CanvasInput> input;  // attached block of a canvas event
};

struct EventBlock {
    std::deque<EventNode> queue;  // pending events, oldest first
    EventNode current;            // the event taken last by event_wait
    int suppress = 0;             // > 0: raised events are dropped
};

thread_local EventBlock events;

struct PostRoute {
    std::mutex lock;
    std::vector<EventNode> posted;         // events posted and not yet taken into a queue
    std::optional<std::thread::id> owner;  // the thread whose queue receives them
};

PostRoute& post_route()
{
    static PostRoute route;
    return route;
}

// Moves events posted from other threads into this thread's queue when it owns the route.
void take_posted()
{
    PostRoute& route = post_route();
    std::vector<EventNode> taken;
    {
        std::lock_guard<std::mutex> guard(route.lock);
        if (route.posted.empty() || (route.owner && *route.owner != std::this_thread::get_id()))
            return;
        taken.swap(route.posted);
    }
    for (const EventNode& node : taken)
        event_raise(node.code, node.object, node.window, node.data, node.flags);
}

// Makes the oldest pending event current and returns its code (0 when the queue is empty).
int take_next()
{
    take_posted();
    if (events.queue.empty())
        return 0;
    events.current = std::move(events.queue.front());
    events.queue.pop_front();
    return events.current.code;
}

}  // namespace

void event_raise(int code, int object, int window, int data, unsigned flags, const CanvasInput* input)
{
    if (events.suppress > 0 && !(flags & EVENT_FLAG_ALWAYS))
        return;
    if (!events.queue.empty() && code <= 0xFFFF && !(flags & EVENT_FLAG_NO_MERGE)) {
        const EventNode& tail = events.queue.back();
        if (tail.code == code && tail.object == object && tail.window == window && tail.data == data)
            return;
    }
    EventNode node{code, object, window, data, flags, std::nullopt};
    if (input)
        node.input = *input;
    events.queue.push_back(std::move(node));
}

void event_raise_size(int window, bool after_maximise)
{
    if (events.suppress > 0)
        return;
    if (!after_maximise)
        std::erase_if(events.queue, [window](const EventNode& node) {
            return node.code == EVENT_SIZE_WINDOW && node.window == window;
        });
    event_raise(EVENT_SIZE_WINDOW, 0, window, 0);
}

void event_remove_window(int window)
{
    std::erase_if(events.queue, [window](const EventNode& node) { return node.window == window; });
}

void event_remove_gadget(int number)
{
    std::erase_if(events.queue,
                  [number](const EventNode& node) { return node.code == EVENT_GADGET && node.object == number; });
}

int event_pending()
{
    return static_cast<int>(events.queue.size());
}

void event_clear()
{
    events.queue.clear();
    events.current = EventNode{};
}

SuppressEvents::SuppressEvents()
{
    ++events.suppress;
}

SuppressEvents::~SuppressEvents()
{
    --events.suppress;
}

void event_init()
{
    PostRoute& route = post_route();
    std::lock_guard<std::mutex> guard(route.lock);
    route.owner = std::this_thread::get_id();
    route.posted.clear();
}

void event_end()
{
    PostRoute& route = post_route();
    {
        std::lock_guard<std::mutex> guard(route.lock);
        route.owner.reset();
        route.posted.clear();
    }
    event_clear();
}

int event_wait()
{
    if (int code = take_next())
        return code;
    platform().wait(-1);
    return EVENT_PLATFORM_MESSAGE;
}

int event_wait_timeout(int milliseconds)
{
    if (int code = take_next())
        return code;
    if (milliseconds <= 0)
        return platform().wait(0) ? EVENT_PLATFORM_MESSAGE : 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return 0;
        if (platform().wait(static_cast<int>(left)))
            return EVENT_PLATFORM_MESSAGE;
        // A backend without messages returns at once; do not spin until the deadline.
        if (&platform() == &headless_platform())
            return 0;
    }
}

int event_gadget()
{
    return events.current.object;
}

int event_window()
{
    return events.current.window;
}

int event_data()
{
    return events.current.data;
}

const CanvasInput* event_canvas_input()
{
    return events.current.input ? &*events.current.input : nullptr;
}

void event_delay(int milliseconds)
{
    platform().delay(milliseconds);
}

void event_post(int code, int object, int window, int data)
{
    PostRoute& route = post_route();
    {
        std::lock_guard<std::mutex> guard(route.lock);
        route.posted.push_back(EventNode{code, object, window, data, EVENT_FLAG_ALWAYS, {}});
    }
    platform().wake();
}

void Platform::delay(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

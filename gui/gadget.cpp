// Numbered controls: creation of every kind, state and text, option groups and clicks.
//
// State: the control table (50 entries, growing by 50; GUI thread), a creation counter giving
// the sibling order, and per thread whether the last control created was an option button (an
// option run forms one group). Program changes run with events suppressed.
#include <algorithm>
#include <utility>
#include <vector>

#include "core/number_table.h"
#include "gui/gadget_record.h"
#include "gui/platform.h"
#include "gui/runtime.h"

namespace {

NumberTable<ControlRecord>& controls()
{
    static NumberTable<ControlRecord> table(50, 50);
    return table;
}

std::uint64_t next_sequence = 1;         // sibling order of the next control
thread_local bool after_option = false;  // the control created last was an option button

// The canvas picture for a control of width x height: 4 less each way with flag 1, at least 1 x 1,
// filled with white. nullptr when it cannot be made.
std::shared_ptr<Picture> make_canvas_picture(int width, int height, std::uint32_t flags)
{
    if (flags & 1) {
        width -= 4;
        height -= 4;
    }
    auto picture = std::make_shared<Picture>();
    if (!picture_make(*picture, std::max(width, 1), std::max(height, 1), 24))
        return nullptr;
    std::fill(picture->bits.begin(), picture->bits.end(), std::uint8_t{255});
    return picture;
}

std::intptr_t gadget_create(int kind, int number, int x, int y, int width, int height, std::string_view text,
                            std::uint32_t flags)
{
    const int window = win_container();
    if (!controls().accepts(number) || window < 0)
        return 0;
    gadget_free(number);
    ControlRecord* record = controls().make(number);
    if (!record)
        return 0;
    record->kind = kind;
    record->window = window;
    record->sequence = next_sequence++;
    record->group_start = kind != GADGET_OPTION || !after_option;
    record->three_state = kind == GADGET_CHECKBOX && (flags & CHECKBOX_THREE_STATE) == CHECKBOX_THREE_STATE;
    record->flags = flags;
    record->x = x;
    record->y = y;
    record->width = width;
    record->height = height;
    if (kind == GADGET_CANVAS) {
        record->picture = make_canvas_picture(width, height, flags);
        if (!record->picture) {
            controls().release(number);
            return 0;
        }
    }
    ControlSpec spec;
    spec.number = number;
    spec.kind = kind;
    spec.window = win_handle(window);
    spec.x = x;
    spec.y = y;
    spec.width = width;
    spec.height = height;
    spec.text = std::string(text);
    spec.flags = flags;
    spec.picture = record->picture.get();
    {
        SuppressEvents quiet;
        record->handle = platform().control_create(spec);
    }
    if (!record->handle) {
        controls().release(number);
        return 0;
    }
    after_option = kind == GADGET_OPTION;
    return record->handle;
}

// The controls of window in sibling (creation) order.
std::vector<int> siblings(int window)
{
    std::vector<int> result;
    for (int number : controls().numbers())
        if (controls().find(number)->window == window)
            result.push_back(number);
    std::sort(result.begin(), result.end(),
              [](int a, int b) { return controls().find(a)->sequence < controls().find(b)->sequence; });
    return result;
}

// Checks option number and clears the other options of its group (events suppressed).
void option_select(int number)
{
    const ControlRecord* record = controls().find(number);
    const std::vector<int> order = siblings(record->window);
    auto at = std::find(order.begin(), order.end(), number);
    auto first = at;
    while (first != order.begin() && !controls().find(*first)->group_start)
        --first;
    SuppressEvents quiet;
    for (auto it = first; it != order.end(); ++it) {
        const ControlRecord* sibling = controls().find(*it);
        if (sibling->kind != GADGET_OPTION || (it != first && sibling->group_start))
            break;
        if (*it != number)
            platform().control_set_checked(sibling->handle, 0);
    }
    platform().control_set_checked(record->handle, 1);
}

// Sends a control's notification through its window's callback and queues EVENT_GADGET.
void report_command(const ControlRecord& record, int number, int data)
{
    const int window = record.window;  // the callback may free the control
    if (win_callback_message(window, WIN_MESSAGE_COMMAND, static_cast<std::uintptr_t>(number), data))
        event_raise(EVENT_GADGET, number, window, data);
}

}  // namespace

ControlRecord* control_record(int number)
{
    return controls().find(number);
}

void gadget_init()
{
    controls();
    after_option = false;
}

void gadget_end()
{
    for (int number : controls().numbers())
        gadget_free(number);
    controls().reset();
    after_option = false;
}

std::intptr_t gadget_button(int number, int x, int y, int width, int height, std::string_view text, std::uint32_t flags)
{
    return gadget_create(GADGET_BUTTON, number, x, y, width, height, text, flags);
}

std::intptr_t gadget_checkbox(int number, int x, int y, int width, int height, std::string_view text,
                              std::uint32_t flags)
{
    return gadget_create(GADGET_CHECKBOX, number, x, y, width, height, text, flags);
}

std::intptr_t gadget_option(int number, int x, int y, int width, int height, std::string_view text, std::uint32_t flags)
{
    return gadget_create(GADGET_OPTION, number, x, y, width, height, text, flags);
}

std::intptr_t gadget_text(int number, int x, int y, int width, int height, std::string_view text, std::uint32_t flags)
{
    return gadget_create(GADGET_TEXT, number, x, y, width, height, text, flags);
}

std::intptr_t gadget_string(int number, int x, int y, int width, int height, std::string_view text, std::uint32_t flags)
{
    return gadget_create(GADGET_STRING, number, x, y, width, height, text, flags);
}

std::intptr_t gadget_canvas(int number, int x, int y, int width, int height, std::uint32_t flags)
{
    return gadget_create(GADGET_CANVAS, number, x, y, width, height, "", flags);
}

void gadget_free(int number)
{
    ControlRecord* record = controls().find(number);
    if (!record)
        return;
    const std::intptr_t handle = record->handle;
    controls().release(number);
    event_remove_gadget(number);
    platform().control_destroy(handle);
}

bool gadget_resize(int number, int x, int y, int width, int height)
{
    ControlRecord* record = controls().find(number);
    if (!record)
        return false;
    if (record->kind == GADGET_CANVAS) {
        std::shared_ptr<Picture> picture = make_canvas_picture(width, height, record->flags);
        if (!picture)
            return false;
        record->picture = std::move(picture);
    }
    record->x = x;
    record->y = y;
    record->width = width;
    record->height = height;
    SuppressEvents quiet;
    platform().control_resize(record->handle, x, y, width, height, record->picture.get());
    return true;
}

namespace {

// A geometry field of control number's record, 0 when there is none.
int record_field(int number, int ControlRecord::*field)
{
    const ControlRecord* record = controls().find(number);
    return record ? record->*field : 0;
}

}  // namespace

int gadget_x(int number)
{
    return record_field(number, &ControlRecord::x);
}

int gadget_y(int number)
{
    return record_field(number, &ControlRecord::y);
}

int gadget_width(int number)
{
    return record_field(number, &ControlRecord::width);
}

int gadget_height(int number)
{
    return record_field(number, &ControlRecord::height);
}

void gadget_free_window(int window)
{
    for (int number : controls().numbers())
        if (controls().find(number)->window == window)
            gadget_free(number);
}

int gadget_kind(int number)
{
    const ControlRecord* record = controls().find(number);
    return record ? record->kind : 0;
}

int gadget_get_state(int number)
{
    const ControlRecord* record = controls().find(number);
    if (!record)
        return 0;
    switch (record->kind) {
    case GADGET_BUTTON:
        // Only a button made with a check style (flags low bits) has a checked state.
        if ((record->flags & 0xF) == 0)
            return 0;
        return platform().control_get_checked(record->handle) == 1 ? 1 : 0;
    case GADGET_OPTION:
        return platform().control_get_checked(record->handle) == 1 ? 1 : 0;
    case GADGET_CHECKBOX:
        if (record->three_state)
            return record->tri_state;
        return platform().control_get_checked(record->handle) == 1 ? 1 : 0;
    default:
        return 0;
    }
}

void gadget_set_state(int number, int state)
{
    ControlRecord* record = controls().find(number);
    if (!record)
        return;
    SuppressEvents quiet;
    switch (record->kind) {
    case GADGET_BUTTON:
        platform().control_set_checked(record->handle, state != 0 ? 1 : 0);
        break;
    case GADGET_CHECKBOX:
        if (record->three_state) {
            record->tri_state = state == 0 ? 0 : state == -1 ? -1 : 1;
            platform().control_set_checked(record->handle, record->tri_state == -1 ? 2 : record->tri_state);
        } else {
            platform().control_set_checked(record->handle, state != 0 ? 1 : 0);
        }
        break;
    case GADGET_OPTION:
        if (state == 0)
            platform().control_set_checked(record->handle, 0);
        else
            option_select(number);
        break;
    default:
        break;
    }
}

std::string gadget_get_text(int number)
{
    const ControlRecord* record = controls().find(number);
    if (!record || record->kind == GADGET_CANVAS)
        return {};
    return platform().control_get_text(record->handle);
}

void gadget_set_text(int number, std::string_view text)
{
    const ControlRecord* record = controls().find(number);
    if (!record || record->kind == GADGET_CANVAS)
        return;
    SuppressEvents quiet;
    platform().control_set_text(record->handle, text);
}

Picture* gadget_canvas_picture(int number)
{
    const ControlRecord* record = controls().find(number);
    return record && record->kind == GADGET_CANVAS ? record->picture.get() : nullptr;
}

std::intptr_t gadget_handle(int number)
{
    const ControlRecord* record = controls().find(number);
    return record ? record->handle : 0;
}

int gadget_window(int number)
{
    const ControlRecord* record = controls().find(number);
    return record ? record->window : -1;
}

int gadget_table_capacity()
{
    return controls().capacity();
}

void gadget_report_click(int number)
{
    ControlRecord* record = controls().find(number);
    if (!record)
        return;
    if (record->kind == GADGET_CHECKBOX && record->three_state) {
        // Unchecked -> checked -> third state -> unchecked.
        const int next = record->tri_state == 0 ? 1 : record->tri_state == 1 ? -1 : 0;
        gadget_set_state(number, next);
    } else if (record->kind == GADGET_OPTION) {
        option_select(number);
    } else if (record->kind != GADGET_BUTTON && record->kind != GADGET_CHECKBOX) {
        return;
    }
    report_command(*record, number, 0);
}

void gadget_report_string(int number, int notification)
{
    const ControlRecord* record = controls().find(number);
    if (record && record->kind == GADGET_STRING)
        report_command(*record, number, notification);
}

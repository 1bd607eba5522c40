// Numbered top-level windows and the window callback.
//
// State: the window table (16 entries, growing by 16; GUI thread), and per thread the window
// callback and the current container for new controls. A window's messages reach the program's
// callback first; DEFAULT_CALLBACK_RESULT lets the runtime turn them into events.
#include <string>

#include "core/number_table.h"
#include "gui/platform.h"
#include "gui/runtime.h"

namespace {

struct WindowRecord {
    std::intptr_t handle = 0;  // the platform window
    std::string title;         // current caption
    std::uint32_t flags = 0;   // win_open flags
    bool active = false;       // creation finished
};

NumberTable<WindowRecord>& windows()
{
    static NumberTable<WindowRecord> table(16, 16);
    return table;
}

thread_local WinCallback callback = nullptr;  // the thread-wide window callback
thread_local int container = -1;              // window number receiving new controls

// Works out the platform's window description from win_open's flags.
WindowSpec window_spec(int number, int x, int y, int width, int height, std::string_view title, std::uint32_t flags)
{
    std::uint32_t style = flags;
    // Without any style bit of its own, a window gets a caption.
    if ((flags & ~(WIN_CENTRE | WIN_CENTRE_PARENT | WIN_NO_CONTROLS | WIN_INVISIBLE)) == 0)
        style |= WIN_CAPTION;
    if (flags & WIN_TOOL) {
        style &= ~(WIN_MINIMISE_BOX | WIN_MAXIMISE_BOX | WIN_SHOW_MAXIMISED | WIN_SHOW_MINIMISED);
        style |= WIN_CAPTION;
    }
    WindowSpec spec;
    spec.number = number;
    spec.x = x;
    spec.y = y;
    spec.width = width;
    spec.height = height;
    spec.title = std::string(title);
    spec.centre = (flags & (WIN_CENTRE | WIN_CENTRE_PARENT)) != 0;
    spec.default_position = !spec.centre && (x == WIN_DEFAULT_POSITION || y == WIN_DEFAULT_POSITION);
    spec.caption = (style & WIN_CAPTION) == WIN_CAPTION;
    spec.system_menu = (style & WIN_SYSTEM_MENU) != 0;
    spec.minimise_box = (style & WIN_MINIMISE_BOX) != 0;
    spec.maximise_box = (style & WIN_MAXIMISE_BOX) != 0;
    spec.sizing_border = (style & WIN_SIZING_BORDER) != 0;
    spec.tool = (flags & WIN_TOOL) != 0;
    spec.visible = (flags & WIN_INVISIBLE) == 0;
    spec.show = (style & WIN_SHOW_MAXIMISED) ? 1 : (style & WIN_SHOW_MINIMISED) ? 2 : 0;
    spec.activate = (flags & WIN_SHOW_NO_ACTIVATE) == 0;
    return spec;
}

}  // namespace

void win_init()
{
    windows();
}

void win_end()
{
    for (int number : windows().numbers())
        win_free(number);
    windows().reset();
    container = -1;
}

std::intptr_t win_open(int number, int x, int y, int inner_width, int inner_height, std::string_view title,
                       std::uint32_t flags)
{
    if (!windows().accepts(number) || inner_width < 0 || inner_height < 0)
        return 0;
    win_free(number);
    WindowRecord* record = windows().make(number);
    if (!record)
        return 0;
    const WindowSpec spec = window_spec(number, x, y, inner_width, inner_height, title, flags);
    record->handle = platform().window_create(spec);
    if (!record->handle) {
        windows().release(number);
        return 0;
    }
    record->title = spec.title;
    record->flags = flags;
    record->active = true;
    if (!(flags & WIN_NO_CONTROLS))
        container = number;
    return record->handle;
}

void win_free(int number)
{
    WindowRecord* record = windows().find(number);
    if (!record)
        return;
    gadget_free_window(number);
    const std::intptr_t handle = record->handle;
    windows().release(number);
    event_remove_window(number);
    if (container == number)
        container = -1;
    platform().window_destroy(handle);
}

void win_set_title(int number, std::string_view title)
{
    WindowRecord* record = windows().find(number);
    if (!record)
        return;
    record->title = std::string(title);
    platform().window_set_title(record->handle, record->title);
}

bool win_inner_size(int number, int& width, int& height)
{
    const WindowRecord* record = windows().find(number);
    return record && platform().window_inner_size(record->handle, width, height);
}

void win_resize(int number, int width, int height)
{
    const WindowRecord* record = windows().find(number);
    if (record && width > 0 && height > 0)
        platform().window_resize(record->handle, width, height);
}

void win_move(int number, int x, int y)
{
    if (const WindowRecord* record = windows().find(number))
        platform().window_move(record->handle, x, y);
}

std::string win_get_title(int number)
{
    const WindowRecord* record = windows().find(number);
    return record ? record->title : std::string();
}

std::intptr_t win_handle(int number)
{
    const WindowRecord* record = windows().find(number);
    return record ? record->handle : 0;
}

void win_set_callback(WinCallback procedure)
{
    callback = procedure;
}

int win_number(std::intptr_t handle)
{
    if (!handle)
        return -1;
    for (int number : windows().numbers())
        if (windows().find(number)->handle == handle)
            return number;
    return -1;
}

int win_container()
{
    return windows().find(container) ? container : -1;
}

int win_table_capacity()
{
    return windows().capacity();
}

bool win_callback_message(int number, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)
{
    const WindowRecord* record = windows().find(number);
    if (!record)
        return false;
    if (!callback || !record->active)
        return true;
    return callback(record->handle, message, wparam, lparam) == DEFAULT_CALLBACK_RESULT;
}

void win_report_paint(int number)
{
    win_callback_message(number, WIN_MESSAGE_PAINT, 0, 0);
}

void win_report_size(int number)
{
    if (windows().find(number))
        event_raise_size(number, false);
}

void win_report_close(int number)
{
    if (win_callback_message(number, WIN_MESSAGE_CLOSE, 0, 0))
        event_raise(EVENT_CLOSE_WINDOW, 0, number, 0);
}

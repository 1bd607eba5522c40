// Runtime internals shared by the gui/ files and the backends: raising and removing events, and
// the entry points through which a backend reports what the user did (a click, an edit, a close
// request, a repaint request, canvas input). Not for the program's own code.
#pragma once

#include <cstdint>
#include <string_view>

#include "gui/gadget.h"
#include "gui/window.h"

// event_raise flags.
constexpr unsigned EVENT_FLAG_ALWAYS = 1;    // queued even while events are suppressed
constexpr unsigned EVENT_FLAG_NO_MERGE = 2;  // never merged with the tail event

// Queues an event on this thread's queue (dropped while suppressed unless EVENT_FLAG_ALWAYS; an
// identical tail event with a code up to 0xFFFF absorbs it unless EVENT_FLAG_NO_MERGE). input,
// when given, is attached to the event (canvas input).
void event_raise(int code, int object, int window, int data, unsigned flags = 0, const CanvasInput* input = nullptr);
// Queues EVENT_SIZE_WINDOW for window after removing its pending ones (kept when after_maximise).
void event_raise_size(int window, bool after_maximise);
// Removes every pending event of window number.
void event_remove_window(int window);
// Removes every pending EVENT_GADGET of control number.
void event_remove_gadget(int number);
// Number of pending events on this thread's queue.
int event_pending();
// Drops every pending event and the current event of this thread.
void event_clear();

// Raises the suppress counter for its lifetime: events raised meanwhile are dropped.
class SuppressEvents {
public:
    SuppressEvents();
    ~SuppressEvents();
    SuppressEvents(const SuppressEvents&) = delete;
    SuppressEvents& operator=(const SuppressEvents&) = delete;
};

// The number of the window whose platform handle is handle, -1 if none.
int win_number(std::intptr_t handle);
// Passes a message to the window callback; true when the runtime should handle it as usual.
bool win_callback_message(int number, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
// The platform asks window number to repaint (the callback sees WIN_MESSAGE_PAINT).
void win_report_paint(int number);
// Window number's client area changed size (EVENT_SIZE_WINDOW, pending ones replaced).
void win_report_size(int number);
// The user asks to close window number (EVENT_CLOSE_WINDOW unless the callback takes it).
void win_report_close(int number);
// The current container window's number (-1 when none).
int win_container();
// Current capacities of the window and control tables.
int win_table_capacity();
int gadget_table_capacity();

// The platform handle of control number (0 if none).
std::intptr_t gadget_handle(int number);
// The window number of control number's container (-1 if none).
int gadget_window(int number);
// The user clicked control number (button, check box, option): its kind handles the click (a
// three-state box cycles, an option clears the rest of its group), then EVENT_GADGET follows.
void gadget_report_click(int number);
// A string field reports a notification (STRING_*).
void gadget_report_string(int number, int notification);
// Frees every control whose container is window number.
void gadget_free_window(int window);

// Canvas input, in canvas coordinates. button: 0 left, 1 right, 2 middle; modifiers: Shift 1,
// Alt 2, Ctrl 4.
void canvas_report_button(int number, int button, bool down, bool double_click, int x, int y, int modifiers);
void canvas_report_move(int number, int x, int y, int modifiers);
void canvas_report_leave(int number);
// units: wheel turn in platform units, 120 to a notch; the remainder is kept for the next turn.
void canvas_report_wheel(int number, int units, int x, int y, int modifiers);
// type: CANVAS_KEY_DOWN, CANVAS_KEY_UP or CANVAS_CHARACTER.
void canvas_report_key(int number, int type, int key, int character, int modifiers);
void canvas_report_focus(int number, bool gained);

// A key pressed in window number while no edit field has the focus (EVENT_KEY; key as in
// gui/input.h, modifiers KEY_MOD_*).
void win_report_key(int number, int key, int modifiers);
// A list of URIs or paths dropped on window number (EVENT_DROP with its first local file).
void win_report_drop(int number, std::string_view list);
// The watched file changed (EVENT_FILE_CHANGED).
void file_report_changed();

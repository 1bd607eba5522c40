// Numbered top-level windows, the per-thread event queue and the event wait.
//
// Windows live in a table of 16 entries that grows by 16; creating under a number in use frees
// the old window first; operations on a number that holds no window do nothing and return 0.
// Platform messages become numbered events in a per-thread FIFO; the one window callback set with
// win_set_callback sees every message of the program's windows before the runtime handles it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Event codes (the values are part of the interface).
constexpr int EVENT_GADGET = 13100;  // a control reports an action; object = control number
constexpr int EVENT_MENU = 13101;
constexpr int EVENT_SYSTRAY = 13102;
constexpr int EVENT_ACTIVATE = 13104;
constexpr int EVENT_MINIMIZE = 13107;
constexpr int EVENT_MAXIMIZE = 13108;
constexpr int EVENT_RESTORE = 13109;
constexpr int EVENT_TIMER = 13110;
constexpr int EVENT_RIGHT_CLICK = 13111;
constexpr int EVENT_LEFT_CLICK = 13112;
constexpr int EVENT_LEFT_DOUBLE_CLICK = 13113;
constexpr int EVENT_DEACTIVATE = 13114;
constexpr int EVENT_REPAINT = 13115;
constexpr int EVENT_CLOSE_WINDOW = 13116;  // the user asks to close the window
constexpr int EVENT_MOVE_WINDOW = 13117;
constexpr int EVENT_SIZE_WINDOW = 13118;

constexpr int AUTO_NUMBER = -1;

// Window callback results.
constexpr std::uint32_t DEFAULT_CALLBACK_RESULT = 0xE0E0E0E1u;  // let the runtime handle the message
constexpr std::uint32_t NOT_HANDLED = 0xD0D0D0D1u;

// Messages passed to the window callback (this runtime's own numbering).
constexpr std::uint32_t WIN_MESSAGE_PAINT = 15;    // the window is asked to repaint
constexpr std::uint32_t WIN_MESSAGE_CLOSE = 16;    // the user asks to close the window
constexpr std::uint32_t WIN_MESSAGE_COMMAND = 17;  // a control reports: wparam number, lparam data

// win_open flags: the runtime's own bits and the window-style bits the program uses.
constexpr std::uint32_t WIN_CENTRE = 0x1;
constexpr std::uint32_t WIN_CENTRE_PARENT = 0x2;
constexpr std::uint32_t WIN_TOOL = 0x4;
constexpr std::uint32_t WIN_NO_CONTROLS = 0x8;
constexpr std::uint32_t WIN_SHOW_NO_ACTIVATE = 0x02000000;
constexpr std::uint32_t WIN_SHOW_MAXIMISED = 0x01000000;
constexpr std::uint32_t WIN_INVISIBLE = 0x10000000;
constexpr std::uint32_t WIN_SHOW_MINIMISED = 0x20000000;
constexpr std::uint32_t WIN_CAPTION = 0x00C00000;
constexpr std::uint32_t WIN_SIZING_BORDER = 0x00040000;
constexpr std::uint32_t WIN_SYSTEM_MENU = 0x00080000;
constexpr std::uint32_t WIN_MINIMISE_BOX = 0x00020000;
constexpr std::uint32_t WIN_MAXIMISE_BOX = 0x00010000;
constexpr int WIN_DEFAULT_POSITION = -65535;  // x (or y) that lets the platform place the window

// The callback receives (window handle, message, first parameter, second parameter).
using WinCallback = std::uint32_t (*)(std::intptr_t window, std::uint32_t message, std::uintptr_t wparam,
                                      std::intptr_t lparam);

// Start-up and shutdown of the window table (shutdown frees every window).
void win_init();
void win_end();
// Opens window number with a client area of inner_width x inner_height at (x, y) on the screen.
// With WIN_SIZING_BORDER the user may enlarge it (never below the size it opens at).
// Returns its handle, 0 on failure. Unless WIN_NO_CONTROLS is set it becomes the container of
// new controls.
std::intptr_t win_open(int number, int x, int y, int inner_width, int inner_height, std::string_view title,
                       std::uint32_t flags);
// Frees window number (its controls and pending events go with it).
void win_free(int number);
// Sets the caption of window number.
void win_set_title(int number, std::string_view title);
// The client size of window number as it stands now (it changes when a window with a sizing
// border is resized or maximised; EVENT_SIZE_WINDOW tells); false when there is no such window.
bool win_inner_size(int number, int& width, int& height);
// Gives window number a client area of width x height, as a resize by the user would
// (EVENT_SIZE_WINDOW follows).
void win_resize(int number, int width, int height);
// Moves window number so that its outer frame's top-left corner is at (x, y) on the screen (some
// of it stays on the screen); gui/capture.h's win_outer_rect tells where it is.
void win_move(int number, int x, int y);
// The caption of window number ("" when there is none).
std::string win_get_title(int number);
// The handle of window number, 0 if there is none.
std::intptr_t win_handle(int number);
// Installs the thread-wide window callback (nullptr removes it).
void win_set_callback(WinCallback callback);

// Start-up and shutdown of the posted-event route.
void event_init();
void event_end();
// event_wait's result after a platform message (none of the event codes).
constexpr int EVENT_PLATFORM_MESSAGE = 1;

// The next queued event's code; else waits for one platform message, dispatches it and returns a
// value that is none of the event codes.
int event_wait();
// As event_wait, giving up after milliseconds (0 when nothing arrived; 0 ms returns at once).
int event_wait_timeout(int milliseconds);
// The current event's object (the control number for EVENT_GADGET).
int event_gadget();
// The current event's window number.
int event_window();
// The current event's data (the notification sub-type; -1 when none).
int event_data();
// Sleeps for milliseconds (the headless backend records the pause instead of sleeping).
void event_delay(int milliseconds);
// Queues an event from any thread; it is delivered even while events are suppressed.
void event_post(int code, int object, int window, int data);

// Controls: numbered child windows in the current container window.
//
// Controls live in a table of 50 entries that grows by 50; creating under a number in use frees
// the old control first; operations on a number that holds no control do nothing and return 0.
// Changes made by the program (gadget_set_state, gadget_set_text) raise no events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "draw/picture.h"

// Control kinds.
constexpr int GADGET_BUTTON = 1;
constexpr int GADGET_STRING = 2;
constexpr int GADGET_TEXT = 3;
constexpr int GADGET_CHECKBOX = 4;
constexpr int GADGET_OPTION = 5;
constexpr int GADGET_CANVAS = 33;

// Check box flags: both bits make a three-state box.
constexpr std::uint32_t CHECKBOX_THREE_STATE = 0x12;

// String field notifications, carried in event_data() of its EVENT_GADGET events.
constexpr int STRING_FOCUS = 0x100;
constexpr int STRING_FOCUS_LOST = 0x200;
constexpr int STRING_CHANGE = 0x300;
constexpr int STRING_UPDATE = 0x400;

// Canvas input types, carried in event_data() of its EVENT_GADGET events.
constexpr int CANVAS_LEFT_CLICK = 0;
constexpr int CANVAS_RIGHT_CLICK = 1;
constexpr int CANVAS_LEFT_DOUBLE_CLICK = 2;
constexpr int CANVAS_RIGHT_DOUBLE_CLICK = 3;
constexpr int CANVAS_FOCUS = 14000;
constexpr int CANVAS_FOCUS_LOST = 14001;
constexpr int CANVAS_MOUSE_ENTER = 65537;
constexpr int CANVAS_MOUSE_LEAVE = 65538;
constexpr int CANVAS_MOUSE_MOVE = 65539;
constexpr int CANVAS_LEFT_DOWN = 65540;
constexpr int CANVAS_LEFT_UP = 65541;
constexpr int CANVAS_RIGHT_DOWN = 65542;
constexpr int CANVAS_RIGHT_UP = 65543;
constexpr int CANVAS_MIDDLE_DOWN = 65544;
constexpr int CANVAS_MIDDLE_UP = 65545;
constexpr int CANVAS_WHEEL = 65546;
constexpr int CANVAS_KEY_DOWN = 65547;
constexpr int CANVAS_KEY_UP = 65548;
constexpr int CANVAS_CHARACTER = 65549;

// What a canvas input event carries (see event_canvas_input).
struct CanvasInput {
    int x = 0, y = 0;   // mouse position in canvas coordinates
    int buttons = 0;    // buttons down: left 1, right 2, middle 4
    int key = 0;        // key code (key events)
    int wheel = 0;      // wheel notches, positive away from the user
    int modifiers = 0;  // Shift 1, Alt 2, Ctrl 4
    int character = 0;  // character code (CANVAS_CHARACTER)
};

// The input block of the current event when it is a canvas event, nullptr otherwise.
const CanvasInput* event_canvas_input();

// Start-up and shutdown of the control table.
void gadget_init();
void gadget_end();

// Creation: (number, x, y, width, height[, text][, flags]) in client coordinates of the current
// container; each returns the control's handle, 0 on failure.
std::intptr_t gadget_button(int number, int x, int y, int width, int height, std::string_view text,
                            std::uint32_t flags = 0);
std::intptr_t gadget_checkbox(int number, int x, int y, int width, int height, std::string_view text,
                              std::uint32_t flags = 0);
// An option button; consecutive option buttons form one group (any other control ends it).
std::intptr_t gadget_option(int number, int x, int y, int width, int height, std::string_view text,
                            std::uint32_t flags = 0);
std::intptr_t gadget_text(int number, int x, int y, int width, int height, std::string_view text,
                          std::uint32_t flags = 0);
// A one-line edit field; every change and focus gain/loss raises EVENT_GADGET with the
// notification (STRING_*) in event_data().
std::intptr_t gadget_string(int number, int x, int y, int width, int height, std::string_view text,
                            std::uint32_t flags = 0);
// A canvas with a white 24-bit picture of width x height (at least 1 x 1).
std::intptr_t gadget_canvas(int number, int x, int y, int width, int height, std::uint32_t flags = 0);

// Moves control number to (x, y) of its window and gives it width x height; a canvas gets a new
// white picture of its new size (a drawing pass in progress keeps the old one). False when there
// is no such control or its picture cannot be made.
bool gadget_resize(int number, int x, int y, int width, int height);
// The position and size of control number in its window (all 0 when there is none).
int gadget_x(int number);
int gadget_y(int number);
int gadget_width(int number);
int gadget_height(int number);

// Frees control number.
void gadget_free(int number);
// The kind of control number (GADGET_*), 0 if there is none.
int gadget_kind(int number);
// Check box: 1 checked, -1 third state, 0 otherwise; option/button: checked bit; others 0.
int gadget_get_state(int number);
// Sets the state without raising events; setting an option on unchecks the rest of its group.
void gadget_set_state(int number, int state);
// The control's text ("" for a canvas or a missing control).
std::string gadget_get_text(int number);
// Sets the control's text without raising events.
void gadget_set_text(int number, std::string_view text);
// The canvas picture of control number (nullptr if it is not a canvas).
Picture* gadget_canvas_picture(int number);

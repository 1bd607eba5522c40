// Window-level input beyond the controls: keys typed while no edit field has the focus, files
// dropped on a window, a popup menu, a tooltip over a control, and watching a file for changes.
//
// Every one of these is optional for a backend: without it no such event ever comes, the popup
// menu is dismissed at once, tooltips and watches do nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Event codes of this input (after the window events of gui/window.h).
constexpr int EVENT_KEY = 13130;           // a key pressed while no edit field has the focus:
                                           // object = key code, data = modifiers (KEY_MOD_*)
constexpr int EVENT_DROP = 13131;          // files dropped on a window; event_drop_path() names the first
constexpr int EVENT_FILE_CHANGED = 13132;  // the watched file was written or replaced

// Key codes: printable keys by their lower-case character, the others by their X key symbol.
constexpr int KEY_ESCAPE = 0xff1b;
constexpr int KEY_HOME = 0xff50;
constexpr int KEY_LEFT = 0xff51;
constexpr int KEY_UP = 0xff52;
constexpr int KEY_RIGHT = 0xff53;
constexpr int KEY_DOWN = 0xff54;
constexpr int KEY_KEYPAD_PLUS = 0xffab;
constexpr int KEY_KEYPAD_MINUS = 0xffad;
constexpr int KEY_F1 = 0xffbe;
constexpr int KEY_F5 = 0xffc2;
constexpr int KEY_PAGE_UP = 0xff55;
constexpr int KEY_PAGE_DOWN = 0xff56;
// Modifier bits of key and canvas events.
constexpr int KEY_MOD_SHIFT = 1;
constexpr int KEY_MOD_ALT = 2;
constexpr int KEY_MOD_CTRL = 4;

// One line of a popup menu.
struct MenuEntry {
    std::string label;     // the text shown
    int key = 0;           // shortcut shown beside it (KEY_* or a character), 0 for none
    int modifiers = 0;     // the shortcut's modifiers (KEY_MOD_*)
    bool toggle = false;   // shows a check box
    bool checked = false;  // the check box's state
    bool divider = false;  // a line below this entry
};

// Shows a popup menu at point (x, y) of control number (a canvas) and waits for the choice: the
// index of the chosen entry, -1 when the menu was dismissed.
int gadget_popup_menu(int number, int x, int y, const std::vector<MenuEntry>& entries);
// Shows text as the tooltip of control number for the pointer near (x, y) of the control; "" hides
// it. The same text again leaves a shown tooltip alone. With x < 0 the text becomes the control's
// own tooltip, shown whenever the pointer rests anywhere on it.
void gadget_set_tooltip(int number, std::string_view text, int x, int y);
// The tooltip text last set on control number ("" when none).
std::string gadget_tooltip(int number);

// Shows a modal box with a title, several lines of text and an OK button, and waits for OK.
void show_text_box(std::string_view title, std::string_view text);

// The local path of the first file of the current EVENT_DROP ("" when it named none).
std::string event_drop_path();
// The local path of the first file in a dropped list: one URI or path a line, "#" lines skipped;
// "file://" URIs (with an empty or "localhost" host) lose their scheme and have their percent
// escapes decoded; other schemes name no local file. "" when the list names none.
std::string first_dropped_file(std::string_view list);
// The local paths of every file of the current EVENT_DROP, in order (empty when it named none).
std::vector<std::string> event_drop_paths();
// The local paths of the first most files in a dropped list, in order, by the rules of
// first_dropped_file.
std::vector<std::string> dropped_files(std::string_view list, std::size_t most = SIZE_MAX);

// Watches every file of paths: EVENT_FILE_CHANGED follows when one of them is written and closed,
// or replaced by another file of that name. One set of files at a time, in place of the last; an
// empty set stops watching. False (and nothing watched) when one cannot be watched.
bool file_watch(const std::vector<std::string>& paths);
// The paths being watched (empty when none).
std::vector<std::string> file_watched();

// The headless backend: windows and controls are records, canvas pictures are real, user actions
// are injected from code and requesters answer from a script. Everything above the platform seam
// runs unchanged on it. Used by the unit tests and the batch renderer.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "draw/picture.h"
#include "gui/input.h"

struct HeadlessMessage {
    std::string title;  // message box title
    std::string text;   // message box text
    unsigned flags;     // req_message flags
};

// Clicks control number as a user would: a check box toggles, an option button is selected (and
// the rest of its group cleared), and EVENT_GADGET is queued as the platform would queue it.
void headless_click(int number);
// Gives (gained true) or takes the keyboard focus of string field number, raising its event.
void headless_focus(int number, bool gained);
// Replaces the text of string field number as typing would, raising its change event.
void headless_type(int number, std::string_view text);
// Pointer input on canvas number, in canvas coordinates: a move, a button going down or up
// (button 0 left, 1 right, 2 middle), wheel notches (positive away from the user) and a whole
// drag (move to x0, y0, press, move to x1, y1, release). modifiers: KEY_MOD_* bits.
void headless_pointer_move(int number, int x, int y, int modifiers = 0);
void headless_pointer_button(int number, int button, bool down, int x, int y, int modifiers = 0);
void headless_wheel(int number, int notches, int x, int y, int modifiers = 0);
void headless_drag(int number, int button, int x0, int y0, int x1, int y1, int modifiers = 0);
// A key pressed in window number (KEY_* or a lower-case character); an edit field that holds the
// focus takes it, else EVENT_KEY follows.
void headless_key(int window, int key, int modifiers = 0);
// A list of URIs or paths dropped on window number (EVENT_DROP).
void headless_drop(int window, std::string_view list);
// Adds the index the next popup menu chooses (-1 dismisses it); with none left it is dismissed.
void headless_menu_answer(int index);
// Popup menus shown so far, each as its entries.
const std::vector<std::vector<MenuEntry>>& headless_menus();
// The first path being watched for changes ("" when none).
std::string headless_watched();
// Every path being watched.
std::vector<std::string> headless_watched_files();
// The watched file changes (EVENT_FILE_CHANGED when a file is watched).
void headless_file_changed();
// The user asks to close window number (EVENT_CLOSE_WINDOW).
void headless_close(int number);
// The platform asks window number to repaint (the callback sees WIN_MESSAGE_PAINT).
void headless_expose(int number);
// Keeps preferences (on: an empty store from now on; off: none kept, the default, so that no test
// sees another's). headless_reset_log turns it off.
void headless_keep_preferences(bool on);
// The preferences stored so far.
const std::map<std::string, std::string>& headless_preferences();
// The user resizes window number's client area to width x height (EVENT_SIZE_WINDOW follows).
void headless_resize(int number, int width, int height);
// Adds an answer for the next file requester; "" answers by cancelling. With no answer left a
// requester is cancelled.
void headless_answer(std::string_view path);
// Message boxes and text boxes (flags 0) shown so far (each is answered with OK at once).
const std::vector<HeadlessMessage>& headless_messages();
// Adds an answer for the next Yes/No question (true for Yes). With no answer left a question is
// answered No.
void headless_answer_question(bool yes);
// Adds an answer for the next text box: the line typed before OK. With no answer left a text box
// is cancelled.
void headless_answer_text(std::string_view text);
// Text boxes shown so far: their titles and prompts (flags 0).
const std::vector<HeadlessMessage>& headless_text_boxes();
// Yes/No questions asked so far (flags 0).
const std::vector<HeadlessMessage>& headless_questions();
// While on, every window capture fails (as an incomplete capture on a display is reported).
void headless_fail_capture(bool on);
// File requesters shown so far: their titles, and the starting folder and name they offered.
struct HeadlessRequest {
    std::string title;
    std::string folder;
    std::string name;
    std::string pattern;
    bool save;
};
const std::vector<HeadlessRequest>& headless_requests();
// Pauses asked for with event_delay, in milliseconds (none is slept).
const std::vector<int>& headless_delays();
// When on, every draw_end on a canvas keeps a copy of its picture (see headless_frames).
void headless_record_frames(bool on);
const std::vector<Picture>& headless_frames();
// Forgets messages, questions, requests, menus, delays and recorded frames; drops answers not yet
// used and lets captures succeed again.
void headless_reset_log();

// The table window as the headless backend holds it (headless_reset_log forgets it and the
// clipboard too).
struct TableWindowSpec;
struct HeadlessTableWindow {
    TableWindowSpec* spec = nullptr;  // what it shows; nullptr once closed
    bool open = false;                // open (shown) now
    int shows = 0;                    // table_window_show calls so far
    int updates = 0;                  // table_window_update calls while open
    int selected_table = -1;          // the tab of the selected row, -1 for none
    int selected_row = -1;            // the selected data row, -1 for none
};
const HeadlessTableWindow& headless_table_window();
// The user clicks column's header of table (its tab comes to the front): sorts as the FLTK window does.
void headless_table_header_click(int table, int column);
// The user clicks shown_row of table: it is selected and on_select hears of its data row.
void headless_table_row_click(int table, int shown_row);
// The user brings table's tab to the front.
void headless_table_tab(int table);
// The user presses "Copy" or "Save as CSV..." (on the tab in front).
void headless_table_copy();
void headless_table_save();
// The user closes the table window.
void headless_table_close();
// What clipboard_copy put on the clipboard last.
const std::string& headless_clipboard();
// What clipboard_copy_picture put on the clipboard last (empty when nothing).
const Picture& headless_clipboard_picture();
// Every picture print_picture printed (the printer dialog is answered with Print).
const std::vector<Picture>& headless_printed();
// (headless_answer_text above also answers ask_text; with none left ask_text is answered with the
// text it offers.)

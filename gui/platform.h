// The platform seam: what a windowing backend supplies to the runtime.
//
// Everything the numbered-object API promises (tables, the event queue, option groups, the canvas
// picture, requester argument handling) lives above this interface in gui/. A backend derives from
// Platform and overrides what it can; every default does nothing harmful (creations fail with 0,
// waits return at once, dialogs cancel, message boxes answer OK, questions answer No). Handles are
// the backend's own opaque non-zero values. The backend reports user actions back through
// gui/runtime.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "draw/picture.h"
#include "gui/input.h"

struct TableWindowSpec;

// How a top-level window is to be created (worked out from win_open's flags).
struct WindowSpec {
    int number = 0;                 // the window's number in the runtime table
    int x = 0, y = 0;               // client origin on the screen, pixels
    int width = 0, height = 0;      // client size, pixels
    std::string title;              // caption
    bool default_position = false;  // the platform places the window (x, y ignored)
    bool centre = false;            // centre on the screen (x, y ignored)
    bool caption = false;           // has a caption bar
    bool system_menu = false;       // has a close box
    bool minimise_box = false;      // can be minimised
    bool maximise_box = false;      // can be maximised
    bool sizing_border = false;     // the user may resize it
    bool tool = false;              // small tool window
    bool visible = true;            // shown at once
    int show = 0;                   // 0 normal, 1 maximised, 2 minimised
    bool activate = true;           // shown with activation
};

// How a control is to be created.
struct ControlSpec {
    int number = 0;                    // the control's number in the runtime table
    int kind = 0;                      // GADGET_*
    std::intptr_t window = 0;          // handle of the container window
    int x = 0, y = 0;                  // client coordinates of the container, pixels
    int width = 0, height = 0;         // pixels
    std::string text;                  // caption or initial text
    std::uint32_t flags = 0;           // creation flags as given
    const Picture* picture = nullptr;  // canvas: its picture (owned by the runtime)
};

// An open-file or save-file dialog, arguments already taken apart.
struct FileDialogSpec {
    std::string title;
    std::string folder;                                        // starting folder; "" = the working directory
    std::string name;                                          // name offered in the name field ("" for none)
    std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern), as given
    int filter_index = 0;                                      // 0-based index of the filter shown first
    bool save = false;                                         // save dialog (no overwrite question)
    bool several = false;  // open dialog: several files may be chosen, returned one a line
};

// A windowing backend. Check box and option states: 0 clear, 1 checked, 2 third state.
class Platform {
public:
    virtual ~Platform() = default;

    // Top-level windows.
    virtual std::intptr_t window_create(const WindowSpec&) { return 0; }
    virtual void window_destroy(std::intptr_t) {}
    virtual void window_set_title(std::intptr_t, std::string_view) {}
    // The client size of a window as it stands (the user may have resized it); false when unknown.
    virtual bool window_inner_size(std::intptr_t, int&, int&) { return false; }

    // Controls (every kind goes through one entry; ControlSpec::kind tells which).
    virtual std::intptr_t control_create(const ControlSpec&) { return 0; }
    virtual void control_destroy(std::intptr_t) {}
    virtual void control_set_text(std::intptr_t, std::string_view) {}
    virtual std::string control_get_text(std::intptr_t) { return {}; }
    virtual void control_set_checked(std::intptr_t, int) {}
    virtual int control_get_checked(std::intptr_t) { return 0; }
    // Moves and sizes a control within its window; a canvas shows picture from then on.
    virtual void control_resize(std::intptr_t, int, int, int, int, const Picture*) {}
    // Puts the canvas picture on the screen now, without waiting for a paint request.
    virtual void canvas_repaint(std::intptr_t, const Picture&) {}

    // Waits for platform messages and dispatches them: milliseconds < 0 waits until one comes,
    // 0 only dispatches what is pending. True when at least one message was dispatched.
    virtual bool wait(int) { return false; }
    // Ends a wait in progress from another thread.
    virtual void wake() {}
    // Sleeps for milliseconds.
    virtual void delay(int milliseconds);

    // Modal requesters. message_box returns the pressed button's code (1 for OK).
    virtual int message_box(std::string_view, std::string_view, std::uint32_t) { return 1; }
    // A question with the buttons Yes and No: true for Yes. Closing the box answers No.
    virtual bool question_box(std::string_view, std::string_view) { return false; }
    // One line of text to type: prompt over a field holding text at first, OK and Cancel. True
    // with the typed line in text for OK; false (text unchanged) for Cancel or a closed box.
    virtual bool text_box(std::string_view, std::string_view, std::string&) { return false; }
    // The chosen full path, "" on cancel or error.
    virtual std::string file_dialog(const FileDialogSpec&) { return {}; }

    // Window capture: a top-level window of this program by caption (0 if none), its outer
    // rectangle (frame included) on the screen, restoring it from minimised, and drawing the whole
    // framed window at (0, 0) into picture.
    virtual std::intptr_t find_window(std::string_view) { return 0; }
    virtual bool outer_rect(std::intptr_t, int&, int&, int&, int&) { return false; }
    virtual void restore(std::intptr_t) {}
    virtual bool capture(std::intptr_t, Picture&) { return false; }

    // Pointer, keys and drops come in through gui/runtime.h (canvas_report_*, win_report_key,
    // win_report_drop); what follows are the backend's parts of gui/input.h.
    // A popup menu at point (x, y) of control handle, shown until the user chooses: the chosen
    // entry's index, -1 when dismissed.
    virtual int popup_menu(std::intptr_t, int, int, const std::vector<MenuEntry>&) { return -1; }
    // The tooltip of control handle for the pointer near (x, y) of the control; "" hides it. x < 0:
    // the control's own tooltip, wherever the pointer rests on it.
    virtual void control_set_tooltip(std::intptr_t, std::string_view, int, int) {}
    // A modal box with several lines of text and OK.
    virtual void text_box(std::string_view, std::string_view) {}
    // Watches every file of the list for writes and replacement (an empty list stops); changes go
    // to file_report_changed.
    virtual bool watch_files(const std::vector<std::string>&) { return false; }

    // The table window (gui/table_window.h), one at a time. spec stays the program's and must
    // outlive the window (table_window_close before it goes); the backend reads it when it draws.
    // Opens the window showing spec, or raises it and shows spec's content anew.
    virtual void table_window_show(TableWindowSpec*) {}
    // spec's content changed (title, heading, rows): shows it anew if the window is open.
    virtual void table_window_update() {}
    // Closes the window and lets go of spec.
    virtual void table_window_close() {}
    // True while the window is open (the user may close it).
    virtual bool table_window_is_open() { return false; }
    // Brings table's tab to the front and selects data_row there, scrolled into view; data_row -1
    // clears the selection of every table. No on_select follows.
    virtual void table_window_select(int, int) {}
    // Settings kept between runs (gui/preferences.h): the value under key (nullopt when none),
    // storing one, forgetting all, writing them out.
    virtual std::optional<std::string> preference_get(std::string_view) { return std::nullopt; }
    virtual void preference_set(std::string_view, std::string_view) {}
    virtual void preferences_clear() {}
    virtual void preferences_flush() {}
    // Resizes a window's client area as the user would (the size change is reported back).
    virtual void window_resize(std::intptr_t, int, int) {}
    // Moves a window so that its outer frame's top-left corner is at (x, y) on the screen, kept
    // where some of it shows on the screen.
    virtual void window_move(std::intptr_t, int, int) {}
    // Puts text on the clipboard, for pasting elsewhere.
    virtual void clipboard_copy(std::string_view) {}
    // Puts picture on the clipboard as an image; false when it could not.
    virtual bool clipboard_copy_picture(const Picture&) { return false; }
    // Prints picture on one page, as large as fits, after the printer dialog; false when the dialog
    // was cancelled or printing failed.
    virtual bool print_picture(const Picture&) { return false; }
    // A line of text asked for with prompt, OK and Cancel, initial already typed; nullopt when cancelled.
    virtual std::optional<std::string> ask_text(std::string_view, std::string_view, std::string_view)
    {
        return std::nullopt;
    }
};

// The backend in force (the headless one until another is chosen).
Platform& platform();
// Makes backend the one in force (nullptr: back to headless). Choose before win_init.
void platform_set(Platform* backend);
// The headless backend's instance.
Platform& headless_platform();

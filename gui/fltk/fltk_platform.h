// The FLTK 1.3 backend's shared declarations: the platform class (its methods are spread over the
// gui/fltk files by topic) and the top-level window widget.
#pragma once

#include <FL/Fl_Window.H>

#include <map>
#include <set>

#include "gui/platform.h"

// A top-level window of the runtime: it knows its window number.
class RuntimeWindow : public Fl_Window {
public:
    RuntimeWindow(int x, int y, int width, int height, int number);
    RuntimeWindow(int width, int height, int number);
    // Keys no control took (while no edit field has the focus) and dropped files go to the
    // runtime (fltk_input.cpp); everything else as Fl_Window handles it.
    int handle(int event) override;
    // A change of the client size is reported to the runtime (EVENT_SIZE_WINDOW).
    void resize(int x, int y, int width, int height) override;
    int number;  // the runtime's window number
};

class FltkPlatform final : public Platform {
public:
    // fltk_backend.cpp
    std::intptr_t window_create(const WindowSpec& spec) override;
    void window_destroy(std::intptr_t handle) override;
    void window_set_title(std::intptr_t handle, std::string_view title) override;
    bool window_inner_size(std::intptr_t handle, int& width, int& height) override;
    void window_resize(std::intptr_t handle, int width, int height) override;
    void window_move(std::intptr_t handle, int x, int y) override;
    bool wait(int milliseconds) override;
    void wake() override;

    // fltk_controls.cpp
    std::intptr_t control_create(const ControlSpec& spec) override;
    void control_destroy(std::intptr_t handle) override;
    void control_set_text(std::intptr_t handle, std::string_view text) override;
    std::string control_get_text(std::intptr_t handle) override;
    void control_set_checked(std::intptr_t handle, int state) override;
    int control_get_checked(std::intptr_t handle) override;
    void canvas_repaint(std::intptr_t handle, const Picture& picture) override;
    void control_resize(std::intptr_t handle, int x, int y, int width, int height, const Picture* picture) override;

    // fltk_results_window.cpp
    void table_window_show(TableWindowSpec* spec) override;
    void table_window_update() override;
    void table_window_close() override;
    bool table_window_is_open() override;
    void table_window_select(int table, int data_row) override;
    void clipboard_copy(std::string_view text) override;

    // fltk_dialogs.cpp
    int message_box(std::string_view title, std::string_view text, std::uint32_t flags) override;
    bool question_box(std::string_view title, std::string_view text) override;
    bool text_box(std::string_view title, std::string_view prompt, std::string& text) override;
    std::string file_dialog(const FileDialogSpec& spec) override;

    // fltk_print.cpp
    bool clipboard_copy_picture(const Picture& picture) override;
    bool print_picture(const Picture& picture) override;
    std::optional<std::string> ask_text(std::string_view title, std::string_view prompt,
                                        std::string_view initial) override;

    // fltk_capture.cpp
    std::intptr_t find_window(std::string_view caption) override;
    bool outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom) override;
    void restore(std::intptr_t handle) override;
    bool capture(std::intptr_t handle, Picture& picture) override;

    // fltk_input.cpp
    int popup_menu(std::intptr_t handle, int x, int y, const std::vector<MenuEntry>& entries) override;
    void control_set_tooltip(std::intptr_t handle, std::string_view text, int x, int y) override;
    void text_box(std::string_view title, std::string_view text) override;

    // fltk_preferences.cpp
    std::optional<std::string> preference_get(std::string_view key) override;
    void preference_set(std::string_view key, std::string_view value) override;
    void preferences_clear() override;
    void preferences_flush() override;

    // fltk_watch.cpp
    bool watch_files(const std::vector<std::string>& paths) override;

    // The window behind handle, nullptr if it is none of ours.
    RuntimeWindow* window(std::intptr_t handle) const;

    std::set<RuntimeWindow*> windows;            // every window created and not yet destroyed
    std::map<std::intptr_t, int> control_kinds;  // every control widget and its GADGET_* kind
};

// The backend's single instance.
FltkPlatform& fltk_platform();
// Shows window (if hidden or minimised) and waits until it is on the screen.
void fltk_show_and_wait(Fl_Window* window);
// Hands the close requests of runtime windows still in the X queue to the runtime; called before
// a modal loop that would drop them (the GTK file chooser reads and drops every event).
void fltk_take_close_requests();

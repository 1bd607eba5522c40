// The viewer's extra commands as one table: the context menu (right click on the canvas) lists
// them in order, each with its shortcut; the keyboard runs them by their shortcut while no edit
// field has the focus; F1 shows the table with the mouse gestures.
#pragma once

#include <string>
#include <vector>

// One command of the table. A toggle shows a check box (checked tells its state).
struct ViewerCommand {
    std::string label;            // menu text
    int key = 0;                  // shortcut (gui/input.h KEY_* or a lower-case character), 0 for none
    int modifiers = 0;            // KEY_MOD_CTRL or KEY_MOD_ALT bits the shortcut needs (Shift is ignored)
    bool (*checked)() = nullptr;  // the toggle's state; nullptr for a plain command
    void (*run)() = nullptr;      // what it does
    bool divider = false;         // a line below it in the menu
};

// The table in menu order.
std::vector<ViewerCommand>& viewer_commands();
// Adds a command before the entry labelled before (at the end when there is none).
void add_viewer_command(const ViewerCommand& command, const std::string& before = "");
// Runs the command whose shortcut is key with modifiers; false when none has it.
bool run_shortcut(int key, int modifiers);
// Shows the context menu at canvas point (x, y) and runs the chosen command.
void show_context_menu(int x, int y);
// Every gesture and shortcut, one a line (the F1 box).
std::string controls_text();
// The F1 box: controls_text in a box with an OK button.
void show_controls();

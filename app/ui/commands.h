// The viewer's commands as one table: the main window's controls run theirs by control number,
// the keyboard by shortcut (while no edit field has the focus), and the context menu (right click
// on the canvas) lists the commands that belong to no control, in order; F1 shows the shortcuts
// with the mouse gestures. A command acts on the settings (View) and the model; the check boxes
// and option buttons mirror the states the table gives (show_switches, app/ui/main_window.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/view/settings.h"

// One command of the table. A switch has checked and set: running it flips it, and its check
// mark, check box or option button shows checked. A choice (an option button) has checked and run.
struct ViewerCommand {
    std::string label;                        // menu text; for a control's command the control's own text
    int control = 0;                          // the main window's control that runs it (app/ui/ids.h), 0: a menu entry
    int key = 0;                              // shortcut (gui/input.h KEY_* or a lower-case character), 0 for none
    int modifiers = 0;                        // KEY_MOD_CTRL or KEY_MOD_ALT bits the shortcut needs (Shift is ignored)
    std::function<bool()> checked = nullptr;  // the switch's or choice's state; empty for a plain command
    std::function<void(bool)> set = nullptr;  // a switch: turns it on or off and shows the result
    std::function<void()> run = nullptr;      // what a plain command or a choice does
    bool divider = false;                     // a line below it in the menu
    bool ends = false;                        // running it ends the program ("Exit")
};

// The table: the context menu's entries first, in menu order (a menu position is a table
// position), then the controls' commands from the top of the column down.
const std::vector<ViewerCommand>& viewer_commands();
// The command of control, nullptr when it has none (the label "Rotate", the canvas).
const ViewerCommand* control_command(int control);
// The text of control's command ("" when it has none).
std::string control_label(int control);
// Runs command (a switch flips, anything else runs), then sets the column's switches from the
// settings.
void run_viewer_command(const ViewerCommand& command);
// A command that switches the overlay flag on and off (with its shortcut key) and redraws.
ViewerCommand overlay_switch(const char* label, int key, bool OverlayStateData::*flag, bool divider = false);
// Runs the command whose shortcut is key with modifiers; false when none has it.
bool run_shortcut(int key, int modifiers);
// Turns the switch of control (a check box) on or off and shows the result, as a click that
// leaves the box so; nothing when control has no switch.
void set_control_switch(int control, bool on);

// The context menu (right click on the canvas) and the F1 box: both list the command table
// (app/ui/commands.h), the menu its entries in order with their shortcuts, the box every gesture
// and shortcut.
#pragma once

#include <string>

#include "app/ui/commands.h"

// Shows the context menu at canvas point (x, y) and runs the chosen command.
void show_context_menu(int x, int y);
// Every gesture and shortcut, one a line (the F1 box).
std::string controls_text();
// The F1 box: controls_text in a box with an OK button.
void show_controls();
// Choice n of the label filter as a menu command: 0 all, 1 the 10 largest, 2 the 100 largest,
// 3 above a value (asked for).
ViewerCommand label_filter_choice(int n);
// Sets the label filter of choice n (0..3, the last asking for the value; a cancel or a text that
// is no number of 0 or more changes nothing) and redraws.
void choose_label_filter(int n);

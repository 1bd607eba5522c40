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

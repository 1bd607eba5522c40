// Keys that move the view: Left and Right turn the model about the vertical axis by the step in
// the step field, Up and Down tilt it, + and - (the keypad's too) zoom about the canvas centre by
// the wheel's factor; each keeps the rest of the view, and the opposite key undoes it exactly.
// l and s hide and show the load arrows and the support markers.
#pragma once

#include <vector>

#include "app/ui/commands.h"

// The commands of these keys, for the end of the command table (no menu entries, listed by F1).
std::vector<ViewerCommand> view_key_commands();
// The key a shortcut is looked up by: '=' (the + key without Shift) and the keypad's + stand for
// '+', the keypad's - for '-'; every other key stands for itself.
int shortcut_key(int key);
// Turns the view by steps times the step field's step: about the vertical axis (the azimuth), or
// tilting it (the elevation) when tilt. A run of turns of one axis is counted from where it
// began, so turning back lands on the angle it started from exactly.
void turn_by_key(bool tilt, int steps);
// Zooms by the wheel's factor per notch about the canvas centre (positive: larger).
void zoom_by_key(int notches);

// Mouse gestures on the canvas: a left drag turns the model, a Shift + left drag or a middle drag
// moves it, the wheel zooms about the pointer, a click selects the member or node under the
// pointer, hovering shows its values, a right click opens the context menu. Each gesture leaves
// ViewState as the buttons would, so "+", "-", "In", "Out" and "3D" go on from the view it made.
#pragma once

#include "gui/gadget.h"

constexpr float DRAG_DEGREES_PER_PIXEL = 0.5f;  // turn of the model per pixel dragged
constexpr double WHEEL_ZOOM_FACTOR = 1.1;       // scale change per wheel notch
constexpr int DRAG_THRESHOLD = 3;               // pixels a press must move before it drags

// Handles one input event of the canvas (type is the event's data, CANVAS_*).
void handle_canvas_input(int type, const CanvasInput& input);
// Zooms by WHEEL_ZOOM_FACTOR per notch (positive: larger) keeping the model point under canvas
// point (x, y) there. Turning the wheel back at the same point restores the earlier view exactly.
// False when nothing changed (no model drawn, or "In"'s upper limit of the scale reached).
bool wheel_zoom(int notches, int x, int y);
// "Home": fits the model to the canvas as "-" does, without turning it.
void fit_model();
// Selects member or node (0 for none; a member clears the node and the other way round).
void select_item(int member, int node);
// "Escape": no member or node selected.
void clear_selection();
// Forgets gestures in progress and the selection (a new model was read).
void gestures_reset();

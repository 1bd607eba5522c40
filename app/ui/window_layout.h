// The main window at any size: the canvas takes the room the column of controls leaves, and the
// column keeps its controls' sizes and order at the right edge.
#pragma once

constexpr int CONTROL_COLUMN_WIDTH = 100;  // pixels right of the canvas, as the window opens

// Lays the main window out for a client area of width x height: the canvas gets (width - 100) x
// height (at least 1 x 1) and View.canvas with it; the column moves with the right edge. The view
// keeps its zoom, angles and pan, so the model point at the canvas centre stays at the centre.
void layout_main_window(int width, int height);
// The main window's client area changed size: lays it out anew and redraws the picture.
void main_window_resized();

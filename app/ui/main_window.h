// The main window: the canvas and the column of controls beside it, the window callback, the event
// loop and the command of each control.
#pragma once

#include <cstdint>

// Opens MAIN_WINDOW (client 800 x 500 at 150, 150) with the canvas and its 18 controls in their
// start-up states; the step field shows rotation_step and the scale field deflection_scale.
void open_main_window();
// The window callback: a repaint request sets redraw_pending; every message goes on as usual.
std::uint32_t on_window_message(std::intptr_t window, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam);
// Runs the command of control number; true when the command ends the program ("Exit").
bool run_command(int control);
// Handles one result of event_wait: a control's command, canvas input, a shortcut key, a dropped
// file or a change of the watched file, then a pending repaint; true when the program should end.
bool handle_event(int event);
// Waits for events and runs their commands until the window is closed or "Exit" is pressed;
// after every return of the wait a pending repaint is answered by a full redraw.
void run_event_loop();

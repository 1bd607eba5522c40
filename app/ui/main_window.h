// The main window: the canvas and the column of controls beside it, the window callback, the event
// loop and the events of the controls.
#pragma once

#include <cstdint>

// Opens MAIN_WINDOW (client 800 x 500 at 150, 150) with the canvas and its 18 controls in their
// start-up states, and the settings they mirror so; the step field shows rotation_step and the
// scale field deflection_scale.
void open_main_window();
// The window callback: a repaint request sets redraw_pending; every message goes on as usual.
std::uint32_t on_window_message(std::intptr_t window, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam);
// The event of control number: takes what it tells into the settings and runs the control's
// command (run_viewer_command); true when the command ends the program ("Exit").
bool run_command(int control);
// Sets the check boxes and option buttons from the settings (View).
void show_switches();
// Sets the column from the settings: the switches and the scale field's text. (Only typing changes
// the step field's text: the window opens with it and nothing else sets it.)
void show_settings();
// After a file was read: "3D" ticked for a spatial model and the scale field showing the scale
// the reader found, in the settings and the controls.
void show_read_settings();
// Handles one result of event_wait: the end of a read in the background (or Escape stopping it), a
// control's command, canvas input, a shortcut key, a dropped file or a change of the watched file,
// then a pending repaint; true when the program should end.
bool handle_event(int event);
// Waits for events and runs their commands until the window is closed or "Exit" is pressed;
// after every return of the wait a pending repaint is answered by a full redraw. While a read goes
// on in the background the wait returns every 200 ms as well, for the read's note.
void run_event_loop();

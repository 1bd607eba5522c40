// A quiet note in the main window, on the canvas and in the caption: a read going on in the
// background, or why the last automatic reload failed. No box, nothing to answer.
#pragma once

#include <string>

// Shows note at the foot of the canvas and after the caption, or takes it away (""). The caption
// is window_title with the note added, so the window is still found by it.
void set_window_note(const std::string& note);
// Shows a button labelled label at the right end of the note ("" for none); a note taken away
// takes its button with it.
void set_window_note_button(const std::string& label);
// True when canvas point (x, y) is on the note's button as drawn.
bool window_note_button_at(int x, int y);
// The note shown ("" when none).
const std::string& window_note();
// Draws the note over the canvas picture as it stands (redraw_view does after every picture).
void draw_window_note();

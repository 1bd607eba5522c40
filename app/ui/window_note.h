// A quiet note in the main window, on the canvas and in the caption: a read going on in the
// background, or why the last automatic reload failed. No box, nothing to answer.
#pragma once

#include <string>

// Shows note at the foot of the canvas and after the caption, or takes it away (""). The caption
// is window_title with the note added, so the window is still found by it.
void set_window_note(const std::string& note);
// The note shown ("" when none).
const std::string& window_note();
// Draws the note over the canvas picture as it stands (redraw_view does after every picture).
void draw_window_note();

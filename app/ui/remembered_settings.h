// Settings kept between runs (gui/preferences.h): the switches of the engineer's additions (force
// colours and their legend, node numbers, reactions, largest deflection, load arrows, support
// markers), the label filter and the main window's size. The switches of the column (Deflected, Applied Load,
// Element No., 3D) start as they always do.
#pragma once

// Sets the additions' switches and the main window's size as the last run left them (after the
// main window opened, before its first picture); what was never stored stays as it is.
void restore_remembered_settings();
// Stores the additions' switches and the main window's size (when the program ends).
void remember_settings();
// "Reset settings": forgets what was stored and sets the additions' switches as at first start.
void reset_settings();

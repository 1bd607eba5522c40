// Choice of the platform backend under the runtime. The headless backend is in force until
// another is chosen; choose before win_init.
#pragma once

// Use the headless backend (no display; see gui/headless/headless.h).
void gui_use_headless();
// Use the FLTK backend on the X display (gui/fltk). False, with the headless backend kept, when
// no display can be opened. Defined in kelvaro_gui_fltk.
bool gui_use_fltk();
// FLTK backend: use FLTK's own file chooser (true) instead of the desktop's dialog when one is
// available (false, the default). FLTK's chooser behaves the same everywhere, which tests need.
// Defined in kelvaro_gui_fltk.
void gui_fltk_own_dialogs(bool on);
// FLTK backend: forgets every stored preference (gui/preferences.h) and writes the empty store
// out; needs no display. Defined in kelvaro_gui_fltk.
void gui_fltk_reset_preferences();

// Choice of the platform backend under the runtime. The headless backend is in force until
// another is chosen; choose before win_init.
#pragma once

// Use the headless backend (no display; see gui/headless/headless.h).
void gui_use_headless();
// Use the FLTK backend on the X display (gui/fltk). False, with the headless backend kept, when
// no display can be opened. Defined in kelvaro_gui_fltk.
bool gui_use_fltk();

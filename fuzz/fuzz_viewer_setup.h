// The viewer's runtime on the headless backend, made once per fuzzing process: the main window
// with the canvas and the controls the reader and the view touch.
#pragma once

#include "app/ui/ids.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/window.h"

inline void fuzz_viewer_setup()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    gui_use_headless();
    runtime_start();
    win_open(MAIN_WINDOW, 150, 150, 800, 500, "fuzz", 0x00CA0000);
    gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
    gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
    headless_record_frames(false);
    reset_to_startup_defaults();
}

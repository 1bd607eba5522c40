// The main window's layout after a resize. The controls were placed at start-up for the 800 x 500
// window (app/ui/main_window.cpp); a resize moves the column by the change of the canvas width and
// gives the canvas a new picture of its new size. Touches View.canvas and the controls' places.
#include "app/ui/window_layout.h"

#include <algorithm>

#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/window_state.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

// Every control of the column, from the top down.
constexpr int COLUMN_CONTROLS[] = {ID_ROTATE_LABEL, ID_ROTATE_MINUS, ID_ROTATE_PLUS,      ID_VERTICAL,
                                   ID_HORIZONTAL,   ID_ROTATE_STEP,  ID_ZOOM_OUT,         ID_ZOOM_IN,
                                   ID_3D,           ID_DEFLECTED,    ID_DEFLECTION_SCALE, ID_ANIMATION,
                                   ID_APPLIED_LOAD, ID_ELEMENT_NO,   ID_SHOW_STRESSES,    ID_SAVE_IMAGE,
                                   ID_LOAD_FILE,    ID_EXIT};

}  // namespace

void layout_main_window(int width, int height)
{
    const int canvas_width = std::max(width - CONTROL_COLUMN_WIDTH, 1);
    const int canvas_height = std::max(height, 1);
    const int shift = canvas_width - gadget_width(ID_CANVAS);
    if (shift == 0 && canvas_height == gadget_height(ID_CANVAS))
        return;
    if (!gadget_resize(ID_CANVAS, 0, 0, canvas_width, canvas_height))
        return;
    for (int control : COLUMN_CONTROLS)
        gadget_resize(control, gadget_x(control) + shift, gadget_y(control), gadget_width(control),
                      gadget_height(control));
    set_canvas_size(canvas_width, canvas_height);
    picking_invalidate();
}

void main_window_resized()
{
    int width = 0, height = 0;
    if (!win_inner_size(MAIN_WINDOW, width, height))
        return;
    layout_main_window(width, height);
    refresh_projection(false);
    redraw_view();
}

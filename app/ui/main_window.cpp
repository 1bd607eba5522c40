// The main window and its commands.
//
// The window holds the 700 x 500 canvas at the left and a column of controls at the right, laid
// out with a running y that starts at 10 and a row height of 24 (labels and buttons 19 px high,
// edit fields 17, option buttons and check boxes 24). Every command works on the globals of
// app/model.h and then re-projects, redraws or animates the view; nothing runs in the background:
// a command runs to its end before the next event is taken. Canvas input (app/gestures.h), keys
// (app/context_menu.h), dropped files and changes of the watched file (app/reload.h) are handed
// on from the event loop.
#include "app/ui/main_window.h"

#include <cmath>

#include "app/model/analysis.h"
#include "app/model/model.h"
#include "app/ui/canvas_view.h"
#include "app/ui/context_menu.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/save_image.h"
#include "app/view/view.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

constexpr int WINDOW_X = 150;  // outer position on the screen, pixels
constexpr int WINDOW_Y = 150;
constexpr int WINDOW_WIDTH = 800;  // client area, pixels
constexpr int WINDOW_HEIGHT = 500;
// Caption, system menu with close box and minimise box: no maximise box, no sizing border.
constexpr std::uint32_t MAIN_WINDOW_FLAGS = WIN_CAPTION | WIN_SYSTEM_MENU | WIN_MINIMISE_BOX;

// Takes the rotation step afresh from its field. Text that is no number, and a step that is not
// finite ("NaN", "+Infinity", "1e39"), give 0: such a step would leave the angles unusable.
float read_rotation_step()
{
    const float step = str_to_float(gadget_get_text(ID_ROTATE_STEP));
    View.rotation_step = std::isfinite(step) ? step : 0.0f;
    return View.rotation_step;
}

// "+" and "-": the selected option chooses the angle; "-" refits, "+" keeps the scale.
void rotate_command(bool plus)
{
    const float step = read_rotation_step();
    const bool horizontal = gadget_get_state(ID_HORIZONTAL) != 0;
    rotate_view(horizontal, plus ? -step : step);
    refresh_projection(!plus);
    redraw_view();
}

// Unticks "Deflected" and switches the deflected shape off with it.
void clear_deflected()
{
    gadget_set_state(ID_DEFLECTED, 0);
    View.show_deflected = 0;
}

}  // namespace

void open_main_window()
{
    win_open(MAIN_WINDOW, WINDOW_X, WINDOW_Y, WINDOW_WIDTH, WINDOW_HEIGHT, title_text, MAIN_WINDOW_FLAGS);
    gadget_canvas(ID_CANVAS, 0, 0, CANVAS_WIDTH, CANVAS_HEIGHT);
    gadget_text(ID_ROTATE_LABEL, 720, 10, 60, 19, "Rotate");
    gadget_button(ID_ROTATE_MINUS, 710, 30, 30, 19, "-");
    gadget_button(ID_ROTATE_PLUS, 745, 30, 30, 19, "+");
    gadget_option(ID_VERTICAL, 715, 50, 110, 24, "Vertical");
    gadget_option(ID_HORIZONTAL, 715, 70, 110, 24, "Horizontal");
    gadget_set_state(ID_VERTICAL, 1);
    gadget_string(ID_ROTATE_STEP, 730, 90, 28, 17, str_from_float(View.rotation_step, 0));
    gadget_button(ID_ZOOM_OUT, 710, 120, 30, 19, "Out");
    gadget_button(ID_ZOOM_IN, 745, 120, 30, 19, "In");
    gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
    gadget_checkbox(ID_DEFLECTED, 710, 180, 90, 24, "Deflected");
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, str_from_float(TrussModel.deflection_scale, 0));
    gadget_button(ID_ANIMATION, 710, 240, 60, 19, "Animation");
    gadget_checkbox(ID_APPLIED_LOAD, 710, 290, 90, 24, "Applied Load");
    gadget_checkbox(ID_ELEMENT_NO, 710, 320, 90, 24, "Element No.");
    gadget_button(ID_SHOW_STRESSES, 710, 350, 85, 19, "Show Stresses");
    gadget_button(ID_SAVE_IMAGE, 710, 400, 60, 19, "Save Image");
    gadget_button(ID_LOAD_FILE, 710, 430, 60, 19, "Load File");
    gadget_button(ID_EXIT, 710, 460, 60, 19, "Exit");
    gestures_reset();  // nothing selected or cached from an earlier window
}

std::uint32_t on_window_message(std::intptr_t, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == WIN_MESSAGE_PAINT) {
        redraw_pending = 1;
    }
    return DEFAULT_CALLBACK_RESULT;
}

bool run_command(int control)
{
    switch (control) {
    case ID_ROTATE_PLUS:
        rotate_command(true);
        break;
    case ID_ROTATE_MINUS:
        rotate_command(false);
        break;
    case ID_ZOOM_OUT:
        if (zoom_out()) {
            refresh_projection(false);
            redraw_view();
        }
        break;
    case ID_ZOOM_IN:
        if (zoom_in()) {
            refresh_projection(false);
            redraw_view();
        }
        break;
    case ID_3D:
        if (gadget_get_state(ID_3D) != 0) {
            apply_3d_view_preset();
        } else {
            apply_plan_view_preset();
        }
        refresh_projection(true);
        redraw_view();
        break;
    case ID_DEFLECTED:
        if (results_missing != 0) {
            clear_deflected();  // no deflections were read: the box does not stay ticked
            break;
        }
        if (gadget_get_state(ID_DEFLECTED) != 0) {
            View.show_deflected = 1;
            TrussModel.deflection_scale = str_to_float(gadget_get_text(ID_DEFLECTION_SCALE));
        } else {
            View.show_deflected = 0;
        }
        redraw_view();
        break;
    case ID_DEFLECTION_SCALE:
        // Clicking into the scale field or typing in it takes the shape away until "Deflected"
        // is ticked again, which reads the new scale. The focus loss is left alone: a click on
        // "Deflected" raises it, and when the press and the release arrive in one platform wait
        // the box is already ticked when the field's event is taken, so unticking it then would
        // swallow the click.
        if (event_data() != STRING_FOCUS_LOST) {
            clear_deflected();
            redraw_view();
        }
        break;
    case ID_ANIMATION:
        if (results_missing != 0) {
            break;  // nothing to animate
        }
        clear_deflected();
        animate_deflection();
        redraw_view();
        break;
    case ID_APPLIED_LOAD:
        View.show_load_values = gadget_get_state(ID_APPLIED_LOAD) != 0 ? 1 : 0;
        redraw_view();
        break;
    case ID_ELEMENT_NO:
        View.show_element_numbers = gadget_get_state(ID_ELEMENT_NO) != 0 ? 1 : 0;
        redraw_view();
        break;
    case ID_SHOW_STRESSES:
        if (results_missing == 0) {
            gadget_set_state(ID_ELEMENT_NO, 1);
            View.show_element_numbers = 1;
            redraw_view();
            draw_stress_list();
        }
        break;
    case ID_SAVE_IMAGE:
        save_view_image();
        break;
    case ID_LOAD_FILE:
        if (load_file())
            after_load();
        break;
    case ID_EXIT:
        return true;
    default:
        break;  // the label, the option buttons, the step field and the canvas do nothing
    }
    return false;
}

bool handle_event(int event)
{
    bool leave = event == EVENT_CLOSE_WINDOW;
    if (event == EVENT_GADGET && event_gadget() == ID_CANVAS && event_canvas_input() != nullptr) {
        handle_canvas_input(event_data(), *event_canvas_input());
    } else if (event == EVENT_GADGET) {
        leave = run_command(event_gadget());
    } else if (event == EVENT_KEY) {
        run_shortcut(event_gadget(), event_data());
    } else if (event == EVENT_DROP) {
        open_dropped_file(event_drop_path());
    } else if (event == EVENT_FILE_CHANGED) {
        file_changed();
    }
    if (redraw_pending != 0) {
        redraw_view();
        redraw_pending = 0;
    }
    // The results window and the scale field's tooltip state the drawn shape's magnification,
    // which zooms and new deflection scales change.
    static double shown_magnification = -1.0;
    const double magnification = results_missing == 0 ? drawn_magnification() : 0.0;
    if (magnification != shown_magnification) {
        shown_magnification = magnification;
        results_window_view_changed();
        gadget_set_tooltip(ID_DEFLECTION_SCALE, magnification > 0.0 ? magnification_text() : "", -1, -1);
    }
    return leave;
}

void run_event_loop()
{
    while (!handle_event(event_wait())) {
    }
}

// The main window, its controls' events and the event loop.
//
// The window holds the 700 x 500 canvas at the left and a column of controls at the right, laid
// out with a running y that starts at 10 and a row height of 24 (labels and buttons 19 px high,
// edit fields 17, option buttons and check boxes 24). A control's event runs its command from the
// command table (app/ui/commands.h), which works on the settings (View) and the model; nothing is
// read back from a check box or an option button: a click flips the switch or makes the choice,
// and the boxes and buttons are set from the settings after every command. The edit fields' events
// take their texts into the settings; what changes the scale text otherwise (loading, reloading)
// sets the field from it. Canvas input (app/ui/gestures.h), keys (app/ui/commands.h), dropped
// files and changes of the watched file (app/ui/reload.h) are handed on from the event loop.
#include "app/ui/main_window.h"

#include <string>
#include <utility>

#include "app/model/analysis.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/commands.h"
#include "app/ui/context_menu.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/magnification.h"
#include "app/ui/read_results_file.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/save_image.h"
#include "app/ui/window_layout.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

constexpr int READ_NOTE_MS = 200;  // how often the note of a read in the background is brought up to date
constexpr int WINDOW_X = 150;      // outer position on the screen, pixels
constexpr int WINDOW_Y = 150;
constexpr int WINDOW_WIDTH = 800;  // client area, pixels
constexpr int WINDOW_HEIGHT = 500;
// Caption, system menu with close box, minimise and maximise boxes and a sizing border: the
// window opens at its size and may be enlarged (app/ui/window_layout.h lays it out).
constexpr std::uint32_t MAIN_WINDOW_FLAGS = WIN_CAPTION | WIN_SYSTEM_MENU | WIN_MINIMISE_BOX | WIN_MAXIMISE_BOX |
                                            WIN_SIZING_BORDER;

// What a control's own event tells that its command does not: an edit field's text, taken into
// its setting at each of its events. "+" and "-" take the step field's text as it stands at the
// press as well, so that a text put there without a change event counts too. False when the
// event runs no command: the scale field losing the focus. A click on "Deflected" takes the focus
// from it, and when the press and the release arrive in one platform wait the box is already
// ticked when the field's event is taken, so unticking it then would swallow the click.
bool take_control_event(int control)
{
    switch (control) {
    case ID_ROTATE_STEP:
    case ID_ROTATE_MINUS:
    case ID_ROTATE_PLUS:
        View.rotation_step_text = gadget_get_text(ID_ROTATE_STEP);
        return true;
    case ID_DEFLECTION_SCALE: {
        // A scale typed into the field takes over from a true magnification.
        std::string text = gadget_get_text(ID_DEFLECTION_SCALE);
        if (text != View.deflection_scale_text)
            View.magnification = 0.0f;
        View.deflection_scale_text = std::move(text);
        return event_data() != STRING_FOCUS_LOST;
    }
    default:
        return true;
    }
}

}  // namespace

void open_main_window()
{
    // The window opens with the column in its start-up states and the settings it mirrors so.
    View.preset_3d = false;
    View.rotate_horizontal = false;
    View.show_deflected = 0;
    View.show_load_values = 0;
    View.show_element_numbers = 0;
    View.rotation_step_text = str_from_float(View.rotation_step, 0);
    View.deflection_scale_text = str_from_float(TrussModel.deflection_scale, 0);

    win_open(MAIN_WINDOW, WINDOW_X, WINDOW_Y, WINDOW_WIDTH, WINDOW_HEIGHT, title_text, MAIN_WINDOW_FLAGS);
    gadget_canvas(ID_CANVAS, 0, 0, CANVAS_WIDTH, CANVAS_HEIGHT);
    gadget_text(ID_ROTATE_LABEL, 720, 10, 60, 19, "Rotate");
    gadget_button(ID_ROTATE_MINUS, 710, 30, 30, 19, control_label(ID_ROTATE_MINUS));
    gadget_button(ID_ROTATE_PLUS, 745, 30, 30, 19, control_label(ID_ROTATE_PLUS));
    gadget_option(ID_VERTICAL, 715, 50, 110, 24, control_label(ID_VERTICAL));
    gadget_option(ID_HORIZONTAL, 715, 70, 110, 24, control_label(ID_HORIZONTAL));
    gadget_string(ID_ROTATE_STEP, 730, 90, 28, 17, View.rotation_step_text);
    gadget_button(ID_ZOOM_OUT, 710, 120, 30, 19, control_label(ID_ZOOM_OUT));
    gadget_button(ID_ZOOM_IN, 745, 120, 30, 19, control_label(ID_ZOOM_IN));
    gadget_checkbox(ID_3D, 710, 150, 90, 24, control_label(ID_3D));
    gadget_checkbox(ID_DEFLECTED, 710, 180, 90, 24, control_label(ID_DEFLECTED));
    gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, View.deflection_scale_text);
    gadget_button(ID_ANIMATION, 710, 240, 60, 19, control_label(ID_ANIMATION));
    gadget_checkbox(ID_APPLIED_LOAD, 710, 290, 90, 24, control_label(ID_APPLIED_LOAD));
    gadget_checkbox(ID_ELEMENT_NO, 710, 320, 90, 24, control_label(ID_ELEMENT_NO));
    gadget_button(ID_SHOW_STRESSES, 710, 350, 85, 19, control_label(ID_SHOW_STRESSES));
    gadget_button(ID_SAVE_IMAGE, 710, 400, 60, 19, control_label(ID_SAVE_IMAGE));
    gadget_button(ID_LOAD_FILE, 710, 430, 60, 19, control_label(ID_LOAD_FILE));
    gadget_button(ID_EXIT, 710, 460, 60, 19, control_label(ID_EXIT));
    show_switches();
    gestures_reset();  // nothing selected or cached from an earlier window
}

void show_switches()
{
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.control != 0 && command.checked != nullptr)
            gadget_set_state(command.control, command.checked() ? 1 : 0);
    }
}

void show_settings()
{
    show_switches();
    gadget_set_text(ID_DEFLECTION_SCALE, View.deflection_scale_text);
}

void show_read_settings()
{
    // The reader ticks "3D" for a spatial model and puts the scale it finds in the scale field;
    // without deflections the scale stays at the 0 the field already shows.
    View.preset_3d = planar_model == 0;
    View.deflection_scale_text = str_from_float(TrussModel.deflection_scale, 0);
    show_settings();
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
    if (!take_control_event(control))
        return false;
    const ViewerCommand* command = control_command(control);
    if (command == nullptr)
        return false;  // the label "Rotate", the step field and the canvas run nothing
    run_viewer_command(*command);
    return command->ends;
}

bool handle_event(int event)
{
    bool leave = event == EVENT_CLOSE_WINDOW;
    if (results_read_event(event)) {
        // the end of a read in the background, or Escape stopping it
    } else if (event == EVENT_GADGET && event_gadget() == ID_CANVAS && event_canvas_input() != nullptr) {
        handle_canvas_input(event_data(), *event_canvas_input());
    } else if (event == EVENT_GADGET) {
        leave = run_command(event_gadget());
    } else if (event == EVENT_KEY) {
        if (!case_key(event_gadget(), event_data()))
            run_shortcut(event_gadget(), event_data());
    } else if (event == EVENT_DROP) {
        open_dropped_files(event_drop_paths());
    } else if (event == EVENT_FILE_CHANGED) {
        file_changed();
    } else if (event == EVENT_SIZE_WINDOW && event_window() == MAIN_WINDOW) {
        main_window_resized();
    }
    if (redraw_pending != 0) {
        redraw_view();
        redraw_pending = 0;
    }
    follow_magnification();
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
    // While a read goes on in the background the wait comes back now and then for its note.
    while (!handle_event(results_read_running() ? event_wait_timeout(READ_NOTE_MS) : event_wait())) {
    }
}

// The command table and the commands of the main window's controls.
//
// Every command works on View, the model and its projection, then re-projects, redraws or
// animates; a command runs to its end before the next event is taken. Where a command changes a
// switch before a long drawing (the result table's pauses, the animation), it shows the switches
// first, so the column already shows what is being drawn.
//
// State: the table, filled on first use.
#include "app/ui/commands.h"

#include <cmath>
#include <utility>

#include "app/ui/canvas_view.h"
#include "app/ui/context_menu.h"
#include "app/ui/design_check.h"
#include "app/ui/export_commands.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/magnification.h"
#include "app/ui/main_window.h"
#include "app/ui/reload.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/results_window.h"
#include "app/ui/save_image.h"
#include "app/ui/view_keys.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/str.h"
#include "gui/input.h"

namespace {

// "+" and "-" turn by the step typed in the step field: text that is no number, and a step that is
// not finite ("NaN", "+Infinity", "1e39"), give 0, as such a step would leave the angles unusable.
// The chosen axis decides the angle; "-" refits, "+" keeps the scale.
void rotate(bool plus)
{
    const float step = str_to_float(View.rotation_step_text);
    View.rotation_step = std::isfinite(step) ? step : 0.0f;
    rotate_view(View.rotate_horizontal, plus ? -View.rotation_step : View.rotation_step);
    refresh_projection(!plus);
    redraw_view();
}

void zoom(bool in)
{
    if (in ? zoom_in() : zoom_out()) {
        refresh_projection(false);
        redraw_view();
    }
}

void set_3d_view(bool on)
{
    View.preset_3d = on;
    if (on) {
        apply_3d_view_preset();
    } else {
        apply_plan_view_preset();
    }
    refresh_projection(true);
    redraw_view();
}

// The deflected shape off, and "Deflected" unticked with it.
void clear_deflected()
{
    View.show_deflected = 0;
    show_switches();
}

// "Deflected" takes the scale field's text as the deflection scale each time it is ticked.
void set_deflected(bool on)
{
    if (results_missing != 0) {
        clear_deflected();  // no deflections were read: the box does not stay ticked
        return;
    }
    View.show_deflected = on ? 1 : 0;
    if (on)
        View.deflection_scale = str_to_float(View.deflection_scale_text);
    redraw_view();
}

// An edit of the scale field takes the shape away until "Deflected" is ticked again.
void scale_edited()
{
    clear_deflected();
    redraw_view();
}

void animate()
{
    if (results_missing != 0)
        return;  // nothing to animate
    clear_deflected();
    animate_deflection();
    redraw_view();
}

void show_stresses()
{
    if (results_missing != 0)
        return;
    View.show_element_numbers = 1;
    show_switches();
    redraw_view();
    draw_stress_list();
}

void load()
{
    load_file();
}

// A check box that switches labels of the picture.
ViewerCommand label_switch(int control, const char* label, std::int8_t ViewSettings::*flag)
{
    return ViewerCommand{.label = label,
                         .control = control,
                         .checked = [flag] { return View.*flag != 0; },
                         .set =
                             [flag](bool on) {
                                 View.*flag = on ? 1 : 0;
                                 redraw_view();
                             }};
}

std::vector<ViewerCommand> defaults()
{
    return {
        // The context menu, in its order.
        overlay_switch("Force colours", 'c', &OverlayStateData::show_force_colours),
        overlay_switch("Node numbers", 'n', &OverlayStateData::show_node_numbers),
        overlay_switch("Reactions", 'r', &OverlayStateData::show_reactions),
        overlay_switch("Largest deflection", 'm', &OverlayStateData::show_max_deflection, true),
        {.label = "Results window...",
         .key = 'r',
         .modifiers = KEY_MOD_CTRL,
         .run = results_window_show,
         .divider = true},
        {.label = "Export picture...", .run = export_picture_command},
        {.label = "Export animation...", .run = export_animation_command},
        {.label = "Export results...", .run = export_results_command, .divider = true},
        {.label = "Fit the model", .key = KEY_HOME, .run = fit_model},
        {.label = "Clear the selection", .key = KEY_ESCAPE, .run = clear_selection, .divider = true},
        {.label = "Reload", .key = KEY_F5, .run = reload_file},
        {.label = "Reload when the file changes",
         .checked = reload_on_change,
         .set = set_reload_on_change,
         .divider = true},
        {.label = "Copy picture", .key = 'c', .modifiers = KEY_MOD_CTRL, .run = copy_picture_command},
        {.label = "Print picture...", .key = 'p', .modifiers = KEY_MOD_CTRL, .run = print_picture_command},
        {.label = "Export calculation sheet...", .run = export_sheet_command, .divider = true},
        {.label = "Reset settings", .run = reset_settings},
        {.label = "Controls...", .key = KEY_F1, .run = show_controls, .divider = true},
        // The engineer's checks, after the entries the menu has always had.
        overlay_switch("Utilisation colours", 'u', &OverlayStateData::show_utilisation),
        overlay_switch("Free body of the node", 'f', &OverlayStateData::show_free_body),
        {.label = "Design check...", .run = design_check_command},
        {.label = "Units...", .run = units_command},
        {.label = "Magnification...", .run = magnification_command},
        // Which value labels are drawn.
        label_filter_choice(0),
        label_filter_choice(1),
        label_filter_choice(2),
        label_filter_choice(3),

        // The column of controls, from the top down. An edit field's command runs on its
        // change events (main_window.cpp takes its text first).
        {.label = "-", .control = ID_ROTATE_MINUS, .run = [] { rotate(false); }},
        {.label = "+", .control = ID_ROTATE_PLUS, .run = [] { rotate(true); }},
        {.label = "Vertical",
         .control = ID_VERTICAL,
         .checked = [] { return !View.rotate_horizontal; },
         .run = [] { View.rotate_horizontal = false; }},
        {.label = "Horizontal",
         .control = ID_HORIZONTAL,
         .checked = [] { return View.rotate_horizontal; },
         .run = [] { View.rotate_horizontal = true; }},
        {.label = "Out", .control = ID_ZOOM_OUT, .run = [] { zoom(false); }},
        {.label = "In", .control = ID_ZOOM_IN, .run = [] { zoom(true); }},
        {.label = "3D", .control = ID_3D, .checked = [] { return View.preset_3d; }, .set = set_3d_view},
        {.label = "Deflected",
         .control = ID_DEFLECTED,
         .checked = [] { return View.show_deflected != 0; },
         .set = set_deflected},
        {.label = "", .control = ID_DEFLECTION_SCALE, .run = scale_edited},
        {.label = "Animation", .control = ID_ANIMATION, .run = animate},
        label_switch(ID_APPLIED_LOAD, "Applied Load", &ViewSettings::show_load_values),
        label_switch(ID_ELEMENT_NO, "Element No.", &ViewSettings::show_element_numbers),
        {.label = "Show Stresses", .control = ID_SHOW_STRESSES, .run = show_stresses},
        {.label = "Save Image", .control = ID_SAVE_IMAGE, .run = save_view_image},
        {.label = "Load File", .control = ID_LOAD_FILE, .run = load},
        {.label = "Exit", .control = ID_EXIT, .ends = true},
    };
}

}  // namespace

ViewerCommand overlay_switch(const char* label, int key, bool OverlayStateData::*flag, bool divider)
{
    return ViewerCommand{.label = label,
                         .key = key,
                         .checked = [flag] { return View.overlays.*flag; },
                         .set =
                             [flag](bool on) {
                                 View.overlays.*flag = on;
                                 redraw_view();
                             },
                         .divider = divider};
}

const std::vector<ViewerCommand>& viewer_commands()
{
    static const std::vector<ViewerCommand> table = [] {
        std::vector<ViewerCommand> commands = defaults();
        for (ViewerCommand& command : view_key_commands())
            commands.push_back(std::move(command));
        return commands;
    }();
    return table;
}

const ViewerCommand* control_command(int control)
{
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.control != 0 && command.control == control)
            return &command;
    }
    return nullptr;
}

std::string control_label(int control)
{
    const ViewerCommand* command = control_command(control);
    return command != nullptr ? command->label : std::string();
}

void run_viewer_command(const ViewerCommand& command)
{
    if (command.set != nullptr && command.checked != nullptr) {
        command.set(!command.checked());
    } else if (command.run != nullptr) {
        command.run();
    }
    show_switches();
}

bool run_shortcut(int key, int modifiers)
{
    const int wanted = modifiers & (KEY_MOD_CTRL | KEY_MOD_ALT);
    if (key >= 'A' && key <= 'Z')
        key += 'a' - 'A';
    key = shortcut_key(key);
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.key != 0 && command.key == key && command.modifiers == wanted) {
            run_viewer_command(command);
            return true;
        }
    }
    return false;
}

void set_control_switch(int control, bool on)
{
    const ViewerCommand* command = control_command(control);
    if (command != nullptr && command->set != nullptr) {
        command->set(on);
        show_switches();
    }
}

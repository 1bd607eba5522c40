// The view keys. A turn keeps the scale and the pan (as "+" does), a zoom goes through the wheel's
// zoom at the canvas centre, which counts its notches from where a run began.
//
// State: for each axis the run of key turns in progress (the angle it started from, its step and
// count, and the angle it left), so that an angle changed by anything else starts a new run.
#include "app/ui/view_keys.h"

#include <cmath>

#include "app/ui/canvas_view.h"
#include "app/ui/find.h"
#include "app/ui/gestures.h"
#include "app/ui/window_state.h"
#include "core/str.h"
#include "gui/input.h"

namespace {

struct TurnRun {
    bool valid = false;
    float start = 0.0f;  // degrees, the angle before the run's first turn
    float step = 0.0f;   // degrees per turn
    int count = 0;       // turns so far, signed
    float after = 0.0f;  // degrees, the angle the last turn left
};

TurnRun runs[2];  // azimuth, elevation

}  // namespace

void turn_by_key(bool tilt, int steps)
{
    const float typed = str_to_float(View.rotation_step_text);
    const float step = std::isfinite(typed) ? typed : 0.0f;
    float& angle = tilt ? View.elevation : View.azimuth;
    TurnRun& run = runs[tilt ? 1 : 0];
    if (!run.valid || run.step != step || run.after != angle)
        run = TurnRun{true, angle, step, 0, angle};
    run.count += steps;
    angle = run.count == 0 ? run.start
                           : static_cast<float>(static_cast<double>(run.start) + run.count * static_cast<double>(step));
    run.after = angle;
    refresh_projection(false);
    redraw_view();
}

void zoom_by_key(int notches)
{
    wheel_zoom(notches, static_cast<int>(std::lround(View.canvas.centre_x)),
               static_cast<int>(std::lround(View.canvas.centre_y)));
}

int shortcut_key(int key)
{
    switch (key) {
    case '=':
    case KEY_KEYPAD_PLUS:
        return '+';
    case KEY_KEYPAD_MINUS:
        return '-';
    default:
        return key;
    }
}

std::vector<ViewerCommand> view_key_commands()
{
    return {
        {.label = "Turn left by the step", .key = KEY_LEFT, .run = [] { turn_by_key(false, -1); }},
        {.label = "Turn right by the step", .key = KEY_RIGHT, .run = [] { turn_by_key(false, 1); }},
        {.label = "Tilt up by the step", .key = KEY_UP, .run = [] { turn_by_key(true, -1); }},
        {.label = "Tilt down by the step", .key = KEY_DOWN, .run = [] { turn_by_key(true, 1); }},
        {.label = "Zoom in by 1.1 (also = and keypad +)", .key = '+', .run = [] { zoom_by_key(1); }},
        {.label = "Zoom out by 1.1 (also keypad -)", .key = '-', .run = [] { zoom_by_key(-1); }},
        {.label = "Find a member or node...", .key = 'f', .modifiers = KEY_MOD_CTRL, .run = find_command},
        {.label = "Zoom to the selection", .key = 'z', .run = [] { zoom_to_selection(); }},
        overlay_switch("Load arrows", 'l', &OverlayStateData::show_loads),
        overlay_switch("Support markers", 's', &OverlayStateData::show_supports),
    };
}

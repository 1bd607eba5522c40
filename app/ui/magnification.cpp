// The true magnification's command and the scale field that follows it.
//
// State: none of its own; View.magnification, View's deflection scale and its text, and the scale
// field.
#include "app/ui/magnification.h"

#include <cstdio>
#include <string>

#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/requester.h"

void magnification_command()
{
    std::string text;
    if (View.magnification > 0.0f) {
        char number[32];
        std::snprintf(number, sizeof number, "%g", static_cast<double>(View.magnification));
        text = number;
    }
    if (!req_text("Magnification",
                  "Deflections drawn N times their real size at any zoom; empty for the scale field's:", text))
        return;
    if (text.find_first_not_of(' ') == std::string::npos) {
        // The field decides again, from the scale it shows.
        View.magnification = 0.0f;
        View.deflection_scale = str_to_float(View.deflection_scale_text);
    } else {
        const float n = str_to_float(text);
        if (!(n >= MAGNIFICATION_MIN && n <= MAGNIFICATION_MAX)) {
            char range[96];
            std::snprintf(range, sizeof range, "The magnification is a number from %g to %g", MAGNIFICATION_MIN,
                          MAGNIFICATION_MAX);
            req_message_ok("Warning", range);
            return;
        }
        View.magnification = n;
        if (results_missing == 0)
            View.show_deflected = 1;
        follow_magnification();
    }
    show_switches();
    redraw_view();
    results_window_view_changed();
}

void follow_magnification()
{
    if (!(View.magnification > 0.0f))
        return;
    const float scale = shape_deflection_scale(View);
    const std::string text = str_from_float(scale, 0);
    View.deflection_scale = scale;
    if (text == View.deflection_scale_text)
        return;
    View.deflection_scale_text = text;
    gadget_set_text(ID_DEFLECTION_SCALE, text);
}

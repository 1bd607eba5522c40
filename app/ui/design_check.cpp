// "Units..." and "Design check...": text boxes and the open-file dialog, then the loaded numbers
// recomputed with what the user gave. A bad answer is refused in a "Warning" box and changes
// nothing.
//
// State: none of its own; it sets the user's units and limits in app/ui/loaded_numbers.h and the
// utilisation switch in View.
#include "app/ui/design_check.h"

#include <cstdio>
#include <string>

#include "app/export/design_input.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "core/file_name.h"
#include "gui/requester.h"

namespace {

// The numbers and everything showing them, anew.
void numbers_changed()
{
    case_checks_changed();
    redraw_view();
    results_window_refresh();
}

std::string number_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

void units_command()
{
    std::string text = user_units() ? user_units()->length + "," + user_units()->force + "," + user_units()->stress
                                    : std::string();
    if (!req_text("Units", "Length, force, stress (such as m,kN,MPa); empty for the file's own:", text))
        return;
    if (text.find_first_not_of(' ') == std::string::npos) {
        set_user_units(std::nullopt);
    } else if (const std::optional<Units> units = parse_units(text)) {
        set_user_units(units);
    } else {
        req_message_ok("Warning", "Units are three names separated by commas, such as m,kN,MPa");
        return;
    }
    numbers_changed();
}

void design_check_command()
{
    DesignLimits limits = design_limits();
    std::string text = limits.tension > 0 ? number_text(limits.tension) + "," + number_text(limits.compression) : "";
    const std::string unit = model_numbers().units.stress;
    const std::string prompt = "Allowable stress in tension[, compression]" + (unit.empty() ? "" : " in " + unit) +
                               "; empty for none:";
    if (!req_text("Design check", prompt, text))
        return;
    if (text.find_first_not_of(' ') == std::string::npos) {
        limits.tension = limits.compression = 0;
    } else if (double t = 0, c = 0; parse_stress_limits(text, t, c) && t > 0 && c > 0) {
        limits.tension = t;
        limits.compression = c;
    } else {
        req_message_ok("Warning", "The allowable stresses are one or two numbers above 0, such as 250 or 250,180");
        return;
    }
    const std::string input = req_open_file("Solver input for the buckling check (Cancel: none)",
                                            std::string(path_folder(results_path)),
                                            "Truss input (*.truss)|*.truss|All files (*.*)|*.*", 0);
    limits.sections.clear();
    if (!input.empty()) {
        const std::string failure = read_member_sections(input, static_cast<int>(model_numbers().members.size()) - 1,
                                                         limits);
        if (!failure.empty()) {
            req_message_ok("Warning", failure);
            return;
        }
    }
    set_design_limits(limits);
    View.overlays.show_utilisation = true;
    numbers_changed();
}

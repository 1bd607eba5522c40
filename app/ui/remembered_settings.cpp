// The remembered settings: one table of the additions' switches with their stored names; the
// window's client size, which is stored only when it is larger than the start-up size, and its
// position; the results window's layout, the checks and the dialogs' folders by name.
//
// Touches View.overlays, the main window's size and position, the results window's layout and the
// checks' units and limits (app/ui/loaded_numbers.h).
#include "app/ui/remembered_settings.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/model/checks.h"
#include "app/model/units.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "app/view/label_placement.h"
#include "core/file_name.h"
#include "gui/capture.h"
#include "gui/preferences.h"
#include "gui/window.h"

namespace {

constexpr int START_WIDTH = 800;  // the main window's client area at start-up, pixels
constexpr int START_HEIGHT = 500;
constexpr const char* LABEL_FILTER_KEY = "label_filter";  // stored as its text ("top10")

struct RememberedSwitch {
    const char* name;              // stored under this name, as 0 or 1
    bool OverlayStateData::*flag;  // the switch
};

constexpr RememberedSwitch SWITCHES[] = {
    {"force_colours", &OverlayStateData::show_force_colours},
    {"legend", &OverlayStateData::show_legend},
    {"node_numbers", &OverlayStateData::show_node_numbers},
    {"reactions", &OverlayStateData::show_reactions},
    {"largest_deflection", &OverlayStateData::show_max_deflection},
    {"load_arrows", &OverlayStateData::show_loads},
    {"support_markers", &OverlayStateData::show_supports},
    {"utilisation_colours", &OverlayStateData::show_utilisation},
};

const char* const FOLDER_KEYS[] = {"folder_load", "folder_image", "folder_export"};  // by DialogFolder
std::string start_folders[3];  // by DialogFolder: as the last run left them (a run's choices count from the next)

// A number stored so that it reads back the same.
std::string exact_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The main window where the last run left it.
void restore_window_position()
{
    const int x = pref_get_int("window_x", WIN_DEFAULT_POSITION);
    const int y = pref_get_int("window_y", WIN_DEFAULT_POSITION);
    if (x != WIN_DEFAULT_POSITION && y != WIN_DEFAULT_POSITION)
        win_move(MAIN_WINDOW, x, y);
}

// The results window's size and sort, the units and the allowable stresses as stored.
void restore_windows_and_checks()
{
    ResultsLayout layout;
    layout.width = pref_get_int("results_width", 0);
    layout.height = pref_get_int("results_height", 0);
    layout.sort_column[RESULTS_MEMBERS] = pref_get_int("members_sort", -1);
    layout.descending[RESULTS_MEMBERS] = pref_get_int("members_descending", 0) != 0;
    layout.sort_column[RESULTS_NODES] = pref_get_int("nodes_sort", -1);
    layout.descending[RESULTS_NODES] = pref_get_int("nodes_descending", 0) != 0;
    set_results_window_layout(layout);
    if (const std::optional<Units> units = parse_units(pref_get("units", "")))
        set_user_units(units);
    DesignLimits limits;
    if (parse_stress_limits(pref_get("allowable_stress", ""), limits.tension, limits.compression) &&
        limits.tension > 0 && limits.compression > 0)
        set_design_limits(limits);
}

void remember_windows_and_checks()
{
    int left = 0, top = 0, right = 0, bottom = 0;
    if (win_outer_rect(win_handle(MAIN_WINDOW), left, top, right, bottom)) {
        pref_set_int("window_x", left);
        pref_set_int("window_y", top);
    }
    const ResultsLayout layout = results_window_layout();
    if (layout.width > 0 && layout.height > 0) {
        pref_set_int("results_width", layout.width);
        pref_set_int("results_height", layout.height);
    }
    pref_set_int("members_sort", layout.sort_column[RESULTS_MEMBERS]);
    pref_set_int("members_descending", layout.descending[RESULTS_MEMBERS] ? 1 : 0);
    pref_set_int("nodes_sort", layout.sort_column[RESULTS_NODES]);
    pref_set_int("nodes_descending", layout.descending[RESULTS_NODES] ? 1 : 0);
    const std::optional<Units>& units = user_units();
    pref_set("units", units ? units->length + "," + units->force + "," + units->stress : "");
    const DesignLimits& limits = design_limits();
    pref_set("allowable_stress",
             limits.tension > 0 ? exact_text(limits.tension) + "," + exact_text(limits.compression) : "");
}

}  // namespace

void restore_remembered_settings()
{
    // A switch without a stored value stays as it is.
    for (const RememberedSwitch& remembered : SWITCHES) {
        bool& flag = View.overlays.*remembered.flag;
        flag = pref_get_int(remembered.name, flag ? 1 : 0) != 0;
    }
    LabelFilter& filter = View.overlays.label_filter;
    filter = parse_label_filter(pref_get(LABEL_FILTER_KEY, label_filter_text(filter))).value_or(filter);
    const int width = pref_get_int("window_width", START_WIDTH);
    const int height = pref_get_int("window_height", START_HEIGHT);
    if (width >= START_WIDTH && height >= START_HEIGHT && (width != START_WIDTH || height != START_HEIGHT))
        win_resize(MAIN_WINDOW, width, height);
    restore_window_position();
    restore_windows_and_checks();
    for (int kind = 0; kind < 3; ++kind)
        start_folders[kind] = pref_get(FOLDER_KEYS[kind], "");
}

void remember_settings()
{
    for (const RememberedSwitch& remembered : SWITCHES)
        pref_set_int(remembered.name, View.overlays.*remembered.flag ? 1 : 0);
    pref_set(LABEL_FILTER_KEY, label_filter_text(View.overlays.label_filter));
    int width = 0, height = 0;
    if (win_inner_size(MAIN_WINDOW, width, height)) {
        pref_set_int("window_width", width);
        pref_set_int("window_height", height);
    }
    remember_windows_and_checks();
    pref_flush();
}

void reset_settings()
{
    pref_clear();
    pref_flush();
    for (const RememberedSwitch& remembered : SWITCHES)
        View.overlays.*remembered.flag = OverlayStateData{}.*remembered.flag;
    for (std::string& folder : start_folders)
        folder.clear();
    // The checks and the results window's sort as at first start too, so that the end of the run
    // does not store them again.
    set_user_units(std::nullopt);
    set_design_limits(DesignLimits{});
    ResultsLayout layout = results_window_layout();
    layout.sort_column[RESULTS_MEMBERS] = layout.sort_column[RESULTS_NODES] = -1;
    set_results_window_layout(layout);
    View.overlays.label_filter = {};
    redraw_view();
    results_window_refresh();
}

std::string remembered_folder(DialogFolder kind)
{
    const std::string& folder = start_folders[static_cast<int>(kind)];
    std::error_code error;
    return !folder.empty() && std::filesystem::is_directory(folder, error) ? folder : std::string();
}

void remember_folder(DialogFolder kind, const std::string& path)
{
    const std::string_view folder = path_folder(path);
    if (!folder.empty())
        pref_set(FOLDER_KEYS[static_cast<int>(kind)], folder);
}

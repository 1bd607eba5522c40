// The remembered settings: one table of the additions' switches with their stored names, and the
// window's client size, which is stored only when it is larger than the start-up size.
//
// Touches View.overlays and the main window's size.
#include "app/ui/remembered_settings.h"

#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/window_state.h"
#include "app/view/label_placement.h"
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
    {"force_colours", &OverlayStateData::show_force_colours},       {"legend", &OverlayStateData::show_legend},
    {"node_numbers", &OverlayStateData::show_node_numbers},         {"reactions", &OverlayStateData::show_reactions},
    {"largest_deflection", &OverlayStateData::show_max_deflection}, {"load_arrows", &OverlayStateData::show_loads},
    {"support_markers", &OverlayStateData::show_supports},
};

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
    pref_flush();
}

void reset_settings()
{
    pref_clear();
    pref_flush();
    for (const RememberedSwitch& remembered : SWITCHES)
        View.overlays.*remembered.flag = OverlayStateData{}.*remembered.flag;
    View.overlays.label_filter = {};
    redraw_view();
}

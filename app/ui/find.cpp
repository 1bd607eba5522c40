// Find and zoom-to on the window's model and view (TrussModel, View, ViewState). The selection goes
// through select_item, so the picture and the results window show it as after a click.
#include "app/ui/find.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "app/model/analysis.h"
#include "app/ui/canvas_view.h"
#include "app/ui/gestures.h"
#include "app/ui/window_state.h"
#include "gui/platform.h"
#include "gui/requester.h"

namespace {

constexpr double ZOOM_SHARE = 1.0 / 3.0;    // of the canvas that the found item fills
constexpr double MAX_FIND_SCALE = 10000.0;  // as "In": pixels per length unit at most

std::string_view trim(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A whole number of at least 1 filling text; 0 otherwise.
int positive_number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 1 ? value : 0;
}

// Widens the box (x0, y0)-(x1, y1) to hold node i's canvas point when it is finite.
void hold(int i, float& x0, float& y0, float& x1, float& y1)
{
    const float x = ViewState.node_screen[1][i], y = ViewState.node_screen[2][i];
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
}

}  // namespace

FindTarget parse_find_text(std::string_view text)
{
    text = trim(text);
    FindTarget target;
    if (!text.empty() && (text.front() == 'n' || text.front() == 'N'))
        target.node = positive_number(trim(text.substr(1)));
    else
        target.member = positive_number(text);
    return target;
}

void zoom_to_box(ViewSettings& settings, float x0, float y0, float x1, float y1, double share)
{
    if (!(settings.scale > 0.0f) || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) ||
        !std::isfinite(y1))
        return;
    const double width = std::fabs(x1 - x0), height = std::fabs(y1 - y0);
    double factor = INFINITY;
    if (width > 0.0)
        factor = std::min(factor, share * settings.canvas.width / width);
    if (height > 0.0)
        factor = std::min(factor, share * settings.canvas.height / height);
    const double old_scale = settings.scale;
    const double scale = std::isfinite(factor) ? std::min(old_scale * factor, MAX_FIND_SCALE) : old_scale;
    // The box's middle in the canvas plane (model length units, before the pan), then the pan that
    // puts it at the centre.
    const double u = ((x0 + x1) / 2.0 - settings.canvas.centre_x) / old_scale - settings.pan.u;
    const double v = ((y0 + y1) / 2.0 - settings.canvas.centre_y) / old_scale - settings.pan.v;
    settings.scale = static_cast<float>(scale);
    settings.pan.u = static_cast<float>(-u);
    settings.pan.v = static_cast<float>(-v);
}

bool zoom_to_selection()
{
    const int member = View.overlays.highlight_member, node = View.overlays.highlight_node;
    const int nodes = usable_node_count(), elements = usable_element_count();
    float x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    int a = 0, b = 0;
    if (member >= 1 && member <= elements && member_ends(TrussModel, member, nodes, a, b)) {
        hold(a, x0, y0, x1, y1);
        hold(b, x0, y0, x1, y1);
    } else if (node >= 1 && node <= nodes) {
        hold(node, x0, y0, x1, y1);
        for (int e = 1; e <= elements; ++e) {
            if (member_ends(TrussModel, e, nodes, a, b) && (a == node || b == node)) {
                hold(a, x0, y0, x1, y1);
                hold(b, x0, y0, x1, y1);
            }
        }
    } else {
        return false;
    }
    if (!(x0 <= x1) || !(y0 <= y1))
        return false;  // drawn nowhere
    zoom_to_box(View, x0, y0, x1, y1, ZOOM_SHARE);
    refresh_projection(false);
    redraw_view();
    return true;
}

void find_command()
{
    const std::optional<std::string> text = platform().ask_text("Find",
                                                                "Member number, or n and a node number (n 120):", "");
    if (!text)
        return;
    const FindTarget target = parse_find_text(*text);
    const bool member_found = target.member >= 1 && target.member <= usable_element_count();
    const bool node_found = target.node >= 1 && target.node <= usable_node_count();
    if (!member_found && !node_found) {
        req_message("Find", "\"" + *text + "\" names no member or node of this model.", 0);
        return;
    }
    select_item(target.member, target.node);
    zoom_to_selection();
}

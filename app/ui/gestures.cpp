// Mouse gestures on the canvas.
//
// A drag measures from its press: the azimuth becomes the press-time azimuth + 0.5 degree per
// pixel across, the elevation the press-time elevation + 0.5 degree per pixel down; a pan adds
// the pixels moved, divided by the scale, to the press-time pan. Neither refits: the scale stays.
//
// The wheel keeps an anchor (scale, pan and the model point under the pointer when a run of
// notches began) and a whole-number exponent: after n notches the scale is the anchor scale
// times 1.1^n and the pan puts the anchor point back under the pointer. Exponent 0 gives the
// anchor's own values, so turning in and out again ends exactly where it began. A run ends when
// the pointer moves or anything else changes the view.
//
// State: the drag in progress, the wheel anchor, and the hover tooltip's item.
#include "app/ui/gestures.h"

#include <cmath>

#include "app/model/inspect.h"
#include "app/ui/canvas_view.h"
#include "app/ui/context_menu.h"
#include "app/ui/ids.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/picking.h"
#include "app/view/view.h"
#include "gui/input.h"

namespace {

constexpr float MAX_WHEEL_SCALE = 10000.0f;  // as "In": no zooming in once the scale reaches it

enum class Drag { None, Pending, Turn, Pan };

struct DragState {
    Drag kind = Drag::None;
    bool pan = false;    // the press asked for a pan (Shift + left, or middle)
    int button = 0;      // 0 left, 2 middle
    int x0 = 0, y0 = 0;  // press point
    float azimuth0 = 0, elevation0 = 0;
    float pan_u0 = 0, pan_v0 = 0;
};

struct WheelAnchor {
    bool valid = false;
    int x = 0, y = 0;                       // pointer of the run
    float scale = 0, pan_u = 0, pan_v = 0;  // the view when the run began
    double model_u = 0, model_v = 0;        // the canvas-plane point under the pointer then
    int exponent = 0;                       // notches so far, in minus out
    // The view the last notch left; a run goes on only from exactly that view.
    float scale_after = 0, pan_u_after = 0, pan_v_after = 0, azimuth = 0, elevation = 0;
};

DragState drag;
WheelAnchor anchor;
PickResult hovered;  // the item whose tooltip is shown

void redraw_moved_view()
{
    refresh_projection(false);
    redraw_view();
}

void move_drag(const CanvasInput& input)
{
    const int dx = input.x - drag.x0, dy = input.y - drag.y0;
    if (drag.kind == Drag::Pending) {
        if (std::abs(dx) <= DRAG_THRESHOLD && std::abs(dy) <= DRAG_THRESHOLD)
            return;
        drag.kind = drag.pan ? Drag::Pan : Drag::Turn;
        gadget_set_tooltip(ID_CANVAS, "", input.x, input.y);
    }
    if (drag.kind == Drag::Turn) {
        View.azimuth = drag.azimuth0 + DRAG_DEGREES_PER_PIXEL * static_cast<float>(dx);
        View.elevation = drag.elevation0 + DRAG_DEGREES_PER_PIXEL * static_cast<float>(dy);
    } else {
        if (!(View.scale > 0.0f))
            return;
        View.pan.u = drag.pan_u0 + static_cast<float>(dx) / View.scale;
        View.pan.v = drag.pan_v0 + static_cast<float>(dy) / View.scale;
    }
    redraw_moved_view();
}

void press(const CanvasInput& input, int button)
{
    drag.kind = Drag::Pending;
    drag.button = button;
    drag.pan = button == 2 || (input.modifiers & KEY_MOD_SHIFT) != 0;
    drag.x0 = input.x;
    drag.y0 = input.y;
    drag.azimuth0 = View.azimuth;
    drag.elevation0 = View.elevation;
    drag.pan_u0 = View.pan.u;
    drag.pan_v0 = View.pan.v;
}

void release(const CanvasInput& input, int button)
{
    if (drag.kind == Drag::None || drag.button != button)
        return;
    const bool click = drag.kind == Drag::Pending;
    drag.kind = Drag::None;
    if (click && button == 0) {
        const PickResult picked = pick_at(static_cast<float>(input.x), static_cast<float>(input.y));
        select_item(picked.member, picked.node);
    }
}

void hover(const CanvasInput& input)
{
    const PickResult picked = pick_at(static_cast<float>(input.x), static_cast<float>(input.y));
    if (picked.member == hovered.member && picked.node == hovered.node)
        return;
    hovered = picked;
    const std::string text = picked.node != 0     ? node_tooltip(picked.node)
                             : picked.member != 0 ? member_tooltip(picked.member)
                                                  : std::string();
    gadget_set_tooltip(ID_CANVAS, text, input.x, input.y);
}

}  // namespace

void handle_canvas_input(int type, const CanvasInput& input)
{
    switch (type) {
    case CANVAS_LEFT_DOWN:
        press(input, 0);
        break;
    case CANVAS_MIDDLE_DOWN:
        press(input, 2);
        break;
    case CANVAS_LEFT_UP:
        release(input, 0);
        break;
    case CANVAS_MIDDLE_UP:
        release(input, 2);
        break;
    case CANVAS_MOUSE_MOVE:
        if (drag.kind != Drag::None) {
            move_drag(input);
        } else if (input.buttons == 0) {
            hover(input);
        }
        break;
    case CANVAS_MOUSE_LEAVE:
        hovered = PickResult{};
        gadget_set_tooltip(ID_CANVAS, "", 0, 0);
        break;
    case CANVAS_WHEEL:
        wheel_zoom(input.wheel, input.x, input.y);
        break;
    case CANVAS_RIGHT_CLICK:
        drag.kind = Drag::None;
        show_context_menu(input.x, input.y);
        break;
    default:
        break;
    }
}

bool wheel_zoom(int notches, int x, int y)
{
    if (notches == 0 || !(View.scale > 0.0f) || !std::isfinite(View.scale))
        return false;
    const bool same_run = anchor.valid && anchor.x == x && anchor.y == y && anchor.scale_after == View.scale &&
                          anchor.pan_u_after == View.pan.u && anchor.pan_v_after == View.pan.v &&
                          anchor.azimuth == View.azimuth && anchor.elevation == View.elevation;
    if (!same_run) {
        anchor = WheelAnchor{};
        anchor.valid = true;
        anchor.x = x;
        anchor.y = y;
        anchor.scale = View.scale;
        anchor.pan_u = View.pan.u;
        anchor.pan_v = View.pan.v;
        anchor.model_u = (x - View.canvas.centre_x) / static_cast<double>(anchor.scale) - anchor.pan_u;
        anchor.model_v = (y - View.canvas.centre_y) / static_cast<double>(anchor.scale) - anchor.pan_v;
    }
    if (notches > 0 && !(View.scale < MAX_WHEEL_SCALE))
        return false;
    const int exponent = anchor.exponent + notches;
    const float scale = static_cast<float>(anchor.scale * std::pow(WHEEL_ZOOM_FACTOR, exponent));
    if (exponent != 0 && (!std::isnormal(scale) || scale <= 0.0f))
        return false;
    anchor.exponent = exponent;
    if (exponent == 0) {
        View.scale = anchor.scale;
        View.pan.u = anchor.pan_u;
        View.pan.v = anchor.pan_v;
    } else {
        View.scale = scale;
        View.pan.u = static_cast<float>((x - View.canvas.centre_x) / static_cast<double>(scale) - anchor.model_u);
        View.pan.v = static_cast<float>((y - View.canvas.centre_y) / static_cast<double>(scale) - anchor.model_v);
    }
    anchor.scale_after = View.scale;
    anchor.pan_u_after = View.pan.u;
    anchor.pan_v_after = View.pan.v;
    anchor.azimuth = View.azimuth;
    anchor.elevation = View.elevation;
    redraw_moved_view();
    return true;
}

void fit_model()
{
    refresh_projection(true);
    redraw_view();
}

void select_item(int member, int node)
{
    if (node != 0)
        member = 0;
    if (View.overlays.highlight_member == member && View.overlays.highlight_node == node)
        return;
    View.overlays.highlight_member = member;
    View.overlays.highlight_node = node;
    redraw_view();
    if (node != 0)
        results_window_select(ResultsKind::Node, node);
    else
        results_window_select(ResultsKind::Member, member);
}

void clear_selection()
{
    select_item(0, 0);
}

void gestures_reset()
{
    drag = DragState{};
    anchor = WheelAnchor{};
    hovered = PickResult{};
    View.overlays.highlight_member = 0;
    View.overlays.highlight_node = 0;
    picking_invalidate();
    inspect_invalidate();
    gadget_set_tooltip(ID_CANVAS, "", 0, 0);
}

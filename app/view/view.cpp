// The view transform, in float32 throughout.
//
//   u = u_p1 * p1 + u_p2 * p2             (u_p1 = -sin a, u_p2 = cos a)
//   v = v_p1 * p1 + v_p2 * p2 + v_p3 * p3 (v_p1 = -cos a cos b, v_p2 = -sin a cos b, v_p3 = sin b)
// with a = azimuth, b = elevation; canvas x = (u + pan u) * scale + centre x, canvas y =
// (v + pan v) * scale + centre y, the centre being half the canvas size (canvas_size). The pan is
// zero unless the user pans, and u + 0 is u exactly.
//
// Touches: View (angles, scale, pan), ViewState (matrix, fit extents, axis directions, node_screen);
// reads TrussModel.node_coords, node_count and deflection_factor.
#include "app/view/view.h"

#include <cmath>

#include "app/model/model.h"

namespace {

constexpr float MAX_ZOOM_SCALE = 10000.0f;  // "In" stops once the scale reaches this
constexpr float AXIS_PROBE = 100.0f;        // model length of the probe along each axis

// sin and cos of an angle in degrees, each rounded to float32.
float sin_degrees(float degrees)
{
    return static_cast<float>(std::sin(static_cast<double>(radians(degrees))));
}
float cos_degrees(float degrees)
{
    return static_cast<float>(std::cos(static_cast<double>(radians(degrees))));
}

ProjectedPoint project_model_node(int i)
{
    return project_point(TrussModel.node_coords[1][i], TrussModel.node_coords[2][i], TrussModel.node_coords[3][i]);
}

}  // namespace

float radians(float degrees)
{
    return static_cast<float>(static_cast<double>(degrees) * static_cast<double>(pi_value) / 180.0);
}

void update_view_matrix()
{
    float sa = sin_degrees(View.azimuth);
    float ca = cos_degrees(View.azimuth);
    float sb = sin_degrees(View.elevation);
    float cb = cos_degrees(View.elevation);
    ViewState.u_p1 = -sa;
    ViewState.u_p2 = ca;
    ViewState.v_p1 = -ca * cb;
    ViewState.v_p2 = -sa * cb;
    ViewState.v_p3 = sb;
}

ProjectedPoint project_point(float p1, float p2, float p3)
{
    ProjectedPoint out;
    out.u = ViewState.u_p1 * p1 + ViewState.u_p2 * p2;
    out.v = ViewState.v_p1 * p1 + ViewState.v_p2 * p2 + ViewState.v_p3 * p3;
    return out;
}

void project_node(int i)
{
    if (i < 1 || i > usable_node_count())
        return;
    ProjectedPoint p = project_model_node(i);
    ViewState.node_screen[1][i] = (p.u + View.pan.u) * View.scale + View.canvas.centre_x;
    ViewState.node_screen[2][i] = (p.v + View.pan.v) * View.scale + View.canvas.centre_y;
}

void project_all_nodes()
{
    const int nodes = usable_node_count();
    for (int i = 1; i <= nodes; ++i) {
        ProjectedPoint p = project_model_node(i);
        ViewState.node_screen[1][i] = (p.u + View.pan.u) * View.scale + View.canvas.centre_x;
        ViewState.node_screen[2][i] = (p.v + View.pan.v) * View.scale + View.canvas.centre_y;
    }
}

void fit_view()
{
    // Nodes whose projection is not finite (a NaN or infinite coordinate) cannot be placed and
    // take no part; the first placeable node starts the extent.
    bool started = false;
    const int nodes = usable_node_count();
    for (int i = 1; i <= nodes; ++i) {
        ProjectedPoint p = project_model_node(i);
        if (!std::isfinite(p.u) || !std::isfinite(p.v))
            continue;
        if (!started) {
            ViewState.fit_u_min = ViewState.fit_u_max = p.u;
            ViewState.fit_v_min = ViewState.fit_v_max = p.v;
            started = true;
        }
        if (p.u > ViewState.fit_u_max) {
            ViewState.fit_u_max = p.u;
        } else if (p.u < ViewState.fit_u_min) {
            ViewState.fit_u_min = p.u;
        }
        if (p.v > ViewState.fit_v_max) {
            ViewState.fit_v_max = p.v;
        } else if (p.v < ViewState.fit_v_min) {
            ViewState.fit_v_min = p.v;
        }
    }
    float factor = TrussModel.deflection_factor;
    float width = std::fabs(ViewState.fit_u_max - ViewState.fit_u_min) / factor;
    float height = std::fabs(ViewState.fit_v_max - ViewState.fit_v_min) / factor;
    // A zero extent gives an infinite candidate, so the other one is chosen.
    float across = width > 0.0f ? static_cast<float>(View.canvas.width) / width : INFINITY;
    float down = height > 0.0f ? static_cast<float>(View.canvas.height) / height : INFINITY;
    float scale = down > across ? across : down;
    // No finite scale (no node, one node, all nodes on one point): keep the view usable.
    if (std::isfinite(scale) && scale > 0.0f)
        View.scale = scale;
}

void compute_axis_directions()
{
    for (int k = 1; k <= 3; ++k) {
        float p[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        p[k] = AXIS_PROBE;
        ProjectedPoint q = project_point(p[1], p[2], p[3]);
        float length = std::sqrt(q.u * q.u + q.v * q.v);
        float du = length > 0.0f ? q.u / length : 0.0f;
        float dv = length > 0.0f ? q.v / length : 0.0f;
        bool defined = length > 0.0f && std::isfinite(du) && std::isfinite(dv);
        ViewState.axis_direction[k][0] = defined ? du : 0.0f;
        ViewState.axis_direction[k][1] = defined ? dv : 0.0f;
        ViewState.axis_defined[k] = defined ? 1 : 0;
    }
}

void rotate_view(bool horizontal, float delta)
{
    if (horizontal) {
        View.elevation += delta;
    } else {
        View.azimuth += delta;
    }
}

bool zoom_in()
{
    if (!(View.scale < MAX_ZOOM_SCALE))
        return false;
    View.scale = View.scale + View.scale / 10.0f;
    return true;
}

bool zoom_out()
{
    if (!(View.scale > 0.0f))
        return false;
    View.scale = View.scale - View.scale / 10.0f;
    return true;
}

void refresh_projection(bool refit)
{
    update_view_matrix();
    if (refit) {
        fit_view();
        View.pan = ViewPanData{};
    }
    compute_axis_directions();
    project_all_nodes();
}

// The view transform, in float32 throughout.
//
//   u = u_p1 * p1 + u_p2 * p2             (u_p1 = -sin a, u_p2 = cos a)
//   v = v_p1 * p1 + v_p2 * p2 + v_p3 * p3 (v_p1 = -cos a cos b, v_p2 = -sin a cos b, v_p3 = sin b)
// with a = azimuth, b = elevation; canvas x = (u + pan u) * scale + centre x, canvas y =
// (v + pan v) * scale + centre y, the centre being half the canvas size (settings.canvas). The pan
// is zero unless the user pans, and u + 0 is u exactly.
//
// Reads and writes only its arguments.
#include "app/view/view.h"

#include <algorithm>
#include <cmath>

#include "app/model/analysis.h"
#include "app/model/truss_model.h"

namespace {

constexpr float PRESET_3D_AZIMUTH = 25.0f;     // degrees
constexpr float PRESET_3D_ELEVATION = 240.0f;  // degrees
constexpr float PRESET_PLAN_AZIMUTH = 0.0f;    // degrees
constexpr float PRESET_PLAN_ELEVATION = -90.0f;

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

ProjectedPoint project_model_node(const TrussModelData& model, const Projection& projection, int i)
{
    return project_point(projection, model.node_coords[1][i], model.node_coords[2][i], model.node_coords[3][i]);
}

// Gives node_screen and node_deflected_offset an entry for every node record of model (new entries 0).
void size_projection(const TrussModelData& model, Projection& projection)
{
    const std::size_t entries = model.node_coords[1].size();
    for (int c = 0; c < 3; ++c) {
        if (projection.node_screen[c].size() != entries)
            projection.node_screen[c].resize(entries);
        if (projection.node_deflected_offset[c].size() != entries)
            projection.node_deflected_offset[c].resize(entries);
    }
}

}  // namespace

int projected_node_count(const TrussModelData& model, const Projection& projection)
{
    const int nodes = usable_node_count(model);
    std::size_t entries = projection.node_screen[2].size();
    for (int c = 1; c < 3; ++c)
        entries = std::min({entries, projection.node_screen[c].size(), projection.node_deflected_offset[c].size()});
    return entries == 0 ? 0 : std::min(nodes, static_cast<int>(entries - 1));
}

float radians(float degrees)
{
    return static_cast<float>(static_cast<double>(degrees) * static_cast<double>(pi_value) / 180.0);
}

void update_view_matrix(const ViewSettings& settings, Projection& projection)
{
    float sa = sin_degrees(settings.azimuth);
    float ca = cos_degrees(settings.azimuth);
    float sb = sin_degrees(settings.elevation);
    float cb = cos_degrees(settings.elevation);
    projection.u_p1 = -sa;
    projection.u_p2 = ca;
    projection.v_p1 = -ca * cb;
    projection.v_p2 = -sa * cb;
    projection.v_p3 = sb;
}

ProjectedPoint project_point(const Projection& projection, float p1, float p2, float p3)
{
    ProjectedPoint out;
    out.u = projection.u_p1 * p1 + projection.u_p2 * p2;
    out.v = projection.v_p1 * p1 + projection.v_p2 * p2 + projection.v_p3 * p3;
    return out;
}

void project_node(const TrussModelData& model, const ViewSettings& settings, Projection& projection, int i)
{
    if (i < 1 || i > projected_node_count(model, projection))
        return;
    ProjectedPoint p = project_model_node(model, projection, i);
    projection.node_screen[1][i] = (p.u + settings.pan.u) * settings.scale + settings.canvas.centre_x;
    projection.node_screen[2][i] = (p.v + settings.pan.v) * settings.scale + settings.canvas.centre_y;
}

void project_all_nodes(const TrussModelData& model, const ViewSettings& settings, Projection& projection)
{
    size_projection(model, projection);
    const int nodes = projected_node_count(model, projection);
    for (int i = 1; i <= nodes; ++i) {
        ProjectedPoint p = project_model_node(model, projection, i);
        projection.node_screen[1][i] = (p.u + settings.pan.u) * settings.scale + settings.canvas.centre_x;
        projection.node_screen[2][i] = (p.v + settings.pan.v) * settings.scale + settings.canvas.centre_y;
    }
}

void fit_view(const TrussModelData& model, ViewSettings& settings, Projection& projection)
{
    // Nodes whose projection is not finite (a NaN or infinite coordinate) cannot be placed and
    // take no part; the first placeable node starts the extent.
    bool started = false;
    const int nodes = usable_node_count(model);
    for (int i = 1; i <= nodes; ++i) {
        ProjectedPoint p = project_model_node(model, projection, i);
        if (!std::isfinite(p.u) || !std::isfinite(p.v))
            continue;
        if (!started) {
            projection.fit_u_min = projection.fit_u_max = p.u;
            projection.fit_v_min = projection.fit_v_max = p.v;
            started = true;
        }
        if (p.u > projection.fit_u_max) {
            projection.fit_u_max = p.u;
        } else if (p.u < projection.fit_u_min) {
            projection.fit_u_min = p.u;
        }
        if (p.v > projection.fit_v_max) {
            projection.fit_v_max = p.v;
        } else if (p.v < projection.fit_v_min) {
            projection.fit_v_min = p.v;
        }
    }
    float factor = model.deflection_factor;
    float width = std::fabs(projection.fit_u_max - projection.fit_u_min) / factor;
    float height = std::fabs(projection.fit_v_max - projection.fit_v_min) / factor;
    // A zero extent gives an infinite candidate, so the other one is chosen.
    float across = width > 0.0f ? static_cast<float>(settings.canvas.width) / width : INFINITY;
    float down = height > 0.0f ? static_cast<float>(settings.canvas.height) / height : INFINITY;
    float scale = down > across ? across : down;
    // No finite scale (no node, one node, all nodes on one point): keep the view usable.
    if (std::isfinite(scale) && scale > 0.0f)
        settings.scale = scale;
}

void compute_axis_directions(Projection& projection)
{
    for (int k = 1; k <= 3; ++k) {
        float p[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        p[k] = AXIS_PROBE;
        ProjectedPoint q = project_point(projection, p[1], p[2], p[3]);
        float length = std::sqrt(q.u * q.u + q.v * q.v);
        float du = length > 0.0f ? q.u / length : 0.0f;
        float dv = length > 0.0f ? q.v / length : 0.0f;
        bool defined = length > 0.0f && std::isfinite(du) && std::isfinite(dv);
        projection.axis_direction[k][0] = defined ? du : 0.0f;
        projection.axis_direction[k][1] = defined ? dv : 0.0f;
        projection.axis_defined[k] = defined ? 1 : 0;
    }
}

void rotate_view(ViewSettings& settings, bool horizontal, float delta)
{
    if (horizontal) {
        settings.elevation += delta;
    } else {
        settings.azimuth += delta;
    }
}

bool zoom_in(ViewSettings& settings)
{
    if (!(settings.scale < MAX_ZOOM_SCALE))
        return false;
    settings.scale = settings.scale + settings.scale / 10.0f;
    return true;
}

bool zoom_out(ViewSettings& settings)
{
    if (!(settings.scale > 0.0f))
        return false;
    settings.scale = settings.scale - settings.scale / 10.0f;
    return true;
}

float shape_deflection_scale(const ViewSettings& settings)
{
    return settings.magnification > 0.0f ? settings.magnification * settings.scale : settings.deflection_scale;
}

void refresh_projection(const TrussModelData& model, ViewSettings& settings, Projection& projection, bool refit)
{
    update_view_matrix(settings, projection);
    if (refit) {
        fit_view(model, settings, projection);
        settings.pan = ViewPanData{};
    }
    compute_axis_directions(projection);
    project_all_nodes(model, settings, projection);
}

void apply_view_preset(ViewSettings& settings, bool spatial)
{
    settings.azimuth = spatial ? PRESET_3D_AZIMUTH : PRESET_PLAN_AZIMUTH;
    settings.elevation = spatial ? PRESET_3D_ELEVATION : PRESET_PLAN_ELEVATION;
}

CanvasSize canvas_of_size(int width, int height)
{
    CanvasSize canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.centre_x = static_cast<float>(width) / 2.0f;
    canvas.centre_y = static_cast<float>(height) / 2.0f;
    return canvas;
}

// The view transform: a parallel projection by two angles, one uniform scale, a pan (zero unless
// the user pans) and the model centre at the canvas centre; the canvas directions of the three
// model axes; the view commands' changes. Every function works on the values it is given.
#pragma once

#include <cstdint>
#include <vector>

#include "app/view/settings.h"

struct TrussModelData;  // app/model/model.h

// 4 * atan(1) rounded to float32 (3.14159274), slightly above the exact value: the plan view's
// cos(-90 degrees) is therefore about -4.37e-8, not 0.
constexpr float pi_value = 3.14159274101257324f;

// A point projected onto the canvas plane, in model length units (u right, v down).
struct ProjectedPoint {
    float u;
    float v;
};

// A model as seen under view settings: derived data, recomputed from the model and the settings
// (refresh_projection). The deflected offsets are the renderer's: a picture with the deflected
// shape writes them, and the animation moves the nodes by them.
struct Projection {
    float u_p1 = 0, u_p2 = 0;                     // view matrix: canvas u from components 1, 2
    float v_p1 = 0, v_p2 = 0, v_p3 = 0;           // view matrix: canvas v from components 1, 2, 3
    float axis_direction[4][2] = {};              // [k][0] du, [k][1] dv: unit canvas direction of component k
    std::uint8_t axis_defined[4] = {};            // [k] 1 when component k has a canvas direction
    std::vector<float> node_screen[3];            // [c][i] canvas position of node i, pixels (c 1 = x, 2 = y)
    float fit_u_min = 0, fit_u_max = 0;           // fit's running extent along u, model length units
    float fit_v_min = 0, fit_v_max = 0;           // fit's running extent along v, model length units
    std::vector<float> node_deflected_offset[3];  // [c][i] canvas displacement of node i, pixels
};

// Nodes of model that projection has a canvas position and an offset for: 1..n.
int projected_node_count(const TrussModelData& model, const Projection& projection);

// degrees * pi / 180 as float32.
float radians(float degrees);
// The view matrix from the settings' azimuth and elevation.
void update_view_matrix(const ViewSettings& settings, Projection& projection);
// The projection of the model point (p1, p2, p3) (components 1, 2, 3), without scale.
ProjectedPoint project_point(const Projection& projection, float p1, float p2, float p3);
// The canvas position of node i (1..node count) into node_screen.
void project_node(const TrussModelData& model, const ViewSettings& settings, Projection& projection, int i);
// project_node for every node; node_screen and node_deflected_offset get an entry per node record.
void project_all_nodes(const TrussModelData& model, const ViewSettings& settings, Projection& projection);
// The scale that makes the projected nodes fill the model's deflection_factor (60 %) of the limiting
// canvas dimension, into settings.scale. When the nodes give no finite, positive scale (none, one,
// or all on one point) the scale is kept.
void fit_view(const TrussModelData& model, ViewSettings& settings, Projection& projection);
// The unit canvas direction of each model axis; an axis that projects to a point gets none
// (axis_defined[k] = 0) and nothing is drawn along it.
void compute_axis_directions(Projection& projection);

constexpr float DEFAULT_ROTATION_STEP = 5.0f;  // degrees per rotation command at start-up

// The 3D view preset (azimuth 25, elevation 240) when spatial, else the plan view (azimuth 0,
// elevation -90), into settings' angles.
void apply_view_preset(ViewSettings& settings, bool spatial);
// A canvas of width x height pixels with the model centre at half of each.
CanvasSize canvas_of_size(int width, int height);

// Adds delta degrees to the azimuth ("Vertical") or the elevation ("Horizontal"); "+" passes
// -step, "-" passes +step.
void rotate_view(ViewSettings& settings, bool horizontal, float delta);
// "In": a tenth larger while the scale is below 10000; false when nothing changed.
bool zoom_in(ViewSettings& settings);
// "Out": a tenth smaller while the scale is above 0; false when nothing changed.
bool zoom_out(ViewSettings& settings);
// The canvas pixels a deflection of one length unit is drawn: the true magnification times the
// scale when one is fixed (so that it holds at any zoom), else the deflection scale.
float shape_deflection_scale(const ViewSettings& settings);
// update_view_matrix, fit_view (and a cleared pan) when refit, compute_axis_directions,
// project_all_nodes: the projection of model under settings, ready to draw.
void refresh_projection(const TrussModelData& model, ViewSettings& settings, Projection& projection, bool refit);

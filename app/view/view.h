// The view transform: a parallel projection by two angles, one uniform scale, a pan (zero unless
// the user pans) and the model centre at canvas (350, 250); the canvas directions of the three model axes; the view
// commands' changes.
#pragma once

// A point projected onto the canvas plane, in model length units (u right, v down).
struct ProjectedPoint {
    float u;
    float v;
};

// degrees * pi / 180 as float32 (pi as computed at start-up).
float radians(float degrees);
// The view matrix from view_azimuth and view_elevation.
void update_view_matrix();
// The projection of the model point (p1, p2, p3) (components 1, 2, 3), without scale.
ProjectedPoint project_point(float p1, float p2, float p3);
// The canvas position of node i (1..node_count) into node_screen.
void project_node(int i);
// project_node for nodes 1..node_count.
void project_all_nodes();
// The scale that makes the projected nodes fill 60 % of the limiting canvas dimension. When the
// nodes give no finite, positive scale (none, one, or all on one point) the scale is kept.
void fit_view();
// The unit canvas direction of each model axis; an axis that projects to a point gets none
// (axis_defined[k] = 0) and nothing is drawn along it.
void compute_axis_directions();

// Adds delta degrees to the azimuth ("Vertical") or the elevation ("Horizontal"); "+" passes
// -step, "-" passes +step.
void rotate_view(bool horizontal, float delta);
// "In": a tenth larger while the scale is below 10000; false when nothing changed.
bool zoom_in();
// "Out": a tenth smaller while the scale is above 0; false when nothing changed.
bool zoom_out();
// update_view_matrix, fit_view (and a cleared pan) when refit, compute_axis_directions,
// project_all_nodes.
void refresh_projection(bool refit);

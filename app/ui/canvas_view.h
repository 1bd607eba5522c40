// The window's picture: the scene functions (app/view/scene.h) applied to the window's globals —
// TrussModel, View and its projection ViewState (app/model/model.h) — and drawn on canvas ID_CANVAS.
// The steps keep the names the program has always used for them.
//
// The picture and the tooltips take the loaded model's numbers from model_numbers()
// (app/model/loaded_numbers.h), computed once per read.
#pragma once

#include <string>

#include "app/model/analysis.h"
#include "app/model/inspect.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/window_state.h"
#include "app/view/picking.h"
#include "app/view/scene.h"
#include "app/view/view.h"

// After TrussModel was read again: forgets its numbers (model_loaded) and the picking grid.
void inspect_invalidate();
// The member or node under canvas point (x, y) of the picture shown, from the window's pick grid.
PickResult pick_at(float x, float y);
// Forgets the window's pick grid.
void picking_invalidate();
// The tooltips of member e and node i from model_numbers().
std::string member_tooltip(int e);
std::string node_tooltip(int i);
// drawn_magnification of TrussModel's deflection scale at View's scale.
double drawn_magnification();

// One complete picture of TrussModel under View on the canvas (ViewState's projection as it stands);
// the deflected offsets go into ViewState. Clears redraw_pending.
void redraw_view();
// update_view_matrix, fit_view (and a cleared pan) when refit, compute_axis_directions,
// project_all_nodes: ViewState from TrussModel and View.
void refresh_projection(bool refit);
// The steps of refresh_projection one by one, on View and ViewState.
void update_view_matrix();
void fit_view();
void compute_axis_directions();
void project_all_nodes();
void project_node(int i);
ProjectedPoint project_point(float p1, float p2, float p3);
// The view commands on View.
void rotate_view(bool horizontal, float delta);
bool zoom_in();
bool zoom_out();

// The element result table over the canvas picture, with a 2 s pause after a full column as
// draw_stress_table tells.
void draw_stress_list();
// Six animation frames on the canvas, 250 ms apart.
void animate_deflection();
// Frame 1..6 without its pause: animation_phase set, the ordinary picture drawn, then the moving
// shape over it in a second pass.
void draw_animation_frame(int frame);

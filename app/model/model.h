// The viewer's global state: the loaded truss (TrussModel), the view (ViewState), the switches and
// strings, and the two resets that start-up and "Load File" apply to them.
//
// ViewState's per-node records follow TrussModel's (see truss_model.h), with a canvas index 0..2
// (1 = x, 2 = y).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/model/truss_model.h"
#include "app/view/settings.h"

// The window's projection of the model under View: derived data, recomputed from the model and View.
struct ViewStateData {
    float u_p1, u_p2;                             // view matrix: canvas u from components 1, 2
    float v_p1, v_p2, v_p3;                       // view matrix: canvas v from components 1, 2, 3
    float axis_direction[4][2];                   // [k][0] du, [k][1] dv: unit canvas direction of component k
    std::uint8_t axis_defined[4];                 // [k] 1 when component k has a canvas direction
    std::vector<float> node_screen[3];            // [c][i] canvas position of node i, pixels (c 1 = x, 2 = y)
    float fit_u_min, fit_u_max;                   // fit's running extent along u, model length units
    float fit_v_min, fit_v_max;                   // fit's running extent along v, model length units
    std::vector<float> node_deflected_offset[3];  // [c][i] canvas displacement of node i, pixels
    int element_colour;                           // colour of the undeformed elements (draw_rgb)
    float animation_phase;                        // frame being animated, 1..6; 0 before any animation
};

extern TrussModelData TrussModel;  // the loaded truss
extern ViewStateData ViewState;    // the view of it

extern float pi_value;                // 4 * atan(1) as float32, computed at start-up
extern std::int8_t redraw_pending;    // redraw the canvas after the current event
extern std::int8_t planar_model;      // 1 while every node's component 1 is zero
extern std::int32_t results_missing;  // 1 when the file had no usable results
extern std::string title_text;        // fixed caption prefix of the main window
extern std::string window_title;      // caption once a file is shown: title_text + results_path
extern std::string results_path;      // path of the results file shown ("" when none)
extern std::string start_folder;      // working folder at start-up
extern std::string image_path;        // path chosen at the last "Save Image" ("" at first)
extern ViewSettings View;             // what the window shows: angles, zoom, switches, overlays, canvas

// Sets View.canvas to width x height pixels (centre at half of each); the canvas control itself is
// the caller's to make at that size.
void set_canvas_size(int width, int height);

// Gives every per-node record of TrussModel and ViewState max(nodes, 50) + 1 entries; new
// entries are 0.
void size_node_records(int nodes);
// Gives ViewState's per-node records max(nodes, 50) + 1 entries; new entries are 0.
void size_view_node_records(int nodes);
// Gives every per-element record of TrussModel max(elements, 50) + 1 entries; new entries are 0.
void size_element_records(int elements);
// node_count limited to the nodes every per-node record of TrussModel and ViewState has an entry
// for (0 when negative).
int usable_node_count();
// element_count limited to the elements every per-element record has an entry for.
int usable_element_count();

// Zeroes every global and sets the start-up defaults (view 25/240, step 5, factor 0.6, pi).
void reset_to_startup_defaults();
// The reset "Load File" applies before a read: every model entry (as at start-up), switches, view
// presets, derived values and scales.
void reset_for_load();
// Sets the 3D view preset (azimuth 25, elevation 240).
void apply_3d_view_preset();
// Sets the plan view preset (azimuth 0, elevation -90).
void apply_plan_view_preset();

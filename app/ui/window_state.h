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
#include "app/view/view.h"

// The window's derived data: the projection of TrussModel under View (app/view/view.h), the frame
// of the last animation, and the count of model resets, which tells data derived elsewhere from
// the model (its numbers, app/model/loaded_numbers.h) that it belongs to an earlier model.
struct ViewStateData : Projection {
    float animation_phase = 0;       // frame being animated, 1..6; 0 before any animation
    std::uint32_t model_resets = 0;  // bumped by every reset of TrussModel (start-up, "Load File")
};

extern TrussModelData TrussModel;  // the loaded truss
extern ViewStateData ViewState;    // the view of it

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

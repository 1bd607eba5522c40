// The viewer's global state: the loaded truss (TrussModel), the view (ViewState), the switches and
// strings, and the two resets that start-up and "Load File" apply to them.
//
// The per-node and per-element records are growable: each holds node_count + 1 (or
// element_count + 1) entries, and never fewer than 51, so that nodes and elements 1..50 always
// have an entry; index 0 is never used. A read grows them with the lines it actually reads, up to
// 10,000,000 nodes and 10,000,000 elements. Vector records have a component index 0..3 (1..3 used)
// or a canvas index 0..2 (1 = x, 2 = y). Components: 1 is the file's third value (z), 2 the first
// (x), 3 the second (y).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/view/settings.h"
#include "app/view/view.h"

constexpr int MAX_NODES = 10000000;     // most nodes a model holds; a read cuts larger counts
constexpr int MAX_ELEMENTS = 10000000;  // most elements a model holds
constexpr int MIN_ENTRIES = 51;         // entries every node and element record always has (0 unused)

// The one loaded results set, cleared and refilled by every read.
struct TrussModelData {
    std::string title_line;                                  // the file's first line: the solver's title and units
    std::int32_t node_count;                                 // nodes 1..node_count are used (<= MAX_NODES)
    std::int32_t element_count;                              // elements 1..element_count are used (<= MAX_ELEMENTS)
    std::vector<float> node_coords[4];                       // [k][i] model length units, centred after a read
    std::vector<std::int8_t> node_fixity[4];                 // [k][i] restraint code, 1 = restrained
    std::vector<float> node_loads[4];                        // [k][i] applied load, force units
    std::vector<std::array<std::int32_t, 3>> element_nodes;  // [e][j] end node j = 1, 2; 0 = no usable node
    std::vector<float> node_deflections[4];                  // [k][i] displacement, model length units
    std::vector<float> element_stress;                       // [e] stress, solver units
    std::vector<float> element_force;                        // [e] axial force, force units
    std::vector<std::string> element_result_text;            // [e] last 23 characters of the result line
    float coord_max[4];                                      // [k] running upper extent, always >= 0
    float coord_min[4];                                      // [k] running lower extent, always <= 0
    float model_centre[4];                                   // [k] midpoint of the extent, subtracted from coords
    float max_load;                                          // largest |load component|, force units
    float load_scale;                                        // 100 / max_load: pixels per force unit
    float max_deflection;                                    // largest |deflection component|, length units
    float deflection_scale;                                  // pixels per length unit of a deflection
    float deflection_factor;                                 // 0.6: share of the canvas a fit fills; scales deflections
};

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
// Gives every per-element record of TrussModel max(elements, 50) + 1 entries; new entries are 0.
void size_element_records(int elements);
// node_count limited to the nodes every per-node record has an entry for (0 when negative).
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

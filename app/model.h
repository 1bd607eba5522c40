// The viewer's global state: the loaded truss (TrussModel), the view (ViewState), the switches and
// strings, and the two resets that start-up and "Load File" apply to them.
//
// Every array has 51 entries along its node or element index (0..50); index 0 is never used, so
// the model holds at most 50 nodes and 50 elements. Vector arrays have a component index 0..3
// (1..3 used) or a canvas index 0..2 (1 = x, 2 = y). Components: 1 is the file's third value (z),
// 2 the first (x), 3 the second (y).
#pragma once

#include <cstdint>
#include <string>

constexpr int MAX_NODES = 50;         // node capacity of the model arrays
constexpr int MAX_ELEMENTS = 50;      // element capacity of the model arrays
constexpr int MODEL_ENTRIES = 51;     // entries per node or element index (0 unused)

constexpr int CANVAS_WIDTH = 700;     // pixels
constexpr int CANVAS_HEIGHT = 500;    // pixels
constexpr float CANVAS_CENTRE_X = 350.0f;  // canvas point of the model centre, pixels
constexpr float CANVAS_CENTRE_Y = 250.0f;

// The one loaded results set, overwritten in place by every read.
struct TrussModelData {
    std::int8_t node_count;                               // nodes 1..node_count are used (<= 50)
    std::int8_t element_count;                            // elements 1..element_count are used (<= 50)
    float node_coords[4][MODEL_ENTRIES];                  // [k][i] model length units, centred after a read
    std::int8_t node_fixity[4][MODEL_ENTRIES];            // [k][i] restraint code, 1 = restrained
    float node_loads[4][MODEL_ENTRIES];                   // [k][i] applied load, force units
    std::int8_t element_nodes[MODEL_ENTRIES][3];          // [e][j] end node j = 1, 2; 0 = no usable node
    float node_deflections[4][MODEL_ENTRIES];             // [k][i] displacement, model length units
    float element_stress[MODEL_ENTRIES];                  // [e] stress, solver units
    float element_force[MODEL_ENTRIES];                   // [e] axial force, force units
    std::string element_result_text[MODEL_ENTRIES];       // [e] last 23 characters of the result line
    float coord_max[4];                                   // [k] running upper extent, always >= 0
    float coord_min[4];                                   // [k] running lower extent, always <= 0
    float model_centre[4];                                // [k] midpoint of the extent, subtracted from coords
    float max_load;                                       // largest |load component|, force units
    float load_scale;                                     // 100 / max_load: pixels per force unit
    float max_deflection;                                 // largest |deflection component|, length units
    float deflection_scale;                               // pixels per length unit of a deflection
    float deflection_factor;                              // 0.6: share of the canvas a fit fills; scales deflections
};

// The one view of the model.
struct ViewStateData {
    float view_azimuth;                                   // degrees, rotation about component 3
    float view_elevation;                                 // degrees, tilt of the viewing direction
    float u_p1, u_p2;                                     // view matrix: canvas u from components 1, 2
    float v_p1, v_p2, v_p3;                               // view matrix: canvas v from components 1, 2, 3
    float view_scale;                                     // canvas pixels per model length unit
    float rotation_step;                                  // degrees per rotation command
    float axis_direction[4][2];                           // [k][0] du, [k][1] dv: unit canvas direction of component k
    std::uint8_t axis_defined[4];                         // [k] 1 when component k has a canvas direction
    float node_screen[3][MODEL_ENTRIES];                  // [c][i] canvas position of node i, pixels (c 1 = x, 2 = y)
    float fit_u_min, fit_u_max;                           // fit's running extent along u, model length units
    float fit_v_min, fit_v_max;                           // fit's running extent along v, model length units
    std::int8_t show_load_values;                         // "Applied Load": label the load arrows
    std::int8_t show_element_numbers;                     // "Element No.": label the elements
    std::int8_t show_deflected;                           // "Deflected": draw the deflected shape when exactly 1
    float node_deflected_offset[3][MODEL_ENTRIES];        // [c][i] canvas displacement of node i, pixels
    int element_colour;                                   // colour of the undeformed elements (draw_rgb)
    float animation_phase;                                // frame being animated, 1..6; 0 before any animation
};

extern TrussModelData TrussModel;   // the loaded truss
extern ViewStateData ViewState;     // the view of it

extern float pi_value;              // 4 * atan(1) as float32, computed at start-up
extern std::int8_t redraw_pending;  // redraw the canvas after the current event
extern std::int8_t planar_model;    // 1 while every node's component 1 is zero
extern std::int32_t results_missing;  // 1 when the file had no usable results
extern std::string title_text;      // fixed caption prefix of the main window
extern std::string window_title;    // caption once a file is shown: title_text + results_path
extern std::string results_path;    // path of the results file shown ("" when none)
extern std::string start_folder;    // working folder at start-up
extern std::string image_path;      // path chosen at the last "Save Image" ("" at first)

// Zeroes every global and sets the start-up defaults (view 25/240, step 5, factor 0.6, pi).
void reset_to_startup_defaults();
// The reset "Load File" applies before a read: switches, view presets, derived values and scales.
void reset_for_load();
// Sets the 3D view preset (azimuth 25, elevation 240).
void apply_3d_view_preset();
// Sets the plan view preset (azimuth 0, elevation -90).
void apply_plan_view_preset();

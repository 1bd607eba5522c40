// The view settings: everything that decides the picture drawn from a model, as one value. The
// window keeps one (View, app/model/model.h), its controls mirror it and its commands change it;
// kelvaro-render and tests make their own. Derived data (the view matrix, the nodes' canvas
// positions) is computed from a model and these settings and is not part of them.
#pragma once

#include <cstdint>
#include <string>

constexpr int CANVAS_WIDTH = 700;          // the viewer's canvas, pixels
constexpr int CANVAS_HEIGHT = 500;         // pixels
constexpr float CANVAS_CENTRE_X = 350.0f;  // canvas point of the model centre, pixels
constexpr float CANVAS_CENTRE_Y = 250.0f;
constexpr double MAGNIFICATION_MIN = 0.001;  // a true magnification takes this .. MAGNIFICATION_MAX
constexpr double MAGNIFICATION_MAX = 1.0e6;

// The size of the canvas drawn on: the viewer's 700 x 500 from start-up on; kelvaro-render's --size
// changes it. The view fits the model to it and centres it at half its size.
struct CanvasSize {
    int width = CANVAS_WIDTH;          // pixels
    int height = CANVAS_HEIGHT;        // pixels
    float centre_x = CANVAS_CENTRE_X;  // width / 2: canvas point of the model centre, pixels
    float centre_y = CANVAS_CENTRE_Y;  // height / 2
};

// The pan of the view: the canvas plane is shifted by (u, v) model length units before scaling, so
// that "In" and "Out" go on zooming about the canvas centre. Zero until the user pans or zooms
// about the pointer; every refit clears it.
struct ViewPanData {
    float u = 0.0f;
    float v = 0.0f;
};

// Which labels with a value (element numbers, node numbers, load and reaction values) are drawn:
// every one, those of the largest values of each kind in view, or those of values above a bound.
// The selection's labels are always drawn.
enum class LabelFilterKind : std::uint8_t {
    All,      // every label
    Largest,  // the count largest magnitudes of each kind
    Above,    // magnitudes above value
};
struct LabelFilter {
    LabelFilterKind kind = LabelFilterKind::All;
    int count = 0;       // Largest: labels of each kind
    double value = 0.0;  // Above: the bound, in each value's own unit (force, load, deflection)
};

// The engineer's additions drawn over the specified picture. Everything is off at start-up; with
// every switch off the picture is exactly the plain one. The switches are the user's preference:
// Load File keeps them.
struct OverlayStateData {
    bool show_force_colours = false;   // members coloured by axial force (needs results)
    bool show_legend = true;           // the colour bar that comes with force colours
    bool show_node_numbers = false;    // node numbers beside the nodes
    bool show_reactions = false;       // reaction arrows with values at restrained nodes
    bool show_max_deflection = false;  // mark the node of largest deflection (with "Deflected")
    int highlight_member = 0;          // selected member, 0 for none
    int highlight_node = 0;            // selected node, 0 for none
    bool show_utilisation = false;     // members coloured by utilisation (needs design limits), with a legend
    bool show_free_body = false;       // the forces acting on the selected node, as labelled arrows
    bool show_loads = true;            // the load arrows (and their values with "Applied Load")
    bool show_supports = true;         // the restraint rings at supported nodes
    LabelFilter label_filter{};        // which value labels are drawn
};

struct ViewSettings {
    float azimuth = 0.0f;                  // degrees, rotation about component 3
    float elevation = 0.0f;                // degrees, tilt of the viewing direction
    float scale = 0.0f;                    // canvas pixels per model length unit (the zoom)
    ViewPanData pan;                       // shift of the canvas plane, model length units
    float rotation_step = 0.0f;            // degrees per rotation command
    std::int8_t show_load_values = 0;      // "Applied Load": label the load arrows
    std::int8_t show_element_numbers = 0;  // "Element No.": label the elements
    std::int8_t show_deflected = 0;        // "Deflected": draw the deflected shape when exactly 1
    float deflection_scale = 0.0f;         // canvas pixels per length unit of a drawn deflection
    float magnification = 0.0f;            // > 0: the shape drawn this many times the real deflections at
                                           // any zoom, in place of deflection_scale; 0: deflection_scale
    OverlayStateData overlays;             // the engineer's additions and the selection
    CanvasSize canvas;                     // the canvas drawn on
    // The viewer's column of controls shows these; a control's event changes them.
    bool preset_3d = false;             // "3D" ticked: the 3D view preset was chosen, else the plan view
    bool rotate_horizontal = false;     // "Horizontal" chosen: "+" and "-" turn the elevation, else the azimuth
    std::string rotation_step_text;     // the step field's text as typed; "+" and "-" take their step from it
    std::string deflection_scale_text;  // the scale field's text as typed; "Deflected" takes its scale from it
    std::string legend_caption;         // a line over the force legend's words ("envelope of 3 cases"), "" for none
};

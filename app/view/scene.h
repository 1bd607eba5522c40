// One whole picture of a model on any drawing output (a canvas, an image, the SVG recorder), the
// deflection animation's frames and the element result table, all from values: a model, its
// numbers (app/model/analysis.h), view settings and the projection of the model under them.
//
// A driver reads a model, computes its numbers once, fills settings, projects, and draws:
//
//     ModelNumbers numbers = compute_model_numbers(model, has_results);  // once per read
//     ViewSettings settings;                       // angles (3D 25/240, plan 0/-90), switches, canvas
//     Projection projection;
//     refresh_projection(model, settings, projection, true);   // fits settings.scale, clears the pan
//     Picture picture = blank_scene_picture(settings);
//     render_scene(model, numbers, settings, projection, draw_picture_output(&picture, nullptr));
//
// A change of angles or zoom is refresh_projection(..., false) again; the animation's frames are
// render_animation_frame after a picture with show_deflected 1 (draw_scene_frames and
// scene_svg_document in app/export/export.h wrap both for GIF and SVG files). Several models,
// settings and projections can exist side by side; nothing here reads a global.
#pragma once

#include "app/model/analysis.h"
#include "app/model/truss_model.h"
#include "app/view/settings.h"
#include "app/view/view.h"

#include "draw/picture.h"

struct DrawOutput;      // draw/draw.h
struct OverlayNumbers;  // app/view/overlay_numbers.h

// A white 24-bit picture of settings' canvas size: what the window's canvas holds before its first
// picture. The picture leaves its outermost rows and columns alone, so a picture drawn on this one
// is the window's first picture pixel for pixel.
Picture blank_scene_picture(const ViewSettings& settings);

// One complete picture on output in one pass (begun and ended here): background, frames,
// restraints, loads, elements, the deflected shape when settings.show_deflected is 1 (its canvas
// offsets are written into projection.node_deflected_offset first), the overlays, the axis triad.
// False when output cannot be drawn on. overlays, when given, are compute_overlay_numbers of model
// and numbers (app/view/overlay_numbers.h), kept with them so that no pass computes them again.
bool render_scene(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                  Projection& projection, DrawOutput* output, const OverlayNumbers* overlays = nullptr);

constexpr int ANIMATION_FRAME_COUNT = 6;  // frames of the deflection animation

// Animation frame 1..6 on output in one pass: the picture of render_scene, then every element at
// frame / 6 of projection.node_deflected_offset in (0, 180, 120) with a filled magenta circle at its
// first end node. The offsets are used as they are: those of the last picture drawn with the
// deflected shape (a driver without one draws a picture with show_deflected 1 first). The viewer
// animates with show_deflected 0, so no static shape lies under the moving one.
bool render_animation_frame(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                            Projection& projection, int frame, DrawOutput* output,
                            const OverlayNumbers* overlays = nullptr);
// The moving shape of frame 1..6 alone, over what the current pass has drawn.
void draw_animated_shape(const TrussModelData& model, const Projection& projection, int frame);

constexpr int STRESS_TABLE_PAUSE_MS = 2000;  // the viewer's pause after a full column

// Where the element result table stands: the next row and the column it goes in.
struct StressTableCursor {
    int row = 0;               // rows drawn so far; the next one is element row + 1
    int row_in_column = 0;     // rows in the present column
    int column = 1;            // 1 = first
    int column_x = 10;         // the present column's left edge, pixels
    int base_y = 60;           // row n of the column stands at base_y + 15 n
    bool last_column = false;  // no further column fits: this one's last row counts what is left
    bool finished = false;     // every row (or the count of those left out) is drawn
};

// The element result table over what the current pass has drawn: the heading on the first call,
// then rows until a column is full where the viewer pauses (true: the cursor stands at the next
// column; the window shows the pass, waits STRESS_TABLE_PAUSE_MS and calls again in a new pass) or
// the table ends (false). 29 rows in the first column, then columns of 29 rows at x = 200, 390, ...
// while their text fits on the canvas; when no further column fits, the last row tells how many
// members are not listed.
bool draw_stress_table(const TrussModelData& model, const ViewSettings& settings, StressTableCursor& cursor);
// The whole element result table on output in one pass, without pauses (over what it shows).
bool render_stress_table(const TrussModelData& model, const ViewSettings& settings, DrawOutput* output);

// The engineer's view drawn over the specified picture: members coloured by axial force with a
// legend, node numbers, support reaction arrows, the largest deflection, and the highlighted
// member or node. Everything here is off at start-up; with every switch off the picture is exactly
// the plain one. The switches are the user's preference: Load File keeps them.
#pragma once

#include "app/view/settings.h"

struct ScenePass;  // app/view/scene_pass.h

// True when any overlay of settings would draw something (the plain picture is drawn untouched
// otherwise); has_results tells whether the model has results.
bool overlays_active(const ViewSettings& settings, bool has_results);

// True when an overlay of settings reads the model's numbers. Without one, no part of a picture
// reads them: a driver may draw with numbers that were never computed (ModelNumbers{}), and the
// picture is the same. Every use of a pass's numbers is behind this.
bool overlays_need_numbers(const ViewSettings& settings);

// What the overlays of one pass draw from the model's numbers.
struct OverlayPass {
    bool numbers_ready = false;       // an overlay needs the numbers and the model has results
    bool colour_members = false;      // members in force colours
    bool colour_utilisation = false;  // members in utilisation colours (instead of force colours)
};

// Where the force-colour legend was drawn in the last pass (canvas pixels, its outline included).
struct OverlayBox {
    int x = 0, y = 0;           // top-left corner
    int width = 0, height = 0;  // 0 when no legend was drawn
};

// Colours of the force scale: grey for no force, growing to full red (tension) or full blue
// (compression) with the square root of |force| / largest |force|.
constexpr int FORCE_COLOUR_STEPS = 256;  // shades per side of the scale

// Prepares a drawing pass: which of the pass's numbers the switched-on overlays use.
OverlayPass overlays_prepare(const ScenePass& pass);
// True when the members of this pass are drawn in force colours (switch on and results present).
bool overlay_colours_members(const OverlayPass& overlays);
// Colour of member e by its axial force; overlay_colours_members is true.
int overlay_member_colour(const ScenePass& pass, int e);
// Everything drawn over the members and the deflected shape: highlights, reactions, node numbers,
// the largest deflection and the legend. Nothing when every switch is off.
void draw_overlays(const ScenePass& pass, const OverlayPass& overlays);
// The legend's place in the last pass (width 0 when none was drawn).
OverlayBox overlay_legend_box();
// The utilisation scale: a sequential scale from pale to dark blue up to 1.0, every member above
// 1.0 in one red, grey for a member no limit bears on.
// The colour of a utilisation value (criterion None: grey).
int utilisation_colour(double value, bool limited);

// The force-scale colour of shade 0..FORCE_COLOUR_STEPS-1 on the tension (or compression) side.
int force_scale_colour(bool tension, int shade);

// truss-generate: parametric trusses of any size, written as truss descriptions (truss_input.h)
// for the solver: a double-layer space-grid roof on columns and a long Warren bridge over piers.
// Used by the truss-generate program, the solver benchmarks and the tests.
//
// Roof (square on square offset, y vertical): the top layer is a grid of nx x ny square bays of
// side `bay` at y = depth; the bottom layer has one node under the centre of every bay, at y = 0.
// Members: top chords along both grid lines, bottom chords joining neighbouring bottom nodes, and
// four diagonals from each bottom node up to the corners of its bay, 8 nx ny members in all, on
// (nx + 1)(ny + 1) + nx ny nodes. Columns stand under the bottom-layer nodes whose grid indices
// are both multiples of `column_spacing` or the last index (so the four corners always carry
// one); their heads are pinned (x, y and z restrained). A uniform roof load `load` (force per area)
// goes to the top nodes by their tributary areas (a quarter bay at a corner, half at an edge).
//
// Bridge (planar, x along the span, y up): `panels` panels of length `panel` on the bottom chord,
// a top chord node above the middle of each panel at `depth`, diagonals zigzagging between them:
// 4 panels - 1 members on 2 panels + 1 nodes. Piers stand under every `pier_spacing`-th bottom
// node and under both ends: the first is pinned (x, y), the others are rollers (y). Every bottom
// node between the piers carries the deck load `load` (force) downwards.
#pragma once

#include <string>

struct RoofParameters {
    int nx = 10;             // bays along x
    int ny = 10;             // bays along z
    double bay = 3.0;        // bay side (m)
    double depth = 2.0;      // distance between the layers (m)
    int column_spacing = 3;  // bottom-layer nodes between columns along each grid line
    double load = 1.5;       // roof load on the top layer (kN/m^2)
};

struct BridgeParameters {
    int panels = 40;        // panels along the span
    double panel = 5.0;     // panel length (m)
    double depth = 4.0;     // distance between the chords (m)
    int pier_spacing = 10;  // panels between piers
    double load = 100.0;    // deck load on each free bottom-chord node (kN)
};

// Member counts for the given sizes (8 nx ny and 4 panels - 1).
long long roof_member_count(const RoofParameters& roof);
long long bridge_member_count(const BridgeParameters& bridge);

// The truss description of a roof or a bridge; "" with a message when a parameter is out of range
// (sizes below 2 bays or 1 panel, counts above the solver's limits, lengths or spacings not
// positive).
std::string generate_roof(const RoofParameters& roof, std::string& error);
std::string generate_bridge(const BridgeParameters& bridge, std::string& error);

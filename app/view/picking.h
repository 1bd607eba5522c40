// Finding the member or node under the pointer on the canvas.
//
// A grid of 16-pixel cells over the canvas holds every drawn node and every member segment that
// crosses a cell, from the projected positions of the current view; it is rebuilt on the first
// lookup after the view or the model changed, so that a lookup touches a few cells only. A driver
// keeps one grid per view it picks in (the window keeps one).
#pragma once

#include <vector>

#include "app/view/settings.h"
#include "app/view/view.h"

// What lies under a canvas point: a node (preferred within NODE_PICK_RADIUS) or a member (within
// MEMBER_PICK_DISTANCE of its drawn segment); both 0 when nothing is there.
struct PickResult {
    int member = 0;
    int node = 0;
};

constexpr float NODE_PICK_RADIUS = 5.0f;      // pixels from a node's drawn position
constexpr float MEMBER_PICK_DISTANCE = 4.0f;  // pixels from a member's drawn segment

// The view a grid was built for: scale, angles, pan, counts and where the node positions are.
struct PickKey {
    float scale = 0, azimuth = 0, elevation = 0, pan_u = 0, pan_v = 0;
    int nodes = -1, elements = -1;
    int width = 0, height = 0;  // the canvas, pixels
    const float* xs = nullptr;
    const float* ys = nullptr;
    bool operator==(const PickKey&) const = default;
};

// The grid of one view; empty until the first lookup.
struct PickGrid {
    bool built = false;
    PickKey key;
    int columns = 0, rows = 0;               // cells across and down the canvas
    std::vector<int> node_start, nodes;      // nodes of cell c: nodes[node_start[c] .. node_start[c + 1])
    std::vector<int> member_start, members;  // the same for members
};

// The node or member at canvas point (x, y) of model as projection draws it under settings; grid
// is rebuilt first when it was made for another view.
PickResult pick_at(PickGrid& grid, const TrussModelData& model, const ViewSettings& settings,
                   const Projection& projection, float x, float y);
// Forgets the grid (a new model was read: the same view may show other nodes).
void picking_invalidate(PickGrid& grid);

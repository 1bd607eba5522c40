// Finding the member or node under the pointer on the canvas.
//
// A grid of 16-pixel cells over the canvas holds every drawn node and every member segment that
// crosses a cell, from the projected positions of the current view; it is rebuilt on the first
// lookup after the view or the model changed, so that a lookup touches a few cells only.
#pragma once

// What lies under a canvas point: a node (preferred within NODE_PICK_RADIUS) or a member (within
// MEMBER_PICK_DISTANCE of its drawn segment); both 0 when nothing is there.
struct PickResult {
    int member = 0;
    int node = 0;
};

constexpr float NODE_PICK_RADIUS = 5.0f;      // pixels from a node's drawn position
constexpr float MEMBER_PICK_DISTANCE = 4.0f;  // pixels from a member's drawn segment

// The node or member at canvas point (x, y) of the undeformed model as drawn now.
PickResult pick_at(float x, float y);
// Forgets the grid (a new model was read: the same view may show other nodes).
void picking_invalidate();

// What the overlays draw from that does not change with the view: the support reactions that get
// arrows, the nodes' deflections the node numbers rank by, and which groups of nodes the members of
// each group of members join (the legend's corner choice tests only the groups near a corner).
// Computed once from a model and its numbers (app/model/analysis.h) and handed to render_scene with
// them; a driver that keeps none gets the same picture, the scene then computes it for the pass.
#pragma once

#include <cstdint>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/truss_model.h"

constexpr int OVERLAY_CHUNK = 64;  // nodes, or members, per group: group g holds g * 64 .. g * 64 + 63

// A restrained component with a finite reaction: an arrow where its node is on the canvas.
struct ReactionComponent {
    int node;
    int component;  // 0 x, 1 y, 2 z (the numbers' order)
    double value;
};

struct OverlayNumbers {
    // What it was computed from: a pass with other counts computes its own.
    std::size_t node_entries = 0, member_entries = 0;
    int elements = 0;
    // Over nodes 1..reaction_nodes: the largest finite |reaction| of a restrained node, the
    // restrained nodes and their arrows' components, in node order and x, y, z within a node.
    int reaction_nodes = 0;
    double largest_reaction = 0;
    std::vector<int> restrained;
    std::vector<ReactionComponent> reactions;
    std::vector<double> deflection;  // [i] the deflection magnitude of node i (entry 0 unused)
    // Member group m joins the node groups chunk_groups[chunk_first[m] .. chunk_first[m + 1]).
    std::vector<std::uint32_t> chunk_first;
    std::vector<std::uint32_t> chunk_groups;
};

// The overlays' numbers of model with numbers; nodes limits the reactions to nodes 1..nodes (the
// model's node count for a whole picture).
OverlayNumbers compute_overlay_numbers(const TrussModelData& model, const ModelNumbers& numbers, int nodes);
// True when overlays were computed from numbers like these, for a pass drawing nodes 1..nodes.
bool overlay_numbers_fit(const OverlayNumbers& overlays, const TrussModelData& model, const ModelNumbers& numbers,
                         int nodes);

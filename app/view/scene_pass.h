// What one drawing pass of the scene draws from, handed to its parts (the picture, the overlays,
// the animation). Internal to app/view.
#pragma once

#include "app/model/analysis.h"
#include "app/model/truss_model.h"
#include "app/view/settings.h"
#include "app/view/view.h"

struct OverlayNumbers;  // app/view/overlay_numbers.h

struct ScenePass {
    const TrussModelData& model;
    const ModelNumbers& numbers;
    const ViewSettings& settings;
    Projection& projection;
    int nodes;     // nodes 1..nodes are drawn: the model's, limited to the projection's entries
    int elements;  // elements 1..elements are drawn
    const OverlayNumbers* overlay_numbers;  // kept by the driver with numbers; nullptr: computed for the pass

    ScenePass(const TrussModelData& m, const ModelNumbers& n, const ViewSettings& s, Projection& p,
              const OverlayNumbers* o = nullptr)
        : model(m),
          numbers(n),
          settings(s),
          projection(p),
          nodes(projected_node_count(m, p)),
          elements(usable_element_count(m)),
          overlay_numbers(o)
    {
    }
    // The canvas point of node i.
    float x(int i) const { return projection.node_screen[1][i]; }
    float y(int i) const { return projection.node_screen[2][i]; }
    // The end nodes of element e (1..elements) when both are drawn.
    bool ends(int e, int& a, int& b) const { return member_ends(model, e, nodes, a, b); }
};

// The engineer's view drawn over the specified picture: members coloured by axial force with a
// legend, node numbers, support reaction arrows, the largest deflection, and the highlighted
// member or node. Everything here is off at start-up; with every switch off the picture is exactly
// the plain one. The switches are the user's preference: Load File keeps them.
#pragma once

#include <cstdint>

struct OverlayStateData {
    bool show_force_colours = false;   // members coloured by axial force (needs results)
    bool show_legend = true;           // the colour bar that comes with force colours
    bool show_node_numbers = false;    // node numbers beside the nodes
    bool show_reactions = false;       // reaction arrows with values at restrained nodes
    bool show_max_deflection = false;  // mark the node of largest deflection (with "Deflected")
    int highlight_member = 0;          // selected member, 0 for none
    int highlight_node = 0;            // selected node, 0 for none
};

extern OverlayStateData Overlays;  // the overlay switches and the selection

// True when any overlay would draw something (the plain picture is drawn untouched otherwise).
bool overlays_active();

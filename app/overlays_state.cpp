// The overlay switches' storage until the overlay drawing lands beside it (app/overlays.cpp).
#include "app/overlays.h"

OverlayStateData Overlays;

bool overlays_active() {
    return Overlays.show_force_colours || Overlays.show_node_numbers || Overlays.show_reactions ||
           Overlays.show_max_deflection || Overlays.highlight_member != 0 || Overlays.highlight_node != 0;
}

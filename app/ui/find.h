// Find and zoom-to: Ctrl+F asks for a member number (or "n 120" for node 120), selects it and zooms
// the view so that it fills a third of the canvas, keeping the angles; z zooms to the selection.
#pragma once

#include <string_view>

#include "app/view/settings.h"

// What a find text names: a member or a node (both 0 when the text names neither).
struct FindTarget {
    int member = 0;
    int node = 0;
};

// A member number ("5473"), or "n" and a node number ("n 120", "N120"); blanks around the parts are
// ignored. Anything else, and numbers below 1, name nothing.
FindTarget parse_find_text(std::string_view text);
// Scales settings so that the canvas box (x0, y0)-(x1, y1), drawn at the present scale, fills share
// of the canvas across or down (whichever it reaches first), and pans its middle to the canvas
// centre. A box without extent keeps the scale. The angles stay; the scale stays below the zoom
// limit of "In".
void zoom_to_box(ViewSettings& settings, float x0, float y0, float x1, float y1, double share);
// Zooms to the selected member, or to the selected node and the members that meet at it; false
// when nothing is selected.
bool zoom_to_selection();
// Ctrl+F: asks for the find text, selects what it names (the results window follows) and zooms to
// it; a number that names no member or node of the model is said so.
void find_command();

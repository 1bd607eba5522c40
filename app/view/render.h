// Drawing the truss on canvas 19: the whole picture in one pass, and the element result table.
#pragma once

constexpr float PIXEL_LIMIT = 1.0e6f;  // points beyond +-this are clamped, lines cut, before drawing

// A real canvas coordinate as a drawing position: rounded half to even, clamped to +-PIXEL_LIMIT.
// False (and nothing written) for NaN or an infinity, which cannot be placed.
bool to_pixel(float value, int& pixel);
// Both coordinates of a canvas point; false when either cannot be placed.
bool to_pixels(float x, float y, int& px, int& py);

// One complete drawing pass: background, frames, restraints, loads, elements, deflected shape, triad.
void redraw_view();
// Restraint markers and load arrows of every node.
void draw_nodes();
// Every undeformed element, in element_colour (black).
void draw_elements();
// Element e and, when show_element_numbers is set, its number.
void draw_element(int e);
// The canvas offsets of the deflected nodes, then every deflected element.
void draw_deflected_shape();
// Deflected element e in magenta, with a circle at its first end node.
void draw_deflected_element(int e);
// The axis symbol at (50, 50).
void draw_axis_triad();
// The element result table over the current picture, in a pass of its own: 29 rows in the first
// column, then columns of 29 rows at x = 200, 390, ... while their text fits on the canvas; a 2 s
// pause after the first column when full, and after any later full column with rows to follow.
// When no further column fits, the last row tells how many members are not listed.
void draw_stress_list();

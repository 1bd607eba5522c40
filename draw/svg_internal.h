// The recorder's side of the SVG writer (draw/svg_writer.cpp).
#pragma once

#include "draw/svg.h"

// Notes the element just recorded: an earlier element whose pixels it covers exactly, as
// svg_document leaves out, is marked hidden, and once half of the elements are hidden they are
// dropped, so a model drawn many times over one spot keeps few elements.
void svg_note_element(SvgRecorder& recorder);

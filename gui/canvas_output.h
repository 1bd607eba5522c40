// The drawing output of a canvas control: a drawing state over the canvas picture whose
// draw_end puts the picture on the screen at once.
#pragma once

#include "draw/draw.h"

// A drawing output over canvas control number, made current at once (draw/draw.h); nullptr when
// the number is not a canvas or the canvas has no picture.
DrawOutput* draw_canvas_output(int number);

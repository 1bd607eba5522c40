// The deflection animation on canvas 19.
#pragma once

// Six frames at 1/6 .. 6/6 of the last deflected shape's offsets over the undeformed picture,
// 250 ms apart.
void animate_deflection();
// Frame (1..6) of the animation without its pause: animation_phase set, the ordinary picture drawn,
// then the animated elements over it in a second pass.
void draw_animation_frame(int frame);

// Capture of a whole top-level window, frame and caption included, for saving it as a picture.
#pragma once

#include <cstdint>
#include <string_view>

// The handle of the top-level window of this program whose caption is caption, 0 if none.
std::intptr_t win_find(std::string_view caption);
// Restores the window if it is minimised, so it is captured at its normal size.
void win_restore(std::intptr_t handle);
// The window's outer rectangle (frame and caption included) in screen coordinates.
// False when handle is no window of this program.
bool win_outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom);
// Draws the whole window (frame, caption, controls, canvas) at (0, 0) into the picture behind
// context, a value returned by draw_begin (draw/draw.h). False on failure.
bool win_capture(std::intptr_t handle, std::intptr_t context);

// The animated GIF encoder: frames of one size with their durations as GIF89a bytes in memory,
// looping forever.
//
// Palette: when all frames together use at most 256 colours (the canvas draws a few plain colours
// and its text adds the blends of a few pairs), one global palette holds exactly those colours and
// every pixel is kept. Otherwise each frame gets a local palette of its own colours, exact when the
// frame has at most 256 of them, else its 256 most frequent colours with every other colour mapped
// to the nearest of them (squared red, green, blue distance).
#pragma once

#include <cstdint>
#include <vector>

#include "draw/picture.h"

// One frame of an animation.
struct GifFrame {
    const Picture* picture = nullptr;  // 24 or 32 bits (the alpha byte is not used)
    int centiseconds = 0;              // how long the frame is shown, clamped to 0..65535
};

// Encodes frames (at least one, all of the first frame's size) into bytes (replacing their
// contents): a NETSCAPE2.0 loop-forever block, then per frame its delay and the rectangle that
// changed since the frame before (drawn over it). False (bytes left empty) for no frames, a
// missing, empty or inconsistent picture, frames of different sizes, or a library failure.
bool gif_encode(const std::vector<GifFrame>& frames, std::vector<std::uint8_t>& bytes);

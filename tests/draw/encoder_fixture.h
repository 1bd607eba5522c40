// Shared pictures of the encoder tests: the 6 x 5 'F' in red on blue (no symmetry, distinct
// channels, rows padded to 4 bytes), so that a flip, a mirror or a red/blue swap cannot pass.
#pragma once

#include <cstdint>

#include "draw/picture.h"

// Sets pixel (x, y) (y = 0 the top row) to red, green, blue and, for 32 bits, alpha.
inline void put_rgb(Picture& picture, int x, int y, int red, int green, int blue, int alpha = 255)
{
    std::uint8_t* p = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
    p[0] = static_cast<std::uint8_t>(blue);
    p[1] = static_cast<std::uint8_t>(green);
    p[2] = static_cast<std::uint8_t>(red);
    if (picture.bits_per_pixel == 32) {
        p[3] = static_cast<std::uint8_t>(alpha);
    }
}

// The 'F': column 1 and the top row from column 1, a shorter bar on row 2; red on blue.
inline Picture letter_f(int bits_per_pixel = 24)
{
    static const char* const rows[5] = {".####.", ".#....", ".###..", ".#....", ".#...."};
    Picture picture;
    picture_make(picture, 6, 5, bits_per_pixel);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool ink = rows[y][x] == '#';
            put_rgb(picture, x, y, ink ? 255 : 0, 0, ink ? 0 : 255, 40 * y + x);
        }
    }
    return picture;
}

// Pixel buffers as the program stores pictures.
//
// 24 bits per pixel (bytes B, G, R) or 32 (B, G, R, A); rows stored bottom-up, so the picture's
// row y is stored row height - 1 - y; every stored row padded to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <vector>

struct Picture {
    int width = 0;                   // pixels
    int height = 0;                  // pixels
    int bits_per_pixel = 24;         // 24 or 32
    int pitch = 0;                   // bytes per stored row, a multiple of 4
    std::vector<std::uint8_t> bits;  // height * pitch bytes; stored row 0 is the bottom row
};

// Stored row length in bytes for width pixels of bits_per_pixel (rounded up to 4 bytes).
int picture_pitch(int width, int bits_per_pixel);
// Makes picture a width x height buffer of bits_per_pixel (24 or 32) with every byte fill (0: black,
// 255: white). False (picture left empty) for a size below 1 x 1, above 32767 in either direction,
// or another depth.
bool picture_make(Picture& picture, int width, int height, int bits_per_pixel, std::uint8_t fill = 0);
// Address of the first byte of the picture's row y (0 = top row); precondition 0 <= y < height.
std::uint8_t* picture_row(Picture& picture, int y);
const std::uint8_t* picture_row(const Picture& picture, int y);

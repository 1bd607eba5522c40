// Encoder routines of the image layer (not part of its public API).
//
// An encoder takes a pixel buffer in the stored layout (B, G, R rows padded to 4 bytes) and writes
// a file; it returns non-zero on success, 0 on failure.
#pragma once

#include <cstdint>

#include "draw/picture.h"

constexpr int IMAGE_ROWS_BOTTOM_UP = 2;  // row_flags bit: the first stored row is the bottom row

// (file_name, pixels, width, height, pitch, row_flags, quality, requested_depth) -> result
using ImageEncode = int (*)(const char* file_name, const std::uint8_t* pixels, int width, int height, int pitch,
                            int row_flags, int quality, int requested_depth);

// The JPEG encoder for 24-bit B, G, R rows: libjpeg quality 10 x clamp(quality, 0, 10). The file is
// replaced whole or not at all: on any failure (0, errno says why) an existing file is left as it was
// and no partial file remains. A device such as /dev/null is written in place.
int jpeg_encode(const char* file_name, const std::uint8_t* pixels, int width, int height, int pitch, int row_flags,
                int quality, int requested_depth);

// A 24-bit copy of a 32-bit picture laid on white: each channel c with alpha a becomes
// (65025 + (c - 255) * a) / 255. False when memory runs out.
bool picture_on_white(const Picture& source, Picture& result);

// The PNG encoder: a picture as lossless PNG bytes in memory.
//
// The caller decides where the bytes go (a file written whole or not at all, a pipe, a test), so
// this encoder never opens a file itself.
#pragma once

#include <cstdint>
#include <vector>

#include "draw/picture.h"

// Encodes picture as 8-bit PNG into bytes (replacing their contents): a 24-bit picture as RGB, a
// 32-bit one as RGBA with its alpha byte as opacity; the top row first, every pixel as stored.
// False (bytes left empty) for an empty or inconsistent picture, or when the library fails.
bool png_encode(const Picture& picture, std::vector<std::uint8_t>& bytes);

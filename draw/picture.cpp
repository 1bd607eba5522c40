// Pixel buffers: row length, allocation and row addressing for bottom-up B, G, R(, A) pictures.
//
// Touches only the Picture passed in.
#include "draw/picture.h"

#include <new>

namespace {
constexpr int MAX_PICTURE_SIDE = 32767;  // image records hold their size in 16-bit fields
}

int picture_pitch(int width, int bits_per_pixel)
{
    if (width <= 0 || bits_per_pixel <= 0) {
        return 0;
    }
    const long long bits = static_cast<long long>(width) * bits_per_pixel;
    return static_cast<int>((bits + 31) / 32 * 4);
}

bool picture_make(Picture& picture, int width, int height, int bits_per_pixel, std::uint8_t fill)
{
    picture = Picture{};
    if (width < 1 || height < 1 || width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) {
        return false;
    }
    if (bits_per_pixel != 24 && bits_per_pixel != 32) {
        return false;
    }
    const int pitch = picture_pitch(width, bits_per_pixel);
    try {
        picture.bits.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), fill);
    } catch (const std::bad_alloc&) {
        picture = Picture{};
        return false;
    }
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits_per_pixel;
    picture.pitch = pitch;
    return true;
}

std::uint8_t* picture_row(Picture& picture, int y)
{
    return picture.bits.data() + static_cast<std::size_t>(picture.height - 1 - y) * picture.pitch;
}

const std::uint8_t* picture_row(const Picture& picture, int y)
{
    return picture.bits.data() + static_cast<std::size_t>(picture.height - 1 - y) * picture.pitch;
}

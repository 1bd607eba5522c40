// The PNG encoder: its bytes decoded again by libpng give the picture's pixels exactly, in both
// depths; pictures it cannot encode give no bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <png.h>

#include "draw/picture.h"
#include "draw/png.h"
#include "encoder_fixture.h"

namespace {

// The decoded pixels (R, G, B[, A] per pixel, top row first); empty when libpng refuses the bytes.
std::vector<std::uint8_t> decode(const std::vector<std::uint8_t>& bytes, bool alpha, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::uint8_t> pixels;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        return pixels;
    }
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        pixels.clear();
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

// The picture's pixels in the decoder's layout.
std::vector<std::uint8_t> expected_pixels(const Picture& picture)
{
    const int bytes = picture.bits_per_pixel / 8;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture_row(picture, y) + x * bytes;
            pixels.insert(pixels.end(), {p[2], p[1], p[0]});
            if (bytes == 4) {
                pixels.push_back(p[3]);
            }
        }
    }
    return pixels;
}

TEST(PngTest, DecodedPixelsEqualThePictureInBothDepths)
{
    for (const int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const Picture picture = letter_f(bits);
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(png_encode(picture, bytes));
        // IHDR: 8 bits per channel, colour type 2 (RGB) or 6 (RGB with alpha).
        ASSERT_GT(bytes.size(), 26u);
        EXPECT_EQ(bytes[24], 8);
        EXPECT_EQ(bytes[25], bits == 32 ? 6 : 2);
        int width = 0, height = 0;
        const std::vector<std::uint8_t> pixels = decode(bytes, bits == 32, width, height);
        EXPECT_EQ(width, 6);
        EXPECT_EQ(height, 5);
        EXPECT_EQ(pixels, expected_pixels(picture));
    }
}

TEST(PngTest, ALargeCanvasOfManyColoursRoundTrips)
{
    Picture picture;
    ASSERT_TRUE(picture_make(picture, 701, 500, 24));  // odd width: padded rows
    std::uint32_t seed = 7;
    for (std::uint8_t& byte : picture.bits) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(png_encode(picture, bytes));
    int width = 0, height = 0;
    EXPECT_EQ(decode(bytes, false, width, height), expected_pixels(picture));
}

TEST(PngTest, PicturesThatCannotBeEncodedGiveNoBytes)
{
    Picture empty;
    Picture short_bits = letter_f();
    short_bits.bits.resize(short_bits.bits.size() - 1);
    Picture narrow_pitch = letter_f();
    narrow_pitch.pitch = 16;
    Picture odd_depth = letter_f();
    odd_depth.bits_per_pixel = 16;
    for (const Picture* picture : {&empty, &short_bits, &narrow_pitch, &odd_depth}) {
        std::vector<std::uint8_t> bytes = {1, 2, 3};
        EXPECT_FALSE(png_encode(*picture, bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

}  // namespace

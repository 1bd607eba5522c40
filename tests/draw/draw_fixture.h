// Shared helpers of the drawing tests: a non-square picture filled with a colour whose red, green
// and blue differ, drawn on through the current drawing state, and pixel readers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>

#include "draw/draw.h"
#include "draw/picture.h"

constexpr int BACKGROUND = 0x302010;  // red 0x10, green 0x20, blue 0x30
constexpr int INK = 0x0A80F0;         // red 0xF0, green 0x80, blue 0x0A

using PixelSet = std::set<std::pair<int, int>>;  // (x, y)

// The colour value (draw_rgb layout) of pixel (x, y) of picture.
inline int pixel_at(const Picture& picture, int x, int y)
{
    const std::uint8_t* p = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
    return p[2] | (p[1] << 8) | (p[0] << 16);
}

inline void fill_picture(Picture& picture, int colour)
{
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            std::uint8_t* p = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
            p[0] = static_cast<std::uint8_t>(colour >> 16);
            p[1] = static_cast<std::uint8_t>(colour >> 8);
            p[2] = static_cast<std::uint8_t>(colour);
        }
    }
}

// Pixels of picture that differ from colour.
inline PixelSet pixels_not(const Picture& picture, int colour)
{
    PixelSet set;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (pixel_at(picture, x, y) != colour) {
                set.insert({x, y});
            }
        }
    }
    return set;
}

// A picture of width x height filled with BACKGROUND, with a drawing pass begun on it.
class DrawTest : public ::testing::Test {
protected:
    void start(int width, int height, int bits = 24)
    {
        draw_end();
        ASSERT_TRUE(picture_make(picture, width, height, bits));
        fill_picture(picture, BACKGROUND);
        current = draw_picture_output(&picture, {});
        ASSERT_NE(current, nullptr);
        context = draw_begin(current);
        ASSERT_NE(context, 0);
    }
    void SetUp() override { start(40, 30); }
    void TearDown() override { draw_end(); }
    PixelSet drawn() const { return pixels_not(picture, BACKGROUND); }

    Picture picture;
    DrawOutput* current = nullptr;
    std::intptr_t context = 0;
};

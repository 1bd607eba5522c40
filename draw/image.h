// Numbered images and saving them through a table of encoders keyed by a four-character code.
//
// Images are pictures (draw/picture.h) addressed by small non-negative numbers (table of 16,
// growing by 16); creating under a number in use frees the old image first; operations on a
// number that holds no image do nothing and return 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "draw/draw.h"
#include "draw/picture.h"

constexpr std::uint32_t IMAGE_FORMAT_JPEG = 0x4745504A;  // "JPEG" read as a little-endian integer
constexpr int IMAGE_SAVE_QUALITY = 7;                    // 0..10; the JPEG encoder uses 10 x this

// Start-up and shutdown of the image table (shutdown frees every image).
void image_init();
void image_end();
// Start-up of the encoder table (empty).
void image_codec_init();
// Shutdown of the encoder table: forgets every registered encoder.
void image_codec_end();
// A black image of width x height with max(depth, 24) bits per pixel (24 or 32).
// Non-zero on success, 0 on failure (the number is then free).
std::intptr_t image_create(int number, int width, int height, int depth);
// Copies the rectangle (x, y, width, height) of image source into a new image, then stores it
// under new_number (freeing what was there, also when it is source itself). Non-zero on success.
std::intptr_t image_grab(int source, int new_number, int x, int y, int width, int height);
// Frees image number; -1 frees every image.
void image_free(int number);
// Saves image number to file_name with the encoder registered for format at IMAGE_SAVE_QUALITY.
// Non-zero on success; 0 for a missing image, an empty name, no encoder or a failed encode
// (which leaves no partial file).
int image_save(int number, std::string_view file_name, std::uint32_t format);
// Registers the JPEG encoder (once; later calls change nothing). Returns 1.
int image_use_jpeg_encoder();
// The picture of image number, nullptr if there is none.
Picture* image_picture(int number);
// A drawing output over image number (nullptr if there is none); see draw/draw.h.
DrawOutput* draw_image_output(int number);
// The JPEG encoder itself, for callers that hold a picture: quality 0..10 (clamped) gives libjpeg
// quality 10 x quality. 1 on success, 0 on failure; the file is replaced whole or not at all, so a
// failure leaves an existing file as it was.
int jpeg_save_picture(const Picture& picture, std::string_view file_name, int quality);
// The same encoder at libjpeg quality 0..100 (clamped) for a 24- or 32-bit picture (32 laid on white).
int jpeg_save_picture_quality(const Picture& picture, std::string_view file_name, int quality);

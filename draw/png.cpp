// The PNG encoder over libpng: stored B, G, R(, A) rows go to the library as they are (png_set_bgr),
// the picture's top row first, into a growing byte buffer.
//
// Library errors come back through longjmp into encode_rows(); the buffer is then emptied. The
// compression favours speed (zlib level 1, rows unfiltered): the canvas is mostly runs of one
// colour, which compress well at any level and without a filter (the "up" filter made pictures of
// trusses a few per cent larger and took a fifth more time), and a 700 x 500 picture stays within a
// few milliseconds.
#include "draw/png.h"

#include <csetjmp>

#include <png.h>

namespace {

constexpr int ZLIB_LEVEL = 1;  // fastest; larger levels cost several times the time for a few % of size
// zlib's table of recent strings: 4096 entries instead of 32768. zlib goes over the whole table
// each time its window moves on (every 32 KB), which was a third of the encoding; the smaller table
// finds the long runs of a canvas as well, and a picture comes out within a per cent of the size.
constexpr int ZLIB_MEMORY_LEVEL = 5;

void append_bytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    try {
        bytes->insert(bytes->end(), data, data + length);
    } catch (...) {
        png_error(png, "out of memory");  // no exception may cross the library's C frames
    }
}

void flush_nothing(png_structp) {}

[[noreturn]] void error_exit(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void warning_ignored(png_structp, png_const_charp) {}

// Writes the rows of picture through png; true on success. Only plain C objects and pointers live
// in this frame, so the longjmp of a library error skips no destructor.
bool encode_rows(const Picture& picture, std::vector<std::uint8_t>* bytes)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, error_exit, warning_ignored);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, bytes, append_bytes, flush_nothing);
    const int colour_type = picture.bits_per_pixel == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, ZLIB_LEVEL);
    png_set_compression_mem_level(png, ZLIB_MEMORY_LEVEL);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < picture.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(picture_row(picture, y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool png_encode(const Picture& picture, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (picture.width < 1 || picture.height < 1 || (picture.bits_per_pixel != 24 && picture.bits_per_pixel != 32) ||
        picture.pitch < picture_pitch(picture.width, picture.bits_per_pixel) ||
        picture.bits.size() < static_cast<std::size_t>(picture.pitch) * static_cast<std::size_t>(picture.height)) {
        return false;
    }
    bytes.reserve(static_cast<std::size_t>(picture.width) * picture.height / 8 + 1024);
    if (!encode_rows(picture, &bytes)) {
        bytes.clear();
        bytes.shrink_to_fit();
        return false;
    }
    return true;
}

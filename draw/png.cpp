// The PNG encoder: the picture's rows, each behind filter byte 0 (none) with its stored B, G, R(, A)
// turned into R, G, B(, A), the top row first, compressed whole by libdeflate into one zlib stream;
// the file is the signature, IHDR, that stream as one IDAT chunk and IEND.
//
// Speed: the canvas is mostly runs of one colour, which compress well at the fastest level and
// without a row filter; libdeflate's level 1 takes about half the time of zlib's on such pictures
// and writes smaller files. The rows are gathered in one buffer of the picture's size first
// (libdeflate compresses whole buffers).
#include "draw/png.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>

#include <libdeflate.h>

namespace {

constexpr int COMPRESSION_LEVEL = 1;  // libdeflate's fastest that still matches repeated strings
constexpr std::array<std::uint8_t, 8> SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t CHUNK_FRAME = 12;  // a chunk's length, type and CRC around its data
constexpr std::size_t HEADER_DATA = 13;  // IHDR's data: width, height, depth, colour type, three methods
constexpr std::uint8_t COLOUR_RGB = 2;
constexpr std::uint8_t COLOUR_RGBA = 6;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

std::uint8_t* put_u32(std::uint8_t* out, std::uint32_t value)
{
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
    return out + 4;
}

// Frames the size bytes of chunk data that stand at out + 8 as a chunk of type: its length before
// them, its CRC (of the type and the data) after them. Returns the end of the chunk.
std::uint8_t* frame_chunk(std::uint8_t* out, const char (&type)[5], std::size_t size)
{
    put_u32(out, static_cast<std::uint32_t>(size));
    std::memcpy(out + 4, type, 4);
    const std::uint32_t crc = libdeflate_crc32(0, out + 4, size + 4);
    return put_u32(out + 8 + size, crc);
}

// The rows of picture as PNG's filtered image data: each row behind filter byte 0, in R, G, B(, A).
std::vector<std::uint8_t> filtered_rows(const Picture& picture, int channels)
{
    const std::size_t row_bytes = 1 + static_cast<std::size_t>(picture.width) * channels;
    std::vector<std::uint8_t> rows(row_bytes * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* out = rows.data() + row_bytes * static_cast<std::size_t>(y);
        const std::uint8_t* in = picture_row(picture, y);
        *out++ = 0;
        for (int x = 0; x < picture.width; ++x, out += channels, in += channels) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (channels == 4)
                out[3] = in[3];
        }
    }
    return rows;
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
    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(COMPRESSION_LEVEL));
    if (compressor == nullptr)
        return false;
    const int channels = picture.bits_per_pixel / 8;
    const std::vector<std::uint8_t> rows = filtered_rows(picture, channels);
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rows.size());
    if (bound > std::numeric_limits<std::int32_t>::max())
        return false;  // more than one chunk holds
    bytes.resize(SIGNATURE.size() + (CHUNK_FRAME + HEADER_DATA) + (CHUNK_FRAME + bound) + CHUNK_FRAME);
    std::uint8_t* out = std::copy(SIGNATURE.begin(), SIGNATURE.end(), bytes.data());

    std::uint8_t* data = out + 8;
    data = put_u32(data, static_cast<std::uint32_t>(picture.width));
    data = put_u32(data, static_cast<std::uint32_t>(picture.height));
    const std::uint8_t header_tail[] = {8, channels == 4 ? COLOUR_RGBA : COLOUR_RGB, 0, 0, 0};
    std::memcpy(data, header_tail, sizeof header_tail);
    out = frame_chunk(out, "IHDR", HEADER_DATA);

    const std::size_t compressed = libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(), out + 8, bound);
    if (compressed == 0) {
        bytes.clear();
        return false;
    }
    out = frame_chunk(out, "IDAT", compressed);
    out = frame_chunk(out, "IEND", 0);
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return true;
}

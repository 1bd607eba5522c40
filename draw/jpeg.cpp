// The JPEG encoder over libjpeg(-turbo): stored B, G, R rows go to the library as they are
// (JCS_EXT_BGR), the top row of the picture first.
//
// Library errors come back through longjmp into compress(). The file is written whole or not at
// all (core/atomic_file.h): the picture goes to a new file beside the target that replaces it only
// once complete, so a failed or killed save leaves the old file as it was and no partial file.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <jpeglib.h>

#include "core/atomic_file.h"
#include "draw/codec.h"
#include "draw/image.h"

namespace {

struct JumpingErrors {
    jpeg_error_mgr manager;  // must stay first: libjpeg sees only this part
    std::jmp_buf jump;       // where error_exit returns to
};

[[noreturn]] void error_exit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->jump, 1);
}

void output_message(j_common_ptr)
{
    // Nothing is printed: a failed save is reported by the result.
}

// Compresses height rows into file at libjpeg quality 0..100. 1 on success, 0 when the library
// reported an error. Only plain C objects live in this frame, so the longjmp skips no destructor.
int compress(std::FILE* file, const std::uint8_t* pixels, int width, int height, int pitch, int row_flags,
             int library_quality)
{
    jpeg_compress_struct cinfo;
    JumpingErrors errors;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = error_exit;
    errors.manager.output_message = output_message;
    errors.manager.trace_level = -1;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return 0;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, library_quality, FALSE);
    jpeg_start_compress(&cinfo, TRUE);
    const bool bottom_up = (row_flags & IMAGE_ROWS_BOTTOM_UP) != 0;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        const int stored = bottom_up ? height - 1 - y : y;
        JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<std::ptrdiff_t>(stored) * pitch);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return 1;
}

// Writes the rows to file_name at libjpeg quality 0..100 (see jpeg_encode for the failure rules).
int encode_file(const char* file_name, const std::uint8_t* pixels, int width, int height, int pitch, int row_flags,
                int library_quality)
{
    if (file_name == nullptr || file_name[0] == '\0' || pixels == nullptr || width < 1 || height < 1 ||
        pitch < 3 * width) {
        return 0;
    }
    std::string error;
    const bool written = write_file_atomically(
        file_name,
        [&](std::FILE* file) { return compress(file, pixels, width, height, pitch, row_flags, library_quality) == 1; },
        error);
    return written ? 1 : 0;
}

}  // namespace

int jpeg_encode(const char* file_name, const std::uint8_t* pixels, int width, int height, int pitch, int row_flags,
                int quality, int)
{
    const int clamped = quality < 0 ? 0 : (quality > 10 ? 10 : quality);
    return encode_file(file_name, pixels, width, height, pitch, row_flags, 10 * clamped);
}

int jpeg_save_picture_quality(const Picture& picture, std::string_view file_name, int quality)
{
    if (file_name.empty() || file_name.find('\0') != std::string_view::npos) {
        return 0;
    }
    const Picture* source = &picture;
    Picture flat;
    if (picture.bits_per_pixel == 32) {
        if (!picture_on_white(picture, flat)) {
            return 0;
        }
        source = &flat;
    }
    if (source->bits_per_pixel != 24 || source->width < 1 || source->height < 1 ||
        source->bits.size() < static_cast<std::size_t>(source->pitch) * static_cast<std::size_t>(source->height)) {
        return 0;
    }
    const int clamped = quality < 0 ? 0 : (quality > 100 ? 100 : quality);
    return encode_file(std::string(file_name).c_str(), source->bits.data(), source->width, source->height,
                       source->pitch, IMAGE_ROWS_BOTTOM_UP, clamped);
}

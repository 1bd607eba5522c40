// Numbered images and saving them through the encoder table.
//
// State: the image table (records indexed by number; 16 places, grown to number + 16 when a
// larger number is used) and the encoder table (entries in registration order, keyed by a
// four-character code), each behind its own lock. Both work without image_init or
// image_codec_init having run. A picture is shared with a drawing pass on it, so freeing or
// replacing its image during the pass leaves the pass drawing into memory it still owns.
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/number_table.h"
#include "draw/codec.h"
#include "draw/draw.h"
#include "draw/image.h"

namespace {

constexpr int IMAGE_TABLE_START = 16;  // initial capacity
constexpr int IMAGE_TABLE_STEP = 16;   // growth step

struct ImageRecord {
    std::shared_ptr<Picture> picture = std::make_shared<Picture>();  // the pixels (bottom-up B, G, R(, A))
    int depth = 24;                                                  // bits per pixel of the picture
    int source_depth = 24;  // depth of the picture the image was made from; the depth asked for when saving
};

struct ImageTable {
    std::mutex lock;                                                        // guards records
    NumberTable<ImageRecord> records{IMAGE_TABLE_START, IMAGE_TABLE_STEP};  // numbers up to NUMBER_LIMIT
};

struct Encoder {
    std::uint32_t format = 0;        // four ASCII characters read as a little-endian integer
    ImageEncode encode24 = nullptr;  // 24-bit routine
    ImageEncode encode32 = nullptr;  // 32-bit routine, may be empty
};

struct EncoderTable {
    std::mutex lock;
    std::vector<Encoder> entries;
};

ImageTable& image_table()
{
    static ImageTable table;
    return table;
}

EncoderTable& encoder_table()
{
    static EncoderTable table;
    return table;
}

std::intptr_t handle_of(const ImageRecord* record)
{
    return reinterpret_cast<std::intptr_t>(record->picture.get());
}

bool picture_has_pixels(const Picture& picture)
{
    return picture.width >= 1 && picture.height >= 1 &&
           (picture.bits_per_pixel == 24 || picture.bits_per_pixel == 32) &&
           picture.pitch >= picture_pitch(picture.width, picture.bits_per_pixel) &&
           picture.bits.size() >= static_cast<std::size_t>(picture.pitch) * static_cast<std::size_t>(picture.height);
}

// A name the C library can open: not empty and without an embedded NUL (which would cut it short).
bool usable_name(std::string_view file_name)
{
    return !file_name.empty() && file_name.find('\0') == std::string_view::npos;
}

// Runs the encoder entry on picture, converting a 32-bit picture onto white when the entry has no
// 32-bit routine or another depth is asked for.
int encode_with(const Encoder& encoder, const Picture& picture, const std::string& name, int quality,
                int requested_depth)
{
    if (picture.bits_per_pixel == 24) {
        return encoder.encode24(name.c_str(), picture.bits.data(), picture.width, picture.height, picture.pitch,
                                IMAGE_ROWS_BOTTOM_UP, quality, requested_depth);
    }
    if (picture.bits_per_pixel != 32) {
        return 0;
    }
    if (encoder.encode32 != nullptr && (requested_depth == 32 || requested_depth == -1)) {
        return encoder.encode32(name.c_str(), picture.bits.data(), picture.width, picture.height, picture.pitch,
                                IMAGE_ROWS_BOTTOM_UP, quality, requested_depth);
    }
    Picture flat;
    if (!picture_on_white(picture, flat)) {
        return 0;
    }
    return encoder.encode24(name.c_str(), flat.bits.data(), flat.width, flat.height, flat.pitch, IMAGE_ROWS_BOTTOM_UP,
                            quality, requested_depth);
}

}  // namespace

bool picture_on_white(const Picture& source, Picture& result)
{
    if (source.bits_per_pixel != 32 || !picture_make(result, source.width, source.height, 24)) {
        return false;
    }
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* src = picture_row(source, y);
        std::uint8_t* dst = picture_row(result, y);
        for (int x = 0; x < source.width; ++x, src += 4, dst += 3) {
            const int a = src[3];
            for (int c = 0; c < 3; ++c) {
                dst[c] = static_cast<std::uint8_t>((65025 + (src[c] - 255) * a) / 255);
            }
        }
    }
    return true;
}

void image_init()
{
    image_table();  // the table holds its first 16 places from the start
}

void image_end()
{
    image_free(-1);
}

void image_codec_init()
{
    // The tables are ready from the start; registrations made so far stay.
}

void image_codec_end()
{
    EncoderTable& table = encoder_table();
    std::lock_guard guard(table.lock);
    table.entries.clear();
}

std::intptr_t image_create(int number, int width, int height, int depth)
{
    ImageTable& table = image_table();
    if (!table.records.accepts(number)) {  // the limit never changes: no lock needed
        return 0;
    }
    std::lock_guard guard(table.lock);
    // The number is taken first (its old image is freed), then released again if no picture can be made.
    table.records.release(number);
    const int bits = depth <= 24 ? 24 : depth;
    auto record = std::make_unique<ImageRecord>();
    if (!picture_make(*record->picture, width, height, bits)) {
        return 0;
    }
    if (bits == 32) {
        // Black with full alpha.
        for (std::size_t i = 3; i < record->picture->bits.size(); i += 4) {
            record->picture->bits[i] = 255;
        }
    }
    record->depth = bits;
    record->source_depth = bits;
    return handle_of(table.records.put(number, std::move(record)));
}

std::intptr_t image_grab(int source, int new_number, int x, int y, int width, int height)
{
    ImageTable& table = image_table();
    if (!table.records.accepts(new_number)) {  // the limit never changes: no lock needed
        return 0;
    }
    std::lock_guard guard(table.lock);
    const ImageRecord* from = table.records.find(source);
    if (from == nullptr || !picture_has_pixels(*from->picture)) {
        return 0;
    }
    auto record = std::make_unique<ImageRecord>();
    const Picture& src = *from->picture;
    if (!picture_make(*record->picture, width, height, src.bits_per_pixel)) {
        return 0;
    }
    // The part of the rectangle that lies on the source is copied; the rest stays black.
    const int bytes = src.bits_per_pixel / 8;
    const long long x0 = std::max<long long>(x, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(x) + width, src.width);
    const long long y0 = std::max<long long>(y, 0);
    const long long y1 = std::min<long long>(static_cast<long long>(y) + height, src.height);
    for (long long row = y0; row < y1 && x0 < x1; ++row) {
        const std::uint8_t* from_row = picture_row(src, static_cast<int>(row)) + x0 * bytes;
        std::uint8_t* to_row = picture_row(*record->picture, static_cast<int>(row - y)) + (x0 - x) * bytes;
        std::copy(from_row, from_row + (x1 - x0) * bytes, to_row);
    }
    record->depth = from->depth;
    record->source_depth = from->source_depth;
    // Only now is the new number taken, which frees the source itself when the numbers are equal.
    return handle_of(table.records.put(new_number, std::move(record)));
}

void image_free(int number)
{
    ImageTable& table = image_table();
    std::lock_guard guard(table.lock);
    if (number == -1) {
        table.records.release_all();
        return;
    }
    table.records.release(number);
}

int image_save(int number, std::string_view file_name, std::uint32_t format)
{
    if (!usable_name(file_name)) {
        return 0;
    }
    Encoder encoder;
    {
        EncoderTable& encoders = encoder_table();
        std::lock_guard guard(encoders.lock);
        for (const Encoder& entry : encoders.entries) {
            if (entry.format == format) {
                encoder = entry;
                break;
            }
        }
    }
    ImageTable& table = image_table();
    std::lock_guard guard(table.lock);
    const ImageRecord* record = table.records.find(number);
    if (record == nullptr || !picture_has_pixels(*record->picture) || encoder.encode24 == nullptr) {
        return 0;
    }
    return encode_with(encoder, *record->picture, std::string(file_name), IMAGE_SAVE_QUALITY, record->source_depth);
}

int image_use_jpeg_encoder()
{
    EncoderTable& table = encoder_table();
    std::lock_guard guard(table.lock);
    for (const Encoder& entry : table.entries) {
        if (entry.format == IMAGE_FORMAT_JPEG) {
            return 1;
        }
    }
    table.entries.push_back(Encoder{IMAGE_FORMAT_JPEG, jpeg_encode, nullptr});
    return 1;
}

Picture* image_picture(int number)
{
    ImageTable& table = image_table();
    std::lock_guard guard(table.lock);
    ImageRecord* record = table.records.find(number);
    return record != nullptr ? record->picture.get() : nullptr;
}

DrawOutput* draw_image_output(int number)
{
    std::shared_ptr<Picture> picture;
    {
        ImageTable& table = image_table();
        std::lock_guard guard(table.lock);
        if (const ImageRecord* record = table.records.find(number)) {
            picture = record->picture;
        }
    }
    if (picture == nullptr || picture->bits.empty()) {
        return nullptr;
    }
    // The release hook holds the picture until the pass ends, whatever happens to the image.
    Picture* pixels = picture.get();
    return draw_picture_output(pixels, [picture = std::move(picture)](bool) {});
}

int jpeg_save_picture(const Picture& picture, std::string_view file_name, int quality)
{
    if (!usable_name(file_name) || !picture_has_pixels(picture)) {
        return 0;
    }
    const Encoder jpeg{IMAGE_FORMAT_JPEG, jpeg_encode, nullptr};
    return encode_with(jpeg, picture, std::string(file_name), quality, 24);
}

// The animated GIF encoder over giflib: the changed rectangle of each frame, a palette for them
// (see draw/gif.h) and the library's LZW writer into a growing buffer.
//
// Colours here are packed 0xRRGGBB, read from the pictures' stored B, G, R bytes. Lookups from
// colour to palette index go through a hash map with a one-entry cache in front: the canvas is
// mostly long runs of one colour. A colour missing from a palette of 256 is searched once and
// remembered.
#include "draw/gif.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <unordered_map>

#include <gif_lib.h>

namespace {

constexpr int PALETTE_LIMIT = 256;  // colours a GIF palette can hold

// The part of a frame that is written.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Colours of a palette and the index of every colour the frames use.
struct Palette {
    std::vector<std::uint32_t> colours;            // at most 256
    std::unordered_map<std::uint32_t, int> index;  // colour -> palette entry (exact or nearest)
    std::uint32_t last_colour = 0;                 // one-entry cache
    int last_index = -1;                           // -1 = cache empty
};

bool picture_ok(const Picture* picture)
{
    return picture != nullptr && picture->width >= 1 && picture->height >= 1 &&
           (picture->bits_per_pixel == 24 || picture->bits_per_pixel == 32) &&
           picture->pitch >= picture_pitch(picture->width, picture->bits_per_pixel) &&
           picture->bits.size() >= static_cast<std::size_t>(picture->pitch) * static_cast<std::size_t>(picture->height);
}

// The packed colour of pixel x of a stored row of a picture with pixel_bytes bytes per pixel.
inline std::uint32_t colour_at(const std::uint8_t* row, int x, int pixel_bytes)
{
    const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * pixel_bytes;
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

// The smallest rectangle holding every pixel in which now differs from before; a 1 x 1 rectangle
// at the origin when they are equal (a frame needs at least one pixel).
Rect changed_rect(const Picture& before, const Picture& now)
{
    const int width = now.width;
    const int height = now.height;
    const int bytes = now.bits_per_pixel / 8;
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* a = picture_row(before, y);
        const std::uint8_t* b = picture_row(now, y);
        if (std::memcmp(a, b, static_cast<std::size_t>(width) * bytes) == 0) {
            continue;
        }
        int first = 0;
        while (first < width && colour_at(a, first, bytes) == colour_at(b, first, bytes)) {
            ++first;
        }
        if (first == width) {
            continue;  // only alpha bytes differ
        }
        int last = width - 1;
        while (colour_at(a, last, bytes) == colour_at(b, last, bytes)) {
            --last;
        }
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    if (right < 0) {
        return Rect{0, 0, 1, 1};
    }
    return Rect{left, top, right - left + 1, bottom - top + 1};
}

// Adds the colours of rect of picture to counts.
void count_colours(const Picture& picture, const Rect& rect, std::unordered_map<std::uint32_t, std::uint32_t>& counts)
{
    const int bytes = picture.bits_per_pixel / 8;
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        const std::uint8_t* row = picture_row(picture, y);
        std::uint32_t run_colour = colour_at(row, rect.x, bytes);
        std::uint32_t run = 0;
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            const std::uint32_t colour = colour_at(row, x, bytes);
            if (colour != run_colour) {
                counts[run_colour] += run;
                run_colour = colour;
                run = 0;
            }
            ++run;
        }
        counts[run_colour] += run;
    }
}

// A palette of the counted colours: all of them when they fit, else the most frequent 256 (ties
// broken by colour value, so the result does not depend on the hash order).
Palette make_palette(const std::unordered_map<std::uint32_t, std::uint32_t>& counts)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranked(counts.begin(), counts.end());
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    if (ranked.size() > PALETTE_LIMIT) {
        ranked.resize(PALETTE_LIMIT);
    }
    Palette palette;
    for (const auto& entry : ranked) {
        palette.index.emplace(entry.first, static_cast<int>(palette.colours.size()));
        palette.colours.push_back(entry.first);
    }
    return palette;
}

int nearest(const Palette& palette, std::uint32_t colour)
{
    auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    int best = 0;
    long best_distance = std::numeric_limits<long>::max();
    for (std::size_t n = 0; n < palette.colours.size(); ++n) {
        long distance = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const long d = channel(colour, shift) - channel(palette.colours[n], shift);
            distance += d * d;
        }
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<int>(n);
        }
    }
    return best;
}

int palette_index(Palette& palette, std::uint32_t colour)
{
    if (palette.last_index >= 0 && palette.last_colour == colour) {
        return palette.last_index;
    }
    auto found = palette.index.find(colour);
    if (found == palette.index.end()) {
        found = palette.index.emplace(colour, nearest(palette, colour)).first;
    }
    const int index = found->second;
    palette.last_colour = colour;
    palette.last_index = index;
    return index;
}

// The palette as a giflib colour map, padded to a power of two of at least 2 entries (nullptr when
// memory runs out; the caller frees it).
ColorMapObject* colour_map(const Palette& palette)
{
    int size = 2;
    while (size < static_cast<int>(palette.colours.size())) {
        size *= 2;
    }
    std::array<GifColorType, PALETTE_LIMIT> entries{};
    for (std::size_t n = 0; n < palette.colours.size(); ++n) {
        entries[n].Red = static_cast<GifByteType>(palette.colours[n] >> 16);
        entries[n].Green = static_cast<GifByteType>(palette.colours[n] >> 8);
        entries[n].Blue = static_cast<GifByteType>(palette.colours[n]);
    }
    return GifMakeMapObject(size, entries.data());
}

int append_bytes(GifFileType* gif, const GifByteType* data, int length)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        bytes->insert(bytes->end(), data, data + length);
    } catch (...) {
        return 0;  // the library reports a write error
    }
    return length;
}

bool put_loop_block(GifFileType* gif)
{
    static const GifByteType name[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType forever[] = {1, 0, 0};  // sub-block 1, loop count 0 = forever
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof name, name) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof forever, forever) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

// Writes one frame: its delay, its rectangle and the palette indices of the rectangle's pixels;
// local is the frame's own palette or nullptr for the global one.
bool put_frame(GifFileType* gif, const GifFrame& frame, const Rect& rect, Palette& palette, const ColorMapObject* local)
{
    const int bytes = frame.picture->bits_per_pixel / 8;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = std::clamp(frame.centiseconds, 0, 65535);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK ||
        EGifPutImageDesc(gif, rect.x, rect.y, rect.width, rect.height, false, local) != GIF_OK) {
        return false;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(rect.width));
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        const std::uint8_t* row = picture_row(*frame.picture, y);
        for (int x = 0; x < rect.width; ++x) {
            const std::uint32_t colour = colour_at(row, rect.x + x, bytes);
            line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(palette_index(palette, colour));
        }
        if (EGifPutLine(gif, line.data(), rect.width) != GIF_OK) {
            return false;
        }
    }
    return true;
}

bool encode(const std::vector<GifFrame>& frames, const std::vector<Rect>& rects, std::vector<std::uint8_t>& bytes)
{
    std::unordered_map<std::uint32_t, std::uint32_t> counts;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        count_colours(*frames[n].picture, rects[n], counts);
    }
    const int width = frames[0].picture->width;
    const int height = frames[0].picture->height;
    const bool global = counts.size() <= PALETTE_LIMIT;
    Palette shared;
    ColorMapObject* screen_map = nullptr;
    if (global) {
        shared = make_palette(counts);
        screen_map = colour_map(shared);
        if (screen_map == nullptr) {
            return false;
        }
    }
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, append_bytes, &error);
    if (gif == nullptr) {
        GifFreeMapObject(screen_map);
        return false;
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, screen_map) == GIF_OK && put_loop_block(gif);
    for (std::size_t n = 0; ok && n < frames.size(); ++n) {
        if (global) {
            ok = put_frame(gif, frames[n], rects[n], shared, nullptr);
            continue;
        }
        counts.clear();
        count_colours(*frames[n].picture, rects[n], counts);
        Palette own = make_palette(counts);
        ColorMapObject* local = colour_map(own);
        ok = local != nullptr && put_frame(gif, frames[n], rects[n], own, local);
        GifFreeMapObject(local);
    }
    GifFreeMapObject(screen_map);
    if (EGifCloseFile(gif, &error) != GIF_OK) {
        ok = false;
    }
    return ok;
}

}  // namespace

bool gif_encode(const std::vector<GifFrame>& frames, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (frames.empty() || !picture_ok(frames[0].picture)) {
        return false;
    }
    const int width = frames[0].picture->width;
    const int height = frames[0].picture->height;
    if (width > 65535 || height > 65535) {
        return false;
    }
    std::vector<Rect> rects;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const Picture* picture = frames[n].picture;
        if (!picture_ok(picture) || picture->width != width || picture->height != height ||
            picture->bits_per_pixel != frames[0].picture->bits_per_pixel) {
            return false;
        }
        rects.push_back(n == 0 ? Rect{0, 0, width, height} : changed_rect(*frames[n - 1].picture, *picture));
    }
    if (!encode(frames, rects, bytes)) {
        bytes.clear();
        bytes.shrink_to_fit();
        return false;
    }
    return true;
}

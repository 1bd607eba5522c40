// The animated GIF encoder: its bytes decoded again by giflib give the frame count, the delays, the
// loop-forever block and, frame by frame drawn over the one before, the frames' pixels exactly while
// the frames use at most 256 colours (per frame with local palettes beyond); bad frame lists give
// no bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "draw/gif.h"
#include "draw/picture.h"
#include "encoder_fixture.h"

namespace {

// What a viewer shows of a GIF: every frame composed over the one before, as 0xRRGGBB.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<int> delays;          // centiseconds
    std::vector<bool> local_palette;  // per frame
    bool loops_forever = false;
};

struct Reader {
    const std::vector<std::uint8_t>* bytes;
    std::size_t offset = 0;
};

int read_bytes(GifFileType* gif, GifByteType* into, int length)
{
    auto* reader = static_cast<Reader*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(length),
                                                    reader->bytes->size() - reader->offset);
    std::memcpy(into, reader->bytes->data() + reader->offset, count);
    reader->offset += count;
    return static_cast<int>(count);
}

bool is_loop_forever(const ExtensionBlock* blocks, int count)
{
    for (int n = 0; n + 1 < count; ++n) {
        if (blocks[n].Function == APPLICATION_EXT_FUNC_CODE && blocks[n].ByteCount == 11 &&
            std::memcmp(blocks[n].Bytes, "NETSCAPE2.0", 11) == 0 && blocks[n + 1].ByteCount == 3 &&
            blocks[n + 1].Bytes[0] == 1 && blocks[n + 1].Bytes[1] == 0 && blocks[n + 1].Bytes[2] == 0) {
            return true;
        }
    }
    return false;
}

Decoded decode(const std::vector<std::uint8_t>& bytes)
{
    Decoded result;
    Reader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_bytes, &error);
    if (gif == nullptr) {
        return result;
    }
    if (DGifSlurp(gif) == GIF_OK) {
        result.width = gif->SWidth;
        result.height = gif->SHeight;
        result.loops_forever = is_loop_forever(gif->ExtensionBlocks, gif->ExtensionBlockCount);
        std::vector<std::uint32_t> shown(static_cast<std::size_t>(gif->SWidth) * gif->SHeight, 0xFFFFFFFF);
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            result.loops_forever = result.loops_forever ||
                                   is_loop_forever(image.ExtensionBlocks, image.ExtensionBlockCount);
            GraphicsControlBlock control{};
            DGifSavedExtensionToGCB(gif, i, &control);
            result.delays.push_back(control.DelayTime);
            result.local_palette.push_back(image.ImageDesc.ColorMap != nullptr);
            const ColorMapObject* map = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
            const GifImageDesc& desc = image.ImageDesc;
            for (int y = 0; y < desc.Height; ++y) {
                for (int x = 0; x < desc.Width; ++x) {
                    const int index = image.RasterBits[y * desc.Width + x];
                    const GifColorType& c = map->Colors[index < map->ColorCount ? index : 0];
                    shown[static_cast<std::size_t>(desc.Top + y) * gif->SWidth + desc.Left + x] =
                        (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
                }
            }
            result.frames.push_back(shown);
        }
    }
    DGifCloseFile(gif, &error);
    return result;
}

std::vector<std::uint32_t> colours_of(const Picture& picture)
{
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
            colours.push_back((std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0]);
        }
    }
    return colours;
}

TEST(GifTest, FramesDelaysLoopAndPixelsSurviveDecoding)
{
    const Picture first = letter_f();
    Picture second = letter_f();
    put_rgb(second, 5, 4, 0, 200, 0);  // one pixel changed in the corner farthest from the origin
    const Picture third = second;      // nothing changed
    Picture fourth = letter_f();       // back to the first frame's colours
    const std::vector<GifFrame> frames = {{&first, 25}, {&second, 0}, {&third, 70000}, {&fourth, -5}};
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(gif_encode(frames, bytes));
    EXPECT_EQ(std::memcmp(bytes.data(), "GIF89a", 6), 0);

    const Decoded decoded = decode(bytes);
    EXPECT_EQ(decoded.width, 6);
    EXPECT_EQ(decoded.height, 5);
    ASSERT_EQ(decoded.frames.size(), 4u);
    EXPECT_EQ(decoded.delays, (std::vector<int>{25, 0, 65535, 0}));
    EXPECT_TRUE(decoded.loops_forever);
    EXPECT_EQ(decoded.local_palette, std::vector<bool>(4, false));  // three colours: one global palette
    for (std::size_t n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(decoded.frames[n], colours_of(*frames[n].picture)) << "frame " << n;
    }
}

// Two 16 x 17 frames of 256 colours each, 511 together; then one frame of 257 colours.
TEST(GifTest, MoreThan256ColoursUseLocalPalettesAndTheNearestColourBeyond)
{
    Picture greys, blues, crowded;
    for (Picture* picture : {&greys, &blues, &crowded}) {
        ASSERT_TRUE(picture_make(*picture, 16, 17, 24));
    }
    for (int n = 0; n < 16 * 17; ++n) {
        const int x = n % 16;
        const int y = n / 16;
        const int level = n < 256 ? n : 0;
        put_rgb(greys, x, y, level, level, level);
        put_rgb(blues, x, y, level, 0, 255 - level);
        put_rgb(crowded, x, y, n < 256 ? level : 10, n < 256 ? level : 200, n < 256 ? level : 30);
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(gif_encode({{&greys, 10}, {&blues, 10}}, bytes));
    Decoded decoded = decode(bytes);
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.local_palette, std::vector<bool>(2, true));
    EXPECT_EQ(decoded.frames[0], colours_of(greys));
    EXPECT_EQ(decoded.frames[1], colours_of(blues));

    // The 16 pixels of (10, 200, 30) and greys 0..254 are the 256 most frequent (ties by colour
    // value); white is drawn as its nearest, grey 254.
    ASSERT_TRUE(gif_encode({{&crowded, 10}}, bytes));
    decoded = decode(bytes);
    ASSERT_EQ(decoded.frames.size(), 1u);
    std::vector<std::uint32_t> expected = colours_of(crowded);
    expected[255] = 0xFEFEFE;
    EXPECT_EQ(decoded.frames[0], expected);
}

TEST(GifTest, BadFrameListsGiveNoBytes)
{
    const Picture f = letter_f();
    Picture wide;
    picture_make(wide, 7, 5, 24);
    const Picture deep = letter_f(32);
    Picture empty;
    const std::vector<std::vector<GifFrame>> cases = {
        {},
        {{nullptr, 10}},
        {{&empty, 10}},
        {{&f, 10}, {&wide, 10}},
        {{&f, 10}, {&deep, 10}},
        {{&f, 10}, {nullptr, 10}},
    };
    for (const std::vector<GifFrame>& frames : cases) {
        std::vector<std::uint8_t> bytes = {1};
        EXPECT_FALSE(gif_encode(frames, bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

}  // namespace

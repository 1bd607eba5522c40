// Numbered images, the encoder table and the JPEG encoder: files decoded again by libjpeg for
// size, orientation, colours and quality; every failure path leaves no file.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

#include "draw/codec.h"
#include "draw/image.h"
#include "draw_fixture.h"

namespace {

struct Decoded {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;     // top row first, R, G, B
    std::vector<unsigned> luma_table;  // quantisation table 0, natural order
};

struct TestErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void test_error_exit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TestErrors*>(cinfo->err)->jump, 1);
}

// Decodes into plain buffers handed in, so the longjmp crosses no C++ object's lifetime.
bool decode_into(std::FILE* file, int* size, std::uint8_t* rgb, std::size_t capacity, unsigned* table)
{
    jpeg_decompress_struct cinfo;
    TestErrors errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = test_error_exit;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    for (int i = 0; i < DCTSIZE2; ++i) {
        table[i] = cinfo.quant_tbl_ptrs[0] != nullptr ? cinfo.quant_tbl_ptrs[0]->quantval[i] : 0;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    size[0] = static_cast<int>(cinfo.output_width);
    size[1] = static_cast<int>(cinfo.output_height);
    const std::size_t row_bytes = static_cast<std::size_t>(cinfo.output_width) * 3;
    while (cinfo.output_scanline < cinfo.output_height) {
        const std::size_t offset = cinfo.output_scanline * row_bytes;
        if (offset + row_bytes > capacity) {
            break;
        }
        JSAMPROW row = rgb + offset;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

Decoded decode(const std::string& path)
{
    Decoded d;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return d;
    }
    int size[2] = {0, 0};
    d.rgb.resize(1000u * 1000u * 3u);
    d.luma_table.resize(DCTSIZE2);
    d.ok = decode_into(file, size, d.rgb.data(), d.rgb.size(), d.luma_table.data());
    std::fclose(file);
    d.width = size[0];
    d.height = size[1];
    return d;
}

// The luminance table libjpeg makes for quality (the encoder's settings for RGB input).
std::vector<unsigned> reference_table(int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, FALSE);
    std::vector<unsigned> table(cinfo.quant_tbl_ptrs[0]->quantval, cinfo.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_compress(&cinfo);
    return table;
}

int decoded_at(const Decoded& d, int x, int y)
{
    const std::uint8_t* p = d.rgb.data() + (static_cast<std::size_t>(y) * d.width + x) * 3;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

bool near_colour(int a, int b, int tolerance = 24)
{
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

bool file_exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "kelvaro_image_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
        image_init();
        image_codec_init();
        image_use_jpeg_encoder();
    }
    void TearDown() override
    {
        draw_end();
        image_end();
        std::system(("rm -rf '" + folder + "'").c_str());
    }
    // Image number as a 64 x 48 picture: red, green / blue, yellow quadrants.
    void make_quadrants(int number, int depth)
    {
        ASSERT_NE(image_create(number, 64, 48, depth), 0);
        ASSERT_NE(draw_begin(draw_image_output(number)), 0);
        draw_box(0, 0, 32, 24, 0x0000FF);
        draw_box(32, 0, 32, 24, 0x00FF00);
        draw_box(0, 24, 32, 24, 0xFF0000);
        draw_box(32, 24, 32, 24, 0x00FFFF);
        draw_end();
    }

    std::string folder;
};

}  // namespace

TEST_F(ImageTest, CreateMakesBlackPicturesOfTheAskedDepth)
{
    ASSERT_NE(image_create(3, 7, 5, 24), 0);
    const Picture* picture = image_picture(3);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->bits_per_pixel, 24);
    EXPECT_EQ(pixels_not(*picture, 0).size(), 0u);

    ASSERT_NE(image_create(4, 7, 5, 8), 0);
    EXPECT_EQ(image_picture(4)->bits_per_pixel, 24);
    ASSERT_NE(image_create(40, 5, 7, 32), 0);  // beyond the first 16 places
    picture = image_picture(40);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->bits_per_pixel, 32);
    for (std::size_t i = 0; i < picture->bits.size(); ++i) {
        ASSERT_EQ(picture->bits[i], i % 4 == 3 ? 255 : 0);
    }

    // A failed creation releases the number it was given.
    EXPECT_EQ(image_create(3, 0, 5, 24), 0);
    EXPECT_EQ(image_picture(3), nullptr);
    EXPECT_EQ(image_create(5, 7, 5, 48), 0);
    EXPECT_EQ(image_create(-2, 7, 5, 24), 0);
    EXPECT_EQ(image_create(70000, 7, 5, 24), 0);
    EXPECT_EQ(image_picture(-1), nullptr);
    EXPECT_EQ(image_picture(1 << 30), nullptr);
}

TEST_F(ImageTest, GrabCopiesBeforeReplacingTheSameNumber)
{
    ASSERT_NE(image_create(0, 9, 7, 24), 0);
    ASSERT_NE(draw_begin(draw_image_output(0)), 0);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            draw_box(x, y, 1, 1, draw_rgb(x * 20, y * 30, 200 - x * 10));
        }
    }
    draw_end();
    const Picture original = *image_picture(0);

    ASSERT_NE(image_grab(0, 0, 2, 2, 5, 3), 0);
    const Picture* inside = image_picture(0);
    ASSERT_NE(inside, nullptr);
    ASSERT_EQ(inside->width, 5);
    ASSERT_EQ(inside->height, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(pixel_at(*inside, x, y), pixel_at(original, x + 2, y + 2)) << x << "," << y;
        }
    }

    // The part of a rectangle beyond the source stays black.
    ASSERT_NE(image_grab(0, 1, -2, 1, 4, 4), 0);
    const Picture* edge = image_picture(1);
    EXPECT_EQ(pixel_at(*edge, 1, 0), 0);
    EXPECT_EQ(pixel_at(*edge, 2, 0), pixel_at(*inside, 0, 1));
    EXPECT_EQ(pixel_at(*edge, 3, 1), pixel_at(*inside, 1, 2));
    EXPECT_EQ(pixel_at(*edge, 2, 2), 0);

    EXPECT_EQ(image_grab(9, 1, 0, 0, 2, 2), 0);  // no source: the target is untouched
    EXPECT_EQ(image_picture(1), edge);
    EXPECT_EQ(image_grab(0, 1, 0, 0, 0, 2), 0);
    EXPECT_EQ(image_picture(1), edge);
}

TEST_F(ImageTest, FreeOneOrAll)
{
    ASSERT_NE(image_create(2, 3, 3, 24), 0);
    ASSERT_NE(image_create(20, 3, 3, 24), 0);
    image_free(2);
    image_free(2);
    image_free(-7);
    image_free(123456);
    EXPECT_EQ(image_picture(2), nullptr);
    EXPECT_NE(image_picture(20), nullptr);
    image_free(-1);
    EXPECT_EQ(image_picture(20), nullptr);
    EXPECT_EQ(draw_image_output(20), nullptr);
    EXPECT_EQ(image_save(20, folder + "x.jpg", IMAGE_FORMAT_JPEG), 0);
}

TEST_F(ImageTest, FreeingOrReplacingTheImageDuringAPassIsSafe)
{
    // The pass goes on drawing into the picture it began on; the number's new owner is untouched.
    ASSERT_NE(image_create(0, 20, 10, 24), 0);
    ASSERT_NE(draw_begin(draw_image_output(0)), 0);
    image_free(0);
    draw_box(0, 0, 20, 10, INK);
    draw_text(0, 0, "Hg", INK, BACKGROUND);
    draw_end();
    EXPECT_EQ(image_picture(0), nullptr);

    ASSERT_NE(image_create(1, 20, 10, 24), 0);
    ASSERT_NE(draw_begin(draw_image_output(1)), 0);
    ASSERT_NE(image_grab(1, 1, 2, 2, 8, 4), 0);
    ASSERT_NE(image_create(2, 20, 10, 24), 0);  // may take the freed picture's memory
    draw_box(0, 0, 20, 10, INK);
    draw_end();
    ASSERT_NE(image_picture(1), nullptr);
    EXPECT_EQ(pixels_not(*image_picture(1), 0).size(), 0u);
    EXPECT_EQ(pixels_not(*image_picture(2), 0).size(), 0u);
}

TEST_F(ImageTest, SavedJpegKeepsSizeOrientationColoursAndQuality)
{
    make_quadrants(0, 24);
    const std::string path = folder + "view.jpg";
    ASSERT_NE(image_save(0, path, IMAGE_FORMAT_JPEG), 0);
    const Decoded d = decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 64);
    EXPECT_EQ(d.height, 48);
    EXPECT_TRUE(near_colour(decoded_at(d, 10, 8), 0x0000FF)) << std::hex << decoded_at(d, 10, 8);
    EXPECT_TRUE(near_colour(decoded_at(d, 50, 8), 0x00FF00));
    EXPECT_TRUE(near_colour(decoded_at(d, 10, 40), 0xFF0000));
    EXPECT_TRUE(near_colour(decoded_at(d, 50, 40), 0x00FFFF));
    EXPECT_EQ(d.luma_table, reference_table(70));

    if (std::system("command -v identify >/dev/null 2>&1") == 0) {
        std::FILE* pipe = popen(("identify -format %Q '" + path + "'").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[32] = {};
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
        pclose(pipe);
        EXPECT_EQ(std::string(buffer, n), "70");
    }
}

TEST_F(ImageTest, WindowSizedSaveHasItsTopRowOnTop)
{
    ASSERT_NE(image_create(0, 800, 500, 24), 0);
    ASSERT_NE(draw_begin(draw_image_output(0)), 0);
    draw_box(0, 0, 800, 8, 0x0000FF);
    draw_end();
    const std::string path = folder + "window.jpg";
    ASSERT_NE(image_save(0, path, IMAGE_FORMAT_JPEG), 0);
    const Decoded d = decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 800);
    EXPECT_EQ(d.height, 500);
    EXPECT_TRUE(near_colour(decoded_at(d, 400, 2), 0x0000FF));
    EXPECT_TRUE(near_colour(decoded_at(d, 400, 497), 0x000000));
}

TEST_F(ImageTest, QualityIsClampedToTheTenSteps)
{
    make_quadrants(0, 24);
    struct Case {
        int quality;
        int libjpeg_quality;
    };
    for (const Case c : {Case{15, 100}, Case{-4, 0}, Case{3, 30}, Case{10, 100}}) {
        const std::string path = folder + "q" + std::to_string(c.quality) + ".jpg";
        ASSERT_EQ(jpeg_save_picture(*image_picture(0), path, c.quality), 1);
        EXPECT_EQ(decode(path).luma_table, reference_table(c.libjpeg_quality)) << c.quality;
    }
}

TEST_F(ImageTest, ThirtyTwoBitImagesAreLaidOnWhite)
{
    struct Case {
        int channel, alpha, expected;
    };
    const Case cases[] = {{0, 0, 255}, {0, 255, 0}, {200, 255, 200}, {0, 128, 127}, {100, 51, 224}, {255, 17, 255}};
    Picture source;
    ASSERT_TRUE(picture_make(source, 6, 1, 32));
    for (int i = 0; i < 6; ++i) {
        std::uint8_t* p = picture_row(source, 0) + i * 4;
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(cases[i].channel);
        p[3] = static_cast<std::uint8_t>(cases[i].alpha);
    }
    Picture flat;
    ASSERT_TRUE(picture_on_white(source, flat));
    ASSERT_EQ(flat.bits_per_pixel, 24);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(picture_row(flat, 0)[i * 3 + 1], cases[i].expected) << "case " << i;
    }

    // A 32-bit image saves through the conversion: the transparent half comes out white.
    make_quadrants(5, 32);
    Picture* picture = image_picture(5);
    for (int y = 24; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            picture_row(*picture, y)[x * 4 + 3] = 0;
        }
    }
    const std::string path = folder + "alpha.jpg";
    ASSERT_NE(image_save(5, path, IMAGE_FORMAT_JPEG), 0);
    const Decoded d = decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_TRUE(near_colour(decoded_at(d, 10, 8), 0x0000FF));
    EXPECT_TRUE(near_colour(decoded_at(d, 10, 40), 0xFFFFFF));
}

TEST_F(ImageTest, FailedSavesReturnZeroAndLeaveNoFile)
{
    make_quadrants(0, 24);
    EXPECT_EQ(image_save(0, "", IMAGE_FORMAT_JPEG), 0);
    EXPECT_EQ(image_save(0, folder + "missing/x.jpg", IMAGE_FORMAT_JPEG), 0);
    EXPECT_FALSE(file_exists(folder + "missing"));
    EXPECT_EQ(image_save(0, folder, IMAGE_FORMAT_JPEG), 0);  // a folder
    const std::string cut = folder + "cut";
    EXPECT_EQ(image_save(0, cut + std::string(1, '\0') + ".jpg", IMAGE_FORMAT_JPEG), 0);
    EXPECT_FALSE(file_exists(cut));
    EXPECT_EQ(image_save(0, folder + "bmp.bmp", 0x504D42), 0);
    EXPECT_EQ(image_save(7, folder + "none.jpg", IMAGE_FORMAT_JPEG), 0);
    EXPECT_EQ(jpeg_save_picture(Picture{}, folder + "empty.jpg", 7), 0);
    EXPECT_FALSE(file_exists(folder + "bmp.bmp") || file_exists(folder + "none.jpg") ||
                 file_exists(folder + "empty.jpg"));

    image_codec_end();
    EXPECT_EQ(image_save(0, folder + "early.jpg", IMAGE_FORMAT_JPEG), 0);
    EXPECT_FALSE(file_exists(folder + "early.jpg"));
    EXPECT_EQ(image_use_jpeg_encoder(), 1);
    EXPECT_EQ(image_use_jpeg_encoder(), 1);
    EXPECT_NE(image_save(0, folder + "late.jpg", IMAGE_FORMAT_JPEG), 0);

    const std::string locked = folder + "locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
    if (geteuid() != 0) {  // root writes anywhere
        EXPECT_EQ(image_save(0, locked + "/x.jpg", IMAGE_FORMAT_JPEG), 0);
        EXPECT_FALSE(file_exists(locked + "/x.jpg"));
    }
    chmod(locked.c_str(), 0700);
}

TEST_F(ImageTest, WriteErrorsFailWithoutTouchingDevices)
{
    make_quadrants(0, 24);
    struct stat before;
    if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode)) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_EQ(jpeg_save_picture(*image_picture(0), "/dev/full", 7), 0);
    struct stat after;
    ASSERT_EQ(stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
}

TEST_F(ImageTest, PartialFileIsRemovedAfterAWriteError)
{
    // A 300 x 200 picture of noise compresses to far more than the 2 KiB the child may write.
    Picture noise;
    ASSERT_TRUE(picture_make(noise, 300, 200, 24));
    unsigned seed = 12345;
    for (auto& byte : noise.bits) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    const std::string path = folder + "partial.jpg";
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2048, 2048};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int result = jpeg_save_picture(noise, path, 7);
        _exit(result == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the encoder reported success";
    EXPECT_FALSE(file_exists(path));
    EXPECT_EQ(jpeg_save_picture(noise, path, 7), 1);
    EXPECT_TRUE(file_exists(path));
}

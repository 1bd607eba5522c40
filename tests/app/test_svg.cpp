// The SVG recorder on the renderer's own pass: a view drawn on the canvas with the recorder
// attached, the document parsed (xmllint) and rasterised (rsvg-convert) and compared with the
// canvas; a recorder output of its own with hostile texts and coordinates.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <png.h>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/ui/canvas_view.h"
#include "app/ui/commands.h"
#include "app/ui/ids.h"
#include "app/ui/startup.h"
#include "draw/draw.h"
#include "draw/picture.h"
#include "draw/svg.h"
#include "gui/backend.h"
#include "gui/gadget.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

struct Rgb {
    int red = 0, green = 0, blue = 0;
};

Rgb canvas_pixel(const Picture& picture, int x, int y)
{
    const std::uint8_t* p = picture_row(picture, y) + x * 3;
    return {p[2], p[1], p[0]};
}

bool tool_present(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

Picture render(const std::string& file, std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), {"kelvaro-render", file.c_str(), "-o", "unused.jpg"});
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error)) << error;
    Picture picture;
    EXPECT_EQ(render_picture(options, picture).status, RENDER_EXIT_OK);
    return picture;
}

// The viewer started on file with the boxes ticked that kelvaro-render's arguments stand for.
void show_in_viewer(const std::string& file, const std::vector<const char*>& arguments)
{
    gui_use_headless();
    const char* const command_line[] = {"kelvaro", file.c_str()};
    viewer_start(2, command_line);
    const std::map<std::string, int> boxes = {
        {"--deflected", ID_DEFLECTED}, {"--3d", ID_3D}, {"--loads", ID_APPLIED_LOAD}, {"--numbers", ID_ELEMENT_NO}};
    for (const char* argument : arguments)
        set_control_switch(boxes.at(argument), true);
}

class SvgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tool_present("rsvg-convert"))
            GTEST_SKIP() << "rsvg-convert is not installed";
        dir_ = std::filesystem::temp_directory_path() / ("kelvaro_svg_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code error;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, error);
    }

    std::string write_svg(const std::string& document)
    {
        const std::string path = (dir_ / "picture.svg").string();
        std::ofstream(path, std::ios::binary) << document;
        return path;
    }

    // True when xmllint reads the file as well-formed XML (true without xmllint).
    static bool well_formed(const std::string& path)
    {
        if (!tool_present("xmllint"))
            return true;
        return std::system(("xmllint --noout '" + path + "' 2>/dev/null").c_str()) == 0;
    }

    // The file rasterised by rsvg-convert on background (#rrggbb), as top-down R, G, B bytes;
    // empty when rsvg-convert fails.
    std::vector<std::uint8_t> rasterise(const std::string& path, const std::string& background, int& width, int& height)
    {
        const std::string png = (dir_ / "picture.png").string();
        std::vector<std::uint8_t> rgb;
        const std::string command = "rsvg-convert -b '" + background + "' -o '" + png + "' '" + path + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            return rgb;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, png.c_str()))
            return rgb;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
            rgb.clear();
        width = static_cast<int>(image.width);
        height = static_cast<int>(image.height);
        return rgb;
    }

    std::filesystem::path dir_;
};

struct ViewCase {
    const char* name;
    std::string file;
    std::vector<const char*> arguments;
    int min_close_percent;  // of all pixels
    int min_drawn_percent;  // of the pixels the canvas does not leave white; 0: no check, nor per colour
};

// The tower has exclusive-or discs on its restrained nodes; texts are drawn by two different
// rasterisers and are only held to the whole-picture share.
TEST_F(SvgTest, ViewAsSvgRendersLikeItsCanvasPicture)
{
    const std::vector<ViewCase> cases = {
        {"bridge deflected", EXAMPLES + "bridge.res", {"--deflected"}, 99, 80},
        {"tower in 3D", EXAMPLES + "tower.res", {"--3d"}, 99, 80},
        {"bridge with texts", EXAMPLES + "bridge.res", {"--deflected", "--loads", "--numbers"}, 97, 0},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture expected = render(c.file, c.arguments);
        ASSERT_EQ(expected.width, 700);
        show_in_viewer(c.file, c.arguments);

        const Picture& canvas = *gadget_canvas_picture(ID_CANVAS);
        SvgRecorder recorder;
        svg_recorder_start(recorder, 700, 500);
        draw_record_svg(&recorder, &canvas);
        Picture elsewhere;  // a pass over another picture is not recorded
        picture_make(elsewhere, 10, 10, 24);
        draw_begin(draw_picture_output(&elsewhere, nullptr));
        draw_box(0, 0, 5, 5, draw_rgb(0x12, 0x34, 0x56));
        draw_end();
        redraw_view();
        draw_record_svg(nullptr, nullptr);
        ASSERT_EQ(canvas.bits, expected.bits) << "recording changed the canvas";

        const std::string document = svg_document(recorder);
        EXPECT_EQ(document.find("#123456"), std::string::npos);
        const std::string path = write_svg(document);
        EXPECT_TRUE(well_formed(path));
        const Rgb corner = canvas_pixel(canvas, 0, 0);  // never drawn on: the canvas's own colour
        char background[8];
        std::snprintf(background, sizeof background, "#%02x%02x%02x", corner.red, corner.green, corner.blue);
        int width = 0, height = 0;
        const std::vector<std::uint8_t> rgb = rasterise(path, background, width, height);
        ASSERT_FALSE(rgb.empty());
        ASSERT_EQ(width, 700);
        ASSERT_EQ(height, 500);

        long close = 0, drawn = 0, drawn_close = 0;
        std::map<int, std::pair<long, long>> by_colour;  // canvas colour -> (pixels, close ones)
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 700; ++x) {
                const Rgb want = canvas_pixel(canvas, x, y);
                const std::uint8_t* got = &rgb[(static_cast<std::size_t>(y) * 700 + x) * 3];
                const bool near = std::max({std::abs(got[0] - want.red), std::abs(got[1] - want.green),
                                            std::abs(got[2] - want.blue)}) <= 64;
                close += near;
                auto& tally = by_colour[want.red | want.green << 8 | want.blue << 16];
                ++tally.first;
                tally.second += near;
                if (want.red != 255 || want.green != 255 || want.blue != 255) {
                    ++drawn;
                    drawn_close += near;
                }
            }
        }
        EXPECT_GE(close * 100, 700L * 500 * c.min_close_percent);
        EXPECT_GE(drawn_close * 100, drawn * c.min_drawn_percent);
        // Every colour of some extent is there (an exclusive-or disc drawn plainly would miss its colour).
        for (const auto& [colour, tally] : by_colour) {
            if (c.min_drawn_percent > 0 && tally.first >= 50) {
                EXPECT_GE(2 * tally.second, tally.first) << "colour " << colour;
            }
        }
    }
}

// An output that only records: texts with markup, control and Windows-1252 bytes stay well-formed
// XML, draw_text answers as on a picture, coordinates at the ends of the int range neither break
// the document nor rsvg-convert, and a line through the canvas still lands on its pixels.
TEST_F(SvgTest, RecorderOutputSurvivesHostileTextsAndCoordinates)
{
    const int red = draw_rgb(255, 0, 0);
    const int black = draw_rgb(0, 0, 0);
    const int white = draw_rgb(255, 255, 255);
    const std::string hostile("<a & b> \"q\" 'p' ]]> \x01\x1f\x7f \xe9\x80\x81\x9d end", 29);
    Picture picture;
    ASSERT_TRUE(picture_make(picture, 200, 100, 24));
    draw_begin(draw_picture_output(&picture, nullptr));
    const int raster_end = draw_text(3, 4, hostile, black, white);
    draw_end();

    SvgRecorder recorder;
    svg_recorder_start(recorder, 200, 100);
    const std::intptr_t context = draw_begin(draw_svg_output(&recorder, nullptr));
    ASSERT_NE(context, 0);
    EXPECT_EQ(draw_context_picture(context), nullptr);
    EXPECT_EQ(draw_text(3, 4, hostile, black, white), raster_end);
    draw_mode(DRAW_MODE_XOR);
    draw_text(INT_MIN, INT_MAX, hostile, black, white);
    draw_text(-20, 50, hostile, black, white);
    draw_circle(INT_MIN, INT_MAX, 5, red);
    draw_circle(100, 50, INT_MAX, red);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_circle(100, 50, INT_MAX, red);
    draw_circle(100, 50, 1000000, red);
    draw_box(INT_MIN, INT_MIN, INT_MAX, INT_MAX, red);
    draw_box(INT_MAX, INT_MAX, INT_MIN, INT_MIN, red);
    draw_line(INT_MAX, 0, INT_MIN, 1, red);
    draw_mode(0);
    draw_box(150, 10, 40, 80, white);
    draw_line_xy(INT_MIN, INT_MIN, INT_MAX, INT_MAX, red);
    draw_end();
    const std::string document = svg_document(recorder);

    EXPECT_NE(document.find("&lt;a &amp; b&gt;"), std::string::npos);
    EXPECT_NE(document.find("\xc3\xa9\xe2\x82\xac"), std::string::npos);  // e acute and the euro sign in UTF-8
    EXPECT_EQ(document.find('\x01'), std::string::npos);
    const std::string path = write_svg(document);
    EXPECT_TRUE(well_formed(path));
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = rasterise(path, "#ffffff", width, height);
    ASSERT_EQ(rgb.size(), 200u * 100 * 3);
    for (const int at : {60, 95}) {
        const std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(at) * 200 + at) * 3];
        EXPECT_GT(pixel[0], 128) << at;
        EXPECT_LT(pixel[1], 128) << at;
    }
}

// The compact document of the verbs drawn on a picture shows every pixel of it: elements of one
// colour share a path only where nothing of another colour drawn between them comes near, an
// element covered exactly by a later one is left out, exclusive-or elements stand alone.
TEST_F(SvgTest, CompactDocumentKeepsEveryPixel)
{
    const int red = draw_rgb(255, 0, 0), blue = draw_rgb(0, 0, 255), green = draw_rgb(0, 160, 0);
    const int white = draw_rgb(255, 255, 255), black = draw_rgb(0, 0, 0);
    struct Case {
        const char* name;
        std::function<void()> draw;
        std::string counted;  // occurs count times in the document
        std::size_t count;
    };
    const std::vector<Case> cases = {
        {"crossing colours keep their order",
         [&] {
             draw_line_xy(0, 10, 99, 10, red);
             draw_line_xy(50, 0, 50, 40, blue);
             draw_line_xy(0, 30, 99, 30, red);  // over the blue line: a path of its own
             draw_line_xy(0, 80, 20, 80, red);  // far from the blue line: in the first path
         },
         "<path stroke=\"#ff0000\"", 2},
        {"a line under a later one of the same pixels",
         [&] {
             draw_line_xy(10, 50, 90, 50, red);
             draw_line_xy(90, 50, 10, 50, green);
         },
         "#ff0000", 0},
        {"exclusive-or twice",
         [&] {
             draw_box(20, 20, 60, 60, black);
             draw_mode(DRAW_MODE_XOR);
             draw_line_xy(10, 50, 90, 50, white);
             draw_line_xy(10, 50, 90, 50, white);
             draw_mode(0);
         },
         "mix-blend-mode", 2},
        {"overlapping boxes of one colour under an outline",
         [&] {
             draw_box(10, 10, 50, 50, green);
             draw_box(30, 30, 50, 50, green);
             draw_mode(DRAW_MODE_OUTLINE);
             draw_box(5, 5, 90, 90, blue);
             draw_mode(0);
         },
         "<path fill=\"#00a000\"", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture picture;
        ASSERT_TRUE(picture_make(picture, 100, 100, 24));
        SvgRecorder recorder;
        svg_recorder_start(recorder, 100, 100);
        draw_record_svg(&recorder, &picture);
        draw_begin(draw_picture_output(&picture, nullptr));
        draw_box(0, 0, 100, 100, white);
        c.draw();
        draw_end();
        draw_record_svg(nullptr, nullptr);
        const std::string document = svg_document(recorder);
        std::size_t count = 0;
        for (std::size_t at = document.find(c.counted); at != std::string::npos; at = document.find(c.counted, at + 1))
            ++count;
        EXPECT_EQ(count, c.count) << document;
        int width = 0, height = 0;
        const std::vector<std::uint8_t> rgb = rasterise(write_svg(document), "#808080", width, height);
        ASSERT_EQ(rgb.size(), 100u * 100 * 3);
        int wrong = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const Rgb want = canvas_pixel(picture, x, y);
                const std::uint8_t* got = &rgb[(static_cast<std::size_t>(y) * 100 + x) * 3];
                wrong += std::max({std::abs(got[0] - want.red), std::abs(got[1] - want.green),
                                   std::abs(got[2] - want.blue)}) > 8;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Written to a stream the document is the same bytes as in memory, also when it is larger than a
// write; a stream that cannot take it (a full device) is reported.
TEST(SvgWrite, StreamsTheDocumentAndReportsAFailedWrite)
{
    SvgRecorder recorder;
    svg_recorder_start(recorder, 700, 500);
    draw_begin(draw_svg_output(&recorder, nullptr));
    for (int k = 0; k < 20000; ++k)
        draw_line_xy(k % 700, k % 500, (k * 7) % 700, (k * 3) % 500, draw_rgb(k % 251, k % 241, k % 239));
    draw_end();
    const std::string document = svg_document(recorder);
    ASSERT_GT(document.size(), 200000u);

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(svg_write(recorder, file));
    std::string written(document.size() + 1, '\0');
    std::rewind(file);
    written.resize(std::fread(written.data(), 1, written.size(), file));
    std::fclose(file);
    EXPECT_EQ(written, document);

    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full != nullptr) {
        EXPECT_FALSE(svg_write(recorder, full));
        std::fclose(full);
    }
}

// A spot drawn over many times keeps the recorder small: the covered elements are dropped as they
// are recorded, and the document holds the last one.
TEST(SvgWrite, ElementsDrawnOverOneSpotAreDropped)
{
    SvgRecorder recorder;
    svg_recorder_start(recorder, 100, 100);
    draw_begin(draw_svg_output(&recorder, nullptr));
    for (int k = 0; k < 10000; ++k)
        draw_line_xy(10, 20, 60, 20, k % 2 == 0 ? draw_rgb(255, 0, 0) : draw_rgb(0, 0, 255));
    draw_end();
    EXPECT_LT(recorder.elements.size(), 2000u);
    const std::string document = svg_document(recorder);
    EXPECT_EQ(document.find("#ff0000"), std::string::npos);
    EXPECT_NE(document.find("<path stroke=\"#0000ff\" d=\"M10.5 20.5h50\"/>"), std::string::npos) << document;
}

}  // namespace

// kelvaro-render's output formats, canvas sizes and several inputs, and the viewer's exports: every
// file decoded again (PNG with libpng, GIF with giflib, SVG with xmllint and rsvg-convert) and held
// against the canvas pictures; refusals leave nothing written and existing files untouched.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <png.h>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/export/export.h"
#include "app/ui/canvas_export.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/window.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
const std::string BRIDGE = EXAMPLES + "bridge.res";
const std::string TOWER = EXAMPLES + "tower.res";

// Pixels as 0xRRGGBB, top row first.
using Pixels = std::vector<std::uint32_t>;

Pixels pixels_of(const Picture& picture)
{
    Pixels out;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture_row(picture, y);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = row + x * (picture.bits_per_pixel / 8);
            out.push_back(std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
        }
    }
    return out;
}

std::uint32_t pixel(const Picture& picture, int x, int y)
{
    const std::uint8_t* p = picture_row(picture, y) + x * 3;
    return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

// A PNG file's pixels (empty when it cannot be read); width and height out.
Pixels read_png(const std::string& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Pixels out;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return out;
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        return out;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    return out;
}

struct Gif {
    std::vector<Pixels> frames;  // each as shown: drawn over the frame before
    std::vector<int> delays;     // centiseconds
    bool loops_forever = false;
    int width = 0, height = 0;
};

bool netscape_loop(const ExtensionBlock* blocks, int count)
{
    for (int n = 0; n + 1 < count; ++n) {
        if (blocks[n].ByteCount == 11 && std::memcmp(blocks[n].Bytes, "NETSCAPE2.0", 11) == 0 &&
            blocks[n + 1].ByteCount == 3 && blocks[n + 1].Bytes[1] == 0 && blocks[n + 1].Bytes[2] == 0)
            return true;
    }
    return false;
}

Gif read_gif(const std::string& path)
{
    Gif out;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr)
        return out;
    if (DGifSlurp(gif) == GIF_OK) {
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        Pixels shown(static_cast<std::size_t>(gif->SWidth) * gif->SHeight, 0);
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            out.loops_forever |= netscape_loop(image.ExtensionBlocks, image.ExtensionBlockCount);
            GraphicsControlBlock control{};
            DGifSavedExtensionToGCB(gif, i, &control);
            out.delays.push_back(control.DelayTime);
            const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            const GifImageDesc& d = image.ImageDesc;
            for (int y = 0; y < d.Height; ++y) {
                for (int x = 0; x < d.Width; ++x) {
                    const GifColorType& c = map->Colors[image.RasterBits[y * d.Width + x] % map->ColorCount];
                    shown[static_cast<std::size_t>(d.Top + y) * gif->SWidth + d.Left + x] = std::uint32_t{c.Red} << 16 |
                                                                                            std::uint32_t{c.Green}
                                                                                                << 8 |
                                                                                            c.Blue;
                }
            }
            out.frames.push_back(shown);
        }
    }
    DGifCloseFile(gif, &error);
    return out;
}

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool tool_present(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

RenderOptions parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "kelvaro-render");
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error)) << error;
    return options;
}

// The canvas picture (or animation frame) kelvaro-render draws for the arguments.
Picture drawn(std::vector<const char*> arguments)
{
    Picture picture;
    EXPECT_EQ(render_picture(parse(std::move(arguments)), picture).status, RENDER_EXIT_OK);
    return picture;
}

class RenderFormatsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("kelvaro_formats_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        viewer_shutdown();
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Files in the work folder, names sorted.
    std::vector<std::string> listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // kelvaro-render run in process: its status, its stderr lines in err.
    int run(std::vector<const char*> arguments, std::string& err)
    {
        arguments.insert(arguments.begin(), "kelvaro-render");
        std::FILE* stream = std::tmpfile();
        const int status = render_main(static_cast<int>(arguments.size()), arguments.data(), stream, stream);
        std::rewind(stream);
        err.clear();
        for (int c; (c = std::fgetc(stream)) != EOF;)
            err += static_cast<char>(c);
        std::fclose(stream);
        return status;
    }

    std::filesystem::path dir_;
};

// PNG holds the canvas pixels exactly, also for an animation frame, an upper-case extension and a
// size of its own; GIF holds the six frames --frame draws, 25 cs each, looping forever.
TEST_F(RenderFormatsTest, PngAndGifDecodeToTheCanvasPixels)
{
    std::string err;
    struct Case {
        std::vector<const char*> arguments;
        const char* file;
    } cases[] = {
        {{"--deflected", "--loads", "--numbers"}, "a.PNG"},
        {{"--frame", "4", "--3d"}, "b.png"},
        {{"--size", "333x777", "--stresses"}, "c.png"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Picture expected = drawn([&] {
            std::vector<const char*> a = {BRIDGE.c_str(), "-o", "x.png"};
            a.insert(a.end(), c.arguments.begin(), c.arguments.end());
            return a;
        }());
        const std::string out = path(c.file);
        std::vector<const char*> a = {BRIDGE.c_str(), "-o", out.c_str()};
        a.insert(a.end(), c.arguments.begin(), c.arguments.end());
        ASSERT_EQ(run(a, err), 0) << err;
        int width = 0, height = 0;
        EXPECT_EQ(read_png(out, width, height), pixels_of(expected));
        EXPECT_EQ(width, expected.width);
        EXPECT_EQ(height, expected.height);
    }

    const std::string gif = path("anim.gif");
    ASSERT_EQ(run({TOWER.c_str(), "-o", gif.c_str(), "--deflected=300"}, err), 0) << err;
    const Gif decoded = read_gif(gif);
    ASSERT_EQ(decoded.frames.size(), 6u);
    EXPECT_EQ(decoded.delays, std::vector<int>(6, 25));
    EXPECT_TRUE(decoded.loops_forever);
    for (int f = 1; f <= 6; ++f) {
        const std::string frame = std::to_string(f);
        EXPECT_EQ(decoded.frames[f - 1],
                  pixels_of(drawn({TOWER.c_str(), "-o", "x.png", "--deflected=300", "--frame", frame.c_str()})))
            << "frame " << f;
    }
}

// The SVG of a view (here at a size of its own, with an animation frame and texts) is well-formed,
// sized as the canvas, and rsvg-convert draws it close to the PNG of the same view.
TEST_F(RenderFormatsTest, SvgParsesAndRendersLikeThePng)
{
    if (!tool_present("rsvg-convert"))
        GTEST_SKIP() << "rsvg-convert is not installed";
    std::string err;
    const std::string svg = path("v.svg"), png = path("v.png"), back = path("back.png");
    for (const std::string& out : {svg, png}) {
        ASSERT_EQ(run({BRIDGE.c_str(), "-o", out.c_str(), "--size", "900x400", "--frame", "6", "--numbers"}, err), 0)
            << err;
    }
    const std::string document = read_all(svg);
    EXPECT_NE(document.find("viewBox=\"0 0 900 400\""), std::string::npos);
    if (tool_present("xmllint")) {
        EXPECT_EQ(std::system(("xmllint --noout " + quoted(svg)).c_str()), 0);
    }
    int width = 0, height = 0, back_width = 0, back_height = 0;
    const Pixels want = read_png(png, width, height);
    // The canvas's never-painted edge is black: the SVG leaves it transparent.
    ASSERT_EQ(std::system(("rsvg-convert -b '#000000' -o " + quoted(back) + " " + quoted(svg)).c_str()), 0);
    const Pixels got = read_png(back, back_width, back_height);
    ASSERT_EQ(back_width, 900);
    ASSERT_EQ(back_height, 400);
    ASSERT_EQ(got.size(), want.size());
    long close = 0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int(want[i] >> shift & 255) - int(got[i] >> shift & 255)));
        close += worst <= 64;
    }
    EXPECT_GE(close * 100, static_cast<long>(want.size()) * 98);
}

// --size 700x500 is the picture of today; another size fits the model as 700 x 500 does (twice the
// size: every node twice as far from the origin), frames on its edges, the triad where it was;
// --text-scale 2 doubles the font's pixel size.
TEST_F(RenderFormatsTest, SizeFitsTheModelAndKeepsTheDefaultPicture)
{
    const Picture today = drawn({TOWER.c_str(), "-o", "x.jpg", "--loads", "--numbers"});
    const std::vector<float> small_x = ViewState.node_screen[1], small_y = ViewState.node_screen[2];
    EXPECT_EQ(
        drawn({TOWER.c_str(), "-o", "x.jpg", "--loads", "--numbers", "--size", "700x500", "--text-scale", "1"}).bits,
        today.bits);

    const Picture big = drawn({TOWER.c_str(), "-o", "x.jpg", "--loads", "--numbers", "--size", "1400x1000"});
    ASSERT_EQ(big.width, 1400);
    ASSERT_EQ(big.height, 1000);
    for (int i = 1; i <= TrussModel.node_count; ++i) {
        EXPECT_EQ(ViewState.node_screen[1][i], 2.0f * small_x[i]) << i;
        EXPECT_EQ(ViewState.node_screen[2][i], 2.0f * small_y[i]) << i;
    }
    const std::uint32_t white = 0xFFFFFF, cyan = 0x00FFFF, blue = 0x0000FF;
    for (int y : {5, 500, 994}) {
        EXPECT_EQ(pixel(big, 1, y), blue);
        EXPECT_EQ(pixel(big, 2, y), white);
        EXPECT_EQ(pixel(big, 3, y), cyan);
        EXPECT_EQ(pixel(big, 1396, y), cyan);
        EXPECT_EQ(pixel(big, 1397, y), white);
        EXPECT_EQ(pixel(big, 1398, y), blue);
        EXPECT_NE(pixel(big, 1399, y), blue);
    }
    for (int x : {5, 700, 1394}) {
        EXPECT_EQ(pixel(big, x, 1), blue);
        EXPECT_EQ(pixel(big, x, 996), cyan);
        EXPECT_EQ(pixel(big, x, 998), blue);
    }
    for (int y = 25; y <= 75; ++y) {
        for (int x = 25; x <= 75; ++x)
            ASSERT_EQ(pixel(big, x, y), pixel(today, x, y)) << x << "," << y;
    }

    std::string err;
    const std::string normal = path("n.svg"), scaled = path("s.svg");
    ASSERT_EQ(run({BRIDGE.c_str(), "-o", normal.c_str(), "--numbers"}, err), 0);
    ASSERT_EQ(run({BRIDGE.c_str(), "-o", scaled.c_str(), "--numbers", "--text-scale", "2"}, err), 0);
    const std::regex size("font-size=\"([0-9]+)\"");
    std::smatch a, b;
    const std::string normal_text = read_all(normal), scaled_text = read_all(scaled);
    ASSERT_TRUE(std::regex_search(normal_text, a, size));
    ASSERT_TRUE(std::regex_search(scaled_text, b, size));
    EXPECT_EQ(std::stoi(b[1]), 2 * std::stoi(a[1]));
}

// Refusals: an unknown extension, a GIF with one frame, a {name} that two inputs share and several
// inputs without {name} write nothing (exit 2); a write that fails (exit 3) leaves the old file
// and no stray file; several inputs report the worst status and one line per failing file.
TEST_F(RenderFormatsTest, FailuresAreClearAndWriteNothingHalfway)
{
    std::string err;
    const std::string other = path("b/bridge.res");
    std::filesystem::create_directories(path("b"));
    std::filesystem::copy_file(BRIDGE, other);
    const std::string bmp = path("x.bmp"), gif = path("x.gif"), pattern = path("{name}.png");
    EXPECT_EQ(run({BRIDGE.c_str(), "-o", bmp.c_str()}, err), 2);
    EXPECT_NE(err.find("'" + bmp +
                       "' has an unknown extension: write JPEG (.jpg, .jpeg), PNG (.png), SVG (.svg), GIF (.gif), DXF "
                       "(.dxf) or VTU"),
              std::string::npos)
        << err;
    EXPECT_EQ(run({BRIDGE.c_str(), "-o", gif.c_str(), "--frame", "2"}, err), 2);
    EXPECT_EQ(run({"-o", pattern.c_str(), TOWER.c_str(), BRIDGE.c_str(), other.c_str()}, err), 2);
    EXPECT_NE(err.find("two results files give the output file '" + path("bridge.png") + "'"), std::string::npos)
        << err;
    EXPECT_EQ(run({TOWER.c_str(), BRIDGE.c_str(), "-o", path("one.png").c_str()}, err), 2);
    EXPECT_NE(err.find("need {name}"), std::string::npos) << err;
    EXPECT_EQ(listing(), std::vector<std::string>{"b"});

    for (const char* name : {"old.png", "old.svg", "old.gif"}) {
        SCOPED_TRACE(name);
        const std::string target = path(name);
        std::ofstream(target) << "old contents";
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        const bool locked = ::access(dir_.c_str(), W_OK) != 0;  // root writes anyway
        const std::string missing_folder = path("none/x") + std::strrchr(name, '.');
        EXPECT_EQ(run({BRIDGE.c_str(), "-o", (locked ? target : missing_folder).c_str()}, err), 3);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(locked ? target : missing_folder), std::string::npos) << err;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        EXPECT_EQ(read_all(target), "old contents");
        std::filesystem::remove(target);
        EXPECT_EQ(listing(), std::vector<std::string>{"b"});
    }

    const std::string missing = path("missing.res");
    EXPECT_EQ(run({"-o", pattern.c_str(), BRIDGE.c_str(), missing.c_str(), TOWER.c_str()}, err), 1);
    EXPECT_EQ(err, "kelvaro-render: " + missing + ": No such file or directory\n");
    EXPECT_EQ(listing(), (std::vector<std::string>{"b", "bridge.png", "tower.png"}));
    // A report goes with every file too, and needs {name} as the picture does.
    EXPECT_EQ(run({"-o", pattern.c_str(), "--report", path("r.json").c_str(), BRIDGE.c_str(), TOWER.c_str()}, err), 2);
    EXPECT_EQ(run({"--report", path("{name}.json").c_str(), BRIDGE.c_str(), TOWER.c_str()}, err), 0) << err;
    EXPECT_EQ(listing(), (std::vector<std::string>{"b", "bridge.json", "bridge.png", "tower.json", "tower.png"}));
}

// The viewer's exports on the canvas as shown: PNG is the canvas, SVG parses, GIF has the six
// frames of "Animation"; the viewer's state and picture are as before; a failure gives a reason
// and leaves the old file.
TEST_F(RenderFormatsTest, ViewerExportsTheCanvasAsShown)
{
    gui_use_headless();
    headless_reset_log();
    const char* const arguments[] = {"kelvaro", BRIDGE.c_str()};
    viewer_start(2, arguments);
    headless_click(ID_DEFLECTED);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    run_command(event_gadget());
    const Picture before = *gadget_canvas_picture(ID_CANVAS);

    EXPECT_EQ(export_picture(path("v.png")), "");
    int width = 0, height = 0;
    EXPECT_EQ(read_png(path("v.png"), width, height), pixels_of(before));
    EXPECT_EQ(export_picture(path("v.svg")), "");
    EXPECT_NE(read_all(path("v.svg")).find("<svg"), std::string::npos);
    EXPECT_EQ(export_animation(path("v.gif")), "");
    const Gif gif = read_gif(path("v.gif"));
    EXPECT_EQ(gif.frames.size(), 6u);
    EXPECT_EQ(gif.delays, std::vector<int>(6, 25));
    EXPECT_EQ(gadget_canvas_picture(ID_CANVAS)->bits, before.bits);
    EXPECT_EQ(View.show_deflected, 1);
    EXPECT_EQ(gadget_get_state(ID_DEFLECTED), 1);

    EXPECT_NE(export_picture(path("v.jpg")), "");
    EXPECT_NE(export_animation(path("v.png")), "");
    const std::string reason = export_picture(path("none/v.png"));
    EXPECT_NE(reason.find(path("none/v.png")), std::string::npos) << reason;
    std::filesystem::create_directories(path("taken.png"));
    EXPECT_NE(export_picture(path("taken.png")), "");
    EXPECT_TRUE(std::filesystem::is_directory(path("taken.png")));
    EXPECT_EQ(listing(), (std::vector<std::string>{"taken.png", "v.gif", "v.png", "v.svg"}));
}

}  // namespace

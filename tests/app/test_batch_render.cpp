// kelvaro-render: its pictures against the canvas the viewer draws when its controls are clicked,
// its refusals against the viewer's message boxes, its command line, and the program's exit
// statuses and messages when run as a child process.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "draw/image.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/window.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
const std::string BRIDGE = EXAMPLES + "bridge.res";
const std::string TOWER = EXAMPLES + "tower.res";
const std::string GEOMETRY = EXAMPLES + "bridge-geometry.res";

// The desktop program's start-up on path, on the headless backend.
void start_viewer(const std::string& path)
{
    gui_use_headless();
    headless_record_frames(false);
    headless_reset_log();
    const char* const arguments[] = {"kelvaro", path.c_str()};
    viewer_start(2, arguments);
}

// One turn of the viewer's event loop for the event a user action queued.
void run_queued_event()
{
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    run_command(event_gadget());
    if (redraw_pending != 0) {
        redraw_view();
        redraw_pending = 0;
    }
}

void click(int control)
{
    headless_click(control);
    run_queued_event();
}

void type(int field, const std::string& text)
{
    headless_type(field, text);
    run_queued_event();
}

// Rotates to the given angle with the rotate-back button: the step typed is the difference.
void rotate_back_to(bool horizontal, float from, float to)
{
    click(horizontal ? ID_HORIZONTAL : ID_VERTICAL);
    type(ID_ROTATE_STEP, std::to_string(static_cast<int>(to - from)));
    click(ID_ROTATE_MINUS);
}

Picture canvas_copy()
{
    return *gadget_canvas_picture(ID_CANVAS);
}

// Number of pixels in which a and b differ (all of them when the sizes differ).
long differing_pixels(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.bits_per_pixel != b.bits_per_pixel)
        return static_cast<long>(a.width) * a.height + 1;
    long count = 0;
    const int bytes = a.bits_per_pixel / 8;
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* p = picture_row(a, y);
        const std::uint8_t* q = picture_row(b, y);
        for (int x = 0; x < a.width * bytes; x += bytes)
            if (!std::equal(p + x, p + x + bytes, q + x))
                ++count;
    }
    return count;
}

RenderOptions options_for(const std::string& path, std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), {"kelvaro-render", path.c_str(), "-o", "unused.jpg"});
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error)) << error;
    return options;
}

struct SameAsViewerCase {
    const char* name;
    std::string file;
    std::vector<const char*> arguments;
    std::function<Picture()> viewer;  // drives the started viewer; returns its picture
};

std::vector<SameAsViewerCase> same_as_viewer_cases()
{
    return {
        {"planar default is plan", BRIDGE, {}, [] { return canvas_copy(); }},
        {"spatial default is 3D", TOWER, {}, [] { return canvas_copy(); }},
        {"planar in 3D",
         BRIDGE,
         {"--3d"},
         [] {
             click(ID_3D);
             return canvas_copy();
         }},
        {"spatial in plan",
         TOWER,
         {"--plan"},
         [] {
             click(ID_3D);
             return canvas_copy();
         }},
        {"angles after the plan preset",
         BRIDGE,
         {"--azimuth", "40", "--elevation", "-60"},
         [] {
             rotate_back_to(false, 0.0f, 40.0f);
             rotate_back_to(true, -90.0f, -60.0f);
             return canvas_copy();
         }},
        {"zoom in",
         TOWER,
         {"--zoom", "3"},
         [] {
             for (int n = 0; n < 3; ++n)
                 click(ID_ZOOM_IN);
             return canvas_copy();
         }},
        {"zoom out",
         BRIDGE,
         {"--zoom=-2"},
         [] {
             click(ID_ZOOM_OUT);
             click(ID_ZOOM_OUT);
             return canvas_copy();
         }},
        {"deflected at the reader's scale",
         BRIDGE,
         {"--deflected"},
         [] {
             click(ID_DEFLECTED);
             return canvas_copy();
         }},
        {"deflected at a typed scale",
         TOWER,
         {"--deflected", "250.5"},
         [] {
             type(ID_DEFLECTION_SCALE, "250.5");
             click(ID_DEFLECTED);
             return canvas_copy();
         }},
        {"load values and element numbers",
         TOWER,
         {"--loads", "--numbers"},
         [] {
             click(ID_ELEMENT_NO);
             click(ID_APPLIED_LOAD);
             return canvas_copy();
         }},
        {"result table in two columns",
         TOWER,
         {"--stresses"},
         [] {
             click(ID_SHOW_STRESSES);
             return canvas_copy();
         }},
        {"everything after 3D, turned and zoomed",
         BRIDGE,
         {"--3d", "--azimuth", "60", "--zoom", "-1", "--deflected", "--loads", "--stresses"},
         [] {
             click(ID_3D);
             rotate_back_to(false, 25.0f, 60.0f);
             click(ID_ZOOM_OUT);
             click(ID_DEFLECTED);
             click(ID_APPLIED_LOAD);
             click(ID_SHOW_STRESSES);
             return canvas_copy();
         }},
        {"animation frame 2",
         BRIDGE,
         {"--frame", "2"},
         [] {
             click(ID_DEFLECTED);
             headless_record_frames(true);
             click(ID_ANIMATION);
             headless_record_frames(false);
             // Each frame is drawn twice: the plain picture, then the animated elements over it.
             return headless_frames().at(3);
         }},
        {"animation frame 6 at a typed scale, turned",
         TOWER,
         {"--azimuth", "100", "--deflected", "900", "--frame", "6"},
         [] {
             rotate_back_to(false, 25.0f, 100.0f);
             type(ID_DEFLECTION_SCALE, "900");
             click(ID_DEFLECTED);
             headless_record_frames(true);
             click(ID_ANIMATION);
             headless_record_frames(false);
             return headless_frames().at(11);
         }},
    };
}

TEST(BatchRenderTest, PictureEqualsTheViewersCanvasPixelForPixel)
{
    for (const SameAsViewerCase& c : same_as_viewer_cases()) {
        SCOPED_TRACE(c.name);
        start_viewer(c.file);
        const Picture expected = c.viewer();
        Picture rendered;
        const RenderReport report = render_picture(options_for(c.file, c.arguments), rendered);
        ASSERT_EQ(report.status, RENDER_EXIT_OK);
        EXPECT_TRUE(report.lines.empty());
        ASSERT_EQ(rendered.width, 700);
        ASSERT_EQ(rendered.height, 500);
        EXPECT_EQ(differing_pixels(rendered, expected), 0);
    }
}

TEST(BatchRenderTest, OptionsChangeThePicture)
{
    // Guards the comparison above against options that silently do nothing.
    Picture plain, frame1, frame6, deflected;
    ASSERT_EQ(render_picture(options_for(BRIDGE, {}), plain).status, RENDER_EXIT_OK);
    ASSERT_EQ(render_picture(options_for(BRIDGE, {"--frame", "1"}), frame1).status, RENDER_EXIT_OK);
    ASSERT_EQ(render_picture(options_for(BRIDGE, {"--deflected"}), deflected).status, RENDER_EXIT_OK);
    ASSERT_EQ(render_picture(options_for(BRIDGE, {"--frame", "6"}), frame6).status, RENDER_EXIT_OK);
    EXPECT_GT(differing_pixels(plain, frame1), 0);
    EXPECT_GT(differing_pixels(frame1, frame6), 0);
    EXPECT_GT(differing_pixels(plain, deflected), 0);
}

// Every file the viewer reads with a message: the same messages, and a refusal exactly when the
// viewer has no usable results.
TEST(BatchRenderTest, RefusesWhatTheViewerRefusesWithItsMessages)
{
    std::vector<std::string> files = {GEOMETRY, BRIDGE};
    for (const auto& entry : std::filesystem::directory_iterator(std::string(KELVARO_TEST_DATA) + "/malformed"))
        files.push_back(entry.path().string());
    int refused = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        start_viewer(file);
        std::vector<std::string> expected;
        for (const HeadlessMessage& m : headless_messages()) {
            // The viewer's list of the file's problems ("Line N: ...") is kelvaro-render's
            // FILE:LINE lines, printed by render_files.
            if (m.title == "Warning" && m.text.rfind("Line ", 0) == 0)
                continue;
            expected.push_back("kelvaro-render: " + m.title + ": " + m.text);
        }
        const bool viewer_refuses = results_missing != 0;
        Picture picture;
        const RenderReport report = render_picture(options_for(file, {}), picture);
        EXPECT_EQ(report.lines, expected);
        EXPECT_EQ(report.status, viewer_refuses ? RENDER_EXIT_INPUT : RENDER_EXIT_OK);
        EXPECT_EQ(picture.bits.empty(), viewer_refuses);
        refused += viewer_refuses ? 1 : 0;
    }
    EXPECT_GE(refused, 2);  // the geometry file and at least one malformed file
}

TEST(BatchRenderTest, GeometryOptionDrawsAFileWithoutResults)
{
    start_viewer(GEOMETRY);
    const Picture expected = canvas_copy();
    Picture picture;
    const RenderReport report = render_picture(options_for(GEOMETRY, {"--geometry"}), picture);
    EXPECT_EQ(report.status, RENDER_EXIT_OK);
    ASSERT_EQ(report.lines.size(), 1u);
    EXPECT_EQ(report.lines[0], "kelvaro-render: No Results: Truss Solver Results not found");
    EXPECT_EQ(differing_pixels(picture, expected), 0);
}

// A file without results animates nothing, but --geometry still writes its GIF: six still frames.
TEST(BatchRenderTest, GeometryOptionWritesAStillAnimation)
{
    const std::string gif =
        (std::filesystem::temp_directory_path() / ("kelvaro_geometry_" + std::to_string(::getpid()) + ".gif")).string();
    RenderOptions options = options_for(GEOMETRY, {"--geometry"});
    options.output_path = gif;
    const RenderReport report = render_to_file(options);
    EXPECT_EQ(report.status, RENDER_EXIT_OK);
    EXPECT_GT(std::filesystem::file_size(gif), 0u);
    std::filesystem::remove(gif);
}

TEST(BatchRenderTest, QualityReachesTheEncoder)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kelvaro_render_quality_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    Picture picture;
    ASSERT_EQ(render_picture(options_for(TOWER, {"--numbers"}), picture).status, RENDER_EXIT_OK);
    // The default is the viewer's own encoder setting, byte for byte.
    const std::string viewer_file = (folder / "viewer.jpg").string();
    ASSERT_EQ(jpeg_save_picture(picture, viewer_file, IMAGE_SAVE_QUALITY), 1);
    std::uintmax_t previous = 0;
    for (const char* quality : {"5", "35", "70", "100"}) {
        RenderOptions options = options_for(TOWER, {"--numbers", "--quality", quality});
        options.output_path = (folder / (std::string(quality) + ".jpg")).string();
        ASSERT_EQ(render_to_file(options).status, RENDER_EXIT_OK) << quality;
        const std::uintmax_t size = std::filesystem::file_size(options.output_path);
        EXPECT_GT(size, previous) << quality;
        previous = size;
    }
    auto bytes = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(bytes(folder / "70.jpg"), bytes(viewer_file));
    std::filesystem::remove_all(folder);
}

TEST(BatchRenderTest, NeverWritesOverTheResultsFile)
{
    const std::filesystem::path copy = std::filesystem::temp_directory_path() /
                                       ("kelvaro_render_same_" + std::to_string(::getpid()) + ".res");
    std::filesystem::copy_file(BRIDGE, copy, std::filesystem::copy_options::overwrite_existing);
    RenderOptions options = options_for(copy.string(), {});
    options.output_path = copy.string();
    const RenderReport report = render_to_file(options);
    EXPECT_EQ(report.status, RENDER_EXIT_USAGE);
    EXPECT_EQ(std::filesystem::file_size(copy), std::filesystem::file_size(BRIDGE));
    std::filesystem::remove(copy);
}

}  // namespace

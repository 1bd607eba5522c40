// The calculation sheet read back with poppler's tools (pdfinfo, pdftotext, pdffonts, pdfimages):
// its pages, paper, text and fonts; and the pictures at --scale and with --title-block held
// against the canvas picture.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/export/sheet.h"
#include "app/export/title_block.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/view/overlays.h"
#include "bench/warren_bridge.h"
#include "draw/draw.h"
#include "draw/picture.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

// What a command writes on its standard output.
std::string output_of(const std::string& command)
{
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return text;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

int count_of(const std::string& text, const std::string& what)
{
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_sheet_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // kelvaro-render's driver on args (without the program name); its status.
    int render(std::vector<std::string> args, std::string& error)
    {
        std::vector<const char*> argv = {"kelvaro-render"};
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        RenderOptions options;
        if (!parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error))
            return RENDER_EXIT_USAGE;
        const RenderReport report = render_to_file(options);
        error.clear();
        for (const std::string& line : report.lines)
            error += line + "\n";
        return report.status;
    }

    // The picture the options draw.
    Picture picture(std::vector<std::string> args)
    {
        args.insert(args.begin(), "kelvaro-render");
        args.push_back("-o");
        args.push_back(path("unused.png"));
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        RenderOptions options;
        std::string error;
        Picture result;
        EXPECT_TRUE(parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error)) << error;
        EXPECT_EQ(render_picture(options, result).status, RENDER_EXIT_OK);
        return result;
    }

    std::filesystem::path dir_;
};

// One sheet read back whole: the page count pdfinfo gives is the "of N" of every page's footer,
// each section is there, the member and node tables list every row once over several pages with
// their header repeated, the text is in embedded DejaVu fonts, and the picture has no raster image.
TEST_F(SheetTest, AMultiPageSheetListsEveryRowOnceUnderRepeatedHeaders)
{
    const std::string results = path("bridge.res");
    std::ofstream(results) << warren_bridge_results(203, "WARREN SHEET");
    const std::string pdf = path("sheet.pdf");
    std::string error;
    ASSERT_EQ(render({results, "-o", pdf, "--colour-forces", "--reactions"}, error), RENDER_EXIT_OK) << error;

    const std::string info = output_of("pdfinfo '" + pdf + "'");
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex("Pages: +([0-9]+)"))) << info;
    const int page_count = std::stoi(pages[1]);
    EXPECT_GE(page_count, 5);
    EXPECT_NE(info.find("Title:           WARREN SHEET"), std::string::npos) << info;

    const std::string text = output_of("pdftotext -layout '" + pdf + "' -");
    for (int page = 1; page <= page_count; ++page)
        EXPECT_EQ(count_of(text, "Page " + std::to_string(page) + " of " + std::to_string(page_count)), 1) << page;
    for (const char* section : {"Calculation sheet", "Summary", "Support reactions", "Members", "Nodes"})
        EXPECT_NE(text.find(section), std::string::npos) << section;
    EXPECT_GE(count_of(text, "Members (continued)"), 2);
    const std::regex header("Member +Node A +Node B +Length +Stress +Force +State");
    const auto headers = std::distance(std::sregex_iterator(text.begin(), text.end(), header), std::sregex_iterator());
    EXPECT_EQ(headers, count_of(text, "Members (continued)") + 1);

    // Member rows "e a b length ...": every member once, in order.
    std::vector<int> members;
    const std::regex row(
        R"(\n +([0-9]+) +([0-9]+) +([0-9]+) +[-0-9.e+]+ +[-0-9.e+]+ +[-0-9.e+]+ +(tension|compression|none))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), row); it != std::sregex_iterator(); ++it)
        members.push_back(std::stoi((*it)[1]));
    ASSERT_EQ(members.size(), 203u);
    for (std::size_t n = 0; n < members.size(); ++n)
        EXPECT_EQ(members[n], static_cast<int>(n) + 1);
    EXPECT_NE(text.find("Largest compression"), std::string::npos);
    EXPECT_NE(text.find("in equilibrium"), std::string::npos);

    const std::string fonts = output_of("pdffonts '" + pdf + "'");
    EXPECT_NE(fonts.find("DejaVuSans "), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find(" no  "), std::string::npos) << "a font is not embedded:\n" << fonts;
    const std::string images = output_of("pdfimages -list '" + pdf + "'");
    EXPECT_EQ(count_of(images, "\n"), 2) << "the sheet holds a raster image:\n" << images;
}

// With utilisations the member table has their column and the summary names the largest and the
// members above the limit (one exactly at it is not); units head the columns they belong to.
TEST_F(SheetTest, UtilisationsAndUnitsWhenKnown)
{
    const std::string text = warren_bridge_results(7);
    MemoryLineSource source(text);
    TrussModelData model;
    ASSERT_EQ(read_results(source, model).fault, ResultsFault::none);
    const ModelNumbers numbers = compute_model_numbers(model, true);
    ViewSettings settings;
    settings.canvas = canvas_of_size(700, 500);
    Projection projection;
    refresh_projection(model, settings, projection, true);
    SheetInput input;
    input.model = &model;
    input.numbers = &numbers;
    input.settings = &settings;
    input.projection = &projection;
    input.block.force_unit = "kN";
    input.block.length_unit = "m";
    input.utilisation = {0, 0.5, 1.0, 1.2, 0.99, 2.5, 0.1, 0.2};
    input.utilisation_limit = 1.0;
    const std::string pdf = path("utilisation.pdf");
    ASSERT_EQ(write_sheet_file(pdf, input), "");
    const std::string shown = output_of("pdftotext -layout '" + pdf + "' -");
    EXPECT_NE(shown.find("member 5, 2.5 (limit 1)"), std::string::npos) << shown;
    EXPECT_TRUE(std::regex_search(shown, std::regex("Members over the limit +2: 3 5\\n"))) << shown;
    EXPECT_TRUE(std::regex_search(shown, std::regex("Length \\[m\\] +Stress +Force \\[kN\\] +State +Utilisation")))
        << shown;
    EXPECT_TRUE(std::regex_search(shown, std::regex("\\nUnits +length m, force kN\\n")));
    EXPECT_TRUE(std::regex_search(shown, std::regex("\n +5 +[0-9]+ +[0-9]+ .* 2\\.5\\n")));

    // An envelope names the governing case of every member in a last column.
    input.governing = {"", "dead", "snow", "wind", "snow", "snow", "dead", "wind"};
    ASSERT_EQ(write_sheet_file(pdf, input), "");
    const std::string enveloped = output_of("pdftotext -layout '" + pdf + "' -");
    EXPECT_TRUE(std::regex_search(enveloped, std::regex("State +Utilisation +Case\\n"))) << enveloped;
    EXPECT_TRUE(std::regex_search(enveloped, std::regex("\\n +5 +[0-9]+ +[0-9]+ .* 2\\.5 +snow\\n"))) << enveloped;

    // Titles in UTF-8 stay as they are; other bytes are read as Windows-1252.
    for (const auto& [title, shown_title] : {std::pair<std::string, std::string>{"ROOF \xB5m", "ROOF \xC2\xB5m"},
                                             {"ROOF \xC2\xB0"
                                              "C",
                                              "ROOF \xC2\xB0"
                                              "C"},
                                             {"ROOF \xE2\x82", "ROOF \xC3\xA2\xE2\x80\x9A"}}) {
        input.block.title = title;
        ASSERT_EQ(write_sheet_file(pdf, input), "");
        EXPECT_NE(output_of("pdfinfo '" + pdf + "'").find("Title:           " + shown_title + "\n"), std::string::npos)
            << shown_title;
        EXPECT_NE(output_of("pdftotext -layout '" + pdf + "' -").find(shown_title), std::string::npos) << shown_title;
    }

    input.model = nullptr;
    EXPECT_NE(write_sheet_file(path("none.pdf"), input), "");
    EXPECT_FALSE(std::filesystem::exists(path("none.pdf")));
}

// A title band that leaves no room for the picture is refused.
TEST_F(SheetTest, TitleBandNeedsRoom)
{
    std::string error;
    EXPECT_EQ(render({EXAMPLES + "bridge.res", "-o", path("t.png"), "--size", "100x100", "--text-scale", "8",
                      "--title-block"},
                     error),
              RENDER_EXIT_USAGE);
    EXPECT_NE(error.find("the title block leaves less than 50 pixels"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path("t.png")));
    EXPECT_EQ(render({EXAMPLES + "bridge.res", "-o", path("t.png"), "--size", "100x100", "--title-block"}, error),
              RENDER_EXIT_OK);
}

// --paper picks the page size (portrait); an unknown paper is refused and nothing is written.
TEST_F(SheetTest, PaperSizes)
{
    struct Case {
        const char* paper;
        const char* size;  // pdfinfo's "Page size", points
    };
    const Case cases[] = {{"a4", "595.276 x 841.89"}, {"LETTER", "612 x 792"}, {"a3", "841.89 x 1190.55"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paper);
        const std::string pdf = path(std::string(c.paper) + ".pdf");
        std::string error;
        ASSERT_EQ(render({EXAMPLES + "tower.res", "-o", pdf, "--paper", c.paper}, error), RENDER_EXIT_OK) << error;
        const std::string info = output_of("pdfinfo '" + pdf + "'");
        EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +" + std::string(c.size) + " pts"))) << info;
    }
    std::string error;
    EXPECT_EQ(render({EXAMPLES + "tower.res", "-o", path("b5.pdf"), "--paper", "b5"}, error), RENDER_EXIT_USAGE);
    EXPECT_NE(error.find("'b5' is not a paper (a4, letter or a3)"), std::string::npos) << error;
    EXPECT_EQ(render({EXAMPLES + "tower.res", "-o", path("f.pdf"), "--frame", "2"}, error), RENDER_EXIT_USAGE);
    EXPECT_FALSE(std::filesystem::exists(path("b5.pdf")));
}

// A file without results (--geometry) still gives a sheet: the geometry tables, and the summary says so.
TEST_F(SheetTest, GeometryOnlySheetSaysSo)
{
    const std::string pdf = path("geometry.pdf");
    std::string error;
    ASSERT_EQ(render({EXAMPLES + "bridge-geometry.res", "--geometry", "-o", pdf}, error), RENDER_EXIT_OK) << error;
    const std::string text = output_of("pdftotext -layout '" + pdf + "' -");
    EXPECT_NE(text.find("the file holds no results"), std::string::npos) << text;
    EXPECT_EQ(text.find("Support reactions"), std::string::npos);
    EXPECT_NE(text.find("Nodes"), std::string::npos);
}

// Mean of |a - b| over every channel of two pictures of one size, 0..255.
double mean_difference(const Picture& a, const Picture& b)
{
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 3; ++x)
            sum += std::abs(picture_row(a, y)[x] - picture_row(b, y)[x]);
    return sum / (3.0 * a.width * a.height);
}

// picture reduced by factor in each direction, each pixel the mean of its factor x factor block.
Picture downsampled(const Picture& picture, int factor)
{
    Picture small;
    picture_make(small, picture.width / factor, picture.height / factor, 24);
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += picture_row(picture, y * factor + dy)[(x * factor + dx) * 3 + c];
                picture_row(small, y)[x * 3 + c] = static_cast<std::uint8_t>(sum / (factor * factor));
            }
    return small;
}

// --size 1400x1000 --scale 2 is the 700x500 picture at twice the resolution: downsampled by 2 it
// is close to it, much closer than the same picture moved by 3 pixels; at 2800x2000 without
// --scale the members are hairlines on a larger canvas, far from it.
TEST_F(SheetTest, ScaleTwoDownsampledMatchesTheDefaultPicture)
{
    const std::vector<std::string> view = {EXAMPLES + "bridge.res", "--colour-forces", "--reactions", "--loads"};
    const Picture base = picture(view);
    std::vector<std::string> twice = view;
    twice.insert(twice.end(), {"--size", "1400x1000", "--scale", "2"});
    const Picture large = picture(twice);
    ASSERT_EQ(large.width, 1400);
    ASSERT_EQ(large.height, 1000);
    const double scaled = mean_difference(downsampled(large, 2), base);

    Picture moved = base;
    for (int y = 0; y < base.height; ++y)
        for (int x = 0; x < base.width * 3; ++x)
            picture_row(moved, y)[x] = picture_row(base, y)[std::min(x + 9, base.width * 3 - 1)];
    const double shifted = mean_difference(moved, base);
    EXPECT_LT(scaled, 0.4 * shifted) << "scaled " << scaled << ", shifted " << shifted;
    EXPECT_GT(scaled, 0.0);
}

// The legend's outline is whole (no word reaches over it) and holds both words: in larger text on
// the canvas (--text-scale) and with everything scaled (--scale 4, where the outline is 4 pixels wide).
TEST_F(SheetTest, LegendHoldsItsWordsAtAnyScale)
{
    struct Case {
        std::vector<std::string> size;
        int scale;  // output pixels per canvas pixel
    };
    const Case cases[] = {{{"--text-scale", "4", "--size", "2800x2000"}, 1},
                          {{"--text-scale", "2"}, 1},
                          {{"--scale", "4", "--size", "2800x2000"}, 4},
                          {{"--scale", "2", "--size", "1400x1000", "--text-scale", "3"}, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size[0] + " " + c.size[1]);
        std::vector<std::string> args = {EXAMPLES + "bridge.res", "--colour-forces"};
        args.insert(args.end(), c.size.begin(), c.size.end());
        const Picture shown = picture(args);
        const OverlayBox box = overlay_legend_box();
        ASSERT_GT(box.width, 0);
        const double s = c.scale;
        // Sample the middle of the outline's stroke along all four sides.
        const auto near_frame = [&](double cx, double cy) {
            const std::uint8_t* p = picture_row(shown, static_cast<int>(cy)) + static_cast<int>(cx) * 3;
            return std::abs(p[0] - 128) + std::abs(p[1] - 128) + std::abs(p[2] - 128) < 60;
        };
        const double left = (box.x + 0.5) * s, right = (box.x + box.width - 0.5) * s;
        const double top = (box.y + 0.5) * s, bottom = (box.y + box.height - 0.5) * s;
        int broken = 0;
        for (double t = 0.02; t < 0.98; t += 0.01) {
            broken += !near_frame(left + t * (right - left), top) + !near_frame(left + t * (right - left), bottom);
            broken += !near_frame(left, top + t * (bottom - top)) + !near_frame(right, top + t * (bottom - top));
        }
        EXPECT_EQ(broken, 0);
        EXPECT_LE(right, shown.width);
        EXPECT_LE(bottom, shown.height);
        // Ink of the words inside: some pixels of the legend's upper half are neither white nor grey.
        int ink = 0;
        for (double y = top + 2 * s; y < (top + bottom) / 2; y += 1)
            for (double x = left + 2 * s; x < right - 2 * s; x += 1) {
                const std::uint8_t* p = picture_row(shown, static_cast<int>(y)) + static_cast<int>(x) * 3;
                ink += p[0] != p[1] || p[1] != p[2];
            }
        EXPECT_GT(ink, 20);
    }
}

// The round scale bar lengths: 1, 2 or 5 times a power of ten, the largest that fits.
TEST(ScaleBar, RoundLengthThatFits)
{
    struct Case {
        double pixels_per_unit, longest, length;
    };
    const Case cases[] = {
        {10, 100, 10},    {10, 99.9, 5}, {3, 100, 20}, {1, 100, 100},     {0.001, 100, 1e5},
        {1e6, 100, 1e-4}, {40, 100, 2},  {0, 100, 0},  {-5, 100, 0},      {10, 0, 0},
        {7, 35, 5},       {7, 34.99, 2}, {NAN, 10, 0}, {INFINITY, 10, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(scale_bar_length(c.pixels_per_unit, c.longest), c.length)
            << c.pixels_per_unit << " " << c.longest;
}

// The fields name unknown units and cases as such; the magnification only when a shape is drawn.
TEST(TitleBlock, FieldsSayWhatIsUnknown)
{
    TitleBlock block;
    block.title = "ROOF";
    block.file_name = "roof.res";
    block.date = "2026-12-08";
    std::string shown;
    for (const TitleField& field : title_block_fields(block))
        shown += field.label + "=" + field.value + ";";
    EXPECT_EQ(shown, "Title=ROOF;File=roof.res;Case=not named;Units=not given in the file;Date=2026-12-08;");
    block.force_unit = "kN";
    block.length_unit = "m";
    block.case_name = "snow";
    block.magnification = 250;
    shown.clear();
    for (const TitleField& field : title_block_fields(block))
        shown += field.label + "=" + field.value + ";";
    EXPECT_EQ(shown,
              "Title=ROOF;File=roof.res;Case=snow;Units=length m, force kN;Date=2026-12-08;"
              "Deflected shape=magnified 250 times;");
    EXPECT_EQ(header_with_unit("Force", "kN"), "Force [kN]");
    EXPECT_EQ(header_with_unit("Force", ""), "Force");
}

// --title-block keeps --size: the scene's frame ends above the band, the band holds text, and the
// plan view's scale bar stands at its right.
TEST_F(SheetTest, TitleBandUnderTheScene)
{
    const Picture plain = picture({EXAMPLES + "bridge.res"});
    const Picture titled = picture({EXAMPLES + "bridge.res", "--title-block"});
    ASSERT_EQ(titled.width, plain.width);
    ASSERT_EQ(titled.height, plain.height);
    const int band = title_band_height();
    const auto colour = [](const Picture& p, int x, int y) {
        const std::uint8_t* q = picture_row(p, y) + x * 3;
        return draw_rgb(q[2], q[1], q[0]);
    };
    // The blue outer frame's bottom line, one row above the canvas's last, moves up by the band.
    EXPECT_EQ(colour(plain, 350, plain.height - 2), draw_rgb(0, 0, 255));
    EXPECT_EQ(colour(titled, 350, titled.height - band - 2), draw_rgb(0, 0, 255));
    int black_left = 0, black_right = 0;
    for (int y = titled.height - band + 1; y < titled.height; ++y)
        for (int x = 0; x < titled.width; ++x)
            if (colour(titled, x, y) == draw_rgb(0, 0, 0))
                ++(x < titled.width / 2 ? black_left : black_right);
    EXPECT_GT(black_left, 100);
    EXPECT_GT(black_right, 100);
}

}  // namespace

// kelvaro-render's design checks: --units, --limit-stress, --input and --utilisation on the
// command line, and what they put into the report and the picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/model/inspect.h"
#include "app/ui/design_check.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/results_window.h"
#include "app/view/overlays.h"
#include "app_fixture.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

bool parse(std::vector<const char*> arguments, RenderOptions& options, std::string& error)
{
    arguments.insert(arguments.begin(), "kelvaro-render");
    return parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(DesignCheckOptionsTest, UnitsLimitsAndInputAreCheckedWhole)
{
    struct Case {
        std::vector<const char*> arguments;  // after "r.res -o o.png"
        const char* error;                   // "" when accepted
        double tension, compression;
    };
    const Case cases[] = {
        {{"--limit-stress", "250"}, "", 250, 250},
        {{"--limit-stress=250,180", "--utilization"}, "", 250, 180},
        {{"--limit-stress", "2.5e2,1e-3"}, "", 250, 0.001},
        {{"--limit-stress", "0"}, "option '--limit-stress': 0 is out of range (stresses above 0)", 0, 0},
        {{"--limit-stress", "250,-1"}, "option '--limit-stress': 250,-1 is out of range (stresses above 0)", 0, 0},
        {{"--limit-stress", "250,"}, "option '--limit-stress': '250,' is not a stress T or a pair T,C", 0, 0},
        {{"--limit-stress", "high"}, "option '--limit-stress': 'high' is not a stress T or a pair T,C", 0, 0},
        {{"--units", "m,kN"},
         "option '--units': 'm,kN' is not three units LENGTH,FORCE,STRESS (such as m,kN,MPa)",
         0,
         0},
        {{"--input", ""}, "option '--input': '' is not a file name", 0, 0},
        {{"--utilisation"}, "option '--utilisation' needs '--limit-stress' or '--input'", 0, 0},
        {{"--utilisation", "--input", "b.truss"}, "", 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<const char*> arguments = {"r.res", "-o", "o.png"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        RenderOptions options;
        std::string error;
        EXPECT_EQ(parse(arguments, options, error), *c.error == '\0') << c.arguments[0];
        EXPECT_EQ(error, c.error);
        if (*c.error == '\0') {
            EXPECT_EQ(options.limit_tension, c.tension) << c.arguments[0];
            EXPECT_EQ(options.limit_compression, c.compression) << c.arguments[0];
        }
    }
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse({"r.res", "-o", "o.png", "--units", "mm,N,MPa"}, options, error)) << error;
    EXPECT_EQ(options.units, (Units{"mm", "N", "MPa"}));
    for (const char* name : {"--units", "--limit-stress", "--input", "--utilisation", "--utilization"})
        EXPECT_NE(render_help_text().find(name), std::string::npos) << name;
}

class DesignCheckRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_checks_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    // The bridge's solver input with the chord section given a second moment of area.
    std::string bridge_input(const std::string& chord_line)
    {
        std::ifstream in(EXAMPLES + "src/bridge.truss");
        std::stringstream text;
        text << in.rdbuf();
        std::string input = text.str();
        const std::string chord = "section chord  0.0060    2.1e8";
        input.replace(input.find(chord), chord.size(), chord_line);
        const std::string file = path("bridge.truss");
        std::ofstream(file) << input;
        return file;
    }

    RenderReport render(std::vector<const char*> arguments)
    {
        RenderOptions options;
        std::string error;
        EXPECT_TRUE(parse(arguments, options, error)) << error;
        return render_to_file(options);
    }

    std::string report_text()
    {
        std::ifstream in(path("r.json"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir_;
};

TEST_F(DesignCheckRenderTest, BridgeEndPostsBuckleFirstUnderTheChordsSecondMomentOfArea)
{
    // Chord: E 2.1e8 kN/m^2, I 1e-5 m^4, so E I = 2100 kN m^2. End post 11 (1-8, 4 sqrt 2 = 5.657 m,
    // -353.6 kN): N_cr = 9.8696 * 2100 / 32 = 647.7 kN, 353.6 / 647.7 = 0.546, above its stress
    // check 58.93 / 250 = 0.236. Top chord 8 (4 m, -450 kN): 1295 kN, 0.347. Member 12 matches 11.
    const std::string input = bridge_input("section chord  0.0060    2.1e8  1e-5");
    const std::string report = path("r.json");
    const std::string picture = path("u.png");
    const RenderReport r = render({(EXAMPLES + "bridge.res").c_str(), "--input", input.c_str(), "--limit-stress", "250",
                                   "--utilisation", "--report", report.c_str(), "-o", picture.c_str()});
    ASSERT_EQ(r.status, RENDER_EXIT_OK);
    const std::string json = report_text();
    EXPECT_NE(json.find("\"units\": {\"length\": \"m\", \"force\": \"kN\", \"stress\": \"MPa\"}"), std::string::npos);
    const std::size_t at = json.find("\"max_utilisation\": {\"member\": 11, \"value\": 0.54");
    ASSERT_NE(at, std::string::npos) << json.substr(json.find("\"summary\""));
    EXPECT_NE(json.find("\"criterion\": \"buckling\"}, \"members_over_limit\": 0}", at), std::string::npos);
    EXPECT_NE(json.find("{\"member\": 8, \"nodes\": [9, 10], \"length\": 4, \"stress\": -75, \"force\": -450, "
                        "\"state\": \"compression\", \"utilisation\": {\"value\": 0.347"),
              std::string::npos);
    // The verticals' section has no second moment: 40 MPa of 250 in tension, 20 of 250 in compression.
    EXPECT_NE(json.find("\"utilisation\": {\"value\": 0.16, \"criterion\": \"tension\"}"), std::string::npos);
    EXPECT_NE(json.find("\"utilisation\": {\"value\": 0.08, \"criterion\": \"compression\"}"), std::string::npos);
    EXPECT_GT(overlay_legend_box().width, 0);

    // A solver input of another truss is refused: nothing is checked against the wrong members.
    const std::string other = path("other.truss");
    std::ofstream(other) << "node 1 0 0 0 1 1 1\nnode 2 1 0 0 0 1 1\nmember 1 1 2 1 1\nload 2 1 0 0\n";
    const RenderReport refused = render(
        {(EXAMPLES + "bridge.res").c_str(), "--input", other.c_str(), "--report", path("other.json").c_str()});
    EXPECT_EQ(refused.status, RENDER_EXIT_INPUT);
    ASSERT_EQ(refused.lines.size(), 1u);
    EXPECT_NE(refused.lines[0].find("1 members, but the results file has 21"), std::string::npos) << refused.lines[0];
    EXPECT_FALSE(std::filesystem::exists(path("other.json")));
}

TEST_F(DesignCheckRenderTest, UnitsOptionReplacesTheFilesAndAFileWithoutUnitsReportsNull)
{
    const std::string report = path("r.json");
    ASSERT_EQ(render({(EXAMPLES + "bridge.res").c_str(), "--units", "mm,N,MPa", "--report", report.c_str()}).status,
              RENDER_EXIT_OK);
    EXPECT_NE(report_text().find("\"units\": {\"length\": \"mm\", \"force\": \"N\", \"stress\": \"MPa\"}"),
              std::string::npos);
    ASSERT_EQ(
        render({(std::string(KELVARO_TEST_DATA) + "/truss_planar.txt").c_str(), "--report", report.c_str()}).status,
        RENDER_EXIT_OK);
    const std::string json = report_text();
    EXPECT_NE(json.find("\"units\": {\"length\": null, \"force\": null, \"stress\": null}"), std::string::npos);
    EXPECT_NE(json.find("\"max_utilisation\": null, \"members_over_limit\": null}"), std::string::npos);
}

class DesignCheckViewerTest : public AppTest {};

TEST_F(DesignCheckViewerTest, DesignCheckAndUnitsAskAndRecomputeTheNumbers)
{
    results_path = EXAMPLES + "bridge.res";
    load(results_path);
    show_fitted();
    const std::string input = write_bytes("bridge.truss", "");
    {
        std::ifstream in(EXAMPLES + "src/bridge.truss");
        std::ofstream out(input);
        out << in.rdbuf() << "section chord 0.0060 2.1e8 1e-5\n";  // a later section replaces the first
    }
    // Limits that are no numbers are refused and change nothing; so is a cancelled first box.
    headless_answer_text("strong");
    design_check_command();
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "Warning");
    design_check_command();
    EXPECT_FALSE(model_numbers().has_utilisation);
    EXPECT_FALSE(View.overlays.show_utilisation);
    ASSERT_EQ(headless_text_boxes().size(), 2u);
    EXPECT_NE(headless_text_boxes()[0].text.find("in MPa"), std::string::npos) << headless_text_boxes()[0].text;

    headless_answer_text("250");
    headless_answer(input);
    design_check_command();
    ASSERT_TRUE(model_numbers().has_utilisation);
    EXPECT_TRUE(View.overlays.show_utilisation);
    EXPECT_EQ(model_numbers().max_utilisation.member, 11);  // as kelvaro-render --input finds
    EXPECT_EQ(model_numbers().max_utilisation.criterion, Criterion::Buckling);
    EXPECT_NE(member_tooltip(model_numbers(), 11).find("utilisation 0.5459 (buckling)"), std::string::npos)
        << member_tooltip(model_numbers(), 11);
    // The results window's "Most critical" tab: the 20 highest, the end posts first.
    results_window_show();
    const TableWindowSpec& spec = results_window_spec();
    ASSERT_EQ(spec.tables.size(), 3u);
    const TableData& critical = spec.tables[RESULTS_CRITICAL];
    EXPECT_EQ(critical.name, "Most critical (20)");
    EXPECT_EQ(table_cell_text(critical, 0, 0), "11");
    EXPECT_EQ(table_cell_text(critical, 1, 0), "12");
    EXPECT_EQ(table_cell_text(critical, 0, 1), "0.5459");
    EXPECT_EQ(table_cell_text(critical, 0, 2), "buckling");
    EXPECT_EQ(critical.columns[3].header, "Force [kN]");
    for (int row = 1; row < 20; ++row)
        EXPECT_LE(critical.columns[1].numbers[row], critical.columns[1].numbers[row - 1]);
    spec.on_select(RESULTS_CRITICAL, 1);  // a row selects its member on the canvas
    EXPECT_EQ(View.overlays.highlight_member, 12);
    ASSERT_GE(spec.heading.size(), 4u);
    EXPECT_NE(spec.heading[3].text.find("largest utilisation: 0.5459 (member 11, buckling), 0 members over"),
              std::string::npos)
        << spec.heading[3].text;
    results_window_close();
    // The same limits on the next file; another truss's sections do not count for it.
    load(std::string(KELVARO_TEST_DATA) + "/truss_planar.txt");
    EXPECT_TRUE(model_numbers().has_utilisation);
    EXPECT_NE(model_numbers().max_utilisation.criterion, Criterion::Buckling);

    headless_answer_text(" mm , N , MPa ");
    units_command();
    EXPECT_EQ(model_numbers().units, (Units{"mm", "N", "MPa"}));
    headless_answer_text("mm,N");
    units_command();
    EXPECT_EQ(headless_messages().size(), 2u);
    EXPECT_EQ(model_numbers().units, (Units{"mm", "N", "MPa"}));
    headless_answer_text("");
    units_command();
    EXPECT_FALSE(user_units().has_value());
}

}  // namespace

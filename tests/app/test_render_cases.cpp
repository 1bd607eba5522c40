// kelvaro-render's load cases on the bundled bridge set (examples/bridge.cases): the options that
// go together, a combination drawn and reported and written back as a results file, the envelope
// report, and sets that are refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

TEST(RenderCaseOptionsTest, LoadCaseOptionsThatDoNotGoTogetherAreRefused)
{
    struct Row {
        std::vector<const char*> arguments;
        const char* error;  // "" when accepted
    };
    const Row rows[] = {
        {{"--cases", "b.cases", "-o", "o.png"}, ""},
        {{"--cases", "b.cases", "--case", "ULS1", "--write-results", "u.res"}, ""},
        {{"--combine", "1.35:d.res", "--combine=-1:l.res", "-o", "o.png"}, ""},
        {{"a.res", "b.res", "--envelope", "-o", "o.png"}, ""},  // one picture: no {name} needed
        {{"a.res", "--write-results", "a2.res"}, ""},
        {{"--cases", "b.cases", "a.res", "-o", "o.png"}, "'--cases' cannot be combined with results files"},
        {{"--cases", "b.cases", "--combine", "1:a.res", "-o", "o.png"},
         "'--cases' cannot be combined with '--combine'"},
        {{"--combine", "1:a.res", "b.res", "-o", "o.png"},
         "'--combine' cannot be combined with results files (give each as FACTOR:FILE)"},
        {{"a.res", "--case", "ULS1", "-o", "o.png"}, "'--case' needs '--cases'"},
        {{"--cases", "b.cases", "--envelope", "--case", "ULS1", "-o", "o.png"},
         "'--envelope' cannot be combined with '--case'"},
        {{"--cases", "b.cases", "--envelope", "--write-results", "e.res"},
         "'--envelope' cannot be combined with '--write-results'"},
        {{"--cases", "b.cases", "--envelope", "-o", "e.gif"},
         "'--envelope' draws forces only: no deflected shape, animation, largest deflection or reactions"},
        {{"--cases", "b.cases", "--envelope", "--reactions", "-o", "e.png"},
         "'--envelope' draws forces only: no deflected shape, animation, largest deflection or reactions"},
        {{"a.res", "b.res", "--write-results", "{name}.res"},
         "'--write-results' writes one case: give one results file, --cases or --combine"},
        {{"--combine", "1.35", "-o", "o.png"}, "option '--combine': '1.35' is not FACTOR:FILE (such as 1.35:dead.res)"},
        {{"--combine", "x:a.res", "-o", "o.png"},
         "option '--combine': 'x:a.res' is not FACTOR:FILE (such as 1.35:dead.res)"},
        {{"--combine", "2:", "-o", "o.png"}, "option '--combine': '2:' is not FACTOR:FILE (such as 1.35:dead.res)"},
        {{"--cases", "b.cases"}, "no output file given (-o OUT.jpg)"},
        {{"--cases", "b.cases", "--case=", "-o", "o.png"}, "option '--case': the case name is empty"},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv = {"kelvaro-render"};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        RenderOptions options;
        std::string error;
        const bool accepted = parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error);
        EXPECT_EQ(accepted, std::string(row.error).empty()) << row.error;
        EXPECT_EQ(error, row.error);
    }
}

class RenderCasesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_cases_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    // The program run in this process; err collects what it prints.
    int run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), "kelvaro-render");
        std::vector<const char*> argv;
        for (const std::string& a : arguments)
            argv.push_back(a.c_str());
        std::FILE* stream = std::tmpfile();
        const int status = render_main(static_cast<int>(argv.size()), argv.data(), stream, stream);
        std::rewind(stream);
        err.clear();
        for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream))
            err += static_cast<char>(c);
        std::fclose(stream);
        return status;
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static ModelNumbers numbers_of(const std::string& file)
    {
        const std::string bytes = read(file);
        TrussModelData model;
        MemoryLineSource source(bytes);
        const ReadOutcome outcome = read_results(source, model);
        EXPECT_EQ(outcome.fault, ResultsFault::none) << file;
        return compute_model_numbers(model, outcome.fault == ResultsFault::none);
    }

    std::filesystem::path dir_;
    std::string err;
};

TEST_F(RenderCasesTest, CombinationWrittenAsAResultsFileReadsBackToTheFactoredFiles)
{
    const std::string out = path("uls2.res");
    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--case", "ULS2", "--write-results", out, "--report",
                   path("uls2.json")}),
              0)
        << err;
    EXPECT_EQ(err, "");
    const ModelNumbers dead = numbers_of(EXAMPLES + "bridge-dead.res");
    const ModelNumbers live = numbers_of(EXAMPLES + "bridge-live.res");
    const ModelNumbers wind = numbers_of(EXAMPLES + "bridge-wind.res");
    const ModelNumbers back = numbers_of(out);
    ASSERT_EQ(back.members.size(), dead.members.size());
    // Forces and stresses to the layout's 4 significant digits, deflections to 5.
    const auto factored = [](double d, double l, double w) { return 1.35 * d + 1.05 * l + 1.5 * w; };
    for (std::size_t e = 1; e < back.members.size(); ++e) {
        const double force = factored(dead.members[e].force, live.members[e].force, wind.members[e].force);
        EXPECT_NEAR(back.members[e].force, force, 5.01e-4 * std::fabs(force) + 1e-9) << "member " << e;
        EXPECT_EQ(back.members[e].nodes[0], dead.members[e].nodes[0]);
    }
    for (std::size_t i = 1; i < back.nodes.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            const double deflection = factored(dead.nodes[i].deflection[j], live.nodes[i].deflection[j],
                                               wind.nodes[i].deflection[j]);
            EXPECT_NEAR(back.nodes[i].deflection[j], deflection, 5.01e-5 * std::fabs(deflection) + 1e-12);
            const double load = factored(dead.nodes[i].load[j], live.nodes[i].load[j], wind.nodes[i].load[j]);
            EXPECT_NEAR(back.nodes[i].load[j], load, 1e-4);
            EXPECT_FLOAT_EQ(back.nodes[i].coordinates[j], dead.nodes[i].coordinates[j]);
            EXPECT_EQ(back.nodes[i].restraint[j], dead.nodes[i].restraint[j]);
        }
    }
    EXPECT_EQ(read(out).substr(0, 40), "ULS2 = 1.35 dead + 1.5 wind + 1.05 live\n");
    EXPECT_NE(read(path("uls2.json")).find("\"title\": \"ULS2 = 1.35 dead + 1.5 wind + 1.05 live\""),
              std::string::npos);
}

TEST_F(RenderCasesTest, CombineOnTheCommandLineIsTheChangeBetweenFiles)
{
    const std::string out = path("change.res");
    ASSERT_EQ(run({"--combine", "-1:" + EXAMPLES + "bridge-dead.res", "--combine", "1:" + EXAMPLES + "bridge-live.res",
                   "--write-results", out}),
              0)
        << err;
    const ModelNumbers dead = numbers_of(EXAMPLES + "bridge-dead.res");
    const ModelNumbers live = numbers_of(EXAMPLES + "bridge-live.res");
    const ModelNumbers change = numbers_of(out);
    for (std::size_t e = 1; e < change.members.size(); ++e) {
        const double force = live.members[e].force - dead.members[e].force;
        EXPECT_NEAR(change.members[e].force, force, 5.01e-4 * std::fabs(force) + 1e-9) << "member " << e;
    }
    EXPECT_EQ(read(out).substr(0, 29), "-bridge-dead + bridge-live\n12");
}

TEST_F(RenderCasesTest, EnvelopeReportNamesTheGoverningCases)
{
    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--envelope", "-o", path("envelope.png"), "--report",
                   path("envelope.json")}),
              0)
        << err;
    EXPECT_TRUE(std::filesystem::file_size(path("envelope.png")) > 0);
    const std::string json = read(path("envelope.json"));
    EXPECT_EQ(json.rfind("{\"format\": \"kelvaro-envelope-1\",\n\"cases\": [\n{\"name\": \"dead\", \"source\": "
                         "\"bridge-dead.res\"},",
                         0),
              0u);
    EXPECT_NE(json.find("{\"name\": \"ULS1\", \"source\": \"1.35 dead + 1.5 live\"}"), std::string::npos);
    // Vertical 16 is pushed in every case: it has no largest tension. Diagonal 18 is pulled by the
    // dead and the live load and pushed by the wind.
    EXPECT_NE(json.find("{\"member\": 16, \"nodes\": [5, 11], \"max_tension\": null, \"max_compression\": {"),
              std::string::npos);
    const std::size_t diagonal = json.find("{\"member\": 18,");
    ASSERT_NE(diagonal, std::string::npos);
    const std::string row = json.substr(diagonal, json.find('\n', diagonal) - diagonal);
    EXPECT_NE(row.find("\"case\": \"ULS1\"}, \"max_compression\": {\"force\": "), std::string::npos) << row;
    EXPECT_NE(row.find("\"case\": \"wind\"}}"), std::string::npos) << row;

    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--envelope", "--report", path("envelope.csv")}), 0) << err;
    const std::string members = read(path("envelope-members.csv"));
    EXPECT_EQ(members.substr(0, members.find('\n')),
              "member,nodes_a,nodes_b,max_tension_force,max_tension_stress,max_tension_case,"
              "max_compression_force,max_compression_stress,max_compression_case");
    EXPECT_NE(members.find("\n16,5,11,,,,-"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(path("envelope-nodes.csv")));
}

// With design limits the envelope takes each member's largest utilisation of any case, reports
// it with its case and draws the members in its colours.
TEST_F(RenderCasesTest, EnvelopeUtilisationIsEachMembersLargestWithItsCase)
{
    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--envelope", "--limit-stress", "100", "--utilisation", "-o",
                   path("utilisation.png"), "--report", path("envelope.json")}),
              0)
        << err;
    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--envelope", "-o", path("forces.png")}), 0) << err;
    EXPECT_NE(read(path("utilisation.png")), read(path("forces.png")));
    const std::string json = read(path("envelope.json"));
    // Vertical 16 is pushed in every case: under equal limits its largest utilisation is its
    // largest compression's, in that case.
    const std::size_t vertical = json.find("{\"member\": 16,");
    ASSERT_NE(vertical, std::string::npos);
    const std::string row = json.substr(vertical, json.find('\n', vertical) - vertical);
    const std::size_t compression = row.find("\"max_compression\": {");
    const std::size_t utilisation = row.find("\"max_utilisation\": {\"value\": ");
    ASSERT_NE(compression, std::string::npos) << row;
    ASSERT_NE(utilisation, std::string::npos) << row;
    const auto case_after = [&row](std::size_t from) {
        const std::size_t at = row.find("\"case\": ", from) + 8;
        return row.substr(at, row.find('}', at) - at);
    };
    EXPECT_EQ(case_after(utilisation), case_after(compression)) << row;
    EXPECT_NE(row.find("\"criterion\": \"compression\""), std::string::npos) << row;
    EXPECT_NE(json.find("\"max_utilisation\": {\"member\": "), std::string::npos);

    ASSERT_EQ(run({"--cases", EXAMPLES + "bridge.cases", "--envelope", "--limit-stress", "100", "--report",
                   path("envelope.csv")}),
              0)
        << err;
    const std::string members = read(path("envelope-members.csv"));
    EXPECT_EQ(members.substr(0, members.find('\n')),
              "member,nodes_a,nodes_b,max_tension_force,max_tension_stress,max_tension_case,"
              "max_compression_force,max_compression_stress,max_compression_case,"
              "max_utilisation,max_utilisation_criterion,max_utilisation_case");
}

TEST_F(RenderCasesTest, RefusedSetsWriteNothing)
{
    // Another truss: the bridge's live load with node 9 moved.
    std::string other = read(EXAMPLES + "bridge-live.res");
    const std::string node = "\n  9  0 0 0      8.0000     4.0000";
    ASSERT_NE(other.find(node), std::string::npos);
    other.replace(other.find(node), node.size(), "\n  9  0 0 0      8.0000     4.5000");
    std::ofstream(path("moved.res"), std::ios::binary) << other;
    std::ofstream(path("set.cases")) << "dead = " << EXAMPLES << "bridge-dead.res\nmoved = moved.res\n";
    struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    const Row rows[] = {
        {{"--cases", path("set.cases")},
         1,
         "kelvaro-render: " + path("set.cases") + ":2: '" + path("moved.res") + "' and '" + EXAMPLES +
             "bridge-dead.res' are not the same truss: node 9: coordinates (8, 4, 0) and (8, 4.5, 0)\n"},
        {{EXAMPLES + "bridge-dead.res", path("moved.res"), "--envelope"},
         1,
         "kelvaro-render: '" + path("moved.res") + "' and '" + EXAMPLES +
             "bridge-dead.res' are not the same truss: node 9: coordinates (8, 4, 0) and (8, 4.5, 0)\n"},
        {{"--combine", "1:" + EXAMPLES + "bridge-dead.res", "--combine", "1:" + EXAMPLES + "bridge-geometry.res"},
         1,
         "kelvaro-render: '" + EXAMPLES + "bridge-geometry.res' has no usable results\n"},
        {{"--cases", EXAMPLES + "bridge.cases", "--case", "ULS3"},
         2,
         "kelvaro-render: --case: 'ULS3' is not a case of '" + EXAMPLES +
             "bridge.cases' (its cases: dead, live, wind, ULS1, ULS2, SLS)\n"},
        {{"--cases", path("none.cases")},
         1,
         "kelvaro-render: cannot read '" + path("none.cases") + "': No such file or directory\n"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> arguments = row.arguments;
        for (const char* output : {"-o", "out.png"})
            arguments.push_back(output == std::string("-o") ? output : path(output));
        EXPECT_EQ(run(arguments), row.status) << row.arguments.front();
        EXPECT_EQ(err, row.error);
        EXPECT_FALSE(std::filesystem::exists(path("out.png")));
    }
    EXPECT_EQ(read(path("moved.res")), other);
    // An output that is one of the set's files is refused as a command-line fault.
    EXPECT_EQ(run({"--combine", "2:" + path("moved.res"), "--write-results", path("moved.res")}), 2);
    EXPECT_EQ(err, "kelvaro-render: the output file '" + path("moved.res") +
                       "' is one of the results files; refusing to overwrite it\n");
    EXPECT_EQ(read(path("moved.res")), other);
}

}  // namespace

// The results reader as a function of bytes: counts, free fields, fixed columns and their
// free-field form after long numbers, component order, extents and centring, scales, models beyond
// 50 members, the limits and the memory a short file may take; the outcome it returns (planar or
// spatial, the fault, what was cut, the automatic scale, the counts and the boxes in the order the
// user sees them), and a model that starts empty on every read.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "core/str.h"
#include "tests/model/results_lines.h"

class ReaderTest : public ::testing::Test {
protected:
    // An empty model with its records, as the viewer holds one before its first read.
    void SetUp() override
    {
        size_node_records(model, 0);
        size_element_records(model, 0);
    }

    // Reads lines, each ended by LF, as a results file into model.
    void load_lines(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        MemoryLineSource source(text);
        outcome = read_results(source, model);
    }

    const std::vector<ReaderMessage>& messages() const { return outcome.messages; }

    TrussModelData model;
    ReadOutcome outcome;
};

TEST_F(ReaderTest, CountsLineSplitsAtSingleSpaces)
{
    struct Case {
        const char* line;
        int nodes, elements;
    } cases[] = {
        {"3 5", 3, 5}, {" 3 5", 0, 3}, {"3  5", 3, 0}, {"3 5 7", 3, 5}, {"0 0", 0, 0}, {"-1 2", -1, 2}, {"x y", 0, 0},
    };
    for (const Case& c : cases) {
        load_lines({"title", c.line});
        EXPECT_EQ(model.node_count, c.nodes) << c.line;
        EXPECT_EQ(model.element_count, c.elements) << c.line;
    }
}

namespace {

// A complete file of a chain of `nodes` nodes and `elements` elements (element e joins nodes
// e mod nodes + 1 and (e + 1) mod nodes + 1), written as the solver does: fixed columns while the
// number fits them, free fields after a longer one.
std::vector<std::string> chain_file(int nodes, int elements)
{
    std::vector<std::string> lines = {"chain", std::to_string(nodes) + " " + std::to_string(elements)};
    for (int i = 1; i <= nodes; ++i)
        lines.push_back(std::to_string(i) + " 0 0 0 " + std::to_string(i) + " " + std::to_string(i % 7) + " 0 0 -" +
                        std::to_string(i) + " 0");
    for (int e = 1; e <= elements; ++e)
        lines.push_back(std::to_string(e) + " " + std::to_string(e % nodes + 1) + " " +
                        std::to_string((e + 1) % nodes + 1));
    lines.insert(lines.end(), {"", "NODE X-DEFL Y-DEFL Z-DEFL"});
    for (int i = 1; i <= nodes; ++i) {
        std::string x = "0.00" + std::to_string(i % 10), y = "-" + std::to_string(i) + ".0E-05";
        lines.push_back(i < 100 ? deflection_line(i, x.c_str(), y.c_str(), "0.0")
                                : std::to_string(i) + "  " + x + "   " + y + " 0.0");
    }
    lines.insert(lines.end(), {"", "ELEMENT STRESS FORCE"});
    for (int e = 1; e <= elements; ++e) {
        std::string stress = std::to_string(e) + ".5E+00", force = "-" + std::to_string(e) + ".0E+01";
        lines.push_back(e < 1000 ? result_line(e, stress.c_str(), force.c_str())
                                 : std::to_string(e) + " " + stress + "   " + force);
    }
    return lines;
}

}  // namespace

TEST_F(ReaderTest, ModelsBeyondFiftyReadInFull)
{
    // "266 1005" once read as 10 nodes and -19 elements (low 8 bits); element 1005 needs the free
    // fields after a 4-digit number, node 266 after a 3-digit one.
    load_lines(chain_file(266, 1005));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(model.node_count, 266);
    EXPECT_EQ(model.element_count, 1005);
    EXPECT_EQ(outcome.fault, ResultsFault::none);
    EXPECT_EQ(model.element_nodes[1005][1], 1005 % 266 + 1);
    EXPECT_EQ(model.element_nodes[1005][2], 1006 % 266 + 1);
    EXPECT_EQ(model.element_nodes[264][2], 266);
    EXPECT_EQ(model.element_nodes[265][2], 1) << "end node 266 joins the chain back to node 1";
    EXPECT_FLOAT_EQ(model.node_loads[3][266], -266.0f);
    EXPECT_FLOAT_EQ(model.node_coords[2][266] + model.model_centre[2], 266.0f);
    EXPECT_FLOAT_EQ(model.node_deflections[2][99], 0.009f);
    EXPECT_FLOAT_EQ(model.node_deflections[3][99], -99.0e-5f);
    EXPECT_FLOAT_EQ(model.node_deflections[2][259], 0.009f);
    EXPECT_FLOAT_EQ(model.node_deflections[3][259], -259.0e-5f);
    EXPECT_FLOAT_EQ(model.node_deflections[1][259], 0.0f);
    EXPECT_FLOAT_EQ(model.element_stress[999], 999.5f);
    EXPECT_FLOAT_EQ(model.element_force[999], -9990.0f);
    EXPECT_FLOAT_EQ(model.element_stress[1005], 1005.5f);
    EXPECT_FLOAT_EQ(model.element_force[1005], -10050.0f);
    EXPECT_EQ(model.element_result_text[1005], "005.5E+00   -1005.0E+01") << "the last 23 characters";
    EXPECT_FLOAT_EQ(model.deflection_scale, 15.0f / 0.009f);
}

TEST_F(ReaderTest, CountsBeyondTheLimitAndShortFilesAreCutWithOneWarning)
{
    struct Case {
        std::vector<std::string> lines;
        int nodes, elements;
        const char* warning;
    } cases[] = {
        // A file that ends before its count: up to 50 entries as before, then the lines it has.
        {{"t", "9999999 0", "1 0 0 0 1 0 0 0 0 0"}, 50, 0, "9999999 nodes declared but the file ends after 1"},
        {{"t", "60 1000000", "1 0 0 0 1 0 0 0 0 0"}, 50, 50, "60 nodes declared but the file ends after 1"},
        {{"t", "2 1000000", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 0 0 0 0 0", "999999 1 2", "1 1 2", "7 1 3"},
         2,
         50,
         "1000000 elements declared but the file ends after 3, 1 element numbers outside 1..50 ignored, "
         "1 unknown end nodes ignored"},
        {{"t", "0 10000001"}, 0, 50, "10000001 elements declared but the file ends after 0"},
        {{"t", "99999999999999999999 2147483648"},
         50,
         50,
         "99999999999999999999 nodes declared but the file ends after 0, 2147483648 elements declared but the "
         "file ends after 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[1]);
        load_lines(c.lines);
        EXPECT_EQ(model.node_count, c.nodes);
        EXPECT_EQ(model.element_count, c.elements);
        ASSERT_EQ(messages().size(), 2u);
        EXPECT_EQ(messages()[0].title, "Warning");
        EXPECT_NE(messages()[0].text.find(c.warning), std::string::npos) << messages()[0].text;
        EXPECT_EQ(messages()[1].title, "No Results");
        // Memory follows the lines the file has, never the declared counts.
        EXPECT_LT(model.node_coords[1].capacity(), 1000u);
        EXPECT_LT(model.element_nodes.capacity(), 1000u);
    }
}

TEST_F(ReaderTest, NodeLineFields)
{
    struct Case {
        const char* line;
        int fixity[4];
        float coords[4];  // as read, before centring (single node: centre subtracted below)
        float loads[4];
    } cases[] = {
        {"1  1 1 0  2.0 3.0 0.0  0.0 -10.0 0.0", {0, 0, 1, 1}, {0, 0.0f, 2.0f, 3.0f}, {0, 0.0f, 0.0f, -10.0f}},
        {"   1 1 1 0 2.0    3.0 0.0 0.0 -10.0 0.0   ", {0, 0, 1, 1}, {0, 0.0f, 2.0f, 3.0f}, {0, 0.0f, 0.0f, -10.0f}},
        // Five fields: everything after the last space repeats it.
        {"1 0 0 0 5.0", {0, 0, 0, 0}, {0, 5.0f, 5.0f, 5.0f}, {0, 5.0f, 5.0f, 5.0f}},
        // A tab is part of a field: "1\t1" is one field and the rest moves up by one.
        {"1 1\t1 0 2.0 3.0 0.0 0.0 -10.0 0.0", {0, 2, 1, 0}, {0, 0.0f, 3.0f, 0.0f}, {0, 0.0f, -10.0f, 0.0f}},
        // Restraint codes keep their low 8 bits.
        {"1 257 -1 200 0 0 0 0 0 0", {0, -56, 1, -1}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        load_lines({"t", "1 0", c.line});
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(model.node_fixity[k][1], c.fixity[k]) << c.line << " k=" << k;
            EXPECT_NEAR(model.node_coords[k][1] + model.model_centre[k], c.coords[k], 1e-5) << c.line << " k=" << k;
            EXPECT_FLOAT_EQ(model.node_loads[k][1], c.loads[k]) << c.line << " k=" << k;
        }
    }
}

TEST_F(ReaderTest, ExtentsAlwaysIncludeZero)
{
    // x from 4 to 10 centres like x from 0 to 10; z (component 1) gets the negative offset.
    load_lines({"t", "2 0", "1 0 0 0 4 0 -2 0 0 0", "2 0 0 0 10 0 3 0 0 0"});
    EXPECT_FLOAT_EQ(model.coord_max[2], 10.000001f);
    EXPECT_FLOAT_EQ(model.coord_min[2], 0.0f);
    EXPECT_NEAR(model.model_centre[2], 5.0f, 1e-5);
    EXPECT_FLOAT_EQ(model.coord_max[1], 3.0f - 0.000001f);
    EXPECT_FLOAT_EQ(model.coord_min[1], -2.0f);
    EXPECT_FLOAT_EQ(model.coord_max[3], 0.0f);
    // Loads are not shifted.
    EXPECT_FLOAT_EQ(model.node_loads[1][1], 0.0f);
}

TEST_F(ReaderTest, ElementLinesAddressTheirEntries)
{
    struct Case {
        const char* line;
        int element, first, second;
    } cases[] = {
        {"2 3 4", 2, 3, 4}, {"2 3.0 4.0", 2, 3, 4},      {"2 2.5 3.5", 2, 2, 4},
        {"2 3", 2, 3, 3},   {"  4   1    5  ", 4, 1, 5}, {"2 3.0E+00 4", 2, 3, 4},
    };
    std::vector<std::string> nodes = {"t", "5 1"};
    for (int i = 1; i <= 5; ++i)
        nodes.push_back(std::to_string(i) + " 0 0 0 " + std::to_string(i) + " 0 0 0 0 0");
    for (const Case& c : cases) {
        std::vector<std::string> lines = nodes;
        lines.push_back(c.line);
        load_lines(lines);
        EXPECT_EQ(model.element_nodes[c.element][1], c.first) << c.line;
        EXPECT_EQ(model.element_nodes[c.element][2], c.second) << c.line;
    }
    // Any order; a repeated number keeps the later line.
    std::vector<std::string> lines = nodes;
    lines[1] = "5 3";
    lines.insert(lines.end(), {"3 1 2", "1 4 5", "3 2 5"});
    load_lines(lines);
    EXPECT_EQ(model.element_nodes[1][1], 4);
    EXPECT_EQ(model.element_nodes[3][1], 2);
    EXPECT_EQ(model.element_nodes[3][2], 5);
}

TEST_F(ReaderTest, UnknownElementNumbersAndEndNodesAreNeverStored)
{
    model.element_nodes[2][1] = 7;
    load_lines({"t", "3 4", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 0 0 0 0 0", "3 0 0 0 1 1 0 0 0 0", "51 1 2", "0 1 2",
                "2 0 3", "1 99 2"});
    EXPECT_EQ(model.element_nodes[2][1], 0) << "end node 0 is no node";
    EXPECT_EQ(model.element_nodes[2][2], 3);
    EXPECT_EQ(model.element_nodes[1][1], 0) << "end node 99 is beyond node_count";
    EXPECT_EQ(model.element_nodes[1][2], 2);
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].title, "Warning");
    EXPECT_NE(messages()[0].text.find("2 element numbers outside 1..50"), std::string::npos);
    EXPECT_NE(messages()[0].text.find("2 unknown end nodes"), std::string::npos);
    EXPECT_EQ(messages()[1].title, "No Results");
}

TEST_F(ReaderTest, AFileEndingInsideTheGeometryOnlyReportsNoResults)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"ends inside the node lines", {"t", "3 2", "1 0 0 0 0 0 0 0 0 0"}},
        {"ends inside the element lines", {"t", "2 3", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 4 0 0 0 0 0", "1 1 2"}},
    };
    for (const Case& c : cases) {
        load_lines(c.lines);
        ASSERT_EQ(messages().size(), 1u) << c.name << ": lines the file lacks are no bad numbers";
        EXPECT_EQ(messages()[0].title, "No Results") << c.name;
        EXPECT_NE(outcome.fault, ResultsFault::none) << c.name;
    }
}

TEST_F(ReaderTest, DeflectionAndResultColumns)
{
    std::vector<std::string> lines = {"t", "2 1", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 4 0 0 0 0 0", "5 1 2", "", ""};
    lines.push_back("1 " + std::string("      0.0100") + "9" + "     -0.0050" + "      0.0020" + "999");
    lines.push_back("2   0.003");  // shorter than 39 characters: the missing columns are 0
    lines.push_back("");
    lines.push_back("");
    lines.push_back("   5   -1.234E+02   -6.170E+02   ");
    load_lines(lines);
    EXPECT_FLOAT_EQ(model.node_deflections[2][1], 0.01f);
    EXPECT_FLOAT_EQ(model.node_deflections[3][1], -0.005f) << "column 15 is not read";
    EXPECT_FLOAT_EQ(model.node_deflections[1][1], 0.002f) << "nothing after column 39 is read";
    EXPECT_FLOAT_EQ(model.node_deflections[2][2], 0.003f);
    EXPECT_FLOAT_EQ(model.node_deflections[3][2], 0.0f);
    EXPECT_FLOAT_EQ(model.element_stress[5], -123.4f);
    EXPECT_FLOAT_EQ(model.element_force[5], -617.0f);
    EXPECT_EQ(model.element_result_text[5], "-1.234E+02   -6.170E+02");
    EXPECT_FLOAT_EQ(model.deflection_scale, 1500.0f);
}

TEST_F(ReaderTest, EveryLoadStartsFromAnEmptyModel)
{
    load_lines(triangle_file());
    ASSERT_FALSE(model.element_result_text[3].empty());
    // Two nodes, elements 1 and 3 with 2 missing, no results: nothing of the triangle is left.
    load_lines({"t", "2 3", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 4 0 0 0 0 0", "1 1 2", "3 2 1", "3 1 2"});
    EXPECT_EQ(model.element_nodes[2][1], 0) << "a missing element number draws nothing";
    EXPECT_EQ(model.element_nodes[2][2], 0);
    EXPECT_EQ(model.element_nodes[3][1], 1) << "a repeated number keeps the later line";
    EXPECT_TRUE(model.element_result_text[3].empty());
    EXPECT_EQ(model.element_stress[2], 0.0f);
    EXPECT_EQ(model.node_deflections[3][3], 0.0f);
    EXPECT_EQ(model.node_coords[3][3], 0.0f);
}

TEST_F(ReaderTest, AllLoadsZeroGiveAnInfiniteLoadScaleQuietly)
{
    std::vector<std::string> lines = triangle_file();
    lines[4] = "3 0 0 0 5.0 5.0 0.0 0.0 0.0 0.0";
    load_lines(lines);
    EXPECT_TRUE(std::isinf(model.load_scale));
    EXPECT_TRUE(messages().empty());
}

TEST_F(ReaderTest, ReadsAFixedNumberOfLinesAndIgnoresTheRest)
{
    std::vector<std::string> lines = triangle_file();
    lines.push_back("4 junk that is never read");
    lines.push_back("1 0 0 0 99 99 99 99 99 99");
    load_lines(lines);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(model.element_result_text[3], str_right(str_trim(result_line(3, "3.000E+02", "1.500E+03")), 23));
}

TEST_F(ReaderTest, NonFiniteNumbersDoNotSpoilTheScalesOrTheCentre)
{
    load_lines({"t", "3 0", "1 0 0 0 0 0 0 0 NaN 0", "2 0 0 0 1e39 0 0 0 -1e39 0", "3 0 0 0 10 4 0 0 -50 0", "", "",
                deflection_line(1, "NaN", "0", "0"), deflection_line(2, "1e39", "0", "0"),
                deflection_line(3, "0.02", "0", "0")});
    EXPECT_NEAR(model.model_centre[2], 5.0f, 1e-5);
    EXPECT_FLOAT_EQ(model.max_load, 50.0f);
    EXPECT_FLOAT_EQ(model.max_deflection, 0.02f);
    EXPECT_FLOAT_EQ(model.deflection_scale, 750.0f);
    EXPECT_FALSE(std::isfinite(model.node_coords[2][2]));
}

TEST_F(ReaderTest, OutcomeSaysWhatTheWindowShows)
{
    const ReaderMessage no_results = {"No Results", "Truss Solver Results not found"};
    const ReaderMessage bad_results = {"Error in Results", "Error in reading Truss Solver Results"};
    const std::string cut = "Results file cut down: 60 nodes declared but the file ends after 1";
    const std::vector<std::string> complete = triangle_file();
    std::vector<std::string> spatial = complete, no_deflections(complete.begin(), complete.begin() + 13),
                             bad_numbers = complete;
    spatial[4] = "3 0 0 0 5.0 5.0 -2.5 0.0 -1000.0 0.0";
    no_deflections[11] = deflection_line(2, "0", "0", "0");
    no_deflections[12] = deflection_line(3, "0", "0", "0");
    bad_numbers[7] = "51 3 1";
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool spatial;
        ResultsFault fault;
        float scale;  // 0: no automatic scale
        int nodes, elements;
        std::string cut_text;
        std::vector<ReaderMessage> messages;
    } cases[] = {
        {"complete", complete, false, ResultsFault::none, 1500.0f, 3, 3, "", {}},
        {"spatial", spatial, true, ResultsFault::none, 1500.0f, 3, 3, "", {}},
        {"ends after the elements",
         {complete.begin(), complete.begin() + 8},
         false,
         ResultsFault::missing,
         0,
         3,
         3,
         "",
         {no_results}},
        {"zero deflections", no_deflections, false, ResultsFault::unreadable, 0, 3, 3, "", {bad_results}},
        {"cut and no results",
         {"t", "60 0", "1 0 0 0 1 0 4 0 0 0"},
         true,
         ResultsFault::missing,
         0,
         50,
         0,
         cut,
         {{"Warning", cut}, no_results}},
        {"cut with results",
         bad_numbers,
         false,
         ResultsFault::none,
         1500.0f,
         3,
         3,
         "Results file cut down: 1 element numbers outside 1..50 ignored",
         {{"Warning", "Results file cut down: 1 element numbers outside 1..50 ignored"}}},
        {"empty file", {}, false, ResultsFault::missing, 0, 0, 0, "", {no_results}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load_lines(c.lines);
        EXPECT_EQ(outcome.spatial, c.spatial);
        EXPECT_EQ(outcome.fault, c.fault);
        EXPECT_EQ(outcome.deflection_scale_found, c.scale != 0.0f);
        EXPECT_FLOAT_EQ(outcome.deflection_scale, c.scale);
        EXPECT_FLOAT_EQ(model.deflection_scale, c.scale);
        EXPECT_EQ(outcome.nodes, c.nodes);
        EXPECT_EQ(outcome.elements, c.elements);
        EXPECT_EQ(model.node_count, c.nodes);
        EXPECT_EQ(outcome.cut_text, c.cut_text);
        ASSERT_EQ(messages().size(), c.messages.size());
        for (std::size_t m = 0; m < c.messages.size(); ++m) {
            EXPECT_EQ(messages()[m].title, c.messages[m].title);
            EXPECT_EQ(messages()[m].text, c.messages[m].text);
        }
    }
}

TEST_F(ReaderTest, DeclaredCountsAreKeptAsWrittenBesideTheCut)
{
    load_lines({"t", "99999999999 -7"});
    EXPECT_EQ(outcome.declared_nodes, 99999999999);
    EXPECT_EQ(outcome.declared_elements, -7);
    EXPECT_EQ(outcome.nodes, 50);
    EXPECT_EQ(outcome.elements, -7);
    EXPECT_EQ(usable_element_count(model), 0);
}

TEST_F(ReaderTest, EveryReadKeepsTheDeflectionFactorAndNothingElse)
{
    load_lines(triangle_file());
    model.deflection_factor = 1.2f;
    const std::vector<std::string> lines = triangle_file();
    load_lines({lines.begin(), lines.begin() + 13});
    EXPECT_FLOAT_EQ(outcome.deflection_scale, 3000.0f) << "twice the factor, twice the scale";
    EXPECT_FLOAT_EQ(model.deflection_factor, 1.2f);
    EXPECT_TRUE(model.element_result_text[3].empty()) << "nothing of the earlier read is left";
    EXPECT_EQ(model.node_coords[1].size(), static_cast<std::size_t>(MIN_ENTRIES));
    EXPECT_EQ(usable_node_count(model), 3);
}

// The results reader as a function of bytes: the outcome it returns (planar or spatial, the
// fault, what was cut, the automatic scale, the counts and the boxes in the order the user sees
// them), and a model that starts empty on every read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

namespace {

std::string text_of(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

ReadOutcome read_text(const std::string& text, TrussModelData& model)
{
    MemoryLineSource source(text);
    return read_results(source, model);
}

// A planar triangle with its results; z_of_node_3 makes it spatial when not "0.0".
std::vector<std::string> triangle(const char* z_of_node_3 = "0.0")
{
    return {"Triangle",
            "3 3",
            "1 1 1 1 0.0 0.0 0.0 0.0 0.0 0.0",
            "2 0 1 0 10.0 0.0 0.0 0.0 0.0 0.0",
            std::string("3 0 0 0 5.0 5.0 ") + z_of_node_3 + " 0.0 -1000.0 0.0",
            "1 1 2",
            "2 2 3",
            "3 3 1",
            "",
            "NODE   X-DEFL        Y-DEFL      Z-DEFL",
            "1         0.0          0.0         0.0",
            "2       0.005          0.0         0.0",
            "3       0.002        -0.01         0.0",
            "",
            "ELEMENT  STRESS  FORCE",
            "1   -1.000E+02      -5.000E+02",
            "2    2.000E+02       1.000E+03",
            "3    3.000E+02       1.500E+03"};
}

std::vector<std::string> first_lines(std::vector<std::string> lines, std::size_t count)
{
    lines.resize(count);
    return lines;
}

}  // namespace

TEST(ResultsReaderTest, OutcomeSaysWhatTheWindowShows)
{
    const ReaderMessage no_results = {"No Results", "Truss Solver Results not found"};
    const ReaderMessage bad_results = {"Error in Results", "Error in reading Truss Solver Results"};
    const std::string cut = "Results file cut down: 60 nodes declared but the file ends after 1";
    std::vector<std::string> zero_deflections = first_lines(triangle(), 13);
    zero_deflections[11] = "2 0 0 0";
    zero_deflections[12] = "3 0 0 0";
    std::vector<std::string> bad_numbers = triangle();
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
        {"complete", triangle(), false, ResultsFault::none, 1500.0f, 3, 3, "", {}},
        {"spatial", triangle("-2.5"), true, ResultsFault::none, 1500.0f, 3, 3, "", {}},
        {"ends after the elements",
         first_lines(triangle(), 8),
         false,
         ResultsFault::missing,
         0,
         3,
         3,
         "",
         {no_results}},
        {"zero deflections", zero_deflections, false, ResultsFault::unreadable, 0, 3, 3, "", {bad_results}},
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
        TrussModelData model;
        const ReadOutcome outcome = read_text(text_of(c.lines), model);
        EXPECT_EQ(outcome.spatial, c.spatial);
        EXPECT_EQ(outcome.fault, c.fault);
        EXPECT_EQ(outcome.deflection_scale_found, c.scale != 0.0f);
        EXPECT_FLOAT_EQ(outcome.deflection_scale, c.scale);
        EXPECT_FLOAT_EQ(model.deflection_scale, c.scale);
        EXPECT_EQ(outcome.nodes, c.nodes);
        EXPECT_EQ(outcome.elements, c.elements);
        EXPECT_EQ(model.node_count, c.nodes);
        EXPECT_EQ(outcome.cut_text, c.cut_text);
        ASSERT_EQ(outcome.messages.size(), c.messages.size());
        for (std::size_t m = 0; m < c.messages.size(); ++m) {
            EXPECT_EQ(outcome.messages[m].title, c.messages[m].title);
            EXPECT_EQ(outcome.messages[m].text, c.messages[m].text);
        }
    }
}

TEST(ResultsReaderTest, DeclaredCountsAreKeptAsWrittenBesideTheCut)
{
    TrussModelData model;
    const ReadOutcome outcome = read_text("t\n99999999999 -7\n", model);
    EXPECT_EQ(outcome.declared_nodes, 99999999999);
    EXPECT_EQ(outcome.declared_elements, -7);
    EXPECT_EQ(outcome.nodes, 50);
    EXPECT_EQ(outcome.elements, -7);
    EXPECT_EQ(usable_element_count(model), 0);
}

TEST(ResultsReaderTest, EveryReadStartsFromAnEmptyModelKeepingItsDeflectionFactor)
{
    TrussModelData model;
    read_text(text_of(triangle()), model);
    ASSERT_EQ(model.element_result_text[3], "000E+02       1.500E+03") << "the last 23 characters";
    model.deflection_factor = 1.2f;
    const ReadOutcome outcome = read_text(text_of(first_lines(triangle(), 13)), model);
    EXPECT_FLOAT_EQ(outcome.deflection_scale, 3000.0f) << "twice the factor, twice the scale";
    EXPECT_FLOAT_EQ(model.deflection_factor, 1.2f);
    EXPECT_TRUE(model.element_result_text[3].empty()) << "nothing of the earlier read is left";
    EXPECT_EQ(model.element_stress[2], 0.0f);
    EXPECT_EQ(model.node_coords[1].size(), static_cast<std::size_t>(MIN_ENTRIES));
    EXPECT_EQ(usable_node_count(model), 3);
}

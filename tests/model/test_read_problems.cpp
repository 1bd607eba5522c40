// What the reader says is wrong with a file: each kind of damage named at its line, the values it
// could not take missing (never 0) in the numbers, complete files without a word, and the list's
// bound.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/inspect.h"
#include "app/model/line_source.h"
#include "app/model/read_problems.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "tests/model/results_lines.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Read {
    TrussModelData model;
    ReadOutcome outcome;
    ModelNumbers numbers;
};

Read read_text(const std::string& text)
{
    Read read;
    MemoryLineSource source(text);
    read.outcome = read_results(source, read.model);
    read.numbers = compute_model_numbers(read.model, read.outcome.fault == ResultsFault::none);
    return read;
}

// True when the outcome lists a problem at line whose text contains part.
bool has_problem(const ReadOutcome& outcome, std::int64_t line, const std::string& part)
{
    for (const ReadProblem& problem : outcome.problems)
        if (problem.line == line && problem.text.find(part) != std::string::npos)
            return true;
    return false;
}

std::string listed(const ReadOutcome& outcome)
{
    std::string out;
    for (const ReadProblem& problem : outcome.problems)
        out += std::to_string(problem.line) + ": " + problem.text + "\n";
    return out;
}

}  // namespace

TEST(ReadProblems, CompleteFilesHaveNone)
{
    for (const char* name : {"bridge.res", "roof.res", "tower.res", "bridge-geometry.res"}) {
        const Read read = read_text(file_bytes(EXAMPLES + name));
        EXPECT_EQ(read.outcome.problem_count, 0) << name << "\n" << listed(read.outcome);
        EXPECT_TRUE(read.model.node_missing.empty() && read.model.element_missing.empty()) << name;
    }
    const Read triangle = read_text(joined(triangle_file()));
    EXPECT_EQ(triangle.outcome.problem_count, 0) << listed(triangle.outcome);
}

// Each kind of damage, made to the triangle file (lines 1-2 title and counts, 3-5 nodes, 6-8
// members, 11-13 deflections, 16-18 results): the problem at its line, and what became missing.
TEST(ReadProblems, EachDamageIsNamedAtItsLine)
{
    using Edit = std::function<void(std::vector<std::string>&)>;
    struct Case {
        const char* what;
        Edit edit;
        std::int64_t line;
        const char* text;
        std::function<bool(const ModelNumbers&)> missing;  // what the numbers must no longer know
    } cases[] = {
        {"results cut", [](auto& l) { l.resize(16); }, 17, "the member results end after 1 of 3 lines",
         [](const ModelNumbers& n) { return !n.members[2].force_known && std::isnan(n.members[3].force); }},
        {"negative member count", [](auto& l) { l[1] = "3 -1"; }, 2, "the member count is negative: \"-1\"", nullptr},
        {"hex float coordinate", [](auto& l) { l[3] = "2 0 1 0 0x1p3 0.0 0.0 0.0 0.0 0.0"; }, 4,
         "node 2: x coordinate is not a number: \"0x1p3\"",
         [](const ModelNumbers& n) {
             return std::isnan(n.nodes[2].coordinates[0]) && std::isnan(n.members[1].length);
         }},
        {"inf load", [](auto& l) { l[4] = "3 0 0 0 5.0 5.0 0.0 0.0 inf 0.0"; }, 5,
         "node 3: y load is not a number: \"inf\"", [](const ModelNumbers& n) { return std::isnan(n.load_sum[1]); }},
        {"comma in a force", [](auto& l) { l[16] = result_line(2, "2.000E+02", "1,5"); }, 17,
         "member 2: force is not a number: \"1,5\"",
         [](const ModelNumbers& n) {
             return !n.members[2].force_known && n.max_tension.index == 3 &&
                    member_tooltip(n, 2).ends_with("\nforce missing");
         }},
        {"comma in a deflection", [](auto& l) { l[11] = deflection_line(2, "0,005", "0.0", "0.0"); }, 12,
         "node 2: x deflection is not a number: \"0,005\"",
         [](const ModelNumbers& n) { return !n.nodes[2].deflection_known && n.max_deflection.index == 3; }},
        {"nan coordinate", [](auto& l) { l[4] = "3 0 0 0 nan 5.0 0.0 0.0 -1000.0 0.0"; }, 5,
         "node 3: x coordinate is not a number: \"nan\"",
         [](const ModelNumbers& n) { return std::isnan(n.members[2].length) && !n.nodes[1].reaction_known; }},
        {"overflowing force", [](auto& l) { l[15] = result_line(1, "-1.000E+02", "-5.0E+99"); }, 16,
         "member 1: force is not finite: \"-5.0E+99\"",
         [](const ModelNumbers& n) { return n.max_compression.index == 0 && std::isnan(n.residual_share); }},
        {"repeated member", [](auto& l) { l[6] = "1 2 3"; }, 7, "member 1 is listed again", nullptr},
        {"missing member", [](auto& l) { l[6] = "1 2 3"; }, 0, "no line for members 2", nullptr},
        {"repeated results", [](auto& l) { l[16] = result_line(1, "1.0", "1.0"); }, 17,
         "the results of member 1 are listed again",
         [](const ModelNumbers& n) { return !n.members[2].force_known && n.members[1].force_known; }},
        {"end node outside", [](auto& l) { l[7] = "3 3 4"; }, 8, "member 3: end node 4 is not one of the nodes 1..3",
         nullptr},
        {"NUL in a number", [](auto& l) { l[2] = std::string("1 1 1 1 0.0 0.0 0.0 0.0\0 0.0 0.0", 30); }, 3,
         "a NUL byte ends the line early", nullptr},
        {"control byte", [](auto& l) { l[5] = "1 1\x01 2"; }, 6, "control byte \"\\x01\"", nullptr},
        {"short node line", [](auto& l) { l[4] = "3 0 0 0 5.0 5.0"; }, 5,
         "node 3: z coordinate is missing; x load is missing; y load is missing; z load is missing",
         [](const ModelNumbers& n) { return std::isnan(n.nodes[3].load[1]); }},
        {"node line out of step", [](auto& l) { l[3] = "7 0 1 0 10.0 0.0 0.0 0.0 0.0 0.0"; }, 4,
         "the line of node 2 is numbered \"7\"", nullptr},
        {"coinciding nodes",
         [](auto& l) {
             for (int i = 2; i <= 4; ++i)
                 l[i] = std::to_string(i - 1) + " 0 0 0 1.5 1.5 1.5 0.0 0.0 0.0";
         },
         0, "all 3 nodes lie at one point", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines = triangle_file();
        c.edit(lines);
        const Read read = read_text(joined(lines));
        EXPECT_TRUE(has_problem(read.outcome, c.line, c.text)) << listed(read.outcome);
        EXPECT_GE(read.outcome.problem_count, 1);
        if (c.missing) {
            EXPECT_TRUE(c.missing(read.numbers));
        }
    }
}

TEST(ReadProblems, ExampleFilesCutShort)
{
    // The last 300 lines of the roof's 800 member results cut off: no box, as ever, but said.
    std::vector<std::string> roof = file_lines(EXAMPLES + "roof.res");
    const std::size_t complete = roof.size();
    roof.resize(complete - 300);
    Read read = read_text(joined(roof));
    EXPECT_TRUE(read.outcome.messages.empty());
    EXPECT_EQ(read.outcome.fault, ResultsFault::none);
    EXPECT_TRUE(has_problem(read.outcome, static_cast<std::int64_t>(complete - 299),
                            "the member results end after 500 of 800 lines"))
        << listed(read.outcome);
    EXPECT_TRUE(has_problem(read.outcome, 0, "no results for members 501, 502")) << listed(read.outcome);
    EXPECT_TRUE(read.numbers.members[500].force_known);
    EXPECT_FALSE(read.numbers.members[501].force_known);
    EXPECT_FALSE(read.numbers.members[800].force_known);
    EXPECT_TRUE(std::isnan(read.numbers.residual_share)) << "no equilibrium check from missing forces";

    // Cut in the middle of node 6's x deflection ("5.2552E-05" becomes "5.2"): the cut line and
    // every later node lose their deflections, and the largest deflection is not the cut value.
    std::string bridge = file_bytes(EXAMPLES + "roof.res");
    const std::size_t node6 = bridge.find("\n 6 ", bridge.find("No          dx"));
    ASSERT_NE(node6, std::string::npos);
    bridge.resize(node6 + 1 + 7);
    read = read_text(bridge);
    EXPECT_TRUE(has_problem(read.outcome, 1031, "node 6: y deflection is missing; z deflection is missing"))
        << listed(read.outcome);
    EXPECT_TRUE(has_problem(read.outcome, 1032, "the deflections end after 6 of 221 lines"));
    EXPECT_EQ(read.outcome.problem_count, 3) << "the file's end is said once\n" << listed(read.outcome);
    EXPECT_FALSE(read.numbers.nodes[6].deflection_known);
    EXPECT_FALSE(read.numbers.nodes[7].deflection_known);
    EXPECT_TRUE(read.numbers.nodes[5].deflection_known);
    EXPECT_LE(read.numbers.max_deflection.index, 5);
    EXPECT_LT(read.numbers.max_deflection.value, 0.01);
}

TEST(ReadProblems, TheListIsBoundedButTheCountIsNot)
{
    // 2000 node lines of one word each: one problem a line, of ten parts (number, three codes, six
    // values) as far as its text has room.
    std::string text = "t\n2000 0\n";
    for (int i = 0; i < 2000; ++i)
        text += "x\n";
    const Read read = read_text(text);
    EXPECT_EQ(read.outcome.problems.size(), MAX_LISTED_PROBLEMS);
    EXPECT_EQ(read.outcome.problem_count, 2000);
    const ReadProblem& first = read.outcome.problems.front();
    EXPECT_EQ(first.line, 3);
    EXPECT_EQ(first.text.rfind("the line of node 1 is numbered \"x\"; node 1: x restraint code is missing; y restraint "
                               "code is missing; ",
                               0),
              0u)
        << first.text;
    EXPECT_TRUE(first.text.ends_with("; ...")) << first.text;
    EXPECT_LT(first.text.size(), ProblemList::MAX_PROBLEM_TEXT + 80);
}

TEST(ReadProblems, NumberSyntax)
{
    struct Case {
        const char* text;
        bool integer, real;
    } cases[] = {
        {"12", true, true},    {"-3", true, true},        {"+0", true, true},          {"1.5", false, true},
        {".5", false, true},   {"5.", false, true},       {"-1.000E+02", false, true}, {"1e9", false, true},
        {"", false, false},    {"-", false, false},       {".", false, false},         {"1e", false, false},
        {"1e+", false, false}, {"0x1p3", false, false},   {"inf", false, false},       {"NaN", false, false},
        {"1,5", false, false}, {"1.0D+02", false, false}, {"$1F", false, false},       {"1 2", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_decimal_integer(c.text), c.integer) << c.text;
        EXPECT_EQ(is_decimal_real(c.text), c.real) << c.text;
    }
    EXPECT_EQ(quoted_field(std::string(45, 'a')), "\"" + std::string(40, 'a') + "...\"");
}

TEST(ReadProblems, PartsOfOneLineJoinWithoutARepeatedSubject)
{
    // Each case: the parts found on one line, in order; fixed texts come as views, made ones as strings.
    struct Case {
        std::vector<std::string> parts;
        const char* joined;
    } cases[] = {
        {{"node 1: a", "node 1: b", "node 1: c"}, "node 1: a; b; c"},
        {{"node 1: a", "member 2: b", "member 2: c", "node 1: d"}, "node 1: a; member 2: b; c; node 1: d"},
        {{"=fixed", "node 1: a", "node 1: b"}, "fixed; node 1: a; b"},
        {{"node 1: a", "=fixed", "node 1: b"}, "node 1: a; fixed; node 1: b"},
    };
    for (const Case& c : cases) {
        ReadOutcome outcome;
        ProblemList list(outcome);
        for (const std::string& part : c.parts) {
            if (part.starts_with('='))
                list.add(7, [&] { return std::string_view(part).substr(1); });
            else
                list.add(7, [&] { return part; });
        }
        list.add(8, [] { return std::string_view("next"); });
        ASSERT_EQ(outcome.problems.size(), 2u);
        EXPECT_EQ(outcome.problems[0].text, c.joined);
        EXPECT_EQ(outcome.problem_count, 2);
    }
}

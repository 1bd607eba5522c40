// Load cases: a hand-checked set of three cases of one triangle and its envelope, combinations
// against the factored files, trusses that differ, and every fault of a combinations file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "app/model/checks.h"
#include "app/model/envelope.h"
#include "app/model/line_source.h"
#include "app/model/load_cases.h"
#include "tests/model/results_lines.h"

namespace {

// A triangle without symmetry: node 1 (0, 0) pinned in x, y and z, node 2 (10, 0) restrained in y,
// node 3 (5, 5) loaded. Members 1: 1-2, 2: 2-3, 3: 3-1. Each case gives node 2's and node 3's
// deflections and the three forces (stresses a tenth of them).
struct CaseFile {
    const char* node2[3];
    const char* node3[3];
    const char* forces[3];
    const char* stresses[3];
    const char* node3_y = "5.0";
};

// The triangle of triangle_file() with the case's node 3 height, deflections and results.
std::string triangle(const CaseFile& c)
{
    std::vector<std::string> lines = triangle_file();
    lines[4] = std::string("3 0 0 0 5.0 ") + c.node3_y + " 0.0 0.0 -1000.0 0.0";
    lines[11] = deflection_line(2, c.node2[0], c.node2[1], c.node2[2]);
    lines[12] = deflection_line(3, c.node3[0], c.node3[1], c.node3[2]);
    for (int e = 0; e < 3; ++e)
        lines[15 + e] = result_line(e + 1, c.stresses[e], c.forces[e]);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// dead: member 2 pulls, live: member 2 pushes (it changes sign); member 1 pushes in every case.
const CaseFile DEAD = {{"0.005", "0.0", "0.0"},
                       {"0.002", "-0.01", "0.0"},
                       {"-5.000E+02", "1.000E+03", "1.500E+03"},
                       {"-5.000E+01", "1.000E+02", "1.500E+02"}};
const CaseFile LIVE = {{"0.001", "0.0", "0.0"},
                       {"0.0", "-0.02", "0.0"},
                       {"-2.000E+02", "-3.000E+02", "1.000E+02"},
                       {"-2.000E+01", "-3.000E+01", "1.000E+01"}};
const CaseFile WIND = {{"0.0", "0.0", "0.0"},
                       {"0.004", "0.0", "0.0"},
                       {"-1.000E+02", "4.000E+02", "-5.000E+01"},
                       {"-1.000E+01", "4.000E+01", "-5.000E+00"}};

const std::string FOLDER = "/cases/";

// The files the sets read, by path; any other path cannot be opened.
std::map<std::string, std::string> files()
{
    CaseFile other = DEAD;
    other.node3_y = "5.5";
    return {{FOLDER + "dead.res", triangle(DEAD)},
            {FOLDER + "live.res", triangle(LIVE)},
            {FOLDER + "wind.res", triangle(WIND)},
            {FOLDER + "other.res", triangle(other)},
            {FOLDER + "bare.res",
             "Triangle\n3 3\n1 1 1 1 0 0 0 0 0 0\n2 0 1 0 10 0 0 0 0 0\n3 0 0 0 5 5 0 0 0 0\n"
             "1 1 2\n2 2 3\n3 3 1\n"}};
}

CaseFileReader memory_reader()
{
    return [all = files()](const std::string& path, TrussModelData& model, ReadOutcome& outcome) -> std::string {
        const auto found = all.find(path);
        if (found == all.end())
            return std::strerror(ENOENT);
        MemoryLineSource source(found->second);
        outcome = read_results(source, model);
        return {};
    };
}

const char* const BRIDGE_CASES =
    "# load cases of the triangle\n"
    "dead = dead.res\n"
    "live = live.res   # imposed\n"
    "wind = \"wind.res\"\n"
    "ULS1 = 1.35 dead + 1.5 live\n"
    "SLS = dead + live\n"
    "X = 2 * SLS - live\n";

LoadCaseSet read_set(const std::string& text)
{
    LoadCaseSet set;
    std::string error;
    EXPECT_TRUE(read_case_set(text, FOLDER + "bridge.cases", memory_reader(), set, error)) << error;
    return set;
}

Envelope envelope_of(const LoadCaseSet& set, std::size_t count)
{
    std::vector<const ModelNumbers*> numbers;
    for (std::size_t c = 0; c < count; ++c)
        numbers.push_back(&set.cases[c].numbers);
    return compute_envelope(numbers);
}

TEST(LoadCasesTest, CombinationsFileNamesFilesAndCombinationsInItsOrder)
{
    const LoadCaseSet set = read_set(BRIDGE_CASES);
    ASSERT_EQ(set.cases.size(), 6u);
    const char* names[] = {"dead", "live", "wind", "ULS1", "SLS", "X"};
    for (std::size_t c = 0; c < set.cases.size(); ++c)
        EXPECT_EQ(set.cases[c].name, names[c]);
    EXPECT_EQ(set.cases[2].path, FOLDER + "wind.res");
    EXPECT_EQ(set.cases[4].line, 6);
    EXPECT_EQ(case_title(set.cases[3]), "ULS1 = 1.35 dead + 1.5 live");
    EXPECT_EQ(set.cases[3].model.title_line, "ULS1 = 1.35 dead + 1.5 live");
    EXPECT_EQ(case_title(set.cases[0]), "Triangle");
}

TEST(LoadCasesTest, CombinationIsTheFactoredSumOfItsFiles)
{
    const LoadCaseSet set = read_set(BRIDGE_CASES);
    // {case, member forces, node 3's deflection x and y, node 3's load y}
    struct Expected {
        int index;
        double forces[3];
        double deflection[2];
        double load_y;
    };
    const Expected table[] = {
        {3, {-975, 900, 2175}, {0.0027, -0.0435}, -2850},  // 1.35 dead + 1.5 live
        {4, {-700, 700, 1600}, {0.002, -0.03}, -2000},     // dead + live
        {5, {-1200, 1700, 3100}, {0.004, -0.04}, -3000},   // 2 (dead + live) - live = 2 dead + live
    };
    for (const Expected& row : table) {
        const LoadCase& c = set.cases[row.index];
        SCOPED_TRACE(c.name);
        for (int e = 1; e <= 3; ++e) {
            EXPECT_NEAR(c.numbers.members[e].force, row.forces[e - 1], 1e-3);
            EXPECT_NEAR(c.numbers.members[e].stress, row.forces[e - 1] / 10, 1e-3);
        }
        EXPECT_NEAR(c.numbers.nodes[3].deflection[0], row.deflection[0], 1e-7);
        EXPECT_NEAR(c.numbers.nodes[3].deflection[1], row.deflection[1], 1e-7);
        EXPECT_NEAR(c.numbers.nodes[3].load[1], row.load_y, 1e-3);
        EXPECT_FLOAT_EQ(c.model.max_load, static_cast<float>(-row.load_y));
        // The automatic scale comes from the combination's own largest deflection.
        EXPECT_FLOAT_EQ(c.model.deflection_scale, 25.0f / static_cast<float>(-row.deflection[1]) * 0.6f);
    }
    EXPECT_EQ(set.cases[3].model.element_result_text[2], " 9.000E+01    9.000E+02");
    // The files themselves are kept as read; the combination's numbers balance as a file's do.
    EXPECT_NEAR(set.cases[0].numbers.members[3].force, 1500, 1e-3);
    EXPECT_NEAR(set.cases[3].numbers.nodes[1].reaction[0], -(-975 + 2175 / std::sqrt(2.0)), 1e-2);
}

TEST(LoadCasesTest, EnvelopeOfThreeCasesByHand)
{
    const LoadCaseSet set = read_set(BRIDGE_CASES);
    const Envelope envelope = envelope_of(set, 3);  // dead, live, wind
    ASSERT_EQ(envelope.members.size(), 4u);
    // {member, tension, its case, compression, its case, governing}
    struct Row {
        int member;
        double tension;
        int tension_case;
        double compression;
        int compression_case;
        double governing;
    };
    const Row rows[] = {
        {1, 0, NO_CASE, -500, 0, -500},  // in no case in tension
        {2, 1000, 0, -300, 1, 1000},     // changes sign between dead and live
        {3, 1500, 0, -50, 2, 1500},
    };
    for (const Row& row : rows) {
        const MemberEnvelope& m = envelope.members[row.member];
        SCOPED_TRACE(row.member);
        EXPECT_EQ(m.tension.case_index, row.tension_case);
        EXPECT_NEAR(m.tension.force, row.tension, 1e-3);
        EXPECT_EQ(m.compression.case_index, row.compression_case);
        EXPECT_NEAR(m.compression.force, row.compression, 1e-3);
        EXPECT_NEAR(m.governing, row.governing, 1e-3);
    }
    EXPECT_NEAR(envelope.members[2].compression.stress, -30, 1e-4);

    // Reactions: node 1 by -(F1 + F3 / sqrt 2, F3 / sqrt 2), node 2 in y by -F2 / sqrt 2.
    const double r = 1 / std::sqrt(2.0);
    const NodeEnvelope& pin = envelope.nodes[1];
    EXPECT_NEAR(pin.reaction_min[0], -(-500 + 1500 * r), 1e-2);
    EXPECT_EQ(pin.reaction_min_case[0], 0);
    EXPECT_NEAR(pin.reaction_max[0], -(-100 - 50 * r), 1e-2);
    EXPECT_EQ(pin.reaction_max_case[0], 2);
    EXPECT_NEAR(pin.reaction_max[1], 50 * r, 1e-2);
    EXPECT_EQ(pin.reaction_max_case[1], 2);
    EXPECT_EQ(pin.reaction_min_case[2], 0);  // restrained but never loaded: the first case
    EXPECT_EQ(pin.deflection_case, NO_CASE);
    const NodeEnvelope& roller = envelope.nodes[2];
    EXPECT_EQ(roller.reaction_min_case[0], NO_CASE);
    EXPECT_NEAR(roller.reaction_min[1], -1000 * r, 1e-2);
    EXPECT_NEAR(roller.reaction_max[1], 300 * r, 1e-2);
    EXPECT_EQ(roller.reaction_max_case[1], 1);
    EXPECT_FALSE(envelope.nodes[3].restrained);
    EXPECT_NEAR(envelope.nodes[3].max_deflection, 0.02, 1e-7);
    EXPECT_EQ(envelope.nodes[3].deflection_case, 1);

    EXPECT_EQ(envelope.max_tension.index, 3);
    EXPECT_EQ(envelope.max_tension.case_index, 0);
    EXPECT_EQ(envelope.max_compression.index, 1);
    EXPECT_NEAR(envelope.max_compression.value, -500, 1e-3);
    EXPECT_EQ(envelope.max_deflection.index, 3);
    EXPECT_EQ(envelope.max_deflection.case_index, 1);
    EXPECT_EQ(envelope.governing.index, 3);
    EXPECT_EQ(envelope.governing.case_index, 0);

    // The picture's numbers: each member's governing force, the extremes over every case.
    const ModelNumbers drawn = envelope_numbers(set.cases[0].numbers, envelope);
    EXPECT_EQ(drawn.members[1].state, MemberState::Compression);
    EXPECT_NEAR(drawn.members[2].force, 1000, 1e-3);
    EXPECT_EQ(drawn.max_compression.index, 1);
    EXPECT_NEAR(drawn.largest_force, 1500, 1e-3);
}

// Under T = 200, C = 40 and member 1's section buckling at N_cr = 250 (length 10): member 1 buckles
// under dead (500 / 250 = 2, above its 50 / 40), member 2 is pushed hardest by live (30 / 40 =
// 0.75 against dead's pull 100 / 200 = 0.5), member 3 pulled by dead (150 / 200 = 0.75).
TEST(LoadCasesTest, EnvelopeUtilisationIsEachMembersLargestWithItsCase)
{
    LoadCaseSet set = read_set(BRIDGE_CASES);
    DesignLimits limits;
    limits.tension = 200;
    limits.compression = 40;
    limits.sections.resize(4);
    limits.sections[1] = {1.0, 1000.0, 25.0 / (std::numbers::pi * std::numbers::pi)};
    for (LoadCase& c : set.cases)
        apply_design_limits(c.numbers, limits);
    const Envelope envelope = envelope_of(set, 3);
    ASSERT_TRUE(envelope.has_utilisation);
    struct Row {
        int member;
        double value;
        Criterion criterion;
        int case_index;
    };
    const Row rows[] = {
        {1, 2.0, Criterion::Buckling, 0}, {2, 0.75, Criterion::Compression, 1}, {3, 0.75, Criterion::Tension, 0}};
    const ModelNumbers drawn = envelope_numbers(set.cases[0].numbers, envelope);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.member);
        const CaseUtilisation& u = envelope.members[row.member].utilisation;
        EXPECT_NEAR(u.value, row.value, 1e-9);
        EXPECT_EQ(u.criterion, row.criterion);
        EXPECT_EQ(u.case_index, row.case_index);
        EXPECT_NEAR(drawn.members[row.member].utilisation.value, row.value, 1e-9);
        EXPECT_EQ(drawn.members[row.member].utilisation.criterion, row.criterion);
    }
    EXPECT_EQ(envelope.max_utilisation_member, 1);
    EXPECT_TRUE(drawn.has_utilisation);
    EXPECT_EQ(drawn.max_utilisation.member, 1);
    EXPECT_EQ(drawn.members_over_limit, 1);

    // Cases without limits: no member has a utilisation in the envelope.
    const LoadCaseSet plain = read_set(BRIDGE_CASES);
    const Envelope without = envelope_of(plain, 3);
    EXPECT_FALSE(without.has_utilisation);
    EXPECT_EQ(without.members[1].utilisation.case_index, NO_CASE);
    EXPECT_FALSE(envelope_numbers(plain.cases[0].numbers, without).has_utilisation);
}

TEST(LoadCasesTest, EqualForcesKeepTheEarlierCaseAndATieGoesToTension)
{
    LoadCaseSet set = read_set(BRIDGE_CASES);
    set.cases[1].numbers.members[1].force = -500;  // live equals dead's compression
    set.cases[1].numbers.members[3].force = -1500;
    const Envelope envelope = envelope_of(set, 3);
    EXPECT_EQ(envelope.members[1].compression.case_index, 0);
    EXPECT_NEAR(envelope.members[3].governing, 1500, 1e-3);
}

TEST(LoadCasesTest, FilesGivenDirectlyAndTheirCombination)
{
    LoadCaseSet set;
    std::string error;
    const std::vector<std::string> paths = {FOLDER + "dead.res", FOLDER + "live.res", "/other/dead.res"};
    ASSERT_FALSE(read_file_set(paths, memory_reader(), set, error));
    EXPECT_EQ(error, "cannot read '/other/dead.res': " + std::string(std::strerror(ENOENT)));
    EXPECT_TRUE(set.cases.empty());
    const std::vector<std::string> good = {FOLDER + "dead.res", FOLDER + "live.res", FOLDER + "dead.res"};
    ASSERT_TRUE(read_file_set(good, memory_reader(), set, error)) << error;
    EXPECT_EQ(set.cases[2].name, "dead#2");
    const CaseTerm change[] = {{-1, 0}, {1, 1}};
    add_combination(set, change);
    ASSERT_EQ(set.cases.size(), 4u);
    EXPECT_EQ(set.cases[3].name, "-dead + live");
    EXPECT_NEAR(set.cases[3].numbers.members[2].force, -1300, 1e-3);
    const std::pair<double, std::string> factored[] = {{1.35, "dead"}, {-1.5, "wind"}, {1, "live"}};
    EXPECT_EQ(combination_text(factored), "1.35 dead - 1.5 wind + live");
}

TEST(LoadCasesTest, DifferentTrussesAreRefusedNamingTheFirstDifference)
{
    TrussModelData a, b;
    const std::string dead = files().at(FOLDER + "dead.res");
    MemoryLineSource first(dead);
    read_results(first, a);
    struct Row {
        const char* from;  // replaced once in the dead case's text
        const char* to;
        const char* difference;
    };
    const Row rows[] = {
        {"3 0 0 0 5.0 5.0", "3 0 0 0 5.0 5.0000001", ""},  // within 1e-6 of the model's 10
        {"3 0 0 0 5.0 5.0", "3 0 0 0 5.0 5.0001", "node 3: coordinates (5, 5, 0) and (5, 5.0001, 0)"},
        {"2 0 1 0", "2 0 0 0", "node 2: restraint 0 1 0 and 0 0 0"},
        {"2 2 3\n", "2 3 2\n", "member 2: end nodes 2-3 and 3-2"},
        {"3 3\n", "3 2\n", "member count 3 and 2"},
    };
    for (const Row& row : rows) {
        std::string text = dead;
        text.replace(text.find(row.from), std::strlen(row.from), row.to);
        MemoryLineSource second(text);
        read_results(second, b);
        EXPECT_EQ(truss_difference(a, b), row.difference) << row.to;
    }

    LoadCaseSet set;
    std::string error;
    const std::vector<std::string> paths = {FOLDER + "dead.res", FOLDER + "other.res"};
    EXPECT_FALSE(read_file_set(paths, memory_reader(), set, error));
    EXPECT_EQ(error,
              "'/cases/other.res' and '/cases/dead.res' are not the same truss: node 3: coordinates (5, 5, 0) "
              "and (5, 5.5, 0)");
}

TEST(LoadCasesTest, EveryFaultOfACombinationsFileNamesItsLine)
{
    struct Row {
        const char* text;
        const char* error;  // after "/cases/bridge.cases:"
    };
    const Row rows[] = {
        {"dead = dead.res\njust words\n", "2: expected NAME = FILE or NAME = FACTOR NAME + ..."},
        {"1st = dead.res\n", "1: '1st' is not a case name (a letter or '_', then letters, digits and '_')"},
        {"dead =   # nothing\n", "1: nothing after '=' for 'dead'"},
        {"dead = \"dead.res\n", "1: a quoted file name needs its closing '\"'"},
        {"dead = dead.res\nU = 1.3.5 dead\n", "2: bad factor '1.3.5'"},
        {"dead = dead.res\nU = 1e999 dead\n", "2: bad factor '1e999'"},
        {"dead = dead.res\nU = 1.5\n", "2: factor 1.5 without a case"},
        {"dead = dead.res\nU = 1.5 dead +\n", "2: expected a case at the end"},
        {"dead = dead.res\nlive = live.res\nU = dead live\n", "3: expected '+' or '-' before 'live'"},
        {"dead = dead.res\nU = dead + $x\n", "2: expected a case name at '$x'"},
        {"dead = dead.res\nU = 1.5 ghost\n", "2: unknown case 'ghost' (a file is named with its extension)"},
        {"dead = dead.res\n\nA = B + dead\nB = 2 A\n", "3: a cycle: A -> B -> A"},
        {"dead = dead.res\nA = A + dead\n", "2: a cycle: A -> A"},
        {"dead = dead.res\ndead = live.res\n", "2: 'dead' is already defined on line 1"},
        {"U = 2 V\nV = U\n", "1: no results file: every case is a combination"},
        {"dead = dead.res\nlive = missing.res\n", "2: cannot read '/cases/missing.res': No such file or directory"},
        {"dead = dead.res\nbare = bare.res\n", "2: '/cases/bare.res' has no usable results"},
        {"dead = dead.res\nother = /cases/other.res\n",
         "2: '/cases/other.res' and '/cases/dead.res' are not the same truss: node 3: coordinates (5, 5, 0) "
         "and (5, 5.5, 0)"},
    };
    for (const Row& row : rows) {
        LoadCaseSet set = read_set("kept = dead.res\n");
        std::string error;
        EXPECT_FALSE(read_case_set(row.text, FOLDER + "bridge.cases", memory_reader(), set, error)) << row.text;
        EXPECT_EQ(error, "/cases/bridge.cases:" + std::string(row.error)) << row.text;
        ASSERT_EQ(set.cases.size(), 1u) << "a refused set leaves the one shown alone";
        EXPECT_EQ(set.cases[0].name, "kept");
    }
    LoadCaseSet set;
    std::string error;
    EXPECT_FALSE(read_case_set("# nothing but a comment\n\n", "x.cases", memory_reader(), set, error));
    EXPECT_EQ(error, "x.cases: no cases");
}

}  // namespace

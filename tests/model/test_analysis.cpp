// The numbers behind the engineer's view, from a model the results reader filled: reactions
// against hand values and the solver's own report, the equilibrium check of every bundled example,
// members that cannot be drawn and files without results.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "tests/model/model_numbers.h"
#include "tests/model/results_lines.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

ModelNumbers numbers_of_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return numbers_of_bytes(bytes.str());
}

// Lines, each ended by LF.
ModelNumbers numbers_of_lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return numbers_of_bytes(text);
}

void expect_vec_near(const Vec3& actual, const Vec3& expected, double tolerance, const std::string& what)
{
    for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(actual[j], expected[j], tolerance) << what << " component " << j;
}

// A triangle without symmetry, solved by hand: node 1 pinned at (0, 0), node 2 on a roller at
// (3, 0) (y restrained, z code 2 which means nothing), node 3 at (3, 4) carrying (6, load_y, 0).
// Node 3's balance gives member 3 (1-3, length 5) +10 and member 2 (2-3) -18, member 1 (1-2) 0;
// so node 1 carries (-6, -8) and node 2 (0, 18). Member 4 names node 9, which does not exist,
// and claims a force of 1000.
std::vector<std::string> triangle(const char* load_y)
{
    return {"TRIANGLE \"hand\" kN",
            "3 4",
            "1 1 1 0 0.0 0.0 0.0 0.0 0.0 0.0",
            "2 0 1 2 3.0 0.0 0.0 0.0 0.0 0.0",
            std::string("3 0 0 0 3.0 4.0 0.0 6.0 ") + load_y + " 0.0",
            "1 1 2",
            "2 2 3",
            "3 1 3",
            "4 1 9",
            "",
            "NODE DEFLECTIONS",
            deflection_line(1, "0.0", "0.0", "0.0"),
            deflection_line(2, "5.0E-04", "0.0", "0.0"),
            deflection_line(3, "1.0E-03", "-2.0E-03", "0.0"),
            "",
            "ELEMENT RESULTS",
            result_line(1, "0.000E+00", "0.000E+00"),
            result_line(2, "-9.000E+00", "-1.800E+01"),
            result_line(3, "5.000E+00", "1.000E+01"),
            result_line(4, "5.000E+02", "1.000E+03")};
}

TEST(AnalysisTest, HandSolvedTriangleGivesItsReactionsAndExtremes)
{
    ModelNumbers n = numbers_of_lines(triangle("-10.0"));
    ASSERT_TRUE(n.has_results);
    ASSERT_EQ(n.nodes.size(), 4u);
    ASSERT_EQ(n.members.size(), 5u);
    EXPECT_TRUE(n.nodes[1].restrained);
    EXPECT_TRUE(n.nodes[2].restrained);
    EXPECT_FALSE(n.nodes[3].restrained);
    EXPECT_EQ(n.nodes[2].restraint, (std::array<int, 3>{0, 1, 2}));
    expect_vec_near(n.nodes[1].reaction, {-6, -8, 0}, 1e-9, "node 1");
    expect_vec_near(n.nodes[2].reaction, {0, 18, 0}, 1e-9, "node 2");
    expect_vec_near(n.nodes[3].reaction, {0, 0, 0}, 0, "node 3");
    expect_vec_near(n.residual, {0, 0, 0}, 1e-9, "residual");
    EXPECT_DOUBLE_EQ(n.total_load, 16.0);
    EXPECT_FALSE(n.unbalanced);
    // Coordinates come back as the file gave them, not centred.
    expect_vec_near(n.nodes[3].coordinates, {3, 4, 0}, 0, "node 3 coordinates");
    EXPECT_DOUBLE_EQ(n.members[3].length, 5.0);
    EXPECT_EQ(n.members[2].state, MemberState::Compression);
    EXPECT_EQ(n.members[1].state, MemberState::None);
    EXPECT_EQ(n.members[3].state, MemberState::Tension);
    // The member without a usable end node is not drawn, carries nothing and is no extreme.
    EXPECT_FALSE(n.members[4].drawable);
    EXPECT_TRUE(n.members[3].drawable);
    EXPECT_EQ(n.max_tension.index, 3);
    EXPECT_EQ(n.max_tension.value, 10.0);
    EXPECT_EQ(n.max_compression.index, 2);
    EXPECT_EQ(n.max_compression.value, -18.0);
    EXPECT_EQ(n.largest_force, 18.0);
    EXPECT_EQ(n.max_deflection.index, 3);
    EXPECT_NEAR(n.max_deflection.value, std::sqrt(5.0) * 1e-3, 1e-9);
}

TEST(AnalysisTest, ForcesThatDoNotBalanceTheLoadsAreFlagged)
{
    // Twice the vertical load with the same member forces: 10 of the 26 load units stay unbalanced
    // at node 3, a free node, so no reaction can take them.
    ModelNumbers n = numbers_of_lines(triangle("-20.0"));
    expect_vec_near(n.residual, {0, -10, 0}, 1e-9, "residual");
    EXPECT_NEAR(n.residual_share, 10.0 / 26.0, 1e-12);
    EXPECT_TRUE(n.unbalanced);
}

TEST(AnalysisTest, WithoutResultsThereAreNoForcesOrReactions)
{
    ModelNumbers n = numbers_of_file(EXAMPLES + "bridge-geometry.res");
    EXPECT_FALSE(n.has_results);
    ASSERT_EQ(n.members.size(), 22u);
    EXPECT_NEAR(n.members[11].length, std::sqrt(32.0), 1e-6);
    EXPECT_EQ(n.max_tension.index, 0);
    EXPECT_EQ(n.max_compression.index, 0);
    EXPECT_EQ(n.max_deflection.index, 0);
    expect_vec_near(n.nodes[1].reaction, {0, 0, 0}, 0, "node 1");
    expect_vec_near(n.load_sum, {0, -500, 0}, 0, "load sum");
    EXPECT_FALSE(n.unbalanced);
}

TEST(AnalysisTest, BridgeSupportsEachCarryHalfTheDeckLoad)
{
    ModelNumbers n = numbers_of_file(EXAMPLES + "bridge.res");
    // The file: five 100 kN loads down, at x = 4 .. 20 on a 24 m span with supports at nodes 1
    // (x, y) and 7 (y): symmetric about midspan, so 250 kN up at each end and no horizontal force.
    expect_vec_near(n.load_sum, {0, -500, 0}, 0, "load sum");
    EXPECT_EQ(n.nodes[1].restraint, (std::array<int, 3>{1, 1, 0}));
    EXPECT_EQ(n.nodes[7].restraint, (std::array<int, 3>{0, 1, 0}));
    const double tolerance = 0.001 * n.total_load;  // the file prints forces to 4 digits
    expect_vec_near(n.nodes[1].reaction, {0, 250, 0}, tolerance, "pin");
    expect_vec_near(n.nodes[7].reaction, {0, 250, 0}, tolerance, "roller");
    EXPECT_EQ(n.nodes[7].reaction[0], 0.0);  // x is free at the roller
    // The README's hand figures: 450 kN compression in the middle top chord, 400 kN tension in the
    // middle bottom chord.
    EXPECT_EQ(n.max_compression.value, -450.0);
    EXPECT_EQ(n.max_tension.value, 400.0);
}

TEST(AnalysisTest, EveryBundledExampleBalancesWithinATenthOfAPercent)
{
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES)) {
        if (entry.path().extension() != ".res")
            continue;
        SCOPED_TRACE(entry.path().string());
        ModelNumbers n = numbers_of_file(entry.path().string());
        if (!n.has_results)
            continue;
        ++checked;
        EXPECT_GT(n.total_load, 0);
        EXPECT_LT(n.residual_share, 0.001);
        EXPECT_FALSE(n.unbalanced);
    }
    EXPECT_GE(checked, 2);
}

#ifdef TRUSS_SOLVE_PATH
// What truss-solve --report prints for a solver input.
struct SolverReport {
    std::map<int, Vec3> reactions;
    int tension_member = 0, compression_member = 0, deflection_node = 0, deflection_axis = 0;
    double tension = 0, compression = 0, deflection = 0;
};

SolverReport solver_report(const std::string& input, const std::string& scratch)
{
    const std::string command = std::string("'") + TRUSS_SOLVE_PATH + "' --report -o '" + scratch + "' '" + input +
                                "' 2>&1";
    SolverReport report;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return report;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        int node = 0, member = 0;
        double x = 0, y = 0, z = 0;
        char axis = 0;
        if (std::sscanf(buffer, "reaction at node %d: %lf %lf %lf", &node, &x, &y, &z) == 4) {
            report.reactions[node] = {x, y, z};
        } else if (std::sscanf(buffer, "largest tension: member %d, %lf", &member, &x) == 2) {
            report.tension_member = member;
            report.tension = x;
        } else if (std::sscanf(buffer, "largest compression: member %d, %lf", &member, &x) == 2) {
            report.compression_member = member;
            report.compression = x;
        } else if (std::sscanf(buffer, "largest deflection %lf at node %d, %c", &x, &node, &axis) == 3) {
            report.deflection = x;
            report.deflection_node = node;
            report.deflection_axis = axis - 'x';
        }
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return report;
}

// A folder for the solver's output, gone with the test.
struct ScratchFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kelvaro_analysis_" + std::to_string(::getpid()));
    ScratchFolder() { std::filesystem::create_directories(path); }
    ~ScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

TEST(AnalysisTest, ReactionsAndExtremesAgreeWithTheSolversReport)
{
    const ScratchFolder dir;
    for (const char* name : {"bridge", "tower"}) {
        SCOPED_TRACE(name);
        const SolverReport solver = solver_report(EXAMPLES + "src/" + name + ".truss",
                                                  (dir.path / "solved.res").string());
        ASSERT_FALSE(solver.reactions.empty());
        ModelNumbers n = numbers_of_file(EXAMPLES + name + ".res");
        // The results file prints forces to 4 significant digits; the solver's report has them exact.
        const double tolerance = 0.001 * n.total_load;
        int restrained = 0;
        for (std::size_t i = 1; i < n.nodes.size(); ++i)
            restrained += n.nodes[i].restrained ? 1 : 0;
        EXPECT_EQ(restrained, static_cast<int>(solver.reactions.size()));
        for (const auto& [node, reaction] : solver.reactions) {
            ASSERT_LT(static_cast<std::size_t>(node), n.nodes.size());
            EXPECT_TRUE(n.nodes[node].restrained) << node;
            expect_vec_near(n.nodes[node].reaction, reaction, tolerance, "node " + std::to_string(node));
        }
        EXPECT_EQ(n.max_tension.index, solver.tension_member);
        EXPECT_NEAR(n.max_tension.value, solver.tension, 5e-4 * std::fabs(solver.tension));
        EXPECT_EQ(n.max_compression.index, solver.compression_member);
        EXPECT_NEAR(n.max_compression.value, solver.compression, 5e-4 * std::fabs(solver.compression));
        // The solver names the largest single component; no node moves further than the largest magnitude.
        ASSERT_GT(solver.deflection_node, 0);
        EXPECT_NEAR(n.nodes[solver.deflection_node].deflection[solver.deflection_axis], solver.deflection,
                    5e-4 * std::fabs(solver.deflection));
        EXPECT_GE(n.max_deflection.value, std::fabs(solver.deflection) * (1 - 5e-4));
    }
}
#endif  // TRUSS_SOLVE_PATH

}  // namespace

// The engineer's checks: units read from a file's headings and title, reactions within the
// rounding of the file's numbers read as 0, the equilibrium of every node, and member utilisation
// under stress limits and Euler buckling, against values worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/checks.h"
#include "app/model/truss_model.h"
#include "app/model/units.h"
#include "tests/model/model_numbers.h"
#include "tests/model/results_lines.h"

// Units in a failure message.
void PrintTo(const Units& units, std::ostream* out)
{
    *out << units_text(units);
}

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

TEST(UnitsTest, HeadingsTitleAndOptionText)
{
    struct Heading {
        const char* line;
        const char* first;
        const char* second;
    };
    const Heading headings[] = {
        {"Nodal deflections [m]", "m", ""},
        {"Member stresses and axial forces [MPa, kN], tension positive", "MPa", "kN"},
        {"Member stresses [N/mm^2,N]", "N/mm^2", "N"},
        {"NODE   X-DEFL        Y-DEFL      Z-DEFL", "", ""},
        {"Deflections [m", "", ""},
        {"Results [a, b, c]", "", ""},
        {"Results [k N]", "", ""},
    };
    for (const Heading& h : headings) {
        std::string first = "x", second = "x";
        heading_units(h.line, first, second);
        EXPECT_EQ(first, h.first) << h.line;
        EXPECT_EQ(second, h.second) << h.line;
    }

    struct Option {
        const char* text;
        bool valid;
        Units units;
    };
    const Option options[] = {
        {"m,kN,MPa", true, {"m", "kN", "MPa"}},
        {" mm , N , N/mm^2 ", true, {"mm", "N", "N/mm^2"}},
        {",kN,", true, {"", "kN", ""}},
        {"m,kN", false, {}},
        {"m,kN,MPa,s", false, {}},
        {"m,k N,MPa", false, {}},
        {"", false, {}},
    };
    for (const Option& o : options) {
        const std::optional<Units> units = parse_units(o.text);
        ASSERT_EQ(units.has_value(), o.valid) << o.text;
        if (o.valid) {
            EXPECT_EQ(*units, o.units) << o.text;
        }
    }

    struct Title {
        const char* line;
        Units units;
    };
    const Title titles[] = {
        {"Pratt bridge - units m, kN, MPa", {"m", "kN", "MPa"}},
        {"UNITS mm, N, N/mm^2 second run", {"mm", "N", "N/mm^2"}},
        {"Tower (units ft, kip, ksi) test", {"ft", "kip", "ksi"}},
        {"Mast - units m, kN, MPa; second run", {"m", "kN", "MPa"}},
        {"communits m, kN, MPa", {}},
        {"units m, kN", {}},
        {"Roof truss", {}},
    };
    for (const Title& t : titles) {
        TrussModelData model;
        model.title_line = t.line;
        EXPECT_EQ(units_from_file(model), t.units) << t.line;
    }
    // The headings win over the title; the title fills what they leave unknown.
    TrussModelData model;
    model.title_line = "units ft, kip, ksi";
    model.deflection_heading = "Nodal deflections [in]";
    EXPECT_EQ(units_from_file(model), (Units{"in", "kip", "ksi"}));
}

TEST(UnitsTest, BridgeReadsItsUnitsFromItsHeadingsAndShowsDeflectionsInMillimetres)
{
    // The title says "units m, kN, MPa" too: without it the headings alone must give all three.
    std::vector<std::string> lines = file_lines(EXAMPLES + "bridge.res");
    ASSERT_GT(lines.size(), 2u);
    lines[0] = "Pratt bridge truss";
    const ModelNumbers n = numbers_of_bytes(joined(lines));
    EXPECT_EQ(n.units, (Units{"m", "kN", "MPa"}));
    // Node 4 moves (2.8571E-03, -1.7170E-02): sqrt(2.8571^2 + 17.170^2) = 17.406 mm.
    EXPECT_EQ(n.max_deflection.index, 4);
    EXPECT_NEAR(n.max_deflection.value * shown_factor(n.units, Quantity::Deflection), 17.406, 0.001);
    EXPECT_EQ(shown_unit(n.units, Quantity::Deflection), "mm");
    EXPECT_EQ(shown_unit(n.units, Quantity::Length), "m");
    EXPECT_EQ(shown_factor(n.units, Quantity::Force), 1.0);
    // Lengths in mm are shown as they are.
    EXPECT_EQ(shown_factor(Units{"mm", "N", "MPa"}, Quantity::Deflection), 1.0);
    EXPECT_EQ(shown_unit(Units{}, Quantity::Deflection), "");
}

TEST(ChecksTest, PrintedHalfStepFollowsTheLastDigitWritten)
{
    struct Case {
        const char* text;
        double half;
    };
    const Case cases[] = {
        {"-3.536E+02", 0.05}, {"4.167E+01", 0.005}, {"250.000", 0.0005},   {"7", 0.5},
        {"+2.0e-1", 0.005},   {"1e-3", 0.0005},     {"0.000E+00", 0.0005}, {"", -1},
        {"E+02", -1},         {"1.5E+0x", -1},      {"12a", -1},
    };
    for (const Case& c : cases) {
        const double half = printed_half_step(c.text);
        if (c.half < 0) {
            EXPECT_LT(half, 0) << c.text;
        } else {
            EXPECT_NEAR(half, c.half, c.half * 1e-12) << c.text;
        }
    }
}

TEST(ChecksTest, LastFieldHalfStepReadsTheFieldAfterTheLastBlank)
{
    const std::pair<const char*, double> rows[] = {
        {" 9.000E+01    9.000E+02", 0.05},
        {"-2.750E+02   -1.650E-03  \r", 5e-7},
        {"1.650E+03", 0.5},
        {"7 +12.34E+01", 0.05},
        {"7  12.5", 0.05},
        {"7 1.25e-03", 5e-6},
        {"7 1.5E+02x", -1},
        {"x-1.650E+03", -1},
        {"7 --1.650E+03", -1},
        {"7 .5E+02", 5},
        {"7 1.5E+123", 0.5e122},
        {"7 1.5E+-12", 5e-14},
        {"", -1},
    };
    for (const auto& [text, expected] : rows) {
        const double half = last_field_half_step(text);
        EXPECT_TRUE(expected < 0 ? half < 0 : std::fabs(half - expected) <= expected * 1e-12) << text << ": " << half;
    }
}

TEST(ChecksTest, BridgePinnedSupportReadsNoHorizontalReaction)
{
    // At node 1 the bottom chord pulls 2.500E+02 towards +x and the end post pushes 3.536E+02 along
    // (-1, -1)/sqrt 2: 250 - 353.6 / sqrt 2 = 0.03 kN left over, below the 0.05 + 0.035 kN the
    // two printed forces' last digits allow. It is rounding, so the pin carries no horizontal force.
    const ModelNumbers n = numbers_of_bytes(joined(file_lines(EXAMPLES + "bridge.res")));
    ASSERT_TRUE(n.has_results);
    EXPECT_EQ(n.nodes[1].reaction[0], 0.0);
    EXPECT_NEAR(n.nodes[1].reaction[1], 250.0, 0.1);
    EXPECT_NEAR(n.nodes[7].reaction[1], 250.0, 0.1);
    EXPECT_EQ(n.nodes_out_of_balance, 0);
    for (int i = 1; i <= 12; ++i)
        EXPECT_FALSE(n.nodes[i].out_of_balance) << "node " << i;
    EXPECT_LT(n.max_node_residual.share, 0.001);
}

TEST(ChecksTest, ForceSectionCutHalfwayIsFlaggedAtTheNodes)
{
    // Keep the result lines of members 1-10 (the chords) and write the other members' results as 0,
    // as a file edited halfway would. Node 8 then holds only the top chord member 7 (8-9,
    // -4.000E+02): it pushes node 8 towards -x with 400 kN and nothing balances it. Node 12 has the
    // mirror 400 kN; node 8 comes first. (A file simply cut short has those forces missing instead,
    // and the reader names the cut.)
    std::vector<std::string> lines = file_lines(EXAMPLES + "bridge.res");
    std::vector<std::string> cut;
    for (const std::string& line : lines) {
        cut.push_back(line);
        if (line.rfind("10 ", 0) == 0 && cut.size() > 50)
            break;
    }
    ASSERT_EQ(cut.size(), 61u);
    for (int member = 11; member <= 21; ++member)
        cut.push_back(std::to_string(member) + "     0.000E+00    0.000E+00");
    const ModelNumbers n = numbers_of_bytes(joined(cut));
    ASSERT_TRUE(n.has_results);
    EXPECT_EQ(n.max_node_residual.node, 8);
    EXPECT_NEAR(n.max_node_residual.value, 400.0, 1e-9);
    EXPECT_NEAR(n.max_node_residual.share, 4.0, 1e-12);  // of the 100 kN deck loads
    EXPECT_NEAR(n.nodes[8].residual[0], -400.0, 1e-9);
    EXPECT_TRUE(n.nodes[8].out_of_balance);
    // Node 10 keeps only its two top chords, 450 kN each way: it still balances.
    EXPECT_FALSE(n.nodes[10].out_of_balance);
    EXPECT_GT(n.nodes_out_of_balance, 5);
}

TEST(ChecksTest, FreeBodyOfABridgeTopNodeBalances)
{
    // Node 8 (4, 4): top chord 7 to node 9 (8, 4) pushes with 400 along -x; end post 11 to node 1
    // (0, 0) pushes with 353.6 along (1, 1) / sqrt 2 = (250, 250); vertical 13 to node 2 (4, 0) pulls
    // 100 down; diagonal 18 to node 3 (8, 0) pulls 212.1 along (1, -1) / sqrt 2 = (150, -150).
    // No load, no reaction: they sum to 0.
    const ModelNumbers n = numbers_of_bytes(joined(file_lines(EXAMPLES + "bridge.res")));
    const std::vector<BodyForce> body = node_free_body(n, 8);
    struct Expected {
        int member;
        double x, y;
    };
    const Expected expected[] = {{7, -400, 0}, {11, 250.03, 250.03}, {13, 0, -100}, {18, 149.98, -149.98}};
    ASSERT_EQ(body.size(), 4u);
    Vec3 sum{};
    for (std::size_t k = 0; k < body.size(); ++k) {
        EXPECT_EQ(body[k].kind, BodyForceKind::Member);
        EXPECT_EQ(body[k].member, expected[k].member);
        EXPECT_NEAR(body[k].force[0], expected[k].x, 0.01) << "member " << body[k].member;
        EXPECT_NEAR(body[k].force[1], expected[k].y, 0.01) << "member " << body[k].member;
        for (int j = 0; j < 3; ++j)
            sum[j] += body[k].force[j];
    }
    EXPECT_NEAR(sum[0], 0, 0.1);
    EXPECT_NEAR(sum[1], 0, 0.1);
    // Node 1, the pin: bottom chord 1, end post 11, and the reaction straight up (0 horizontally).
    const std::vector<BodyForce> pin = node_free_body(n, 1);
    ASSERT_EQ(pin.size(), 3u);
    EXPECT_EQ(pin[2].kind, BodyForceKind::Reaction);
    EXPECT_EQ(pin[2].force[0], 0.0);
    EXPECT_NEAR(pin[2].force[1], 250, 0.1);
    // Node 2 carries its deck load.
    const std::vector<BodyForce> deck = node_free_body(n, 2);
    ASSERT_FALSE(deck.empty());
    EXPECT_EQ(deck.back().kind, BodyForceKind::Load);
    EXPECT_EQ(deck.back().force, (Vec3{0, -100, 0}));
    EXPECT_TRUE(node_free_body(n, 13).empty());
    EXPECT_TRUE(node_free_body(n, 0).empty());
}

// The triangle of tests/model/test_analysis.cpp, node 3 loaded (6, load_y): members 2 (-1.800E+01,
// along y at node 3) and 3 (1.000E+01, along (0.6, 0.8)) balance -10 exactly. Their last digits
// allow 0.005 + 0.005 * 0.8 = 0.009 in y at node 3.
std::string triangle(const char* load_y)
{
    return joined({"Triangle", "3 3", "1 1 1 0 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 1 0 3.0 0.0 0.0 0.0 0.0 0.0",
                   std::string("3 0 0 0 3.0 4.0 0.0 6.0 ") + load_y + " 0.0", "1 1 2", "2 2 3", "3 1 3", "",
                   "NODE DEFLECTIONS", deflection_line(1, "0.0", "0.0", "0.0"),
                   deflection_line(2, "5.0E-04", "0.0", "0.0"), deflection_line(3, "1.0E-03", "-2.0E-03", "0.0"), "",
                   "ELEMENT RESULTS", result_line(1, "0.000E+00", "0.000E+00"),
                   result_line(2, "-9.000E+00", "-1.800E+01"), result_line(3, "5.000E+00", "1.000E+01")});
}

TEST(ChecksTest, NodeResidualIsJudgedAgainstTheRoundingOfThePrintedForces)
{
    struct Case {
        const char* load_y;
        bool out_of_balance;
    };
    const Case cases[] = {{"-10.0", false}, {"-10.008", false}, {"-10.0095", true}, {"-10.5", true}};
    for (const Case& c : cases) {
        const ModelNumbers n = numbers_of_bytes(triangle(c.load_y));
        EXPECT_EQ(n.nodes[3].out_of_balance, c.out_of_balance) << c.load_y;
        EXPECT_EQ(n.nodes_out_of_balance, c.out_of_balance ? 1 : 0) << c.load_y;
        EXPECT_NEAR(n.nodes[3].rounding[1], 0.009, 1e-4);
    }
    // Restrained components carry no residual: the reaction takes it.
    const ModelNumbers n = numbers_of_bytes(triangle("-10.5"));
    EXPECT_EQ(n.nodes[1].residual, (Vec3{0, 0, 0}));
    EXPECT_NEAR(n.nodes[3].residual[1], -0.5, 1e-6);
    EXPECT_EQ(n.max_node_residual.node, 3);
}

// Three members meeting at node 3 (3, 4), loaded (0, -14); pinned at node 1 (0, 0), roller at
// node 2 (7, 0). By hand at node 3: member 2 (1-3, length 5) carries F2 along (-0.6, -0.8) and
// member 3 (2-3, length 4 sqrt 2 = 5.657) F3 along (1, -1)/sqrt 2:
//   x: -0.6 F2 + F3 / sqrt 2 = 0,  y: -0.8 F2 - F3 / sqrt 2 = 14  =>  F2 = -10, F3 = -6 sqrt 2 = -8.485;
// at node 2 in x the bottom chord takes F1 = 6. Areas 0.5, 1, 1: stresses 12, -10, -8.485.
std::string three_bar()
{
    return joined({"Three bars", "3 3", "1 1 1 0 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 1 0 7.0 0.0 0.0 0.0 0.0 0.0",
                   "3 0 0 0 3.0 4.0 0.0 0.0 -14.0 0.0", "1 1 2", "2 1 3", "3 2 3", "", "NODE DEFLECTIONS",
                   deflection_line(1, "0.0", "0.0", "0.0"), deflection_line(2, "2.0E-03", "0.0", "0.0"),
                   deflection_line(3, "1.0E-03", "-5.0E-03", "0.0"), "", "ELEMENT RESULTS",
                   result_line(1, "1.200E+01", "6.000E+00"), result_line(2, "-1.000E+01", "-1.000E+01"),
                   result_line(3, "-8.485E+00", "-8.485E+00")});
}

TEST(ChecksTest, EachMemberIsGovernedByItsOwnCriterion)
{
    ModelNumbers n = numbers_of_bytes(three_bar());
    ASSERT_TRUE(n.has_results);
    ASSERT_EQ(n.nodes_out_of_balance, 0);
    // T 15, C 12.5. Member 2: E 1000, I 1: N_cr = 9.8696 * 1000 / 25 = 394.8, 10 / 394.8 = 0.025,
    // so its stress governs: 10 / 12.5 = 0.8. Member 3: E 100, I 0.2: N_cr = 9.8696 * 20 / 32 =
    // 6.1685 and 8.485 / 6.1685 = 1.3756, above its stress check 8.485 / 12.5 = 0.679.
    DesignLimits limits;
    limits.tension = 15;
    limits.compression = 12.5;
    limits.sections = {{}, {0.5, 1000, 1}, {1, 1000, 1}, {1, 100, 0.2}};
    apply_design_limits(n, limits);
    ASSERT_TRUE(n.has_utilisation);
    struct Expected {
        double value;
        Criterion criterion;
    };
    const Expected expected[] = {
        {0.8, Criterion::Tension}, {0.8, Criterion::Compression}, {1.3756, Criterion::Buckling}};
    for (int e = 1; e <= 3; ++e) {
        EXPECT_NEAR(n.members[e].utilisation.value, expected[e - 1].value, 1e-4) << "member " << e;
        EXPECT_EQ(n.members[e].utilisation.criterion, expected[e - 1].criterion) << "member " << e;
    }
    EXPECT_EQ(n.max_utilisation.member, 3);
    EXPECT_EQ(n.max_utilisation.criterion, Criterion::Buckling);
    EXPECT_EQ(n.members_over_limit, 1);

    // Exactly at the limit is not over it: T 12 puts member 1 at 1.0.
    limits.tension = 12;
    apply_design_limits(n, limits);
    EXPECT_DOUBLE_EQ(n.members[1].utilisation.value, 1.0);
    EXPECT_EQ(n.members_over_limit, 1);

    // A tension limit alone leaves compressed members without a check; no limit at all, no check.
    limits = {};
    limits.tension = 15;
    apply_design_limits(n, limits);
    EXPECT_EQ(n.members[2].utilisation.criterion, Criterion::None);
    EXPECT_EQ(n.max_utilisation.member, 1);
    apply_design_limits(n, DesignLimits{});
    EXPECT_FALSE(n.has_utilisation);
    EXPECT_EQ(n.max_utilisation.member, 0);
    EXPECT_EQ(criterion_name(Criterion::Buckling), "buckling");
}

}  // namespace

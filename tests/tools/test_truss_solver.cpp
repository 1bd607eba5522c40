// Tests of the truss solver: statically determinate trusses whose forces, reactions and
// deflections follow by hand from joint equilibrium and virtual work, equilibrium of every joint of
// the bundled examples and of generated models, and trusses that must be refused as unstable, with
// a freedom named that really is free (found through the sparse factorisation's ordering).
#include "tools/truss_input.h"
#include "tools/truss_models.h"
#include "tools/truss_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TrussInput parse(const std::string& text)
{
    std::istringstream in(text);
    TrussInput truss;
    std::string error;
    EXPECT_TRUE(read_truss(in, truss, error)) << error;
    return truss;
}

TrussSolution solve(const TrussInput& truss)
{
    TrussSolution solution;
    std::string error;
    EXPECT_TRUE(solve_truss(truss, solution, error)) << error;
    return solution;
}

struct DeterminateCase {
    const char* name;
    const char* input;
    std::vector<double> forces;                    // per member, tension positive
    std::vector<std::array<double, 3>> reactions;  // per node
};

// EA = 1000 everywhere, so deflections are simple fractions.
const DeterminateCase DETERMINATE_CASES[] = {
    {"symmetric two-bar V: 10 down at the apex, bars at 3-4-5 slope",
     "node 1 0 0 0 1 1 0\n"
     "node 2 4 0 0 1 1 0\n"
     "node 3 2 1.5 0\n"
     "load 3 0 -10 0\n"
     "member 1 1 3 1 1000\n"
     "member 2 3 2 1 1000\n",
     {-25.0 / 3, -25.0 / 3},
     {{20.0 / 3, 5, 0}, {-20.0 / 3, 5, 0}, {0, 0, 0}}},
    {"right triangle on a pin and a roller, loaded at the top in x and y",
     "node 1 0 0 0 1 1 0\n"
     "node 2 4 0 0 0 1 0\n"
     "node 3 0 3 0\n"
     "load 3 12 -6 0\n"
     "member 1 1 2 1 1000\n"
     "member 2 1 3 1 1000\n"
     "member 3 3 2 1 1000\n",
     {12, 3, -15},
     {{-12, -3, 0}, {0, 9, 0}, {0, 0, 0}}},
    {"tripod: three legs at 3-4-5 slope from the base circle to a loaded apex",
     "node 1  3 0 0              1 1 1\n"
     "node 2 -1.5 0  2.598076211353316  1 1 1\n"
     "node 3 -1.5 0 -2.598076211353316  1 1 1\n"
     "node 4  0 4 0\n"
     "load 4 0 -60 0\n"
     "member 1 1 4 1 1000\n"
     "member 2 2 4 1 1000\n"
     "member 3 3 4 1 1000\n",
     // Each leg carries 60 / 3 / (4/5) = 25 in compression.
     {-25, -25, -25},
     {{-15, 20, 0}, {7.5, 20, -12.990381056766580}, {7.5, 20, 12.990381056766580}, {0, 0, 0}}},
};

TEST(DeterminateTruss, ForcesAndReactionsFollowFromJointEquilibrium)
{
    for (const DeterminateCase& c : DETERMINATE_CASES) {
        SCOPED_TRACE(c.name);
        TrussSolution s = solve(parse(c.input));
        ASSERT_EQ(s.forces.size(), c.forces.size());
        for (std::size_t e = 0; e < c.forces.size(); ++e)
            EXPECT_NEAR(s.forces[e], c.forces[e], 1e-9) << "member " << e + 1;
        for (std::size_t i = 0; i < c.reactions.size(); ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(s.reactions[i][k], c.reactions[i][k], 1e-9) << "node " << i + 1 << " dir " << k;
    }
}

TEST(DeterminateTruss, DeflectionsMatchVirtualWorkAndStayZeroAtSupports)
{
    TrussSolution s = solve(parse(DETERMINATE_CASES[1].input));
    // Unit load in x at node 3 gives member forces n = (1, 0.75, -1.25); the actual forces
    // N = (12, 3, -15) with lengths (4, 3, 5): dx = sum N n L / EA = 148.5 / 1000.
    EXPECT_NEAR(s.deflections[2][0], 0.1485, 1e-12);
    // Unit load in y (up) at node 3 gives n = (0, 1, 0): dy = 3 * 1 * 3 / 1000. Node 3 rises
    // although its y load points down: the vertical bar is in tension.
    EXPECT_NEAR(s.deflections[2][1], 0.009, 1e-12);
    // The roller slides by the stretch of the bottom chord: 12 * 4 / 1000.
    EXPECT_NEAR(s.deflections[1][0], 0.048, 1e-12);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(s.deflections[0][k], 0.0);
    EXPECT_EQ(s.deflections[1][1], 0.0);

    // Two-bar V: each bar shortens by (25/3) 2.5 / 1000; the apex drops that over sin = 0.6.
    TrussSolution v = solve(parse(DETERMINATE_CASES[0].input));
    EXPECT_NEAR(v.deflections[2][1], -(25.0 / 3 * 2.5 / 1000) / 0.6, 1e-12);
    EXPECT_NEAR(v.deflections[2][0], 0.0, 1e-15);
}

TEST(DeterminateTruss, StressIsForceOverAreaTimesTheStressFactor)
{
    TrussSolution s = solve(
        parse("stress_factor 0.001\n"
              "node 1 0 0 0 1 1 0\nnode 2 2 0 0 0 1 0\nload 2 50 0 0\n"
              "member 1 1 2 0.004 2.1e8\n"));
    EXPECT_NEAR(s.forces[0], 50, 1e-9);
    EXPECT_NEAR(s.stresses[0], 50 / 0.004 * 0.001, 1e-9);
    EXPECT_NEAR(s.deflections[1][0], 50 * 2 / (0.004 * 2.1e8), 1e-15);
}

// Every free joint is in equilibrium with its loads, and the reactions balance all the loads.
void expect_equilibrium(const TrussInput& truss, const TrussSolution& s)
{
    std::vector<std::array<double, 3>> residual(truss.nodes.size());
    double scale = 0;
    for (std::size_t i = 0; i < truss.nodes.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            residual[i][k] = truss.nodes[i].loads[k] + s.reactions[i][k];
            scale = std::max(scale, std::fabs(truss.nodes[i].loads[k]));
        }
    for (std::size_t e = 0; e < truss.members.size(); ++e) {
        std::array<double, 3> d{};
        member_geometry(truss, static_cast<int>(e), d);
        const TrussMember& m = truss.members[e];
        for (int k = 0; k < 3; ++k) {  // a tension pulls each end towards the other
            residual[m.node_a - 1][k] += s.forces[e] * d[k];
            residual[m.node_b - 1][k] -= s.forces[e] * d[k];
        }
    }
    for (std::size_t i = 0; i < residual.size(); ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(residual[i][k], 0.0, 1e-9 * scale) << "node " << i + 1 << " dir " << k;
}

TrussInput read_example(const char* name)
{
    std::ifstream in(std::string(KELVARO_SOURCE_DIR) + "/examples/src/" + name);
    TrussInput truss;
    std::string error;
    EXPECT_TRUE(read_truss(in, truss, error)) << name << ": " << error;
    return truss;
}

TEST(Equilibrium, EveryJointOfTheExamplesBalances)
{
    for (const char* name : {"bridge.truss", "tower.truss", "roof.truss"}) {
        SCOPED_TRACE(name);
        TrussInput truss = read_example(name);
        expect_equilibrium(truss, solve(truss));
    }
    expect_equilibrium(parse(DETERMINATE_CASES[2].input), solve(parse(DETERMINATE_CASES[2].input)));
}

TEST(Equilibrium, BridgeChordForcesMatchTheBendingMomentOverTheDepth)
{
    TrussInput truss = read_example("bridge.truss");
    TrussSolution s = solve(truss);
    // Span 24 m, five 100 kN loads, reactions 250 kN. Midspan moment 250*12 - 100*(8+4) = 1800
    // kNm over a 4 m depth: 450 kN in the top chord (members 8, 9); the bottom chord of the third
    // panel takes the moment at x = 8 m, 1600 / 4 = 400 kN (members 3, 4).
    EXPECT_NEAR(s.forces[7], -450, 1e-6);
    EXPECT_NEAR(s.forces[8], -450, 1e-6);
    EXPECT_NEAR(s.forces[2], 400, 1e-6);
    EXPECT_NEAR(s.reactions[0][1], 250, 1e-6);
    EXPECT_NEAR(s.reactions[6][1], 250, 1e-6);
    EXPECT_EQ(s.forces[14], 0.0);  // the midspan vertical carries nothing: snapped to a clean zero
}

TrussInput generated_roof(int nx, int ny)
{
    RoofParameters roof;
    roof.nx = nx;
    roof.ny = ny;
    std::string error;
    std::string text = generate_roof(roof, error);
    EXPECT_FALSE(text.empty()) << error;
    return parse(text);
}

TEST(Equilibrium, GeneratedRoofAndBridgeBalanceAndCarryTheirWholeLoad)
{
    TrussInput roof = generated_roof(13, 9);  // 936 members, columns on an uneven grid
    TrussSolution s = solve(roof);
    expect_equilibrium(roof, s);
    double columns = 0;
    for (const auto& r : s.reactions)
        columns += r[1];
    EXPECT_NEAR(columns, 1.5 * 13 * 3 * 9 * 3, 1e-6);  // 1.5 kN/m^2 on 39 m x 27 m

    BridgeParameters parameters;
    parameters.panels = 300;  // 1,199 members over 31 piers
    std::string error;
    TrussInput bridge = parse(generate_bridge(parameters, error));
    TrussSolution b = solve(bridge);
    expect_equilibrium(bridge, b);
    // Symmetric about the middle pier (node 151), fifteen spans from either end: it carries one
    // span's load, 9 x 100 kN, and the spans beside it sag alike.
    EXPECT_NEAR(b.reactions[150][1], 900.0, 1e-3);
    EXPECT_LT(b.deflections[145][1], 0.0);
    EXPECT_NEAR(b.deflections[145][1], b.deflections[155][1], 1e-9 * std::fabs(b.deflections[145][1]));
}

TEST(Unstable, SingularTrussesAreRefusedWithTheNodeNamed)
{
    struct Case {
        const char* name;
        const char* input;
        const char* message;
    } cases[] = {
        {"square without a diagonal (a mechanism)",
         "node 1 0 0 0 1 1 0\nnode 2 1 0 0 0 1 0\nnode 3 1 1 0\nnode 4 0 1 0\nload 3 1 0 0\n"
         "member 1 1 2 1 1\nmember 2 2 3 1 1\nmember 3 3 4 1 1\nmember 4 4 1 1 1\n",
         "unstable"},
        {"no supports at all",
         "node 1 0 0 0\nnode 2 1 0 0\nnode 3 0 1 0\nload 3 0 -1 0\n"
         "member 1 1 2 1 1\nmember 2 2 3 1 1\nmember 3 3 1 1 1\n",
         "unstable"},
        {"a node between two collinear bars has no stiffness across them",
         "node 1 0 0 0 1 1 0\nnode 2 1 0 0\nnode 3 2 0 0 1 1 0\nload 2 0 -1 0\n"
         "member 1 1 2 1 1\nmember 2 2 3 1 1\n",
         "node 2, direction y"},
        {"a node that no member reaches",
         "node 1 0 0 0 1 1 1\nnode 2 1 0 0 1 1 1\nnode 3 0 1 0\nnode 4 5 5 5\nload 3 0 -1 0\n"
         "member 1 1 3 1 1\nmember 2 2 3 1 1\n",
         "node 3, direction z"},
        {"square without a diagonal: its top sways along x",
         "node 1 0 0 0 1 1 0\nnode 2 1 0 0 0 1 0\nnode 3 1 1 0\nnode 4 0 1 0\nload 3 1 0 0\n"
         "member 1 1 2 1 1\nmember 2 2 3 1 1\nmember 3 3 4 1 1\nmember 4 4 1 1 1\n",
         ", direction x: a mechanism"},
        {"a z load on a planar truss",
         "node 1 0 0 0 1 1 0\nnode 2 1 0 0 1 1 0\nnode 3 0 1 0\nload 3 0 -1 2\n"
         "member 1 1 3 1 1\nmember 2 2 3 1 1\n",
         "z load"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrussSolution s;
        std::string error;
        EXPECT_FALSE(solve_truss(parse(c.input), s, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// The named freedom of a single mechanism must move in it: holding it makes the truss solvable.
// A node hung from two top nodes of a large roof swings about the line between them, across
// their plane; every one of its directions has stiffness, so only the factorisation finds it.
TEST(Unstable, TheFreedomNamedInALargeTrussMovesInTheMechanism)
{
    TrussInput truss = generated_roof(12, 12);  // 1,152 members, 313 nodes
    const int hung = static_cast<int>(truss.nodes.size()) + 1;
    TrussNode node;
    node.coords = truss.nodes[14].coords;  // above the top node 15 (i = 1, j = 1)
    node.coords[0] += 1;
    node.coords[1] += 1;
    node.coords[2] += 1;
    node.loads = {0, -1, 0};
    truss.nodes.push_back(node);
    TrussMember bar = truss.members[0];
    bar.node_a = 15;
    bar.node_b = hung;
    truss.members.push_back(bar);
    bar.node_a = 16;  // 3 m along x from node 15
    truss.members.push_back(bar);

    TrussSolution s;
    std::string error;
    ASSERT_FALSE(solve_truss(truss, s, error));
    // The swing is across the plane of the two bars, (0, -1, 1): y or z of the hung node.
    const std::string prefix = "at node " + std::to_string(hung) + ", direction ";
    std::size_t at = error.find(prefix);
    ASSERT_NE(at, std::string::npos) << error;
    char direction = error[at + prefix.size()];
    EXPECT_TRUE(direction == 'y' || direction == 'z') << error;
    EXPECT_NE(error.find("a mechanism"), std::string::npos) << error;

    truss.nodes[hung - 1].fixity[direction - 'x'] = 1;
    TrussSolution held = solve(truss);
    expect_equilibrium(truss, held);
}

}  // namespace

// Tests of the truss description reader: a full description with sections, units and repeated
// loads, and a table of malformed descriptions that must each be refused with the reason.
#include "tools/truss_input.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

bool read(const std::string& text, TrussInput& truss, std::string& error)
{
    std::istringstream in(text);
    return read_truss(in, truss, error);
}

TEST(TrussInput, ReadsStatementsInAnyOrderWithSectionsAndSummedLoads)
{
    TrussInput truss;
    std::string error;
    ASSERT_TRUE(
        read("# a comment line\n"
             "title  Frame 2 - units m, kN, MPa  \n"
             "units m kN MPa\n"
             "stress_factor 1e-3\n"
             "member 2 3 1 0.002 2e8   # direct area and modulus\n"
             "member 1 2 3 web\n"
             "section web 0.001 2.1e8\n"
             "load 3 1 -2 0\n"
             "load 3 0.5 -1 0\n"
             "node 3 2 1.5 0\n"
             "node 1\t0 0 0 1 1 0\n"
             "node 2 4 0 0 0 1 0\n",
             truss, error))
        << error;
    EXPECT_EQ(truss.title, "Frame 2 - units m, kN, MPa");
    EXPECT_EQ(truss.stress_unit, "MPa");
    EXPECT_DOUBLE_EQ(truss.stress_factor, 0.001);
    ASSERT_EQ(truss.nodes.size(), 3u);
    EXPECT_EQ(truss.nodes[0].fixity, (std::array<int, 3>{1, 1, 0}));
    EXPECT_EQ(truss.nodes[1].fixity, (std::array<int, 3>{0, 1, 0}));
    EXPECT_EQ(truss.nodes[2].fixity, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(truss.nodes[2].loads, (std::array<double, 3>{1.5, -3, 0}));
    ASSERT_EQ(truss.members.size(), 2u);
    EXPECT_EQ(truss.members[0].node_a, 2);
    EXPECT_DOUBLE_EQ(truss.members[0].area, 0.001);
    EXPECT_DOUBLE_EQ(truss.members[0].modulus, 2.1e8);
    EXPECT_DOUBLE_EQ(truss.members[1].area, 0.002);
    EXPECT_TRUE(truss_is_planar(truss));
}

TEST(TrussInput, SecondMomentOfAreaIsOptionalInSectionsAndMembers)
{
    TrussInput truss;
    std::string error;
    ASSERT_TRUE(
        read("node 1 0 0 0 1 1 0\nnode 2 4 0 0 0 1 0\nnode 3 0 3 0\n"
             "section chord 0.006 2.1e8 1.5e-5\nsection web 0.001 2.1e8\n"
             "member 1 1 2 chord\nmember 2 2 3 web\nmember 3 1 3 0.002 2e8 4e-6\n",
             truss, error))
        << error;
    ASSERT_EQ(truss.members.size(), 3u);
    EXPECT_DOUBLE_EQ(truss.members[0].inertia, 1.5e-5);
    EXPECT_EQ(truss.members[1].inertia, 0.0);  // not given
    EXPECT_DOUBLE_EQ(truss.members[2].inertia, 4e-6);
    EXPECT_DOUBLE_EQ(truss.members[2].modulus, 2e8);
}

TEST(TrussInput, MalformedDescriptionsAreRefusedWithTheReason)
{
    const std::string triangle =
        "node 1 0 0 0 1 1 0\nnode 2 4 0 0 0 1 0\nnode 3 0 3 0\n"
        "member 1 1 2 1 1\nmember 2 2 3 1 1\n";
    struct Case {
        std::string input;
        const char* message;
    } cases[] = {
        {triangle + "beam 3 1 3\n", "line 6: unknown statement 'beam'"},
        {triangle + "member 3 1 3 1,5 1\n", "line 6: member: field 5 is not a number"},
        {triangle + "member 3 1 3 steel\n", "unknown section 'steel'"},
        {triangle + "member 3 1 9 1 1\n", "member 3: end node does not exist"},
        {triangle + "member 3 3 3 1 1\n", "both ends on node 3"},
        {triangle + "member 2 1 3 1 1\n", "member 2 defined twice"},
        {triangle + "member 4 1 3 1 1\n", "member 3 is missing"},
        {triangle + "member 3 1 3 0 1\n", "area and modulus must be positive"},
        {triangle + "member 3 1 3 1 1 0\n", "member second moment of area must be positive"},
        {triangle + "member 3 1 3 1 1 1 1\n", "member takes e a b and a section or A E [I]"},
        {triangle + "section s 1 1 -2\nmember 3 1 3 s\n", "section second moment of area must be positive"},
        {triangle + "section s 1 1 2 3\nmember 3 1 3 s\n", "optionally a second moment of area"},
        {triangle + "node 5 1 1 0\n", "node 4 is missing"},
        {triangle + "node 4 0 3 0\nmember 3 3 4 1 1\n", "member 3: has zero length"},
        {triangle + "node 4 1 1 0 2 0 0\n", "restraint codes are 0 or 1"},
        {triangle + "node 10000001 1 1 0\n", "node number must be 1..10000000"},
        {triangle + "member 10000001 1 3 1 1\n", "member number must be 1..10000000"},
        {triangle + "node 2147483648 1 1 0\n", "line 6: node: field 2 is not a whole number"},
        {triangle + "load 7 0 -1 0\n", "load on node 7, which does not exist"},
        {triangle + "node 4 1 1\n", "node takes n x y z"},
        {"node 1 0 0 0\n", "no members"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        TrussInput truss;
        std::string error;
        EXPECT_FALSE(read(c.input, truss, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

}  // namespace

// The DXF drawing read back through ezdxf and the VTU grid through Python's XML parser
// (tests/app/read_cad_exports.py): layers, entity and array counts, names and component counts,
// and values checked against the example files' own text; members that cannot be drawn and nodes
// no member uses; a file that cannot be written.
#include "app_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "app/export/dxf.h"
#include "app/export/vtu.h"
#include "app/model/analysis.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
// The Debian interpreter, where python3-ezdxf installs the library.
const std::string READER = "/usr/bin/python3 " + std::string(KELVARO_SOURCE_DIR) + "/tests/app/read_cad_exports.py ";

using Fact = std::vector<std::string>;

// The reader's facts, one per line split at spaces; empty when the reader refused the file.
std::vector<Fact> read_back(const std::string& kind, const std::string& path)
{
    std::FILE* pipe = popen((READER + kind + " '" + path + "'").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    std::vector<Fact> facts;
    if (pipe == nullptr || pclose(pipe) != 0)
        return facts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        facts.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
    }
    return facts;
}

// The facts that start with prefix.
std::vector<Fact> facts_with(const std::vector<Fact>& facts, const Fact& prefix)
{
    std::vector<Fact> found;
    for (const Fact& fact : facts)
        if (fact.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), fact.begin()))
            found.push_back(fact);
    return found;
}

// Whether a fact reads as prefix followed by numbers equal, as float32, to the texts in expected
// (or, with a tolerance, within it).
bool has_fact(const std::vector<Fact>& facts, const Fact& prefix, const std::vector<const char*>& expected,
              double tolerance = 0)
{
    for (const Fact& fact : facts_with(facts, prefix)) {
        bool same = fact.size() == prefix.size() + expected.size();
        for (std::size_t j = 0; same && j < expected.size(); ++j)
            same = tolerance > 0 ? std::abs(std::stod(fact[prefix.size() + j]) - std::stod(expected[j])) <= tolerance
                                 : std::stof(fact[prefix.size() + j]) == std::stof(expected[j]);
        if (same)
            return true;
    }
    return false;
}

class CadExportTest : public AppTest {
protected:
    ModelNumbers numbers_of(const std::string& path)
    {
        load(path);
        ModelNumbers numbers;
        compute_model_numbers(numbers);
        return numbers;
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
};

// Values as the files give them.
struct MemberCase {
    const char* number;                   // a member in tension
    std::vector<const char*> ends;        // x y z of both end nodes
    std::vector<const char*> end_points;  // the end nodes' points in the VTU, counted from 0
    const char* force;
    const char* stress;
};
struct NodeCase {
    const char* number;
    std::vector<const char*> coordinates;  // x y z
    std::vector<const char*> deflection;   // dx dy dz
    std::vector<const char*> load;
};
struct Counts {
    int nodes;
    int tension, compression, zero;  // members by the sign of their force
};
struct RestraintCase {
    const char* node;
    std::vector<const char*> codes;
};
struct ExampleCase {
    const char* name;
    Counts counts;
    MemberCase member;
    NodeCase node;
    RestraintCase restraint;
    double reaction_sum[3];  // minus the sum of the loads
};

const ExampleCase EXAMPLE_CASES[] = {
    {"bridge",
     Counts{12, 12, 8, 1},
     MemberCase{"18", {"4", "4", "0", "8", "0", "0"}, {"7", "2"}, "2.121E+02", "7.071E+01"},
     NodeCase{"2", {"4", "0", "0"}, {"7.9365E-04", "-8.5622E-03", "0"}, {"0", "-100", "0"}},
     RestraintCase{"7", {"0", "1", "0"}},
     {0, 500, 0}},
    {"tower",
     Counts{19, 20, 25, 4},
     MemberCase{"49", {"0", "28", "0", "-1.5", "24", "1.5"}, {"18", "15"}, "3.447E+00", "3.667E+00"},
     NodeCase{"17", {"-6", "24", "0"}, {"1.7231E-02", "4.1969E-03", "1.3846E-02"}, {"15", "-30", "10"}},
     RestraintCase{"1", {"1", "1", "1"}},
     {-35, 68, -10}},
};

TEST_F(CadExportTest, DxfHoldsEveryMemberOnItsStateLayerInTheFilesCoordinates)
{
    for (const ExampleCase& c : EXAMPLE_CASES) {
        SCOPED_TRACE(c.name);
        const ModelNumbers numbers = numbers_of(EXAMPLES + c.name + ".res");
        ASSERT_EQ(write_dxf_file(path("plain.dxf"), numbers, DxfOptions{}), "");
        const std::vector<Fact> dxf = read_back("dxf", path("plain.dxf"));
        ASSERT_FALSE(dxf.empty()) << "ezdxf refused the drawing";
        EXPECT_EQ(facts_with(dxf, {"version"}), (std::vector<Fact>{{"version", "AC1009"}}));
        EXPECT_EQ(facts_with(dxf, {"audit"}), (std::vector<Fact>{{"audit", "0"}}));
        std::vector<std::string> layers;
        for (const Fact& fact : facts_with(dxf, {"layer"}))
            if (fact[1] != "Defpoints")  // ezdxf adds it to every drawing it reads
                layers.push_back(fact[1]);
        std::sort(layers.begin(), layers.end());
        EXPECT_EQ(layers, (std::vector<std::string>{"0", "COMPRESSION", "TENSION", "ZERO"}));
        EXPECT_EQ(facts_with(dxf, {"LINE", "TENSION"}).size(), static_cast<std::size_t>(c.counts.tension));
        EXPECT_EQ(facts_with(dxf, {"LINE", "COMPRESSION"}).size(), static_cast<std::size_t>(c.counts.compression));
        EXPECT_EQ(facts_with(dxf, {"LINE", "ZERO"}).size(), static_cast<std::size_t>(c.counts.zero));
        EXPECT_EQ(facts_with(dxf, {"LINE"}).size() + facts_with(dxf, {"layer"}).size(), dxf.size() - 2);
        EXPECT_TRUE(has_fact(dxf, {"LINE", "TENSION"}, c.member.ends)) << c.member.number;
    }
}

TEST_F(CadExportTest, DxfNumbersAndDeflectedShapeOnTheirOwnLayersWhenAsked)
{
    const ModelNumbers numbers = numbers_of(EXAMPLES + "bridge.res");
    const DxfOptions options{true, true, true, 100, 0.5};
    ASSERT_EQ(write_dxf_file(path("all.dxf"), numbers, options), "");
    const std::vector<Fact> dxf = read_back("dxf", path("all.dxf"));
    ASSERT_FALSE(dxf.empty()) << "ezdxf refused the drawing";
    EXPECT_EQ(facts_with(dxf, {"audit"}), (std::vector<Fact>{{"audit", "0"}}));
    EXPECT_EQ(facts_with(dxf, {"layer"}).size(), 8u);  // with ezdxf's Defpoints
    EXPECT_EQ(facts_with(dxf, {"TEXT", "MEMBER_NUMBERS"}).size(), 21u);
    EXPECT_EQ(facts_with(dxf, {"TEXT", "NODE_NUMBERS"}).size(), 12u);
    EXPECT_EQ(facts_with(dxf, {"LINE", "DEFLECTED"}).size(), 21u);
    EXPECT_TRUE(has_fact(dxf, {"TEXT", "NODE_NUMBERS", "8"}, {"4", "4", "0"}));
    EXPECT_TRUE(has_fact(dxf, {"TEXT", "MEMBER_NUMBERS", "18"}, {"6", "2", "0"}));
    // Member 1 from node 1 (fixed, at the origin) to node 2 at (4, 0, 0) moved by 100 times its
    // deflection (7.9365E-04, -8.5622E-03, 0).
    EXPECT_TRUE(has_fact(dxf, {"LINE", "DEFLECTED"}, {"0", "0", "0", "4.079365", "-0.85622", "0"}, 1e-6));
}

TEST_F(CadExportTest, VtuHoldsEveryNodeAndMemberWithItsData)
{
    const std::vector<std::string> arrays = {
        "PointData node Int32 1",       "PointData deflection Float32 3", "PointData load Float32 3",
        "PointData reaction Float64 3", "PointData restraint Int32 3",    "CellData member Int32 1",
        "CellData force Float32 1",     "CellData stress Float32 1",      "CellData utilisation Float64 1",
        "Points - Float32 3",           "Cells connectivity Int64 2",     "Cells offsets Int64 1",
        "Cells types UInt8 1"};
    for (const ExampleCase& c : EXAMPLE_CASES) {
        SCOPED_TRACE(c.name);
        const ModelNumbers numbers = numbers_of(EXAMPLES + c.name + ".res");
        const int members = c.counts.tension + c.counts.compression + c.counts.zero;
        for (bool with_utilisation : {false, true}) {
            const std::vector<double> utilisation(numbers.members.size(), 0.25);
            ASSERT_EQ(write_vtu_file(path("grid.vtu"), numbers, with_utilisation ? &utilisation : nullptr), "");
            const std::vector<Fact> vtu = read_back("vtu", path("grid.vtu"));
            ASSERT_FALSE(vtu.empty()) << "the XML parser refused the grid";
            EXPECT_EQ(vtu[0], (Fact{"piece", std::to_string(c.counts.nodes), std::to_string(members)}));
            std::vector<std::string> found;
            for (const Fact& fact : facts_with(vtu, {"array"})) {
                found.push_back(fact[1] + " " + fact[2] + " " + fact[3] + " " + fact[4]);
                EXPECT_EQ(fact[5],
                          std::to_string(fact[1] == "CellData" || fact[1] == "Cells" ? members : c.counts.nodes));
            }
            std::vector<std::string> expected = arrays;
            if (!with_utilisation)
                expected.erase(expected.begin() + 8);
            EXPECT_EQ(found, expected);
            EXPECT_EQ(facts_with(vtu, {"tuple", "CellData", "utilisation"}).size(), with_utilisation ? members : 0);
        }
        const std::vector<Fact> vtu = read_back("vtu", path("grid.vtu"));
        const std::string cell = std::to_string(std::stoi(c.member.number) - 1);  // every member here is drawable
        const std::string point = std::to_string(std::stoi(c.node.number) - 1);
        EXPECT_TRUE(has_fact(vtu, {"tuple", "CellData", "member", cell}, {c.member.number}));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "CellData", "force", cell}, {c.member.force}));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "CellData", "stress", cell}, {c.member.stress}));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "Cells", "connectivity", cell}, c.member.end_points));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "Cells", "types", cell}, {"3"}));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "Points", "-", point}, c.node.coordinates));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "PointData", "node", point}, {c.node.number}));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "PointData", "deflection", point}, c.node.deflection));
        EXPECT_TRUE(has_fact(vtu, {"tuple", "PointData", "load", point}, c.node.load));
        const std::string restrained = std::to_string(std::stoi(c.restraint.node) - 1);
        EXPECT_TRUE(has_fact(vtu, {"tuple", "PointData", "restraint", restrained}, c.restraint.codes));
        EXPECT_EQ(facts_with(vtu, {"tuple", "Cells", "offsets"}).back().back(), std::to_string(2 * members));
        // The reactions balance the applied loads, to the rounding of the printed forces.
        double sum[3] = {0, 0, 0};
        for (const Fact& fact : facts_with(vtu, {"tuple", "PointData", "reaction"}))
            for (int j = 0; j < 3; ++j)
                sum[j] += std::stod(fact[4 + j]);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(sum[j], c.reaction_sum[j], 0.5) << j;
    }
}

// Member 4 names node 9, which does not exist; node 4 belongs to no member; there are no results.
TEST_F(CadExportTest, UndrawableMembersAreLeftOutAndUnusedNodesKept)
{
    load_lines({"SMALL kN", "4 4", "1 1 1 0 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 1 0 3.0 0.0 0.0 0.0 0.0 0.0",
                "3 0 0 0 3.0 4.0 0.0 0.0 -5.0 0.0", "4 0 0 0 9.0 9.0 1.0 0.0 0.0 0.0", "1 1 2", "2 2 3", "3 1 3",
                "4 1 9"});
    ASSERT_EQ(results_missing, 1);
    ModelNumbers numbers;
    compute_model_numbers(numbers);

    ASSERT_EQ(write_dxf_file(path("small.dxf"), numbers, DxfOptions{true, true, true, 100, 0}), "");
    const std::vector<Fact> dxf = read_back("dxf", path("small.dxf"));
    ASSERT_FALSE(dxf.empty()) << "ezdxf refused the drawing";
    EXPECT_EQ(facts_with(dxf, {"LINE"}).size(), 3u);
    EXPECT_EQ(facts_with(dxf, {"LINE", "ZERO"}).size(), 3u);
    EXPECT_EQ(facts_with(dxf, {"TEXT", "MEMBER_NUMBERS"}).size(), 3u);
    EXPECT_EQ(facts_with(dxf, {"TEXT", "MEMBER_NUMBERS", "4"}).size(), 0u);
    EXPECT_TRUE(has_fact(dxf, {"TEXT", "NODE_NUMBERS", "4"}, {"9", "9", "1"}));

    ASSERT_EQ(write_vtu_file(path("small.vtu"), numbers), "");
    const std::vector<Fact> vtu = read_back("vtu", path("small.vtu"));
    ASSERT_FALSE(vtu.empty()) << "the XML parser refused the grid";
    EXPECT_EQ(vtu[0], (Fact{"piece", "4", "3"}));
    EXPECT_TRUE(has_fact(vtu, {"tuple", "Points", "-", "3"}, {"9", "9", "1"}));
    EXPECT_TRUE(has_fact(vtu, {"tuple", "Cells", "connectivity", "2"}, {"0", "2"}));
    EXPECT_TRUE(has_fact(vtu, {"tuple", "CellData", "member", "2"}, {"3"}));

    // A folder that does not exist: the reason comes back and nothing is written.
    EXPECT_NE(write_dxf_file(path("missing/small.dxf"), numbers, DxfOptions{}), "");
    EXPECT_NE(write_vtu_file(path("missing/small.vtu"), numbers), "");
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

}  // namespace

// The DXF drawing read back through ezdxf and the VTU grid through Python's XML parser
// (tests/app/read_cad_exports.py): layers, entity and array counts, names and component counts,
// values against the example files' own text (each the shortest text of the value the file gives);
// members that cannot be drawn, nodes no member uses, a file that cannot be written.
#include "app_fixture.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>
#include <sstream>

#include "app/batch/batch_render.h"
#include "app/export/dxf.h"
#include "app/export/vtu.h"
#include "app/model/analysis.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
// The Debian interpreter, where python3-ezdxf installs the library.
const std::string READER = "/usr/bin/python3 " + std::string(KELVARO_SOURCE_DIR) + "/tests/app/read_cad_exports.py ";

// The reader's lines; empty when it refused the file.
std::vector<std::string> read_back(const std::string& kind, const std::string& path)
{
    std::FILE* pipe = popen((READER + kind + " '" + path + "'").c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return pipe != nullptr && pclose(pipe) == 0 ? lines : std::vector<std::string>{};
}

// The lines that start with prefix.
std::vector<std::string> lines_with(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                 [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return found;
}

bool has(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Whether a line is prefix and then numbers each within tolerance of expected.
bool has_near(const std::vector<std::string>& lines, const std::string& prefix, const std::vector<double>& expected,
              double tolerance)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        std::istringstream values(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : "");
        std::vector<double> numbers{std::istream_iterator<double>(values), std::istream_iterator<double>()};
        return numbers.size() == expected.size() &&
               std::equal(numbers.begin(), numbers.end(), expected.begin(),
                          [&](double a, double b) { return std::abs(a - b) <= tolerance; });
    });
}

// The numbers of the model loaded now.
ModelNumbers current_numbers()
{
    return compute_model_numbers(TrussModel, results_missing == 0);
}

class CadExportTest : public AppTest {
protected:
    std::string path(const char* name) const { return (dir_ / name).string(); }
};

struct ExampleCase {
    const char* name;
    std::array<int, 4> counts;           // nodes; members in tension, in compression, without force
    std::vector<std::string> dxf_lines;  // a member in tension, its number, a node's number
    std::vector<double> deflected;       // that member deflected 1000 x (float32: to 1e-5)
    std::vector<std::string> vtu_lines;  // a member's and a node's values, counted from 0
    std::vector<double> reaction_sum;    // minus the sum of the loads
};

const ExampleCase EXAMPLE_CASES[] = {
    {"bridge",
     {12, 12, 8, 1},
     {"LINE TENSION 4 4 0 8 0 0", "TEXT MEMBER_NUMBERS 18 6 2 0", "TEXT NODE_NUMBERS 8 4 4 0"},
     {9.5556, -3.8003, 0, 9.5873, -14.462, 0},
     {"tuple CellData member 17 18", "tuple CellData force 17 212.1", "tuple CellData stress 17 70.71",
      "tuple Cells connectivity 17 7 2", "tuple Points - 1 4 0 0", "tuple PointData node 1 2",
      "tuple PointData deflection 1 0.00079365 -0.0085622 0", "tuple PointData load 1 0 -100 0",
      "tuple PointData restraint 6 0 1 0"},
     {0, 500, 0}},
    {"tower",
     {19, 20, 25, 4},
     {"LINE TENSION 0 28 0 -1.5 24 1.5", "TEXT MEMBER_NUMBERS 49 -0.75 26 0.75", "TEXT NODE_NUMBERS 17 -6 24 0"},
     {19.676, 27.43361, 4.342, 18.041, 24.24797, 8.1166},
     {"tuple CellData force 48 3.447", "tuple CellData stress 48 3.667", "tuple Cells connectivity 48 18 15",
      "tuple Points - 16 -6 24 0", "tuple PointData deflection 16 0.017231 0.0041969 0.013846",
      "tuple PointData load 16 15 -30 10", "tuple PointData restraint 0 1 1 1"},
     {-35, 68, -10}},
};

TEST_F(CadExportTest, DxfHoldsMembersByStateNumbersAndDeflectedShapeInTheFilesCoordinates)
{
    for (const ExampleCase& c : EXAMPLE_CASES) {
        SCOPED_TRACE(c.name);
        load(EXAMPLES + c.name + ".res");
        const ModelNumbers numbers = current_numbers();
        ASSERT_EQ(write_dxf_file(path("all.dxf"), numbers, {true, true, true, 1000, 0.5}), "");
        const std::vector<std::string> dxf = read_back("dxf", path("all.dxf"));
        ASSERT_FALSE(dxf.empty()) << "ezdxf refused the drawing";
        EXPECT_EQ(std::vector<std::string>(dxf.begin(), dxf.begin() + 10),
                  (std::vector<std::string>{"version AC1009", "audit 0", "layer 0", "layer TENSION",
                                            "layer COMPRESSION", "layer ZERO", "layer MEMBER_NUMBERS",
                                            "layer NODE_NUMBERS", "layer DEFLECTED", "layer Defpoints"}));
        const int members = c.counts[1] + c.counts[2] + c.counts[3];
        const char* layers[] = {"TEXT NODE_NUMBERS ", "LINE TENSION ", "LINE COMPRESSION ", "LINE ZERO "};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(lines_with(dxf, layers[k]).size(), static_cast<std::size_t>(c.counts[k])) << layers[k];
        EXPECT_EQ(lines_with(dxf, "LINE DEFLECTED ").size(), static_cast<std::size_t>(members));
        EXPECT_EQ(lines_with(dxf, "TEXT MEMBER_NUMBERS ").size(), static_cast<std::size_t>(members));
        for (const std::string& line : c.dxf_lines)
            EXPECT_TRUE(has(dxf, line)) << line;
        EXPECT_TRUE(has_near(dxf, "LINE DEFLECTED ", c.deflected, 1e-5));
    }
}

// The arrays in order, with their types and components; PointData and Points have a tuple per node.
const char* const VTU_ARRAYS[] = {
    "PointData node Int32 1",       "PointData deflection Float32 3", "PointData load Float32 3",
    "PointData reaction Float64 3", "PointData restraint Int32 3",    "CellData member Int32 1",
    "CellData force Float32 1",     "CellData stress Float32 1",      "CellData utilisation Float64 1",
    "Points - Float32 3",           "Cells connectivity Int64 2",     "Cells offsets Int64 1",
    "Cells types UInt8 1"};

TEST_F(CadExportTest, VtuHoldsEveryNodeAndMemberWithItsData)
{
    for (const ExampleCase& c : EXAMPLE_CASES) {
        SCOPED_TRACE(c.name);
        load(EXAMPLES + c.name + ".res");
        const ModelNumbers numbers = current_numbers();
        std::vector<double> utilisation(numbers.members.size());
        std::iota(utilisation.begin(), utilisation.end(), 0.0);  // each member's own number
        const std::vector<double>* without = nullptr;
        const std::vector<double>* with = &utilisation;
        for (const std::vector<double>* given : {without, with}) {
            ASSERT_EQ(write_vtu_file(path("grid.vtu"), numbers, given), "");
            const std::vector<std::string> vtu = read_back("vtu", path("grid.vtu"));
            ASSERT_FALSE(vtu.empty()) << "the XML parser refused the grid";
            const std::string points = std::to_string(c.counts[0]);
            const std::string cells = std::to_string(c.counts[1] + c.counts[2] + c.counts[3]);
            EXPECT_EQ(vtu[0], "piece " + points + " " + cells);
            std::vector<std::string> arrays;
            for (const char* array : VTU_ARRAYS)
                if (given != nullptr || std::string(array).find("utilisation") == std::string::npos)
                    arrays.push_back(std::string("array ") + array + " " + (array[0] == 'P' ? points : cells));
            EXPECT_EQ(lines_with(vtu, "array "), arrays);
            for (const std::string& line : c.vtu_lines)
                EXPECT_TRUE(has(vtu, line)) << line;
            EXPECT_TRUE(has(vtu, "sum Cells types " + std::to_string(3 * std::stoi(cells))));  // all lines
            if (given != nullptr) {  // utilisation beside each member's number, in the same cell
                for (std::string line : lines_with(vtu, "tuple CellData member "))
                    EXPECT_TRUE(has(vtu, line.replace(15, 6, "utilisation"))) << line;
            }
            // The reactions balance the applied loads, to the rounding of the printed forces.
            EXPECT_TRUE(has_near(vtu, "sum PointData reaction ", c.reaction_sum, 0.5));
        }
    }
}

// Member 4 names node 9, which does not exist; node 4 belongs to no member; there are no results
// (every member on ZERO).
TEST_F(CadExportTest, UndrawableMembersAreLeftOutAndUnusedNodesKept)
{
    load_lines({"SMALL kN", "4 4", "1 1 1 0 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 1 0 3.0 0.0 0.0 0.0 0.0 0.0",
                "3 0 0 0 3.0 4.0 0.0 0.0 -5.0 0.0", "4 0 0 0 9.0 9.0 1.0 0.0 0.0 0.0", "1 1 2", "2 2 3", "3 1 3",
                "4 1 9"});
    ASSERT_EQ(results_missing, 1);
    const ModelNumbers numbers = current_numbers();

    // Nothing asked beyond the members: their three lines and the layers, nothing else.
    ASSERT_EQ(write_dxf_file(path("small.dxf"), numbers, DxfOptions{}), "");
    const std::vector<std::string> dxf = read_back("dxf", path("small.dxf"));
    EXPECT_EQ(lines_with(dxf, "LINE ZERO ").size(), 3u);
    EXPECT_EQ(lines_with(dxf, "layer ").size(), 5u);  // with ezdxf's Defpoints
    EXPECT_EQ(dxf.size(), 10u);

    ASSERT_EQ(write_vtu_file(path("small.vtu"), numbers), "");
    const std::vector<std::string> vtu = read_back("vtu", path("small.vtu"));
    for (const char* line :
         {"piece 4 3", "tuple Points - 3 9 9 1", "tuple Cells connectivity 2 0 2", "tuple CellData member 2 3"})
        EXPECT_TRUE(has(vtu, line)) << line;

    // A folder that does not exist: the reason comes back and nothing is written.
    EXPECT_NE(write_dxf_file(path("missing/small.dxf"), numbers, DxfOptions{}), "");
    EXPECT_NE(write_vtu_file(path("missing/small.vtu"), numbers), "");
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

}  // namespace

// kelvaro-render chooses the writer by the output's extension and hands it the file's numbers and
// the options that stand for its layers.
TEST_F(CadExportTest, KelvaroRenderWritesTheDocumentsByExtension)
{
    const std::string bridge = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";
    const std::string dxf = path("bridge.dxf"), vtu = path("bridge.vtu");
    for (const std::string& out : {dxf, vtu}) {
        const char* const arguments[] = {"kelvaro-render", bridge.c_str(), "-o", out.c_str(), "--numbers"};
        RenderOptions options;
        std::string error;
        ASSERT_TRUE(parse_render_options(5, arguments, options, error)) << error;
        ASSERT_EQ(render_to_file(options).status, RENDER_EXIT_OK);
    }
    RenderOptions shown;
    shown.results_path = bridge;
    show_in_viewer(shown);
    DxfOptions numbered;
    numbered.member_numbers = true;
    std::ifstream dxf_file(dxf, std::ios::binary), vtu_file(vtu, std::ios::binary);
    std::stringstream dxf_text, vtu_text;
    dxf_text << dxf_file.rdbuf();
    vtu_text << vtu_file.rdbuf();
    EXPECT_EQ(dxf_text.str(), dxf_document(current_numbers(), numbered));
    EXPECT_EQ(vtu_text.str(), vtu_document(current_numbers()));
}

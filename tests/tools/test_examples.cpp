// Tests of the bundled examples: each committed results file is what the solver writes for its
// input today, reads through the viewer's rules with counts in the viewer's capacity, and shows
// what the example promises (the bridge sags between its supports, the tower is spatial and
// fixed at its base, the roof is the generator's and rests symmetrically on its columns, the
// geometry file has no results). Also the command lines' exit status and output.
#include <unistd.h>
#include "results_columns.h"
#include "tools/results_writer.h"
#include "tools/truss_input.h"
#include "tools/truss_models.h"
#include "tools/truss_solver.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace rc = results_columns;

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string solve_to_text(const std::string& input, bool geometry_only)
{
    std::ifstream in(EXAMPLES + "src/" + input);
    TrussInput truss;
    TrussSolution solution;
    std::string error;
    EXPECT_TRUE(read_truss(in, truss, error)) << error;
    if (!geometry_only) {
        EXPECT_TRUE(solve_truss(truss, solution, error)) << error;
    }
    std::ostringstream out;
    EXPECT_TRUE(write_results(out, truss, geometry_only ? nullptr : &solution, error)) << error;
    return out.str();
}

// Lines must agree; a number may differ in its last printed digit (another compiler's round-off).
void expect_same_results(const std::string& committed, const std::string& fresh)
{
    std::istringstream a(committed), b(fresh);
    std::string la, lb;
    int line = 0;
    while (true) {
        bool more_a = static_cast<bool>(std::getline(a, la));
        bool more_b = static_cast<bool>(std::getline(b, lb));
        ++line;
        ASSERT_EQ(more_a, more_b) << "line " << line << ": one file is longer; regenerate the examples";
        if (!more_a)
            break;
        if (la == lb)
            continue;
        std::istringstream ta(la), tb(lb);
        std::string wa, wb;
        while (ta >> wa) {
            ASSERT_TRUE(static_cast<bool>(tb >> wb)) << "line " << line;
            if (wa == wb)
                continue;
            double va = std::strtod(wa.c_str(), nullptr), vb = std::strtod(wb.c_str(), nullptr);
            EXPECT_NEAR(va, vb, 2e-3 * std::fabs(vb) + 1e-30) << "line " << line << ": " << la << " / " << lb;
        }
    }
}

TEST(Examples, CommittedFilesAreWhatTheSolverWritesNow)
{
    expect_same_results(read_file(EXAMPLES + "bridge.res"), solve_to_text("bridge.truss", false));
    expect_same_results(read_file(EXAMPLES + "tower.res"), solve_to_text("tower.truss", false));
    expect_same_results(read_file(EXAMPLES + "roof.res"), solve_to_text("roof.truss", false));
    expect_same_results(read_file(EXAMPLES + "bridge-geometry.res"), solve_to_text("bridge.truss", true));
}

TEST(Examples, BridgeLoadCasesAreWhatTheSolverWritesNow)
{
    for (const char* name : {"bridge-dead", "bridge-live", "bridge-wind"})
        expect_same_results(read_file(EXAMPLES + name + ".res"), solve_to_text(std::string(name) + ".truss", false));
}

// Checks shared by every file with results: counts in capacity, element lines numbered in order
// with end nodes that exist, zero deflection wherever a restraint code is 1, result lines
// numbered 1..M, and a deflection the viewer accepts (not all zero).
void expect_readable(const rc::ResultsFile& f)
{
    ASSERT_GE(f.counts.nodes, 2);
    ASSERT_LE(f.counts.nodes, TRUSS_MAX_NODES);
    ASSERT_GE(f.counts.elements, 1);
    ASSERT_LE(f.counts.elements, TRUSS_MAX_MEMBERS);
    for (int e = 0; e < f.counts.elements; ++e) {
        EXPECT_EQ(f.elements[e][0], e + 1);
        for (int j = 1; j <= 2; ++j) {
            EXPECT_GE(f.elements[e][j], 1);
            EXPECT_LE(f.elements[e][j], f.counts.nodes);
        }
    }
    if (!f.has_results)
        return;
    double largest = 0;
    for (int i = 0; i < f.counts.nodes; ++i) {
        const rc::Deflection& d = f.deflections[i];
        double components[3] = {d.x, d.y, d.z};
        for (int k = 0; k < 3; ++k) {
            if (f.nodes[i][k] == 1) {
                EXPECT_EQ(components[k], 0.0) << "restrained node " << i + 1;
            }
            largest = std::max(largest, std::fabs(components[k]));
        }
    }
    EXPECT_GT(largest, 0.0);
    for (int e = 0; e < f.counts.elements; ++e) {
        EXPECT_EQ(f.results[e].element, e + 1);
        EXPECT_EQ(f.results[e].text.size(), 23u);
    }
}

TEST(Examples, BridgeIsPlanarAndSagsBetweenItsSupports)
{
    rc::ResultsFile f = rc::read_results_text(read_file(EXAMPLES + "bridge.res"));
    expect_readable(f);
    ASSERT_TRUE(f.has_results);
    int supports = 0;
    double lowest = 0;
    int lowest_node = 0;
    for (int i = 0; i < f.counts.nodes; ++i) {
        EXPECT_EQ(f.nodes[i][5], 0.0);  // z
        if (f.nodes[i][1] == 1)
            ++supports;
        if (f.deflections[i].y < lowest) {
            lowest = f.deflections[i].y;
            lowest_node = i;
        }
        EXPECT_LE(f.deflections[i].y, 0.0) << "node " << i + 1;
    }
    EXPECT_EQ(supports, 2);
    // The lowest point is at midspan (x = 12 m), sagging by less than span / 500.
    EXPECT_DOUBLE_EQ(f.nodes[lowest_node][3], 12.0);
    EXPECT_LT(lowest, -1e-3);
    EXPECT_GT(lowest, -24.0 / 500);
    // Top chord in compression, bottom chord in tension.
    for (int e = 0; e < f.counts.elements; ++e) {
        double ya = f.nodes[f.elements[e][1] - 1][4], yb = f.nodes[f.elements[e][2] - 1][4];
        if (ya == 0 && yb == 0) {
            EXPECT_GT(f.results[e].force, 0.0) << "bottom chord " << e + 1;
        } else if (ya == 4 && yb == 4) {
            EXPECT_LT(f.results[e].force, 0.0) << "top chord " << e + 1;
        }
    }
}

TEST(Examples, TowerIsSpatialAndFixedAtItsBase)
{
    rc::ResultsFile f = rc::read_results_text(read_file(EXAMPLES + "tower.res"));
    expect_readable(f);
    ASSERT_TRUE(f.has_results);
    int nonzero_z = 0, fixed_base = 0;
    for (int i = 0; i < f.counts.nodes; ++i) {
        if (f.nodes[i][5] != 0)
            ++nonzero_z;
        if (f.nodes[i][4] == 0 && f.nodes[i][0] == 1 && f.nodes[i][1] == 1 && f.nodes[i][2] == 1)
            ++fixed_base;
    }
    EXPECT_GT(nonzero_z, 0);
    EXPECT_EQ(fixed_base, 4);
    // Pushed along +x at the top, the peak moves along +x.
    EXPECT_GT(f.deflections[f.counts.nodes - 1].x, 0.0);
}

TEST(Examples, RoofInputIsWhatTheGeneratorWritesByDefault)
{
    std::string error;
    EXPECT_EQ(read_file(EXAMPLES + "src/roof.truss"), generate_roof(RoofParameters{}, error)) << error;
}

TEST(Examples, RoofRestsOnSixteenColumnsAndSagsSymmetrically)
{
    rc::ResultsFile f = rc::read_results_text(read_file(EXAMPLES + "roof.res"));
    expect_readable(f);
    ASSERT_TRUE(f.has_results);
    ASSERT_EQ(f.counts.nodes, 221);
    ASSERT_EQ(f.counts.elements, 800);
    int columns = 0;
    for (int i = 0; i < f.counts.nodes; ++i)
        if (f.nodes[i][0] == 1 && f.nodes[i][1] == 1 && f.nodes[i][2] == 1) {
            ++columns;
            EXPECT_EQ(f.nodes[i][4], 0.0) << "a column head in the bottom layer, node " << i + 1;
        }
    EXPECT_EQ(columns, 16);
    // Top node (i, j), 11 x 11 of them, is node 1 + 11 j + i. The roof is symmetric about both
    // middle lines and its diagonal, so is its sag; the lowest point is the centre (the corners,
    // outside the corner columns, lift a little).
    auto sag = [&](int i, int j) { return f.deflections[11 * j + i].y; };
    double lowest = 0;
    for (int j = 0; j <= 10; ++j)
        for (int i = 0; i <= 10; ++i) {
            SCOPED_TRACE("top node " + std::to_string(11 * j + i + 1));
            EXPECT_NEAR(sag(i, j), sag(10 - i, j), 1e-4 * std::fabs(sag(i, j)));
            EXPECT_NEAR(sag(i, j), sag(j, i), 1e-4 * std::fabs(sag(i, j)));
            lowest = std::min(lowest, sag(i, j));
        }
    EXPECT_EQ(sag(5, 5), lowest);
    EXPECT_LT(lowest, -1e-3);
    EXPECT_GT(lowest, -30.0 / 1000);  // less than span / 1000
}

TEST(Examples, GeometryFileIsTheBridgeWithoutResults)
{
    std::string geometry = read_file(EXAMPLES + "bridge-geometry.res");
    std::string results = read_file(EXAMPLES + "bridge.res");
    rc::ResultsFile f = rc::read_results_text(geometry);
    expect_readable(f);
    EXPECT_FALSE(f.has_results);
    EXPECT_EQ(results.compare(0, geometry.size(), geometry), 0);
}

int run(const std::string& arguments)
{
    int status = std::system((std::string(TRUSS_SOLVE_PATH) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CommandLine, ExitStatusAndNoOutputFileOnFailure)
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("kelvaro_truss_solve_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string mechanism = (dir / "mechanism.truss").string();
    std::string out = (dir / "out.res").string();
    std::ofstream(mechanism) << "node 1 0 0 0 1 1 0\nnode 2 1 0 0 0 1 0\nnode 3 1 1 0\nnode 4 0 1 0\n"
                                "load 3 1 0 0\nmember 1 1 2 1 1\nmember 2 2 3 1 1\nmember 3 3 4 1 1\n"
                                "member 4 4 1 1 1\n";
    std::filesystem::remove(out);
    EXPECT_EQ(run("-o " + out + " " + mechanism), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(run("--geometry -o " + out + " " + mechanism), 0);  // geometry needs no solve
    EXPECT_EQ(run("-o " + out + " " + EXAMPLES + "src/bridge.truss"), 0);
    EXPECT_EQ(read_file(out), solve_to_text("bridge.truss", false));
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--bogus " + mechanism), 2);
    EXPECT_EQ(run((dir / "missing.truss").string()), 1);
    // "--" ends the options: an input named like an option is still read.
    std::filesystem::copy_file(EXAMPLES + "src/bridge.truss", dir / "-bridge.truss");
    std::filesystem::remove(out);
    std::string in_dir = "cd " + dir.string() + " && " + TRUSS_SOLVE_PATH + " -o " + out;
    EXPECT_NE(std::system((in_dir + " -bridge.truss 2>/dev/null").c_str()), 0);  // taken as an option
    EXPECT_EQ(std::system((in_dir + " -- -bridge.truss").c_str()), 0);
    EXPECT_EQ(read_file(out), solve_to_text("bridge.truss", false));
    // A failed solve leaves an existing output file as it was.
    std::ofstream(out) << "earlier results\n";
    EXPECT_EQ(run("-o " + out + " " + mechanism), 1);
    EXPECT_EQ(read_file(out), "earlier results\n");
    std::filesystem::remove_all(dir);
}

// Standard output and exit status of a shell command.
std::string output_of(const std::string& command, int& status)
{
    std::string text;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return text;
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutput)
{
    for (const char* program : {TRUSS_SOLVE_PATH, TRUSS_GENERATE_PATH}) {
        SCOPED_TRACE(program);
        int status = -1;
        std::string help = output_of(std::string(program) + " --help", status);
        EXPECT_EQ(status, 0);
        EXPECT_NE(help.find("usage: "), std::string::npos) << help;
        std::string version = output_of(std::string(program) + " --version", status);
        EXPECT_EQ(status, 0);
        EXPECT_NE(version.find(std::string(" ") + KELVARO_VERSION + "\n"), std::string::npos) << version;
    }
    int status = -1;
    EXPECT_NE(output_of(std::string(TRUSS_SOLVE_PATH) + " --help", status).find("member E A B"), std::string::npos);
}

TEST(CommandLine, GeneratorChainedWithTheSolverWritesLongNumbersInFreeFields)
{
    // A 12 x 12 roof: 313 nodes and 1,152 members, past the fixed columns of both line kinds.
    int status = -1;
    std::string text = output_of(
        std::string(TRUSS_GENERATE_PATH) + " roof 12 12 --columns-every 4 | " + TRUSS_SOLVE_PATH + " -", status);
    ASSERT_EQ(status, 0);
    rc::ResultsFile f = rc::read_results_text(text);
    expect_readable(f);
    ASSERT_EQ(f.counts.elements, 1152);
    // Member 1000 and node 200 read back through the free fields as the solver computed them.
    std::string error;
    RoofParameters roof;
    roof.nx = roof.ny = 12;
    roof.column_spacing = 4;
    std::istringstream in(generate_roof(roof, error));
    TrussInput truss;
    TrussSolution solution;
    ASSERT_TRUE(read_truss(in, truss, error)) << error;
    ASSERT_TRUE(solve_truss(truss, solution, error)) << error;
    EXPECT_NEAR(f.results[999].force, solution.forces[999], 5e-4 * std::fabs(solution.forces[999]));
    EXPECT_NE(solution.forces[999], 0.0);
    EXPECT_NEAR(f.deflections[199].y, solution.deflections[199][1], 5e-5 * std::fabs(solution.deflections[199][1]));
    EXPECT_NE(solution.deflections[199][1], 0.0);
    EXPECT_EQ(output_of(std::string(TRUSS_GENERATE_PATH) + " roof 1 5", status), "");
    EXPECT_EQ(status, 1);
    output_of(std::string(TRUSS_GENERATE_PATH) + " dome 5", status);
    EXPECT_EQ(status, 2);
}

}  // namespace

// Tests of the bundled examples: each committed results file is what the solver writes for its
// input today, reads through the viewer's rules with counts in the viewer's capacity, and shows
// what the example promises (the bridge sags between its supports, the tower is spatial and
// fixed at its base, the geometry file has no results). Also the command line's exit status.
#include <unistd.h>
#include "results_columns.h"
#include "tools/results_writer.h"
#include "tools/truss_input.h"
#include "tools/truss_solver.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace rc = results_columns;

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string solve_to_text(const std::string& input, bool geometry_only) {
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
void expect_same_results(const std::string& committed, const std::string& fresh) {
  std::istringstream a(committed), b(fresh);
  std::string la, lb;
  int line = 0;
  while (true) {
    bool more_a = static_cast<bool>(std::getline(a, la));
    bool more_b = static_cast<bool>(std::getline(b, lb));
    ++line;
    ASSERT_EQ(more_a, more_b) << "line " << line << ": one file is longer; regenerate the examples";
    if (!more_a) break;
    if (la == lb) continue;
    std::istringstream ta(la), tb(lb);
    std::string wa, wb;
    while (ta >> wa) {
      ASSERT_TRUE(static_cast<bool>(tb >> wb)) << "line " << line;
      if (wa == wb) continue;
      double va = std::strtod(wa.c_str(), nullptr), vb = std::strtod(wb.c_str(), nullptr);
      EXPECT_NEAR(va, vb, 2e-3 * std::fabs(vb) + 1e-30) << "line " << line << ": " << la << " / " << lb;
    }
  }
}

TEST(Examples, CommittedFilesAreWhatTheSolverWritesNow) {
  expect_same_results(read_file(EXAMPLES + "bridge.res"), solve_to_text("bridge.truss", false));
  expect_same_results(read_file(EXAMPLES + "tower.res"), solve_to_text("tower.truss", false));
  expect_same_results(read_file(EXAMPLES + "bridge-geometry.res"), solve_to_text("bridge.truss", true));
}

// Checks shared by every file with results: counts in capacity, element lines numbered in order
// with end nodes that exist, zero deflection wherever a restraint code is 1, result lines
// numbered 1..M, and a deflection the viewer accepts (not all zero).
void expect_readable(const rc::ResultsFile& f) {
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
  if (!f.has_results) return;
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

TEST(Examples, BridgeIsPlanarAndSagsBetweenItsSupports) {
  rc::ResultsFile f = rc::read_results_text(read_file(EXAMPLES + "bridge.res"));
  expect_readable(f);
  ASSERT_TRUE(f.has_results);
  int supports = 0;
  double lowest = 0;
  int lowest_node = 0;
  for (int i = 0; i < f.counts.nodes; ++i) {
    EXPECT_EQ(f.nodes[i][5], 0.0);  // z
    if (f.nodes[i][1] == 1) ++supports;
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

TEST(Examples, TowerIsSpatialAndFixedAtItsBase) {
  rc::ResultsFile f = rc::read_results_text(read_file(EXAMPLES + "tower.res"));
  expect_readable(f);
  ASSERT_TRUE(f.has_results);
  int nonzero_z = 0, fixed_base = 0;
  for (int i = 0; i < f.counts.nodes; ++i) {
    if (f.nodes[i][5] != 0) ++nonzero_z;
    if (f.nodes[i][4] == 0 && f.nodes[i][0] == 1 && f.nodes[i][1] == 1 && f.nodes[i][2] == 1) ++fixed_base;
  }
  EXPECT_GT(nonzero_z, 0);
  EXPECT_EQ(fixed_base, 4);
  // Pushed along +x at the top, the peak moves along +x.
  EXPECT_GT(f.deflections[f.counts.nodes - 1].x, 0.0);
}

TEST(Examples, GeometryFileIsTheBridgeWithoutResults) {
  std::string geometry = read_file(EXAMPLES + "bridge-geometry.res");
  std::string results = read_file(EXAMPLES + "bridge.res");
  rc::ResultsFile f = rc::read_results_text(geometry);
  expect_readable(f);
  EXPECT_FALSE(f.has_results);
  EXPECT_EQ(results.compare(0, geometry.size(), geometry), 0);
}

int run(const std::string& arguments) {
  int status = std::system((std::string(TRUSS_SOLVE_PATH) + " " + arguments + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CommandLine, ExitStatusAndNoOutputFileOnFailure) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kelvaro_truss_solve_test_" + std::to_string(::getpid()));
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
  std::filesystem::remove_all(dir);
}

}  // namespace

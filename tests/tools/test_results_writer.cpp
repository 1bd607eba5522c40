// Tests of the results file writer against the viewer's reading rules (results_columns.h): the
// fixed deflection and result columns read back for 1- and 2-digit numbers and for values of
// either sign and any magnitude, longer node and member numbers push the values into free fields
// that read back too, the stress table text is a neat pair, and the geometry-only file ends right
// after the element lines.
#include "results_columns.h"
#include "tools/results_writer.h"
#include "tools/truss_input.h"
#include "tools/truss_solver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

namespace rc = results_columns;

namespace {

// Values printed with 5 (deflections) or 4 (results) significant digits.
void expect_close(double read, double written, double digits)
{
    EXPECT_NEAR(read, written, std::fabs(written) * 0.5 * std::pow(10.0, 1 - digits) * 1.0001);
}

const double VALUES[] = {0.0, 1.0, -1.0, 0.012345678, -0.017170, 123456.0, -9.87654e-7, 5e-12, -3.2e45};

TEST(DeflectionColumns, ReadBackForEveryNodeNumberAndValue)
{
    for (int node : {1, 9, 10, 50, 99}) {
        for (double v : VALUES) {
            std::array<double, 3> d = {v, -v / 3, v * 7};
            std::string line = format_deflection_line(node, d);
            SCOPED_TRACE(line);
            ASSERT_EQ(line.size(), 39u);
            EXPECT_EQ(line[14], ' ');  // character 15 is never read
            EXPECT_EQ(line[2], ' ');   // the node number ends before the first column starts
            EXPECT_EQ(std::atoi(line.substr(0, line.find(' ', 1)).c_str()), node);
            rc::Deflection r = rc::read_deflection(line);
            expect_close(r.x, d[0], 5);
            expect_close(r.y, d[1], 5);
            expect_close(r.z, d[2], 5);
        }
    }
}

TEST(DeflectionColumns, ValuesTooLargeForTheColumnAreRefused)
{
    EXPECT_EQ(format_deflection_line(1, {-1e100, 0, 0}), "");
    EXPECT_EQ(format_deflection_line(1, {0, 0, -1e-100}), "");
    EXPECT_EQ(format_deflection_line(100, {0, -1e-100, 0}), "");  // the same rule after a long number
}

TEST(ResultColumns, ReadBackAfterTrimmingForOneAndTwoDigitMembers)
{
    for (int member : {1, 7, 10, 49, 999}) {
        for (double stress : VALUES) {
            if (std::fabs(stress) > 1e40)
                continue;
            double force = -stress * 4.5;
            std::string line = format_result_line(member, stress, force);
            SCOPED_TRACE("'" + line + "'");
            ASSERT_EQ(rc::trim(line), line);  // nothing for the viewer to trim away
            rc::ElementResult r = rc::read_element_result(line);
            EXPECT_EQ(r.element, member);
            expect_close(r.stress, stress, 4);
            expect_close(r.force, force, 4);
            // The stress table shows the last 23 characters: stress, three blanks, force.
            ASSERT_EQ(r.text.size(), 23u);
            EXPECT_EQ(r.text.substr(10, 3), "   ");
            expect_close(rc::number(r.text.substr(0, 10)), stress, 4);
            expect_close(rc::number(r.text.substr(13)), force, 4);
        }
    }
}

TEST(LongNumbers, ValuesFollowTheNumberAsFreeFieldsAndReadBack)
{
    for (int node : {100, 4321, 10000000}) {
        for (double v : VALUES) {
            std::array<double, 3> d = {v, -v / 3, v * 7};
            std::string line = format_deflection_line(node, d);
            SCOPED_TRACE(line);
            std::string number = std::to_string(node);
            ASSERT_EQ(line.compare(0, number.size() + 1, number + " "), 0);  // the whole number, then a blank
            EXPECT_EQ(line.substr(number.size()), format_deflection_line(1, d).substr(2));  // values shifted
            rc::Deflection r = rc::read_deflection(line);
            expect_close(r.x, d[0], 5);
            expect_close(r.y, d[1], 5);
            expect_close(r.z, d[2], 5);
        }
    }
    for (int member : {1000, 65536, 10000000}) {
        for (double stress : VALUES) {
            if (std::fabs(stress) > 1e40)
                continue;
            double force = stress * -4.5;
            std::string line = format_result_line(member, stress, force);
            SCOPED_TRACE("'" + line + "'");
            ASSERT_EQ(rc::trim(line), line);
            rc::ElementResult r = rc::read_element_result(line);
            EXPECT_EQ(r.element, member);
            expect_close(r.stress, stress, 4);
            expect_close(r.force, force, 4);
            EXPECT_EQ(r.text, rc::read_element_result(format_result_line(1, stress, force)).text);
        }
    }
}

TEST(ResultColumns, LinesFromTheReadersOwnExampleLayoutAgree)
{
    // The stress 4 to 16 and force 18 to 32 columns, and the table text, on a typical line.
    rc::ElementResult r = rc::read_element_result(format_result_line(5, -123.4, -617.0));
    EXPECT_EQ(r.text, "-1.234E+02   -6.170E+02");
    EXPECT_DOUBLE_EQ(r.stress, -123.4);
    EXPECT_DOUBLE_EQ(r.force, -617.0);
    EXPECT_EQ(format_result_line(1, -1e100, 0), "");
}

TrussInput two_bar()
{
    std::istringstream in(
        "title Two bars - units m, kN, MPa\n"
        "units m kN MPa\nstress_factor 0.001\n"
        "node 1 0 0 0 1 1 0\nnode 2 4 0 0 1 1 0\nnode 3 2 1.5 0\n"
        "load 3 0 -10 0\n"
        "member 1 1 3 0.001 2.1e8\nmember 2 3 2 0.001 2.1e8\n");
    TrussInput truss;
    std::string error;
    EXPECT_TRUE(read_truss(in, truss, error)) << error;
    return truss;
}

TEST(ResultsFile, HeadLinesAndTheGeometryOnlyEnd)
{
    TrussInput truss = two_bar();
    TrussSolution solution;
    std::string error;
    ASSERT_TRUE(solve_truss(truss, solution, error)) << error;
    std::ostringstream full, geometry;
    ASSERT_TRUE(write_results(full, truss, &solution, error)) << error;
    ASSERT_TRUE(write_results(geometry, truss, nullptr, error)) << error;

    // Line 2: no leading blank, exactly one blank between the counts.
    EXPECT_EQ(full.str().substr(0, 32), "Two bars - units m, kN, MPa\n3 2\n");
    rc::ResultsFile f = rc::read_results_text(full.str());
    // Restraint codes x y z come first, then coordinates x y z, then loads x y z.
    EXPECT_EQ(f.nodes[2], (std::vector<double>{0, 0, 0, 2, 1.5, 0, 0, -10, 0}));
    EXPECT_EQ(f.elements[1], (std::vector<int>{2, 3, 2}));
    ASSERT_TRUE(f.has_results);
    expect_close(f.results[1].force, -25.0 / 3, 4);

    // The file without results is the same text cut right after the element lines.
    std::string text = geometry.str();
    EXPECT_FALSE(rc::read_results_text(text).has_results);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 3 + 2);
    EXPECT_EQ(full.str().compare(0, text.size(), text), 0);
}

TEST(ResultsFile, NodeLinesKeepEveryCoordinateTheSolverUsed)
{
    TrussNode node;
    node.coords = {-1.5, 24, 1e-6};  // a tiny z still makes the truss spatial for the viewer
    node.loads = {-0.0, 2.0 / 3, 15};
    node.fixity = {1, 0, 1};
    std::vector<std::string> f = rc::free_fields(format_node_line(17, node), 10);
    EXPECT_EQ(f[0], "17");
    EXPECT_EQ(f[1] + f[2] + f[3], "101");
    EXPECT_EQ(f[4], "-1.5000");
    EXPECT_EQ(f[5], "24.0000");
    EXPECT_EQ(std::strtod(f[6].c_str(), nullptr), 1e-6);
    EXPECT_EQ(f[7], "0.000");
    EXPECT_NEAR(std::strtod(f[8].c_str(), nullptr), 2.0 / 3, 1e-8);
    EXPECT_EQ(f[9], "15.000");
}

}  // namespace

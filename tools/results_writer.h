// truss-solve: writing the results file that kelvaro reads.
//
// Layout (1-based character positions where columns matter):
//
//   line 1            the title
//   line 2            "N M": node count, one space, member count, nothing before N
//   N node lines      "n  rx ry rz  x y z  Px Py Pz" (free fields, any run of spaces between)
//   M element lines   "e  a  b" (free fields)
//   -- the geometry-only file ends here --
//   2 heading lines
//   N deflection lines  node number in 1-2, x in 3-14, y in 16-27, z in 28-39 (each "%12.4E",
//                       which is at most 11 characters, so each column starts with a blank)
//   2 heading lines
//   M result lines    read after trimming blanks: member number first, stress in 4-16, force in
//                     18-32, and the last 23 characters are "stress   force" (each "%10.3E")
//                     for the stress table. The member number is left-aligned in 3 characters,
//                     so the columns are the same for 1- and 2-digit numbers.
//
// A number too long for its place (node 100 and up, member 1000 and up) is written in full and the
// same value text follows it, so the values move right by the extra characters: they no longer sit
// in the fixed columns, but each still starts after a blank (the reader then takes them as the free
// fields after the number) and a result line still ends in the 23 characters of the stress table.
#pragma once

#include "tools/truss_input.h"
#include "tools/truss_solver.h"

#include <array>
#include <ostream>
#include <string>

// One node line: number, restraint codes x y z, coordinates x y z, loads x y z.
std::string format_node_line(int number, const TrussNode& node);

// One element line: number and end nodes.
std::string format_element_line(int number, const TrussMember& member);

// One deflection line, in the fixed columns up to node 99; "" when a value does not fit its
// 12-character column.
std::string format_deflection_line(int node, const std::array<double, 3>& deflection);

// One member result line, in the fixed columns up to member 999; "" when a value does not fit its
// column.
std::string format_result_line(int member, double stress, double force);

// Writes the whole file; without a solution (nullptr) only the geometry, which the viewer shows
// as a truss without results. Returns false with a message when a value does not fit its column.
bool write_results(std::ostream& out, const TrussInput& truss, const TrussSolution* solution, std::string& error);

// Writes text to path through a temporary file beside it that is then renamed over it, so an
// existing file is replaced whole or not at all (a device or a pipe is written directly).
// Returns false when any step fails.
bool replace_file(const std::string& path, const std::string& text);

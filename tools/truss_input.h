// truss-solve: the truss description and its text input format.
//
// A truss file is plain text, one statement per line; '#' starts a comment that runs to the end of
// the line, blank lines are ignored, fields are separated by spaces or tabs. Statements:
//
//   title <text>                   first line of the results file (units belong here)
//   units <length> <force> <stress>  unit names used in the results headings (optional)
//   stress_factor <f>              printed stress = force / area * f (default 1; 0.001 turns
//                                  kN/m^2 into MPa)
//   section <name> <A> <E> [<I>]   a named cross-section: area, Young's modulus and optionally the
//                                  second moment of area about the weaker axis (for buckling
//                                  checks; the solver itself does not use it)
//   node <n> <x> <y> <z> [<rx> <ry> <rz>]
//                                  node n at (x, y, z); restraint codes per direction,
//                                  1 = restrained, 0 = free (default 0 0 0)
//   load <n> <Px> <Py> <Pz>        load on node n; several load lines on one node add up
//   member <e> <a> <b> <section>   member e from node a to node b with a named section
//   member <e> <a> <b> <A> <E> [<I>]  ... or with its area, modulus (and I) given directly
//
// Nodes must be numbered 1..N and members 1..M without gaps (any order), N and M at most 10,000,000.
// Units are the user's: any consistent set (m, kN, kN/m^2 or mm, N, N/mm^2). A truss whose z
// coordinates are all zero is planar: the solver restrains z at every node and rejects z loads.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

inline constexpr int TRUSS_MAX_NODES = 10000000;    // capacity of the results viewer
inline constexpr int TRUSS_MAX_MEMBERS = 10000000;  // capacity of the results viewer

struct TrussNode {
    std::array<double, 3> coords{};  // x, y, z (length unit)
    std::array<int, 3> fixity{};     // restraint code per direction x, y, z: 1 restrained, 0 free
    std::array<double, 3> loads{};   // applied load per direction (force unit)
};

struct TrussMember {
    int node_a = 0;      // first end node, 1-based
    int node_b = 0;      // second end node, 1-based
    double area = 0;     // cross-section area (length unit squared)
    double modulus = 0;  // Young's modulus (force unit per length unit squared)
    double inertia = 0;  // second moment of area (length unit to the fourth); 0 when not given
};

struct TrussInput {
    std::string title;                 // first line of the results file
    std::string length_unit;           // for the results headings; empty = not stated
    std::string force_unit;            // for the results headings; empty = not stated
    std::string stress_unit;           // for the results headings; empty = not stated
    double stress_factor = 1.0;        // printed stress = force / area * stress_factor
    std::vector<TrussNode> nodes;      // nodes[i] is node i + 1
    std::vector<TrussMember> members;  // members[e] is member e + 1
};

// Reads a truss description. Returns false with a message naming the line on any error.
bool read_truss(std::istream& in, TrussInput& truss, std::string& error);

// True when every node's z coordinate is exactly zero (the truss is analysed in the x-y plane).
bool truss_is_planar(const TrussInput& truss);

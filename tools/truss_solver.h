// truss-solve: the linear static analysis of a pin-jointed truss.
//
// Each member is a two-force bar: stiffness E A / L along its axis, none across it. The stiffness
// matrix of the free degrees of freedom is assembled as a sparse matrix and K u = f is solved by a
// sparse Cholesky (LDL^T) factorisation with a fill-reducing ordering. A planar truss (all z = 0) has
// no stiffness in z, so its z freedoms are restrained for the solve. A zero or tiny pivot means the
// truss is a mechanism (or unsupported); this is reported, never solved around.
#pragma once

#include "tools/truss_input.h"

#include <array>
#include <string>
#include <vector>

struct TrussSolution {
    std::vector<std::array<double, 3>> deflections;  // per node: x, y, z displacement (length unit)
    std::vector<std::array<double, 3>> reactions;    // per node: support force, 0 where free
    std::vector<double> forces;                      // per member: axial force, tension positive
    std::vector<double> stresses;                    // per member: force / area * stress_factor
};

// Solves the truss. Returns false with a message when the input has a load the model cannot carry
// (a z load on a planar truss) or when the stiffness matrix is singular (names the node and
// direction where the factorisation broke down).
bool solve_truss(const TrussInput& truss, TrussSolution& solution, std::string& error);

// Length and unit direction (a -> b) of member e (0-based index).
double member_geometry(const TrussInput& truss, int e, std::array<double, 3>& direction);

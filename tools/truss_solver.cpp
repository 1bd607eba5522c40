// truss-solve: stiffness assembly, Cholesky solution, member forces and reactions.
//
// Freedom numbering: node n (1-based), direction k (0 x, 1 y, 2 z) is freedom 3 (n - 1) + k. The
// matrices are dense: at most 150 freedoms, so a full factorisation costs well under a millisecond
// and needs no band or sparse bookkeeping.
#include "tools/truss_solver.h"

#include <algorithm>
#include <cmath>

namespace {

// A pivot below this fraction of the freedom's own diagonal stiffness is taken as zero: a
// mechanism leaves only round-off (about 1e-16 of the diagonal) there.
constexpr double PIVOT_TOLERANCE = 1e-10;

// Results smaller than this fraction of the largest of their kind are round-off and set to zero,
// so that symmetric or unloaded parts print as clean zeros.
constexpr double ROUND_OFF = 1e-9;

const char* const DIRECTION_NAMES[3] = {"x", "y", "z"};

using Matrix = std::vector<double>;  // row-major, n x n

// Also turns a negative zero into a positive one, which would otherwise print as "-0.000E+00".
void snap_to_zero(const std::vector<double*>& values) {
  double largest = 0;
  for (double* v : values) largest = std::max(largest, std::fabs(*v));
  for (double* v : values)
    *v = std::fabs(*v) <= ROUND_OFF * largest ? 0.0 : *v;
}

}  // namespace

double member_geometry(const TrussInput& truss, int e, std::array<double, 3>& direction) {
  const TrussMember& m = truss.members[e];
  const auto& a = truss.nodes[m.node_a - 1].coords;
  const auto& b = truss.nodes[m.node_b - 1].coords;
  double length = std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                            (b[2] - a[2]) * (b[2] - a[2]));
  for (int k = 0; k < 3; ++k) direction[k] = (b[k] - a[k]) / length;
  return length;
}

bool solve_truss(const TrussInput& truss, TrussSolution& solution, std::string& error) {
  const int node_count = static_cast<int>(truss.nodes.size());
  const int member_count = static_cast<int>(truss.members.size());
  const int n = 3 * node_count;
  const bool planar = truss_is_planar(truss);

  std::vector<bool> restrained(n, false);
  std::vector<double> load(n, 0.0);
  for (int i = 0; i < node_count; ++i) {
    for (int k = 0; k < 3; ++k) {
      restrained[3 * i + k] = truss.nodes[i].fixity[k] == 1;
      load[3 * i + k] = truss.nodes[i].loads[k];
    }
    if (planar) {
      if (truss.nodes[i].loads[2] != 0) {
        error = "node " + std::to_string(i + 1) +
                " has a z load, but the truss is planar (all z = 0) and carries no z load";
        return false;
      }
      restrained[3 * i + 2] = true;
    }
  }

  // Member stiffness in global axes: (E A / L) [d d^T, -d d^T; -d d^T, d d^T].
  Matrix k_global(static_cast<std::size_t>(n) * n, 0.0);
  auto k_at = [&k_global, n](int r, int c) -> double& {
    return k_global[static_cast<std::size_t>(r) * n + c];
  };
  for (int e = 0; e < member_count; ++e) {
    std::array<double, 3> d{};
    double length = member_geometry(truss, e, d);
    const TrussMember& m = truss.members[e];
    double axial = m.modulus * m.area / length;
    int ends[2] = {3 * (m.node_a - 1), 3 * (m.node_b - 1)};
    for (int p = 0; p < 2; ++p)
      for (int q = 0; q < 2; ++q) {
        double sign = p == q ? 1.0 : -1.0;
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c)
            k_at(ends[p] + r, ends[q] + c) += sign * axial * d[r] * d[c];
      }
  }

  // Reduced system over the free freedoms.
  std::vector<int> free_dofs;
  for (int i = 0; i < n; ++i)
    if (!restrained[i]) free_dofs.push_back(i);
  const int m = static_cast<int>(free_dofs.size());
  Matrix l(static_cast<std::size_t>(m) * m, 0.0);
  std::vector<double> x(m);
  for (int r = 0; r < m; ++r) {
    for (int c = 0; c < m; ++c)
      l[static_cast<std::size_t>(r) * m + c] = k_at(free_dofs[r], free_dofs[c]);
    x[r] = load[free_dofs[r]];
  }

  // Cholesky K = L L^T in the lower triangle, column by column, with the pivot check.
  auto at = [&l, m](int r, int c) -> double& { return l[static_cast<std::size_t>(r) * m + c]; };
  for (int j = 0; j < m; ++j) {
    double diagonal = at(j, j);
    double pivot = diagonal;
    for (int s = 0; s < j; ++s) pivot -= at(j, s) * at(j, s);
    if (!(diagonal > 0) || !(pivot > PIVOT_TOLERANCE * diagonal)) {
      int dof = free_dofs[j];
      error = "the truss is unstable (singular stiffness matrix) at node " + std::to_string(dof / 3 + 1) +
              ", direction " + DIRECTION_NAMES[dof % 3] +
              (diagonal > 0 ? ": a mechanism; add a member or a restraint"
                            : ": no member gives it stiffness in that direction");
      return false;
    }
    double root = std::sqrt(pivot);
    at(j, j) = root;
    for (int r = j + 1; r < m; ++r) {
      double v = at(r, j);
      for (int s = 0; s < j; ++s) v -= at(r, s) * at(j, s);
      at(r, j) = v / root;
    }
  }
  for (int r = 0; r < m; ++r) {  // forward: L y = f
    double v = x[r];
    for (int s = 0; s < r; ++s) v -= at(r, s) * x[s];
    x[r] = v / at(r, r);
  }
  for (int r = m - 1; r >= 0; --r) {  // backward: L^T u = y
    double v = x[r];
    for (int s = r + 1; s < m; ++s) v -= at(s, r) * x[s];
    x[r] = v / at(r, r);
  }

  std::vector<double> u(n, 0.0);
  for (int r = 0; r < m; ++r) u[free_dofs[r]] = x[r];

  solution = TrussSolution{};
  solution.deflections.assign(node_count, {0, 0, 0});
  solution.reactions.assign(node_count, {0, 0, 0});
  solution.forces.assign(member_count, 0.0);
  solution.stresses.assign(member_count, 0.0);

  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(u[i])) {
      error = "the solution is not finite (node " + std::to_string(i / 3 + 1) + ")";
      return false;
    }
    solution.deflections[i / 3][i % 3] = u[i];
    if (restrained[i]) {  // reaction = K u - f on a restrained freedom
      double r = -load[i];
      for (int c = 0; c < n; ++c) r += k_at(i, c) * u[c];
      solution.reactions[i / 3][i % 3] = r;
    }
  }
  for (int e = 0; e < member_count; ++e) {
    std::array<double, 3> d{};
    double length = member_geometry(truss, e, d);
    const TrussMember& mem = truss.members[e];
    double stretch = 0;
    for (int k = 0; k < 3; ++k)
      stretch += d[k] * (u[3 * (mem.node_b - 1) + k] - u[3 * (mem.node_a - 1) + k]);
    solution.forces[e] = mem.modulus * mem.area / length * stretch;
  }

  std::vector<double*> deflections, reactions, forces;
  for (auto& d : solution.deflections)
    for (double& v : d) deflections.push_back(&v);
  for (auto& r : solution.reactions)
    for (double& v : r) reactions.push_back(&v);
  for (double& f : solution.forces) forces.push_back(&f);
  snap_to_zero(deflections);
  snap_to_zero(reactions);
  snap_to_zero(forces);
  for (int e = 0; e < member_count; ++e)
    solution.stresses[e] = solution.forces[e] / truss.members[e].area * truss.stress_factor + 0.0;
  return true;
}

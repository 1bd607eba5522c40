// truss-solve: stiffness assembly, sparse Cholesky solution, member forces and reactions.
//
// Freedom numbering: node n (1-based), direction k (0 x, 1 y, 2 z) is freedom 3 (n - 1) + k. The
// stiffness matrix of the free freedoms is assembled as a sparse matrix (a member couples only its
// two end nodes) and factorised by Eigen's SimplicialLDLT, K = P^T L D L^T P, with an approximate
// minimum degree ordering P that keeps the fill of L small: a space grid of 100,000 members factorises
// in well under a second. Reactions come from the member forces, so no matrix of the restrained
// freedoms is ever formed.
//
// Mechanism detection: a freedom that no member stiffens has a zero diagonal and is named first (the
// lowest such freedom). Otherwise each pivot D(k) is compared with the diagonal stiffness of its own
// freedom; a mechanism leaves only round-off there. The first pivot in elimination order that is not
// clearly positive is mapped back through the ordering to its node and direction: that freedom can
// move without resistance while the freedoms eliminated after it are held.
#include "tools/truss_solver.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

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

using SparseMatrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
using Factorisation = Eigen::SimplicialLDLT<SparseMatrix, Eigen::Lower, Eigen::AMDOrdering<int>>;

// Also turns a negative zero into a positive one, which would otherwise print as "-0.000E+00".
void snap_to_zero(const std::vector<double*>& values)
{
    double largest = 0;
    for (double* v : values)
        largest = std::max(largest, std::fabs(*v));
    for (double* v : values)
        *v = std::fabs(*v) <= ROUND_OFF * largest ? 0.0 : *v;
}

std::string unstable_at(int dof, bool has_stiffness)
{
    return "the truss is unstable (singular stiffness matrix) at node " + std::to_string(dof / 3 + 1) + ", direction " +
           DIRECTION_NAMES[dof % 3] +
           (has_stiffness ? ": a mechanism; add a member or a restraint"
                          : ": no member gives it stiffness in that direction");
}

}  // namespace

double member_geometry(const TrussInput& truss, int e, std::array<double, 3>& direction)
{
    const TrussMember& m = truss.members[e];
    const auto& a = truss.nodes[m.node_a - 1].coords;
    const auto& b = truss.nodes[m.node_b - 1].coords;
    double length = std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) +
                              (b[2] - a[2]) * (b[2] - a[2]));
    for (int k = 0; k < 3; ++k)
        direction[k] = (b[k] - a[k]) / length;
    return length;
}

bool solve_truss(const TrussInput& truss, TrussSolution& solution, std::string& error)
{
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

    // Equation number of each free freedom, -1 for a restrained one.
    std::vector<int> equation(n, -1);
    std::vector<int> free_dofs;
    for (int i = 0; i < n; ++i)
        if (!restrained[i]) {
            equation[i] = static_cast<int>(free_dofs.size());
            free_dofs.push_back(i);
        }
    const int m = static_cast<int>(free_dofs.size());

    // Member stiffness in global axes: (E A / L) [d d^T, -d d^T; -d d^T, d d^T], lower triangle of
    // the free rows and columns only (the factorisation reads the lower triangle; duplicates add up).
    std::vector<Eigen::Triplet<double, int>> entries;
    entries.reserve(static_cast<std::size_t>(member_count) * 21);
    std::vector<double> diagonal(m, 0.0);
    for (int e = 0; e < member_count; ++e) {
        std::array<double, 3> d{};
        double length = member_geometry(truss, e, d);
        const TrussMember& mem = truss.members[e];
        double axial = mem.modulus * mem.area / length;
        int ends[2] = {3 * (mem.node_a - 1), 3 * (mem.node_b - 1)};
        for (int p = 0; p < 2; ++p)
            for (int q = 0; q < 2; ++q) {
                double sign = p == q ? 1.0 : -1.0;
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) {
                        int row = equation[ends[p] + r], column = equation[ends[q] + c];
                        if (row < 0 || column < 0 || row < column)
                            continue;
                        double value = sign * axial * d[r] * d[c];
                        entries.emplace_back(row, column, value);
                        if (row == column)
                            diagonal[row] += value;
                    }
            }
    }
    for (int j = 0; j < m; ++j)
        if (!(diagonal[j] > 0)) {
            error = unstable_at(free_dofs[j], false);
            return false;
        }

    std::vector<double> u(n, 0.0);
    if (m > 0) {
        SparseMatrix k_free(m, m);
        k_free.setFromTriplets(entries.begin(), entries.end());
        entries = {};
        Factorisation factors(k_free);
        // Pivots in elimination order; the factorisation stops at an exact zero, which the scan meets first.
        const Eigen::VectorXd pivots = factors.vectorD();
        const auto& order = factors.permutationPinv().indices();  // elimination step -> equation
        for (int k = 0; k < m; ++k) {
            int j = order[k];
            if (!(pivots[k] > PIVOT_TOLERANCE * diagonal[j])) {
                error = unstable_at(free_dofs[j], true);
                return false;
            }
        }
        if (factors.info() != Eigen::Success) {
            error = "the stiffness matrix cannot be factorised";
            return false;
        }
        Eigen::VectorXd f(m);
        for (int r = 0; r < m; ++r)
            f[r] = load[free_dofs[r]];
        Eigen::VectorXd x = factors.solve(f);
        for (int r = 0; r < m; ++r)
            u[free_dofs[r]] = x[r];
    }

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
    }
    // Reaction = K u - f on a restrained freedom: the pull of the members minus the load there.
    std::vector<double> member_pull(n, 0.0);
    for (int e = 0; e < member_count; ++e) {
        std::array<double, 3> d{};
        double length = member_geometry(truss, e, d);
        const TrussMember& mem = truss.members[e];
        int a = 3 * (mem.node_a - 1), b = 3 * (mem.node_b - 1);
        double stretch = 0;
        for (int k = 0; k < 3; ++k)
            stretch += d[k] * (u[b + k] - u[a + k]);
        double force = mem.modulus * mem.area / length * stretch;
        solution.forces[e] = force;
        for (int k = 0; k < 3; ++k) {
            member_pull[a + k] -= force * d[k];
            member_pull[b + k] += force * d[k];
        }
    }
    for (int i = 0; i < n; ++i)
        if (restrained[i])
            solution.reactions[i / 3][i % 3] = member_pull[i] - load[i];

    std::vector<double*> deflections, reactions, forces;
    for (auto& d : solution.deflections)
        for (double& v : d)
            deflections.push_back(&v);
    for (auto& r : solution.reactions)
        for (double& v : r)
            reactions.push_back(&v);
    for (double& f : solution.forces)
        forces.push_back(&f);
    snap_to_zero(deflections);
    snap_to_zero(reactions);
    snap_to_zero(forces);
    for (int e = 0; e < member_count; ++e)
        solution.stresses[e] = solution.forces[e] / truss.members[e].area * truss.stress_factor + 0.0;
    return true;
}

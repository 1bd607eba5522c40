// The numbers behind the engineer's view: member lengths and states, support reactions, the
// equilibrium check, the extremes and the magnification of the drawn deflected shape. Computed from
// a model value once per read; nothing here draws or reads a global. The viewer's overlays, its
// tooltips, its results window, kelvaro-render's options and its report all read these numbers.
//
// Vectors are in the file's order x, y, z (the model's components 2, 3, 1). Indices follow the
// model: nodes 1..node_count, elements 1..element_count, entry 0 unused.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/model/truss_model.h"
#include "app/model/units.h"

using Vec3 = std::array<double, 3>;  // x, y, z as the file gives them

enum class MemberState { None, Tension, Compression };  // by the sign of the file's force: + is tension

// What governs a member's utilisation (app/model/checks.h).
enum class Criterion { None, Tension, Compression, Buckling };

struct Utilisation {
    double value = 0;                       // stress or force over what the member may carry; > 1 fails
    Criterion criterion = Criterion::None;  // None: no limit applies (no limits, no force)
};

// The members' and nodes' numbers are kept for every member and node of a model of millions: their
// fields stand in an order that leaves no gaps between them.
struct MemberNumbers {
    int nodes[2] = {0, 0};                  // end nodes as read (0 when unusable)
    MemberState state = MemberState::None;  // None also without results, and when the force is missing
    bool drawable = false;                  // both end nodes within 1..node_count
    bool force_known = false;               // with results, the file gave a usable force (else force is NaN)
    double length = 0;                      // undeformed length, model length units (0 when not drawable)
    double stress = 0;                      // as the file gives it
    double force = 0;                       // axial force as the file gives it; > 0 tension
    Utilisation utilisation;                // with design limits only (app/model/checks.h)
};

struct NodeNumbers {
    Vec3 coordinates{};  // as the file gives them (not centred)
    Vec3 load{};
    Vec3 deflection{};
    double deflection_magnitude = 0;
    Vec3 reaction{};                 // -(load + member forces on the node) per restrained component, 0 elsewhere
                                     // and where it is within the rounding of the numbers it comes from
    Vec3 residual{};                 // load + member forces in each free component, 0 in restrained ones
    Vec3 rounding{};                 // how far the printed numbers' rounding can move a component's sum
    std::array<int, 3> restraint{};  // restraint codes as in the file, x y z
    bool restrained = false;         // at least one component has restraint code 1
    bool deflection_known = false;   // with results, the file gave all three deflections
    bool reaction_known = false;     // restrained, with results, and every load and member force it sums was given
    bool out_of_balance = false;     // a residual component beyond its rounding: the file is inconsistent
};

struct Extreme {
    int index = 0;     // member or node number; 0 when there is none
    double value = 0;  // force (tension > 0, compression < 0) or deflection magnitude
};

struct ModelNumbers {
    std::vector<NodeNumbers> nodes;      // [i], i = 1..node_count
    std::vector<MemberNumbers> members;  // [e], e = 1..element_count
    Extreme max_tension;                 // largest positive force; index 0 when no member pulls
    Extreme max_compression;             // most negative force; index 0 when no member pushes
    Extreme max_deflection;              // node with the largest deflection magnitude; index 0 when none moves
    double largest_force = 0;            // largest |force| of any member (0 without results)
    Vec3 load_sum{};                     // sum of applied loads
    Vec3 reaction_sum{};                 // sum of reactions
    Vec3 residual{};                     // load_sum + reaction_sum
    double total_load = 0;               // sum of |load components|
    double residual_share = 0;           // |residual| / total_load (0 when total_load is 0)
    bool unbalanced = false;             // residual_share above 1 %
    bool has_results = false;            // results_missing clear when computed
    Units units;                         // the file's units (app/model/units.h), or the user's
    struct {
        int node = 0;      // node of the largest residual magnitude; 0 when every node balances exactly
        double value = 0;  // its residual magnitude, force units
        double share = 0;  // value / the largest applied load component (0 without loads)
    } max_node_residual;
    int nodes_out_of_balance = 0;  // nodes whose residual is beyond the file's rounding
    bool has_utilisation = false;  // design limits were applied (app/model/checks.h)
    struct {
        int member = 0;  // member of the largest utilisation; 0 when none
        double value = 0;
        Criterion criterion = Criterion::None;
    } max_utilisation;
    int members_over_limit = 0;  // members of utilisation above 1
};

// The end nodes a and b of element e (1..usable_element_count, app/model/truss_model.h) when both lie within 1..nodes;
// false (a and b as read) when either does not, and the member cannot be drawn or carry anything.
inline bool member_ends(const TrussModelData& model, int e, int nodes, int& a, int& b)
{
    a = model.element_nodes[e][1];
    b = model.element_nodes[e][2];
    return a >= 1 && a <= nodes && b >= 1 && b <= nodes;
}

// Whether compute_model_numbers keeps the per-node numbers. Without them (None) nodes is empty and so is
// everything the nodes' balance gives: the reactions and residuals, their sums, the residual share,
// unbalanced, max_node_residual and nodes_out_of_balance stay 0. The members, the extremes,
// largest_force, load_sum and total_load are the same either way. A million-member picture that
// draws no node's numbers needs about half the memory without them. Without them the members'
// result texts are not read (they only bound the rounding of the nodes' balance).
enum class NodeNumbersKept { All, None };

// Every number of model as it stands; has_results tells whether the file had usable results.
// A value the file did not give (the model's MISSING_* bits) is NaN here, and so is every number
// computed from it: a member's length and its pull on its nodes, their reactions, the sums and the
// residual share. The extremes and largest_force pass over NaN; a NaN residual share is never
// unbalanced.
// Without results, stresses, forces, deflections and reactions are 0, the states None and the
// model is never unbalanced. The extremes and largest_force consider drawable members only.
ModelNumbers compute_model_numbers(const TrussModelData& model, bool has_results,
                                   NodeNumbersKept kept = NodeNumbersKept::All);
// "tension", "compression" or "none".
std::string_view member_state_name(MemberState state);
// Deflection pixels per length unit divided by view pixels per length unit: how many times the drawn
// deflected shape exaggerates the real one (0 when the view scale is 0).
double drawn_magnification(float deflection_scale, float view_scale);

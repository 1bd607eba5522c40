// The engineer's checks on a model's numbers (app/model/analysis.h): how precisely the file states
// its forces, and whether each member is strong enough.
//
// Utilisation of a member with axial force N and stress s (tension positive):
//   tension      |s| / T
//   compression  the larger of |s| / C and, where the member's section is known, |N| / N_cr with
//                N_cr = pi^2 E I / L^2 (Euler, pin-ended, L the undeformed length).
// T and C are in the file's stress unit; E and I in the solver input's own consistent units, the
// ones its forces and lengths are in, so N_cr comes out in the file's force unit. A member above 1
// carries more than its limit allows.
#pragma once

#include <string_view>
#include <vector>

#include "app/model/analysis.h"

// The cross-section a member was solved with, in the solver input's units.
struct MemberSection {
    double area = 0;     // 0 when unknown
    double modulus = 0;  // Young's modulus; 0 when unknown
    double inertia = 0;  // second moment of area about the buckling axis; 0 when unknown
};

// What the members may carry.
struct DesignLimits {
    double tension = 0;                   // allowable tensile stress, file stress units; 0: no check
    double compression = 0;               // allowable compressive stress (a positive number); 0: no check
    std::vector<MemberSection> sections;  // [e], e = 1..: entry 0 unused; shorter or empty: sections unknown
};

// Half a step of the last digit a number is written with ("-3.536E+02" gives 0.05, "250.000"
// 0.0005); a negative value when text is no number.
double printed_half_step(std::string_view text);
// printed_half_step of the last field of text: what follows its last blank once trailing blanks
// and a CR are left out (the whole text without a blank).
double last_field_half_step(std::string_view text);

// Fills every member's utilisation and the summary (has_utilisation, max_utilisation,
// members_over_limit) of numbers under limits. Without results, or without any limit, no member
// gets a utilisation and has_utilisation stays false.
void apply_design_limits(ModelNumbers& numbers, const DesignLimits& limits);

// One force acting on a node: a member's axial force (tension pulls the node towards the member's
// other end), the node's load or its reaction.
enum class BodyForceKind { Member, Load, Reaction };
struct BodyForce {
    BodyForceKind kind = BodyForceKind::Member;
    int member = 0;  // the member, for kind Member
    Vec3 force{};    // on the node, file axes x, y, z, force units
};

// The free body of node i (1..): one entry per member of some length meeting there, then its load
// and its reaction where they are not zero; in balance these sum to the node's residual. Empty
// without results or for a number with no node.
std::vector<BodyForce> node_free_body(const ModelNumbers& numbers, int i);

// Stress limits written "T" or "T,C" (C = T when left out; blanks around each number allowed):
// true with both in tension and compression; false when the text is not one or two finite numbers.
bool parse_stress_limits(std::string_view text, double& tension, double& compression);

// "tension", "compression", "buckling" or "none".
std::string_view criterion_name(Criterion criterion);

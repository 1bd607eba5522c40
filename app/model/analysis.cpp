// The numbers behind the engineer's view, computed in double precision in one pass over the
// members and one over the nodes (linear in the model's size).
//
// Reactions: a member in tension with force F pulls its end node a towards b with F * unit(b - a)
// and b towards a with the opposite force, both along the undeformed geometry. A node's reaction
// in a restrained component (restraint code 1) balances the applied load and the member forces
// there: reaction = -(load + sum of member forces). Over the whole truss the member forces cancel
// in pairs, so load_sum + reaction_sum is what stays out of balance at the free components: 0 up
// to the rounding of the file's printed forces when the results belong to the geometry.
//
// Coordinates: the reader centres node_coords on model_centre; adding the centre back gives the
// file's values again (to float rounding, which the reported float value absorbs).
//
// Reads only its arguments.
#include "app/model/analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "app/model/checks.h"
#include "app/model/truss_model.h"

namespace {

constexpr int MODEL_COMPONENT[3] = {2, 3, 1};  // model component of the file's x, y, z
constexpr double UNBALANCED_SHARE = 0.01;      // residual share above which the file does not balance
constexpr double MISSING = std::numeric_limits<double>::quiet_NaN();

// v with NaN in each component whose bit (model component k at bit << (k - 1)) is in missing.
Vec3 without_missing(Vec3 v, std::uint16_t missing, std::uint16_t bit)
{
    if (missing == 0)
        return v;  // the file gave everything: most nodes of every file
    for (int j = 0; j < 3; ++j) {
        if (missing & (bit << (MODEL_COMPONENT[j] - 1)))
            v[j] = MISSING;
    }
    return v;
}

bool finite(const Vec3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}
constexpr double STORED_PRECISION = 1.0e-6;  // relative: float32 storage and the solver's own arithmetic

double magnitude(const Vec3& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// Node i's coordinates as the file gives them: the centred value plus the centre, as float32; NaN
// where the file gave none.
Vec3 file_coordinates(const TrussModelData& model, int i)
{
    Vec3 c{};
    for (int j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        const double raw = static_cast<double>(model.node_coords[k][i]) + model.model_centre[k];
        c[j] = static_cast<float>(raw);
    }
    return without_missing(c, node_missing_bits(model, i), MISSING_POSITION);
}

// Node i's values of a per-component record (loads, deflections) in the file's order x, y, z.
Vec3 file_vector(const std::vector<float>* records, int i)
{
    Vec3 v{};
    for (int j = 0; j < 3; ++j)
        v[j] = records[MODEL_COMPONENT[j]][i];
    return v;
}

// Half a step of the last digit of element e's force as the file writes it (the last field of its
// result line), or the float32 rounding of force when the line gave none.
double force_half_step(const TrussModelData& model, int e, double force)
{
    const double half = last_field_half_step(model.element_result_text[e]);
    return half >= 0 ? half : std::fabs(force) * STORED_PRECISION;
}

}  // namespace

std::string_view member_state_name(MemberState state)
{
    switch (state) {
    case MemberState::Tension:
        return "tension";
    case MemberState::Compression:
        return "compression";
    case MemberState::None:
        break;
    }
    return "none";
}

ModelNumbers compute_model_numbers(const TrussModelData& model, bool has_results, NodeNumbersKept kept)
{
    const int node_count = usable_node_count(model);
    const int element_count = usable_element_count(model);
    const bool results = has_results;

    ModelNumbers numbers;
    std::vector<NodeNumbers> nodes;
    std::vector<MemberNumbers> members;
    const bool keep = kept == NodeNumbersKept::All;
    nodes.assign(keep ? static_cast<std::size_t>(node_count) + 1 : 0, NodeNumbers{});
    // Each member is made once in the pass below, not filled first and then written again.
    members.reserve(static_cast<std::size_t>(element_count) + 1);
    members.emplace_back();
    numbers.has_results = results;

    // Each node's coordinates are made once, not once per member that ends at it: in its numbers
    // when they are kept, else as the float values they are in a table of their own.
    std::vector<std::array<float, 3>> coordinates(keep ? 0 : static_cast<std::size_t>(node_count) + 1);
    for (int i = 1; i <= node_count; ++i) {
        const Vec3 c = file_coordinates(model, i);
        if (keep)
            nodes[i].coordinates = c;
        else
            coordinates[i] = {static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2])};
    }
    const auto at = [&](int i) -> Vec3 {
        if (keep)
            return nodes[i].coordinates;
        const std::array<float, 3>& c = coordinates[i];
        return {c[0], c[1], c[2]};
    };

    // Sum of the member forces acting on each node, file order x, y, z, and how far the rounding of
    // the printed forces can move that sum: gathered in the node's residual and rounding, which
    // the pass over the nodes then turns into what their names say.
    // The sums and extremes are gathered in locals, which the stores to the members cannot alias.
    Extreme max_tension, max_compression;
    double largest_force = 0;
    for (int e = 1; e <= element_count; ++e) {
        MemberNumbers& m = members.emplace_back();
        int a, b;
        m.drawable = member_ends(model, e, node_count, a, b);
        m.nodes[0] = a;
        m.nodes[1] = b;
        if (!m.drawable)
            continue;
        const Vec3 pa = at(a);
        const Vec3 pb = at(b);
        const Vec3 span = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
        m.length = magnitude(span);
        if (!results)
            continue;
        const std::uint8_t missing = element_missing_bits(model, e);
        m.stress = missing & MISSING_STRESS ? MISSING : model.element_stress[e];
        m.force = missing & MISSING_FORCE ? MISSING : model.element_force[e];
        m.force_known = std::isfinite(m.force);
        m.state = m.force > 0 ? MemberState::Tension : m.force < 0 ? MemberState::Compression : MemberState::None;
        if (m.force > max_tension.value)
            max_tension = {e, m.force};
        if (m.force < max_compression.value)
            max_compression = {e, m.force};
        if (std::fabs(m.force) > largest_force)
            largest_force = std::fabs(m.force);
        if (!keep)
            continue;
        // A member without a known force or geometry pulls on its nodes by an unknown amount.
        if (!m.force_known || std::isnan(m.length)) {
            nodes[a].residual = nodes[b].residual = {MISSING, MISSING, MISSING};
            continue;
        }
        // A member of no length has no direction: it can carry nothing to its nodes.
        if (!(m.length > 0))
            continue;
        const double uncertain = force_half_step(model, e, m.force) + std::fabs(m.force) * STORED_PRECISION;
        Vec3& pull_a = nodes[a].residual;
        Vec3& pull_b = nodes[b].residual;
        Vec3& rounding_a = nodes[a].rounding;
        Vec3& rounding_b = nodes[b].rounding;
        for (int j = 0; j < 3; ++j) {
            const double pull = m.force * span[j] / m.length;
            pull_a[j] += pull;
            pull_b[j] -= pull;
            const double rounding = uncertain * std::fabs(span[j]) / m.length;
            rounding_a[j] += rounding;
            rounding_b[j] += rounding;
        }
    }
    numbers.max_tension = max_tension;
    numbers.max_compression = max_compression;
    numbers.largest_force = largest_force;
    double largest_load = 0;
    Vec3 load_sum{};
    double total_load = 0;
    Extreme max_deflection;

    NodeNumbers dropped;  // node i's numbers while they are not kept: each field is written before it is read
    for (int i = 1; i <= node_count; ++i) {
        NodeNumbers& n = keep ? nodes[i] : dropped;
        const std::uint16_t missing = node_missing_bits(model, i);
        n.load = without_missing(file_vector(model.node_loads, i), missing, MISSING_LOAD);
        bool restrained = false;
        for (int j = 0; j < 3; ++j) {
            n.restraint[j] = model.node_fixity[MODEL_COMPONENT[j]][i];
            restrained = restrained || n.restraint[j] == 1;
            load_sum[j] += n.load[j];
            total_load += std::fabs(n.load[j]);
            largest_load = std::max(largest_load, std::fabs(n.load[j]));
        }
        n.restrained = restrained;
        if (!results)
            continue;
        n.deflection = without_missing(file_vector(model.node_deflections, i), missing, MISSING_DEFLECTION);
        n.deflection_magnitude = magnitude(n.deflection);
        n.deflection_known = finite(n.deflection);
        if (n.deflection_magnitude > max_deflection.value)
            max_deflection = {i, n.deflection_magnitude};
        if (!keep)
            continue;  // the member forces on the node were not gathered
        const Vec3 member_pull = n.residual;
        n.residual = Vec3{};
        for (int j = 0; j < 3; ++j) {
            const double sum = n.load[j] + member_pull[j];
            n.rounding[j] += std::fabs(n.load[j]) * STORED_PRECISION;
            // Within the rounding of the numbers it comes from, a sum is no force at all.
            const bool noise = std::fabs(sum) <= n.rounding[j];
            if (n.restraint[j] != 1) {
                n.residual[j] = sum;
                n.out_of_balance = n.out_of_balance || (std::isfinite(sum) && !noise);  // a missing sum is unknown
                continue;
            }
            n.reaction[j] = noise ? 0.0 : -sum + 0.0;  // + 0.0: no reaction of -0
            numbers.reaction_sum[j] += n.reaction[j];
        }
        n.reaction_known = n.restrained && finite(n.reaction);
        numbers.nodes_out_of_balance += n.out_of_balance ? 1 : 0;
        const double residual = magnitude(n.residual);
        if (residual > numbers.max_node_residual.value) {
            numbers.max_node_residual.node = i;
            numbers.max_node_residual.value = residual;
        }
    }
    numbers.load_sum = load_sum;
    numbers.total_load = total_load;
    numbers.max_deflection = max_deflection;
    if (largest_load > 0)
        numbers.max_node_residual.share = numbers.max_node_residual.value / largest_load;
    numbers.units = units_from_file(model);

    for (int j = 0; keep && j < 3; ++j)
        numbers.residual[j] = numbers.load_sum[j] + numbers.reaction_sum[j];
    if (keep && numbers.total_load > 0)
        numbers.residual_share = magnitude(numbers.residual) / numbers.total_load;
    if (keep && (!std::isfinite(numbers.total_load) || !finite(numbers.residual)))
        numbers.residual_share = MISSING;  // a sum over a missing or unbounded value
    numbers.unbalanced = results && numbers.residual_share > UNBALANCED_SHARE;
    numbers.nodes = std::move(nodes);
    numbers.members = std::move(members);
    return numbers;
}

double drawn_magnification(float deflection_scale, float view_scale)
{
    // A deflection of one length unit moves its node deflection_scale pixels along the canvas
    // direction of its component; one length unit of the truss spans view_scale pixels.
    if (!(view_scale > 0))
        return 0;
    return static_cast<double>(deflection_scale) / view_scale;
}

#include "app/view/overlay_numbers.h"

#include <algorithm>
#include <cmath>

namespace {

// Nodes 1..n of numbers (fewer where numbers keep no entries for them).
int numbered_nodes(const ModelNumbers& numbers, int n)
{
    return std::min(n, static_cast<int>(numbers.nodes.size()) - 1);
}

}  // namespace

OverlayNumbers compute_overlay_numbers(const TrussModelData& model, const ModelNumbers& numbers, int nodes)
{
    OverlayNumbers o;
    o.node_entries = numbers.nodes.size();
    o.member_entries = numbers.members.size();
    o.elements = usable_element_count(model);
    o.reaction_nodes = numbered_nodes(numbers, nodes);
    for (int i = 1; i <= o.reaction_nodes; ++i) {
        const NodeNumbers& node = numbers.nodes[static_cast<std::size_t>(i)];
        if (!node.restrained)
            continue;
        o.restrained.push_back(i);
        for (int c = 0; c < 3; ++c) {
            const double r = node.reaction[static_cast<std::size_t>(c)];
            if (!std::isfinite(r))
                continue;
            o.largest_reaction = std::max(o.largest_reaction, std::fabs(r));
            if (node.restraint[static_cast<std::size_t>(c)] == 1)
                o.reactions.push_back({i, c, r});
        }
    }
    o.deflection.resize(numbers.nodes.size());
    for (std::size_t i = 0; i < numbers.nodes.size(); ++i)
        o.deflection[i] = numbers.nodes[i].deflection_magnitude;
    // Each group of members with the node groups of its ends, every group once.
    std::vector<std::uint32_t> groups;
    for (int first = 0; first <= o.elements; first += OVERLAY_CHUNK) {
        o.chunk_first.push_back(static_cast<std::uint32_t>(o.chunk_groups.size()));
        groups.clear();
        for (int e = std::max(first, 1); e < first + OVERLAY_CHUNK && e <= o.elements; ++e) {
            for (int end = 1; end <= 2; ++end) {
                const int n = model.element_nodes[static_cast<std::size_t>(e)][static_cast<std::size_t>(end)];
                const auto group = static_cast<std::uint32_t>(n / OVERLAY_CHUNK);
                // Members of a group mostly join the nodes of a few groups: a look through them
                // finds one again sooner than a sort.
                if (n >= 1 && std::find(groups.begin(), groups.end(), group) == groups.end())
                    groups.push_back(group);
            }
        }
        o.chunk_groups.insert(o.chunk_groups.end(), groups.begin(), groups.end());
    }
    o.chunk_first.push_back(static_cast<std::uint32_t>(o.chunk_groups.size()));
    return o;
}

bool overlay_numbers_fit(const OverlayNumbers& overlays, const TrussModelData& model, const ModelNumbers& numbers,
                         int nodes)
{
    return overlays.node_entries == numbers.nodes.size() && overlays.member_entries == numbers.members.size() &&
           overlays.elements == usable_element_count(model) &&
           overlays.reaction_nodes == numbered_nodes(numbers, nodes);
}

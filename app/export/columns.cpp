// The two column tables. Member and node numbers follow the model (1 .. count); vectors are in the
// file's order x, y, z.
#include "app/export/columns.h"

namespace {

using When = ColumnWhen;
using Kind = ColumnKind;

double none(const auto&, int)
{
    return 0;
}

// Each row: key, components, the window's headers, joined, kind; then when the report and when the
// window have a value, and the value.
// clang-format off
constexpr Column<MemberNumbers> MEMBERS[] = {
    {"member", 1, {"Member"}, false, Kind::Index,
     When::Always, When::Always, none},
    {"nodes", 2, {"Node 1", "Node 2"}, false, Kind::Whole,
     When::Always, When::Always, [](const MemberNumbers& m, int k) { return static_cast<double>(m.nodes[k]); }},
    {"length", 1, {"Length"}, false, Kind::Real,
     When::Always, When::Drawable, [](const MemberNumbers& m, int) { return m.length; }},
    {"stress", 1, {"Stress"}, false, Kind::FileReal,
     When::Always, When::WithResults, [](const MemberNumbers& m, int) { return m.stress; }},
    {"force", 1, {"Force"}, false, Kind::FileReal,
     When::Always, When::WithResults, [](const MemberNumbers& m, int) { return m.force; }},
    {"state", 1, {"T/C"}, false, Kind::State,
     When::UnlessForceMissing, When::WithKnownForce,
     [](const MemberNumbers& m, int) { return static_cast<double>(m.state); }},
    {"utilisation", 2, {"Utilisation", "Criterion"}, false, Kind::Utilisation,
     When::Utilised, When::Utilised, [](const MemberNumbers& m, int k) {
         return k == 0 ? m.utilisation.value : static_cast<double>(m.utilisation.criterion); }},
};

constexpr Column<NodeNumbers> NODES[] = {
    {"node", 1, {"Node"}, false, Kind::Index,
     When::Always, When::Always, none},
    {"coordinates", 3, {"x", "y", "z"}, false, Kind::FileReal,
     When::Always, When::Always, [](const NodeNumbers& n, int k) { return n.coordinates[k]; }},
    {"restraint", 3, {"Restraint"}, true, Kind::Whole,
     When::Always, When::Always, [](const NodeNumbers& n, int k) { return static_cast<double>(n.restraint[k]); }},
    {"load", 3, {"Load x", "Load y", "Load z"}, false, Kind::FileReal,
     When::Always, When::Always, [](const NodeNumbers& n, int k) { return n.load[k]; }},
    {"deflection", 3, {"Defl. x", "Defl. y", "Defl. z"}, false, Kind::FileReal,
     When::Always, When::WithResults, [](const NodeNumbers& n, int k) { return n.deflection[k]; }},
    {"deflection_magnitude", 1, {"|Defl.|"}, false, Kind::Real,
     When::Always, When::WithResults, [](const NodeNumbers& n, int) { return n.deflection_magnitude; }},
    // Load and member forces left over at a free component: near 0 when the file is consistent.
    {"residual", 3, {"Residual x", "Residual y", "Residual z"}, false, Kind::Real,
     When::WithResults, When::WithResults, [](const NodeNumbers& n, int k) { return n.residual[k]; }},
    // Only a restrained component has a reaction; the report writes all three of such a node.
    {"reaction", 3, {"Reaction x", "Reaction y", "Reaction z"}, false, Kind::Real,
     When::Restrained, When::RestrainedComponent, [](const NodeNumbers& n, int k) { return n.reaction[k]; }},
};
// clang-format on

}  // namespace

const ColumnTable<MemberNumbers> MEMBER_COLUMNS = {"members", "Members", MEMBERS, &ModelNumbers::members};
const ColumnTable<NodeNumbers> NODE_COLUMNS = {"nodes", "Nodes", NODES, &ModelNumbers::nodes};

template <typename Record>
Quantity column_quantity(const Column<Record>& column)
{
    const std::string_view key = column.key;
    if (key == "length" || key == "coordinates")
        return Quantity::Length;
    if (key == "deflection" || key == "deflection_magnitude")
        return Quantity::Deflection;
    if (key == "force" || key == "load" || key == "reaction" || key == "residual")
        return Quantity::Force;
    if (key == "stress")
        return Quantity::Stress;
    return Quantity::None;
}
template Quantity column_quantity(const Column<MemberNumbers>& column);
template Quantity column_quantity(const Column<NodeNumbers>& column);

std::string_view column_suffix(int components, int component)
{
    static constexpr std::string_view PAIR[] = {"_a", "_b"};
    static constexpr std::string_view AXES[] = {"_x", "_y", "_z"};
    return components == 2 ? PAIR[component] : AXES[component];
}

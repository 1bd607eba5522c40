// Tooltip texts of members and nodes. Numbers are shown with 4 significant digits ("%.4g"), in
// the file's units, each followed by its unit where the units are known (deflections in mm when
// lengths are in m); a value the file did not give (NaN in the numbers) reads "missing".
//
// Reads only its arguments.
#include "app/model/inspect.h"

#include <cmath>
#include <cstdio>

#include "app/model/checks.h"

namespace {

std::string number(double value)
{
    if (std::isnan(value))
        return "missing";
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string vector_text(const Vec3& v)
{
    return number(v[0]) + ", " + number(v[1]) + ", " + number(v[2]);
}

// value in the unit quantity is shown in, with that unit.
std::string quantity(const ModelNumbers& all, double value, Quantity what)
{
    return with_unit(number(value * shown_factor(all.units, what)), shown_unit(all.units, what));
}

// v in the unit quantity is shown in, with that unit once after the three.
std::string vector_quantity(const ModelNumbers& all, const Vec3& v, Quantity what)
{
    const double f = shown_factor(all.units, what);
    return with_unit(vector_text({v[0] * f, v[1] * f, v[2] * f}), shown_unit(all.units, what));
}

}  // namespace

std::string member_tooltip(const ModelNumbers& all, int e)
{
    if (e < 1 || e >= static_cast<int>(all.members.size()))
        return {};
    const MemberNumbers& m = all.members[e];
    std::string text = "Member " + std::to_string(e) + ": nodes " + std::to_string(m.nodes[0]) + " - " +
                       std::to_string(m.nodes[1]) + "\nlength " + quantity(all, m.length, Quantity::Length);
    if (!all.has_results)
        return text + "\nno results";
    text += "\nstress " + quantity(all, m.stress, Quantity::Stress) + "\nforce " +
            quantity(all, m.force, Quantity::Force);
    if (m.drawable && !m.force_known)
        return text;  // no state without a force
    text += " (" + std::string(member_state_name(m.state)) + ")";
    if (all.has_utilisation && m.utilisation.criterion != Criterion::None)
        text += "\nutilisation " + number(m.utilisation.value) + " (" +
                std::string(criterion_name(m.utilisation.criterion)) + ")";
    return text;
}

std::string node_tooltip(const ModelNumbers& all, int i)
{
    if (i < 1 || i >= static_cast<int>(all.nodes.size()))
        return {};
    const NodeNumbers& n = all.nodes[i];
    std::string text = "Node " + std::to_string(i) + ": x, y, z " +
                       vector_quantity(all, n.coordinates, Quantity::Length);
    text += "\nrestraints " + std::to_string(n.restraint[0]) + " " + std::to_string(n.restraint[1]) + " " +
            std::to_string(n.restraint[2]);
    text += "\nload " + vector_quantity(all, n.load, Quantity::Force);
    if (all.has_results) {
        text += "\ndeflection " + vector_quantity(all, n.deflection, Quantity::Deflection) + " (magnitude " +
                quantity(all, n.deflection_magnitude, Quantity::Deflection) + ")";
        if (n.restrained)
            text += "\nreaction " + vector_quantity(all, n.reaction, Quantity::Force);
        text += "\nresidual " + vector_quantity(all, n.residual, Quantity::Force);
        if (n.out_of_balance)
            text += " - beyond the file's rounding";
    }
    return text;
}

// Tooltip texts of members and nodes. Numbers are shown with 4 significant digits ("%.4g"), as
// the file gives them (no units: the file carries none); a value the file did not give (NaN in the
// numbers) reads "missing".
//
// Reads only its arguments.
#include "app/model/inspect.h"

#include <cmath>
#include <cstdio>

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

}  // namespace

std::string member_tooltip(const ModelNumbers& all, int e)
{
    if (e < 1 || e >= static_cast<int>(all.members.size()))
        return {};
    const MemberNumbers& m = all.members[e];
    std::string text = "Member " + std::to_string(e) + ": nodes " + std::to_string(m.nodes[0]) + " - " +
                       std::to_string(m.nodes[1]) + "\nlength " + number(m.length);
    if (!all.has_results)
        return text + "\nno results";
    text += "\nstress " + number(m.stress) + "\nforce " + number(m.force);
    if (m.drawable && !m.force_known)
        return text;  // no state without a force
    return text + " (" + std::string(member_state_name(m.state)) + ")";
}

std::string node_tooltip(const ModelNumbers& all, int i)
{
    if (i < 1 || i >= static_cast<int>(all.nodes.size()))
        return {};
    const NodeNumbers& n = all.nodes[i];
    std::string text = "Node " + std::to_string(i) + ": x, y, z " + vector_text(n.coordinates);
    text += "\nrestraints " + std::to_string(n.restraint[0]) + " " + std::to_string(n.restraint[1]) + " " +
            std::to_string(n.restraint[2]);
    text += "\nload " + vector_text(n.load);
    if (all.has_results) {
        text += "\ndeflection " + vector_text(n.deflection) + " (magnitude " + number(n.deflection_magnitude) + ")";
        if (n.restrained)
            text += "\nreaction " + vector_text(n.reaction);
    }
    return text;
}

// Reading a solver input for the members' sections. Reads the file at the path it is given.
#include "app/export/design_input.h"

#include <fstream>

#include "tools/truss_input.h"

std::string read_member_sections(const std::string& path, int members, DesignLimits& limits)
{
    std::ifstream in(path);
    if (!in)
        return path + ": cannot be read";
    TrussInput truss;
    std::string error;
    if (!read_truss(in, truss, error))
        return path + ": " + error;
    if (static_cast<int>(truss.members.size()) != members)
        return path + ": " + std::to_string(truss.members.size()) + " members, but the results file has " +
               std::to_string(members);
    limits.sections.assign(truss.members.size() + 1, MemberSection{});
    for (std::size_t e = 0; e < truss.members.size(); ++e) {
        const TrussMember& m = truss.members[e];
        limits.sections[e + 1] = {m.area, m.modulus, m.inertia};
    }
    return {};
}

// truss-solve: reading the truss description (format in truss_input.h).
//
// Statements are collected first and checked as a whole at the end, so nodes, loads and members
// may come in any order. Numbers are read with std::from_chars: '.' is the decimal point whatever
// the locale, and a field must be a number from its first to its last character.
#include "tools/truss_input.h"

#include <charconv>
#include <cmath>
#include <map>

namespace {

struct Section {
    double area = 0;
    double modulus = 0;
    double inertia = 0;  // 0 when not given
};

struct PendingMember {
    TrussMember member;
    std::string section;  // empty when area and modulus were given directly
    int line = 0;
};

std::vector<std::string> split_fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'))
            ++i;
        std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
            ++i;
        if (i > start)
            fields.push_back(text.substr(start, i - start));
    }
    return fields;
}

bool to_double(const std::string& text, double& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last && std::isfinite(value);
}

bool to_int(const std::string& text, int& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string at_line(int line)
{
    return "line " + std::to_string(line) + ": ";
}

// Text after the keyword, trimmed of blanks at both ends.
std::string rest_of_line(const std::string& text, const std::string& keyword)
{
    std::size_t start = text.find(keyword) + keyword.size();
    std::size_t first = text.find_first_not_of(" \t", start);
    if (first == std::string::npos)
        return "";
    std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

bool read_truss(std::istream& in, TrussInput& truss, std::string& error)
{
    truss = TrussInput{};
    std::map<int, TrussNode> nodes;
    std::map<int, std::array<double, 3>> loads;
    std::map<int, int> load_lines;
    std::map<int, PendingMember> members;
    std::map<std::string, Section> sections;

    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        std::size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.erase(hash);
        std::vector<std::string> f = split_fields(text);
        if (f.empty())
            continue;
        const std::string& key = f[0];
        auto bad = [&](const std::string& what) {
            error = at_line(line) + what;
            return false;
        };
        auto number = [&](std::size_t i, double& value) {
            if (i < f.size() && to_double(f[i], value))
                return true;
            error = at_line(line) + key + ": field " + std::to_string(i + 1) + " is not a number";
            return false;
        };
        auto count = [&](std::size_t i, int& value) {
            if (i < f.size() && to_int(f[i], value))
                return true;
            error = at_line(line) + key + ": field " + std::to_string(i + 1) + " is not a whole number";
            return false;
        };

        if (key == "title") {
            truss.title = rest_of_line(text, "title");
        } else if (key == "units") {
            if (f.size() != 4)
                return bad("units takes three names: length, force, stress");
            truss.length_unit = f[1];
            truss.force_unit = f[2];
            truss.stress_unit = f[3];
        } else if (key == "stress_factor") {
            if (f.size() != 2 || !number(1, truss.stress_factor))
                return bad("stress_factor takes one number");
            if (truss.stress_factor == 0)
                return bad("stress_factor must not be zero");
        } else if (key == "section") {
            Section s;
            if (f.size() != 4 && f.size() != 5)
                return bad("section takes a name, an area, a modulus and optionally a second moment of area");
            if (!number(2, s.area) || !number(3, s.modulus) || (f.size() == 5 && !number(4, s.inertia)))
                return false;
            if (s.area <= 0 || s.modulus <= 0)
                return bad("section area and modulus must be positive");
            if (f.size() == 5 && s.inertia <= 0)
                return bad("section second moment of area must be positive");
            sections[f[1]] = s;
        } else if (key == "node") {
            if (f.size() != 5 && f.size() != 8)
                return bad("node takes n x y z and optionally rx ry rz");
            int n = 0;
            TrussNode node;
            if (!count(1, n))
                return false;
            for (int k = 0; k < 3; ++k)
                if (!number(2 + k, node.coords[k]))
                    return false;
            if (f.size() == 8) {
                for (int k = 0; k < 3; ++k) {
                    if (!count(5 + k, node.fixity[k]))
                        return false;
                    if (node.fixity[k] != 0 && node.fixity[k] != 1)
                        return bad("restraint codes are 0 or 1");
                }
            }
            if (n < 1 || n > TRUSS_MAX_NODES)
                return bad("node number must be 1.." + std::to_string(TRUSS_MAX_NODES));
            if (nodes.count(n))
                return bad("node " + std::to_string(n) + " defined twice");
            nodes[n] = node;
        } else if (key == "load") {
            if (f.size() != 5)
                return bad("load takes n Px Py Pz");
            int n = 0;
            std::array<double, 3> p{};
            if (!count(1, n))
                return false;
            for (int k = 0; k < 3; ++k)
                if (!number(2 + k, p[k]))
                    return false;
            auto& sum = loads[n];
            for (int k = 0; k < 3; ++k)
                sum[k] += p[k];
            load_lines.emplace(n, line);
        } else if (key == "member") {
            PendingMember m;
            m.line = line;
            int e = 0;
            if (f.size() != 5 && f.size() != 6 && f.size() != 7)
                return bad("member takes e a b and a section or A E [I]");
            if (!count(1, e) || !count(2, m.member.node_a) || !count(3, m.member.node_b))
                return false;
            if (f.size() == 5) {
                m.section = f[4];
            } else {
                if (!number(4, m.member.area) || !number(5, m.member.modulus) ||
                    (f.size() == 7 && !number(6, m.member.inertia)))
                    return false;
                if (m.member.area <= 0 || m.member.modulus <= 0)
                    return bad("member area and modulus must be positive");
                if (f.size() == 7 && m.member.inertia <= 0)
                    return bad("member second moment of area must be positive");
            }
            if (e < 1 || e > TRUSS_MAX_MEMBERS)
                return bad("member number must be 1.." + std::to_string(TRUSS_MAX_MEMBERS));
            if (members.count(e))
                return bad("member " + std::to_string(e) + " defined twice");
            members[e] = m;
        } else {
            return bad("unknown statement '" + key + "'");
        }
    }

    if (nodes.empty()) {
        error = "no nodes";
        return false;
    }
    if (members.empty()) {
        error = "no members";
        return false;
    }
    int node_count = static_cast<int>(nodes.size());
    if (nodes.rbegin()->first != node_count) {
        for (int n = 1; n <= node_count; ++n)
            if (!nodes.count(n)) {
                error = "nodes must be numbered 1.." + std::to_string(node_count) + " without gaps; node " +
                        std::to_string(n) + " is missing";
                return false;
            }
    }
    int member_count = static_cast<int>(members.size());
    if (members.rbegin()->first != member_count) {
        for (int e = 1; e <= member_count; ++e)
            if (!members.count(e)) {
                error = "members must be numbered 1.." + std::to_string(member_count) + " without gaps; member " +
                        std::to_string(e) + " is missing";
                return false;
            }
    }
    for (auto& [n, p] : loads) {
        if (!nodes.count(n)) {
            error = at_line(load_lines[n]) + "load on node " + std::to_string(n) + ", which does not exist";
            return false;
        }
        nodes[n].loads = p;
    }
    for (auto& [n, node] : nodes)
        truss.nodes.push_back(node);

    for (auto& [e, m] : members) {
        std::string where = at_line(m.line) + "member " + std::to_string(e) + ": ";
        if (!m.section.empty()) {
            auto s = sections.find(m.section);
            if (s == sections.end()) {
                error = where + "unknown section '" + m.section + "'";
                return false;
            }
            m.member.area = s->second.area;
            m.member.modulus = s->second.modulus;
            m.member.inertia = s->second.inertia;
        }
        int a = m.member.node_a, b = m.member.node_b;
        if (a < 1 || a > node_count || b < 1 || b > node_count) {
            error = where + "end node does not exist";
            return false;
        }
        if (a == b) {
            error = where + "both ends on node " + std::to_string(a);
            return false;
        }
        const auto& pa = truss.nodes[a - 1].coords;
        const auto& pb = truss.nodes[b - 1].coords;
        if (pa == pb) {
            error = where + "has zero length";
            return false;
        }
        truss.members.push_back(m.member);
    }
    if (truss.title.empty())
        truss.title = "Truss";
    return true;
}

bool truss_is_planar(const TrussInput& truss)
{
    for (const TrussNode& node : truss.nodes)
        if (node.coords[2] != 0)
            return false;
    return true;
}

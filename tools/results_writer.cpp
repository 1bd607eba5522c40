// truss-solve: the results file writer (layout in results_writer.h).
//
// Numbers go through snprintf under the "C" locale's rules for the E and f conversions; the
// program never calls setlocale, so the decimal point is always '.'.
#include "tools/results_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

// snprintf into a std::string.
template <typename... Args>
std::string format(const char* pattern, Args... args)
{
    char buffer[256];
    int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n < 0)
        return "";
    return std::string(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)));
}

// Fixed-point text with the given decimals when that shows the value exactly (to round-off),
// otherwise 9 significant digits in E notation: a z coordinate of 1e-6 must not read back as 0,
// or the viewer would take a spatial truss for a planar one.
std::string plain(double value, int width, int decimals)
{
    std::string text = format("%*.*f", width, decimals, value + 0.0);
    if (std::fabs(std::strtod(text.c_str(), nullptr) - value) > 1e-12 * std::max(1.0, std::fabs(value)))
        text = format("%*.8E", width, value);
    return text;
}

// "%W.PE", or "" when the text needs more than max_length characters.
std::string exponent(double value, int width, int precision, std::size_t max_length)
{
    std::string text = format("%*.*E", width, precision, value + 0.0);
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos || text.size() - first > max_length)
        return "";
    return text;
}

std::string right(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string with_unit(const std::string& text, const std::string& unit)
{
    return unit.empty() ? text : text + " [" + unit + "]";
}

}  // namespace

std::string format_node_line(int number, const TrussNode& node)
{
    std::string line = format("%3d  %d %d %d ", number, node.fixity[0], node.fixity[1], node.fixity[2]);
    for (double c : node.coords)
        line += ' ' + plain(c, 10, 4);
    line += " ";
    for (double p : node.loads)
        line += ' ' + plain(p, 10, 3);
    return line;
}

std::string format_element_line(int number, const TrussMember& member)
{
    return format("%3d %4d %4d", number, member.node_a, member.node_b);
}

std::string format_deflection_line(int node, const std::array<double, 3>& deflection)
{
    // Each value has at most 11 characters in its 12-character column, so a blank always separates
    // it from what stands before it (the node number, or the neighbouring column).
    std::string columns[3];
    for (int k = 0; k < 3; ++k) {
        columns[k] = exponent(deflection[k], 12, 4, 11);
        if (columns[k].empty())
            return "";
    }
    std::string number = format("%2d", node);
    return number + columns[0] + " " + columns[1] + columns[2];
}

std::string format_result_line(int member, double stress, double force)
{
    // Trimmed: number in 1-3, stress right-aligned in 4-16 (its value in 7-16), blanks in 17-19,
    // force in 20-29; the last 23 characters are then 7-29. A longer number shifts the rest right.
    std::string stress_text = exponent(stress, 13, 3, 10);
    std::string force_text = exponent(force, 10, 3, 10);
    std::string number = format("%-3d", member);
    if (stress_text.empty() || force_text.empty())
        return "";
    return number + stress_text + "   " + force_text;
}

bool write_results(std::ostream& out, const TrussInput& truss, const TrussSolution* solution, std::string& error)
{
    const int node_count = static_cast<int>(truss.nodes.size());
    const int member_count = static_cast<int>(truss.members.size());
    std::string text = truss.title + "\n";
    text += std::to_string(node_count) + " " + std::to_string(member_count) + "\n";
    for (int i = 0; i < node_count; ++i)
        text += format_node_line(i + 1, truss.nodes[i]) + "\n";
    for (int e = 0; e < member_count; ++e)
        text += format_element_line(e + 1, truss.members[e]) + "\n";

    if (solution) {
        text += with_unit("Nodal deflections", truss.length_unit) + "\n";
        text += "No" + right("dx", 12) + " " + right("dy", 12) + right("dz", 12) + "\n";
        for (int i = 0; i < node_count; ++i) {
            std::string line = format_deflection_line(i + 1, solution->deflections[i]);
            if (line.empty()) {
                error = "a deflection of node " + std::to_string(i + 1) + " does not fit its column";
                return false;
            }
            text += line + "\n";
        }
        std::string units;
        if (!truss.stress_unit.empty() && !truss.force_unit.empty())
            units = " [" + truss.stress_unit + ", " + truss.force_unit + "]";
        text += "Member stresses and axial forces" + units + ", tension positive\n";
        text += "No" + right("Stress", 14) + right("Force", 13) + "\n";
        for (int e = 0; e < member_count; ++e) {
            std::string line = format_result_line(e + 1, solution->stresses[e], solution->forces[e]);
            if (line.empty()) {
                error = "the stress or force of member " + std::to_string(e + 1) + " does not fit its column";
                return false;
            }
            text += line + "\n";
        }
    }
    out << text;
    if (!out) {
        error = "cannot write the results";
        return false;
    }
    return true;
}

bool replace_file(const std::string& path, const std::string& text)
{
    std::error_code status_error;
    auto status = std::filesystem::status(path, status_error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        std::ofstream out(path, std::ios::binary);  // a device or a pipe (/dev/stdout): written in place
        out << text;
        out.close();
        return static_cast<bool>(out);
    }
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

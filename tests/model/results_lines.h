// Lines of results files as the solver writes them, for the reader's tests and the viewer's.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

// The lines of the file at path, without their line ends (none when it cannot be read).
inline std::vector<std::string> file_lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// lines as a file's bytes: each ended by a line feed.
inline std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// A deflection line: node number, then x in columns 3-14, y in 16-27, z in 28-39.
inline std::string deflection_line(int node, const char* x, const char* y, const char* z)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%-2d%12s %12s%12s", node, x, y, z);
    return buffer;
}

// An element result line: number, stress in columns 4-16, force in columns 18-32.
inline std::string result_line(int element, const char* stress, const char* force)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%-3d%13s %15s", element, stress, force);
    return buffer;
}

// A complete planar three-node file: triangle 1-2-3, node 3 loaded, results present.
inline std::vector<std::string> triangle_file()
{
    return {
        "Triangle",
        "3 3",
        "1 1 1 1 0.0 0.0 0.0 0.0 0.0 0.0",
        "2 0 1 0 10.0 0.0 0.0 0.0 0.0 0.0",
        "3 0 0 0 5.0 5.0 0.0 0.0 -1000.0 0.0",
        "1 1 2",
        "2 2 3",
        "3 3 1",
        "",
        "NODE   X-DEFL        Y-DEFL      Z-DEFL",
        deflection_line(1, "0.0", "0.0", "0.0"),
        deflection_line(2, "0.005", "0.0", "0.0"),
        deflection_line(3, "0.002", "-0.01", "0.0"),
        "",
        "ELEMENT  STRESS  FORCE",
        result_line(1, "-1.000E+02", "-5.000E+02"),
        result_line(2, "2.000E+02", "1.000E+03"),
        result_line(3, "3.000E+02", "1.500E+03"),
    };
}

// A generated results file for the benchmarks: a Warren bridge of any size.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

// The results text of a Warren bridge with about `members` members (4 per panel), pinned at both
// ends, every bottom node loaded, with deflections and member results; numbers too long for the
// fixed columns are followed by free fields, as the solver writes them.
inline std::string warren_bridge_results(int members, const std::string& title = "WARREN BRIDGE")
{
    const int panels = (members + 1) / 4;
    const int nodes = 2 * panels + 1;
    const int elements = 4 * panels - 1;
    std::string text = title + "\n" + std::to_string(nodes) + " " + std::to_string(elements) + "\n";
    char line[200];
    for (int i = 1; i <= nodes; ++i) {
        const bool bottom = i <= panels + 1;
        const double x = bottom ? i - 1 : (i - panels - 2) + 0.5;
        const double y = bottom ? 0.0 : 1.0;
        const double z = 0.05 * std::sin(x * 0.1);
        const int pinned = (i == 1 || i == panels + 1) ? 1 : 0;
        std::snprintf(line, sizeof line, "%d %d %d %d %.4f %.4f %.4f %.1f %.1f %.1f\n", i, pinned, pinned, 1, x, y, z,
                      0.0, bottom ? -10.0 : 0.0, 0.0);
        text += line;
    }
    int e = 0;
    auto member = [&](int a, int b) {
        std::snprintf(line, sizeof line, "%d %d %d\n", ++e, a, b);
        text += line;
    };
    for (int p = 1; p <= panels; ++p)
        member(p, p + 1);  // bottom chord
    for (int p = 1; p < panels; ++p)
        member(panels + 1 + p, panels + 2 + p);  // top chord
    for (int p = 1; p <= panels; ++p) {
        member(p, panels + 1 + p);      // up
        member(panels + 1 + p, p + 1);  // down
    }
    text += "\nNODE X-DEFL Y-DEFL Z-DEFL\n";
    for (int i = 1; i <= nodes; ++i) {
        const bool bottom = i <= panels + 1;
        const double x = bottom ? i - 1 : (i - panels - 2) + 0.5;
        const double sag = -0.01 * std::sin(3.14159265 * x / panels);
        const char* format = i < 100 ? "%-2d%12.4E %12.4E%12.4E\n" : "%d %.4E %.4E %.4E\n";
        std::snprintf(line, sizeof line, format, i, 1e-4 * sag, sag, 0.0);
        text += line;
    }
    text += "\nELEMENT STRESS FORCE\n";
    for (int m = 1; m <= elements; ++m) {
        const char* format = m < 1000 ? "%-3d%13.3E %15.3E\n" : "%d %.3E %.3E\n";
        std::snprintf(line, sizeof line, format, m, 12.5 * (m % 97) - 600.0, -250.0 * (m % 89) + 11000.0);
        text += line;
    }
    return text;
}

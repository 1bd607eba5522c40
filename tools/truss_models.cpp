// truss-generate: the roof and bridge descriptions (geometry in truss_models.h).
//
// The text is built statement by statement with snprintf under the "C" locale's rules (the program
// never calls setlocale), numbers in %.10g so that the solver reads back exactly what was meant.
#include "tools/truss_models.h"

#include "tools/truss_input.h"

#include <cstdio>
#include <vector>

namespace {

std::string number(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", value + 0.0);
    return buffer;
}

// Column positions along one grid line of `count` bottom nodes: every `spacing`-th and the last.
std::vector<bool> column_lines(int count, int spacing)
{
    std::vector<bool> line(count, false);
    for (int i = 0; i < count; i += spacing)
        line[i] = true;
    line[count - 1] = true;
    return line;
}

}  // namespace

long long roof_member_count(const RoofParameters& roof)
{
    return 8LL * roof.nx * roof.ny;
}

long long bridge_member_count(const BridgeParameters& bridge)
{
    return 4LL * bridge.panels - 1;
}

std::string generate_roof(const RoofParameters& r, std::string& error)
{
    const bool sized = r.nx >= 2 && r.ny >= 2 && r.nx <= TRUSS_MAX_MEMBERS && r.ny <= TRUSS_MAX_MEMBERS;
    const long long node_count = sized ? (r.nx + 1LL) * (r.ny + 1LL) + 1LL * r.nx * r.ny : 0;
    if (!sized || roof_member_count(r) > TRUSS_MAX_MEMBERS || node_count > TRUSS_MAX_NODES) {
        error = "a roof needs at least 2 x 2 bays and at most " + std::to_string(TRUSS_MAX_MEMBERS / 8) +
                " bays in all";
        return "";
    }
    if (!(r.bay > 0) || !(r.depth > 0) || r.column_spacing < 1 || !(r.load >= 0)) {
        error = "the bay, the depth and the column spacing must be positive, the load not negative";
        return "";
    }
    const int nx = r.nx, ny = r.ny;
    auto top = [&](int i, int j) { return 1 + j * (nx + 1) + i; };                     // i 0..nx, j 0..ny
    auto bottom = [&](int i, int j) { return 1 + (nx + 1) * (ny + 1) + j * nx + i; };  // i 0..nx-1, j 0..ny-1

    std::string text;
    text += "# Double-layer space-grid roof (square on square offset), " + std::to_string(nx) + " x " +
            std::to_string(ny) + " bays of " + number(r.bay) + " m, " + number(r.depth) + " m deep.\n";
    text += "# Written by truss-generate: " + std::to_string(roof_member_count(r)) + " members on " +
            std::to_string(node_count) + " nodes. y is vertical; the top layer is at y = " + number(r.depth) +
            ",\n# the bottom layer at y = 0 with pinned column heads under it; " + number(r.load) +
            " kN/m^2 on the roof.\n";
    text += "title Space-grid roof, " + std::to_string(nx) + " x " + std::to_string(ny) + " bays of " + number(r.bay) +
            " m on columns, " + number(r.load) + " kN/m^2 - units m, kN, MPa\n";
    text += "units m kN MPa\nstress_factor 0.001\n";
    text += "section top    0.0020 2.1e8\nsection bottom 0.0015 2.1e8\nsection diag   0.0010 2.1e8\n";

    text += "# Top layer, row by row along x\n";
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            text += "node " + std::to_string(top(i, j)) + " " + number(i * r.bay) + " " + number(r.depth) + " " +
                    number(j * r.bay) + "\n";
    text += "# Bottom layer under the bay centres; 1 1 1 marks a column head\n";
    std::vector<bool> columns_x = column_lines(nx, r.column_spacing);
    std::vector<bool> columns_z = column_lines(ny, r.column_spacing);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            text += "node " + std::to_string(bottom(i, j)) + " " + number((i + 0.5) * r.bay) + " 0 " +
                    number((j + 0.5) * r.bay) + (columns_x[i] && columns_z[j] ? " 1 1 1" : "") + "\n";

    text += "# Roof load by tributary area\n";
    if (r.load > 0)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i) {
                double share = ((i == 0 || i == nx) ? 0.5 : 1.0) * ((j == 0 || j == ny) ? 0.5 : 1.0);
                text += "load " + std::to_string(top(i, j)) + " 0 " + number(-r.load * share * r.bay * r.bay) + " 0\n";
            }

    int e = 0;
    auto member = [&](int a, int b, const char* section) {
        text += "member " + std::to_string(++e) + " " + std::to_string(a) + " " + std::to_string(b) + " " + section +
                "\n";
    };
    text += "# Top chords along x, then along z\n";
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i < nx; ++i)
            member(top(i, j), top(i + 1, j), "top");
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j < ny; ++j)
            member(top(i, j), top(i, j + 1), "top");
    text += "# Bottom chords along x, then along z\n";
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i + 1 < nx; ++i)
            member(bottom(i, j), bottom(i + 1, j), "bottom");
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j + 1 < ny; ++j)
            member(bottom(i, j), bottom(i, j + 1), "bottom");
    text += "# Diagonals from each bottom node to the corners of its bay\n";
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            member(bottom(i, j), top(i, j), "diag");
            member(bottom(i, j), top(i + 1, j), "diag");
            member(bottom(i, j), top(i + 1, j + 1), "diag");
            member(bottom(i, j), top(i, j + 1), "diag");
        }
    return text;
}

std::string generate_bridge(const BridgeParameters& b, std::string& error)
{
    if (b.panels < 1 || bridge_member_count(b) > TRUSS_MAX_MEMBERS) {
        error = "a bridge needs 1 to " + std::to_string((TRUSS_MAX_MEMBERS + 1) / 4) + " panels";
        return "";
    }
    if (!(b.panel > 0) || !(b.depth > 0) || b.pier_spacing < 1 || !(b.load >= 0)) {
        error = "the panel length, the depth and the pier spacing must be positive, the load not negative";
        return "";
    }
    const int p = b.panels;
    auto bottom = [](int i) { return 1 + i; };    // i 0..p
    auto top = [p](int i) { return p + 2 + i; };  // i 0..p-1
    auto on_pier = [&](int i) { return i % b.pier_spacing == 0 || i == p; };

    std::string text;
    text += "# Warren bridge truss, " + std::to_string(p) + " panels of " + number(b.panel) + " m, " + number(b.depth) +
            " m deep, continuous over piers every " + std::to_string(b.pier_spacing) + " panels.\n";
    text += "# Written by truss-generate: " + std::to_string(bridge_member_count(b)) + " members on " +
            std::to_string(2 * p + 1) + " nodes. Planar in x-y; " + number(b.load) +
            " kN on every bottom node between the piers.\n";
    text += "title Warren bridge, " + std::to_string(p) + " panels of " + number(b.panel) + " m, piers every " +
            std::to_string(b.pier_spacing) + " panels - units m, kN, MPa\n";
    text += "units m kN MPa\nstress_factor 0.001\n";
    text += "section chord 0.0080 2.1e8\nsection diag  0.0040 2.1e8\n";
    text += "# Bottom chord; 1 1 0 is the pinned pier, 0 1 0 a roller\n";
    for (int i = 0; i <= p; ++i)
        text += "node " + std::to_string(bottom(i)) + " " + number(i * b.panel) + " 0 0" +
                (i == 0       ? " 1 1 0"
                 : on_pier(i) ? " 0 1 0"
                              : "") +
                "\n";
    text += "# Top chord above the panel middles\n";
    for (int i = 0; i < p; ++i)
        text += "node " + std::to_string(top(i)) + " " + number((i + 0.5) * b.panel) + " " + number(b.depth) + " 0\n";
    text += "# Deck load\n";
    if (b.load > 0)
        for (int i = 0; i <= p; ++i)
            if (!on_pier(i))
                text += "load " + std::to_string(bottom(i)) + " 0 " + number(-b.load) + " 0\n";

    int e = 0;
    auto member = [&](int from, int to, const char* section) {
        text += "member " + std::to_string(++e) + " " + std::to_string(from) + " " + std::to_string(to) + " " +
                section + "\n";
    };
    text += "# Bottom chord, top chord, diagonals\n";
    for (int i = 0; i < p; ++i)
        member(bottom(i), bottom(i + 1), "chord");
    for (int i = 0; i + 1 < p; ++i)
        member(top(i), top(i + 1), "chord");
    for (int i = 0; i < p; ++i) {
        member(bottom(i), top(i), "diag");
        member(top(i), bottom(i + 1), "diag");
    }
    return text;
}

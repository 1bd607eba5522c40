// The DXF writer: one string, reserved ahead, of group code / value line pairs in the order an
// R12 reader expects: HEADER (version and extents), TABLES (LTYPE, LAYER, STYLE), ENTITIES, EOF.
// R12 needs no handles, and the line type and text style the entities use are defined in the
// tables, so a strict reader finds every name it meets.
//
// Reads only its arguments.
#include "app/export/dxf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "app/export/cad_text.h"
#include "core/atomic_file.h"

namespace {

struct Layer {
    std::string_view name;
    int colour;  // AutoCAD colour index
};

constexpr Layer TENSION{"TENSION", 1};
constexpr Layer COMPRESSION{"COMPRESSION", 5};
constexpr Layer ZERO{"ZERO", 8};
constexpr Layer MEMBER_NUMBERS{"MEMBER_NUMBERS", 3};
constexpr Layer NODE_NUMBERS{"NODE_NUMBERS", 7};
constexpr Layer DEFLECTED{"DEFLECTED", 6};

constexpr double TEXT_HEIGHT_SHARE = 1.0 / 50;  // automatic text height: share of the largest extent
constexpr std::size_t BYTES_PER_LINE = 120;     // a LINE entity with six coordinates, roughly

// A group code (0..999), right-aligned in three columns, on its own line: one append.
void code(std::string& out, int group_code)
{
    const char text[4] = {group_code < 100 ? ' ' : static_cast<char>('0' + group_code / 100),
                          group_code < 10 ? ' ' : static_cast<char>('0' + group_code / 10 % 10),
                          static_cast<char>('0' + group_code % 10), '\n'};
    out.append(text, sizeof text);
}

// One group: the code, then the value on its own line.
void group(std::string& out, int group_code, std::string_view value)
{
    code(out, group_code);
    out += value;
    out += '\n';
}

// One group with a number as its value, in the shortest form that reads back to it.
template <typename Number>
void number_group(std::string& out, int group_code, Number value)
{
    code(out, group_code);
    char text[32];
    std::to_chars_result r = std::to_chars(text, text + sizeof text - 1, value);
    *r.ptr++ = '\n';
    out.append(text, r.ptr);
}

// A point as groups base, base + 10, base + 20 (x, y, z), each as float32: what the file gave.
void point_groups(std::string& out, int base, const Vec3& p)
{
    for (int j = 0; j < 3; ++j)
        number_group(out, base + 10 * j, static_cast<float>(p[j]));
}

bool finite(const Vec3& p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

Vec3 deflected(const NodeNumbers& node, double magnification)
{
    Vec3 p{};
    for (int j = 0; j < 3; ++j)
        p[j] = node.coordinates[j] + magnification * node.deflection[j];
    return p;
}

void line(std::string& out, const Layer& layer, const Vec3& a, const Vec3& b)
{
    if (!finite(a) || !finite(b))
        return;
    group(out, 0, "LINE");
    group(out, 8, layer.name);
    point_groups(out, 10, a);
    point_groups(out, 11, b);
}

// A number centred on p: the insertion point (10) and the alignment point (11) are both p.
void text(std::string& out, const Layer& layer, const Vec3& p, double height, int number)
{
    if (!finite(p))
        return;
    char text[3][32];  // x, y, z as float32, written twice
    std::string_view xyz[3];
    for (int j = 0; j < 3; ++j)
        xyz[j] = std::string_view(text[j], std::to_chars(text[j], text[j] + 32, static_cast<float>(p[j])).ptr);
    group(out, 0, "TEXT");
    group(out, 8, layer.name);
    for (int j = 0; j < 3; ++j)
        group(out, 10 + 10 * j, xyz[j]);
    number_group(out, 40, static_cast<float>(height));
    number_group(out, 1, number);
    number_group(out, 72, 1);  // centre
    for (int j = 0; j < 3; ++j)
        group(out, 11 + 10 * j, xyz[j]);
    number_group(out, 73, 2);  // middle
}

// The start of a table of entries.
void table(std::string& out, std::string_view name, int entries)
{
    group(out, 0, "TABLE");
    group(out, 2, name);
    number_group(out, 70, entries);
}

// The start of one table entry: its kind, name and flags (none).
void entry(std::string& out, std::string_view kind, std::string_view name)
{
    group(out, 0, kind);
    group(out, 2, name);
    number_group(out, 70, 0);
}

void layer_entry(std::string& out, const Layer& layer)
{
    entry(out, "LAYER", layer.name);
    number_group(out, 62, layer.colour);
    group(out, 6, "CONTINUOUS");
}

// The smallest and largest coordinates of every node with finite coordinates (0 when none).
void extents(const ModelNumbers& numbers, Vec3& low, Vec3& high)
{
    bool any = false;
    low = high = Vec3{};
    for (std::size_t i = 1; i < numbers.nodes.size(); ++i) {
        const Vec3& p = numbers.nodes[i].coordinates;
        if (!finite(p))
            continue;
        for (int j = 0; j < 3; ++j) {
            low[j] = any ? std::min(low[j], p[j]) : p[j];
            high[j] = any ? std::max(high[j], p[j]) : p[j];
        }
        any = true;
    }
}

void header(std::string& out, const Vec3& low, const Vec3& high)
{
    group(out, 0, "SECTION");
    group(out, 2, "HEADER");
    group(out, 9, "$ACADVER");
    group(out, 1, "AC1009");
    group(out, 9, "$EXTMIN");
    point_groups(out, 10, low);
    group(out, 9, "$EXTMAX");
    point_groups(out, 10, high);
    group(out, 0, "ENDSEC");
}

void tables(std::string& out, const DxfOptions& options)
{
    group(out, 0, "SECTION");
    group(out, 2, "TABLES");

    table(out, "LTYPE", 1);
    entry(out, "LTYPE", "CONTINUOUS");
    group(out, 3, "Solid line");
    number_group(out, 72, 65);
    number_group(out, 73, 0);
    number_group(out, 40, 0.0);
    group(out, 0, "ENDTAB");

    Layer layers[7] = {{"0", 7}, TENSION, COMPRESSION, ZERO};
    int count = 4;
    if (options.member_numbers)
        layers[count++] = MEMBER_NUMBERS;
    if (options.node_numbers)
        layers[count++] = NODE_NUMBERS;
    if (options.deflected)
        layers[count++] = DEFLECTED;
    table(out, "LAYER", count);
    for (int k = 0; k < count; ++k)
        layer_entry(out, layers[k]);
    group(out, 0, "ENDTAB");

    table(out, "STYLE", 1);
    entry(out, "STYLE", "STANDARD");
    number_group(out, 40, 0.0);
    number_group(out, 41, 1.0);
    number_group(out, 50, 0.0);
    number_group(out, 71, 0);
    number_group(out, 42, 1.0);
    group(out, 3, "txt");
    group(out, 4, "");
    group(out, 0, "ENDTAB");

    group(out, 0, "ENDSEC");
}

const Layer& member_layer(MemberState state)
{
    switch (state) {
    case MemberState::Tension:
        return TENSION;
    case MemberState::Compression:
        return COMPRESSION;
    case MemberState::None:
        break;
    }
    return ZERO;
}

}  // namespace

std::string dxf_document(const ModelNumbers& numbers, const DxfOptions& options)
{
    const std::vector<NodeNumbers>& nodes = numbers.nodes;
    const std::vector<MemberNumbers>& members = numbers.members;
    const bool deflected_shape = options.deflected && numbers.has_results;
    std::string out;
    out.reserve(4096 + members.size() * BYTES_PER_LINE * (deflected_shape ? 2 : 1) +
                (options.member_numbers ? members.size() * BYTES_PER_LINE : 0) +
                (options.node_numbers ? nodes.size() * BYTES_PER_LINE : 0));

    Vec3 low, high;
    extents(numbers, low, high);
    header(out, low, high);
    tables(out, options);

    double height = options.text_height;
    if (!(height > 0)) {
        const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
        height = extent > 0 ? extent * TEXT_HEIGHT_SHARE : 1;
    }
    auto end = [&](const MemberNumbers& m, int j) -> const NodeNumbers& { return nodes[m.nodes[j]]; };

    group(out, 0, "SECTION");
    group(out, 2, "ENTITIES");
    for (std::size_t e = 1; e < members.size(); ++e) {
        const MemberNumbers& m = members[e];
        if (member_drawn(numbers, e))
            line(out, member_layer(m.state), end(m, 0).coordinates, end(m, 1).coordinates);
    }
    if (deflected_shape) {
        for (std::size_t e = 1; e < members.size(); ++e) {
            const MemberNumbers& m = members[e];
            if (member_drawn(numbers, e))
                line(out, DEFLECTED, deflected(end(m, 0), options.magnification),
                     deflected(end(m, 1), options.magnification));
        }
    }
    if (options.member_numbers) {
        for (std::size_t e = 1; e < members.size(); ++e) {
            const MemberNumbers& m = members[e];
            if (!member_drawn(numbers, e))
                continue;
            const Vec3& a = end(m, 0).coordinates;
            const Vec3& b = end(m, 1).coordinates;
            text(out, MEMBER_NUMBERS, Vec3{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}, height,
                 static_cast<int>(e));
        }
    }
    if (options.node_numbers) {
        for (std::size_t i = 1; i < nodes.size(); ++i)
            text(out, NODE_NUMBERS, nodes[i].coordinates, height, static_cast<int>(i));
    }
    group(out, 0, "ENDSEC");
    group(out, 0, "EOF");
    return out;
}

std::string write_dxf_file(const std::string& path, const ModelNumbers& numbers, const DxfOptions& options)
{
    std::string error;
    if (!write_file_atomically(path, dxf_document(numbers, options), error))
        return error;
    return "";
}

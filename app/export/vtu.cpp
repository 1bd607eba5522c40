// The VTU writer: one string, reserved ahead, with the piece's PointData, CellData, Points and
// Cells in the order the format lists them. Each data array is one tuple per line, not indented
// (the bulk of the file); the cells' connectivity, offsets and types are Int64, Int64 and UInt8.
//
// Reads only its arguments.
#include "app/export/vtu.h"

#include <cstdint>
#include <string_view>

#include "app/export/cad_text.h"
#include "core/atomic_file.h"

namespace {

constexpr int VTK_LINE = 3;                   // cell type of a two-point line
constexpr std::size_t BYTES_PER_NODE = 160;   // a node's values in every point array, roughly
constexpr std::size_t BYTES_PER_MEMBER = 80;  // a member's cell and cell data, roughly

void open_array(std::string& out, std::string_view type, std::string_view name, int components)
{
    out += "        <DataArray type=\"";
    out += type;
    out += '"';
    if (!name.empty()) {
        out += " Name=\"";
        out += name;
        out += '"';
    }
    if (components > 1) {
        out += " NumberOfComponents=\"";
        append_number(out, components);
        out += '"';
    }
    out += " format=\"ascii\">\n";
}

void close_array(std::string& out)
{
    out += "        </DataArray>\n";
}

// A point array of every node: value(node, i) appends node i's number or numbers.
template <typename Value>
void node_array(std::string& out, const ModelNumbers& numbers, std::string_view type, std::string_view name,
                int components, Value value)
{
    open_array(out, type, name, components);
    for (std::size_t i = 1; i < numbers.nodes.size(); ++i) {
        value(numbers.nodes[i], i);
        out += '\n';
    }
    close_array(out);
}

// A cell array of every drawable member: value(member, e) appends its number(s).
template <typename Value>
void member_array(std::string& out, const ModelNumbers& numbers, std::string_view type, std::string_view name,
                  Value value)
{
    open_array(out, type, name, 1);
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        if (!member_drawn(numbers, e))
            continue;
        value(numbers.members[e], e);
        out += '\n';
    }
    close_array(out);
}

// Three numbers separated by spaces, each as Component (float for what the file gives).
template <typename Component, typename Triple>
void append_triple(std::string& out, const Triple& values)
{
    for (int j = 0; j < 3; ++j) {
        if (j > 0)
            out += ' ';
        append_number(out, static_cast<Component>(values[j]));
    }
}

}  // namespace

std::string vtu_document(const ModelNumbers& numbers, const std::vector<double>* utilisation)
{
    const std::size_t node_count = numbers.nodes.empty() ? 0 : numbers.nodes.size() - 1;
    std::size_t cell_count = 0;
    for (std::size_t e = 1; e < numbers.members.size(); ++e)
        cell_count += member_drawn(numbers, e) ? 1 : 0;
    std::string out;
    out.reserve(2048 + node_count * BYTES_PER_NODE + cell_count * BYTES_PER_MEMBER);

    out +=
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
        "  <UnstructuredGrid>\n"
        "    <Piece NumberOfPoints=\"";
    append_number(out, node_count);
    out += "\" NumberOfCells=\"";
    append_number(out, cell_count);
    out += "\">\n";

    out += "      <PointData Scalars=\"node\" Vectors=\"deflection\">\n";
    node_array(out, numbers, "Int32", "node", 1, [&](const NodeNumbers&, std::size_t i) { append_number(out, i); });
    node_array(out, numbers, "Float32", "deflection", 3,
               [&](const NodeNumbers& n, std::size_t) { append_triple<float>(out, n.deflection); });
    node_array(out, numbers, "Float32", "load", 3,
               [&](const NodeNumbers& n, std::size_t) { append_triple<float>(out, n.load); });
    node_array(out, numbers, "Float64", "reaction", 3,
               [&](const NodeNumbers& n, std::size_t) { append_triple<double>(out, n.reaction); });
    node_array(out, numbers, "Int32", "restraint", 3,
               [&](const NodeNumbers& n, std::size_t) { append_triple<int>(out, n.restraint); });
    out += "      </PointData>\n";

    out += "      <CellData Scalars=\"force\">\n";
    member_array(out, numbers, "Int32", "member", [&](const MemberNumbers&, std::size_t e) { append_number(out, e); });
    member_array(out, numbers, "Float32", "force",
                 [&](const MemberNumbers& m, std::size_t) { append_number(out, static_cast<float>(m.force)); });
    member_array(out, numbers, "Float32", "stress",
                 [&](const MemberNumbers& m, std::size_t) { append_number(out, static_cast<float>(m.stress)); });
    if (utilisation != nullptr) {
        member_array(out, numbers, "Float64", "utilisation", [&](const MemberNumbers&, std::size_t e) {
            append_number(out, e < utilisation->size() ? (*utilisation)[e] : 0.0);
        });
    }
    out += "      </CellData>\n";

    out += "      <Points>\n";
    node_array(out, numbers, "Float32", "", 3,
               [&](const NodeNumbers& n, std::size_t) { append_triple<float>(out, n.coordinates); });
    out += "      </Points>\n";

    out += "      <Cells>\n";
    member_array(out, numbers, "Int64", "connectivity", [&](const MemberNumbers& m, std::size_t) {
        append_number(out, std::int64_t{m.nodes[0]} - 1);
        out += ' ';
        append_number(out, std::int64_t{m.nodes[1]} - 1);
    });
    std::int64_t offset = 0;
    member_array(out, numbers, "Int64", "offsets", [&](const MemberNumbers&, std::size_t) {
        offset += 2;
        append_number(out, offset);
    });
    member_array(out, numbers, "UInt8", "types",
                 [&](const MemberNumbers&, std::size_t) { append_number(out, VTK_LINE); });
    out +=
        "      </Cells>\n"
        "    </Piece>\n"
        "  </UnstructuredGrid>\n"
        "</VTKFile>\n";
    return out;
}

std::string write_vtu_file(const std::string& path, const ModelNumbers& numbers, const std::vector<double>* utilisation)
{
    std::string error;
    if (!write_file_atomically(path, vtu_document(numbers, utilisation), error))
        return error;
    return "";
}

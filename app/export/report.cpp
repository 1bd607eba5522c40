// The results report's writers: JSON and CSV text built in one string each (reserved ahead, numbers
// through std::to_chars), then written whole by write_file_atomically. See app/report.h for the
// layout.
//
// Reads TrussModel.title_line (and, through compute_model_numbers, the loaded model).
#include "app/export/report.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "app/model/loaded_numbers.h"
#include "app/model/model.h"
#include "core/atomic_file.h"

namespace {

constexpr std::string_view CSV_EXTENSION = ".csv";
constexpr std::string_view JSON_EXTENSION = ".json";
constexpr const char* AXES[3] = {"_x", "_y", "_z"};

bool ends_with_any_case(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != ending[i])
            return false;
    return true;
}

// Appends value in its shortest round-trip form, or null (JSON) / nothing (CSV) when not finite.
template <typename Real>
void append_real(std::string& out, Real value, bool json)
{
    if (!std::isfinite(value)) {
        if (json)
            out += "null";
        return;
    }
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// A value the file gave as float32 (stored in a double without change).
void append_file_value(std::string& out, double value, bool json)
{
    append_real(out, static_cast<float>(value), json);
}

void append_whole(std::string& out, long long value)
{
    char buffer[24];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// The length of the UTF-8 sequence starting at text[i], or 0 when it is not one.
std::size_t utf8_sequence(std::string_view text, std::size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

void append_json_string(std::string& out, std::string_view text)
{
    static const char HEX[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += HEX[c >> 4];
            out += HEX[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (std::size_t length = utf8_sequence(text, i); length != 0) {
            out.append(text.substr(i, length));
            i += length - 1;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));  // Latin-1 byte as UTF-8
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

// "[x, y, z]" of a vector of the file's values, or of computed values.
void append_json_vector(std::string& out, const Vec3& v, bool file_values)
{
    out += '[';
    for (int j = 0; j < 3; ++j) {
        if (j > 0)
            out += ", ";
        if (file_values) {
            append_file_value(out, v[j], true);
        } else {
            append_real(out, v[j], true);
        }
    }
    out += ']';
}

void append_csv_vector(std::string& out, const Vec3& v, bool file_values)
{
    for (int j = 0; j < 3; ++j) {
        out += ',';
        if (file_values) {
            append_file_value(out, v[j], false);
        } else {
            append_real(out, v[j], false);
        }
    }
}

void append_csv_vector_header(std::string& out, const char* name)
{
    for (const char* axis : AXES) {
        out += ',';
        out += name;
        out += axis;
    }
}

// {"member": e, "force": F}, or null when there is none.
void append_member_extreme(std::string& out, const Extreme& extreme)
{
    if (extreme.index == 0) {
        out += "null";
        return;
    }
    out += "{\"member\": ";
    append_whole(out, extreme.index);
    out += ", \"force\": ";
    append_file_value(out, extreme.value, true);
    out += '}';
}

bool write_text(const std::string& path, const std::string& text, std::string& error)
{
    std::string reason;
    errno = 0;
    if (write_file_atomically(path, text, reason))
        return true;
    const int cause = errno;
    error = "cannot write '" + path + "': " + (cause != 0 ? std::strerror(cause) : reason);
    return false;
}

}  // namespace

std::optional<ReportFormat> report_format(std::string_view path)
{
    if (ends_with_any_case(path, JSON_EXTENSION) && path.size() > JSON_EXTENSION.size())
        return ReportFormat::Json;
    if (ends_with_any_case(path, CSV_EXTENSION) && path.size() > CSV_EXTENSION.size())
        return ReportFormat::Csv;
    return std::nullopt;
}

std::string report_members_csv_path(std::string_view path)
{
    const std::string_view name = ends_with_any_case(path, CSV_EXTENSION) ? path.substr(0, path.size() - 4) : path;
    return std::string(name) + "-members.csv";
}

std::string report_nodes_csv_path(std::string_view path)
{
    const std::string_view name = ends_with_any_case(path, CSV_EXTENSION) ? path.substr(0, path.size() - 4) : path;
    return std::string(name) + "-nodes.csv";
}

std::string report_json(const ModelNumbers& numbers, std::string_view title)
{
    std::string out;
    out.reserve(256 + 240 * numbers.nodes.size() + 130 * numbers.members.size() + 2 * title.size());
    out += "{\"format\": 1, \"title\": ";
    append_json_string(out, title);
    out += ",\n\"nodes\": [";
    for (std::size_t i = 1; i < numbers.nodes.size(); ++i) {
        const NodeNumbers& n = numbers.nodes[i];
        out += i == 1 ? "\n" : ",\n";
        out += "{\"node\": ";
        append_whole(out, static_cast<long long>(i));
        out += ", \"coordinates\": ";
        append_json_vector(out, n.coordinates, true);
        out += ", \"restraint\": [";
        for (int j = 0; j < 3; ++j) {
            if (j > 0)
                out += ", ";
            append_whole(out, n.restraint[j]);
        }
        out += "], \"load\": ";
        append_json_vector(out, n.load, true);
        out += ", \"deflection\": ";
        append_json_vector(out, n.deflection, true);
        out += ", \"deflection_magnitude\": ";
        append_real(out, n.deflection_magnitude, true);
        out += ", \"reaction\": ";
        if (n.restrained && numbers.has_results) {
            append_json_vector(out, n.reaction, false);
        } else {
            out += "null";
        }
        out += '}';
    }
    out += "],\n\"members\": [";
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        const MemberNumbers& m = numbers.members[e];
        out += e == 1 ? "\n" : ",\n";
        out += "{\"member\": ";
        append_whole(out, static_cast<long long>(e));
        out += ", \"nodes\": [";
        append_whole(out, m.nodes[0]);
        out += ", ";
        append_whole(out, m.nodes[1]);
        out += "], \"length\": ";
        append_real(out, m.length, true);
        out += ", \"stress\": ";
        append_file_value(out, m.stress, true);
        out += ", \"force\": ";
        append_file_value(out, m.force, true);
        out += ", \"state\": \"";
        out += member_state_name(m.state);
        out += "\"}";
    }
    out += "],\n\"summary\": {\"max_tension\": ";
    append_member_extreme(out, numbers.max_tension);
    out += ", \"max_compression\": ";
    append_member_extreme(out, numbers.max_compression);
    out += ", \"max_deflection\": ";
    if (numbers.max_deflection.index == 0) {
        out += "null";
    } else {
        out += "{\"node\": ";
        append_whole(out, numbers.max_deflection.index);
        out += ", \"magnitude\": ";
        append_real(out, numbers.max_deflection.value, true);
        out += '}';
    }
    out += ",\n\"load_sum\": ";
    append_json_vector(out, numbers.load_sum, false);
    out += ", \"reaction_sum\": ";
    append_json_vector(out, numbers.reaction_sum, false);
    out += ", \"residual\": ";
    append_json_vector(out, numbers.residual, false);
    out += ", \"residual_share\": ";
    append_real(out, numbers.residual_share, true);
    out += "}}\n";
    return out;
}

std::string report_members_csv(const ModelNumbers& numbers)
{
    std::string out = "member,nodes_a,nodes_b,length,stress,force,state\n";
    out.reserve(out.size() + 80 * numbers.members.size());
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        const MemberNumbers& m = numbers.members[e];
        append_whole(out, static_cast<long long>(e));
        out += ',';
        append_whole(out, m.nodes[0]);
        out += ',';
        append_whole(out, m.nodes[1]);
        out += ',';
        append_real(out, m.length, false);
        out += ',';
        append_file_value(out, m.stress, false);
        out += ',';
        append_file_value(out, m.force, false);
        out += ',';
        out += member_state_name(m.state);
        out += '\n';
    }
    return out;
}

std::string report_nodes_csv(const ModelNumbers& numbers)
{
    std::string out = "node";
    append_csv_vector_header(out, "coordinates");
    append_csv_vector_header(out, "restraint");
    append_csv_vector_header(out, "load");
    append_csv_vector_header(out, "deflection");
    out += ",deflection_magnitude";
    append_csv_vector_header(out, "reaction");
    out += '\n';
    out.reserve(out.size() + 180 * numbers.nodes.size());
    for (std::size_t i = 1; i < numbers.nodes.size(); ++i) {
        const NodeNumbers& n = numbers.nodes[i];
        append_whole(out, static_cast<long long>(i));
        append_csv_vector(out, n.coordinates, true);
        for (int j = 0; j < 3; ++j) {
            out += ',';
            append_whole(out, n.restraint[j]);
        }
        append_csv_vector(out, n.load, true);
        append_csv_vector(out, n.deflection, true);
        out += ',';
        append_real(out, n.deflection_magnitude, false);
        if (n.restrained && numbers.has_results) {
            append_csv_vector(out, n.reaction, false);
        } else {
            out += ",,,";
        }
        out += '\n';
    }
    return out;
}

bool write_report(const std::string& path, std::string& error)
{
    const std::optional<ReportFormat> format = report_format(path);
    if (!format) {
        error = "cannot write '" + path + "': not a .json or .csv file";
        return false;
    }
    const ModelNumbers& numbers = model_numbers();
    if (*format == ReportFormat::Json)
        return write_text(path, report_json(numbers, TrussModel.title_line), error);
    return write_text(report_members_csv_path(path), report_members_csv(numbers), error) &&
           write_text(report_nodes_csv_path(path), report_nodes_csv(numbers), error);
}

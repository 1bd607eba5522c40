// The results report's writers: JSON and CSV text built in one string each (reserved ahead, numbers
// through std::to_chars), then written whole by write_file_atomically. See app/export/report.h for
// the layout; the member and node rows follow the column tables of app/export/columns.h.
//
// Reads TrussModel.title_line (and, through compute_model_numbers, the loaded model).
#include "app/export/report.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "app/export/columns.h"
#include "app/model/checks.h"
#include "app/model/truss_model.h"
#include "core/atomic_file.h"
#include "core/file_name.h"

namespace {

constexpr std::string_view CSV_EXTENSION = ".csv";
constexpr std::string_view JSON_EXTENSION = ".json";

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

}  // namespace

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

void append_report_real(std::string& out, double value, bool json)
{
    append_real(out, value, json);
}

void append_report_float(std::string& out, double value, bool json)
{
    append_file_value(out, value, json);
}

namespace {

// The cell of column for row (member or node number index) in component, or null (JSON) / nothing
// (CSV) when it has none.
template <typename Record>
void append_cell(std::string& out, const ModelNumbers& numbers, const Column<Record>& column, const Record& row,
                 std::size_t index, int component, bool json)
{
    if (!column_has_value(column.reported, numbers, row, component)) {
        if (json)
            out += "null";
        return;
    }
    const double value = column.value(row, component);
    switch (column.kind) {
    case ColumnKind::Index:
        append_whole(out, static_cast<long long>(index));
        break;
    case ColumnKind::Whole:
        append_whole(out, static_cast<long long>(value));
        break;
    case ColumnKind::FileReal:
        append_file_value(out, value, json);
        break;
    case ColumnKind::Real:
        append_real(out, value, json);
        break;
    case ColumnKind::State:
        if (json)
            out += '"';
        out += member_state_name(static_cast<MemberState>(value));
        if (json)
            out += '"';
        break;
    case ColumnKind::Utilisation:
        if (component == 0)
            append_real(out, value, json);
        else
            out += criterion_name(static_cast<Criterion>(value));
        break;
    }
}

// "\n{"key": value, ...}" for every row of table, rows separated by commas; a vector as "[x, y, z]",
// or null as a whole when it has no value.
template <typename Record>
void append_json_rows(std::string& out, const ModelNumbers& numbers, const ColumnTable<Record>& table)
{
    const std::vector<Record>& rows = numbers.*table.rows;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        out += i == 1 ? "\n{" : ",\n{";
        for (const Column<Record>& column : table.columns) {
            if (&column != &table.columns.front())
                out += ", ";
            out += '"';
            out += column.key;
            out += "\": ";
            if (column.components == 1) {
                append_cell(out, numbers, column, rows[i], i, 0, true);
            } else if (column.kind == ColumnKind::Utilisation &&
                       column_has_value(column.reported, numbers, rows[i], 0)) {
                out += "{\"value\": ";
                append_cell(out, numbers, column, rows[i], i, 0, true);
                out += ", \"criterion\": \"";
                append_cell(out, numbers, column, rows[i], i, 1, false);
                out += "\"}";
            } else if (!column_has_value(column.reported, numbers, rows[i], 0)) {
                out += "null";
            } else {
                out += '[';
                for (int k = 0; k < column.components; ++k) {
                    if (k > 0)
                        out += ", ";
                    append_cell(out, numbers, column, rows[i], i, k, true);
                }
                out += ']';
            }
        }
        out += '}';
    }
}

// table as CSV: a header row of the keys (vectors one column per component), then one line per row.
template <typename Record>
std::string table_csv(const ModelNumbers& numbers, const ColumnTable<Record>& table, std::size_t row_reserve)
{
    std::string out;
    for (const Column<Record>& column : table.columns) {
        for (int k = 0; k < column.components; ++k) {
            if (!out.empty())
                out += ',';
            out += column.key;
            if (column.kind == ColumnKind::Utilisation)
                out += k == 0 ? "" : "_criterion";
            else if (column.components > 1)
                out += column_suffix(column.components, k);
        }
    }
    out += '\n';
    const std::vector<Record>& rows = numbers.*table.rows;
    out.reserve(out.size() + row_reserve * rows.size());
    for (std::size_t i = 1; i < rows.size(); ++i) {
        for (const Column<Record>& column : table.columns) {
            for (int k = 0; k < column.components; ++k) {
                if (&column != &table.columns.front() || k > 0)
                    out += ',';
                append_cell(out, numbers, column, rows[i], i, k, false);
            }
        }
        out += '\n';
    }
    return out;
}

// "[x, y, z]" of a computed vector.
void append_json_vector(std::string& out, const Vec3& v)
{
    out += '[';
    for (int j = 0; j < 3; ++j) {
        if (j > 0)
            out += ", ";
        append_real(out, v[j], true);
    }
    out += ']';
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

// ", "complete": true|false, "problem_count": N, "problems": [{"line": L, "text": "..."}, ...]".
void append_json_problems(std::string& out, const ReadOutcome& read)
{
    out += read.problem_count > 0 ? ",\n\"complete\": false" : ",\n\"complete\": true";
    out += ", \"problem_count\": ";
    append_whole(out, read.problem_count);
    out += ", \"problems\": [";
    for (const ReadProblem& problem : read.problems) {
        out += &problem == &read.problems.front() ? "\n{\"line\": " : ",\n{\"line\": ";
        append_whole(out, problem.line);
        out += ", \"text\": ";
        append_json_string(out, problem.text);
        out += '}';
    }
    out += ']';
}

// The node residual and the utilisation entries of the summary.
void append_checks_summary(std::string& out, const ModelNumbers& numbers)
{
    const auto& node = numbers.max_node_residual;
    out += ",\n\"max_node_residual\": ";
    if (!numbers.has_results) {
        out += "null";
    } else {
        out += "{\"node\": ";
        append_whole(out, node.node);
        out += ", \"value\": ";
        append_real(out, node.value, true);
        out += ", \"share\": ";
        append_real(out, node.share, true);
        out += '}';
    }
    const auto& member = numbers.max_utilisation;
    out += ", \"max_utilisation\": ";
    if (member.member == 0) {
        out += "null";
    } else {
        out += "{\"member\": ";
        append_whole(out, member.member);
        out += ", \"value\": ";
        append_real(out, member.value, true);
        out += ", \"criterion\": \"";
        out += criterion_name(member.criterion);
        out += "\"}";
    }
    out += ", \"members_over_limit\": ";
    if (numbers.has_utilisation)
        append_whole(out, numbers.members_over_limit);
    else
        out += "null";
}

// Fills error with "cannot write 'PATH': " and errno's text (else reason) and returns false.
bool write_failed(std::string_view path, const std::string& reason, std::string& error)
{
    const int cause = errno;
    error = "cannot write '" + std::string(path) + "': " + (cause != 0 ? std::strerror(cause) : reason);
    return false;
}

bool write_text(const std::string& path, const std::string& text, std::string& error)
{
    std::string reason;
    errno = 0;
    if (write_file_atomically(path, text, reason))
        return true;
    return write_failed(path, reason, error);
}

}  // namespace

std::optional<ReportFormat> report_format(std::string_view path)
{
    if (path_ends_with(path, JSON_EXTENSION))
        return ReportFormat::Json;
    if (path_ends_with(path, CSV_EXTENSION))
        return ReportFormat::Csv;
    return std::nullopt;
}

namespace {

// NAME-table.csv of a CSV report path NAME.csv.
std::string csv_table_path(std::string_view path, std::string_view table)
{
    if (path_ends_with(path, CSV_EXTENSION))
        path.remove_suffix(CSV_EXTENSION.size());
    return std::string(path) + "-" + std::string(table) + std::string(CSV_EXTENSION);
}

}  // namespace

std::string report_members_csv_path(std::string_view path)
{
    return csv_table_path(path, "members");
}

std::string report_nodes_csv_path(std::string_view path)
{
    return csv_table_path(path, "nodes");
}

std::string report_json(const ModelNumbers& numbers, std::string_view title, const ReadOutcome* read)
{
    std::string out;
    out.reserve(256 + 240 * numbers.nodes.size() + 130 * numbers.members.size() + 2 * title.size());
    out += "{\"format\": 1, \"title\": ";
    append_json_string(out, title);
    if (read)
        append_json_problems(out, *read);
    out += ", \"units\": {";
    const std::pair<const char*, const std::string*> units[] = {
        {"length", &numbers.units.length}, {"force", &numbers.units.force}, {"stress", &numbers.units.stress}};
    for (const auto& [key, unit] : units) {
        out += key == units[0].first ? "\"" : ", \"";  // the first key without a comma
        out += key;
        out += "\": ";
        if (unit->empty())
            out += "null";
        else
            append_json_string(out, *unit);
    }
    out += '}';
    out += ",\n\"nodes\": [";
    append_json_rows(out, numbers, NODE_COLUMNS);
    out += "],\n\"members\": [";
    append_json_rows(out, numbers, MEMBER_COLUMNS);
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
    append_json_vector(out, numbers.load_sum);
    out += ", \"reaction_sum\": ";
    append_json_vector(out, numbers.reaction_sum);
    out += ", \"residual\": ";
    append_json_vector(out, numbers.residual);
    out += ", \"residual_share\": ";
    append_real(out, numbers.residual_share, true);
    append_checks_summary(out, numbers);
    out += "}}\n";
    return out;
}

std::string report_members_csv(const ModelNumbers& numbers)
{
    return table_csv(numbers, MEMBER_COLUMNS, 80);
}

std::string report_nodes_csv(const ModelNumbers& numbers)
{
    return table_csv(numbers, NODE_COLUMNS, 180);
}

bool write_report(const std::string& path, const ModelNumbers& numbers, std::string_view title, std::string& error,
                  const ReadOutcome* read)
{
    const std::optional<ReportFormat> format = report_format(path);
    if (!format) {
        error = "cannot write '" + path + "': not a .json or .csv file";
        return false;
    }
    if (*format == ReportFormat::Json)
        return write_text(path, report_json(numbers, title, read), error);
    // Both tables are complete before either replaces its file, so a failure never leaves a mixed pair.
    const std::string members_path = report_members_csv_path(path), nodes_path = report_nodes_csv_path(path);
    const std::string members = report_members_csv(numbers), nodes = report_nodes_csv(numbers);
    const FileBytes files[] = {{members_path, members}, {nodes_path, nodes}};
    return write_report_files(files, error);
}

bool write_report_files(std::span<const FileBytes> files, std::string& error)
{
    std::string reason;
    std::size_t failed = 0;
    errno = 0;
    return write_files_atomically(files, reason, failed) || write_failed(files[failed].path, reason, error);
}

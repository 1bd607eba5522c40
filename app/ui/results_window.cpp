// The results window: builds the table window's content from the model's numbers and answers its
// buttons and selections.
//
// State: the window's content (one TableWindowSpec, kept while the window may show it); the
// selection is the canvas's (View.overlays.highlight_member / highlight_node), shown again whenever the
// window is built. The sort the user chose survives a refresh. The heading starts with the file's
// first line, where solvers name the units.
#include "app/ui/results_window.h"

#include <cmath>
#include <cstdio>

#include "app/model/analysis.h"
#include "app/model/loaded_numbers.h"
#include "app/model/model.h"
#include "app/ui/canvas_view.h"
#include "app/view/overlays.h"
#include "core/atomic_file.h"
#include "gui/platform.h"
#include "gui/requester.h"

namespace {

constexpr std::size_t TITLE_LIMIT = 500;  // characters of the file's first line shown at most

TableWindowSpec spec;  // what the window shows

const double EMPTY = std::nan("");  // an empty cell

// The file's first line as a heading: control characters as spaces, cut after TITLE_LIMIT bytes.
std::string results_title()
{
    std::string line = TrussModel.title_line.substr(0, TITLE_LIMIT);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 32) {
            c = ' ';
        }
    }
    return line;
}

TableColumn column(const char* header, CellFormat format, std::size_t rows)
{
    TableColumn made;
    made.header = header;
    made.format = format;
    if (format == CellFormat::Text) {
        made.texts.resize(rows);
    } else {
        made.numbers.assign(rows, EMPTY);
    }
    return made;
}

void build_members(const ModelNumbers& numbers, TableData& table)
{
    const std::size_t rows = numbers.members.empty() ? 0 : numbers.members.size() - 1;
    table.name = "Members (" + std::to_string(rows) + ")";
    table.columns = {column("Member", CellFormat::Integer, rows), column("Node 1", CellFormat::Integer, rows),
                     column("Node 2", CellFormat::Integer, rows), column("Length", CellFormat::Number, rows),
                     column("Stress", CellFormat::Number, rows),  column("Force", CellFormat::Number, rows),
                     column("T/C", CellFormat::Text, rows)};
    for (std::size_t row = 0; row < rows; ++row) {
        const MemberNumbers& member = numbers.members[row + 1];
        table.columns[0].numbers[row] = static_cast<double>(row + 1);
        table.columns[1].numbers[row] = member.nodes[0];
        table.columns[2].numbers[row] = member.nodes[1];
        if (member.drawable) {
            table.columns[3].numbers[row] = member.length;
        }
        if (numbers.has_results) {
            table.columns[4].numbers[row] = member.stress;
            table.columns[5].numbers[row] = member.force;
            table.columns[6].texts[row] = member.state == MemberState::Tension       ? "T"
                                          : member.state == MemberState::Compression ? "C"
                                                                                     : "-";
        }
    }
}

void build_nodes(const ModelNumbers& numbers, TableData& table)
{
    static const char* const headers[] = {"x",          "y",          "z",         "Load x",  "Load y",
                                          "Load z",     "Defl. x",    "Defl. y",   "Defl. z", "|Defl.|",
                                          "Reaction x", "Reaction y", "Reaction z"};
    const std::size_t rows = numbers.nodes.empty() ? 0 : numbers.nodes.size() - 1;
    table.name = "Nodes (" + std::to_string(rows) + ")";
    table.columns = {column("Node", CellFormat::Integer, rows)};
    for (int i = 0; i < 3; ++i) {
        table.columns.push_back(column(headers[i], CellFormat::Number, rows));
    }
    table.columns.push_back(column("Restraint", CellFormat::Text, rows));
    for (int i = 3; i < 13; ++i) {
        table.columns.push_back(column(headers[i], CellFormat::Number, rows));
    }
    for (std::size_t row = 0; row < rows; ++row) {
        const NodeNumbers& node = numbers.nodes[row + 1];
        table.columns[0].numbers[row] = static_cast<double>(row + 1);
        std::string restraint;
        for (int k = 0; k < 3; ++k) {
            table.columns[1 + k].numbers[row] = node.coordinates[k];
            table.columns[5 + k].numbers[row] = node.load[k];
            restraint += (k > 0 ? " " : "") + std::to_string(node.restraint[k]);
            if (numbers.has_results) {
                table.columns[8 + k].numbers[row] = node.deflection[k];
                // Only a restrained component has a reaction.
                if (node.restraint[k] == 1) {
                    table.columns[12 + k].numbers[row] = node.reaction[k];
                }
            }
        }
        table.columns[4].texts[row] = restraint;
        if (numbers.has_results) {
            table.columns[11].numbers[row] = node.deflection_magnitude;
        }
    }
}

std::string vector_text(const Vec3& v)
{
    return "x " + table_format_number(v[0]) + ", y " + table_format_number(v[1]) + ", z " + table_format_number(v[2]);
}

void build_heading(const ModelNumbers& numbers)
{
    spec.heading.clear();
    if (results_path.empty()) {
        spec.heading.push_back({"No results file", true, false});
        return;
    }
    const std::string title = results_title();
    spec.heading.push_back({title.empty() ? results_path : title, true, false});
    if (!numbers.has_results) {
        spec.heading.push_back({"No results: the file holds the geometry only", false, true});
        return;
    }
    spec.heading.push_back({"Sum of loads: " + vector_text(numbers.load_sum) +
                                ";   sum of reactions: " + vector_text(numbers.reaction_sum),
                            false, false});
    std::string balance = "Equilibrium, loads + reactions: " + vector_text(numbers.residual);
    if (numbers.total_load > 0) {
        char share[64];
        std::snprintf(share, sizeof share, "%.3g %%", numbers.residual_share * 100);
        balance += " = " + std::string(share) + " of the total load " + table_format_number(numbers.total_load);
    } else {
        balance += " (no loads)";
    }
    if (numbers.unbalanced) {
        balance += " - does not balance";
    }
    spec.heading.push_back({balance, false, numbers.unbalanced});
    std::string extremes;
    const auto add = [&extremes](const char* what, const char* kind, const Extreme& extreme) {
        extremes += extremes.empty() ? "" : ";   ";
        extremes += std::string(what) + ": ";
        extremes += extreme.index == 0
                        ? std::string("none")
                        : table_format_number(extreme.value) + " (" + kind + " " + std::to_string(extreme.index) + ")";
    };
    add("Largest tension", "member", numbers.max_tension);
    add("largest compression", "member", numbers.max_compression);
    add("largest deflection", "node", numbers.max_deflection);
    spec.heading.push_back({extremes, false, false});
    spec.heading.push_back({magnification_text(), false, false});
}

// The canvas follows a row the user selects; the loop redraws it after the platform's wait.
void on_select(int table, int data_row)
{
    View.overlays.highlight_member = table == RESULTS_MEMBERS && data_row >= 0 ? data_row + 1 : 0;
    View.overlays.highlight_node = table == RESULTS_NODES && data_row >= 0 ? data_row + 1 : 0;
    redraw_pending = 1;
}

void build()
{
    const ModelNumbers& numbers = model_numbers();
    spec.title = "Results - " + results_path;
    spec.tables.resize(2);
    build_members(numbers, spec.tables[RESULTS_MEMBERS]);
    build_nodes(numbers, spec.tables[RESULTS_NODES]);
    for (TableData& table : spec.tables) {
        table_resort(table);
    }
    build_heading(numbers);
    spec.on_select = on_select;
    spec.on_copy = results_window_copy;
    spec.on_save = results_window_save_csv;
}

// Selects the row of the member or node highlighted on the canvas (or none).
void show_selection()
{
    if (View.overlays.highlight_member > 0) {
        platform().table_window_select(RESULTS_MEMBERS, View.overlays.highlight_member - 1);
    } else if (View.overlays.highlight_node > 0) {
        platform().table_window_select(RESULTS_NODES, View.overlays.highlight_node - 1);
    } else {
        platform().table_window_select(RESULTS_MEMBERS, -1);
    }
}

// A cell for a CSV file: quoted when it holds a separator, a quote or a line break.
std::string csv_cell(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

// The offered name of table's CSV file: beside the results file, e.g. "bridge-members.csv".
std::string offered_csv_name(int table)
{
    std::string base = results_path.empty() ? start_folder + "/results" : results_path;
    const std::size_t slash = base.rfind('/');
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        base.erase(dot);
    }
    return base + (table == RESULTS_NODES ? "-nodes.csv" : "-members.csv");
}

}  // namespace

std::string magnification_text()
{
    const double magnification = drawn_magnification();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, magnification >= 10 ? "%.0f" : "%.3g", magnification);
    return std::string("Deflected shape drawn x ") + buffer + " at the present zoom";
}

void results_window_show()
{
    build();
    platform().table_window_show(&spec);
    show_selection();
}

void results_window_refresh()
{
    if (!platform().table_window_is_open()) {
        return;
    }
    build();
    platform().table_window_update();
    show_selection();
}

void results_window_view_changed()
{
    if (!platform().table_window_is_open() || spec.heading.size() < 5) {
        return;
    }
    spec.heading.back().text = magnification_text();
    platform().table_window_update();
}

void results_window_select(ResultsKind kind, int index)
{
    if (platform().table_window_is_open()) {
        platform().table_window_select(kind == ResultsKind::Node ? RESULTS_NODES : RESULTS_MEMBERS,
                                       index > 0 ? index - 1 : -1);
    }
}

void results_window_close()
{
    platform().table_window_close();
}

const TableWindowSpec& results_window_spec()
{
    return spec;
}

std::string results_table_text(const TableData& table, char separator)
{
    const int columns = static_cast<int>(table.columns.size());
    const auto cell = [separator](const std::string& text) { return separator == ',' ? csv_cell(text) : text; };
    std::string text;
    for (int c = 0; c < columns; ++c) {
        text += (c > 0 ? std::string(1, separator) : "") + cell(table.columns[c].header);
    }
    text += '\n';
    const int rows = table_rows(table);
    for (int row = 0; row < rows; ++row) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                text += separator;
            }
            text += cell(table_cell_export(table, row, c));
        }
        text += '\n';
    }
    return text;
}

void results_window_copy(int table)
{
    if (table < 0 || table >= static_cast<int>(spec.tables.size())) {
        return;
    }
    platform().clipboard_copy(results_table_text(spec.tables[table], '\t'));
}

void results_window_save_csv(int table)
{
    if (table < 0 || table >= static_cast<int>(spec.tables.size())) {
        return;
    }
    const std::string path = req_save_file("Save as CSV", offered_csv_name(table), "CSV file (*.csv)|*.csv|All files|*",
                                           0);
    if (path.empty()) {
        return;
    }
    std::string error;
    if (!write_file_atomically(path, results_table_text(spec.tables[table], ','), error)) {
        req_message_ok("Warning", "Can not save the table: " + error);
    }
}

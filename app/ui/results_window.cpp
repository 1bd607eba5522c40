// The results window: builds the table window's content from the model's numbers and answers its
// buttons and selections.
//
// State: the window's content (one TableWindowSpec, kept while the window may show it); the
// selection is the canvas's (View.overlays.highlight_member / highlight_node), shown again whenever the
// window is built. The sort the user chose survives a refresh. The heading starts with the file's
// first line, where solvers name the units.
#include "app/ui/results_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/export/columns.h"
#include "app/model/analysis.h"
#include "app/model/checks.h"
#include "app/model/units.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/read_results_file.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "core/atomic_file.h"
#include "core/file_name.h"
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

TableColumn column(std::string_view header, CellFormat format, std::size_t rows)
{
    TableColumn made;
    made.header = std::string(header);
    made.format = format;
    if (format == CellFormat::Text) {
        made.texts.resize(rows);
    } else {
        made.numbers.assign(rows, EMPTY);
    }
    return made;
}

CellFormat cell_format(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Index:
    case ColumnKind::Whole:
        return CellFormat::Integer;
    case ColumnKind::State:
        return CellFormat::Text;
    case ColumnKind::FileReal:
    case ColumnKind::Real:
    case ColumnKind::Utilisation:
        break;
    }
    return CellFormat::Number;
}

// "T", "C" or "-".
std::string state_letter(double state)
{
    switch (static_cast<MemberState>(state)) {
    case MemberState::Tension:
        return "T";
    case MemberState::Compression:
        return "C";
    case MemberState::None:
        break;
    }
    return "-";
}

// The window's table of schema: one column per component of each schema column, or one text
// column of the components as whole numbers separated by spaces (a joined column).
template <typename Record>
void build_table(const ModelNumbers& numbers, const ColumnTable<Record>& schema, TableData& table)
{
    const std::vector<Record>& records = numbers.*schema.rows;
    const std::size_t rows = records.empty() ? 0 : records.size() - 1;
    table.name = std::string(schema.title) + " (" + std::to_string(rows) + ")";
    table.columns.clear();
    for (const Column<Record>& c : schema.columns) {
        const Quantity quantity = column_quantity(c);
        const double factor = shown_factor(numbers.units, quantity);
        for (int k = 0; k < (c.joined ? 1 : c.components); ++k) {
            const bool criterion = c.kind == ColumnKind::Utilisation && k == 1;
            const CellFormat format = c.joined || criterion ? CellFormat::Text : cell_format(c.kind);
            TableColumn made = column(header_with_unit(c.headers[k], shown_unit(numbers.units, quantity)), format,
                                      rows);
            for (std::size_t row = 0; row < rows; ++row) {
                const Record& record = records[row + 1];
                if (!column_has_value(c.shown, numbers, record, k)) {
                    continue;
                }
                if (c.joined) {
                    for (int j = 0; j < c.components; ++j) {
                        if (j > 0)
                            made.texts[row] += ' ';
                        made.texts[row] += std::to_string(static_cast<long long>(c.value(record, j)));
                    }
                } else if (c.kind == ColumnKind::Index) {
                    made.numbers[row] = static_cast<double>(row + 1);
                } else if (c.kind == ColumnKind::State) {
                    made.texts[row] = state_letter(c.value(record, k));
                } else if (criterion) {
                    made.texts[row] = criterion_name(static_cast<Criterion>(c.value(record, k)));
                } else {
                    made.numbers[row] = c.value(record, k) * factor;
                }
            }
            table.columns.push_back(std::move(made));
        }
    }
}

std::string vector_text(const Vec3& v)
{
    return "x " + table_format_number(v[0]) + ", y " + table_format_number(v[1]) + ", z " + table_format_number(v[2]);
}

// "largest node residual: R kN (node N, 0.01 % of the largest load)", and how many nodes do not
// balance within the file's rounding.
std::string node_residual_text(const ModelNumbers& numbers)
{
    const auto& worst = numbers.max_node_residual;
    if (worst.node == 0)
        return "every node balances";
    char share[64];
    std::snprintf(share, sizeof share, "%.3g %%", worst.share * 100);
    std::string text = "largest node residual: " +
                       with_unit(table_format_number(worst.value), shown_unit(numbers.units, Quantity::Force)) +
                       " (node " + std::to_string(worst.node) + ", " + share + " of the largest load)";
    if (numbers.nodes_out_of_balance > 0)
        return text + " - " + std::to_string(numbers.nodes_out_of_balance) +
               " nodes do not balance: the file's numbers do not belong together";
    return text + ", within the file's rounding";
}

// "largest utilisation: 0.93 (member 7, buckling), 0 members over their limit".
std::string utilisation_text(const ModelNumbers& numbers)
{
    const auto& worst = numbers.max_utilisation;
    std::string text = "largest utilisation: ";
    text += worst.member == 0 ? std::string("none")
                              : table_format_number(worst.value) + " (member " + std::to_string(worst.member) + ", " +
                                    std::string(criterion_name(worst.criterion)) + ")";
    return text + ", " + std::to_string(numbers.members_over_limit) + " members over their limit";
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
    if (const std::int64_t problems = loaded_problem_count(); problems > 0) {
        spec.heading.push_back({problems_heading(problems), false, true});
    }
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
    balance += ";   " + node_residual_text(numbers);
    spec.heading.push_back({balance, false, numbers.unbalanced || numbers.nodes_out_of_balance > 0});
    std::string extremes;
    const auto add = [&extremes, &numbers](const char* what, const char* kind, const Extreme& extreme,
                                           Quantity quantity) {
        extremes += extremes.empty() ? "" : ";   ";
        extremes += std::string(what) + ": ";
        const double shown = extreme.value * shown_factor(numbers.units, quantity);
        extremes += extreme.index == 0 ? std::string("none")
                                       : with_unit(table_format_number(shown), shown_unit(numbers.units, quantity)) +
                                             " (" + kind + " " + std::to_string(extreme.index) + ")";
    };
    add("Largest tension", "member", numbers.max_tension, Quantity::Force);
    add("largest compression", "member", numbers.max_compression, Quantity::Force);
    add("largest deflection", "node", numbers.max_deflection, Quantity::Deflection);
    if (numbers.has_utilisation)
        extremes += ";   " + utilisation_text(numbers);
    spec.heading.push_back({extremes, false, numbers.has_utilisation && numbers.members_over_limit > 0});
    spec.heading.push_back({magnification_text(), false, false});
}

// "Most critical": the RESULTS_CRITICAL_ROWS members of highest utilisation, highest first, with
// what governs them and their force and stress.
void build_critical_table(const ModelNumbers& numbers, TableData& table)
{
    std::vector<int> members;
    for (std::size_t e = 1; e < numbers.members.size(); ++e)
        if (numbers.members[e].utilisation.criterion != Criterion::None)
            members.push_back(static_cast<int>(e));
    const std::size_t rows = std::min<std::size_t>(members.size(), RESULTS_CRITICAL_ROWS);
    std::partial_sort(members.begin(), members.begin() + static_cast<std::ptrdiff_t>(rows), members.end(),
                      [&numbers](int a, int b) {
                          const double ua = numbers.members[a].utilisation.value;
                          const double ub = numbers.members[b].utilisation.value;
                          return ua > ub || (ua == ub && a < b);  // equals by member number
                      });
    table.name = "Most critical (" + std::to_string(rows) + ")";
    table.columns.clear();
    const Units& units = numbers.units;
    table.columns.push_back(column("Member", CellFormat::Integer, rows));
    table.columns.push_back(column("Utilisation", CellFormat::Number, rows));
    table.columns.push_back(column("Criterion", CellFormat::Text, rows));
    table.columns.push_back(
        column(header_with_unit("Force", shown_unit(units, Quantity::Force)), CellFormat::Number, rows));
    table.columns.push_back(
        column(header_with_unit("Stress", shown_unit(units, Quantity::Stress)), CellFormat::Number, rows));
    for (std::size_t row = 0; row < rows; ++row) {
        const MemberNumbers& m = numbers.members[members[row]];
        table.columns[0].numbers[row] = members[row];
        table.columns[1].numbers[row] = m.utilisation.value;
        table.columns[2].texts[row] = criterion_name(m.utilisation.criterion);
        table.columns[3].numbers[row] = m.force;
        table.columns[4].numbers[row] = m.stress;
    }
}

// The canvas follows a row the user selects; the loop redraws it after the platform's wait.
void on_select(int table, int data_row)
{
    if (table == RESULTS_CRITICAL && data_row >= 0 && data_row < table_rows(spec.tables[RESULTS_CRITICAL])) {
        table = RESULTS_MEMBERS;
        data_row = static_cast<int>(spec.tables[RESULTS_CRITICAL].columns[0].numbers[data_row]) - 1;
    }
    View.overlays.highlight_member = table == RESULTS_MEMBERS && data_row >= 0 ? data_row + 1 : 0;
    View.overlays.highlight_node = table == RESULTS_NODES && data_row >= 0 ? data_row + 1 : 0;
    redraw_pending = 1;
}

void build()
{
    const ModelNumbers& numbers = model_numbers();
    spec.title = "Results - " + results_path;
    spec.tables.resize(numbers.has_utilisation ? 3 : 2);
    build_table(numbers, MEMBER_COLUMNS, spec.tables[RESULTS_MEMBERS]);
    add_envelope_columns(spec.tables[RESULTS_MEMBERS]);
    build_table(numbers, NODE_COLUMNS, spec.tables[RESULTS_NODES]);
    if (numbers.has_utilisation)
        build_critical_table(numbers, spec.tables[RESULTS_CRITICAL]);
    if (spec.shown_table >= static_cast<int>(spec.tables.size()))
        spec.shown_table = RESULTS_MEMBERS;
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
    const std::string base = results_path.empty() ? start_folder + "/results" : results_path;
    return std::string(path_without_extension(base)) + (table == RESULTS_NODES ? "-nodes.csv" : "-members.csv");
}

}  // namespace

std::string magnification_text()
{
    const double magnification = drawn_magnification();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, magnification >= 10 ? "%.0f" : "%.3g", magnification);
    return std::string("Deflected shape drawn x ") + buffer +
           (View.magnification > 0.0f ? " at any zoom (Magnification...)" : " at the present zoom");
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

ResultsLayout results_window_layout()
{
    ResultsLayout layout;
    layout.width = spec.width;
    layout.height = spec.height;
    for (int t = 0; t < 2 && t < static_cast<int>(spec.tables.size()); ++t) {
        layout.sort_column[t] = spec.tables[t].sort_column;
        layout.descending[t] = spec.tables[t].descending;
    }
    return layout;
}

void set_results_window_layout(const ResultsLayout& layout)
{
    spec.width = layout.width;
    spec.height = layout.height;
    if (spec.tables.size() < 2)
        spec.tables.resize(2);
    for (int t = 0; t < 2; ++t) {
        spec.tables[t].sort_column = layout.sort_column[t];
        spec.tables[t].descending = layout.descending[t];
    }
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
        if (c > 0)
            text += separator;
        text += cell(table.columns[c].header);
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

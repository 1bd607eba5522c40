// The table window's platform-neutral part: cell text, sorting and the row mapping.
//
// The order vector maps shown rows to data rows; sorting rearranges only that vector, so the
// columns stay in data order and a selection reported by the backend maps straight back to a
// member or node.
#include "gui/table_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

bool column_valid(const TableData& table, int column)
{
    return column >= 0 && column < static_cast<int>(table.columns.size());
}

// The value of a numeric cell, NaN when the column is short.
double number_at(const TableColumn& column, int data_row)
{
    return data_row >= 0 && data_row < static_cast<int>(column.numbers.size()) ? column.numbers[data_row]
                                                                               : std::nan("");
}

const std::string& text_at(const TableColumn& column, int data_row)
{
    static const std::string empty;
    return data_row >= 0 && data_row < static_cast<int>(column.texts.size()) ? column.texts[data_row] : empty;
}

// The shown row whose first column holds number, -1 when none (or the column holds no whole numbers).
int shown_row_of_number(const TableData& table, double number)
{
    if (table.columns.empty() || table.columns.front().format != CellFormat::Integer)
        return -1;
    const std::vector<double>& numbers = table.columns.front().numbers;
    const auto it = std::find(numbers.begin(), numbers.end(), number);
    return it == numbers.end() ? -1 : table_shown_row(table, static_cast<int>(it - numbers.begin()));
}

}  // namespace

int table_rows(const TableData& table)
{
    if (table.columns.empty())
        return 0;
    const TableColumn& first = table.columns.front();
    return static_cast<int>(first.format == CellFormat::Text ? first.texts.size() : first.numbers.size());
}

int table_data_row(const TableData& table, int shown_row)
{
    if (shown_row < 0 || shown_row >= table_rows(table))
        return -1;
    if (table.order.empty())
        return shown_row;
    return shown_row < static_cast<int>(table.order.size()) ? table.order[shown_row] : -1;
}

int table_shown_row(const TableData& table, int data_row)
{
    if (data_row < 0 || data_row >= table_rows(table))
        return -1;
    if (table.order.empty())
        return data_row;
    const auto it = std::find(table.order.begin(), table.order.end(), data_row);
    return it == table.order.end() ? -1 : static_cast<int>(it - table.order.begin());
}

std::string table_format_number(double value)
{
    if (std::isnan(value))
        return {};
    if (value == 0)
        return "0";
    char buffer[48];
    const double size = std::fabs(value);
    if (size >= 0.001 && size < 9999.5) {
        // Decimals for 4 significant digits; rounding may carry into one more integer digit
        // (999.96 -> "1000.0"), which is harmless.
        const int digits = static_cast<int>(std::floor(std::log10(size))) + 1;
        std::snprintf(buffer, sizeof buffer, "%.*f", std::max(0, 4 - digits), value);
    } else if (size >= 9999.5 && size < 1e6) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.3E", value);
    }
    return buffer;
}

std::string table_cell_text(const TableData& table, int shown_row, int column)
{
    const int data_row = table_data_row(table, shown_row);
    if (data_row < 0 || !column_valid(table, column))
        return {};
    const TableColumn& cells = table.columns[column];
    switch (cells.format) {
    case CellFormat::Text:
        return text_at(cells, data_row);
    case CellFormat::Integer: {
        const double value = number_at(cells, data_row);
        if (std::isnan(value))
            return {};
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        return buffer;
    }
    case CellFormat::Number:
        break;
    }
    return table_format_number(number_at(cells, data_row));
}

std::string table_cell_export(const TableData& table, int shown_row, int column)
{
    const int data_row = table_data_row(table, shown_row);
    if (data_row < 0 || !column_valid(table, column))
        return {};
    const TableColumn& cells = table.columns[column];
    if (cells.format != CellFormat::Number)
        return table_cell_text(table, shown_row, column);
    const double value = number_at(cells, data_row);
    if (std::isnan(value))
        return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", value == 0 ? 0.0 : value);
    return buffer;
}

void table_sort(TableData& table, int column, bool descending)
{
    const int rows = table_rows(table);
    table.order.resize(rows);
    std::iota(table.order.begin(), table.order.end(), 0);
    if (!column_valid(table, column)) {
        table.sort_column = -1;
        table.descending = false;
        return;
    }
    table.sort_column = column;
    table.descending = descending;
    const TableColumn& cells = table.columns[column];
    if (cells.format == CellFormat::Text) {
        std::stable_sort(table.order.begin(), table.order.end(), [&](int a, int b) {
            const std::string& x = text_at(cells, a);
            const std::string& y = text_at(cells, b);
            if (x.empty() || y.empty())
                return !x.empty() && y.empty();
            return descending ? y < x : x < y;
        });
        return;
    }
    std::stable_sort(table.order.begin(), table.order.end(), [&](int a, int b) {
        const double x = number_at(cells, a);
        const double y = number_at(cells, b);
        if (std::isnan(x) || std::isnan(y))
            return !std::isnan(x) && std::isnan(y);
        return descending ? y < x : x < y;
    });
}

void table_resort(TableData& table)
{
    if (table.sort_column < 0)
        table.order.clear();
    else
        table_sort(table, table.sort_column, table.descending);
}

void table_header_click(TableData& table, int column)
{
    if (!column_valid(table, column))
        return;
    table_sort(table, column, table.sort_column == column && !table.descending);
}

int table_type_digit(const TableData& table, std::string& typed, char digit)
{
    if (digit < '0' || digit > '9')
        return -1;
    // Nine digits at most: beyond them no table has a row, and the number stays exact in a double.
    if (typed.size() < 9) {
        typed += digit;
        if (const int row = shown_row_of_number(table, std::stod(typed)); row >= 0)
            return row;
    }
    typed.assign(1, digit);
    return shown_row_of_number(table, digit - '0');
}

// The table window: a second top-level window with heading lines above tabbed tables of numbers
// that the user sorts by clicking a column header, selects rows in, copies and saves. The viewer's
// results window is one.
//
// The program fills a TableWindowSpec and hands it to the platform (Platform::table_window_*); the
// backend draws only the visible cells, formatting each as it is drawn, so a table of 100,000 rows
// costs its columns of numbers and one index vector. Sorting, the cell text and the mapping between
// shown rows and data rows are platform-neutral and live here; both backends use them.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class CellFormat {
    Integer,  // a whole number ("12")
    Number,   // 4 significant digits ("250.0", "0.008562", "7.937E-04")
    Text,     // the column's text as given
};

// One column: its header and one value per data row.
struct TableColumn {
    std::string header;
    CellFormat format = CellFormat::Number;
    std::vector<double> numbers;     // Integer and Number columns; NaN is an empty cell
    std::vector<std::string> texts;  // Text columns
};

// One table (one tab of the window).
struct TableData {
    std::string name;                  // tab label
    std::vector<TableColumn> columns;  // every column holds rows() values
    std::vector<int> order;            // shown row -> data row; empty means data order
    int sort_column = -1;              // column the rows are sorted by, -1 for data order
    bool descending = false;           // sorted largest first
};

// One line of text above the tables.
struct TableHeadingLine {
    std::string text;
    bool title = false;    // the first line: larger and bold
    bool warning = false;  // drawn in red (something the user must not miss)
};

// Everything the table window shows and whom it tells about the user's actions. The callbacks run
// in the program's thread while the platform waits; each may be empty.
struct TableWindowSpec {
    std::string title;                                       // caption
    std::vector<TableHeadingLine> heading;                   // lines above the tables
    std::vector<TableData> tables;                           // one tab each (the FLTK window shows the first three)
    int shown_table = 0;                                     // the tab in front
    int width = 0;                                           // client size the window opens at (0: the backend's);
    int height = 0;                                          // the backend keeps them as the user resizes it
    std::function<void(int table, int data_row)> on_select;  // a row was selected (-1: none)
    std::function<void(int table)> on_copy;                  // "Copy" pressed on table's tab
    std::function<void(int table)> on_save;                  // "Save as CSV..." pressed
};

// Number of data rows of table (its first column's length; 0 without columns).
int table_rows(const TableData& table);
// The data row shown at shown_row (shown_row itself while unsorted); -1 out of range.
int table_data_row(const TableData& table, int shown_row);
// The shown row of data_row, -1 out of range.
int table_shown_row(const TableData& table, int data_row);
// The text of a cell as the table shows it ("" for an empty cell or out of range).
std::string table_cell_text(const TableData& table, int shown_row, int column);
// The same value written out for a spreadsheet: 7 significant digits (a float's), no grouping.
std::string table_cell_export(const TableData& table, int shown_row, int column);
// A number as a table cell shows it: 4 significant digits, fixed-point from 0.001 to 10,000,
// whole numbers up to a million, "E" notation beyond; "" for NaN.
std::string table_format_number(double value);
// Sorts the shown rows by column (numbers by value, text by bytes; empty cells last either way;
// equal cells in data order). column -1 restores data order.
void table_sort(TableData& table, int column, bool descending);
// Sorts again by the table's own sort column and direction (after its columns were replaced).
void table_resort(TableData& table);
// A click on column's header: sorts by it ascending, or turns the direction when it already sorts.
void table_header_click(TableData& table, int column);
// A digit typed while the table has the keyboard: typed (the digits typed so far) gains it, and the
// shown row whose first column (a whole-number column: the member's or node's number) holds the
// number typed is returned. When that number names no row, the digit alone starts a new number.
// -1 (typed then holding the digit alone) when neither names a row or digit is no digit.
int table_type_digit(const TableData& table, std::string& typed, char digit);

// The table window's platform-neutral part: how numbers look in a cell (4 significant digits, with
// the switches between fixed and exponent notation at their edges), sorting with empty cells last
// in both directions and ties in data order, the header click's direction, and the mapping between
// shown and data rows; typed digits jumping to the row of that number.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gui/table_window.h"

namespace {

const double EMPTY = std::nan("");

struct FormatCase {
    double value;
    const char* text;
};

TEST(TableWindow, NumbersShowFourSignificantDigits)
{
    const FormatCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {250.0, "250.0"},
        {-353.553, "-353.6"},
        {41.6667, "41.67"},
        {0.0085622, "0.008562"},
        {0.001, "0.001000"},
        {0.00099994, "9.999E-04"},
        {7.9365e-4, "7.937E-04"},
        {9999.4, "9999"},
        {9999.6, "10000"},
        {123456.7, "123457"},
        {999999.4, "999999"},
        {1e6, "1.000E+06"},
        {-2.5e7, "-2.500E+07"},
        {999.96, "1000.0"},
        {EMPTY, ""},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(table_format_number(c.value), c.text) << c.value;
}

// Five rows without symmetry: a number column with an empty cell and a tie, a text column with an
// empty cell.
TableData sample()
{
    TableData table;
    TableColumn number{"Force", CellFormat::Number, {3.0, EMPTY, -7.5, 3.0, 12.0}, {}};
    TableColumn id{"No", CellFormat::Integer, {1, 2, 3, 4, 5}, {}};
    TableColumn state{"T/C", CellFormat::Text, {}, {"T", "C", "", "T", "-"}};
    table.columns = {id, number, state};
    return table;
}

std::vector<std::string> column_texts(const TableData& table, int column)
{
    std::vector<std::string> texts;
    for (int row = 0; row < table_rows(table); ++row)
        texts.push_back(table_cell_text(table, row, column));
    return texts;
}

using Texts = std::vector<std::string>;

TEST(TableWindow, SortingKeepsEmptyCellsLastAndTiesInDataOrder)
{
    TableData table = sample();
    EXPECT_EQ(column_texts(table, 0), (Texts{"1", "2", "3", "4", "5"}));
    table_sort(table, 1, false);
    EXPECT_EQ(column_texts(table, 0), (Texts{"3", "1", "4", "5", "2"}));
    table_sort(table, 1, true);
    EXPECT_EQ(column_texts(table, 0), (Texts{"5", "1", "4", "3", "2"}));
    table_sort(table, 2, false);  // by bytes: "-" < "C" < "T"
    EXPECT_EQ(column_texts(table, 0), (Texts{"5", "2", "1", "4", "3"}));
    table_sort(table, 2, true);
    EXPECT_EQ(column_texts(table, 0), (Texts{"1", "4", "2", "5", "3"}));
    table_sort(table, -1, false);
    EXPECT_EQ(column_texts(table, 0), (Texts{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(table.sort_column, -1);
}

TEST(TableWindow, HeaderClicksSortAscendingThenTurnAndAnotherColumnStartsAscending)
{
    TableData table = sample();
    table_header_click(table, 1);
    EXPECT_EQ(table.sort_column, 1);
    EXPECT_FALSE(table.descending);
    table_header_click(table, 1);
    EXPECT_TRUE(table.descending);
    table_header_click(table, 1);
    EXPECT_FALSE(table.descending);
    table_header_click(table, 1);
    table_header_click(table, 0);
    EXPECT_EQ(table.sort_column, 0);
    EXPECT_FALSE(table.descending);
    table_header_click(table, 3);  // no such column: nothing changes
    EXPECT_EQ(table.sort_column, 0);
}

TEST(TableWindow, ShownAndDataRowsMapBothWaysAndRefuseOutOfRange)
{
    TableData table = sample();
    table_sort(table, 1, true);  // shown: data rows 4, 0, 3, 2, 1
    EXPECT_EQ(table_data_row(table, 0), 4);
    EXPECT_EQ(table_shown_row(table, 4), 0);
    EXPECT_EQ(table_shown_row(table, 1), 4);
    for (int bad : {-1, 5, 1000000}) {
        EXPECT_EQ(table_data_row(table, bad), -1);
        EXPECT_EQ(table_shown_row(table, bad), -1);
        EXPECT_EQ(table_cell_text(table, bad, 0), "");
    }
    EXPECT_EQ(table_cell_text(table, 0, 3), "");
    EXPECT_EQ(table_cell_text(table, 0, -1), "");
    // The export writes the value out, the cell shows 4 digits.
    table.columns[1].numbers[4] = 12.34567;
    EXPECT_EQ(table_cell_text(table, 0, 1), "12.35");
    EXPECT_EQ(table_cell_export(table, 0, 1), "12.34567");
    // Columns replaced by fewer rows: the old order is not used past the new end.
    table.columns[0].numbers.resize(2);
    table.columns[1].numbers.resize(2);
    table.columns[2].texts.resize(2);
    table_resort(table);
    EXPECT_EQ(column_texts(table, 0), (Texts{"1", "2"}));
}

// Typed digits build a number while it names a row of the first column (in the order shown); a
// digit that would make it name none starts a new number.
TEST(TableWindow, TypedDigitsJumpToTheRowOfThatNumberAndStartAgainWhenItNamesNone)
{
    TableData table;
    table.columns = {{"Member", CellFormat::Integer, {3, 1, 12, 120, 2}, {}}};
    table_sort(table, 0, true);  // shown: 120, 12, 3, 2, 1
    struct Step {
        char digit;
        int row;            // the shown row jumped to, -1 for none
        const char* typed;  // the number typed so far afterwards
    };
    const Step steps[] = {
        {'1', 4, "1"},  {'2', 1, "12"}, {'0', 0, "120"}, {'3', 2, "3"},  // 1203 names none: 3 alone
        {'9', -1, "9"}, {'2', 3, "2"},  {'x', -1, "2"},
    };
    std::string typed;
    for (const Step& step : steps) {
        EXPECT_EQ(table_type_digit(table, typed, step.digit), step.row) << step.digit;
        EXPECT_EQ(typed, step.typed);
    }
    // A table whose first column holds no whole numbers has no rows to jump to.
    TableData text;
    text.columns = {{"T/C", CellFormat::Text, {}, {"1", "2"}}};
    typed.clear();
    EXPECT_EQ(table_type_digit(text, typed, '1'), -1);
}

}  // namespace

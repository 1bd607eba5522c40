// The columns of the two results tables, members and nodes: for each its report key, its headers in
// the results window, the kind of value and when a row has one. The JSON and CSV report
// (app/export/report.h) and the results window's tables, Copy and CSV (app/ui/results_window.h) are
// all written from these tables, in their order.
//
// A vector column has one value per component: the report writes it as a JSON array, or as CSV
// columns KEY_a, KEY_b (two components) or KEY_x, KEY_y, KEY_z (three); the window shows one
// column per component, or one text column of the components separated by spaces (joined).
#pragma once

#include <array>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "app/model/analysis.h"

enum class ColumnKind {
    Index,        // the row's member or node number (value unused)
    Whole,        // a whole number from the file (end nodes, restraint codes)
    FileReal,     // a value the file gives: float32 kept in a double
    Real,         // a computed value
    State,        // a MemberState, as its number
    Utilisation,  // a member's utilisation (component 0) and its Criterion as a number (component 1)
};

// When a cell has a value; otherwise the report writes null (JSON) or nothing (CSV), the window an
// empty cell.
enum class ColumnWhen {
    Always,
    Drawable,             // the member's end nodes exist
    WithResults,          // the file holds results
    Restrained,           // with results, at a node with a restrained component (every component)
    RestrainedComponent,  // with results, in a restrained component only
    UnlessForceMissing,   // always, but for a drawable member with results whose force the file did not give
    WithKnownForce,       // with results, but not for such a member
    Utilised,             // design limits applied and a limit bears on the member
};

template <typename Record>
struct Column {
    std::string_view key;                     // JSON key and CSV header (vectors: with the component's suffix)
    int components;                           // 1, or a vector's 2 or 3
    std::array<std::string_view, 3> headers;  // the window's header of each component (joined: the first)
    bool joined;                              // the window shows the components as one text column
    ColumnKind kind;
    ColumnWhen reported;                                // when the report has a value
    ColumnWhen shown;                                   // when the window shows a value
    double (*value)(const Record& row, int component);  // component 0 .. components - 1
};

template <typename Record>
struct ColumnTable {
    std::string_view key;    // the report's name of the table ("members", "nodes")
    std::string_view title;  // the window's tab name, before the row count
    std::span<const Column<Record>> columns;
    const std::vector<Record> ModelNumbers::*rows;  // entry 0 unused
};

extern const ColumnTable<MemberNumbers> MEMBER_COLUMNS;
extern const ColumnTable<NodeNumbers> NODE_COLUMNS;

// The quantity a column's values are, for the unit in its header.
template <typename Record>
Quantity column_quantity(const Column<Record>& column);

// The suffix of component of a vector column of components components: "_a", "_b" or "_x", "_y", "_z".
std::string_view column_suffix(int components, int component);

// True when the cell of row (member or node) in component has a value under when.
template <typename Record>
bool column_has_value(ColumnWhen when, const ModelNumbers& numbers, const Record& row, int component)
{
    switch (when) {
    case ColumnWhen::Always:
        return true;
    case ColumnWhen::Drawable:
        if constexpr (std::is_same_v<Record, MemberNumbers>)
            return row.drawable;
        return true;
    case ColumnWhen::WithResults:
        return numbers.has_results;
    case ColumnWhen::Restrained:
        if constexpr (std::is_same_v<Record, NodeNumbers>)
            return numbers.has_results && row.restrained;
        return numbers.has_results;
    case ColumnWhen::RestrainedComponent:
        if constexpr (std::is_same_v<Record, NodeNumbers>)
            return numbers.has_results && row.restraint[component] == 1;
        return numbers.has_results;
    case ColumnWhen::UnlessForceMissing:
    case ColumnWhen::WithKnownForce: {
        bool missing = false;
        if constexpr (std::is_same_v<Record, MemberNumbers>)
            missing = numbers.has_results && row.drawable && !row.force_known;
        return !missing && (when == ColumnWhen::UnlessForceMissing || numbers.has_results);
    }
    case ColumnWhen::Utilised:
        if constexpr (std::is_same_v<Record, MemberNumbers>)
            return numbers.has_utilisation && row.utilisation.criterion != Criterion::None;
        return false;
    }
    return false;
}

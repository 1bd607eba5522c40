// The results window: the loaded model's numbers in two sortable tables (members and nodes) under
// the file's title, the equilibrium check, the extremes and the drawn magnification, with "Copy"
// (tab-separated, for a spreadsheet) and "Save as CSV...". Its rows and the canvas share one
// selection (View.overlays.highlight_member / highlight_node).
//
// The numbers come from app/model/analysis.h and their columns from app/export/columns.h (as the
// report's do); the window itself is the platform's table window (gui/table_window.h). Nothing is
// built while the window is closed.
#pragma once

#include <string>

#include "gui/table_window.h"

enum class ResultsKind { Member, Node };  // which table a selection belongs to

constexpr int RESULTS_MEMBERS = 0;         // table (tab) index of the members
constexpr int RESULTS_NODES = 1;           // table (tab) index of the nodes
constexpr int RESULTS_CRITICAL = 2;        // table (tab) of the most utilised members, with design limits only
constexpr int RESULTS_CRITICAL_ROWS = 20;  // members "Most critical" lists at most

// Opens the results window on the loaded model, or raises it (Ctrl+R, the menu).
void results_window_show();
// Shows the loaded model anew if the window is open (after Load File and reload); keeps the sort.
void results_window_refresh();
// Updates the drawn magnification in the heading if the window is open (after a zoom or a new
// deflection scale); the tables stay.
void results_window_view_changed();
// Selects member or node index's row, scrolled into view, if the window is open (index 0 clears):
// the canvas selection, which the caller keeps in Overlays (the window shows it again when it opens).
void results_window_select(ResultsKind kind, int index);
// Closes the window.
void results_window_close();
// "Deflected shape drawn x 67 at the present zoom": how many times the drawn deflected shape
// exaggerates the real one (the heading's line and the scale field's tooltip).
std::string magnification_text();

// What the user made of the window that is kept between runs: its size and the members' and
// nodes' sort.
struct ResultsLayout {
    int width = 0, height = 0;            // client size, pixels; 0 while never resized
    int sort_column[2] = {-1, -1};        // [RESULTS_MEMBERS], [RESULTS_NODES]; -1 for data order
    bool descending[2] = {false, false};  // sorted largest first
};
ResultsLayout results_window_layout();
// Takes layout for the window's next opening (a sort column the table lacks means data order).
void set_results_window_layout(const ResultsLayout& layout);

// What the window shows (built on show and refresh).
const TableWindowSpec& results_window_spec();
// table's rows in their shown order with a header row: cells separated by separator, numbers
// written out in full; ',' quotes cells that need it (CSV), '\t' gives spreadsheet paste text.
std::string results_table_text(const TableData& table, char separator);
// "Copy": table's text, tab-separated, on the clipboard.
void results_window_copy(int table);
// "Save as CSV...": asks for a file name and writes table as CSV whole or not at all; a failure
// says why in a "Warning" box.
void results_window_save_csv(int table);

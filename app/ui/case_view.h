// Load cases in the viewer: a combinations file (.cases) read as one set of cases of one truss,
// one case shown at a time. PageDown and PageUp step through the cases keeping the view, the
// switches and the selection; 'e' shows the envelope (each member in its governing force's
// colour, the legend saying "envelope of N cases"; with design limits each member's utilisation is
// its largest of any case) and again the case. The caption adds the
// case's name after the path. With no set loaded (one results file) nothing here acts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gui/input.h"
#include "gui/table_window.h"

// True when path names a combinations file (it ends in ".cases", any case).
bool is_cases_path(std::string_view path);
// Reads the combinations file at path and shows its first case as "Load File" shows a file (the
// view reset and fitted). A set that is refused is told in a box naming the file and line, and
// nothing shown changes. True when the set is shown.
bool load_case_set(const std::string& path);
// The same for several results files, each a case named by its file name (the caption shows the
// first path), or for one combinations file.
bool load_case_files(const std::vector<std::string>& paths);
// Forgets the set: a results file alone is shown from now on.
void forget_case_set();
// True while a set is shown.
bool case_set_shown();
// PageDown, PageUp and 'e' while a set is shown (each also ends a comparison); false for any other
// key or without a set.
bool case_key(int key, int modifiers);
// The part of case_key that puts the next case (or the envelope) into TrussModel with its numbers,
// without showing it: the work a step adds to the redraw. False as case_key.
bool step_case_model(int key, int modifiers);
// The context menu's entries for the set, after the command table's (none without a set): next
// and previous case, the envelope and "Compare with...".
std::vector<MenuEntry> case_menu_entries();
// Runs entry n of case_menu_entries(); "Compare with..." asks for the case in a menu at canvas
// point (x, y).
void run_case_menu_entry(int n, int x, int y);
// Shows the change from case n to the shown case (the shown case less case n) until the next step.
void compare_with_case(int n);
// While the envelope is shown, adds to the results window's members table each member's largest
// tension and compression with the cases that give them (empty cells where no case does), and with
// design limits the case of each member's largest utilisation.
void add_envelope_columns(TableData& members);
// The user's units or design limits changed: the envelope, while shown, takes them.
void case_checks_changed();
// Reads the set again keeping the view and shows the same case (or the envelope); false (and
// nothing done) without a set. A set that cannot be read again leaves the shown one as it is and
// says why in the window's note, with no box; the next reload tries again.
bool reload_case_set();
// The files the shown set was read from: the combinations file or the results files given, then
// every results file the combinations file names, each once (empty without a set).
std::vector<std::string> case_set_files();

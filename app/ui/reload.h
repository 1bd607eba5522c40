// Reading the file again: F5 and the menu reload it keeping the view; "Reload when the file
// changes" watches it so that a re-run of the solver shows at once. Also the hooks that follow
// every load (Load File, a dropped file) and opening a dropped file.
#pragma once

#include <string>
#include <vector>

struct WindowRead;

// Reads results_path again (or every file of a shown set of load cases, app/ui/case_view.h)
// keeping the view (angles, scale, pan, switches and fields); the selection stays while its member
// or node still exists. Nothing happens without a path or while
// a file to be shown is being read; a reload still going is given up for this one.
void reload_file();
// The reload's part after the read. A read that failed (read_failure) leaves the model and the
// view as they are, opens no box and says why in the window's note; the next reload tries again.
void show_reloaded_file(WindowRead& read);
// The "Reload when the file changes" switch (off at start-up; not kept between runs).
bool reload_on_change();
void set_reload_on_change(bool on);
// A watched file changed: reloads when the switch is on.
void file_changed();
// Opens a dropped file as "Load File" would with that choice (nothing for "").
void open_dropped_file(const std::string& path);
// Opens the files of a drop: one as open_dropped_file, several as the load cases of one truss.
void open_dropped_files(const std::vector<std::string>& paths);
// After any load: gestures and the selection reset, the watch follows the new path (or set).
void after_load();

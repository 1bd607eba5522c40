// Choosing a results file and loading it into the viewer.
#pragma once

#include <string>

struct WindowRead;

// Asks for a results file in the open-file requester; results_path is the choice, "" after a
// cancel. With several, the requester takes several files together: results_path is then the
// first (load_file shows them as load cases).
void choose_results_file(bool several = false);
// "Load File": choose a file, read it, then put the view, the switches and the controls (the scale
// field too) back to their start-up states, show what was read, pick the plan view for a planar
// model, show the path in the caption, draw the model fitted to the canvas, and end as every load
// does (after_load). Several files chosen together, or a combinations file, are shown as a set of
// load cases (app/ui/case_view.h). A cancel changes nothing and gives false. A read that goes on in the
// background (app/ui/read_results_file.h) does all this when it ends; stopped, it changes nothing.
bool load_file();
// Loads path as "Load File" would after choosing it (a dropped file).
void load_path(const std::string& path);
// The part of "Load File" after the read: the resets, the read put into the window, the caption,
// the fitted drawing; results_path becomes read's path.
void show_read_file(WindowRead& read);

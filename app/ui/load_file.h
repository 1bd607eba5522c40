// Choosing a results file and loading it into the viewer.
#pragma once

#include <string>

// Opens results_path in slot RESULTS_FILE. A named pipe through which nothing comes within the pipe
// wait (10 s) is given up with a "Warning" box; other failures are left to the reader to report.
void open_results_file();
// Asks for a results file in the open-file requester and opens it in slot RESULTS_FILE;
// results_path is "" after a cancel (and nothing is opened then). With several, the requester
// takes several files together: results_path is then the first and none is opened (load_file
// shows them as load cases).
void choose_results_file(bool several = false);
// "Load File": choose a file, put the view, the switches and the controls (the scale field too)
// back to their start-up states, read the file, pick the plan view for a planar model, show the
// path in the caption and draw the model fitted to the canvas. A cancel changes nothing and gives
// false.
bool load_file();
// Loads path as "Load File" would after choosing it (a dropped file).
void load_path(const std::string& path);
// The part of "Load File" after the choice: the resets, the read of the opened slot, the caption
// and the fitted drawing.
void show_opened_file();

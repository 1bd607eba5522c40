// The viewer's main procedure: start-up, the event loop and shutdown.
#pragma once

#include <string>
#include <vector>

// The command-line parameters after the program name joined by single spaces: a path with spaces
// that arrives split into several parameters is thereby joined again.
std::string join_command_line(int argc, const char* const* argv);
// What a kelvaro command line asks for.
enum class ViewerRequest {
    Open,           // show the results file named by the parameters (or ask for one)
    Help,           // print the usage text
    Version,        // print the version
    ResetSettings,  // forget the remembered settings (app/ui/remembered_settings.h)
};
// Reads kelvaro's command line. A lone "--help" or "--version" asks for that text, a lone
// "--reset-settings" for forgetting the remembered settings; a first "--" only
// ends the options, for a path that starts with "--"; every other parameter is part of the path.
// For Open, parameters gets the argument list viewer_main takes (the program name first).
ViewerRequest read_viewer_command_line(int argc, const char* const* argv, std::vector<const char*>& parameters);
// The text "kelvaro --help" prints.
std::string viewer_help_text();
// Starts the runtime (on whatever backend gui/backend.h has chosen), opens the main window, reads
// the results file named by the parameters (or asks for one), shows it, runs the event loop and
// shuts down. Returns the exit code, 0.
int viewer_main(int argc, const char* const* argv);
// The start-up steps up to the first drawing (everything before the event loop).
void viewer_start(int argc, const char* const* argv);
// Starts the runtime modules in their fixed order (on the backend gui/backend.h has chosen).
void runtime_start();
// Stops the runtime modules.
void runtime_end();
// Ends any open drawing and stops the runtime modules.
void viewer_shutdown();

// The command line of kelvaro-render: its options, their checks and the help text, and the exit
// statuses the program reports.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/export/sheet.h"
#include "app/model/units.h"
#include "app/view/settings.h"

constexpr int RENDER_EXIT_OK = 0;        // the picture was written
constexpr int RENDER_EXIT_INPUT = 1;     // results file missing, unreadable or without usable results
constexpr int RENDER_EXIT_USAGE = 2;     // bad command line
constexpr int RENDER_EXIT_SAVE = 3;      // the picture or the report could not be written
constexpr int RENDER_EXIT_PROBLEMS = 4;  // drawn and written, but the results file has problems

constexpr int RENDER_DEFAULT_QUALITY = 70;     // libjpeg quality, the viewer's own
constexpr int RENDER_ZOOM_LIMIT = 100;         // --zoom takes -this .. this steps
constexpr float RENDER_ANGLE_LIMIT = 3600.0f;  // --azimuth and --elevation take -this .. this degrees
constexpr int RENDER_FRAME_COUNT = 6;          // --frame takes 1 .. this
constexpr int RENDER_SIZE_MIN = 100;           // --size takes WxH with each side this .. RENDER_SIZE_MAX pixels
constexpr int RENDER_SIZE_MAX = 8000;
constexpr const char* RENDER_NAME_FIELD = "{name}";  // in -o: each results file's name without extension

// The view preset asked for.
enum class RenderView {
    Automatic,  // what the viewer picks: plan for a planar model, 3D otherwise
    Plan,       // "3D" unticked
    Spatial,    // "3D" ticked
};

// Everything the command line asks for.
struct RenderOptions {
    std::string results_path;              // results file to read
    std::string output_path;               // picture to write, its extension gives the format ("" with a report only)
    std::string report_path;               // --report: .json or .csv results report ("" for none)
    int quality = RENDER_DEFAULT_QUALITY;  // libjpeg quality 0..100
    RenderView view = RenderView::Automatic;
    std::optional<float> azimuth;    // degrees, replaces the preset's azimuth
    std::optional<float> elevation;  // degrees, replaces the preset's elevation
    int zoom_steps = 0;              // > 0: steps of "In", < 0: steps of "Out"
    bool deflected = false;          // tick "Deflected"
    std::string deflection_scale;    // text typed into the scale field; "" keeps the reader's
    float magnification = 0.0f;      // --magnification: the shape at N times the real deflections; 0 none
    bool load_values = false;        // tick "Applied Load"
    bool element_numbers = false;    // tick "Element No."
    bool stresses = false;           // press "Show Stresses"
    int frame = 0;                   // animation frame 1..6; 0 for none
    bool geometry = false;           // draw a file without results instead of refusing it
    // The engineer's view drawn over the picture (app/overlays.h).
    bool colour_forces = false;              // members coloured by axial force, with a legend
    bool legend = true;                      // the force-colour legend (--no-legend clears it)
    bool node_numbers = false;               // node numbers beside the nodes
    bool reactions = false;                  // support reaction arrows with values
    bool max_deflection = false;             // mark the largest deflection (draws the deflected shape)
    int highlight_member = 0;                // member drawn highlighted; 0 for none
    int highlight_node = 0;                  // node ringed; 0 for none
    bool help = false;                       // --help: print the help text and stop
    bool version = false;                    // --version: print the version and stop
    std::vector<std::string> results_paths;  // every results file named, in order (results_path is the first)
    int width = 700;                         // --size: canvas pixels
    int height = 500;
    float text_scale = 1.0f;   // --text-scale: times the default font's pixel size
    Paper paper = Paper::A4;   // --paper: the calculation sheet's (a .pdf output)
    float scale = 1.0f;        // --scale: everything drawn at this many pixels per canvas pixel
    bool title_block = false;  // --title-block: a band under the picture naming it, with a scale bar in plan
    // The engineer's checks (app/model/checks.h).
    std::optional<Units> units;    // --units: replaces the units the file states
    double limit_tension = 0;      // --limit-stress T[,C]: allowable stresses, file stress units; 0 none
    double limit_compression = 0;  // C (T when left out)
    std::string input_path;        // --input: the solver input that made the file (sections for buckling)
    bool utilisation = false;      // members coloured by utilisation, with a legend
    bool free_body = false;        // the forces on the --highlight-node node as labelled arrows
    LabelFilter label_filter{};    // --label-filter: which value labels are drawn
    // Load cases (app/batch/batch_cases.h).
    std::string cases_path;                               // --cases: the combinations file ("" for none)
    std::string case_name;                                // --case: the case drawn ("" for the first)
    std::vector<std::pair<double, std::string>> combine;  // --combine FACTOR:FILE, in order
    bool envelope = false;                                // --envelope: the envelope of every case
    std::string write_results_path;                       // --write-results: the drawn case as a results file
};

constexpr float RENDER_SCALE_MIN = 0.5f;  // --scale's range
constexpr float RENDER_SCALE_MAX = 8.0f;
constexpr int RENDER_CANVAS_MIN = 50;  // --size divided by --scale leaves at least this canvas, pixels

// The canvas the scene is laid out on: --size divided by --scale, rounded to whole pixels.
int render_canvas_side(int side, float scale);

// True when the options ask for a set of load cases (a combinations file, a combination or an
// envelope) rather than one picture per results file.
bool render_uses_cases(const RenderOptions& options);

// Reads argv[1..argc-1] into options. False with a one-line reason in error (without the program
// name) for an unknown option, a missing, non-numeric or out-of-range value, conflicting options,
// a report name that is not .json or .csv, a missing results file or output (a picture or a
// report) (unless --help or --version was given), a picture name of no known format, or several
// results files whose output names are not all different.
bool parse_render_options(int argc, const char* const* argv, RenderOptions& options, std::string& error);
// The output file (picture or report) of the results file at path: every {name} in pattern replaced
// by the file's name without its folder and its extension.
std::string render_output_path(std::string_view pattern, const std::string& path);
// The text --help prints: usage, every option, the exit statuses.
std::string render_help_text();

// kelvaro-render's work: the viewer started on the headless backend with one results file, the
// window's controls set as the command line asks, and the canvas picture saved as JPEG, PNG, SVG or
// an animated GIF.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch/render_options.h"
#include "app/model/analysis.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "draw/picture.h"

// What a render came to: an exit status and the lines to print on stderr (each already prefixed
// with the program name; reader warnings may come with status RENDER_EXIT_OK), and what the reader
// found wrong with the file: the program prints those lines after the others and turns an OK
// status into RENDER_EXIT_PROBLEMS.
struct RenderReport {
    int status = RENDER_EXIT_OK;
    std::vector<std::string> lines;
    std::vector<std::string>
        problems;  // "FILE:LINE: text" ("FILE: text" for the whole file), then "FILE: N more problems"
    std::int64_t problem_count = 0;  // every problem the reader found
};

// Opens the results file (once: the reader reads that descriptor), starts the viewer on the headless backend with it
// (as the viewer starts), applies options in the order canvas size and text scale, preset, angles,
// zoom, deflected shape (also for a GIF), load values, element numbers, then the animation frame
// or the result table, and copies the
// final canvas picture into picture. The runtime stays started (viewer_shutdown ends it), so the
// viewer's state can be inspected afterwards. picture is untouched unless the status is OK.
RenderReport render_picture(const RenderOptions& options, Picture& picture);
// render_picture, then the picture saved to options.output_path (when given) in the format of its
// extension (JPEG at options.quality, PNG, SVG; GIF: the six animation frames) and the results
// report written to options.report_path (when given; app/report.h).
RenderReport render_to_file(const RenderOptions& options);
// render_to_file for every results file of options, each to its output names (render_output_path),
// its lines printed to err (each naming its file when there are several), the runtime shut down
// after each. Returns the gravest status of them (a failure before RENDER_EXIT_PROBLEMS before OK).
int render_files(const RenderOptions& options, std::FILE* err);
// The files options writes: the picture, the results file, the report (a CSV report's two
// tables); "" for each not asked for.
std::vector<std::string> render_output_files(const RenderOptions& options);
// Reads the results file at path as the program reads its input (opened once, read through a file
// slot); "" when it could be opened, else the reason.
std::string render_read_results(const std::string& path, TrussModelData& model, ReadOutcome& outcome);
// Draws a model already in memory (a load case, a combination, an envelope; with results) as
// render_to_file draws a file, spatial choosing the automatic preset, legend_caption over the force
// legend ("" for none), and saves the picture to options.output_path when given.
RenderReport render_model_to_file(const RenderOptions& options, const TrussModelData& model,
                                  const ModelNumbers& numbers, bool spatial, const std::string& legend_caption);
// The whole program: reads the command line, prints the help to out or renders and saves, prints
// diagnostics to err, shuts the runtime down and returns the exit status.
int render_main(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

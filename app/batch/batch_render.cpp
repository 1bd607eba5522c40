// kelvaro-render's driver: the results file read into a model, the numbers computed once, view
// settings made as the viewer's start-up makes them and then changed as the command line asks, and
// the scene drawn into a picture, an SVG document or the animation's frames. No window, control or
// event runtime takes part.
//
// The settings follow the viewer's commands step by step, so the picture is the one the viewer's
// canvas shows after the same clicks: the preset ("3D" ticked or not) refits, the angles are set
// and refitted as the rotate-back button does, the zoom steps are applied together and projected
// once (the same positions as one projection per step), "Deflected" takes the scale as its field
// shows it (the reader's scale rounded to a whole number, or the text given), and the animation
// draws with the offsets of the deflected picture drawn just before it, with "Deflected" off.
//
// State: the draw module's text scale (set per file, put back to 1 at the end) and file slot
// INPUT_SLOT while a file is read.
#include "app/batch/batch_render.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "app/batch/batch_cases.h"
#include "app/batch/process_memory.h"
#include "app/export/cairo_surface.h"
#include "app/export/design_input.h"
#include "app/export/dxf.h"
#include "app/export/export.h"
#include "app/export/report.h"
#include "app/export/results_export.h"
#include "app/export/sheet.h"
#include "app/export/title_block.h"
#include "app/export/vtu.h"
#include "app/model/analysis.h"
#include "app/model/checks.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "app/view/scene.h"
#include "app/view/view.h"
#include "core/atomic_file.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/str.h"
#include "core/version.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "draw/sink.h"
#include "draw/svg.h"

namespace {

constexpr const char* PROGRAM = "kelvaro-render";
constexpr int INPUT_SLOT = 1;                 // file slot the results file is read from
constexpr std::size_t PRINTED_PROBLEMS = 20;  // problems printed per results file; the rest are counted

std::string diagnostic(const std::string& text)
{
    return std::string(PROGRAM) + ": " + text;
}

// The drawing and file modules, started once per process.
void start_modules()
{
    static bool started = false;
    if (started)
        return;
    image_codec_init();
    draw_init();
    file_init();
    started = true;
}

// Opens the results file once and reads it through a file slot, so a named pipe's writer meets one
// reader only. A pipe without a writer yet is waited for, as other command-line tools wait. Empty
// when the file was read, else the reason it could not be opened.
std::string read_input(const std::string& path, TrussModelData& model, ReadOutcome& outcome)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info;
    std::string reason;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
    }
    if (!reason.empty()) {
        close(fd);
        return reason;
    }
    if (S_ISREG(info.st_mode))
        keep_freed_memory(info.st_size);
    file_offer_descriptor(path, fd);
    file_open_read(INPUT_SLOT, path);
    FileSlotLineSource source(INPUT_SLOT);
    outcome = read_results(source, model);
    file_close(INPUT_SLOT);
    return reason;
}

// True when both paths name one existing file.
bool same_file(const std::string& a, const std::string& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// True when the picture needs the deflected offsets: an animation frame or the GIF of all six.
bool animated(const RenderOptions& options)
{
    return options.frame != 0 || export_format(options.output_path) == ExportFormat::Gif;
}

// True when the output is a picture with a title band under it (the calculation sheet has a title
// block of its own; CAD and VTK files have no picture).
bool banded(const RenderOptions& options)
{
    const ExportFormat format = export_format(options.output_path);
    return options.title_block && format != ExportFormat::Pdf && format != ExportFormat::Dxf &&
           format != ExportFormat::Vtu;
}

// One results file as the command line asks for it to be drawn.
struct Drawing {
    TrussModelData model;
    ReadOutcome outcome;
    ModelNumbers numbers;
    ViewSettings settings;
    Projection projection;
    bool has_results = false;
    Picture picture;       // what the options draw: the picture, an animation frame, or with the result table
    CanvasSize whole;      // the picture's canvas: the scene's, and the title band's below it
    bool pictured = true;  // false when the output draws the scene itself (SVG): picture stays empty
};

// Which node numbers options' outputs read: every node's for the exports of the model, the report,
// the results file written back and the overlays that label nodes (node numbers, ranked by their
// deflections; reactions; a node's free body); none for a picture without those.
NodeNumbersKept node_numbers_read(const RenderOptions& options)
{
    const ExportFormat format = export_format(options.output_path);
    const bool picture = format == ExportFormat::Png || format == ExportFormat::Jpeg || format == ExportFormat::Svg ||
                         format == ExportFormat::Gif;
    const bool labelled = options.node_numbers || options.reactions || options.free_body;
    const bool written = !options.report_path.empty() || !options.write_results_path.empty();
    return picture && !labelled && !written ? NodeNumbersKept::None : NodeNumbersKept::All;
}

// Whether options' output needs drawing.picture: an SVG document records its own passes.
bool needs_picture(const RenderOptions& options)
{
    return export_format(options.output_path) != ExportFormat::Svg;
}

// The settings as the viewer has them once it shows the file: the start-up defaults, the plan
// preset for a planar model, the model fitted to the canvas; then the command line's canvas size,
// preset, angles, zoom, overlays and switches, in the order the viewer's controls would set them.
void set_up_view(const RenderOptions& options, bool spatial, Drawing& drawing)
{
    ViewSettings& settings = drawing.settings;
    settings.rotation_step = DEFAULT_ROTATION_STEP;
    settings.deflection_scale = drawing.model.deflection_scale;
    settings.preset_3d = spatial;
    apply_view_preset(settings, spatial);
    draw_set_text_scale(options.text_scale);
    // --size divided by --scale; the title band takes the bottom rows of it, the scene the rest.
    drawing.whole = canvas_of_size(render_canvas_side(options.width, options.scale),
                                   render_canvas_side(options.height, options.scale));
    settings.canvas = canvas_of_size(drawing.whole.width,
                                     drawing.whole.height - (banded(options) ? title_band_height() : 0));
    refresh_projection(drawing.model, settings, drawing.projection, true);
    if (options.view != RenderView::Automatic) {
        settings.preset_3d = options.view == RenderView::Spatial;
        apply_view_preset(settings, settings.preset_3d);
        refresh_projection(drawing.model, settings, drawing.projection, true);
    }
    if (options.azimuth || options.elevation) {
        if (options.azimuth)
            settings.azimuth = *options.azimuth;
        if (options.elevation)
            settings.elevation = *options.elevation;
        refresh_projection(drawing.model, settings, drawing.projection, true);
    }
    if (options.zoom_steps != 0) {
        for (int n = 0; n < options.zoom_steps; ++n)
            zoom_in(settings);
        for (int n = 0; n > options.zoom_steps; --n)
            zoom_out(settings);
        refresh_projection(drawing.model, settings, drawing.projection, false);
    }
    settings.overlays.show_force_colours = options.colour_forces;
    settings.overlays.show_legend = options.legend;
    settings.overlays.show_node_numbers = options.node_numbers;
    settings.overlays.show_reactions = options.reactions;
    settings.overlays.show_max_deflection = options.max_deflection;
    settings.overlays.highlight_member = options.highlight_member;
    settings.overlays.highlight_node = options.highlight_node;
    settings.overlays.show_utilisation = options.utilisation;
    settings.overlays.show_free_body = options.free_body;
    settings.overlays.label_filter = options.label_filter;
    if ((options.deflected || animated(options) || options.max_deflection || options.magnification > 0) &&
        drawing.has_results) {
        // The scale field shows the reader's scale as a whole number until another is typed.
        const std::string text = options.deflection_scale.empty() ? str_from_float(drawing.model.deflection_scale, 0)
                                                                  : options.deflection_scale;
        settings.deflection_scale = str_to_float(text);
        settings.magnification = options.magnification;
        settings.show_deflected = 1;
    }
    if (options.load_values)
        settings.show_load_values = 1;
    if (options.element_numbers || (options.stresses && drawing.has_results))
        settings.show_element_numbers = 1;
}

// The title block of the drawing: the file's title and name, today's date and the deflected
// shape's magnification when it is drawn (the case and the units are not known here).
TitleBlock title_block_of(const RenderOptions& options, const Drawing& drawing)
{
    TitleBlock block;
    block.title = drawing.model.title_line;
    block.file_name = std::string(path_name(options.results_path));
    block.date = today_text();
    block.length_unit = drawing.numbers.units.length;
    block.force_unit = drawing.numbers.units.force;
    block.stress_unit = drawing.numbers.units.stress;
    if (drawing.settings.show_deflected != 0)
        block.magnification = drawn_magnification(shape_deflection_scale(drawing.settings), drawing.settings.scale);
    return block;
}

// True when the view is the plan preset with its own angles, where lengths keep one scale.
bool plan_view(const RenderOptions& options, const Drawing& drawing)
{
    return !drawing.settings.preset_3d && !options.azimuth && !options.elevation;
}

// The title band under the scene, with a scale bar in the plan view.
void draw_title_band(const RenderOptions& options, const Drawing& drawing, DrawOutput* output)
{
    const double pixels_per_unit = plan_view(options, drawing) ? drawing.settings.scale : 0.0;
    render_title_band(title_block_of(options, drawing), drawing.settings.canvas.height, drawing.whole.width,
                      pixels_per_unit, output);
}

// A white picture of the whole canvas.
Picture blank_whole_picture(const Drawing& drawing)
{
    ViewSettings whole = drawing.settings;
    whole.canvas = drawing.whole;
    return blank_scene_picture(whole);
}

// A new drawing output for the next pass; fresh: over a blank canvas.
using PassOutput = std::function<DrawOutput*(bool fresh)>;

// Draws what the options ask for in passes on outputs: the picture (with the deflected shape, whose
// offsets an animation then moves), an animation frame with "Deflected" off, or the picture with
// the element result table over it. False with the reason when nothing could be drawn.
bool draw_passes(const RenderOptions& options, Drawing& drawing, const PassOutput& output, std::string& reason)
{
    if (!render_scene(drawing.model, drawing.numbers, drawing.settings, drawing.projection, output(true))) {
        reason = "the picture could not be drawn";
        return false;
    }
    if (animated(options))
        drawing.settings.show_deflected = 0;  // the animation unticks "Deflected" first
    if (options.frame != 0) {
        if (!drawing.has_results || !render_animation_frame(drawing.model, drawing.numbers, drawing.settings,
                                                            drawing.projection, options.frame, output(true))) {
            reason = "the animation frame could not be drawn";
            return false;
        }
    } else if (options.stresses && drawing.has_results) {
        render_stress_table(drawing.model, drawing.settings, output(false));
    }
    if (banded(options))
        draw_title_band(options, drawing, output(false));
    return true;
}

// True when the picture is drawn at another scale than the canvas's pixels.
bool scaled(const RenderOptions& options)
{
    return options.scale != 1.0f;
}

// Draws what the options ask for into drawing.picture: on the canvas's pixels, or at --scale
// through a cairo surface of --size. False with the reason when nothing could be drawn.
bool draw_requested(const RenderOptions& options, Drawing& drawing, std::string& reason)
{
    if (!scaled(options)) {
        return draw_passes(
            options, drawing,
            [&drawing](bool fresh) {
                if (fresh)
                    drawing.picture = blank_whole_picture(drawing);
                return draw_picture_output(&drawing.picture, nullptr);
            },
            reason);
    }
    const CanvasSize canvas = drawing.whole;
    bool drawn = false;
    const bool painted = paint_scaled_picture(
        options.width, options.height, canvas.width, canvas.height,
        [&](CairoSink& sink) {
            drawn = draw_passes(
                options, drawing,
                [&sink, &canvas](bool fresh) {
                    if (fresh)
                        sink.clear();
                    return draw_sink_output(&sink, canvas.width, canvas.height, nullptr);
                },
                reason);
        },
        drawing.picture);
    if (drawn && !painted)
        reason = "the picture could not be drawn at scale";
    return drawn && painted;
}

// The six animation frames at --scale (without it, draw_scene_frames over a background that holds
// the title band). False when one cannot be drawn.
bool draw_scaled_frames(const RenderOptions& options, Drawing& drawing, std::vector<Picture>& frames)
{
    frames.assign(ANIMATION_FRAMES, Picture{});
    const CanvasSize canvas = drawing.whole;
    for (int frame = 1; frame <= ANIMATION_FRAMES; ++frame) {
        bool drawn = false;
        const auto paint = [&](CairoSink& sink) {
            drawn = render_animation_frame(drawing.model, drawing.numbers, drawing.settings, drawing.projection, frame,
                                           draw_sink_output(&sink, canvas.width, canvas.height, nullptr));
            if (banded(options))
                draw_title_band(options, drawing, draw_sink_output(&sink, canvas.width, canvas.height, nullptr));
        };
        if (!paint_scaled_picture(options.width, options.height, canvas.width, canvas.height, paint,
                                  frames[frame - 1]) ||
            !drawn) {
            frames.clear();
            return false;
        }
    }
    return true;
}

// Writes what was drawn to options.output_path in the format of its extension: the picture as JPEG
// or PNG, the scene recorded as SVG, the six animation frames as a GIF, the model's members and
// results for CAD (DXF) or a VTK post-processor (VTU), or the calculation sheet (PDF).
void save_output(const RenderOptions& options, Drawing& drawing, RenderReport& report)
{
    const std::string& path = options.output_path;
    std::string reason;
    switch (export_format(path)) {
    case ExportFormat::Png:
        reason = write_png_file(drawing.picture, path);
        break;
    case ExportFormat::Svg: {
        // The same passes recorded: the document holds the scene's canvas, sized at --scale.
        SvgRecorder recorder;
        const auto output = [&recorder, &drawing, &options](bool fresh) {
            if (fresh) {
                svg_recorder_start(recorder, drawing.whole.width, drawing.whole.height);
                recorder.scale = options.scale;
            }
            return draw_svg_output(&recorder, nullptr);
        };
        if (!draw_passes(options, drawing, output, reason)) {
            // As a picture that cannot be drawn is reported when no SVG is asked for.
            report.status = RENDER_EXIT_INPUT;
            report.lines.push_back(diagnostic(reason));
            return;
        }
        if (write_file_atomically(
                path, [&recorder](std::FILE* stream) { return svg_write(recorder, stream); }, reason))
            reason.clear();
        break;
    }
    case ExportFormat::Gif: {
        std::vector<Picture> frames;
        // A file without results (--geometry) animates nothing: six frames of the still picture.
        bool drawn = false;
        if (scaled(options)) {
            drawn = draw_scaled_frames(options, drawing, frames);
        } else {
            Picture background = blank_whole_picture(drawing);
            if (banded(options))
                draw_title_band(options, drawing, draw_picture_output(&background, nullptr));
            drawn = draw_scene_frames(drawing.model, drawing.numbers, drawing.settings, drawing.projection, background,
                                      frames);
        }
        reason = drawn ? write_gif_file(frames, path) : "the animation could not be drawn";
        break;
    }
    case ExportFormat::Dxf: {
        // The deflected shape as exaggerated as the picture draws it.
        DxfOptions dxf;
        dxf.member_numbers = options.element_numbers;
        dxf.node_numbers = options.node_numbers;
        dxf.deflected = options.deflected && drawing.has_results;
        dxf.magnification = drawn_magnification(shape_deflection_scale(drawing.settings), drawing.settings.scale);
        reason = write_dxf_file(path, drawing.numbers, dxf);
        break;
    }
    case ExportFormat::Vtu:
        reason = write_vtu_file(path, drawing.numbers);
        break;
    case ExportFormat::Pdf: {
        SheetInput sheet;
        sheet.model = &drawing.model;
        sheet.numbers = &drawing.numbers;
        sheet.settings = &drawing.settings;
        sheet.projection = &drawing.projection;
        sheet.block = title_block_of(options, drawing);
        take_sheet_checks(sheet, drawing.numbers);
        sheet.paper = options.paper;
        reason = write_sheet_file(path, sheet);
        break;
    }
    default: {
        errno = 0;
        const int saved = jpeg_save_picture_quality(drawing.picture, path, options.quality);
        const int error = errno;
        if (saved == 0) {
            reason = "cannot write '" + path +
                     "': " + (error != 0 ? std::strerror(error) : "the picture could not be encoded");
        }
        break;
    }
    }
    if (!reason.empty()) {
        report.status = RENDER_EXIT_SAVE;
        report.lines.push_back(diagnostic(reason));
    }
}

// A line for each highlight that names no member or node of the model (nothing is drawn for it).
void report_missing_highlights(const RenderOptions& options, const TrussModelData& model, RenderReport& report)
{
    if (options.highlight_member > usable_element_count(model))
        report.lines.push_back(
            diagnostic("--highlight-member: the model has no member " + std::to_string(options.highlight_member)));
    if (options.highlight_node > usable_node_count(model))
        report.lines.push_back(
            diagnostic("--highlight-node: the model has no node " + std::to_string(options.highlight_node)));
}

// The reader's problems as "FILE:LINE: text" ("FILE: text" for the whole file), the first
// PRINTED_PROBLEMS of them, then how many more there are.
void report_problems(const std::string& path, const ReadOutcome& outcome, RenderReport& report)
{
    for (std::size_t k = 0; k < outcome.problems.size() && k < PRINTED_PROBLEMS; ++k) {
        const ReadProblem& problem = outcome.problems[k];
        std::string line = path;
        if (problem.line > 0) {
            line += ':';  // a char: GCC 12 -O3 warns for ":" + string (-Wrestrict)
            line += std::to_string(problem.line);
        }
        report.problems.push_back(line + ": " + problem.text);
    }
    const std::int64_t printed = static_cast<std::int64_t>(std::min(outcome.problems.size(), PRINTED_PROBLEMS));
    if (outcome.problem_count > printed)
        report.problems.push_back(path + ": " + std::to_string(outcome.problem_count - printed) + " more problems");
    report.problem_count = outcome.problem_count;
}

// How grave a status is: a failure (1, 2, 3) outweighs problems (4), which outweigh success.
int gravity(int status)
{
    return status == RENDER_EXIT_PROBLEMS ? 1 : status == RENDER_EXIT_OK ? 0 : 1 + status;
}

// The command line's units and design limits applied to the numbers; false (status and line in
// report) when the solver input cannot be used.
bool apply_checks(const RenderOptions& options, Drawing& drawing, RenderReport& report)
{
    if (options.units)
        drawing.numbers.units = *options.units;
    if (drawing.numbers.has_utilisation)
        return true;  // checked by the caller: a case or the envelope of a set of load cases
    DesignLimits limits;
    limits.tension = options.limit_tension;
    limits.compression = options.limit_compression;
    if (!options.input_path.empty()) {
        const std::string failure = read_member_sections(options.input_path,
                                                         static_cast<int>(drawing.numbers.members.size()) - 1, limits);
        if (!failure.empty()) {
            report.status = RENDER_EXIT_INPUT;
            report.lines.push_back(diagnostic(failure));
            return false;
        }
    }
    apply_design_limits(drawing.numbers, limits);
    return true;
}

bool draw_model(const RenderOptions& options, bool spatial, Drawing& drawing, RenderReport& report);

// Reads the file, makes the settings and draws; false (with the status and lines in report) when
// there is nothing to save.
bool render_drawing(const RenderOptions& options, Drawing& drawing, RenderReport& report)
{
    start_modules();
    ReadOutcome& outcome = drawing.outcome;
    const std::string reason = read_input(options.results_path, drawing.model, outcome);
    if (!reason.empty()) {
        report.status = RENDER_EXIT_INPUT;
        report.lines.push_back(diagnostic(options.results_path + ": " + reason));
        return false;
    }
    // The reader's messages, one line each: a cut-down file is drawn, missing results are not.
    for (const ReaderMessage& message : outcome.messages)
        report.lines.push_back(diagnostic(message.title + ": " + message.text));
    report_problems(options.results_path, outcome, report);
    drawing.has_results = outcome.fault == ResultsFault::none;
    if (!drawing.has_results && !options.geometry) {
        report.status = RENDER_EXIT_INPUT;
        return false;
    }
    const NodeNumbersKept kept = node_numbers_read(options);
    // A picture without the result table reads no member's result text, nor do the numbers without
    // the nodes': given back before the numbers are made, their block lowers the peak memory.
    if (kept == NodeNumbersKept::None && !options.stresses)
        drawing.model.element_result_text.clear_texts();
    drawing.numbers = compute_model_numbers(drawing.model, drawing.has_results, kept);
    return draw_model(options, outcome.spatial, drawing, report);
}

// Makes the settings for the model and numbers in drawing and draws; false (with the status and
// lines in report) when nothing could be drawn.
bool draw_model(const RenderOptions& options, bool spatial, Drawing& drawing, RenderReport& report)
{
    report_missing_highlights(options, drawing.model, report);
    if (!apply_checks(options, drawing, report))
        return false;
    set_up_view(options, spatial, drawing);
    if (drawing.settings.canvas.height < RENDER_CANVAS_MIN) {
        report.status = RENDER_EXIT_USAGE;
        report.lines.push_back(diagnostic("the title block leaves less than " + std::to_string(RENDER_CANVAS_MIN) +
                                          " pixels for the picture: give a larger --size or a smaller --text-scale"));
        return false;
    }
    std::string failure;
    if (drawing.pictured && !draw_requested(options, drawing, failure)) {
        report.status = RENDER_EXIT_INPUT;
        report.lines.push_back(diagnostic(failure));
        return false;
    }
    return true;
}

}  // namespace

RenderReport render_picture(const RenderOptions& options, Picture& picture)
{
    RenderReport report;
    Drawing drawing;
    if (render_drawing(options, drawing, report))
        picture = std::move(drawing.picture);
    return report;
}

std::vector<std::string> render_output_files(const RenderOptions& options)
{
    std::vector<std::string> outputs = {options.output_path, options.write_results_path};
    if (report_format(options.report_path) == ReportFormat::Csv) {
        outputs.push_back(report_members_csv_path(options.report_path));
        outputs.push_back(report_nodes_csv_path(options.report_path));
    } else {
        outputs.push_back(options.report_path);
    }
    return outputs;
}

RenderReport render_to_file(const RenderOptions& options)
{
    for (const std::string& output : render_output_files(options)) {
        if (output.empty() || !same_file(options.results_path, output))
            continue;
        RenderReport refused;
        refused.status = RENDER_EXIT_USAGE;
        refused.lines.push_back(
            diagnostic("the output file '" + output + "' is the results file; refusing to overwrite it"));
        return refused;
    }
    RenderReport report;
    Drawing drawing;
    drawing.pictured = needs_picture(options);
    if (!render_drawing(options, drawing, report))
        return report;
    if (!options.output_path.empty()) {
        save_output(options, drawing, report);
        if (report.status != RENDER_EXIT_OK)
            return report;
    }
    std::string error;
    if (!options.report_path.empty() &&
        !write_report(options.report_path, drawing.numbers, drawing.model.title_line, error, &drawing.outcome)) {
        report.status = RENDER_EXIT_SAVE;
        report.lines.push_back(diagnostic(error));
    }
    if (!options.write_results_path.empty() && report.status == RENDER_EXIT_OK) {
        if (!drawing.has_results) {
            report.status = RENDER_EXIT_INPUT;
            report.lines.push_back(diagnostic("--write-results: '" + options.results_path + "' has no results"));
        } else if (!write_results_file(options.write_results_path, drawing.numbers, drawing.model.title_line, error)) {
            report.status = RENDER_EXIT_SAVE;
            report.lines.push_back(diagnostic(error));
        }
    }
    return report;
}

std::string render_read_results(const std::string& path, TrussModelData& model, ReadOutcome& outcome)
{
    start_modules();
    return read_input(path, model, outcome);
}

RenderReport render_model_to_file(const RenderOptions& options, const TrussModelData& model,
                                  const ModelNumbers& numbers, bool spatial, const std::string& legend_caption)
{
    start_modules();
    RenderReport report;
    Drawing drawing;
    drawing.model = model;
    drawing.numbers = numbers;
    drawing.has_results = true;
    drawing.settings.legend_caption = legend_caption;
    drawing.pictured = needs_picture(options);
    if (draw_model(options, spatial, drawing, report) && !options.output_path.empty())
        save_output(options, drawing, report);
    return report;
}

int render_files(const RenderOptions& options, std::FILE* err)
{
    const bool several = options.results_paths.size() > 1;
    int worst = RENDER_EXIT_OK;
    for (const std::string& path : options.results_paths) {
        RenderOptions one = options;
        one.results_path = path;
        one.output_path = render_output_path(options.output_path, path);
        one.report_path = render_output_path(options.report_path, path);
        return_kept_memory();  // what the file before kept (at the end the process returns it all at once)
        const RenderReport report = render_to_file(one);
        // With several files every line names its file (the input's own messages already do).
        const std::string prefix = diagnostic("");
        for (std::string line : report.lines) {
            if (several && line.rfind(prefix + path + ": ", 0) != 0)
                line.insert(prefix.size(), path + ": ");
            std::fprintf(err, "%s\n", line.c_str());
        }
        for (const std::string& line : report.problems)
            std::fprintf(err, "%s\n", line.c_str());
        const int status = report.status == RENDER_EXIT_OK && report.problem_count > 0 ? RENDER_EXIT_PROBLEMS
                                                                                       : report.status;
        if (gravity(status) > gravity(worst))
            worst = status;
    }
    draw_set_text_scale(1.0f);
    return worst;
}

int render_main(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    RenderOptions options;
    std::string error;
    if (!parse_render_options(argc, argv, options, error)) {
        std::fprintf(err, "%s: %s (see --help)\n", PROGRAM, error.c_str());
        return RENDER_EXIT_USAGE;
    }
    if (options.help) {
        std::fputs(render_help_text().c_str(), out);
        return RENDER_EXIT_OK;
    }
    if (options.version) {
        std::fputs(version_text(PROGRAM).c_str(), out);
        return RENDER_EXIT_OK;
    }
    if (render_uses_cases(options))
        return render_cases(options, err);
    return render_files(options, err);
}

// The batch render: the viewer's own start-up, reader, commands and renderer on the headless
// backend, driven from a command line instead of clicks.
//
// Every setting goes through what the matching control does: a check box's switch is set as a
// click would leave it (set_control_switch) and a button's command run (run_command), so the
// picture is the one the viewer's canvas would show. Two steps work on the view directly, with
// the same operations the commands use: the angles (set, then refit as the rotate-back button
// does) and the zoom (all steps, then one re-projection, which gives the same positions as one
// re-projection per step). The headless backend does not sleep in the
// animation's or the result table's pauses; an animation frame is taken from the canvas pictures
// the backend records at each draw_end.
//
// State: everything the viewer's start-up sets (app/model.h), the headless logs, and the runtime
// modules, which stay started until viewer_shutdown.
#include "app/batch/batch_render.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/export/export.h"
#include "app/export/report.h"
#include "app/model/model.h"
#include "app/ui/canvas_view.h"
#include "app/ui/commands.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/startup.h"
#include "app/view/overlays.h"
#include "app/view/view.h"
#include "core/atomic_file.h"
#include "core/file.h"
#include "core/version.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"

namespace {

constexpr const char* PROGRAM = "kelvaro-render";
constexpr int PASSES_PER_FRAME = 2;  // the plain picture, then the animated elements over it

std::string diagnostic(const std::string& text)
{
    return std::string(PROGRAM) + ": " + text;
}

// Opens the results file once, for the reader to read (handed over to the file slots), so a
// named pipe's writer meets one reader only. A pipe without a writer yet is waited for, as other
// command-line tools wait. Empty when the file is open, else the reason.
std::string open_input(const std::string& path)
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
    file_offer_descriptor(path, fd);
    return reason;
}

// True when both paths name one existing file.
bool same_file(const std::string& a, const std::string& b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

void apply_preset(RenderView view)
{
    if (view == RenderView::Automatic)
        return;
    set_control_switch(ID_3D, view == RenderView::Spatial);
}

void apply_angles(const RenderOptions& options)
{
    if (!options.azimuth && !options.elevation)
        return;
    if (options.azimuth)
        View.azimuth = *options.azimuth;
    if (options.elevation)
        View.elevation = *options.elevation;
    refresh_projection(true);
    redraw_view();
}

void apply_zoom(int steps)
{
    if (steps == 0)
        return;
    for (int n = 0; n < steps; ++n)
        zoom_in();
    for (int n = 0; n > steps; --n)
        zoom_out();
    refresh_projection(false);
    redraw_view();
}

// Ticks "Deflected" after putting scale_text (when given) in the scale field. Typing there would
// untick the box through the field's own command; the box is unticked before anyway.
void apply_deflected(const std::string& scale_text)
{
    if (!scale_text.empty()) {
        View.deflection_scale_text = scale_text;
        show_settings();
    }
    set_control_switch(ID_DEFLECTED, true);
}

// True when the picture needs the deflected offsets: an animation frame or the GIF of all six.
bool animated(const RenderOptions& options)
{
    return options.frame != 0 || export_format(options.output_path) == ExportFormat::Gif;
}

// --size and --text-scale: the canvas made again at the size asked for and the model fitted to it,
// as the viewer's start-up fits it to 700 x 500. Nothing changes for the defaults.
void apply_canvas(const RenderOptions& options)
{
    draw_set_text_scale(options.text_scale);
    const bool resized = options.width != CANVAS_WIDTH || options.height != CANVAS_HEIGHT;
    if (!resized && options.text_scale == 1.0f)
        return;
    if (resized) {
        set_canvas_size(options.width, options.height);
        gadget_canvas(ID_CANVAS, 0, 0, options.width, options.height);
        refresh_projection(true);
    }
    redraw_view();
}

// Writes what was drawn to options.output_path in the format of its extension: picture as JPEG
// or PNG, the canvas redrawn into an SVG recorder, or the six animation frames as a GIF.
void save_output(const RenderOptions& options, const Picture& picture, RenderReport& report)
{
    const std::string& path = options.output_path;
    std::string reason;
    switch (export_format(path)) {
    case ExportFormat::Png:
        reason = write_png_file(picture, path);
        break;
    case ExportFormat::Svg: {
        const std::string document = view_svg_document(options.frame, options.stresses);
        if (!write_file_atomically(path, document, reason))
            break;
        reason.clear();
        break;
    }
    case ExportFormat::Gif: {
        std::vector<Picture> frames;
        reason = draw_animation_frames(frames) ? write_gif_file(frames, path) : "the animation could not be drawn";
        break;
    }
    default: {
        errno = 0;
        const int saved = jpeg_save_picture_quality(picture, path, options.quality);
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

// Presses "Animation" and copies the picture of frame (1..6) with its animated elements drawn.
bool take_animation_frame(int frame, Picture& picture)
{
    const std::size_t before = headless_frames().size();
    headless_record_frames(true);
    run_command(ID_ANIMATION);
    headless_record_frames(false);
    const std::size_t index = before + static_cast<std::size_t>(PASSES_PER_FRAME * frame - 1);
    const bool drawn = index < headless_frames().size();
    if (drawn)
        picture = headless_frames()[index];
    headless_reset_log();  // the copies are large; messages were taken before
    return drawn;
}

// The overlay switches the options ask for, set before the viewer's first drawing pass.
void set_overlays(const RenderOptions& options)
{
    View.overlays = OverlayStateData{};
    View.overlays.show_force_colours = options.colour_forces;
    View.overlays.show_legend = options.legend;
    View.overlays.show_node_numbers = options.node_numbers;
    View.overlays.show_reactions = options.reactions;
    View.overlays.show_max_deflection = options.max_deflection;
}

// A line for each highlight that names no member or node of the model (nothing is drawn for it).
void report_missing_highlights(const RenderOptions& options, RenderReport& report)
{
    if (options.highlight_member > usable_element_count())
        report.lines.push_back(
            diagnostic("--highlight-member: the model has no member " + std::to_string(options.highlight_member)));
    if (options.highlight_node > usable_node_count())
        report.lines.push_back(
            diagnostic("--highlight-node: the model has no node " + std::to_string(options.highlight_node)));
}

// Everything render_picture does, leaving the picture where it was drawn: the canvas, or frame
// for an animation frame. nullptr when the status is not OK.
const Picture* render_view(const RenderOptions& options, RenderReport& report, Picture& frame)
{
    const std::string reason = open_input(options.results_path);
    if (!reason.empty()) {
        report.status = RENDER_EXIT_INPUT;
        report.lines.push_back(diagnostic(options.results_path + ": " + reason));
        return nullptr;
    }

    gui_use_headless();
    headless_record_frames(false);
    headless_reset_log();
    const char* const arguments[] = {PROGRAM, options.results_path.c_str()};
    set_overlays(options);
    viewer_start(2, arguments);
    // Opening the main window clears the selection; the highlights asked for are that selection,
    // drawn from the next pass on.
    View.overlays.highlight_member = options.highlight_member;
    View.overlays.highlight_node = options.highlight_node;
    if (View.overlays.highlight_member != 0 || View.overlays.highlight_node != 0)
        redraw_view();
    // The reader's message boxes, one line each: a cut-down file is drawn, missing results are not.
    for (const HeadlessMessage& message : headless_messages()) {
        report.lines.push_back(diagnostic(message.title + ": " + message.text));
    }
    headless_reset_log();
    if (results_missing != 0 && !options.geometry) {
        report.status = RENDER_EXIT_INPUT;
        return nullptr;
    }

    report_missing_highlights(options, report);
    apply_canvas(options);
    apply_preset(options.view);
    apply_angles(options);
    apply_zoom(options.zoom_steps);
    if (options.deflected || animated(options) || options.max_deflection)
        apply_deflected(options.deflection_scale);
    if (options.load_values)
        set_control_switch(ID_APPLIED_LOAD, true);
    if (options.element_numbers)
        set_control_switch(ID_ELEMENT_NO, true);

    if (options.frame != 0) {
        if (take_animation_frame(options.frame, frame))
            return &frame;
        report.status = RENDER_EXIT_INPUT;
        report.lines.push_back(diagnostic("the animation frame could not be drawn"));
        return nullptr;
    }
    if (options.stresses)
        run_command(ID_SHOW_STRESSES);
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (canvas == nullptr) {
        report.status = RENDER_EXIT_INPUT;
        report.lines.push_back(diagnostic("the canvas could not be made"));
    }
    return canvas;
}

}  // namespace

RenderReport render_picture(const RenderOptions& options, Picture& picture)
{
    RenderReport report;
    Picture frame;
    const Picture* drawn = render_view(options, report, frame);
    if (drawn != nullptr)
        picture = *drawn;
    return report;
}

RenderReport render_to_file(const RenderOptions& options)
{
    std::vector<std::string> outputs = {options.output_path};
    if (report_format(options.report_path) == ReportFormat::Csv) {
        outputs.push_back(report_members_csv_path(options.report_path));
        outputs.push_back(report_nodes_csv_path(options.report_path));
    } else {
        outputs.push_back(options.report_path);
    }
    for (const std::string& output : outputs) {
        if (output.empty() || !same_file(options.results_path, output))
            continue;
        RenderReport refused;
        refused.status = RENDER_EXIT_USAGE;
        refused.lines.push_back(
            diagnostic("the output file '" + output + "' is the results file; refusing to overwrite it"));
        return refused;
    }
    RenderReport report;
    Picture frame;
    const Picture* picture = render_view(options, report, frame);
    if (picture == nullptr)
        return report;
    if (!options.output_path.empty()) {
        save_output(options, *picture, report);
        if (report.status != RENDER_EXIT_OK)
            return report;
    }
    std::string error;
    if (!options.report_path.empty() && !write_report(options.report_path, error)) {
        report.status = RENDER_EXIT_SAVE;
        report.lines.push_back(diagnostic(error));
    }
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
        const RenderReport report = render_to_file(one);
        // With several files every line names its file (the input's own messages already do).
        const std::string prefix = diagnostic("");
        for (std::string line : report.lines) {
            if (several && line.rfind(prefix + path + ": ", 0) != 0)
                line.insert(prefix.size(), path + ": ");
            std::fprintf(err, "%s\n", line.c_str());
        }
        viewer_shutdown();
        worst = std::max(worst, report.status);
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
    return render_files(options, err);
}

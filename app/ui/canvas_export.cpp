// The window's exports: its model, numbers (app/ui/loaded_numbers.h) and view handed to the value
// functions of app/export. Touches: the canvas ID_CANVAS (redrawn after the animation's frames),
// ViewState.animation_phase.
#include "app/ui/canvas_export.h"

#include <charconv>
#include <cmath>

#include "app/export/cairo_surface.h"
#include "app/export/export.h"
#include "app/export/report.h"
#include "app/export/sheet.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/window_state.h"
#include "app/view/scene.h"
#include "core/atomic_file.h"
#include "core/file_name.h"
#include "draw/svg.h"
#include "gui/canvas_output.h"
#include "gui/gadget.h"
#include "gui/platform.h"

std::string view_svg_document(int frame, bool stresses)
{
    if (gadget_canvas_picture(ID_CANVAS) == nullptr)
        return "";
    if (frame >= 1 && frame <= ANIMATION_FRAMES)
        ViewState.animation_phase = static_cast<float>(frame);
    return scene_svg_document(TrussModel, model_numbers(), View, ViewState, frame, stresses);
}

bool draw_animation_frames(std::vector<Picture>& frames)
{
    frames.clear();
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (canvas == nullptr)
        return false;
    ViewSettings settings = View;
    settings.show_deflected = 0;  // as "Animation" draws: no static shape under the moving one
    const Picture background = *canvas;
    const bool drawn = draw_scene_frames(TrussModel, model_numbers(), settings, ViewState, background, frames);
    render_scene(TrussModel, model_numbers(), View, ViewState, draw_canvas_output(ID_CANVAS),
                 overlay_numbers_for(View));
    return drawn;
}

std::string export_picture(const std::string& path)
{
    const ExportFormat format = export_format(path);
    if (format != ExportFormat::Png && format != ExportFormat::Svg) {
        return "'" + path + "': a picture is exported as PNG (.png) or SVG (.svg)";
    }
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (canvas == nullptr)
        return "there is no picture to export";
    if (format == ExportFormat::Png)
        return write_png_file(*canvas, path);
    const std::string document = view_svg_document(0, false);
    if (document.empty())
        return "there is no picture to export";
    std::string error;
    if (!write_file_atomically(path, document, error))
        return error;
    return "";
}

std::string export_animation(const std::string& path)
{
    if (export_format(path) != ExportFormat::Gif)
        return "'" + path + "': an animation is exported as GIF (.gif)";
    std::vector<Picture> frames;
    if (!draw_animation_frames(frames))
        return "the animation could not be drawn";
    return write_gif_file(frames, path);
}

bool write_report(const std::string& path, std::string& error)
{
    return write_report(path, model_numbers(), TrussModel.title_line, error);
}

namespace {

constexpr int PICTURE_SIDE_MIN = 100;  // an exported picture's sides, pixels (as kelvaro-render's --size)
constexpr int PICTURE_SIDE_MAX = 8000;

// The window's view on a canvas of width x height pixels scaled by scale: the canvas widened or
// heightened round the shown one to the shape of the size, the zoom and the pan kept.
void view_at_size(int width, int height, double& scale, ViewSettings& settings, Projection& projection)
{
    settings = View;
    projection = ViewState;
    scale = std::min(static_cast<double>(width) / View.canvas.width, static_cast<double>(height) / View.canvas.height);
    settings.canvas = canvas_of_size(static_cast<int>(std::lround(width / scale)),
                                     static_cast<int>(std::lround(height / scale)));
    refresh_projection(TrussModel, settings, projection, false);
}

}  // namespace

bool picture_size_of(std::string_view text, int& width, int& height)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos)
        return false;
    const auto whole = [](std::string_view part, int& value) {
        const std::from_chars_result r = std::from_chars(part.data(), part.data() + part.size(), value);
        return !part.empty() && r.ec == std::errc() && r.ptr == part.data() + part.size() &&
               value >= PICTURE_SIDE_MIN && value <= PICTURE_SIDE_MAX;
    };
    int w = 0, h = 0;
    if (!whole(text.substr(0, cross), w) || !whole(text.substr(cross + 1), h))
        return false;
    width = w;
    height = h;
    return true;
}

std::string export_picture(const std::string& path, int width, int height)
{
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (canvas == nullptr || (width == canvas->width && height == canvas->height))
        return export_picture(path);
    const ExportFormat format = export_format(path);
    if (format != ExportFormat::Png && format != ExportFormat::Svg)
        return export_picture(path);
    double scale = 1;
    ViewSettings settings;
    Projection projection;
    view_at_size(width, height, scale, settings, projection);
    const int canvas_width = settings.canvas.width, canvas_height = settings.canvas.height;
    std::string error;
    if (format == ExportFormat::Svg) {
        SvgRecorder recorder;
        svg_recorder_start(recorder, canvas_width, canvas_height);
        recorder.scale = scale;
        render_scene(TrussModel, model_numbers(), settings, projection, draw_svg_output(&recorder, nullptr),
                     overlay_numbers_for(settings));
        return write_file_atomically(path, svg_document(recorder), error) ? "" : error;
    }
    Picture picture;
    const auto paint = [&](CairoSink& sink) {
        render_scene(TrussModel, model_numbers(), settings, projection,
                     draw_sink_output(&sink, canvas_width, canvas_height, nullptr), overlay_numbers_for(settings));
    };
    if (!paint_scaled_picture(width, height, canvas_width, canvas_height, paint, picture))
        return "the picture could not be drawn at " + std::to_string(width) + "x" + std::to_string(height);
    return write_png_file(picture, path);
}

std::string export_sheet(const std::string& path)
{
    if (gadget_canvas_picture(ID_CANVAS) == nullptr)
        return "there is no picture to put on the sheet";
    Projection projection = ViewState;
    SheetInput input;
    input.model = &TrussModel;
    input.numbers = &model_numbers();
    input.settings = &View;
    input.projection = &projection;
    input.block.title = TrussModel.title_line;
    input.block.file_name = std::string(path_name(results_path));
    input.block.date = today_text();
    if (View.show_deflected != 0)
        input.block.magnification = drawn_magnification(shape_deflection_scale(View), View.scale);
    take_sheet_checks(input, model_numbers());
    return write_sheet_file(path, input);
}

bool copy_canvas_picture()
{
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    return canvas != nullptr && platform().clipboard_copy_picture(*canvas);
}

bool print_canvas_picture()
{
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    return canvas != nullptr && platform().print_picture(*canvas);
}

// The window's exports: its model, numbers (app/ui/loaded_numbers.h) and view handed to the value
// functions of app/export. Touches: the canvas ID_CANVAS (redrawn after the animation's frames),
// ViewState.animation_phase.
#include "app/ui/canvas_export.h"

#include "app/export/export.h"
#include "app/export/report.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/window_state.h"
#include "app/view/scene.h"
#include "core/atomic_file.h"
#include "gui/canvas_output.h"
#include "gui/gadget.h"

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
    render_scene(TrussModel, model_numbers(), View, ViewState, draw_canvas_output(ID_CANVAS));
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

// Exports of the canvas: PNG from its pixels, SVG from a redraw with the recorder attached (one
// drawing path: the renderer draws the picture and the recorder keeps the same verbs), GIF from
// the six animation frames drawn on the canvas and copied.
//
// Touches: the canvas ID_CANVAS (redrawn by the SVG and GIF exports), View.show_deflected
// and animation_phase (set while the frames are drawn, restored afterwards).
#include "app/export/export.h"

#include "app/model/model.h"
#include "app/ui/ids.h"
#include "app/view/animation.h"
#include "app/view/render.h"
#include "core/atomic_file.h"
#include "core/file_name.h"
#include "draw/gif.h"
#include "draw/png.h"
#include "draw/svg.h"
#include "gui/gadget.h"

namespace {

// The bytes written to path whole or not at all; "" or the reason.
std::string write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::string error;
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!write_file_atomically(path, view, error))
        return error;
    return "";
}

}  // namespace

ExportFormat export_format(std::string_view path)
{
    const std::string extension = path_extension(path);
    if (extension.empty())
        return ExportFormat::Jpeg;
    if (extension == ".jpg" || extension == ".jpeg")
        return ExportFormat::Jpeg;
    if (extension == ".png")
        return ExportFormat::Png;
    if (extension == ".svg")
        return ExportFormat::Svg;
    if (extension == ".gif")
        return ExportFormat::Gif;
    return ExportFormat::Unknown;
}

std::string export_format_list()
{
    return "JPEG (.jpg, .jpeg), PNG (.png), SVG (.svg) or GIF (.gif)";
}

std::string write_png_file(const Picture& picture, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!png_encode(picture, bytes))
        return "the picture could not be encoded as PNG";
    return write_bytes(path, bytes);
}

std::string view_svg_document(int frame, bool stresses)
{
    const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
    if (canvas == nullptr)
        return "";
    SvgRecorder recorder;
    svg_recorder_start(recorder, canvas->width, canvas->height);
    draw_record_svg(&recorder, canvas);
    if (frame >= 1 && frame <= ANIMATION_FRAMES) {
        draw_animation_frame(frame);
    } else {
        redraw_view();
    }
    if (stresses)
        draw_stress_list();
    draw_record_svg(nullptr, nullptr);
    return svg_document(recorder);
}

bool draw_animation_frames(std::vector<Picture>& frames)
{
    frames.clear();
    if (gadget_canvas_picture(ID_CANVAS) == nullptr)
        return false;
    const std::int8_t deflected = View.show_deflected;
    const float phase = ViewState.animation_phase;
    View.show_deflected = 0;  // as "Animation" draws: no static shape under the moving one
    frames.reserve(ANIMATION_FRAMES);
    for (int frame = 1; frame <= ANIMATION_FRAMES; ++frame) {
        draw_animation_frame(frame);
        const Picture* canvas = gadget_canvas_picture(ID_CANVAS);
        if (canvas == nullptr)
            break;
        frames.push_back(*canvas);
    }
    View.show_deflected = deflected;
    ViewState.animation_phase = phase;
    redraw_view();
    if (frames.size() != ANIMATION_FRAMES)
        frames.clear();
    return !frames.empty();
}

std::string write_gif_file(const std::vector<Picture>& frames, const std::string& path)
{
    std::vector<GifFrame> list;
    for (const Picture& picture : frames)
        list.push_back(GifFrame{&picture, ANIMATION_FRAME_CENTISECONDS});
    std::vector<std::uint8_t> bytes;
    if (!gif_encode(list, bytes))
        return "the animation could not be encoded as GIF";
    return write_bytes(path, bytes);
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

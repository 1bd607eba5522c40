// Exports of a picture: PNG from its pixels, SVG from the scene drawn on a recorder (one drawing
// path: the renderer draws the picture and the recorder keeps the same verbs), GIF from the six
// animation frames drawn on copies of the picture.
// The window's exports of its canvas are app/ui/canvas_export.h.
#include "app/export/export.h"

#include <cctype>
#include "app/model/truss_model.h"
#include "app/view/scene.h"
#include "core/atomic_file.h"
#include "core/file_name.h"
#include "draw/gif.h"
#include "draw/png.h"
#include "draw/svg.h"

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
    if (extension == ".dxf")
        return ExportFormat::Dxf;
    if (extension == ".vtu")
        return ExportFormat::Vtu;
    if (extension == ".pdf")
        return ExportFormat::Pdf;
    return ExportFormat::Unknown;
}

std::string export_format_list()
{
    return "JPEG (.jpg, .jpeg), PNG (.png), SVG (.svg), GIF (.gif), DXF (.dxf) or VTU (.vtu), or the calculation "
           "sheet as PDF (.pdf)";
}

std::string write_png_file(const Picture& picture, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!png_encode(picture, bytes))
        return "the picture could not be encoded as PNG";
    return write_bytes(path, bytes);
}

std::string scene_svg_document(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                               Projection& projection, int frame, bool stresses)
{
    SvgRecorder recorder;
    svg_recorder_start(recorder, settings.canvas.width, settings.canvas.height);
    if (frame >= 1 && frame <= ANIMATION_FRAMES) {
        render_animation_frame(model, numbers, settings, projection, frame, draw_svg_output(&recorder, nullptr));
    } else {
        render_scene(model, numbers, settings, projection, draw_svg_output(&recorder, nullptr));
    }
    if (stresses)
        render_stress_table(model, settings, draw_svg_output(&recorder, nullptr));
    return svg_document(recorder);
}

bool draw_scene_frames(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                       Projection& projection, const Picture& background, std::vector<Picture>& frames)
{
    frames.clear();
    frames.reserve(ANIMATION_FRAMES);
    for (int frame = 1; frame <= ANIMATION_FRAMES; ++frame) {
        Picture picture = background;
        if (!render_animation_frame(model, numbers, settings, projection, frame,
                                    draw_picture_output(&picture, nullptr))) {
            frames.clear();
            return false;
        }
        frames.push_back(std::move(picture));
    }
    return true;
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

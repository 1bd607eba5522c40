// Exporting the canvas: the picture as lossless PNG or vector SVG, the deflection animation as a
// looping GIF. Every file is written whole or not at all (core/atomic_file.h), so a failed export
// leaves an existing file as it was. The viewer's export commands and kelvaro-render both use these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/model/analysis.h"
#include "app/view/view.h"
#include "draw/picture.h"

// The file formats, chosen by a file name's extension.
enum class ExportFormat {
    Unknown,  // none of the extensions below
    Jpeg,     // .jpg, .jpeg
    Png,      // .png
    Svg,      // .svg
    Gif,      // .gif
    Dxf,      // .dxf: the members as CAD lines (app/export/dxf.h)
    Vtu,      // .vtu: a VTK unstructured grid with the results (app/export/vtu.h)
    Pdf,      // .pdf: the calculation sheet (app/export/sheet.h)
};

constexpr int ANIMATION_FRAMES = 6;               // frames of the deflection animation
constexpr int ANIMATION_FRAME_CENTISECONDS = 25;  // each shown 250 ms, the last one too

// The format of path by its extension, in any letter case (".PNG" is PNG); Jpeg for a name without
// an extension (as every output was JPEG before: "-o /dev/stdout" still works), Unknown for another.
ExportFormat export_format(std::string_view path);
// "JPEG (.jpg, .jpeg), PNG (.png), ..., or the calculation sheet as PDF (.pdf)": the formats, for
// messages.
std::string export_format_list();

// picture encoded as PNG, every pixel as it is, written to path. "" on success, else the reason.
std::string write_png_file(const Picture& picture, const std::string& path);
// The picture of model under settings (frame 0) or its animation frame 1..6 (render_scene,
// render_animation_frame) as an SVG document of settings.canvas's size, with the whole element
// result table over it when stresses is set.
std::string scene_svg_document(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                               Projection& projection, int frame, bool stresses);
// The six animation frames of model under settings, each drawn on a copy of background (which
// gives the pixels the picture leaves alone: its outermost rows and columns). False (frames empty)
// when one cannot be drawn.
bool draw_scene_frames(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                       Projection& projection, const Picture& background, std::vector<Picture>& frames);

// frames encoded as a looping GIF, ANIMATION_FRAME_CENTISECONDS each, written to path. "" on
// success, else the reason.
std::string write_gif_file(const std::vector<Picture>& frames, const std::string& path);

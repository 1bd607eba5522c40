// Exports of what the window shows: the canvas as PNG or SVG, the deflection animation as a GIF and
// the shown model's report, each through the value functions of app/export with the window's model,
// numbers and view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "draw/picture.h"

// scene_svg_document of the window's model and view; "" when there is no canvas.
std::string view_svg_document(int frame, bool stresses);

// The six animation frames as the "Animation" command draws them now (the offsets of the last
// redraw with the deflected shape, "Deflected" off while they are drawn) over copies of the canvas.
// The canvas shows the ordinary picture afterwards. False (frames empty) when there is no canvas.
bool draw_animation_frames(std::vector<Picture>& frames);

// The canvas as shown, as PNG or SVG after path's extension (SVG: the ordinary picture redrawn
// into the recorder). "" on success, else the reason (also for another extension).
std::string export_picture(const std::string& path);

// The picture as export_picture writes it at width x height pixels: at the canvas's size the canvas
// as shown; at another size the same view with everything drawn larger or smaller together, as
// large as fits, on a canvas widened or heightened round it to the size's shape. "" or the reason.
std::string export_picture(const std::string& path, int width, int height);
// "WxH" (such as "1400x1000") read as a picture size of 100 .. 8000 pixels a side; false for
// another text.
bool picture_size_of(std::string_view text, int& width, int& height);

// The calculation sheet of the loaded model (app/export/sheet.h) on A4 with the picture as the
// canvas shows it. "" on success, else the reason.
std::string export_sheet(const std::string& path);

// The canvas picture put on the clipboard as an image, or printed through the printer dialog.
// False when there is no picture or the platform could not (a cancelled print too).
bool copy_canvas_picture();
bool print_canvas_picture();

// The deflection animation as a GIF (draw_animation_frames). "" on success, else the reason.
std::string export_animation(const std::string& path);

// Computes the numbers of the loaded model and writes its report to path in the format of its
// extension, each file whole or not at all (a CSV report writes the member table first). True on
// success; else error names the file and the cause.
bool write_report(const std::string& path, std::string& error);

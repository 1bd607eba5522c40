// Exports of what the window shows: the canvas as PNG or SVG, the deflection animation as a GIF and
// the shown model's report, each through the value functions of app/export with the window's model,
// numbers and view.
#pragma once

#include <string>
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

// The deflection animation as a GIF (draw_animation_frames). "" on success, else the reason.
std::string export_animation(const std::string& path);

// Computes the numbers of the loaded model and writes its report to path in the format of its
// extension, each file whole or not at all (a CSV report writes the member table first). True on
// success; else error names the file and the cause.
bool write_report(const std::string& path, std::string& error);

// The SVG recorder: the drawing verbs (line, box, circle, text, mode) kept as SVG elements in canvas
// coordinates, for a picture that scales without blur.
//
// A recorder is either an output of its own (draw_svg_output: the verbs are recorded and nothing
// is drawn) or attached to a picture (draw_record_svg: every pass over that picture begun on the
// thread while it is attached draws as always and records the same verbs), so a renderer that
// draws on a canvas gives its picture and its SVG in one pass.
//
// How the raster rules become SVG: pixel (x, y) is the unit square from (x, y), so lines and
// outlines run through pixel centres 1 unit wide with square caps, a filled circle of radius r has
// radius r + 0.5, a box covers its pixels. Exclusive-or drawing becomes mix-blend-mode "difference",
// which is the same for colours whose channels are 0 or 255 (the program's XOR colours) and an
// approximation otherwise. Text is a text element in the monospace font at the raster's pixel size,
// its background a rectangle of the raster text's width and line height. Elements far outside the
// canvas are clipped or left out.
#pragma once

#include <string>

#include "draw/draw.h"

struct SvgRecorder {
    int width = 0;        // canvas size in pixels: the document's size and viewBox
    int height = 0;       // pixels
    std::string body;     // the elements recorded so far
    std::string group;    // attributes of the open <g> element, "" when none is open
    int background = -1;  // draw_rgb colour painted under everything, -1 for none (transparent)
    double scale = 1.0;   // the document's width and height are the canvas's times this
};

// Empties recorder and sets its canvas size.
void svg_recorder_start(SvgRecorder& recorder, int width, int height);
// A drawing output that only records into recorder (sized as its canvas), made the thread's current
// state at once as draw_picture_output does; nullptr when recorder is null or has no size. Its
// context has no picture (draw_context_picture gives nullptr). The recorder must outlive the output.
DrawOutput* draw_svg_output(SvgRecorder* recorder, DrawRelease release);
// Attaches recorder to picture: the passes over picture begun on this thread from now on also
// record into it. A null recorder or picture detaches, also from a pass going on; attaching
// replaces an earlier recorder. The recorder must stay alive while attached.
void draw_record_svg(SvgRecorder* recorder, const Picture* picture);
// The complete SVG document of what recorder holds (UTF-8; texts' bytes read as Windows-1252).
std::string svg_document(const SvgRecorder& recorder);

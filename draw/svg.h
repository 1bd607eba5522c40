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

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "draw/draw.h"

// One recorded verb in canvas coordinates, already clipped and placed by the rules above.
struct SvgElement {
    enum class Kind : std::uint8_t { Line, Box, Circle, Text };
    Kind kind = Kind::Line;
    bool outline = false;     // stroked (a line, an outlined box or circle) rather than filled
    bool difference = false;  // exclusive-or mode: blended by difference
    bool hidden = false;      // covered exactly by a later element (see svg_document): left out
    int colour = 0;           // draw_rgb value of the stroke, fill or text
    // Line: the ends' centres; box: x, y, width, height; circle: centre and radius; text: left,
    // baseline, width and font pixel size.
    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    std::uint32_t text_start = 0;  // text: its bytes in SvgRecorder::texts
    std::uint32_t text_size = 0;
};

struct SvgRecorder {
    int width = 0;                      // canvas size in pixels: the document's size and viewBox
    int height = 0;                     // pixels
    std::vector<SvgElement> elements;   // the verbs recorded so far, in drawing order, less some hidden ones
    std::string texts;                  // the bytes of the recorded texts, one after another
    int background = -1;                // draw_rgb colour painted under everything, -1 for none (transparent)
    double scale = 1.0;                 // the document's width and height are the canvas's times this
    std::vector<std::uint32_t> covers;  // the last element of each cover met, by open addressing (number + 1)
    std::size_t hidden = 0;             // elements marked hidden
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
//
// The document shows what the verbs drew in their order, written compactly: an element hidden
// exactly by a later one of the same pixels is left out, and the elements of one paint share one
// path wherever no element of another paint drawn between them comes near (so the order of what
// overlaps is kept); exclusive-or elements and texts stand alone.
std::string svg_document(const SvgRecorder& recorder);
// The same document written to stream as it is made (no copy of the whole in memory); false when
// a write fails.
bool svg_write(const SvgRecorder& recorder, std::FILE* stream);

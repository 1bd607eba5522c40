// The truss renderer: an immediate-mode pass that paints the whole canvas from a model and its
// projection, plus the element result table painted over it.
//
// Per-element work allocates nothing, so a picture grows linearly with the model. Anything that
// cannot be placed (a NaN or infinite coordinate, load or deflection; an end node outside
// 1..node_count; an axis without a canvas direction) is skipped and the rest is drawn.
//
// Writes only projection.node_deflected_offset (when the deflected shape is drawn) and the output.
#include "app/view/scene.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/view/overlays.h"
#include "app/view/pen.h"
#include "app/view/scene_labels.h"
#include "app/view/scene_pass.h"
#include "core/str.h"
#include "draw/draw.h"

namespace {

const int WHITE = draw_rgb(255, 255, 255);
const int BLACK = draw_rgb(0, 0, 0);
const int CYAN = draw_rgb(0, 255, 255);
const int BLUE = draw_rgb(0, 0, 255);
const int RED = draw_rgb(255, 0, 0);
const int GREEN = draw_rgb(0, 255, 0);
const int MAGENTA = draw_rgb(255, 0, 255);
const int TABLE_TEXT = draw_rgb(155, 0, 160);
// The undeformed truss under a deflected shape that carries the force colours.
const int UNDEFORMED_GREY = draw_rgb(210, 210, 210);

// Colour of component k: 1 (z) blue, 2 (x) red, 3 (y) green.
int component_colour(int k)
{
    static const int colours[4] = {0, BLUE, RED, GREEN};
    return colours[k];
}

constexpr int BARB_LENGTH = 10;   // pixels back along the shaft
constexpr float TRIAD_X = 50.0f;  // canvas origin of the axis symbol
constexpr float TRIAD_Y = 50.0f;
constexpr float TRIAD_ARM = 20.0f;    // pixels
constexpr float LABEL_OFFSET = 7.0f;  // element label: up and left of the midpoint, pixels
// The true magnification's note: above the axis symbol's arms, at the canvas's top edge.
constexpr int MAGNIFICATION_NOTE_X = 8;
constexpr int MAGNIFICATION_NOTE_Y = 6;
const int MAGNIFICATION_TEXT = draw_rgb(140, 0, 140);  // the deflected shape's magenta, darker for text

constexpr int TABLE_ROW_HEIGHT = 15;    // pixels
constexpr int TABLE_SECOND_X = 200;     // second column
constexpr int TABLE_SECOND_BASE = 55;   // rows continue 15 px apart below this
constexpr int TABLE_COLUMN_STEP = 190;  // third and later columns: this far right of the previous one
constexpr int TABLE_ROWS = 29;          // rows of a column below the second one's base line
constexpr int RESULT_TEXT_LENGTH = 23;  // characters of a result line shown in the table

// Where a node lands on the canvas, found once per pass for every part that draws at the nodes.
struct NodePixel {
    int x = 0, y = 0;
    std::uint8_t place = 0;  // NODE_OFF, NODE_NEAR or NODE_FAR
};
constexpr std::uint8_t NODE_OFF = 0;   // cannot be placed: nothing is drawn at it
constexpr std::uint8_t NODE_NEAR = 1;  // within +-PIXEL_LIMIT: a line to another such node is not cut
constexpr std::uint8_t NODE_FAR = 2;   // placed, but a line to it is cut first (pen_segment)

thread_local std::vector<NodePixel> node_pixels;       // the pass's nodes, [i]
thread_local std::vector<NodePixel> deflected_pixels;  // the deflected shape's nodes, [i]

// Inline: returned from a call, the small result would be packed through memory and read back
// before the stores into it were done.
[[gnu::always_inline]] inline NodePixel node_pixel(float x, float y)
{
    int px, py;
    if (!to_pixels(x, y, px, py))
        return {};
    return {px, py, std::fabs(x) <= PIXEL_LIMIT && std::fabs(y) <= PIXEL_LIMIT ? NODE_NEAR : NODE_FAR};
}

// True when the nodes at p and q land on the same drawing position.
inline bool same_pixel(const NodePixel& p, const NodePixel& q)
{
    return p.x == q.x && p.y == q.y;
}

// True when the line between the nodes at p and q has the ends of the one between r and s, either
// way round: drawn with the same pen, each covers the other pixel for pixel.
inline bool same_line(const NodePixel& p, const NodePixel& q, const NodePixel& r, const NodePixel& s)
{
    return (same_pixel(p, r) && same_pixel(q, s)) || (same_pixel(p, s) && same_pixel(q, r));
}

// The line between nodes at p and q, whose canvas points are (x1, y1) and (x2, y2), as pen_segment
// draws it.
void node_segment(const NodePixel& p, const NodePixel& q, float x1, float y1, float x2, float y2, int colour)
{
    if (p.place == NODE_NEAR && q.place == NODE_NEAR) {
        draw_line_xy(p.x, p.y, q.x, q.y, colour);
    } else {
        pen_segment(x1, y1, x2, y2, colour);
    }
}

// What draw_nodes draws at one node, in drawing positions: its restraint rings, then the shaft and
// barb of each load arrow.
struct NodeMarks {
    int x = 0, y = 0;
    std::uint8_t rings = 0;     // RING_* bits
    std::uint8_t arrows = 0;    // bit k: the arrow along axis k is drawn
    PenLine shaft[4], barb[4];  // [k] of each arrow drawn; the others are not read
    bool operator==(const NodeMarks& other) const
    {
        if (x != other.x || y != other.y || rings != other.rings || arrows != other.arrows)
            return false;
        for (unsigned drawn = arrows; drawn != 0; drawn &= drawn - 1) {
            const int k = std::countr_zero(drawn);
            if (shaft[k] != other.shaft[k] || barb[k] != other.barb[k])
                return false;
        }
        return true;
    }
};
constexpr std::uint8_t RING_Z = 1;  // fixed along 1 (z): a blue ring drawn exclusive-or
constexpr std::uint8_t RING_X = 2;  // fixed along 2 (x): a red ring
constexpr std::uint8_t RING_Y = 4;  // fixed along 3 (y): a green ring

// The load value labels of one node's arrows: the value and the tip of arrow k.
struct LoadLabels {
    float load[4] = {};
    float tip_x[4] = {}, tip_y[4] = {};
};

// The marks of node i, drawn at pixel, into marks (a shaft and barb only for each arrow drawn);
// with labels, the arrows' labels into it. loads_drawn[k]: arrows along axis k are drawn. False
// when the node has no marks.
[[gnu::always_inline]] inline bool node_marks(const ScenePass& pass, const bool (&loads_drawn)[4], int i,
                                              const NodePixel& pixel, NodeMarks& marks, LoadLabels* labels)
{
    const TrussModelData& model = pass.model;
    const Projection& projection = pass.projection;
    marks.x = pixel.x;
    marks.y = pixel.y;
    marks.rings = pass.settings.overlays.show_supports
                      ? static_cast<std::uint8_t>((model.node_fixity[1][i] == 1 ? RING_Z : 0) |
                                                  (model.node_fixity[2][i] == 1 ? RING_X : 0) |
                                                  (model.node_fixity[3][i] == 1 ? RING_Y : 0))
                      : 0;
    marks.arrows = 0;
    for (int k = 1; k <= 3; ++k) {
        if (!loads_drawn[k])
            continue;
        const float load = model.node_loads[k][i];
        if (load == 0.0f)
            continue;
        // One load arrow along axis k: shaft and one barb line.
        const float sx = pass.x(i), sy = pass.y(i);
        const float dx = projection.axis_direction[k][0];
        const float dy = projection.axis_direction[k][1];
        const float length = load * model.load_scale;
        const float tx = sx + dx * length;
        const float ty = sy + dy * length;
        int tip_x, tip_y;
        if (!to_pixels(tx, ty, tip_x, tip_y))
            continue;
        const float sign = load > 0.0f ? 1.0f : -1.0f;
        const float ex = tx - BARB_LENGTH * dx * sign + 2.0f, ey = ty - BARB_LENGTH * dy * sign + 2.0f;
        // Lines with both ends within the pen's reach are what pen_segment_ends gives: no cut.
        const bool tip_near = std::fabs(tx) <= PIXEL_LIMIT && std::fabs(ty) <= PIXEL_LIMIT;
        if (pixel.place == NODE_NEAR && tip_near) {
            marks.shaft[k] = PenLine{pixel.x, pixel.y, tip_x, tip_y};
        } else if (!pen_segment_ends(sx, sy, tx, ty, marks.shaft[k])) {
            marks.shaft[k] = PenLine{INT_MIN, 0, 0, 0};
        }
        if (tip_near && std::fabs(ex) <= PIXEL_LIMIT && std::fabs(ey) <= PIXEL_LIMIT) {
            marks.barb[k] = PenLine{tip_x, tip_y, static_cast<int>(round_whole(ex)), static_cast<int>(round_whole(ey))};
        } else if (!pen_segment_ends(tx, ty, ex, ey, marks.barb[k])) {
            marks.barb[k] = PenLine{INT_MIN, 0, 0, 0};
        }
        marks.arrows = static_cast<std::uint8_t>(marks.arrows | (1 << k));
        if (labels != nullptr) {
            labels->load[k] = load;
            labels->tip_x[k] = tx;
            labels->tip_y[k] = ty;
        }
    }
    return marks.rings != 0 || marks.arrows != 0;
}

// The text of a load value (str_from_float with no decimals), kept for the values met lately: the
// same loads are written on every redraw. A slot holds its text itself, so that the slots (4 kB)
// stay in the cache; a text too long for one is made each time.
std::string_view load_value_text(float load)
{
    struct Kept {
        std::uint32_t bits = 0;
        std::uint8_t size = 0;  // the text's length, 0 while the slot is empty
        char text[11] = {};
    };
    thread_local std::array<Kept, 256> kept;
    thread_local std::string longer;
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(load);
    Kept& slot = kept[(bits * 2654435761u) >> 24];
    if (slot.size == 0 || slot.bits != bits) {
        std::string text = str_from_float(load, 0);
        if (text.empty() || text.size() > sizeof slot.text) {
            longer = std::move(text);
            return longer;
        }
        slot.bits = bits;
        slot.size = static_cast<std::uint8_t>(text.size());
        std::memcpy(slot.text, text.data(), text.size());
    }
    return {slot.text, slot.size};
}

void draw_pen_line(const PenLine& line, int colour)
{
    if (line.x1 != INT_MIN)
        draw_line_xy(line.x1, line.y1, line.x2, line.y2, colour);
}

// The marks of node i; with labels, each arrow's value beside its tip. The nodes are drawn in the
// outline mode; the exclusive-or mode is set around the ring that takes it only.
void draw_node_marks(const NodeMarks& marks, const ScenePass& pass, int i, const LoadLabels* labels)
{
    if (pass.settings.overlays.show_supports) {
        if (marks.rings & RING_X)
            draw_circle(marks.x, marks.y, 7, RED);
        if (marks.rings & RING_Y)
            draw_circle(marks.x, marks.y, 5, GREEN);
        if (marks.rings & RING_Z) {
            draw_mode(DRAW_MODE_XOR);
            draw_circle(marks.x, marks.y, 3, BLUE);
            draw_mode(DRAW_MODE_OUTLINE);
        }
    }
    for (int k = 1; k <= 3; ++k) {
        if ((marks.arrows & (1 << k)) == 0)
            continue;
        const int colour = component_colour(k);
        draw_pen_line(marks.shaft[k], colour);
        draw_pen_line(marks.barb[k], colour);
        if (labels != nullptr) {
            const float load = labels->load[k], tx = labels->tip_x[k], ty = labels->tip_y[k];
            scene_specified_label({LabelKind::LoadValue, i, load, tx, ty}, tx + 5.0f, ty, load_value_text(load), BLACK,
                                  WHITE);
        }
    }
}

// Restraint markers and load arrows of every node (each unless the overlays hide it).
//
// On a large model many nodes share a pixel and draw the same marks. Drawing one node's marks
// again at once sets every pixel the plain rings and lines cover to what they already hold, and
// turns back what the exclusive-or ring alone covers; so a run of n equal marks changes the picture
// as the marks drawn once (n odd) or twice (n even). Where only pixels are set and no label is
// written, each run is drawn so. A node without rings and arrows draws nothing: it is passed over,
// so the equal marks on either side of it make one run.
void draw_nodes(const ScenePass& pass)
{
    const OverlayStateData& shown = pass.settings.overlays;
    if (!shown.show_supports && !shown.show_loads)
        return;
    const bool with_labels = pass.settings.show_load_values != 0;
    const bool runs = !with_labels && draw_sets_pixels_only();
    NodeMarks last;
    int repeats = 0;  // nodes in the present run of equal marks
    auto finish_run = [&] {
        if (repeats == 0)
            return;
        draw_node_marks(last, pass, 0, nullptr);
        if (repeats % 2 == 0 && (last.rings & RING_Z) != 0)
            draw_node_marks(last, pass, 0, nullptr);
        repeats = 0;
    };
    bool loads_drawn[4] = {};  // [k]: arrows along axis k are drawn
    for (int k = 1; k <= 3; ++k)
        loads_drawn[k] = shown.show_loads && pass.projection.axis_defined[k];
    NodeMarks marks;
    for (int i = 1; i <= pass.nodes; ++i) {
        const NodePixel& pixel = node_pixels[static_cast<std::size_t>(i)];
        if (pixel.place == NODE_OFF)
            continue;
        if (!runs) {
            LoadLabels labels;
            if (node_marks(pass, loads_drawn, i, pixel, marks, &labels))
                draw_node_marks(marks, pass, i, with_labels ? &labels : nullptr);
            continue;
        }
        if (!node_marks(pass, loads_drawn, i, pixel, marks, nullptr))
            continue;
        if (repeats > 0 && marks == last) {
            ++repeats;
            continue;
        }
        finish_run();
        last = marks;
        repeats = 1;
    }
    finish_run();
}

// Element e in colour and, when show_element_numbers is set, its number.
void draw_element(const ScenePass& pass, int e, int colour)
{
    int a, b;
    if (!pass.ends(e, a, b))
        return;
    float x1 = pass.x(a), y1 = pass.y(a), x2 = pass.x(b), y2 = pass.y(b);
    node_segment(node_pixels[static_cast<std::size_t>(a)], node_pixels[static_cast<std::size_t>(b)], x1, y1, x2, y2,
                 colour);
    if (pass.settings.show_element_numbers != 0) {
        // "[e]" without a heap string: e is a whole number, so its text is its digits.
        char label[16];
        label[0] = '[';
        char* end = std::to_chars(label + 1, label + sizeof label - 1, e).ptr;
        *end++ = ']';
        const double force = static_cast<std::size_t>(e) < pass.numbers.members.size() ? pass.numbers.members[e].force
                                                                                       : 0.0;
        const float mx = (x1 + x2) / 2.0f, my = (y1 + y2) / 2.0f;
        scene_specified_label({LabelKind::ElementNumber, e, force, mx, my}, mx - LABEL_OFFSET, my - LABEL_OFFSET,
                              std::string_view(label, static_cast<std::size_t>(end - label)), BLACK, WHITE);
    }
}

// True when the deflected shape is drawn and carries the force colours: the undeformed truss is
// then drawn light grey under it.
bool shape_carries_colours(const ScenePass& pass, const OverlayPass& overlays)
{
    return pass.settings.show_deflected == 1 && overlay_colours_members(overlays);
}

// Every undeformed element: black, or in force colours when the overlays colour the members (light
// grey when the deflected shape carries them).
//
// A plain line drawn right after another over the same pixels (the same ends, or the same ends
// swapped) hides it. On a large model many members in a row land on the same pixels; where only
// pixels are set and no number is written, only the last of such a row is drawn.
void draw_elements(const ScenePass& pass, const OverlayPass& overlays)
{
    const bool force_colours = overlay_colours_members(overlays);
    const bool grey = shape_carries_colours(pass, overlays);
    const bool hide = pass.settings.show_element_numbers == 0 && draw_sets_pixels_only();
    // A member's colour is looked up when its line is drawn: most of a large model's are hidden.
    const auto colour_of = [&](int e) {
        return grey ? UNDEFORMED_GREY : force_colours ? overlay_member_colour(pass, e) : BLACK;
    };
    int held = 0, held_a = 0, held_b = 0;  // the member whose line waits, 0 for none, and its ends
    const auto draw_held = [&] {
        const NodePixel& p = node_pixels[static_cast<std::size_t>(held_a)];
        const NodePixel& q = node_pixels[static_cast<std::size_t>(held_b)];
        draw_line_xy(p.x, p.y, q.x, q.y, colour_of(held));
    };
    for (int e = 1; e <= pass.elements; ++e) {
        int a, b;
        if (hide && pass.ends(e, a, b)) {
            const NodePixel& p = node_pixels[static_cast<std::size_t>(a)];
            const NodePixel& q = node_pixels[static_cast<std::size_t>(b)];
            if (p.place == NODE_NEAR && q.place == NODE_NEAR) {
                const NodePixel& r = node_pixels[static_cast<std::size_t>(held_a)];
                const NodePixel& s = node_pixels[static_cast<std::size_t>(held_b)];
                if (held != 0 && !same_line(p, q, r, s))
                    draw_held();
                held = e;
                held_a = a;
                held_b = b;
                continue;
            }
        }
        if (held != 0)
            draw_held();
        held = 0;
        draw_element(pass, e, colour_of(e));
    }
    if (held != 0)
        draw_held();
}

// The deflected shape's node marks, by where they land: for each canvas pixel the last member
// whose mark is centred on it (read only where such a member was noted this pass).
thread_local std::vector<int> last_marks;
// The largest canvas (in pixels) whose marks are noted: 16 MB of notes, which stay for the next
// pass; a larger picture draws every mark.
constexpr long long LAST_MARKS_MOST = 1 << 22;
// Fewer members draw every mark: their rings seldom share a centre, and the notes, scattered over
// the canvas, would each be a miss in the cache.
constexpr int LAST_MARKS_FEWEST = 1000;

// The index in last_marks of the deflected shape's mark on each node, [i]; -1 where its centre is
// off the canvas (such a mark is always drawn) or where it is not drawn at all.
thread_local std::vector<int> mark_slots;

// The slots of the deflected nodes' marks, then the last member to draw a mark in each.
void note_last_marks(const ScenePass& pass)
{
    const auto width = static_cast<unsigned>(std::max(pass.settings.canvas.width, 0));
    const auto height = static_cast<unsigned>(std::max(pass.settings.canvas.height, 0));
    last_marks.resize(static_cast<std::size_t>(width) * height);
    mark_slots.resize(deflected_pixels.size());
    for (int i = 1; i <= pass.nodes; ++i) {
        const NodePixel& p = deflected_pixels[static_cast<std::size_t>(i)];
        const bool on_canvas = p.place != NODE_OFF && static_cast<unsigned>(p.x) < width &&
                               static_cast<unsigned>(p.y) < height;
        mark_slots[static_cast<std::size_t>(i)] = on_canvas ? p.y * static_cast<int>(width) + p.x : -1;
    }
    for (int e = 1; e <= pass.elements; ++e) {
        int a, b;
        if (!pass.ends(e, a, b))
            continue;
        const int slot = mark_slots[static_cast<std::size_t>(a)];
        if (slot >= 0)
            last_marks[static_cast<std::size_t>(slot)] = e;
    }
}

// The canvas offsets of the deflected nodes, then every deflected element in magenta (or its force
// colour) with a circle at its first end node.
//
// Everything here is drawn in the plain outline mode (no exclusive-or): a pixel ends as the last
// shape drawn over it left it. A ring drawn again later on the same centre sets the same pixels,
// so where only pixels are set just the last ring on each centre is drawn; and a line the next
// member's line covers pixel for pixel (its ends the same, either way round) is not drawn, while
// its ring still is.
void draw_deflected_shape(const ScenePass& pass, const OverlayPass& overlays)
{
    const bool coloured = shape_carries_colours(pass, overlays);
    Projection& projection = pass.projection;
    const float scale = shape_deflection_scale(pass.settings);
    int axes[3], axis_count = 0;  // the axes with a canvas direction, in order
    for (int k = 1; k <= 3; ++k) {
        if (projection.axis_defined[k])
            axes[axis_count++] = k;
    }
    for (int i = 1; i <= pass.nodes; ++i) {
        float dx = 0.0f;
        float dy = 0.0f;
        for (int n = 0; n < axis_count; ++n) {
            const int k = axes[n];
            float d = pass.model.node_deflections[k][i];
            if (d == 0.0f)
                continue;
            dx += projection.axis_direction[k][0] * d;
            dy += projection.axis_direction[k][1] * d;
        }
        projection.node_deflected_offset[1][i] = scale * dx;
        projection.node_deflected_offset[2][i] = scale * dy;
    }
    deflected_pixels.resize(node_pixels.size());
    for (int i = 1; i <= pass.nodes; ++i)
        deflected_pixels[static_cast<std::size_t>(i)] = node_pixel(pass.x(i) + projection.node_deflected_offset[1][i],
                                                                   pass.y(i) + projection.node_deflected_offset[2][i]);
    const bool last_marks_only = pass.elements >= LAST_MARKS_FEWEST && draw_sets_pixels_only() &&
                                 static_cast<long long>(pass.settings.canvas.width) * pass.settings.canvas.height <=
                                     LAST_MARKS_MOST;
    if (last_marks_only)
        note_last_marks(pass);
    // Member e between nodes a and b: its line unless hidden, then its ring. Both helpers are kept
    // inline: where few lines share their pixels (a larger magnification) nearly every member calls them.
    const auto draw_member = [&](int e, int a, int b, bool hidden, bool ring) __attribute__((always_inline))
    {
        const NodePixel& p = deflected_pixels[static_cast<std::size_t>(a)];
        const NodePixel& q = deflected_pixels[static_cast<std::size_t>(b)];
        const int colour = coloured ? overlay_member_colour(pass, e) : MAGENTA;
        if (!hidden && p.place == NODE_NEAR && q.place == NODE_NEAR) {
            draw_line_xy(p.x, p.y, q.x, q.y, colour);
        } else if (!hidden) {
            pen_segment(pass.x(a) + projection.node_deflected_offset[1][a],
                        pass.y(a) + projection.node_deflected_offset[2][a],
                        pass.x(b) + projection.node_deflected_offset[1][b],
                        pass.y(b) + projection.node_deflected_offset[2][b], colour);
        }
        if (ring)
            draw_circle(p.x, p.y, 2, colour);
    };
    // Whether member e's ring at node a is drawn.
    const auto ring_of = [&](int e, int a) __attribute__((always_inline))
    {
        if (deflected_pixels[static_cast<std::size_t>(a)].place == NODE_OFF)
            return false;
        const int slot = last_marks_only ? mark_slots[static_cast<std::size_t>(a)] : -1;
        return slot < 0 || last_marks[static_cast<std::size_t>(slot)] == e;
    };
    // Each member is drawn once the next one's ends are known (the members that cannot be placed
    // draw nothing between them).
    const bool hide = draw_sets_pixels_only();
    int held = 0, held_a = 0, held_b = 0;  // the member waiting, 0 for none, and its ends
    for (int e = 1; e <= pass.elements; ++e) {
        int a, b;
        if (!pass.ends(e, a, b))
            continue;
        if (held != 0) {
            const NodePixel& p = deflected_pixels[static_cast<std::size_t>(held_a)];
            const NodePixel& q = deflected_pixels[static_cast<std::size_t>(held_b)];
            const NodePixel& r = deflected_pixels[static_cast<std::size_t>(a)];
            const NodePixel& s = deflected_pixels[static_cast<std::size_t>(b)];
            // All four near: NODE_NEAR is the one place with its lowest bit set.
            const bool hidden = hide && (p.place & q.place & r.place & s.place) == NODE_NEAR && same_line(p, q, r, s);
            const bool ring = ring_of(held, held_a);
            if (!hidden || ring)
                draw_member(held, held_a, held_b, hidden, ring);
        }
        held = e;
        held_a = a;
        held_b = b;
    }
    if (held != 0)
        draw_member(held, held_a, held_b, false, ring_of(held, held_a));
}

// The axis symbol at (50, 50).
void draw_axis_triad(const Projection& projection)
{
    for (int k = 1; k <= 3; ++k) {
        if (!projection.axis_defined[k])
            continue;
        float ex = TRIAD_X + TRIAD_ARM * projection.axis_direction[k][0];
        float ey = TRIAD_Y + TRIAD_ARM * projection.axis_direction[k][1];
        pen_segment(TRIAD_X, TRIAD_Y, ex, ey, component_colour(k));
        pen_ring(ex, ey, 2, component_colour(k));
    }
}

// "deflections x 50" at the top of the canvas, right of the axis symbol's corner, while a true
// magnification holds the deflected shape.
void draw_magnification_note(const ScenePass& pass)
{
    if (pass.settings.show_deflected != 1 || !(pass.settings.magnification > 0.0f))
        return;
    char number[32];
    std::snprintf(number, sizeof number, "%.4g", static_cast<double>(pass.settings.magnification));
    draw_text(MAGNIFICATION_NOTE_X, MAGNIFICATION_NOTE_Y, std::string("deflections x ") + number, MAGNIFICATION_TEXT,
              WHITE);
}

// The picture on the begun pass.
void draw_scene(const ScenePass& pass)
{
    draw_mode(0);
    // 700 x 500: the field (2, 2, 696, 496), the frames (3, 3, 694, 494) and (1, 1, 698, 498).
    const int width = pass.settings.canvas.width;
    const int height = pass.settings.canvas.height;
    draw_box(2, 2, width - 4, height - 4, WHITE);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_box(3, 3, width - 6, height - 6, CYAN);
    draw_box(1, 1, width - 2, height - 2, BLUE);
    node_pixels.resize(static_cast<std::size_t>(pass.nodes) + 1);
    for (int i = 1; i <= pass.nodes; ++i)
        node_pixels[static_cast<std::size_t>(i)] = node_pixel(pass.x(i), pass.y(i));
    const OverlayPass overlays = overlays_prepare(pass);
    scene_labels_begin(pass);
    draw_nodes(pass);
    draw_elements(pass, overlays);
    if (pass.settings.show_deflected == 1)
        draw_deflected_shape(pass, overlays);
    draw_overlays(pass, overlays);
    scene_labels_finish(pass);
    draw_axis_triad(pass.projection);
    draw_magnification_note(pass);
}

// True when a table column at x, whose highest element number is last, fits on a canvas width
// pixels wide: its widest row ("[number] " and a full result text) ends inside it.
bool table_column_fits(int x, int last, int width)
{
    // Appended piece by piece: GCC 12 in a Release build warns (-Wrestrict, a false positive) on the
    // chain of operator+ that would build the same text.
    std::string widest = "[";
    widest += std::to_string(last);
    widest += "] ";
    widest.append(RESULT_TEXT_LENGTH, '0');
    return x + draw_text_width(widest) <= width;
}

}  // namespace

Picture blank_scene_picture(const ViewSettings& settings)
{
    Picture picture;
    picture_make(picture, std::max(settings.canvas.width, 1), std::max(settings.canvas.height, 1), 24, 255);
    return picture;
}

bool render_scene(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                  Projection& projection, DrawOutput* output, const OverlayNumbers* overlays)
{
    if (draw_begin(output) == 0)
        return false;
    draw_scene(ScenePass(model, numbers, settings, projection, overlays));
    draw_end();
    return true;
}

bool render_animation_frame(const TrussModelData& model, const ModelNumbers& numbers, const ViewSettings& settings,
                            Projection& projection, int frame, DrawOutput* output, const OverlayNumbers* overlays)
{
    if (draw_begin(output) == 0)
        return false;
    draw_scene(ScenePass(model, numbers, settings, projection, overlays));
    draw_mode(0);  // a pass of its own would start so: the circles are filled
    draw_animated_shape(model, projection, frame);
    draw_end();
    return true;
}

bool draw_stress_table(const TrussModelData& model, const ViewSettings& settings, StressTableCursor& cursor)
{
    if (cursor.finished)
        return false;
    const int elements = usable_element_count(model);
    if (cursor.row == 0 && cursor.column == 1)
        draw_text(65, 60, "Stress          Force", BLUE, WHITE);
    std::string text;
    while (cursor.row < elements) {
        const int n = ++cursor.row;
        ++cursor.row_in_column;
        int y = cursor.base_y + TABLE_ROW_HEIGHT * cursor.row_in_column;
        bool column_full = y + TABLE_ROW_HEIGHT > settings.canvas.height;
        if (column_full && cursor.last_column && n < elements) {
            text = "... " + std::to_string(elements - n + 1) + " more members not listed";
            draw_text(cursor.column_x, y, text, TABLE_TEXT, WHITE);
            break;
        }
        text.assign(n < 10 ? "[  " : "[");
        char number[16];
        text.append(number, std::to_chars(number, number + sizeof number, n).ptr);
        text += "] ";
        text += model.element_result_text[n];
        draw_text(cursor.column_x, y, text, TABLE_TEXT, WHITE);
        // A full column is shown before the pause so that it can be read during it. The first
        // column always pauses when full (the second holds the rest of 58 rows); a later column
        // only when rows remain for the next.
        if (column_full && (cursor.column == 1 || n < elements)) {
            cursor.column_x = cursor.column == 1 ? TABLE_SECOND_X : cursor.column_x + TABLE_COLUMN_STEP;
            cursor.base_y = TABLE_SECOND_BASE;
            cursor.row_in_column = 0;
            ++cursor.column;
            cursor.last_column = !table_column_fits(cursor.column_x + TABLE_COLUMN_STEP,
                                                    std::min(elements, n + 2 * TABLE_ROWS), settings.canvas.width);
            return true;
        }
    }
    cursor.finished = true;
    return false;
}

bool render_stress_table(const TrussModelData& model, const ViewSettings& settings, DrawOutput* output)
{
    if (draw_begin(output) == 0)
        return false;
    StressTableCursor cursor;
    while (draw_stress_table(model, settings, cursor)) {
    }
    draw_end();
    return true;
}

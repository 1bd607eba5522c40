// The engineer's view drawn over the plain picture: force colours and their legend, node numbers,
// support reactions, the largest deflection and the selection highlight.
//
// Design: the renderer calls in at three places only. overlays_prepare at the start of a pass
// tells which of the model's numbers (app/model/analysis.h, passed in) the pass uses;
// draw_elements asks overlay_member_colour for each member when force colours are on; and
// draw_overlays draws the rest after the deflected shape, under the axis triad. With every switch
// off none of them draws or changes anything, so the plain picture stays exact.
//
// Colours: tension red, compression blue (a red-grey-blue diverging scale, told apart with any
// common colour-vision deficiency), grey for a member without force; the shade grows with the
// square root of |force| / largest |force| through a table made once, and the legend's bar uses
// the same table. Reactions are brown double-shafted arrows with hollow heads at the support,
// pointing the way the support pushes on the truss, so they never read as the load arrows (single
// shaft, one barb, axis colours); their labels give the magnitude and the force unit, no sign (a
// component within the rounding of the file's numbers is 0 and gets no arrow). The selection is
// amber, the largest deflection dark magenta.
//
// Labels (reaction values, the largest deflection) take the place round their arrow or ring that
// covers fewest nodes, arrows and earlier labels; the legend takes the canvas corner that hides
// fewest nodes and members. On a crowded picture (more arrows than are placed with care, the
// obstacles' room full) a reaction value's text is made only when the label placement finds one of
// its places may be free (app/view/scene_labels.h): most of 50,000 values are never written.
//
// State: the label obstacles of the pass being drawn and the last legend box; everything else
// comes in with the pass.
#include "app/view/overlays.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/checks.h"
#include "app/view/drawn_lines.h"
#include "app/view/overlay_numbers.h"
#include "app/view/pen.h"
#include "app/view/scene_labels.h"
#include "app/view/scene_pass.h"
#include "draw/clip.h"
#include "draw/draw.h"

namespace {

const int WHITE = draw_rgb(255, 255, 255);
const int BLACK = draw_rgb(0, 0, 0);
const int LEGEND_FRAME = draw_rgb(128, 128, 128);
const int TENSION_TEXT = draw_rgb(178, 24, 43);       // the scale's tension end, as text
const int COMPRESSION_TEXT = draw_rgb(33, 102, 172);  // the scale's compression end, as text
const int NODE_NUMBER_TEXT = draw_rgb(0, 110, 110);   // teal: not the black of element numbers
const int REACTION_COLOUR = draw_rgb(140, 70, 0);     // brown: none of the axis colours
const int MAX_DEFLECTION_COLOUR = draw_rgb(140, 0, 140);
const int HIGHLIGHT_COLOUR = draw_rgb(255, 150, 0);  // amber

// The ends of the force scale (red and blue of a red-grey-blue diverging scale) and its middle.
constexpr int NO_FORCE_GREY[3] = {150, 150, 150};
constexpr int TENSION_FULL[3] = {202, 0, 32};
constexpr int COMPRESSION_FULL[3] = {5, 113, 176};
// The utilisation scale: pale to dark blue up to 1.0; above it one red no shade of the scale comes near.
constexpr int UTILISATION_LOW[3] = {158, 202, 225};
constexpr int UTILISATION_FULL[3] = {8, 48, 107};
const int UTILISATION_OVER = draw_rgb(230, 20, 20);

constexpr float REACTION_LONGEST = 60.0f;    // pixels: the largest reaction's arrow
constexpr float REACTION_SHORTEST = 22.0f;   // pixels: no arrow shorter, so its head stays visible
constexpr float REACTION_GAP = 10.0f;        // pixels between the head and the node (outside the markers)
constexpr float REACTION_HEAD = 9.0f;        // head length, pixels
constexpr float REACTION_HEAD_HALF = 5.0f;   // half the head's base, pixels
constexpr float REACTION_SHAFT_HALF = 1.5f;  // half the distance between the two shafts, pixels
constexpr double REACTION_SHARE = 1.0e-6;    // reactions below this share of the largest get no arrow

constexpr float NODE_NUMBER_DX = 8.0f;  // node number: right of and below the node, clear of the
constexpr float NODE_NUMBER_DY = 4.0f;  // largest restraint circle (radius 7), pixels
constexpr int MAX_RING_INNER = 6;       // rings round the largest deflection, pixels
constexpr int MAX_RING_OUTER = 8;
constexpr int SELECT_RING_INNER = 10;  // rings round the selected node
constexpr int SELECT_RING_OUTER = 11;

constexpr int LEGEND_MARGIN = 8;  // from the canvas edge, pixels
constexpr int LEGEND_PAD = 5;     // inside the outline
constexpr int LEGEND_BAR_HEIGHT = 8;
constexpr int LEGEND_GAP = 3;         // between the words, the bar and the values
constexpr int LEGEND_CLEARANCE = 10;  // what counts as under the legend, beyond its box
constexpr int TRIAD_CORNER = 80;      // the axis symbol fills the top-left corner up to here

OverlayBox legend_box;                    // the legend of the last pass
int colour_table[2][FORCE_COLOUR_STEPS];  // [1 tension, 0 compression][shade]

// The overlay numbers of the pass being drawn: the driver's, or computed for the pass when it keeps
// none (or none that fit); nullptr until first needed in the pass.
const OverlayNumbers* pass_numbers = nullptr;
OverlayNumbers own_numbers;  // computed for a pass

const OverlayNumbers& overlay_numbers_of(const ScenePass& scene)
{
    if (pass_numbers == nullptr) {
        if (scene.overlay_numbers != nullptr &&
            overlay_numbers_fit(*scene.overlay_numbers, scene.model, scene.numbers, scene.nodes)) {
            pass_numbers = scene.overlay_numbers;
        } else {
            own_numbers = compute_overlay_numbers(scene.model, scene.numbers, scene.nodes);
            pass_numbers = &own_numbers;
        }
    }
    return *pass_numbers;
}

// Channel from grey toward full at shade 0..FORCE_COLOUR_STEPS-1. The square root lifts the
// middle of the scale, so a member at a quarter of the largest force is already clearly tinted on
// a one-pixel line.
int mix(int from, int to, int shade)
{
    const double share = std::sqrt(static_cast<double>(shade) / (FORCE_COLOUR_STEPS - 1));
    return from + static_cast<int>(std::lround((to - from) * share));
}

void build_colour_table()
{
    static bool built = false;
    if (built)
        return;
    built = true;
    for (int shade = 0; shade < FORCE_COLOUR_STEPS; ++shade) {
        for (int side = 0; side < 2; ++side) {
            const int* full = side == 1 ? TENSION_FULL : COMPRESSION_FULL;
            colour_table[side][shade] = draw_rgb(mix(NO_FORCE_GREY[0], full[0], shade),
                                                 mix(NO_FORCE_GREY[1], full[1], shade),
                                                 mix(NO_FORCE_GREY[2], full[2], shade));
        }
    }
}

// A number with 4 significant digits and its unit (none when unknown), into buffer (no heap string).
std::string_view four_digits_with_unit(double value, std::string_view unit, char (&buffer)[40])
{
    std::to_chars_result r = std::to_chars(buffer, buffer + 23, value, std::chars_format::general, 4);
    if (r.ec != std::errc())
        return "?";
    if (!unit.empty() && unit.size() <= 16) {
        *r.ptr++ = ' ';
        r.ptr = std::copy(unit.begin(), unit.end(), r.ptr);
    }
    return std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

// Width of text in the canvas font.
int text_width(std::string_view text)
{
    return draw_text_width(text);
}

constexpr int TEXT_HEIGHT_LEAST = 15;  // a label's height in the default font, pixels

// A label's height: the font's line height, never below TEXT_HEIGHT_LEAST, so that a label or the
// legend in larger text (--text-scale) still holds its words.
int text_height()
{
    return std::max(TEXT_HEIGHT_LEAST, draw_text_height());
}

// Cuts the segment to the box [x0, x1] x [y0, y1] (Liang-Barsky); false when nothing of it is inside.
bool clip_to_box(double& ax, double& ay, double& bx, double& by, double x0, double y0, double x1, double y1)
{
    return clip_segment_to_box(ax, ay, bx, by, x0, y0, x1, y1);
}

bool node_on_canvas(const ScenePass& scene, int i)
{
    return i >= 1 && i <= scene.nodes && std::isfinite(scene.x(i)) && std::isfinite(scene.y(i));
}

// The canvas size of the pass.
void canvas_extent(const ScenePass& scene, int& width, int& height)
{
    width = scene.settings.canvas.width;
    height = scene.settings.canvas.height;
}

// Model component (1 z, 2 x, 3 y) of a numbers vector index (0 x, 1 y, 2 z).
constexpr int COMPONENT_OF[3] = {2, 3, 1};

// The selected member three pixels wide in amber over everything drawn so far.
void draw_highlight_member(const ScenePass& scene)
{
    const int e = scene.settings.overlays.highlight_member;
    int a, b;
    if (e < 1 || e > scene.elements || !scene.ends(e, a, b) || !node_on_canvas(scene, a) || !node_on_canvas(scene, b))
        return;
    const float x1 = scene.projection.node_screen[1][a], y1 = scene.projection.node_screen[2][a];
    const float x2 = scene.projection.node_screen[1][b], y2 = scene.projection.node_screen[2][b];
    // Shifted copies across the line: sideways for a steep line, up and down for a flat one.
    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    for (int shift = -1; shift <= 1; ++shift) {
        const float sx = steep ? static_cast<float>(shift) : 0.0f;
        const float sy = steep ? 0.0f : static_cast<float>(shift);
        pen_segment(x1 + sx, y1 + sy, x2 + sx, y2 + sy, HIGHLIGHT_COLOUR);
    }
}

void draw_highlight_node(const ScenePass& scene)
{
    const int i = scene.settings.overlays.highlight_node;
    if (!node_on_canvas(scene, i))
        return;
    pen_ring(scene.projection.node_screen[1][i], scene.projection.node_screen[2][i], SELECT_RING_INNER,
             HIGHLIGHT_COLOUR);
    pen_ring(scene.projection.node_screen[1][i], scene.projection.node_screen[2][i], SELECT_RING_OUTER,
             HIGHLIGHT_COLOUR);
}

// A box on the canvas, pixels.
struct Area {
    float x0, y0, x1, y1;
};

// What labels placed later in the pass keep clear of where they can: earlier labels, the support
// markers (boxes), the load and reaction arrows (lines). Only while few: past the room here, a
// crowded model's labels take their first place.
constexpr int MAX_OBSTACLES = 512;
Area obstacles[MAX_OBSTACLES];
int obstacle_count = 0;
Area obstacle_lines[MAX_OBSTACLES];  // x0, y0 to x1, y1
int obstacle_line_count = 0;

// One reaction arrow: it acts on the node at (sx, sy) along the unit canvas direction (dx, dy).
struct ReactionArrow {
    float sx, sy, dx, dy;
    float length;  // pixels from the head point to the tail
    double value;  // the reaction, as computed
    int node;      // the node it acts on
};
std::vector<ReactionArrow> arrows;              // this pass's arrows; keeps its room between passes
constexpr std::size_t MAX_PLACED_ARROWS = 256;  // beyond this many, values go beyond the tails unchecked

void add_obstacle(const Area& area)
{
    if (obstacle_count < MAX_OBSTACLES)
        obstacles[obstacle_count++] = area;
}

void add_obstacle_line(float x0, float y0, float x1, float y1)
{
    if (obstacle_line_count < MAX_OBSTACLES)
        obstacle_lines[obstacle_line_count++] = {x0, y0, x1, y1};
}

bool overlaps(const Area& a, const Area& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// The arrow's shaft from its tail to its head point.
void arrow_ends(const ReactionArrow& a, float& tx, float& ty, float& hx, float& hy)
{
    hx = a.sx - a.dx * REACTION_GAP;
    hy = a.sy - a.dy * REACTION_GAP;
    tx = hx - a.dx * a.length;
    ty = hy - a.dy * a.length;
}

// How many obstacles the box would cover (a box off the canvas counts as covering all).
int covered_by(const ScenePass& scene, const Area& area)
{
    int width, height;
    canvas_extent(scene, width, height);
    if (area.x0 < 4 || area.y0 < 4 || area.x1 > width - 4 || area.y1 > height - 4)
        return 2 * MAX_OBSTACLES + 1;
    int covered = 0;
    for (int n = 0; n < obstacle_count; ++n)
        covered += overlaps(area, obstacles[n]) ? 1 : 0;
    for (int n = 0; n < obstacle_line_count; ++n) {
        const Area& l = obstacle_lines[n];
        double x1 = l.x0, y1 = l.y0, x2 = l.x1, y2 = l.y1;
        covered += clip_to_box(x1, y1, x2, y2, area.x0 - 2.0, area.y0 - 2.0, area.x1 + 2.0, area.y1 + 2.0) ? 1 : 0;
    }
    return covered;
}

// The place that covers fewest obstacles; the earliest of equals.
template <std::size_t N>
Area least_covering(const ScenePass& scene, const Area (&places)[N])
{
    Area chosen = places[0];
    int least = covered_by(scene, places[0]);
    for (std::size_t n = 1; n < N && least > 0; ++n) {
        const int covered = covered_by(scene, places[n]);
        if (covered < least) {
            chosen = places[n];
            least = covered;
        }
    }
    return chosen;
}

// The label at the chosen place or, where that is taken when its turn comes, at the first free one
// of the others.
template <std::size_t N>
void place_label(const SceneLabel& label, const Area& chosen, const Area (&places)[N], std::string_view text, int width,
                 int colour)
{
    LabelCorner corners[N + 1];
    corners[0] = {chosen.x0, chosen.y0};
    for (std::size_t n = 0; n < N; ++n)
        corners[n + 1] = {places[n].x0, places[n].y0};
    scene_label(label, corners, text, width, colour, WHITE);
}

// The nodes and the load arrows' shafts (as the renderer draws them: from the node along the axis)
// as obstacles.
void add_model_obstacles(const ScenePass& scene)
{
    const int nodes = scene.nodes;
    for (int i = 1; i <= nodes && obstacle_line_count < MAX_OBSTACLES; ++i) {
        const float sx = scene.projection.node_screen[1][i], sy = scene.projection.node_screen[2][i];
        add_obstacle({sx - 3.0f, sy - 3.0f, sx + 3.0f, sy + 3.0f});
        for (int k = 1; k <= 3; ++k) {
            const float load = scene.model.node_loads[k][i];
            if (load == 0.0f || !scene.projection.axis_defined[k])
                continue;
            const float length = load * scene.model.load_scale;
            add_obstacle_line(sx, sy, sx + scene.projection.axis_direction[k][0] * length,
                              sy + scene.projection.axis_direction[k][1] * length);
        }
    }
}

// Half a label's height, pixels.
float half_text_height()
{
    return static_cast<float>(text_height()) / 2.0f;
}

// The box of a width x text_height() label beside the point (x, y) towards (ux, uy), 3 pixels
// clear; half is half_text_height().
Area beside(float x, float y, float ux, float uy, float width, float half)
{
    const float cx = x + ux * (width / 2.0f + 3.0f);
    const float cy = y + uy * (half + 3.0f);
    return {cx - width / 2.0f, cy - half, cx + width / 2.0f, cy + half};
}

void draw_node_numbers(const ScenePass& scene)
{
    const int nodes = scene.nodes;
    if (nodes < 1)
        return;
    const std::vector<double>& deflection = overlay_numbers_of(scene).deflection;
    const auto drawn = static_cast<std::size_t>(nodes) + 1;
    const NumberLabels run = {LabelKind::NodeNumber,
                              std::span(scene.projection.node_screen[1]).first(drawn),
                              std::span(scene.projection.node_screen[2]).first(drawn),
                              deflection,
                              NODE_NUMBER_DX,
                              NODE_NUMBER_DY};
    scene_number_labels(run, NODE_NUMBER_TEXT, WHITE);
    char text[16];
    for (int i = 1; i <= nodes && obstacle_count < MAX_OBSTACLES; ++i) {
        const float x = scene.projection.node_screen[1][i], y = scene.projection.node_screen[2][i];
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        char* end = std::to_chars(text, text + sizeof text, i).ptr;
        const std::string_view number(text, static_cast<std::size_t>(end - text));
        const float width = static_cast<float>(text_width(number));
        add_obstacle(
            {x + NODE_NUMBER_DX, y + NODE_NUMBER_DY, x + NODE_NUMBER_DX + width, y + NODE_NUMBER_DY + text_height()});
    }
}

// An arrow's seven corners rounded to pixels; near when each lies within the pen's reach.
struct ArrowPixels {
    int pixel[8][2];  // the last pair is not a corner: it rounds the arrays up to whole vectors
    bool near;
};

bool same_pixels(const ArrowPixels& a, const ArrowPixels& b)
{
    return a.near && b.near && std::equal(&a.pixel[0][0], &a.pixel[0][0] + 14, &b.pixel[0][0]);
}

// The arrows drawn in a pass, the last one for each column of its head's point, and their lines.
class DrawnArrows {
public:
    // Forgets the arrows of the last pass (without clearing: a small model's redraw stays cheap);
    // arrows of this pass are to come.
    void start(std::size_t arrows)
    {
        slots_.resize(COLUMNS);
        if (++pass_ == 0) {  // the count wrapped: every slot is old
            std::fill(slots_.begin(), slots_.end(), Slot{});
            pass_ = 1;
        }
        lines.start(5 * arrows);
    }
    // True when an arrow on exactly these pixels was the last drawn in this pass with its head in
    // the same column; else notes it as that.
    bool seen(const ArrowPixels& arrow)
    {
        Slot& last = slots_[static_cast<unsigned>(arrow.pixel[4][0]) % COLUMNS];
        if (last.pass == pass_ && same_pixels(arrow, last.arrow))
            return true;
        last = {arrow, pass_};
        return false;
    }
    DrawnLines lines;  // the lines of the arrows drawn in this pass

private:
    static constexpr unsigned COLUMNS = 1024;
    struct Slot {
        ArrowPixels arrow{};
        std::uint32_t pass = 0;  // the pass it was drawn in
    };
    std::vector<Slot> slots_;
    std::uint32_t pass_ = 0;
};
DrawnArrows drawn_arrows;

// The double shaft and the hollow head of one arrow; the head stops short of the node. Its seven
// corners are rounded once: where each lies within the pen's reach the segments are drawn between
// them as pen_segment would draw them, else by pen_segment. With drawn (a pass that only sets
// pixels, every arrow drawn in plain mode in one colour), an arrow on exactly the pixels of one
// drawn before is left out, and so is each line of it drawn before: drawing it again would set the
// same pixels to the same colour.
void draw_reaction_arrow(const ReactionArrow& a, DrawnArrows* drawn_before)
{
    float tx, ty, hx, hy;
    arrow_ends(a, tx, ty, hx, hy);
    const float bx = hx - a.dx * REACTION_HEAD, by = hy - a.dy * REACTION_HEAD;  // middle of the head's base
    const float nx = -a.dy, ny = a.dx;                                           // across the arrow
    const float lx = bx + nx * REACTION_HEAD_HALF, ly = by + ny * REACTION_HEAD_HALF;
    const float rx = bx - nx * REACTION_HEAD_HALF, ry = by - ny * REACTION_HEAD_HALF;
    const float side = REACTION_SHAFT_HALF;
    // The shafts' ends (tail and base, each side), the head's point and its base's ends.
    const float corners[8][2] = {{tx - nx * side, ty - ny * side},
                                 {bx - nx * side, by - ny * side},
                                 {tx + nx * side, ty + ny * side},
                                 {bx + nx * side, by + ny * side},
                                 {hx, hy},
                                 {lx, ly},
                                 {rx, ry},
                                 {0.0f, 0.0f}};
    constexpr int SEGMENTS[5][2] = {{0, 1}, {2, 3}, {4, 5}, {4, 6}, {5, 6}};
    ArrowPixels drawn;
    auto& pixel = drawn.pixel;
    // Within the pen's reach a corner is finite and never clamped: to_pixels is the rounding alone.
    // Each coordinate of a corner is that of the node give or take (REACTION_GAP + length +
    // REACTION_HEAD + REACTION_HEAD_HALF) times the larger of |dx| and |dy|: under 500 pixels when
    // these hold, so that every corner is then within reach.
    constexpr float SURELY_NEAR = PIXEL_LIMIT - 1000.0f;
    bool near = std::fabs(a.sx) <= SURELY_NEAR && std::fabs(a.sy) <= SURELY_NEAR && std::fabs(a.dx) <= 2.0f &&
                std::fabs(a.dy) <= 2.0f && std::fabs(a.length) <= 200.0f;
    if (!near) {
        near = true;
        for (int n = 0; n < 7; ++n)
            near = near && std::fabs(corners[n][0]) <= PIXEL_LIMIT && std::fabs(corners[n][1]) <= PIXEL_LIMIT;
    }
    if (near) {
        for (int n = 0; n < 16; ++n)
            (&pixel[0][0])[n] = static_cast<int>(round_whole((&corners[0][0])[n]));
    } else {
        drawn = {};  // only its flag is read
    }
    drawn.near = near;
    if (drawn_before != nullptr && drawn_before->seen(drawn))
        return;
    for (const auto& s : SEGMENTS) {
        const int x1 = pixel[s[0]][0], y1 = pixel[s[0]][1], x2 = pixel[s[1]][0], y2 = pixel[s[1]][1];
        if (!near)
            pen_segment(corners[s[0]][0], corners[s[0]][1], corners[s[1]][0], corners[s[1]][1], REACTION_COLOUR);
        else if (drawn_before == nullptr || !drawn_before->lines.seen(x1, y1, x2, y2))
            draw_line_xy(x1, y1, x2, y2, REACTION_COLOUR);
    }
}

// The places of the value of arrow a, a text of width: beyond its tail, beside its tail, its shaft
// or its head. Each box grows to both sides of its place's point as the width grows.
// place(n, x, y, ux, uy) for each: the label beside the point (x, y) towards (ux, uy).
template <typename Place>
void reaction_value_aims(const ReactionArrow& a, Place place)
{
    float tx, ty, hx, hy;
    arrow_ends(a, tx, ty, hx, hy);
    const float mx = (tx + hx) / 2.0f, my = (ty + hy) / 2.0f;
    const float nx = -a.dy, ny = a.dx;
    place(0, tx, ty, -a.dx, -a.dy);
    place(1, tx, ty, nx, ny);
    place(2, tx, ty, -nx, -ny);
    place(3, mx, my, nx, ny);
    place(4, mx, my, -nx, -ny);
    place(5, hx, hy, nx, ny);
    place(6, hx, hy, -nx, -ny);
}

void reaction_value_places(const ReactionArrow& a, float width, float half, Area (&places)[7])
{
    reaction_value_aims(
        a, [&](int n, float x, float y, float ux, float uy) { places[n] = beside(x, y, ux, uy, width, half); });
}

// The top-left corners of the places of reaction_value_places, the same to the bit.
void reaction_value_corners(const ReactionArrow& a, float width, float half, LabelCorner (&corners)[7])
{
    // beside's x0 and y0, its reaches worked out once for the seven.
    const float half_width = width / 2.0f, reach_x = half_width + 3.0f, reach_y = half + 3.0f;
    reaction_value_aims(a, [&](int n, float x, float y, float ux, float uy) {
        corners[n] = {(x + ux * reach_x) - half_width, (y + uy * reach_y) - half};
    });
}

// The reaction values' unit and half a label's height in the pass being drawn: what their texts
// are made from when the labels need them, at the end of the pass.
struct ReactionValues {
    std::string_view unit;
    float half = 0.0f;
};
ReactionValues reaction_values;

// The value of arrows[key] and its places (scene_labels.h, LabelMaker).
std::string_view make_reaction_value(const void*, std::size_t key, std::span<char, 64> buffer,
                                     std::span<LabelCorner> corners)
{
    const ReactionArrow& a = arrows[key];
    char digits[40];
    const std::string_view text = four_digits_with_unit(std::fabs(a.value), reaction_values.unit, digits);
    const std::size_t size = std::min(text.size(), buffer.size());
    std::copy_n(text.begin(), size, buffer.begin());
    LabelCorner made[7];
    reaction_value_corners(a, static_cast<float>(text_width(text)), reaction_values.half, made);
    std::copy_n(made, std::min<std::size_t>(corners.size(), 7), corners.begin());
    return {buffer.data(), size};
}

// No reaction value is narrower: a digit, then the unit. A text is as wide as its characters
// together (draw_text_width), so a character that takes room back could only be one of the number's.
int narrowest_reaction_value(std::string_view unit)
{
    int digit = text_width("0"), least_back = 0;
    for (const char c : std::string_view("0123456789.e+-")) {
        const int width = text_width({&c, 1});
        if (c >= '0' && c <= '9')
            digit = std::min(digit, width);
        least_back = std::min(least_back, width);
    }
    constexpr int MOST_NUMBER_CHARACTERS = 10;  // "1.234e+308"
    char buffer[40];
    const std::string_view text = four_digits_with_unit(0.0, unit, buffer);  // "0 kN"
    return digit + least_back * (MOST_NUMBER_CHARACTERS - 1) + text_width(text.substr(1));
}

// The value of one arrow, its magnitude with the force unit (the arrow gives the direction):
// beyond its tail, or where that is taken or off the canvas, beside its tail, its shaft or its head.
// Once the labels stay clear of no more obstacles here, the value's text is made only when the
// label placement needs it (scene_labels.h); least is narrowest_reaction_value.
void draw_reaction_value(const ScenePass& scene, std::size_t n, bool avoid, float half, int least)
{
    const ReactionArrow& a = arrows[n];
    const SceneLabel label = {LabelKind::Reaction, a.node, a.value, a.sx, a.sy};
    if (!avoid && obstacle_count >= MAX_OBSTACLES) {
        LabelCorner corners[7];
        reaction_value_corners(a, static_cast<float>(least), half, corners);
        scene_label(label, corners, least, {make_reaction_value, nullptr, n}, REACTION_COLOUR, WHITE);
        return;
    }
    char buffer[40];
    const std::string_view text = four_digits_with_unit(std::fabs(a.value), scene.numbers.units.force, buffer);
    const int width = text_width(text);
    Area places[7];
    reaction_value_places(a, static_cast<float>(width), half, places);
    const Area chosen = avoid ? least_covering(scene, places) : places[0];
    place_label(label, chosen, places, text, width, REACTION_COLOUR);
    add_obstacle(chosen);
}

// An arrow for every reaction component of at least a millionth of the largest (their values
// come later, placed clear of the arrows, the support markers, the node numbers and each other).
void draw_reaction_arrows(const ScenePass& scene)
{
    // The largest reaction, and the components that get an arrow if they come to the share of it
    // and their node is on the canvas.
    const OverlayNumbers& numbers = overlay_numbers_of(scene);
    const double largest = numbers.largest_reaction;
    arrows.clear();
    if (largest == 0.0)
        return;
    for (const ReactionComponent& component : numbers.reactions) {
        const double r = component.value;
        const int i = component.node, k = COMPONENT_OF[component.component];
        if (std::fabs(r) < REACTION_SHARE * largest || !scene.projection.axis_defined[k] || !node_on_canvas(scene, i))
            continue;
        const float sx = scene.projection.node_screen[1][i], sy = scene.projection.node_screen[2][i];
        const float sign = r > 0.0 ? 1.0f : -1.0f;
        const float share = static_cast<float>(std::fabs(r) / largest);
        arrows.push_back({sx, sy, scene.projection.axis_direction[k][0] * sign,
                          scene.projection.axis_direction[k][1] * sign,
                          std::max(REACTION_SHORTEST, REACTION_LONGEST * share), r, i});
    }
    for (std::size_t n = 0; n < numbers.restrained.size() && obstacle_count < MAX_OBSTACLES; ++n) {
        const int i = numbers.restrained[n];
        if (!node_on_canvas(scene, i))
            continue;
        add_obstacle(
            {scene.x(i) - 8.0f, scene.y(i) - 8.0f, scene.x(i) + 8.0f, scene.y(i) + 8.0f});  // the support markers
    }
    // The arrows are drawn in plain (outline) mode: see draw_reaction_arrow.
    DrawnArrows* repeats = nullptr;
    if (draw_sets_pixels_only()) {
        drawn_arrows.start(arrows.size());
        repeats = &drawn_arrows;
    }
    for (const ReactionArrow& a : arrows) {
        draw_reaction_arrow(a, repeats);
        if (obstacle_line_count >= MAX_OBSTACLES)
            continue;  // no room for its shaft
        float tx, ty, hx, hy;
        arrow_ends(a, tx, ty, hx, hy);
        add_obstacle_line(tx, ty, hx, hy);
    }
}

// The values of this pass's reaction arrows, after the node numbers so that they keep clear of them.
void draw_reaction_values(const ScenePass& scene)
{
    const bool avoid = arrows.size() <= MAX_PLACED_ARROWS;
    reaction_values = {scene.numbers.units.force, half_text_height()};
    const int least = narrowest_reaction_value(reaction_values.unit);
    for (std::size_t n = 0; n < arrows.size(); ++n)
        draw_reaction_value(scene, n, avoid, reaction_values.half, least);
}

// The free body of the selected node: an arrow from the node along each force acting on it
// (member forces in the force scale's red or blue, the load black, the reaction brown), as long as
// the reaction arrows for the same share of the largest, each labelled with what it is and its
// magnitude and unit at its head.
void draw_free_body(const ScenePass& scene)
{
    const int i = scene.settings.overlays.highlight_node;
    if (!node_on_canvas(scene, i))
        return;
    const std::vector<BodyForce> body = node_free_body(scene.numbers, i);
    double largest = 0.0;
    for (const BodyForce& f : body) {
        const double size = std::sqrt(f.force[0] * f.force[0] + f.force[1] * f.force[1] + f.force[2] * f.force[2]);
        if (std::isfinite(size))
            largest = std::max(largest, size);
    }
    if (!(largest > 0.0))
        return;
    const float sx = scene.x(i), sy = scene.y(i);
    for (const BodyForce& f : body) {
        // The force's direction on the canvas: each component along its axis's canvas direction.
        double cx = 0.0, cy = 0.0, size = 0.0;
        for (int c = 0; c < 3; ++c) {
            size += f.force[c] * f.force[c];
            const int k = COMPONENT_OF[c];
            if (!scene.projection.axis_defined[k])
                continue;
            cx += f.force[c] * scene.projection.axis_direction[k][0];
            cy += f.force[c] * scene.projection.axis_direction[k][1];
        }
        size = std::sqrt(size);
        const double on_canvas = std::sqrt(cx * cx + cy * cy);
        if (!std::isfinite(on_canvas) || !(on_canvas > 1e-9 * size) || !(size >= REACTION_SHARE * largest))
            continue;
        const float dx = static_cast<float>(cx / on_canvas), dy = static_cast<float>(cy / on_canvas);
        const float length = std::max(REACTION_SHORTEST, REACTION_LONGEST * static_cast<float>(size / largest));
        const float tx = sx + dx * REACTION_GAP, ty = sy + dy * REACTION_GAP;
        const float hx = tx + dx * length, hy = ty + dy * length;
        const int colour = f.kind == BodyForceKind::Load               ? BLACK
                           : f.kind == BodyForceKind::Reaction         ? REACTION_COLOUR
                           : scene.numbers.members[f.member].force > 0 ? TENSION_TEXT
                                                                       : COMPRESSION_TEXT;
        const float nx = -dy, ny = dx;  // across the arrow
        pen_segment(tx, ty, hx, hy, colour);
        pen_segment(hx, hy, hx - dx * REACTION_HEAD + nx * REACTION_HEAD_HALF,
                    hy - dy * REACTION_HEAD + ny * REACTION_HEAD_HALF, colour);
        pen_segment(hx, hy, hx - dx * REACTION_HEAD - nx * REACTION_HEAD_HALF,
                    hy - dy * REACTION_HEAD - ny * REACTION_HEAD_HALF, colour);
        add_obstacle_line(tx, ty, hx, hy);
        char buffer[40];
        const std::string_view value = four_digits_with_unit(size, scene.numbers.units.force, buffer);
        const std::string text = (f.kind == BodyForceKind::Load       ? std::string("load ")
                                  : f.kind == BodyForceKind::Reaction ? std::string("reaction ")
                                                                      : "member " + std::to_string(f.member) + " ") +
                                 std::string(value);
        const float width = static_cast<float>(text_width(text));
        const float half = half_text_height();
        const Area places[3] = {beside(hx, hy, dx, dy, width, half), beside(hx, hy, nx, ny, width, half),
                                beside(hx, hy, -nx, -ny, width, half)};
        const Area chosen = least_covering(scene, places);
        place_label({LabelKind::FreeBody, i, size, sx, sy}, chosen, places, text, static_cast<int>(width), colour);
        add_obstacle(chosen);
    }
}

// Rings round the node of largest deflection where the deflected shape puts it, and its value.
void draw_max_deflection(const ScenePass& scene)
{
    const int i = scene.numbers.max_deflection.index;
    if (!scene.numbers.has_results || !node_on_canvas(scene, i))
        return;
    const float x = scene.projection.node_screen[1][i] + scene.projection.node_deflected_offset[1][i];
    const float y = scene.projection.node_screen[2][i] + scene.projection.node_deflected_offset[2][i];
    pen_ring(x, y, MAX_RING_INNER, MAX_DEFLECTION_COLOUR);
    pen_ring(x, y, MAX_RING_OUTER, MAX_DEFLECTION_COLOUR);
    char buffer[40];
    char text[56] = "max ";
    const Units& units = scene.numbers.units;
    const std::string_view value = four_digits_with_unit(
        scene.numbers.max_deflection.value * shown_factor(units, Quantity::Deflection),
        shown_unit(units, Quantity::Deflection), buffer);
    std::copy(value.begin(), value.end(), text + 4);
    const std::string_view shown(text, 4 + value.size());
    // Right of the ring, or where that is taken, the first free one of the places round it.
    const float width = static_cast<float>(text_width(shown));
    const float half = half_text_height();
    const float r = static_cast<float>(MAX_RING_OUTER);
    const float d = r * 0.7071f;  // the ring's diagonal points
    const Area places[8] = {
        beside(x + r, y, 1.0f, 0.0f, width, half),      beside(x + d, y + d, 1.0f, 1.0f, width, half),
        beside(x + d, y - d, 1.0f, -1.0f, width, half), beside(x - r, y, -1.0f, 0.0f, width, half),
        beside(x - d, y + d, -1.0f, 1.0f, width, half), beside(x - d, y - d, -1.0f, -1.0f, width, half),
        beside(x, y + r, 0.0f, 1.0f, width, half),      beside(x, y - r, 0.0f, -1.0f, width, half)};
    const Area chosen = least_covering(scene, places);
    place_label({LabelKind::MaxDeflection, i, scene.numbers.max_deflection.value, x, y}, chosen, places, shown,
                static_cast<int>(width), MAX_DEFLECTION_COLOUR);
}

// A box of the canvas, pixels: [x0, x1] x [y0, y1].
struct Bounds {
    double x0, y0, x1, y1;
};

constexpr double NEAR_LIMIT = 1.0e6;  // pixels: within this, the quick test below is exact

// True when a segment whose ends lie within NEAR_LIMIT and span [left, right] x [top, bottom] lies
// more than a pixel beyond one side of the box, so that cutting it to the box (clip_to_box)
// certainly leaves nothing: within NEAR_LIMIT the cut's rounding is far below the pixel of margin.
bool clearly_outside(double left, double top, double right, double bottom, const Bounds& box)
{
    return right < box.x0 - 1.0 || left > box.x1 + 1.0 || bottom < box.y0 - 1.0 || top > box.y1 + 1.0;
}

// The canvas bounds of a group of nodes (overlay_numbers.h): of its finite positions; tame when
// every position is finite and within NEAR_LIMIT.
struct GroupBounds {
    float x0, y0, x1, y1;
    bool tame;
};

// The bounds of each group of nodes 1..scene.nodes, into bounds.
void group_bounds(const ScenePass& scene, std::vector<GroupBounds>& bounds)
{
    const int nodes = scene.nodes;
    bounds.assign(static_cast<std::size_t>(nodes / OVERLAY_CHUNK + 1),
                  {INFINITY, INFINITY, -INFINITY, -INFINITY, true});
    for (int i = 1; i <= nodes; ++i) {
        GroupBounds& g = bounds[static_cast<std::size_t>(i / OVERLAY_CHUNK)];
        const float sx = scene.x(i), sy = scene.y(i);
        if (std::isfinite(sx) && std::isfinite(sy)) {
            g.x0 = std::min(g.x0, sx);
            g.x1 = std::max(g.x1, sx);
            g.y0 = std::min(g.y0, sy);
            g.y1 = std::max(g.y1, sy);
        }
        g.tame = g.tame && std::fabs(sx) < NEAR_LIMIT && std::fabs(sy) < NEAR_LIMIT;
    }
}

// How much of the model each box would hide: the nodes inside it plus the members crossing it.
// Groups of nodes and of members wholly clear of every box are passed over.
template <std::size_t N>
void hidden_under(const ScenePass& scene, const Bounds (&boxes)[N], long long (&hidden)[N])
{
    std::fill(std::begin(hidden), std::end(hidden), 0LL);
    static std::vector<GroupBounds> bounds;  // keeps its room between passes
    group_bounds(scene, bounds);
    const int nodes = scene.nodes;
    for (std::size_t g = 0; g < bounds.size(); ++g) {
        const GroupBounds& b = bounds[g];
        unsigned look = 0;  // bit n: a node of the group may lie in box n
        for (std::size_t n = 0; n < N; ++n)
            look |= b.x0 <= boxes[n].x1 && b.x1 >= boxes[n].x0 && b.y0 <= boxes[n].y1 && b.y1 >= boxes[n].y0 ? 1u << n
                                                                                                             : 0u;
        if (look == 0)
            continue;
        const int first = std::max(1, static_cast<int>(g) * OVERLAY_CHUNK);
        const int last = std::min(nodes, static_cast<int>(g) * OVERLAY_CHUNK + OVERLAY_CHUNK - 1);
        for (int i = first; i <= last; ++i) {
            const float sx = scene.x(i), sy = scene.y(i);
            for (std::size_t n = 0; n < N; ++n) {
                if (sx >= boxes[n].x0 && sx <= boxes[n].x1 && sy >= boxes[n].y0 && sy <= boxes[n].y1)
                    ++hidden[n];
            }
        }
    }
    const std::vector<float>& xs = scene.projection.node_screen[1];
    const std::vector<float>& ys = scene.projection.node_screen[2];
    const auto member = [&](int e) {
        int a, b;
        if (!scene.ends(e, a, b))
            return;
        const double ax = xs[static_cast<std::size_t>(a)], ay = ys[static_cast<std::size_t>(a)];
        const double bx = xs[static_cast<std::size_t>(b)], by = ys[static_cast<std::size_t>(b)];
        // Within NEAR_LIMIT (and so finite), most members are clearly outside every box at once.
        unsigned look = (1u << N) - 1;  // bit n: box n is cut against
        if (std::fabs(ax) < NEAR_LIMIT && std::fabs(ay) < NEAR_LIMIT && std::fabs(bx) < NEAR_LIMIT &&
            std::fabs(by) < NEAR_LIMIT) {
            const double left = std::min(ax, bx), right = std::max(ax, bx);
            const double top = std::min(ay, by), bottom = std::max(ay, by);
            look = 0;
            for (std::size_t n = 0; n < N; ++n)
                look |= clearly_outside(left, top, right, bottom, boxes[n]) ? 0u : 1u << n;
            if (look == 0)
                return;
        } else if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) {
            return;
        }
        for (std::size_t n = 0; n < N; ++n) {
            if ((look & (1u << n)) == 0)
                continue;
            double cx1 = ax, cy1 = ay, cx2 = bx, cy2 = by;
            if (clip_to_box(cx1, cy1, cx2, cy2, boxes[n].x0, boxes[n].y0, boxes[n].x1, boxes[n].y1))
                ++hidden[n];
        }
    };
    // A group of members whose ends' groups are tame and together clearly outside every box: each
    // member of it is too.
    const OverlayNumbers& groups = overlay_numbers_of(scene);
    const int elements = scene.elements;
    for (std::size_t m = 0; m + 1 < groups.chunk_first.size(); ++m) {
        GroupBounds u{INFINITY, INFINITY, -INFINITY, -INFINITY, true};
        for (std::uint32_t k = groups.chunk_first[m]; k < groups.chunk_first[m + 1] && u.tame; ++k) {
            if (groups.chunk_groups[k] >= bounds.size())
                continue;  // nodes beyond those drawn: their members are not drawn
            const GroupBounds& b = bounds[groups.chunk_groups[k]];
            u = {std::min(u.x0, b.x0), std::min(u.y0, b.y0), std::max(u.x1, b.x1), std::max(u.y1, b.y1), b.tame};
        }
        bool clear = u.tame;
        for (std::size_t n = 0; n < N && clear; ++n)
            clear = clearly_outside(u.x0, u.y0, u.x1, u.y1, boxes[n]);
        if (clear)
            continue;
        const int first = std::max(1, static_cast<int>(m) * OVERLAY_CHUNK);
        const int last = std::min(elements, static_cast<int>(m) * OVERLAY_CHUNK + OVERLAY_CHUNK - 1);
        for (int e = first; e <= last; ++e)
            member(e);
    }
}

// The outline and white ground of a legend of width x height in the canvas corner where it hides
// least of the model; its top-left corner into x and y.
void legend_frame(const ScenePass& scene, int width, int height, int& x, int& y)
{
    int canvas_width, canvas_height;
    canvas_extent(scene, canvas_width, canvas_height);
    const int left = LEGEND_MARGIN, right = canvas_width - LEGEND_MARGIN - width;
    const int top = LEGEND_MARGIN, bottom = canvas_height - LEGEND_MARGIN - height;
    // Corners in order of preference; the top-left one only when it clears the axis symbol.
    const int corners[4][2] = {{right, bottom}, {right, top}, {left, bottom}, {left, TRIAD_CORNER}};
    // Each corner's box widened by the clearance: what counts as under the legend there.
    Bounds boxes[4];
    for (int n = 0; n < 4; ++n)
        boxes[n] = {static_cast<double>(corners[n][0] - LEGEND_CLEARANCE),
                    static_cast<double>(corners[n][1] - LEGEND_CLEARANCE),
                    static_cast<double>(corners[n][0] + width + LEGEND_CLEARANCE),
                    static_cast<double>(corners[n][1] + height + LEGEND_CLEARANCE)};
    long long hidden[4];
    hidden_under(scene, boxes, hidden);
    int best = 0;
    long long best_hidden = -1;
    for (int n = 0; n < 4; ++n) {
        if (n == 3 && TRIAD_CORNER + height > canvas_height - LEGEND_MARGIN)
            continue;
        if (best_hidden < 0 || hidden[n] < best_hidden) {
            best = n;
            best_hidden = hidden[n];
        }
    }
    x = corners[best][0];
    y = corners[best][1];
    draw_mode(0);
    draw_box(x, y, width, height, WHITE);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_box(x, y, width, height, LEGEND_FRAME);
}

// The legend: the words, a colour bar from full compression through grey to full tension, and the
// largest compression and tension (with the force unit, when known) under its ends; in the corner where it hides least.
void draw_legend(const ScenePass& scene)
{
    char compression_buffer[40], tension_buffer[40];
    const std::string_view unit = scene.numbers.units.force;
    const std::string_view compression = four_digits_with_unit(
        scene.numbers.max_compression.index != 0 ? scene.numbers.max_compression.value : 0.0, unit, compression_buffer);
    const std::string_view tension = four_digits_with_unit(
        scene.numbers.max_tension.index != 0 ? scene.numbers.max_tension.value : 0.0, unit, tension_buffer);
    const std::string& caption = scene.settings.legend_caption;
    const int caption_height = caption.empty() ? 0 : text_height() + LEGEND_GAP;
    const int words = text_width("compression") + text_width("  ") + text_width("tension");
    const int values = text_width(compression) + text_width("  ") + text_width(tension);
    const int inner = std::max({words, values, caption.empty() ? 0 : text_width(caption)});
    const int width = inner + 2 * LEGEND_PAD;
    const int height = caption_height + 2 * text_height() + LEGEND_BAR_HEIGHT + 2 * LEGEND_GAP + 2 * LEGEND_PAD;

    int x, y;
    legend_frame(scene, width, height, x, y);
    const int text_left = x + LEGEND_PAD, text_right = x + width - LEGEND_PAD;
    if (!caption.empty())
        draw_text(text_left, y + LEGEND_PAD, caption, BLACK, WHITE);
    const int words_y = y + LEGEND_PAD + caption_height;
    draw_text(text_left, words_y, "compression", COMPRESSION_TEXT, WHITE);
    draw_text(text_right - text_width("tension"), words_y, "tension", TENSION_TEXT, WHITE);
    const int bar_y = words_y + text_height() + LEGEND_GAP;
    // Column n of the bar: full compression at the left, grey in the middle, full tension at the right.
    const double middle = (inner - 1) / 2.0;
    for (int n = 0; n < inner && middle > 0.0; ++n) {
        const double share = (n - middle) / middle;
        const int shade = static_cast<int>(std::fabs(share) * (FORCE_COLOUR_STEPS - 1) + 0.5);
        draw_line_xy(text_left + n, bar_y, text_left + n, bar_y + LEGEND_BAR_HEIGHT - 1,
                     colour_table[share > 0.0 ? 1 : 0][std::min(shade, FORCE_COLOUR_STEPS - 1)]);
    }
    const int value_y = bar_y + LEGEND_BAR_HEIGHT + LEGEND_GAP;
    draw_text(text_left, value_y, compression, COMPRESSION_TEXT, WHITE);
    draw_text(text_right - text_width(tension), value_y, tension, TENSION_TEXT, WHITE);
    legend_box = {x, y, width, height};
}

// The utilisation legend: the word, a bar from 0 to 1.0 in the scale's colours with "0" and "1.0"
// under its ends, and the over-limit colour with how many members are in it; in the corner where
// it hides least.
void draw_utilisation_legend(const ScenePass& scene)
{
    const std::string over = "over 1.0: " + std::to_string(scene.numbers.members_over_limit);
    const int swatch = text_height() - 4;  // the over-limit colour's square, pixels
    const int inner = std::max({text_width("utilisation"), text_width("0  1.0") + 40, swatch + 4 + text_width(over)});
    const int width = inner + 2 * LEGEND_PAD;
    const int height = 3 * text_height() + LEGEND_BAR_HEIGHT + 3 * LEGEND_GAP + 2 * LEGEND_PAD;
    int x, y;
    legend_frame(scene, width, height, x, y);
    const int text_left = x + LEGEND_PAD, text_right = x + width - LEGEND_PAD;
    draw_text(text_left, y + LEGEND_PAD, "utilisation", BLACK, WHITE);
    const int bar_y = y + LEGEND_PAD + text_height() + LEGEND_GAP;
    for (int n = 0; n < inner; ++n) {
        const double value = inner > 1 ? static_cast<double>(n) / (inner - 1) : 1.0;
        draw_line_xy(text_left + n, bar_y, text_left + n, bar_y + LEGEND_BAR_HEIGHT - 1,
                     utilisation_colour(value, true));
    }
    const int value_y = bar_y + LEGEND_BAR_HEIGHT + LEGEND_GAP;
    draw_text(text_left, value_y, "0", BLACK, WHITE);
    draw_text(text_right - text_width("1.0"), value_y, "1.0", BLACK, WHITE);
    const int over_y = value_y + text_height() + LEGEND_GAP;
    draw_mode(0);
    draw_box(text_left, over_y + 2, swatch, swatch, UTILISATION_OVER);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_text(text_left + swatch + 4, over_y, over, UTILISATION_OVER, WHITE);
    legend_box = {x, y, width, height};
}

}  // namespace

int utilisation_colour(double value, bool limited)
{
    if (!limited || !std::isfinite(value))
        return draw_rgb(NO_FORCE_GREY[0], NO_FORCE_GREY[1], NO_FORCE_GREY[2]);
    if (value > 1.0)
        return UTILISATION_OVER;
    const double share = std::max(0.0, value);
    const auto channel = [share](int c) {
        return UTILISATION_LOW[c] + static_cast<int>(std::lround((UTILISATION_FULL[c] - UTILISATION_LOW[c]) * share));
    };
    return draw_rgb(channel(0), channel(1), channel(2));
}

bool overlays_active(const ViewSettings& settings, bool has_results)
{
    const OverlayStateData& o = settings.overlays;
    return (o.show_force_colours && has_results) || (o.show_utilisation && has_results) ||
           (o.show_free_body && has_results && o.highlight_node > 0) || o.show_node_numbers ||
           (o.show_reactions && has_results) ||
           (o.show_max_deflection && has_results && settings.show_deflected == 1) || o.highlight_member > 0 ||
           o.highlight_node > 0;
}

bool overlays_need_numbers(const ViewSettings& settings)
{
    const OverlayStateData& o = settings.overlays;
    // Node numbers rank by their nodes' deflections when labels are placed.
    return o.show_force_colours || o.show_reactions || o.show_utilisation || o.show_node_numbers ||
           (o.show_free_body && o.highlight_node > 0) || (o.show_max_deflection && settings.show_deflected == 1);
}

OverlayPass overlays_prepare(const ScenePass& pass)
{
    legend_box = {};
    pass_numbers = nullptr;
    OverlayPass overlays;
    const OverlayStateData& o = pass.settings.overlays;
    if (!overlays_need_numbers(pass.settings) || !pass.numbers.has_results)
        return overlays;
    overlays.numbers_ready = true;
    overlays.colour_utilisation = o.show_utilisation && pass.numbers.has_utilisation;
    overlays.colour_members = o.show_force_colours || overlays.colour_utilisation;
    if (overlays.colour_members)
        build_colour_table();
    return overlays;
}

bool overlay_colours_members(const OverlayPass& overlays)
{
    return overlays.colour_members;
}

int overlay_member_colour(const ScenePass& pass, int e)
{
    const ModelNumbers& numbers = pass.numbers;
    if (e < 1 || e >= static_cast<int>(numbers.members.size()))
        return colour_table[1][0];
    if (pass.settings.overlays.show_utilisation && numbers.has_utilisation) {
        const Utilisation& u = numbers.members[e].utilisation;
        return utilisation_colour(u.value, u.criterion != Criterion::None);
    }
    const double force = numbers.members[e].force;
    const double largest = numbers.largest_force;
    if (!(largest > 0.0) || !std::isfinite(force) || force == 0.0)
        return colour_table[1][0];
    const double share = std::min(1.0, std::fabs(force) / largest);
    const int shade = static_cast<int>(share * (FORCE_COLOUR_STEPS - 1) + 0.5);
    return colour_table[force > 0.0 ? 1 : 0][shade];
}

void draw_overlays(const ScenePass& pass, const OverlayPass& overlays)
{
    if (!overlays_active(pass.settings, pass.numbers.has_results))
        return;
    const ScenePass& scene = pass;
    const OverlayStateData& o = pass.settings.overlays;
    draw_mode(DRAW_MODE_OUTLINE);
    draw_text_batch(true);  // thousands of labels overlap on a large model: each pixel is painted once
    draw_highlight_member(scene);
    draw_highlight_node(scene);
    obstacle_count = 0;
    obstacle_line_count = 0;
    add_model_obstacles(scene);
    arrows.clear();
    const bool reactions = overlays.numbers_ready && o.show_reactions;
    if (reactions)
        draw_reaction_arrows(scene);
    if (o.show_node_numbers)
        draw_node_numbers(scene);
    if (reactions)
        draw_reaction_values(scene);
    if (overlays.numbers_ready && o.show_max_deflection && pass.settings.show_deflected == 1)
        draw_max_deflection(scene);
    if (overlays.numbers_ready && o.show_free_body)
        draw_free_body(scene);
    if (overlays.colour_utilisation && o.show_legend)
        draw_utilisation_legend(scene);
    else if (overlays.colour_members && o.show_legend)
        draw_legend(scene);
    draw_text_batch(false);
    draw_mode(DRAW_MODE_OUTLINE);
}

OverlayBox overlay_legend_box()
{
    return legend_box;
}

int force_scale_colour(bool tension, int shade)
{
    build_colour_table();
    return colour_table[tension ? 1 : 0][std::clamp(shade, 0, FORCE_COLOUR_STEPS - 1)];
}

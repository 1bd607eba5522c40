// The truss renderer: an immediate-mode pass that paints the whole canvas from TrussModel and the
// projected ViewState, plus the element result table painted over it.
//
// Reals stay float32 until a drawing call, where to_pixel rounds them half to even. A line with an
// end beyond +-PIXEL_LIMIT is first cut to that square in double precision, so that it keeps its
// slope at any zoom. Per-element work allocates nothing, so a redraw grows linearly with the model.
// Anything that cannot be placed (a NaN or infinite coordinate, load or deflection; an end node outside
// 1..node_count; an axis without a canvas direction) is skipped and the rest is drawn.
//
// Touches: ViewState.node_deflected_offset, ViewState.element_colour, redraw_pending; draws on
// canvas ID_CANVAS.
#include "app/view/render.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "app/model/model.h"
#include "app/ui/ids.h"
#include "app/view/overlays.h"
#include "core/str.h"
#include "draw/clip.h"
#include "draw/draw.h"
#include "gui/canvas_output.h"
#include "gui/window.h"

namespace {

const int WHITE = draw_rgb(255, 255, 255);
const int BLACK = draw_rgb(0, 0, 0);
const int CYAN = draw_rgb(0, 255, 255);
const int BLUE = draw_rgb(0, 0, 255);
const int RED = draw_rgb(255, 0, 0);
const int GREEN = draw_rgb(0, 255, 0);
const int MAGENTA = draw_rgb(255, 0, 255);
const int TABLE_TEXT = draw_rgb(155, 0, 160);

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

constexpr int TABLE_ROW_HEIGHT = 15;    // pixels
constexpr int TABLE_FIRST_X = 10;       // first column, pixels
constexpr int TABLE_FIRST_BASE = 60;    // heading's y; row n stands at base + 15 n
constexpr int TABLE_SECOND_X = 200;     // second column
constexpr int TABLE_SECOND_BASE = 55;   // rows continue 15 px apart below this
constexpr int TABLE_PAUSE_MS = 2000;    // pause when a column is full
constexpr int TABLE_COLUMN_STEP = 190;  // third and later columns: this far right of the previous one
constexpr int TABLE_ROWS = 29;          // rows of a column below the second one's base line
constexpr int RESULT_TEXT_LENGTH = 23;  // characters of a result line shown in the table

// Nodes 1..pass_nodes and elements 1..pass_elements are drawn: the counts, limited to the
// entries the records have. Set at the start of every pass that reads them.
int pass_nodes = 0;
int pass_elements = 0;

void start_pass()
{
    pass_nodes = usable_node_count();
    pass_elements = usable_element_count();
}

bool node_usable(int node)
{
    return node >= 1 && node <= pass_nodes;
}

// The canvas point of node i.
float screen_x(int i)
{
    return ViewState.node_screen[1][i];
}
float screen_y(int i)
{
    return ViewState.node_screen[2][i];
}

// Cuts the segment (x1, y1)-(x2, y2) to |x|, |y| <= limit in double precision (Liang-Barsky), so
// that it keeps its slope; false when nothing of it is inside.
bool clip_segment(double& x1, double& y1, double& x2, double& y2, double limit)
{
    return clip_segment_to_box(x1, y1, x2, y2, -limit, -limit, limit, limit);
}

void line_between(float x1, float y1, float x2, float y2, int colour)
{
    int ax, ay, bx, by;
    if (!to_pixels(x1, y1, ax, ay) || !to_pixels(x2, y2, bx, by))
        return;
    const float limit = PIXEL_LIMIT;
    if (std::fabs(x1) > limit || std::fabs(y1) > limit || std::fabs(x2) > limit || std::fabs(y2) > limit) {
        // An end far off the canvas: clamping each coordinate would bend the line, so cut it first.
        double cx1 = x1, cy1 = y1, cx2 = x2, cy2 = y2;
        if (!clip_segment(cx1, cy1, cx2, cy2, static_cast<double>(limit)))
            return;
        ax = static_cast<int>(std::nearbyint(cx1));
        ay = static_cast<int>(std::nearbyint(cy1));
        bx = static_cast<int>(std::nearbyint(cx2));
        by = static_cast<int>(std::nearbyint(cy2));
    }
    draw_line_xy(ax, ay, bx, by, colour);
}

void circle_at(float x, float y, int radius, int colour)
{
    int px, py;
    if (!to_pixels(x, y, px, py))
        return;
    draw_circle(px, py, radius, colour);
}

void text_at(float x, float y, std::string_view text, int front, int back)
{
    int px, py;
    if (!to_pixels(x, y, px, py))
        return;
    draw_text(px, py, text, front, back);
}

void draw_restraints(int i, float sx, float sy)
{
    if (TrussModel.node_fixity[2][i] == 1)
        circle_at(sx, sy, 7, RED);
    if (TrussModel.node_fixity[3][i] == 1)
        circle_at(sx, sy, 5, GREEN);
    draw_mode(DRAW_MODE_XOR);
    if (TrussModel.node_fixity[1][i] == 1)
        circle_at(sx, sy, 3, BLUE);
    draw_mode(DRAW_MODE_OUTLINE);
}

// One load arrow along axis k from the node at (sx, sy): shaft, one barb line, optional label.
void draw_load_arrow(int k, float load, float sx, float sy)
{
    if (!ViewState.axis_defined[k])
        return;
    float dx = ViewState.axis_direction[k][0];
    float dy = ViewState.axis_direction[k][1];
    float length = load * TrussModel.load_scale;
    float tx = sx + dx * length;
    float ty = sy + dy * length;
    int tip_x, tip_y;
    if (!to_pixels(tx, ty, tip_x, tip_y))
        return;
    int colour = component_colour(k);
    line_between(sx, sy, tx, ty, colour);
    float sign = load > 0.0f ? 1.0f : -1.0f;
    line_between(tx, ty, tx - BARB_LENGTH * dx * sign + 2.0f, ty - BARB_LENGTH * dy * sign + 2.0f, colour);
    if (View.show_load_values != 0)
        text_at(tx + 5.0f, ty, str_from_float(load, 0), BLACK, WHITE);
}

// True when a table column at x, whose highest element number is last, fits on the canvas: its
// widest row ("[number] " and a full result text) ends inside it. Measured off the canvas.
bool table_column_fits(int x, int last)
{
    std::string widest = '[' + std::to_string(last) + "] " + std::string(RESULT_TEXT_LENGTH, '0');
    const int width = View.canvas.width;
    return x + draw_text(width, 0, widest, TABLE_TEXT, WHITE) - width <= width;
}

// Element e and, when show_element_numbers is set, its number; pass counts already set.
void element_step(int e)
{
    if (e < 1 || e > pass_elements)
        return;
    int a = TrussModel.element_nodes[e][1];
    int b = TrussModel.element_nodes[e][2];
    if (!node_usable(a) || !node_usable(b))
        return;
    float x1 = screen_x(a), y1 = screen_y(a), x2 = screen_x(b), y2 = screen_y(b);
    line_between(x1, y1, x2, y2, ViewState.element_colour);
    if (View.show_element_numbers != 0) {
        // "[e]" without a heap string: e is a whole number, so its text is its digits.
        char label[16];
        label[0] = '[';
        char* end = std::to_chars(label + 1, label + sizeof label - 1, e).ptr;
        *end++ = ']';
        text_at((x1 + x2) / 2.0f - LABEL_OFFSET, (y1 + y2) / 2.0f - LABEL_OFFSET,
                std::string_view(label, static_cast<std::size_t>(end - label)), BLACK, WHITE);
    }
}

// Deflected element e in magenta with a circle at its first end node; pass counts already set.
void deflected_element_step(int e)
{
    if (e < 1 || e > pass_elements)
        return;
    int a = TrussModel.element_nodes[e][1];
    int b = TrussModel.element_nodes[e][2];
    if (!node_usable(a) || !node_usable(b))
        return;
    float qx1 = screen_x(a) + ViewState.node_deflected_offset[1][a];
    float qy1 = screen_y(a) + ViewState.node_deflected_offset[2][a];
    float qx2 = screen_x(b) + ViewState.node_deflected_offset[1][b];
    float qy2 = screen_y(b) + ViewState.node_deflected_offset[2][b];
    line_between(qx1, qy1, qx2, qy2, MAGENTA);
    circle_at(qx1, qy1, 2, MAGENTA);
}

}  // namespace

bool to_pixel(float value, int& pixel)
{
    if (!std::isfinite(value))
        return false;
    float clamped = std::clamp(value, -PIXEL_LIMIT, PIXEL_LIMIT);
    pixel = static_cast<int>(std::nearbyint(clamped));
    return true;
}

bool to_pixels(float x, float y, int& px, int& py)
{
    int qx, qy;
    if (!to_pixel(x, qx) || !to_pixel(y, qy))
        return false;
    px = qx;
    py = qy;
    return true;
}

void redraw_view()
{
    DrawOutput* output = draw_canvas_output(ID_CANVAS);
    bool drawing = draw_begin(output) != 0;
    if (!drawing) {
        redraw_pending = 0;  // nothing to draw on; asking again would not help
        return;
    }
    draw_mode(0);
    // 700 x 500: the field (2, 2, 696, 496), the frames (3, 3, 694, 494) and (1, 1, 698, 498).
    const int width = View.canvas.width;
    const int height = View.canvas.height;
    draw_box(2, 2, width - 4, height - 4, WHITE);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_box(3, 3, width - 6, height - 6, CYAN);
    draw_box(1, 1, width - 2, height - 2, BLUE);
    start_pass();
    overlays_prepare();
    draw_nodes();
    draw_elements();
    redraw_pending = 0;
    if (View.show_deflected == 1)
        draw_deflected_shape();
    draw_overlays();
    draw_axis_triad();
    draw_end();
}

void draw_nodes()
{
    start_pass();
    for (int i = 1; i <= pass_nodes; ++i) {
        float sx = screen_x(i);
        float sy = screen_y(i);
        int px, py;
        if (!to_pixels(sx, sy, px, py))
            continue;
        draw_restraints(i, sx, sy);
        for (int k = 1; k <= 3; ++k) {
            float load = TrussModel.node_loads[k][i];
            if (load == 0.0f)
                continue;
            draw_load_arrow(k, load, sx, sy);
        }
    }
}

void draw_elements()
{
    start_pass();
    const bool force_colours = overlay_colours_members();
    for (int e = 1; e <= pass_elements; ++e) {
        ViewState.element_colour = force_colours ? overlay_member_colour(e) : BLACK;
        element_step(e);
    }
}

void draw_element(int e)
{
    start_pass();
    element_step(e);
}

void draw_deflected_shape()
{
    start_pass();
    const float scale = TrussModel.deflection_scale;
    for (int i = 1; i <= pass_nodes; ++i) {
        float dx = 0.0f;
        float dy = 0.0f;
        for (int k = 1; k <= 3; ++k) {
            float d = TrussModel.node_deflections[k][i];
            if (d == 0.0f || !ViewState.axis_defined[k])
                continue;
            dx += ViewState.axis_direction[k][0] * d;
            dy += ViewState.axis_direction[k][1] * d;
        }
        ViewState.node_deflected_offset[1][i] = scale * dx;
        ViewState.node_deflected_offset[2][i] = scale * dy;
    }
    for (int e = 1; e <= pass_elements; ++e)
        deflected_element_step(e);
}

void draw_deflected_element(int e)
{
    start_pass();
    deflected_element_step(e);
}

void draw_axis_triad()
{
    for (int k = 1; k <= 3; ++k) {
        if (!ViewState.axis_defined[k])
            continue;
        float ex = TRIAD_X + TRIAD_ARM * ViewState.axis_direction[k][0];
        float ey = TRIAD_Y + TRIAD_ARM * ViewState.axis_direction[k][1];
        line_between(TRIAD_X, TRIAD_Y, ex, ey, component_colour(k));
        circle_at(ex, ey, 2, component_colour(k));
    }
}

void draw_stress_list()
{
    const int elements = usable_element_count();
    int column_x = TABLE_FIRST_X;
    int base_y = TABLE_FIRST_BASE;
    if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
        return;
    draw_text(65, 60, "Stress          Force", BLUE, WHITE);
    int row_in_column = 0;
    int column = 1;
    bool last_column = false;  // no further column fits: this one's last row counts what is left
    std::string text;
    for (int n = 1; n <= elements; ++n) {
        ++row_in_column;
        int y = base_y + TABLE_ROW_HEIGHT * row_in_column;
        bool column_full = y + TABLE_ROW_HEIGHT > View.canvas.height;
        if (column_full && last_column && n < elements) {
            text = "... " + std::to_string(elements - n + 1) + " more members not listed";
            draw_text(column_x, y, text, TABLE_TEXT, WHITE);
            break;
        }
        text.assign(n < 10 ? "[  " : "[");
        char number[16];
        text.append(number, std::to_chars(number, number + sizeof number, n).ptr);
        text += "] ";
        text += TrussModel.element_result_text[n];
        draw_text(column_x, y, text, TABLE_TEXT, WHITE);
        // A full column is shown before the pause so that it can be read during it. The first
        // column always pauses when full (the second holds the rest of 58 rows); a later column
        // only when rows remain for the next.
        if (column_full && (column == 1 || n < elements)) {
            draw_end();
            event_delay(TABLE_PAUSE_MS);
            if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
                return;
            column_x = column == 1 ? TABLE_SECOND_X : column_x + TABLE_COLUMN_STEP;
            base_y = TABLE_SECOND_BASE;
            row_in_column = 0;
            ++column;
            last_column = !table_column_fits(column_x + TABLE_COLUMN_STEP, std::min(elements, n + 2 * TABLE_ROWS));
        }
    }
    draw_end();
}

// The truss renderer: an immediate-mode pass that paints the whole canvas from TrussModel and the
// projected ViewState, plus the element result table painted over it.
//
// Reals stay float32 until a drawing call, where to_pixel rounds them half to even. Anything that
// cannot be placed (a NaN or infinite coordinate, load or deflection; an end node outside
// 1..node_count; an axis without a canvas direction) is skipped and the rest is drawn.
//
// Touches: ViewState.node_deflected_offset, ViewState.element_colour, redraw_pending; draws on
// canvas ID_CANVAS.
#include "app/render.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/ids.h"
#include "app/model.h"
#include "core/str.h"
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
int component_colour(int k) {
    static const int colours[4] = {0, BLUE, RED, GREEN};
    return colours[k];
}

constexpr int BARB_LENGTH = 10;           // pixels back along the shaft
constexpr float TRIAD_X = 50.0f;          // canvas origin of the axis symbol
constexpr float TRIAD_Y = 50.0f;
constexpr float TRIAD_ARM = 20.0f;        // pixels
constexpr float LABEL_OFFSET = 7.0f;      // element label: up and left of the midpoint, pixels

constexpr int TABLE_ROW_HEIGHT = 15;      // pixels
constexpr int TABLE_FIRST_X = 10;         // first column, pixels
constexpr int TABLE_FIRST_BASE = 60;      // heading's y; row n stands at base + 15 n
constexpr int TABLE_SECOND_X = 200;       // second column
constexpr int TABLE_SECOND_BASE = 55;     // rows continue 15 px apart below this
constexpr int TABLE_PAUSE_MS = 2000;      // pause when the first column is full

bool node_usable(int node) { return node >= 1 && node <= TrussModel.node_count && node <= MAX_NODES; }

// The canvas point of node i.
float screen_x(int i) { return ViewState.node_screen[1][i]; }
float screen_y(int i) { return ViewState.node_screen[2][i]; }

void line_between(float x1, float y1, float x2, float y2, int colour) {
    int ax, ay, bx, by;
    if (!to_pixels(x1, y1, ax, ay) || !to_pixels(x2, y2, bx, by)) return;
    draw_line_xy(ax, ay, bx, by, colour);
}

void circle_at(float x, float y, int radius, int colour) {
    int px, py;
    if (!to_pixels(x, y, px, py)) return;
    draw_circle(px, py, radius, colour);
}

void text_at(float x, float y, const std::string& text, int front, int back) {
    int px, py;
    if (!to_pixels(x, y, px, py)) return;
    draw_text(px, py, text, front, back);
}

void draw_restraints(int i, float sx, float sy) {
    if (TrussModel.node_fixity[2][i] == 1) circle_at(sx, sy, 7, RED);
    if (TrussModel.node_fixity[3][i] == 1) circle_at(sx, sy, 5, GREEN);
    draw_mode(DRAW_MODE_XOR);
    if (TrussModel.node_fixity[1][i] == 1) circle_at(sx, sy, 3, BLUE);
    draw_mode(DRAW_MODE_OUTLINE);
}

// One load arrow along axis k from the node at (sx, sy): shaft, one barb line, optional label.
void draw_load_arrow(int k, float load, float sx, float sy) {
    if (!ViewState.axis_defined[k]) return;
    float dx = ViewState.axis_direction[k][0];
    float dy = ViewState.axis_direction[k][1];
    float length = load * TrussModel.load_scale;
    float tx = sx + dx * length;
    float ty = sy + dy * length;
    int tip_x, tip_y;
    if (!to_pixels(tx, ty, tip_x, tip_y)) return;
    int colour = component_colour(k);
    line_between(sx, sy, tx, ty, colour);
    float sign = load > 0.0f ? 1.0f : -1.0f;
    line_between(tx, ty, tx - BARB_LENGTH * dx * sign + 2.0f, ty - BARB_LENGTH * dy * sign + 2.0f, colour);
    if (ViewState.show_load_values != 0) text_at(tx + 5.0f, ty, str_from_float(load, 0), BLACK, WHITE);
}

}  // namespace

bool to_pixel(float value, int& pixel) {
    if (!std::isfinite(value)) return false;
    float clamped = std::clamp(value, -PIXEL_LIMIT, PIXEL_LIMIT);
    pixel = static_cast<int>(std::nearbyint(clamped));
    return true;
}

bool to_pixels(float x, float y, int& px, int& py) {
    int qx, qy;
    if (!to_pixel(x, qx) || !to_pixel(y, qy)) return false;
    px = qx;
    py = qy;
    return true;
}

void redraw_view() {
    DrawOutput* output = draw_canvas_output(ID_CANVAS);
    bool drawing = draw_begin(output) != 0;
    if (!drawing) {
        redraw_pending = 0;  // nothing to draw on; asking again would not help
        return;
    }
    draw_mode(0);
    draw_box(2, 2, 696, 496, WHITE);
    draw_mode(DRAW_MODE_OUTLINE);
    draw_box(3, 3, 694, 494, CYAN);
    draw_box(1, 1, 698, 498, BLUE);
    draw_nodes();
    draw_elements();
    redraw_pending = 0;
    if (ViewState.show_deflected == 1) draw_deflected_shape();
    draw_axis_triad();
    draw_end();
}

void draw_nodes() {
    for (int i = 1; i <= TrussModel.node_count && i <= MAX_NODES; ++i) {
        float sx = screen_x(i);
        float sy = screen_y(i);
        int px, py;
        if (!to_pixels(sx, sy, px, py)) continue;
        draw_restraints(i, sx, sy);
        for (int k = 1; k <= 3; ++k) {
            float load = TrussModel.node_loads[k][i];
            if (load == 0.0f) continue;
            draw_load_arrow(k, load, sx, sy);
        }
    }
}

void draw_elements() {
    for (int e = 1; e <= TrussModel.element_count && e <= MAX_ELEMENTS; ++e) {
        ViewState.element_colour = BLACK;
        draw_element(e);
    }
}

void draw_element(int e) {
    if (e < 1 || e > MAX_ELEMENTS) return;
    int a = TrussModel.element_nodes[e][1];
    int b = TrussModel.element_nodes[e][2];
    if (!node_usable(a) || !node_usable(b)) return;
    float x1 = screen_x(a), y1 = screen_y(a), x2 = screen_x(b), y2 = screen_y(b);
    line_between(x1, y1, x2, y2, ViewState.element_colour);
    if (ViewState.show_element_numbers != 0) {
        std::string label = "[" + str_from_float(static_cast<float>(e), 0) + "]";
        text_at((x1 + x2) / 2.0f - LABEL_OFFSET, (y1 + y2) / 2.0f - LABEL_OFFSET, label, BLACK, WHITE);
    }
}

void draw_deflected_shape() {
    for (int i = 1; i <= TrussModel.node_count && i <= MAX_NODES; ++i) {
        float dx = 0.0f;
        float dy = 0.0f;
        for (int k = 1; k <= 3; ++k) {
            float d = TrussModel.node_deflections[k][i];
            if (d == 0.0f || !ViewState.axis_defined[k]) continue;
            dx += ViewState.axis_direction[k][0] * d;
            dy += ViewState.axis_direction[k][1] * d;
        }
        ViewState.node_deflected_offset[1][i] = TrussModel.deflection_scale * dx;
        ViewState.node_deflected_offset[2][i] = TrussModel.deflection_scale * dy;
    }
    for (int e = 1; e <= TrussModel.element_count && e <= MAX_ELEMENTS; ++e) draw_deflected_element(e);
}

void draw_deflected_element(int e) {
    if (e < 1 || e > MAX_ELEMENTS) return;
    int a = TrussModel.element_nodes[e][1];
    int b = TrussModel.element_nodes[e][2];
    if (!node_usable(a) || !node_usable(b)) return;
    float qx1 = screen_x(a) + ViewState.node_deflected_offset[1][a];
    float qy1 = screen_y(a) + ViewState.node_deflected_offset[2][a];
    float qx2 = screen_x(b) + ViewState.node_deflected_offset[1][b];
    float qy2 = screen_y(b) + ViewState.node_deflected_offset[2][b];
    line_between(qx1, qy1, qx2, qy2, MAGENTA);
    circle_at(qx1, qy1, 2, MAGENTA);
}

void draw_axis_triad() {
    for (int k = 1; k <= 3; ++k) {
        if (!ViewState.axis_defined[k]) continue;
        float ex = TRIAD_X + TRIAD_ARM * ViewState.axis_direction[k][0];
        float ey = TRIAD_Y + TRIAD_ARM * ViewState.axis_direction[k][1];
        line_between(TRIAD_X, TRIAD_Y, ex, ey, component_colour(k));
        circle_at(ex, ey, 2, component_colour(k));
    }
}

void draw_stress_list() {
    int column_x = TABLE_FIRST_X;
    int base_y = TABLE_FIRST_BASE;
    if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0) return;
    draw_text(65, 60, "Stress          Force", BLUE, WHITE);
    int row_in_column = 0;
    bool second_column = false;
    for (int n = 1; n <= TrussModel.element_count && n <= MAX_ELEMENTS; ++n) {
        ++row_in_column;
        int y = base_y + TABLE_ROW_HEIGHT * row_in_column;
        std::string text = n < 10 ? "[  " : "[";
        text += str_from_float(static_cast<float>(n), 0) + "] " + TrussModel.element_result_text[n];
        draw_text(column_x, y, text, TABLE_TEXT, WHITE);
        // The first column ends where the next row would pass the canvas bottom; the second column
        // (at most 21 rows for 50 elements) always fits. The first column is shown before the
        // pause so that it can be read during it.
        if (!second_column && y + TABLE_ROW_HEIGHT > CANVAS_HEIGHT) {
            draw_end();
            event_delay(TABLE_PAUSE_MS);
            if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0) return;
            column_x = TABLE_SECOND_X;
            base_y = TABLE_SECOND_BASE;
            row_in_column = 0;
            second_column = true;
        }
    }
    draw_end();
}

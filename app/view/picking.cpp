// The pick grid: 16-pixel cells over the canvas, each listing the nodes drawn in it and the members
// whose segment passes through it or near it.
//
// A member's segment is cut to the canvas (widened by the pick distance) and sampled every 8
// pixels; each sample lists the member in its cell. A point within MEMBER_PICK_DISTANCE (4) of a
// segment then lies within 8 pixels of a sample, so the 3 x 3 cells around the point hold it.
// The lists are kept as one array sorted by cell with an offset per cell.
//
// Reads and writes only its arguments.
#include "app/view/picking.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/truss_model.h"
#include "app/view/view.h"
#include "draw/clip.h"

namespace {

constexpr int CELL = 16;             // pixels
constexpr float SAMPLE_STEP = 8.0f;  // pixels between samples along a segment
constexpr float MARGIN = 8.0f;       // pixels around the canvas that still count

PickKey current_key(const TrussModelData& model, const ViewSettings& settings, const Projection& projection)
{
    PickKey key;
    key.scale = settings.scale;
    key.azimuth = settings.azimuth;
    key.elevation = settings.elevation;
    key.pan_u = settings.pan.u;
    key.pan_v = settings.pan.v;
    key.nodes = projected_node_count(model, projection);
    key.elements = usable_element_count(model);
    key.width = std::max(settings.canvas.width, 1);
    key.height = std::max(settings.canvas.height, 1);
    key.xs = projection.node_screen[1].data();
    key.ys = projection.node_screen[2].data();
    return key;
}

int cell_of(const PickGrid& grid, float x, float y)
{
    const int column = std::clamp(static_cast<int>(std::floor(x / CELL)), 0, grid.columns - 1);
    const int row = std::clamp(static_cast<int>(std::floor(y / CELL)), 0, grid.rows - 1);
    return row * grid.columns + column;
}

// Cuts the segment (x0, y0)-(x1, y1) to the canvas of key widened by MARGIN (Liang-Barsky); false
// when nothing of it is left.
bool clip(const PickKey& key, float& x0, float& y0, float& x1, float& y1)
{
    double ax = x0, ay = y0, bx = x1, by = y1;
    if (!clip_segment_to_box(ax, ay, bx, by, -MARGIN, -MARGIN, key.width + MARGIN, key.height + MARGIN))
        return false;
    x0 = static_cast<float>(ax);
    y0 = static_cast<float>(ay);
    x1 = static_cast<float>(bx);
    y1 = static_cast<float>(by);
    return true;
}

// Sorts (cell, index) pairs into the offset and list arrays.
void pack(int cells, std::vector<std::pair<int, int>>& pairs, std::vector<int>& start, std::vector<int>& list)
{
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    start.assign(cells + 1, 0);
    for (const auto& pair : pairs)
        ++start[pair.first + 1];
    for (int c = 0; c < cells; ++c)
        start[c + 1] += start[c];
    list.resize(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i)
        list[i] = pairs[i].second;
}

bool inside_margin(const PickKey& key, float x, float y)
{
    return x >= -MARGIN && y >= -MARGIN && x <= key.width + MARGIN && y <= key.height + MARGIN;
}

void build(PickGrid& grid, const TrussModelData& model, const ViewSettings& settings, const Projection& projection)
{
    grid.key = current_key(model, settings, projection);
    grid.columns = (grid.key.width + CELL - 1) / CELL;
    grid.rows = (grid.key.height + CELL - 1) / CELL;
    const int cells = grid.columns * grid.rows;
    const std::vector<float>& xs = projection.node_screen[1];
    const std::vector<float>& ys = projection.node_screen[2];
    const int node_total = projected_node_count(model, projection);
    std::vector<std::pair<int, int>> pairs;
    for (int i = 1; i <= node_total; ++i) {
        if (std::isfinite(xs[i]) && std::isfinite(ys[i]) && inside_margin(grid.key, xs[i], ys[i]))
            pairs.emplace_back(cell_of(grid, xs[i], ys[i]), i);
    }
    pack(cells, pairs, grid.node_start, grid.nodes);

    pairs.clear();
    const int element_total = usable_element_count(model);
    for (int e = 1; e <= element_total; ++e) {
        int a, b;
        if (!member_ends(model, e, node_total, a, b))
            continue;
        float x0 = xs[a], y0 = ys[a], x1 = xs[b], y1 = ys[b];
        if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
            continue;
        if (!clip(grid.key, x0, y0, x1, y1))
            continue;
        const float length = std::hypot(x1 - x0, y1 - y0);
        const int steps = static_cast<int>(std::ceil(length / SAMPLE_STEP));
        int last = -1;
        for (int s = 0; s <= steps; ++s) {
            const float t = steps > 0 ? static_cast<float>(s) / static_cast<float>(steps) : 0.0f;
            const int cell = cell_of(grid, x0 + t * (x1 - x0), y0 + t * (y1 - y0));
            if (cell != last)
                pairs.emplace_back(cell, e);
            last = cell;
        }
    }
    pack(cells, pairs, grid.member_start, grid.members);
    grid.built = true;
}

// Squared distance from (x, y) to the segment (x0, y0)-(x1, y1).
float segment_distance_squared(float x, float y, float x0, float y0, float x1, float y1)
{
    const float dx = x1 - x0, dy = y1 - y0;
    const float length2 = dx * dx + dy * dy;
    float t = length2 > 0.0f ? ((x - x0) * dx + (y - y0) * dy) / length2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = x0 + t * dx - x, ey = y0 + t * dy - y;
    return ex * ex + ey * ey;
}

}  // namespace

PickResult pick_at(PickGrid& grid, const TrussModelData& model, const ViewSettings& settings,
                   const Projection& projection, float x, float y)
{
    PickResult result;
    if (!grid.built || !(grid.key == current_key(model, settings, projection)))
        build(grid, model, settings, projection);
    if (!std::isfinite(x) || !std::isfinite(y) || !inside_margin(grid.key, x, y))
        return result;
    const std::vector<float>& xs = projection.node_screen[1];
    const std::vector<float>& ys = projection.node_screen[2];
    const int column = static_cast<int>(std::floor(x / CELL)), row = static_cast<int>(std::floor(y / CELL));
    float best_node = NODE_PICK_RADIUS * NODE_PICK_RADIUS;
    float best_member = MEMBER_PICK_DISTANCE * MEMBER_PICK_DISTANCE;
    for (int r = std::max(row - 1, 0); r <= std::min(row + 1, grid.rows - 1); ++r) {
        for (int c = std::max(column - 1, 0); c <= std::min(column + 1, grid.columns - 1); ++c) {
            const int cell = r * grid.columns + c;
            for (int k = grid.node_start[cell]; k < grid.node_start[cell + 1]; ++k) {
                const int i = grid.nodes[k];
                const float dx = xs[i] - x, dy = ys[i] - y;
                const float d2 = dx * dx + dy * dy;
                if (d2 <= best_node && (d2 < best_node || result.node == 0 || i < result.node)) {
                    best_node = d2;
                    result.node = i;
                }
            }
            for (int k = grid.member_start[cell]; k < grid.member_start[cell + 1]; ++k) {
                const int e = grid.members[k];
                const int a = model.element_nodes[e][1], b = model.element_nodes[e][2];
                const float d2 = segment_distance_squared(x, y, xs[a], ys[a], xs[b], ys[b]);
                if (d2 <= best_member && (d2 < best_member || result.member == 0 || e < result.member)) {
                    best_member = d2;
                    result.member = e;
                }
            }
        }
    }
    if (result.node != 0)
        result.member = 0;  // a node wins over the members that meet at it
    return result;
}

void picking_invalidate(PickGrid& grid)
{
    grid.built = false;
}

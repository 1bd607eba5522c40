// The engineer's view over the plain picture: with every switch off nothing changes; each switch
// changes only the pixels it owns (force colours: the members and the legend); reactions stand at
// the bridge's supports; kelvaro-render's overlay options are read and refused as documented.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/model/analysis.h"
#include "app/ui/canvas_view.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/pen.h"
#include "app_fixture.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
const std::string BRIDGE = EXAMPLES + "bridge.res";
const std::string TOWER = EXAMPLES + "tower.res";
const std::string GEOMETRY = EXAMPLES + "bridge-geometry.res";

const int REACTION = draw_rgb(140, 70, 0);
const int AMBER = draw_rgb(255, 150, 0);
const int DARK_MAGENTA = draw_rgb(140, 0, 140);
const int NODE_TEXT = draw_rgb(0, 110, 110);
const int COMPRESSION_TEXT = draw_rgb(33, 102, 172);

bool parse(std::vector<const char*> arguments, RenderOptions& options, std::string& error)
{
    arguments.insert(arguments.begin(), "kelvaro-render");
    options = RenderOptions{};
    return parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

// kelvaro-render's picture of path with the extra arguments; the viewer is then started on the
// same file with the same switches, and its canvas shows the same picture.
Picture render(const std::string& path, std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), {path.c_str(), "-o", "unused.jpg"});
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parse(arguments, options, error)) << error;
    Picture picture;
    EXPECT_EQ(render_picture(options, picture).status, RENDER_EXIT_OK);
    show_in_viewer(options);
    EXPECT_EQ(gadget_canvas_picture(ID_CANVAS)->bits, picture.bits) << "the viewer shows another picture";
    return picture;
}

Picture canvas_copy()
{
    return *gadget_canvas_picture(ID_CANVAS);
}

struct Point {
    int x, y;
};

std::vector<Point> differences(const Picture& a, const Picture& b)
{
    std::vector<Point> points;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (pixel_at(a, x, y) != pixel_at(b, x, y))
                points.push_back({x, y});
    return points;
}

Point node_pixel(int i)
{
    int x = 0, y = 0;
    to_pixels(ViewState.node_screen[1][i], ViewState.node_screen[2][i], x, y);
    return {x, y};
}

// True when text in front on white stands with its top-left corner somewhere in the box.
bool text_somewhere(const Picture& picture, const std::string& text, int front, int x0, int y0, int x1, int y1)
{
    const TextFootprint at_origin = text_footprint(0, 0, text, front, WHITE);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            TextFootprint moved = at_origin;
            for (int& px : moved.xs)
                px += x;
            for (int& py : moved.ys)
                py += y;
            if (text_mismatches(picture, moved) == 0)
                return true;
        }
    }
    return false;
}

TEST(OverlaysTest, SwitchesThatDrawNothingLeaveThePlainPictureByteForByte)
{
    const Picture plain = render(BRIDGE, {});
    // Every overlay on, then off again: nothing of it may linger in the next pass.
    View.overlays = {true, true, true, true, true, 14, 3};
    redraw_view();
    EXPECT_FALSE(differences(plain, canvas_copy()).empty());
    View.overlays = {};
    redraw_view();
    EXPECT_TRUE(differences(plain, canvas_copy()).empty());
    // The legend alone, and the largest deflection without the deflected shape, draw nothing.
    View.overlays.show_legend = true;
    View.overlays.show_max_deflection = true;
    EXPECT_FALSE(overlays_active(View, results_missing == 0));
    redraw_view();
    EXPECT_TRUE(differences(plain, canvas_copy()).empty());
    View.overlays = {};

    // Without results there is nothing to colour, react or mark.
    const Picture geometry = render(GEOMETRY, {"--geometry"});
    const Picture asked = render(GEOMETRY, {"--geometry", "--colour-forces", "--reactions"});
    EXPECT_TRUE(differences(geometry, asked).empty());
    EXPECT_EQ(overlay_legend_box().width, 0);
}

TEST(OverlaysTest, ForceColoursChangeOnlyMemberPixelsAndTheLegend)
{
    for (const std::string& path : {BRIDGE, TOWER}) {
        SCOPED_TRACE(path);
        const Picture plain = render(path, {});
        const Picture coloured = render(path, {"--colour-forces"});
        const OverlayBox legend = overlay_legend_box();
        ASSERT_GT(legend.width, 0);
        EXPECT_GE(legend.x, 4);
        EXPECT_LE(legend.x + legend.width, 696);
        EXPECT_GE(legend.y, 4);
        EXPECT_LE(legend.y + legend.height, 496);
        std::set<int> scale;
        for (int shade = 0; shade < FORCE_COLOUR_STEPS; ++shade) {
            scale.insert(force_scale_colour(true, shade));
            scale.insert(force_scale_colour(false, shade));
        }
        int member_pixels = 0;
        for (const Point& p : differences(plain, coloured)) {
            const bool in_legend = p.x >= legend.x && p.x < legend.x + legend.width && p.y >= legend.y &&
                                   p.y < legend.y + legend.height;
            if (in_legend)
                continue;
            ++member_pixels;
            ASSERT_EQ(pixel_at(plain, p.x, p.y), BLACK) << p.x << "," << p.y;
            ASSERT_EQ(scale.count(pixel_at(coloured, p.x, p.y)), 1u) << p.x << "," << p.y;
        }
        EXPECT_GT(member_pixels, 500);
        // The legend hides no node.
        for (int i = 1; i <= TrussModel.node_count; ++i) {
            const Point n = node_pixel(i);
            EXPECT_FALSE(n.x >= legend.x && n.x < legend.x + legend.width && n.y >= legend.y &&
                         n.y < legend.y + legend.height);
        }
        EXPECT_EQ(text_mismatches(coloured,
                                  text_footprint(legend.x + 5, legend.y + 5, "compression", COMPRESSION_TEXT, WHITE)),
                  0);
        const Picture bare = render(path, {"--colour-forces", "--no-legend"});
        EXPECT_EQ(overlay_legend_box().width, 0);
        for (const Point& p : differences(plain, bare))
            ASSERT_EQ(pixel_at(plain, p.x, p.y), BLACK);
    }
    // Bridge: the bottom chord pulls (red side), the top chord pushes (blue side); members 1 and 8
    // are the most heavily loaded of each, so they carry the scale's deepest shades.
    const Picture bridge = render(BRIDGE, {"--colour-forces"});
    const Point a = node_pixel(3), b = node_pixel(4), c = node_pixel(9), d = node_pixel(10);
    const int bottom = pixel_at(bridge, (a.x + b.x) / 2, a.y);
    const int top = pixel_at(bridge, (c.x + d.x) / 2, c.y);
    EXPECT_GT(bottom & 0xFF, (bottom >> 16) & 0xFF);  // more red than blue
    EXPECT_GT((top >> 16) & 0xFF, top & 0xFF);        // more blue than red
}

TEST(OverlaysTest, NodeNumbersStandBesideTheirNodes)
{
    const Picture plain = render(TOWER, {});
    const Picture numbered = render(TOWER, {"--node-numbers"});
    for (int i = 1; i <= TrussModel.node_count; ++i) {
        const Point n = node_pixel(i);
        EXPECT_EQ(pixel_at(numbered, n.x, n.y), pixel_at(plain, n.x, n.y)) << "node " << i;
    }
    // Later labels may cover part of an earlier one where nodes crowd; the last one is whole.
    const int last = TrussModel.node_count;
    int x = 0, y = 0;
    to_pixels(ViewState.node_screen[1][last] + 8.0f, ViewState.node_screen[2][last] + 4.0f, x, y);
    EXPECT_EQ(text_mismatches(numbered, text_footprint(x, y, std::to_string(last), NODE_TEXT, WHITE)), 0);
    for (const Point& p : differences(plain, numbered)) {
        bool near_a_node = false;
        for (int i = 1; i <= TrussModel.node_count && !near_a_node; ++i) {
            const Point n = node_pixel(i);
            near_a_node = p.x >= n.x + 7 && p.x <= n.x + 30 && p.y >= n.y + 3 && p.y <= n.y + 20;
        }
        ASSERT_TRUE(near_a_node) << p.x << "," << p.y;
    }
}

TEST(OverlaysTest, ReactionsPushUpAtTheBridgeSupportsOnly)
{
    const Picture plain = render(BRIDGE, {});
    const Picture reacting = render(BRIDGE, {"--reactions"});
    // Supports 1 (pin) and 7 (roller) carry 250 each, pushing up: arrows below them, heads first.
    for (int support : {1, 7}) {
        SCOPED_TRACE(support);
        const Point s = node_pixel(support);
        int arrow = 0;
        for (int y = s.y + 8; y <= s.y + 72; ++y)
            for (int x = s.x - 6; x <= s.x + 6; ++x)
                arrow += pixel_at(reacting, x, y) == REACTION;
        EXPECT_GT(arrow, 2 * 50);  // two shafts
        // The magnitude and its unit, no sign: the arrow gives the direction.
        EXPECT_TRUE(text_somewhere(reacting, "250 kN", REACTION, s.x - 32, s.y + 68, s.x, s.y + 80));
    }
    // Nothing below the free deck nodes, which carry the loads.
    for (int free_node = 2; free_node <= 6; ++free_node) {
        const Point s = node_pixel(free_node);
        for (int y = s.y + 8; y <= s.y + 90; ++y)
            for (int x = s.x - 6; x <= s.x + 6; ++x)
                ASSERT_EQ(pixel_at(reacting, x, y), pixel_at(plain, x, y)) << free_node;
    }
}

TEST(OverlaysTest, LargestDeflectionIsRingedWhereTheDeflectedShapePutsIt)
{
    const Picture marked = render(BRIDGE, {"--max-deflection"});
    EXPECT_EQ(View.show_deflected, 1);  // the option draws the shape it marks
    ModelNumbers numbers;
    numbers = compute_model_numbers(TrussModel, results_missing == 0);
    const int i = numbers.max_deflection.index;
    ASSERT_GT(i, 0);
    int x = 0, y = 0;
    to_pixels(ViewState.node_screen[1][i] + ViewState.node_deflected_offset[1][i],
              ViewState.node_screen[2][i] + ViewState.node_deflected_offset[2][i], x, y);
    EXPECT_EQ(pixel_at(marked, x + 8, y), DARK_MAGENTA);
    EXPECT_EQ(pixel_at(marked, x, y - 8), DARK_MAGENTA);
    char value[32];
    std::snprintf(value, sizeof value, "max %.4g mm", numbers.max_deflection.value * 1000);  // lengths in m
    // Beside the ring, on whichever side is free.
    EXPECT_TRUE(text_somewhere(marked, value, DARK_MAGENTA, x - 100, y - 30, x + 12, y + 12)) << value;
}

TEST(OverlaysTest, FreeBodyLabelsEachForceOnTheSelectedNodeBesideItsArrow)
{
    const Picture ringed = render(BRIDGE, {"--highlight-node", "8"});
    const Picture body = render(BRIDGE, {"--highlight-node", "8", "--free-body"});
    const Point n = node_pixel(8);
    // Top chord 7 pushes node 8 along -x: its arrow runs left of the node, its label beyond it.
    int arrow = 0;
    for (int x = n.x - 70; x <= n.x - 12; ++x)
        arrow += pixel_at(body, x, n.y) != pixel_at(ringed, x, n.y) ? 1 : 0;
    EXPECT_GT(arrow, 40);
    EXPECT_TRUE(text_somewhere(body, "member 7 400 kN", COMPRESSION_TEXT, n.x - 200, n.y - 12, n.x - 60, n.y + 4));
    // Without a selected node the switch draws nothing.
    const Picture plain = render(BRIDGE, {});
    EXPECT_TRUE(differences(plain, render(BRIDGE, {"--free-body"})).empty());
}

TEST(OverlaysTest, HighlightsTouchOnlyTheSelectedMemberAndNode)
{
    const Picture plain = render(BRIDGE, {});
    const Picture selected = render(BRIDGE, {"--highlight-member", "14"});  // vertical 3-9
    const Point a = node_pixel(3), b = node_pixel(9);
    const auto changed = differences(plain, selected);
    EXPECT_GT(static_cast<int>(changed.size()), 2 * std::abs(a.y - b.y));
    for (const Point& p : changed) {
        ASSERT_LE(std::abs(p.x - a.x), 1);
        ASSERT_GE(p.y, std::min(a.y, b.y));
        ASSERT_LE(p.y, std::max(a.y, b.y));
        ASSERT_EQ(pixel_at(selected, p.x, p.y), AMBER);
    }
    const Picture ringed = render(BRIDGE, {"--highlight-node", "10"});
    const Point n = node_pixel(10);
    EXPECT_EQ(pixel_at(ringed, n.x + 11, n.y), AMBER);
    for (const Point& p : differences(plain, ringed))
        ASSERT_LE(std::hypot(p.x - n.x, p.y - n.y), 12.0);
    // A number outside the model draws nothing and says so.
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse({BRIDGE.c_str(), "-o", "x.jpg", "--highlight-member", "99"}, options, error));
    Picture picture;
    const RenderReport report = render_picture(options, picture);
    EXPECT_EQ(report.status, RENDER_EXIT_OK);
    ASSERT_EQ(report.lines.size(), 1u);
    EXPECT_NE(report.lines[0].find("no member 99"), std::string::npos);
    EXPECT_TRUE(differences(plain, picture).empty());
}

TEST(OverlaysTest, CommandLineOptions)
{
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"a.res", "-o", "a.jpg", "--color-forces", "--no-legend", "--node-numbers", "--reactions",
                       "--max-deflection", "--highlight-member", "12", "--highlight-node=3"},
                      o, error))
        << error;
    EXPECT_TRUE(o.colour_forces && !o.legend && o.node_numbers && o.reactions && o.max_deflection);
    EXPECT_EQ(o.highlight_member, 12);
    EXPECT_EQ(o.highlight_node, 3);
    ASSERT_TRUE(parse({"a.res", "-o", "a.jpg", "--colour-forces"}, o, error));
    EXPECT_TRUE(o.colour_forces && o.legend && !o.reactions && o.highlight_member == 0);

    const std::vector<std::vector<const char*>> refused = {
        {"--highlight-member", "0"},
        {"--highlight-node", "-2"},
        {"--highlight-member", "3x"},
        {"--highlight-node"},
        {"--highlight-member", "10000001"},
        {"--reactions=1"},
        {"--no-legend=yes"},
        {"--colour-force"},
    };
    for (std::vector<const char*> arguments : refused) {
        SCOPED_TRACE(arguments[0]);
        arguments.insert(arguments.begin(), {"a.res", "-o", "a.jpg"});
        EXPECT_FALSE(parse(arguments, o, error));
        EXPECT_FALSE(error.empty());
    }
    const std::string help = render_help_text();
    for (const char* name : {"--colour-forces", "--color-forces", "--no-legend", "--node-numbers", "--reactions",
                             "--max-deflection", "--highlight-member", "--highlight-node"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace

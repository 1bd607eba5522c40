// Rendering on canvas 19: frames, restraints, load arrows, elements and labels, the deflected
// shape, the axis triad, the result table and its pause, unplaceable values and far end points.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/window_state.h"
#include "app/view/pen.h"
#include "app_fixture.h"
#include "draw/svg.h"

class RenderTest : public AppTest {
protected:
    // A model of nodes placed directly on the canvas (no fit) in the plan view.
    void place_nodes(const std::vector<std::pair<float, float>>& points)
    {
        apply_plan_view_preset();
        update_view_matrix();
        compute_axis_directions();
        TrussModel.node_count = static_cast<std::int8_t>(points.size());
        for (std::size_t n = 0; n < points.size(); ++n) {
            ViewState.node_screen[1][n + 1] = points[n].first;
            ViewState.node_screen[2][n + 1] = points[n].second;
        }
    }
    void add_element(int e, int a, int b)
    {
        TrussModel.element_nodes[e][1] = static_cast<std::int8_t>(a);
        TrussModel.element_nodes[e][2] = static_cast<std::int8_t>(b);
        if (e > TrussModel.element_count)
            TrussModel.element_count = static_cast<std::int8_t>(e);
    }
};

TEST(PixelTest, RoundsHalfToEvenAndRefusesWhatCannotBePlaced)
{
    struct Case {
        float value;
        bool placeable;
        int pixel;
    } cases[] = {
        {0.5f, true, 0},   {1.5f, true, 2},      {2.5f, true, 2},        {-0.5f, true, 0},
        {-1.5f, true, -2}, {256.49f, true, 256}, {1e30f, true, 1000000}, {-1e30f, true, -1000000},
        {NAN, false, 0},   {INFINITY, false, 0}, {-INFINITY, false, 0},
    };
    for (const Case& c : cases) {
        int pixel = 12345;
        EXPECT_EQ(to_pixel(c.value, pixel), c.placeable) << c.value;
        EXPECT_EQ(pixel, c.placeable ? c.pixel : 12345) << c.value;
    }
}

// Every quarter pixel near zero and near the limits, and floats spread over the whole range, land
// where the library's rounding puts them.
TEST(PixelTest, RoundsEveryPlaceableValueAsTheLibraryDoes)
{
    std::vector<float> values;
    for (const float centre : {0.0f, 1.0e6f, -1.0e6f, 4096.0f})
        for (int k = -4000; k <= 4000; ++k)
            values.push_back(centre + 0.25f * static_cast<float>(k));
    for (float v = 1.0e-3f; v < 2.0e6f; v *= 1.0001f) {
        values.push_back(v);
        values.push_back(-v);
    }
    for (const float v : values) {
        int pixel = 0;
        ASSERT_TRUE(to_pixel(v, pixel));
        ASSERT_EQ(pixel, static_cast<int>(std::nearbyint(std::clamp(v, -1.0e6f, 1.0e6f)))) << v;
    }
}

TEST_F(RenderTest, BackgroundAndTwoFramesLeaveTheOutermostPixels)
{
    Picture& picture = canvas();
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 700; ++x)
            set_pixel(picture, x, y, BLACK);
    redraw_view();
    EXPECT_EQ(redraw_pending, 0);
    for (int x : {0, 350, 699}) {
        EXPECT_EQ(pixel_at(picture, x, 0), BLACK) << x;
        EXPECT_EQ(pixel_at(picture, x, 499), BLACK) << x;
    }
    for (int y : {0, 250, 499}) {
        EXPECT_EQ(pixel_at(picture, 0, y), BLACK) << y;
        EXPECT_EQ(pixel_at(picture, 699, y), BLACK) << y;
    }
    // Outer frame: rows 1 and 498, columns 1 and 698; inner frame: rows 3 and 496, columns 3 and 696.
    for (int x = 1; x <= 698; ++x) {
        ASSERT_EQ(pixel_at(picture, x, 1), BLUE) << x;
        ASSERT_EQ(pixel_at(picture, x, 498), BLUE) << x;
    }
    for (int y = 1; y <= 498; ++y) {
        ASSERT_EQ(pixel_at(picture, 1, y), BLUE) << y;
        ASSERT_EQ(pixel_at(picture, 698, y), BLUE) << y;
    }
    for (int x = 3; x <= 696; ++x) {
        ASSERT_EQ(pixel_at(picture, x, 3), CYAN) << x;
        ASSERT_EQ(pixel_at(picture, x, 496), CYAN) << x;
    }
    for (int y = 3; y <= 496; ++y)
        ASSERT_EQ(pixel_at(picture, 696, y), CYAN) << y;
    EXPECT_EQ(pixel_at(picture, 2, 250), WHITE);
    EXPECT_EQ(pixel_at(picture, 697, 250), WHITE);
    EXPECT_EQ(pixel_at(picture, 350, 2), WHITE);
    EXPECT_EQ(pixel_at(picture, 350, 497), WHITE);
    // An empty model: nothing but the field, the frames and the triad.
    for (int y = 80; y <= 495; ++y)
        for (int x = 4; x <= 695; ++x)
            ASSERT_EQ(pixel_at(picture, x, y), WHITE) << x << "," << y;
}

TEST_F(RenderTest, DownwardLoadArrowTipBarbAndLabel)
{
    place_nodes({{300.0f, 150.0f}});
    TrussModel.node_loads[3][1] = -1000.0f;
    TrussModel.load_scale = 0.1f;
    View.show_load_values = 1;
    redraw_view();
    const Picture& picture = canvas();
    // Shaft from S straight down to T = S + (0, 100).
    for (int y = 150; y <= 250; ++y)
        ASSERT_EQ(pixel_at(picture, 300, y), GREEN) << y;
    EXPECT_EQ(pixel_at(picture, 300, 149), WHITE);
    EXPECT_EQ(pixel_at(picture, 300, 251), WHITE);
    // Barb from T to (S.x + 2, S.y + 92).
    EXPECT_EQ(pixel_at(picture, 302, 242), GREEN);
    EXPECT_EQ(pixel_at(picture, 303, 242), WHITE);
    EXPECT_EQ(pixel_at(picture, 298, 242), WHITE) << "one barb only";
    TextFootprint label = text_footprint(305, 250, "-1000", BLACK, WHITE);
    ASSERT_FALSE(label.xs.empty());
    EXPECT_EQ(text_mismatches(picture, label), 0);

    // Without "Applied Load" the arrow stays and the label goes.
    View.show_load_values = 0;
    redraw_view();
    EXPECT_EQ(pixel_at(picture, 300, 200), GREEN);
    EXPECT_GT(text_mismatches(picture, label), 0);
}

TEST_F(RenderTest, EachLoadComponentGetsItsOwnArrow)
{
    place_nodes({{300.0f, 300.0f}});
    TrussModel.node_loads[2][1] = 50.0f;   // x: red, to the right
    TrussModel.node_loads[3][1] = 100.0f;  // y: green, up
    TrussModel.load_scale = 1.0f;
    redraw_view();
    EXPECT_EQ(pixel_at(canvas(), 340, 300), RED);
    EXPECT_EQ(pixel_at(canvas(), 350, 300), RED);
    EXPECT_EQ(pixel_at(canvas(), 351, 300), WHITE);
    EXPECT_EQ(pixel_at(canvas(), 300, 220), GREEN);
    EXPECT_EQ(pixel_at(canvas(), 300, 200), GREEN);
    EXPECT_EQ(pixel_at(canvas(), 300, 199), WHITE);
}

TEST_F(RenderTest, RestraintCirclesAndExclusiveOrDisc)
{
    place_nodes({{400.0f, 300.0f}});
    TrussModel.node_fixity[1][1] = 1;
    TrussModel.node_fixity[2][1] = 1;
    TrussModel.node_fixity[3][1] = 1;
    redraw_view();
    const Picture& picture = canvas();
    EXPECT_EQ(pixel_at(picture, 407, 300), RED);
    EXPECT_EQ(pixel_at(picture, 393, 300), RED);
    EXPECT_EQ(pixel_at(picture, 400, 293), RED);
    EXPECT_EQ(pixel_at(picture, 405, 300), GREEN);
    EXPECT_EQ(pixel_at(picture, 400, 305), GREEN);
    EXPECT_EQ(pixel_at(picture, 406, 300), WHITE) << "outlines only";
    // White XOR blue is yellow across the disc of radius 3.
    for (int x = 397; x <= 403; ++x)
        EXPECT_EQ(pixel_at(picture, x, 300), YELLOW) << x;
    EXPECT_EQ(pixel_at(picture, 404, 300), WHITE);
    // Codes other than 1 draw nothing.
    TrussModel.node_fixity[1][1] = 2;
    TrussModel.node_fixity[2][1] = -1;
    TrussModel.node_fixity[3][1] = 0;
    redraw_view();
    EXPECT_EQ(pixel_at(picture, 407, 300), WHITE);
    EXPECT_EQ(pixel_at(picture, 400, 300), WHITE);
}

TEST_F(RenderTest, ElementAndItsNumberLabel)
{
    place_nodes({{100.0f, 200.0f}, {300.0f, 200.0f}});
    add_element(1, 1, 2);
    View.show_element_numbers = 1;
    redraw_view();
    EXPECT_EQ(pixel_at(canvas(), 100, 200), BLACK);
    EXPECT_EQ(pixel_at(canvas(), 300, 200), BLACK);
    EXPECT_EQ(pixel_at(canvas(), 301, 200), WHITE);
    TextFootprint label = text_footprint(193, 193, "[1]", BLACK, WHITE);
    ASSERT_FALSE(label.xs.empty());
    EXPECT_EQ(text_mismatches(canvas(), label), 0);
}

TEST_F(RenderTest, MembersReachingFarOffTheCanvasKeepTheirSlope)
{
    // One end on the canvas, the other far beyond it (past the raster's old +-65000 clamp, and past
    // the +-1e6 of to_pixel): every drawn pixel lies on the true line, all the way to the edge.
    struct Case {
        float x1, y1, dx, dy;
    } cases[] = {
        {100.0f, 100.0f, 400000.0f, 300000.0f},
        {100.0f, 100.0f, 4.0e6f, 3.0e6f},
        {600.0f, 50.0f, -3.0e7f, 4.0e7f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dx);
        place_nodes({{c.x1, c.y1}, {c.x1 + c.dx, c.y1 + c.dy}});
        add_element(1, 1, 2);
        redraw_view();
        const double dx = ViewState.node_screen[1][2] - c.x1, dy = ViewState.node_screen[2][2] - c.y1;
        int on_line = 0;
        for (int y = 4; y < 496; ++y) {
            for (int x = 4; x < 696; ++x) {
                if (pixel_at(canvas(), x, y) != BLACK)
                    continue;
                // Distance from the true line in pixels: rounding of the cut end points and the
                // line's own steps, never the tens of pixels of a bent line.
                double distance = std::fabs((x - c.x1) * dy - (y - c.y1) * dx) / std::hypot(dx, dy);
                ASSERT_LE(distance, 1.5) << x << "," << y;
                ++on_line;
            }
        }
        EXPECT_GT(on_line, 400);
    }
}

TEST_F(RenderTest, AxisTriadInPlanAndThreeDimensionalViews)
{
    apply_plan_view_preset();
    update_view_matrix();
    compute_axis_directions();
    redraw_view();
    const Picture& picture = canvas();
    EXPECT_EQ(pixel_at(picture, 60, 50), RED);
    EXPECT_EQ(pixel_at(picture, 72, 50), RED) << "circle round the end (70, 50)";
    EXPECT_EQ(pixel_at(picture, 50, 40), GREEN);
    EXPECT_EQ(pixel_at(picture, 50, 28), GREEN) << "circle round the end (50, 30)";
    EXPECT_EQ(pixel_at(picture, 50, 60), BLUE);
    EXPECT_EQ(pixel_at(picture, 50, 72), BLUE) << "circle round the end (50, 70)";

    apply_3d_view_preset();
    update_view_matrix();
    compute_axis_directions();
    redraw_view();
    EXPECT_EQ(pixel_at(picture, 71, 55), RED) << "circle round the end (69, 55)";
    EXPECT_EQ(pixel_at(picture, 50, 28), GREEN);
    EXPECT_EQ(pixel_at(picture, 34, 65), BLUE) << "circle round the end (36, 65)";
    EXPECT_EQ(pixel_at(picture, 50, 72), WHITE);

    // An axis seen end-on has no direction: no arm is drawn along it.
    View.elevation = 0.0f;
    update_view_matrix();
    compute_axis_directions();
    redraw_view();
    EXPECT_EQ(pixel_at(picture, 50, 40), WHITE);
    EXPECT_EQ(pixel_at(picture, 50, 28), WHITE);
}

TEST_F(RenderTest, DeflectedShapeOverElementsUnderTriad)
{
    place_nodes({{30.0f, 50.0f}, {200.0f, 50.0f}});
    add_element(1, 1, 2);
    View.deflection_scale = 1500.0f;
    View.show_deflected = 1;
    redraw_view();
    const Picture& picture = canvas();
    EXPECT_EQ(pixel_at(picture, 100, 50), MAGENTA) << "over the black element";
    EXPECT_EQ(pixel_at(picture, 40, 50), MAGENTA);
    EXPECT_EQ(pixel_at(picture, 60, 50), RED) << "the triad's x arm stays on top";
    EXPECT_EQ(pixel_at(picture, 28, 50), MAGENTA) << "circle at the first end node";
    EXPECT_EQ(pixel_at(picture, 202, 50), WHITE) << "no circle at the second end node";
    View.show_deflected = 0;
    redraw_view();
    EXPECT_EQ(pixel_at(picture, 100, 50), BLACK);
}

TEST_F(RenderTest, LargestDeflectionMovesItsNodeFifteenPixels)
{
    place_nodes({{400.0f, 250.0f}, {200.0f, 250.0f}});
    add_element(1, 1, 2);
    TrussModel.node_deflections[2][1] = 0.01f;
    TrussModel.node_deflections[3][2] = 0.004f;
    View.deflection_scale = 1500.0f;
    View.show_deflected = 1;
    redraw_view();
    EXPECT_FLOAT_EQ(ViewState.node_deflected_offset[1][1], 15.0f);
    EXPECT_FLOAT_EQ(ViewState.node_deflected_offset[2][2], -6.0f);
    const Picture& picture = canvas();
    EXPECT_EQ(pixel_at(picture, 417, 250), MAGENTA) << "circle round (415, 250)";
    EXPECT_EQ(pixel_at(picture, 200, 244), MAGENTA) << "second end at (200, 244)";
    EXPECT_EQ(pixel_at(picture, 300, 250), BLACK) << "the undeformed element stays";
}

TEST_F(RenderTest, WhatCannotBePlacedIsSkippedAndTheRestDrawn)
{
    place_nodes({{100.0f, 100.0f}, {NAN, 200.0f}, {300.0f, 300.0f}, {INFINITY, 5.0f}, {3e9f, -3e9f}});
    add_element(1, 1, 2);
    add_element(2, 1, 3);
    add_element(3, 3, 4);
    add_element(4, 3, 5);
    add_element(5, 1, 0);
    add_element(6, 99, 1);
    TrussModel.element_nodes[6][1] = 99;
    for (int i = 1; i <= 5; ++i) {
        TrussModel.node_loads[2][i] = i == 3 ? NAN : 10.0f;
        TrussModel.node_deflections[3][i] = i == 1 ? INFINITY : 0.01f;
        TrussModel.node_fixity[1][i] = 1;
    }
    TrussModel.load_scale = INFINITY;
    View.deflection_scale = 1500.0f;
    View.show_deflected = 1;
    View.show_load_values = 1;
    View.show_element_numbers = 1;
    redraw_view();
    // Element 2 from (100, 100) to (300, 300) is drawn; its deflected twin starts at a node with an
    // infinite deflection and is skipped. Element 4 runs towards the clamped far point.
    EXPECT_EQ(pixel_at(canvas(), 150, 150), BLACK);
    EXPECT_EQ(pixel_at(canvas(), 250, 250), BLACK);
    EXPECT_EQ(pixel_at(canvas(), 310, 290), BLACK);
}

// Nodes stacked on one pixel draw their marks once per node: two exclusive-or discs cancel, three
// leave one, also when other nodes come between them; stacks with every restraint and a load give
// the picture of a pass that draws every node's marks one by one (one that also records an SVG).
TEST_F(RenderTest, StackedNodesDrawTheirMarksOncePerNode)
{
    const struct {
        float x, y;
        int nodes;
        bool full;  // every restraint and a load, else the exclusive-or restraint alone
    } stacks[] = {{100, 100, 1, false}, {200, 100, 2, false}, {300, 100, 3, false}, {400, 100, 4, false},
                  {150, 300, 2, true},  {300, 300, 3, true},  {450, 300, 4, true}};
    std::vector<std::pair<float, float>> points;
    std::vector<bool> full;
    for (const auto& s : stacks) {
        for (int n = 0; n < s.nodes; ++n) {
            points.push_back({s.x + 0.01f * static_cast<float>(n), s.y - 0.01f * static_cast<float>(n)});
            full.push_back(s.full);
        }
    }
    // Two nodes on one pixel with others between them.
    points.insert(points.end(), {{550, 100}, {550, 200}, {550, 100}});
    full.insert(full.end(), {false, false, false});
    place_nodes(points);
    for (std::size_t n = 0; n < points.size(); ++n) {
        const int i = static_cast<int>(n) + 1;
        TrussModel.node_fixity[1][i] = 1;
        TrussModel.node_fixity[2][i] = full[n] ? 1 : 0;
        TrussModel.node_fixity[3][i] = full[n] ? 1 : 0;
        TrussModel.node_loads[2][i] = full[n] ? 50.0f : 0.0f;
        TrussModel.node_loads[3][i] = full[n] ? -30.0f : 0.0f;
    }
    TrussModel.load_scale = 1.0f;
    redraw_view();
    const Picture alone = canvas();
    for (const auto& s : stacks) {
        if (!s.full) {
            EXPECT_EQ(pixel_at(alone, static_cast<int>(s.x), 100), s.nodes % 2 == 1 ? YELLOW : WHITE) << s.nodes;
        }
    }
    EXPECT_EQ(pixel_at(alone, 550, 100), WHITE);
    EXPECT_EQ(pixel_at(alone, 550, 200), YELLOW);

    SvgRecorder recorder;
    svg_recorder_start(recorder, 700, 500);
    draw_record_svg(&recorder, &canvas());
    redraw_view();
    draw_record_svg(nullptr, nullptr);
    EXPECT_EQ(canvas().bits, alone.bits);
}

// Unmarked nodes between nodes of equal marks on one pixel (two or three of them, with and without
// the exclusive-or ring) leave the picture of a pass that draws every node's marks one by one.
TEST_F(RenderTest, UnmarkedNodesBetweenStackedNodesChangeNothing)
{
    std::vector<std::pair<float, float>> points;  // odd nodes marked, each followed by an unmarked one
    for (int s = 0; s < 4; ++s) {
        const float x = 120.0f + 140.0f * static_cast<float>(s);
        for (int n = 0; n < 2 + s % 2; ++n)
            points.insert(points.end(), {{x, 200.0f}, {x, 350.0f - 20.0f * static_cast<float>(n)}});
    }
    place_nodes(points);
    for (int i = 1; i <= static_cast<int>(points.size()); ++i) {
        const int marked = i % 2;
        TrussModel.node_fixity[1][i] = marked != 0 && points[i - 1].first > 300.0f ? 1 : 0;  // stacks 2 and 3
        TrussModel.node_fixity[2][i] = TrussModel.node_fixity[3][i] = marked;
        TrussModel.node_loads[2][i] = 40.0f * static_cast<float>(marked);
    }
    TrussModel.load_scale = 1.0f;
    Picture drawn[2];  // in runs; one by one, as a pass that also records an SVG draws
    SvgRecorder recorder;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            svg_recorder_start(recorder, 700, 500);
            draw_record_svg(&recorder, &canvas());
        }
        redraw_view();
        drawn[pass] = canvas();
    }
    draw_record_svg(nullptr, nullptr);
    EXPECT_EQ(drawn[0].bits, drawn[1].bits);
    EXPECT_NE(pixel_at(drawn[0], 120, 193), WHITE) << "the red ring";
}

// The view transform: worked projections, axis directions, fitting and the view commands.
#include <array>
#include <cmath>

#include "app/ui/window_state.h"
#include "app_fixture.h"

class ViewTest : public AppTest {
protected:
    // Nodes given as (x, y, z) file coordinates, stored as components (2, 3, 1) and centred as the
    // reader does.
    void set_nodes(const std::vector<std::array<float, 3>>& nodes)
    {
        std::vector<std::string> lines = {"t", std::to_string(nodes.size()) + " 0"};
        for (std::size_t n = 0; n < nodes.size(); ++n) {
            char line[160];
            std::snprintf(line, sizeof line, "%zu 0 0 0 %.9g %.9g %.9g 0 0 0", n + 1, nodes[n][0], nodes[n][1],
                          nodes[n][2]);
            lines.push_back(line);
        }
        load_lines(lines);
    }
};

TEST_F(ViewTest, PiIsTheFloat32Value)
{
    EXPECT_EQ(pi_value, 3.1415927410125732f);
}

TEST_F(ViewTest, DefaultThreeDimensionalViewAtScaleTwo)
{
    apply_3d_view_preset();
    update_view_matrix();
    View.scale = 2.0f;
    struct Case {
        float x, y, z;
        int canvas_x, canvas_y;
    } cases[] = {{10, 0, 0, 368, 254}, {0, 10, 0, 350, 233}, {0, 0, 10, 342, 259}, {0, 0, 0, 350, 250}};
    for (const Case& c : cases) {
        TrussModel.node_count = 1;
        TrussModel.node_coords[2][1] = c.x;
        TrussModel.node_coords[3][1] = c.y;
        TrussModel.node_coords[1][1] = c.z;
        project_all_nodes();
        EXPECT_EQ(std::lrint(ViewState.node_screen[1][1]), c.canvas_x) << c.x << "," << c.y << "," << c.z;
        EXPECT_EQ(std::lrint(ViewState.node_screen[2][1]), c.canvas_y) << c.x << "," << c.y << "," << c.z;
    }
    compute_axis_directions();
    EXPECT_NEAR(ViewState.axis_direction[1][0], -0.682f, 0.001f);
    EXPECT_NEAR(ViewState.axis_direction[1][1], 0.731f, 0.001f);
    EXPECT_NEAR(ViewState.axis_direction[2][0], 0.974f, 0.001f);
    EXPECT_NEAR(ViewState.axis_direction[2][1], 0.227f, 0.001f);
    EXPECT_EQ(ViewState.axis_direction[3][0], 0.0f);
    EXPECT_EQ(ViewState.axis_direction[3][1], -1.0f);
}

TEST_F(ViewTest, PlanViewAxesAndTinyThirdComponent)
{
    apply_plan_view_preset();
    update_view_matrix();
    // cos(-90 degrees) with the float32 pi is about -4.37e-8, not 0.
    EXPECT_NEAR(ViewState.v_p1, 4.37e-8f, 0.01e-8f);
    compute_axis_directions();
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(ViewState.axis_defined[k], 1);
    EXPECT_EQ(ViewState.axis_direction[1][0], 0.0f);
    EXPECT_EQ(ViewState.axis_direction[1][1], 1.0f);
    EXPECT_EQ(ViewState.axis_direction[2][0], 1.0f);
    EXPECT_EQ(ViewState.axis_direction[2][1], 0.0f);
    EXPECT_EQ(ViewState.axis_direction[3][0], 0.0f);
    EXPECT_EQ(ViewState.axis_direction[3][1], -1.0f);
}

TEST_F(ViewTest, AxisSeenEndOnHasNoDirection)
{
    View.azimuth = 25.0f;
    View.elevation = 240.0f;
    for (int step = 0; step < 48; ++step)
        View.elevation -= 5.0f;  // exactly 0
    update_view_matrix();
    compute_axis_directions();
    EXPECT_EQ(ViewState.axis_defined[3], 0);
    EXPECT_EQ(ViewState.axis_defined[1], 1);
    EXPECT_EQ(ViewState.axis_defined[2], 1);
    View.azimuth = NAN;
    update_view_matrix();
    compute_axis_directions();
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(ViewState.axis_defined[k], 0);
}

TEST_F(ViewTest, SquareModelFitsItsHeight)
{
    for (float side : {1.0f, 10.0f, 250.0f}) {
        set_nodes({{0, 0, 0}, {side, 0, 0}, {side, side, 0}, {0, side, 0}});
        show_fitted();
        EXPECT_NEAR(View.scale, 300.0f / side, 300.0f / side * 1e-5f) << side;
    }
}

TEST_F(ViewTest, PlanarModelIsCentredXRightYUpAndFillsSixtyPercent)
{
    // A wide model: 20 across, 5 up; the width limits, so it spans 420 of 700 pixels.
    set_nodes({{0, 0, 0}, {20, 0, 0}, {20, 5, 0}, {8, 2, 0}});
    show_fitted();
    const float* x = ViewState.node_screen[1].data();
    const float* y = ViewState.node_screen[2].data();
    EXPECT_NEAR((x[1] + x[2]) / 2, 350.0f, 0.01f);
    EXPECT_NEAR((y[2] + y[3]) / 2, 250.0f, 0.01f);
    EXPECT_NEAR(x[2] - x[1], 420.0f, 0.01f);
    EXPECT_LT(y[3], y[2]) << "y points up the canvas";
    // A tall one: 5 across, 20 up; the height limits, 300 of 500 pixels.
    set_nodes({{0, 0, 0}, {5, 0, 0}, {0, 20, 0}});
    show_fitted();
    EXPECT_NEAR(ViewState.node_screen[2][1] - ViewState.node_screen[2][3], 300.0f, 0.01f);
}

TEST_F(ViewTest, FitWithoutAFiniteScaleKeepsThePreviousOne)
{
    // One vertical line: zero width, fitted by its height.
    set_nodes({{0, 0, 0}, {0, 10, 0}});
    show_fitted();
    EXPECT_NEAR(View.scale, 30.0f, 1e-4f);
    struct Case {
        const char* name;
        std::vector<std::array<float, 3>> nodes;
    } cases[] = {
        {"single node", {{3, 4, 0}}},
        {"one point twice", {{3, 4, 0}, {3, 4, 0}}},
    };
    for (const Case& c : cases) {
        set_nodes(c.nodes);
        View.scale = 12.5f;
        show_fitted();
        EXPECT_EQ(View.scale, 12.5f) << c.name;
    }
    TrussModel.node_count = 0;
    View.scale = 7.0f;
    ViewState.fit_u_min = ViewState.fit_u_max = ViewState.fit_v_min = ViewState.fit_v_max = 0.0f;
    fit_view();
    EXPECT_EQ(View.scale, 7.0f) << "no nodes";
}

TEST_F(ViewTest, ModelsOfAnyExtentAreFittedAlike)
{
    // The same wide and spatial models scaled by 1e-30 ... 1e30 land on the same pixels (within a
    // quarter pixel: the extent offset shifts a model of a thousandth of its size or more).
    const std::vector<std::array<float, 3>> shapes[] = {
        {{0, 0, 0}, {20, 0, 0}, {20, 5, 0}, {8, 2, 0}},
        {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}, {4, 3, 7}},
    };
    for (const auto& shape : shapes) {
        set_nodes(shape);
        show_fitted();
        const std::vector<float> x = ViewState.node_screen[1], y = ViewState.node_screen[2];
        for (float factor : {1e-30f, 1e-9f, 1e-3f, 1e9f, 1e30f}) {
            std::vector<std::array<float, 3>> scaled = shape;
            for (auto& node : scaled)
                for (float& c : node)
                    c *= factor;
            set_nodes(scaled);
            show_fitted();
            for (std::size_t i = 1; i <= shape.size(); ++i) {
                EXPECT_NEAR(ViewState.node_screen[1][i], x[i], 0.25f) << factor << " node " << i;
                EXPECT_NEAR(ViewState.node_screen[2][i], y[i], 0.25f) << factor << " node " << i;
            }
        }
    }
}

TEST_F(ViewTest, NodesThatCannotBePlacedTakeNoPartInTheFit)
{
    set_nodes({{0, 0, 0}, {0, 10, 0}, {5, 5, 0}, {10, 10, 0}});
    TrussModel.node_coords[2][1] = NAN;
    TrussModel.node_coords[3][2] = INFINITY;
    apply_plan_view_preset();
    refresh_projection(true);
    // Nodes 3 and 4 alone: 5 across and 5 up.
    EXPECT_NEAR(View.scale, 60.0f, 1e-3f);
    EXPECT_TRUE(std::isfinite(ViewState.node_screen[1][3]));
}

TEST_F(ViewTest, RotationAndZoomCommands)
{
    set_nodes({{0, 0, 0}, {10, 0, 0}, {10, 10, 5}});
    show_fitted();
    float fitted = View.scale;
    // "+" subtracts and keeps the scale; "-" adds back and refits.
    rotate_view(false, -5.0f);
    refresh_projection(false);
    EXPECT_EQ(View.azimuth, 20.0f);
    EXPECT_EQ(View.scale, fitted);
    rotate_view(false, 5.0f);
    zoom_in();
    refresh_projection(true);
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.scale, fitted);
    rotate_view(true, -5.0f);
    EXPECT_EQ(View.elevation, 235.0f);
    EXPECT_EQ(View.azimuth, 25.0f);

    View.scale = 9999.0f;
    EXPECT_TRUE(zoom_in());
    EXPECT_FLOAT_EQ(View.scale, 10998.9f);
    EXPECT_FALSE(zoom_in());
    EXPECT_FLOAT_EQ(View.scale, 10998.9f);
    View.scale = 0.0f;
    EXPECT_FALSE(zoom_out());
    View.scale = 10.0f;
    EXPECT_TRUE(zoom_out());
    EXPECT_FLOAT_EQ(View.scale, 9.0f);
}

TEST_F(ViewTest, LoadResetRestoresTheViewDefaults)
{
    View.azimuth = 3;
    View.scale = 4;
    View.rotation_step = 9;
    ViewState.animation_phase = 6;
    View.show_load_values = 1;
    TrussModel.deflection_factor = 2;
    reset_for_load();
    EXPECT_EQ(View.azimuth, 25.0f);
    EXPECT_EQ(View.elevation, 240.0f);
    EXPECT_EQ(View.scale, 0.0f);
    EXPECT_EQ(View.rotation_step, 5.0f);
    EXPECT_EQ(ViewState.animation_phase, 0.0f);
    EXPECT_EQ(View.show_load_values, 0);
    EXPECT_EQ(TrussModel.deflection_factor, 0.6f);
    EXPECT_EQ(redraw_pending, 1);
    EXPECT_EQ(planar_model, 1);
}

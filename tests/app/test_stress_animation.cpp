// The element result table (rows, columns, the pause after row 29, further columns and the count of
// what does not fit) and the deflection animation.
#include <cmath>
#include <set>
#include <utility>

#include "app/ui/canvas_view.h"
#include "app/ui/window_state.h"
#include "app_fixture.h"

namespace {

const int TABLE_TEXT = draw_rgb(155, 0, 160);
const int ANIMATION_GREEN = draw_rgb(0, 180, 120);

// A model without nodes and with `elements` result texts "S<n> F<n>".
void table_model(int elements)
{
    TrussModel.node_count = 0;
    size_element_records(elements);
    TrussModel.element_count = elements;
    for (int n = 1; n <= elements; ++n)
        TrussModel.element_result_text.set(n, 'S' + std::to_string(n) + "   F" + std::to_string(n));
}

}  // namespace

class StressListTest : public AppTest {};

TEST_F(StressListTest, RowsAndTheirBrackets)
{
    table_model(10);
    redraw_view();
    draw_stress_list();
    struct Row {
        int x, y;
        std::string text;
        int colour;
    } rows[] = {
        {65, 60, "Stress          Force", BLUE},
        {10, 75, "[  1] S1   F1", TABLE_TEXT},
        {10, 195, "[  9] S9   F9", TABLE_TEXT},
        {10, 210, "[10] S10   F10", TABLE_TEXT},
    };
    for (const Row& row : rows) {
        TextFootprint expected = text_footprint(row.x, row.y, row.text, row.colour, WHITE);
        ASSERT_FALSE(expected.xs.empty());
        EXPECT_EQ(text_mismatches(canvas(), expected), 0) << row.text;
    }
    TextFootprint wrong = text_footprint(10, 195, "[ 9] S9   F9", TABLE_TEXT, WHITE);
    EXPECT_GT(text_mismatches(canvas(), wrong), 0);
    EXPECT_TRUE(headless_delays().empty());
}

TEST_F(StressListTest, PauseFollowsRowTwentyNineOnly)
{
    struct Case {
        int elements;
        std::size_t pauses;
    } cases[] = {{0, 0}, {28, 0}, {29, 1}, {30, 1}, {50, 1}};
    for (const Case& c : cases) {
        headless_reset_log();
        table_model(c.elements);
        draw_stress_list();
        ASSERT_EQ(headless_delays().size(), c.pauses) << c.elements;
        if (c.pauses > 0) {
            EXPECT_EQ(headless_delays()[0], 2000);
        }
    }
    // Row 29 at y = 495; row 30 opens the second column at (200, 70), row 50 at (200, 370).
    table_model(50);
    redraw_view();
    headless_reset_log();
    headless_record_frames(true);
    draw_stress_list();
    headless_record_frames(false);
    TextFootprint row29 = text_footprint(10, 495, "[29] S29   F29", TABLE_TEXT, WHITE);
    TextFootprint row30 = text_footprint(200, 70, "[30] S30   F30", TABLE_TEXT, WHITE);
    TextFootprint row50 = text_footprint(200, 370, "[50] S50   F50", TABLE_TEXT, WHITE);
    EXPECT_EQ(text_mismatches(canvas(), row29), 0);
    EXPECT_EQ(text_mismatches(canvas(), row30), 0);
    EXPECT_EQ(text_mismatches(canvas(), row50), 0);
    // The first column is on screen during the pause, the second only after it.
    ASSERT_EQ(headless_frames().size(), 2u);
    EXPECT_EQ(text_mismatches(headless_frames()[0], row29), 0);
    EXPECT_GT(text_mismatches(headless_frames()[0], row30), 0);
}

TEST_F(StressListTest, LongTablesTakeFurtherColumnsThenCountWhatIsLeft)
{
    // 58 rows fill two columns with one pause, as always; row 59 opens a third column 190 px to the
    // right of the second, after a second pause.
    struct Case {
        int elements;
        std::size_t pauses;
    } cases[] = {{58, 1}, {59, 2}, {87, 2}, {88, 2}, {100000, 2}};
    for (const Case& c : cases) {
        headless_reset_log();
        table_model(c.elements);
        draw_stress_list();
        EXPECT_EQ(headless_delays(), std::vector<int>(c.pauses, 2000)) << c.elements;
    }
    table_model(59);
    redraw_view();
    draw_stress_list();
    EXPECT_EQ(text_mismatches(canvas(), text_footprint(390, 70, "[59] S59   F59", TABLE_TEXT, WHITE)), 0);

    // 87 rows just fit three columns; with one more the last row counts the two not shown. A
    // fourth column (at x = 580) would not fit on the canvas.
    table_model(87);
    redraw_view();
    draw_stress_list();
    EXPECT_EQ(text_mismatches(canvas(), text_footprint(390, 490, "[87] S87   F87", TABLE_TEXT, WHITE)), 0);
    table_model(100000);
    redraw_view();
    draw_stress_list();
    EXPECT_EQ(text_mismatches(canvas(), text_footprint(390, 475, "[86] S86   F86", TABLE_TEXT, WHITE)), 0);
    TextFootprint more = text_footprint(390, 490, "... 99914 more members not listed", TABLE_TEXT, WHITE);
    EXPECT_EQ(text_mismatches(canvas(), more), 0);
    for (int y = 60; y < 485; ++y)
        for (int x = 580; x < 690; ++x)
            ASSERT_EQ(pixel_at(canvas(), x, y), WHITE) << x << "," << y;
}

class AnimationTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        apply_plan_view_preset();
        update_view_matrix();
        compute_axis_directions();
        TrussModel.node_count = 3;
        float points[4][2] = {{0, 0}, {150, 300}, {450, 300}, {300, 120}};
        for (int i = 1; i <= 3; ++i) {
            ViewState.node_screen[1][i] = points[i][0];
            ViewState.node_screen[2][i] = points[i][1];
        }
        TrussModel.element_count = 3;
        int ends[4][2] = {{0, 0}, {1, 2}, {2, 3}, {3, 1}};
        for (int e = 1; e <= 3; ++e) {
            TrussModel.element_nodes[e][1] = static_cast<std::int8_t>(ends[e][0]);
            TrussModel.element_nodes[e][2] = static_cast<std::int8_t>(ends[e][1]);
        }
        TrussModel.node_deflections[2][2] = 0.01f;
        TrussModel.node_deflections[3][2] = -0.0033f;
        TrussModel.node_deflections[3][3] = -0.007f;
        View.deflection_scale = 1500.0f;
    }
};

TEST_F(AnimationTest, SixFramesAndTheLastMatchesTheDeflectedShape)
{
    View.show_deflected = 1;
    redraw_view();
    Picture deflected = canvas();
    View.show_deflected = 0;
    headless_reset_log();
    headless_record_frames(true);
    animate_deflection();
    headless_record_frames(false);
    EXPECT_EQ(ViewState.animation_phase, 6.0f);
    ASSERT_EQ(headless_delays(), std::vector<int>(6, 250));
    ASSERT_EQ(headless_frames().size(), 12u) << "each frame: the plain picture, then the animated one";
    const Picture& last = headless_frames()[11];

    // Every pixel of the magenta deflected lines is animated in the last frame; the animated
    // pixels beyond them are the filled insides of the circles at the first end nodes.
    std::set<std::pair<int, int>> circle_centres;
    for (int e = 1; e <= 3; ++e) {
        int a = TrussModel.element_nodes[e][1];
        circle_centres.insert(
            {static_cast<int>(std::nearbyint(ViewState.node_screen[1][a] + ViewState.node_deflected_offset[1][a])),
             static_cast<int>(std::nearbyint(ViewState.node_screen[2][a] + ViewState.node_deflected_offset[2][a]))});
    }
    auto near_circle = [&](int x, int y) {
        for (const auto& [cx, cy] : circle_centres)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= 4)
                return true;
        return false;
    };
    int magenta = 0;
    for (int y = 0; y < 500; ++y) {
        for (int x = 0; x < 700; ++x) {
            bool was_deflected = pixel_at(deflected, x, y) == MAGENTA;
            int now = pixel_at(last, x, y);
            bool animated = now == ANIMATION_GREEN || now == MAGENTA;
            if (was_deflected)
                ++magenta;
            if (was_deflected) {
                ASSERT_TRUE(animated) << x << "," << y;
            } else if (animated) {
                ASSERT_TRUE(near_circle(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(magenta, 300);
    // Filled circles at nodes 2 and 3 (node 1's centre is where element 3's line ends later).
    for (int i = 2; i <= 3; ++i) {
        int cx = static_cast<int>(std::nearbyint(ViewState.node_screen[1][i] + ViewState.node_deflected_offset[1][i]));
        int cy = static_cast<int>(std::nearbyint(ViewState.node_screen[2][i] + ViewState.node_deflected_offset[2][i]));
        EXPECT_EQ(pixel_at(last, cx, cy), MAGENTA) << i;
        EXPECT_EQ(pixel_at(deflected, cx, cy), MAGENTA) << i;
    }
}

TEST_F(AnimationTest, WithoutADeflectedRedrawTheFramesLieOnTheElements)
{
    headless_record_frames(true);
    animate_deflection();
    headless_record_frames(false);
    ASSERT_EQ(headless_frames().size(), 12u);
    for (std::size_t f = 1; f < 12; f += 2) {
        const Picture& frame = headless_frames()[f];
        EXPECT_EQ(pixel_at(frame, 300, 300), ANIMATION_GREEN) << f;  // middle of element 1
        EXPECT_EQ(pixel_at(frame, 450, 300), MAGENTA) << f;          // filled circle at node 2
        EXPECT_EQ(pixel_at(headless_frames()[f - 1], 300, 300), BLACK) << f;
    }
}

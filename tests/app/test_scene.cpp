// The scene drawn from values: two models with their own settings side by side in one process,
// the one-pass animation frame and result table against the window's passes, the text-width
// query and the end-node check.
#include <string>
#include <vector>

#include "app/model/analysis.h"
#include "app/view/overlays.h"
#include "app/view/pen.h"
#include "app/view/scene.h"
#include "app/view/scene_pass.h"
#include "app/view/view.h"
#include "app_fixture.h"
#include "bench/warren_bridge.h"
#include "draw/svg.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

// A model of its own with its numbers, settings and projection.
struct SceneCase {
    TrussModelData model;
    ModelNumbers numbers;
    ViewSettings settings;
    Projection projection;
};

Picture render(SceneCase& c)
{
    Picture picture = blank_scene_picture(c.settings);
    EXPECT_TRUE(render_scene(c.model, c.numbers, c.settings, c.projection, draw_picture_output(&picture, nullptr)));
    return picture;
}

// The picture of a pass that also records an SVG (such a pass draws every shape).
Picture render_recording(SceneCase& c)
{
    Picture picture = blank_scene_picture(c.settings);
    SvgRecorder recorder;
    svg_recorder_start(recorder, picture.width, picture.height);
    draw_record_svg(&recorder, &picture);
    EXPECT_TRUE(render_scene(c.model, c.numbers, c.settings, c.projection, draw_picture_output(&picture, nullptr)));
    draw_record_svg(nullptr, nullptr);
    return picture;
}

// Pixels where a and b differ inside the frame (the outermost rows and columns are never drawn).
int inner_differences(const Picture& a, const Picture& b)
{
    int differ = 0;
    for (int y = 1; y < a.height - 1; ++y)
        for (int x = 1; x < a.width - 1; ++x)
            differ += pixel_at(a, x, y) != pixel_at(b, x, y) ? 1 : 0;
    return differ;
}

}  // namespace

class SceneTest : public AppTest {
protected:
    // The file read as the window reads it, then kept as a value with settings of its own.
    SceneCase read_case(const std::string& file, bool plan, void (*adjust)(ViewSettings&))
    {
        load(EXAMPLES + file);
        SceneCase c;
        c.model = TrussModel;
        c.numbers = compute_model_numbers(c.model, results_missing == 0);
        c.settings.azimuth = plan ? 0.0f : 25.0f;
        c.settings.elevation = plan ? -90.0f : 240.0f;
        c.settings.rotation_step = 5.0f;
        adjust(c.settings);
        refresh_projection(c.model, c.settings, c.projection, true);
        return c;
    }
    // The loaded model in plan with its deflected shape, in force colours or magenta, no legend.
    SceneCase deflected_plan(bool colours)
    {
        SceneCase c;
        c.model = TrussModel;
        c.numbers = compute_model_numbers(c.model, true);
        c.settings.azimuth = 0.0f;
        c.settings.elevation = -90.0f;
        c.settings.show_deflected = 1;
        c.settings.overlays.show_force_colours = colours;
        c.settings.overlays.show_legend = false;
        refresh_projection(c.model, c.settings, c.projection, true);
        return c;
    }
};

// Two files read into two models and drawn with two settings, interleaved, give each the picture
// of its own single render; and that picture is the one the window shows for the same view.
TEST_F(SceneTest, TwoModelsSideBySideDrawAsAlone)
{
    SceneCase bridge = read_case("bridge.res", true, [](ViewSettings& s) {
        s.show_deflected = 1;
        s.overlays.show_force_colours = true;
        s.overlays.show_reactions = true;
    });
    SceneCase tower = read_case("tower.res", false, [](ViewSettings& s) {
        s.show_element_numbers = 1;
        s.show_load_values = 1;
        s.overlays.show_node_numbers = true;
        s.overlays.highlight_member = 3;
    });
    SceneCase* cases[2] = {&bridge, &tower};

    // The tower is still the window's model: its first picture on the canvas is the value render.
    View = tower.settings;
    refresh_projection(true);
    redraw_view();
    const Picture alone[2] = {render(bridge), render(tower)};
    EXPECT_EQ(canvas().bits, alone[1].bits);
    EXPECT_GT(inner_differences(alone[0], alone[1]), 1000);

    // Interleaved: fresh projections made in turn, then each drawn twice, alternately.
    for (SceneCase* c : cases)
        c->projection = Projection{};
    for (SceneCase* c : cases)
        refresh_projection(c->model, c->settings, c->projection, true);
    for (int round = 0; round < 2; ++round) {
        for (int n = 0; n < 2; ++n) {
            const Picture picture = render(*cases[n]);
            EXPECT_EQ(picture.bits, alone[n].bits) << "case " << n << ", round " << round;
        }
    }
}

// The driver's one-pass frame and table are the window's passes: the same pixels over the same picture.
TEST_F(SceneTest, OnePassMatchesTheWindowsPasses)
{
    load(EXAMPLES + "roof.res");  // 800 members: several columns, then the count of those left out
    show_fitted();
    View.show_deflected = 1;
    redraw_view();  // the offsets the animation moves by
    View.show_deflected = 0;
    for (int frame = 0; frame <= ANIMATION_FRAME_COUNT; frame += 3) {
        redraw_view();
        const Picture before = canvas();  // the table's last row reaches the bottom row, which no picture clears
        Picture picture = before;
        if (frame == 0) {
            draw_stress_list();
            render_stress_table(TrussModel, View, draw_picture_output(&picture, nullptr));
        } else {
            draw_animation_frame(frame);
            render_animation_frame(TrussModel, model_numbers(), View, ViewState, frame,
                                   draw_picture_output(&picture, nullptr));
        }
        EXPECT_EQ(picture.bits, canvas().bits) << "frame " << frame;
        EXPECT_NE(picture.bits, before.bits) << "frame " << frame;
    }
}

// The window draws without the model's numbers when nothing needs them; node numbers of a large
// model are ranked by their deflections, so the window's picture must still be the value render.
TEST_F(SceneTest, WindowsNodeNumbersOfALargeModelAreTheValueRender)
{
    load(EXAMPLES + "roof.res");
    show_fitted();
    View.overlays.show_node_numbers = true;
    redraw_view();
    Picture picture = blank_scene_picture(View);
    ASSERT_TRUE(render_scene(TrussModel, model_numbers(), View, ViewState, draw_picture_output(&picture, nullptr)));
    EXPECT_EQ(picture.bits, canvas().bits);
}

// The width query is the advance draw_text reports, inside a pass or outside one.
TEST_F(SceneTest, TextWidthIsWhatDrawTextAdvances)
{
    const std::vector<std::string> texts = {"", "0", "[12] ", "compression", "max 1.234e-05"};
    Picture picture = blank_scene_picture(ViewSettings{});
    for (const std::string& text : texts) {
        const int outside = draw_text_width(text);
        ASSERT_NE(draw_begin(draw_picture_output(&picture, nullptr)), 0);
        EXPECT_EQ(draw_text_width(text), outside) << text;
        EXPECT_EQ(draw_text(100, 100, text, BLACK, WHITE) - 100, outside) << text;
        draw_end();
    }
    EXPECT_GT(draw_text_width("compression"), draw_text_width("0"));
}

TEST(MemberEnds, BothEndsWithinTheNodes)
{
    struct Case {
        int a, b;
        bool usable;  // with nodes 1..3
    };
    const Case cases[] = {{1, 3, true},  {3, 1, true},   {0, 2, false}, {2, 0, false},
                          {1, 4, false}, {-1, 2, false}, {2, 2, true}};
    TrussModelData model{};
    model.element_nodes.resize(2);
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        model.element_nodes[1] = {0, cases[n].a, cases[n].b};
        int a = -9, b = -9;
        EXPECT_EQ(member_ends(model, 1, 3, a, b), cases[n].usable) << cases[n].a << "-" << cases[n].b;
        EXPECT_EQ(a, cases[n].a);
        EXPECT_EQ(b, cases[n].b);
    }
}

// Four members, the first three in a row over the same pixels either way round, each with a force
// of its own; deflections and results in the solver's fixed columns.
const std::vector<std::string> ROW_FILE = {"ROW",
                                           "3 4",
                                           "1 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0",
                                           "2 0 0 0 10.0 0.0 0.0 0.0 0.0 0.0",
                                           "3 0 0 0 5.0 4.0 0.0 0.0 0.0 0.0",
                                           "1 1 2",
                                           "2 2 1",
                                           "3 1 2",
                                           "4 2 3",
                                           "",
                                           "NODE X-DEFL Y-DEFL Z-DEFL",
                                           "1   1.0000E-04  -2.0000E-04  0.0000E+00",
                                           "2   1.0000E-04  -2.0000E-04  0.0000E+00",
                                           "3   1.0000E-04  -2.0000E-04  0.0000E+00",
                                           "",
                                           "ELEMENT STRESS FORCE",
                                           "1      1.000E+00       1.000E+02",
                                           "2     -1.000E+00      -1.000E+02",
                                           "3     -2.000E+00      -5.000E+01",
                                           "4      1.000E+00       8.000E+01"};

// Members in a row over the same pixels, either way round, show the last one's force colour, as a
// pass that draws every member (one that also records an SVG) shows them.
TEST_F(SceneTest, MembersInARowOverTheSamePixelsShowTheLast)
{
    const std::string file = write_file("row.res", ROW_FILE);
    load(file);
    ASSERT_EQ(results_missing, 0);
    SceneCase c;
    c.model = TrussModel;
    c.numbers = compute_model_numbers(c.model, results_missing == 0);
    c.settings.azimuth = 0.0f;
    c.settings.elevation = -90.0f;
    c.settings.overlays.show_force_colours = true;
    c.settings.overlays.show_legend = false;
    refresh_projection(c.model, c.settings, c.projection, true);
    const Picture alone = render(c);
    // Member 3 (half the largest compression) is drawn last over members 1 and 2.
    int mx, my;
    ASSERT_TRUE(to_pixels((c.projection.node_screen[1][1] + c.projection.node_screen[1][2]) / 2.0f,
                          c.projection.node_screen[2][1], mx, my));
    EXPECT_EQ(pixel_at(alone, mx, my),
              overlay_member_colour(ScenePass(c.model, c.numbers, c.settings, c.projection), 3));
    EXPECT_NE(overlay_member_colour(ScenePass(c.model, c.numbers, c.settings, c.projection), 3),
              overlay_member_colour(ScenePass(c.model, c.numbers, c.settings, c.projection), 2));
    EXPECT_EQ(render_recording(c).bits, alone.bits);
}

// Rings of the deflected shape on one centre in different force colours, a member drawn between
// them: the picture is the one of a pass that draws every ring (one that also records an SVG).
TEST_F(SceneTest, DeflectedRingsOnOneCentreShowAsEveryRingDrawn)
{
    const std::string file = write_file(
        "rings.res",
        {"RINGS", "3 3", "1 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 0 0 10.0 0.0 0.0 0.0 0.0 0.0",
         "3 0 0 0 5.0 4.0 0.0 0.0 0.0 0.0", "1 1 2", "2 3 1", "3 1 3", "", "NODE X-DEFL Y-DEFL Z-DEFL",
         "1   0.0000E+00   0.0000E+00  0.0000E+00", "2   1.0000E-01  -2.0000E-01  0.0000E+00",
         "3   2.0000E-01   1.0000E-01  0.0000E+00", "", "ELEMENT STRESS FORCE", "1      1.000E+00       1.000E+02",
         "2     -1.000E+00      -1.000E+02", "3     -2.000E+00      -5.000E+01"});
    load(file);
    SceneCase c = deflected_plan(true);
    const Picture alone = render(c);
    EXPECT_EQ(render_recording(c).bits, alone.bits);
}

// The deflected shape of the same row, in force colours and in magenta: each member's ring at its
// first end lies between its line and the next one over the same pixels; the ring of member 2
// stays in sight, and member 4 starts where member 3 does but goes elsewhere.
TEST_F(SceneTest, DeflectedMembersInARowShowAsEveryMemberDrawn)
{
    std::vector<std::string> lines = ROW_FILE;
    lines[8] = "4 1 3";
    const std::string file = write_file("row.res", lines);
    load(file);
    for (const bool colours : {true, false}) {
        SceneCase c = deflected_plan(colours);
        const Picture alone = render(c);
        EXPECT_EQ(render_recording(c).bits, alone.bits) << (colours ? "force colours" : "magenta");
    }
}

// A crowded bridge (many nodes, members, supports, load and reaction arrows on each pixel) with
// its deflected shape, force colours and reactions, whole and zoomed in: the picture is the one of
// a pass that draws every shape.
TEST_F(SceneTest, ACrowdedBridgeShowsAsEveryShapeDrawn)
{
    load(write_bytes("bridge.res", warren_bridge_results(4000)));
    ASSERT_EQ(results_missing, 0);
    SceneCase c = deflected_plan(true);
    c.settings.overlays.show_reactions = true;
    for (int zoom = 0; zoom < 2; ++zoom) {
        const Picture alone = render(c);
        EXPECT_EQ(inner_differences(render_recording(c), alone), 0) << "zoom " << zoom;
        for (int step = 0; step < 4; ++step)
            zoom_in(c.settings);
        refresh_projection(c.model, c.settings, c.projection, false);
    }
}

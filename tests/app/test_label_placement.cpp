// Label placement: the placer's order and its edges, the label filter's texts and choices, the
// note, and the labels the scene draws on a 10,080-member roof at several zooms (no two overlap,
// none covers a support marker, zooming in shows more); the context menu's choices, kept until reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/model/analysis.h"
#include "app/ui/commands.h"
#include "app/ui/context_menu.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/label_placement.h"
#include "app/view/pen.h"
#include "app/view/scene.h"
#include "app/view/scene_labels.h"
#include "draw/draw.h"
#include "gui/backend.h"
#include "gui/headless/headless.h"
#include "tools/results_writer.h"
#include "tools/truss_models.h"
#include "tools/truss_solver.h"

namespace {

const LabelBox FIELD = {0, 0, 200, 100};

LabelCandidate at(LabelBox box, LabelRank rank = LabelRank::Value, float share = 0.0f)
{
    return {box, static_cast<float>(box.x0), static_cast<float>(box.y0), rank, share};
}

// Another place of the candidate before it.
LabelCandidate other_place(LabelCandidate candidate, LabelBox box)
{
    candidate.box = box;
    candidate.alternative = true;
    return candidate;
}

TEST(LabelPlacer, KeepsByRankThenShareThenOrderAndRespectsEdges)
{
    const LabelBox obstacle = {100, 40, 120, 60};
    struct Case {
        const char* what;
        std::vector<LabelCandidate> candidates;
        int gap;
        std::vector<int> kept;  // in priority order
        int hidden;
    };
    const std::vector<Case> cases = {
        {"the earlier of equals", {at({10, 10, 40, 25}), at({30, 20, 60, 35})}, 0, {0}, 1},
        {"the larger share",
         {at({10, 10, 40, 25}, LabelRank::Value, 0.2f), at({30, 20, 60, 35}, LabelRank::Value, 0.9f)},
         0,
         {1},
         1},
        {"the selection over an extreme",
         {at({10, 10, 40, 25}, LabelRank::Extreme, 1.0f), at({30, 20, 60, 35}, LabelRank::Selection)},
         0,
         {1},
         1},
        {"touching edges do not overlap", {at({10, 10, 40, 25}), at({40, 25, 70, 40})}, 0, {0, 1}, 0},
        {"one shared pixel does", {at({10, 10, 40, 25}), at({39, 24, 70, 40})}, 0, {0}, 1},
        {"beside the obstacle", {at({80, 40, 100, 55})}, 0, {0}, 0},
        {"into the obstacle", {at({81, 40, 101, 55})}, 0, {}, 1},
        {"cut by the field's edge", {at({190, 10, 201, 25})}, 0, {}, 1},
        {"point off the field: not counted", {{{10, 10, 40, 25}, -1.0f, 5.0f, LabelRank::Value, 0.0f}}, 0, {}, 0},
        {"a gap of 3 keeps 3 pixels free",
         {at({10, 10, 40, 25}), at({43, 10, 70, 25}), at({10, 27, 40, 40})},
         3,
         {0, 1},
         1},
        {"the second place where the first is taken",
         {at({10, 10, 40, 25}), at({30, 20, 60, 35}), other_place(at({30, 20, 60, 35}), {60, 20, 90, 35})},
         0,
         {0, 2},
         0},
        {"every place taken: hidden once",
         {at({10, 10, 40, 25}), at({30, 20, 60, 35}), other_place(at({30, 20, 60, 35}), {35, 12, 65, 27})},
         0,
         {0},
         1},
        {"across many cells", {at({0, 0, 200, 15}), at({150, 14, 160, 30}), at({150, 15, 160, 30})}, 0, {0, 2}, 1},
    };
    LabelPlacer placer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LabelPlacement& placed = placer.place(c.candidates, std::vector<LabelBox>{obstacle}, FIELD, c.gap);
        EXPECT_EQ(placed.kept, c.kept);
        EXPECT_EQ(placed.hidden, c.hidden);
    }
    // A note over a kept label leaves it out too.
    const std::vector<LabelCandidate> two = {at({10, 80, 40, 95}), at({60, 80, 90, 95})};
    placer.place(two, {}, FIELD);
    EXPECT_EQ(placer.clear({0, 85, 50, 100}), 1);
    EXPECT_EQ(placer.placement().kept, std::vector<int>{1});
    EXPECT_EQ(placer.placement().hidden, 1);
    // On a field wider than 16 bits of pixels, a place found taken is not mistaken for the one
    // 65,536 pixels to its right.
    const std::vector<LabelCandidate> far = {at({10, 10, 40, 25}), at({10, 10, 40, 25}), at({65546, 10, 65576, 25})};
    placer.place(far, {}, {0, 0, 70000, 30});
    EXPECT_EQ(placer.placement().kept, (std::vector<int>{0, 2}));
    EXPECT_EQ(placer.placement().hidden, 1);
}

TEST(LabelFilter, TextsAndChoices)
{
    struct Text {
        const char* text;
        bool valid;
        const char* normal;  // the text of what was read
    };
    for (const Text& t : std::vector<Text>{{"all", true, "all"},
                                           {"top10", true, "top10"},
                                           {"top100", true, "top100"},
                                           {"top1", true, "top1"},
                                           {"above:2.5", true, "above:2.5"},
                                           {"above:0", true, "above:0"},
                                           {"above:-0", true, "above:0"},
                                           {"above:1e3", true, "above:1000"},
                                           {"top0", false, ""},
                                           {"top", false, ""},
                                           {"top10x", false, ""},
                                           {"top-3", false, ""},
                                           {"above:", false, ""},
                                           {"above:-1", false, ""},
                                           {"above:nan", false, ""},
                                           {"above:inf", false, ""},
                                           {"All", false, ""},
                                           {"", false, ""}}) {
        SCOPED_TRACE(t.text);
        const std::optional<LabelFilter> filter = parse_label_filter(t.text);
        ASSERT_EQ(filter.has_value(), t.valid);
        if (filter) {
            EXPECT_EQ(label_filter_text(*filter), t.normal);
        }
    }

    // Magnitudes 3, 7, NaN (as 0), 7, 1: equal ones go to the earlier.
    const std::vector<double> values = {3.0, -7.0, std::nan(""), 7.0, 1.0};
    struct Choice {
        const char* filter;
        std::vector<char> passes;
    };
    for (const Choice& c : std::vector<Choice>{{"all", {1, 1, 1, 1, 1}},
                                               {"top1", {0, 1, 0, 0, 0}},
                                               {"top2", {0, 1, 0, 1, 0}},
                                               {"top3", {1, 1, 0, 1, 0}},
                                               {"top10", {1, 1, 1, 1, 1}},
                                               {"above:3", {0, 1, 0, 1, 0}},
                                               {"above:7", {0, 0, 0, 0, 0}},
                                               {"above:0", {1, 1, 0, 1, 1}}}) {
        SCOPED_TRACE(c.filter);
        std::vector<char> passes;
        label_filter_pass(*parse_label_filter(c.filter), values, passes);
        EXPECT_EQ(passes, c.passes);
    }
}

TEST(LabelNote, CountsWithThousandsSeparators)
{
    EXPECT_EQ(hidden_labels_note(1), "1 label hidden: zoom in");
    EXPECT_EQ(hidden_labels_note(999), "999 labels hidden: zoom in");
    EXPECT_EQ(hidden_labels_note(1204), "1,204 labels hidden: zoom in");
    EXPECT_EQ(hidden_labels_note(1234567), "1,234,567 labels hidden: zoom in");
}

// The roof of 35 x 36 bays (10,080 members) made and solved by the project's own tools.
std::string roof_file()
{
    RoofParameters roof;
    roof.nx = 35;
    roof.ny = 36;
    std::string error;
    std::istringstream description(generate_roof(roof, error));
    TrussInput truss;
    TrussSolution solution;
    std::ostringstream results;
    EXPECT_TRUE(read_truss(description, truss, error) && solve_truss(truss, solution, error) &&
                write_results(results, truss, &solution, error))
        << error;
    const std::string path = testing::TempDir() + "kelvaro_label_roof.res";
    std::ofstream(path) << results.str();
    return path;
}

TEST(SceneLabels, NoTwoOverlapOnTheLargeRoofAtAnyZoom)
{
    TrussModelData model;
    ReadOutcome outcome;
    ASSERT_EQ(render_read_results(roof_file(), model, outcome), "");
    ASSERT_EQ(model.element_count, 10080);
    const ModelNumbers numbers = compute_model_numbers(model, true);
    ViewSettings settings;
    apply_view_preset(settings, true);
    settings.canvas = canvas_of_size(1600, 1000);
    settings.show_element_numbers = 1;
    settings.show_load_values = 1;
    settings.show_deflected = 1;
    settings.deflection_scale = 0.0f;
    settings.overlays.show_node_numbers = true;
    settings.overlays.show_reactions = true;
    settings.overlays.show_max_deflection = true;
    settings.overlays.show_free_body = true;
    settings.overlays.show_force_colours = true;
    settings.overlays.highlight_node = 700;
    Projection projection;
    refresh_projection(model, settings, projection, true);
    std::vector<double> shown;  // the share of the labels in view that are drawn, by zoom
    for (int zoom = 0; zoom <= 6; zoom += 2) {
        SCOPED_TRACE(zoom);
        Picture picture = blank_scene_picture(settings);
        ASSERT_TRUE(render_scene(model, numbers, settings, projection, draw_picture_output(&picture, nullptr)));
        std::vector<LabelBox> boxes(scene_label_boxes().begin(), scene_label_boxes().end());
        ASSERT_GT(boxes.size(), 100u);
        std::sort(boxes.begin(), boxes.end(), [](const LabelBox& a, const LabelBox& b) { return a.x0 < b.x0; });
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size() && boxes[j].x0 < boxes[i].x1; ++j)
                ASSERT_FALSE(boxes_overlap(boxes[i], boxes[j]))
                    << boxes[i].x0 << "," << boxes[i].y0 << " and " << boxes[j].x0 << "," << boxes[j].y0;
        for (int i = 1; i <= model.node_count; ++i) {
            if (model.node_fixity[1][i] != 1 && model.node_fixity[2][i] != 1 && model.node_fixity[3][i] != 1)
                continue;
            int x = 0, y = 0;
            ASSERT_TRUE(to_pixels(projection.node_screen[1][i], projection.node_screen[2][i], x, y));
            const LabelBox ring = {x - 7, y - 7, x + 8, y + 8};
            for (const LabelBox& box : boxes)
                ASSERT_FALSE(boxes_overlap(box, ring)) << "support node " << i;
        }
        EXPECT_GT(scene_labels_hidden(), 0);
        shown.push_back(static_cast<double>(boxes.size()) / static_cast<double>(boxes.size() + scene_labels_hidden()));
        zoom_in(settings);
        zoom_in(settings);
        refresh_projection(model, settings, projection, false);
    }
    // Zooming in well beyond Home shows a larger share of what is in view (a step or two may not:
    // the placement is greedy).
    EXPECT_GT(shown.back(), 1.5 * shown.front());
}

TEST(SceneLabels, FilterOfTheTenLargestOnASmallModel)
{
    RenderOptions options;
    options.results_path = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";
    options.element_numbers = true;
    options.load_values = true;
    Picture all;
    ASSERT_EQ(render_picture(options, all).status, RENDER_EXIT_OK);
    EXPECT_EQ(scene_label_boxes().size(), 21u + 5u);  // every member, every load
    options.label_filter = *parse_label_filter("top10");
    Picture largest;
    ASSERT_EQ(render_picture(options, largest).status, RENDER_EXIT_OK);
    EXPECT_EQ(scene_label_boxes().size(), 10u + 5u);  // the ten largest forces, the five loads
    options.label_filter = *parse_label_filter("above:300");
    ASSERT_EQ(render_picture(options, largest).status, RENDER_EXIT_OK);
    // The chords of 400 and 450 kN (3, 4, 7 to 10) and the end posts of 354 kN (11, 12); no load.
    EXPECT_EQ(scene_label_boxes().size(), 8u);
}

class LabelFilterMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_reset_log();
        headless_keep_preferences(true);
    }
    void TearDown() override
    {
        viewer_shutdown();
        headless_keep_preferences(false);
        View.overlays = OverlayStateData{};
    }
    void start()
    {
        const std::string bridge = std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res";
        std::vector<const char*> argv{"kelvaro", bridge.c_str()};
        viewer_start(2, argv.data());
    }
    // The menu's command of choice n (the table's, as the menu lists it).
    const ViewerCommand& command(int n)
    {
        const std::string label = label_filter_choice(n).label;
        for (const ViewerCommand& c : viewer_commands())
            if (c.label == label && c.control == 0)
                return c;
        ADD_FAILURE() << label << " is not in the menu";
        return viewer_commands().front();
    }
};

TEST_F(LabelFilterMenu, ChoicesSetTheFilterAndTheLastIsKeptUntilReset)
{
    start();
    struct Step {
        int choice;
        const char* typed;   // the answer to "above a value" ("" for none asked)
        const char* filter;  // the filter afterwards
    };
    for (const Step& step : std::vector<Step>{{1, "", "top10"},
                                              {2, "", "top100"},
                                              {3, "250", "above:250"},
                                              {3, "-5", "above:250"},  // refused: no change
                                              {3, "much", "above:250"},
                                              {0, "", "all"},
                                              {3, "0.5", "above:0.5"}}) {
        SCOPED_TRACE(std::to_string(step.choice) + " " + step.typed);
        if (*step.typed != 0)
            headless_answer_text(step.typed);
        run_viewer_command(command(step.choice));
        EXPECT_EQ(label_filter_text(View.overlays.label_filter), step.filter);
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(command(n).checked(), label_filter_choice(n).label == command(step.choice).label);
    }
    remember_settings();
    viewer_shutdown();
    View.overlays = OverlayStateData{};
    start();
    EXPECT_EQ(label_filter_text(View.overlays.label_filter), "above:0.5");
    for (const ViewerCommand& c : viewer_commands())
        if (c.label == "Reset settings")
            run_viewer_command(c);
    EXPECT_EQ(label_filter_text(View.overlays.label_filter), "all");
}

}  // namespace

// Labels with places whose text is made late: the placer makes a label only where its narrowest
// box is free, and keeps the made box, each label to its own text where two share their narrowest
// places; labels offered as sets with the very same places placed as each on its own; the
// priority order on both sides of the sort's change of method; a text's width as its
// characters' together (what the narrowest box rests on); and on a crowded bridge, the reaction
// values drawn at their own texts' widths and every node number drawn or counted as hidden.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/model/analysis.h"
#include "app/view/label_placement.h"
#include "app/view/scene.h"
#include "app/view/scene_labels.h"
#include "bench/warren_bridge.h"
#include "draw/draw.h"

namespace {

const LabelBox FIELD = {0, 0, 200, 100};

// The places of the label being tested and what its making turns them into.
std::vector<LabelBox> places;
std::vector<LabelBox> made_places;
int makings = 0;

bool make(std::size_t)
{
    if (makings > 0)
        return false;  // made already
    ++makings;
    places = made_places;
    return true;
}

TEST(LabelPlacer, MakesALabelOnlyWhereItsNarrowestBoxIsFree)
{
    const LabelBox taken = {50, 0, 60, 100};  // an obstacle across the field
    struct Case {
        const char* what;
        std::vector<LabelBox> narrow, made;
        std::vector<int> kept;
        int makings;
    };
    const std::vector<Case> cases = {
        {"narrow box taken: never made", {{55, 10, 58, 25}}, {{50, 10, 65, 25}}, {}, 0},
        {"free narrow, taken made box", {{40, 10, 49, 25}}, {{40, 10, 51, 25}}, {}, 1},
        {"free narrow, free made box", {{40, 10, 49, 25}}, {{38, 10, 50, 25}}, {0}, 1},
        {"made at the first free place, kept at the next",
         {{40, 10, 49, 25}, {70, 10, 79, 25}},
         {{40, 10, 51, 25}, {68, 10, 81, 25}},
         {1},
         1},
        {"made box beyond the field", {{190, 10, 199, 25}}, {{190, 10, 201, 25}}, {}, 1},
    };
    LabelPlacer placer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        places = c.narrow;
        made_places = c.made;
        makings = 0;
        LabelChoice label{45.0f, 50.0f, LabelRank::Value, 0.5f, 0, static_cast<std::uint32_t>(places.size()), true};
        const LabelPlacement& placed = placer.place({&label, 1}, places, std::vector<LabelBox>{taken}, FIELD, 0, make);
        EXPECT_EQ(placed.kept, c.kept);
        EXPECT_EQ(placed.hidden, c.kept.empty() ? 1 : 0);
        EXPECT_EQ(makings, c.makings);
        // A label kept is where its made box stands, and that box is taken for later ones.
        if (!c.kept.empty()) {
            const LabelBox& box = places[static_cast<std::size_t>(c.kept[0])];
            EXPECT_EQ(placer.clear(box), 1);
        }
    }
}

// Two labels with the same narrowest places, each made wider by its own text.
std::vector<LabelBox> shared_places;
int growth[2];

bool make_grown(std::size_t label)
{
    for (std::size_t n = 0; n < 2; ++n) {
        shared_places[label * 2 + n].x0 -= growth[label];
        shared_places[label * 2 + n].x1 += growth[label];
    }
    ++makings;
    return true;
}

TEST(LabelPlacer, LabelsSharingTheirNarrowestPlacesAreEachMadeToTheirOwnText)
{
    const LabelBox taken = {50, 0, 60, 100};
    struct Case {
        const char* what;
        LabelBox first, second;  // the narrowest places both labels share
        int growth[2];
        std::vector<int> kept;
        int makings;
    };
    const std::vector<Case> cases = {
        {"both taken: neither is made", {52, 10, 58, 25}, {55, 30, 58, 45}, {5, 1}, {}, 0},
        {"the first made too wide: the narrower second is kept", {40, 10, 47, 25}, {52, 30, 58, 45}, {4, 1}, {2}, 2},
    };
    LabelPlacer placer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shared_places = {c.first, c.second, c.first, c.second};
        std::copy(std::begin(c.growth), std::end(c.growth), growth);
        makings = 0;
        const LabelChoice labels[2] = {{45.0f, 50.0f, LabelRank::Value, 0.9f, 0, 2, true},
                                       {45.0f, 50.0f, LabelRank::Value, 0.5f, 2, 2, true}};
        const LabelPlacement& placed = placer.place(labels, shared_places, std::vector<LabelBox>{taken}, FIELD, 0,
                                                    make_grown);
        EXPECT_EQ(placed.kept, c.kept);
        EXPECT_EQ(placed.hidden, 2 - static_cast<int>(c.kept.size()));
        EXPECT_EQ(makings, c.makings);
    }
}

// A crowd of labels in sets with the very same places, each made wider by its own text: the
// places of the run being placed and the labels made, in turn.
std::vector<LabelBox> crowd_places;
std::vector<LabelChoice> crowd;
std::vector<std::size_t> crowd_made;

bool make_crowd_label(std::size_t label)
{
    if (std::find(crowd_made.begin(), crowd_made.end(), label) != crowd_made.end())
        return false;
    crowd_made.push_back(label);
    const int growth = static_cast<int>(label * 5 % 7) + 1;
    for (std::uint32_t n = 0; n < crowd[label].count; ++n) {
        crowd_places[crowd[label].first + n].x0 -= growth;
        crowd_places[crowd[label].first + n].x1 += growth;
    }
    return true;
}

TEST(LabelPlacer, SetsOfLabelsWithTheSamePlacesArePlacedAsEachOnItsOwn)
{
    std::vector<LabelBox> places;
    std::vector<LabelChoice> labels;
    for (int set = 0; set < 300; ++set) {
        const int size = 1 + (set * 7) % 5, x = (set * 37) % 180, y = (set * 53) % 90;
        const auto first = static_cast<std::uint32_t>(places.size());
        for (const LabelBox box : {LabelBox{x, y, x + 8, y + 6}, LabelBox{x + 5, y + 3, x + 13, y + 9},
                                   LabelBox{x - 4, y + 7, x + 4, y + 13}})
            places.push_back(box);
        for (int m = 0; m < size; ++m) {
            const bool off = set % 17 == 3 && m == 1;  // off the field: neither placed nor counted
            const LabelRank rank = (set * 5 + m) % 41 == 0 ? LabelRank::Extreme : LabelRank::Value;
            const float share = static_cast<float>((set * 31 + m * 17) % 23) / 22.0f;  // equal ones too
            LabelChoice label{off ? -5.0f : static_cast<float>(x), static_cast<float>(y), rank, share, first, 3, true};
            label.same_places = m == 0 ? static_cast<std::uint32_t>(size - 1) : 0;
            labels.push_back(label);
        }
    }
    // The first of a set made too wide and left out: the narrower next one is still made and kept.
    shared_places = {{40, 10, 47, 25}, {52, 30, 58, 45}, {40, 10, 47, 25}, {52, 30, 58, 45}};
    growth[0] = 4;
    growth[1] = 1;
    makings = 0;
    LabelChoice pair[2] = {{45.0f, 50.0f, LabelRank::Value, 0.9f, 0, 2, true},
                           {45.0f, 50.0f, LabelRank::Value, 0.5f, 2, 2, true}};
    pair[0].same_places = 1;
    LabelPlacer placer;
    const LabelPlacement& pair_placed = placer.place(pair, shared_places, std::vector<LabelBox>{{50, 0, 60, 100}},
                                                     FIELD, 0, make_grown);
    EXPECT_EQ(pair_placed.kept, std::vector<int>{2});
    EXPECT_EQ(pair_placed.hidden, 1);
    EXPECT_EQ(makings, 2);

    // Placed with the sets, then with every label on its own: the same labels kept at the same
    // places, the same count left out, the same labels made in the same turns.
    std::vector<int> kept[2], hidden(2);
    std::vector<std::size_t> made[2];
    for (int pass = 0; pass < 2; ++pass) {
        crowd = labels;
        if (pass == 1) {
            for (LabelChoice& label : crowd)
                label.same_places = 0;
        }
        crowd_places = places;
        crowd_made.clear();
        const LabelPlacement& placed = placer.place(crowd, crowd_places, {}, FIELD, 2, make_crowd_label);
        kept[pass] = placed.kept;
        hidden[pass] = placed.hidden;
        made[pass] = crowd_made;
    }
    EXPECT_GT(kept[0].size(), 10u);
    EXPECT_GT(made[0].size(), kept[0].size());  // some made and still left out
    EXPECT_EQ(kept[0], kept[1]);
    EXPECT_EQ(hidden[0], hidden[1]);
    EXPECT_EQ(made[0], made[1]);
}

TEST(LabelPlacer, OrderIsRankThenShareThenIndexAtAnyCount)
{
    for (const int count : {511, 512, 3000}) {  // the sort changes method at 512 labels
        SCOPED_TRACE(count);
        std::vector<LabelChoice> labels;
        std::vector<LabelBox> boxes;
        for (int i = 0; i < count; ++i) {
            const int x = (i % 100) * 20, y = (i / 100) * 20;  // apart: every label is kept
            boxes.push_back({x, y, x + 10, y + 10});
            const LabelRank rank = i % 13 == 0  ? LabelRank::Selection
                                   : i % 7 == 0 ? LabelRank::Extreme
                                                : LabelRank::Value;
            const float share = static_cast<float>((i * 37) % 101) / 100.0f;
            labels.push_back(
                {static_cast<float>(x), static_cast<float>(y), rank, share, static_cast<std::uint32_t>(i), 1});
        }
        std::vector<int> expected(labels.size());
        for (int i = 0; i < count; ++i)
            expected[static_cast<std::size_t>(i)] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const LabelChoice &la = labels[static_cast<std::size_t>(a)], &lb = labels[static_cast<std::size_t>(b)];
            return la.rank != lb.rank ? la.rank < lb.rank : la.share > lb.share;
        });
        LabelPlacer placer;
        EXPECT_EQ(placer.place(labels, boxes, {}, {0, 0, 2000, 1000}).kept, expected);
    }
}

TEST(TextWidth, IsItsCharactersTogetherAtAnyTextScale)
{
    for (const float scale : {1.0f, 2.0f, 0.5f}) {
        SCOPED_TRACE(scale);
        draw_set_text_scale(scale);
        for (const std::string_view text : {"108.3 kN", "1.1e+04", "0.0001234 N", "-7", "99,841 labels hidden"}) {
            int sum = 0;
            for (const char c : text)
                sum += draw_text_width({&c, 1});
            EXPECT_EQ(draw_text_width(text), sum) << text;
        }
    }
    draw_set_text_scale(1.0f);
}

// A Warren bridge of 10,000 members (a support at every node) with its numbers.
struct CrowdedBridge {
    TrussModelData model;
    ModelNumbers numbers;
};

// The file is the test's own: tests may run side by side.
void read_crowded_bridge(CrowdedBridge& bridge)
{
    const std::string path = testing::TempDir() + "kelvaro_label_places_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".res";
    std::ofstream(path) << warren_bridge_results(10000);
    ReadOutcome outcome;
    ASSERT_EQ(render_read_results(path, bridge.model, outcome), "");
    bridge.numbers = compute_model_numbers(bridge.model, true);
}

// Draws the bridge whole and zoomed in twice, calling check after each picture.
template <typename Check>
void at_three_zooms(const CrowdedBridge& bridge, ViewSettings& settings, Projection& projection, Check check)
{
    refresh_projection(bridge.model, settings, projection, true);
    for (int zoom = 0; zoom < 3; ++zoom) {
        SCOPED_TRACE(zoom);
        Picture picture = blank_scene_picture(settings);
        ASSERT_TRUE(
            render_scene(bridge.model, bridge.numbers, settings, projection, draw_picture_output(&picture, nullptr)));
        check();
        for (int step = 0; step < 4; ++step)
            zoom_in(settings);
        refresh_projection(bridge.model, settings, projection, false);
    }
}

TEST(SceneLabels, ReactionValuesOfACrowdedBridgeStandAtTheirTextsWidths)
{
    CrowdedBridge bridge;
    read_crowded_bridge(bridge);
    const TrussModelData& model = bridge.model;
    const ModelNumbers& numbers = bridge.numbers;
    // The widths a reaction value or a node number can have.
    std::set<int> widths;
    for (int i = 1; i <= model.node_count; ++i) {
        widths.insert(draw_text_width(std::to_string(i)));
        for (const double r : numbers.nodes[static_cast<std::size_t>(i)].reaction) {
            char text[40];
            const std::to_chars_result end = std::to_chars(text, text + sizeof text, std::fabs(r),
                                                           std::chars_format::general, 4);
            widths.insert(draw_text_width(std::string_view(text, static_cast<std::size_t>(end.ptr - text))));
        }
    }
    ViewSettings settings;
    apply_view_preset(settings, true);
    settings.overlays.show_reactions = true;
    settings.overlays.show_node_numbers = true;
    Projection projection;
    at_three_zooms(bridge, settings, projection, [&] {
        ASSERT_GT(scene_labels_hidden(), 1000);
        ASSERT_GT(scene_label_boxes().size(), 5u);
        for (const LabelBox& box : scene_label_boxes()) {
            EXPECT_EQ(box.y1 - box.y0, draw_text_height());
            EXPECT_TRUE(widths.count(box.x1 - box.x0) == 1) << box.x0 << "," << box.y0 << " " << box.x1 - box.x0;
        }
    });
}

TEST(SceneLabels, EveryNodeNumberOfACrowdedBridgeIsDrawnOrCounted)
{
    // Most numbers have no room beside the support markers from the start.
    CrowdedBridge bridge;
    read_crowded_bridge(bridge);
    ViewSettings settings;
    apply_view_preset(settings, true);
    settings.overlays.show_node_numbers = true;
    Projection projection;
    at_three_zooms(bridge, settings, projection, [&] {
        std::size_t on_field = 0;  // labels stay 4 pixels inside the canvas
        for (int i = 1; i <= bridge.model.node_count; ++i) {
            const float x = projection.node_screen[1][i], y = projection.node_screen[2][i];
            on_field += x >= 4.0f && x < static_cast<float>(settings.canvas.width - 4) && y >= 4.0f &&
                                y < static_cast<float>(settings.canvas.height - 4)
                            ? 1
                            : 0;
        }
        EXPECT_GT(scene_labels_hidden(), 1000);
        EXPECT_EQ(scene_label_boxes().size() + static_cast<std::size_t>(scene_labels_hidden()), on_field);
    });
}

}  // namespace

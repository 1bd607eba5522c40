// The overlays' numbers kept with a model: the picture is the same with them, without them and with
// those of another model; the legend's corner choice sees a member wherever its number and its
// nodes' numbers put it among the groups it passes over.
#include <cstdio>
#include <string>
#include <vector>

#include "app/model/analysis.h"
#include "app/view/overlay_numbers.h"
#include "app/view/overlays.h"
#include "app/view/scene.h"
#include "app_fixture.h"

namespace {

// A model with its numbers, settings and projection, as a driver keeps them.
struct Drawn {
    TrussModelData model;
    ModelNumbers numbers;
    ViewSettings settings;
    Projection projection;
};

Picture render(Drawn& d, const OverlayNumbers* overlays)
{
    Picture picture = blank_scene_picture(d.settings);
    EXPECT_TRUE(
        render_scene(d.model, d.numbers, d.settings, d.projection, draw_picture_output(&picture, nullptr), overlays));
    return picture;
}

// A results file: a chain of 150 nodes along y = 0 from x = 0 to 100, a node above and below its
// middle, and one diagonal member low on the right, from (63.3, -39.67) to (100, -28.3), numbered
// member and its upper end numbered node; every member pulls with the same force. In plan at 1.6
// times the fitted scale the diagonal crosses the canvas's bottom-right corner with neither end in it.
std::vector<std::string> chain_with_diagonal(int member, int node)
{
    constexpr int CHAIN = 150;
    struct Point {
        double x, y;
    };
    std::vector<Point> points;
    for (int i = 0; i < CHAIN; ++i)
        points.push_back({i * 100.0 / (CHAIN - 1), 0.0});
    points.push_back({50.0, 40.0});
    points.push_back({50.0, -40.0});
    points.push_back({63.3, -39.67});
    const int low = CHAIN + 3 >= node ? CHAIN + 4 : CHAIN + 3;  // (63.3, -39.67), after the insertion
    points.insert(points.begin() + (node - 1), {100.0, -28.3});
    std::vector<std::pair<int, int>> members;
    for (int i = 1; i < CHAIN; ++i) {
        const int a = i >= node ? i + 1 : i, b = i + 1 >= node ? i + 2 : i + 1;
        members.push_back({a, b});
    }
    members.insert(members.begin() + (member - 1), {low, node});
    std::vector<std::string> lines = {"CHAIN", std::to_string(points.size()) + " " + std::to_string(members.size())};
    char line[120];
    for (std::size_t i = 1; i <= points.size(); ++i) {
        std::snprintf(line, sizeof line, "%zu 0 0 0 %.4f %.4f 0 0 0 0", i, points[i - 1].x, points[i - 1].y);
        lines.emplace_back(line);
    }
    for (std::size_t e = 1; e <= members.size(); ++e)
        lines.push_back(std::to_string(e) + " " + std::to_string(members[e - 1].first) + " " +
                        std::to_string(members[e - 1].second));
    for (const char* heading : {"NODE X-DEFL Y-DEFL Z-DEFL", "ELEMENT STRESS FORCE"}) {
        const bool nodes = heading[0] == 'N';
        lines.insert(lines.end(), {"", heading});
        for (std::size_t n = 1; n <= (nodes ? points.size() : members.size()); ++n) {
            if (nodes)
                std::snprintf(line, sizeof line, n < 100 ? "%-2zu%12.4E %12.4E%12.4E" : "%zu %.4E %.4E %.4E", n, 0.0,
                              -1e-4, 0.0);
            else
                std::snprintf(line, sizeof line, "%-3zu%13.3E %15.3E", n, 1.0, 100.0);
            lines.emplace_back(line);
        }
    }
    return lines;
}

}  // namespace

class OverlayNumbersTest : public AppTest {
protected:
    // The model just loaded.
    Drawn loaded(bool plan)
    {
        Drawn d;
        d.model = TrussModel;
        d.numbers = compute_model_numbers(d.model, results_missing == 0);
        d.settings.azimuth = plan ? 0.0f : 25.0f;
        d.settings.elevation = plan ? -90.0f : 240.0f;
        refresh_projection(d.model, d.settings, d.projection, true);
        return d;
    }
};

// The numbers kept with the model, none, and those of another model (which the scene leaves
// aside) give the same picture with every overlay that reads them.
TEST_F(OverlayNumbersTest, KeptNoneOrAnotherModelsDrawTheSamePicture)
{
    load_lines(chain_with_diagonal(1, 1));
    Drawn other = loaded(true);
    const OverlayNumbers others = compute_overlay_numbers(other.model, other.numbers, other.model.node_count);
    for (const char* file : {"bridge.res", "tower.res"}) {
        SCOPED_TRACE(file);
        load(std::string(KELVARO_SOURCE_DIR) + "/examples/" + file);
        Drawn d = loaded(false);
        OverlayStateData& o = d.settings.overlays;
        o.show_force_colours = o.show_reactions = o.show_node_numbers = true;
        const OverlayNumbers kept = compute_overlay_numbers(d.model, d.numbers, d.model.node_count);
        const Picture with = render(d, &kept);
        EXPECT_EQ(render(d, nullptr).bits, with.bits);
        EXPECT_EQ(render(d, &others).bits, with.bits);
    }
}

// The diagonal crosses the bottom-right corner, where the legend would stand first: wherever the member and its ends
// stand among the groups of 64, the legend keeps off it and the picture is the same.
TEST_F(OverlayNumbersTest, LegendSeesAMemberInAnyGroup)
{
    const int places[][2] = {{1, 1}, {63, 64}, {64, 63}, {65, 128}, {128, 65}, {150, 152}};
    Picture first;
    for (const auto& [member, node] : places) {
        SCOPED_TRACE(std::to_string(member) + " " + std::to_string(node));
        load_lines(chain_with_diagonal(member, node));
        Drawn d = loaded(true);
        d.settings.scale *= 1.6f;
        refresh_projection(d.model, d.settings, d.projection, false);
        d.settings.overlays.show_force_colours = true;
        const OverlayNumbers kept = compute_overlay_numbers(d.model, d.numbers, d.model.node_count);
        const Picture picture = render(d, &kept);
        const OverlayBox legend = overlay_legend_box();
        ASSERT_GT(legend.width, 0);
        EXPECT_FALSE(legend.x > d.settings.canvas.width / 2 && legend.y > d.settings.canvas.height / 2)
            << "at " << legend.x << "," << legend.y;
        if (first.bits.empty())
            first = picture;
        EXPECT_EQ(picture.bits, first.bits);
    }
}

// Cost of placing the labels of a large roof: the element numbers at the members' midpoints and
// the node numbers beside the nodes of a square-on-square space grid of 10,000 and 100,000
// members, seen obliquely on a 1920 x 1080 canvas, with a support marker under every ninth bottom
// node. The placer is reused from pass to pass, as the scene reuses it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/view/label_placement.h"

namespace {

constexpr int WIDTH = 1920;
constexpr int HEIGHT = 1080;
constexpr int CHARACTER = 7;    // pixels per digit of the canvas font
constexpr int LINE = 15;        // pixels per line
constexpr float LEFT = 260.0f;  // the grid's corner on the canvas, pixels
constexpr float TOP = 140.0f;

struct RoofLabels {
    std::vector<LabelCandidate> candidates;
    std::vector<LabelBox> supports;
};

LabelCandidate label(float x, float y, int number, float dx, float dy, float share)
{
    const int width = CHARACTER * static_cast<int>(std::to_string(number).size() + 2);
    const int left = static_cast<int>(std::lround(x + dx)), top = static_cast<int>(std::lround(y + dy));
    return {{left, top, left + width, top + LINE}, x, y, LabelRank::Value, share};
}

// The labels of a roof of about `members` members (8 per bay) filling most of the canvas.
RoofLabels roof_labels(int members)
{
    const int bays = static_cast<int>(std::sqrt(members / 8.0));
    const float step = 1300.0f / static_cast<float>(bays);
    const auto at = [&](float i, float j, float& x, float& y) {
        x = LEFT + (i + 0.35f * j) * step;
        y = TOP + 0.6f * j * step;
    };
    RoofLabels roof;
    int element = 0, node = 0;
    for (int j = 0; j <= bays; ++j) {
        for (int i = 0; i <= bays; ++i) {
            float x, y;
            at(static_cast<float>(i), static_cast<float>(j), x, y);
            roof.candidates.push_back(label(x, y, ++node, 8.0f, 4.0f, 0.0f));
            const float share = static_cast<float>((i * 7 + j * 13) % 101) / 100.0f;
            float x2, y2;
            for (int k = 0; k < 8; ++k) {  // two chords, two bottom chords, four diagonals per bay
                at(static_cast<float>(i) + 0.5f * static_cast<float>(k % 3), static_cast<float>(j) + 0.25f * (k / 3),
                   x2, y2);
                roof.candidates.push_back(label((x + x2) / 2.0f, (y + y2) / 2.0f, ++element, -7.0f, -7.0f, share));
            }
            if (i % 9 == 0 && j % 9 == 0) {
                const int sx = static_cast<int>(x), sy = static_cast<int>(y + 0.3f * step);
                roof.supports.push_back({sx - 7, sy - 7, sx + 8, sy + 8});
            }
        }
    }
    return roof;
}

void BM_label_placement_roof(benchmark::State& state)
{
    const RoofLabels roof = roof_labels(static_cast<int>(state.range(0)));
    LabelPlacer placer;
    const LabelBox field = {4, 4, WIDTH - 4, HEIGHT - 4};
    for (auto _ : state)
        benchmark::DoNotOptimize(placer.place(roof.candidates, roof.supports, field, 3).kept.size());
    state.counters["labels"] = static_cast<double>(roof.candidates.size());
    state.counters["kept"] = static_cast<double>(placer.placement().kept.size());
}
BENCHMARK(BM_label_placement_roof)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

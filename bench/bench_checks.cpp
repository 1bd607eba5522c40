// Cost of the engineer's checks on a generated Warren bridge of 100,000 members: the numbers with
// every node's residual against the file's rounding (compute_model_numbers, which also gives the
// reactions), and the members' utilisation under stress limits and buckling (apply_design_limits).
// Target: each within 10 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "app/model/analysis.h"
#include "app/model/checks.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "bench/warren_bridge.h"

namespace {

constexpr int MEMBERS = 100000;

// The bridge read once through the results reader; nullptr when the read failed.
const TrussModelData* bridge()
{
    static TrussModelData model;
    static int loaded = -1;
    if (loaded < 0) {
        const std::string bytes = warren_bridge_results(MEMBERS);
        MemoryLineSource source(bytes);
        const ReadOutcome outcome = read_results(source, model);
        loaded = outcome.fault == ResultsFault::none && model.element_count >= MEMBERS - 4 ? 1 : 0;
    }
    return loaded == 1 ? &model : nullptr;
}

void BM_node_residuals(benchmark::State& state)
{
    const TrussModelData* model = bridge();
    if (model == nullptr) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    for (auto _ : state) {
        ModelNumbers numbers = compute_model_numbers(*model, true);
        benchmark::DoNotOptimize(numbers.max_node_residual.value);
    }
}
BENCHMARK(BM_node_residuals)->Unit(benchmark::kMillisecond);

void BM_utilisation(benchmark::State& state)
{
    const TrussModelData* model = bridge();
    if (model == nullptr) {
        state.SkipWithError("the bridge did not read");
        return;
    }
    ModelNumbers numbers = compute_model_numbers(*model, true);
    DesignLimits limits;
    limits.tension = 250;
    limits.compression = 250;
    limits.sections.assign(numbers.members.size(), MemberSection{0.006, 2.1e8, 1e-5});
    for (auto _ : state) {
        apply_design_limits(numbers, limits);
        benchmark::DoNotOptimize(numbers.max_utilisation.value);
    }
}
BENCHMARK(BM_utilisation)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

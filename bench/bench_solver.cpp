// Benchmarks of the truss solver on generated models (truss_models.h): space-grid roofs of about
// 1,000, 10,000 and 100,000 members (assembly, sparse factorisation, member forces), the same sizes
// of a planar Warren bridge, and writing the results file of a roof. The models are generated and
// read once per size, outside the timed loop.
#include "tools/results_writer.h"
#include "tools/truss_input.h"
#include "tools/truss_models.h"
#include "tools/truss_solver.h"

#include <benchmark/benchmark.h>

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

// Roof of nx x ny bays: 8 nx ny members.
RoofParameters roof_for(long long members)
{
    RoofParameters roof;
    if (members <= 1000) {
        roof.nx = roof.ny = 11;  // 968 members
    } else if (members <= 10000) {
        roof.nx = 35;  // 10,080 members
        roof.ny = 36;
    } else {
        roof.nx = roof.ny = 112;  // 100,352 members
    }
    return roof;
}

TrussInput parse(const std::string& text)
{
    std::istringstream in(text);
    TrussInput truss;
    std::string error;
    if (!read_truss(in, truss, error))
        throw std::runtime_error(error);
    return truss;
}

// One model per kind and size, kept for the whole run.
const TrussInput& model(bool roof, long long members)
{
    static std::map<std::pair<bool, long long>, TrussInput> models;
    auto found = models.find({roof, members});
    if (found != models.end())
        return found->second;
    std::string error, text;
    if (roof) {
        text = generate_roof(roof_for(members), error);
    } else {
        BridgeParameters bridge;
        bridge.panels = static_cast<int>((members + 1) / 4);
        text = generate_bridge(bridge, error);
    }
    return models[{roof, members}] = parse(text);
}

void solve_model(benchmark::State& state, bool roof)
{
    const TrussInput& truss = model(roof, state.range(0));
    TrussSolution solution;
    std::string error;
    for (auto _ : state) {
        if (!solve_truss(truss, solution, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(solution.forces.data());
    }
    state.counters["members"] = static_cast<double>(truss.members.size());
    state.counters["freedoms"] = static_cast<double>(3 * truss.nodes.size());
}

void BM_solve_roof(benchmark::State& state)
{
    solve_model(state, true);
}
void BM_solve_bridge(benchmark::State& state)
{
    solve_model(state, false);
}

void BM_write_results_roof(benchmark::State& state)
{
    const TrussInput& truss = model(true, state.range(0));
    TrussSolution solution;
    std::string error;
    if (!solve_truss(truss, solution, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        write_results(out, truss, &solution, error);
        bytes = out.str().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["members"] = static_cast<double>(truss.members.size());
}

}  // namespace

BENCHMARK(BM_solve_roof)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_solve_bridge)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_write_results_roof)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

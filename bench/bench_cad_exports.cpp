// Speed of the CAD and VTK writers on a generated Warren bridge of 100,000 members (50,001 nodes):
// the DXF drawing (members only, and with numbers and the deflected shape), the VTU grid, and each
// written whole to a file. Target: each document of 100,000 members within 200 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/export/dxf.h"
#include "app/export/vtu.h"
#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"
#include "bench/warren_bridge.h"
#include "core/file.h"

namespace {

constexpr int MEMBERS = 100000;

std::string scratch(const char* name)
{
    return (std::filesystem::temp_directory_path() / ("kelvaro_bench_cad_" + std::to_string(::getpid()) + name))
        .string();
}

// The bridge's numbers, read once through the results reader; nullptr when the read failed.
const ModelNumbers* bridge_numbers()
{
    static ModelNumbers numbers;
    static int loaded = -1;
    if (loaded < 0) {
        const std::string bytes = warren_bridge_results(MEMBERS);
        MemoryLineSource source(bytes);
        TrussModelData model;
        const ReadOutcome outcome = read_results(source, model);
        numbers = compute_model_numbers(model, outcome.fault == ResultsFault::none);
        loaded = outcome.fault == ResultsFault::none && model.element_count >= MEMBERS - 4 ? 1 : 0;
    }
    return loaded == 1 ? &numbers : nullptr;
}

void BM_dxf_document(benchmark::State& state, DxfOptions options)
{
    const ModelNumbers* numbers = bridge_numbers();
    if (numbers == nullptr)
        return state.SkipWithError("the bridge could not be read");
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = dxf_document(*numbers, options);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_vtu_document(benchmark::State& state)
{
    const ModelNumbers* numbers = bridge_numbers();
    if (numbers == nullptr)
        return state.SkipWithError("the bridge could not be read");
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = vtu_document(*numbers);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// The document and the file written whole and synced, as an export does it.
void BM_write_file(benchmark::State& state, bool dxf)
{
    const ModelNumbers* numbers = bridge_numbers();
    if (numbers == nullptr)
        return state.SkipWithError("the bridge could not be read");
    const std::string path = scratch(dxf ? ".dxf" : ".vtu");
    for (auto _ : state) {
        const std::string error = dxf ? write_dxf_file(path, *numbers, DxfOptions{}) : write_vtu_file(path, *numbers);
        if (!error.empty())
            return state.SkipWithError(error.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

}  // namespace

BENCHMARK_CAPTURE(BM_dxf_document, members, DxfOptions{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_dxf_document, everything, DxfOptions{true, true, true, 100, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_vtu_document)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_write_file, dxf, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_write_file, vtu, false)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Speed of load cases on generated Warren bridges (bench/warren_bridge.h): reading a set of 10
// cases of 10,000 members (the files' texts in memory, so the reader and the checks are timed,
// not the disk), the envelope of 20 cases of 100,000 members (target 150 ms after reading), and a
// combination of 3 cases of 100,000 members with its numbers (target 50 ms after reading), and
// stepping to the next case of 3 cases of 100,000 members in the window: the model and its numbers
// put in place for the redraw that follows (target 5 ms, the redraw itself measured in
// bench_app_sizes).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/model/envelope.h"
#include "app/model/line_source.h"
#include "app/model/load_cases.h"
#include "app/ui/case_view.h"
#include "app/ui/loaded_numbers.h"
#include "bench/warren_bridge.h"
#include "fuzz/fuzz_viewer_setup.h"
#include "gui/input.h"

namespace {

// A reader of the texts in files, by path.
CaseFileReader memory_reader(const std::map<std::string, std::string>& files)
{
    return [&files](const std::string& path, TrussModelData& model, ReadOutcome& outcome) -> std::string {
        const auto found = files.find(path);
        if (found == files.end())
            return "no such file";
        MemoryLineSource source(found->second);
        outcome = read_results(source, model);
        return {};
    };
}

// count cases of one bridge of about members members, read once.
const LoadCaseSet& bridge_set(int members, int count)
{
    static std::map<std::pair<int, int>, LoadCaseSet> sets;
    LoadCaseSet& set = sets[{members, count}];
    if (set.cases.empty()) {
        const std::map<std::string, std::string> files = {{"bridge.res", warren_bridge_results(members)}};
        const std::vector<std::string> paths(static_cast<std::size_t>(count), "bridge.res");
        std::string error;
        if (!read_file_set(paths, memory_reader(files), set, error))
            return set;
        // Every case its own forces: the envelope's comparisons then go both ways.
        for (int c = 0; c < count; ++c)
            for (MemberNumbers& m : set.cases[static_cast<std::size_t>(c)].numbers.members)
                m.force *= (c % 3 == 0 ? -1.0 : 1.0) * (1.0 + 0.01 * c);
    }
    return set;
}

void BM_ReadTenCasesOf10kMembers(benchmark::State& state)
{
    std::map<std::string, std::string> files;
    std::vector<std::string> paths;
    for (int c = 0; c < 10; ++c) {
        paths.push_back("case" + std::to_string(c) + ".res");
        files[paths.back()] = warren_bridge_results(10000);
    }
    const CaseFileReader reader = memory_reader(files);
    for (auto _ : state) {
        LoadCaseSet set;
        std::string error;
        if (!read_file_set(paths, reader, set, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(set.cases.data());
    }
}
BENCHMARK(BM_ReadTenCasesOf10kMembers)->Unit(benchmark::kMillisecond);

void BM_EnvelopeOf20CasesOf100kMembers(benchmark::State& state)
{
    const LoadCaseSet& set = bridge_set(100000, 20);
    std::vector<const ModelNumbers*> numbers;
    for (const LoadCase& c : set.cases)
        numbers.push_back(&c.numbers);
    for (auto _ : state) {
        const Envelope envelope = compute_envelope(numbers);
        benchmark::DoNotOptimize(envelope.governing.index);
    }
}
BENCHMARK(BM_EnvelopeOf20CasesOf100kMembers)->Unit(benchmark::kMillisecond);

void BM_CombinationOf3CasesOf100kMembers(benchmark::State& state)
{
    const LoadCaseSet& set = bridge_set(100000, 3);
    const FactoredModel parts[] = {
        {1.35, &set.cases[0].model}, {1.5, &set.cases[1].model}, {1.05, &set.cases[2].model}};
    for (auto _ : state) {
        const TrussModelData sum = combine_models(parts);
        const ModelNumbers numbers = compute_model_numbers(sum, true);
        benchmark::DoNotOptimize(numbers.largest_force);
    }
}
BENCHMARK(BM_CombinationOf3CasesOf100kMembers)->Unit(benchmark::kMillisecond);

void BM_StepToTheNextCaseOf100kMembers(benchmark::State& state)
{
    fuzz_viewer_setup();  // the viewer's window on the headless backend, as the fuzzers make it
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kelvaro_bench_cases_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string bridge = warren_bridge_results(100000);
    std::vector<std::string> paths;
    for (const char* name : {"dead.res", "live.res", "wind.res"}) {
        paths.push_back((folder / name).string());
        std::ofstream(paths.back(), std::ios::binary) << bridge;
    }
    const bool loaded = load_case_files(paths);
    std::filesystem::remove_all(folder);
    if (!loaded || !case_set_shown())
        return state.SkipWithError("the set could not be read");
    for (auto _ : state) {
        step_case_model(KEY_PAGE_DOWN, 0);
        benchmark::DoNotOptimize(model_numbers().largest_force);
    }
    forget_case_set();
}
BENCHMARK(BM_StepToTheNextCaseOf100kMembers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

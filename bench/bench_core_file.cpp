// Benchmarks of the runtime core: line reading through a file slot (a 20 MB file of 40-byte
// lines, the target is at least 200 MB/s) and the field + number parsing of a results line.
#include "core/file.h"
#include "core/str.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

constexpr int SLOT = 1;
constexpr std::size_t LINE_BYTES = 40;                // including the LF
constexpr std::size_t FILE_BYTES = 20 * 1024 * 1024;  // 20 MB
constexpr std::size_t LINE_COUNT = FILE_BYTES / LINE_BYTES;

// Writes the test file once per process and removes it at exit.
class LineFile {
public:
    LineFile() : path_(std::filesystem::temp_directory_path() / ("kelvaro_bench_lines_" + std::to_string(::getpid())))
    {
        std::ofstream out(path_, std::ios::binary);
        char line[LINE_BYTES + 1];
        for (std::size_t i = 0; i < LINE_COUNT; ++i) {
            std::snprintf(line, sizeof line, "%5zu %12.4f %12.4f %6d", i % 100000, i * 0.25, i * -1.5,
                          static_cast<int>(i % 7));
            out.write(line, LINE_BYTES - 1);
            out.put('\n');
        }
    }
    ~LineFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

void BM_file_read_line(benchmark::State& state)
{
    static const LineFile file;
    file_init();
    for (auto _ : state) {
        if (file_open_read(SLOT, file.path()) == 0) {
            state.SkipWithError("cannot open the test file");
            break;
        }
        for (std::size_t i = 0; i < LINE_COUNT; ++i)
            benchmark::DoNotOptimize(file_read_line(SLOT));
        file_close(SLOT);
    }
    file_end();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(LINE_COUNT * LINE_BYTES));
}
BENCHMARK(BM_file_read_line)->Unit(benchmark::kMillisecond);

void BM_parse_results_line(benchmark::State& state)
{
    const std::string line = "   12     1.2500e+01    -3.75000    0.000125";
    for (auto _ : state) {
        const std::string trimmed = str_trim(line);
        benchmark::DoNotOptimize(str_to_int(str_field(trimmed, 1, " ")));
        benchmark::DoNotOptimize(str_to_float(str_field(trimmed, 6, " ")));
        benchmark::DoNotOptimize(str_to_float(str_field(trimmed, 10, " ")));
        benchmark::DoNotOptimize(str_to_float(str_field(trimmed, 14, " ")));
    }
}
BENCHMARK(BM_parse_results_line);

void BM_str_from_float(benchmark::State& state)
{
    float value = 1234.5678f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(str_from_float(value, 0));
        benchmark::DoNotOptimize(str_from_float(value, -1));
        value += 0.25f;
    }
}
BENCHMARK(BM_str_from_float);

}  // namespace

BENCHMARK_MAIN();

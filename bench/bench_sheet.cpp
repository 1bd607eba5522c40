// Speed of the calculation sheet (app/export/sheet.h): the PDF of the roof example (800 members)
// and of a generated Warren bridge of 10,000 members, each laid out, painted and written to memory
// as kelvaro-render's "-o NAME.pdf" makes it, with the page count and size in bytes. Targets: the
// roof's sheet within 150 ms, the 10,000-member sheet within 1.5 s.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/export/sheet.h"
#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/view/scene.h"
#include "app/view/view.h"
#include "bench/warren_bridge.h"
#include "draw/draw.h"

namespace {

// A model read from results text with its numbers and the default view fitted to 700 x 500.
struct SheetModel {
    TrussModelData model;
    ModelNumbers numbers;
    ViewSettings settings;
    Projection projection;
    bool ready = false;
};

void prepare(SheetModel& sheet, const std::string& text)
{
    draw_init();
    MemoryLineSource source(text);
    const ReadOutcome outcome = read_results(source, sheet.model);
    sheet.ready = outcome.fault == ResultsFault::none;
    sheet.numbers = compute_model_numbers(sheet.model, sheet.ready);
    sheet.settings.deflection_scale = sheet.model.deflection_scale;
    apply_view_preset(sheet.settings, outcome.spatial);
    sheet.settings.canvas = canvas_of_size(700, 500);
    refresh_projection(sheet.model, sheet.settings, sheet.projection, true);
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_sheet(benchmark::State& state, SheetModel& sheet)
{
    if (!sheet.ready)
        return state.SkipWithError("the model could not be read");
    SheetInput input;
    input.model = &sheet.model;
    input.numbers = &sheet.numbers;
    input.settings = &sheet.settings;
    input.projection = &sheet.projection;
    input.block.title = sheet.model.title_line;
    input.block.file_name = "bench.res";
    input.block.date = "2026-01-01";
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        const std::string pdf = sheet_pdf(input, error);
        if (pdf.empty())
            return state.SkipWithError(error.c_str());
        bytes = pdf.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["members"] = sheet.model.element_count;
}

void BM_roof_sheet(benchmark::State& state)
{
    static SheetModel roof;
    if (!roof.ready)
        prepare(roof, file_text(std::string(KELVARO_SOURCE_DIR) + "/examples/roof.res"));
    BM_sheet(state, roof);
}

void BM_bridge_sheet_10000(benchmark::State& state)
{
    static SheetModel bridge;
    if (!bridge.ready)
        prepare(bridge, warren_bridge_results(10000));
    BM_sheet(state, bridge);
}

}  // namespace

BENCHMARK(BM_roof_sheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_bridge_sheet_10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

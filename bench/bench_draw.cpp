// Drawing speed: a window-sized box fill against memset of the same bytes, a 700 x 500 JPEG save,
// and texts as the viewer draws them: a results table row (opaque and transparent), the results
// table of 58 rows with its heading in one pass, and a thousand short element labels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "draw/draw.h"
#include "draw/image.h"
#include "draw/picture.h"

namespace {

constexpr int CANVAS_WIDTH = 700;
constexpr int CANVAS_HEIGHT = 500;

void BM_FillBox696x496(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    draw_begin(draw_picture_output(&picture, {}));
    int colour = 0x102030;
    for (auto _ : state) {
        draw_box(2, 2, 696, 496, colour);
        colour ^= 0x010101;
        benchmark::DoNotOptimize(picture.bits.data());
        benchmark::ClobberMemory();
    }
    draw_end();
    state.SetBytesProcessed(state.iterations() * 696LL * 3 * 496);
}
BENCHMARK(BM_FillBox696x496);

// The same rows and bytes as the box fill, written by memset.
void BM_MemsetSameBytes(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    int value = 0x30;
    for (auto _ : state) {
        for (int y = 2; y < 498; ++y) {
            std::memset(picture_row(picture, y) + 2 * 3, value, 696 * 3);
        }
        value ^= 1;
        benchmark::DoNotOptimize(picture.bits.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 696LL * 3 * 496);
}
BENCHMARK(BM_MemsetSameBytes);

void BM_JpegSave700x500(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    draw_begin(draw_picture_output(&picture, {}));
    draw_box(0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, 0xFFFFFF);
    for (int i = 0; i < 60; ++i) {
        draw_line_xy(20 + i * 10, 30, 680 - i * 7, 470, draw_rgb(i * 4, 255 - i * 4, 128));
        draw_circle(40 + i * 10, 250, 5, 0x0000FF);
    }
    draw_text(65, 60, "Stress          Force", 0xFF0000, 0xFFFFFF);
    draw_end();
    const std::string path = "/tmp/kelvaro_bench_" + std::to_string(getpid()) + ".jpg";
    for (auto _ : state) {
        if (jpeg_save_picture(picture, path, IMAGE_SAVE_QUALITY) == 0) {
            state.SkipWithError("JPEG save failed");
            break;
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_JpegSave700x500)->Unit(benchmark::kMillisecond);

// One row of the results table: 60 characters on an opaque box.
void BM_TextRow(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    draw_begin(draw_picture_output(&picture, {}));
    const std::string row = "   12     -1234.5678      987.6543     0.0012     -45.6789   ";
    int y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(draw_text(10, y, row, 0x000000, 0xFFFFFF));
        y = (y + 15) % 480;
    }
    draw_end();
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(row.size()));
}
BENCHMARK(BM_TextRow);

// The same row without its box, blended over the picture.
void BM_TextRowTransparent(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    draw_begin(draw_picture_output(&picture, {}));
    draw_mode(DRAW_MODE_TRANSPARENT);
    const std::string row = "   12     -1234.5678      987.6543     0.0012     -45.6789   ";
    int y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(draw_text(10, y, row, 0x000000, 0xFFFFFF));
        y = (y + 15) % 480;
    }
    draw_end();
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(row.size()));
}
BENCHMARK(BM_TextRowTransparent);

// The results table of 58 members as the viewer shows it: the blue heading, then rows of
// "[nn] stress force" in the table's purple on white, 29 in each of two columns, in one pass.
void BM_StressTable58Rows(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    std::vector<std::string> rows;
    for (int n = 1; n <= 58; ++n) {
        rows.push_back((n < 10 ? "[  " : "[") + std::to_string(n) + "] " + std::to_string(-1234 + 97 * n) + ".5E+01  " +
                       std::to_string(456 - 31 * n) + ".25E+02");
    }
    const int table_text = draw_rgb(155, 0, 160);
    for (auto _ : state) {
        draw_begin(draw_picture_output(&picture, {}));
        draw_text(65, 60, "Stress          Force", 0xFF0000, 0xFFFFFF);
        for (int n = 0; n < 58; ++n) {
            const int column = n / 29;
            draw_text(column == 0 ? 10 : 200, (column == 0 ? 60 : 55) + 15 * (n % 29 + 1), rows[n], table_text,
                      0xFFFFFF);
        }
        draw_end();
        benchmark::DoNotOptimize(picture.bits.data());
    }
    state.SetItemsProcessed(state.iterations() * 58);
}
BENCHMARK(BM_StressTable58Rows);

// A thousand element numbers scattered over the canvas, black on white, in one pass.
void BM_ElementLabels1000(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    std::vector<std::string> labels;
    for (int n = 1; n <= 1000; ++n) {
        labels.push_back(std::to_string(n));
    }
    for (auto _ : state) {
        draw_begin(draw_picture_output(&picture, {}));
        for (int n = 0; n < 1000; ++n) {
            draw_text((n * 37) % (CANVAS_WIDTH - 20), (n * 53) % (CANVAS_HEIGHT - 10), labels[n], 0x000000, 0xFFFFFF);
        }
        draw_end();
        benchmark::DoNotOptimize(picture.bits.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ElementLabels1000);

// A drawing pass bracket without drawing (begin and end).
void BM_BeginEnd(benchmark::State& state)
{
    Picture picture;
    picture_make(picture, CANVAS_WIDTH, CANVAS_HEIGHT, 24);
    for (auto _ : state) {
        benchmark::DoNotOptimize(draw_begin(draw_picture_output(&picture, {})));
        draw_end();
    }
}
BENCHMARK(BM_BeginEnd);

}  // namespace

BENCHMARK_MAIN();

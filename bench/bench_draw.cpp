// Drawing speed: a window-sized box fill against memset of the same bytes, a 700 x 500 JPEG save,
// and drawing the short texts the viewer labels its view with.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

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

// A full drawing pass bracket (begin sets up the text strip, end releases it).
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

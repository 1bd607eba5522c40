// Shared set-up of the viewer tests: the runtime on the headless backend, main window 0 with
// canvas 19 and the controls the reader touches, fresh global state, and helpers to write results
// files, read them and look at canvas pixels.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/render_options.h"
#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/commands.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/file.h"
#include "core/str.h"
#include "draw/draw.h"
#include "draw/picture.h"
#include "gui/backend.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/requester.h"
#include "gui/window.h"
#include "tests/model/results_lines.h"

// Colour of pixel (x, y) of a picture (y = 0 is the top row) as a draw_rgb value.
inline int pixel_at(const Picture& picture, int x, int y)
{
    const std::uint8_t* row = picture_row(picture, y);
    const std::uint8_t* p = row + x * (picture.bits_per_pixel / 8);
    return draw_rgb(p[2], p[1], p[0]);
}

// Sets pixel (x, y) of a picture to a draw_rgb colour.
inline void set_pixel(Picture& picture, int x, int y, int colour)
{
    std::uint8_t* p = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
    p[0] = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    p[1] = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    p[2] = static_cast<std::uint8_t>(colour & 0xFF);
}

inline const int WHITE = draw_rgb(255, 255, 255);
inline const int BLACK = draw_rgb(0, 0, 0);
inline const int RED = draw_rgb(255, 0, 0);
inline const int GREEN = draw_rgb(0, 255, 0);
inline const int BLUE = draw_rgb(0, 0, 255);
inline const int CYAN = draw_rgb(0, 255, 255);
inline const int MAGENTA = draw_rgb(255, 0, 255);
inline const int YELLOW = draw_rgb(255, 255, 0);

// The viewer started on options' results file on the headless backend, with the boxes ticked and
// the overlays set that kelvaro-render's options stand for (preset, deflected shape at its scale,
// load values, element numbers, the engineer's view and the selection), so that its canvas shows
// what kelvaro-render draws and its state can be inspected.
inline void show_in_viewer(const RenderOptions& options)
{
    gui_use_headless();
    headless_reset_log();
    const char* const arguments[] = {"kelvaro", options.results_path.c_str()};
    viewer_start(2, arguments);
    View.overlays = {options.colour_forces,  options.legend,           options.node_numbers,  options.reactions,
                     options.max_deflection, options.highlight_member, options.highlight_node};
    View.overlays.show_free_body = options.free_body;
    View.overlays.label_filter = options.label_filter;
    if (options.view != RenderView::Automatic)
        set_control_switch(ID_3D, options.view == RenderView::Spatial);
    if (options.deflected || options.max_deflection) {
        if (!options.deflection_scale.empty()) {
            View.deflection_scale_text = options.deflection_scale;
            show_settings();
        }
        set_control_switch(ID_DEFLECTED, true);
    }
    if (options.load_values)
        set_control_switch(ID_APPLIED_LOAD, true);
    if (options.element_numbers)
        set_control_switch(ID_ELEMENT_NO, true);
    redraw_view();
}

class AppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (started)
            return;
        started = true;
        gui_use_headless();
        runtime_start();
    }

    void SetUp() override
    {
        win_open(MAIN_WINDOW, 150, 150, 800, 500, "test", 0x00CA0000);
        gadget_canvas(ID_CANVAS, 0, 0, 700, 500);
        gadget_checkbox(ID_3D, 710, 150, 90, 24, "3D");
        gadget_string(ID_DEFLECTION_SCALE, 730, 210, 60, 17, "0");
        headless_record_frames(false);
        headless_reset_log();
        View = ViewSettings{};  // switches an earlier test turned on would show in this one's pictures
        reset_to_startup_defaults();
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_app_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }

    void TearDown() override
    {
        file_close(RESULTS_FILE);
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    // Writes lines (each ended by LF) to a file in the test's folder and returns its path.
    std::string write_file(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return write_bytes(name, text);
    }

    std::string write_bytes(const std::string& name, const std::string& bytes)
    {
        std::filesystem::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path.string();
    }

    // What "Load File" does around the reader: reset, open, read.
    void load(const std::string& path)
    {
        reset_for_load();
        gadget_set_state(ID_3D, 0);
        file_open_read(RESULTS_FILE, path);
        read_results();
    }

    void load_lines(const std::vector<std::string>& lines) { load(write_file("results.txt", lines)); }

    // The loader's view choice and a refresh with fit.
    void show_fitted()
    {
        if (planar_model)
            apply_plan_view_preset();
        refresh_projection(true);
    }

    Picture& canvas() { return *gadget_canvas_picture(ID_CANVAS); }

    std::filesystem::path dir_;
};

// Pixels that text drawn at (x, y) in front on back covers, and their colours, found by drawing it
// into a scratch picture filled with a colour no text produces.
struct TextFootprint {
    std::vector<int> xs, ys, colours;
};

inline TextFootprint text_footprint(int x, int y, const std::string& text, int front, int back)
{
    const int sentinel = draw_rgb(1, 2, 3);
    Picture scratch;
    picture_make(scratch, 700, 500, 24);
    for (int row = 0; row < 500; ++row)
        for (int col = 0; col < 700; ++col)
            set_pixel(scratch, col, row, sentinel);
    draw_begin(draw_picture_output(&scratch, nullptr));
    draw_text(x, y, text, front, back);
    draw_end();
    TextFootprint footprint;
    for (int row = 0; row < 500; ++row) {
        for (int col = 0; col < 700; ++col) {
            int colour = pixel_at(scratch, col, row);
            if (colour == sentinel)
                continue;
            footprint.xs.push_back(col);
            footprint.ys.push_back(row);
            footprint.colours.push_back(colour);
        }
    }
    return footprint;
}

// Number of the footprint's pixels that differ on picture (0 when the text stands there).
inline int text_mismatches(const Picture& picture, const TextFootprint& footprint)
{
    int mismatches = 0;
    for (std::size_t n = 0; n < footprint.xs.size(); ++n)
        if (pixel_at(picture, footprint.xs[n], footprint.ys[n]) != footprint.colours[n])
            ++mismatches;
    return mismatches;
}

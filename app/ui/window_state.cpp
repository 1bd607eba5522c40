// The viewer's global records and switches, and their start-up and "Load File" resets.
// Touches: TrussModel, ViewState and every switch and string declared in model.h.
#include "app/ui/window_state.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <system_error>

#include "app/ui/loaded_numbers.h"
#include "draw/draw.h"

TrussModelData TrussModel;
ViewStateData ViewState;

std::int8_t redraw_pending = 0;
std::int8_t planar_model = 0;
std::int32_t results_missing = 0;
ViewSettings View;
std::string title_text;
std::string window_title;
std::string results_path;
std::string start_folder;
std::string image_path;

namespace {

// The notice after the program name is ours; five spaces separate it from the path.
constexpr const char* TITLE_TEXT = "KELVARO V.3.7 - truss results viewer     ";

}  // namespace

void size_view_node_records(int nodes)
{
    const std::size_t n = record_entries(nodes);
    for (int c = 0; c < 3; ++c) {
        ViewState.node_screen[c].resize(n);
        ViewState.node_deflected_offset[c].resize(n);
    }
}

void size_node_records(int nodes)
{
    size_node_records(TrussModel, nodes);
    size_view_node_records(nodes);
}

void size_element_records(int elements)
{
    size_element_records(TrussModel, elements);
}

int usable_node_count()
{
    std::size_t entries = ViewState.node_screen[2].size();
    for (int c = 1; c < 3; ++c)
        entries = std::min({entries, ViewState.node_screen[c].size(), ViewState.node_deflected_offset[c].size()});
    return std::min(usable_node_count(TrussModel), usable_entries(TrussModel.node_count, entries));
}

int usable_element_count()
{
    return usable_element_count(TrussModel);
}

void apply_3d_view_preset()
{
    apply_view_preset(View, true);
}

void apply_plan_view_preset()
{
    apply_view_preset(View, false);
}

void reset_to_startup_defaults()
{
    TrussModel = TrussModelData{};
    const std::uint32_t resets = ViewState.model_resets + 1;
    ViewState = ViewStateData{};
    ViewState.model_resets = resets;
    size_node_records(0);
    size_element_records(0);
    window_title.clear();
    results_path.clear();
    image_path.clear();
    View.canvas = CanvasSize{};
    draw_set_text_scale(1.0f);
    set_user_units(std::nullopt);
    set_design_limits(DesignLimits{});

    title_text = TITLE_TEXT;

    apply_3d_view_preset();
    View.scale = 0.0f;
    View.rotation_step = DEFAULT_ROTATION_STEP;
    TrussModel.deflection_scale = 0.0f;
    View.deflection_scale = 0.0f;
    View.magnification = 0.0f;
    TrussModel.deflection_factor = DEFAULT_DEFLECTION_FACTOR;

    redraw_pending = 1;
    planar_model = 1;
    results_missing = 0;

    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    start_folder = error ? std::string() : folder.string();
}

void reset_for_load()
{
    // Every entry of the earlier model goes: a file can never show another file's values.
    TrussModel = TrussModelData{};
    for (int c = 0; c < 3; ++c) {
        ViewState.node_screen[c] = std::vector<float>();
        ViewState.node_deflected_offset[c] = std::vector<float>();
    }
    size_node_records(0);
    size_element_records(0);
    TrussModel.deflection_scale = 0.0f;
    View.deflection_scale = 0.0f;
    View.show_deflected = 0;
    View.show_load_values = 0;
    View.show_element_numbers = 0;
    results_missing = 0;
    redraw_pending = 1;
    planar_model = 1;
    apply_3d_view_preset();
    TrussModel.deflection_factor = DEFAULT_DEFLECTION_FACTOR;

    for (int k = 0; k < 4; ++k) {
        TrussModel.coord_max[k] = 0.0f;
        TrussModel.coord_min[k] = 0.0f;
        TrussModel.model_centre[k] = 0.0f;
        ViewState.axis_direction[k][0] = 0.0f;
        ViewState.axis_direction[k][1] = 0.0f;
        ViewState.axis_defined[k] = 0;
    }
    TrussModel.max_load = 0.0f;
    TrussModel.load_scale = 0.0f;
    TrussModel.max_deflection = 0.0f;

    View.scale = 0.0f;
    ViewState.fit_u_min = ViewState.fit_u_max = 0.0f;
    ViewState.fit_v_min = ViewState.fit_v_max = 0.0f;
    ViewState.animation_phase = 0.0f;
    ++ViewState.model_resets;
    View.rotation_step = DEFAULT_ROTATION_STEP;
}

void set_canvas_size(int width, int height)
{
    View.canvas = canvas_of_size(width, height);
}

// libFuzzer target: the results reader followed by what "Load File" does next (view preset, fit,
// projection) and full redraws on the headless canvas: plain, then with load values, element
// numbers and the deflected shape, then turned and zoomed. Nothing may read or write out of
// bounds, whatever the coordinates, loads and deflections are (NaN, infinities, 1e38).
#include <cstdint>
#include <string_view>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/read_results_file.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "fuzz/fuzz_viewer_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_viewer_setup();
    headless_reset_log();
    if (!read_results_from_memory(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    if (planar_model != 0)
        apply_plan_view_preset();
    refresh_projection(true);
    redraw_view();

    View.show_load_values = 1;
    View.show_element_numbers = 1;
    View.show_deflected = 1;
    View.deflection_scale = TrussModel.deflection_scale;  // the scale "Deflected" takes from its field
    redraw_view();

    View.azimuth += 37.0f;
    View.elevation += 11.0f;
    View.scale *= 1000.0f;
    refresh_projection(false);
    redraw_view();
    return 0;
}

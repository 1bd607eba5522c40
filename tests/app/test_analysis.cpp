// The magnification measured on the drawn deflected shape: the window's projection of a loaded
// file against the model's deflections.
#include "app/ui/window_state.h"
#include "app_fixture.h"

#include <cmath>

#include "app/ui/canvas_view.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

class AnalysisTest : public AppTest {};

TEST_F(AnalysisTest, MagnificationIsTheDrawnDeflectionOverTheDrawnLength)
{
    load(EXAMPLES + "bridge.res");
    show_fitted();  // the plan view: x and y lie in the canvas
    View.show_deflected = 1;
    for (int zoom = 0; zoom < 2; ++zoom) {
        SCOPED_TRACE(zoom);
        redraw_view();
        // Pixels per metre from the 24 m between the supports; the deflection's pixels at node 4.
        const double span = std::hypot(ViewState.node_screen[1][7] - ViewState.node_screen[1][1],
                                       ViewState.node_screen[2][7] - ViewState.node_screen[2][1]);
        const double pixels_per_metre = span / 24.0;
        const double drawn = std::hypot(ViewState.node_deflected_offset[1][4], ViewState.node_deflected_offset[2][4]);
        const double moved = std::hypot(TrussModel.node_deflections[2][4], TrussModel.node_deflections[3][4]);
        EXPECT_NEAR(drawn_magnification(), drawn / moved / pixels_per_metre, 1e-4 * drawn_magnification());
        EXPECT_GT(drawn_magnification(), 10);  // about 50 here: the sag of 17 mm drawn as 15 px
        zoom_in();
        refresh_projection(false);
    }
}

}  // namespace

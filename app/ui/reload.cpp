// Reloading, the file watch and dropped files.
//
// State: the "Reload when the file changes" switch. The reload saves the view's own values,
// applies the load reset and the read, and puts the values back (the reader sets the "3D" box
// and the scale field from the new file; both go back to what the user had). Nodes that did not
// move in the file stay where they were on the canvas.
#include "app/ui/reload.h"

#include "app/model/inspect.h"
#include "app/model/model.h"
#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/results_window.h"
#include "app/view/overlays.h"
#include "app/view/picking.h"
#include "app/view/view.h"
#include "gui/gadget.h"
#include "gui/input.h"

namespace {

bool watch_on = false;  // "Reload when the file changes"

void follow_path()
{
    file_watch(watch_on ? results_path : std::string());
}

}  // namespace

void reload_file()
{
    if (results_path.empty())
        return;
    const float azimuth = View.azimuth, elevation = View.elevation;
    const float scale = View.scale, step = View.rotation_step;
    const ViewPanData pan = View.pan;
    const std::int8_t loads = View.show_load_values, numbers = View.show_element_numbers;
    const std::int8_t deflected = View.show_deflected;
    const float deflection_scale = TrussModel.deflection_scale;
    const std::string scale_text = gadget_get_text(ID_DEFLECTION_SCALE);
    const int box_3d = gadget_get_state(ID_3D);
    const int member = View.overlays.highlight_member, node = View.overlays.highlight_node;
    float centre[4];
    for (int k = 0; k < 4; ++k)
        centre[k] = TrussModel.model_centre[k];

    reset_for_load();
    open_results_file();
    read_results();

    View.azimuth = azimuth;
    View.elevation = elevation;
    View.rotation_step = step;
    View.show_load_values = loads;
    View.show_element_numbers = numbers;
    View.show_deflected = deflected;
    TrussModel.deflection_scale = deflection_scale;
    gadget_set_text(ID_DEFLECTION_SCALE, scale_text);
    gadget_set_state(ID_3D, box_3d);
    picking_invalidate();
    inspect_invalidate();
    if (scale > 0.0f) {
        // Coordinates are drawn about the model's centre, which moves when the extent changes:
        // the pan takes the move up so that what stayed in the file stays on the canvas.
        View.scale = scale;
        update_view_matrix();
        const ProjectedPoint moved = project_point(TrussModel.model_centre[1] - centre[1],
                                                   TrussModel.model_centre[2] - centre[2],
                                                   TrussModel.model_centre[3] - centre[3]);
        View.pan.u = pan.u + moved.u;
        View.pan.v = pan.v + moved.v;
        refresh_projection(false);
    } else {
        refresh_projection(true);  // nothing was drawn before: fit what came
    }
    View.overlays.highlight_member = member <= usable_element_count() ? member : 0;
    View.overlays.highlight_node = node <= usable_node_count() ? node : 0;
    redraw_view();
    results_window_refresh();
}

bool reload_on_change()
{
    return watch_on;
}

void set_reload_on_change(bool on)
{
    watch_on = on;
    follow_path();
}

void file_changed()
{
    if (watch_on)
        reload_file();
}

void open_dropped_file(const std::string& path)
{
    if (path.empty())
        return;
    load_path(path);
    after_load();
}

void after_load()
{
    gestures_reset();
    follow_path();
}

// Reloading, the file watch and dropped files.
//
// State: the "Reload when the file changes" switch. The reload keeps the settings (View) and the
// deflection scale, applies the load reset and the read, and puts them back, the "3D" box and the
// scale field with them (the reader sets both from the new file). Nodes that did not move in the
// file stay where they were on the canvas.
#include "app/ui/reload.h"

#include "app/model/inspect.h"
#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/gestures.h"
#include "app/ui/load_file.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/results_window.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/picking.h"
#include "app/view/view.h"
#include "gui/input.h"

namespace {

bool watch_on = false;  // "Reload when the file changes"

// The watch follows the shown file, or every file of a shown set of load cases.
void follow_path()
{
    std::vector<std::string> paths;
    if (watch_on && case_set_shown())
        paths = case_set_files();
    else if (watch_on && !results_path.empty())
        paths = {results_path};
    file_watch(paths);
}

}  // namespace

void reload_file()
{
    if (results_path.empty())
        return;
    if (reload_case_set()) {
        follow_path();  // the combinations file may name other files now
        return;
    }
    if (results_read_running(ReadKind::show))
        return;  // a file being loaded is read anyway
    read_results_file(results_path, ReadKind::reload, show_reloaded_file);
}

void show_reloaded_file(WindowRead& read)
{
    const std::string failure = read_failure(read);
    if (!failure.empty()) {
        set_window_note("Reload failed: " + failure);
        return;
    }
    set_window_note("");
    const ViewSettings kept = View;
    float centre[4];
    for (int k = 0; k < 4; ++k)
        centre[k] = TrussModel.model_centre[k];

    reset_for_load();
    apply_window_read(read);

    View = kept;
    show_settings();
    picking_invalidate();
    inspect_invalidate();
    if (View.scale > 0.0f) {
        // Coordinates are drawn about the model's centre, which moves when the extent changes:
        // the pan takes the move up so that what stayed in the file stays on the canvas.
        update_view_matrix();
        const ProjectedPoint moved = project_point(TrussModel.model_centre[1] - centre[1],
                                                   TrussModel.model_centre[2] - centre[2],
                                                   TrussModel.model_centre[3] - centre[3]);
        View.pan.u += moved.u;
        View.pan.v += moved.v;
        refresh_projection(false);
    } else {
        refresh_projection(true);  // nothing was drawn before: fit what came
    }
    if (View.overlays.highlight_member > usable_element_count())
        View.overlays.highlight_member = 0;
    if (View.overlays.highlight_node > usable_node_count())
        View.overlays.highlight_node = 0;
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
}

void open_dropped_files(const std::vector<std::string>& paths)
{
    if (paths.size() < 2) {
        open_dropped_file(paths.empty() ? std::string() : paths.front());
        return;
    }
    if (load_case_files(paths))
        after_load();
}

void after_load()
{
    gestures_reset();
    follow_path();
}

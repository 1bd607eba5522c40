// Choosing and loading a results file.
//
// State: results_path, window_title, the settings and the model (app/model/model.h), which the
// main window's controls mirror. results_path changes only when a read has ended.
#include "app/ui/load_file.h"

#include <string>
#include <vector>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/reload.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/results_window.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/view.h"
#include "core/str.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

std::vector<std::string> chosen_together;  // the files of the last choice when there were several

}  // namespace

void choose_results_file(bool several)
{
    // "*.*" is no plain file name, so the dialog starts with an empty name in the folder of the
    // last run's last choice, else in the working folder.
    chosen_together.clear();
    const std::string offered = remembered_folder(DialogFolder::Load) + "*.*";
    if (!several) {
        results_path = req_open_file("OPEN ..", offered, "View File (*.*)| *.*", 0);
        remember_folder(DialogFolder::Load, results_path);
        return;
    }
    std::vector<std::string> chosen = req_open_files("OPEN ..", offered, "View File (*.*)| *.*", 0);
    results_path = chosen.empty() ? std::string() : chosen.front();
    remember_folder(DialogFolder::Load, results_path);
    if (chosen.size() > 1)
        chosen_together = std::move(chosen);
}

bool load_file()
{
    const std::string shown = results_path;
    choose_results_file(true);
    const std::string chosen = results_path;
    // Until the new file has been read, the shown file, its view, the switches, the selection and
    // the caption stay as they are; after a cancel for good.
    results_path = shown;
    if (chosen.empty())
        return false;
    if (!chosen_together.empty()) {
        const std::vector<std::string> paths = std::move(chosen_together);
        chosen_together.clear();
        if (load_case_files(paths))
            after_load();
        return true;
    }
    load_path(chosen);
    return true;
}

void load_path(const std::string& path)
{
    if (is_cases_path(path)) {
        if (load_case_files({path}))
            after_load();
        return;
    }
    read_results_file(path, ReadKind::show, [](WindowRead& read) {
        forget_case_set();
        show_read_file(read);
        after_load();
    });
}

void show_read_file(WindowRead& read)
{
    set_window_note("");
    results_path = read.path;
    reset_for_load();
    // The selection belongs to the model being replaced; the overlay switches are the user's and stay.
    View.overlays.highlight_member = 0;
    View.overlays.highlight_node = 0;
    // As at start-up: the boxes unticked (the load reset cleared the switches), "Vertical" chosen,
    // and the scale field showing the reset scale until the reader finds deflections. The step
    // field keeps its text.
    View.preset_3d = false;
    View.rotate_horizontal = false;
    View.deflection_scale_text = str_from_float(TrussModel.deflection_scale, 0);
    show_settings();
    apply_window_read(read);
    show_read_settings();
    if (planar_model != 0) {
        apply_plan_view_preset();
    }
    window_title = title_text + results_path;
    win_set_title(MAIN_WINDOW, window_title);
    refresh_projection(true);
    redraw_view();
    results_window_refresh();
}

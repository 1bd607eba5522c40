// Choosing and loading a results file.
//
// State: results_path, window_title, the settings and the model (app/model/model.h), which the
// main window's controls mirror, and file slot RESULTS_FILE, which stays open from the choice
// until the reader has read it.
#include "app/ui/load_file.h"

#include <cerrno>
#include <string>
#include <vector>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/ids.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "app/view/view.h"
#include "core/file.h"
#include "core/str.h"
#include "gui/requester.h"
#include "gui/window.h"

void open_results_file()
{
    // A file that cannot be opened is not reported here: the reader finds the slot closed. A named
    // pipe that nothing came through in time is told first, so that the reader's error after it
    // makes sense.
    errno = 0;
    if (file_open_read(RESULTS_FILE, results_path) == 0 && errno == ETIMEDOUT) {
        const int wait = file_pipe_wait();
        const std::string within = wait % 1000 == 0 ? std::to_string(wait / 1000) + " seconds"
                                                    : std::to_string(wait) + " ms";
        req_message("Warning", "Nothing came through the pipe " + results_path + " within " + within, 0);
    }
}

namespace {

std::vector<std::string> chosen_together;  // the files of the last choice when there were several

}  // namespace

void choose_results_file(bool several)
{
    // "*.*" is no plain file name, so the dialog starts with an empty name in the working folder.
    chosen_together.clear();
    if (several) {
        std::vector<std::string> chosen = req_open_files("OPEN ..", "*.*", "View File (*.*)| *.*", 0);
        results_path = chosen.empty() ? std::string() : chosen.front();
        if (chosen.size() > 1)
            chosen_together = std::move(chosen);
    } else {
        results_path = req_open_file("OPEN ..", "*.*", "View File (*.*)| *.*", 0);
    }
    if (!results_path.empty() && chosen_together.empty()) {
        open_results_file();
    }
}

namespace {

// A combinations file is read as a set of load cases (a refused set leaves shown on show);
// any other file as a results file, alone.
void show_chosen_file(const std::string& shown)
{
    if (chosen_together.empty() && !is_cases_path(results_path)) {
        forget_case_set();
        show_opened_file();
        return;
    }
    std::vector<std::string> paths = {results_path};
    if (chosen_together.empty())
        file_close(RESULTS_FILE);
    else
        paths = std::move(chosen_together);
    chosen_together.clear();
    results_path = shown;
    load_case_files(paths);
}

}  // namespace

bool load_file()
{
    const std::string shown = results_path;
    choose_results_file(true);
    if (results_path.empty()) {
        // Cancel: the shown file, its view, the switches, the selection and the caption stay as they were.
        results_path = shown;
        return false;
    }
    show_chosen_file(shown);
    return true;
}

void load_path(const std::string& path)
{
    const std::string shown = results_path;
    results_path = path;
    if (!is_cases_path(path))
        open_results_file();
    show_chosen_file(shown);
}

void show_opened_file()
{
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
    read_results();
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

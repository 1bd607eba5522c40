// Start-up, the main procedure and shutdown.
//
// The runtime modules start in a fixed order and stop in the reverse groups; all viewer state is
// global (app/model.h) and set to its defaults before the main window opens.
#include "app/ui/startup.h"

#include <string_view>

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/file.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "gui/gadget.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

// The start's part after the read of the first file: the read put into the window, the view the
// model asks for, the repaints answered, the fitted drawing and the caption.
void show_first_file(WindowRead& read)
{
    set_window_note("");
    results_path = read.path;
    apply_window_read(read);
    show_read_settings();
    if (planar_model != 0) {
        apply_plan_view_preset();
    }
    refresh_projection(true);
    win_set_callback(on_window_message);
    redraw_view();
    window_title = title_text + results_path;
    win_set_title(MAIN_WINDOW, window_title);
}

}  // namespace

void runtime_start()
{
    image_codec_init();
    image_init();
    draw_init();
    event_init();
    file_init();
    win_init();
    gadget_init();
    req_init();
}

void runtime_end()
{
    req_end();
    gadget_end();
    win_end();
    file_end();
    event_end();
    image_end();
}

std::string join_command_line(int argc, const char* const* argv)
{
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            joined += ' ';
        }
        joined += argv[i] != nullptr ? argv[i] : "";
    }
    return joined;
}

ViewerRequest read_viewer_command_line(int argc, const char* const* argv, std::vector<const char*>& parameters)
{
    parameters.clear();
    const std::string first = argc > 1 && argv[1] != nullptr ? argv[1] : "";
    if (argc == 2 && first == "--help")
        return ViewerRequest::Help;
    if (argc == 2 && first == "--version")
        return ViewerRequest::Version;
    if (argc == 2 && first == "--reset-settings")
        return ViewerRequest::ResetSettings;
    parameters.push_back(argc > 0 ? argv[0] : "kelvaro");
    for (int i = first == "--" ? 2 : 1; i < argc; ++i)
        parameters.push_back(argv[i]);
    return ViewerRequest::Open;
}

std::string viewer_help_text()
{
    return "Usage: kelvaro [RESULTS FILE]\n"
           "       kelvaro -- RESULTS FILE\n"
           "       kelvaro --cases FILE.cases | RESULTS...\n"
           "Shows the results of a finite-element truss analysis (a results file, as kelvaro-solve\n"
           "writes it) in a window on the X display. Every parameter is part of the path, so a path\n"
           "with spaces may be given unquoted; without one an open-file dialog asks for the file.\n"
           "A first \"--\" is not part of the path: it lets a path start with \"--\".\n"
           "A combinations file (.cases), or the results files after --cases, are load cases of\n"
           "one truss: PageDown and PageUp step through them, e shows their envelope.\n"
           "\n"
           "  --help      show this help and exit (only as the one parameter)\n"
           "  --version   show the version and exit (only as the one parameter)\n"
           "  --reset-settings\n"
           "              forget the remembered switches and window size, and exit (only as\n"
           "              the one parameter)\n"
           "\n"
           "See also kelvaro-render(1) for pictures without a display and kelvaro-solve(1).\n";
}

void viewer_start(int argc, const char* const* argv)
{
    runtime_start();
    // Defaults of the view and switches, the caption prefix, pi and the start folder.
    reset_to_startup_defaults();
    image_use_jpeg_encoder();
    open_main_window();
    restore_remembered_settings();

    results_path = join_command_line(argc, argv);
    // "--cases FILE..." (a combinations file or results files), or a file named *.cases: a set
    // of load cases.
    const bool cases_option = argc > 2 && argv[1] != nullptr && std::string_view(argv[1]) == "--cases";
    if (cases_option || is_cases_path(results_path)) {
        std::vector<std::string> paths;
        for (int i = cases_option ? 2 : 1; cases_option && i < argc; ++i)
            paths.emplace_back(argv[i] != nullptr ? argv[i] : "");
        if (!cases_option)
            paths.push_back(results_path);
        const std::string path = paths.front();
        results_path.clear();
        win_set_callback(on_window_message);
        if (!load_case_files(paths)) {
            results_path = path;
            window_title = title_text + results_path;
            win_set_title(MAIN_WINDOW, window_title);
            redraw_view();
        }
        return;
    }
    if (results_path.empty()) {
        choose_results_file();
    }
    const std::string path = results_path;
    // The caption and the repaints wait for the read; one that goes on in the background leaves
    // the empty canvas answering meanwhile, and the path shown only once the file is.
    results_path.clear();
    if (!read_results_file(path, ReadKind::show, show_first_file))
        win_set_callback(on_window_message);
}

void viewer_shutdown()
{
    results_read_cancel();  // a read still going ends before the runtime it reports to
    draw_end();
    runtime_end();
}

int viewer_main(int argc, const char* const* argv)
{
    viewer_start(argc, argv);
    run_event_loop();
    remember_settings();
    viewer_shutdown();
    return 0;
}

// Start-up, the main procedure and shutdown.
//
// The runtime modules start in a fixed order and stop in the reverse groups; all viewer state is
// global (app/model.h) and set to its defaults before the main window opens.
#include "app/ui/startup.h"

#include "app/model/results_reader.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/main_window.h"
#include "app/ui/read_results_file.h"
#include "app/ui/remembered_settings.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/file.h"
#include "draw/draw.h"
#include "draw/image.h"
#include "gui/gadget.h"
#include "gui/requester.h"
#include "gui/window.h"

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
           "Shows the results of a finite-element truss analysis (a results file, as kelvaro-solve\n"
           "writes it) in a window on the X display. Every parameter is part of the path, so a path\n"
           "with spaces may be given unquoted; without one an open-file dialog asks for the file.\n"
           "A first \"--\" is not part of the path: it lets a path start with \"--\".\n"
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
    if (results_path.empty()) {
        choose_results_file();
    } else {
        open_results_file();
    }
    read_results();
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

void viewer_shutdown()
{
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

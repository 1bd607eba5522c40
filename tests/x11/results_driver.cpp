// A test program for the results window on the FLTK backend: starts the viewer on the results file
// named by its parameters, opens the results window and runs the viewer's commands until the main
// window closes.
//
//   results_driver [--select member|node N] RESULTS FILE...
//
// --select asks for that canvas selection once the window is open. Output lines: "ready" once the
// window is asked to show, "highlight member N" / "highlight node N" / "highlight none" whenever
// the canvas selection changes (a row was selected in the window).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/ui/canvas_view.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/overlays.h"
#include "gui/backend.h"
#include "gui/window.h"

int main(int argc, char** argv)
{
    std::vector<const char*> parameters{argv[0]};
    std::string select_kind;
    int select_index = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--select") == 0 && i + 2 < argc) {
            select_kind = argv[i + 1];
            select_index = std::atoi(argv[i + 2]);
            i += 2;
        } else {
            parameters.push_back(argv[i]);
        }
    }
    if (!gui_use_fltk()) {
        std::fprintf(stderr, "results_driver: no X display\n");
        return 1;
    }
    gui_fltk_own_dialogs(true);
    viewer_start(static_cast<int>(parameters.size()), parameters.data());
    results_window_show();
    if (!select_kind.empty()) {
        // As a click on the canvas does: the highlight, then the window's row.
        (select_kind == "node" ? View.overlays.highlight_node : View.overlays.highlight_member) = select_index;
        redraw_pending = 1;
        results_window_select(select_kind == "node" ? ResultsKind::Node : ResultsKind::Member, select_index);
    }
    std::cout << "ready" << std::endl;

    int member = View.overlays.highlight_member, node = View.overlays.highlight_node;
    for (;;) {
        const int event = event_wait();
        bool leave = event == EVENT_CLOSE_WINDOW;
        if (event == EVENT_GADGET)
            leave = run_command(event_gadget());
        if (redraw_pending != 0) {
            redraw_view();
            redraw_pending = 0;
        }
        if (View.overlays.highlight_member != member || View.overlays.highlight_node != node) {
            member = View.overlays.highlight_member;
            node = View.overlays.highlight_node;
            if (member != 0)
                std::cout << "highlight member " << member << std::endl;
            else if (node != 0)
                std::cout << "highlight node " << node << std::endl;
            else
                std::cout << "highlight none" << std::endl;
        }
        if (leave)
            break;
    }
    results_window_close();
    viewer_shutdown();
    return 0;
}

// kelvaro: the truss results viewer on the X display.
//
// Usage: kelvaro [RESULTS FILE], kelvaro -- RESULTS FILE, kelvaro --help, kelvaro --version. Every
// parameter is part of the path (a path with spaces may come unquoted); without one an open-file
// dialog asks for the file. --help and --version answer without a display.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/ui/read_results_file.h"
#include "app/ui/startup.h"
#include "core/version.h"
#include "gui/backend.h"

namespace {

constexpr int READ_WAIT_MS = 300;  // how long a read holds the window before going on beside it

}  // namespace

int main(int argc, char** argv)
{
    // Past a file size limit a save fails with EFBIG and says so instead of the signal ending the
    // program and losing the open window.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<const char*> parameters;
    switch (read_viewer_command_line(argc, argv, parameters)) {
    case ViewerRequest::Help:
        std::fputs(viewer_help_text().c_str(), stdout);
        return 0;
    case ViewerRequest::Version:
        std::fputs(version_text("kelvaro").c_str(), stdout);
        return 0;
    case ViewerRequest::ResetSettings:
        gui_fltk_reset_preferences();
        return 0;
    case ViewerRequest::Open:
        break;
    }
    if (!gui_use_fltk()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "kelvaro: cannot open the X display%s%s; kelvaro is a desktop program "
                     "and needs one.\n",
                     display != nullptr ? " " : " (DISPLAY is not set)", display != nullptr ? display : "");
        return 1;
    }
    // A read that takes longer than this goes on beside the window, which keeps answering.
    set_results_read_wait(READ_WAIT_MS);
    return viewer_main(static_cast<int>(parameters.size()), parameters.data());
}

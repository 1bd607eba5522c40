// kelvaro: the truss results viewer on the X display.
//
// Usage: kelvaro [RESULTS FILE]. Every parameter is part of the path (a path with spaces may come
// unquoted); without one an open-file dialog asks for the file.
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"
#include "gui/backend.h"

int main(int argc, char** argv) {
    if (!gui_use_fltk()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "kelvaro: cannot open the X display%s%s; kelvaro is a desktop program "
                     "and needs one.\n", display != nullptr ? " " : " (DISPLAY is not set)",
                     display != nullptr ? display : "");
        return 1;
    }
    return viewer_main(argc, argv);
}

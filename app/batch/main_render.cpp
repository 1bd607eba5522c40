// kelvaro-render: draws a results file as the viewer's canvas shows it and saves it as a JPEG
// file, with no display. See share/kelvaro-render.1 or --help.
#include <csignal>
#include <cstdio>

#include "app/batch/batch_render.h"

int main(int argc, char** argv)
{
    // Past a file size limit a write fails with EFBIG and is reported ("cannot write", status 3)
    // instead of the signal ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    return render_main(argc, argv, stdout, stderr);
}

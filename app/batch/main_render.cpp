// kelvaro-render: draws a results file as the viewer's canvas shows it and saves it as a JPEG
// file, with no display. See share/kelvaro-render.1 or --help.
#include <cstdio>

#include "app/batch/batch_render.h"

int main(int argc, char** argv)
{
    return render_main(argc, argv, stdout, stderr);
}

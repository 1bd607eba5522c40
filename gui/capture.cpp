// Capture of a whole top-level window (frame and caption included) into a drawing pass's picture.
// Stateless: everything is asked of the backend.
#include "gui/capture.h"
#include "draw/draw.h"
#include "gui/platform.h"

std::intptr_t win_find(std::string_view caption)
{
    return platform().find_window(caption);
}

void win_restore(std::intptr_t handle)
{
    if (handle)
        platform().restore(handle);
}

bool win_outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom)
{
    return handle && platform().outer_rect(handle, left, top, right, bottom);
}

bool win_capture(std::intptr_t handle, std::intptr_t context)
{
    Picture* picture = draw_context_picture(context);
    if (!handle || !picture || picture->bits.empty())
        return false;
    return platform().capture(handle, *picture);
}

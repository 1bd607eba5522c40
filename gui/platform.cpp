// Which backend is in force. The headless backend serves until another one is chosen.
#include "gui/platform.h"
#include "gui/backend.h"

namespace {

Platform* current = nullptr;  // the chosen backend, nullptr for headless

}  // namespace

Platform& platform()
{
    return current ? *current : headless_platform();
}

void platform_set(Platform* backend)
{
    current = backend;
}

void gui_use_headless()
{
    platform_set(nullptr);
}

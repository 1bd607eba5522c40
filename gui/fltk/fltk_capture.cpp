// The FLTK backend's window capture: finding a window of this program by caption, its outer
// rectangle (the window manager's frame included) and drawing the framed window into a picture.
//
// State: none of its own (reads the backend's window set). The frame is read from the screen and
// the client area is drawn again from its widgets, so a covered window is captured right.
#include <FL/Fl.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>

#include "gui/fltk/fltk_platform.h"

namespace {

// The outermost X window that holds window: the window manager's frame, or window itself.
Window frame_of(Window window)
{
    for (;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(fl_display, window, &root, &parent, &children, &count))
            return window;
        if (children)
            XFree(children);
        if (!parent || parent == root)
            return window;
        window = parent;
    }
}

}  // namespace

std::intptr_t FltkPlatform::find_window(std::string_view caption)
{
    RuntimeWindow* found = nullptr;
    for (RuntimeWindow* window : windows) {
        const char* label = window->label();
        if (std::string_view(label ? label : "") == caption &&
            (!found || window->number < found->number))
            found = window;
    }
    return reinterpret_cast<std::intptr_t>(found);
}

bool FltkPlatform::outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom)
{
    RuntimeWindow* window = this->window(handle);
    if (!window || !window->shown())
        return false;
    const Window frame = frame_of(fl_xid(window));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(fl_display, frame, &attributes))
        return false;
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(fl_display, frame, attributes.root, 0, 0, &x, &y, &child);
    left = x - attributes.border_width;
    top = y - attributes.border_width;
    right = x + attributes.width + attributes.border_width;
    bottom = y + attributes.height + attributes.border_width;
    return true;
}

void FltkPlatform::restore(std::intptr_t handle)
{
    RuntimeWindow* window = this->window(handle);
    if (!window)
        return;
    if (!window->shown() || !window->visible())
        fltk_show_and_wait(window);
}

bool FltkPlatform::capture(std::intptr_t handle, Picture& picture)
{
    RuntimeWindow* window = this->window(handle);
    if (!window || !window->shown() || picture.bits.empty())
        return false;
    const int width = window->decorated_w(), height = window->decorated_h();
    if (width < 1 || height < 1)
        return false;
    Fl_RGB_Image* image = nullptr;
    {
        Fl_Image_Surface surface(width, height);
        surface.set_current();
        surface.draw_decorated_window(window);
        image = surface.image();
        Fl_Display_Device::display_device()->set_current();
    }
    if (!image)
        return false;
    const int depth = image->d();
    const int line = image->ld() ? image->ld() : image->w() * depth;
    const auto* pixels = reinterpret_cast<const std::uint8_t*>(image->data()[0]);
    const int bytes = picture.bits_per_pixel / 8;
    const int rows = std::min(picture.height, image->h());
    const int columns = std::min(picture.width, image->w());
    for (int y = 0; y < rows && depth >= 3; ++y) {
        const std::uint8_t* from = pixels + static_cast<std::size_t>(y) * line;
        std::uint8_t* to = picture_row(picture, y);
        for (int x = 0; x < columns; ++x, from += depth, to += bytes) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    delete image;
    return depth >= 3;
}

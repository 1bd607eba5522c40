// The FLTK backend's window capture: finding a window of this program by caption, its outer
// rectangle (the window manager's frame included) and drawing the framed window into a picture.
//
// State: none of its own (reads the backend's window set). Size and pixels come from one source,
// the outermost window that holds the client (the window manager's frame, however many windows it
// nests): its rectangle is read from the screen, and the client area is drawn again from its
// widgets on top, so a covered client is captured right. A frame that is not wholly on the screen,
// or one whose size is no longer the picture's, is a failed capture, never a partly black picture.
#include <FL/Fl.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/x.H>

#include <algorithm>
#include <bit>
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

// The outer rectangle of the frame holding window on the screen, the frame's X border included.
bool frame_rect(RuntimeWindow* window, int& left, int& top, int& width, int& height)
{
    const Window frame = frame_of(fl_xid(window));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(fl_display, frame, &attributes))
        return false;
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(fl_display, frame, attributes.root, 0, 0, &x, &y, &child);
    left = x - attributes.border_width;
    top = y - attributes.border_width;
    width = attributes.width + 2 * attributes.border_width;
    height = attributes.height + 2 * attributes.border_width;
    return true;
}

// One colour channel of an X pixel as 8 bits, mask being the channel's bits in the pixel.
std::uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = mask >> shift;
    return static_cast<std::uint8_t>(value * 255 / top);
}

// Copies the screen rectangle (left, top) of the picture's size into it; false when it is not
// wholly on the screen or cannot be read.
bool read_screen(int left, int top, Picture& picture)
{
    const Window root = RootWindow(fl_display, fl_screen);
    XWindowAttributes screen;
    if (!XGetWindowAttributes(fl_display, root, &screen) || left < 0 || top < 0 ||
        left + picture.width > screen.width || top + picture.height > screen.height)
        return false;
    XImage* image = XGetImage(fl_display, root, left, top, static_cast<unsigned>(picture.width),
                              static_cast<unsigned>(picture.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    const int bytes = picture.bits_per_pixel / 8;
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* to = picture_row(picture, y);
        for (int x = 0; x < picture.width; ++x, to += bytes) {
            const unsigned long pixel = XGetPixel(image, x, y);
            to[0] = channel(pixel, image->blue_mask);
            to[1] = channel(pixel, image->green_mask);
            to[2] = channel(pixel, image->red_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

// Draws window's widgets into the picture with the client's top left corner at (left, top).
bool draw_client(RuntimeWindow* window, int left, int top, Picture& picture)
{
    Fl_RGB_Image* image = nullptr;
    {
        Fl_Image_Surface surface(window->w(), window->h());
        surface.set_current();
        surface.draw(window);
        image = surface.image();
        Fl_Display_Device::display_device()->set_current();
    }
    if (!image)
        return false;
    const int depth = image->d();
    const bool whole = depth >= 3 && image->w() == window->w() && image->h() == window->h() && left >= 0 && top >= 0 &&
                       left + image->w() <= picture.width && top + image->h() <= picture.height;
    if (whole) {
        const int line = image->ld() ? image->ld() : image->w() * depth;
        const auto* pixels = reinterpret_cast<const std::uint8_t*>(image->data()[0]);
        const int bytes = picture.bits_per_pixel / 8;
        for (int y = 0; y < image->h(); ++y) {
            const std::uint8_t* from = pixels + static_cast<std::size_t>(y) * line;
            std::uint8_t* to = picture_row(picture, top + y) + static_cast<std::size_t>(left) * bytes;
            for (int x = 0; x < image->w(); ++x, from += depth, to += bytes) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
    }
    delete image;
    return whole;
}

}  // namespace

std::intptr_t FltkPlatform::find_window(std::string_view caption)
{
    RuntimeWindow* found = nullptr;
    for (RuntimeWindow* window : windows) {
        const char* label = window->label();
        if (std::string_view(label ? label : "") == caption && (!found || window->number < found->number))
            found = window;
    }
    return reinterpret_cast<std::intptr_t>(found);
}

bool FltkPlatform::outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom)
{
    RuntimeWindow* window = this->window(handle);
    int x = 0, y = 0, width = 0, height = 0;
    if (!window || !window->shown() || !frame_rect(window, x, y, width, height))
        return false;
    left = x;
    top = y;
    right = x + width;
    bottom = y + height;
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
    int left = 0, top = 0, width = 0, height = 0;
    if (!window || !window->shown() || picture.bits.empty() || picture.bits_per_pixel < 24 ||
        !frame_rect(window, left, top, width, height))
        return false;
    // The picture was made for the outer rectangle; a frame of another size now would leave
    // parts of it unpainted.
    if (width != picture.width || height != picture.height || !read_screen(left, top, picture))
        return false;
    Window child = 0;
    int client_x = 0, client_y = 0;
    XTranslateCoordinates(fl_display, fl_xid(window), RootWindow(fl_display, fl_screen), 0, 0, &client_x, &client_y,
                          &child);
    return draw_client(window, client_x - left, client_y - top, picture);
}

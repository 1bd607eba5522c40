// The FLTK backend: choosing it, top-level windows, and the wait for platform messages.
//
// State: the backend instance (its window set), the count of platform messages dispatched (raised
// by the system handler and by wake-ups from other threads), and the input held back during the
// program's wait. Expose events of a window (count 0) are its repaint requests; the close box
// becomes the runtime's close request (Escape, which FLTK also routes to the window callback, is
// filtered out).
//
// Input is handed to FLTK in step with the program: once a wait has raised a runtime event, later
// keyboard and mouse events are held back and put back on the X queue when the program has taken
// its events and waits again. FLTK would otherwise read every pending event at once, and a click that arrived after
// some typing would reach its check box before the program had reacted to the typing (which may
// untick that very box).
#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <vector>

#include "gui/backend.h"
#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

unsigned long dispatched = 0;  // platform messages seen so far

struct InputHold {
    bool active = false;        // inside the program's wait
    int pending_at_start = 0;   // runtime events queued when that wait began
    std::vector<XEvent> held;   // input taken off the X queue meanwhile, oldest first
};
InputHold input_hold;

bool is_input(int type)
{
    switch (type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
    case EnterNotify:
    case LeaveNotify:
    case FocusIn:
    case FocusOut:
        return true;
    default:
        return false;
    }
}

// Every X event passes here first; 0 lets FLTK handle it as usual.
int system_handler(void* event, void*)
{
    ++dispatched;
    const XEvent* xevent = static_cast<const XEvent*>(event);
    if (input_hold.active && is_input(xevent->type) &&
        (event_pending() > input_hold.pending_at_start || !input_hold.held.empty())) {
        input_hold.held.push_back(*xevent);
        return 1;
    }
    if (xevent->type == Expose && xevent->xexpose.count == 0) {
        if (auto* window = dynamic_cast<RuntimeWindow*>(fl_find(xevent->xexpose.window)))
            win_report_paint(window->number);
    }
    return 0;
}

// The frame a window manager put around window (left, right, top, bottom in pixels), read from
// _NET_FRAME_EXTENTS; false without a window manager or before it has framed the window.
bool frame_extents(Fl_Window* window, long extents[4])
{
    Display* display = fl_display;
    const Atom wm_check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    const Atom frame = XInternAtom(display, "_NET_FRAME_EXTENTS", True);
    if (wm_check == None || frame == None)
        return false;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, fl_xid(window), frame, 0, 4, False, XA_CARDINAL, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr && format == 32 && count == 4) {
            const long* values = reinterpret_cast<const long*>(data);
            for (int i = 0; i < 4; ++i)
                extents[i] = values[i];
            XFree(data);
            return true;
        }
        if (data != nullptr)
            XFree(data);
        // jwm sets the extents while it frames the window; give it a moment.
        XSync(display, False);
        Fl::wait(0.005);
    }
    return false;
}

void awake_handler(void*)
{
    ++dispatched;
}

void window_callback(Fl_Widget* widget, void*)
{
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    win_report_close(static_cast<RuntimeWindow*>(widget)->number);
}

}  // namespace

RuntimeWindow::RuntimeWindow(int x, int y, int width, int height, int number)
    : Fl_Window(x, y, width, height), number(number)
{
    end();
    callback(window_callback);
}

RuntimeWindow::RuntimeWindow(int width, int height, int number)
    : Fl_Window(width, height), number(number)
{
    end();
    callback(window_callback);
}

FltkPlatform& fltk_platform()
{
    static FltkPlatform instance;
    return instance;
}

bool gui_use_fltk()
{
    static bool ready = false;
    if (!ready) {
        Display* display = XOpenDisplay(nullptr);
        if (!display)
            return false;
        fl_open_display(display);
        Fl::lock();  // enables wake-ups from other threads
        Fl::add_system_handler(system_handler, nullptr);
        // A condensed face at 11 px keeps captions such as "Show Stresses" within 85 pixels.
        Fl::set_font(FL_HELVETICA, " DejaVu Sans Condensed");
        FL_NORMAL_SIZE = 11;
        ready = true;
    }
    platform_set(&fltk_platform());
    return true;
}

RuntimeWindow* FltkPlatform::window(std::intptr_t handle) const
{
    auto* window = reinterpret_cast<RuntimeWindow*>(handle);
    return windows.count(window) ? window : nullptr;
}

void fltk_show_and_wait(Fl_Window* window)
{
    window->show();
    window->wait_for_expose();
    Fl::flush();
}

std::intptr_t FltkPlatform::window_create(const WindowSpec& spec)
{
    if (spec.width < 1 || spec.height < 1)
        return 0;
    Fl_Group::current(nullptr);
    RuntimeWindow* window;
    if (spec.centre)
        window = new RuntimeWindow((Fl::w() - spec.width) / 2, (Fl::h() - spec.height) / 2,
                                   spec.width, spec.height, spec.number);
    else if (spec.default_position)
        window = new RuntimeWindow(spec.width, spec.height, spec.number);
    else
        window = new RuntimeWindow(spec.x, spec.y, spec.width, spec.height, spec.number);
    window->copy_label(spec.title.c_str());
    window->xclass("kelvaro");  // WM_CLASS, matching the desktop entry
    if (spec.sizing_border)
        window->size_range(1, 1);
    else
        window->size_range(spec.width, spec.height, spec.width, spec.height);
    if (!spec.caption)
        window->border(0);
    windows.insert(window);
    if (spec.visible) {
        fltk_show_and_wait(window);
        // FLTK places the client area at (x, y); the window's outer frame belongs there.
        long extents[4] = {0, 0, 0, 0};
        if (!spec.centre && !spec.default_position && spec.caption && frame_extents(window, extents) &&
            (extents[0] != 0 || extents[2] != 0)) {
            window->position(spec.x + static_cast<int>(extents[0]), spec.y + static_cast<int>(extents[2]));
            Fl::flush();
        }
        if (spec.show == 2)
            window->iconize();
    }
    return reinterpret_cast<std::intptr_t>(window);
}

void FltkPlatform::window_destroy(std::intptr_t handle)
{
    RuntimeWindow* window = this->window(handle);
    if (!window)
        return;
    windows.erase(window);
    window->hide();
    delete window;
}

void FltkPlatform::window_set_title(std::intptr_t handle, std::string_view title)
{
    if (RuntimeWindow* window = this->window(handle))
        window->copy_label(std::string(title).c_str());
}

bool FltkPlatform::wait(int milliseconds)
{
    const unsigned long before = dispatched;
    // Input held back by the previous wait goes to the front of the X queue again, in its order.
    for (auto it = input_hold.held.rbegin(); it != input_hold.held.rend(); ++it)
        XPutBackEvent(fl_display, &*it);
    input_hold.held.clear();
    input_hold.active = true;
    input_hold.pending_at_start = event_pending();
    if (milliseconds < 0)
        Fl::wait();
    else
        Fl::wait(milliseconds / 1000.0);
    input_hold.active = false;
    return milliseconds < 0 || dispatched != before;
}

void FltkPlatform::wake()
{
    Fl::awake(awake_handler, nullptr);
}

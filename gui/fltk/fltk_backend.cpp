// The FLTK backend: choosing it, top-level windows, and the wait for platform messages.
//
// State: the backend instance (its window set), the count of platform messages dispatched (X
// events and wake-ups from other threads), and whether the program's own wait is in progress.
// Expose events of a window (count 0) are its repaint requests; the close box becomes the
// runtime's close request (Escape, which FLTK also routes to the window callback, is filtered
// out).
//
// Input reaches the program in step with it: the program's wait dispatches one X event at a time,
// oldest first, through FLTK's own handler (fl_handle), as FLTK's X11 loop does for each event it
// reads, so that a click that arrived after some typing reaches its check box only after the
// program has reacted to the typing (which may untick that very box). Whatever the program does
// not take stays in Xlib's queue, in its order: a modal loop (message box, file chooser) started by
// the program finds it there and handles it as it would any input. The X connection's descriptor
// callback is this file's own for that reason; outside the program's wait it reads every pending
// event, as FLTK's does.
//
// A close request of a runtime window goes to the runtime in its place in that order, also while
// a modal loop runs: FLTK would drop it while a modal window is up, and the GTK file chooser's loop
// reads and drops every event but repaints. fltk_take_close_requests hands those still queued to
// the runtime before such a loop starts.
#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>

#include "gui/backend.h"
#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

unsigned long dispatched = 0;  // platform messages seen so far
bool program_waiting = false;  // inside FltkPlatform::wait: take one X event only

// The runtime window that event is a close request of (WM_DELETE_WINDOW), nullptr if none.
RuntimeWindow* close_request_of(const XEvent& event)
{
    static const Atom protocols = XInternAtom(fl_display, "WM_PROTOCOLS", False);
    static const Atom delete_window = XInternAtom(fl_display, "WM_DELETE_WINDOW", False);
    if (event.type != ClientMessage || event.xclient.message_type != protocols ||
        static_cast<Atom>(event.xclient.data.l[0]) != delete_window)
        return nullptr;
    return dynamic_cast<RuntimeWindow*>(fl_find(event.xclient.window));
}

// What this backend does with an X event before FLTK sees it; true when it was taken here.
bool note_event(const XEvent& event)
{
    ++dispatched;
    if (RuntimeWindow* window = close_request_of(event)) {
        win_report_close(window->number);
        return true;
    }
    if (event.type == Expose && event.xexpose.count == 0) {
        if (auto* window = dynamic_cast<RuntimeWindow*>(fl_find(event.xexpose.window)))
            win_report_paint(window->number);
    }
    return false;
}

// Every X event that FLTK reads itself passes here first; 0 lets FLTK handle it as usual.
int system_handler(void* event, void*)
{
    return note_event(*static_cast<const XEvent*>(event)) ? 1 : 0;
}

// Takes the oldest queued X event and hands it to FLTK as its X11 loop does. A run of pointer
// motions in one window counts as one event (its last position), as in FLTK's loop.
void dispatch_one()
{
    XEvent event;
    XNextEvent(fl_display, &event);
    while (event.type == MotionNotify && XEventsQueued(fl_display, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(fl_display, &next);
        if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window)
            break;
        XNextEvent(fl_display, &event);
    }
    if (note_event(event))
        return;
    fl_handle(event);
    // FLTK's loop sends the move and the leave after the events it has read; here after each one.
    if (event.type == MotionNotify) {
        if (Fl_Window* window = fl_find(event.xmotion.window))
            Fl::handle(FL_MOVE, window);
    } else if (event.type == LeaveNotify && event.xcrossing.detail != NotifyInferior &&
               fl_find(event.xcrossing.window)) {
        Fl::handle(FL_LEAVE, nullptr);
    }
}

// The X connection's descriptor callback: one event in the program's wait, else all pending.
void x_readable(int, void*)
{
    if (program_waiting) {
        if (XEventsQueued(fl_display, QueuedAfterReading) > 0)
            dispatch_one();
        return;
    }
    while (XEventsQueued(fl_display, QueuedAfterReading) > 0)
        dispatch_one();
}

Bool is_close_request(Display*, XEvent* event, XPointer)
{
    return close_request_of(*event) != nullptr ? True : False;
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
        if (XGetWindowProperty(display, fl_xid(window), frame, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
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

RuntimeWindow::RuntimeWindow(int width, int height, int number) : Fl_Window(width, height), number(number)
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
        // The X connection is read by this file's callback instead of FLTK's (see the top).
        Fl::remove_fd(ConnectionNumber(display));
        Fl::add_fd(ConnectionNumber(display), FL_READ, x_readable);
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
        window = new RuntimeWindow((Fl::w() - spec.width) / 2, (Fl::h() - spec.height) / 2, spec.width, spec.height,
                                   spec.number);
    else if (spec.default_position)
        window = new RuntimeWindow(spec.width, spec.height, spec.number);
    else
        window = new RuntimeWindow(spec.x, spec.y, spec.width, spec.height, spec.number);
    window->copy_label(spec.title.c_str());
    window->xclass("kelvaro");  // WM_CLASS, matching the desktop entry
    // Controls keep their places when the window is resized: the program lays them out anew on
    // EVENT_SIZE_WINDOW. A sizing border lets the user enlarge the window (maximising included).
    window->resizable(nullptr);
    if (spec.sizing_border)
        window->size_range(spec.width, spec.height);
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

bool FltkPlatform::window_inner_size(std::intptr_t handle, int& width, int& height)
{
    RuntimeWindow* window = this->window(handle);
    if (!window)
        return false;
    width = window->w();
    height = window->h();
    return true;
}

void FltkPlatform::window_resize(std::intptr_t handle, int width, int height)
{
    if (RuntimeWindow* window = this->window(handle))
        window->size(width, height);
}

void FltkPlatform::window_move(std::intptr_t handle, int x, int y)
{
    RuntimeWindow* window = this->window(handle);
    if (!window)
        return;
    // FLTK places the client area; the frame the window manager drew goes before it. The client
    // area's top-left corner stays on the screen's work area.
    long extents[4] = {0, 0, 0, 0};
    if (window->shown() && window->border())
        frame_extents(window, extents);
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh);
    const int client_x = std::clamp(x + static_cast<int>(extents[0]), sx, std::max(sx, sx + sw - 100));
    const int client_y = std::clamp(y + static_cast<int>(extents[2]), sy, std::max(sy, sy + sh - 100));
    window->position(client_x, client_y);
}

void RuntimeWindow::resize(int x, int y, int width, int height)
{
    const bool sized = width != w() || height != h();
    Fl_Window::resize(x, y, width, height);
    if (sized && shown())
        win_report_size(number);
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
    const int queued = event_pending();  // a file watch queues events without an X event
    // Drawing first: FLTK would draw before blocking, and a drawing that reads from the server
    // may queue events, which FLTK would then read all at once.
    Fl::flush();
    if (XEventsQueued(fl_display, QueuedAfterReading) > 0) {
        dispatch_one();
        Fl::flush();
        return true;
    }
    program_waiting = true;
    if (milliseconds < 0)
        Fl::wait();
    else
        Fl::wait(milliseconds / 1000.0);
    program_waiting = false;
    return milliseconds < 0 || dispatched != before || event_pending() != queued;
}

void FltkPlatform::wake()
{
    Fl::awake(awake_handler, nullptr);
}

void fltk_take_close_requests()
{
    XEventsQueued(fl_display, QueuedAfterReading);
    XEvent event;
    while (XCheckIfEvent(fl_display, &event, is_close_request, nullptr))
        note_event(event);
}

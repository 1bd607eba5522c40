// Finding the program's windows on the display, for the display tests: a window's caption, and a
// shown window whose caption a test wants, polled until it comes. Include after gtest (Xlib's macros
// clash with its names).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The caption of window ("" when it has none).
inline std::string window_caption(Display* display, Window window)
{
    XTextProperty property{};
    if (!XGetWMName(display, window, &property) || !property.value)
        return {};
    std::string name(reinterpret_cast<char*>(property.value), property.nitems);
    XFree(property.value);
    return name;
}

// Every window below window, depth first.
inline void collect_windows(Display* display, Window window, std::vector<Window>& into)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &n))
        return;
    for (unsigned i = 0; i < n; ++i) {
        into.push_back(children[i]);
        collect_windows(display, children[i], into);
    }
    if (children)
        XFree(children);
}

// A shown (viewable) window whose caption satisfies wanted, polled every 10 ms for up to
// milliseconds; 0 when none comes.
inline Window find_shown_window(Display* display, const std::function<bool(const std::string&)>& wanted,
                                int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        std::vector<Window> all;
        collect_windows(display, DefaultRootWindow(display), all);
        for (Window window : all) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
                wanted(window_caption(display, window)))
                return window;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

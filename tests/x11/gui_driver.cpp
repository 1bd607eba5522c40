// A test program for the FLTK backend: opens the viewer's window layout (canvas and the control
// column) and prints what the runtime reports, one line each, while it takes commands on stdin.
//
// Output lines: "ready", "paint <window>", "gadget <number> <data>", "close <window>", and one
// answer per command. Commands arrive from a reader thread through event_post, so they run
// between events, never inside a toolkit callback.
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "draw/draw.h"
#include "gui/backend.h"
#include "gui/canvas_output.h"
#include "gui/capture.h"
#include "gui/gadget.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

constexpr int COMMAND_EVENT = 20000;  // a line waits in the command queue
constexpr const char* TITLE = "Driver Test";

std::mutex command_lock;
std::deque<std::string> commands;

void say(const std::string& line)
{
    std::cout << line << std::endl;
}

std::uint32_t on_message(std::intptr_t window, std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message == WIN_MESSAGE_PAINT)
        say("paint " + std::to_string(window == win_handle(0) ? 0 : -1));
    return DEFAULT_CALLBACK_RESULT;
}

void open_layout()
{
    win_open(0, 150, 150, 800, 500, TITLE, 0x00CA0000);
    gadget_canvas(19, 0, 0, 700, 500);
    gadget_text(1, 720, 10, 60, 19, "Rotate");
    gadget_button(17, 710, 30, 30, 19, "-");
    gadget_button(16, 745, 30, 30, 19, "+");
    gadget_option(3, 715, 50, 110, 24, "Vertical");
    gadget_option(2, 715, 70, 110, 24, "Horizontal");
    gadget_string(4, 730, 90, 28, 17, "5");
    gadget_button(14, 710, 120, 30, 19, "Out");
    gadget_button(15, 745, 120, 30, 19, "In");
    gadget_checkbox(5, 710, 150, 90, 24, "3D");
    gadget_checkbox(6, 710, 180, 90, 24, "Deflected");
    gadget_string(7, 730, 210, 60, 17, "0");
    gadget_button(8, 710, 240, 60, 19, "Animation");
    gadget_checkbox(9, 710, 290, 90, 24, "Applied Load");
    gadget_checkbox(10, 710, 320, 90, 24, "Element No.");
    gadget_button(11, 710, 350, 85, 19, "Show Stresses");
    gadget_button(18, 710, 400, 60, 19, "Save Image");
    gadget_button(12, 710, 430, 60, 19, "Load File");
    gadget_button(13, 710, 460, 60, 19, "Exit");
    gadget_checkbox(20, 705, 375, 90, 24, "Tri-state", CHECKBOX_THREE_STATE);
    gadget_set_state(3, 1);
    gadget_set_state(20, -1);
}

double millis_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Fills the canvas with one colour and a black 10 x 10 square at (20, 30); "drawn" follows
// draw_end at once.
void draw_canvas(int red, int green, int blue)
{
    if (!draw_begin(draw_canvas_output(19)))
        return say("drawn failed");
    draw_box(0, 0, 700, 500, draw_rgb(red, green, blue));
    draw_box(20, 30, 10, 10, draw_rgb(0, 0, 0));
    draw_text(40, 60, "Canvas text", draw_rgb(0, 0, 0), draw_rgb(red, green, blue));
    draw_end();
    say("drawn");
}

void capture(int repeat)
{
    const std::intptr_t handle = win_find(TITLE);
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!handle || !win_outer_rect(handle, left, top, right, bottom))
        return say("capture none");
    win_restore(handle);
    Picture shot;
    picture_make(shot, right - left, bottom - top, 24);
    bool ok = true;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) {
        const std::intptr_t context = draw_begin(draw_picture_output(&shot, nullptr));
        ok = ok && context && win_capture(handle, context);
        draw_end();
    }
    const double ms = millis_since(start) / repeat;
    // The canvas's top-left pixel lies below the frame's left edge and caption.
    std::ostringstream line;
    line << "capture " << shot.width << " " << shot.height << " " << (ok ? "ok" : "failed") << " " << ms;
    say(line.str());
}

void blit_timing(int repeat)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) {
        draw_begin(draw_canvas_output(19));
        draw_end();
    }
    say("blit " + std::to_string(millis_since(start) / repeat));
}

// Runs one command line; false for "quit".
bool run_command(const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in >> std::ws, rest);
    std::istringstream args(rest);
    if (word == "quit") {
        return false;
    } else if (word == "state") {
        int number = 0;
        args >> number;
        say("state " + std::to_string(number) + " " + std::to_string(gadget_get_state(number)));
    } else if (word == "text") {
        int number = 0;
        args >> number;
        say("text " + std::to_string(number) + " " + gadget_get_text(number));
    } else if (word == "settext") {
        int number = 0;
        args >> number;
        std::string text;
        std::getline(args >> std::ws, text);
        gadget_set_text(number, text);
        say("settext done");
    } else if (word == "draw") {
        int red = 0, green = 0, blue = 0;
        args >> red >> green >> blue;
        draw_canvas(red, green, blue);
    } else if (word == "message") {
        say("message " + std::to_string(req_message("Note", rest, REQ_ICON_INFORMATION)));
    } else if (word == "open_file") {
        const std::string chosen = req_open_file("Open File", rest, "View File (*.*)| *.*", 0);
        char cwd[4096];
        say("file " + chosen);
        say(std::string("cwd ") + (getcwd(cwd, sizeof cwd) ? cwd : "?"));
    } else if (word == "capture") {
        int repeat = 1;
        args >> repeat;
        capture(repeat < 1 ? 1 : repeat);
    } else if (word == "blit") {
        int repeat = 1;
        args >> repeat;
        blit_timing(repeat < 1 ? 1 : repeat);
    } else if (word == "title") {
        win_set_title(0, rest);
        say("title done");
    } else {
        say("unknown " + word);
    }
    return true;
}

void read_commands()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        {
            std::lock_guard<std::mutex> guard(command_lock);
            commands.push_back(line);
        }
        event_post(COMMAND_EVENT, 0, 0, 0);
    }
    {
        std::lock_guard<std::mutex> guard(command_lock);
        commands.push_back("quit");
    }
    event_post(COMMAND_EVENT, 0, 0, 0);
}

}  // namespace

int main()
{
    if (!gui_use_fltk()) {
        std::cerr << "gui_driver: no display\n";
        return 2;
    }
    gui_fltk_own_dialogs(true);
    event_init();
    win_init();
    gadget_init();
    req_init();
    draw_init();
    open_layout();
    win_set_callback(on_message);
    draw_canvas(255, 255, 255);
    say("ready");
    std::thread reader(read_commands);
    reader.detach();
    for (bool running = true; running;) {
        const int code = event_wait();
        if (code == EVENT_GADGET) {
            const int data = event_data();
            if (data != CANVAS_MOUSE_MOVE && data != CANVAS_MOUSE_ENTER && data != CANVAS_MOUSE_LEAVE)
                say("gadget " + std::to_string(event_gadget()) + " " + std::to_string(data));
        } else if (code == EVENT_CLOSE_WINDOW) {
            say("close " + std::to_string(event_window()));
        } else if (code == COMMAND_EVENT) {
            // Two posts in a row merge into one event, so every waiting line is run.
            while (running) {
                std::string line;
                {
                    std::lock_guard<std::mutex> guard(command_lock);
                    if (commands.empty())
                        break;
                    line = commands.front();
                    commands.pop_front();
                }
                running = run_command(line);
            }
        }
    }
    req_end();
    gadget_end();
    win_end();
    event_end();
    std::_Exit(0);  // the reader thread may still sit in a read
}

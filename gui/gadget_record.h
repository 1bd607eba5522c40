// The control record and its table, shared by the control files of gui/ (gadget.cpp, canvas.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "draw/picture.h"

struct ControlRecord {
    std::intptr_t handle = 0;          // the platform control
    int kind = 0;                      // GADGET_*
    int window = -1;                   // number of the container window
    std::uint64_t sequence = 0;        // creation order among all controls (sibling order)
    bool group_start = true;           // first control of a group (an option run starts one)
    bool three_state = false;          // check box with a third state
    int tri_state = 0;                 // three-state box: 0, 1 or -1 (the box's own record)
    std::uint32_t flags = 0;           // creation flags
    int x = 0, y = 0;                  // position in the container, pixels
    int width = 0, height = 0;         // size, pixels
    std::shared_ptr<Picture> picture;  // canvas: its picture (kept alive by a drawing pass)
    int buttons = 0;                   // canvas: mouse buttons down (left 1, right 2, middle 4)
    bool captured = false;             // canvas: holds the mouse since a button went down
    bool inside = false;               // canvas: the mouse is over it
    int wheel_rest = 0;                // canvas: wheel units short of a whole notch
};

// The record of control number, nullptr if there is none.
ControlRecord* control_record(int number);

// A fresh runtime on the headless backend with window 0 open (800 x 500 at 150, 150).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "gui/backend.h"
#include "gui/canvas_output.h"
#include "gui/capture.h"
#include "gui/gadget.h"
#include "gui/headless/headless.h"
#include "gui/number_table.h"
#include "gui/requester.h"
#include "gui/runtime.h"
#include "gui/window.h"

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        event_init();
        win_init();
        gadget_init();
        req_init();
        headless_reset_log();
        ASSERT_NE(win_open(0, 150, 150, 800, 500, "Main", 0x00CA0000), 0);
    }

    void TearDown() override
    {
        win_set_callback(nullptr);
        headless_record_frames(false);
        req_end();
        gadget_end();
        win_end();
        event_end();
        headless_reset_log();
    }

    // Takes every pending event: (code, object, data) triples in order.
    static std::vector<std::array<int, 3>> drain()
    {
        std::vector<std::array<int, 3>> taken;
        while (event_pending() > 0) {
            const int code = event_wait();
            taken.push_back({code, event_gadget(), event_data()});
        }
        return taken;
    }
};

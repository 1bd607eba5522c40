// The canvas control: its picture, its drawing output, its input events and the window capture.
#include "draw/draw.h"
#include "gui/canvas_output.h"
#include "gui/capture.h"
#include "gui_fixture.h"

namespace {

using Canvas = GuiTest;

// The B, G, R bytes of the picture's pixel (x, y), packed as draw_rgb would pack R, G, B.
int pixel(const Picture& picture, int x, int y)
{
    const std::uint8_t* at = picture_row(picture, y) + x * (picture.bits_per_pixel / 8);
    return at[2] | at[1] << 8 | at[0] << 16;
}

TEST_F(Canvas, PictureIsWhiteAndAtLeastOnePixel)
{
    struct Case {
        int width, height;
        std::uint32_t flags;
        int picture_width, picture_height;
    };
    const Case cases[] = {
        {700, 500, 0, 700, 500}, {0, 10, 0, 1, 10}, {-5, 0, 0, 1, 1}, {30, 20, 1, 26, 16}, {3, 3, 1, 1, 1}};
    for (const Case& c : cases) {
        ASSERT_NE(gadget_canvas(19, 0, 0, c.width, c.height, c.flags), 0);
        const Picture* picture = gadget_canvas_picture(19);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, c.picture_width);
        EXPECT_EQ(picture->height, c.picture_height);
        EXPECT_EQ(picture->bits_per_pixel, 24);
        EXPECT_EQ(pixel(*picture, picture->width - 1, 0), 0xFFFFFF);
    }
    EXPECT_EQ(gadget_canvas(19, 0, 0, 40000, 10), 0);  // too large for a picture
    EXPECT_EQ(gadget_kind(19), 0);
}

TEST_F(Canvas, DrawEndShowsThePictureAtOnce)
{
    gadget_canvas(19, 0, 0, 6, 5);
    gadget_button(1, 0, 0, 10, 10, "B");
    EXPECT_EQ(draw_canvas_output(1), nullptr);
    EXPECT_EQ(draw_begin(draw_canvas_output(1)), 0);
    headless_record_frames(true);
    DrawOutput* output = draw_canvas_output(19);
    ASSERT_NE(output, nullptr);
    ASSERT_NE(draw_begin(output), 0);
    draw_box(0, 0, 1, 1, draw_rgb(255, 0, 0));
    EXPECT_TRUE(headless_frames().empty());
    draw_end();
    ASSERT_EQ(headless_frames().size(), 1u);
    EXPECT_EQ(pixel(headless_frames()[0], 0, 0), 0x0000FF);
    EXPECT_EQ(pixel(headless_frames()[0], 5, 4), 0xFFFFFF);
    EXPECT_EQ(pixel(*gadget_canvas_picture(19), 0, 0), 0x0000FF);
}

TEST_F(Canvas, FreeingTheCanvasDuringAPassIsSafe)
{
    gadget_canvas(19, 0, 0, 8, 8);
    headless_record_frames(true);
    ASSERT_NE(draw_begin(draw_canvas_output(19)), 0);
    gadget_free(19);
    draw_box(0, 0, 8, 8, 0);  // still writes into the kept picture
    draw_end();
    EXPECT_TRUE(headless_frames().empty());  // no control left to show it
}

TEST_F(Canvas, MouseEvents)
{
    gadget_canvas(19, 0, 0, 100, 80);
    auto types = [] {
        std::vector<int> result;
        for (const auto& e : drain())
            result.push_back(e[2]);
        return result;
    };
    canvas_report_move(19, 10, 10, 0);
    canvas_report_button(19, 0, true, false, 10, 10, 0);
    canvas_report_button(19, 0, false, false, 12, 11, 0);
    EXPECT_EQ(types(), (std::vector<int>{CANVAS_MOUSE_ENTER, CANVAS_MOUSE_MOVE, CANVAS_LEFT_DOWN, CANVAS_LEFT_UP,
                                         CANVAS_LEFT_CLICK}));
    canvas_report_button(19, 1, true, false, 10, 10, 0);
    canvas_report_button(19, 1, false, false, 150, 10, 0);  // released outside: no click
    canvas_report_button(19, 2, false, false, 10, 10, 0);   // up without down: nothing
    canvas_report_button(19, 0, true, true, 5, 5, 0);
    EXPECT_EQ(types(),
              (std::vector<int>{CANVAS_RIGHT_DOWN, CANVAS_RIGHT_UP, CANVAS_LEFT_DOWN, CANVAS_LEFT_DOUBLE_CLICK}));
    canvas_report_button(19, 0, false, false, 5, 5, 0);
    canvas_report_leave(19);
    canvas_report_leave(19);
    EXPECT_EQ(types(), (std::vector<int>{CANVAS_LEFT_UP, CANVAS_LEFT_CLICK, CANVAS_MOUSE_LEAVE}));
}

TEST_F(Canvas, EventsCarryTheirInput)
{
    gadget_canvas(19, 0, 0, 100, 80);
    canvas_report_button(19, 2, true, false, 33, 44, 4);
    canvas_report_wheel(19, 60, 1, 2, 0);
    canvas_report_wheel(19, 70, 1, 2, 0);              // 130: one notch, 10 kept
    canvas_report_wheel(19, -250, 1, 2, 0);            // -240: two notches back
    canvas_report_key(19, CANVAS_CHARACTER, 0, 9, 0);  // below 32: no character event
    canvas_report_key(19, CANVAS_CHARACTER, 'a', 'a', 1);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    ASSERT_NE(event_canvas_input(), nullptr);
    EXPECT_EQ(event_data(), CANVAS_MIDDLE_DOWN);
    EXPECT_EQ(event_canvas_input()->x, 33);
    EXPECT_EQ(event_canvas_input()->y, 44);
    EXPECT_EQ(event_canvas_input()->buttons, 4);
    EXPECT_EQ(event_canvas_input()->modifiers, 4);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    EXPECT_EQ(event_data(), CANVAS_WHEEL);
    EXPECT_EQ(event_canvas_input()->wheel, 1);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    EXPECT_EQ(event_canvas_input()->wheel, -2);
    ASSERT_EQ(event_wait(), EVENT_GADGET);
    EXPECT_EQ(event_data(), CANVAS_CHARACTER);
    EXPECT_EQ(event_canvas_input()->character, 'a');
    EXPECT_EQ(event_pending(), 0);
}

TEST_F(Canvas, CaptureLaysTheCanvasIntoTheClientArea)
{
    win_open(0, 10, 20, 8, 6, "Shot", 0);
    gadget_canvas(19, 2, 1, 3, 2);
    ASSERT_NE(draw_begin(draw_canvas_output(19)), 0);
    draw_box(0, 0, 1, 1, draw_rgb(255, 0, 0));
    draw_box(2, 1, 1, 1, draw_rgb(0, 0, 255));
    draw_end();

    const std::intptr_t handle = win_find("Shot");
    ASSERT_NE(handle, 0);
    win_restore(handle);
    int left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(win_outer_rect(handle, left, top, right, bottom));
    Picture shot;
    ASSERT_TRUE(picture_make(shot, right - left, bottom - top, 24));
    const std::intptr_t context = draw_begin(draw_picture_output(&shot, nullptr));
    ASSERT_NE(context, 0);
    EXPECT_TRUE(win_capture(handle, context));
    EXPECT_FALSE(win_capture(0, context));
    EXPECT_FALSE(win_capture(handle, 0));
    draw_end();
    EXPECT_EQ(shot.width, 8);
    EXPECT_EQ(shot.height, 6);
    EXPECT_EQ(pixel(shot, 2, 1), 0x0000FF);
    EXPECT_EQ(pixel(shot, 4, 2), 0xFF0000);
    EXPECT_EQ(pixel(shot, 3, 1), 0xFFFFFF);
    EXPECT_EQ(pixel(shot, 0, 0), 0xF0F0F0);
    EXPECT_EQ(pixel(shot, 7, 5), 0xF0F0F0);
}

}  // namespace

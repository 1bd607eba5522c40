// Drawing outputs over a sink: the verbs arrive cut to the canvas, in the numbers of draw/sink.h,
// with the output's origin and paint, and draw_text answers as it does on a picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draw/draw.h"
#include "draw/sink.h"

namespace {

// Every verb the sink received, as text.
class Log final : public DrawSink {
public:
    std::vector<std::string> verbs;

    void line(double x1, double y1, double x2, double y2, const DrawPaint& paint) override
    {
        add("line", {x1, y1, x2, y2}, paint);
    }
    void box(double x, double y, double width, double height, const DrawPaint& paint) override
    {
        add("box", {x, y, width, height}, paint);
    }
    void circle(double x, double y, int radius, const DrawPaint& paint) override
    {
        add("circle", {x, y, static_cast<double>(radius)}, paint);
    }
    void text(double x, double y, std::string_view text, const DrawTextPlace& place, const DrawPaint& paint) override
    {
        add("text " + std::string(text), {x, y, static_cast<double>(place.advance)}, paint);
    }

private:
    void add(const std::string& name, std::initializer_list<double> numbers, const DrawPaint& paint)
    {
        std::string verb = name;
        for (const double n : numbers) {
            char text[32];
            std::snprintf(text, sizeof text, " %g", n);
            verb += text;
        }
        verbs.push_back(verb + " #" + std::to_string(paint.colour) + " m" + std::to_string(paint.mode));
    }
};

// The verbs one draw call hands to a 100 x 60 sink.
std::vector<std::string> verbs_of(void (*draw)())
{
    Log log;
    if (draw_begin(draw_sink_output(&log, 100, 60, nullptr)) == 0)
        return {"no pass"};
    draw();
    draw_end();
    return log.verbs;
}

TEST(DrawSink, VerbsArriveCutToTheCanvas)
{
    struct Case {
        const char* what;
        void (*draw)();
        std::vector<std::string> verbs;
    };
    const Case cases[] = {
        {"a line through pixel centres", [] { draw_line_xy(10, 20, 30, 20, 5); }, {"line 10.5 20.5 30.5 20.5 #5 m0"}},
        {"a line cut 2 pixels beyond the edge",
         [] { draw_line_xy(-1000, 10, 50, 10, 5); },
         {"line -2 10.5 50.5 10.5 #5 m0"}},
        {"a line wholly outside", [] { draw_line_xy(200, 10, 300, 10, 5); }, {}},
        {"draw_line spans width pixels", [] { draw_line(4, 4, 3, 1, 7); }, {"line 4.5 4.5 6.5 4.5 #7 m0"}},
        {"a box of negative sizes", [] { draw_box(20, 30, -5, -10, 9); }, {"box 15 20 5 10 #9 m0"}},
        {"a box cut one pixel beyond the canvas", [] { draw_box(-50, 50, 400, 400, 9); }, {"box -1 50 102 11 #9 m0"}},
        {"a box of no height", [] { draw_box(5, 5, 10, 0, 9); }, {}},
        {"an outlined circle",
         [] {
             draw_mode(DRAW_MODE_OUTLINE);
             draw_circle(40, 30, 6, 3);
         },
         {"circle 40.5 30.5 6 #3 m4"}},
        {"a filled circle round the canvas covers it", [] { draw_circle(50, 30, 5000, 3); }, {"box 0 0 100 60 #3 m0"}},
        {"an outlined one round it misses it",
         [] {
             draw_mode(DRAW_MODE_OUTLINE);
             draw_circle(50, 30, 5000, 3);
         },
         {}},
        {"a circle beyond the edge", [] { draw_circle(-20, 30, 10, 3); }, {}},
        {"a negative radius", [] { draw_circle(20, 30, -1, 3); }, {}},
        {"text off the canvas", [] { draw_text(100, 10, "X", 1, 2); }, {}},
        {"empty text", [] { draw_text(10, 10, "", 1, 2); }, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(verbs_of(c.draw), c.verbs) << c.what;
}

// A text has its placement in the default font; draw_text returns the same end as on a picture,
// also for a text the canvas cuts away.
TEST(DrawSink, TextIsPlacedAsOnAPicture)
{
    const int width = draw_text_width("Span 12");
    ASSERT_GT(width, 0) << "no font";
    Log log;
    ASSERT_NE(draw_begin(draw_sink_output(&log, 100, 60, nullptr)), 0);
    EXPECT_EQ(draw_text(-3, 7, "Span 12", 11, 22), -3 + width);
    EXPECT_EQ(draw_text(500, 7, "Span 12", 11, 22), 500 + width);
    draw_end();
    ASSERT_EQ(log.verbs.size(), 1u);
    EXPECT_EQ(log.verbs[0], "text Span 12 -3 7 " + std::to_string(width) + " #11 m0");
    EXPECT_EQ(draw_sink_output(nullptr, 100, 60, nullptr), nullptr);
    EXPECT_EQ(draw_sink_output(&log, 0, 60, nullptr), nullptr);
}

TEST(DrawSink, TextBytesAsUtf8)
{
    EXPECT_EQ(draw_text_utf8("kN/m^2"), "kN/m^2");
    EXPECT_EQ(draw_text_utf8("\xE9\xB5"), "\xC3\xA9\xC2\xB5");  // é, µ
    EXPECT_EQ(draw_text_utf8("\x80"), "\xE2\x82\xAC");          // the euro sign
    EXPECT_EQ(draw_text_utf8("\x81"), "\xEF\xBF\xBD");          // undefined in Windows-1252
    EXPECT_EQ(draw_text_utf8(""), "");
}

}  // namespace

// The drawing state: outputs, the pass bracket, release hooks, contexts and the mode.
#include <gtest/gtest.h>

#include <vector>

#include "draw_fixture.h"

namespace {

struct Releases {
    std::vector<bool> calls;  // refresh flag of every release
    DrawRelease hook()
    {
        return [this](bool refresh) { calls.push_back(refresh); };
    }
};

}  // namespace

TEST(DrawState, NullOutputsAndMissingStateAreHarmless)
{
    draw_end();
    EXPECT_EQ(draw_begin(nullptr), 0);
    EXPECT_EQ(draw_picture_output(nullptr, {}), nullptr);
    Picture empty;
    EXPECT_EQ(draw_picture_output(&empty, {}), nullptr);
    draw_end();
    draw_mode(DRAW_MODE_XOR);
    draw_line_xy(0, 0, 5, 5, INK);
    draw_box(0, 0, 5, 5, INK);
    draw_circle(2, 2, 2, INK);
    EXPECT_EQ(draw_text(7, 0, "text", INK, 0), 7);
    EXPECT_EQ(draw_context_picture(0), nullptr);
}

TEST(DrawState, EndReleasesOnceWithRefresh)
{
    Picture picture;
    ASSERT_TRUE(picture_make(picture, 9, 5, 24));
    Releases releases;
    DrawOutput* out = draw_picture_output(&picture, releases.hook());
    ASSERT_NE(out, nullptr);
    const std::intptr_t context = draw_begin(out);
    ASSERT_NE(context, 0);
    EXPECT_EQ(draw_context_picture(context), &picture);
    EXPECT_EQ(draw_context_picture(context + 1), nullptr);
    draw_end();
    draw_end();
    EXPECT_EQ(releases.calls, std::vector<bool>{true});
    EXPECT_EQ(draw_context_picture(context), nullptr);

    // A later pass on the same picture hands out a different context; the old one stays dead.
    const std::intptr_t again = draw_begin(draw_picture_output(&picture, {}));
    EXPECT_NE(again, context);
    EXPECT_EQ(draw_context_picture(context), nullptr);
    EXPECT_EQ(draw_context_picture(again), &picture);
    draw_end();
}

TEST(DrawState, FailedBeginReleasesWithoutRefreshAndLeavesNoState)
{
    Picture picture;
    ASSERT_TRUE(picture_make(picture, 9, 5, 24));
    Releases releases;
    DrawOutput* out = draw_picture_output(&picture, releases.hook());
    picture.bits.clear();  // the buffer has gone
    EXPECT_EQ(draw_begin(out), 0);
    EXPECT_EQ(releases.calls, std::vector<bool>{false});
    draw_end();
    EXPECT_EQ(releases.calls.size(), 1u);
}

TEST(DrawState, NewOutputReleasesTheCurrentOneAndStaleOnesCannotBegin)
{
    Picture first;
    Picture second;
    ASSERT_TRUE(picture_make(first, 9, 5, 24));
    ASSERT_TRUE(picture_make(second, 5, 9, 32));
    Releases a;
    Releases b;
    DrawOutput* old_out = draw_picture_output(&first, a.hook());
    ASSERT_NE(draw_begin(old_out), 0);
    DrawOutput* new_out = draw_picture_output(&second, b.hook());
    EXPECT_EQ(a.calls, std::vector<bool>{false});
    if (old_out != new_out) {
        EXPECT_EQ(draw_begin(old_out), 0);
    }
    const std::intptr_t context = draw_begin(new_out);
    ASSERT_NE(context, 0);
    EXPECT_EQ(draw_context_picture(context), &second);
    draw_end();
    EXPECT_EQ(b.calls, std::vector<bool>{true});
}

TEST(DrawState, PrimitivesWaitForBeginAndModeStartsAtZero)
{
    Picture picture;
    ASSERT_TRUE(picture_make(picture, 9, 5, 24));
    fill_picture(picture, BACKGROUND);
    DrawOutput* out = draw_picture_output(&picture, {});
    draw_box(0, 0, 9, 5, INK);
    EXPECT_TRUE(pixels_not(picture, BACKGROUND).empty());
    draw_mode(DRAW_MODE_OUTLINE);
    ASSERT_NE(draw_begin(out), 0);
    draw_box(0, 0, 9, 5, INK);
    EXPECT_EQ(pixel_at(picture, 4, 2), BACKGROUND);
    draw_end();

    ASSERT_NE(draw_begin(draw_picture_output(&picture, {})), 0);
    draw_box(0, 0, 9, 5, INK);  // a new output is filled again
    EXPECT_EQ(pixel_at(picture, 4, 2), INK);
    draw_end();
}

TEST(Picture, PitchAndLimits)
{
    EXPECT_EQ(picture_pitch(1, 24), 4);
    EXPECT_EQ(picture_pitch(5, 24), 16);
    EXPECT_EQ(picture_pitch(700, 24), 2100);
    EXPECT_EQ(picture_pitch(7, 32), 28);
    EXPECT_EQ(picture_pitch(3, 8), 4);
    Picture picture;
    EXPECT_FALSE(picture_make(picture, 0, 5, 24));
    EXPECT_FALSE(picture_make(picture, 5, 32768, 24));
    EXPECT_FALSE(picture_make(picture, 5, 5, 16));
    EXPECT_TRUE(picture.bits.empty());
    ASSERT_TRUE(picture_make(picture, 5, 3, 24));
    EXPECT_EQ(picture.bits.size(), 48u);
    EXPECT_EQ(picture_row(picture, 0) - picture.bits.data(), 32);
}

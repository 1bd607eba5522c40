// The members' result texts: set, grown, shrunk and cleared, each text reads back as it was set or
// as "", and clearing them keeps the record's size (which bounds the usable members).
#include <gtest/gtest.h>

#include <string>

#include "app/model/truss_model.h"

namespace {

TEST(ResultTextsTest, TextsReadBackThroughGrowingShrinkingAndClearing)
{
    const std::string long_text(ResultTexts::SLOT_TEXT + 5, 'L');
    ResultTexts texts;
    texts.resize(4);
    EXPECT_EQ(texts[3], "");  // nothing set yet
    texts.set(1, " 1.000E+00   2.000E+00");
    texts.set(2, long_text);
    texts.set(3, "");
    texts.resize(6);
    EXPECT_EQ(texts[1], " 1.000E+00   2.000E+00");
    EXPECT_EQ(texts[2], long_text);
    EXPECT_EQ(texts[5], "");
    texts.set(2, "short again");  // a long text replaced by one that fits its slot
    EXPECT_EQ(texts[2], "short again");
    texts.set(4, long_text);
    texts.resize(4);  // the long text at 4 goes with its entry
    texts.resize(6);
    EXPECT_EQ(texts[4], "");

    texts.clear_texts();
    EXPECT_EQ(texts.size(), 6u);
    for (std::size_t e = 0; e < 8; ++e)
        EXPECT_EQ(texts[e], "") << e;
    texts.set(5, long_text);
    texts.set(0, "x");
    EXPECT_EQ(texts[5], long_text);
    EXPECT_EQ(texts[0], "x");
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts.size(), 6u);
}

}  // namespace

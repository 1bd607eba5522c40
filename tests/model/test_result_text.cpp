// A combined case's member result text is byte for byte what printf writes, for awkward values and
// for many floats of every size.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "app/model/result_text.h"

namespace {

std::string with_printf(double stress, double force)
{
    char text[RESULT_TEXT_ROOM];
    std::snprintf(text, sizeof text, "%10.3E   %10.3E", stress, force);
    return text;
}

std::string formatted(double stress, double force)
{
    char text[RESULT_TEXT_ROOM];
    return std::string(text, format_result_text(text, stress, force));
}

}  // namespace

TEST(ResultTextTest, AwkwardValuesAreWrittenAsPrintfWritesThem)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f,
                            -0.0f,
                            1.0f,
                            -1.0f,
                            9.9995f,
                            9.9994999f,
                            0.00099995f,
                            1.0005f,
                            2.5e-3f,
                            123456789.0f,
                            -5e-5f,
                            std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(),
                            -std::numeric_limits<float>::denorm_min(),
                            inf,
                            -inf,
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::quiet_NaN(),
                            1e38f,
                            9.9999e-10f,
                            999.95f,
                            -999.95f};
    for (float stress : values)
        for (float force : {0.0f, -123.4565f, stress})
            EXPECT_EQ(formatted(static_cast<double>(stress) + 0.0, static_cast<double>(force) + 0.0),
                      with_printf(static_cast<double>(stress) + 0.0, static_cast<double>(force) + 0.0));
}

TEST(ResultTextTest, FloatsOfEverySizeAreWrittenAsPrintfWritesThem)
{
    std::mt19937 random(5);
    for (int n = 0; n < 100000; ++n) {
        const float stress = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        const float force = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        ASSERT_EQ(formatted(stress, force), with_printf(stress, force));
    }
}

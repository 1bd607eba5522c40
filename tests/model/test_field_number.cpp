// The reader's quick conversion of a field gives str_to_float's value to the bit and
// is_decimal_real's verdict, for awkward texts and for many numbers as the solver writes them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/model/field_number.h"
#include "app/model/read_problems.h"
#include "core/str.h"

namespace {

std::uint32_t bits(float value)
{
    return std::isnan(value) ? 0x7FC00000u : std::bit_cast<std::uint32_t>(value);
}

void expect_as_general(const std::string& text)
{
    const FieldReal field = read_real_field(text);
    EXPECT_EQ(bits(field.value), bits(str_to_float(text))) << '"' << text << '"';
    EXPECT_EQ(field.decimal, is_decimal_real(text)) << '"' << text << '"';
    EXPECT_EQ(bits(leading_real(text + " 7 8")), bits(str_to_float(text + " 7 8"))) << '"' << text << '"';
}

}  // namespace

TEST(FieldNumberTest, AwkwardTextsConvertAsTheGeneralConversion)
{
    const char* texts[] = {
        "",
        "0",
        "-0",
        "+0",
        "-0.0e5",
        "5.",
        ".5",
        "-.5",
        "+.e1",
        ".",
        "-",
        "+",
        "e5",
        "1e",
        "1e+",
        "1E-",
        "1.e5",
        "1.5e-3x",
        "1,5",
        "0x1p3",
        "$10",
        "nan",
        "NaN",
        "+Infinity",
        "-infinity",
        "inf",
        " 5",
        "\t5",
        "5 ",
        "1D3",
        "007",
        "1e22",
        "1e23",
        "1e-22",
        "1e-23",
        "9007199254740992",
        "9007199254740993",
        "9007199254740993e-5",
        "1234567890123456789",
        "12345678901234567890",
        "0.00000000000000000000000000001234",
        "3.4028235e38",
        "3.4028236e38",
        "1e39",
        "-1e39",
        "1e-46",
        "1.401298e-45",
        "1.17549435e-38",
        "123456.789e-3",
        "1e0000000000021",
        "0e99999",
        "0.000000000000000000000001e22",
        "4.925E-03",
        "-1.234E+02",
        "1.00000006",
        "16777217",
        "0.1",
        "9.999999999999999999",
        "99999999999999999999e-20",
        "1234567.",
        "1234567.89",
        "12345678.9",
        "-0.00000001234567890123",
        "999999999999999",
        "9999999999999999",
        "0000000000000000001e-3",
        "00000000000000000001",
        "12345.",
        "1234.5",
        "1.2345e+22",
        "1.2345e-22",
    };
    for (const char* text : texts)
        expect_as_general(text);
}

TEST(FieldNumberTest, ManyNumbersAsTheSolverWritesThemConvertAsTheGeneralConversion)
{
    std::mt19937_64 random(17);
    const char* formats[] = {"%.3E", "%.4f", "%.9g", "%.17g", "%.1f", "%.12e", "%g"};
    char text[64];
    for (int n = 0; n < 100000; ++n) {
        const double magnitude = std::ldexp(static_cast<double>(random() >> 11) / 9007199254740992.0,
                                            static_cast<int>(random() % 160) - 80);
        const double value = (random() & 1) ? -magnitude : magnitude;
        std::snprintf(text, sizeof text, formats[random() % std::size(formats)], value);
        const FieldReal field = read_real_field(text);
        ASSERT_EQ(bits(field.value), bits(str_to_float(text))) << text;
        ASSERT_TRUE(field.decimal) << text;
    }
}

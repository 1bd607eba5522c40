// Tests of the string operations and the number <-> text conversions, with the C library (under
// the "C" locale) as the reference for the decimal conversions, and a run under a locale whose
// decimal point is ','.
#include "core/str.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr float INF = std::numeric_limits<float>::infinity();

TEST(StrBasics, EqualLengthSpaces)
{
    EXPECT_TRUE(str_equal("abc", "abc"));
    EXPECT_FALSE(str_equal("abc", "ABC"));
    EXPECT_FALSE(str_equal("abc", "abcd"));
    EXPECT_TRUE(str_equal("", std::string_view()));
    EXPECT_EQ(str_length(""), 0);
    EXPECT_EQ(str_length("results"), 7);
    EXPECT_EQ(str_spaces(3), "   ");
    EXPECT_EQ(str_spaces(0), "");
    EXPECT_EQ(str_spaces(-4), "");
}

struct CutCase {
    const char* what;
    std::string result;
    std::string expected;
};

TEST(StrBasics, LeftRightMid)
{
    const std::vector<CutCase> cases = {
        {"left 2", str_left("abc", 2), "ab"},
        {"left beyond", str_left("abc", 5), "abc"},
        {"left negative", str_left("abc", -1), ""},
        {"right 2", str_right("abc", 2), "bc"},
        {"right beyond", str_right("abc", 5), "abc"},
        {"right negative", str_right("abc", -1), ""},
        {"mid to end", str_mid("results", 3, 12), "sults"},
        {"mid inside", str_mid("results", 2, 3), "esu"},
        {"mid past end", str_mid("abc", 5, 2), ""},
        {"mid start 0", str_mid("abc", 0, 2), "ab"},
        {"mid start negative", str_mid("abc", -7, 1), "a"},
        {"mid length negative", str_mid("abc", 1, -1), ""},
        {"mid at last", str_mid("abc", 3, 1), "c"},
        {"mid start just past", str_mid("abc", 4, 1), ""},
    };
    for (const CutCase& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(StrBasics, FieldAndTrim)
{
    const std::vector<CutCase> cases = {
        {"second field", str_field("3 5", 2, " "), "5"},
        {"first field", str_field("3 5", 1, " "), "3"},
        {"empty between two separators", str_field("3  5", 2, " "), ""},
        {"third after double", str_field("3  5", 3, " "), "5"},
        {"leading separator", str_field(" 3 5", 1, " "), ""},
        {"beyond fields", str_field("3", 2, " "), ""},
        {"index 0", str_field("a b", 0, " "), ""},
        {"trailing separator", str_field("a ", 2, " "), ""},
        {"no separator", str_field("abc", 1, " "), "abc"},
        {"multi-char separator", str_field("a--b---c", 3, "--"), "-c"},
        {"empty separator", str_field("a b", 1, ""), "a b"},
        {"empty text", str_field("", 1, " "), ""},
        {"trim keeps tab", str_trim("\t5 "), "\t5"},
        {"trim both", str_trim("  x y  "), "x y"},
        {"trim all spaces", str_trim("   "), ""},
        {"trim char", str_trim_char("xxaxbxx", "xyz"), "axb"},
        {"trim char empty set", str_trim_char("  a  ", ""), "a"},
    };
    for (const CutCase& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(StrBasics, Find)
{
    struct Case {
        const char* text;
        const char* pattern;
        int start;
        int expected;
    };
    const Case cases[] = {
        {"abc", "c", 4, 0}, {"abc", "", 1, 0},      {"a b c", " ", -5, 2}, {"a b c", " ", 3, 4},
        {"", "a", 1, 0},    {"abcabc", "bc", 3, 5}, {"abc", "abcd", 1, 0}, {"abc", "c", 3, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str_find(c.text, c.pattern, c.start), c.expected) << c.text << " / " << c.pattern;
    }
}

TEST(StrToInt, Forms)
{
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {" \t-42x", -42},
        {"+7", 7},
        {"$ff", 255},
        {"$FF", 255},
        {"-$10", -16},
        {"%101", 5},
        {"%102", 2},
        {"0x1F", 0},
        {"12.9", 12},
        {"1e3", 1},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"$", 0},
        {"%", 0},
        {"\n5", 0},
        {"+-3", 0},
        {"$7fffffffffffffff", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str_to_int(c.text), c.expected) << '"' << c.text << '"';
}

TEST(StrToInt, WrapsModulo64Bits)
{
    // 99999999999999999999 mod 2^64 = 7766279631452241919
    EXPECT_EQ(str_to_int("99999999999999999999"), std::int64_t{7766279631452241919});
    EXPECT_EQ(str_to_int("-99999999999999999999"), -std::int64_t{7766279631452241919});
    EXPECT_EQ(str_to_int("$10000000000000001"), 1);
}

TEST(StrToFloat, SpecialWordsOnlyAsWholeText)
{
    EXPECT_EQ(str_to_float("+INFINITY"), INF);
    EXPECT_EQ(str_to_float("-infinity"), -INF);
    EXPECT_TRUE(std::isnan(str_to_float("nan")));
    EXPECT_TRUE(std::isnan(str_to_float("NaN")));
    EXPECT_EQ(str_to_float("Infinity"), 0.0f);
    EXPECT_EQ(str_to_float(" +Infinity"), 0.0f);
    EXPECT_EQ(str_to_float("NaN "), 0.0f);
}

TEST(StrToFloat, Examples)
{
    struct Case {
        const char* text;
        float expected;
    };
    const Case cases[] = {
        {"  -1.5E+02 ", -150.0f},
        {"1,5", 1.0f},
        {"1e39", INF},
        {"-1e39", -INF},
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"1.", 1.0f},
        {".5", 0.5f},
        {".", 0.0f},
        {"-.", 0.0f},
        {"+.5e1x", 5.0f},
        {"abc", 0.0f},
        {"", 0.0f},
        {"1e400", INF},
        {"1e-400", 0.0f},
        {"\t\n\v\f\r 2", 2.0f},
        {"- 2", 0.0f},
        {"3.4028235e38", 3.4028235e38f},
        {"1e-45", 1e-45f},
        {"1e-50", 0.0f},
        {"0x10", 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(str_to_float(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_TRUE(std::signbit(str_to_float("-0.0")));
    EXPECT_TRUE(std::signbit(str_to_float("-1e-400")));
}

// Texts whose reading must match strtod (then rounded to float) in the "C" locale.
const char* const REFERENCE_TEXTS[] = {
    "0",
    "-0",
    "1",
    "-1.5E+02",
    "  42.125xyz",
    "1e",
    "1e-",
    "2.e3",
    ".25",
    "+.75",
    "0.1",
    "0.3",
    "3.14159265358979",
    "1e38",
    "3.4028235e38",
    "3.40282357e38",
    "3.4028236e38",
    "1e-38",
    "1.17549435e-38",
    "1e-40",
    "1.4e-45",
    "7e-46",
    "7.1e-46",
    "1e-300",
    "123456789012345678901234567890",
    "0.000000000000000000000000000000000000001234",
    "16777217",
    "16777219",
    "33554435",
    "1.00000005960464477539062500000001",
    "9999999999999999999999999999999999999999e-10",
    "00012.50",
    "-000.000e5",
    "5e+0007",
    "\t-7.5",
    "1,5",
    "2.5.3",
    "1e5e3",
    "+-1",
    "e5",
};

TEST(StrToFloat, MatchesCLibraryReference)
{
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    for (const char* text : REFERENCE_TEXTS) {
        const float expected = static_cast<float>(std::strtod(text, nullptr));
        const float got = str_to_float(text);
        EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
            << '"' << text << "\" got " << got << " expected " << expected;
    }
}

// Reference formatting with snprintf in the "C" locale.
std::string printf_reference(float value, int decimals)
{
    char buffer[1100];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(value));
    return buffer;
}

const float REFERENCE_VALUES[] = {
    2.5f,   3.5f,   -2.5f,       0.5f,        1.5f,        12.7f, -10.0f,        0.4f,
    -0.4f,  0.1f,   1.0f / 3.0f, 123456.789f, -9.999999f,  1e-7f, 3.4028235e38f, -3.4028235e38f,
    1e-45f, 0.125f, 0.0625f,     1e20f,       16777216.0f, 0.05f, -0.0049f,      99.995f,
};

TEST(StrFromFloat, MatchesCLibraryReference)
{
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    for (const float value : REFERENCE_VALUES) {
        for (const int decimals : {0, 1, 2, 3, 6, 10, 20, 60, 512}) {
            EXPECT_EQ(str_from_float(value, decimals), printf_reference(value, decimals))
                << value << " with " << decimals;
        }
    }
}

TEST(StrFromFloat, Examples)
{
    const std::vector<CutCase> cases = {
        {"2.5 default", str_from_float(2.5f, -1), "2.5"},
        {"100 default", str_from_float(100.0f, -1), "100"},
        {"3 default", str_from_float(3.0f, -1), "3"},
        {"0.1 default", str_from_float(0.1f, -1), "0.1000000015"},
        {"small default", str_from_float(1e-12f, -1), "0"},
        {"negative default", str_from_float(-0.25f, -1), "-0.25"},
        {"0.1 with 3", str_from_float(0.1f, 3), "0.100"},
        {"12.7 with 0", str_from_float(12.7f, 0), "13"},
        {"-10 with 0", str_from_float(-10.0f, 0), "-10"},
        {"0.4 with 0", str_from_float(0.4f, 0), "0"},
        {"-0.4 with 0", str_from_float(-0.4f, 0), "-0"},
        {"-0 with 0", str_from_float(-0.0f, 0), "0"},
        {"-0 with 3", str_from_float(-0.0f, 3), "0.000"},
        {"-0 default", str_from_float(-0.0f, -1), "0"},
        {"negative decimals", str_from_float(1.75f, -5), "2"},
        {"+inf", str_from_float(INF, 0), "+Infinity"},
        {"-inf", str_from_float(-INF, 7), "-Infinity"},
        {"nan", str_from_float(std::numeric_limits<float>::quiet_NaN(), 2), "NaN"},
        {"negative nan", str_from_float(-std::numeric_limits<float>::quiet_NaN(), 2), "NaN"},
    };
    for (const CutCase& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(StrFromFloat, DecimalsClampedTo512)
{
    const std::string text = str_from_float(7.0f, 600);
    ASSERT_EQ(text.size(), 2u + 512u);
    EXPECT_EQ(text.substr(0, 2), "7.");
    EXPECT_EQ(text.find_first_not_of('0', 2), std::string::npos);
    EXPECT_EQ(str_from_float(7.0f, 600), str_from_float(7.0f, 512));
    // The largest float with 512 places still fits.
    EXPECT_EQ(str_from_float(-3.4028235e38f, 600), printf_reference(-3.4028235e38f, 512));
}

TEST(StrFromFloat, RoundTripsThroughText)
{
    for (const float value : REFERENCE_VALUES) {
        EXPECT_EQ(str_to_float(str_from_float(value, 60)), value) << value;
    }
}

TEST(DrawRgb, PacksByPlainAddition)
{
    EXPECT_EQ(draw_rgb(0, 0, 255), 16711680);
    EXPECT_EQ(draw_rgb(255, 0, 0), 255);
    EXPECT_EQ(draw_rgb(1, 2, 3), 1 + 2 * 256 + 3 * 65536);
    EXPECT_EQ(draw_rgb(256, 0, 0), draw_rgb(0, 1, 0));
    EXPECT_EQ(draw_rgb(-1, 0, 0), -1);
}

// Switches LC_NUMERIC to a locale whose decimal point is ','. Uses de_DE.UTF-8 when installed;
// otherwise compiles a tiny numeric-only locale into a temporary folder (a few milliseconds).
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr)
            return;
        folder_ = std::filesystem::temp_directory_path() / ("kelvaro_locale_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const std::filesystem::path source = folder_ / "comma.src";
        if (FILE* f = std::fopen(source.c_str(), "w")) {
            std::fputs("LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\nEND LC_NUMERIC\n", f);
            std::fclose(f);
        }
        const std::string command = "localedef -c -f ANSI_X3.4-1968 -i '" + source.string() + "' '" +
                                    (folder_ / "xx_COMMA").string() + "' >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
        setenv("LOCPATH", folder_.c_str(), 1);
        if (std::setlocale(LC_NUMERIC, "xx_COMMA") == nullptr) {
            GTEST_SKIP() << "no locale with ',' as decimal point is available";
        }
    }
    void TearDown() override
    {
        std::setlocale(LC_NUMERIC, "C");
        if (!folder_.empty()) {
            unsetenv("LOCPATH");
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    std::filesystem::path folder_;
};

TEST_F(CommaLocale, ConversionsStillUseThePoint)
{
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the test locale is not active";
    EXPECT_EQ(str_to_float("1,5"), 1.0f);
    EXPECT_EQ(str_to_float("2.75"), 2.75f);
    EXPECT_EQ(str_to_float("-1.5E+02"), -150.0f);
    EXPECT_EQ(str_from_float(2.5f, -1), "2.5");
    EXPECT_EQ(str_from_float(0.1f, 3), "0.100");
    EXPECT_EQ(str_from_float(-1234567.0f, 2), "-1234567.00");
    // The process locale is left as it was.
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");
}

}  // namespace

// libFuzzer target: the number <-> text conversions against the C library.
//
// str_to_float takes the same decimal prefix strtod would (C locale, '.' point) and rounds it once
// to double and then to float32; str_to_int reads decimal digits like strtoll while no overflow
// happens; str_from_float writes what printf's "%.*f" writes for the float widened to double.
// Inputs where the C library reads more than this program's format (hexadecimal, "inf", "nan")
// are left out of the comparison but still run through the conversions.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/str.h"

namespace {

bool same_float(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// True when the text after blanks and one sign starts like a plain decimal number, so strtod reads
// the same prefix as this program (strtod also takes "0x..", "inf" and "nan").
bool plain_decimal(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr && text[i] != '\0')
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        return false;
    if (i < text.size() && text[i] >= '0' && text[i] <= '9')
        return true;
    return i + 1 < text.size() && text[i] == '.' && text[i + 1] >= '0' && text[i + 1] <= '9';
}

float c_library_float(const std::string& text)
{
    const double wide = std::strtod(text.c_str(), nullptr);
    constexpr double overflow_threshold = 0x1.ffffffp127;  // from here on the nearest float is infinity
    if (wide >= overflow_threshold)
        return std::numeric_limits<float>::infinity();
    if (wide <= -overflow_threshold)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(wide);
}

void check_text_to_numbers(const std::string& text)
{
    const float value = str_to_float(text);
    if (plain_decimal(text) && text.find('\0') == std::string::npos && !same_float(value, c_library_float(text))) {
        std::fprintf(stderr, "str_to_float(\"%s\") = %a, strtod gives %a\n", text.c_str(), value,
                     c_library_float(text));
        std::abort();
    }
    const std::int64_t whole = str_to_int(text);
    std::size_t digits = 0;
    std::size_t i = text.find_first_not_of(" \t");
    if (i != std::string::npos && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t first_digit = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (first_digit != std::string::npos && digits > 0 && digits <= 18) {
        const long long expected = std::strtoll(text.substr(0, i).c_str(), nullptr, 10);
        if (whole != expected) {
            std::fprintf(stderr, "str_to_int(\"%s\") = %lld, strtoll gives %lld\n", text.c_str(),
                         static_cast<long long>(whole), expected);
            std::abort();
        }
    }
}

void check_float_to_text(float value, int decimals)
{
    const std::string text = str_from_float(value, decimals);
    if (std::isnan(value) || std::isinf(value) || decimals < 0 || decimals > 40)
        return;
    std::string expected(512, '\0');
    const double wide = value == 0.0f ? 0.0 : static_cast<double>(value);
    const int n = std::snprintf(expected.data(), expected.size(), "%.*f", decimals, wide);
    if (n < 0 || static_cast<std::size_t>(n) >= expected.size())
        return;
    expected.resize(static_cast<std::size_t>(n));
    if (text != expected) {
        std::fprintf(stderr, "str_from_float(%a, %d) = \"%s\", printf gives \"%s\"\n", value, decimals, text.c_str(),
                     expected.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_text_to_numbers(text);
    if (size >= sizeof(float) + 1) {
        float value;
        std::memcpy(&value, data, sizeof value);
        check_float_to_text(value, static_cast<int>(data[sizeof value]) % 48 - 2);
    }
    // A float read back from its own text is the same float (the text keeps 10 decimals, enough for
    // every float of magnitude 1e-2 and above to survive; smaller ones may round).
    const float read = str_to_float(text);
    if (std::isfinite(read) && std::fabs(read) >= 1e-2f) {
        const std::string written = str_from_float(read, 10);
        if (!same_float(str_to_float(written), read)) {
            std::fprintf(stderr, "round trip of %a through \"%s\" failed\n", read, written.c_str());
            std::abort();
        }
    }
    return 0;
}

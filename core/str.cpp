// Byte strings and number <-> text conversion.
//
// Plain functions over std::string_view arguments that return new strings; no state at all.
// Number text always uses '.' as the decimal point: reading scans the C-style number prefix by hand
// and hands exactly that prefix to std::from_chars, writing goes through std::to_chars, and both
// of those ignore the process locale (which GUI toolkits set to the user's), so the locale is
// never read or changed here.
#include "core/str.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace {

constexpr int MAX_DECIMALS = 512;         // most places str_from_float will write
constexpr int DEFAULT_DECIMALS = 10;      // places of the trimmed default format (decimals -1)
constexpr std::size_t FLOAT_TEXT = 1100;  // room for sign, 39 integer digits, '.', 512 places

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// White space as the C library's number readers skip it in the "C" locale.
bool is_c_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    }
    return true;
}

// Clamps a (possibly huge) count to the length of text.
std::size_t clamp_count(int n, std::size_t length)
{
    if (n <= 0)
        return 0;
    return static_cast<std::size_t>(n) < length ? static_cast<std::size_t>(n) : length;
}

// Rounds a finite double to float32 the way the FPU does (to nearest, ties to even), without the
// undefined behaviour of a C++ conversion whose source lies beyond the float range.
float round_to_float(double value)
{
    // FLT_MAX plus half of its last place: from here on the nearest float is infinity.
    constexpr double overflow_threshold = 0x1.ffffffp127;
    if (value >= overflow_threshold)
        return std::numeric_limits<float>::infinity();
    if (value <= -overflow_threshold)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// The extent of a C-style decimal number at the start of text (after blanks): optional sign,
// digits with an optional '.' and fraction (at least one digit in all), and an exponent only when
// 'e' or 'E' is followed by an optional sign and at least one digit. Empty when there is none.
struct NumberPrefix {
    std::size_t sign_at = 0;      // position of the sign or of the first mantissa character
    std::size_t mantissa_at = 0;  // first character after the sign
    std::size_t end = 0;          // one past the last character of the number
    bool negative = false;        // a '-' sign was read
    long long magnitude = 0;      // rough decimal exponent of the value (for range errors)
    bool found = false;           // a number was found at all
};

NumberPrefix scan_number(std::string_view text)
{
    NumberPrefix p;
    std::size_t i = 0;
    while (i < text.size() && is_c_space(text[i]))
        ++i;
    p.sign_at = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        p.negative = text[i] == '-';
        ++i;
    }
    p.mantissa_at = i;
    long long int_digits = 0;     // significant digits before the point
    long long leading_zeros = 0;  // zeros after the point before the first significant digit
    bool significant = false;
    bool any_digit = false;
    while (i < text.size() && is_digit(text[i])) {
        any_digit = true;
        if (text[i] != '0')
            significant = true;
        if (significant)
            ++int_digits;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            any_digit = true;
            if (text[i] != '0')
                significant = true;
            if (!significant)
                ++leading_zeros;
            ++i;
        }
    }
    if (!any_digit)
        return p;
    p.found = true;
    p.end = i;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            exponent_negative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && is_digit(text[j])) {
            while (j < text.size() && is_digit(text[j])) {
                if (exponent < 1000000000)
                    exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (exponent_negative)
                exponent = -exponent;
            p.end = j;
        }
    }
    p.magnitude = exponent + (int_digits > 0 ? int_digits - 1 : -(leading_zeros + 1));
    return p;
}

// The decimal number at the start of text as a double, 0 when there is none.
double parse_number_prefix(std::string_view text)
{
    const NumberPrefix p = scan_number(text);
    if (!p.found)
        return 0.0;
    const char* first = text.data() + p.mantissa_at;
    const char* last = text.data() + p.end;
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(first, last, value, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond double's range: overflow gives infinity, underflow zero (both below float's range).
        value = p.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (r.ec != std::errc()) {
        value = 0.0;
    }
    return p.negative ? -value : value;
}

}  // namespace

bool str_equal(std::string_view a, std::string_view b)
{
    return a == b;
}

int str_length(std::string_view text)
{
    constexpr std::size_t max_int = static_cast<std::size_t>(std::numeric_limits<int>::max());
    return static_cast<int>(text.size() < max_int ? text.size() : max_int);
}

std::string str_spaces(int n)
{
    if (n <= 0)
        return {};
    return std::string(static_cast<std::size_t>(n), ' ');
}

std::string str_left(std::string_view text, int n)
{
    return std::string(text.substr(0, clamp_count(n, text.size())));
}

std::string str_right(std::string_view text, int n)
{
    const std::size_t count = clamp_count(n, text.size());
    return std::string(text.substr(text.size() - count));
}

std::string str_mid(std::string_view text, int start, int length)
{
    if (length < 0)
        return {};
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= text.size())
        return {};
    return std::string(text.substr(from, static_cast<std::size_t>(length)));
}

int str_find(std::string_view text, std::string_view pattern, int start)
{
    if (text.empty() || pattern.empty())
        return 0;
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= text.size())
        return 0;
    const std::size_t at = text.find(pattern, from);
    if (at == std::string_view::npos || at >= static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return 0;
    }
    return static_cast<int>(at) + 1;
}

std::string str_field(std::string_view text, int index, std::string_view separator)
{
    if (index < 1)
        return {};
    if (separator.empty())
        return index == 1 ? std::string(text) : std::string();
    std::size_t begin = 0;
    for (int field = 1;; ++field) {
        const std::size_t end = text.find(separator, begin);
        if (field == index) {
            return std::string(text.substr(begin, end == std::string_view::npos ? text.npos : end - begin));
        }
        if (end == std::string_view::npos)
            return {};
        begin = end + separator.size();
    }
}

std::string str_trim(std::string_view text)
{
    return str_trim_char(text, " ");
}

std::string str_trim_char(std::string_view text, std::string_view chars)
{
    const char c = chars.empty() ? ' ' : chars.front();
    const std::size_t first = text.find_first_not_of(c);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(c);
    return std::string(text.substr(first, last - first + 1));
}

std::int64_t str_to_int(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    // Unsigned arithmetic wraps modulo 2^64, which is the intended overflow behaviour.
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (is_digit(c)) {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && ascii_lower(c) >= 'a' && ascii_lower(c) <= 'f') {
            digit = static_cast<unsigned>(ascii_lower(c) - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    if (negative)
        value = ~value + 1;
    return static_cast<std::int64_t>(value);
}

float str_to_float(std::string_view text)
{
    if (equal_ignoring_case(text, "+Infinity"))
        return std::numeric_limits<float>::infinity();
    if (equal_ignoring_case(text, "-Infinity"))
        return -std::numeric_limits<float>::infinity();
    if (equal_ignoring_case(text, "NaN"))
        return std::numeric_limits<float>::quiet_NaN();
    const double value = parse_number_prefix(text);
    if (std::isinf(value)) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return round_to_float(value);
}

std::string str_from_float(float value, int decimals)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Infinity" : "-Infinity";
    const bool trim = decimals == -1;
    int places = trim ? DEFAULT_DECIMALS : decimals;
    if (places < 0)
        places = 0;
    if (places > MAX_DECIMALS)
        places = MAX_DECIMALS;
    const double wide = value == 0.0f ? 0.0 : static_cast<double>(value);

    char buffer[FLOAT_TEXT];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, wide, std::chars_format::fixed,
                                                 places);
    if (r.ec != std::errc())
        return {};
    std::string out(buffer, r.ptr);
    if (trim && !out.empty() && out.back() == '0' && out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.')
            out.pop_back();
    }
    return out;
}

int draw_rgb(int red, int green, int blue)
{
    // Computed in unsigned arithmetic so out-of-range components wrap instead of overflowing.
    const unsigned sum = static_cast<unsigned>(red) + static_cast<unsigned>(green) * 256u +
                         static_cast<unsigned>(blue) * 65536u;
    return static_cast<int>(sum);
}

// Plain decimal numbers converted without the general path: a mantissa of at most 19
// digits that fits a double exactly, scaled by a power of ten that a double holds exactly, gives
// the correctly rounded double in one multiplication or division; rounded to float, that is what
// the general conversion (correctly rounded to double, then to float) gives. Anything else (long
// mantissas, large exponents, blanks, words, hexadecimal) takes the general conversion.
#include "app/model/field_number.h"

#include <cstddef>
#include <cstdint>

#include "app/model/read_problems.h"
#include "core/str.h"

namespace {

constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int EXACT_POWER = 22;                       // largest power of ten a double holds exactly
constexpr std::uint64_t EXACT_MANTISSA = 1ULL << 53;  // largest integer below which every one is a double
constexpr int MANTISSA_DIGITS = 19;                   // significant digits a 64-bit mantissa takes

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The number at the start of text converted the quick way; false when it needs the general
// conversion (as for more than 19 digits, leading zeros included). end is where the number ends.
bool quick_real(std::string_view text, float& value, std::size_t& end)
{
    const char* p = text.data();
    const char* const last = p + text.size();
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Every digit goes into the mantissa, leading zeros too (they add nothing): at most 19 of them.
    std::uint64_t mantissa = 0;
    const char* const first_digit = p;
    for (; p < last && is_digit(*p); ++p)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    std::ptrdiff_t digits = p - first_digit;
    int exponent = 0;
    if (p < last && *p == '.') {
        const char* const first_fraction = ++p;
        for (; p < last && is_digit(*p); ++p)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        exponent = -static_cast<int>(p - first_fraction);
        digits += p - first_fraction;
    }
    if (digits > MANTISSA_DIGITS)
        return false;  // the mantissa may have wrapped round
    const bool any_digit = digits > 0;
    if (!any_digit)
        return false;
    if (p < last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool exponent_negative = false;
        if (q < last && (*q == '+' || *q == '-')) {
            exponent_negative = *q == '-';
            ++q;
        }
        if (q < last && is_digit(*q)) {
            int written = 0;
            for (; q < last && is_digit(*q); ++q)
                if (written < 10000)
                    written = written * 10 + (*q - '0');
            exponent += exponent_negative ? -written : written;
            p = q;
        }
    }
    if (mantissa > EXACT_MANTISSA || exponent < -EXACT_POWER || exponent > EXACT_POWER)
        return false;
    double scaled = static_cast<double>(mantissa);
    scaled = exponent < 0 ? scaled / POWERS_OF_TEN[-exponent] : scaled * POWERS_OF_TEN[exponent];
    value = static_cast<float>(negative ? -scaled : scaled);
    end = static_cast<std::size_t>(p - text.data());
    return true;
}

}  // namespace

FieldReal read_real_field(std::string_view field)
{
    FieldReal out;
    std::size_t end = 0;
    if (quick_real(field, out.value, end)) {
        out.decimal = end == field.size();  // the whole field is the number, or something else follows
        return out;
    }
    out.value = str_to_float(field);
    out.decimal = is_decimal_real(field);
    return out;
}

float leading_real(std::string_view text)
{
    float value = 0.0f;
    std::size_t end = 0;
    return quick_real(text, value, end) ? value : str_to_float(text);
}

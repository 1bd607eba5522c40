// The reader's conversion of a field's text to a real, fast for the plain decimal numbers the
// solver writes and exactly str_to_float (core/str.h) for every text.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// A field's value and whether the field is a decimal real and nothing else (is_decimal_real).
struct FieldReal {
    float value = 0.0f;    // str_to_float(field)
    bool decimal = false;  // is_decimal_real(field)
};

FieldReal read_real_field(std::string_view field);
// str_to_float(text): the value of the number text starts with.
float leading_real(std::string_view text);

// A copy of a short text followed by zero bytes: a number in it is read up to the first byte that
// cannot continue it, eight digits at a time, without a test for the text's end at every byte. A
// line has no zero byte of its own (a NUL ends a line), so the first one is the text's end.
class PaddedText {
public:
    static constexpr std::size_t ROOM = 256;  // longest text held

    // Holds a copy of text; false (nothing held) when it is longer than ROOM.
    bool assign(std::string_view text)
    {
        if (text.size() > ROOM)
            return false;
        std::memcpy(bytes_, text.data(), text.size());
        std::memset(bytes_ + text.size(), 0, PAD);
        size_ = text.size();
        return true;
    }
    const char* begin() const { return bytes_; }
    const char* end() const { return bytes_ + size_; }

private:
    static constexpr std::size_t PAD = 16;  // zero bytes after the text: at least a word's worth
    char bytes_[ROOM + PAD];
    std::size_t size_ = 0;
};

namespace field_digits {

constexpr std::uint64_t ZEROS = 0x3030303030303030ULL;  // '0' in every byte

// The place (0..8) of the first byte of word (in memory order) that is not a decimal digit.
[[gnu::always_inline]] inline int first_non_digit(std::uint64_t word)
{
    constexpr std::uint64_t ABOVE_NINE = 0x4646464646464646ULL;
    constexpr std::uint64_t HIGH = 0x8080808080808080ULL;
    // A byte's high bit is set here when it is not a digit; borrows and carries run only from a
    // lower byte that is not a digit, so the lowest such bit is exact.
    const std::uint64_t not_digit = ((word - ZEROS) | (word + ABOVE_NINE)) & HIGH;
    return not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
}

// The value of the first count (1..8) bytes of word, decimal digits, the first one the highest.
[[gnu::always_inline]] inline std::uint64_t value_of(std::uint64_t word, int count)
{
    // The digits to the top of the word, zeros below: then two digits, four, eight at a time.
    std::uint64_t value = (word - ZEROS) << (8 * (8 - count));
    value = value * 10 + (value >> 8);
    value = (((value & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
             (((value >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
            32;
    return value & 0xFFFFFFFF;
}

constexpr std::uint64_t POWERS[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace field_digits

// The run of decimal digits at p (which has 8 readable bytes, a zero byte among or after the
// text's end): at most 8 of them; gives how many and adds their value to number (times 10 per
// digit, wrapping round in 64 bits as a digit at a time does).
[[gnu::always_inline]] inline int take_digits(const char* p, std::uint64_t& number)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const int count = field_digits::first_non_digit(word);
    if (count == 0)
        return 0;
    number = number * field_digits::POWERS[count] + field_digits::value_of(word, count);
    return count;
}

// Digits, a point and digits at p, all within its first 8 bytes and the point among them (p has 8
// readable bytes): their value to mantissa, the digits' count to digits and the fraction's to
// fraction, p moved past the last digit taken; the fraction's digits may go on past the 8 bytes
// (then they are not all taken). False, with nothing done, for a number of any other shape.
[[gnu::always_inline]] inline bool take_short_point_number(const char*& p, std::uint64_t& mantissa,
                                                           std::ptrdiff_t& digits, std::ptrdiff_t& fraction)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const int point = field_digits::first_non_digit(word);
    if (point == 8 || p[point] != '.')
        return false;
    // The point made a '0', the run measured again, then the '0' taken out.
    const std::uint64_t filled = word + (std::uint64_t{'0' - '.'} << (8 * point));
    const int end = field_digits::first_non_digit(filled);
    const std::uint64_t below = (std::uint64_t{1} << (8 * point)) - 1;
    const std::uint64_t joined = (filled & below) | ((filled >> 8) & ~below);
    const int count = end - 1;
    mantissa = count == 0 ? 0 : field_digits::value_of(joined, count);
    digits = count;
    fraction = count - point;
    p += end;
    return true;
}

// A run of decimal digits at p as take_digits, of any length; p moves past it and gives how many
// there were (counting no further than limit, from where the run is left unread).
[[gnu::always_inline]] inline std::ptrdiff_t take_digit_run(const char*& p, std::uint64_t& number, std::ptrdiff_t limit)
{
    std::ptrdiff_t count = 0;
    for (;;) {
        const int taken = take_digits(p, number);
        p += taken;
        count += taken;
        if (taken < 8 || count > limit)
            return count;
    }
}

// Plain decimal numbers converted without the general path: a mantissa of at most 19 digits that
// fits a double exactly, scaled by a power of ten that a double holds exactly, gives the correctly
// rounded double in one multiplication or division; rounded to float, that is what the general
// conversion (correctly rounded to double, then to float) gives. Anything else (long mantissas,
// large exponents, blanks, words, hexadecimal) takes the general conversion.
//
// The number at `at` in a PaddedText converted the quick way, with at moved past it; false (at
// left alone) when it needs the general conversion: no digit, more than 19 digits (leading zeros
// included), a mantissa beyond 2^53 or a power of ten beyond 22. Where it gives a value, that
// value is str_to_float's of the text from at on.
[[gnu::always_inline]] inline bool padded_real(const char*& at, float& value)
{
    static constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int EXACT_POWER = 22;                       // largest power of ten a double holds exactly
    constexpr std::uint64_t EXACT_MANTISSA = 1ULL << 53;  // largest integer below which every one is a double
    constexpr int MANTISSA_DIGITS = 19;                   // significant digits a 64-bit mantissa takes
    const auto digit = [](char c) { return static_cast<unsigned>(c - '0'); };

    const char* p = at;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    // Every digit goes into the mantissa, leading zeros too (they add nothing): at most 19 of them.
    std::uint64_t mantissa = 0;
    std::ptrdiff_t digits = 0;
    std::ptrdiff_t fraction = 0;
    if (take_short_point_number(p, mantissa, digits, fraction)) {
        if (digit(*p) <= 9) {  // the fraction goes on past the 8 bytes
            const std::ptrdiff_t more = take_digit_run(p, mantissa, MANTISSA_DIGITS);
            digits += more;
            fraction += more;
        }
    } else {
        digits = take_digit_run(p, mantissa, MANTISSA_DIGITS);
        if (*p == '.') {
            ++p;
            fraction = take_digit_run(p, mantissa, MANTISSA_DIGITS);
            digits += fraction;
        }
    }
    int exponent = -static_cast<int>(fraction);
    if (digits > MANTISSA_DIGITS || digits == 0)
        return false;  // no number, or the mantissa may have wrapped round
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        const bool exponent_negative = *q == '-';
        if (*q == '+' || *q == '-')
            ++q;
        if (digit(*q) <= 9) {
            int written = 0;
            for (; digit(*q) <= 9; ++q)
                if (written < 10000)
                    written = written * 10 + static_cast<int>(digit(*q));
            exponent += exponent_negative ? -written : written;
            p = q;
        }
    }
    if (mantissa > EXACT_MANTISSA || exponent < -EXACT_POWER || exponent > EXACT_POWER)
        return false;
    double scaled = static_cast<double>(mantissa);
    scaled = exponent < 0 ? scaled / POWERS_OF_TEN[-exponent] : scaled * POWERS_OF_TEN[exponent];
    value = static_cast<float>(negative ? -scaled : scaled);
    at = p;
    return true;
}

// padded_real of the text [at, last), which need not be padded: false as well when it is longer
// than a PaddedText holds.
bool quick_real(const char*& at, const char* last, float& value);

// The reader's conversion of a field's text to a real, fast for the plain decimal numbers the
// solver writes and exactly str_to_float (core/str.h) for every text.
#pragma once

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

// A text followed by a byte that ends every number and field (a zero byte or a line end): a number
// in it is read up to the first byte that cannot continue it, without a test for the text's end at
// every byte. A line lying in a larger block is read where it lies, its line end after it; any
// other text is a copy followed by zero bytes. A line has no zero byte of its own (a NUL ends a
// line), so the first one is the text's end.
class PaddedText {
public:
    static constexpr std::size_t ROOM = 256;  // longest text held

    // Holds text where it lies when the byte just after it is readable and a line end (LF, CR or
    // NUL; in_place), else a copy; false (nothing held) when a copy would be longer than ROOM.
    bool hold(std::string_view text, bool in_place)
    {
        if (in_place) {
            data_ = text.data();
            size_ = text.size();
            return true;
        }
        return assign(text);
    }
    // Holds a copy of text; false (nothing held) when it is longer than ROOM.
    bool assign(std::string_view text)
    {
        if (text.size() > ROOM)
            return false;
        if (!text.empty())  // an empty view may have no data at all
            std::memcpy(bytes_, text.data(), text.size());
        std::memset(bytes_ + text.size(), 0, PAD);
        data_ = bytes_;
        size_ = text.size();
        return true;
    }
    const char* begin() const { return data_; }
    const char* end() const { return data_ + size_; }
    // The end of the bytes that may be read: the line end after a text held in place, else the
    // zero bytes after the copy.
    const char* readable_end() const { return data_ + size_ + (data_ == bytes_ ? PAD : 1); }

private:
    static constexpr std::size_t PAD = 8;  // zero bytes after the text: more than a look-ahead needs
    char bytes_[ROOM + PAD];
    const char* data_ = bytes_;
    std::size_t size_ = 0;
};

// The run of decimal digits at p in a PaddedText, added to number (times 10 per digit, wrapping
// round in 64 bits as str_to_int does); p moves past it and gives how many there were.
[[gnu::always_inline]] inline std::ptrdiff_t take_digit_run(const char*& p, std::uint64_t& number)
{
    const char* const first = p;
    // Two digits a turn (the byte after a digit may be read: at worst it ends the text); each digit
    // is taken as a 64-bit value at once: no widening in the loop.
    const auto digit = [](char c) { return static_cast<unsigned char>(c) - std::uint64_t{'0'}; };
    for (std::uint64_t high; (high = digit(*p)) <= 9;) {
        const std::uint64_t low = digit(p[1]);
        if (low > 9) {
            number = number * 10 + high;
            ++p;
            break;
        }
        number = number * 100 + high * 10 + low;
        p += 2;
    }
    return p - first;
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
inline constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                           1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int EXACT_POWER = 22;  // largest power of ten a double holds exactly

[[gnu::always_inline]] inline bool padded_real(const char*& at, float& value)
{
    constexpr std::uint64_t EXACT_MANTISSA = 1ULL << 53;  // largest integer below which every one is a double
    constexpr int MANTISSA_DIGITS = 19;                   // significant digits a 64-bit mantissa takes
    constexpr std::ptrdiff_t EXACT_DIGITS = 15;           // digits below 2^53 whatever they are
    const auto digit = [](char c) { return static_cast<unsigned>(c - '0'); };

    const char* p = at;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    // Every digit goes into the mantissa, leading zeros too (they add nothing): at most 19 of them.
    std::uint64_t mantissa = 0;
    std::ptrdiff_t digits = take_digit_run(p, mantissa);
    std::ptrdiff_t fraction = 0;
    if (*p == '.') {
        ++p;
        fraction = take_digit_run(p, mantissa);
        digits += fraction;
    }
    if (static_cast<std::size_t>(digits - 1) >= std::size_t{MANTISSA_DIGITS})
        return false;  // no number, or the mantissa may have wrapped round
    // Without an exponent, the power of ten is at most 19 (the digits after the point).
    int exponent = -static_cast<int>(fraction);
    if ((*p | 0x20) == 'e') {  // 'e' or 'E'
        if ((p[1] == '+' || p[1] == '-') && digit(p[2]) <= 9 && digit(p[3]) <= 9 && digit(p[4]) > 9) {
            // A signed exponent of two digits, as the solver writes them, at once (each byte read only
            // after the one before it was found to be no end).
            const int written = static_cast<int>(digit(p[2]) * 10 + digit(p[3]));
            exponent += p[1] == '-' ? -written : written;
            p += 4;
        } else {
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
        if (exponent < -EXACT_POWER || exponent > EXACT_POWER)
            return false;
    }
    if (digits > EXACT_DIGITS && mantissa > EXACT_MANTISSA)
        return false;
    // At most 2^53: converted as a signed number, the one conversion the processor has.
    double scaled = static_cast<double>(static_cast<std::int64_t>(mantissa));
    scaled = exponent < 0 ? scaled / POWERS_OF_TEN[-exponent] : scaled * POWERS_OF_TEN[exponent];
    value = static_cast<float>(negative ? -scaled : scaled);
    at = p;
    return true;
}

// padded_real of the text [at, last), which need not be padded: false as well when it is longer
// than a PaddedText holds.
bool quick_real(const char*& at, const char* last, float& value);

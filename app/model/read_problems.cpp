// Checks of the text the results reader finds.
#include "app/model/read_problems.h"

#include <cstdint>
#include <cstring>

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The number of decimal digits at text[i...].
std::size_t digits_at(std::string_view text, std::size_t i)
{
    std::size_t n = 0;
    while (i + n < text.size() && is_digit(text[i + n]))
        ++n;
    return n;
}

std::size_t after_sign(std::string_view text, std::size_t i)
{
    return i < text.size() && (text[i] == '+' || text[i] == '-') ? i + 1 : i;
}

constexpr std::size_t QUOTED_BYTES = 40;  // most bytes of a field a problem quotes

}  // namespace

bool is_decimal_integer(std::string_view text)
{
    const std::size_t i = after_sign(text, 0);
    const std::size_t digits = digits_at(text, i);
    return digits > 0 && i + digits == text.size();
}

bool is_decimal_real(std::string_view text)
{
    std::size_t i = after_sign(text, 0);
    std::size_t digits = digits_at(text, i);
    i += digits;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = digits_at(text, i + 1);
        digits += fraction;
        i += 1 + fraction;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        i = after_sign(text, i + 1);
        const std::size_t exponent = digits_at(text, i);
        if (exponent == 0)
            return false;
        i += exponent;
    }
    return i == text.size();
}

std::string quoted_field(std::string_view text)
{
    // Made in a buffer of its own and copied once: a problem quotes a field of every bad line.
    char out[QUOTED_BYTES * 4 + 8];
    std::size_t size = 0;
    out[size++] = '"';
    for (std::size_t i = 0; i < text.size() && i < QUOTED_BYTES; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c == 127) {
            static constexpr char HEX[] = "0123456789ABCDEF";
            out[size++] = '\\';
            out[size++] = 'x';
            out[size++] = HEX[c >> 4];
            out[size++] = HEX[c & 15];
        } else {
            out[size++] = static_cast<char>(c);
        }
    }
    if (text.size() > QUOTED_BYTES) {
        std::memcpy(out + size, "...", 3);
        size += 3;
    }
    out[size++] = '"';
    return std::string(out, size);
}

int first_control_byte(std::string_view text)
{
    // Eight bytes at a time while none of them is below 32 or 127 (bytes of 128 and above pass).
    constexpr std::uint64_t ONES = 0x0101010101010101ULL;
    constexpr std::uint64_t HIGH = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        const std::uint64_t low = (word - ONES * 32) & ~word & HIGH;
        const std::uint64_t del = word ^ (ONES * 127);
        if ((low | ((del - ONES) & ~del & HIGH)) != 0)
            break;
    }
    text.remove_prefix(i);
    for (const char byte : text) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c < 32 || c == 127)
            return c;
    }
    return -1;
}

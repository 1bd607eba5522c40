// The result text written with std::to_chars, which rounds as printf does, and laid out as "%10.3E".
#include "app/model/result_text.h"

#include <charconv>
#include <cstring>

namespace {

constexpr std::size_t FIELD_WIDTH = 10;  // "%10.3E": at least ten bytes, blanks on the left
constexpr int PLACES = 3;

// value as "%10.3E" at out; returns the end.
char* write_field(char* out, double value)
{
    char number[32];
    const std::to_chars_result r = std::to_chars(number, number + sizeof number, value, std::chars_format::scientific,
                                                 PLACES);
    const std::size_t length = static_cast<std::size_t>(r.ptr - number);
    for (std::size_t i = 0; i < length; ++i)
        if (number[i] >= 'a' && number[i] <= 'z')
            number[i] = static_cast<char>(number[i] - 'a' + 'A');  // "e", "inf" and "nan" as %E writes them
    const std::size_t blanks = length < FIELD_WIDTH ? FIELD_WIDTH - length : 0;
    std::memset(out, ' ', blanks);
    std::memcpy(out + blanks, number, length);
    return out + blanks + length;
}

}  // namespace

std::size_t format_result_text(char* out, double stress, double force)
{
    char* end = write_field(out, stress);
    std::memcpy(end, "   ", 3);
    end = write_field(end + 3, force);
    return static_cast<std::size_t>(end - out);
}

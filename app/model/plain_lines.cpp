// One pass over a line of plain numbers: each field is converted where it stands, and a line that
// is anything but plain ends the pass at once.
#include "app/model/plain_lines.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "app/model/field_number.h"

namespace {

bool is_control(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 || byte == 127;
}

// An optionally signed run of decimal digits at `at` in a PaddedText, wrapping round in 64 bits
// as str_to_int does; false when there is no digit. at moves past it.
[[gnu::always_inline]] inline bool signed_digits(const char*& at, std::uint64_t& value)
{
    const char* p = at;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    std::uint64_t v = 0;
    if (take_digit_run(p, v) == 0)
        return false;
    at = p;
    value = negative ? ~v + 1 : v;
    return true;
}

// The free fields of a PaddedText from a place on, taken from the front: each read skips the
// spaces before its field and takes it only when the field is that kind of number and nothing else.
class FreeFields {
public:
    FreeFields(const PaddedText& text, const char* from) : at_(from), last_(text.end()) {}
    explicit FreeFields(const PaddedText& text) : FreeFields(text, text.begin()) {}

    [[gnu::always_inline]] bool integer(std::uint64_t& value)
    {
        skip_spaces();
        return signed_digits(at_, value) && field_ends();
    }
    [[gnu::always_inline]] bool real(float& value)
    {
        skip_spaces();
        return padded_real(at_, value) && field_ends();
    }
    // A real written as a whole number of up to 7 digits (every one exact as a float, as the
    // general conversion gives it), without the real's conversion; any other field as real().
    [[gnu::always_inline]] bool whole_real(float& value)
    {
        constexpr std::ptrdiff_t EXACT_DIGITS = 7;
        skip_spaces();
        const char* p = at_;
        std::uint64_t number = 0;
        const std::ptrdiff_t digits = take_digit_run(p, number);
        if (digits == 0 || digits > EXACT_DIGITS || (*p != ' ' && p != last_))
            return padded_real(at_, value) && field_ends();
        at_ = p;
        value = static_cast<float>(number);
        return true;
    }
    // True when only spaces are left.
    [[gnu::always_inline]] bool done()
    {
        skip_spaces();
        return at_ == last_;
    }

private:
    // The zero bytes after the text end the run.
    [[gnu::always_inline]] void skip_spaces()
    {
        while (*at_ == ' ')
            ++at_;
    }
    [[gnu::always_inline]] bool field_ends() const { return *at_ == ' ' || at_ == last_; }

    const char* at_;
    const char* last_;
};

// The real in the fixed column [from, from + width) of a padded line, which holds it and nothing
// else but spaces around it.
bool column_real(const PaddedText& text, std::size_t from, std::size_t width, float& value)
{
    const auto size = static_cast<std::size_t>(text.end() - text.begin());
    if (from >= size)
        return false;
    const char* const last = text.begin() + std::min(size, from + width);
    const char* at = text.begin() + from;
    while (at < last && *at == ' ')
        ++at;
    if (at == last)
        return false;
    const char* p = at;
    if (!padded_real(p, value) || p > last) {
        p = at;  // the number may run on into the next column: read it within this one
        if (!quick_real(p, last, value))
            return false;
    }
    while (p < last && *p == ' ')
        ++p;
    return p == last;
}

// True when the line's bytes from `from` on are all spaces (or there are none).
bool blank_from(std::string_view line, std::size_t from)
{
    return from >= line.size() || line.find_first_not_of(' ', from) == std::string_view::npos;
}

// The length of the run of digits that starts a text, when a space or the text's end follows it; else 0.
std::ptrdiff_t leading_digits(const PaddedText& text)
{
    const char* p = text.begin();
    std::uint64_t value = 0;
    const std::ptrdiff_t n = take_digit_run(p, value);
    return *p == ' ' || p == text.end() ? n : 0;
}

}  // namespace

bool read_plain_node_line(std::string_view line, std::int64_t node, PlainNodeLine& out, bool in_place)
{
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    FreeFields fields(text);
    std::uint64_t number = 0;
    if (!fields.integer(number) || static_cast<std::int64_t>(number) != node)
        return false;
    for (std::int8_t& code : out.restraints) {
        std::uint64_t value = 0;
        if (!fields.integer(value))
            return false;
        code = static_cast<std::int8_t>(value & 0xFF);
    }
    for (float& value : out.coords)
        if (!fields.real(value))
            return false;
    for (float& value : out.loads)
        if (!fields.real(value))
            return false;
    return fields.done();
}

bool read_plain_element_line(std::string_view line, PlainElementLine& out, bool in_place)
{
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    FreeFields fields(text);
    std::uint64_t number = 0;
    if (!fields.integer(number) || !fields.whole_real(out.ends[0]) || !fields.whole_real(out.ends[1]) || !fields.done())
        return false;
    out.number = static_cast<std::int32_t>(number & 0xFFFFFFFF);
    return true;
}

bool read_plain_deflection_line(std::string_view line, std::int64_t node, float (&out)[3], bool in_place)
{
    constexpr std::ptrdiff_t LONG_NUMBER = 3;  // digits from which the values follow as free fields
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    if (leading_digits(text) >= LONG_NUMBER) {
        FreeFields fields(text);
        std::uint64_t number = 0;
        return fields.integer(number) && static_cast<std::int64_t>(number) == node && fields.real(out[0]) &&
               fields.real(out[1]) && fields.real(out[2]) && fields.done();
    }
    // Columns 1-2 the number, 3-14, 16-27 and 28-39 the values; column 15 belongs to none.
    // (A number that runs on past column 2 is left to the general reading.)
    constexpr std::ptrdiff_t NUMBER_END = 2;
    const char* const number_end = text.begin() + std::min<std::ptrdiff_t>(NUMBER_END, text.end() - text.begin());
    const char* at = text.begin();
    while (at < number_end && *at == ' ')
        ++at;
    std::uint64_t number = 0;
    if (!signed_digits(at, number) || at > number_end)
        return false;
    while (at < number_end && *at == ' ')
        ++at;
    return at == number_end && static_cast<std::int64_t>(number) == node && column_real(text, 2, 12, out[0]) &&
           column_real(text, 15, 12, out[1]) && column_real(text, 27, 12, out[2]) && !is_control(line[14]) &&
           blank_from(line, 39);
}

bool read_plain_result_line(std::string_view line, PlainResultLine& out, bool in_place)
{
    constexpr std::ptrdiff_t LONG_NUMBER = 4;  // digits from which the values follow as free fields
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    const char* at = text.begin();
    std::uint64_t number = 0;
    if (!signed_digits(at, number) || (at != text.end() && *at != ' '))
        return false;
    out.number = static_cast<std::int32_t>(number & 0xFFFFFFFF);
    const bool signed_number = *text.begin() == '+' || *text.begin() == '-';
    if (!signed_number && at - text.begin() >= LONG_NUMBER) {  // as leading_digits(text) >= LONG_NUMBER
        FreeFields fields(text, at);
        return fields.real(out.stress) && fields.real(out.force) && fields.done();
    }
    // Columns 4-16 the stress, 18-32 the force; what lies between the number and column 4, and
    // column 17, belong to no field.
    const auto number_length = static_cast<std::size_t>(at - text.begin());
    for (std::size_t i = number_length; i < 3 && i < line.size(); ++i)
        if (is_control(line[i]))
            return false;
    return column_real(text, 3, 13, out.stress) && column_real(text, 17, 15, out.force) && !is_control(line[16]) &&
           blank_from(line, 32);
}

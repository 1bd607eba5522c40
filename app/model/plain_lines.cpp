// One pass over a line of plain numbers: each field is converted where it stands, and a line that
// is anything but plain ends the pass at once.
#include "app/model/plain_lines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/model/field_number.h"
#include "app/model/line_source.h"

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

// The free fields of a line from a place on, taken from the front: each read skips the spaces
// before its field and takes it only when the field is that kind of number and nothing else. The
// line ends at its first LF, CR or NUL (a PaddedText's zero bytes, or the line end of a line read
// in place), which end() finds. The bytes before readable_end may all be read (a look ahead past
// the line end reads no further).
class FreeFields {
public:
    FreeFields(const char* from, const char* readable_end) : at_(from), readable_end_(readable_end) {}

    [[gnu::always_inline]] bool integer(std::uint64_t& value)
    {
        skip_spaces();
        // A lone digit before a space (a restraint code) at once; the byte after a digit is held.
        if (const std::uint64_t digit = static_cast<unsigned char>(*at_) - std::uint64_t{'0'};
            digit <= 9 && at_[1] == ' ') {
            value = digit;
            ++at_;
            return true;
        }
        return signed_digits(at_, value) && field_ends();
    }
    [[gnu::always_inline]] bool real(float& value)
    {
        skip_spaces();
        return padded_real(at_, value) && field_ends();
    }
    // A real as real() gives it, the solver's exponent form (an optionally signed digit, a point,
    // three or four digits, E or e, a sign and two digits: -1.2345E-06) read at fixed places.
    [[gnu::always_inline]] bool exponent_real(float& value)
    {
        skip_spaces();
        const auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'}; };
        const char* p = at_;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        // Each byte is read only once the one before it is found to be no end of the text.
        if (const unsigned first = digit(p[0]);
            first <= 9 && p[1] == '.' && digit(p[2]) <= 9 && digit(p[3]) <= 9 && digit(p[4]) <= 9) {
            unsigned mantissa = ((first * 10 + digit(p[2])) * 10 + digit(p[3])) * 10 + digit(p[4]);
            int fraction = 3;
            const char* e = p + 5;
            if (digit(*e) <= 9) {
                mantissa = mantissa * 10 + digit(*e);
                ++fraction;
                ++e;
            }
            if ((*e | 0x20) == 'e' && (e[1] == '+' || e[1] == '-') && digit(e[2]) <= 9 && digit(e[3]) <= 9 &&
                digit(e[4]) > 9) {
                const int written = static_cast<int>(digit(e[2]) * 10 + digit(e[3]));
                const int exponent = (e[1] == '-' ? -written : written) - fraction;
                if (exponent >= -EXACT_POWER && exponent <= EXACT_POWER) {
                    double scaled = static_cast<double>(static_cast<std::int32_t>(mantissa));
                    scaled = exponent < 0 ? scaled / POWERS_OF_TEN[-exponent] : scaled * POWERS_OF_TEN[exponent];
                    value = static_cast<float>(negative ? -scaled : scaled);
                    at_ = e + 4;
                    return field_ends();
                }
            }
        }
        return padded_real(at_, value) && field_ends();
    }
    // A real as real() gives it, the solver's fixed-point form (an optionally signed run of digits,
    // a point and a run of digits, 15 digits at most: -24996.5000) read without the exponent's tests.
    [[gnu::always_inline]] bool point_real(float& value)
    {
        constexpr std::ptrdiff_t EXACT_DIGITS = 15;  // digits below 2^53 whatever they are
        skip_spaces();
        const char* p = at_;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        std::uint64_t mantissa = 0;
        const std::ptrdiff_t whole = take_digit_run(p, mantissa);
        if (whole > 0 && *p == '.') {
            ++p;
            const std::ptrdiff_t fraction = take_digit_run(p, mantissa);
            if (whole + fraction <= EXACT_DIGITS && (*p | 0x20) != 'e') {
                const double scaled = static_cast<double>(static_cast<std::int64_t>(mantissa)) /
                                      POWERS_OF_TEN[fraction];
                value = static_cast<float>(negative ? -scaled : scaled);
                at_ = p;
                return field_ends();
            }
        }
        return padded_real(at_, value) && field_ends();
    }
    // An end node, a real as real() reads it, made a node number (end_node_from_real): one written
    // as a whole number of up to 7 digits (exact as a float) taken as it is.
    [[gnu::always_inline]] bool end_node(std::int32_t& node)
    {
        constexpr std::ptrdiff_t EXACT_DIGITS = 7;
        skip_spaces();
        const char* p = at_;
        std::uint64_t number = 0;
        const std::ptrdiff_t digits = take_digit_run(p, number);
        if (digits > 0 && digits <= EXACT_DIGITS && (*p == ' ' || ends_line(*p))) {
            at_ = p;
            node = static_cast<std::int32_t>(number);
            return true;
        }
        float value = 0.0f;
        if (!(padded_real(at_, value) && field_ends()))
            return false;
        node = end_node_from_real(value);
        return true;
    }
    // The line's end when only spaces are left, else nullptr.
    [[gnu::always_inline]] const char* end()
    {
        skip_spaces();
        return ends_line(*at_) ? at_ : nullptr;
    }
    // Where the last field read ends.
    const char* at() const { return at_; }

private:
    // The line end ends the run. Runs of more than one space (fields in columns) are passed eight
    // bytes at a time where eight can be read.
    [[gnu::always_inline]] void skip_spaces()
    {
        if (*at_ != ' ' || *++at_ != ' ')
            return;
        constexpr std::uint64_t SPACES = 0x2020202020202020ULL;
        while (readable_end_ - at_ >= 8) {
            std::uint64_t word;
            std::memcpy(&word, at_, sizeof word);
            const std::uint64_t others = word ^ SPACES;  // the bytes that are not spaces
            if (others != 0) {
                at_ += __builtin_ctzll(others) / 8;
                return;
            }
            at_ += 8;
        }
        while (*at_ == ' ')
            ++at_;
    }
    [[gnu::always_inline]] bool field_ends() const { return *at_ == ' ' || ends_line(*at_); }

    const char* at_;
    const char* readable_end_;
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

// The fields of a node line from `at` on; the line's end, or nullptr when it is not plain.
const char* node_fields(const char* at, const char* readable_end, std::int64_t node, PlainNodeLine& out)
{
    FreeFields fields(at, readable_end);
    std::uint64_t number = 0;
    if (!fields.integer(number) || static_cast<std::int64_t>(number) != node)
        return nullptr;
    for (std::int8_t& code : out.restraints) {
        std::uint64_t value = 0;
        if (!fields.integer(value))
            return nullptr;
        code = static_cast<std::int8_t>(value & 0xFF);
    }
    for (float& value : out.coords)
        if (!fields.point_real(value))
            return nullptr;
    for (float& value : out.loads)
        if (!fields.point_real(value))
            return nullptr;
    return fields.end();
}

const char* element_fields(const char* at, const char* readable_end, PlainElementLine& out)
{
    FreeFields fields(at, readable_end);
    std::uint64_t number = 0;
    if (!fields.integer(number) || !fields.end_node(out.ends[0]) || !fields.end_node(out.ends[1]))
        return nullptr;
    out.number = static_cast<std::int32_t>(number & 0xFFFFFFFF);
    return fields.end();
}

// A result line's number at its first byte (no space before it): where the number ends, or
// nullptr when the line does not start with a signed run of digits followed by a space or its end.
[[gnu::always_inline]] inline const char* result_number(const char* at, PlainResultLine& out)
{
    std::uint64_t number = 0;
    if (!signed_digits(at, number) || (*at != ' ' && !ends_line(*at)))
        return nullptr;
    out.number = static_cast<std::int32_t>(number & 0xFFFFFFFF);
    return at;
}

// A result line's stress and force as free fields after its number; the trimmed line's end (the
// force's end), or nullptr when the line is not plain. line_end: the line's end.
[[gnu::always_inline]] inline const char* free_result_fields(const char* number_end, const char* readable_end,
                                                             PlainResultLine& out, const char*& line_end)
{
    FreeFields fields(number_end, readable_end);
    if (!fields.exponent_real(out.stress) || !fields.exponent_real(out.force))
        return nullptr;
    const char* const last = fields.at();
    line_end = fields.end();
    return line_end != nullptr ? last : nullptr;
}

constexpr std::ptrdiff_t LONG_DEFLECTION_NUMBER = 3;  // digits from which the values follow as free fields
constexpr std::ptrdiff_t LONG_RESULT_NUMBER = 4;

// A deflection line from its first byte: false when it does not start with a long number followed
// by a space or its end (its values are then in columns); else line_end is the line's end when the
// number is node and the values follow it as free fields, or nullptr when the line is not plain.
bool free_deflection_line(const char* at, const char* readable_end, std::int64_t node, float (&out)[3],
                          const char*& line_end)
{
    std::uint64_t number = 0;
    if (take_digit_run(at, number) < LONG_DEFLECTION_NUMBER || (*at != ' ' && !ends_line(*at)))
        return false;
    FreeFields fields(at, readable_end);
    line_end = static_cast<std::int64_t>(number) == node && fields.exponent_real(out[0]) &&
                       fields.exponent_real(out[1]) && fields.exponent_real(out[2])
                   ? fields.end()
                   : nullptr;
    return true;
}

// True when a result line's values follow as free fields: its number (from begin to number_end)
// is unsigned and long.
bool free_results(const char* begin, const char* number_end)
{
    return *begin != '+' && *begin != '-' && number_end - begin >= LONG_RESULT_NUMBER;
}

}  // namespace

std::int32_t end_node_from_real(float value)
{
    constexpr float WHOLE = 8388608.0f;  // 2^23: below it a float that converts back unchanged is whole
    if (std::fabs(value) < WHOLE) {
        const auto whole = static_cast<std::int32_t>(value);
        if (static_cast<float>(whole) == value)
            return whole;
    }
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9f)
        return 0;
    return static_cast<std::int32_t>(std::nearbyint(value));
}

bool read_plain_node_line(std::string_view line, std::int64_t node, PlainNodeLine& out, bool in_place)
{
    PaddedText text;
    return text.hold(line, in_place) && node_fields(text.begin(), text.readable_end(), node, out) == text.end();
}

bool read_plain_element_line(std::string_view line, PlainElementLine& out, bool in_place)
{
    PaddedText text;
    return text.hold(line, in_place) && element_fields(text.begin(), text.readable_end(), out) == text.end();
}

bool read_plain_deflection_line(std::string_view line, std::int64_t node, float (&out)[3], bool in_place)
{
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    if (const char* line_end = nullptr; free_deflection_line(text.begin(), text.readable_end(), node, out, line_end))
        return line_end == text.end();
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
    PaddedText text;
    if (!text.hold(line, in_place))
        return false;
    const char* const at = result_number(text.begin(), out);
    if (at == nullptr || (at != text.end() && *at != ' '))
        return false;
    if (free_results(text.begin(), at)) {
        const char* line_end = nullptr;
        const char* const last = free_result_fields(at, text.readable_end(), out, line_end);
        return last != nullptr &&
               (last == text.end() || blank_from(line, static_cast<std::size_t>(last - text.begin())));
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

const char* read_plain_node_at(std::string_view bytes, std::int64_t node, PlainNodeLine& out)
{
    return node_fields(bytes.data(), bytes.data() + bytes.size(), node, out);
}

const char* read_plain_element_at(std::string_view bytes, PlainElementLine& out)
{
    return element_fields(bytes.data(), bytes.data() + bytes.size(), out);
}

const char* read_plain_deflection_at(std::string_view bytes, std::int64_t node, float (&out)[3])
{
    if (const char* line_end = nullptr;
        free_deflection_line(bytes.data(), bytes.data() + bytes.size(), node, out, line_end))
        return line_end;
    const std::string_view line = bytes.substr(0, line_length(bytes));
    return read_plain_deflection_line(line, node, out, true) ? line.data() + line.size() : nullptr;
}

const char* read_plain_result_at(std::string_view bytes, PlainResultLine& out, std::string_view& trimmed)
{
    const char* first = bytes.data();
    while (*first == ' ')
        ++first;
    const char* const number_end = result_number(first, out);
    if (number_end == nullptr)
        return nullptr;
    if (free_results(first, number_end)) {
        const char* line_end = nullptr;
        const char* const last = free_result_fields(number_end, bytes.data() + bytes.size(), out, line_end);
        if (last == nullptr)
            return nullptr;
        trimmed = std::string_view(first, static_cast<std::size_t>(last - first));
        return line_end;
    }
    const std::string_view line = bytes.substr(0, line_length(bytes));
    const std::string_view read = line.substr(static_cast<std::size_t>(first - line.data()));
    if (!read_plain_result_line(read, out, true))
        return nullptr;
    trimmed = read.substr(0, read.find_last_not_of(' ') + 1);
    return line.data() + line.size();
}

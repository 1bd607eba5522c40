// Byte strings and number <-> text conversion.
//
// Strings are byte strings without multi-byte awareness; positions are 1-based and 0 means "not
// found". No operation modifies its arguments; every result is a new std::string. Conversions use
// '.' as the decimal point whatever the process locale, and never change the locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// True when a and b are equal byte for byte (case-sensitive).
bool str_equal(std::string_view a, std::string_view b);
// Number of bytes in text.
int str_length(std::string_view text);
// A string of n spaces; n <= 0 gives "".
std::string str_spaces(int n);
// The first n characters; n < 0 gives "", n beyond the length the whole text.
std::string str_left(std::string_view text, int n);
// The last n characters; n < 0 gives "", n beyond the length the whole text.
std::string str_right(std::string_view text, int n);
// Up to length characters from position start (start <= 1 counts as 1); "" past the end or for length < 0.
std::string str_mid(std::string_view text, int start, int length);
// Position of the first occurrence of pattern at or after start (start < 1 counts as 1); 0 if none,
// if start is past the end, or if text or pattern is empty.
int str_find(std::string_view text, std::string_view pattern, int start);
// The index-th (1-based) field of text cut at every occurrence of separator; "" when out of range.
std::string str_field(std::string_view text, int index, std::string_view separator);
// text without leading and trailing spaces (only character 32; tabs stay).
std::string str_trim(std::string_view text);
// text without leading and trailing runs of the first character of chars (space when chars is empty).
std::string str_trim_char(std::string_view text, std::string_view chars);

// Integer from text: blanks, one sign, '$' hex or '%' binary or decimal digits; wraps in 64 bits;
// no digit gives 0.
std::int64_t str_to_int(std::string_view text);
// Real from text: "+Infinity", "-Infinity", "NaN" (any case) or a C-style decimal prefix, rounded
// to float32 (overflow gives infinity); no number gives 0.
float str_to_float(std::string_view text);
// Text of value: decimals -1 is "%.10f" with trailing zeros trimmed, others clamped to 0..512 places;
// infinities are "+Infinity" / "-Infinity", NaN is "NaN"; an exact zero never shows a minus sign.
std::string str_from_float(float value, int decimals);

// Colour value red + green * 256 + blue * 65536, by plain addition (components are not masked).
int draw_rgb(int red, int green, int blue);

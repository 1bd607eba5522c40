// The reader's conversion of a field's text to a real, fast for the plain decimal numbers the
// solver writes and exactly str_to_float (core/str.h) for every text.
#pragma once

#include <string_view>

// A field's value and whether the field is a decimal real and nothing else (is_decimal_real).
struct FieldReal {
    float value = 0.0f;    // str_to_float(field)
    bool decimal = false;  // is_decimal_real(field)
};

FieldReal read_real_field(std::string_view field);
// str_to_float(text): the value of the number text starts with.
float leading_real(std::string_view text);

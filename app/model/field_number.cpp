// A field's real: the quick conversion where it applies, else the general one.
#include "app/model/field_number.h"

#include "app/model/read_problems.h"
#include "core/str.h"

FieldReal read_real_field(std::string_view field)
{
    FieldReal out;
    const char* at = field.data();
    const char* const last = at + field.size();
    if (quick_real(at, last, out.value)) {
        out.decimal = at == last;  // the whole field is the number, or something else follows
        return out;
    }
    out.value = str_to_float(field);
    out.decimal = is_decimal_real(field);
    return out;
}

float leading_real(std::string_view text)
{
    float value = 0.0f;
    const char* at = text.data();
    return quick_real(at, at + text.size(), value) ? value : str_to_float(text);
}

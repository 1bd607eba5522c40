// A field's real: the quick conversion where it applies, else the general one.
#include "app/model/field_number.h"

#include "app/model/read_problems.h"
#include "core/str.h"

bool quick_real(const char*& at, const char* last, float& value)
{
    PaddedText text;
    if (!text.assign(std::string_view(at, static_cast<std::size_t>(last - at))))
        return false;
    const char* p = text.begin();
    if (!padded_real(p, value))
        return false;
    at += p - text.begin();
    return true;
}

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

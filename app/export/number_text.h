// Numbers as text for the CAD and VTK writers: each in the shortest form that reads back to the
// same value (std::to_chars), appended to a string. A float32 the file gave reads back as that
// float32; a double computed here reads back as that double.
#pragma once

#include <charconv>
#include <string>

template <typename Number>
void append_number(std::string& out, Number value)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// Shared by the CAD (DXF) and VTK (VTU) writers: numbers as text, each in the shortest form that
// reads back to the same value (std::to_chars: a float32 the file gave reads back as that float32,
// a double as that double), and which members they draw.
#pragma once

#include <charconv>
#include <cstddef>
#include <string>

#include "app/model/analysis.h"

template <typename Number>
void append_number(std::string& out, Number value)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// Whether member e is drawn: drawable, with both end nodes among numbers' nodes.
inline bool member_drawn(const ModelNumbers& numbers, std::size_t e)
{
    const MemberNumbers& m = numbers.members[e];
    const std::size_t nodes = numbers.nodes.size();
    return m.drawable && m.nodes[0] > 0 && m.nodes[1] > 0 && static_cast<std::size_t>(m.nodes[0]) < nodes &&
           static_cast<std::size_t>(m.nodes[1]) < nodes;
}

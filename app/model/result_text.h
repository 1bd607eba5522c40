// A member's result text as the solver prints it: stress and force, each as printf's "%10.3E",
// three blanks between.
#pragma once

#include <cstddef>

constexpr std::size_t RESULT_TEXT_ROOM = 64;  // bytes a result text may need

// Writes the text of stress and force into out (RESULT_TEXT_ROOM bytes); returns its length.
std::size_t format_result_text(char* out, double stress, double force);

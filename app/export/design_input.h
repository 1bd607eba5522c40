// The members' sections from the solver input that made a results file (tools/truss_input.h),
// for the design checks of app/model/checks.h; kelvaro-render's --input and the viewer's
// "Design check..." read it here.
#pragma once

#include <string>

#include "app/model/checks.h"

// Reads the solver input at path into limits.sections ([e], e = 1..members); "" on success, else
// what is wrong, naming the file (it cannot be read, it is no truss, or its member count differs).
std::string read_member_sections(const std::string& path, int members, DesignLimits& limits);

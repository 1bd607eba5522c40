// A model's numbers written back as a results file, in the fixed-column layout the solver writes
// (tools/results_writer.h), which the reader reads back to the same numbers to the layout's
// precision: coordinates and loads in full, deflections to 5 and stresses and forces to 4
// significant digits.
#pragma once

#include <string>
#include <string_view>

#include "app/model/analysis.h"

// The results file of numbers (with results) with title as its first line; "" with the reason in
// error when a value does not fit its column.
std::string results_file_text(const ModelNumbers& numbers, std::string_view title, std::string& error);
// results_file_text written to path whole or not at all. True on success; else error names the
// file and the cause.
bool write_results_file(const std::string& path, const ModelNumbers& numbers, std::string_view title,
                        std::string& error);

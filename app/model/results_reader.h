// Reading the solver's results file into TrussModel.
#pragma once

#include <string_view>

// Reads the results file open in slot RESULTS_FILE into TrussModel, computes the centre and the load
// and deflection scales, ticks "3D" for a spatial model, shows the deflection scale in its field,
// reports missing or bad results and anything it had to leave out in message boxes, and closes the
// file. Expects reset_for_load() to have run.
void read_results();

// The same read from bytes in memory (for fuzzing and tests): resets the model as "Load File"
// does, opens the bytes as an in-memory file in slot RESULTS_FILE and calls read_results. False,
// with nothing read, when the system gives no in-memory file.
bool read_results_from_memory(std::string_view bytes);

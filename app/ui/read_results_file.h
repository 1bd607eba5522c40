// The window's read of a results file: the reader run into TrussModel, its outcome applied to the
// window.
#pragma once

#include <string_view>

// Reads the results file open in slot RESULTS_FILE into TrussModel, ticks "3D" for a spatial
// model, shows the deflection scale in its field, closes the file, and reports anything the read
// had to leave out and missing or bad results in message boxes. Expects reset_for_load() to have
// run.
void read_results();

// The same read from bytes in memory (for fuzzing and tests): resets the model as "Load File"
// does and reads the bytes with the file slots' line rules. Always true.
bool read_results_from_memory(std::string_view bytes);

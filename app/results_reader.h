// Reading the solver's results file into TrussModel.
#pragma once

// Reads the results file open in slot RESULTS_FILE into TrussModel, computes the centre and the load
// and deflection scales, ticks "3D" for a spatial model, shows the deflection scale in its field,
// reports missing or bad results and anything it had to leave out in message boxes, and closes the
// file. Expects reset_for_load() to have run.
void read_results();

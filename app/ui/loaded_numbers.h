// The numbers of the loaded model (TrussModel), kept beside it: computed once per read, on their
// first use after it. Every reset of the model (start-up, "Load File") forgets them, and so does
// model_loaded() for a read without a reset (a reload). The window's overlays and tooltips, its
// results window and the report take them from here.
#pragma once

#include "app/model/analysis.h"

// The numbers of TrussModel as last read (results_missing tells whether it has results).
const ModelNumbers& model_numbers();
// Call after TrussModel was read again without a reset: the next model_numbers() computes afresh.
void model_loaded();
// Puts numbers in place of TrussModel's own until the next read or reset (the envelope of a set of
// load cases, drawn on the set's geometry).
void set_model_numbers(ModelNumbers given);

// The numbers of a results file given as bytes, for the model's tests.
#pragma once

#include <string>

#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

// The numbers of the model read from bytes; it has results when the read ended without a fault.
inline ModelNumbers numbers_of_bytes(const std::string& bytes)
{
    TrussModelData model;
    MemoryLineSource source(bytes);
    const ReadOutcome outcome = read_results(source, model);
    return compute_model_numbers(model, outcome.fault == ResultsFault::none);
}

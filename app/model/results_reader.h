// Reading the solver's results file into a truss model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class LineSource;
struct TrussModelData;

// Which of the two faults a read ended with.
enum class ResultsFault {
    none,        // the results were read
    missing,     // the file ends after the element lines: "No Results"
    unreadable,  // no usable deflection: "Error in Results"
};

// A message box the user is to be shown.
struct ReaderMessage {
    std::string title;
    std::string text;
};

// One thing wrong with the file: where, and what was expected or found.
struct ReadProblem {
    std::int64_t line = 0;  // 1-based line number in the file; 0 when not tied to a line
    std::string text;       // e.g. "the member results end after 500 of 800 lines"
};

// Most problems a read lists; the rest are only counted (bounded memory on hostile files).
constexpr std::size_t MAX_LISTED_PROBLEMS = 1000;

// What a read found, beside the model it filled.
struct ReadOutcome {
    bool spatial = false;  // a node has a non-zero component 1 (else the model is planar)
    ResultsFault fault = ResultsFault::none;
    std::string cut_text;                 // "Results file cut down: ..." when anything was left out, else ""
    bool deflection_scale_found = false;  // the deflections gave an automatic scale
    float deflection_scale = 0.0f;        // that scale (the model's deflection_scale)
    std::int64_t declared_nodes = 0;      // the counts on line 2, as full integers
    std::int64_t declared_elements = 0;
    std::int32_t nodes = 0;  // the counts the model keeps (its node_count, element_count)
    std::int32_t elements = 0;
    std::vector<ReaderMessage> messages;  // the boxes to show, in order: what was cut, then the fault
    std::vector<ReadProblem> problems;    // the first MAX_LISTED_PROBLEMS problems, in file order
    std::int64_t problem_count = 0;       // every problem found (>= problems.size())
};

// Reads a results file from source into model, which is emptied first (only its deflection factor
// is kept): counts, nodes, elements, deflections and element results, then the centre and the
// load and deflection scales. Touches nothing but model and source.
ReadOutcome read_results(LineSource& source, TrussModelData& model);

// Node, element and deflection sections are read in two parts at once where the source holds at
// least this many bytes (1 MB unless set) of a file it reads a block at a time, or
// WHOLE_TEXT_PARTS times as many of a text it holds whole: on a text that is all there at once, a
// second thread returns less time than it costs until the text is very long. The outcome is the
// same either way. Gives the size set before.
std::size_t set_read_in_parts_bytes(std::size_t bytes);
constexpr std::size_t WHOLE_TEXT_PARTS = 64;

// What the results reader finds wrong with a file: the problem list it fills (bounded, in file
// order) and the checks of a field's text that decide whether a value was really in the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "app/model/results_reader.h"

// Collects problems into an outcome: every one is counted, the first MAX_LISTED_PROBLEMS are kept.
class ProblemList {
public:
    explicit ProblemList(ReadOutcome& outcome) : outcome_(outcome) {}
    // Adds the problem at line (0: none) whose text make() builds; make runs only while the list has room.
    template <typename MakeText>
    void add(std::int64_t line, MakeText&& make)
    {
        ++outcome_.problem_count;
        if (outcome_.problems.size() < MAX_LISTED_PROBLEMS)
            outcome_.problems.push_back({line, std::forward<MakeText>(make)()});
    }

private:
    ReadOutcome& outcome_;
};

// True for an optionally signed run of decimal digits.
bool is_decimal_integer(std::string_view text);
// True for a decimal real as the solver writes them: an optional sign, digits with an optional
// point (at least one digit), and an optional exponent "e" or "E" with an optional sign and digits.
bool is_decimal_real(std::string_view text);
// text in double quotes, cut to its first 40 bytes ("..." after a cut), control bytes as \xNN.
std::string quoted_field(std::string_view text);
// The first byte of text below 32 or equal to 127, or -1 when there is none.
int first_control_byte(std::string_view text);

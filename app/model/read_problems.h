// What the results reader finds wrong with a file: the problem list it fills (bounded, in file
// order) and the checks of a field's text that decide whether a value was really in the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/model/results_reader.h"

// Collects problems into an outcome: every one is counted, the first MAX_LISTED_PROBLEMS are kept.
// Problems of one line found one after the other are one problem, their texts joined by "; " (up
// to about MAX_PROBLEM_TEXT bytes, then "..."), so that a line of garbage is one entry, not ten.
// A problem's text is made only while the list has room; make() may give a std::string or, for a
// fixed text, a std::string_view, which is joined without a copy of its own.
class ProblemList {
public:
    static constexpr std::size_t MAX_PROBLEM_TEXT = 240;

    explicit ProblemList(ReadOutcome& outcome) : outcome_(outcome) {}
    // Adds the problem at line (0: none) whose text make() builds; make runs only while the list has room.
    template <typename MakeText>
    void add(std::int64_t line, MakeText&& make)
    {
        std::vector<ReadProblem>& list = outcome_.problems;
        if (line > 0 && line == last_line_) {
            if (!list.empty() && list.back().line == line)
                join(list.back().text, std::forward<MakeText>(make));
            return;
        }
        last_line_ = line;
        ++outcome_.problem_count;
        if (list.size() < MAX_LISTED_PROBLEMS) {
            if (list.capacity() == 0)
                list.reserve(FIRST_ROOM);
            list.push_back({line, problem_text(std::forward<MakeText>(make)())});
            last_subject_ = {0, subject_of(list.back().text).size()};
        }
    }

    // Adds the problems later found in the lines after this list's, as if each had been added here.
    void append(const ProblemList& later)
    {
        std::vector<ReadProblem>& list = outcome_.problems;
        for (const ReadProblem& problem : later.outcome_.problems) {
            if (list.size() >= MAX_LISTED_PROBLEMS)
                break;
            list.push_back(problem);
        }
        outcome_.problem_count += later.outcome_.problem_count;
        if (later.outcome_.problem_count > 0) {
            last_line_ = later.last_line_;
            last_subject_ = later.last_subject_;
        }
    }

private:
    static constexpr std::size_t FIRST_ROOM = 64;  // problems the list has room for before it first grows

    // Where the subject of the part of a problem added last lies in the problem's text.
    struct Span {
        std::size_t at = 0;
        std::size_t size = 0;
    };

    // The text of a new problem. A fixed text (a NUL that ends the line, an empty line) is most often
    // joined by more problems of its line: it gets room for them at once.
    template <typename Made>
    static std::string problem_text(Made&& made)
    {
        if constexpr (std::is_same_v<std::remove_cvref_t<Made>, std::string>) {
            return std::forward<Made>(made);
        } else {
            constexpr std::size_t FIXED_TEXT_ROOM = 128;
            std::string text;
            text.reserve(FIXED_TEXT_ROOM);
            text.append(std::string_view(made));
            return text;
        }
    }

    // "node 3: " of "node 3: x load is missing"; "" when the text has no subject.
    static std::string_view subject_of(std::string_view text)
    {
        const std::size_t end = text.find(": ");
        return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 2);
    }

    // Appends more's text to text, without its subject when the part before had the same one.
    template <typename MakeText>
    void join(std::string& text, MakeText&& more)
    {
        if (text.size() >= MAX_PROBLEM_TEXT) {
            if (!text.ends_with("; ..."))
                text += "; ...";
            return;
        }
        const auto made = more();
        const std::string_view next = made;
        const std::string_view subject = subject_of(next);
        const bool same = !subject.empty() &&
                          subject == std::string_view(text).substr(last_subject_.at, last_subject_.size);
        const std::size_t skip = same ? subject.size() : 0;
        if (!same)
            last_subject_ = {text.size() + 2, subject.size()};
        text.reserve(text.size() + 2 + next.size() - skip);
        text += "; ";
        text.append(next, skip);
    }

    ReadOutcome& outcome_;
    std::int64_t last_line_ = 0;  // the line of the problem added last
    Span last_subject_;           // in the text of the problem added last
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

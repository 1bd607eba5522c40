// Load cases: several results of one truss, read together, and their factored combinations.
//
// A case is a results file or a combination: a sum of factored cases of the same truss. The
// analysis is linear, so a combination's deflections, stresses, forces and loads are the factored
// sums of its files' (every combination is expanded down to files first); its numbers come from
// app/model/analysis.h as a file's do, and its automatic deflection scale from its own deflections.
//
// A combinations file (.cases) is plain text, one statement a line, '#' starting a comment:
//
//     dead = bridge-dead.res            a file: a path with an extension or a '/', or "quoted"
//     ULS1 = 1.35 dead + 1.5 live       a combination: [+|-] [FACTOR [*]] NAME, joined by + and -
//
// A name is a letter or '_' followed by letters, digits and '_'. A path is relative to the
// combinations file's folder. A combination may use any case of the file, files and combinations,
// as long as no case comes back to itself. Cases keep the file's order.
//
// Cases belong together only when they describe the same truss: the same node and element counts,
// the same end nodes and restraint codes, and coordinates equal to 1e-6 of the model's size.
//
// Reads files only through the reader it is given; touches nothing else.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

// One file of a combination with its factor.
struct CaseTerm {
    double factor = 1.0;
    int file_case = 0;  // index of a file case of the set
};

struct LoadCase {
    std::string name;             // "dead", "ULS1"
    std::string source;           // the file as written, or the combination as written ("1.35 dead + 1.5 live")
    std::string path;             // the file read ("" for a combination)
    bool combination = false;     // a sum of factored cases rather than a file
    std::vector<CaseTerm> terms;  // a combination expanded to files (factors of one file added up)
    int line = 0;                 // its line in the combinations file (0 when given otherwise)
    bool spatial = false;         // a node has a z coordinate (from the first file)
    TrussModelData model;         // as read, or the factored sum
    ModelNumbers numbers;         // computed from model
};

struct LoadCaseSet {
    std::string path;                   // the combinations file ("" when the files were given directly)
    std::vector<LoadCase> cases;        // in the file's order
    std::vector<std::string> warnings;  // what the reader said about a file it could read ("FILE: text")
};

// Reads the results file at path into model; "" when it could be opened, else the reason.
using CaseFileReader = std::function<std::string(const std::string& path, TrussModelData& model, ReadOutcome& outcome)>;

// One statement of a combinations file as written.
struct CaseStatement {
    int line = 0;
    std::string name;
    std::string text;  // the file's path or the combination, trimmed (a path without its quotes)
    bool file = false;
    std::vector<std::pair<double, std::string>> terms;  // a combination's factors and names in order
};

// The statements of a combinations file's text; false with "NAME:LINE: reason" in error for a
// line that is no statement, a bad name or factor, a name given twice, an unknown name, a cycle or
// a file without a single case.
bool parse_case_statements(std::string_view text, std::string_view file_name, std::vector<CaseStatement>& statements,
                           std::string& error);

// Reads the combinations file's text (read from cases_path) and every file it names, and computes
// every case. False with "FILE:LINE: reason" in error for any fault; set is then left as it was.
bool read_case_set(std::string_view text, const std::string& cases_path, const CaseFileReader& read, LoadCaseSet& set,
                   std::string& error);
// A set of the results files at paths, each a case named by its file name without extension (made
// unique with "#2", "#3" where names repeat). False with the reason in error; set is then unchanged.
bool read_file_set(std::span<const std::string> paths, const CaseFileReader& read, LoadCaseSet& set,
                   std::string& error);
// Adds the combination of the set's file cases with the given factors, named by its text
// ("1.35 dead + 1.5 live"), as the set's last case.
void add_combination(LoadCaseSet& set, std::span<const CaseTerm> terms);

// "" when a and b describe the same truss, else the first difference: "node count 12 and 13",
// "node 4: coordinates (0, 4, 0) and (0, 4.5, 0)", "node 2: restraint 1 1 0 and 1 0 0",
// "member 7: end nodes 3-4 and 3-5".
std::string truss_difference(const TrussModelData& a, const TrussModelData& b);

// One model with its factor.
struct FactoredModel {
    double factor = 1.0;
    const TrussModelData* model = nullptr;
};
// The factored sum of parts (at least one; all of one truss): the first part's geometry, restraints
// and deflection factor, the sums of loads, deflections, stresses and forces, their result texts,
// and load and deflection scales from the summed values. title_line is left empty.
TrussModelData combine_models(std::span<const FactoredModel> parts);
// The text of a combination: "1.35 dead + 1.5 live", "-a + b", "dead + live".
std::string combination_text(std::span<const std::pair<double, std::string>> terms);
// "NAME = SOURCE" for a combination (its text alone when that is its name), else the file's own
// title line.
std::string case_title(const LoadCase& c);

// The results report: the numbers behind the picture (app/model/analysis.h) as JSON or as two CSV
// tables, for scripts and spreadsheets. kelvaro-render's --report writes it. The node and member
// rows are written from the column tables of app/export/columns.h, as the results window's are.
//
// JSON, keys in this order, vectors in the file's order x, y, z:
//   {"format": 1, "title": the file's first line,
//    when the read's outcome is given: "complete" (false when the file has problems),
//    "problem_count": every problem found,
//    "problems": [{"line", "text"}] (the first MAX_LISTED_PROBLEMS in file order, those about the
//    whole file, line 0, last),
//    "units": {"length", "force", "stress"} (each a name, or null where unknown; values stay in them),
//    "nodes": [{"node", "coordinates", "restraint", "load", "deflection", "deflection_magnitude",
//               "reaction" (null where no component is restrained, and for every node without results;
//               a component within the rounding of the numbers it comes from is 0),
//               "residual" (load + member forces left at the free components; null without results)}],
//    "members": [{"member", "nodes": [a, b], "length", "stress", "force", "state",
//                 "utilisation": {"value", "criterion"} (null without design limits)}],
//    "summary": {"max_tension": {"member", "force"} or null, "max_compression": {..} or null,
//                "max_deflection": {"node", "magnitude"} or null, "load_sum", "reaction_sum",
//                "residual", "residual_share",
//                "max_node_residual": {"node", "value", "share"} (null without results),
//                "max_utilisation": {"member", "value", "criterion"} or null,
//                "members_over_limit" (null without design limits)}}
// Numbers are written in the shortest form that reads back to the same value: float32 for what
// the file gives (coordinates, loads, deflections, stresses, forces), double for what is computed.
// A number that is not finite (NaN or infinite in the file, or derived from one) is written as
// null. The title's bytes are escaped for JSON; bytes that are not UTF-8 are read as Latin-1.
//
// CSV: NAME-members.csv and NAME-nodes.csv (NAME = the path without ".csv"), a header row with the
// JSON keys, vectors split into _x, _y, _z columns, the end nodes into nodes_a, nodes_b and the
// utilisation into utilisation, utilisation_criterion; an empty cell where the JSON has null. Lines end in LF; no field
// needs quoting.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/model/analysis.h"
#include "app/model/results_reader.h"
#include "core/atomic_file.h"

enum class ReportFormat { Json, Csv };

// The format a report path asks for by its extension (.json or .csv, any case); nullopt for others.
std::optional<ReportFormat> report_format(std::string_view path);
// The two files a CSV report path stands for: NAME-members.csv and NAME-nodes.csv.
std::string report_members_csv_path(std::string_view path);
std::string report_nodes_csv_path(std::string_view path);

// The JSON report of numbers with title as its "title", and the problems read found (when given).
std::string report_json(const ModelNumbers& numbers, std::string_view title, const ReadOutcome* read = nullptr);
// The member table as CSV, header row first.
std::string report_members_csv(const ModelNumbers& numbers);
// The node table as CSV, header row first.
std::string report_nodes_csv(const ModelNumbers& numbers);

// The report of numbers with title as its "title" (the results file's first line), written to path
// in the format of its extension, each file whole or not at all (a CSV report writes the member
// table first). True on success; else error names the file and the cause.
bool write_report(const std::string& path, const ModelNumbers& numbers, std::string_view title, std::string& error,
                  const ReadOutcome* read = nullptr);

// The report's writing steps, for other reports of the same kind (app/export/envelope_report.h):
// text as a JSON string (bytes that are not UTF-8 read as Latin-1); a real in its shortest
// round-trip form, or null (JSON) / nothing (CSV) when it is not finite; a float32 value the same way.
void append_json_string(std::string& out, std::string_view text);
void append_report_real(std::string& out, double value, bool json);
void append_report_float(std::string& out, double value, bool json);
// files written together, whole or not at all; false with "cannot write 'PATH': cause" in error.
bool write_report_files(std::span<const FileBytes> files, std::string& error);

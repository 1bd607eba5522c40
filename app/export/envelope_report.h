// The envelope report: the envelope of a set of load cases (app/model/envelope.h) as JSON or as
// two CSV tables. kelvaro-render's --envelope --report writes it.
//
// JSON, keys in this order, vectors in the file's order x, y, z, forces with their sign
// (compression negative):
//   {"format": "kelvaro-envelope-1",
//    "cases": [{"name", "source"}],
//    "members": [{"member", "nodes": [a, b],
//                 "max_tension": {"force", "stress", "case"} or null,
//                 "max_compression": {"force", "stress", "case"} or null,
//                 "max_utilisation": {"value", "criterion", "case"} or null}],
//    "nodes": [{"node", "max_deflection": {"value", "case"} or null,
//               "reaction_min": [x, y, z] or null, "reaction_max": [x, y, z] or null,
//               "reaction_min_case": [c, c, c] or null, "reaction_max_case": [c, c, c] or null}],
//    "summary": {"max_tension": {"member", "force", "case"} or null,
//                "max_compression": {"member", "force", "case"} or null,
//                "max_deflection": {"node", "value", "case"} or null,
//                "max_utilisation": {"member", "value", "criterion", "case"} or null}}
// A node's reactions are null unless a component is restrained; a case is null in a free component.
// The "max_utilisation" keys are there only when the cases were checked against design limits
// (Envelope::has_utilisation): a member's largest utilisation of any case, with its case.
//
// CSV: NAME-members.csv (member, nodes_a, nodes_b, max_tension_force, max_tension_stress,
// max_tension_case, max_compression_force, max_compression_stress, max_compression_case, and with
// design limits max_utilisation, max_utilisation_criterion, max_utilisation_case) and
// NAME-nodes.csv (node, max_deflection, max_deflection_case, reaction_min_x .. _z,
// reaction_max_x .. _z, reaction_min_case_x .. _z, reaction_max_case_x .. _z); an empty cell where
// the JSON has null; a case name with a comma or a quote is quoted.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/model/envelope.h"

// A case as the report names it.
struct EnvelopeCase {
    std::string_view name;    // "ULS1"
    std::string_view source;  // its file or its combination
};

std::string envelope_json(const Envelope& envelope, std::span<const EnvelopeCase> cases);
std::string envelope_members_csv(const Envelope& envelope, std::span<const EnvelopeCase> cases);
std::string envelope_nodes_csv(const Envelope& envelope, std::span<const EnvelopeCase> cases);
// The report written to path in the format of its extension (.json, or .csv as the two tables),
// each file whole or not at all. True on success; else error names the file and the cause.
bool write_envelope_report(const std::string& path, const Envelope& envelope, std::span<const EnvelopeCase> cases,
                           std::string& error);

// The envelope of a set of load cases: per member the largest tension and the largest compression
// with the case that gives each (and, where the cases carry design limits, its largest utilisation
// with its case), per node the largest deflection magnitude and the smallest and
// largest reaction component with their cases, and overall the governing member, node and case.
// Computed from the cases' numbers (app/model/analysis.h), all of one truss; reads nothing else.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "app/model/analysis.h"

constexpr int NO_CASE = -1;  // no case gives the value

// A member's extreme force of one sign with the case that gives it.
struct CaseForce {
    double force = 0;   // > 0 tension, < 0 compression
    double stress = 0;  // the stress of the same case
    int case_index = NO_CASE;
};

// A member's largest utilisation over the cases (app/model/checks.h) with the case that gives it.
struct CaseUtilisation {
    double value = 0;
    Criterion criterion = Criterion::None;
    int case_index = NO_CASE;  // NO_CASE when no case checks the member
};

struct MemberEnvelope {
    int nodes[2] = {0, 0};
    bool drawable = false;
    CaseForce tension;      // the largest positive force; NO_CASE when no case pulls
    CaseForce compression;  // the most negative force; NO_CASE when no case pushes
    double governing = 0;   // the larger magnitude of the two, its sign kept (tension on a tie)
    CaseUtilisation utilisation;
};

struct NodeEnvelope {
    double max_deflection = 0;      // the largest deflection magnitude of any case
    int deflection_case = NO_CASE;  // NO_CASE when no case moves the node
    bool restrained = false;        // a component has restraint code 1: the reactions below apply
    Vec3 reaction_min{}, reaction_max{};
    std::array<int, 3> reaction_min_case{NO_CASE, NO_CASE, NO_CASE};  // NO_CASE in a free component
    std::array<int, 3> reaction_max_case{NO_CASE, NO_CASE, NO_CASE};
};

// An extreme over every case: the member or node, the value and its case.
struct CaseExtreme {
    int index = 0;  // member or node; 0 when there is none
    double value = 0;
    int case_index = NO_CASE;
};

struct Envelope {
    int case_count = 0;
    std::vector<MemberEnvelope> members;  // [e], e = 1..element_count, entry 0 unused
    std::vector<NodeEnvelope> nodes;      // [i], i = 1..node_count, entry 0 unused
    CaseExtreme max_tension;              // the largest tension of any member in any case
    CaseExtreme max_compression;          // the most negative force
    CaseExtreme max_deflection;           // the largest deflection magnitude
    CaseExtreme governing;                // the largest |force|: the governing member and case
    double largest_force = 0;             // the largest |governing| of any member
    bool has_utilisation = false;         // a case's numbers carry design limits
    int max_utilisation_member = 0;       // member of the largest utilisation of any case; 0 when none
};

// The envelope of cases (numbers with results, all of one truss); the first case decides the
// members and nodes. A value equal to an earlier case's keeps the earlier case.
Envelope compute_envelope(std::span<const ModelNumbers* const> cases);
// numbers of the set's first case with each member's force its governing force (and its state from
// that sign), the stresses of the same cases, and the extremes and largest_force from those: what
// the force colours and their legend draw for the envelope. With utilisation, each member's
// utilisation is its largest of any case, and the summary (max_utilisation, members_over_limit)
// follows from those; without, no member has one.
ModelNumbers envelope_numbers(const ModelNumbers& first, const Envelope& envelope);

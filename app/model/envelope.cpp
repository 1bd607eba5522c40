// The envelope of a set of load cases, in one pass over each case's members and nodes (linear in
// cases times the model's size).
#include "app/model/envelope.h"

#include <cmath>

Envelope compute_envelope(std::span<const ModelNumbers* const> cases)
{
    Envelope envelope;
    envelope.case_count = static_cast<int>(cases.size());
    if (cases.empty())
        return envelope;
    const ModelNumbers& first = *cases.front();
    envelope.members.resize(first.members.size());
    envelope.nodes.resize(first.nodes.size());
    for (std::size_t e = 1; e < first.members.size(); ++e) {
        envelope.members[e].nodes[0] = first.members[e].nodes[0];
        envelope.members[e].nodes[1] = first.members[e].nodes[1];
        envelope.members[e].drawable = first.members[e].drawable;
    }
    for (std::size_t i = 1; i < first.nodes.size(); ++i)
        envelope.nodes[i].restrained = first.nodes[i].restrained;

    for (int c = 0; c < envelope.case_count; ++c) {
        const ModelNumbers& numbers = *cases[c];
        const std::size_t members = std::min(numbers.members.size(), envelope.members.size());
        for (std::size_t e = 1; e < members; ++e) {
            const MemberNumbers& m = numbers.members[e];
            MemberEnvelope& out = envelope.members[e];
            if (!out.drawable)
                continue;
            if (m.force > out.tension.force)
                out.tension = {m.force, m.stress, c};
            if (m.force < out.compression.force)
                out.compression = {m.force, m.stress, c};
            const Utilisation& u = m.utilisation;
            if (numbers.has_utilisation && u.criterion != Criterion::None &&
                (out.utilisation.case_index == NO_CASE || u.value > out.utilisation.value))
                out.utilisation = {u.value, u.criterion, c};
        }
        envelope.has_utilisation = envelope.has_utilisation || numbers.has_utilisation;
        const std::size_t nodes = std::min(numbers.nodes.size(), envelope.nodes.size());
        for (std::size_t i = 1; i < nodes; ++i) {
            const NodeNumbers& n = numbers.nodes[i];
            NodeEnvelope& out = envelope.nodes[i];
            if (n.deflection_magnitude > out.max_deflection) {
                out.max_deflection = n.deflection_magnitude;
                out.deflection_case = c;
            }
            for (int j = 0; j < 3; ++j) {
                if (n.restraint[j] != 1)
                    continue;
                if (out.reaction_min_case[j] == NO_CASE || n.reaction[j] < out.reaction_min[j]) {
                    out.reaction_min[j] = n.reaction[j];
                    out.reaction_min_case[j] = c;
                }
                if (out.reaction_max_case[j] == NO_CASE || n.reaction[j] > out.reaction_max[j]) {
                    out.reaction_max[j] = n.reaction[j];
                    out.reaction_max_case[j] = c;
                }
            }
        }
    }

    for (std::size_t e = 1; e < envelope.members.size(); ++e) {
        MemberEnvelope& m = envelope.members[e];
        const int index = static_cast<int>(e);
        m.governing = -m.compression.force > m.tension.force ? m.compression.force : m.tension.force;
        if (m.tension.case_index != NO_CASE && m.tension.force > envelope.max_tension.value)
            envelope.max_tension = {index, m.tension.force, m.tension.case_index};
        if (m.compression.case_index != NO_CASE && m.compression.force < envelope.max_compression.value)
            envelope.max_compression = {index, m.compression.force, m.compression.case_index};
        if (m.utilisation.case_index != NO_CASE &&
            (envelope.max_utilisation_member == 0 ||
             m.utilisation.value > envelope.members[envelope.max_utilisation_member].utilisation.value))
            envelope.max_utilisation_member = index;
        if (std::fabs(m.governing) > envelope.largest_force) {
            envelope.largest_force = std::fabs(m.governing);
            const CaseForce& governing = m.governing > 0 ? m.tension : m.compression;
            envelope.governing = {index, m.governing, governing.case_index};
        }
    }
    for (std::size_t i = 1; i < envelope.nodes.size(); ++i) {
        const NodeEnvelope& n = envelope.nodes[i];
        if (n.deflection_case != NO_CASE && n.max_deflection > envelope.max_deflection.value)
            envelope.max_deflection = {static_cast<int>(i), n.max_deflection, n.deflection_case};
    }
    return envelope;
}

ModelNumbers envelope_numbers(const ModelNumbers& first, const Envelope& envelope)
{
    ModelNumbers numbers = first;
    numbers.max_tension = {};
    numbers.max_compression = {};
    numbers.largest_force = envelope.largest_force;
    numbers.has_utilisation = envelope.has_utilisation;
    numbers.max_utilisation = {};
    numbers.members_over_limit = 0;
    for (std::size_t e = 1; e < numbers.members.size() && e < envelope.members.size(); ++e) {
        MemberNumbers& m = numbers.members[e];
        const MemberEnvelope& governing = envelope.members[e];
        m.force = governing.governing;
        m.stress = m.force > 0 ? governing.tension.stress : m.force < 0 ? governing.compression.stress : 0;
        m.state = m.force > 0 ? MemberState::Tension : m.force < 0 ? MemberState::Compression : MemberState::None;
        if (governing.tension.case_index != NO_CASE && governing.tension.force > numbers.max_tension.value)
            numbers.max_tension = {static_cast<int>(e), governing.tension.force};
        if (governing.compression.case_index != NO_CASE && governing.compression.force < numbers.max_compression.value)
            numbers.max_compression = {static_cast<int>(e), governing.compression.force};
        const CaseUtilisation& u = governing.utilisation;
        m.utilisation = u.case_index == NO_CASE ? Utilisation{} : Utilisation{u.value, u.criterion};
        numbers.members_over_limit += u.case_index != NO_CASE && u.value > 1 ? 1 : 0;
    }
    if (const int worst = envelope.max_utilisation_member; worst != 0)
        numbers.max_utilisation = {worst, envelope.members[worst].utilisation.value,
                                   envelope.members[worst].utilisation.criterion};
    return numbers;
}

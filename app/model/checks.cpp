// Member utilisation under design limits, and the printed precision of a number.
//
// Reads only its arguments.
#include "app/model/checks.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Half a unit of the decimal place 10^place.
double half_of_place(int place)
{
    // Exact powers of ten from a table for the usual places: this runs once per member.
    static constexpr double POWERS[] = {1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10,
                                        1e-9,  1e-8,  1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,
                                        1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10};
    if (place >= -20 && place <= 10)
        return 0.5 * POWERS[place + 20];
    return 0.5 * std::pow(10.0, place);
}

// The larger of the stress check and the buckling check of a member in compression.
Utilisation compression_utilisation(const MemberNumbers& m, const DesignLimits& limits, int e)
{
    Utilisation u;
    if (limits.compression > 0) {
        u = {std::fabs(m.stress) / limits.compression, Criterion::Compression};
    }
    if (static_cast<std::size_t>(e) < limits.sections.size() && m.length > 0) {
        const MemberSection& s = limits.sections[e];
        if (s.modulus > 0 && s.inertia > 0) {
            const double critical = std::numbers::pi * std::numbers::pi * s.modulus * s.inertia / (m.length * m.length);
            const double buckling = std::fabs(m.force) / critical;
            if (u.criterion == Criterion::None || buckling > u.value)
                u = {buckling, Criterion::Buckling};
        }
    }
    return u;
}

}  // namespace

double printed_half_step(std::string_view text)
{
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    int digits = 0, decimals = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (is_digit(text[at])) {
            ++digits;
            decimals += point ? 1 : 0;
        } else if (text[at] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return -1;
    int exponent = 0;
    if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
        ++at;
        if (at < text.size() && text[at] == '+')
            ++at;
        const std::from_chars_result r = std::from_chars(text.data() + at, text.data() + text.size(), exponent);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size())
            return -1;
    } else if (at != text.size()) {
        return -1;
    }
    return half_of_place(exponent - decimals);
}

double last_field_half_step(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\r'))
        --end;
    // The solver's "-3.536E+02" read back from its end at once.
    if (end >= 7 && text[end - 4] == 'E' && (text[end - 3] == '+' || text[end - 3] == '-') && is_digit(text[end - 2]) &&
        is_digit(text[end - 1])) {
        std::size_t at = end - 4;
        int decimals = 0;
        for (; at > 0 && is_digit(text[at - 1]); --at)
            ++decimals;
        if (at >= 2 && text[at - 1] == '.' && is_digit(text[at - 2])) {
            std::size_t lead = at - 2;
            while (lead > 0 && is_digit(text[lead - 1]))
                --lead;
            if (lead > 0 && (text[lead - 1] == '-' || text[lead - 1] == '+'))
                --lead;
            if (lead == 0 || text[lead - 1] == ' ') {
                const int exponent = (text[end - 2] - '0') * 10 + (text[end - 1] - '0');
                return half_of_place((text[end - 3] == '-' ? -exponent : exponent) - decimals);
            }
        }
    }
    std::size_t begin = end;
    while (begin > 0 && text[begin - 1] != ' ')
        --begin;
    return printed_half_step(text.substr(begin, end - begin));
}

void apply_design_limits(ModelNumbers& numbers, const DesignLimits& limits)
{
    numbers.has_utilisation = false;
    numbers.max_utilisation = {};
    numbers.members_over_limit = 0;
    bool any_section = false;
    for (const MemberSection& s : limits.sections)
        any_section = any_section || (s.modulus > 0 && s.inertia > 0);
    if (!numbers.has_results || (!(limits.tension > 0) && !(limits.compression > 0) && !any_section))
        return;
    numbers.has_utilisation = true;
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        MemberNumbers& m = numbers.members[e];
        m.utilisation = {};
        if (!m.drawable || !std::isfinite(m.force) || !std::isfinite(m.stress))
            continue;
        if (m.force > 0 && limits.tension > 0)
            m.utilisation = {std::fabs(m.stress) / limits.tension, Criterion::Tension};
        else if (m.force < 0)
            m.utilisation = compression_utilisation(m, limits, static_cast<int>(e));
        if (m.utilisation.criterion == Criterion::None)
            continue;
        if (m.utilisation.value > 1)
            ++numbers.members_over_limit;
        if (numbers.max_utilisation.member == 0 || m.utilisation.value > numbers.max_utilisation.value)
            numbers.max_utilisation = {static_cast<int>(e), m.utilisation.value, m.utilisation.criterion};
    }
}

std::vector<BodyForce> node_free_body(const ModelNumbers& numbers, int i)
{
    std::vector<BodyForce> body;
    if (!numbers.has_results || i < 1 || i >= static_cast<int>(numbers.nodes.size()))
        return body;
    const Vec3& at = numbers.nodes[i].coordinates;
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        const MemberNumbers& m = numbers.members[e];
        if (!m.drawable || !(m.length > 0) || (m.nodes[0] != i && m.nodes[1] != i) || m.nodes[0] == m.nodes[1])
            continue;
        const Vec3& other = numbers.nodes[m.nodes[0] == i ? m.nodes[1] : m.nodes[0]].coordinates;
        BodyForce f{BodyForceKind::Member, static_cast<int>(e), {}};
        for (int j = 0; j < 3; ++j)
            f.force[j] = m.force * (other[j] - at[j]) / m.length;
        body.push_back(f);
    }
    const NodeNumbers& n = numbers.nodes[i];
    if (n.load != Vec3{})
        body.push_back({BodyForceKind::Load, 0, n.load});
    if (n.reaction != Vec3{})
        body.push_back({BodyForceKind::Reaction, 0, n.reaction});
    return body;
}

bool parse_stress_limits(std::string_view text, double& tension, double& compression)
{
    const auto number = [](std::string_view field, double& value) {
        while (!field.empty() && field.front() == ' ')
            field.remove_prefix(1);
        while (!field.empty() && field.back() == ' ')
            field.remove_suffix(1);
        if (field.size() > 1 && field.front() == '+')
            field.remove_prefix(1);
        const char* end = field.data() + field.size();
        const std::from_chars_result r = std::from_chars(field.data(), end, value);
        return !field.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(value);
    };
    const std::size_t comma = text.find(',');
    double t = 0, c = 0;
    if (!number(text.substr(0, comma), t))
        return false;
    if (comma == std::string_view::npos)
        c = t;
    else if (!number(text.substr(comma + 1), c))
        return false;
    tension = t;
    compression = c;
    return true;
}

std::string_view criterion_name(Criterion criterion)
{
    switch (criterion) {
    case Criterion::Tension:
        return "tension";
    case Criterion::Compression:
        return "compression";
    case Criterion::Buckling:
        return "buckling";
    case Criterion::None:
        break;
    }
    return "none";
}

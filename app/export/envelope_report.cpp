// The envelope report's writers: JSON and CSV text built in one string each, written whole (see
// app/export/envelope_report.h for the layout). Numbers go through the results report's writers.
#include "app/export/envelope_report.h"

#include "app/export/report.h"
#include "app/model/checks.h"

namespace {

void append_whole(std::string& out, long long value)
{
    out += std::to_string(value);
}

// The case's name as a JSON string, or null for NO_CASE.
void append_json_case(std::string& out, std::span<const EnvelopeCase> cases, int index)
{
    if (index == NO_CASE)
        out += "null";
    else
        append_json_string(out, cases[static_cast<std::size_t>(index)].name);
}

// The case's name as a CSV cell: quoted when it holds a comma, a quote or a line end.
void append_csv_case(std::string& out, std::span<const EnvelopeCase> cases, int index)
{
    if (index == NO_CASE)
        return;
    const std::string_view name = cases[static_cast<std::size_t>(index)].name;
    if (name.find_first_of(",\"\n\r") == std::string_view::npos) {
        out += name;
        return;
    }
    out += '"';
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void append_json_force(std::string& out, const CaseForce& force, std::span<const EnvelopeCase> cases)
{
    if (force.case_index == NO_CASE) {
        out += "null";
        return;
    }
    out += "{\"force\": ";
    append_report_float(out, force.force, true);
    out += ", \"stress\": ";
    append_report_float(out, force.stress, true);
    out += ", \"case\": ";
    append_json_case(out, cases, force.case_index);
    out += '}';
}

// {"value", "criterion", "case"} (member first when not 0), or null when no case checks the member.
void append_json_utilisation(std::string& out, const CaseUtilisation& u, std::span<const EnvelopeCase> cases,
                             int member = 0)
{
    if (u.case_index == NO_CASE) {
        out += "null";
        return;
    }
    out += '{';
    if (member != 0) {
        out += "\"member\": ";
        append_whole(out, member);
        out += ", ";
    }
    out += "\"value\": ";
    append_report_real(out, u.value, true);
    out += ", \"criterion\": \"";
    out += criterion_name(u.criterion);
    out += "\", \"case\": ";
    append_json_case(out, cases, u.case_index);
    out += '}';
}

void append_json_reals(std::string& out, const Vec3& v)
{
    out += '[';
    for (int j = 0; j < 3; ++j) {
        out += j > 0 ? ", " : "";
        append_report_real(out, v[j], true);
    }
    out += ']';
}

void append_json_cases(std::string& out, const std::array<int, 3>& index, std::span<const EnvelopeCase> cases)
{
    out += '[';
    for (int j = 0; j < 3; ++j) {
        out += j > 0 ? ", " : "";
        append_json_case(out, cases, index[j]);
    }
    out += ']';
}

// {"member"|"node": index, "force"|"value": value, "case": name}, or null when there is none.
void append_json_extreme(std::string& out, const CaseExtreme& extreme, std::string_view index_key,
                         std::string_view value_key, bool file_value, std::span<const EnvelopeCase> cases)
{
    if (extreme.index == 0) {
        out += "null";
        return;
    }
    out += "{\"";
    out += index_key;
    out += "\": ";
    append_whole(out, extreme.index);
    out += ", \"";
    out += value_key;
    out += "\": ";
    if (file_value)
        append_report_float(out, extreme.value, true);
    else
        append_report_real(out, extreme.value, true);
    out += ", \"case\": ";
    append_json_case(out, cases, extreme.case_index);
    out += '}';
}

void append_csv_force(std::string& out, const CaseForce& force, std::span<const EnvelopeCase> cases)
{
    const bool some = force.case_index != NO_CASE;
    out += ',';
    if (some)
        append_report_float(out, force.force, false);
    out += ',';
    if (some)
        append_report_float(out, force.stress, false);
    out += ',';
    append_csv_case(out, cases, force.case_index);
}

}  // namespace

std::string envelope_json(const Envelope& envelope, std::span<const EnvelopeCase> cases)
{
    std::string out;
    out.reserve(512 + 160 * envelope.members.size() + 200 * envelope.nodes.size());
    out += "{\"format\": \"kelvaro-envelope-1\",\n\"cases\": [";
    for (std::size_t c = 0; c < cases.size(); ++c) {
        out += c == 0 ? "\n{\"name\": " : ",\n{\"name\": ";
        append_json_string(out, cases[c].name);
        out += ", \"source\": ";
        append_json_string(out, cases[c].source);
        out += '}';
    }
    out += "],\n\"members\": [";
    for (std::size_t e = 1; e < envelope.members.size(); ++e) {
        const MemberEnvelope& m = envelope.members[e];
        out += e == 1 ? "\n{\"member\": " : ",\n{\"member\": ";
        append_whole(out, static_cast<long long>(e));
        out += ", \"nodes\": [";
        append_whole(out, m.nodes[0]);
        out += ", ";
        append_whole(out, m.nodes[1]);
        out += "], \"max_tension\": ";
        append_json_force(out, m.tension, cases);
        out += ", \"max_compression\": ";
        append_json_force(out, m.compression, cases);
        if (envelope.has_utilisation) {
            out += ", \"max_utilisation\": ";
            append_json_utilisation(out, m.utilisation, cases);
        }
        out += '}';
    }
    out += "],\n\"nodes\": [";
    for (std::size_t i = 1; i < envelope.nodes.size(); ++i) {
        const NodeEnvelope& n = envelope.nodes[i];
        out += i == 1 ? "\n{\"node\": " : ",\n{\"node\": ";
        append_whole(out, static_cast<long long>(i));
        out += ", \"max_deflection\": ";
        if (n.deflection_case == NO_CASE) {
            out += "null";
        } else {
            out += "{\"value\": ";
            append_report_real(out, n.max_deflection, true);
            out += ", \"case\": ";
            append_json_case(out, cases, n.deflection_case);
            out += '}';
        }
        if (n.restrained) {
            out += ", \"reaction_min\": ";
            append_json_reals(out, n.reaction_min);
            out += ", \"reaction_max\": ";
            append_json_reals(out, n.reaction_max);
            out += ", \"reaction_min_case\": ";
            append_json_cases(out, n.reaction_min_case, cases);
            out += ", \"reaction_max_case\": ";
            append_json_cases(out, n.reaction_max_case, cases);
        } else {
            out +=
                ", \"reaction_min\": null, \"reaction_max\": null, \"reaction_min_case\": null, "
                "\"reaction_max_case\": null";
        }
        out += '}';
    }
    out += "],\n\"summary\": {\"max_tension\": ";
    append_json_extreme(out, envelope.max_tension, "member", "force", true, cases);
    out += ", \"max_compression\": ";
    append_json_extreme(out, envelope.max_compression, "member", "force", true, cases);
    out += ", \"max_deflection\": ";
    append_json_extreme(out, envelope.max_deflection, "node", "value", false, cases);
    if (envelope.has_utilisation) {
        out += ", \"max_utilisation\": ";
        const int worst = envelope.max_utilisation_member;
        append_json_utilisation(out, envelope.members[worst].utilisation, cases, worst);
    }
    out += "}}\n";
    return out;
}

std::string envelope_members_csv(const Envelope& envelope, std::span<const EnvelopeCase> cases)
{
    std::string out =
        "member,nodes_a,nodes_b,max_tension_force,max_tension_stress,max_tension_case,"
        "max_compression_force,max_compression_stress,max_compression_case";
    out += envelope.has_utilisation ? ",max_utilisation,max_utilisation_criterion,max_utilisation_case\n" : "\n";
    out.reserve(out.size() + 90 * envelope.members.size());
    for (std::size_t e = 1; e < envelope.members.size(); ++e) {
        const MemberEnvelope& m = envelope.members[e];
        append_whole(out, static_cast<long long>(e));
        out += ',';
        append_whole(out, m.nodes[0]);
        out += ',';
        append_whole(out, m.nodes[1]);
        append_csv_force(out, m.tension, cases);
        append_csv_force(out, m.compression, cases);
        if (envelope.has_utilisation) {
            out += ',';
            if (m.utilisation.case_index != NO_CASE) {
                append_report_real(out, m.utilisation.value, false);
                out += ',';
                out += criterion_name(m.utilisation.criterion);
            } else {
                out += ',';
            }
            out += ',';
            append_csv_case(out, cases, m.utilisation.case_index);
        }
        out += '\n';
    }
    return out;
}

std::string envelope_nodes_csv(const Envelope& envelope, std::span<const EnvelopeCase> cases)
{
    std::string out = "node,max_deflection,max_deflection_case";
    for (const char* key : {"reaction_min", "reaction_max", "reaction_min_case", "reaction_max_case"})
        for (const char* axis : {"_x", "_y", "_z"})
            out += std::string(",") + key + axis;
    out += '\n';
    out.reserve(out.size() + 120 * envelope.nodes.size());
    for (std::size_t i = 1; i < envelope.nodes.size(); ++i) {
        const NodeEnvelope& n = envelope.nodes[i];
        append_whole(out, static_cast<long long>(i));
        out += ',';
        if (n.deflection_case != NO_CASE)
            append_report_real(out, n.max_deflection, false);
        out += ',';
        append_csv_case(out, cases, n.deflection_case);
        for (const Vec3* v : {&n.reaction_min, &n.reaction_max})
            for (int j = 0; j < 3; ++j) {
                out += ',';
                if (n.restrained)
                    append_report_real(out, (*v)[j], false);
            }
        for (const std::array<int, 3>* index : {&n.reaction_min_case, &n.reaction_max_case})
            for (int j = 0; j < 3; ++j) {
                out += ',';
                append_csv_case(out, cases, (*index)[j]);
            }
        out += '\n';
    }
    return out;
}

bool write_envelope_report(const std::string& path, const Envelope& envelope, std::span<const EnvelopeCase> cases,
                           std::string& error)
{
    const std::optional<ReportFormat> format = report_format(path);
    if (!format) {
        error = "cannot write '" + path + "': not a .json or .csv file";
        return false;
    }
    if (*format == ReportFormat::Json) {
        const std::string text = envelope_json(envelope, cases);
        const FileBytes files[] = {{path, text}};
        return write_report_files(files, error);
    }
    const std::string members_path = report_members_csv_path(path), nodes_path = report_nodes_csv_path(path);
    const std::string members = envelope_members_csv(envelope, cases), nodes = envelope_nodes_csv(envelope, cases);
    const FileBytes files[] = {{members_path, members}, {nodes_path, nodes}};
    return write_report_files(files, error);
}

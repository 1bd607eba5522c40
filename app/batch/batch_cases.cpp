// kelvaro-render's load cases: the set read through the program's own input reader, the case or
// the envelope drawn through render_model_to_file, the reports and the results file written.
//
// State: none of its own; the draw module's text scale is put back to 1 at the end.
#include "app/batch/batch_cases.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/batch/batch_render.h"
#include "app/export/design_input.h"
#include "app/export/envelope_report.h"
#include "app/export/report.h"
#include "app/export/results_export.h"
#include "app/model/checks.h"
#include "app/model/envelope.h"
#include "app/model/load_cases.h"
#include "draw/draw.h"

namespace {

constexpr const char* PROGRAM = "kelvaro-render";

void print(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "%s: %s\n", PROGRAM, text.c_str());
}

// Reads the set of options into set; false with the reason.
bool read_set(const RenderOptions& options, LoadCaseSet& set, std::string& error)
{
    const CaseFileReader reader = render_read_results;
    if (!options.cases_path.empty()) {
        std::ifstream in(options.cases_path, std::ios::binary);
        if (!in) {
            error = "cannot read '" + options.cases_path + "': " + std::strerror(errno);
            return false;
        }
        std::ostringstream text;
        text << in.rdbuf();
        return read_case_set(text.str(), options.cases_path, reader, set, error);
    }
    if (options.combine.empty())
        return read_file_set(options.results_paths, reader, set, error);
    std::vector<std::string> paths;
    for (const auto& term : options.combine)
        paths.push_back(term.second);
    if (!read_file_set(paths, reader, set, error))
        return false;
    std::vector<CaseTerm> terms;
    for (std::size_t n = 0; n < options.combine.size(); ++n)
        terms.push_back({options.combine[n].first, static_cast<int>(n)});
    add_combination(set, terms);
    return true;
}

// The command line's units and design limits applied to every case's numbers (the envelope takes
// each member's largest utilisation from them); false with the reason when the solver input
// cannot be used.
bool apply_case_checks(const RenderOptions& options, LoadCaseSet& set, std::string& error)
{
    DesignLimits limits;
    limits.tension = options.limit_tension;
    limits.compression = options.limit_compression;
    if (!options.input_path.empty()) {
        const int members = static_cast<int>(set.cases.front().numbers.members.size()) - 1;
        error = read_member_sections(options.input_path, members, limits);
        if (!error.empty())
            return false;
    }
    for (LoadCase& c : set.cases) {
        if (options.units)
            c.numbers.units = *options.units;
        apply_design_limits(c.numbers, limits);
    }
    return true;
}

// The output names with {name} replaced by the set's name: the combinations file's or the first file's.
RenderOptions named_outputs(const RenderOptions& options)
{
    const std::string& set_path = !options.cases_path.empty() ? options.cases_path
                                  : !options.combine.empty()  ? options.combine.front().second
                                                              : options.results_paths.front();
    RenderOptions named = options;
    named.output_path = render_output_path(options.output_path, set_path);
    named.report_path = render_output_path(options.report_path, set_path);
    named.write_results_path = render_output_path(options.write_results_path, set_path);
    return named;
}

// The first output that is one of the set's files, or "".
std::string overwritten_input(const RenderOptions& options, const LoadCaseSet& set)
{
    std::vector<std::string> inputs = {set.path};
    for (const LoadCase& c : set.cases)
        inputs.push_back(c.path);
    for (const std::string& output : render_output_files(options))
        for (const std::string& input : inputs) {
            std::error_code ignored;
            if (!output.empty() && !input.empty() && std::filesystem::equivalent(output, input, ignored))
                return output;
        }
    return {};
}

// The envelope of every case drawn and reported.
int render_envelope(const RenderOptions& options, const LoadCaseSet& set, std::FILE* err)
{
    std::vector<const ModelNumbers*> numbers;
    std::vector<EnvelopeCase> names;
    for (const LoadCase& c : set.cases) {
        numbers.push_back(&c.numbers);
        names.push_back({c.name, c.source});
    }
    const Envelope envelope = compute_envelope(numbers);
    const LoadCase& first = set.cases.front();
    RenderOptions drawn = options;
    drawn.colour_forces = true;
    const std::string caption = "envelope of " + std::to_string(set.cases.size()) + " cases";
    int status = RENDER_EXIT_OK;
    if (!options.output_path.empty()) {
        // The geometry of the set without any case's loads: the colours stand for every case.
        TrussModelData geometry = first.model;
        for (int k = 1; k <= 3; ++k)
            std::fill(geometry.node_loads[k].begin(), geometry.node_loads[k].end(), 0.0f);
        geometry.max_load = 0.0f;
        geometry.load_scale = automatic_load_scale(0.0f);
        const RenderReport report = render_model_to_file(drawn, geometry, envelope_numbers(first.numbers, envelope),
                                                         first.spatial, caption);
        for (const std::string& line : report.lines)
            std::fprintf(err, "%s\n", line.c_str());
        status = report.status;
    }
    std::string error;
    if (status == RENDER_EXIT_OK && !options.report_path.empty() &&
        !write_envelope_report(options.report_path, envelope, names, error)) {
        print(err, error);
        status = RENDER_EXIT_SAVE;
    }
    return status;
}

// One case drawn, reported and written as a results file.
int render_case(const RenderOptions& options, const LoadCase& c, std::FILE* err)
{
    int status = RENDER_EXIT_OK;
    if (!options.output_path.empty()) {
        const RenderReport report = render_model_to_file(options, c.model, c.numbers, c.spatial, "");
        for (const std::string& line : report.lines)
            std::fprintf(err, "%s\n", line.c_str());
        status = report.status;
    }
    const std::string title = case_title(c);
    std::string error;
    if (status == RENDER_EXIT_OK && !options.report_path.empty() &&
        !write_report(options.report_path, c.numbers, title, error)) {
        print(err, error);
        status = RENDER_EXIT_SAVE;
    }
    if (status == RENDER_EXIT_OK && !options.write_results_path.empty() &&
        !write_results_file(options.write_results_path, c.numbers, title, error)) {
        print(err, error);
        status = RENDER_EXIT_SAVE;
    }
    return status;
}

}  // namespace

int render_cases(const RenderOptions& given, std::FILE* err)
{
    const RenderOptions options = named_outputs(given);
    LoadCaseSet set;
    std::string error;
    if (!read_set(options, set, error)) {
        print(err, error);
        return RENDER_EXIT_INPUT;
    }
    for (const std::string& warning : set.warnings)
        print(err, warning);
    if (!apply_case_checks(options, set, error)) {
        print(err, error);
        return RENDER_EXIT_INPUT;
    }
    if (const std::string output = overwritten_input(options, set); !output.empty()) {
        print(err, "the output file '" + output + "' is one of the results files; refusing to overwrite it");
        return RENDER_EXIT_USAGE;
    }
    int status = RENDER_EXIT_OK;
    if (options.envelope) {
        status = render_envelope(options, set, err);
    } else {
        // --case, else the combination of --combine (the set's last case), else the first case.
        const LoadCase* chosen = options.combine.empty() ? &set.cases.front() : &set.cases.back();
        if (!options.case_name.empty()) {
            chosen = nullptr;
            std::string names;
            for (const LoadCase& c : set.cases) {
                names += (names.empty() ? "" : ", ") + c.name;
                if (c.name == options.case_name)
                    chosen = &c;
            }
            if (chosen == nullptr) {
                print(err, "--case: '" + options.case_name + "' is not a case of '" + options.cases_path +
                               "' (its cases: " + names + ")");
                return RENDER_EXIT_USAGE;
            }
        }
        status = render_case(options, *chosen, err);
    }
    draw_set_text_scale(1.0f);
    return status;
}

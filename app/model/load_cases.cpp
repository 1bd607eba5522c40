// Load cases: the combinations file's statements, the set's reading and its checks, and the
// factored sum of models. See app/model/load_cases.h for the file's layout.
#include "app/model/load_cases.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "app/model/result_text.h"
#include "core/file_name.h"

namespace {

constexpr int MODEL_COMPONENT[3] = {2, 3, 1};   // model component of the file's x, y, z
constexpr double SAME_COORDINATE_SHARE = 1e-6;  // of the model's size: coordinates closer are equal

std::string_view trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool name_start(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool name_char(char c)
{
    return name_start(c) || (c >= '0' && c <= '9');
}

bool valid_name(std::string_view name)
{
    return !name.empty() && name_start(name[0]) && std::all_of(name.begin(), name.end(), name_char);
}

// The shortest text that reads back to value (as a double, or as a float for a float).
template <typename Real>
std::string number_text(Real value)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

// "FILE:LINE: text".
std::string located(std::string_view file_name, int line, const std::string& text)
{
    return std::string(file_name) + ":" + std::to_string(line) + ": " + text;
}

// A file's path: one word with a '/' or with a '.' before a letter (an extension), or quoted.
bool names_a_file(std::string_view text)
{
    if (text.find_first_of(" \t") != std::string_view::npos)
        return false;
    if (text.find('/') != std::string_view::npos)
        return true;
    for (std::size_t at = text.find('.'); at != std::string_view::npos; at = text.find('.', at + 1))
        if (at + 1 < text.size() && name_start(text[at + 1]))
            return true;
    return false;
}

// The word of text starting at at (up to a blank).
std::string word_at(std::string_view text, std::size_t at)
{
    return std::string(text.substr(at, text.find_first_of(" \t", at) - at));
}

// A combination's terms: [+|-] [FACTOR [*]] NAME, joined by + and -. False with the reason.
bool parse_terms(std::string_view text, std::vector<std::pair<double, std::string>>& terms, std::string& error)
{
    std::size_t at = 0;
    const auto skip_blanks = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    };
    for (bool first = true;; first = false) {
        skip_blanks();
        double sign = 1.0;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            sign = text[at] == '-' ? -1.0 : 1.0;
            ++at;
            skip_blanks();
        } else if (!first) {
            error = "expected '+' or '-' before '" + word_at(text, at) + "'";
            return false;
        }
        double factor = 1.0;
        if (at < text.size() && ((text[at] >= '0' && text[at] <= '9') || text[at] == '.')) {
            const char* begin = text.data() + at;
            const std::from_chars_result r = std::from_chars(begin, text.data() + text.size(), factor);
            const std::size_t end = static_cast<std::size_t>(r.ptr - text.data());
            if (r.ec != std::errc() || !std::isfinite(factor) ||
                (end < text.size() && !name_start(text[end]) && text[end] != ' ' && text[end] != '\t' &&
                 text[end] != '*')) {
                error = "bad factor '" + word_at(text, at) + "'";
                return false;
            }
            at = end;
            skip_blanks();
            if (at < text.size() && text[at] == '*') {
                ++at;
                skip_blanks();
            }
            if (at >= text.size() || !name_start(text[at])) {
                error = "factor " + number_text(factor) + " without a case";
                return false;
            }
        }
        if (at >= text.size()) {
            error = "expected a case at the end";
            return false;
        }
        if (!name_start(text[at])) {
            error = "expected a case name at '" + word_at(text, at) + "'";
            return false;
        }
        const std::size_t name_begin = at;
        while (at < text.size() && name_char(text[at]))
            ++at;
        terms.emplace_back(sign * factor, std::string(text.substr(name_begin, at - name_begin)));
        skip_blanks();
        if (at >= text.size())
            return true;
    }
}

// One line of a combinations file into statement; false with the reason (located by the caller).
// An empty or comment line gives a statement without a name.
bool parse_statement(std::string_view line, CaseStatement& statement, std::string& error)
{
    bool quoted = false;
    std::size_t end = 0;
    for (; end < line.size(); ++end) {
        if (line[end] == '"')
            quoted = !quoted;
        else if (line[end] == '#' && !quoted)
            break;
    }
    line = trim(line.substr(0, end));
    if (line.empty())
        return true;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        error = "expected NAME = FILE or NAME = FACTOR NAME + ...";
        return false;
    }
    const std::string_view name = trim(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));
    if (!valid_name(name)) {
        error = "'" + std::string(name) + "' is not a case name (a letter or '_', then letters, digits and '_')";
        return false;
    }
    if (value.empty()) {
        error = "nothing after '=' for '" + std::string(name) + "'";
        return false;
    }
    statement.name = std::string(name);
    if (value.front() == '"') {
        if (value.size() < 3 || value.back() != '"') {
            error = "a quoted file name needs its closing '\"'";
            return false;
        }
        statement.file = true;
        statement.text = std::string(value.substr(1, value.size() - 2));
        return true;
    }
    statement.text = std::string(value);
    statement.file = names_a_file(value);
    return statement.file || parse_terms(value, statement.terms, error);
}

// The cycle through statement start, as "a -> b -> a", or "" when none comes back to it.
// state: 0 not visited, 1 on the path, 2 done.
bool find_cycle(const std::vector<CaseStatement>& statements, const std::map<std::string, int>& index, int at,
                std::vector<int>& state, std::vector<int>& path)
{
    state[at] = 1;
    path.push_back(at);
    for (const auto& term : statements[at].terms) {
        const int next = index.at(term.second);
        if (state[next] == 1) {
            path.push_back(next);
            return true;
        }
        if (state[next] == 0 && find_cycle(statements, index, next, state, path))
            return true;
    }
    path.pop_back();
    state[at] = 2;
    return false;
}

// The statements' names checked: known, no cycle. False with the located reason.
bool check_references(const std::vector<CaseStatement>& statements, std::string_view file_name, std::string& error)
{
    std::map<std::string, int> index;
    for (std::size_t n = 0; n < statements.size(); ++n)
        index.emplace(statements[n].name, static_cast<int>(n));
    for (const CaseStatement& statement : statements)
        for (const auto& term : statement.terms)
            if (!index.contains(term.second)) {
                error = located(file_name, statement.line,
                                "unknown case '" + term.second + "' (a file is named with its extension)");
                return false;
            }
    std::vector<int> state(statements.size(), 0), path;
    for (std::size_t n = 0; n < statements.size(); ++n) {
        if (state[n] != 0 || !find_cycle(statements, index, static_cast<int>(n), state, path))
            continue;
        const auto start = std::find(path.begin(), path.end(), path.back());
        std::string text;
        for (auto it = start; it != path.end(); ++it)
            text += (text.empty() ? "" : " -> ") + statements[*it].name;
        error = located(file_name, statements[*start].line, "a cycle: " + text);
        return false;
    }
    return true;
}

// Every coordinate of node i of model in the file's order, as the file gives it.
std::array<double, 3> file_coordinates(const TrussModelData& model, int i)
{
    std::array<double, 3> c{};
    for (int j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        c[j] = static_cast<double>(model.node_coords[k][i]) + model.model_centre[k];
    }
    return c;
}

std::string vector_text(const std::array<double, 3>& v)
{
    return "(" + number_text(static_cast<float>(v[0])) + ", " + number_text(static_cast<float>(v[1])) + ", " +
           number_text(static_cast<float>(v[2])) + ")";
}

std::string restraint_text(const TrussModelData& model, int i)
{
    std::string text;
    for (int j = 0; j < 3; ++j)
        text += (j > 0 ? " " : "") + std::to_string(model.node_fixity[MODEL_COMPONENT[j]][i]);
    return text;
}

// The model of a file case and the numbers of every case, once all files are read: each
// combination's terms summed from the files.
void compute_cases(LoadCaseSet& set)
{
    bool spatial = false;
    for (const LoadCase& c : set.cases)
        if (!c.combination) {
            spatial = c.spatial;
            break;
        }
    for (LoadCase& c : set.cases) {
        if (c.combination) {
            std::vector<FactoredModel> parts;
            for (const CaseTerm& term : c.terms)
                parts.push_back({term.factor, &set.cases[static_cast<std::size_t>(term.file_case)].model});
            c.model = combine_models(parts);
            c.model.title_line = case_title(c);
            c.spatial = spatial;
        }
        c.numbers = compute_model_numbers(c.model, true);
    }
}

// Reads the file case c from its path; false with the reason (without a location).
bool read_file_case(LoadCase& c, const CaseFileReader& read, std::vector<std::string>& warnings, std::string& error)
{
    ReadOutcome outcome;
    const std::string reason = read(c.path, c.model, outcome);
    if (!reason.empty()) {
        error = "cannot read '" + c.path + "': " + reason;
        return false;
    }
    if (outcome.fault != ResultsFault::none) {
        error = "'" + c.path + "' has no usable results";
        return false;
    }
    for (const ReaderMessage& message : outcome.messages)
        warnings.push_back(c.path + ": " + message.title + ": " + message.text);
    c.spatial = outcome.spatial;
    return true;
}

// "'b' and 'a' are not the same truss: difference", or "" when b's model is a's truss.
std::string truss_mismatch(const LoadCase& first, const LoadCase& c)
{
    const std::string difference = truss_difference(first.model, c.model);
    if (difference.empty())
        return {};
    return "'" + c.path + "' and '" + first.path + "' are not the same truss: " + difference;
}

}  // namespace

bool parse_case_statements(std::string_view text, std::string_view file_name, std::vector<CaseStatement>& statements,
                           std::string& error)
{
    std::vector<CaseStatement> read;
    std::map<std::string, int> lines;
    int line_number = 0;
    while (!text.empty() || line_number == 0) {
        ++line_number;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        CaseStatement statement;
        statement.line = line_number;
        std::string reason;
        if (!parse_statement(line, statement, reason)) {
            error = located(file_name, line_number, reason);
            return false;
        }
        if (statement.name.empty())
            continue;
        if (const auto [at, added] = lines.emplace(statement.name, line_number); !added) {
            error = located(file_name, line_number,
                            "'" + statement.name + "' is already defined on line " + std::to_string(at->second));
            return false;
        }
        read.push_back(std::move(statement));
    }
    if (read.empty()) {
        error = std::string(file_name) + ": no cases";
        return false;
    }
    if (std::none_of(read.begin(), read.end(), [](const CaseStatement& s) { return s.file; })) {
        error = located(file_name, read.front().line, "no results file: every case is a combination");
        return false;
    }
    if (!check_references(read, file_name, error))
        return false;
    statements = std::move(read);
    return true;
}

bool read_case_set(std::string_view text, const std::string& cases_path, const CaseFileReader& read, LoadCaseSet& set,
                   std::string& error)
{
    std::vector<CaseStatement> statements;
    if (!parse_case_statements(text, cases_path, statements, error))
        return false;
    LoadCaseSet loaded;
    loaded.path = cases_path;
    std::map<std::string, int> index;
    for (const CaseStatement& statement : statements) {
        index.emplace(statement.name, static_cast<int>(loaded.cases.size()));
        LoadCase& c = loaded.cases.emplace_back();
        c.name = statement.name;
        c.source = statement.text;
        c.line = statement.line;
        c.combination = !statement.file;
        if (c.combination)
            continue;
        c.path = statement.text.starts_with('/') ? statement.text
                                                 : std::string(path_folder(cases_path)) + statement.text;
        std::string reason;
        if (!read_file_case(c, read, loaded.warnings, reason)) {
            error = located(cases_path, c.line, reason);
            return false;
        }
    }
    const LoadCase* first = nullptr;
    for (const LoadCase& c : loaded.cases) {
        if (c.combination)
            continue;
        if (first == nullptr) {
            first = &c;
        } else if (std::string mismatch = truss_mismatch(*first, c); !mismatch.empty()) {
            error = located(cases_path, c.line, mismatch);
            return false;
        }
    }
    // Each combination as factors of files: a combination of combinations multiplies out.
    std::vector<std::map<int, double>> expanded(statements.size());
    std::vector<bool> done(statements.size(), false);
    std::function<void(int)> expand = [&](int n) {
        if (done[n])
            return;
        done[n] = true;
        if (statements[n].file) {
            expanded[n][n] = 1.0;
            return;
        }
        for (const auto& [factor, name] : statements[n].terms) {
            const int part = index.at(name);
            expand(part);
            for (const auto& [file, share] : expanded[part])
                expanded[n][file] += factor * share;
        }
    };
    for (std::size_t n = 0; n < statements.size(); ++n) {
        expand(static_cast<int>(n));
        if (statements[n].file)
            continue;
        for (const auto& [file, factor] : expanded[n])
            loaded.cases[n].terms.push_back({factor, file});
    }
    compute_cases(loaded);
    set = std::move(loaded);
    return true;
}

bool read_file_set(std::span<const std::string> paths, const CaseFileReader& read, LoadCaseSet& set, std::string& error)
{
    if (paths.empty()) {
        error = "no results files";
        return false;
    }
    LoadCaseSet loaded;
    std::map<std::string, int> uses;
    for (const std::string& path : paths) {
        LoadCase& c = loaded.cases.emplace_back();
        c.path = path;
        c.source = path;
        c.name = std::string(path_stem(path));
        if (const int n = ++uses[c.name]; n > 1)
            c.name += "#" + std::to_string(n);
        if (!read_file_case(c, read, loaded.warnings, error))
            return false;
        if (std::string mismatch = truss_mismatch(loaded.cases.front(), c); !mismatch.empty()) {
            error = mismatch;
            return false;
        }
    }
    compute_cases(loaded);
    set = std::move(loaded);
    return true;
}

void add_combination(LoadCaseSet& set, std::span<const CaseTerm> terms)
{
    LoadCase c;
    c.combination = true;
    std::vector<std::pair<double, std::string>> named;
    for (const CaseTerm& term : terms) {
        named.emplace_back(term.factor, set.cases[static_cast<std::size_t>(term.file_case)].name);
        c.terms.push_back(term);
    }
    c.name = combination_text(named);
    c.source = c.name;
    std::vector<FactoredModel> parts;
    for (const CaseTerm& term : c.terms)
        parts.push_back({term.factor, &set.cases[static_cast<std::size_t>(term.file_case)].model});
    c.model = combine_models(parts);
    c.model.title_line = c.name;
    c.spatial = set.cases.empty() ? false : set.cases.front().spatial;
    c.numbers = compute_model_numbers(c.model, true);
    set.cases.push_back(std::move(c));
}

std::string truss_difference(const TrussModelData& a, const TrussModelData& b)
{
    const int nodes = usable_node_count(a), other_nodes = usable_node_count(b);
    if (nodes != other_nodes)
        return "node count " + std::to_string(nodes) + " and " + std::to_string(other_nodes);
    const int elements = usable_element_count(a), other_elements = usable_element_count(b);
    if (elements != other_elements)
        return "member count " + std::to_string(elements) + " and " + std::to_string(other_elements);
    float size = 0.0f;
    for (int k = 1; k <= 3; ++k)
        size = std::max(size, a.coord_max[k] - a.coord_min[k]);
    const double tolerance = SAME_COORDINATE_SHARE * size;
    for (int i = 1; i <= nodes; ++i) {
        const std::array<double, 3> p = file_coordinates(a, i), q = file_coordinates(b, i);
        for (int j = 0; j < 3; ++j)
            if (!(std::fabs(p[j] - q[j]) <= tolerance))
                return "node " + std::to_string(i) + ": coordinates " + vector_text(p) + " and " + vector_text(q);
        for (int k = 1; k <= 3; ++k)
            if (a.node_fixity[k][i] != b.node_fixity[k][i])
                return "node " + std::to_string(i) + ": restraint " + restraint_text(a, i) + " and " +
                       restraint_text(b, i);
    }
    for (int e = 1; e <= elements; ++e) {
        const auto& p = a.element_nodes[e];
        const auto& q = b.element_nodes[e];
        if (p[1] != q[1] || p[2] != q[2])
            return "member " + std::to_string(e) + ": end nodes " + std::to_string(p[1]) + "-" + std::to_string(p[2]) +
                   " and " + std::to_string(q[1]) + "-" + std::to_string(q[2]);
    }
    return {};
}

TrussModelData combine_models(std::span<const FactoredModel> parts)
{
    const TrussModelData& first = *parts.front().model;
    TrussModelData sum;
    sum.node_count = first.node_count;
    sum.element_count = first.element_count;
    sum.deflection_factor = first.deflection_factor;
    for (int k = 0; k < 4; ++k) {
        sum.node_coords[k] = first.node_coords[k];
        sum.node_fixity[k] = first.node_fixity[k];
        sum.coord_max[k] = first.coord_max[k];
        sum.coord_min[k] = first.coord_min[k];
        sum.model_centre[k] = first.model_centre[k];
    }
    sum.element_nodes = first.element_nodes;
    size_node_records(sum, first.node_count);
    size_element_records(sum, first.element_count);
    const int nodes = usable_node_count(sum), elements = usable_element_count(sum);

    std::vector<double> total(static_cast<std::size_t>(std::max(nodes, elements)) + 1);
    // Sums in double of each part's float values, rounded once to float.
    const auto sum_record = [&](int count, auto&& values_of, std::vector<float>& out) {
        std::fill(total.begin(), total.begin() + count + 1, 0.0);
        for (const FactoredModel& part : parts) {
            const std::vector<float>& values = values_of(*part.model);
            const int usable = std::min<int>(count, static_cast<int>(values.size()) - 1);
            for (int i = 1; i <= usable; ++i)
                total[i] += part.factor * values[i];
        }
        for (int i = 1; i <= count; ++i)
            out[i] = static_cast<float>(total[i]);
    };
    for (int k = 1; k <= 3; ++k) {
        sum_record(
            nodes, [k](const TrussModelData& m) -> const std::vector<float>& { return m.node_loads[k]; },
            sum.node_loads[k]);
        sum_record(
            nodes, [k](const TrussModelData& m) -> const std::vector<float>& { return m.node_deflections[k]; },
            sum.node_deflections[k]);
        for (int i = 1; i <= nodes; ++i) {
            keep_largest_magnitude(sum.max_load, sum.node_loads[k][i]);
            keep_largest_magnitude(sum.max_deflection, sum.node_deflections[k][i]);
        }
    }
    sum_record(
        elements, [](const TrussModelData& m) -> const std::vector<float>& { return m.element_stress; },
        sum.element_stress);
    sum_record(
        elements, [](const TrussModelData& m) -> const std::vector<float>& { return m.element_force; },
        sum.element_force);
    // The result text as the solver prints it: stress and force, each "%10.3E", three blanks between.
    for (int e = 1; e <= elements; ++e) {
        char text[RESULT_TEXT_ROOM];
        const std::size_t length = format_result_text(text, static_cast<double>(sum.element_stress[e]) + 0.0,
                                                      static_cast<double>(sum.element_force[e]) + 0.0);
        sum.element_result_text.set(static_cast<std::size_t>(e), std::string_view(text, length));
    }
    sum.load_scale = automatic_load_scale(sum.max_load);
    sum.deflection_scale = automatic_deflection_scale(sum.max_deflection, sum.deflection_factor);
    return sum;
}

std::string combination_text(std::span<const std::pair<double, std::string>> terms)
{
    std::string text;
    for (const auto& [factor, name] : terms) {
        const double size = std::fabs(factor);
        if (text.empty())
            text += factor < 0 ? "-" : "";
        else
            text += factor < 0 ? " - " : " + ";
        if (size != 1.0)
            text += number_text(size) + " ";
        text += name;
    }
    return text;
}

std::string case_title(const LoadCase& c)
{
    if (!c.combination)
        return c.model.title_line;
    return c.name == c.source ? c.name : c.name + " = " + c.source;
}

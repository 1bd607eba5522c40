// The few reading rules by which kelvaro takes a results file apart, written out again here with
// std::string so that the solver's output is checked against them without linking the viewer:
// free fields split at single spaces after trimming, fixed columns taken by 1-based position. A
// leading number too long for the fixed columns (3 or more characters before the first space of a
// deflection line, 4 or more as the first field of a trimmed result line) makes the values the
// free fields after it.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace results_columns {

inline std::string trim(const std::string& text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Characters start .. start + width - 1 (1-based), cut at the end of the line.
inline std::string mid(const std::string& line, std::size_t start, std::size_t width)
{
    if (start - 1 >= line.size())
        return "";
    return line.substr(start - 1, width);
}

inline double number(const std::string& text)
{
    return std::strtod(trim(text).c_str(), nullptr);
}

// Free fields of a node or element line: trim, take the text before the first space, keep the
// trimmed rest. When no space is left, every further field repeats the last one.
inline std::vector<std::string> free_fields(const std::string& line, int count)
{
    std::vector<std::string> fields;
    std::string rest = trim(line);
    for (int i = 0; i < count; ++i) {
        std::size_t space = rest.find(' ');
        fields.push_back(space == std::string::npos ? rest : rest.substr(0, space));
        if (space != std::string::npos)
            rest = trim(rest.substr(space + 1));
    }
    return fields;
}

struct Counts {
    int nodes = 0;
    int elements = 0;
};

// Line 2, untrimmed: the node count before the first space, the element count up to the second.
inline Counts read_counts(const std::string& line)
{
    Counts c;
    std::size_t first = line.find(' ');
    c.nodes = std::atoi(line.substr(0, first).c_str());
    if (first != std::string::npos) {
        std::size_t second = line.find(' ', first + 1);
        c.elements = std::atoi(
            line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1).c_str());
    }
    return c;
}

struct Deflection {
    double x = 0, y = 0, z = 0;
};

inline Deflection read_deflection(const std::string& line)
{
    if (line.find(' ') != std::string::npos && line.find(' ') >= 3) {
        std::vector<std::string> f = free_fields(line, 4);
        return {number(f[1]), number(f[2]), number(f[3])};
    }
    return {number(mid(line, 3, 12)), number(mid(line, 16, 12)), number(mid(line, 28, 12))};
}

struct ElementResult {
    int element = 0;
    double stress = 0;
    double force = 0;
    std::string text;  // the last 23 characters, shown as they are in the stress table
};

inline ElementResult read_element_result(const std::string& raw)
{
    std::string line = trim(raw);
    ElementResult r;
    std::vector<std::string> f = free_fields(line, 3);
    r.element = std::atoi(f[0].c_str());
    if (f[0].size() >= 4) {
        r.stress = number(f[1]);
        r.force = number(f[2]);
    } else {
        r.stress = number(mid(line, 4, 13));
        r.force = number(mid(line, 18, 15));
    }
    r.text = line.size() > 23 ? line.substr(line.size() - 23) : line;
    return r;
}

// A whole results file as the viewer would hold it.
struct ResultsFile {
    std::string title;
    Counts counts;
    std::vector<std::vector<double>> nodes;  // per node: rx ry rz x y z Px Py Pz
    std::vector<std::vector<int>> elements;  // per element line: number, end a, end b
    bool has_results = false;                // anything after the element lines
    std::vector<Deflection> deflections;
    std::vector<ElementResult> results;
};

inline ResultsFile read_results_text(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::size_t at = 0;
    auto next = [&]() { return at < lines.size() ? lines[at++] : std::string(); };
    ResultsFile file;
    file.title = next();
    file.counts = read_counts(next());
    for (int i = 0; i < file.counts.nodes; ++i) {
        std::vector<std::string> f = free_fields(next(), 10);
        std::vector<double> values;
        for (int k = 1; k < 10; ++k)
            values.push_back(std::strtod(f[k].c_str(), nullptr));
        file.nodes.push_back(values);
    }
    for (int e = 0; e < file.counts.elements; ++e) {
        std::vector<std::string> f = free_fields(next(), 3);
        file.elements.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), std::atoi(f[2].c_str())});
    }
    file.has_results = at < lines.size();
    if (!file.has_results)
        return file;
    next();
    next();
    for (int i = 0; i < file.counts.nodes; ++i)
        file.deflections.push_back(read_deflection(next()));
    next();
    next();
    for (int e = 0; e < file.counts.elements; ++e)
        file.results.push_back(read_element_result(next()));
    return file;
}

}  // namespace results_columns

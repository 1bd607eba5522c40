// Reading units out of a results file's heading lines and title, and the units shown on screen.
//
// Reads only its arguments.
#include "app/model/units.h"

#include <cctype>

#include "app/model/truss_model.h"

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// A unit name: no blanks or control characters inside, at most 16 bytes.
bool unit_name(std::string_view name)
{
    if (name.size() > 16)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '[' || c == ']')
            return false;
    return true;
}

// Splits text at commas into exactly count trimmed unit names; false otherwise.
bool split_names(std::string_view text, std::string* names, int count)
{
    for (int n = 0; n < count; ++n) {
        const std::size_t comma = text.find(',');
        const bool last = n == count - 1;
        if (last != (comma == std::string_view::npos))
            return false;
        const std::string_view name = trimmed(text.substr(0, comma));
        if (!unit_name(name))
            return false;
        names[n] = std::string(name);
        if (!last)
            text.remove_prefix(comma + 1);
    }
    return true;
}

void fill(std::string& unit, const std::string& found)
{
    if (unit.empty())
        unit = found;
}

// "units L, F, S" anywhere in the title, the word in any case.
Units title_units(std::string_view title)
{
    for (std::size_t at = 0; at + 6 <= title.size(); ++at) {
        const bool word_start = at == 0 || !std::isalpha(static_cast<unsigned char>(title[at - 1]));
        std::string word(title.substr(at, 5));
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!word_start || word != "units" || title[at + 5] != ' ')
            continue;
        // The three names run to the end of the title, a closing bracket or the next blank after the third.
        std::string_view rest = trimmed(title.substr(at + 6));
        rest = rest.substr(0, rest.find_first_of(")];"));
        const std::size_t second_comma = rest.find(',', rest.find(',') + 1);
        if (second_comma != std::string_view::npos) {
            const std::size_t end = rest.find_first_of(" \t", rest.find_first_not_of(" \t", second_comma + 1));
            rest = rest.substr(0, end);
        }
        std::string names[3];
        if (split_names(rest, names, 3))
            return {names[0], names[1], names[2]};
    }
    return {};
}

}  // namespace

void heading_units(std::string_view heading, std::string& first, std::string& second)
{
    first.clear();
    second.clear();
    const std::size_t open = heading.find('[');
    const std::size_t close = heading.find(']', open);
    if (open == std::string_view::npos || close == std::string_view::npos)
        return;
    const std::string_view inside = heading.substr(open + 1, close - open - 1);
    std::string names[2];
    if (inside.find(',') == std::string_view::npos) {
        if (split_names(inside, names, 1))
            first = names[0];
    } else if (split_names(inside, names, 2)) {
        first = names[0];
        second = names[1];
    }
}

Units units_from_file(const TrussModelData& model)
{
    Units units;
    std::string unused;
    heading_units(model.deflection_heading, units.length, unused);
    heading_units(model.result_heading, units.stress, units.force);
    const Units title = title_units(model.title_line);
    fill(units.length, title.length);
    fill(units.force, title.force);
    fill(units.stress, title.stress);
    return units;
}

std::optional<Units> parse_units(std::string_view text)
{
    std::string names[3];
    if (!split_names(text, names, 3))
        return std::nullopt;
    return Units{names[0], names[1], names[2]};
}

std::string units_text(const Units& units)
{
    const auto name = [](const std::string& unit) { return unit.empty() ? std::string("?") : unit; };
    return name(units.length) + ", " + name(units.force) + ", " + name(units.stress);
}

std::string_view shown_unit(const Units& units, Quantity quantity)
{
    switch (quantity) {
    case Quantity::Length:
        return units.length;
    case Quantity::Deflection:
        return units.length == "m" ? std::string_view("mm") : std::string_view(units.length);
    case Quantity::Force:
        return units.force;
    case Quantity::Stress:
        return units.stress;
    case Quantity::None:
        break;
    }
    return {};
}

double shown_factor(const Units& units, Quantity quantity)
{
    return quantity == Quantity::Deflection && units.length == "m" ? 1000.0 : 1.0;
}

std::string with_unit(std::string text, std::string_view unit)
{
    if (!unit.empty()) {
        text += ' ';
        text += unit;
    }
    return text;
}

std::string header_with_unit(std::string_view header, std::string_view unit)
{
    std::string text(header);
    if (!unit.empty())
        text += " [" + std::string(unit) + "]";
    return text;
}

// The command line of kelvaro-render.
//
// Options may come before or after the results file; a value follows its option as the next
// argument or after '=' ("--zoom 3", "--zoom=3"); "--" ends the options. "--deflected" takes an
// optional scale: the next argument is the scale when it is a number. A later repetition of an
// option replaces the earlier value. Numbers are checked whole: "3x", "" or "nan" are refused,
// not read as a prefix.
//
// Every option is one row of OPTIONS: the parser looks the name up there and hands the value to
// the row's setter, which checks it against the row's range; --help lists the rows in order with
// that range written into their descriptions.
#include "app/batch/render_options.h"

#include <charconv>
#include <cmath>
#include <set>
#include <string_view>

#include "app/export/export.h"
#include "app/export/report.h"
#include "app/model/checks.h"
#include "app/model/truss_model.h"
#include "app/view/label_placement.h"
#include "app/view/settings.h"
#include "core/file_name.h"
#include "core/str.h"
#include "draw/draw.h"

namespace {

// The text of a number without one leading '+', which std::from_chars does not take.
std::string_view without_plus(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

// A finite real written in full (decimal, optional exponent), or nothing.
std::optional<double> parse_real(std::string_view text)
{
    text = without_plus(text);
    double value = 0.0;
    const char* end = text.data() + text.size();
    std::from_chars_result r = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A whole number written in full, or nothing.
std::optional<long long> parse_whole(std::string_view text)
{
    text = without_plus(text);
    long long value = 0;
    const char* end = text.data() + text.size();
    std::from_chars_result r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end)
        return std::nullopt;
    return value;
}

// Walks the arguments, handing out option names and their values.
class ArgumentCursor {
public:
    ArgumentCursor(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

    bool done() const { return next_ >= argc_; }
    // The next argument (nullptr arguments read as "").
    std::string_view take() { return at(next_++); }
    // The argument after the current one without taking it; nullopt at the end.
    std::optional<std::string_view> peek() const
    {
        if (done())
            return std::nullopt;
        return at(next_);
    }

private:
    std::string_view at(int i) const { return argv_[i] != nullptr ? argv_[i] : ""; }

    int argc_;
    const char* const* argv_;
    int next_ = 1;
};

struct RenderOption;

// One option as it was used: what the parser found and where the option's setter puts it.
struct OptionUse {
    RenderOptions& options;
    const RenderOption* option = nullptr;
    std::string_view name = {};                  // as typed ("-q" or "--quality")
    std::optional<std::string_view> value = {};  // the value, when the option takes one and it was given
    std::string& error;
    bool plan = false;       // --plan given
    bool spatial = false;    // --3d given
    bool no_legend = false;  // --no-legend given
};

enum class Takes {
    Nothing,         // a switch: "--loads"
    Value,           // the next argument or what follows '='
    OptionalNumber,  // the next argument when it is a number, or what follows '='
};

// One option of the command line: how it is written, what it takes, and how it sets RenderOptions.
struct RenderOption {
    std::string_view short_name;  // "-o", or ""
    std::string_view name;        // "--output"
    std::string_view alias;       // another spelling ("--color-forces"), or ""
    std::string_view argument;    // the value's name in the help ("FILE", "[S]"), "" for a switch
    Takes takes;
    double low, high;       // the range of a number: {low} and {high} in the help and the range errors
    std::string_view help;  // the help's description, lines separated by '\n'
    bool (*set)(OptionUse& use);
};

// A number of the range, whole numbers without a fraction or an exponent.
std::string range_number(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return std::to_string(static_cast<long long>(value));
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

// pattern with every {low} and {high} replaced by option's range.
std::string with_range(std::string_view pattern, const RenderOption& option)
{
    std::string text;
    while (!pattern.empty()) {
        if (pattern.starts_with("{low}")) {
            text += range_number(option.low);
            pattern.remove_prefix(5);
        } else if (pattern.starts_with("{high}")) {
            text += range_number(option.high);
            pattern.remove_prefix(6);
        } else {
            text += pattern.front();
            pattern.remove_prefix(1);
        }
    }
    return text;
}

// "option 'name': 'text' is not <what>"; false.
bool value_error(OptionUse& use, std::string_view what)
{
    use.error = "option '" + std::string(use.name) + "': '" + std::string(*use.value) + "' is not " + std::string(what);
    return false;
}

// "option 'name': text is out of range (range)", range with the option's {low} and {high}; false.
bool range_error(OptionUse& use, std::string_view range)
{
    use.error = "option '" + std::string(use.name) + "': " + std::string(*use.value) + " is out of range (" +
                with_range(range, *use.option) + ")";
    return false;
}

// A whole number in the option's range into value.
bool whole_in_range(OptionUse& use, int& value)
{
    std::optional<long long> number = parse_whole(*use.value);
    if (!number)
        return value_error(use, "a whole number");
    if (*number < use.option->low || *number > use.option->high)
        return range_error(use, "{low} to {high}");
    value = static_cast<int>(*number);
    return true;
}

// A real number in the option's range; nullopt after an error.
std::optional<double> real_in_range(OptionUse& use, std::string_view range)
{
    std::optional<double> number = parse_real(*use.value);
    if (!number) {
        value_error(use, "a number");
        return std::nullopt;
    }
    if (*number < use.option->low || *number > use.option->high) {
        range_error(use, range);
        return std::nullopt;
    }
    return number;
}

// A real number in the option's range into value.
bool real_into(OptionUse& use, float& value)
{
    const std::optional<double> number = real_in_range(use, "{low} to {high}");
    if (number)
        value = static_cast<float>(*number);
    return number.has_value();
}

// An angle in degrees, kept as the viewer reads it from its field.
bool angle(OptionUse& use, std::optional<float>& value)
{
    if (!real_in_range(use, "{low} to {high} degrees"))
        return false;
    value = str_to_float(*use.value);
    return true;
}

// A deflection scale: any number that stays finite as the viewer reads it from its field.
bool scale(OptionUse& use)
{
    if (!parse_real(*use.value))
        return value_error(use, "a number");
    if (!std::isfinite(str_to_float(*use.value)))
        return range_error(use, "too large");
    use.options.deflection_scale = std::string(*use.value);
    return true;
}

// WxH: each side a whole number in the option's range.
bool size(OptionUse& use)
{
    const std::string_view text = *use.value;
    const std::size_t cross = text.find('x');
    std::optional<long long> width, height;
    if (cross != std::string_view::npos) {
        width = parse_whole(text.substr(0, cross));
        height = parse_whole(text.substr(cross + 1));
    }
    if (!width || !height)
        return value_error(use, "a size WxH (such as 1400x1000)");
    const auto outside = [&use](long long side) { return side < use.option->low || side > use.option->high; };
    if (outside(*width) || outside(*height))
        return range_error(use, "{low}x{low} to {high}x{high}");
    use.options.width = static_cast<int>(*width);
    use.options.height = static_cast<int>(*height);
    return true;
}

// A file name that must not be empty.
bool file_name(OptionUse& use, std::string& value)
{
    if (use.value->empty()) {
        use.error = "option '" + std::string(use.name) + "': the output file name is empty";
        return false;
    }
    value = std::string(*use.value);
    return true;
}

bool report_file_name(OptionUse& use)
{
    if (!report_format(*use.value)) {
        use.error = "option '--report': '" + std::string(*use.value) + "' does not end in .json or .csv";
        return false;
    }
    use.options.report_path = std::string(*use.value);
    return true;
}

// T[,C]: one or two positive stresses; C is T when left out.
bool limit_stress(OptionUse& use)
{
    double tension = 0, compression = 0;
    if (!parse_stress_limits(*use.value, tension, compression))
        return value_error(use, "a stress T or a pair T,C");
    if (!(tension > 0) || !(compression > 0))
        return range_error(use, "stresses above 0");
    use.options.limit_tension = tension;
    use.options.limit_compression = compression;
    return true;
}

bool units_option(OptionUse& use)
{
    use.options.units = parse_units(*use.value);
    return use.options.units || value_error(use, "three units LENGTH,FORCE,STRESS (such as m,kN,MPa)");
}

constexpr double NO_RANGE = 0;

// FACTOR:FILE of --combine: a finite factor, a file name that is not empty.
bool combine_term(OptionUse& use)
{
    const std::string_view text = *use.value;
    const std::size_t colon = text.find(':');
    const std::optional<double> factor = colon == std::string_view::npos ? std::nullopt
                                                                         : parse_real(text.substr(0, colon));
    if (!factor || colon + 1 >= text.size())
        return value_error(use, "FACTOR:FILE (such as 1.35:dead.res)");
    use.options.combine.emplace_back(*factor, std::string(text.substr(colon + 1)));
    return true;
}

// Every option in the order of the help. A switch's setter sets its field and answers true.
const RenderOption OPTIONS[] = {
    {"-o", "--output", "", "FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "the picture to write (required unless --report is given);\n"
     "{name} stands for the results file's name without extension",
     [](OptionUse& u) { return file_name(u, u.options.output_path); }},
    {"-q", "--quality", "", "N", Takes::Value, 0, 100, "JPEG quality {low}-{high} (default 70)",
     [](OptionUse& u) { return whole_in_range(u, u.options.quality); }},
    {"", "--size", "", "WxH", Takes::Value, RENDER_SIZE_MIN, RENDER_SIZE_MAX,
     "canvas size in pixels, {low}x{low} to {high}x{high} (default 700x500)", size},
    {"", "--text-scale", "", "F", Takes::Value, DRAW_TEXT_SCALE_MIN, DRAW_TEXT_SCALE_MAX,
     "texts at F times their size, {low} to {high} (default 1)",
     [](OptionUse& u) { return real_into(u, u.options.text_scale); }},
    {"", "--scale", "", "F", Takes::Value, RENDER_SCALE_MIN, RENDER_SCALE_MAX,
     "everything drawn (lines, markers, arrows, texts, legend) at F\n"
     "times its size, {low} to {high} (default 1): --size 1400x1000\n"
     "--scale 2 is the default picture at twice the resolution",
     [](OptionUse& u) { return real_into(u, u.options.scale); }},
    {"", "--plan", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "plan view (the default for a planar truss)",
     [](OptionUse& u) { return u.plan = true; }},
    {"", "--3d", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "3D view (the default for a spatial truss)",
     [](OptionUse& u) { return u.spatial = true; }},
    {"", "--azimuth", "", "A", Takes::Value, -RENDER_ANGLE_LIMIT, RENDER_ANGLE_LIMIT,
     "view azimuth in degrees, replacing the preset's ({low} to {high})",
     [](OptionUse& u) { return angle(u, u.options.azimuth); }},
    {"", "--elevation", "", "B", Takes::Value, -RENDER_ANGLE_LIMIT, RENDER_ANGLE_LIMIT,
     "view elevation in degrees, replacing the preset's ({low} to {high})",
     [](OptionUse& u) { return angle(u, u.options.elevation); }},
    {"", "--zoom", "", "N", Takes::Value, -RENDER_ZOOM_LIMIT, RENDER_ZOOM_LIMIT,
     "N steps of \"In\" after the fit; negative N for \"Out\" ({low} to {high})",
     [](OptionUse& u) { return whole_in_range(u, u.options.zoom_steps); }},
    {"", "--deflected", "", "[S]", Takes::OptionalNumber, NO_RANGE, NO_RANGE,
     "draw the deflected shape, at scale S when given (else the\n"
     "automatic scale the viewer shows)",
     [](OptionUse& u) {
         u.options.deflected = true;
         return !u.value || scale(u);
     }},
    {"", "--magnification", "", "N", Takes::Value, MAGNIFICATION_MIN, MAGNIFICATION_MAX,
     "draw the deflected shape at N ({low} to {high}) times the\n"
     "real deflections, whatever the zoom; the picture says so",
     [](OptionUse& u) { return real_into(u, u.options.magnification); }},
    {"", "--loads", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "write the load values beside the load arrows",
     [](OptionUse& u) { return u.options.load_values = true; }},
    {"", "--numbers", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "write the element numbers",
     [](OptionUse& u) { return u.options.element_numbers = true; }},
    {"", "--stresses", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "draw the element result table over the picture",
     [](OptionUse& u) { return u.options.stresses = true; }},
    {"", "--frame", "", "F", Takes::Value, 1, RENDER_FRAME_COUNT,
     "the deflection animation's frame F ({low}-{high}) instead of the picture",
     [](OptionUse& u) { return whole_in_range(u, u.options.frame); }},
    {"", "--geometry", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "draw a file without results instead of refusing it",
     [](OptionUse& u) { return u.options.geometry = true; }},
    {"", "--colour-forces", "--color-forces", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "colour the members by axial force (red tension, blue\n"
     "compression, grey none) with a legend; also --color-forces",
     [](OptionUse& u) { return u.options.colour_forces = true; }},
    {"", "--no-legend", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "leave the force-colour legend out",
     [](OptionUse& u) { return u.no_legend = true; }},
    {"", "--node-numbers", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "write the node numbers",
     [](OptionUse& u) { return u.options.node_numbers = true; }},
    {"", "--reactions", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "draw the support reactions as arrows with values",
     [](OptionUse& u) { return u.options.reactions = true; }},
    {"", "--max-deflection", "", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "mark the node of largest deflection (draws the deflected shape)",
     [](OptionUse& u) { return u.options.max_deflection = true; }},
    {"", "--highlight-member", "", "N", Takes::Value, 1, MAX_ELEMENTS, "draw member N highlighted",
     [](OptionUse& u) { return whole_in_range(u, u.options.highlight_member); }},
    {"", "--highlight-node", "", "N", Takes::Value, 1, MAX_NODES, "ring node N",
     [](OptionUse& u) { return whole_in_range(u, u.options.highlight_node); }},
    {"", "--units", "", "L,F,S", Takes::Value, NO_RANGE, NO_RANGE,
     "units of length, force and stress (such as m,kN,MPa), replacing\n"
     "those the file states; shown with every value",
     units_option},
    {"", "--limit-stress", "", "T[,C]", Takes::Value, NO_RANGE, NO_RANGE,
     "allowable stress in tension and in compression (C = T when\n"
     "left out), in the file's stress unit: gives each member's utilisation",
     limit_stress},
    {"", "--input", "", "FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "the solver input that made the results file: its sections'\n"
     "modulus and second moment of area add the buckling check",
     [](OptionUse& u) {
         u.options.input_path = std::string(*u.value);
         return !u.value->empty() || value_error(u, "a file name");
     }},
    {"", "--utilisation", "--utilization", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "colour the members by utilisation (over 1.0 in red) with a\n"
     "legend; needs --limit-stress or --input; also --utilization",
     [](OptionUse& u) { return u.options.utilisation = true; }},
    {"", "--free-body", "", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "draw the forces acting on the --highlight-node node (members,\n"
     "load, reaction) as labelled arrows",
     [](OptionUse& u) { return u.options.free_body = true; }},
    {"", "--label-filter", "", "F", Takes::Value, NO_RANGE, NO_RANGE,
     "which value labels are drawn: all (the default), top10 or\n"
     "top100 (the largest of each kind in view), above:V",
     [](OptionUse& u) {
         const std::optional<LabelFilter> filter = parse_label_filter(*u.value);
         if (filter)
             u.options.label_filter = *filter;
         return filter.has_value() || value_error(u, "all, topN or above:V");
     }},
    {"", "--report", "", "FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "write the numbers behind the picture (nodes with reactions,\n"
     "members with forces, extremes, equilibrium check): NAME.json\n"
     "as JSON, NAME.csv as NAME-members.csv and NAME-nodes.csv;\n"
     "without -o no picture is written; {name} as in -o",
     report_file_name},
    {"", "--title-block", "", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "a band under the picture with the title, file, case, units,\n"
     "date and the deflected shape's magnification; a scale bar\n"
     "in the plan view",
     [](OptionUse& u) { return u.options.title_block = true; }},
    {"", "--paper", "", "NAME", Takes::Value, NO_RANGE, NO_RANGE,
     "the calculation sheet's paper (-o NAME.pdf), portrait: a4\n"
     "(the default), letter or a3",
     [](OptionUse& u) {
         const std::optional<Paper> paper = paper_named(*u.value);
         if (!paper)
             return value_error(u, "a paper (" + paper_list() + ")");
         u.options.paper = *paper;
         return true;
     }},
    {"", "--cases", "", "FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "read the load cases of a combinations file (NAME = FILE,\n"
     "NAME = 1.35 dead + 1.5 live, one a line) instead of results files",
     [](OptionUse& u) { return file_name(u, u.options.cases_path); }},
    {"", "--case", "", "NAME", Takes::Value, NO_RANGE, NO_RANGE,
     "draw and report that case of --cases (default the first)",
     [](OptionUse& u) {
         u.options.case_name = std::string(*u.value);
         if (u.options.case_name.empty())
             u.error = "option '--case': the case name is empty";
         return !u.options.case_name.empty();
     }},
    {"", "--combine", "", "F:FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "add FILE's results times F to the combination drawn\n"
     "(repeatable: --combine 1.35:dead.res --combine 1.5:live.res)",
     combine_term},
    {"", "--envelope", "", "", Takes::Nothing, NO_RANGE, NO_RANGE,
     "draw the envelope of every case (of --cases, or of the results\n"
     "files given): each member coloured by its governing force;\n"
     "--report then writes the envelope report",
     [](OptionUse& u) { return u.options.envelope = true; }},
    {"", "--write-results", "", "FILE", Takes::Value, NO_RANGE, NO_RANGE,
     "write the drawn case (such as a combination) as a results file",
     [](OptionUse& u) { return file_name(u, u.options.write_results_path); }},
    {"-h", "--help", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "show this help and exit",
     [](OptionUse& u) { return u.options.help = true; }},
    {"", "--version", "", "", Takes::Nothing, NO_RANGE, NO_RANGE, "show the version and exit",
     [](OptionUse& u) { return u.options.version = true; }},
};

const RenderOption* find_option(std::string_view name)
{
    for (const RenderOption& option : OPTIONS)
        if (name == option.name || (!option.short_name.empty() && name == option.short_name) ||
            (!option.alias.empty() && name == option.alias))
            return &option;
    return nullptr;
}

// The help's lines of option: "  -o, --output FILE" and its description from the next tab stop
// (columns 24, 28, ...) at least two spaces on, further lines of the description at column 24.
std::string option_help(const RenderOption& option)
{
    constexpr std::size_t DESCRIPTION_COLUMN = 24, TAB = 4;
    std::string line = "  ";
    if (option.short_name.empty()) {
        line += "    ";
    } else {
        line += option.short_name;
        line += ", ";
    }
    line += option.name;
    if (!option.argument.empty()) {
        line += ' ';
        line += option.argument;
    }
    std::size_t column = DESCRIPTION_COLUMN;
    while (line.size() + 2 > column)
        column += TAB;
    line.resize(column, ' ');
    std::string description = with_range(option.help, option);
    for (std::size_t at = description.find('\n'); at != std::string::npos; at = description.find('\n', at + 1))
        description.insert(at + 1, DESCRIPTION_COLUMN, ' ');
    return line + description + "\n";
}

// The output's format and names: a known extension, options the format can show, and one
// distinct output file per results file (checked before anything is written).
bool check_outputs(const RenderOptions& options, std::string& error)
{
    const ExportFormat format = export_format(options.output_path);
    if (!options.output_path.empty() && format == ExportFormat::Unknown) {
        error = "the output file '" + options.output_path + "' has an unknown extension: write " + export_format_list();
        return false;
    }
    if (format == ExportFormat::Gif && (options.frame != 0 || options.stresses)) {
        error = std::string("a GIF holds the whole animation; '") + (options.frame != 0 ? "--frame" : "--stresses") +
                "' cannot be combined with it";
        return false;
    }
    if (format == ExportFormat::Pdf && (options.frame != 0 || options.stresses)) {
        error = std::string("the calculation sheet holds the picture and the member table; '") +
                (options.frame != 0 ? "--frame" : "--stresses") + "' cannot be combined with it";
        return false;
    }
    if (options.stresses && options.text_scale != 1.0f) {
        error = "options '--stresses' and '--text-scale' cannot be combined (the table's rows are 15 pixels apart)";
        return false;
    }
    if (render_canvas_side(options.width, options.scale) < RENDER_CANVAS_MIN ||
        render_canvas_side(options.height, options.scale) < RENDER_CANVAS_MIN) {
        error = "--size divided by --scale leaves less than " + std::to_string(RENDER_CANVAS_MIN) + "x" +
                std::to_string(RENDER_CANVAS_MIN) + " pixels to draw on";
        return false;
    }
    std::set<std::string> outputs;
    for (const std::string& pattern : {options.output_path, options.report_path}) {
        if (pattern.empty())
            continue;
        if (options.results_paths.size() > 1 && !render_uses_cases(options) &&
            pattern.find(RENDER_NAME_FIELD) == std::string::npos) {
            error = "several results files need {name} in the output file name (-o 'out/{name}.png')";
            return false;
        }
        for (const std::string& path : options.results_paths) {
            if (render_uses_cases(options))
                break;  // one picture of the whole set
            const std::string output = render_output_path(pattern, path);
            if (!outputs.insert(output).second) {
                error = "two results files give the output file '" + output + "'; nothing was written";
                return false;
            }
        }
    }
    return true;
}

// The load-case options together: one source of cases, --case only with --cases, an envelope
// written as a picture or its report only.
bool check_cases(const RenderOptions& options, std::string& error)
{
    if (!options.cases_path.empty() && (!options.results_paths.empty() || !options.combine.empty())) {
        error = std::string("'--cases' cannot be combined with ") +
                (options.combine.empty() ? "results files" : "'--combine'");
    } else if (!options.combine.empty() && !options.results_paths.empty()) {
        error = "'--combine' cannot be combined with results files (give each as FACTOR:FILE)";
    } else if (!options.case_name.empty() && options.cases_path.empty()) {
        error = "'--case' needs '--cases'";
    } else if (options.envelope && (!options.case_name.empty() || !options.write_results_path.empty())) {
        error = std::string("'--envelope' cannot be combined with ") +
                (options.case_name.empty() ? "'--write-results'" : "'--case'");
    } else if (options.envelope && (options.deflected || options.frame != 0 || options.max_deflection ||
                                    options.reactions || export_format(options.output_path) == ExportFormat::Gif)) {
        error = "'--envelope' draws forces only: no deflected shape, animation, largest deflection or reactions";
    } else if (!options.write_results_path.empty() && options.results_paths.size() > 1 && !render_uses_cases(options)) {
        error = "'--write-results' writes one case: give one results file, --cases or --combine";
    } else {
        return true;
    }
    return false;
}

// The checks that need the whole command line.
bool complete(const RenderOptions& options, std::string& error)
{
    if (options.help || options.version)
        return true;
    if (options.results_path.empty() && options.cases_path.empty() && options.combine.empty()) {
        error = "no results file given";
    } else if (!check_cases(options, error)) {
        return false;
    } else if (options.output_path.empty() && options.report_path.empty() && options.write_results_path.empty()) {
        error = "no output file given (-o OUT.jpg)";
    } else if (!options.report_path.empty() && options.report_path == options.output_path) {
        error = "the picture and the report cannot be one file ('" + options.output_path + "')";
    } else if (options.stresses && options.frame != 0) {
        error = "options '--stresses' and '--frame' cannot be combined";
    } else if (options.utilisation && options.limit_tension == 0 && options.input_path.empty()) {
        error = "option '--utilisation' needs '--limit-stress' or '--input'";
    } else {
        return check_outputs(options, error);
    }
    return false;
}

}  // namespace

bool parse_render_options(int argc, const char* const* argv, RenderOptions& options, std::string& error)
{
    ArgumentCursor args(argc, argv);
    bool options_ended = false;
    OptionUse use{.options = options, .error = error};
    while (!args.done()) {
        std::string_view arg = args.take();
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) {
                error = "the results file name is empty";
                return false;
            }
            if (options.results_path.empty())
                options.results_path = std::string(arg);
            options.results_paths.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        // "--name=value" carries its value; otherwise a value is the next argument.
        std::string_view name = arg;
        std::optional<std::string_view> attached;
        if (std::size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            attached = arg.substr(equals + 1);
        }
        use.option = find_option(name);
        use.name = name;
        use.value = attached;
        if (use.option == nullptr) {
            error = "unknown option '" + std::string(name) + "'";
            return false;
        }
        if (use.option->takes == Takes::Nothing && attached) {
            error = "option '" + std::string(name) + "' takes no value";
            return false;
        }
        if (use.option->takes == Takes::Value && !attached) {
            if (args.done()) {
                error = "option '" + std::string(name) + "' needs a value";
                return false;
            }
            use.value = args.take();
        }
        if (use.option->takes == Takes::OptionalNumber && !attached) {
            if (std::optional<std::string_view> next = args.peek(); next && parse_real(*next))
                use.value = args.take();
        }
        if (!use.option->set(use))
            return false;
    }
    if (use.plan && use.spatial) {
        error = "options '--plan' and '--3d' cannot be combined";
        return false;
    }
    if (use.plan)
        options.view = RenderView::Plan;
    if (use.no_legend)
        options.legend = false;
    if (use.spatial)
        options.view = RenderView::Spatial;
    return complete(options, error);
}

int render_canvas_side(int side, float scale)
{
    return static_cast<int>(std::lround(side / static_cast<double>(scale)));
}

bool render_uses_cases(const RenderOptions& options)
{
    return !options.cases_path.empty() || !options.combine.empty() || options.envelope;
}

std::string render_output_path(std::string_view pattern, const std::string& path)
{
    const std::string_view name = path_stem(path);
    std::string output(pattern);
    const std::string field = RENDER_NAME_FIELD;
    for (std::size_t at = output.find(field); at != std::string::npos; at = output.find(field, at + name.size())) {
        output.replace(at, field.size(), name);
    }
    return output;
}

std::string render_help_text()
{
    std::string help =
        "Usage: kelvaro-render RESULTS -o OUT.jpg [options]\n"
        "       kelvaro-render RESULTS --report REPORT.json|REPORT.csv [-o OUT.jpg] [options]\n"
        "       kelvaro-render RESULTS... -o 'FOLDER/{name}.png' [--report 'FOLDER/{name}.json'] [options]\n"
        "       kelvaro-render --cases FILE.cases [--case NAME | --envelope] -o OUT.png [options]\n"
        "       kelvaro-render --combine F:RESULTS... [--write-results OUT.res] [-o OUT.png] [options]\n"
        "Draws the truss of a results file as the kelvaro viewer's canvas shows it (700 x 500\n"
        "pixels) and saves the picture. The output name's extension gives the format: .jpg,\n"
        ".jpeg (or none) JPEG, .png PNG, .svg SVG, .gif the deflection animation as a looping\n"
        "GIF, .dxf the members as CAD lines (DXF), .vtu a VTK grid with the results, .pdf\n"
        "the calculation sheet (picture, summary, reactions, member and node tables). No\n"
        "display is needed. Several results files need {name} in the output name (each file's\n"
        "name without extension); for parallel runs use xargs -P (see the man page).\n"
        "\n"
        "Options:\n";
    for (const RenderOption& option : OPTIONS)
        help += option_help(option);
    return help +
           "\n"
           "Exit status: 0 picture and report written; 1 results file missing, unreadable or\n"
           "without usable results, or a set of load cases refused; 2 bad command line; 3 the\n"
           "picture or the report could not be written; 4 drawn and written, but the results\n"
           "file has problems (each printed as FILE:LINE: text). With several results files,\n"
           "the gravest of them (1, 2 and 3 before 4).\n";
}

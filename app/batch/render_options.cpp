// The command line of kelvaro-render.
//
// Options may come before or after the results file; a value follows its option as the next
// argument or after '=' ("--zoom 3", "--zoom=3"); "--" ends the options. "--deflected" takes an
// optional scale: the next argument is the scale when it is a number. A later repetition of an
// option replaces the earlier value. Numbers are checked whole: "3x", "" or "nan" are refused,
// not read as a prefix.
#include "app/batch/render_options.h"

#include <charconv>
#include <cmath>
#include <set>
#include <string_view>

#include "app/export/export.h"
#include "app/export/report.h"
#include "app/model/model.h"
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

// "'name': 'text' is not a <what>".
std::string value_error(std::string_view name, std::string_view text, std::string_view what)
{
    return "option '" + std::string(name) + "': '" + std::string(text) + "' is not " + std::string(what);
}

std::string range_error(std::string_view name, std::string_view text, std::string_view range)
{
    return "option '" + std::string(name) + "': " + std::string(text) + " is out of range (" + std::string(range) + ")";
}

// A whole number in [low, high] into value.
bool whole_in_range(std::string_view name, std::string_view text, long long low, long long high, int& value,
                    std::string& error)
{
    std::optional<long long> number = parse_whole(text);
    if (!number) {
        error = value_error(name, text, "a whole number");
        return false;
    }
    if (*number < low || *number > high) {
        error = range_error(name, text, std::to_string(low) + " to " + std::to_string(high));
        return false;
    }
    value = static_cast<int>(*number);
    return true;
}

// An angle in degrees, at most RENDER_ANGLE_LIMIT either way.
bool angle(std::string_view name, std::string_view text, std::optional<float>& value, std::string& error)
{
    std::optional<double> number = parse_real(text);
    if (!number) {
        error = value_error(name, text, "a number");
        return false;
    }
    if (std::fabs(*number) > RENDER_ANGLE_LIMIT) {
        error = range_error(name, text, "-3600 to 3600 degrees");
        return false;
    }
    value = str_to_float(text);
    return true;
}

// A deflection scale: any number that stays finite as the viewer reads it from its field.
bool scale(std::string_view name, std::string_view text, std::string& value, std::string& error)
{
    if (!parse_real(text)) {
        error = value_error(name, text, "a number");
        return false;
    }
    if (!std::isfinite(str_to_float(text))) {
        error = range_error(name, text, "too large");
        return false;
    }
    value = std::string(text);
    return true;
}

// --size WxH: each side a whole number of RENDER_SIZE_MIN .. RENDER_SIZE_MAX pixels.
bool size_option(std::string_view name, std::string_view text, RenderOptions& options, std::string& error)
{
    const std::size_t cross = text.find('x');
    std::optional<long long> width, height;
    if (cross != std::string_view::npos) {
        width = parse_whole(text.substr(0, cross));
        height = parse_whole(text.substr(cross + 1));
    }
    if (!width || !height) {
        error = value_error(name, text, "a size WxH (such as 1400x1000)");
        return false;
    }
    if (*width < RENDER_SIZE_MIN || *width > RENDER_SIZE_MAX || *height < RENDER_SIZE_MIN ||
        *height > RENDER_SIZE_MAX) {
        error = range_error(name, text, "100x100 to 8000x8000");
        return false;
    }
    options.width = static_cast<int>(*width);
    options.height = static_cast<int>(*height);
    return true;
}

// --text-scale F: DRAW_TEXT_SCALE_MIN .. DRAW_TEXT_SCALE_MAX.
bool text_scale(std::string_view name, std::string_view text, float& value, std::string& error)
{
    std::optional<double> number = parse_real(text);
    if (!number) {
        error = value_error(name, text, "a number");
        return false;
    }
    if (*number < DRAW_TEXT_SCALE_MIN || *number > DRAW_TEXT_SCALE_MAX) {
        error = range_error(name, text, "0.5 to 8");
        return false;
    }
    value = static_cast<float>(*number);
    return true;
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
    if (options.stresses && options.text_scale != 1.0f) {
        error = "options '--stresses' and '--text-scale' cannot be combined (the table's rows are 15 pixels apart)";
        return false;
    }
    std::set<std::string> outputs;
    for (const std::string& pattern : {options.output_path, options.report_path}) {
        if (pattern.empty())
            continue;
        if (options.results_paths.size() > 1 && pattern.find(RENDER_NAME_FIELD) == std::string::npos) {
            error = "several results files need {name} in the output file name (-o 'out/{name}.png')";
            return false;
        }
        for (const std::string& path : options.results_paths) {
            const std::string output = render_output_path(pattern, path);
            if (!outputs.insert(output).second) {
                error = "two results files give the output file '" + output + "'; nothing was written";
                return false;
            }
        }
    }
    return true;
}

// The checks that need the whole command line.
bool complete(const RenderOptions& options, std::string& error)
{
    if (options.help || options.version)
        return true;
    if (options.results_path.empty()) {
        error = "no results file given";
    } else if (options.output_path.empty() && options.report_path.empty()) {
        error = "no output file given (-o OUT.jpg)";
    } else if (!options.report_path.empty() && options.report_path == options.output_path) {
        error = "the picture and the report cannot be one file ('" + options.output_path + "')";
    } else if (options.stresses && options.frame != 0) {
        error = "options '--stresses' and '--frame' cannot be combined";
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
    bool plan_given = false, spatial_given = false;
    bool no_legend = false;
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
        auto value = [&](std::string_view& out) {
            if (attached) {
                out = *attached;
                return true;
            }
            if (args.done()) {
                error = "option '" + std::string(name) + "' needs a value";
                return false;
            }
            out = args.take();
            return true;
        };
        auto flag = [&](bool& out) {
            if (attached) {
                error = "option '" + std::string(name) + "' takes no value";
                return false;
            }
            out = true;
            return true;
        };
        std::string_view text;
        bool ok = true;
        if (name == "-h" || name == "--help") {
            ok = flag(options.help);
        } else if (name == "--version") {
            ok = flag(options.version);
        } else if (name == "-o" || name == "--output") {
            ok = value(text);
            if (ok && text.empty()) {
                error = "option '" + std::string(name) + "': the output file name is empty";
                ok = false;
            }
            if (ok)
                options.output_path = std::string(text);
        } else if (name == "-q" || name == "--quality") {
            ok = value(text) && whole_in_range(name, text, 0, 100, options.quality, error);
        } else if (name == "--plan") {
            ok = flag(plan_given);
        } else if (name == "--3d") {
            ok = flag(spatial_given);
        } else if (name == "--azimuth") {
            ok = value(text) && angle(name, text, options.azimuth, error);
        } else if (name == "--elevation") {
            ok = value(text) && angle(name, text, options.elevation, error);
        } else if (name == "--zoom") {
            ok = value(text) &&
                 whole_in_range(name, text, -RENDER_ZOOM_LIMIT, RENDER_ZOOM_LIMIT, options.zoom_steps, error);
        } else if (name == "--deflected") {
            options.deflected = true;
            if (attached) {
                ok = scale(name, *attached, options.deflection_scale, error);
            } else if (std::optional<std::string_view> next = args.peek(); next && parse_real(*next)) {
                ok = scale(name, args.take(), options.deflection_scale, error);
            }
        } else if (name == "--loads") {
            ok = flag(options.load_values);
        } else if (name == "--numbers") {
            ok = flag(options.element_numbers);
        } else if (name == "--stresses") {
            ok = flag(options.stresses);
        } else if (name == "--frame") {
            ok = value(text) && whole_in_range(name, text, 1, RENDER_FRAME_COUNT, options.frame, error);
        } else if (name == "--geometry") {
            ok = flag(options.geometry);
        } else if (name == "--colour-forces" || name == "--color-forces") {
            ok = flag(options.colour_forces);
        } else if (name == "--no-legend") {
            ok = flag(no_legend);
        } else if (name == "--node-numbers") {
            ok = flag(options.node_numbers);
        } else if (name == "--reactions") {
            ok = flag(options.reactions);
        } else if (name == "--max-deflection") {
            ok = flag(options.max_deflection);
        } else if (name == "--highlight-member") {
            ok = value(text) && whole_in_range(name, text, 1, MAX_ELEMENTS, options.highlight_member, error);
        } else if (name == "--highlight-node") {
            ok = value(text) && whole_in_range(name, text, 1, MAX_NODES, options.highlight_node, error);
        } else if (name == "--size") {
            ok = value(text) && size_option(name, text, options, error);
        } else if (name == "--text-scale") {
            ok = value(text) && text_scale(name, text, options.text_scale, error);
        } else if (name == "--report") {
            ok = value(text);
            if (ok && !report_format(text)) {
                error = "option '--report': '" + std::string(text) + "' does not end in .json or .csv";
                ok = false;
            }
            if (ok)
                options.report_path = std::string(text);
        } else {
            error = "unknown option '" + std::string(name) + "'";
            ok = false;
        }
        if (!ok)
            return false;
    }
    if (plan_given && spatial_given) {
        error = "options '--plan' and '--3d' cannot be combined";
        return false;
    }
    if (plan_given)
        options.view = RenderView::Plan;
    if (no_legend)
        options.legend = false;
    if (spatial_given)
        options.view = RenderView::Spatial;
    return complete(options, error);
}

std::string render_output_path(std::string_view pattern, const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A dot at the very start of the name marks a hidden file, not an extension.
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    std::string output(pattern);
    const std::string field = RENDER_NAME_FIELD;
    for (std::size_t at = output.find(field); at != std::string::npos; at = output.find(field, at + name.size())) {
        output.replace(at, field.size(), name);
    }
    return output;
}

std::string render_help_text()
{
    return "Usage: kelvaro-render RESULTS -o OUT.jpg [options]\n"
           "       kelvaro-render RESULTS --report REPORT.json|REPORT.csv [-o OUT.jpg] [options]\n"
           "       kelvaro-render RESULTS... -o 'FOLDER/{name}.png' [--report 'FOLDER/{name}.json'] [options]\n"
           "Draws the truss of a results file as the kelvaro viewer's canvas shows it (700 x 500\n"
           "pixels) and saves the picture. The output name's extension gives the format: .jpg,\n"
           ".jpeg (or none) JPEG, .png PNG, .svg SVG, .gif the deflection animation as a looping\n"
           "GIF. No display is needed. Several results files need {name} in the output name (each\n"
           "file's name without extension); for parallel runs use xargs -P (see the man page).\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE     the picture to write (required unless --report is given);\n"
           "                        {name} stands for the results file's name without extension\n"
           "  -q, --quality N       JPEG quality 0-100 (default 70)\n"
           "      --size WxH        canvas size in pixels, 100x100 to 8000x8000 (default 700x500)\n"
           "      --text-scale F    texts at F times their size, 0.5 to 8 (default 1)\n"
           "      --plan            plan view (the default for a planar truss)\n"
           "      --3d              3D view (the default for a spatial truss)\n"
           "      --azimuth A       view azimuth in degrees, replacing the preset's (-3600 to 3600)\n"
           "      --elevation B     view elevation in degrees, replacing the preset's (-3600 to 3600)\n"
           "      --zoom N          N steps of \"In\" after the fit; negative N for \"Out\" (-100 to 100)\n"
           "      --deflected [S]   draw the deflected shape, at scale S when given (else the\n"
           "                        automatic scale the viewer shows)\n"
           "      --loads           write the load values beside the load arrows\n"
           "      --numbers         write the element numbers\n"
           "      --stresses        draw the element result table over the picture\n"
           "      --frame F         the deflection animation's frame F (1-6) instead of the picture\n"
           "      --geometry        draw a file without results instead of refusing it\n"
           "      --colour-forces   colour the members by axial force (red tension, blue\n"
           "                        compression, grey none) with a legend; also --color-forces\n"
           "      --no-legend       leave the force-colour legend out\n"
           "      --node-numbers    write the node numbers\n"
           "      --reactions       draw the support reactions as arrows with values\n"
           "      --max-deflection  mark the node of largest deflection (draws the deflected shape)\n"
           "      --highlight-member N  draw member N highlighted\n"
           "      --highlight-node N    ring node N\n"
           "      --report FILE     write the numbers behind the picture (nodes with reactions,\n"
           "                        members with forces, extremes, equilibrium check): NAME.json\n"
           "                        as JSON, NAME.csv as NAME-members.csv and NAME-nodes.csv;\n"
           "                        without -o no picture is written; {name} as in -o\n"
           "  -h, --help            show this help and exit\n"
           "      --version         show the version and exit\n"
           "\n"
           "Exit status: 0 picture and report written; 1 results file missing, unreadable or\n"
           "without usable results; 2 bad command line; 3 the picture or the report could not\n"
           "be written. With several results files, the highest status of them.\n";
}

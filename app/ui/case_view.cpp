// Load cases in the viewer.
//
// State: the set shown and which of its cases (or the envelope) TrussModel holds; through the
// window's globals (app/ui/window_state.h) the model, results_path, the caption and the switches.
#include "app/ui/case_view.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>

#include "app/model/envelope.h"
#include "app/model/line_source.h"
#include "app/model/load_cases.h"
#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/window_note.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "core/file_name.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/input.h"
#include "gui/requester.h"
#include "gui/window.h"

namespace {

std::vector<std::string> set_paths;  // what the set was read from: a combinations file or results files
LoadCaseSet shown_set;               // empty when no set is shown
int shown_case = 0;                  // the case TrussModel holds
bool envelope = false;               // TrussModel holds the set's geometry and the numbers are the envelope's
Envelope shown_envelope;             // the envelope while it is shown
int compare_from = -1;               // the case the shown one is compared with (its change from it); -1 for none
bool colours_before = false;         // the force-colour switch as the user left it before the envelope

// The set's files read whole from disk, with the reader's line rules.
std::string read_case_file(const std::string& path, TrussModelData& model, ReadOutcome& outcome)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot be opened";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    MemoryLineSource source(text);
    outcome = read_results(source, model);
    return {};
}

// The set of paths: one combinations file, or results files each a case.
bool read_set(const std::vector<std::string>& paths, LoadCaseSet& set, std::string& error)
{
    if (paths.size() != 1 || !is_cases_path(paths.front()))
        return read_file_set(paths, read_case_file, set, error);
    std::ifstream in(paths.front(), std::ios::binary);
    if (!in) {
        error = "cannot read '" + paths.front() + "'";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return read_case_set(text.str(), paths.front(), read_case_file, set, error);
}

const LoadCase& case_at(int n)
{
    return shown_set.cases[static_cast<std::size_t>(n)];
}

// The caption: the path, then the case's name, its change from another case, or the envelope.
void show_caption()
{
    std::string what = case_at(shown_case).name;
    if (envelope)
        what = "envelope of " + std::to_string(shown_set.cases.size()) + " cases";
    else if (compare_from >= 0)
        what = "change from " + case_at(compare_from).name + " to " + what;
    window_title = title_text + results_path + " - " + what;
    win_set_title(MAIN_WINDOW, window_title);
}

// Puts the shown case (or the envelope) into TrussModel and its numbers beside it.
void put_shown_into_model()
{
    const float factor = TrussModel.deflection_factor;
    const LoadCase& c = shown_set.cases[static_cast<std::size_t>(shown_case)];
    TrussModel = envelope ? shown_set.cases.front().model : c.model;
    if (!envelope && compare_from >= 0) {
        // The shown case less the compared one, each as its files with their factors.
        std::vector<FactoredModel> parts;
        const auto add = [&parts](const LoadCase& each, double sign) {
            if (!each.combination)
                parts.push_back({sign, &each.model});
            for (const CaseTerm& term : each.terms)
                parts.push_back({sign * term.factor, &case_at(term.file_case).model});
        };
        add(c, 1.0);
        add(case_at(compare_from), -1.0);
        TrussModel = combine_models(parts);
    }
    TrussModel.deflection_factor = factor;
    results_missing = 0;
    size_view_node_records(TrussModel.node_count);
    if (!envelope) {
        View.legend_caption.clear();
        if (compare_from >= 0)
            model_loaded();
        else
            lend_model_numbers(c.numbers);  // the case's own, computed when the set was read
        return;
    }
    // The geometry without any case's loads and deflections: the colours stand for every case.
    for (int k = 1; k <= 3; ++k) {
        std::fill(TrussModel.node_loads[k].begin(), TrussModel.node_loads[k].end(), 0.0f);
        std::fill(TrussModel.node_deflections[k].begin(), TrussModel.node_deflections[k].end(), 0.0f);
    }
    TrussModel.max_load = 0.0f;
    TrussModel.load_scale = automatic_load_scale(0.0f);
    std::vector<const ModelNumbers*> numbers;
    for (const LoadCase& each : shown_set.cases)
        numbers.push_back(&each.numbers);
    shown_envelope = compute_envelope(numbers);
    ModelNumbers drawn = envelope_numbers(shown_set.cases.front().numbers, shown_envelope);
    for (std::size_t i = 1; i < drawn.nodes.size(); ++i)
        drawn.nodes[i].deflection = drawn.nodes[i].load = drawn.nodes[i].reaction = Vec3{};
    set_model_numbers(std::move(drawn));
    View.legend_caption = "envelope of " + std::to_string(shown_set.cases.size()) + " cases";
    View.overlays.show_force_colours = true;
}

// Every case's numbers under the user's units and design limits.
void check_cases()
{
    for (LoadCase& each : shown_set.cases)
        apply_user_checks(each.numbers);
}

// Shows what TrussModel holds now in place of what was shown, keeping the view and the selection.
void show_put_case()
{
    show_caption();
    show_switches();
    refresh_projection(false);
    redraw_view();
    results_window_refresh();
}

// Shows the case or the envelope in place of the one shown, keeping the view and the selection.
void show_in_place()
{
    put_shown_into_model();
    show_put_case();
}

}  // namespace

bool is_cases_path(std::string_view path)
{
    return path_ends_with(path, ".cases");
}

bool load_case_set(const std::string& path)
{
    return load_case_files({path});
}

bool load_case_files(const std::vector<std::string>& paths)
{
    LoadCaseSet set;
    std::string error;
    if (paths.empty() || !read_set(paths, set, error)) {
        req_message("Load Cases", paths.empty() ? "no files" : error, 0);
        return false;
    }
    forget_case_set();
    shown_set = std::move(set);
    check_cases();
    set_paths = paths;
    results_path = paths.front();
    reset_for_load();
    View.overlays.highlight_member = 0;
    View.overlays.highlight_node = 0;
    View.preset_3d = false;
    View.rotate_horizontal = false;
    put_shown_into_model();
    if (shown_set.cases.front().spatial) {
        planar_model = 0;
        gadget_set_state(ID_3D, 1);
    }
    View.show_deflected = 0;
    View.deflection_scale = TrussModel.deflection_scale;
    View.deflection_scale_text = str_from_float(TrussModel.deflection_scale, 0);
    gadget_set_text(ID_DEFLECTION_SCALE, View.deflection_scale_text);
    show_settings();
    show_read_settings();
    if (planar_model != 0)
        apply_plan_view_preset();
    show_caption();
    refresh_projection(true);
    redraw_view();
    results_window_refresh();
    for (const std::string& warning : shown_set.warnings)
        req_message("Warning", warning, 0);
    return true;
}

std::vector<MenuEntry> case_menu_entries()
{
    if (!case_set_shown())
        return {};
    return {{.label = "Next case", .key = KEY_PAGE_DOWN},
            {.label = "Previous case", .key = KEY_PAGE_UP},
            {.label = "Envelope", .key = 'e', .toggle = true, .checked = envelope},
            {.label = "Compare with..."}};
}

void run_case_menu_entry(int n, int x, int y)
{
    if (!case_set_shown())
        return;
    if (n == 0 || n == 1 || n == 2) {
        case_key(n == 0 ? KEY_PAGE_DOWN : n == 1 ? KEY_PAGE_UP : 'e', 0);
        return;
    }
    if (n != 3)
        return;
    std::vector<MenuEntry> names;
    for (const LoadCase& c : shown_set.cases)
        names.push_back({.label = c.name});
    const int chosen = gadget_popup_menu(ID_CANVAS, x, y, names);
    if (chosen >= 0 && chosen < static_cast<int>(names.size()))
        compare_with_case(chosen);
}

void compare_with_case(int n)
{
    if (!case_set_shown() || n < 0 || n >= static_cast<int>(shown_set.cases.size()))
        return;
    if (envelope)
        View.overlays.show_force_colours = colours_before;
    envelope = false;
    compare_from = n;
    show_in_place();
}

void add_envelope_columns(TableData& members)
{
    if (!case_set_shown() || !envelope)
        return;
    const std::size_t rows = shown_envelope.members.empty() ? 0 : shown_envelope.members.size() - 1;
    const auto add = [&](const char* force_header, const char* case_header, CaseForce MemberEnvelope::*extreme) {
        TableColumn force{.header = force_header, .format = CellFormat::Number, .numbers = {}, .texts = {}};
        TableColumn name{.header = case_header, .format = CellFormat::Text, .numbers = {}, .texts = {}};
        force.numbers.assign(rows, std::numeric_limits<double>::quiet_NaN());
        name.texts.assign(rows, std::string());
        for (std::size_t row = 0; row < rows; ++row) {
            const CaseForce& value = shown_envelope.members[row + 1].*extreme;
            if (value.case_index == NO_CASE)
                continue;
            force.numbers[row] = value.force;
            name.texts[row] = case_at(value.case_index).name;
        }
        members.columns.push_back(std::move(force));
        members.columns.push_back(std::move(name));
    };
    add("Max tension", "Tension case", &MemberEnvelope::tension);
    add("Max compression", "Compression case", &MemberEnvelope::compression);
    if (!shown_envelope.has_utilisation)
        return;
    // The utilisation column shows each member's largest of any case: this one names the case.
    TableColumn name{.header = "Utilisation case", .format = CellFormat::Text, .numbers = {}, .texts = {}};
    name.texts.assign(rows, std::string());
    for (std::size_t row = 0; row < rows; ++row)
        if (const int c = shown_envelope.members[row + 1].utilisation.case_index; c != NO_CASE)
            name.texts[row] = case_at(c).name;
    members.columns.push_back(std::move(name));
}

void forget_case_set()
{
    if (case_set_shown())
        model_loaded();  // the numbers may be the set's
    if (envelope)
        View.overlays.show_force_colours = colours_before;
    shown_set = LoadCaseSet{};
    set_paths.clear();
    shown_case = 0;
    envelope = false;
    compare_from = -1;
    View.legend_caption.clear();
}

bool case_set_shown()
{
    return !shown_set.cases.empty();
}

bool case_key(int key, int modifiers)
{
    if (!step_case_model(key, modifiers))
        return false;
    show_put_case();
    return true;
}

bool step_case_model(int key, int modifiers)
{
    if (!case_set_shown() || (modifiers & (KEY_MOD_CTRL | KEY_MOD_ALT)) != 0)
        return false;
    const int count = static_cast<int>(shown_set.cases.size());
    const bool was_envelope = envelope;
    compare_from = -1;
    if (key == KEY_PAGE_DOWN || key == KEY_PAGE_UP) {
        if (!envelope)
            shown_case = (shown_case + (key == KEY_PAGE_DOWN ? 1 : count - 1)) % count;
        envelope = false;
    } else if (key == 'e' || key == 'E') {
        envelope = !envelope;
    } else {
        return false;
    }
    // The envelope turns the force colours on; leaving it gives the user's switch back.
    if (envelope && !was_envelope)
        colours_before = View.overlays.show_force_colours;
    if (!envelope && was_envelope)
        View.overlays.show_force_colours = colours_before;
    put_shown_into_model();
    return true;
}

void case_checks_changed()
{
    if (!case_set_shown())
        return;
    check_cases();
    put_shown_into_model();
}

bool reload_case_set()
{
    if (!case_set_shown())
        return false;
    LoadCaseSet set;
    std::string error;
    if (!read_set(set_paths, set, error)) {
        set_window_note("Reload failed: " + error);
        return true;
    }
    set_window_note("");
    model_loaded();  // the numbers may be the old set's
    shown_set = std::move(set);
    check_cases();
    shown_case = std::min(shown_case, static_cast<int>(shown_set.cases.size()) - 1);
    if (compare_from >= static_cast<int>(shown_set.cases.size()))
        compare_from = -1;
    show_in_place();
    return true;
}

std::vector<std::string> case_set_files()
{
    if (!case_set_shown())
        return {};
    std::vector<std::string> files = set_paths;
    for (const LoadCase& c : shown_set.cases)
        if (!c.combination && std::find(files.begin(), files.end(), c.path) == files.end())
            files.push_back(c.path);
    return files;
}

// The context menu and the F1 box, both read from the command table.
#include "app/ui/context_menu.h"

#include <algorithm>

#include "app/ui/canvas_view.h"
#include "app/ui/case_view.h"
#include "app/ui/export_commands.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/ui/window_state.h"
#include "app/view/label_placement.h"
#include "app/view/overlays.h"
#include "gui/input.h"
#include "gui/platform.h"
#include "gui/requester.h"

namespace {

std::string key_name(int key, int modifiers)
{
    std::string name;
    if (modifiers & KEY_MOD_CTRL)
        name += "Ctrl+";
    if (modifiers & KEY_MOD_ALT)
        name += "Alt+";
    static constexpr struct {
        int key;
        const char* name;
    } NAMED[] = {{KEY_HOME, "Home"}, {KEY_ESCAPE, "Escape"}, {KEY_F1, "F1"}, {KEY_F5, "F5"},
                 {KEY_LEFT, "Left"}, {KEY_RIGHT, "Right"},   {KEY_UP, "Up"}, {KEY_DOWN, "Down"}};
    for (const auto& named : NAMED) {
        if (named.key == key)
            return name + named.name;
    }
    if (key > ' ' && key < 127)
        return name + static_cast<char>(modifiers != 0 && key >= 'a' && key <= 'z' ? key - 32 : key);
    return name;
}

}  // namespace

void show_context_menu(int x, int y)
{
    std::vector<MenuEntry> entries;
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.control != 0)
            break;  // the controls' commands follow the menu's: entry n is command n
        MenuEntry entry;
        entry.label = command.label;
        entry.key = command.key;
        entry.modifiers = command.modifiers;
        entry.toggle = command.checked != nullptr;
        entry.checked = command.checked != nullptr && command.checked();
        entry.divider = command.divider;
        entries.push_back(entry);
    }
    // With a set of load cases shown, its entries follow the table's.
    const int commands = static_cast<int>(entries.size());
    const std::vector<MenuEntry> cases = case_menu_entries();
    if (!cases.empty()) {
        entries.back().divider = true;
        entries.insert(entries.end(), cases.begin(), cases.end());
    }
    const int chosen = gadget_popup_menu(ID_CANVAS, x, y, entries);
    if (chosen >= 0 && chosen < commands)
        run_viewer_command(viewer_commands()[static_cast<std::size_t>(chosen)]);
    else if (chosen >= commands && chosen < static_cast<int>(entries.size()))
        run_case_menu_entry(chosen - commands, x, y);
}

std::string controls_text()
{
    std::string text =
        "Left drag: turn the model, 0.5 degree a pixel (across: azimuth, up and down: elevation)\n"
        "Shift + left drag, or middle drag: move the model\n"
        "Wheel: zoom by 1.1 a notch about the pointer\n"
        "Pointer over a member or node: its values; click: select it\n"
        "Right click: this list as a menu\n"
        "Drop a results file on the window: open it\n";
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.key != 0)
            text += key_name(command.key, command.modifiers) + ": " + command.label + "\n";
    }
    text +=
        "PageDown, PageUp: the next, the previous load case (with a set of cases)\n"
        "e: the envelope of the load cases on and off (with a set of cases)\n"
        "Escape while a file is read, or its note's Cancel: stop the read\n"
        "In the results window: click a row to select it, Up, Down, PageUp, PageDown move the\n"
        "  selection, a typed member or node number jumps to its row, Escape clears, Ctrl+C copies\n";
    if (!text.empty())
        text.pop_back();
    return text;
}

void show_controls()
{
    show_text_box("Controls", controls_text());
}

ViewerCommand label_filter_choice(int n)
{
    static const char* const LABELS[] = {"Labels: all", "Labels: the 10 largest", "Labels: the 100 largest",
                                         "Labels above a value..."};
    const int choice = std::clamp(n, 0, 3);
    return {.label = LABELS[choice],
            .checked =
                [choice] {
                    const LabelFilter& f = View.overlays.label_filter;
                    return choice == 0   ? f.kind == LabelFilterKind::All
                           : choice == 3 ? f.kind == LabelFilterKind::Above
                                         : f.kind == LabelFilterKind::Largest && f.count == (choice == 1 ? 10 : 100);
                },
            .run = [choice] { choose_label_filter(choice); }};
}

void choose_label_filter(int n)
{
    LabelFilter filter;
    if (n == 1 || n == 2) {
        filter.kind = LabelFilterKind::Largest;
        filter.count = n == 1 ? 10 : 100;
    } else if (n == 3) {
        const LabelFilter& now = View.overlays.label_filter;
        const std::string shown = now.kind == LabelFilterKind::Above ? label_filter_text(now).substr(6) : "";
        const std::optional<std::string> text = platform().ask_text(
            "Label filter", "Draw the labels whose value (force, load, deflection) is above:", shown);
        if (!text)
            return;
        const std::optional<LabelFilter> above = parse_label_filter("above:" + *text);
        if (!above) {
            req_message("Label filter", "\"" + *text + "\" is not a number of 0 or more.", 0);
            return;
        }
        filter = *above;
    } else if (n != 0) {
        return;
    }
    View.overlays.label_filter = filter;
    redraw_view();
}

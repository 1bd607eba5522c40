// The command table of the context menu and the keyboard shortcuts.
//
// State: the table, filled on first use; other parts add their commands with add_viewer_command.
#include "app/ui/context_menu.h"
#include "app/model/model.h"

#include "app/ui/canvas_view.h"
#include "app/ui/export_commands.h"
#include "app/ui/gestures.h"
#include "app/ui/ids.h"
#include "app/ui/reload.h"
#include "app/ui/results_window.h"
#include "app/view/overlays.h"
#include "gui/input.h"

void show_controls();

namespace {

// Flips an overlay switch and redraws.
void flip(bool& flag)
{
    flag = !flag;
    redraw_view();
}

std::vector<ViewerCommand> defaults()
{
    std::vector<ViewerCommand> table;
    table.push_back({"Force colours", 'c', 0, [] { return View.overlays.show_force_colours; },
                     [] { flip(View.overlays.show_force_colours); }, false});
    table.push_back({"Node numbers", 'n', 0, [] { return View.overlays.show_node_numbers; },
                     [] { flip(View.overlays.show_node_numbers); }, false});
    table.push_back({"Reactions", 'r', 0, [] { return View.overlays.show_reactions; },
                     [] { flip(View.overlays.show_reactions); }, false});
    table.push_back({"Largest deflection", 'm', 0, [] { return View.overlays.show_max_deflection; },
                     [] { flip(View.overlays.show_max_deflection); }, true});
    table.push_back({"Results window...", 'r', KEY_MOD_CTRL, nullptr, results_window_show, true});
    table.push_back({"Export picture...", 0, 0, nullptr, export_picture_command, false});
    table.push_back({"Export animation...", 0, 0, nullptr, export_animation_command, false});
    table.push_back({"Export results...", 0, 0, nullptr, export_results_command, true});
    table.push_back({"Fit the model", KEY_HOME, 0, nullptr, fit_model, false});
    table.push_back({"Clear the selection", KEY_ESCAPE, 0, nullptr, clear_selection, true});
    table.push_back({"Reload", KEY_F5, 0, nullptr, reload_file, false});
    table.push_back({"Reload when the file changes", 0, 0, reload_on_change,
                     [] { set_reload_on_change(!reload_on_change()); }, true});
    table.push_back({"Controls...", KEY_F1, 0, nullptr, show_controls, false});
    return table;
}

std::string key_name(int key, int modifiers)
{
    std::string name;
    if (modifiers & KEY_MOD_CTRL)
        name += "Ctrl+";
    if (modifiers & KEY_MOD_ALT)
        name += "Alt+";
    switch (key) {
    case KEY_HOME:
        return name + "Home";
    case KEY_ESCAPE:
        return name + "Escape";
    case KEY_F1:
        return name + "F1";
    case KEY_F5:
        return name + "F5";
    default:
        break;
    }
    if (key > ' ' && key < 127)
        return name + static_cast<char>(modifiers != 0 && key >= 'a' && key <= 'z' ? key - 32 : key);
    return name;
}

}  // namespace

std::vector<ViewerCommand>& viewer_commands()
{
    static std::vector<ViewerCommand> table = defaults();
    return table;
}

void add_viewer_command(const ViewerCommand& command, const std::string& before)
{
    std::vector<ViewerCommand>& table = viewer_commands();
    auto at = table.begin();
    while (at != table.end() && at->label != before)
        ++at;
    table.insert(at, command);
}

bool run_shortcut(int key, int modifiers)
{
    const int wanted = modifiers & (KEY_MOD_CTRL | KEY_MOD_ALT);
    if (key >= 'A' && key <= 'Z')
        key += 'a' - 'A';
    for (const ViewerCommand& command : viewer_commands()) {
        if (command.key != 0 && command.key == key && command.modifiers == wanted && command.run) {
            command.run();
            return true;
        }
    }
    return false;
}

void show_context_menu(int x, int y)
{
    std::vector<MenuEntry> entries;
    for (const ViewerCommand& command : viewer_commands()) {
        MenuEntry entry;
        entry.label = command.label;
        entry.key = command.key;
        entry.modifiers = command.modifiers;
        entry.toggle = command.checked != nullptr;
        entry.checked = command.checked != nullptr && command.checked();
        entry.divider = command.divider;
        entries.push_back(entry);
    }
    const int chosen = gadget_popup_menu(ID_CANVAS, x, y, entries);
    // The table is read again: the chosen entry's command is run only if it is still there.
    if (chosen >= 0 && chosen < static_cast<int>(viewer_commands().size()) && viewer_commands()[chosen].run)
        viewer_commands()[chosen].run();
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
    if (!text.empty())
        text.pop_back();
    return text;
}

void show_controls()
{
    show_text_box("Controls", controls_text());
}

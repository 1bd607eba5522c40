// The FLTK backend's window-level input: keys for shortcuts, dropped files, the popup menu, the
// canvas tooltip and the multi-line text box (a small modal window of its own, centred on the
// program's window like the message box; the close box and Escape answer like OK).
//
// Keys: FLTK offers a key to the focus widget and then to its parents; one that reaches the
// window unused (no control took it) is the program's shortcut unless an edit field has the
// focus. With no focus widget at all FLTK offers it as a shortcut; that is taken the same way.
// Taking it here also keeps Escape from reaching the window callback.
//
// Drops: the window accepts FLTK's drag-and-drop (FL_DND_*) wherever no control wants it; the
// dropped text (a URI list from a file manager) then arrives as FL_PASTE.
//
// Tooltips: Fl_Tooltip::enter_area shows a tip for a rectangle of a widget; it tells texts apart
// by their address, so the text alternates between two buffers (the shown one stays valid).
//
// State: the tooltip buffers.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Tooltip.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <string>

#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

std::string tips[2];  // tooltip texts, used in turn
int tip_index = 0;

int key_modifiers()
{
    return (Fl::event_state(FL_SHIFT) ? KEY_MOD_SHIFT : 0) | (Fl::event_state(FL_ALT) ? KEY_MOD_ALT : 0) |
           (Fl::event_state(FL_CTRL) ? KEY_MOD_CTRL : 0);
}

// True while an edit field of window has the keyboard focus.
bool field_has_focus()
{
    return dynamic_cast<Fl_Input_*>(Fl::focus()) != nullptr;
}

// The key of the current event as gui/input.h codes it (0 for a lone modifier key).
int event_key_code()
{
    const int key = Fl::event_key();
    if (key == FL_Shift_L || key == FL_Shift_R || key == FL_Control_L || key == FL_Control_R || key == FL_Alt_L ||
        key == FL_Alt_R || key == FL_Meta_L || key == FL_Meta_R)
        return 0;
    return key;
}

int fltk_shortcut(const MenuEntry& entry)
{
    if (entry.key == 0)
        return 0;
    return entry.key | ((entry.modifiers & KEY_MOD_CTRL) ? FL_CTRL : 0) |
           ((entry.modifiers & KEY_MOD_ALT) ? FL_ALT : 0);
}

}  // namespace

int RuntimeWindow::handle(int event)
{
    switch (event) {
    case FL_KEYBOARD:
    case FL_SHORTCUT: {
        // The arrow keys move the view rather than the focus between controls (Tab still does).
        const int arrow = Fl::event_key();
        if (event == FL_KEYBOARD && arrow >= FL_Left && arrow <= FL_Down && !field_has_focus()) {
            win_report_key(number, arrow, key_modifiers());
            return 1;
        }
        if (Fl_Window::handle(event))
            return 1;
        // A shortcut with a focus widget has been offered as a key already.
        if (event == FL_SHORTCUT && Fl::focus() != nullptr && Fl::focus()->window() == this)
            return 0;
        const int key = event_key_code();
        if (key == 0 || field_has_focus())
            return 0;
        win_report_key(number, key, key_modifiers());
        return 1;
    }
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
    case FL_DND_RELEASE:
        return 1;
    case FL_PASTE:
        if (Fl::event_text() && Fl::event_length() > 0)
            win_report_drop(number, std::string_view(Fl::event_text(), static_cast<std::size_t>(Fl::event_length())));
        return 1;
    default:
        return Fl_Window::handle(event);
    }
}

int FltkPlatform::popup_menu(std::intptr_t handle, int x, int y, const std::vector<MenuEntry>& entries)
{
    if (!control_kinds.count(handle))
        return -1;
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    std::vector<Fl_Menu_Item> items(entries.size() + 1);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        Fl_Menu_Item& item = items[k];
        item = Fl_Menu_Item{};
        item.label(entries[k].label.c_str());
        item.shortcut(fltk_shortcut(entries[k]));
        int flags = entries[k].toggle ? FL_MENU_TOGGLE : 0;
        if (entries[k].toggle && entries[k].checked)
            flags |= FL_MENU_VALUE;
        if (entries[k].divider)
            flags |= FL_MENU_DIVIDER;
        item.flags = flags;
        item.labelsize(FL_NORMAL_SIZE);
    }
    items.back() = Fl_Menu_Item{};
    // popup() places the menu in the coordinates of the window of the last event.
    const Fl_Menu_Item* chosen = items[0].popup(widget->x() + x, widget->y() + y);
    return chosen ? static_cast<int>(chosen - items.data()) : -1;
}

void FltkPlatform::control_set_tooltip(std::intptr_t handle, std::string_view text, int x, int y)
{
    if (!control_kinds.count(handle))
        return;
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    if (x < 0) {
        widget->copy_tooltip(text.empty() ? nullptr : std::string(text).c_str());
        return;
    }
    if (text.empty()) {
        Fl_Tooltip::enter_area(widget, 0, 0, 0, 0, nullptr);
        return;
    }
    tip_index = 1 - tip_index;
    tips[tip_index] = text;
    // A small area round the pointer: the tip is placed below it.
    Fl_Tooltip::enter_area(widget, widget->x() + x - 4, widget->y() + y - 4, 8, 8, tips[tip_index].c_str());
}

void FltkPlatform::text_box(std::string_view title, std::string_view text)
{
    const std::string lines(text);
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    int text_width = 0, text_height = 0;
    fl_measure(lines.c_str(), text_width, text_height, 0);
    const int width = std::clamp(text_width + 60, 220, std::max(Fl::w() - 40, 220));
    const int height = std::min(text_height + 70, std::max(Fl::h() - 40, 120));

    Fl_Group::current(nullptr);
    Fl_Window box(width, height);
    box.copy_label(std::string(title).c_str());
    box.begin();
    auto* label = new Fl_Box(20, 14, width - 40, height - 60);
    label->copy_label(lines.c_str());
    label->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    label->labelsize(FL_NORMAL_SIZE);
    auto* ok = new Fl_Return_Button((width - 80) / 2, height - 36, 80, 26, "OK");
    ok->callback([](Fl_Widget* button, void*) { button->window()->hide(); });
    box.end();
    box.set_modal();
    if (Fl_Window* owner = Fl::first_window(); owner && owner->shown())
        box.position(owner->x() + (owner->w() - width) / 2, owner->y() + (owner->h() - height) / 2);
    else
        box.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
    box.show();
    while (box.shown())
        Fl::wait();
}

// The FLTK backend's controls: push button, check box (with a drawn third state), option button,
// text label, one-line edit field and the canvas, which blits the runtime's bottom-up BGR picture.
//
// State: the backend's map of control widgets to kinds. Every widget reports to the runtime
// (gui/runtime.h) under the control number kept in its user data. Option buttons are plain
// toggles: the runtime keeps each option run exclusive.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>

#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

int number_of(const Fl_Widget* widget)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(widget->user_data()));
}

void click_callback(Fl_Widget* widget, void*)
{
    gadget_report_click(number_of(widget));
}

void change_callback(Fl_Widget* widget, void*)
{
    gadget_report_string(number_of(widget), STRING_CHANGE);
}

// A check box that can also show a third state (a filled square in its box).
class CheckWidget : public Fl_Check_Button {
public:
    CheckWidget(int x, int y, int w, int h) : Fl_Check_Button(x, y, w, h) {}
    bool third = false;  // shows the third state

    void draw() override
    {
        if (!third) {
            Fl_Check_Button::draw();
            return;
        }
        // The check mark is drawn in the box's own colour, so only the square shows. The value
        // must not be touched here: Fl_Button compares it with the value at the press, and a
        // redraw between press and release would otherwise swallow the click.
        const Fl_Color mark = selection_color();
        selection_color(FL_BACKGROUND2_COLOR);
        Fl_Check_Button::draw();
        selection_color(mark);
        const int size = labelsize();
        const int box_x = x() + Fl::box_dx(box()) + 3;
        const int box_y = y() + (h() - size) / 2;
        fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
        fl_rectf(box_x + 3, box_y + 3, size - 6, size - 6);
    }
};

// A label drawn as plain text ('@' and '&' shown as they are), top-left in its box.
class TextWidget : public Fl_Box {
public:
    TextWidget(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}

    void draw() override
    {
        draw_box();
        fl_font(labelfont(), labelsize());
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        const int dx = Fl::box_dx(box()) + 1;
        fl_draw(label() ? label() : "", x() + dx, y() + Fl::box_dy(box()), w() - 2 * dx, h() - 2 * Fl::box_dy(box()),
                FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP, nullptr, 0);
    }
};

// A one-line edit field that also reports gaining and losing the keyboard focus.
class StringWidget : public Fl_Input {
public:
    StringWidget(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}

    int handle(int event) override
    {
        const int result = Fl_Input::handle(event);
        if (event == FL_FOCUS)
            gadget_report_string(number_of(this), STRING_FOCUS);
        else if (event == FL_UNFOCUS)
            gadget_report_string(number_of(this), STRING_FOCUS_LOST);
        return result;
    }
};

int modifiers()
{
    return (Fl::event_state(FL_SHIFT) ? 1 : 0) | (Fl::event_state(FL_ALT) ? 2 : 0) | (Fl::event_state(FL_CTRL) ? 4 : 0);
}

// Fills buf with w pixels of picture row y from column x, as R, G, B.
void blit_row(void* data, int x, int y, int w, uchar* buf)
{
    const Picture& picture = *static_cast<const Picture*>(data);
    const std::uint8_t* from = picture_row(picture, y) + 3 * x;
    for (int i = 0; i < w; ++i, from += 3, buf += 3) {
        buf[0] = from[2];
        buf[1] = from[1];
        buf[2] = from[0];
    }
}

// The canvas: shows its picture at its top-left corner (white where the picture does not reach)
// and reports mouse, wheel, key and focus input in canvas coordinates.
class CanvasWidget : public Fl_Widget {
public:
    CanvasWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
    const Picture* picture = nullptr;  // owned by the runtime's control record
    std::uint32_t flags = 0;           // creation flags (1 client edge, 4 takes the focus)

    void draw() override
    {
        int inset = 0;
        if (flags & 1) {
            draw_box(FL_DOWN_FRAME, FL_WHITE);
            inset = 2;
        }
        const int cx = x() + inset, cy = y() + inset;
        const int cw = w() - 2 * inset, ch = h() - 2 * inset;
        int pw = 0, ph = 0;
        if (picture && picture->bits_per_pixel == 24 && !picture->bits.empty()) {
            pw = std::min(cw, picture->width);
            ph = std::min(ch, picture->height);
            if (pw > 0 && ph > 0)
                fl_draw_image(blit_row, const_cast<Picture*>(picture), cx, cy, pw, ph, 3);
        }
        fl_color(FL_WHITE);
        if (pw < cw)
            fl_rectf(cx + std::max(pw, 0), cy, cw - std::max(pw, 0), ch);
        if (ph < ch)
            fl_rectf(cx, cy + std::max(ph, 0), std::max(pw, 0), ch - std::max(ph, 0));
    }

    int handle(int event) override
    {
        const int number = number_of(this);
        const int mx = Fl::event_x() - x(), my = Fl::event_y() - y();
        switch (event) {
        case FL_ENTER:
        case FL_MOVE:
        case FL_DRAG:
            canvas_report_move(number, mx, my, modifiers());
            return 1;
        case FL_LEAVE:
            canvas_report_leave(number);
            return 1;
        case FL_PUSH:
        case FL_RELEASE: {
            const int button = Fl::event_button() == FL_LEFT_MOUSE ? 0 : Fl::event_button() == FL_RIGHT_MOUSE ? 1 : 2;
            if (event == FL_PUSH && (flags & 4) && Fl::focus() != this)
                take_focus();
            canvas_report_button(number, button, event == FL_PUSH, event == FL_PUSH && Fl::event_clicks() > 0, mx, my,
                                 modifiers());
            return 1;
        }
        case FL_MOUSEWHEEL:
            canvas_report_wheel(number, -120 * Fl::event_dy(), mx, my, modifiers());
            return 1;
        case FL_FOCUS:
        case FL_UNFOCUS:
            if (!(flags & 4))
                return 0;
            canvas_report_focus(number, event == FL_FOCUS);
            redraw();
            return 1;
        case FL_KEYDOWN:
            if (Fl::focus() != this)
                return 0;
            canvas_report_key(number, CANVAS_KEY_DOWN, Fl::event_key(), 0, modifiers());
            if (Fl::event_length() > 0)
                canvas_report_key(number, CANVAS_CHARACTER, Fl::event_key(),
                                  static_cast<unsigned char>(Fl::event_text()[0]), modifiers());
            return 1;
        case FL_KEYUP:
            if (Fl::focus() != this)
                return 0;
            canvas_report_key(number, CANVAS_KEY_UP, Fl::event_key(), 0, modifiers());
            return 1;
        default:
            return Fl_Widget::handle(event);
        }
    }
};

Fl_Widget* make_widget(const ControlSpec& spec)
{
    const int x = spec.x, y = spec.y, w = std::max(spec.width, 0), h = std::max(spec.height, 0);
    switch (spec.kind) {
    case GADGET_BUTTON: {
        auto* button = new Fl_Button(x, y, w, h);
        button->callback(click_callback);
        return button;
    }
    case GADGET_CHECKBOX: {
        auto* box = new CheckWidget(x, y, w, h);
        box->callback(click_callback);
        return box;
    }
    case GADGET_OPTION: {
        auto* option = new Fl_Round_Button(x, y, w, h);
        option->type(FL_TOGGLE_BUTTON);
        option->callback(click_callback);
        return option;
    }
    case GADGET_TEXT: {
        auto* text = new TextWidget(x, y, w, h);
        if (spec.flags & 0x20000)
            text->box(FL_THIN_DOWN_BOX);
        return text;
    }
    case GADGET_STRING: {
        auto* field = new StringWidget(x, y, w, h);
        field->when(FL_WHEN_CHANGED);
        field->callback(change_callback);
        if (spec.flags & 0x20000)
            field->box(FL_FLAT_BOX);
        return field;
    }
    case GADGET_CANVAS: {
        auto* canvas = new CanvasWidget(x, y, w, h);
        canvas->picture = spec.picture;
        canvas->flags = spec.flags;
        return canvas;
    }
    default:
        return nullptr;
    }
}

}  // namespace

std::intptr_t FltkPlatform::control_create(const ControlSpec& spec)
{
    RuntimeWindow* parent = window(spec.window);
    if (!parent)
        return 0;
    Fl_Group::current(nullptr);
    Fl_Widget* widget = make_widget(spec);
    if (!widget)
        return 0;
    widget->user_data(reinterpret_cast<void*>(static_cast<std::intptr_t>(spec.number)));
    if (spec.kind == GADGET_STRING)
        static_cast<Fl_Input*>(widget)->value(spec.text.c_str());
    else if (spec.kind != GADGET_CANVAS)
        widget->copy_label(spec.text.c_str());
    parent->add(widget);
    widget->redraw();
    const auto handle = reinterpret_cast<std::intptr_t>(widget);
    control_kinds[handle] = spec.kind;
    return handle;
}

void FltkPlatform::control_destroy(std::intptr_t handle)
{
    if (!control_kinds.erase(handle))
        return;
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    if (Fl_Group* parent = widget->parent()) {
        parent->remove(widget);
        parent->redraw();
    }
    delete widget;
}

void FltkPlatform::control_set_text(std::intptr_t handle, std::string_view text)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end() || it->second == GADGET_CANVAS)
        return;
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    const std::string copy(text);
    if (it->second == GADGET_STRING) {
        static_cast<Fl_Input*>(widget)->value(copy.c_str());
    } else {
        widget->copy_label(copy.c_str());
        // A label drawn without a box leaves the old text behind unless the parent repaints.
        if (widget->parent())
            widget->parent()->damage(FL_DAMAGE_ALL, widget->x(), widget->y(), widget->w(), widget->h());
    }
    widget->redraw();
}

std::string FltkPlatform::control_get_text(std::intptr_t handle)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end() || it->second == GADGET_CANVAS)
        return {};
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    const char* text = it->second == GADGET_STRING ? static_cast<Fl_Input*>(widget)->value() : widget->label();
    return text ? text : "";
}

void FltkPlatform::control_set_checked(std::intptr_t handle, int state)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end())
        return;
    if (it->second == GADGET_CHECKBOX) {
        auto* box = reinterpret_cast<CheckWidget*>(handle);
        box->third = state == 2;
        box->value(state != 0);
        box->redraw();
    } else if (it->second == GADGET_OPTION) {
        reinterpret_cast<Fl_Button*>(handle)->value(state != 0);
    }
}

int FltkPlatform::control_get_checked(std::intptr_t handle)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end())
        return 0;
    if (it->second == GADGET_CHECKBOX) {
        auto* box = reinterpret_cast<CheckWidget*>(handle);
        return box->third ? 2 : box->value() ? 1 : 0;
    }
    if (it->second == GADGET_OPTION)
        return reinterpret_cast<Fl_Button*>(handle)->value() ? 1 : 0;
    return 0;
}

void FltkPlatform::control_resize(std::intptr_t handle, int x, int y, int width, int height, const Picture* picture)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end())
        return;
    auto* widget = reinterpret_cast<Fl_Widget*>(handle);
    if (it->second == GADGET_CANVAS)
        static_cast<CanvasWidget*>(widget)->picture = picture;
    widget->resize(x, y, std::max(width, 0), std::max(height, 0));
    if (Fl_Window* window = widget->window())
        window->redraw();
}

void FltkPlatform::canvas_repaint(std::intptr_t handle, const Picture&)
{
    const auto it = control_kinds.find(handle);
    if (it == control_kinds.end() || it->second != GADGET_CANVAS)
        return;
    reinterpret_cast<Fl_Widget*>(handle)->redraw();
    Fl::flush();
    // Wait until the X server has drawn it: whoever reads the screen next (a capture, another
    // program) sees the new picture.
    XSync(fl_display, False);
}

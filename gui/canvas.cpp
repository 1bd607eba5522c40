// The canvas control's drawing output and its input events.
//
// State: the canvas fields of the control records (picture, buttons down, mouse capture, mouse
// inside, wheel remainder). A drawing pass keeps its picture alive even if the control goes.
#include "gui/canvas_output.h"
#include "gui/gadget_record.h"
#include "gui/platform.h"
#include "gui/runtime.h"

namespace {

// The canvas record of number, nullptr when number is no canvas.
ControlRecord* canvas_record(int number)
{
    ControlRecord* record = control_record(number);
    return record && record->kind == GADGET_CANVAS ? record : nullptr;
}

void raise_input(int number, const ControlRecord& record, int type, const CanvasInput& input)
{
    event_raise(EVENT_GADGET, number, record.window, type, EVENT_FLAG_NO_MERGE, &input);
}

CanvasInput input_at(const ControlRecord& record, int x, int y, int modifiers)
{
    CanvasInput input;
    input.x = x;
    input.y = y;
    input.buttons = record.buttons;
    input.modifiers = modifiers;
    return input;
}

}  // namespace

DrawOutput* draw_canvas_output(int number)
{
    ControlRecord* record = canvas_record(number);
    if (!record || !record->picture)
        return nullptr;
    std::shared_ptr<Picture> picture = record->picture;
    return draw_picture_output(picture.get(), [number, picture](bool refresh) {
        if (!refresh)
            return;
        // Repaint only if the control is still the canvas that owns this picture.
        const ControlRecord* now = canvas_record(number);
        if (now && now->picture == picture)
            platform().canvas_repaint(now->handle, *picture);
    });
}

void canvas_report_button(int number, int button, bool down, bool double_click, int x, int y, int modifiers)
{
    ControlRecord* record = canvas_record(number);
    if (!record || button < 0 || button > 2)
        return;
    static constexpr int down_type[] = {CANVAS_LEFT_DOWN, CANVAS_RIGHT_DOWN, CANVAS_MIDDLE_DOWN};
    static constexpr int up_type[] = {CANVAS_LEFT_UP, CANVAS_RIGHT_UP, CANVAS_MIDDLE_UP};
    const int bit = 1 << button;
    if (down) {
        if (record->buttons == 0)
            record->captured = true;
        record->buttons |= bit;
        const CanvasInput input = input_at(*record, x, y, modifiers);
        raise_input(number, *record, down_type[button], input);
        if (double_click && button < 2)
            raise_input(number, *record, button == 0 ? CANVAS_LEFT_DOUBLE_CLICK : CANVAS_RIGHT_DOUBLE_CLICK, input);
        return;
    }
    if (!(record->buttons & bit))
        return;  // an up without its down (pressed elsewhere)
    record->buttons &= ~bit;
    const CanvasInput input = input_at(*record, x, y, modifiers);
    raise_input(number, *record, up_type[button], input);
    const bool over = x >= 0 && y >= 0 && x < record->width && y < record->height;
    if (record->captured && over && button < 2)
        raise_input(number, *record, button == 0 ? CANVAS_LEFT_CLICK : CANVAS_RIGHT_CLICK, input);
    if (record->buttons == 0)
        record->captured = false;
}

void canvas_report_move(int number, int x, int y, int modifiers)
{
    ControlRecord* record = canvas_record(number);
    if (!record)
        return;
    const CanvasInput input = input_at(*record, x, y, modifiers);
    if (!record->inside) {
        record->inside = true;
        raise_input(number, *record, CANVAS_MOUSE_ENTER, input);
    }
    raise_input(number, *record, CANVAS_MOUSE_MOVE, input);
}

void canvas_report_leave(int number)
{
    ControlRecord* record = canvas_record(number);
    if (!record || !record->inside)
        return;
    record->inside = false;
    raise_input(number, *record, CANVAS_MOUSE_LEAVE, input_at(*record, -1, -1, 0));
}

void canvas_report_wheel(int number, int units, int x, int y, int modifiers)
{
    ControlRecord* record = canvas_record(number);
    if (!record)
        return;
    // Whole notches only; the rest waits for the next turn. Kept within one notch, so no overflow.
    const long long total = static_cast<long long>(record->wheel_rest) + units;
    const long long notches = total / 120;
    record->wheel_rest = static_cast<int>(total % 120);
    if (notches == 0)
        return;
    CanvasInput input = input_at(*record, x, y, modifiers);
    input.wheel = static_cast<int>(notches);
    raise_input(number, *record, CANVAS_WHEEL, input);
}

void canvas_report_key(int number, int type, int key, int character, int modifiers)
{
    ControlRecord* record = canvas_record(number);
    if (!record)
        return;
    if (type != CANVAS_KEY_DOWN && type != CANVAS_KEY_UP && type != CANVAS_CHARACTER)
        return;
    if (type == CANVAS_CHARACTER && character < 32)
        return;
    CanvasInput input = input_at(*record, 0, 0, modifiers);
    input.key = key;
    input.character = character;
    raise_input(number, *record, type, input);
}

void canvas_report_focus(int number, bool gained)
{
    ControlRecord* record = canvas_record(number);
    if (!record)
        return;
    raise_input(number, *record, gained ? CANVAS_FOCUS : CANVAS_FOCUS_LOST, input_at(*record, 0, 0, 0));
}

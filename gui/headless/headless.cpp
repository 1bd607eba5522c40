// The headless backend: windows and controls are records, user actions are injected from code,
// requesters answer from a script, and every pause, message box or question is logged instead of
// shown.
//
// State: the window and control records by handle, the keyboard focus, the answer scripts (file
// requesters, questions, popup menus), the capture switch and the logs (messages, questions, file
// requests, menus shown, delays, recorded frames), and the watched paths. The screen is taken as
// 1920 x 1080 for centring; a window left to the platform's placement goes to (0, 0).
#include <algorithm>
#include <deque>
#include <map>

#include "gui/headless/headless.h"
#include "gui/platform.h"
#include "gui/runtime.h"
#include "gui/table_window.h"

namespace {

constexpr int SCREEN_WIDTH = 1920;
constexpr int SCREEN_HEIGHT = 1080;

struct WindowItem {
    int number = 0;
    int x = 0, y = 0, width = 0, height = 0;  // client rectangle on the screen
    std::string title;
    bool visible = true;
    bool minimised = false;
};

struct ControlItem {
    int number = 0;
    int kind = 0;
    std::intptr_t window = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
    int checked = 0;                   // 0, 1 or 2 (third state)
    const Picture* picture = nullptr;  // canvas picture (owned by the runtime)
};

// Writes the pixel at (x, y) of picture as grey level value or as the colour of source's pixel.
void put_pixel(Picture& picture, int x, int y, const std::uint8_t* bgr)
{
    const int bytes = picture.bits_per_pixel / 8;
    std::uint8_t* at = picture_row(picture, y) + x * bytes;
    at[0] = bgr[0];
    at[1] = bgr[1];
    at[2] = bgr[2];
    if (bytes == 4)
        at[3] = 0;
}

class HeadlessPlatform final : public Platform {
public:
    std::map<std::intptr_t, WindowItem> windows;
    std::map<std::intptr_t, ControlItem> controls;
    std::intptr_t next_handle = 0x1000;
    int focused = -1;              // control number holding the keyboard focus
    HeadlessTableWindow table;     // the table window
    std::string clipboard;         // what clipboard_copy put there last
    Picture clipboard_picture;     // what clipboard_copy_picture put there last
    std::vector<Picture> printed;  // every picture print_picture printed
    std::deque<std::string> answers;
    std::deque<bool> question_answers;
    std::deque<std::string> text_answers;     // lines the next text boxes are answered with
    std::vector<HeadlessMessage> text_boxes;  // text boxes shown
    std::vector<HeadlessMessage> messages;
    std::vector<HeadlessMessage> questions;
    bool fail_capture = false;
    std::vector<HeadlessRequest> requests;
    std::vector<int> delays;
    bool record_frames = false;
    std::vector<Picture> frames;
    std::deque<int> menu_answers;                    // indices the next popup menus choose
    std::vector<std::vector<MenuEntry>> menus;       // popup menus shown so far
    std::vector<std::string> watched;                // the watched paths
    bool keep_preferences = false;                   // preferences are stored (else none are kept)
    std::map<std::string, std::string> preferences;  // the stored preferences

    std::intptr_t window_create(const WindowSpec& spec) override
    {
        WindowItem item;
        item.number = spec.number;
        item.width = spec.width;
        item.height = spec.height;
        if (spec.centre) {
            item.x = (SCREEN_WIDTH - spec.width) / 2;
            item.y = (SCREEN_HEIGHT - spec.height) / 2;
        } else if (!spec.default_position) {
            item.x = spec.x;
            item.y = spec.y;
        }
        item.title = spec.title;
        item.visible = spec.visible;
        item.minimised = spec.show == 2;
        const std::intptr_t handle = next_handle++;
        windows[handle] = item;
        return handle;
    }

    void window_destroy(std::intptr_t handle) override { windows.erase(handle); }

    bool window_inner_size(std::intptr_t handle, int& width, int& height) override
    {
        const auto it = windows.find(handle);
        if (it == windows.end())
            return false;
        width = it->second.width;
        height = it->second.height;
        return true;
    }

    std::optional<std::string> preference_get(std::string_view key) override
    {
        const auto it = preferences.find(std::string(key));
        if (!keep_preferences || it == preferences.end())
            return std::nullopt;
        return it->second;
    }

    void preference_set(std::string_view key, std::string_view value) override
    {
        if (keep_preferences)
            preferences[std::string(key)] = std::string(value);
    }

    void preferences_clear() override { preferences.clear(); }

    void window_resize(std::intptr_t handle, int width, int height) override
    {
        if (auto it = windows.find(handle); it != windows.end()) {
            it->second.width = width;
            it->second.height = height;
            win_report_size(it->second.number);
        }
    }

    void window_move(std::intptr_t handle, int x, int y) override
    {
        if (auto it = windows.find(handle); it != windows.end()) {
            it->second.x = x;
            it->second.y = y;
        }
    }

    void control_resize(std::intptr_t handle, int x, int y, int width, int height, const Picture* picture) override
    {
        if (ControlItem* item = control(handle)) {
            item->x = x;
            item->y = y;
            item->width = width;
            item->height = height;
            item->picture = picture;
        }
    }

    void window_set_title(std::intptr_t handle, std::string_view title) override
    {
        if (auto it = windows.find(handle); it != windows.end())
            it->second.title = std::string(title);
    }

    std::intptr_t control_create(const ControlSpec& spec) override
    {
        if (!windows.count(spec.window))
            return 0;
        ControlItem item;
        item.number = spec.number;
        item.kind = spec.kind;
        item.window = spec.window;
        item.x = spec.x;
        item.y = spec.y;
        item.width = spec.width;
        item.height = spec.height;
        item.text = spec.text;
        item.picture = spec.picture;
        const std::intptr_t handle = next_handle++;
        controls[handle] = item;
        return handle;
    }

    void control_destroy(std::intptr_t handle) override
    {
        if (auto it = controls.find(handle); it != controls.end()) {
            if (it->second.number == focused)
                focused = -1;
            controls.erase(it);
        }
    }

    void control_set_text(std::intptr_t handle, std::string_view text) override
    {
        if (ControlItem* item = control(handle))
            item->text = std::string(text);
    }

    std::string control_get_text(std::intptr_t handle) override
    {
        const ControlItem* item = control(handle);
        return item ? item->text : std::string();
    }

    void control_set_checked(std::intptr_t handle, int state) override
    {
        if (ControlItem* item = control(handle))
            item->checked = state;
    }

    int control_get_checked(std::intptr_t handle) override
    {
        const ControlItem* item = control(handle);
        return item ? item->checked : 0;
    }

    void canvas_repaint(std::intptr_t, const Picture& picture) override
    {
        if (record_frames)
            frames.push_back(picture);
    }

    void delay(int milliseconds) override { delays.push_back(milliseconds); }

    int message_box(std::string_view title, std::string_view text, std::uint32_t flags) override
    {
        messages.push_back(HeadlessMessage{std::string(title), std::string(text), flags});
        return 1;
    }

    bool question_box(std::string_view title, std::string_view text) override
    {
        questions.push_back(HeadlessMessage{std::string(title), std::string(text), 0});
        if (question_answers.empty())
            return false;
        const bool yes = question_answers.front();
        question_answers.pop_front();
        return yes;
    }

    bool text_box(std::string_view title, std::string_view prompt, std::string& text) override
    {
        text_boxes.push_back(HeadlessMessage{std::string(title), std::string(prompt), 0});
        if (text_answers.empty())
            return false;
        text = text_answers.front();
        text_answers.pop_front();
        return true;
    }

    std::string file_dialog(const FileDialogSpec& spec) override
    {
        std::string pattern;
        for (const auto& [description, filter] : spec.filters)
            pattern += description + "|" + filter + "|";
        if (!pattern.empty())
            pattern.pop_back();
        requests.push_back(HeadlessRequest{spec.title, spec.folder, spec.name, pattern, spec.save});
        if (answers.empty())
            return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int popup_menu(std::intptr_t, int, int, const std::vector<MenuEntry>& entries) override
    {
        menus.push_back(entries);
        if (menu_answers.empty())
            return -1;
        const int answer = menu_answers.front();
        menu_answers.pop_front();
        return answer;
    }

    void text_box(std::string_view title, std::string_view text) override
    {
        messages.push_back(HeadlessMessage{std::string(title), std::string(text), 0});
    }

    bool watch_files(const std::vector<std::string>& paths) override
    {
        watched = paths;
        return true;
    }

    std::intptr_t find_window(std::string_view caption) override
    {
        for (const auto& [handle, item] : windows)
            if (item.title == caption)
                return handle;
        return 0;
    }

    bool outer_rect(std::intptr_t handle, int& left, int& top, int& right, int& bottom) override
    {
        const auto it = windows.find(handle);
        if (it == windows.end())
            return false;
        left = it->second.x;
        top = it->second.y;
        right = left + it->second.width;
        bottom = top + it->second.height;
        return true;
    }

    void restore(std::intptr_t handle) override
    {
        if (auto it = windows.find(handle); it != windows.end())
            it->second.minimised = false;
    }

    // The client area: the window face in light grey with each canvas picture laid at its place.
    bool capture(std::intptr_t handle, Picture& into) override
    {
        if (fail_capture || !windows.count(handle) || (into.bits_per_pixel != 24 && into.bits_per_pixel != 32))
            return false;
        static constexpr std::uint8_t face[3] = {240, 240, 240};
        for (int y = 0; y < into.height; ++y)
            for (int x = 0; x < into.width; ++x)
                put_pixel(into, x, y, face);
        for (const auto& [control_handle, item] : controls) {
            if (item.window != handle || !item.picture)
                continue;
            const Picture& source = *item.picture;
            for (int y = 0; y < source.height; ++y) {
                const int to_y = item.y + y;
                if (to_y < 0 || to_y >= into.height)
                    continue;
                const std::uint8_t* row = picture_row(source, y);
                for (int x = 0; x < source.width; ++x) {
                    const int to_x = item.x + x;
                    if (to_x >= 0 && to_x < into.width)
                        put_pixel(into, to_x, to_y, row + x * (source.bits_per_pixel / 8));
                }
            }
        }
        return true;
    }

    void table_window_show(TableWindowSpec* spec) override
    {
        table.spec = spec;
        table.open = spec != nullptr;
        ++table.shows;
    }

    void table_window_update() override
    {
        if (table.open)
            ++table.updates;
    }

    void table_window_close() override
    {
        table.spec = nullptr;
        table.open = false;
        table.selected_table = table.selected_row = -1;
    }

    bool table_window_is_open() override { return table.open; }

    void table_window_select(int index, int data_row) override
    {
        if (!table.open)
            return;
        if (data_row < 0) {
            table.selected_table = table.selected_row = -1;
            return;
        }
        if (index < 0 || index >= static_cast<int>(table.spec->tables.size()))
            return;
        table.spec->shown_table = index;
        const bool valid = table_shown_row(table.spec->tables[index], data_row) >= 0;
        table.selected_table = valid ? index : -1;
        table.selected_row = valid ? data_row : -1;
    }

    void clipboard_copy(std::string_view text) override { clipboard = std::string(text); }

    bool clipboard_copy_picture(const Picture& picture) override
    {
        clipboard_picture = picture;
        return true;
    }

    bool print_picture(const Picture& picture) override
    {
        printed.push_back(picture);
        return true;
    }

    std::optional<std::string> ask_text(std::string_view, std::string_view, std::string_view initial) override
    {
        if (text_answers.empty())
            return std::string(initial);
        std::string answer = text_answers.front();
        text_answers.pop_front();
        return answer;
    }

    // The table the user acts on, nullptr when the window is closed or index is out of range.
    TableData* user_table(int index)
    {
        if (!table.open || index < 0 || index >= static_cast<int>(table.spec->tables.size()))
            return nullptr;
        table.spec->shown_table = index;
        return &table.spec->tables[index];
    }

    ControlItem* control(std::intptr_t handle)
    {
        const auto it = controls.find(handle);
        return it == controls.end() ? nullptr : &it->second;
    }
};

HeadlessPlatform& headless()
{
    static HeadlessPlatform instance;
    return instance;
}

}  // namespace

Platform& headless_platform()
{
    return headless();
}

void headless_click(int number)
{
    ControlItem* item = headless().control(gadget_handle(number));
    if (!item)
        return;
    switch (item->kind) {
    case GADGET_CHECKBOX:
        item->checked = item->checked == 1 ? 0 : 1;  // a three-state box is cycled by its kind
        gadget_report_click(number);
        break;
    case GADGET_OPTION:
        item->checked = 1;
        gadget_report_click(number);
        break;
    case GADGET_BUTTON:
        gadget_report_click(number);
        break;
    case GADGET_CANVAS: {
        const int x = item->width / 2, y = item->height / 2;
        canvas_report_move(number, x, y, 0);
        canvas_report_button(number, 0, true, false, x, y, 0);
        canvas_report_button(number, 0, false, false, x, y, 0);
        break;
    }
    default:
        break;
    }
}

void headless_pointer_move(int number, int x, int y, int modifiers)
{
    canvas_report_move(number, x, y, modifiers);
}

void headless_pointer_button(int number, int button, bool down, int x, int y, int modifiers)
{
    canvas_report_button(number, button, down, false, x, y, modifiers);
}

void headless_wheel(int number, int notches, int x, int y, int modifiers)
{
    canvas_report_wheel(number, notches * 120, x, y, modifiers);
}

void headless_drag(int number, int button, int x0, int y0, int x1, int y1, int modifiers)
{
    canvas_report_move(number, x0, y0, modifiers);
    canvas_report_button(number, button, true, false, x0, y0, modifiers);
    canvas_report_move(number, x1, y1, modifiers);
    canvas_report_button(number, button, false, false, x1, y1, modifiers);
}

void headless_key(int window, int key, int modifiers)
{
    HeadlessPlatform& backend = headless();
    const ControlItem* item = backend.control(gadget_handle(backend.focused));
    if (item && item->kind == GADGET_STRING)
        return;  // the edit field takes the key
    win_report_key(window, key, modifiers);
}

void headless_drop(int window, std::string_view list)
{
    win_report_drop(window, list);
}

void headless_menu_answer(int index)
{
    headless().menu_answers.push_back(index);
}

const std::vector<std::vector<MenuEntry>>& headless_menus()
{
    return headless().menus;
}

std::string headless_watched()
{
    return headless().watched.empty() ? std::string() : headless().watched.front();
}

std::vector<std::string> headless_watched_files()
{
    return headless().watched;
}

void headless_file_changed()
{
    if (!headless().watched.empty())
        file_report_changed();
}

void headless_focus(int number, bool gained)
{
    HeadlessPlatform& backend = headless();
    const ControlItem* item = backend.control(gadget_handle(number));
    if (!item || (item->kind != GADGET_STRING && item->kind != GADGET_CANVAS))
        return;
    if (gained == (backend.focused == number))
        return;
    if (gained && backend.focused >= 0)
        headless_focus(backend.focused, false);
    backend.focused = gained ? number : -1;
    if (item->kind == GADGET_STRING)
        gadget_report_string(number, gained ? STRING_FOCUS : STRING_FOCUS_LOST);
    else
        canvas_report_focus(number, gained);
}

void headless_type(int number, std::string_view text)
{
    ControlItem* item = headless().control(gadget_handle(number));
    if (!item || item->kind != GADGET_STRING)
        return;
    item->text = std::string(text);
    gadget_report_string(number, STRING_CHANGE);
}

void headless_close(int number)
{
    if (win_handle(number))
        win_report_close(number);
}

void headless_resize(int number, int width, int height)
{
    headless().window_resize(win_handle(number), width, height);
}

void headless_keep_preferences(bool on)
{
    headless().keep_preferences = on;
    headless().preferences.clear();
}

const std::map<std::string, std::string>& headless_preferences()
{
    return headless().preferences;
}

void headless_expose(int number)
{
    if (win_handle(number))
        win_report_paint(number);
}

void headless_answer(std::string_view path)
{
    headless().answers.emplace_back(path);
}

const std::vector<HeadlessMessage>& headless_messages()
{
    return headless().messages;
}

void headless_answer_question(bool yes)
{
    headless().question_answers.push_back(yes);
}

const std::vector<HeadlessMessage>& headless_text_boxes()
{
    return headless().text_boxes;
}

const std::vector<HeadlessMessage>& headless_questions()
{
    return headless().questions;
}

void headless_fail_capture(bool on)
{
    headless().fail_capture = on;
}

const std::vector<HeadlessRequest>& headless_requests()
{
    return headless().requests;
}

const std::vector<int>& headless_delays()
{
    return headless().delays;
}

void headless_record_frames(bool on)
{
    headless().record_frames = on;
}

const std::vector<Picture>& headless_frames()
{
    return headless().frames;
}

void headless_reset_log()
{
    HeadlessPlatform& backend = headless();
    backend.table = HeadlessTableWindow{};
    backend.clipboard.clear();
    backend.clipboard_picture = Picture{};
    backend.keep_preferences = false;
    backend.preferences.clear();
    backend.printed.clear();
    backend.text_answers.clear();
    backend.messages.clear();
    backend.questions.clear();
    backend.requests.clear();
    backend.delays.clear();
    backend.frames.clear();
    backend.answers.clear();
    backend.question_answers.clear();
    backend.text_answers.clear();
    backend.text_boxes.clear();
    backend.fail_capture = false;
    backend.menus.clear();
    backend.menu_answers.clear();
}

const HeadlessTableWindow& headless_table_window()
{
    return headless().table;
}

void headless_table_header_click(int table, int column)
{
    if (TableData* data = headless().user_table(table))
        table_header_click(*data, column);
}

void headless_table_row_click(int table, int shown_row)
{
    HeadlessPlatform& backend = headless();
    TableData* data = backend.user_table(table);
    if (!data)
        return;
    const int data_row = table_data_row(*data, shown_row);
    if (data_row < 0)
        return;
    backend.table.selected_table = table;
    backend.table.selected_row = data_row;
    if (backend.table.spec->on_select)
        backend.table.spec->on_select(table, data_row);
}

void headless_table_tab(int table)
{
    headless().user_table(table);
}

void headless_table_copy()
{
    HeadlessPlatform& backend = headless();
    if (backend.table.open && backend.table.spec->on_copy)
        backend.table.spec->on_copy(backend.table.spec->shown_table);
}

void headless_table_save()
{
    HeadlessPlatform& backend = headless();
    if (backend.table.open && backend.table.spec->on_save)
        backend.table.spec->on_save(backend.table.spec->shown_table);
}

void headless_table_close()
{
    headless().table_window_close();
}

const std::string& headless_clipboard()
{
    return headless().clipboard;
}

const Picture& headless_clipboard_picture()
{
    return headless().clipboard_picture;
}

const std::vector<Picture>& headless_printed()
{
    return headless().printed;
}

void headless_answer_text(std::string_view text)
{
    headless().text_answers.emplace_back(text);
}

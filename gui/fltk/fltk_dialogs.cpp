// The FLTK backend's modal requesters: small boxes of its own (title, one line of text, an optional
// information icon; OK answered by Return, or Yes and No with No answered by Return) and the file
// chooser.
//
// State: none kept between calls. The file chooser resolves typed relative names against the
// working directory, so the starting folder is made the working directory while it is open and
// the old one is restored afterwards.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "gui/backend.h"
#include "gui/fltk/fltk_platform.h"
#include "gui/requester.h"
#include "gui/working_folder.h"

namespace {

// One line of text drawn as it is ('@' is no symbol here), vertically centred.
class MessageText : public Fl_Box {
public:
    MessageText(int x, int y, int w, int h, std::string text) : Fl_Box(x, y, w, h), text_(text) {}

    void draw() override
    {
        fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
        fl_color(FL_FOREGROUND_COLOR);
        fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
    }

private:
    std::string text_;
};

void hide_window(Fl_Widget* widget, void*)
{
    widget->window() ? widget->window()->hide() : widget->hide();
}

void close_dialog(Fl_Widget* widget, void*)
{
    widget->hide();
}

std::string trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// A pattern as FLTK's chooser reads it: no surrounding spaces, "*.*" as "*" (FLTK's "*.*" misses
// names without a dot), "a;b" lists as "{a,b}".
std::string chooser_pattern(std::string_view pattern)
{
    std::string result;
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t semicolon = pattern.find(';', start);
        std::string part = trim(pattern.substr(start, semicolon - start));
        if (part == "*.*")
            part = "*";
        if (!part.empty())
            parts.push_back(part);
        if (semicolon == std::string_view::npos)
            break;
        start = semicolon + 1;
    }
    if (parts.empty())
        return "*";
    if (parts.size() == 1)
        return parts[0];
    result = '{';
    for (const std::string& part : parts)
        result += part + ",";
    result.back() = '}';
    return result;
}

// A description without its "(...)" parts (they break FLTK's filter list) and without tabs.
std::string chooser_description(std::string_view description)
{
    std::string result;
    int depth = 0;
    for (char c : description) {
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        else if (depth == 0)
            result += c == '\t' || c == '\n' ? ' ' : c;
    }
    return trim(result);
}

// What one button of a box answers: its index, written to the box's answer when it is pressed.
struct BoxButton {
    int index;
    int* answer;
};

void press_box_button(Fl_Widget* widget, void* data)
{
    const auto* button = static_cast<const BoxButton*>(data);
    *button->answer = button->index;
    hide_window(widget, nullptr);
}

constexpr int TITLE_FONT_SIZE = 16;    // about the title bar font of the common window managers
constexpr int TITLE_FRAME_ROOM = 110;  // the frame's icon and buttons beside the title, and a margin

// A small modal box of its own: title, one line of text, an optional information icon and a row
// of 80 x 26 buttons centred below. Button default_index holds the keyboard focus and answers
// Return; the close box and Escape answer close_answer. Centred on the program's first window (on
// the screen without one). Returns the index of the pressed button.
int show_box(std::string_view title, std::string_view text, bool icon, const std::vector<const char*>& labels,
             int default_index, int close_answer)
{
    const std::string line(text);
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    const int text_width = static_cast<int>(fl_width(line.c_str()));
    const int icon_width = icon ? 44 : 0;
    // The window manager writes the title in its own, usually bold and larger, font beside its
    // frame buttons; the box is made wide enough for that too, so the title is not cut.
    const std::string caption(title);
    fl_font(FL_HELVETICA_BOLD, TITLE_FONT_SIZE);
    const int title_width = static_cast<int>(fl_width(caption.c_str())) + TITLE_FRAME_ROOM;
    fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
    const int width = std::clamp(std::max(text_width + icon_width + 40, title_width), 220, std::max(Fl::w() - 40, 220));
    const int height = icon ? 100 : 90;
    constexpr int BUTTON_WIDTH = 80, BUTTON_HEIGHT = 26, BUTTON_GAP = 20;

    Fl_Group::current(nullptr);
    Fl_Window dialog(width, height);
    dialog.copy_label(caption.c_str());
    dialog.begin();
    if (icon) {
        auto* mark = new Fl_Box(16, 14, 32, 32, "i");
        mark->box(FL_OVAL_BOX);
        mark->color(fl_rgb_color(40, 90, 200));
        mark->labelcolor(FL_WHITE);
        mark->labelfont(FL_TIMES_BOLD);
        mark->labelsize(22);
    }
    new MessageText(20 + icon_width, 14, width - 40 - icon_width, 32, line);
    int answer = close_answer;
    const int count = static_cast<int>(labels.size());
    Fl_Button* default_button = nullptr;
    std::vector<BoxButton> buttons;
    buttons.reserve(labels.size());
    const int row_width = count * BUTTON_WIDTH + (count - 1) * BUTTON_GAP;
    for (int i = 0; i < count; ++i) {
        const int x = (width - row_width) / 2 + i * (BUTTON_WIDTH + BUTTON_GAP);
        const int y = height - 36;
        Fl_Button* button = i == default_index ? new Fl_Return_Button(x, y, BUTTON_WIDTH, BUTTON_HEIGHT, labels[i])
                                               : new Fl_Button(x, y, BUTTON_WIDTH, BUTTON_HEIGHT, labels[i]);
        buttons.push_back(BoxButton{i, &answer});
        button->callback(press_box_button, &buttons.back());
        if (i == default_index)
            default_button = button;
    }
    dialog.end();
    dialog.callback(close_dialog);
    dialog.set_modal();
    if (Fl_Window* owner = Fl::first_window(); owner && owner->shown())
        dialog.position(owner->x() + (owner->w() - width) / 2, owner->y() + (owner->h() - height) / 2);
    else
        dialog.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
    dialog.show();
    if (default_button)
        default_button->take_focus();  // Space presses the button Return presses
    while (dialog.shown())
        Fl::wait();
    return answer;
}

std::string working_directory()
{
    char path[PATH_MAX];
    return getcwd(path, sizeof path) ? std::string(path) : std::string();
}

}  // namespace

void gui_fltk_own_dialogs(bool on)
{
    Fl::option(Fl::OPTION_FNFC_USES_GTK, !on);
}

int FltkPlatform::message_box(std::string_view title, std::string_view text, std::uint32_t flags)
{
    show_box(title, text, (flags & REQ_ICON_INFORMATION) != 0, {"OK"}, 0, 0);
    return REQ_OK;
}

bool FltkPlatform::question_box(std::string_view title, std::string_view text)
{
    // No is the default button: a hasty Return keeps the existing file.
    return show_box(title, text, false, {"Yes", "No"}, 1, 1) == 0;
}

bool FltkPlatform::text_box(std::string_view title, std::string_view prompt, std::string& text)
{
    constexpr int width = 420, height = 118, BUTTON_WIDTH = 80, BUTTON_HEIGHT = 26, BUTTON_GAP = 20;
    const std::string caption(title), line(prompt);
    Fl_Window dialog(width, height, caption.c_str());
    new MessageText(16, 10, width - 32, 24, line);
    auto* field = new Fl_Input(16, 38, width - 32, 26);
    field->value(text.c_str());
    int answer = 1;  // Cancel, also for a closed box
    std::vector<BoxButton> buttons;
    buttons.reserve(2);
    const char* labels[2] = {"OK", "Cancel"};
    for (int i = 0; i < 2; ++i) {
        const int x = width - 16 - (2 - i) * BUTTON_WIDTH - (1 - i) * BUTTON_GAP;
        Fl_Button* button = i == 0 ? new Fl_Return_Button(x, height - 36, BUTTON_WIDTH, BUTTON_HEIGHT, labels[i])
                                   : new Fl_Button(x, height - 36, BUTTON_WIDTH, BUTTON_HEIGHT, labels[i]);
        buttons.push_back(BoxButton{i, &answer});
        button->callback(press_box_button, &buttons.back());
    }
    dialog.end();
    dialog.callback(close_dialog);
    dialog.set_modal();
    if (Fl_Window* owner = Fl::first_window(); owner && owner->shown())
        dialog.position(owner->x() + (owner->w() - width) / 2, owner->y() + (owner->h() - height) / 2);
    dialog.show();
    field->take_focus();
    while (dialog.shown())
        Fl::wait();
    if (answer != 0)
        return false;
    text = field->value();
    return true;
}

std::string FltkPlatform::file_dialog(const FileDialogSpec& spec)
{
    Fl_Native_File_Chooser chooser;
    chooser.type(spec.save      ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                 : spec.several ? Fl_Native_File_Chooser::BROWSE_MULTI_FILE
                                : Fl_Native_File_Chooser::BROWSE_FILE);
    chooser.title(spec.title.c_str());
    std::string filter;
    for (const auto& [description, pattern] : spec.filters) {
        const std::string fltk_pattern = chooser_pattern(pattern);
        std::string fltk_description = chooser_description(description);
        if (fltk_description.empty())
            fltk_description = fltk_pattern;
        filter += fltk_description + "\t" + fltk_pattern + "\n";
    }
    if (!filter.empty()) {
        chooser.filter(filter.c_str());
        chooser.filter_value(spec.filter_index);
    }
    // Held by descriptor: a working folder that getcwd cannot name is found again all the same.
    const WorkingFolderKeeper before;
    const std::string folder = spec.folder.empty() ? working_directory() : spec.folder;
    if (!folder.empty()) {
        chooser.directory(folder.c_str());
        // A folder that cannot be entered leaves the working folder as it was.
        if (chdir(folder.c_str()) != 0 && !before.restore())
            return {};
    }
    if (!spec.name.empty())
        chooser.preset_file((folder + "/" + spec.name).c_str());
    fltk_take_close_requests();
    const int result = chooser.show();
    std::string chosen;
    if (result == 0 && chooser.filename() && *chooser.filename())
        chosen = chooser.filename();
    for (int n = 1; result == 0 && spec.several && n < chooser.count(); ++n)
        if (chooser.filename(n) && *chooser.filename(n))
            chosen += std::string("\n") + chooser.filename(n);
    if (!before.restore())
        return {};
    return chosen;
}

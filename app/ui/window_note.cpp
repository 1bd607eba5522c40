// The window's note. State: the note, the caption it was added to, and the width of the note's
// box on the canvas. A note that only changes its text (the megabytes read) is drawn over the old
// one without drawing the picture again, which can take long for a large model.
#include "app/ui/window_note.h"

#include <algorithm>

#include "app/ui/canvas_view.h"
#include "app/ui/ids.h"
#include "app/ui/window_state.h"
#include "core/str.h"
#include "draw/draw.h"
#include "gui/canvas_output.h"
#include "gui/window.h"

namespace {

constexpr int NOTE_MARGIN = 8;        // from the canvas's left and bottom edges, pixels
constexpr int NOTE_LINE_HEIGHT = 15;  // the canvas font's line

constexpr int BUTTON_GAP = 8;  // between the note's text and its button, pixels
constexpr int BUTTON_PAD = 6;  // inside the button, left and right of its label

std::string note;                                  // the note shown
std::string plain_caption;                         // window_title without the note, while one is shown
int box_width = 0;                                 // width of the note's box on the canvas, pixels (0: none drawn)
std::string button_label;                          // the note's button, "" for none
int button_x = 0, button_y = 0, button_width = 0;  // where it was drawn (width 0: not drawn)
const int NOTE_TEXT = draw_rgb(90, 90, 90);
const int NOTE_BACK = draw_rgb(255, 255, 230);
const int BUTTON_BACK = draw_rgb(232, 232, 232);
const int BUTTON_FRAME = draw_rgb(130, 130, 130);

// Draws the note's box (at least as wide as the one it covers) and its text over the canvas.
void draw_note(int covered_width)
{
    if (draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
        return;
    const int y = View.canvas.height - NOTE_MARGIN - NOTE_LINE_HEIGHT;
    const int text_width = draw_text_width(note);
    button_width = button_label.empty() ? 0 : draw_text_width(button_label) + 2 * BUTTON_PAD;
    const int width = text_width + (button_width > 0 ? BUTTON_GAP + button_width : 0);
    box_width = std::max(width, covered_width);
    draw_box(NOTE_MARGIN, y, box_width, NOTE_LINE_HEIGHT, NOTE_BACK);
    draw_text(NOTE_MARGIN, y, note, NOTE_TEXT, NOTE_BACK);
    if (button_width > 0) {
        button_x = NOTE_MARGIN + text_width + BUTTON_GAP;
        button_y = y;
        draw_box(button_x, y, button_width, NOTE_LINE_HEIGHT, BUTTON_BACK);
        draw_mode(DRAW_MODE_OUTLINE);
        draw_box(button_x, y, button_width, NOTE_LINE_HEIGHT, BUTTON_FRAME);
        draw_mode(0);
        draw_text(button_x + BUTTON_PAD, y, button_label, NOTE_TEXT, BUTTON_BACK);
    }
    draw_end();
}

}  // namespace

void set_window_note(const std::string& text)
{
    if (text == note)
        return;
    const bool shown = !note.empty();
    if (!shown)
        plain_caption = window_title;
    note = text;
    if (note.empty())
        button_label.clear();
    window_title = note.empty() ? plain_caption
                                : (plain_caption.empty() ? title_text : plain_caption) + "  [" + note + "]";
    win_set_title(MAIN_WINDOW, window_title.empty() ? title_text : window_title);
    if (shown && !note.empty())
        draw_note(box_width);
    else
        redraw_view();
}

void set_window_note_button(const std::string& label)
{
    button_label = label;
}

bool window_note_button_at(int x, int y)
{
    return !note.empty() && button_width > 0 && x >= button_x && x < button_x + button_width && y >= button_y &&
           y < button_y + NOTE_LINE_HEIGHT;
}

const std::string& window_note()
{
    return note;
}

void draw_window_note()
{
    box_width = 0;
    button_width = 0;
    if (!note.empty())
        draw_note(0);
}

// The window's note. State: the note and the caption it was added to.
#include "app/ui/window_note.h"

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

std::string note;           // the note shown
std::string plain_caption;  // window_title without the note, while one is shown

}  // namespace

void set_window_note(const std::string& text)
{
    if (text == note)
        return;
    if (note.empty())
        plain_caption = window_title;
    note = text;
    window_title = note.empty() ? plain_caption
                                : (plain_caption.empty() ? title_text : plain_caption) + "  [" + note + "]";
    win_set_title(MAIN_WINDOW, window_title.empty() ? title_text : window_title);
    redraw_view();
}

const std::string& window_note()
{
    return note;
}

void draw_window_note()
{
    if (note.empty() || draw_begin(draw_canvas_output(ID_CANVAS)) == 0)
        return;
    const int y = View.canvas.height - NOTE_MARGIN - NOTE_LINE_HEIGHT;
    draw_text(NOTE_MARGIN, y, note, draw_rgb(90, 90, 90), draw_rgb(255, 255, 230));
    draw_end();
}

// The FLTK backend's table window (the viewer's results window): a resizable double-buffered window
// with the heading lines, a tab for each of the first three tables of its TableWindowSpec (an Fl_Table_Row each),
// "Copy" and "Save as CSV...", and the clipboard.
//
// State: the one window (created at the first show, hidden when the user closes it, deleted on
// table_window_close) and the TableWindowSpec it shows. Fl_Table_Row asks for the visible cells only; each is
// formatted as it is drawn from the TableWindowSpec's columns through its order vector (gui/table_window.h),
// so 100,000 rows cost nothing until they scroll into view. A header click sorts that vector and
// keeps the selected member or node selected; a row click, the arrow keys, a typed number (the
// member's or node's) and Escape report the selection to the program.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Table_Row.H>
#include <FL/Fl_Tabs.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/fltk/fltk_platform.h"
#include "gui/table_window.h"

namespace {

constexpr int MARGIN = 8;         // pixels around the window's parts
constexpr int TITLE_HEIGHT = 22;  // the heading's first line, pixels
constexpr int LINE_HEIGHT = 17;   // the heading's other lines, pixels
constexpr int HEADING_LINES = 5;  // lines the heading has room for
constexpr int BUTTON_HEIGHT = 24;
constexpr int TAB_HEIGHT = 24;     // the tab labels' strip
constexpr int TAB_COUNT = 3;       // tabs at most; the third only while the results have a third table
constexpr int ROW_HEIGHT = 18;     // a table row, pixels
constexpr int HEADER_HEIGHT = 22;  // the column headers' row
constexpr int CELL_PAD = 5;        // pixels between a cell's edge and its text
constexpr int ARROW = 9;           // room for the sort arrow in a header
constexpr int FONT_SIZE = 11;
constexpr int MAX_SPREAD = 40;            // pixels a column grows beyond its natural width at most
constexpr Fl_Color STRIPE = 0xF2F4F800;   // every other row's background
constexpr Fl_Color GRID = 0xD8DCE000;     // the lines between cells
constexpr Fl_Color WARNING = 0xC0000000;  // a flagged heading line
constexpr double TYPING_PAUSE = 1.0;      // seconds after a typed digit until the next starts a new number

TableWindowSpec* shown_spec = nullptr;  // what the window shows, nullptr when none

int heading_height()
{
    return MARGIN + TITLE_HEIGHT + (HEADING_LINES - 1) * LINE_HEIGHT + MARGIN / 2;
}

constexpr int MIN_WIDTH = 520;  // the window's smallest client size, pixels

int min_height()
{
    return heading_height() + 160;
}

// The heading lines, drawn as plain text (no '@' symbols, no '&' shortcuts), cut at the right edge.
class HeadingView : public Fl_Widget {
public:
    HeadingView(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}

    void draw() override
    {
        fl_push_clip(x(), y(), w(), h());
        fl_color(FL_BACKGROUND_COLOR);
        fl_rectf(x(), y(), w(), h());
        int baseline = y() + MARGIN;
        if (shown_spec) {
            for (const TableHeadingLine& line : shown_spec->heading) {
                const int height = line.title ? TITLE_HEIGHT : LINE_HEIGHT;
                fl_font(line.title ? FL_HELVETICA_BOLD : FL_HELVETICA, line.title ? 14 : 12);
                fl_color(line.warning ? WARNING : FL_FOREGROUND_COLOR);
                fl_draw(line.text.c_str(), x() + MARGIN, baseline + height - fl_descent() - 3);
                baseline += height;
            }
        }
        fl_pop_clip();
    }
};

// One table of the TableWindowSpec: the cells it asks for are read from spec.tables[index].
class TableView : public Fl_Table_Row {
public:
    TableView(int x, int y, int w, int h, int index) : Fl_Table_Row(x, y, w, h), index(index)
    {
        type(SELECT_SINGLE);
        col_header(1);
        col_header_height(HEADER_HEIGHT);
        row_header(0);
        col_resize(1);
        col_resize_min(24);
        selection_color(0x3070C000);
        when(FL_WHEN_RELEASE);
        end();
    }

    const int index;                  // the table's index in the TableWindowSpec
    std::vector<int> natural_widths;  // each column's width for its header and cells, pixels
    std::string typed;                // the digits typed so far (table_type_digit)

    ~TableView() override { Fl::remove_timeout(forget_typed, this); }

    TableData* data() const
    {
        if (!shown_spec || index >= static_cast<int>(shown_spec->tables.size()))
            return nullptr;
        return &shown_spec->tables[index];
    }

    // Takes the table's rows and columns afresh and sizes every column to its header and cells.
    void refill()
    {
        const TableData* table = data();
        select_all_rows(0);
        // New rows take the last row's height; setting each row's height afterwards would sum
        // every row's height once per row (hours at 100,000 rows).
        if (rows() == 0) {
            rows(1);
            row_height(0, ROW_HEIGHT);
        }
        rows(table ? table_rows(*table) : 0);
        cols(table ? static_cast<int>(table->columns.size()) : 0);
        natural_widths.clear();
        if (!table)
            return;
        fl_font(FL_HELVETICA, FONT_SIZE);
        const int sample = std::min(rows(), 200);
        for (int c = 0; c < cols(); ++c) {
            int width = static_cast<int>(fl_width(table->columns[c].header.c_str())) + 2 * CELL_PAD + ARROW;
            for (int r = 0; r < sample; ++r)
                width = std::max(width,
                                 static_cast<int>(fl_width(table_cell_text(*table, r, c).c_str())) + 2 * CELL_PAD);
            if (table->columns[c].format == CellFormat::Number)
                width = std::max(width, static_cast<int>(fl_width("-8.888E-88")) + 2 * CELL_PAD);
            natural_widths.push_back(width);
        }
        fit_columns();
        redraw();
    }

    // Gives every column its natural width and shares out the room a wider table leaves over, up to
    // MAX_SPREAD each (numbers far from their header read badly).
    void fit_columns()
    {
        const int count = static_cast<int>(natural_widths.size());
        if (count == 0)
            return;
        int total = 0;
        for (const int width : natural_widths)
            total += width;
        const int room = w() - Fl::box_dw(box()) - Fl::scrollbar_size() - total;
        for (int c = 0; c < count; ++c)
            col_width(c, natural_widths[c] + std::clamp(room / count, 0, MAX_SPREAD));
    }

    void resize(int x, int y, int w, int h) override
    {
        Fl_Table_Row::resize(x, y, w, h);
        fit_columns();
    }

    // The shown row now selected, -1 for none.
    int selected_row()
    {
        for (int r = 0; r < rows(); ++r)
            if (row_selected(r) == 1)
                return r;
        return -1;
    }

    // Selects shown row (-1: none) and scrolls it into view.
    void select_shown(int row)
    {
        select_all_rows(0);
        if (row < 0 || row >= rows())
            return;
        select_row(row, 1);
        if (row < toprow || row >= botrow) {
            const int visible = std::max(1, tih / ROW_HEIGHT);
            row_position(std::max(0, row - visible / 2));
        }
    }

    // Tells the program which data row the user selected (-1: none).
    void report(int shown_row)
    {
        const TableData* table = data();
        if (!table || !shown_spec->on_select)
            return;
        shown_spec->on_select(index, shown_row < 0 ? -1 : table_data_row(*table, shown_row));
    }

    // Sorts by column as a header click asks, keeping the selected data row selected.
    void sort_by(int column)
    {
        TableData* table = data();
        if (!table)
            return;
        const int selected = table_data_row(*table, selected_row());
        table_header_click(*table, column);
        select_shown(table_shown_row(*table, selected));
        redraw();
    }

    // Clears the selection and tells the program.
    void clear_selection()
    {
        select_all_rows(0);
        report(-1);
    }

    int handle(int event) override
    {
        // The table takes the keyboard on a click, for the arrow keys.
        if (event == FL_FOCUS || event == FL_UNFOCUS)
            return 1;
        if (event == FL_PUSH && Fl::focus() != this)
            take_focus();
        if (event == FL_KEYBOARD) {
            const int key = Fl::event_key();
            if (key == FL_Escape) {
                clear_selection();
                return 1;
            }
            int step = 0;
            const int page = std::max(1, tih / ROW_HEIGHT - 1);
            if (key == FL_Up)
                step = -1;
            else if (key == FL_Down)
                step = 1;
            else if (key == FL_Page_Up)
                step = -page;
            else if (key == FL_Page_Down)
                step = page;
            if (step != 0 && rows() > 0) {
                const int from = selected_row();
                const int to = std::clamp(from < 0 ? 0 : from + step, 0, rows() - 1);
                select_shown(to);
                report(to);
                return 1;
            }
            if (Fl::event_length() == 1 && data() && !(Fl::event_state() & (FL_CTRL | FL_ALT)))
                return type_digit(Fl::event_text()[0]);
        }
        return Fl_Table_Row::handle(event);
    }

    // A digit typed: jumps to the row of the number typed so far; 0 for a key that is no digit.
    int type_digit(char digit)
    {
        if (digit < '0' || digit > '9')
            return 0;
        Fl::remove_timeout(forget_typed, this);
        Fl::add_timeout(TYPING_PAUSE, forget_typed, this);
        const int row = table_type_digit(*data(), typed, digit);
        if (row >= 0) {
            select_shown(row);
            report(row);
        }
        return 1;
    }

    static void forget_typed(void* view) { static_cast<TableView*>(view)->typed.clear(); }

protected:
    void draw_cell(TableContext context, int row, int col, int x, int y, int w, int h) override
    {
        const TableData* table = data();
        switch (context) {
        case CONTEXT_STARTPAGE:
            fl_font(FL_HELVETICA, FONT_SIZE);
            return;
        case CONTEXT_COL_HEADER: {
            if (!table || col >= static_cast<int>(table->columns.size()))
                return;
            fl_push_clip(x, y, w, h);
            fl_draw_box(FL_THIN_UP_BOX, x, y, w, h, col_header_color());
            fl_font(FL_HELVETICA_BOLD, FONT_SIZE);
            fl_color(FL_FOREGROUND_COLOR);
            const bool sorted = table->sort_column == col;
            // Headers sit where their cells do: numbers at the right, text in the middle; the sort
            // arrow goes on the other side of a number's header.
            const bool text = table->columns[col].format == CellFormat::Text;
            const int arrow = sorted ? ARROW : 0;
            fl_draw(table->columns[col].header.c_str(), x + CELL_PAD + (text ? 0 : arrow), y, w - 2 * CELL_PAD - arrow,
                    h, text ? FL_ALIGN_CENTER : FL_ALIGN_RIGHT, nullptr, 0);
            if (sorted) {
                // A small triangle: pointing up for ascending, down for descending.
                const int cx = text ? x + w - CELL_PAD - 4 : x + CELL_PAD + 4, cy = y + h / 2;
                if (table->descending)
                    fl_polygon(cx - 4, cy - 2, cx + 4, cy - 2, cx, cy + 3);
                else
                    fl_polygon(cx - 4, cy + 2, cx + 4, cy + 2, cx, cy - 3);
            }
            fl_font(FL_HELVETICA, FONT_SIZE);
            fl_pop_clip();
            return;
        }
        case CONTEXT_CELL: {
            if (!table || col >= static_cast<int>(table->columns.size()))
                return;
            fl_push_clip(x, y, w, h);
            const bool selected = row_selected(row) == 1;
            fl_color(selected ? selection_color() : row % 2 ? STRIPE : FL_WHITE);
            fl_rectf(x, y, w, h);
            fl_color(selected ? FL_WHITE : FL_BLACK);
            const CellFormat format = table->columns[col].format;
            fl_draw(table_cell_text(*table, row, col).c_str(), x + CELL_PAD, y, w - 2 * CELL_PAD, h,
                    format == CellFormat::Text ? FL_ALIGN_CENTER : FL_ALIGN_RIGHT, nullptr, 0);
            fl_color(GRID);
            fl_xyline(x, y + h - 1, x + w - 1);
            fl_yxline(x + w - 1, y, y + h - 1);
            fl_pop_clip();
            return;
        }
        default:
            return;
        }
    }
};

class TableWindow : public Fl_Double_Window {
public:
    TableWindow(int w, int h) : Fl_Double_Window(w, h)
    {
        heading = new HeadingView(0, 0, w, heading_height());
        const int tabs_y = heading_height();
        const int tabs_h = h - tabs_y - BUTTON_HEIGHT - 2 * MARGIN;
        tabs = new Fl_Tabs(MARGIN, tabs_y, w - 2 * MARGIN, tabs_h);
        for (int i = 0; i < TAB_COUNT; ++i) {
            auto* page = new Fl_Group(MARGIN, tabs_y + TAB_HEIGHT, w - 2 * MARGIN, tabs_h - TAB_HEIGHT);
            tables[i] = new TableView(MARGIN, tabs_y + TAB_HEIGHT, w - 2 * MARGIN, tabs_h - TAB_HEIGHT, i);
            tables[i]->callback(table_callback);
            page->resizable(tables[i]);
            page->end();
            pages[i] = page;
        }
        tabs->end();
        tabs->remove(pages[2]);  // until a spec has a third table
        tabs->callback(tab_callback);
        tabs->when(FL_WHEN_CHANGED);
        // The buttons keep their size at the right; the hint takes the room a wider window gives.
        const int row_y = h - MARGIN - BUTTON_HEIGHT;
        auto* bar = new Fl_Group(MARGIN, row_y, w - 2 * MARGIN, BUTTON_HEIGHT);
        auto* hint = new Fl_Box(MARGIN, row_y, w - 2 * MARGIN - 200, BUTTON_HEIGHT,
                                "Click a column header to sort by it, again to reverse; click a row to mark it on "
                                "the drawing.");
        hint->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        hint->labelsize(FONT_SIZE);
        hint->labelcolor(fl_darker(FL_GRAY));
        auto* copy = new Fl_Button(w - MARGIN - 190, row_y, 70, BUTTON_HEIGHT, "Copy");
        copy->callback([](Fl_Widget*, void*) {
            if (shown_spec && shown_spec->on_copy)
                shown_spec->on_copy(shown_spec->shown_table);
        });
        copy->tooltip("Copy the table in front, tab-separated with a header row, for a spreadsheet");
        auto* save = new Fl_Button(w - MARGIN - 110, row_y, 110, BUTTON_HEIGHT, "Save as CSV...");
        save->callback([](Fl_Widget*, void*) {
            if (shown_spec && shown_spec->on_save)
                shown_spec->on_save(shown_spec->shown_table);
        });
        bar->resizable(hint);
        bar->end();
        end();
        resizable(tabs);
        size_range(MIN_WIDTH, min_height());
        callback(close_callback);
        xclass("kelvaro");
    }

    ~TableWindow() override
    {
        if (!has_page(2))
            delete pages[2];
    }

    HeadingView* heading;
    Fl_Tabs* tabs;
    Fl_Group* pages[TAB_COUNT];
    TableView* tables[TAB_COUNT];

    bool has_page(int index) const { return tabs->find(pages[index]) < tabs->children(); }

    // The index of the tab in front.
    int front() const
    {
        for (int i = 0; i < TAB_COUNT; ++i)
            if (tabs->value() == pages[i])
                return i;
        return 0;
    }

    // Takes the TableWindowSpec's title, heading and tables afresh.
    void refill()
    {
        copy_label(shown_spec ? shown_spec->title.c_str() : "");
        for (int i = 0; i < TAB_COUNT; ++i) {
            const TableData* table = tables[i]->data();
            pages[i]->copy_label(table ? table->name.c_str() : "");
            tables[i]->refill();
        }
        if (tables[2]->data() && !has_page(2))
            tabs->add(pages[2]);
        else if (!tables[2]->data() && has_page(2))
            tabs->remove(pages[2]);
        show_table(shown_spec ? shown_spec->shown_table : 0);
        heading->redraw();
        tabs->redraw();
    }

    void show_table(int index)
    {
        if (index >= 0 && index < TAB_COUNT && has_page(index))
            tabs->value(pages[index]);
    }

    void resize(int x, int y, int w, int h) override
    {
        Fl_Double_Window::resize(x, y, w, h);
        if (shown_spec) {
            shown_spec->width = w;
            shown_spec->height = h;
        }
    }

    int handle(int event) override
    {
        // Ctrl+C copies the table in front, as "Copy" does; Escape clears its selection.
        if (event == FL_SHORTCUT && Fl::event_key() == 'c' && (Fl::event_state() & FL_CTRL) && shown_spec &&
            shown_spec->on_copy) {
            shown_spec->on_copy(shown_spec->shown_table);
            return 1;
        }
        if (event == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
            tables[front()]->clear_selection();
            return 1;
        }
        // A number typed while no table has the keyboard goes to the table in front, which takes it.
        if (event == FL_SHORTCUT && Fl::event_length() == 1 && !(Fl::event_state() & (FL_CTRL | FL_ALT)) &&
            tables[front()]->data() && tables[front()]->type_digit(Fl::event_text()[0])) {
            tables[front()]->take_focus();
            return 1;
        }
        return Fl_Double_Window::handle(event);
    }

private:
    static void table_callback(Fl_Widget* widget, void*)
    {
        auto* table = static_cast<TableView*>(widget);
        if (Fl::event() != FL_RELEASE || Fl::event_button() != FL_LEFT_MOUSE)
            return;
        const Fl_Table::TableContext context = table->callback_context();
        if (context == Fl_Table::CONTEXT_COL_HEADER)
            table->sort_by(table->callback_col());
        else if (context == Fl_Table::CONTEXT_CELL)
            table->report(table->callback_row());
    }

    static void tab_callback(Fl_Widget* widget, void*)
    {
        auto* tabs = static_cast<Fl_Tabs*>(widget);
        auto* window = static_cast<TableWindow*>(tabs->window());
        if (shown_spec)
            shown_spec->shown_table = window->front();
    }

    // The close box hides the window; Escape (which FLTK also sends here) does not close it.
    static void close_callback(Fl_Widget* widget, void*)
    {
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
            return;
        widget->hide();
    }
};

TableWindow* table_window = nullptr;  // the table window, nullptr until the first show

}  // namespace

void FltkPlatform::table_window_show(TableWindowSpec* spec)
{
    shown_spec = spec;
    if (!table_window) {
        Fl_Group::current(nullptr);
        table_window = new TableWindow(980, 600);
        // The size the user gave it last, no smaller than the window allows.
        if (spec->width > 0 && spec->height > 0)
            table_window->size(std::max(spec->width, MIN_WIDTH), std::max(spec->height, min_height()));
    }
    table_window->refill();
    table_window->show();
}

void FltkPlatform::table_window_update()
{
    if (table_window && table_window->shown())
        table_window->refill();
}

void FltkPlatform::table_window_close()
{
    if (table_window) {
        table_window->hide();
        delete table_window;
        table_window = nullptr;
    }
    shown_spec = nullptr;
}

bool FltkPlatform::table_window_is_open()
{
    return table_window && table_window->shown();
}

void FltkPlatform::table_window_select(int table, int data_row)
{
    if (!table_window || !shown_spec)
        return;
    if (data_row < 0) {
        for (TableView* view : table_window->tables)
            view->select_all_rows(0);
        return;
    }
    if (table < 0 || table >= TAB_COUNT || !table_window->tables[table]->data())
        return;
    shown_spec->shown_table = table;
    table_window->show_table(table);
    table_window->tables[table]->select_shown(table_shown_row(*table_window->tables[table]->data(), data_row));
}

void FltkPlatform::clipboard_copy(std::string_view text)
{
    const std::string copied(text);
    Fl::copy(copied.c_str(), static_cast<int>(copied.size()), 1);
    Fl::copy(copied.c_str(), static_cast<int>(copied.size()), 0);
}

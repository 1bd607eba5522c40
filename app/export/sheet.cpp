// The calculation sheet laid out and painted with cairo on a PDF surface.
//
// The layout is a cursor running down the page: a section asks for the height it needs next and
// breaks to a new page when it does not fit. Every row has a fixed height, so the layout is made
// twice: once without painting to count the pages ("Page i of N" needs N), then painted.
// Numbers are written with 4 significant digits, as the viewer's tooltips show them.
#include "app/export/sheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>

#include <cairo-pdf.h>
#include <cairo.h>

#include "app/export/cairo_surface.h"
#include "app/view/scene.h"
#include "core/atomic_file.h"
#include "draw/sink.h"

namespace {

constexpr double MARGIN = 42.0;              // page margin, points
constexpr double FOOTER_HEIGHT = 20.0;       // the footer's band above the bottom margin, points
constexpr double ROW = 11.5;                 // a table row, points
constexpr double BODY_SIZE = 8.0;            // table and summary text, points
constexpr double HEADING_SIZE = 11.0;        // section headings, points
constexpr double TITLE_SIZE = 15.0;          // the sheet's heading, points
constexpr double PICTURE_SHARE = 0.5;        // the picture takes at most this share of the page's height
constexpr int OVER_LIMIT_LISTED = 40;        // members over the limit named in the summary
constexpr int OVER_LIMIT_COLOUR = 0x0000C0;  // draw_rgb: dark red
constexpr int RULE_COLOUR = 0x808080;
constexpr int SHADE_COLOUR = 0xF2F2F2;
constexpr const char* SHEET_FONT = "DejaVu Sans";

enum class Align { Left, Right };

struct SheetColumn {
    std::string header;
    double share;  // of the content width
    Align align;
};

std::string number(double value)
{
    if (!std::isfinite(value))
        return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string vector_text(const Vec3& v)
{
    return number(v[0]) + ", " + number(v[1]) + ", " + number(v[2]);
}

std::string after(const std::string& text, const std::string& unit)
{
    return unit.empty() ? text : text + " " + unit;
}

// text as cairo takes it: UTF-8 as it is, other bytes (a title written in Windows-1252 or Latin-1)
// read as Windows-1252, as the picture reads them.
std::string utf8_of(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const int length = byte < 0x80           ? 1
                           : (byte >> 5) == 0x6  ? 2
                           : (byte >> 4) == 0xE  ? 3
                           : (byte >> 3) == 0x1E ? 4
                                                 : 0;
        if (length == 0 || at + length > text.size())
            return draw_text_utf8(text);
        for (int n = 1; n < length; ++n)
            if ((static_cast<unsigned char>(text[at + n]) & 0xC0) != 0x80)
                return draw_text_utf8(text);
        at += length;
    }
    return text;
}

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The page cursor and the painting verbs; a null context lays out only.
class Sheet {
public:
    Sheet(cairo_t* context, Paper paper, int page_count, std::string footer)
        : context_(context), page_count_(page_count), footer_(std::move(footer))
    {
        paper_size(paper, page_width_, page_height_);
        y = MARGIN;
    }

    double y = 0;  // the next free line's top, points
    int page = 1;

    double left() const { return MARGIN; }
    double width() const { return page_width_ - 2 * MARGIN; }
    double bottom() const { return page_height_ - MARGIN - FOOTER_HEIGHT; }
    bool painting() const { return context_ != nullptr; }
    cairo_t* context() const { return context_; }

    // A new page unless height fits below the cursor; true when a page was begun.
    bool make_room(double height)
    {
        if (y + height <= bottom())
            return false;
        next_page();
        return true;
    }

    void next_page()
    {
        paint_footer();
        if (context_ != nullptr)
            cairo_show_page(context_);
        ++page;
        y = MARGIN;
    }

    void finish() { paint_footer(); }

    // text with its baseline at (x, baseline); a right-aligned text ends at x. Cut with "..." to
    // room points when longer.
    void text(double x, double baseline, const std::string& text, double size, bool bold, Align align, int colour = 0,
              double room = 0)
    {
        if (context_ == nullptr || text.empty())
            return;
        use_font(size, bold);
        std::string shown = utf8_of(text);
        cairo_text_extents_t extents;
        cairo_text_extents(context_, shown.c_str(), &extents);
        if (room > 0 && extents.x_advance > room) {
            while (!shown.empty() && extents.x_advance > room) {
                shown.pop_back();
                while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80)
                    shown.pop_back();  // never half a UTF-8 sequence
                const std::string cut = shown + "...";
                cairo_text_extents(context_, cut.c_str(), &extents);
            }
            shown += "...";
        }
        cairo_use_colour(context_, colour);
        cairo_move_to(context_, align == Align::Right ? x - extents.x_advance : x, baseline);
        cairo_show_text(context_, shown.c_str());
    }

    void rule(double x1, double y1, double x2, double y2, double width, int colour)
    {
        if (context_ == nullptr)
            return;
        cairo_use_colour(context_, colour);
        cairo_set_line_width(context_, width);
        cairo_move_to(context_, x1, y1);
        cairo_line_to(context_, x2, y2);
        cairo_stroke(context_);
    }

    void shade(double x, double top, double w, double h, int colour)
    {
        if (context_ == nullptr)
            return;
        cairo_use_colour(context_, colour);
        cairo_rectangle(context_, x, top, w, h);
        cairo_fill(context_);
    }

private:
    void use_font(double size, bool bold)
    {
        if (size == font_size_ && bold == font_bold_)
            return;
        cairo_select_font_face(context_, SHEET_FONT, CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(context_, size);
        font_size_ = size;
        font_bold_ = bold;
    }

    void paint_footer()
    {
        const double baseline = page_height_ - MARGIN;
        rule(left(), baseline - 10, left() + width(), baseline - 10, 0.5, RULE_COLOUR);
        const std::string count = "Page " + std::to_string(page) + " of " + std::to_string(page_count_);
        text(left(), baseline, footer_, 7.0, false, Align::Left, 0, width() * 0.75);
        text(left() + width(), baseline, count, 7.0, false, Align::Right);
    }

    cairo_t* context_;
    int page_count_;
    std::string footer_;
    double page_width_ = 0;
    double page_height_ = 0;
    double font_size_ = 0;
    bool font_bold_ = false;
};

void heading(Sheet& sheet, const std::string& text, double room_below)
{
    sheet.make_room(HEADING_SIZE + 8 + room_below);
    sheet.y += 6;
    sheet.text(sheet.left(), sheet.y + HEADING_SIZE, text, HEADING_SIZE, true, Align::Left);
    sheet.y += HEADING_SIZE + 6;
}

// A table of rows rows under title; cells(row, texts, colours) fills one row's texts (and a colour
// per cell, 0 black). The header row comes again at the top of every page the table runs onto.
void table(Sheet& sheet, const std::string& title, const std::vector<SheetColumn>& columns, int rows,
           const std::function<void(int, std::vector<std::string>&, std::vector<int>&)>& cells)
{
    heading(sheet, title, 2 * ROW);
    // One row's texts in their columns: numbers flush right, words 10 points in from the left.
    const auto paint_row = [&sheet, &columns](const std::vector<std::string>& texts, const std::vector<int>& colours,
                                              bool bold) {
        double x = sheet.left();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const double w = columns[c].share * sheet.width();
            const bool right = columns[c].align == Align::Right;
            sheet.text(right ? x + w - 4 : x + 10, sheet.y + ROW - 3, texts[c], BODY_SIZE, bold, columns[c].align,
                       colours[c], right ? w - 6 : w - 14);
            x += w;
        }
        sheet.y += ROW;
    };
    std::vector<std::string> headers;
    for (const SheetColumn& column : columns)
        headers.push_back(column.header);
    std::vector<std::string> texts(columns.size());
    std::vector<int> colours(columns.size());
    const auto header = [&]() {
        paint_row(headers, colours, true);
        sheet.rule(sheet.left(), sheet.y, sheet.left() + sheet.width(), sheet.y, 0.6, 0);
        sheet.y += 1;
    };
    header();
    for (int row = 0; row < rows; ++row) {
        if (sheet.make_room(ROW)) {
            sheet.text(sheet.left(), sheet.y + BODY_SIZE + 2, title + " (continued)", BODY_SIZE, true, Align::Left);
            sheet.y += ROW + 2;
            std::fill(colours.begin(), colours.end(), 0);
            header();
        }
        if (!sheet.painting()) {
            sheet.y += ROW;
            continue;
        }
        std::fill(texts.begin(), texts.end(), std::string());
        std::fill(colours.begin(), colours.end(), 0);
        cells(row, texts, colours);
        if (row % 2 == 1)
            sheet.shade(sheet.left(), sheet.y, sheet.width(), ROW, SHADE_COLOUR);
        paint_row(texts, colours, false);
    }
    sheet.rule(sheet.left(), sheet.y, sheet.left() + sheet.width(), sheet.y, 0.6, 0);
    sheet.y += 4;
}

// Label and value lines, the labels in a column of their own.
void field_lines(Sheet& sheet, const std::vector<TitleField>& fields, double label_width)
{
    for (const TitleField& field : fields) {
        sheet.make_room(ROW);
        sheet.text(sheet.left(), sheet.y + ROW - 3, field.label, BODY_SIZE, true, Align::Left);
        sheet.text(sheet.left() + label_width, sheet.y + ROW - 3, field.value, BODY_SIZE, false, Align::Left, 0,
                   sheet.width() - label_width);
        sheet.y += ROW;
    }
}

// The sheet's heading, the title block in a frame and the picture as the options draw it.
void first_page(Sheet& sheet, const SheetInput& input)
{
    sheet.text(sheet.left(), sheet.y + TITLE_SIZE, "Calculation sheet", TITLE_SIZE, true, Align::Left);
    sheet.y += TITLE_SIZE + 8;
    const std::vector<TitleField> fields = title_block_fields(input.block);
    const double top = sheet.y;
    sheet.y += 3;
    const double inset = 6;
    sheet.rule(sheet.left(), top, sheet.left() + sheet.width(), top, 1.0, 0);
    for (const TitleField& field : fields) {
        sheet.text(sheet.left() + inset, sheet.y + ROW - 3, field.label, BODY_SIZE, true, Align::Left);
        sheet.text(sheet.left() + 90, sheet.y + ROW - 3, field.value, BODY_SIZE, false, Align::Left, 0,
                   sheet.width() - 90 - inset);
        sheet.y += ROW;
    }
    sheet.y += 3;
    sheet.rule(sheet.left(), sheet.y, sheet.left() + sheet.width(), sheet.y, 1.0, 0);
    sheet.y += 10;

    const ViewSettings& settings = *input.settings;
    const double canvas_w = settings.canvas.width, canvas_h = settings.canvas.height;
    if (canvas_w < 1 || canvas_h < 1)
        return;
    const double room = std::min(sheet.bottom() - sheet.y, (sheet.bottom() - MARGIN) * PICTURE_SHARE);
    const double scale = std::min(sheet.width() / canvas_w, room / canvas_h);
    const double w = canvas_w * scale, h = canvas_h * scale;
    const double x = sheet.left() + (sheet.width() - w) / 2;
    if (sheet.painting()) {
        cairo_t* context = sheet.context();
        cairo_save(context);
        cairo_translate(context, x, sheet.y);
        cairo_scale(context, scale, scale);
        cairo_rectangle(context, 0, 0, canvas_w, canvas_h);
        cairo_clip(context);
        CairoSink sink(context);
        render_scene(*input.model, *input.numbers, settings, *input.projection,
                     draw_sink_output(&sink, settings.canvas.width, settings.canvas.height, nullptr));
        cairo_restore(context);
        cairo_set_operator(context, CAIRO_OPERATOR_OVER);
        cairo_use_colour(context, RULE_COLOUR);
        cairo_set_line_width(context, 0.5);
        cairo_rectangle(context, x, sheet.y, w, h);
        cairo_stroke(context);
    }
    sheet.y += h + 6;
}

// The members whose utilisation is above the limit, in member order.
std::vector<int> over_limit(const SheetInput& input)
{
    std::vector<int> members;
    for (std::size_t e = 1; e < input.utilisation.size(); ++e)
        if (input.utilisation[e] > input.utilisation_limit)
            members.push_back(static_cast<int>(e));
    return members;
}

void summary(Sheet& sheet, const SheetInput& input)
{
    const ModelNumbers& numbers = *input.numbers;
    const TitleBlock& block = input.block;
    heading(sheet, "Summary", 4 * ROW);
    std::vector<TitleField> lines;
    if (!numbers.has_results) {
        lines.push_back({"Results", "the file holds no results: geometry only"});
    } else {
        const auto force_line = [&](const Extreme& extreme) -> std::string {
            if (extreme.index == 0)
                return "none";
            return "member " + std::to_string(extreme.index) + ", force " +
                   after(number(extreme.value), block.force_unit);
        };
        lines.push_back({"Largest tension", force_line(numbers.max_tension)});
        lines.push_back({"Largest compression", force_line(numbers.max_compression)});
        lines.push_back(
            {"Largest deflection", numbers.max_deflection.index == 0
                                       ? "none"
                                       : "node " + std::to_string(numbers.max_deflection.index) + ", " +
                                             after(number(numbers.max_deflection.value), block.length_unit)});
        // Sums within a billionth of the total load are rounding and shown as 0.
        const auto cleaned = [&numbers](Vec3 sum) {
            for (double& component : sum)
                if (std::fabs(component) < 1e-9 * numbers.total_load)
                    component = 0;
            return sum;
        };
        lines.push_back({"Sum of loads x, y, z", after(vector_text(cleaned(numbers.load_sum)), block.force_unit)});
        lines.push_back({"Sum of reactions", after(vector_text(cleaned(numbers.reaction_sum)), block.force_unit)});
        char share[64];
        std::snprintf(share, sizeof share, "%.2f %% of the total load", numbers.residual_share * 100.0);
        lines.push_back({"Residual", after(vector_text(numbers.residual), block.force_unit) + " (" + share + ")"});
        lines.push_back({"Equilibrium", numbers.unbalanced ? "NOT in equilibrium: the residual is above 1 % of the load"
                                                           : "in equilibrium (residual within 1 % of the load)"});
    }
    lines.push_back({"Units", units_text(block)});
    lines.push_back({"Case", block.case_name.empty() ? "not named" : block.case_name});
    if (!input.utilisation.empty()) {
        int largest = 0;
        for (std::size_t e = 1; e < input.utilisation.size(); ++e)
            if (largest == 0 || input.utilisation[e] > input.utilisation[largest])
                largest = static_cast<int>(e);
        if (largest != 0)
            lines.push_back({"Largest utilisation", "member " + std::to_string(largest) + ", " +
                                                        number(input.utilisation[largest]) + " (limit " +
                                                        number(input.utilisation_limit) + ")"});
        const std::vector<int> over = over_limit(input);
        std::string list = over.empty() ? "none" : std::to_string(over.size()) + ":";
        for (std::size_t n = 0; n < over.size() && n < OVER_LIMIT_LISTED; ++n) {
            list += ' ';  // a char: GCC 12 -O3 warns for " " + string (-Wrestrict)
            list += std::to_string(over[n]);
        }
        if (over.size() > OVER_LIMIT_LISTED)
            list += " ...";
        lines.push_back({"Members over the limit", list});
    }
    field_lines(sheet, lines, 110);
}

void reactions(Sheet& sheet, const SheetInput& input)
{
    const ModelNumbers& numbers = *input.numbers;
    std::vector<int> supports;
    if (numbers.has_results)
        for (std::size_t i = 1; i < numbers.nodes.size(); ++i)
            if (numbers.nodes[i].restrained)
                supports.push_back(static_cast<int>(i));
    if (supports.empty())
        return;
    const std::string& unit = input.block.force_unit;
    const std::vector<SheetColumn> columns = {{"Node", 0.13, Align::Right},
                                              {header_with_unit("Reaction x", unit), 0.29, Align::Right},
                                              {header_with_unit("Reaction y", unit), 0.29, Align::Right},
                                              {header_with_unit("Reaction z", unit), 0.29, Align::Right}};
    table(sheet, "Support reactions", columns, static_cast<int>(supports.size()),
          [&](int row, std::vector<std::string>& texts, std::vector<int>&) {
              const NodeNumbers& node = numbers.nodes[supports[row]];
              texts[0] = std::to_string(supports[row]);
              for (int k = 0; k < 3; ++k)
                  if (node.restraint[k] == 1)
                      texts[1 + k] = number(node.reaction[k]);
          });
}

void members(Sheet& sheet, const SheetInput& input)
{
    const ModelNumbers& numbers = *input.numbers;
    const TitleBlock& block = input.block;
    const bool utilisation = !input.utilisation.empty();
    std::vector<SheetColumn> columns = {{"Member", 0.10, Align::Right},
                                        {"Node A", 0.09, Align::Right},
                                        {"Node B", 0.09, Align::Right},
                                        {header_with_unit("Length", block.length_unit), 0.14, Align::Right},
                                        {header_with_unit("Stress", block.stress_unit), 0.15, Align::Right},
                                        {header_with_unit("Force", block.force_unit), 0.15, Align::Right},
                                        {"State", 0.15, Align::Left}};
    if (utilisation)
        columns.push_back({"Utilisation", 0.13, Align::Right});
    const bool governing = !input.governing.empty();
    if (governing) {
        // The other columns give up 15 % of their room to the governing case.
        double used = 0;
        for (SheetColumn& column : columns)
            used += column.share *= 0.85;
        columns.push_back({"Case", 1.0 - used, Align::Left});
    }
    const int rows = std::max(0, static_cast<int>(numbers.members.size()) - 1);
    table(sheet, "Members", columns, rows, [&](int row, std::vector<std::string>& texts, std::vector<int>& colours) {
        const int e = row + 1;
        const MemberNumbers& m = numbers.members[e];
        texts[0] = std::to_string(e);
        texts[1] = std::to_string(m.nodes[0]);
        texts[2] = std::to_string(m.nodes[1]);
        if (governing && static_cast<std::size_t>(e) < input.governing.size())
            texts.back() = input.governing[e];
        if (!m.drawable) {
            texts[6] = "no usable ends";
            return;
        }
        texts[3] = number(m.length);
        if (numbers.has_results) {
            texts[4] = number(m.stress);
            texts[5] = number(m.force);
            texts[6] = std::string(member_state_name(m.state));
        }
        if (utilisation && static_cast<std::size_t>(e) < input.utilisation.size()) {
            texts[7] = number(input.utilisation[e]);
            if (input.utilisation[e] > input.utilisation_limit)
                colours[7] = OVER_LIMIT_COLOUR;
        }
    });
}

void nodes(Sheet& sheet, const SheetInput& input)
{
    const ModelNumbers& numbers = *input.numbers;
    const std::string& unit = input.block.length_unit;
    const std::vector<SheetColumn> columns = {{"Node", 0.09, Align::Right},
                                              {header_with_unit("x", unit), 0.13, Align::Right},
                                              {header_with_unit("y", unit), 0.13, Align::Right},
                                              {header_with_unit("z", unit), 0.13, Align::Right},
                                              {header_with_unit("Defl. x", unit), 0.13, Align::Right},
                                              {header_with_unit("Defl. y", unit), 0.13, Align::Right},
                                              {header_with_unit("Defl. z", unit), 0.13, Align::Right},
                                              {header_with_unit("|Defl.|", unit), 0.13, Align::Right}};
    const int rows = std::max(0, static_cast<int>(numbers.nodes.size()) - 1);
    table(sheet, "Nodes", columns, rows, [&](int row, std::vector<std::string>& texts, std::vector<int>&) {
        const NodeNumbers& node = numbers.nodes[row + 1];
        texts[0] = std::to_string(row + 1);
        for (int k = 0; k < 3; ++k)
            texts[1 + k] = number(node.coordinates[k]);
        if (!numbers.has_results)
            return;
        for (int k = 0; k < 3; ++k)
            texts[4 + k] = number(node.deflection[k]);
        texts[7] = number(node.deflection_magnitude);
    });
}

// The whole sheet on context (null: laid out only); the number of pages.
int lay_out(cairo_t* context, const SheetInput& input, int page_count)
{
    // The title last: a long one is cut, never the file name or the date.
    std::string footer = input.block.file_name;
    for (const std::string* part : {&input.block.date, &input.block.title})
        if (!part->empty())
            footer += (footer.empty() ? "" : "  -  ") + *part;
    Sheet sheet(context, input.paper, page_count, footer);
    first_page(sheet, input);
    summary(sheet, input);
    reactions(sheet, input);
    members(sheet, input);
    nodes(sheet, input);
    sheet.finish();
    return sheet.page;
}

}  // namespace

std::optional<Paper> paper_named(std::string_view name)
{
    std::string lower;
    for (const char ch : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower == "a4")
        return Paper::A4;
    if (lower == "letter")
        return Paper::Letter;
    if (lower == "a3")
        return Paper::A3;
    return std::nullopt;
}

std::string paper_list()
{
    return "a4, letter or a3";
}

void paper_size(Paper paper, double& width, double& height)
{
    constexpr double MM = 72.0 / 25.4;
    switch (paper) {
    case Paper::Letter:
        width = 612;
        height = 792;
        return;
    case Paper::A3:
        width = 297 * MM;
        height = 420 * MM;
        return;
    case Paper::A4:
        break;
    }
    width = 210 * MM;
    height = 297 * MM;
}

std::string sheet_pdf(const SheetInput& input, std::string& error)
{
    if (input.model == nullptr || input.numbers == nullptr || input.settings == nullptr ||
        input.projection == nullptr) {
        error = "the sheet has no model to show";
        return {};
    }
    const int pages = lay_out(nullptr, input, 0);
    double width = 0, height = 0;
    paper_size(input.paper, width, height);
    std::string bytes;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append_bytes, &bytes, width, height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, utf8_of(input.block.title).c_str());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "kelvaro");
    cairo_t* context = cairo_create(surface);
    lay_out(context, input, pages);
    cairo_status_t status = cairo_status(context);
    cairo_destroy(context);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("the sheet could not be made: ") + cairo_status_to_string(status);
        return {};
    }
    return bytes;
}

void take_sheet_checks(SheetInput& input, const ModelNumbers& numbers)
{
    input.block.length_unit = numbers.units.length;
    input.block.force_unit = numbers.units.force;
    input.block.stress_unit = numbers.units.stress;
    input.utilisation.clear();
    if (!numbers.has_utilisation)
        return;
    input.utilisation.assign(numbers.members.size(), 0.0);
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        const Utilisation& u = numbers.members[e].utilisation;
        input.utilisation[e] = u.criterion == Criterion::None ? 0.0 : u.value;
    }
}

std::string write_sheet_file(const std::string& path, const SheetInput& input)
{
    std::string error;
    const std::string bytes = sheet_pdf(input, error);
    if (bytes.empty())
        return error;
    if (!write_file_atomically(path, bytes, error))
        return error;
    return "";
}

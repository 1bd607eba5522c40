// The title block's fields and the texts of its units and date, and the title band drawn under an
// exported picture with the drawing verbs (so it lands in a raster, an SVG or a cairo surface alike).
#include "app/export/title_block.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "draw/draw.h"

namespace {

constexpr int BAND_PAD = 4;          // pixels round and between the band's lines
constexpr int BAND_GAP = 16;         // pixels between the second line's fields
constexpr int BAR_TICK = 4;          // the scale bar's end ticks, pixels
constexpr double BAR_LONGEST = 0.2;  // the scale bar takes at most this share of the band's width
const int BAND_TEXT = draw_rgb(0, 0, 0);
const int BAND_BACK = draw_rgb(255, 255, 255);
const int BAND_RULE = draw_rgb(0, 0, 255);

// text cut with "..." to fit room pixels ("" when not even the dots fit).
std::string fitted(const std::string& text, int room)
{
    if (draw_text_width(text) <= room)
        return text;
    std::string cut = text;
    while (!cut.empty() && draw_text_width(cut + "...") > room)
        cut.pop_back();
    return draw_text_width(cut + "...") <= room ? cut + "..." : "";
}

std::string length_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::string units_text(const TitleBlock& block)
{
    std::string text;
    const std::pair<const char*, const std::string*> units[] = {
        {"length", &block.length_unit}, {"force", &block.force_unit}, {"stress", &block.stress_unit}};
    for (const auto& [name, unit] : units) {
        if (unit->empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += std::string(name) + " " + *unit;
    }
    return text.empty() ? "not given in the file" : text;
}

std::vector<TitleField> title_block_fields(const TitleBlock& block)
{
    std::vector<TitleField> fields = {
        {"Title", block.title},
        {"File", block.file_name},
        {"Case", block.case_name.empty() ? "not named" : block.case_name},
        {"Units", units_text(block)},
        {"Date", block.date},
    };
    if (block.magnification > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "magnified %.4g times", block.magnification);
        fields.push_back({"Deflected shape", text});
    }
    return fields;
}

std::string today_text()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

int title_band_height()
{
    return 2 * std::max(draw_text_height(), 1) + 3 * BAND_PAD;
}

double scale_bar_length(double pixels_per_unit, double longest)
{
    if (!(pixels_per_unit > 0) || !(longest > 0) || !std::isfinite(pixels_per_unit))
        return 0;
    const double units = longest / pixels_per_unit;
    double power = std::pow(10.0, std::floor(std::log10(units)));
    for (; power > 0; power /= 10)
        for (const double step : {5.0, 2.0, 1.0})
            if (step * power <= units * (1 + 1e-12))
                return step * power;
    return 0;
}

bool render_title_band(const TitleBlock& block, int top, int width, double pixels_per_unit, DrawOutput* output)
{
    if (draw_begin(output) == 0)
        return false;
    const int line = std::max(draw_text_height(), 1);
    const int height = title_band_height();
    draw_mode(0);
    draw_box(0, top, width, height, BAND_BACK);
    draw_line_xy(0, top, width - 1, top, BAND_RULE);
    draw_mode(DRAW_MODE_TRANSPARENT);
    const int left = BAND_PAD + 2, right = width - BAND_PAD - 2;
    const int first = top + BAND_PAD, second = first + line + BAND_PAD;
    const int date_width = draw_text_width(block.date);
    draw_text(right - date_width, first, block.date, BAND_TEXT, BAND_BACK);
    draw_text(left, first, fitted(block.title, right - date_width - BAND_GAP - left), BAND_TEXT, BAND_BACK);

    int bar_left = right;
    const double bar_units = scale_bar_length(pixels_per_unit, width * BAR_LONGEST);
    if (bar_units > 0) {
        const int bar = static_cast<int>(std::lround(bar_units * pixels_per_unit));
        const std::string label = length_text(bar_units) + " " +
                                  (block.length_unit.empty() ? "length units" : block.length_unit);
        const int label_x = right - draw_text_width(label);
        bar_left = label_x - BAND_PAD - bar;
        const int bar_y = second + line / 2;
        draw_line_xy(bar_left, bar_y, bar_left + bar - 1, bar_y, BAND_TEXT);
        draw_line_xy(bar_left, bar_y - BAR_TICK, bar_left, bar_y + BAR_TICK, BAND_TEXT);
        draw_line_xy(bar_left + bar - 1, bar_y - BAR_TICK, bar_left + bar - 1, bar_y + BAR_TICK, BAND_TEXT);
        draw_text(label_x, second, label, BAND_TEXT, BAND_BACK);
        bar_left -= BAND_GAP;
    }
    // The file name is cut when it must be; a later field is shown whole or not at all.
    int x = left;
    for (const TitleField& field : title_block_fields(block)) {
        if (field.label == "Title" || field.label == "Date")
            continue;
        const std::string whole = field.label + ": " + field.value;
        const std::string text = x == left ? fitted(whole, bar_left - x) : whole;
        if (text.empty() || x + draw_text_width(text) > bar_left)
            break;
        x = draw_text(x, second, text, BAND_TEXT, BAND_BACK) + BAND_GAP;
    }
    draw_end();
    return true;
}

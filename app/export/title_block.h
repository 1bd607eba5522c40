// The title block of an exported picture and of the calculation sheet: what the drawing shows and
// where it came from, as label and value pairs that every output lays out its own way.
#pragma once

#include <string>
#include <vector>

struct DrawOutput;  // draw/draw.h

struct TitleBlock {
    std::string title;         // the results file's first line (the solver's title)
    std::string file_name;     // the results file's name without its folder
    std::string case_name;     // the load case or combination shown; "" when the file names none
    std::string length_unit;   // the model's length unit; "" when unknown
    std::string force_unit;    // "" when unknown
    std::string stress_unit;   // "" when unknown
    std::string date;          // the day the output was made, YYYY-MM-DD
    double magnification = 0;  // how many times the drawn deflected shape exaggerates; 0 when not drawn
};

struct TitleField {
    std::string label;  // "File", "Case", ...
    std::string value;
};

// The fields in the order they are shown: Title, File, Case, Units, Date, and Deflected shape when
// one is drawn. An unknown case reads "not named", unknown units "not given in the file".
std::vector<TitleField> title_block_fields(const TitleBlock& block);
// "length m, force kN, stress MPa" with the units that are known; "not given in the file" for none.
std::string units_text(const TitleBlock& block);
// The local date now as YYYY-MM-DD.
std::string today_text();

// The height in canvas pixels of the title band under a picture, in the font of the current text
// scale: two lines of text with their padding.
int title_band_height();
// The band on output in one pass (begun and ended here), across width canvas pixels from row top
// down: the title and the date on the first line; file, case, units and the deflected shape's
// magnification on the second; with pixels_per_unit > 0 (the plan view's canvas pixels per model
// length unit) a scale bar of a round length at the second line's right. False when output
// cannot be drawn on.
bool render_title_band(const TitleBlock& block, int top, int width, double pixels_per_unit, DrawOutput* output);
// The scale bar's length in model units for pixels_per_unit: the largest 1, 2 or 5 times a power of
// ten that is drawn at most longest pixels long (0 when pixels_per_unit or longest is not positive).
double scale_bar_length(double pixels_per_unit, double longest);

// The results file reader.
//
// Layout of the file, read line by line (a fixed number of lines, never "until the end"):
//   line 1            title, ignored
//   line 2            "<nodes> <elements>": exactly one space between the counts
//   node lines        number fixity2 fixity3 fixity1 x y z load_x load_y load_z (free fields)
//   element lines     number node1 node2 (free fields; end nodes may be written as reals)
//   2 lines           ignored
//   deflection lines  fixed columns 3-14 (x), 16-27 (y), 28-39 (z)
//   2 lines           ignored
//   result lines      trimmed: number, columns 4-16 stress, 18-32 force, last 23 characters shown
// A file's x, y, z go to components 2, 3, 1. Counts, restraint codes and end nodes keep their low
// 8 bits as a signed value (the solver writes at most 127). The model holds 50 nodes and 50
// elements: larger counts are cut down to 50 (the lines are still read so that the sections stay
// in step), element numbers outside 1..50 and end nodes outside 1..node_count are never stored, and
// the user is told once per read what was left out.
//
// Touches: TrussModel, planar_model, results_missing, ViewState.show_deflected, controls ID_3D and
// ID_DEFLECTION_SCALE, file slot RESULTS_FILE.
#include "app/results_reader.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "app/ids.h"
#include "app/model.h"
#include "core/file.h"
#include "core/str.h"
#include "gui/gadget.h"
#include "gui/requester.h"

namespace {

// Extent offsets per component: the float32 values nearest to -1e-6 and +1e-6 for components 1
// and 2, none for component 3.
constexpr float EXTENT_OFFSET[4] = {0.0f, -0.000001f, 0.000001f, 0.0f};

// Free fields: the field is the text before the first space; moving on keeps what follows the
// first space, trimmed of spaces. With no space left the whole text stays, so later fields repeat
// the last. Works on a view of the line (the same result as str_right + str_trim, without copies).
class FieldCursor {
public:
    explicit FieldCursor(std::string_view text) : text_(trim_spaces(text)) {}
    // The current field.
    std::string_view field() const { return text_.substr(0, text_.find(' ')); }
    // The whole remaining text (the current field and everything after it).
    std::string_view rest() const { return text_; }
    // Moves to the next field.
    void advance() {
        std::size_t space = text_.find(' ');
        if (space != std::string_view::npos) text_ = trim_spaces(text_.substr(space + 1));
    }
    // The current field, then moves on.
    std::string_view take() {
        std::string_view current = field();
        advance();
        return current;
    }

private:
    static std::string_view trim_spaces(std::string_view text) {
        std::size_t first = text.find_first_not_of(' ');
        if (first == std::string_view::npos) return {};
        return text.substr(first, text.find_last_not_of(' ') - first + 1);
    }

    std::string_view text_;
};

// Low 8 bits of an integer, read as signed.
std::int8_t low_8_bits(std::int64_t value) { return static_cast<std::int8_t>(value & 0xFF); }

// Low 32 bits of an integer, read as signed.
std::int32_t low_32_bits(std::int64_t value) { return static_cast<std::int32_t>(value & 0xFFFFFFFF); }

// An end node written as a real: rounded half to even, low 8 bits. NaN, infinities and values
// beyond any node number give 0 (no node) instead of an undefined conversion.
std::int8_t end_node_from_real(float value) {
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9f) return 0;
    return low_8_bits(static_cast<std::int64_t>(std::nearbyint(value)));
}

// A trimmed fixed column converted to a real.
float column_real(const std::string& line, int start, int width) {
    return str_to_float(str_trim(str_mid(line, start, width)));
}

// Running maximum of |value|; non-finite values are left out so that one bad number cannot turn
// a scale into 0 or NaN for the whole model.
void keep_largest_magnitude(float& running, float value) {
    float magnitude = std::fabs(value);
    if (std::isfinite(magnitude) && magnitude > running) running = magnitude;
}

// What a read had to leave out, told to the user once at its end.
struct Omissions {
    int node_lines = 0;           // node count as the file gave it, when above 50
    int element_lines = 0;        // element count as the file gave it, when above 50
    int bad_element_numbers = 0;  // element or result lines whose number is outside 1..50
    int bad_end_nodes = 0;        // end nodes outside 1..node_count

    bool any() const {
        return node_lines > 0 || element_lines > 0 || bad_element_numbers > 0 || bad_end_nodes > 0;
    }

    std::string text() const {
        std::string out = "Results file cut down:";
        std::string separator = " ";
        auto add = [&](const std::string& part) {
            out += separator + part;
            separator = ", ";
        };
        if (node_lines > 0)
            add(str_from_float(static_cast<float>(node_lines), 0) + " nodes (first 50 kept)");
        if (element_lines > 0)
            add(str_from_float(static_cast<float>(element_lines), 0) + " elements (50 kept)");
        if (bad_element_numbers > 0)
            add(str_from_float(static_cast<float>(bad_element_numbers), 0) +
                " element numbers outside 1..50 ignored");
        if (bad_end_nodes > 0)
            add(str_from_float(static_cast<float>(bad_end_nodes), 0) + " unknown end nodes ignored");
        return out;
    }
};

// A count from line 2 limited to the model's capacity; counts above it are noted.
std::int8_t capped_count(std::int8_t count, int capacity, int& noted) {
    if (count > capacity) {
        noted = count;
        return static_cast<std::int8_t>(capacity);
    }
    return count;
}

void read_node_line(int i, const std::string& line) {
    FieldCursor fields(line);
    fields.advance();  // the node number: the node is the line's position in the section
    TrussModel.node_fixity[2][i] = low_8_bits(str_to_int(fields.take()));
    TrussModel.node_fixity[3][i] = low_8_bits(str_to_int(fields.take()));
    TrussModel.node_fixity[1][i] = low_8_bits(str_to_int(fields.take()));
    TrussModel.node_coords[2][i] = str_to_float(fields.take());
    TrussModel.node_coords[3][i] = str_to_float(fields.take());
    TrussModel.node_coords[1][i] = str_to_float(fields.take());
    TrussModel.node_loads[2][i] = str_to_float(fields.take());
    TrussModel.node_loads[3][i] = str_to_float(fields.take());
    TrussModel.node_loads[1][i] = str_to_float(fields.take());

    keep_largest_magnitude(TrussModel.max_load, TrussModel.node_loads[2][i]);
    keep_largest_magnitude(TrussModel.max_load, TrussModel.node_loads[3][i]);
    keep_largest_magnitude(TrussModel.max_load, TrussModel.node_loads[1][i]);

    if (TrussModel.node_coords[1][i] != 0.0f) {
        planar_model = 0;
        gadget_set_state(ID_3D, 1);
    }

    for (int k = 1; k <= 3; ++k) {
        float v = TrussModel.node_coords[k][i];
        if (!std::isfinite(v)) continue;  // cannot be placed; must not drag the centre to infinity
        if (v > TrussModel.coord_max[k]) {
            TrussModel.coord_max[k] = v + EXTENT_OFFSET[k];
        } else if (v < TrussModel.coord_min[k]) {
            TrussModel.coord_min[k] = v;
        }
    }
}

void read_element_line(const std::string& line, Omissions& omissions) {
    FieldCursor fields(line);
    // An empty line (a file that ends early) addresses no element; say nothing about it.
    if (fields.rest().empty()) return;
    std::int32_t e = low_32_bits(str_to_int(fields.field()));
    fields.advance();
    std::int8_t first = end_node_from_real(str_to_float(fields.rest()));
    fields.advance();
    std::int8_t second = end_node_from_real(str_to_float(fields.rest()));

    if (e < 1 || e > MAX_ELEMENTS) {
        ++omissions.bad_element_numbers;
        return;
    }
    std::int8_t ends[2] = {first, second};
    for (int j = 1; j <= 2; ++j) {
        std::int8_t node = ends[j - 1];
        if (node < 1 || node > TrussModel.node_count) {
            ++omissions.bad_end_nodes;
            node = 0;  // no node: the element is not drawn
        }
        TrussModel.element_nodes[e][j] = node;
    }
}

void read_deflection_line(int i, const std::string& line) {
    TrussModel.node_deflections[2][i] = column_real(line, 3, 12);
    TrussModel.node_deflections[3][i] = column_real(line, 16, 12);
    TrussModel.node_deflections[1][i] = column_real(line, 28, 12);
    keep_largest_magnitude(TrussModel.max_deflection, TrussModel.node_deflections[2][i]);
    keep_largest_magnitude(TrussModel.max_deflection, TrussModel.node_deflections[3][i]);
    keep_largest_magnitude(TrussModel.max_deflection, TrussModel.node_deflections[1][i]);
}

void read_result_line(const std::string& raw, Omissions& omissions) {
    std::string line = str_trim(raw);
    std::int32_t e = low_32_bits(str_to_int(str_field(line, 1, " ")));
    if (e < 1 || e > MAX_ELEMENTS) {
        // An empty line (a file that ends early) addresses no element; say nothing about it.
        if (!line.empty()) ++omissions.bad_element_numbers;
        return;
    }
    TrussModel.element_stress[e] = column_real(line, 4, 13);
    TrussModel.element_force[e] = column_real(line, 18, 15);
    TrussModel.element_result_text[e] = str_right(line, 23);
}

void skip_lines(int n) {
    for (int i = 0; i < n; ++i) file_read_line(RESULTS_FILE);
}

// Closes the file and tells the user what had to be left out, then the read's failure (if any).
void finish(const Omissions& omissions, const char* title, const char* text) {
    file_close(RESULTS_FILE);
    if (omissions.any()) req_message("Warning", omissions.text(), 0);
    if (title != nullptr) req_message(title, text, 0);
}

}  // namespace

void read_results() {
    Omissions omissions;

    file_read_line(RESULTS_FILE);  // title line
    std::string counts = file_read_line(RESULTS_FILE);
    std::int8_t node_lines = low_8_bits(str_to_int(str_field(counts, 1, " ")));
    std::int8_t element_lines = low_8_bits(str_to_int(str_field(counts, 2, " ")));
    TrussModel.node_count = capped_count(node_lines, MAX_NODES, omissions.node_lines);
    TrussModel.element_count = capped_count(element_lines, MAX_ELEMENTS, omissions.element_lines);

    for (int i = 1; i <= node_lines; ++i) {
        std::string line = file_read_line(RESULTS_FILE);
        if (i <= TrussModel.node_count) read_node_line(i, line);
    }

    for (int k = 1; k <= 3; ++k) {
        TrussModel.model_centre[k] = (TrussModel.coord_max[k] + TrussModel.coord_min[k]) / 2.0f;
    }
    for (int i = 1; i <= TrussModel.node_count; ++i) {
        for (int k = 1; k <= 3; ++k) TrussModel.node_coords[k][i] -= TrussModel.model_centre[k];
    }
    // Every load zero: the scale is infinite, but only non-zero loads are ever drawn with it.
    TrussModel.load_scale = TrussModel.max_load > 0.0f ? 100.0f / TrussModel.max_load
                                                       : std::numeric_limits<float>::infinity();

    for (int n = 1; n <= element_lines; ++n) read_element_line(file_read_line(RESULTS_FILE), omissions);

    if (file_eof(RESULTS_FILE) != 0) {
        ViewState.show_deflected = 0;
        results_missing = 1;
        finish(omissions, "No Results", "Truss Solver Results not found");
        return;
    }
    TrussModel.deflection_scale = 0.0f;
    ViewState.show_deflected = 0;

    skip_lines(2);
    for (int i = 1; i <= node_lines; ++i) {
        std::string line = file_read_line(RESULTS_FILE);
        if (i <= TrussModel.node_count) read_deflection_line(i, line);
    }

    if (TrussModel.max_deflection * TrussModel.deflection_factor == 0.0f) {
        results_missing = 1;
        finish(omissions, "Error in Results", "Error in reading Truss Solver Results");
        return;
    }
    TrussModel.deflection_scale = (25.0f / TrussModel.max_deflection) * TrussModel.deflection_factor;
    gadget_set_text(ID_DEFLECTION_SCALE, str_from_float(TrussModel.deflection_scale, 0));

    skip_lines(2);
    for (int n = 1; n <= element_lines; ++n) read_result_line(file_read_line(RESULTS_FILE), omissions);

    finish(omissions, nullptr, nullptr);
}

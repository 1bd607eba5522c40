// The results file reader.
//
// Layout of the file, read line by line (a fixed number of lines, never "until the end"):
//   line 1            title (kept as title_line; nothing drawn uses it)
//   line 2            "<nodes> <elements>": exactly one space between the counts
//   node lines        number fixity2 fixity3 fixity1 x y z load_x load_y load_z (free fields)
//   element lines     number node1 node2 (free fields; end nodes may be written as reals)
//   2 lines           ignored
//   deflection lines  fixed columns 3-14 (x), 16-27 (y), 28-39 (z) after a node number of up to
//                     2 characters; after a longer number, the three values as free fields
//   2 lines           ignored
//   result lines      trimmed: number, columns 4-16 stress, 18-32 force after a number of up to 3
//                     characters, free fields after a longer one; last 23 characters shown
// A file's x, y, z go to components 2, 3, 1. Counts and end nodes are full integers; restraint
// codes keep their low 8 bits as a signed value. The model holds up to 10,000,000 nodes and
// elements: larger counts are cut down (the lines are still read so that the sections stay in
// step). Element numbers outside 1..max(50, element_count) and end nodes outside 1..node_count are
// never stored, and the user is told once per read what was left out.
//
// Memory follows the lines the file really has, never its declared counts: the records grow as
// lines arrive, and a section stops at the end of the file (every later line would read as "").
// A count above 50 that the file cannot fill ends where its lines end; up to 50, the missing lines
// read as empty ones, all zero.
//
// Whatever the reader had to guess is a problem in the outcome, with its line: a section that ends
// before its count, a field that is absent, not a number or not finite (the value is then marked
// missing in the model, which keeps what was read in its place), a negative count, a line numbered
// out of step, a repeated or missing member number, an end node outside the nodes, a NUL or other
// control byte, nodes that all lie at one point. The boxes the user is shown stay as they were.
//
// The reader touches only the model it is given and its line source; what the window makes of the
// outcome (boxes, the "3D" tick, the scale field) is the window's.
#include "app/model/results_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/model/field_number.h"
#include "app/model/line_source.h"
#include "app/model/plain_lines.h"
#include "app/model/read_problems.h"
#include "app/model/truss_model.h"
#include "core/str.h"

namespace {

// Extent offsets per component: the float32 values nearest to -1e-6 and +1e-6 for components 1
// and 2, none for component 3.
constexpr float EXTENT_OFFSET[4] = {0.0f, -0.000001f, 0.000001f, 0.0f};

constexpr int LEGACY_ENTRIES = MIN_ENTRIES - 1;  // nodes and elements that always have an entry (50)

std::string_view trim_view(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Up to width characters from 1-based position start, "" past the end (as str_mid).
std::string_view mid_view(std::string_view text, int start, int width)
{
    std::size_t from = static_cast<std::size_t>(std::max(start, 1) - 1);
    if (from >= text.size() || width < 0)
        return {};
    return text.substr(from, static_cast<std::size_t>(width));
}

// Low 8 bits of an integer, read as signed.
std::int8_t low_8_bits(std::int64_t value)
{
    return static_cast<std::int8_t>(value & 0xFF);
}

// Low 32 bits of an integer, read as signed.
std::int32_t low_32_bits(std::int64_t value)
{
    return static_cast<std::int32_t>(value & 0xFFFFFFFF);
}

// A count from line 2 as a full integer. A decimal number too long for 64 bits counts as the
// largest (or, with a minus sign, the smallest) 64-bit value instead of wrapping round.
std::int64_t count_from_field(std::string_view field)
{
    std::size_t i = field.find_first_not_of(" \t");
    if (i == std::string_view::npos)
        return 0;
    bool negative = field[i] == '-';
    if (field[i] == '-' || field[i] == '+')
        ++i;
    while (i < field.size() && field[i] == '0')
        ++i;
    std::size_t digits = 0;
    while (i + digits < field.size() && field[i + digits] >= '0' && field[i + digits] <= '9')
        ++digits;
    if (digits > 18)
        return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    return str_to_int(field);
}

// The decimal number at the start of a count field as written (blanks skipped, at most 40
// characters), to quote it in a message; "" when it is not written in decimal digits.
std::string written_count(std::string_view field)
{
    std::size_t first = field.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    std::size_t end = first + (field[first] == '-' || field[first] == '+' ? 1 : 0);
    while (end < field.size() && field[end] >= '0' && field[end] <= '9' && end - first < 40)
        ++end;
    std::string_view number = field.substr(first, end - first);
    if (number.empty() || number.back() < '0' || number.back() > '9')
        return {};
    return std::string(number);
}

// True when the text before the line's first space is a number of at least min_length digits:
// too long for the fixed columns, so the values follow as free fields.
bool long_leading_number(std::string_view line, std::size_t min_length)
{
    std::string_view number = line.substr(0, line.find(' '));
    if (number.size() < min_length)
        return false;
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string count_text(std::int64_t value)
{
    return std::to_string(value);
}

// A piece of a problem text: a text, or a whole number written in decimal.
class TextPiece {
public:
    TextPiece(std::string_view text) : text_(text) {}
    TextPiece(const char* text) : text_(text) {}
    TextPiece(const std::string& text) : text_(text) {}
    TextPiece(std::int64_t number)
        : digits_size_(static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, number).ptr - digits_))
    {
    }
    std::string_view view() const { return digits_size_ > 0 ? std::string_view(digits_, digits_size_) : text_; }

private:
    std::string_view text_;
    char digits_[24] = {};
    std::size_t digits_size_ = 0;
};

// The pieces one after the other, made in one allocation (a problem text of a line of garbage is
// made for every line: its temporaries would cost more than the rest of the read).
std::string text_of(std::initializer_list<TextPiece> pieces)
{
    std::size_t size = 0;
    for (const TextPiece& piece : pieces)
        size += piece.view().size();
    std::string out(size, '\0');
    char* at = out.data();
    for (const TextPiece& piece : pieces) {
        const std::string_view text = piece.view();
        if (!text.empty())
            at = std::copy(text.begin(), text.end(), at);
    }
    return out;
}

// What a read had to leave out, told to the user once at its end.
struct Omissions {
    std::int64_t node_lines = 0;                         // node count as the file gave it, when more than were kept
    std::int64_t element_lines = 0;                      // element count as the file gave it, when more than were kept
    std::string node_lines_text;                         // the node count as written in the file
    std::string element_lines_text;                      // the element count as written in the file
    std::int64_t node_lines_present = -1;                // node lines the file has, when it ends before the count
    std::int64_t element_lines_present = -1;             // element lines the file has, when it ends before the count
    std::int32_t nodes_kept = 0;                         // node_count after the cut
    std::int32_t elements_kept = 0;                      // element_count after the cut
    std::int64_t element_number_limit = LEGACY_ENTRIES;  // highest element number with an entry
    std::int64_t bad_element_numbers = 0;                // element or result lines whose number has no entry
    std::int64_t bad_end_nodes = 0;                      // end nodes outside 1..node_count

    bool any() const { return node_lines > 0 || element_lines > 0 || bad_element_numbers > 0 || bad_end_nodes > 0; }

    std::string text() const
    {
        std::string out = "Results file cut down:";
        std::string separator = " ";
        auto add = [&](const std::string& part) {
            out += separator + part;
            separator = ", ";
        };
        auto cut = [&](std::int64_t declared, const std::string& written, std::int64_t present, std::int32_t kept,
                       const char* what, const char* kept_text) {
            if (declared <= 0)
                return;
            const std::string count = written.empty() ? count_text(declared) : written;
            if (present >= 0) {
                add(count + " " + what + " declared but the file ends after " + count_text(present));
            } else {
                add(count + " " + what + kept_text + count_text(kept) + " kept)");
            }
        };
        cut(node_lines, node_lines_text, node_lines_present, nodes_kept, "nodes", " (first ");
        cut(element_lines, element_lines_text, element_lines_present, elements_kept, "elements", " (");
        if (bad_element_numbers > 0)
            add(count_text(bad_element_numbers) + " element numbers outside 1.." + count_text(element_number_limit) +
                " ignored");
        if (bad_end_nodes > 0)
            add(count_text(bad_end_nodes) + " unknown end nodes ignored");
        return out;
    }
};

constexpr std::size_t SHORTEST_ELEMENT_LINE = 6;  // "1 2 3" and its line end
constexpr std::size_t SHORTEST_NODE_LINE = 20;    // "1 0 0 0 0 0 0 0 0 0" and its line end

// One element line as read, stored once the section's length is known.
struct ElementLine {
    std::int32_t number;    // element number (low 32 bits)
    std::int32_t position;  // the line's place in the section, 1..
    std::int32_t first;     // end node 1 as read (an end node written as a real is at most 1e9)
    std::int32_t second;    // end node 2 as read
};

// The plain lines of a section read where the source holds them, without taking them out one by
// one: each line's end is found as it is read.
class HeldLines {
public:
    // Reads the held lines from the source's next one on while parse(bytes) (bytes: the line and
    // the held bytes after it, up to a line end) gives the line's end, which must be a LF or CR;
    // take() then keeps what parse found. Stops before the first line that is not plain, ends at a
    // NUL, or whose line end may not be held; the source passes over the lines read. Gives how many
    // there were.
    template <typename Parse, typename Take>
    std::int64_t read(LineSource& source, Parse&& parse, Take&& take)
    {
        const std::string_view held = source.held_rest();
        if (held.empty())
            return 0;
        const char* const first = held.data();
        const char* const held_end = first + held.size();
        if (!(stop_ > first && stop_ <= held_end && ends_line(stop_[-1]))) {
            stop_ = held_end;  // just after the last line end held
            while (stop_ > first && !ends_line(stop_[-1]))
                --stop_;
        }
        const char* at = first;
        std::int64_t count = 0;
        while (at < stop_) {
            const char* const end = parse(std::string_view(at, static_cast<std::size_t>(stop_ - at)));
            if (end == nullptr || *end == '\0' || end + 1 == held_end)
                break;
            take();
            at = end + (*end == '\r' && end[1] == '\n' ? 2 : 1);
            ++count;
        }
        if (count > 0)
            source.skip_held(static_cast<std::size_t>(at - first));
        return count;
    }

private:
    const char* stop_ = nullptr;  // just after a held line end: every line that starts before it ends before it
};

// The source's lines, counted from 1, each checked for a NUL that ended it early and (after the
// title) for control bytes.
class CountedLines {
public:
    // number: the lines read before the source's first one.
    CountedLines(LineSource& source, ProblemList& problems, std::int64_t number = 0)
        : source_(source), problems_(problems), number_(number)
    {
    }

    // The next line, as a view that holds until the next read.
    std::string_view read()
    {
        const std::string_view line = read_unchecked();
        check_control(line);
        return line;
    }
    // The next line of a section; false when the source has ended (every later line would read
    // as "" too, so a section may stop there). An empty last line counts as the end. The line is
    // not yet checked for control bytes: a plain line has none, any other one is to be checked
    // (check_control) before it is read.
    bool next(std::string_view& line)
    {
        line = read_unchecked();
        return !(line.empty() && source_.at_end());
    }
    // Reads the plain lines the source holds from the next one on, as HeldLines::read does.
    template <typename Parse, typename Take>
    void read_held(Parse&& parse, Take&& take)
    {
        number_ += held_.read(source_, parse, take);
    }
    // Counts a line read elsewhere, which a NUL ended when nul_ended.
    void count(bool nul_ended)
    {
        ++number_;
        if (nul_ended)
            add_nul_problem();
    }
    // Finds a control byte in the line last read (after the title).
    void check_control(std::string_view line)
    {
        if (number_ <= 1)
            return;
        const int control = first_control_byte(line);
        if (control >= 0)
            problems_.add(number_, [control] {
                return "control byte " + quoted_field(std::string(1, static_cast<char>(control))) + " in the line";
            });
    }
    // True when the line's end follows it in the source's bytes (asked without reading on, which
    // could move the bytes line views).
    bool ends_in_place(std::string_view line) const { return source_.holds_after(line); }
    bool at_end() { return source_.at_end(); }
    // How many lines of at least `shortest` bytes (with their line ends) the source's held bytes
    // have room for; at least a few thousand.
    std::int64_t most_held_lines(std::size_t shortest)
    {
        constexpr std::int64_t FEW = 4096;
        return std::max(FEW, held_lines(shortest));
    }
    // How many lines of at least `shortest` bytes the source's held bytes have room for.
    std::int64_t held_lines(std::size_t shortest)
    {
        return static_cast<std::int64_t>(source_.held_rest().size() / shortest);
    }
    std::int64_t number() const { return number_; }  // the line last read
    // Passes over the first bytes of the source's held bytes, whose lines were read elsewhere up to line number.
    void pass(std::size_t bytes, std::int64_t number)
    {
        source_.skip_held(bytes);
        number_ = number;
    }
    // True the first time only: where the file ended is said once, not again for every later section.
    bool first_end()
    {
        const bool first = !ended_;
        ended_ = true;
        return first;
    }

private:
    // The next line, checked for a NUL that ended it early.
    std::string_view read_unchecked()
    {
        const std::string_view line = source_.next_line();
        ++number_;
        if (source_.ended_by_nul())
            add_nul_problem();
        return line;
    }

    void add_nul_problem()
    {
        problems_.add(number_, [] {
            return std::string_view("a NUL byte ends the line early; the lines after it are out of step");
        });
    }

    LineSource& source_;
    ProblemList& problems_;
    std::int64_t number_ = 0;
    bool ended_ = false;
    HeldLines held_;
};

// The values a section finds missing: marked in the model at once, or, for the part of a section
// read beside another, kept to be marked once both are read (marking may grow the model's record).
class MissingMarks {
public:
    explicit MissingMarks(TrussModelData& m, bool keep) : m_(m), keep_(keep) {}
    void node(int i, std::uint16_t bits)
    {
        if (keep_)
            kept_.push_back({i, bits});
        else
            mark_node_missing(m_, i, bits);
    }
    void mark_kept()
    {
        for (const auto& [i, bits] : kept_)
            mark_node_missing(m_, i, bits);
        kept_.clear();
    }

private:
    TrussModelData& m_;
    bool keep_;
    std::vector<std::pair<int, std::uint16_t>> kept_;
};

// Splits text at runs of spaces into at most max fields; returns how many there were (max when more).
std::size_t split_fields(std::string_view text, std::string_view* fields, std::size_t max)
{
    std::size_t count = 0;
    std::size_t i = text.find_first_not_of(' ');
    while (i != std::string_view::npos && count < max) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        fields[count++] = text.substr(i, end - i);
        i = text.find_first_not_of(' ', end);
    }
    return count;
}

// Checks a real value's field (absent when !present); false, with a problem, when the value is not
// usable: absent, not a number or not finite.
bool check_real(ProblemList& problems, std::int64_t at, bool present, std::string_view field, FieldReal real,
                const char* kind, std::int64_t number, const char* name)
{
    if (!present || field.empty()) {
        problems.add(at, [&] { return text_of({kind, " ", number, ": ", name, " is missing"}); });
        return false;
    }
    if (!real.decimal) {
        problems.add(at, [&] {
            return text_of({kind, " ", number, ": ", name, " is not a number: ", quoted_field(field)});
        });
        return false;
    }
    if (!std::isfinite(real.value)) {
        problems.add(at, [&] {
            return text_of({kind, " ", number, ": ", name, " is not finite: ", quoted_field(field)});
        });
        return false;
    }
    return true;
}

// Checks the first `wanted` of fields (the line's fields after its number) with valid: each one
// absent or not valid is a problem, named by names[j].
void check_fields(ProblemList& problems, std::int64_t at, std::span<const std::string_view> fields, std::size_t wanted,
                  bool (*valid)(std::string_view), const char* failure, const char* kind, std::int64_t number,
                  const char* const* names)
{
    for (std::size_t j = 0; j < wanted; ++j) {
        if (j < fields.size() && valid(fields[j]))
            continue;
        problems.add(at, [&] {
            if (j < fields.size())
                return text_of({kind, " ", number, ": ", names[j], failure, quoted_field(fields[j])});
            return text_of({kind, " ", number, ": ", names[j], " is missing"});
        });
    }
}

// Checks that a line's number field is the number its place in the section expects.
void check_line_number(ProblemList& problems, std::int64_t at, std::string_view field, std::int64_t expected,
                       const char* kind)
{
    if (is_decimal_integer(field) && str_to_int(field) == expected)
        return;
    problems.add(at, [&] {
        return text_of({"the line of ", kind, " ", expected, " is numbered ", quoted_field(field)});
    });
}

// "7, 9, 12 and 297 more": the first of numbers, then how many are left.
std::string listed_numbers(const std::vector<std::int32_t>& numbers, std::int64_t count)
{
    constexpr std::size_t SHOWN = 10;
    std::string out;
    for (std::size_t k = 0; k < numbers.size() && k < SHOWN; ++k)
        out += (k == 0 ? "" : ", ") + std::to_string(numbers[k]);
    if (count > static_cast<std::int64_t>(SHOWN))
        out += " and " + std::to_string(count - static_cast<std::int64_t>(SHOWN)) + " more";
    return out;
}

// Members 1..count that no line gave (seen[e] == 0), as one problem: "no member lines for ...".
template <typename OnMissing>
void note_unseen(ProblemList& problems, const std::vector<std::uint8_t>& seen, std::int32_t count, const char* what,
                 OnMissing&& on_missing)
{
    std::vector<std::int32_t> shown;
    std::int64_t missing = 0;
    for (std::int32_t e = 1; e <= count; ++e) {
        if (static_cast<std::size_t>(e) < seen.size() && seen[e])
            continue;
        on_missing(e);
        if (++missing <= 10)
            shown.push_back(e);
    }
    if (missing > 0)
        problems.add(0, [&] { return std::string(what) + " " + listed_numbers(shown, missing); });
}

// Grows the node records so that node i has an entry: doubling, never past limit.
void make_room_for_node(TrussModelData& m, std::int32_t i, std::int32_t limit)
{
    if (static_cast<std::size_t>(i) < m.node_coords[1].size())
        return;
    size_node_records(m, static_cast<int>(std::min<std::int64_t>(limit, 2LL * i)));
}

constexpr int MODEL_COMPONENT[3] = {2, 3, 1};  // model component of the file's x, y, z
constexpr const char* RESTRAINT_NAMES[3] = {"x restraint code", "y restraint code", "z restraint code"};
constexpr const char* COORDINATE_NAMES[3] = {"x coordinate", "y coordinate", "z coordinate"};
constexpr const char* LOAD_NAMES[3] = {"x load", "y load", "z load"};
constexpr const char* DEFLECTION_NAMES[3] = {"x deflection", "y deflection", "z deflection"};

// Field j of a line split into count fields, read as free fields are: past the last field the last
// one repeats ("" when the line has none).
std::string_view free_field(const std::string_view* fields, std::size_t count, std::size_t j)
{
    return count == 0 ? std::string_view() : fields[std::min(j, count - 1)];
}

// Stores node i's restraint codes, coordinates and loads.
void store_node(TrussModelData& m, int i, const PlainNodeLine& values)
{
    for (std::size_t j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        m.node_fixity[k][i] = values.restraints[j];
        m.node_coords[k][i] = values.coords[j];
        m.node_loads[k][i] = values.loads[j];
    }
}

// Takes nodes 1..count as stored into the extents and the largest load, in node order (an
// extent's upper end follows each larger coordinate, so the order counts); true when a node has a
// non-zero component 1 (the model is spatial).
bool take_extents(TrussModelData& m, std::int64_t count)
{
    bool spatial = false;
    for (int i = 1; i <= count; ++i) {
        for (int k = 1; k <= 3; ++k)
            keep_largest_magnitude(m.max_load, m.node_loads[k][i]);
        for (int k = 1; k <= 3; ++k) {
            float v = m.node_coords[k][i];
            if (!std::isfinite(v))
                continue;  // cannot be placed; must not drag the centre to infinity
            if (v > m.coord_max[k]) {
                m.coord_max[k] = v + EXTENT_OFFSET[k];
            } else if (v < m.coord_min[k]) {
                m.coord_min[k] = v;
            }
        }
        spatial = spatial || m.node_coords[1][i] != 0.0f;
    }
    return spatial;
}

// Node line i, read at line `at`: its restraint codes, coordinates and loads, and what is wrong
// with its fields.
void read_node_line(TrussModelData& m, int i, std::string_view line, std::int64_t at, ProblemList& problems,
                    MissingMarks& marks)
{
    constexpr std::size_t FIELDS = 10;
    std::string_view fields[FIELDS + 1];
    const std::size_t count = split_fields(line, fields, FIELDS + 1);
    // The first field, the node number, is not read: the node is the line's position in the section.
    PlainNodeLine values;
    for (std::size_t j = 0; j < 3; ++j)
        values.restraints[j] = low_8_bits(str_to_int(free_field(fields, count, 1 + j)));
    FieldReal coords[3];
    FieldReal loads[3];
    for (std::size_t j = 0; j < 3; ++j) {
        coords[j] = read_real_field(free_field(fields, count, 4 + j));
        loads[j] = read_real_field(free_field(fields, count, 7 + j));
        values.coords[j] = coords[j].value;
        values.loads[j] = loads[j].value;
    }
    store_node(m, i, values);

    if (count == 0) {
        problems.add(at, [&] { return text_of({"the line of node ", i, " is empty"}); });
        marks.node(i, MISSING_ALL_COMPONENTS * MISSING_POSITION | MISSING_ALL_COMPONENTS * MISSING_LOAD);
        return;
    }
    check_line_number(problems, at, fields[0], i, "node");
    check_fields(problems, at, {fields + 1, count - 1}, 3, is_decimal_integer, " is not a whole number: ", "node", i,
                 RESTRAINT_NAMES);
    for (std::size_t j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        if (!check_real(problems, at, 4 + j < count, fields[4 + j], coords[j], "node", i, COORDINATE_NAMES[j]))
            marks.node(i, static_cast<std::uint16_t>(MISSING_POSITION << (k - 1)));
    }
    for (std::size_t j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        if (!check_real(problems, at, 7 + j < count, fields[7 + j], loads[j], "node", i, LOAD_NAMES[j]))
            marks.node(i, static_cast<std::uint16_t>(MISSING_LOAD << (k - 1)));
    }
    if (count > FIELDS)
        problems.add(at, [&] {
            return text_of({"node ", i, ": text after the z load: ", quoted_field(fields[FIELDS])});
        });
}

// An element line read at line `at`: its number and end nodes (stored once the section's length is
// known) and what is wrong with its fields; false for an empty line (a file that ends early),
// which addresses no element.
bool read_element_line(std::string_view line, std::int64_t at, ProblemList& problems, ElementLine& out)
{
    std::string_view fields[4];
    const std::size_t count = split_fields(line, fields, 4);
    if (count == 0) {
        problems.add(at, [] { return std::string_view("an empty line among the member lines"); });
        return false;
    }
    out.number = low_32_bits(str_to_int(fields[0]));
    // An end node is the number at the start of the line's rest from its field on.
    const std::string_view trimmed = trim_view(line);
    const auto rest = [&](std::size_t j) {
        return trimmed.substr(static_cast<std::size_t>(free_field(fields, count, j).data() - trimmed.data()));
    };
    out.first = end_node_from_real(leading_real(rest(1)));
    out.second = end_node_from_real(leading_real(rest(2)));

    const std::int64_t number = out.number;
    if (!is_decimal_integer(fields[0]))
        problems.add(at, [&] { return "a member number that is not a whole number: " + quoted_field(fields[0]); });
    static constexpr const char* END_NAMES[2] = {"end node 1", "end node 2"};
    check_fields(problems, at, {fields + 1, count - 1}, 2, is_decimal_real, " is not a number: ", "member", number,
                 END_NAMES);
    if (count > 3)
        problems.add(at, [&] {
            return text_of({"member ", number, ": text after end node 2: ", quoted_field(fields[3])});
        });
    return true;
}

// Stores an element line read at line `at`, whatever is wrong with it; seen marks the element
// numbers already stored.
[[gnu::noinline]] void store_any_element(TrussModelData& m, const ElementLine& line, Omissions& omissions,
                                         std::int64_t at, ProblemList& problems, std::vector<std::uint8_t>& seen)
{
    std::int32_t e = line.number;
    if (e < 1 || e > omissions.element_number_limit) {
        ++omissions.bad_element_numbers;
        problems.add(at, [&] {
            return text_of({"member number ", e, " is outside 1..", omissions.element_number_limit});
        });
        return;
    }
    if (seen[static_cast<std::size_t>(e)])
        problems.add(at, [&] {
            return text_of({"member ", e, " is listed again; this line replaces the earlier one"});
        });
    seen[static_cast<std::size_t>(e)] = 1;
    const std::int64_t ends[2] = {line.first, line.second};
    for (int j = 1; j <= 2; ++j) {
        std::int64_t node = ends[j - 1];
        if (node < 1 || node > m.node_count) {
            ++omissions.bad_end_nodes;
            problems.add(at, [&] {
                return text_of(
                    {"member ", e, ": end node ", node, " is not one of the nodes 1..", std::max(m.node_count, 0)});
            });
            node = 0;  // no node: the element is not drawn
        }
        m.element_nodes[static_cast<std::size_t>(e)][j] = static_cast<std::int32_t>(node);
    }
}

// Stores an element line read at line `at` as store_any_element does, the usual one (a new element
// number with an entry, both end nodes among the nodes) at once.
void store_element(TrussModelData& m, const ElementLine& line, Omissions& omissions, std::int64_t at,
                   ProblemList& problems, std::vector<std::uint8_t>& seen)
{
    const auto in_nodes = [&](std::int32_t node) { return node >= 1 && node <= m.node_count; };
    const std::int32_t e = line.number;
    if (e < 1 || e > omissions.element_number_limit || seen[static_cast<std::size_t>(e)] || !in_nodes(line.first) ||
        !in_nodes(line.second))
        return store_any_element(m, line, omissions, at, problems, seen);
    seen[static_cast<std::size_t>(e)] = 1;
    m.element_nodes[static_cast<std::size_t>(e)][1] = line.first;
    m.element_nodes[static_cast<std::size_t>(e)][2] = line.second;
}

// Stores node i's deflections (x, y, z as the file has them) and keeps the largest in largest.
void store_deflections(TrussModelData& m, int i, const float (&values)[3], float& largest)
{
    for (std::size_t j = 0; j < 3; ++j) {
        m.node_deflections[MODEL_COMPONENT[j]][i] = values[j];
        keep_largest_magnitude(largest, values[j]);
    }
}

// Deflection line i at line `at`: its three values (as the free fields after a long number, else
// the fixed columns), and what is wrong with its number and values.
void read_deflection_line(TrussModelData& m, int i, std::string_view line, std::int64_t at, ProblemList& problems,
                          MissingMarks& marks, float& largest)
{
    std::string_view fields[5];
    std::size_t count = 4;
    std::string_view extra;
    FieldReal values[3];
    if (long_leading_number(line, 3)) {
        count = split_fields(line, fields, 5);
        if (count > 4)
            extra = fields[4];
        for (std::size_t j = 0; j < 3; ++j)
            values[j] = read_real_field(free_field(fields, count, 1 + j));
    } else {
        fields[0] = trim_view(mid_view(line, 1, 2));
        fields[1] = trim_view(mid_view(line, 3, 12));
        fields[2] = trim_view(mid_view(line, 16, 12));
        fields[3] = trim_view(mid_view(line, 28, 12));
        extra = trim_view(mid_view(line, 40, static_cast<int>(std::min<std::size_t>(line.size(), 1 << 30))));
        for (std::size_t j = 0; j < 3; ++j)
            values[j] = read_real_field(fields[1 + j]);
    }
    store_deflections(m, i, {values[0].value, values[1].value, values[2].value}, largest);

    if (trim_view(line).empty()) {
        problems.add(at, [&] { return text_of({"the deflection line of node ", i, " is empty"}); });
        marks.node(i, MISSING_ALL_COMPONENTS * MISSING_DEFLECTION);
        return;
    }
    check_line_number(problems, at, fields[0], i, "the deflections of node");
    for (std::size_t j = 0; j < 3; ++j) {
        const int k = MODEL_COMPONENT[j];
        if (!check_real(problems, at, 1 + j < count, fields[1 + j], values[j], "node", i, DEFLECTION_NAMES[j]))
            marks.node(i, static_cast<std::uint16_t>(MISSING_DEFLECTION << (k - 1)));
    }
    if (!extra.empty())
        problems.add(at, [&] { return text_of({"node ", i, ": text after the z deflection: ", quoted_field(extra)}); });
}

// Stores the results of element e (1..limit) and the end of its trimmed line as its text.
void store_results(TrussModelData& m, std::size_t e, float stress, float force, std::string_view line)
{
    m.element_stress[e] = stress;
    m.element_force[e] = force;
    constexpr std::size_t SHOWN = 23;  // the line's last characters kept as its text
    const std::size_t size = std::min(line.size(), SHOWN);
    m.element_result_text.set(e, std::string_view(line.data() + line.size() - size, size));
}

// True when the results of a plain result line are those of an element that has an entry and no
// results yet.
bool plain_results_fit(const PlainResultLine& plain, const Omissions& omissions, const std::vector<std::uint8_t>& seen)
{
    return plain.number >= 1 && plain.number <= omissions.element_number_limit &&
           !seen[static_cast<std::size_t>(plain.number)];
}

// Stores the results of a plain result line (plain_lines.h; line trimmed) of an element that has
// an entry and no results yet; false, with nothing done, for any other element.
bool store_plain_results(TrussModelData& m, std::string_view line, const PlainResultLine& plain,
                         const Omissions& omissions, std::vector<std::uint8_t>& seen)
{
    if (!plain_results_fit(plain, omissions, seen))
        return false;
    const auto e = static_cast<std::size_t>(plain.number);
    seen[e] = 1;
    store_results(m, e, plain.stress, plain.force, line);
    return true;
}

// Reads a plain result line of an element that has an entry and no results yet; false, with
// nothing done, for any other line. in_place: raw can be read where it lies (plain_lines.h).
bool read_plain_results(TrussModelData& m, std::string_view raw, bool in_place, const Omissions& omissions,
                        std::vector<std::uint8_t>& seen)
{
    const std::string_view line = trim_view(raw);
    if (line.empty())
        return false;
    // Read in place, the line keeps the spaces after it, so that its line end follows it.
    const std::string_view read = in_place ? raw.substr(static_cast<std::size_t>(line.data() - raw.data())) : line;
    PlainResultLine plain;
    return read_plain_result_line(read, plain, in_place) && store_plain_results(m, line, plain, omissions, seen);
}

// Reads a result line, read at line `line_number`; seen marks the elements whose results came already.
void read_result_line(TrussModelData& m, std::string_view raw, Omissions& omissions, std::int64_t line_number,
                      ProblemList& problems, std::vector<std::uint8_t>& seen)
{
    std::string_view line = trim_view(raw);
    const std::string_view number = line.substr(0, line.find(' '));
    std::int32_t e = low_32_bits(str_to_int(number));
    if (line.empty()) {
        problems.add(line_number, [] { return std::string_view("an empty line among the member results"); });
    } else if (!is_decimal_integer(number)) {
        problems.add(line_number,
                     [&] { return "a member number that is not a whole number: " + quoted_field(number); });
    }
    if (e < 1 || e > omissions.element_number_limit) {
        // An empty line (a file that ends early) addresses no element; say nothing about it.
        if (!line.empty()) {
            ++omissions.bad_element_numbers;
            problems.add(line_number, [&] {
                return text_of({"member number ", e, " is outside 1..", omissions.element_number_limit});
            });
        }
        return;
    }
    const auto at = static_cast<std::size_t>(e);
    if (seen[at])
        problems.add(line_number, [&] {
            return "the results of member " + std::to_string(e) +
                   " are listed again; this line replaces the earlier ones";
        });
    seen[at] = 1;
    std::string_view texts[3];
    std::size_t count = 3;
    std::string_view extra;
    FieldReal values[2];
    if (long_leading_number(line, 4)) {
        std::string_view all[4];
        count = split_fields(line, all, 4);
        texts[1] = all[1];
        texts[2] = all[2];
        extra = all[3];
        values[0] = read_real_field(free_field(all, count, 1));
        values[1] = read_real_field(free_field(all, count, 2));
    } else {
        texts[1] = trim_view(mid_view(line, 4, 13));
        texts[2] = trim_view(mid_view(line, 18, 15));
        extra = trim_view(mid_view(line, 33, static_cast<int>(std::min<std::size_t>(line.size(), 1 << 30))));
        values[0] = read_real_field(texts[1]);
        values[1] = read_real_field(texts[2]);
    }
    store_results(m, at, values[0].value, values[1].value, line);
    if (!check_real(problems, line_number, count > 1, texts[1], values[0], "member", e, "stress"))
        mark_element_missing(m, e, MISSING_STRESS);
    if (!check_real(problems, line_number, count > 2, texts[2], values[1], "member", e, "force"))
        mark_element_missing(m, e, MISSING_FORCE);
    if (!extra.empty())
        problems.add(line_number, [&] {
            return text_of({"member ", e, ": text after the force: ", quoted_field(extra)});
        });
}

// Reads node lines first..last into m, lines above limit only read past; gives the first line the
// source did not have (the section ends before it), else last + 1.
std::int64_t read_node_lines(CountedLines& lines, TrussModelData& m, std::int64_t first, std::int64_t last,
                             std::int32_t limit, ProblemList& problems, MissingMarks& marks)
{
    // Room for the nodes made at once: as many as the held bytes can have plain lines for (a count
    // may overstate); more as further lines come.
    const std::int64_t room = std::min<std::int64_t>({last, limit, lines.held_lines(SHORTEST_NODE_LINE)});
    if (room >= first)
        make_room_for_node(m, static_cast<std::int32_t>(room), static_cast<std::int32_t>(room));
    std::string_view line;
    for (std::int64_t i = first; i <= last; ++i) {
        PlainNodeLine held;
        lines.read_held(
            [&](std::string_view bytes) {
                return i <= last && i <= limit ? read_plain_node_at(bytes, i, held) : nullptr;
            },
            [&] {
                make_room_for_node(m, static_cast<std::int32_t>(i), limit);
                store_node(m, static_cast<int>(i), held);
                ++i;
            });
        if (i > last)
            break;
        if (!lines.next(line))
            return i;
        if (i > limit) {
            lines.check_control(line);
            continue;
        }
        make_room_for_node(m, static_cast<std::int32_t>(i), limit);
        PlainNodeLine plain;
        if (read_plain_node_line(line, i, plain, lines.ends_in_place(line))) {
            store_node(m, static_cast<int>(i), plain);
        } else {
            lines.check_control(line);
            read_node_line(m, static_cast<int>(i), line, lines.number(), problems, marks);
        }
    }
    return last + 1;
}

// Reads element lines first..last (lines above limit only read past) into elements; gives the
// first line the source did not have, else last + 1.
std::int64_t read_element_lines(CountedLines& lines, std::int64_t first, std::int64_t last, std::int32_t limit,
                                ProblemList& problems, std::vector<ElementLine>& elements)
{
    // Room for the lines made at once: as many as the held bytes can have (a count may overstate).
    elements.reserve(static_cast<std::size_t>(
        std::clamp<std::int64_t>(last - first + 1, 0, lines.most_held_lines(SHORTEST_ELEMENT_LINE))));
    std::string_view line;
    for (std::int64_t n = first; n <= last; ++n) {
        PlainElementLine held;
        lines.read_held(
            [&](std::string_view bytes) {
                return n <= last && n <= limit ? read_plain_element_at(bytes, held) : nullptr;
            },
            [&] {
                elements.push_back({held.number, static_cast<std::int32_t>(n), held.ends[0], held.ends[1]});
                ++n;
            });
        if (n > last)
            break;
        if (!lines.next(line))
            return n;
        ElementLine element;
        PlainElementLine plain;
        if (n <= limit && read_plain_element_line(line, plain, lines.ends_in_place(line))) {
            element = {plain.number, static_cast<std::int32_t>(n), plain.ends[0], plain.ends[1]};
            elements.push_back(element);
            continue;
        }
        lines.check_control(line);
        if (n <= limit && read_element_line(line, lines.number(), problems, element)) {
            element.position = static_cast<std::int32_t>(n);
            elements.push_back(element);
        }
    }
    return last + 1;
}

// What a part of the deflections found: the missing values and the largest deflection.
struct DeflectionPart {
    MissingMarks marks;
    float largest = 0.0f;
};

// Reads deflection lines first..last into the nodes 1..node_count; gives the first line the source
// did not have, else last + 1.
std::int64_t read_deflection_lines(CountedLines& lines, TrussModelData& m, std::int64_t first, std::int64_t last,
                                   ProblemList& problems, DeflectionPart& part)
{
    std::string_view line;
    for (std::int64_t i = first; i <= last; ++i) {
        float held[3];
        lines.read_held(
            [&](std::string_view bytes) {
                return i <= last && i <= m.node_count ? read_plain_deflection_at(bytes, i, held) : nullptr;
            },
            [&] {
                store_deflections(m, static_cast<int>(i), held, part.largest);
                ++i;
            });
        if (i > last)
            break;
        if (!lines.next(line))
            return i;
        float plain[3];
        if (i <= m.node_count && read_plain_deflection_line(line, i, plain, lines.ends_in_place(line))) {
            store_deflections(m, static_cast<int>(i), plain, part.largest);
            continue;
        }
        lines.check_control(line);
        if (i <= m.node_count)
            read_deflection_line(m, static_cast<int>(i), line, lines.number(), problems, part.marks, part.largest);
    }
    return last + 1;
}

std::size_t parts_from_bytes = 1 << 20;  // set_read_in_parts_bytes

// Where the next lines of a section (`count` of them left) can be read in two parts at once: the
// source holds enough of its bytes in memory (set_read_in_parts_bytes), and they split into two runs of
// whole lines, [0, second) and [second, end), each of whose last line has bytes. A part reads its
// lines until the section ends or its bytes do: at their end a line reads "" and the part's
// source is at its end, as a line past the end of a file reads (an empty line there would read
// the same, and is left to the source). second is 0 when the lines are not to be split.
struct SectionSplit {
    std::string_view held;
    std::size_t second = 0;
    std::size_t end = 0;
};

// The length of bytes without the empty lines at their end.
std::size_t without_empty_last_lines(std::string_view bytes)
{
    std::size_t end = bytes.size();
    while (end > 0 && ends_line(bytes[end - 1])) {
        std::size_t line_end = end - 1;  // CR LF is one line end
        if (bytes[line_end] == '\n' && line_end > 0 && bytes[line_end - 1] == '\r')
            --line_end;
        if (line_end > 0 && !ends_line(bytes[line_end - 1]))
            break;
        end = line_end;
    }
    return end;
}

// The start of the first line after byte `at` of bytes whose line before has bytes; bytes.size()
// when there is none.
std::size_t line_start_after(std::string_view bytes, std::size_t at)
{
    while (at < bytes.size()) {
        const std::size_t line_end = at + line_length(bytes.substr(at));
        if (line_end == bytes.size())
            break;
        std::size_t next = line_end + 1;
        if (bytes[line_end] == '\r' && next < bytes.size() && bytes[next] == '\n')
            ++next;
        if (line_end > 0 && !ends_line(bytes[line_end - 1]))
            return next;
        at = next;
    }
    return bytes.size();
}

SectionSplit split_section(LineSource& source, std::int64_t count)
{
    if (count < 2)
        return {};
    const std::string_view held = source.held_rest();
    const std::size_t least = source.holds_in_blocks() || parts_from_bytes > SIZE_MAX / WHOLE_TEXT_PARTS
                                  ? parts_from_bytes
                                  : parts_from_bytes * WHOLE_TEXT_PARTS;
    if (held.empty() || held.size() < least)
        return {};
    const std::size_t end = without_empty_last_lines(held);
    // The bytes in halves, or, where the section's lines look to end sooner, its lines: their
    // length guessed from the first few.
    MemoryLineSource sample(held.substr(0, end));
    std::size_t sampled = 0;
    while (sampled < 8 && !sample.at_end()) {
        sample.next_line();
        ++sampled;
    }
    if (sampled == 0)
        return {};
    const std::size_t guess = sample.position() / sampled + 1;
    const std::size_t lines_bytes = count < static_cast<std::int64_t>(end / guess)
                                        ? static_cast<std::size_t>(count) * guess
                                        : end;
    const std::size_t second = line_start_after(held.substr(0, end), lines_bytes / 2);
    if (second == 0 || second >= end)
        return {};
    return {held, second, end};
}

// Parts of a section read one after the other keep what the later one found apart until the
// section ends (missing values, the largest deflection), or join it to the earlier one.
template <typename Part>
void join_parts(Part& /*earlier*/, Part& /*later*/)
{
}

void join_parts(std::vector<ElementLine>& earlier, std::vector<ElementLine>& later)
{
    earlier.insert(earlier.end(), later.begin(), later.end());
    later.clear();
}

// Reads lines first..last of a section with read(lines, from, to, problems, part): where the
// section's next lines can be split, in two parts at once (after prepare(), which makes the model
// ready for both; the second part, which counts the first part's lines for its own first line
// number, with part two), as often as the source holds more of them, and the rest in one with
// part one. Gives what read gives for the last part. The problems and the lines read come out as
// one read would have them.
template <typename Part, typename Prepare, typename Read>
std::int64_t read_in_parts(LineSource& source, CountedLines& lines, ProblemList& problems, std::int64_t first,
                           std::int64_t last, Part& one, Part& two, Prepare&& prepare, Read&& read)
{
    bool prepared = false;
    for (std::int64_t from = first;;) {
        const SectionSplit split = split_section(source, last - from + 1);
        if (split.second == 0)
            return read(lines, from, last, problems, one);
        if (!prepared)
            prepare();
        prepared = true;
        MemoryLineSource first_source(split.held.substr(0, split.second));
        MemoryLineSource second_source(split.held.substr(split.second, split.end - split.second));
        ReadOutcome second_outcome;
        ProblemList second_problems(second_outcome);
        CountedLines first_lines(first_source, problems, lines.number());
        std::int64_t end = 0;
        std::jthread beside;
        try {
            beside = std::jthread([&] {
                const std::int64_t before = count_line_ends(split.held.substr(0, split.second));
                CountedLines second_lines(second_source, second_problems, lines.number() + before);
                end = read(second_lines, from + before, last, second_problems, two);
            });
        } catch (const std::system_error&) {
            return read(lines, from, last, problems, one);  // no thread to be had: the rest in one part
        }
        const std::int64_t first_end = read(first_lines, from, last, problems, one);
        beside.join();
        if (first_end > last) {  // the section ended in the first part
            lines.pass(first_source.position(), lines.number() + (first_end - from));
            return first_end;
        }
        problems.append(second_problems);
        join_parts(one, two);
        lines.pass(split.second + second_source.position(), lines.number() + (end - from));
        if (end > last)
            return end;
        from = end;  // the second part's bytes ended first
    }
}

// The member results as they are read: into the model, the elements up to limit, each once.
struct ResultSection {
    TrussModelData& m;
    Omissions& omissions;
    std::vector<std::uint8_t>& seen;
    std::int32_t limit;
};

// Reads result lines first..last; gives the first line the source did not have, else last + 1.
std::int64_t read_result_lines(CountedLines& lines, std::int64_t first, std::int64_t last, ProblemList& problems,
                               ResultSection& section)
{
    std::string_view line;
    for (std::int64_t n = first; n <= last; ++n) {
        PlainResultLine held;
        std::string_view trimmed;
        lines.read_held(
            [&](std::string_view bytes) -> const char* {
                if (n > last || n > section.limit)
                    return nullptr;
                const char* const end = read_plain_result_at(bytes, held, trimmed);
                return end != nullptr && plain_results_fit(held, section.omissions, section.seen) ? end : nullptr;
            },
            [&] {
                // The element fits, as the reading found.
                const auto e = static_cast<std::size_t>(held.number);
                section.seen[e] = 1;
                store_results(section.m, e, held.stress, held.force, trimmed);
                ++n;
            });
        if (n > last)
            break;
        if (!lines.next(line))
            return n;
        if (n <= section.limit &&
            read_plain_results(section.m, line, lines.ends_in_place(line), section.omissions, section.seen))
            continue;
        lines.check_control(line);
        if (n <= section.limit)
            read_result_line(section.m, line, section.omissions, lines.number(), problems, section.seen);
    }
    return last + 1;
}

// A result line of the second part, split off and converted beside the first part.
struct SplitResultLine {
    std::string_view raw;
    std::string_view trimmed;
    PlainResultLine plain;
    bool is_plain;
    bool nul_ended;
    bool ends_section;  // the source had no such line: the section ends before it
};

// Reads result lines first..last as read_result_lines does. Where the section's next lines split,
// the second part's lines are split off and their plain numbers converted beside the first part;
// they are stored after it, in line order, as one read stores them (a member listed again comes
// out as its later line says), as often as the source holds more of them.
std::int64_t read_results_in_parts(LineSource& source, CountedLines& lines, ProblemList& problems, std::int64_t first,
                                   std::int64_t last, ResultSection& section)
{
    std::vector<SplitResultLine> later;
    for (std::int64_t from = first;;) {
        const SectionSplit split = split_section(source, last - from + 1);
        if (split.second == 0)
            return read_result_lines(lines, from, last, problems, section);
        MemoryLineSource first_source(split.held.substr(0, split.second));
        MemoryLineSource second_source(split.held.substr(split.second, split.end - split.second));
        later.clear();
        std::int64_t middle = 0;  // the second part's first line
        std::jthread beside;
        try {
            beside = std::jthread([&] {
                middle = from + count_line_ends(split.held.substr(0, split.second));
                HeldLines held;
                for (std::int64_t n = middle; n <= last; ++n) {
                    // A plain line has no control byte: its trimmed text stands for it as read.
                    SplitResultLine plain{{}, {}, {}, true, false, false};
                    held.read(
                        second_source,
                        [&](std::string_view bytes) {
                            return n <= last && n <= section.limit
                                       ? read_plain_result_at(bytes, plain.plain, plain.trimmed)
                                       : nullptr;
                        },
                        [&] {
                            plain.raw = plain.trimmed;
                            later.push_back(plain);
                            ++n;
                        });
                    if (n > last)
                        return;
                    SplitResultLine& line = later.emplace_back();
                    line.raw = second_source.next_line();
                    line.nul_ended = second_source.ended_by_nul();
                    line.ends_section = line.raw.empty() && second_source.at_end();
                    if (line.ends_section)
                        return;
                    line.trimmed = trim_view(line.raw);
                    line.is_plain = n <= section.limit && read_plain_result_line(line.trimmed, line.plain);
                }
            });
        } catch (const std::system_error&) {
            return read_result_lines(lines, from, last, problems, section);
        }
        CountedLines first_lines(first_source, problems, lines.number());
        const std::int64_t first_end = read_result_lines(first_lines, from, last, problems, section);
        beside.join();
        if (first_end > last) {  // the section ended in the first part
            lines.pass(first_source.position(), lines.number() + (first_end - from));
            return first_end;
        }
        lines.pass(split.second + second_source.position(), lines.number() + (middle - from));
        std::int64_t n = middle;
        for (const SplitResultLine& line : later) {
            if (line.ends_section)
                break;  // the second part's bytes ended: the source may hold more lines
            lines.count(line.nul_ended);
            const bool stored = line.is_plain && store_plain_results(section.m, line.trimmed, line.plain,
                                                                     section.omissions, section.seen);
            if (!stored) {
                lines.check_control(line.raw);
                if (n <= section.limit)
                    read_result_line(section.m, line.raw, section.omissions, lines.number(), problems, section.seen);
            }
            ++n;
        }
        if (n > last)
            return last + 1;
        from = n;
    }
}

// A declared count as the model keeps it: above limit cut to limit (and noted); a negative count
// (no lines) kept as it is, down to the smallest 32-bit value.
std::int32_t count_within(std::int64_t declared, std::int32_t limit, std::int64_t& noted)
{
    if (declared > limit) {
        noted = declared;
        return limit;
    }
    return static_cast<std::int32_t>(std::max<std::int64_t>(declared, std::numeric_limits<std::int32_t>::min()));
}

// The count a section keeps when the file ends after `present` of its lines: up to 50 the missing
// lines are empty entries, beyond 50 the section ends with the file.
std::int32_t count_after_end(std::int32_t count, std::int64_t present, std::int64_t declared, std::int64_t& noted,
                             std::int64_t& noted_present)
{
    std::int64_t kept = std::min<std::int64_t>(std::max<std::int64_t>(std::min(count, LEGACY_ENTRIES), present), count);
    if (kept < count) {
        noted = declared;
        noted_present = present;
    }
    return static_cast<std::int32_t>(kept);
}

// Ends a read: what had to be left out, then the read's failure (if any), as the messages the
// user is shown, in that order.
void finish(ReadOutcome& outcome, const Omissions& omissions, ResultsFault fault)
{
    outcome.fault = fault;
    // Element lines are checked as a section, stored after it: the list goes back into file order
    // (problems of the whole file, line 0, last).
    const auto place = [](const ReadProblem& p) {
        return p.line > 0 ? p.line : std::numeric_limits<std::int64_t>::max();
    };
    const auto before = [&](const ReadProblem& a, const ReadProblem& b) { return place(a) < place(b); };
    if (!std::is_sorted(outcome.problems.begin(), outcome.problems.end(), before))
        std::stable_sort(outcome.problems.begin(), outcome.problems.end(), before);
    if (omissions.any()) {
        outcome.cut_text = omissions.text();
        outcome.messages.push_back({"Warning", outcome.cut_text});
    }
    if (fault == ResultsFault::missing)
        outcome.messages.push_back({"No Results", "Truss Solver Results not found"});
    if (fault == ResultsFault::unreadable)
        outcome.messages.push_back({"Error in Results", "Error in reading Truss Solver Results"});
}

// Checks a count of line 2 as written: a whole number, not negative, within what a model holds.
void check_count(ProblemList& problems, std::string_view field, std::int64_t count, std::int32_t limit,
                 const char* kind)
{
    if (!is_decimal_integer(field)) {
        problems.add(2, [&] {
            return "the " + std::string(kind) + " count is " +
                   (field.empty() ? std::string("missing") : "not a whole number: " + quoted_field(field));
        });
    } else if (count < 0) {
        problems.add(2, [&] { return "the " + std::string(kind) + " count is negative: " + quoted_field(field); });
    } else if (count > limit) {
        problems.add(2, [&] {
            return "the " + std::string(kind) + " count " + quoted_field(field) + " is more than the " +
                   std::to_string(limit) + " a model holds; the rest are left out";
        });
    }
}

// A section that ended at the line last read (the first line the file does not have) after present of its
// count lines; said for the first section only.
void note_section_end(ProblemList& problems, CountedLines& lines, const char* section, std::int64_t present,
                      std::int64_t count)
{
    if (!lines.first_end())
        return;
    problems.add(lines.number(), [&] {
        return "the " + std::string(section) + " end after " + std::to_string(present) + " of " +
               std::to_string(count) + " lines";
    });
}

// The extent offset moves the centre by half of it, which is nothing beside a model of any usual
// size but everything beside a very small one (coordinates of 1e-30 would be drawn far off the
// canvas). Where the offset is not below a thousandth of component k's extent, the extent's upper
// end becomes the largest coordinate itself (as ever at least 0).
void drop_extent_offset(TrussModelData& m, int k)
{
    constexpr float OFFSET_SHARE = 1000.0f;  // extent / offset below which the offset is dropped
    const float offset = std::fabs(EXTENT_OFFSET[k]);
    if (offset == 0.0f || m.coord_max[k] == 0.0f || offset * OFFSET_SHARE < m.coord_max[k] - m.coord_min[k])
        return;
    float largest = 0.0f;
    for (int i = 1; i <= m.node_count; ++i) {
        const float v = m.node_coords[k][i];
        if (std::isfinite(v) && v > largest)
            largest = v;
    }
    m.coord_max[k] = largest;
}

// A model of two or more nodes whose placed nodes all lie at one point has no extent to fit.
void check_extent(const TrussModelData& m, ProblemList& problems)
{
    if (m.node_count < 2)
        return;
    bool first = true;
    float point[4] = {};
    std::int32_t placed = 0;  // nodes with all three coordinates
    for (int i = 1; i <= m.node_count; ++i) {
        if (node_missing_bits(m, i) & MISSING_ALL_COMPONENTS * MISSING_POSITION)
            continue;
        for (int k = 1; k <= 3; ++k) {
            const float v = m.node_coords[k][i];
            if (first)
                point[k] = v;
            else if (v != point[k])
                return;
        }
        first = false;
        ++placed;
    }
    if (placed < 2)
        return;  // nothing to fit or no node placed: each unplaced node has its own problem
    problems.add(0, [&] {
        return "all " + std::to_string(placed) + (placed == m.node_count ? "" : " placed") + " nodes lie at one point";
    });
}

}  // namespace

std::size_t set_read_in_parts_bytes(std::size_t bytes)
{
    return std::exchange(parts_from_bytes, bytes);
}

ReadOutcome read_results(LineSource& source, TrussModelData& m)
{
    ReadOutcome outcome;
    Omissions omissions;
    ProblemList problems(outcome);
    CountedLines lines(source, problems);

    const float deflection_factor = m.deflection_factor;
    m = TrussModelData{};
    m.deflection_factor = deflection_factor;
    size_node_records(m, 0);
    size_element_records(m, 0);

    m.title_line = lines.read();  // shown by the results window and reports only
    const std::string_view counts = lines.read();
    const std::string node_field = str_field(counts, 1, " ");
    const std::string element_field = str_field(counts, 2, " ");
    std::int64_t node_lines = count_from_field(node_field);
    std::int64_t element_lines = count_from_field(element_field);
    outcome.declared_nodes = node_lines;
    outcome.declared_elements = element_lines;
    check_count(problems, node_field, node_lines, MAX_NODES, "node");
    check_count(problems, element_field, element_lines, MAX_ELEMENTS, "member");
    omissions.node_lines_text = written_count(node_field);
    omissions.element_lines_text = written_count(element_field);
    std::int32_t node_limit = count_within(node_lines, MAX_NODES, omissions.node_lines);
    std::int32_t element_limit = count_within(element_lines, MAX_ELEMENTS, omissions.element_lines);

    MissingMarks node_marks(m, false);
    MissingMarks later_node_marks(m, true);
    std::int64_t end = read_in_parts(
        source, lines, problems, 1, node_lines, node_marks, later_node_marks, [&] { size_node_records(m, node_limit); },
        [&](CountedLines& part, std::int64_t from, std::int64_t to, ProblemList& found, MissingMarks& marks) {
            return read_node_lines(part, m, from, to, node_limit, found, marks);
        });
    later_node_marks.mark_kept();
    std::int64_t present = end <= node_lines ? end - 1 : node_lines;
    if (end <= node_lines)
        note_section_end(problems, lines, "nodes", present, node_lines);
    outcome.spatial = take_extents(m, std::min<std::int64_t>(present, node_limit));
    m.node_count = count_after_end(node_limit, present, node_lines, omissions.node_lines, omissions.node_lines_present);
    omissions.nodes_kept = m.node_count;
    outcome.nodes = m.node_count;
    size_node_records(m, m.node_count);
    for (std::int64_t i = std::max<std::int64_t>(present, 0) + 1; i <= m.node_count; ++i)
        mark_node_missing(m, static_cast<int>(i),
                          MISSING_ALL_COMPONENTS * MISSING_POSITION | MISSING_ALL_COMPONENTS * MISSING_LOAD |
                              MISSING_ALL_COMPONENTS * MISSING_DEFLECTION);
    check_extent(m, problems);

    for (int k = 1; k <= 3; ++k) {
        drop_extent_offset(m, k);
        m.model_centre[k] = (m.coord_max[k] + m.coord_min[k]) / 2.0f;
    }
    for (int k = 1; k <= 3; ++k) {
        float* coords = m.node_coords[k].data();
        for (int i = 1; i <= m.node_count; ++i)
            coords[i] -= m.model_centre[k];
    }
    m.load_scale = automatic_load_scale(m.max_load);

    std::vector<ElementLine> elements;
    std::vector<ElementLine> later_elements;
    const std::int64_t first_element_line = lines.number() + 1;
    end = read_in_parts(
        source, lines, problems, 1, element_lines, elements, later_elements, [] {},
        [&](CountedLines& part, std::int64_t from, std::int64_t to, ProblemList& found,
            std::vector<ElementLine>& read) { return read_element_lines(part, from, to, element_limit, found, read); });
    elements.insert(elements.end(), later_elements.begin(), later_elements.end());
    later_elements = std::vector<ElementLine>();
    present = end <= element_lines ? end - 1 : element_lines;
    if (end <= element_lines)
        note_section_end(problems, lines, "member lines", present, element_lines);
    m.element_count = count_after_end(element_limit, present, element_lines, omissions.element_lines,
                                      omissions.element_lines_present);
    omissions.elements_kept = m.element_count;
    outcome.elements = m.element_count;
    omissions.element_number_limit = std::max(m.element_count, LEGACY_ENTRIES);
    size_element_records(m, m.element_count);
    {
        std::vector<std::uint8_t> seen(m.element_stress.size(), 0);
        for (const ElementLine& element : elements)
            store_element(m, element, omissions, first_element_line + element.position - 1, problems, seen);
        note_unseen(problems, seen, m.element_count, "no line for members", [](std::int32_t) {});
    }
    elements = std::vector<ElementLine>();

    if (lines.at_end()) {
        finish(outcome, omissions, ResultsFault::missing);
        return outcome;
    }
    m.deflection_scale = 0.0f;

    m.deflection_heading = lines.read();  // names the length unit, when the solver knew it
    lines.read();
    DeflectionPart deflections{MissingMarks(m, false)};
    DeflectionPart later_deflections{MissingMarks(m, true)};
    end = read_in_parts(
        source, lines, problems, 1, node_lines, deflections, later_deflections, [] {},
        [&](CountedLines& part, std::int64_t from, std::int64_t to, ProblemList& found, DeflectionPart& read) {
            return read_deflection_lines(part, m, from, to, found, read);
        });
    later_deflections.marks.mark_kept();
    keep_largest_magnitude(m.max_deflection, deflections.largest);
    keep_largest_magnitude(m.max_deflection, later_deflections.largest);
    present = end <= node_lines ? end - 1 : node_lines;
    if (end <= node_lines)
        note_section_end(problems, lines, "deflections", present, node_lines);
    for (std::int64_t i = std::max<std::int64_t>(present, 0) + 1; i <= m.node_count; ++i)
        mark_node_missing(m, static_cast<int>(i), MISSING_ALL_COMPONENTS * MISSING_DEFLECTION);

    if (m.max_deflection * m.deflection_factor == 0.0f) {
        finish(outcome, omissions, ResultsFault::unreadable);
        return outcome;
    }
    m.deflection_scale = automatic_deflection_scale(m.max_deflection, m.deflection_factor);
    outcome.deflection_scale_found = true;
    outcome.deflection_scale = m.deflection_scale;

    m.result_heading = lines.read();  // names the stress and force units, when the solver knew them
    lines.read();
    std::vector<std::uint8_t> seen(m.element_stress.size(), 0);
    ResultSection results{m, omissions, seen, element_limit};
    end = read_results_in_parts(source, lines, problems, 1, element_lines, results);
    if (end <= element_lines)
        note_section_end(problems, lines, "member results", end - 1, element_lines);
    note_unseen(problems, seen, m.element_count, "no results for members",
                [&](std::int32_t e) { mark_element_missing(m, e, MISSING_STRESS | MISSING_FORCE); });

    finish(outcome, omissions, ResultsFault::none);
    return outcome;
}

// The results reader's quick path: a line of its section that holds just the fields the section
// wants, written as plain numbers the quick conversion takes (field_number.h), read in one pass.
// Where one of these functions gives true, the general reading of the line would find no problem
// in it (no control byte, no missing, extra or out-of-step field) and make the very same values of
// it; any other line (a word, a tab, a field too many, a number out of step) gives false and is
// left to the general reading.
//
// in_place: the byte just after line is readable and its line end (LF, CR or NUL), so the line is
// read where it lies; else it is read from a copy.
#pragma once

#include <cstdint>
#include <string_view>

// A node line: its number, three restraint codes, coordinates and loads (x, y, z as the file has them).
struct PlainNodeLine {
    std::int8_t restraints[3];  // the low 8 bits of each code
    float coords[3];
    float loads[3];
};
// Node line `node`, free fields: its number must be node.
bool read_plain_node_line(std::string_view line, std::int64_t node, PlainNodeLine& out, bool in_place = false);

// An end node written as a real, rounded half to even. NaN, infinities and values beyond any node
// number give 0 (no node) instead of an undefined conversion.
std::int32_t end_node_from_real(float value);

// An element line: its number and end nodes, written as reals (free fields).
struct PlainElementLine {
    std::int32_t number;   // low 32 bits
    std::int32_t ends[2];  // end_node_from_real of each
};
bool read_plain_element_line(std::string_view line, PlainElementLine& out, bool in_place = false);

// Deflection line `node`: x, y, z in the fixed columns after a node number of up to 2 characters,
// else as free fields after it. Its number must be node.
bool read_plain_deflection_line(std::string_view line, std::int64_t node, float (&out)[3], bool in_place = false);

// A member result line, trimmed (read in place: with no spaces before it, but with those after it):
// its number, then stress and force in the fixed columns after a
// number of up to 3 characters, else as free fields.
struct PlainResultLine {
    std::int32_t number;  // low 32 bits
    float stress;
    float force;
};
bool read_plain_result_line(std::string_view line, PlainResultLine& out, bool in_place = false);

// The same readings of a line that lies in memory before its line end (LF, CR or NUL), found as
// the line is read: bytes start with the line and hold at least its line end. Each gives the place
// of the line's end, or nullptr where the reading above gives false. A result line may have spaces
// before it; trimmed is then the line without the spaces around it.
const char* read_plain_node_at(std::string_view bytes, std::int64_t node, PlainNodeLine& out);
const char* read_plain_element_at(std::string_view bytes, PlainElementLine& out);
const char* read_plain_deflection_at(std::string_view bytes, std::int64_t node, float (&out)[3]);
const char* read_plain_result_at(std::string_view bytes, PlainResultLine& out, std::string_view& trimmed);

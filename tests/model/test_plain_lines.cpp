// The reader's one-pass reading takes a line only when it is plain: the cases at its edge (a field
// too many or too few, a number out of step, a tab, a control byte in a column no field covers, a
// number the quick conversion leaves alone) go to the general reading.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/plain_lines.h"
#include "core/str.h"

namespace {

struct Case {
    std::string line;
    bool plain;
    std::vector<float> values;  // what a plain line gives, in the order the line has them
};

// line with its byte at index replaced by a control byte.
std::string with_control(std::string line, std::size_t index)
{
    line[index] = '\x01';
    return line;
}

const std::string DEFLECTIONS = "7  -6.2832E-10  -6.2832E-06  0.0000E+00";  // column 15 is index 14
const std::string RESULTS = "13    -4.375E+02       7.750E+03";             // column 17 is index 16

// Reads each case both ways, from a copy and where it lies in a block with its line end after it,
// with read(line, in_place, values): whether the line is plain and, when it is, its values.
template <typename Read>
void expect_cases(std::span<const Case> cases, Read&& read)
{
    for (const Case& c : cases)
        for (const bool in_place : {false, true}) {
            SCOPED_TRACE(c.line + (in_place ? " (in place)" : ""));
            const std::string block = c.line + "\n";
            const std::string_view line = in_place ? std::string_view(block).substr(0, c.line.size())
                                                   : std::string_view(c.line);
            std::vector<float> values;
            ASSERT_EQ(read(line, in_place, values), c.plain);
            if (c.plain) {
                EXPECT_EQ(values, c.values);
            }
        }
}

}  // namespace

TEST(PlainLinesTest, NodeLinesOfNodeSeven)
{
    const Case cases[] = {
        {"7 1 0 -1 1.5 -2.25e1 0 0.0 -10.0 +3", true, {1, 0, -1, 1.5f, -22.5f, 0, 0, -10, 3}},
        {"  7  257 0 0 1 2 3 4 5 6  ", true, {1, 0, 0, 1, 2, 3, 4, 5, 6}},
        {"8 1 0 0 1 2 3 4 5 6", false, {}},
        {"7 1 0 0 1 2 3 4 5", false, {}},
        {"7 1 0 0 1 2 3 4 5 6 7", false, {}},
        {"7 1 0 0 1\t2 3 4 5 6", false, {}},
        {"7 1 0 0 1 2 3 4 5 6e", false, {}},
        {"7 1.0 0 0 1 2 3 4 5 6", false, {}},
        {"7 1 0 0 1 2 3 4 5 12345678901234567890", false, {}},
    };
    expect_cases(cases, [](std::string_view line, bool in_place, std::vector<float>& values) {
        PlainNodeLine node;
        if (!read_plain_node_line(line, 7, node, in_place))
            return false;
        values.assign(node.restraints, node.restraints + 3);
        values.insert(values.end(), node.coords, node.coords + 3);
        values.insert(values.end(), node.loads, node.loads + 3);
        return true;
    });
}

TEST(PlainLinesTest, ElementDeflectionAndResultLines)
{
    const Case elements[] = {{"12 3 4", true, {12, 3, 4}},
                             {" -5 3.0 4e0 ", true, {-5, 3, 4}},
                             {"12 3", false, {}},
                             {"12 3 4 5", false, {}},
                             {"x 3 4", false, {}}};
    expect_cases(elements, [](std::string_view line, bool in_place, std::vector<float>& values) {
        PlainElementLine element;
        if (!read_plain_element_line(line, element, in_place))
            return false;
        values = {static_cast<float>(element.number), static_cast<float>(element.ends[0]),
                  static_cast<float>(element.ends[1])};
        return true;
    });
    const Case deflections[] = {{DEFLECTIONS, true, {-6.2832e-10f, -6.2832e-06f, 0}},
                                {"7  1.0 2.0 3.0", false, {}},
                                {'8' + DEFLECTIONS.substr(1), false, {}},
                                {DEFLECTIONS + " x", false, {}},
                                {with_control(DEFLECTIONS, 14), false, {}},
                                // a value's digits run on into column 15, which no field covers
                                {"7            12         3.0         4.0", true, {1, 3, 4}},
                                {"123  1.0 2.0 3.0", true, {1, 2, 3}},
                                {"123  1.0 2.0", false, {}},
                                {"1234 1.0 2.0 3.0", false, {}},  // a long number, not the node's
                                {"123\t1.0 2.0 3.0", false, {}}};
    expect_cases(deflections, [](std::string_view line, bool in_place, std::vector<float>& values) {
        float read[3];
        if (!read_plain_deflection_line(line, line.starts_with("123") ? 123 : 7, read, in_place))
            return false;
        values.assign(read, read + 3);
        return true;
    });
    const Case results[] = {{RESULTS, true, {13, -437.5f, 7750}},
                            {"1234 -4.375E+02 7.750E+03", true, {1234, -437.5f, 7750}},
                            {RESULTS + " extra", false, {}},
                            {with_control(RESULTS, 16), false, {}},
                            {"13x" + RESULTS.substr(3), false, {}},
                            {"1234 -4.375E+02", false, {}},
                            {RESULTS + "  ", true, {13, -437.5f, 7750}},
                            {"1234 -4.375E+02 7.750E+03  ", true, {1234, -437.5f, 7750}}};
    expect_cases(results, [](std::string_view line, bool in_place, std::vector<float>& values) {
        PlainResultLine result;
        if (!read_plain_result_line(line, result, in_place))
            return false;
        values = {static_cast<float>(result.number), result.stress, result.force};
        return true;
    });
}

// The solver's usual forms are read at fixed places; each value, of a usual form or one just
// beside it, is the general conversion's to the bit, or the line is left to the general reading.
TEST(PlainLinesTest, RealsNearTheSolversFormsConvertAsTheGeneralConversion)
{
    const struct {
        const char* text;
        bool plain;  // every line kind takes it
    } reals[] = {{"-1.2345E-06", true},
                 {"1.234E+05", true},
                 {"+1.234e-05", true},
                 {"-0.0000E+00", true},
                 {"9.9999E+22", true},
                 {"1.2345E-18", true},
                 {"1.2345E-19", false},
                 {"1.234E+100", false},
                 {"1.234E+5", true},
                 {"1.23456E+01", true},
                 {"1.23E+01", true},
                 {"12.345E+01", true},
                 {"1.2345E+0", true},
                 {"1.2345E", false},
                 {"1.2345E+", false},
                 {"1.2345F+01", false},
                 {"24996.5000", true},
                 {"-0.0436", true},
                 {"0.0", true},
                 {"-10.0", true},
                 {"12.", true},
                 {".5", true},
                 {"1234567890.12345", true},
                 {"1234567890.123456", true},
                 {"99999999999999999.9", false},
                 {"1.5e3", true},
                 {"1.5.3", false},
                 {"-", false}};
    const auto same = [](float a, float b) {
        return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
    };
    for (const auto& real : reals)
        for (const bool in_place : {false, true}) {
            const std::string t = real.text;
            SCOPED_TRACE(t + (in_place ? " (in place)" : ""));
            const float general = str_to_float(t);
            const auto read = [&](const std::string& text, auto&& reader) {
                const std::string block = text + "\n";
                return reader(std::string_view(block).substr(0, text.size()));
            };
            EXPECT_EQ(read("7 1 0 0 " + t + " " + t + " " + t + " " + t + " " + t + " " + t,
                           [&](std::string_view line) {
                               PlainNodeLine node;
                               if (!read_plain_node_line(line, 7, node, in_place))
                                   return false;
                               for (int j = 0; j < 3; ++j)
                                   EXPECT_TRUE(same(node.coords[j], general) && same(node.loads[j], general));
                               return true;
                           }),
                      real.plain);
            EXPECT_EQ(read("123 " + t + " " + t + " " + t,
                           [&](std::string_view line) {
                               float values[3];
                               if (!read_plain_deflection_line(line, 123, values, in_place))
                                   return false;
                               for (const float value : values)
                                   EXPECT_TRUE(same(value, general));
                               return true;
                           }),
                      real.plain);
            EXPECT_EQ(read("1234 " + t + " " + t,
                           [&](std::string_view line) {
                               PlainResultLine result;
                               if (!read_plain_result_line(line, result, in_place))
                                   return false;
                               EXPECT_TRUE(same(result.stress, general) && same(result.force, general));
                               return true;
                           }),
                      real.plain);
        }
}

// Read where it lies among the lines after it, a plain line gives the place of its own line end
// (not a byte of the next line) and the values the line readers give; a line that is not plain
// gives nothing, however plain the line after it is.
TEST(PlainLinesTest, LinesReadInPlaceEndAtTheirLineEnd)
{
    const auto at = [](const std::string& bytes, const char* end) {
        return end == nullptr ? -1 : static_cast<int>(end - bytes.data());
    };
    struct InPlace {
        std::string bytes;
        int end;  // where the first line ends, -1 when it is not plain
    };
    const InPlace nodes[] = {{"7 1 0 0 1 2 3 4 5 6\n8 1 0 0 1 2 3 4 5 6", 19},
                             {" 7  1 0 0 1 2 3 4 5 6  \r\n7", 23},
                             {"7 1 0 0 1 2 3 4 5\n6", -1}};
    for (const InPlace& c : nodes) {
        PlainNodeLine node;
        EXPECT_EQ(at(c.bytes, read_plain_node_at(c.bytes, 7, node)), c.end) << c.bytes;
    }
    const InPlace elements[] = {{"12 3 4\n5 6 7", 6}, {"12 3\n4", -1}, {std::string("12 3 4\0 5", 9), 6}};
    for (const InPlace& c : elements) {
        PlainElementLine element;
        EXPECT_EQ(at(c.bytes, read_plain_element_at(c.bytes, element)), c.end) << c.bytes;
        if (c.end >= 0) {
            EXPECT_EQ(element.ends[1], 4.0f);
        }
    }
    const InPlace deflections[] = {{DEFLECTIONS + "\n8", 39}, {"123  1.0 2.0 3.0\r4", 16}, {"123  1.0 2.0\n3.0", -1}};
    for (const InPlace& c : deflections) {
        float values[3];
        EXPECT_EQ(at(c.bytes, read_plain_deflection_at(c.bytes, c.bytes.starts_with("123") ? 123 : 7, values)), c.end)
            << c.bytes;
    }
    const InPlace results[] = {
        {"  " + RESULTS + " \n1", 35}, {" 1234 -4.375E+02 7.750E+03 \r\n1", 27}, {"1234 -4.375E+02\n7.750E+03", -1}};
    for (const InPlace& c : results) {
        PlainResultLine result;
        std::string_view trimmed;
        EXPECT_EQ(at(c.bytes, read_plain_result_at(c.bytes, result, trimmed)), c.end) << c.bytes;
        if (c.end >= 0) {
            EXPECT_EQ(trimmed, c.bytes.substr(c.bytes.find_first_not_of(' '), trimmed.size()));
            EXPECT_EQ(trimmed.back(), '3');
            EXPECT_EQ(result.force, 7750.0f);
        }
    }
}

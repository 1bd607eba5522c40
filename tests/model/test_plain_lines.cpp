// The reader's one-pass reading takes a line only when it is plain: the cases at its edge (a field
// too many or too few, a number out of step, a tab, a control byte in a column no field covers, a
// number the quick conversion leaves alone) go to the general reading.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/model/plain_lines.h"

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

// Each case is read both ways: from a copy, and where it lies in a block with its line end after it.
constexpr bool IN_PLACE[] = {false, true};

// line as the reader meets it: in place, within block (made here) with its line end after it.
std::string_view as_read(const std::string& line, bool in_place, std::string& block)
{
    block = line + "\n";
    return in_place ? std::string_view(block).substr(0, line.size()) : std::string_view(line);
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
    for (const Case& c : cases)
        for (const bool in_place : IN_PLACE) {
            SCOPED_TRACE(c.line + (in_place ? " (in place)" : ""));
            std::string block;
            PlainNodeLine node;
            ASSERT_EQ(read_plain_node_line(as_read(c.line, in_place, block), 7, node, in_place), c.plain);
            if (c.plain) {
                std::vector<float> got(node.restraints, node.restraints + 3);
                got.insert(got.end(), node.coords, node.coords + 3);
                got.insert(got.end(), node.loads, node.loads + 3);
                EXPECT_EQ(got, c.values);
            }
        }
}

TEST(PlainLinesTest, ElementDeflectionAndResultLines)
{
    const Case elements[] = {{"12 3 4", true, {12, 3, 4}},
                             {" -5 3.0 4e0 ", true, {-5, 3, 4}},
                             {"12 3", false, {}},
                             {"12 3 4 5", false, {}},
                             {"x 3 4", false, {}}};
    for (const Case& c : elements)
        for (const bool in_place : IN_PLACE) {
            SCOPED_TRACE(c.line + (in_place ? " (in place)" : ""));
            std::string block;
            PlainElementLine element;
            ASSERT_EQ(read_plain_element_line(as_read(c.line, in_place, block), element, in_place), c.plain);
            if (c.plain) {
                EXPECT_EQ((std::vector<float>{static_cast<float>(element.number), element.ends[0], element.ends[1]}),
                          c.values);
            }
        }
    const Case deflections[] = {{DEFLECTIONS, true, {-6.2832e-10f, -6.2832e-06f, 0}},
                                {"7  1.0 2.0 3.0", false, {}},
                                {'8' + DEFLECTIONS.substr(1), false, {}},
                                {DEFLECTIONS + " x", false, {}},
                                {with_control(DEFLECTIONS, 14), false, {}},
                                // a value's digits run on into column 15, which no field covers
                                {"7            12         3.0         4.0", true, {1, 3, 4}},
                                {"123  1.0 2.0 3.0", true, {1, 2, 3}},
                                {"123  1.0 2.0", false, {}}};
    for (const Case& c : deflections)
        for (const bool in_place : IN_PLACE) {
            SCOPED_TRACE(c.line + (in_place ? " (in place)" : ""));
            std::string block;
            float values[3];
            const bool long_number = c.line.starts_with("123");
            ASSERT_EQ(
                read_plain_deflection_line(as_read(c.line, in_place, block), long_number ? 123 : 7, values, in_place),
                c.plain);
            if (c.plain) {
                EXPECT_EQ((std::vector<float>{values[0], values[1], values[2]}), c.values);
            }
        }
    const Case results[] = {{RESULTS, true, {13, -437.5f, 7750}},
                            {"1234 -4.375E+02 7.750E+03", true, {1234, -437.5f, 7750}},
                            {RESULTS + " extra", false, {}},
                            {with_control(RESULTS, 16), false, {}},
                            {"13x" + RESULTS.substr(3), false, {}},
                            {"1234 -4.375E+02", false, {}},
                            {RESULTS + "  ", true, {13, -437.5f, 7750}},
                            {"1234 -4.375E+02 7.750E+03  ", true, {1234, -437.5f, 7750}}};
    for (const Case& c : results)
        for (const bool in_place : IN_PLACE) {
            SCOPED_TRACE(c.line + (in_place ? " (in place)" : ""));
            std::string block;
            PlainResultLine result;
            ASSERT_EQ(read_plain_result_line(as_read(c.line, in_place, block), result, in_place), c.plain);
            if (c.plain) {
                EXPECT_EQ((std::vector<float>{static_cast<float>(result.number), result.stress, result.force}),
                          c.values);
            }
        }
}

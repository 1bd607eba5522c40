// Malformed results files (tests/data/malformed and generated ones) are read, fitted, drawn,
// listed and animated without a crash or an out-of-bounds access (run under the sanitizers).
#include <algorithm>
#include <filesystem>

#include "app/ui/canvas_view.h"
#include "app/ui/window_state.h"
#include "app_fixture.h"

namespace {

std::string malformed_path(const std::string& name)
{
    return std::string(KELVARO_TEST_DATA) + "/malformed/" + name;
}

}  // namespace

class MalformedTest : public AppTest {
protected:
    // Everything the viewer does with a model: fit, draw with every label and the deflected shape,
    // the result table and the animation.
    void exercise()
    {
        show_fitted();
        View.show_load_values = 1;
        View.show_element_numbers = 1;
        View.show_deflected = 1;
        redraw_view();
        draw_stress_list();
        View.show_deflected = 0;
        animate_deflection();
        zoom_in();
        rotate_view(true, -240.0f);  // elevation 0: an axis without direction
        refresh_projection(false);
        View.show_deflected = 1;
        redraw_view();
        EXPECT_LE(TrussModel.node_count, MAX_NODES);
        EXPECT_LE(TrussModel.element_count, MAX_ELEMENTS);
    }
};

TEST_F(MalformedTest, EveryFileInTheFolderIsReadAndDrawn)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(malformed_path("")))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        headless_reset_log();
        load(file.string());
        EXPECT_EQ(file_handle(RESULTS_FILE), 0);
        exercise();
    }
}

TEST_F(MalformedTest, CountsAreReadInFullOrCutWhereTheFileEnds)
{
    struct Case {
        const char* file;
        int nodes, elements;
        bool warned;
    } cases[] = {
        {"counts_0.txt", 0, 0, false},     {"counts_51.txt", 51, 51, false},       {"counts_127.txt", 127, 127, false},
        {"counts_128.txt", 50, 50, true},  {"counts_255.txt", 50, 50, true},       {"counts_minus1.txt", -1, -1, false},
        {"counts_2_31.txt", 50, 50, true}, {"counts_20_digits.txt", 50, 50, true}, {"million_members.txt", 3, 50, true},
    };
    for (const Case& c : cases) {
        headless_reset_log();
        load(malformed_path(c.file));
        EXPECT_EQ(TrussModel.node_count, c.nodes) << c.file;
        EXPECT_EQ(TrussModel.element_count, c.elements) << c.file;
        bool warned = !headless_messages().empty() && headless_messages()[0].title == "Warning";
        EXPECT_EQ(warned, c.warned) << c.file;
        EXPECT_LT(TrussModel.element_nodes.capacity(), 1000u) << c.file;
    }
    // 51 elements: element 51 and its result are read like the others.
    load(malformed_path("counts_51.txt"));
    EXPECT_EQ(results_missing, 0);
    EXPECT_FALSE(TrussModel.element_result_text[51].empty());
}

TEST_F(MalformedTest, UnknownEndNodesAreNotStored)
{
    load(malformed_path("end_node_0.txt"));
    EXPECT_EQ(TrussModel.element_nodes[1][1], 0);
    EXPECT_EQ(TrussModel.element_nodes[3][2], 0);
    EXPECT_EQ(TrussModel.element_nodes[2][1], 2);
    load(malformed_path("end_node_99.txt"));
    EXPECT_EQ(TrussModel.element_nodes[1][1], 0);
    EXPECT_EQ(TrussModel.element_nodes[3][2], 0);
    ASSERT_FALSE(headless_messages().empty());
    EXPECT_EQ(headless_messages().back().title, "Warning");
    // End nodes of 2^31 and 2^32 + 1 are unknown nodes, not node 0 or node 1 of a wrapped number.
    headless_reset_log();
    load(malformed_path("end_node_2_31.txt"));
    EXPECT_EQ(TrussModel.element_nodes[1][1], 0);
    EXPECT_EQ(TrussModel.element_nodes[2][2], 0);
    EXPECT_EQ(TrussModel.element_nodes[3][1], 3);
    ASSERT_FALSE(headless_messages().empty());
    EXPECT_NE(headless_messages()[0].text.find("2 unknown end nodes"), std::string::npos);
}

TEST_F(MalformedTest, TenMegabyteLines)
{
    std::string huge(10 * 1024 * 1024, '7');
    std::string spaced;
    spaced.reserve(10 * 1024 * 1024);
    while (spaced.size() < 10 * 1024 * 1024)
        spaced += "1.5 ";
    struct Case {
        const char* name;
        std::vector<std::string> lines;
    } cases[] = {
        {"title", {huge, "1 0", "1 0 0 0 1 1 0 0 0 0"}},
        {"counts", {"t", huge}},
        {"node line", {"t", "2 1", huge, spaced, "1 1 2"}},
        {"element line", {"t", "2 1", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 1 0 0 5 0", "1 " + spaced}},
        {"results",
         {"t", "2 1", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 1 0 0 5 0", "1 1 2", huge, "",
          deflection_line(1, "0.01", "0", "0") + huge, spaced, "", "", "1  " + huge}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        headless_reset_log();
        load(write_file("huge.txt", c.lines));
        exercise();
    }
    EXPECT_LE(TrussModel.element_result_text[1].size(), 23u);
}

// The window's read of a results file: the model, the "3D" tick, the scale field, the boxes and
// the closed file, from a file slot, a slot that is not open, and bytes in memory. What the reader
// itself takes from the lines is tested in tests/model.
#include "app_fixture.h"

class ReaderTest : public AppTest {};

TEST_F(ReaderTest, CompleteFileFillsModelAndScales)
{
    load_lines(triangle_file());
    EXPECT_EQ(TrussModel.node_count, 3);
    EXPECT_EQ(TrussModel.element_count, 3);
    EXPECT_TRUE(headless_messages().empty());
    EXPECT_EQ(results_missing, 0);
    EXPECT_EQ(planar_model, 1);
    EXPECT_EQ(gadget_get_state(ID_3D), 0);
    EXPECT_EQ(TrussModel.element_nodes[2][1], 2);
    EXPECT_EQ(TrussModel.element_nodes[2][2], 3);
    EXPECT_FLOAT_EQ(TrussModel.max_load, 1000.0f);
    EXPECT_FLOAT_EQ(TrussModel.load_scale, 0.1f);
    // The largest deflection 0.01 moves its node 15 pixels.
    EXPECT_FLOAT_EQ(TrussModel.deflection_scale, 1500.0f);
    EXPECT_EQ(gadget_get_text(ID_DEFLECTION_SCALE), "1500");
    EXPECT_FLOAT_EQ(TrussModel.node_deflections[2][3], 0.002f);
    EXPECT_FLOAT_EQ(TrussModel.node_deflections[3][3], -0.01f);
    EXPECT_FLOAT_EQ(TrussModel.element_stress[2], 200.0f);
    EXPECT_FLOAT_EQ(TrussModel.element_force[3], 1500.0f);
    // x spans 0..10 (max 10.000001), y 0..5: centred about (5, 2.5).
    EXPECT_FLOAT_EQ(TrussModel.coord_max[2], 10.000001f);
    EXPECT_NEAR(TrussModel.model_centre[2], 5.0f, 1e-5);
    EXPECT_FLOAT_EQ(TrussModel.model_centre[3], 2.5f);
    EXPECT_NEAR(TrussModel.node_coords[2][1], -5.0f, 1e-5);
    EXPECT_FLOAT_EQ(TrussModel.node_coords[3][3], 2.5f);
    EXPECT_EQ(file_handle(RESULTS_FILE), 0) << "the file is closed";
}

TEST_F(ReaderTest, ThirdCoordinateMakesTheModelSpatial)
{
    load_lines({"t", "2 0", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 1 0.001 0 0 0"});
    EXPECT_EQ(planar_model, 0);
    EXPECT_EQ(gadget_get_state(ID_3D), 1);
    load_lines({"t", "2 0", "1 0 0 0 0 0 0 0 0 0", "2 0 0 0 1 1 0 0 0 0"});
    EXPECT_EQ(planar_model, 1);
    EXPECT_EQ(gadget_get_state(ID_3D), 0);
}

TEST_F(ReaderTest, MissingAndBadResults)
{
    std::vector<std::string> geometry = {"t", "2 1", "1 1 1 1 0 0 0 0 0 0", "2 0 0 0 4 0 0 0 5 0", "1 1 2"};
    struct Case {
        const char* name;
        std::string tail;
        const char* title;
        const char* text;
    } cases[] = {
        {"ends after elements", "", "No Results", "Truss Solver Results not found"},
        {"one blank line", "\n", "Error in Results", "Error in reading Truss Solver Results"},
        {"zero deflections",
         "\n\n" + deflection_line(1, "0", "0", "0") + "\n" + deflection_line(2, "0", "0", "0") + "\n",
         "Error in Results", "Error in reading Truss Solver Results"},
    };
    for (const Case& c : cases) {
        headless_reset_log();
        gadget_set_text(ID_DEFLECTION_SCALE, "77");
        std::string text;
        for (const std::string& line : geometry)
            text += line + "\n";
        load(write_bytes("r.txt", text + c.tail));
        ASSERT_EQ(headless_messages().size(), 1u) << c.name;
        EXPECT_EQ(headless_messages()[0].title, c.title) << c.name;
        EXPECT_EQ(headless_messages()[0].text, c.text) << c.name;
        EXPECT_EQ(headless_messages()[0].flags, 0u);
        EXPECT_EQ(results_missing, 1) << c.name;
        EXPECT_EQ(TrussModel.deflection_scale, 0.0f) << c.name;
        EXPECT_EQ(gadget_get_text(ID_DEFLECTION_SCALE), "77") << c.name << ": the field is left alone";
        EXPECT_EQ(TrussModel.node_count, 2) << c.name << ": the geometry stays";
        EXPECT_EQ(file_handle(RESULTS_FILE), 0) << c.name;
    }
}

TEST_F(ReaderTest, FileNotOpenReadsAsEmptyAndReportsBadResults)
{
    TrussModel.node_count = 5;
    reset_for_load();
    file_close(RESULTS_FILE);
    read_results();
    EXPECT_EQ(TrussModel.node_count, 0);
    EXPECT_EQ(TrussModel.element_count, 0);
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "Error in Results");
    EXPECT_EQ(results_missing, 1);
}

TEST_F(ReaderTest, BytesInMemoryReadAsTheSameFile)
{
    std::string text;
    for (const std::string& line : triangle_file())
        text += line + "\r\n";
    ASSERT_TRUE(read_results_from_memory(text));
    EXPECT_TRUE(headless_messages().empty());
    EXPECT_EQ(TrussModel.element_count, 3);
    EXPECT_FLOAT_EQ(TrussModel.element_stress[2], 200.0f);
    EXPECT_FLOAT_EQ(TrussModel.deflection_scale, 1500.0f);
    EXPECT_EQ(file_handle(RESULTS_FILE), 0);
    ASSERT_TRUE(read_results_from_memory(std::string_view("t\n2 1\n", 6)));
    EXPECT_EQ(TrussModel.node_count, 2);
    EXPECT_EQ(TrussModel.element_count, 1);
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "No Results");
}

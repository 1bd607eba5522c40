// The results window on the headless backend: its tables and heading on the bridge example, sorting
// by force both ways, the selection shared with the canvas, "Copy" and "Save as CSV..." read back
// (and a save that fails), a file without results, a file that does not balance, and Load File
// refreshing an open window while keeping the user's sort.
#include "app/ui/window_state.h"
#include "app_fixture.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "app/ui/load_file.h"
#include "app/ui/results_window.h"
#include "app/view/overlays.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";
constexpr int FORCE = 5;  // column of the members table

class ResultsWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        View.overlays = OverlayStateData{};
        redraw_pending = 0;
    }

    void TearDown() override
    {
        results_window_close();
        AppTest::TearDown();
    }

    void show(const std::string& path)
    {
        results_path = path;
        load(path);
        show_fitted();
        results_window_show();
        ASSERT_TRUE(headless_table_window().open);
    }

    const TableData& members() { return results_window_spec().tables[RESULTS_MEMBERS]; }
    const TableData& nodes() { return results_window_spec().tables[RESULTS_NODES]; }

    // The shown row's cells of a table, by header.
    std::string cell(const TableData& table, int row, const std::string& header)
    {
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            if (table.columns[c].header == header)
                return table_cell_text(table, row, static_cast<int>(c));
        }
        ADD_FAILURE() << "no column " << header;
        return {};
    }

    std::string heading_text()
    {
        std::string all;
        for (const TableHeadingLine& line : results_window_spec().heading)
            all += line.text + "\n";
        return all;
    }
};

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(ResultsWindowTest, BridgeTablesAndHeadingHoldTheFilesNumbers)
{
    show(EXAMPLES + "bridge.res");
    const TableWindowSpec& spec = results_window_spec();
    EXPECT_EQ(spec.title, "Results - " + EXAMPLES + "bridge.res");
    ASSERT_EQ(table_rows(members()), 21);
    ASSERT_EQ(table_rows(nodes()), 12);

    // Member 11 (1-8): the end post, 4 * sqrt(2) long, -353.6 in compression.
    EXPECT_EQ(cell(members(), 10, "Node 1"), "1");
    EXPECT_EQ(cell(members(), 10, "Node 2"), "8");
    EXPECT_EQ(cell(members(), 10, "Length [m]"), "5.657");
    EXPECT_EQ(cell(members(), 10, "Stress [MPa]"), "-58.93");
    EXPECT_EQ(cell(members(), 10, "Force [kN]"), "-353.6");
    EXPECT_EQ(cell(members(), 10, "T/C"), "C");
    EXPECT_EQ(cell(members(), 2, "T/C"), "T");
    EXPECT_EQ(cell(members(), 14, "T/C"), "-");  // member 15 carries nothing

    // Each support carries half of the five 100 kN deck loads; only restrained components have a
    // reaction cell.
    EXPECT_EQ(cell(nodes(), 0, "Restraint"), "1 1 0");
    // The file's forces have 4 digits: the reactions are the hand values to that precision, and
    // the pin's horizontal reaction, within that rounding, is none.
    EXPECT_EQ(cell(nodes(), 0, "Reaction y [kN]"), "250.0");
    EXPECT_EQ(cell(nodes(), 0, "Reaction x [kN]"), "0");
    EXPECT_EQ(cell(nodes(), 0, "Reaction z [kN]"), "");
    EXPECT_EQ(cell(nodes(), 6, "Reaction x [kN]"), "");
    EXPECT_EQ(cell(nodes(), 6, "Reaction y [kN]"), "250.0");
    EXPECT_EQ(cell(nodes(), 1, "Load y [kN]"), "-100.0");
    EXPECT_EQ(cell(nodes(), 3, "x [m]"), "12.00");          // as the file gives it, not centred
    EXPECT_EQ(cell(nodes(), 3, "Defl. y [mm]"), "-17.17");  // lengths in m: deflections in mm
    EXPECT_EQ(cell(nodes(), 3, "|Defl.| [mm]"), "17.41");

    ASSERT_GE(spec.heading.size(), 5u);
    EXPECT_EQ(spec.heading[0].text,
              "Pratt bridge truss, 6 x 4 m panels, 4 m deep, 5 x 100 kN deck loads - units m, kN, MPa");
    EXPECT_TRUE(spec.heading[0].title);
    const std::string heading = heading_text();
    EXPECT_NE(heading.find("Sum of loads: x 0, y -500.0, z 0"), std::string::npos) << heading;
    EXPECT_NE(heading.find("sum of reactions: x 0, y 500.1, z 0"), std::string::npos) << heading;
    EXPECT_NE(heading.find("= 0.0132 % of the total load 500.0"), std::string::npos) << heading;
    EXPECT_NE(heading.find("largest compression: -450.0 kN (member 8)"), std::string::npos) << heading;
    EXPECT_EQ(spec.heading[4].text, "Deflected shape drawn x 50 at the present zoom") << heading;
    // A zoom changes the magnification, and only the heading is shown anew.
    ASSERT_TRUE(zoom_in());
    refresh_projection(false);
    results_window_view_changed();
    EXPECT_EQ(headless_table_window().updates, 1);
    EXPECT_NE(spec.heading[4].text, "Deflected shape drawn x 50 at the present zoom");
    EXPECT_EQ(spec.heading[4].text.rfind("Deflected shape drawn x ", 0), 0u);
    EXPECT_EQ(heading.find("does not balance"), std::string::npos) << heading;
    for (const TableHeadingLine& line : spec.heading)
        EXPECT_FALSE(line.warning) << line.text;
}

TEST_F(ResultsWindowTest, ForceHeaderSortsAscendingThenDescendingAndTheSelectionFollowsTheMember)
{
    show(EXAMPLES + "bridge.res");
    headless_table_header_click(RESULTS_MEMBERS, FORCE);
    EXPECT_EQ(cell(members(), 0, "Force [kN]"), "-450.0");
    EXPECT_EQ(cell(members(), 0, "Member"), "8");  // 8 and 9 tie: data order
    EXPECT_EQ(cell(members(), 1, "Member"), "9");
    EXPECT_EQ(cell(members(), 20, "Force [kN]"), "400.0");
    for (int row = 1; row < 21; ++row) {
        EXPECT_LE(str_to_float(cell(members(), row - 1, "Force [kN]")),
                  str_to_float(cell(members(), row, "Force [kN]")));
    }
    headless_table_header_click(RESULTS_MEMBERS, FORCE);
    EXPECT_EQ(cell(members(), 0, "Member"), "3");
    EXPECT_EQ(cell(members(), 0, "Force [kN]"), "400.0");
    EXPECT_EQ(cell(members(), 20, "Member"), "9");

    // A row selected in the window selects its member on the canvas; a node row clears the member.
    headless_table_row_click(RESULTS_MEMBERS, 20);
    EXPECT_EQ(View.overlays.highlight_member, 9);
    EXPECT_EQ(View.overlays.highlight_node, 0);
    EXPECT_EQ(redraw_pending, 1);
    headless_table_row_click(RESULTS_NODES, 3);
    EXPECT_EQ(View.overlays.highlight_member, 0);
    EXPECT_EQ(View.overlays.highlight_node, 4);

    // A selection on the canvas selects its row and brings its table to the front.
    results_window_select(ResultsKind::Member, 11);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_MEMBERS);
    EXPECT_EQ(headless_table_window().selected_row, 10);
    EXPECT_EQ(results_window_spec().shown_table, RESULTS_MEMBERS);
    results_window_select(ResultsKind::Node, 12);
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_NODES);
    EXPECT_EQ(headless_table_window().selected_row, 11);
    results_window_select(ResultsKind::Node, 0);
    EXPECT_EQ(headless_table_window().selected_row, -1);
    results_window_select(ResultsKind::Node, 13);  // no such node: nothing selected
    EXPECT_EQ(headless_table_window().selected_row, -1);

    // Opened again, the window shows what the canvas has selected meanwhile.
    headless_table_close();
    View.overlays.highlight_member = 0;
    View.overlays.highlight_node = 5;
    results_window_select(ResultsKind::Node, 5);
    results_window_show();
    EXPECT_EQ(headless_table_window().selected_table, RESULTS_NODES);
    EXPECT_EQ(headless_table_window().selected_row, 4);
}

TEST_F(ResultsWindowTest, CopyGivesTabSeparatedRowsInTheShownOrderAndSaveWritesCsvThatReadsBack)
{
    show(EXAMPLES + "bridge.res");
    headless_table_header_click(RESULTS_MEMBERS, FORCE);
    headless_table_header_click(RESULTS_MEMBERS, FORCE);
    headless_table_copy();
    const std::vector<std::string> copied = lines_of(headless_clipboard());
    ASSERT_EQ(copied.size(), 22u);
    EXPECT_EQ(copied[0], "Member\tNode 1\tNode 2\tLength [m]\tStress [MPa]\tForce [kN]\tT/C\tUtilisation\tCriterion");
    EXPECT_EQ(copied[1], "3\t3\t4\t4\t66.67\t400\tT\t\t");  // no design limits: no utilisation
    EXPECT_EQ(copied[21], "9\t10\t11\t4\t-75\t-450\tC\t\t");

    const std::string csv = (dir_ / "bridge-members.csv").string();
    headless_answer(csv);
    headless_table_save();
    ASSERT_EQ(headless_requests().size(), 1u);
    EXPECT_TRUE(headless_requests()[0].save);
    EXPECT_EQ(headless_requests()[0].name, "bridge-members.csv");  // offered beside the results file
    const std::vector<std::string> saved = lines_of(read_all(csv));
    ASSERT_EQ(saved.size(), 22u);
    EXPECT_EQ(saved[0], "Member,Node 1,Node 2,Length [m],Stress [MPa],Force [kN],T/C,Utilisation,Criterion");
    EXPECT_EQ(saved[1], "3,3,4,4,66.67,400,T,,");
    EXPECT_NE(std::find(saved.begin(), saved.end(), "11,1,8,5.656854,-58.93,-353.6,C,,"), saved.end());
    EXPECT_TRUE(headless_messages().empty());

    // The nodes' table on its own tab: empty cells stay empty, the file's 5 digits survive.
    headless_table_tab(RESULTS_NODES);
    const std::string nodes_csv = (dir_ / "nodes.csv").string();
    headless_answer(nodes_csv);
    headless_table_save();
    const std::vector<std::string> node_lines = lines_of(read_all(nodes_csv));
    ASSERT_EQ(node_lines.size(), 13u);
    // Deflections in mm (lengths in m); node 2 balances exactly (residual 0 0 0).
    EXPECT_EQ(node_lines[2], "2,4,0,0,0 0 0,0,-100,0,0.79365,-8.5622,0,8.598904,0,0,0,,,");

    // A folder that does not exist: a "Warning" says why, and nothing is written.
    const std::string nowhere = (dir_ / "missing" / "t.csv").string();
    headless_answer(nowhere);
    headless_table_save();
    ASSERT_EQ(headless_messages().size(), 1u);
    EXPECT_EQ(headless_messages()[0].title, "Warning");
    EXPECT_NE(headless_messages()[0].text.find("Can not save the table: "), std::string::npos);
    EXPECT_NE(headless_messages()[0].text.find("No such file or directory"), std::string::npos)
        << headless_messages()[0].text;
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    // A cancelled dialog writes nothing and says nothing.
    headless_table_save();
    EXPECT_EQ(headless_messages().size(), 1u);
}

TEST_F(ResultsWindowTest, LoadFileRefreshesTheOpenWindowKeepingTheSortAndAFileWithoutResultsHasEmptyCells)
{
    show(EXAMPLES + "bridge.res");
    headless_table_header_click(RESULTS_MEMBERS, FORCE);
    headless_answer(EXAMPLES + "bridge-geometry.res");
    load_file();
    const TableWindowSpec& spec = results_window_spec();
    EXPECT_EQ(spec.title, "Results - " + EXAMPLES + "bridge-geometry.res");
    EXPECT_EQ(headless_table_window().updates, 1);
    EXPECT_EQ(members().sort_column, FORCE);
    ASSERT_EQ(table_rows(members()), 21);
    ASSERT_GE(spec.heading.size(), 2u);
    EXPECT_EQ(spec.heading[1].text, "No results: the file holds the geometry only");
    for (int row = 0; row < 21; ++row) {
        EXPECT_EQ(cell(members(), row, "Force [kN]"), "");
        EXPECT_EQ(cell(members(), row, "T/C"), "");
        EXPECT_NE(cell(members(), row, "Length [m]"), "");
    }
    EXPECT_EQ(cell(members(), 0, "Member"), "1");  // all forces empty: data order
    EXPECT_EQ(cell(nodes(), 0, "Reaction y [kN]"), "");
    EXPECT_EQ(cell(nodes(), 1, "Load y [kN]"), "-100.0");

    // Closed, the window is not rebuilt by a load.
    headless_table_close();
    headless_answer(EXAMPLES + "bridge.res");
    load_file();
    EXPECT_EQ(headless_table_window().updates, 1);
    EXPECT_EQ(spec.title, "Results - " + EXAMPLES + "bridge-geometry.res");

    // Load File cancelled: the shown file stays, and so does the window's content.
    results_window_show();
    const int updates = headless_table_window().updates;
    EXPECT_FALSE(load_file());
    EXPECT_EQ(spec.title, "Results - " + EXAMPLES + "bridge.res");
    EXPECT_EQ(table_rows(members()), 21);
    EXPECT_EQ(table_rows(nodes()), 12);
    EXPECT_EQ(headless_table_window().updates, updates);
}

// A bar whose free end carries a load that no member force answers: the residual is the whole
// load, flagged in the heading.
TEST_F(ResultsWindowTest, AResidualAboveOnePercentIsFlaggedAsNotBalancing)
{
    show(write_file(
        "unbalanced.txt",
        {"BAR, does not balance", "2 1", "1 1 1 1 0.0 0.0 0.0 0.0 0.0 0.0", "2 0 0 0 2.0 0.0 0.0 10.0 0.0 0.0", "1 1 2",
         "", "NODE DEFLECTIONS", deflection_line(1, "0.0", "0.0", "0.0"), deflection_line(2, "1.0E-03", "0.0", "0.0"),
         "", "ELEMENT RESULTS", result_line(1, "0.000E+00", "0.000E+00")}));
    const std::vector<TableHeadingLine>& heading = results_window_spec().heading;
    ASSERT_GE(heading.size(), 3u);
    EXPECT_TRUE(heading[2].warning);
    EXPECT_NE(heading[2].text.find("x 10.00, y 0, z 0 = 100 % of the total load 10.00 - does not balance"),
              std::string::npos)
        << heading[2].text;
}

}  // namespace

// Load cases in the viewer on the headless backend: the bridge's combinations file shown, stepped
// through keeping the view and the selection, its envelope, a refused set that changes nothing,
// and a results file loaded after the set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/model/analysis.h"
#include "app/ui/case_view.h"
#include "app/ui/commands.h"
#include "app/ui/context_menu.h"
#include "app/ui/ids.h"
#include "app/ui/load_file.h"
#include "app/ui/loaded_numbers.h"
#include "app/ui/main_window.h"
#include "app/ui/results_window.h"
#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "app/view/view.h"
#include "gui/backend.h"
#include "gui/headless/headless.h"
#include "gui/input.h"
#include "gui/window.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

class CaseViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_use_headless();
        headless_reset_log();
        const std::string cases = EXAMPLES + "bridge.cases";
        const char* argv[] = {"kelvaro", "--cases", cases.c_str()};
        viewer_start(3, argv);
    }
    void TearDown() override
    {
        forget_case_set();
        viewer_shutdown();
    }

    static bool ends_with(const std::string& text, const std::string& end)
    {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    }
};

TEST_F(CaseViewTest, PageKeysStepThroughTheCasesKeepingTheViewAndTheSelection)
{
    ASSERT_TRUE(case_set_shown());
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - dead")) << window_title;
    EXPECT_NEAR(model_numbers().members[16].force, -60, 1e-3);
    zoom_in(View);
    View.azimuth = 33.0f;
    View.overlays.highlight_member = 18;
    const float scale = View.scale;

    // {key, the case's name, member 18's force in it}
    const struct {
        int key;
        const char* name;
        double force_18;
    } steps[] = {
        {KEY_PAGE_DOWN, "live", 169.7}, {KEY_PAGE_DOWN, "wind", -17.68}, {KEY_PAGE_UP, "live", 169.7},
        {KEY_PAGE_UP, "dead", 169.7},   {KEY_PAGE_UP, "SLS", 339.4},  // from the first case round to the last
        {KEY_PAGE_DOWN, "dead", 169.7},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(case_key(step.key, 0));
        EXPECT_TRUE(ends_with(window_title, std::string("bridge.cases - ") + step.name)) << window_title;
        EXPECT_NEAR(model_numbers().members[18].force, step.force_18, 0.05) << step.name;
        EXPECT_EQ(View.scale, scale);
        EXPECT_EQ(View.azimuth, 33.0f);
        EXPECT_EQ(View.overlays.highlight_member, 18);
    }
    EXPECT_FALSE(case_key(KEY_PAGE_DOWN, KEY_MOD_CTRL));
    EXPECT_FALSE(case_key('x', 0));
}

TEST_F(CaseViewTest, EnvelopeColoursByTheGoverningForceAndGivesTheSwitchBack)
{
    ASSERT_FALSE(View.overlays.show_force_colours);
    ASSERT_TRUE(case_key('e', 0));
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - envelope of 6 cases")) << window_title;
    EXPECT_EQ(View.legend_caption, "envelope of 6 cases");
    EXPECT_TRUE(View.overlays.show_force_colours);
    // Diagonal 18: 483.7 (ULS1) against -17.7 (wind); vertical 16 is pushed in every case.
    EXPECT_NEAR(model_numbers().members[18].force, 1.35 * 169.7 + 1.5 * 169.7, 0.2);
    EXPECT_EQ(model_numbers().members[16].state, MemberState::Compression);
    EXPECT_EQ(TrussModel.max_load, 0.0f);  // no case's loads are drawn

    // The results window's members: each one's largest tension and compression with their cases.
    results_window_show();
    const TableData& members = results_window_spec().tables[RESULTS_MEMBERS];
    const std::size_t first = members.columns.size() - 4;
    const char* headers[] = {"Max tension", "Tension case", "Max compression", "Compression case"};
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(members.columns[first + k].header, headers[k]);
    EXPECT_EQ(table_cell_text(members, 15, static_cast<int>(first)), "");  // member 16: never pulled
    EXPECT_EQ(table_cell_text(members, 15, static_cast<int>(first + 3)), "ULS1");
    EXPECT_EQ(table_cell_text(members, 17, static_cast<int>(first + 1)), "ULS1");
    EXPECT_EQ(table_cell_text(members, 17, static_cast<int>(first + 3)), "wind");
    const std::string copied = results_table_text(members, ',');
    EXPECT_NE(copied.find(",Max tension,Tension case,Max compression,Compression case\n"), std::string::npos);
    results_window_close();
    ASSERT_TRUE(case_key('e', 0));
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - dead")) << window_title;
    EXPECT_EQ(View.legend_caption, "");
    EXPECT_FALSE(View.overlays.show_force_colours);
    EXPECT_NEAR(model_numbers().members[18].force, 169.7, 0.05);
}

// Design limits check every case: the shown case's members, and in the envelope each member's
// largest utilisation of any case with that case, following a change of the limits.
TEST_F(CaseViewTest, EnvelopeUtilisationIsEachMembersLargestOfAnyCase)
{
    DesignLimits limits;
    limits.tension = limits.compression = 200;
    set_design_limits(limits);
    case_checks_changed();
    ASSERT_TRUE(model_numbers().has_utilisation);
    const double dead_16 = model_numbers().members[16].utilisation.value;
    EXPECT_NEAR(dead_16, std::fabs(model_numbers().members[16].stress) / 200, 1e-12);

    ASSERT_TRUE(case_key('e', 0));
    // Vertical 16 and diagonal 18 are worked hardest by ULS1: 16 pushed, 18 pulled.
    const MemberNumbers& vertical = model_numbers().members[16];
    EXPECT_EQ(vertical.utilisation.criterion, Criterion::Compression);
    EXPECT_NEAR(vertical.utilisation.value, std::fabs(vertical.stress) / 200, 1e-12);
    EXPECT_GT(vertical.utilisation.value, dead_16);
    EXPECT_EQ(model_numbers().members[18].utilisation.criterion, Criterion::Tension);
    results_window_show();
    const TableData& members = results_window_spec().tables[RESULTS_MEMBERS];
    ASSERT_EQ(members.columns.back().header, "Utilisation case");
    const int column = static_cast<int>(members.columns.size()) - 1;
    EXPECT_EQ(table_cell_text(members, 15, column), "ULS1");
    EXPECT_EQ(table_cell_text(members, 17, column), "ULS1");
    results_window_close();

    limits.compression = 100;  // the same envelope, checked anew
    set_design_limits(limits);
    case_checks_changed();
    EXPECT_NEAR(model_numbers().members[16].utilisation.value, 2 * std::fabs(model_numbers().members[16].stress) / 200,
                1e-12);
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - envelope of 6 cases")) << window_title;
    set_design_limits(DesignLimits{});
}

TEST_F(CaseViewTest, CompareWithShowsTheChangeFromTheChosenCaseUntilTheNextStep)
{
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));  // live
    std::size_t commands = 0;
    while (commands < viewer_commands().size() && viewer_commands()[commands].control == 0)
        ++commands;
    headless_menu_answer(static_cast<int>(commands) + 3);  // "Compare with..."
    headless_menu_answer(0);                               // dead
    show_context_menu(200, 200);
    ASSERT_EQ(headless_menus().size(), 2u);
    EXPECT_EQ(headless_menus()[0].size(), commands + 4);
    EXPECT_EQ(headless_menus()[0][commands + 3].label, "Compare with...");
    EXPECT_EQ(headless_menus()[1][5].label, "SLS");
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - change from dead to live")) << window_title;
    // Vertical 16: -120 under the live load, -60 under the dead load.
    EXPECT_NEAR(model_numbers().members[16].force, -60, 1e-3);
    EXPECT_NEAR(model_numbers().nodes[8].load[1], 20, 1e-4);  // the dead load's 20 kN taken away
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));
    EXPECT_TRUE(ends_with(window_title, "bridge.cases - wind")) << window_title;
}

TEST_F(CaseViewTest, ResultsFilesAfterTheOptionAreTheCases)
{
    forget_case_set();
    viewer_shutdown();
    const std::string dead = EXAMPLES + "bridge-dead.res", wind = EXAMPLES + "bridge-wind.res";
    const char* argv[] = {"kelvaro", "--cases", dead.c_str(), wind.c_str()};
    viewer_start(4, argv);
    ASSERT_TRUE(case_set_shown());
    EXPECT_TRUE(ends_with(window_title, "bridge-dead.res - bridge-dead")) << window_title;
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));
    EXPECT_TRUE(ends_with(window_title, "bridge-dead.res - bridge-wind")) << window_title;
    EXPECT_NEAR(model_numbers().members[18].force, -17.68, 0.05);
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));
    EXPECT_TRUE(ends_with(window_title, "bridge-dead.res - bridge-dead")) << window_title;
}

TEST_F(CaseViewTest, SeveralDroppedFilesAreTheCasesOfASet)
{
    const std::vector<std::string> files = dropped_files("file://" + EXAMPLES + "bridge-live.res\r\n# a comment\r\n" +
                                                         EXAMPLES + "bridge-wind.res\r\n");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], EXAMPLES + "bridge-wind.res");
    headless_drop(MAIN_WINDOW, "file://" + EXAMPLES + "bridge-live.res\n" + EXAMPLES + "bridge-wind.res\n");
    for (int event = event_wait(); event != EVENT_PLATFORM_MESSAGE; event = event_wait())
        handle_event(event);
    ASSERT_TRUE(case_set_shown());
    EXPECT_TRUE(ends_with(window_title, "bridge-live.res - bridge-live")) << window_title;
    ASSERT_TRUE(case_key(KEY_PAGE_UP, 0));
    EXPECT_TRUE(ends_with(window_title, "bridge-live.res - bridge-wind")) << window_title;
}

TEST_F(CaseViewTest, LoadFileTakesSeveralFilesTogetherAsASetAndOneAsBefore)
{
    headless_answer(EXAMPLES + "bridge-wind.res\n" + EXAMPLES + "bridge-dead.res");
    ASSERT_TRUE(load_file());
    ASSERT_TRUE(case_set_shown());
    EXPECT_TRUE(ends_with(window_title, "bridge-wind.res - bridge-wind")) << window_title;
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));
    EXPECT_TRUE(ends_with(window_title, "bridge-wind.res - bridge-dead")) << window_title;

    headless_answer(EXAMPLES + "bridge.res");
    ASSERT_TRUE(load_file());
    EXPECT_FALSE(case_set_shown());
    EXPECT_TRUE(ends_with(window_title, "examples/bridge.res")) << window_title;
    EXPECT_NEAR(model_numbers().members[8].force, -450, 1);
}

TEST_F(CaseViewTest, RefusedSetChangesNothingAndAResultsFileEndsTheSet)
{
    const std::filesystem::path bad = std::filesystem::temp_directory_path() /
                                      ("kelvaro_case_view_" + std::to_string(::getpid()) + ".cases");
    std::ofstream(bad) << "dead = " << EXAMPLES << "bridge-dead.res\ntower = " << EXAMPLES << "tower.res\n";
    ASSERT_TRUE(case_key(KEY_PAGE_DOWN, 0));
    const std::string title = window_title;
    EXPECT_FALSE(load_case_set(bad.string()));
    std::filesystem::remove(bad);
    ASSERT_FALSE(headless_messages().empty());
    EXPECT_EQ(headless_messages().back().text.find(bad.string() + ":2: '" + EXAMPLES + "tower.res' and '" + EXAMPLES +
                                                   "bridge-dead.res' are not the same truss: node count 12 and 19"),
              0u)
        << headless_messages().back().text;
    EXPECT_EQ(window_title, title);
    EXPECT_NEAR(model_numbers().members[16].force, -120, 1e-3);  // still the live load

    load_path(EXAMPLES + "bridge.res");
    EXPECT_FALSE(case_set_shown());
    EXPECT_FALSE(case_key(KEY_PAGE_DOWN, 0));
    EXPECT_TRUE(ends_with(window_title, "examples/bridge.res")) << window_title;
}

}  // namespace

// kelvaro's command line: which parameters are options and which are the path, and a path that
// starts with "--" opened through "--". The programs' output without a display is checked by
// tests/app/program_options.sh.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ui/startup.h"
#include "app/ui/window_state.h"
#include "gui/backend.h"
#include "gui/headless/headless.h"

namespace {

namespace fs = std::filesystem;

struct CommandLineCase {
    std::vector<const char*> argv;  // the program name first
    ViewerRequest request;
    std::string path;  // what viewer_start makes of the parameters, for Open
};

TEST(ViewerCommandLine, OnlyALoneHelpOrVersionIsAnOptionAndAFirstDashDashEndsTheOptions)
{
    const std::vector<CommandLineCase> cases = {
        {{"kelvaro", "--help"}, ViewerRequest::Help, ""},
        {{"kelvaro", "--version"}, ViewerRequest::Version, ""},
        {{"kelvaro"}, ViewerRequest::Open, ""},
        {{"kelvaro", "my", "results.res"}, ViewerRequest::Open, "my results.res"},
        {{"kelvaro", "--help", "me.res"}, ViewerRequest::Open, "--help me.res"},
        {{"kelvaro", "-h"}, ViewerRequest::Open, "-h"},
        {{"kelvaro", "--versions"}, ViewerRequest::Open, "--versions"},
        {{"kelvaro", "--"}, ViewerRequest::Open, ""},
        {{"kelvaro", "--", "--help"}, ViewerRequest::Open, "--help"},
        {{"kelvaro", "--", "--", "x.res"}, ViewerRequest::Open, "-- x.res"},
        {{"kelvaro", "a.res", "--", "b"}, ViewerRequest::Open, "a.res -- b"},
    };
    for (const CommandLineCase& c : cases) {
        std::vector<const char*> parameters{"stale"};
        const ViewerRequest request = read_viewer_command_line(static_cast<int>(c.argv.size()), c.argv.data(),
                                                               parameters);
        std::string shown;
        for (const char* a : c.argv)
            shown += std::string(a) + " ";
        EXPECT_EQ(request, c.request) << shown;
        if (request != ViewerRequest::Open)
            continue;
        ASSERT_FALSE(parameters.empty()) << shown;
        EXPECT_STREQ(parameters[0], "kelvaro") << shown;
        EXPECT_EQ(join_command_line(static_cast<int>(parameters.size()), parameters.data()), c.path) << shown;
    }
}

// "kelvaro -- --odd name.res" in a folder holding "--odd name.res" reads that file.
TEST(ViewerCommandLine, DashDashOpensAFileWhoseNameStartsWithDashDash)
{
    const fs::path dir = fs::temp_directory_path() / ("kelvaro_options_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(std::string(KELVARO_SOURCE_DIR) + "/examples/bridge.res", dir / "--odd name.res");
    const fs::path before = fs::current_path();
    fs::current_path(dir);

    gui_use_headless();
    headless_record_frames(false);
    headless_reset_log();
    const char* const argv[] = {"kelvaro", "--", "--odd", "name.res"};
    std::vector<const char*> parameters;
    ASSERT_EQ(read_viewer_command_line(4, argv, parameters), ViewerRequest::Open);
    viewer_start(static_cast<int>(parameters.size()), parameters.data());
    const std::string path = results_path;
    const int nodes = TrussModel.node_count;
    const std::string message = headless_messages().empty() ? "" : headless_messages().front().text;
    viewer_shutdown();

    fs::current_path(before);
    fs::remove_all(dir);
    EXPECT_EQ(path, "--odd name.res");
    EXPECT_EQ(nodes, 12);
    EXPECT_EQ(message, "");
}

}  // namespace

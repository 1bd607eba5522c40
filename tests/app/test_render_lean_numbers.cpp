// kelvaro-render keeps no per-node numbers (nor, without the result table, the members' result
// texts) for a picture that reads none: every overlay, alone or together, draws the picture byte
// for byte as when a report makes it keep them all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"

namespace {

namespace fs = std::filesystem;

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

// The bytes of the file kelvaro-render writes for arguments (after the results file and -o output).
std::string rendered(const std::string& results, const fs::path& output, std::vector<const char*> arguments)
{
    const std::string out = output.string();
    arguments.insert(arguments.begin(), {"kelvaro-render", results.c_str(), "-o", out.c_str()});
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error)) << error;
    EXPECT_EQ(render_to_file(options).status, RENDER_EXIT_OK);
    std::ifstream in(output, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RenderLeanNumbersTest, EveryOverlayDrawsAsWithEveryNodesNumbers)
{
    const fs::path dir = fs::temp_directory_path() / ("kelvaro_lean_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string report = (dir / "r.json").string();
    const std::vector<std::vector<const char*>> cases = {
        {"--colour-forces"},
        {"--colour-forces", "--max-deflection", "--highlight-member", "14", "--highlight-node", "8"},
        {"--utilisation", "--limit-stress", "120", "--deflected", "--numbers", "--loads"},
        {"--node-numbers"},
        {"--reactions", "--colour-forces"},
        {"--highlight-node", "8", "--free-body"},
        {"--frame", "3", "--colour-forces"},
        {"--stresses", "--colour-forces"},
    };
    for (const char* file : {"bridge.res", "tower.res"}) {
        for (const auto& arguments : cases) {
            SCOPED_TRACE(std::string(file) + " " + arguments.front());
            const std::string lean = rendered(EXAMPLES + file, dir / "lean.png", arguments);
            std::vector<const char*> with_report = arguments;
            with_report.insert(with_report.end(), {"--report", report.c_str()});
            const std::string full = rendered(EXAMPLES + file, dir / "full.png", with_report);
            ASSERT_GT(lean.size(), 1000u);
            EXPECT_TRUE(lean == full);
        }
    }
    fs::remove_all(dir);
}

}  // namespace

// kelvaro-render's command line (parsed in process) and the program run as a child process: exit
// statuses, one-line messages on stderr, the JPEG file it leaves.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/batch/render_options.h"

namespace {

struct ParseCase {
    std::vector<const char*> arguments;  // after the program name
    const char* error;                   // "" when the line is accepted
};

TEST(RenderOptionsTest, RefusesBadCommandLinesWithOneLineReasons)
{
    const ParseCase cases[] = {
        {{"r.res", "-o", "o.jpg", "--bogus"}, "unknown option '--bogus'"},
        {{"r.res", "-o", "o.jpg", "-x"}, "unknown option '-x'"},
        {{"r.res", "-o"}, "option '-o' needs a value"},
        {{"r.res", "-o", "o.jpg", "--zoom"}, "option '--zoom' needs a value"},
        {{"r.res", "-o", ""}, "option '-o': the output file name is empty"},
        {{"r.res", "-o", "o.jpg", "--quality", "high"}, "option '--quality': 'high' is not a whole number"},
        {{"r.res", "-o", "o.jpg", "--quality", "101"}, "option '--quality': 101 is out of range (0 to 100)"},
        {{"r.res", "-o", "o.jpg", "-q", "-1"}, "option '-q': -1 is out of range (0 to 100)"},
        {{"r.res", "-o", "o.jpg", "--zoom=1.5"}, "option '--zoom': '1.5' is not a whole number"},
        {{"r.res", "-o", "o.jpg", "--zoom", "101"}, "option '--zoom': 101 is out of range (-100 to 100)"},
        {{"r.res", "-o", "o.jpg", "--zoom", "99999999999999999999"},
         "option '--zoom': '99999999999999999999' is not a whole number"},
        {{"r.res", "-o", "o.jpg", "--frame", "0"}, "option '--frame': 0 is out of range (1 to 6)"},
        {{"r.res", "-o", "o.jpg", "--frame", "7"}, "option '--frame': 7 is out of range (1 to 6)"},
        {{"r.res", "-o", "o.jpg", "--azimuth", "nan"}, "option '--azimuth': 'nan' is not a number"},
        {{"r.res", "-o", "o.jpg", "--azimuth", "12deg"}, "option '--azimuth': '12deg' is not a number"},
        {{"r.res", "-o", "o.jpg", "--elevation", "4000"},
         "option '--elevation': 4000 is out of range (-3600 to 3600 degrees)"},
        {{"r.res", "-o", "o.jpg", "--deflected=big"}, "option '--deflected': 'big' is not a number"},
        {{"r.res", "-o", "o.jpg", "--deflected=1e39"}, "option '--deflected': 1e39 is out of range (too large)"},
        {{"r.res", "-o", "o.jpg", "--loads=1"}, "option '--loads' takes no value"},
        {{"r.res", "-o", "o.jpg", "--plan", "--3d"}, "options '--plan' and '--3d' cannot be combined"},
        {{"r.res", "-o", "o.jpg", "--stresses", "--frame", "2"},
         "options '--stresses' and '--frame' cannot be combined"},
        {{"r.res", "s.res", "-o", "o.jpg"},
         "several results files need {name} in the output file name (-o 'out/{name}.png')"},
        {{"-o", "o.jpg"}, "no results file given"},
        {{}, "no results file given"},
        {{"r.res"}, "no output file given (-o OUT.jpg)"},
        {{"", "-o", "o.jpg"}, "the results file name is empty"},
    };
    for (const ParseCase& c : cases) {
        std::vector<const char*> argv = {"kelvaro-render"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        RenderOptions options;
        std::string error;
        EXPECT_FALSE(parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

TEST(RenderOptionsTest, ReadsValuesInEitherFormAndInAnyOrder)
{
    const char* argv[] = {"kelvaro-render",
                          "--quality=+95",
                          "--3d",
                          "--azimuth",
                          "-12.5",
                          "--elevation=1e2",
                          "--zoom",
                          "-3",
                          "--loads",
                          "r.res",
                          "--numbers",
                          "--output",
                          "o.jpg",
                          "--frame",
                          "4",
                          "--zoom",
                          "2"};
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse_render_options(static_cast<int>(std::size(argv)), argv, options, error)) << error;
    EXPECT_EQ(options.results_path, "r.res");
    EXPECT_EQ(options.output_path, "o.jpg");
    EXPECT_EQ(options.quality, 95);
    EXPECT_EQ(options.view, RenderView::Spatial);
    EXPECT_EQ(options.azimuth, -12.5f);
    EXPECT_EQ(options.elevation, 100.0f);
    EXPECT_EQ(options.zoom_steps, 2);  // the later value wins
    EXPECT_TRUE(options.load_values);
    EXPECT_TRUE(options.element_numbers);
    EXPECT_EQ(options.frame, 4);
    EXPECT_FALSE(options.deflected);
    EXPECT_FALSE(options.stresses);
}

TEST(RenderOptionsTest, DeflectedTakesTheNextArgumentOnlyWhenItIsANumber)
{
    struct Case {
        std::vector<const char*> arguments;
        const char* scale;
        const char* results;
    } cases[] = {
        {{"--deflected", "r.res", "-o", "o.jpg"}, "", "r.res"},
        {{"r.res", "--deflected", "40", "-o", "o.jpg"}, "40", "r.res"},
        {{"r.res", "--deflected", "-2.5", "-o", "o.jpg"}, "-2.5", "r.res"},
        {{"r.res", "--deflected=0", "-o", "o.jpg"}, "0", "r.res"},
        {{"r.res", "-o", "o.jpg", "--deflected"}, "", "r.res"},
        {{"-o", "o.jpg", "--deflected", "--", "12"}, "", "12"},
        {{"-o", "o.jpg", "--", "-odd.res"}, nullptr, "-odd.res"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"kelvaro-render"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        RenderOptions options;
        std::string error;
        ASSERT_TRUE(parse_render_options(static_cast<int>(argv.size()), argv.data(), options, error)) << error;
        EXPECT_EQ(options.deflected, c.scale != nullptr) << c.results;
        EXPECT_EQ(options.deflection_scale, c.scale != nullptr ? c.scale : "") << c.results;
        EXPECT_EQ(options.results_path, c.results);
    }
}

TEST(RenderOptionsTest, HelpNeedsNoFilesAndNamesEveryOption)
{
    const char* argv[] = {"kelvaro-render", "--help"};
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse_render_options(2, argv, options, error));
    EXPECT_TRUE(options.help);
    const std::string help = render_help_text();
    for (const char* name : {"--output", "--quality", "--plan", "--3d", "--azimuth", "--elevation", "--zoom",
                             "--deflected", "--loads", "--numbers", "--stresses", "--frame", "--geometry", "--help"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

// The bounds each ranged option takes, one step past each, and whether --help states them on the
// option's line (it does not for the highlights, whose bounds are the model's limits).
TEST(RenderOptionsTest, TheRangesTheHelpStatesAreTheParsers)
{
    const struct {
        const char* name;
        const char* low;
        const char* high;
        const char* below;
        const char* above;
        bool in_help;
    } cases[] = {
        {"--quality", "0", "100", "-1", "101", true},
        {"--size", "100x100", "8000x8000", "99x100", "100x8001", true},
        {"--text-scale", "0.5", "8", "0.49", "8.01", true},
        {"--azimuth", "-3600", "3600", "-3600.5", "3600.01", true},
        {"--elevation", "-3600", "3600", "-3601", "3600.5", true},
        {"--zoom", "-100", "100", "-101", "101", true},
        {"--frame", "1", "6", "0", "7", true},
        {"--magnification", "0.001", "1000000", "0.0009", "1000001", true},
        {"--highlight-member", "1", "10000000", "0", "10000001", false},
        {"--highlight-node", "1", "10000000", "0", "10000001", false},
    };
    const std::string help = render_help_text();
    const auto parses = [](const char* name, const char* value) {
        const char* argv[] = {"kelvaro-render", "r.res", "-o", "o.png", name, value};
        RenderOptions options;
        std::string error;
        return parse_render_options(static_cast<int>(std::size(argv)), argv, options, error);
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(parses(c.name, c.low)) << c.name;
        EXPECT_TRUE(parses(c.name, c.high)) << c.name;
        EXPECT_FALSE(parses(c.name, c.below)) << c.name;
        EXPECT_FALSE(parses(c.name, c.above)) << c.name;
        const std::size_t at = help.find(std::string(c.name) + " ");
        ASSERT_NE(at, std::string::npos) << c.name;
        const std::string line = help.substr(at, help.find('\n', at) - at);
        EXPECT_EQ(line.find(c.low) != std::string::npos && line.find(c.high) != std::string::npos, c.in_help) << line;
    }
}

#ifdef KELVARO_RENDER_BIN

struct ProcessResult {
    int status = -1;
    std::string out, err;
};

std::string read_all(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class RenderProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_render_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    // shell_prefix runs first in the same shell (e.g. "ulimit -f 1; ").
    ProcessResult run(const std::vector<std::string>& arguments, const std::string& shell_prefix = "")
    {
        std::string command = shell_prefix + quoted(KELVARO_RENDER_BIN);
        for (const std::string& a : arguments)
            command += ' ' + quoted(a);
        command += " >" + quoted((dir_ / "out.txt").string()) + " 2>" + quoted((dir_ / "err.txt").string());
        ProcessResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = read_all(dir_ / "out.txt");
        result.err = read_all(dir_ / "err.txt");
        return result;
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

// Width and height from the first start-of-frame marker of a JPEG file; {0, 0} if there is none.
std::pair<int, int> jpeg_size(const std::string& bytes)
{
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8)
        return {0, 0};
    std::size_t at = 2;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    while (at + 9 < bytes.size() && byte(at) == 0xFF) {
        const unsigned char marker = byte(at + 1);
        const std::size_t length = byte(at + 2) * 256u + byte(at + 3);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
            return {byte(at + 7) * 256 + byte(at + 8), byte(at + 5) * 256 + byte(at + 6)};
        at += 2 + length;
    }
    return {0, 0};
}

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

TEST_F(RenderProcessTest, WritesA700By500JpegAndSaysNothing)
{
    const ProcessResult r = run({EXAMPLES + "bridge.res", "-o", path("bridge.jpg"), "--deflected", "--loads"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(jpeg_size(read_all(path("bridge.jpg"))), std::make_pair(700, 500));
}

TEST_F(RenderProcessTest, EachFailureHasItsStatusAndOneLine)
{
    const std::string missing = path("missing.res");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string err;
    } cases[] = {
        {{missing, "-o", path("a.jpg")}, 1, "kelvaro-render: " + missing + ": No such file or directory\n"},
        {{dir_.string(), "-o", path("a.jpg")}, 1, "kelvaro-render: " + dir_.string() + ": Is a directory\n"},
        {{EXAMPLES + "bridge-geometry.res", "-o", path("a.jpg")},
         1,
         "kelvaro-render: No Results: Truss Solver Results not found\n"},
        {{EXAMPLES + "bridge.res", "-o", path("a.jpg"), "--zoom", "x"},
         2,
         "kelvaro-render: option '--zoom': 'x' is not a whole number (see --help)\n"},
        {{EXAMPLES + "bridge.res", "--fast", "-o", path("a.jpg")},
         2,
         "kelvaro-render: unknown option '--fast' (see --help)\n"},
        {{EXAMPLES + "bridge.res"}, 2, "kelvaro-render: no output file given (-o OUT.jpg) (see --help)\n"},
        {{EXAMPLES + "bridge.res", "-o", path("no/such/folder/a.jpg")},
         3,
         "kelvaro-render: cannot write '" + path("no/such/folder/a.jpg") + "': No such file or directory\n"},
        {{EXAMPLES + "bridge.res", "-o", dir_.string()},
         3,
         "kelvaro-render: cannot write '" + dir_.string() + "': Is a directory\n"},
        {{EXAMPLES + "bridge.res", "-o", "/dev/full"},
         3,
         "kelvaro-render: cannot write '/dev/full': No space left on device\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = run(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(path("a.jpg"))) << c.err;
    }
}

TEST_F(RenderProcessTest, FileSizeLimitIsAWriteFailureAndKeepsTheOldFile)
{
    const std::string out = path("a.jpg");
    std::ofstream(out) << "old";
    const ProcessResult r = run({EXAMPLES + "bridge.res", "-o", out}, "ulimit -f 1; ");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "kelvaro-render: cannot write '" + out + "': File too large\n");
    EXPECT_EQ(read_all(out), "old");
}

TEST_F(RenderProcessTest, CsvReportReplacesNeitherTableWhenOneCannotBeWritten)
{
    std::ofstream(path("r-members.csv")) << "old";
    std::filesystem::create_directory(path("r-nodes.csv"));
    const ProcessResult r = run({EXAMPLES + "bridge.res", "--report", path("r.csv")});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "kelvaro-render: cannot write '" + path("r-nodes.csv") + "': Is a directory\n");
    EXPECT_EQ(read_all(path("r-members.csv")), "old");
}

TEST_F(RenderProcessTest, UnreadableFileIsRefusedBeforeReading)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const std::string locked = path("locked.res");
    std::filesystem::copy_file(EXAMPLES + "bridge.res", locked);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const ProcessResult r = run({locked, "-o", path("a.jpg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelvaro-render: " + locked + ": Permission denied\n");
}

TEST_F(RenderProcessTest, CutDownFileIsDrawnWithAWarning)
{
    const ProcessResult r = run({std::string(KELVARO_TEST_DATA) + "/malformed/end_node_99.txt", "-o", path("cut.jpg")});
    // Drawn, but the file has problems: the warning, then each of its two unknown end nodes.
    EXPECT_EQ(r.status, RENDER_EXIT_PROBLEMS);
    EXPECT_EQ(r.err.rfind("kelvaro-render: Warning: Results file cut down:", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3);
    EXPECT_EQ(jpeg_size(read_all(path("cut.jpg"))), std::make_pair(700, 500));
}

TEST_F(RenderProcessTest, ProblemsAreListedAtTheirLinesAndGiveStatusFour)
{
    // The roof's member results cut after 500 of their 800 lines: drawn and reported, but said.
    std::string roof = read_all(EXAMPLES + "roof.res");
    std::size_t end = roof.size();
    for (int n = 0; n <= 300; ++n)
        end = roof.rfind('\n', end - 1);
    const std::string cut = path("cut.res");
    std::ofstream(cut) << roof.substr(0, end + 1);
    ProcessResult r = run({cut, "-o", path("cut.png"), "--report", path("cut.json")});
    EXPECT_EQ(r.status, RENDER_EXIT_PROBLEMS);
    EXPECT_EQ(r.err, cut + ":1749: the member results end after 500 of 800 lines\n" + cut +
                         ": no results for members 501, 502, 503, 504, 505, 506, 507, 508, 509, 510 and 290 more\n");
    const std::string json = read_all(path("cut.json"));
    EXPECT_NE(json.find(",\n\"complete\": false, \"problem_count\": 2, \"problems\": [\n{\"line\": 1749, \"text\": "
                        "\"the member results end after 500 of 800 lines\"},\n{\"line\": 0,"),
              std::string::npos)
        << json.substr(0, 400);
    EXPECT_NE(json.find("{\"member\": 501, \"nodes\": [147, 28], \"length\": 2.9154759474226504, \"stress\": null, "
                        "\"force\": null, \"state\": null, \"utilisation\": null}"),
              std::string::npos);

    // Beyond twenty problems the rest are counted; a failure outweighs problems, problems success.
    const std::string many = path("many.res");
    std::string lines = "t\n30 0\n";  // thirty node lines of one word: a problem each
    for (int i = 0; i < 30; ++i)
        lines += "x\n";
    std::ofstream(many) << lines;
    struct Case {
        std::vector<std::string> files;
        int status;
    } cases[] = {
        {{EXAMPLES + "bridge.res", many}, RENDER_EXIT_PROBLEMS},
        {{many, path("missing.res")}, RENDER_EXIT_INPUT},
        {{EXAMPLES + "bridge.res"}, RENDER_EXIT_OK},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.files;
        arguments.insert(arguments.end(), {"--geometry", "-o", path("{name}.png")});
        r = run(arguments);
        EXPECT_EQ(r.status, c.status) << c.files.back();
    }
    r = run({many, "--geometry", "-o", path("many.png")});
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 22) << "No Results, 20 problems, how many more\n" << r.err;
    EXPECT_NE(r.err.find(many + ": 10 more problems\n"), std::string::npos) << r.err;
}

TEST_F(RenderProcessTest, HelpGoesToStandardOutput)
{
    const ProcessResult r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Usage: kelvaro-render RESULTS -o OUT.jpg [options]\n", 0), 0u);
}

#endif  // KELVARO_RENDER_BIN

}  // namespace

// kelvaro-render --report: the JSON read back by Python's json module (keys in order, every value
// the analysis module's, no non-JSON constants), the CSV tables' shape, and the failures: a bad
// name, an unwritable file (exit 3, an existing file left as it was).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/batch_render.h"
#include "app/batch/render_options.h"
#include "app/export/columns.h"
#include "app/export/report.h"
#include "app/model/analysis.h"
#include "app/ui/window_state.h"
#include "app_fixture.h"

namespace {

const std::string EXAMPLES = std::string(KELVARO_SOURCE_DIR) + "/examples/";

// Prints every leaf of a JSON file as "path=value" (values as json.dumps writes them, ASCII only)
// and every object's keys, in order, as "path{key,key,...". Fails on NaN or Infinity.
const char* const FLATTEN_JSON = R"(
import json, sys
def constant(name):
    sys.exit('not JSON: ' + name)
def walk(path, value):
    if isinstance(value, dict):
        print(path + '{' + ','.join(value.keys()))
        for key, item in value.items():
            walk(path + '.' + key, item)
    elif isinstance(value, list):
        for index, item in enumerate(value):
            walk(path + '[' + str(index) + ']', item)
    else:
        print(path + '=' + json.dumps(value))
with open(sys.argv[1], 'rb') as f:
    walk('', json.loads(f.read().decode('utf-8'), parse_constant=constant))
)";

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string read_all(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The flattened JSON file: values by path, key lists by object path. Empty when Python refused it.
struct FlatJson {
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> keys;
    bool parsed = false;

    double number(const std::string& path) const
    {
        auto found = values.find(path);
        if (found == values.end() || found->second == "null")
            return std::numeric_limits<double>::quiet_NaN();
        double value = 0;
        std::from_chars(found->second.data(), found->second.data() + found->second.size(), value);
        return value;
    }
    std::string text(const std::string& path) const
    {
        auto found = values.find(path);
        return found == values.end() ? "<missing>" : found->second;
    }
};

FlatJson flatten(const std::string& path)
{
    FlatJson flat;
    const std::string command = "python3 -c " + quoted(FLATTEN_JSON) + " " + quoted(path);
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return flat;
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    flat.parsed = pclose(pipe) == 0;
    for (const std::string& line : lines_of(output)) {
        const std::size_t brace = line.find('{');
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && (brace == std::string::npos || equals < brace)) {
            flat.values[line.substr(0, equals)] = line.substr(equals + 1);
        } else if (brace != std::string::npos) {
            flat.keys[line.substr(0, brace)] = line.substr(brace + 1);
        }
    }
    return flat;
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvaro_report_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    // kelvaro-render in this process with arguments after the results file; then the viewer shows
    // the same file, so that its model is loaded.
    RenderReport render(const std::string& results, std::vector<const char*> arguments)
    {
        arguments.insert(arguments.begin(), {"kelvaro-render", results.c_str()});
        RenderOptions options;
        std::string error;
        EXPECT_TRUE(parse_render_options(static_cast<int>(arguments.size()), arguments.data(), options, error))
            << error;
        const RenderReport report = render_to_file(options);
        show_in_viewer(options);
        return report;
    }

    std::string path(const char* name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

// A value the file gave as float32 reads back as that float; a computed double reads back exactly.
void expect_file_value(const FlatJson& json, const std::string& path, double expected)
{
    EXPECT_EQ(static_cast<float>(json.number(path)), static_cast<float>(expected)) << path << " " << json.text(path);
}
void expect_computed(const FlatJson& json, const std::string& path, double expected)
{
    EXPECT_EQ(json.number(path), expected) << path << " " << json.text(path);
}

TEST_F(ReportTest, JsonReadsBackWithItsKeysInOrderAndTheModulesNumbers)
{
    for (const char* name : {"bridge", "tower"}) {
        SCOPED_TRACE(name);
        const std::string report = path("report.json");
        // No -o: the report alone, and no picture anywhere.
        ASSERT_EQ(render(EXAMPLES + name + ".res", {"--report", report.c_str()}).status, RENDER_EXIT_OK);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
        ModelNumbers n;
        n = compute_model_numbers(TrussModel, results_missing == 0);
        const FlatJson json = flatten(report);
        ASSERT_TRUE(json.parsed);

        EXPECT_EQ(json.keys.at(""), "format,title,complete,problem_count,problems,units,nodes,members,summary");
        EXPECT_EQ(json.text(".complete"), "true");
        EXPECT_EQ(json.keys.at(".nodes[0]"),
                  "node,coordinates,restraint,load,deflection,deflection_magnitude,residual,reaction");
        EXPECT_EQ(json.keys.at(".members[0]"), "member,nodes,length,stress,force,state,utilisation");
        EXPECT_EQ(json.keys.at(".summary"),
                  "max_tension,max_compression,max_deflection,load_sum,reaction_sum,residual,residual_share,"
                  "max_node_residual,max_utilisation,members_over_limit");
        EXPECT_EQ(json.keys.at(".summary.max_tension"), "member,force");
        EXPECT_EQ(json.keys.at(".summary.max_deflection"), "node,magnitude");
        EXPECT_EQ(json.text(".format"), "1");
        EXPECT_EQ(json.text(".title"), "\"" + TrussModel.title_line + "\"");

        const char* axis[3] = {"[0]", "[1]", "[2]"};
        ASSERT_EQ(json.values.count(".nodes[" + std::to_string(n.nodes.size() - 2) + "].node"), 1u);
        EXPECT_EQ(json.values.count(".nodes[" + std::to_string(n.nodes.size() - 1) + "].node"), 0u);
        for (std::size_t i = 1; i < n.nodes.size(); ++i) {
            const NodeNumbers& node = n.nodes[i];
            const std::string at = ".nodes[" + std::to_string(i - 1) + "].";
            expect_computed(json, at + "node", static_cast<double>(i));
            expect_computed(json, at + "deflection_magnitude", node.deflection_magnitude);
            for (int j = 0; j < 3; ++j) {
                expect_file_value(json, at + "coordinates" + axis[j], node.coordinates[j]);
                expect_computed(json, at + "restraint" + axis[j], node.restraint[j]);
                expect_file_value(json, at + "load" + axis[j], node.load[j]);
                expect_file_value(json, at + "deflection" + axis[j], node.deflection[j]);
                if (node.restrained)
                    expect_computed(json, at + "reaction" + axis[j], node.reaction[j]);
            }
            if (!node.restrained) {
                EXPECT_EQ(json.text(at + "reaction"), "null") << at;
            }
        }
        ASSERT_EQ(json.values.count(".members[" + std::to_string(n.members.size() - 2) + "].member"), 1u);
        EXPECT_EQ(json.values.count(".members[" + std::to_string(n.members.size() - 1) + "].member"), 0u);
        for (std::size_t e = 1; e < n.members.size(); ++e) {
            const MemberNumbers& m = n.members[e];
            const std::string at = ".members[" + std::to_string(e - 1) + "].";
            expect_computed(json, at + "nodes[0]", m.nodes[0]);
            expect_computed(json, at + "nodes[1]", m.nodes[1]);
            expect_computed(json, at + "length", m.length);
            expect_file_value(json, at + "stress", m.stress);
            expect_file_value(json, at + "force", m.force);
            EXPECT_EQ(json.text(at + "state"), '"' + std::string(member_state_name(m.state)) + "\"");
        }
        expect_computed(json, ".summary.max_tension.member", n.max_tension.index);
        expect_file_value(json, ".summary.max_tension.force", n.max_tension.value);
        expect_computed(json, ".summary.max_compression.member", n.max_compression.index);
        expect_file_value(json, ".summary.max_compression.force", n.max_compression.value);
        expect_computed(json, ".summary.max_deflection.node", n.max_deflection.index);
        expect_computed(json, ".summary.max_deflection.magnitude", n.max_deflection.value);
        for (int j = 0; j < 3; ++j) {
            expect_computed(json, std::string(".summary.load_sum") + axis[j], n.load_sum[j]);
            expect_computed(json, std::string(".summary.reaction_sum") + axis[j], n.reaction_sum[j]);
            expect_computed(json, std::string(".summary.residual") + axis[j], n.residual[j]);
        }
        expect_computed(json, ".summary.residual_share", n.residual_share);
    }
}

TEST_F(ReportTest, JsonEscapesTheTitleAndWritesNullForWhatIsNotANumber)
{
    ModelNumbers n;
    n.nodes.resize(2);
    n.members.resize(2);
    n.has_results = true;
    n.nodes[1].restrained = true;
    n.nodes[1].reaction = {std::nan(""), 1.5, 1e-300};
    n.members[1].force = std::numeric_limits<double>::infinity();
    n.max_tension = {1, std::numeric_limits<double>::infinity()};
    // A quote, a backslash, a tab, a valid UTF-8 e-acute and a lone Latin-1 byte for e-acute.
    const std::string title = "a\"b\\c\td \xC3\xA9 \xE9";
    std::ofstream(path("odd.json"), std::ios::binary) << report_json(n, title);
    const FlatJson json = flatten(path("odd.json"));
    ASSERT_TRUE(json.parsed) << read_all(path("odd.json"));
    EXPECT_EQ(json.text(".title"), "\"a\\\"b\\\\c\\td \\u00e9 \\u00e9\"");
    EXPECT_EQ(json.text(".nodes[0].reaction[0]"), "null");
    EXPECT_EQ(json.text(".nodes[0].reaction[1]"), "1.5");
    EXPECT_EQ(json.text(".nodes[0].reaction[2]"), "1e-300");
    EXPECT_EQ(json.text(".members[0].force"), "null");
    EXPECT_EQ(json.text(".summary.max_tension.force"), "null");
    EXPECT_EQ(json.text(".summary.max_compression"), "null");
    EXPECT_EQ(json.text(".summary.max_deflection"), "null");
}

TEST_F(ReportTest, CsvGivesAMemberAndANodeTableWithHeaderRows)
{
    // The extension in any case; NAME is the path without it.
    ASSERT_EQ(
        render(EXAMPLES + "tower.res", {"--report", path("tower.CSV").c_str(), "-o", path("t.jpg").c_str()}).status,
        RENDER_EXIT_OK);
    EXPECT_TRUE(std::filesystem::exists(path("t.jpg")));
    EXPECT_FALSE(std::filesystem::exists(path("tower.CSV")));
    const std::vector<std::string> members = lines_of(read_all(path("tower-members.csv")));
    const std::vector<std::string> nodes = lines_of(read_all(path("tower-nodes.csv")));
    ASSERT_EQ(members.size(), 50u);  // header + 49 members
    ASSERT_EQ(nodes.size(), 20u);    // header + 19 nodes
    EXPECT_EQ(members[0], "member,nodes_a,nodes_b,length,stress,force,state,utilisation,utilisation_criterion");
    EXPECT_EQ(nodes[0],
              "node,coordinates_x,coordinates_y,coordinates_z,restraint_x,restraint_y,restraint_z,load_x,load_y,"
              "load_z,deflection_x,deflection_y,deflection_z,deflection_magnitude,residual_x,residual_y,residual_z,"
              "reaction_x,reaction_y,reaction_z");
    for (const std::string& row : nodes)
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 19) << row;
    for (const std::string& row : members)
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 8) << row;
    // A base node carries a reaction; node 5, above it, has no reaction cells.
    EXPECT_EQ(nodes[1].rfind("1,-3,0,-3,1,1,1,", 0), 0u) << nodes[1];
    EXPECT_EQ(nodes[5].substr(nodes[5].size() - 3), ",,,") << nodes[5];
    EXPECT_EQ(members[1].rfind("1,1,5,", 0), 0u) << members[1];
}

// Each column of the two tables gives the report a key of its own and the results window a header
// for every column it shows there.
template <typename Record>
void expect_complete(const ColumnTable<Record>& table)
{
    std::set<std::string_view> keys;
    for (const Column<Record>& column : table.columns) {
        EXPECT_TRUE(keys.insert(column.key).second) << column.key;
        ASSERT_TRUE(column.components >= 1 && column.components <= 3) << column.key;
        for (int k = 0; k < (column.joined ? 1 : column.components); ++k)
            EXPECT_FALSE(column.headers[k].empty()) << column.key << k;
        EXPECT_NE(column.value, nullptr) << column.key;
    }
}

TEST(ReportColumns, EveryColumnHasAKeyAndTheWindowsHeaders)
{
    expect_complete(MEMBER_COLUMNS);
    expect_complete(NODE_COLUMNS);
}

TEST_F(ReportTest, ReportNamesOtherThanJsonOrCsvOrThePicturesAreRefused)
{
    for (const char* name : {"r.txt", "json", ".json", "r.json.gz"}) {
        const char* argv[] = {"kelvaro-render", "r.res", "--report", name};
        RenderOptions options;
        std::string error;
        EXPECT_FALSE(parse_render_options(4, argv, options, error)) << name;
        EXPECT_EQ(error, "option '--report': '" + std::string(name) + "' does not end in .json or .csv");
    }
    const char* argv[] = {"kelvaro-render", "r.res", "--report", "x.json", "-o", "x.json"};
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(parse_render_options(6, argv, options, error));
    EXPECT_EQ(error, "the picture and the report cannot be one file ('x.json')");
}

#ifdef KELVARO_RENDER_BIN
TEST_F(ReportTest, UnwritableReportExitsWithStatus3AndLeavesTheOldFile)
{
    const std::string report = path("old.json");
    std::ofstream(report) << "old report\n";
    const std::string err = path("err.txt");
    // A file size limit of 2 blocks: the new report cannot be written in full.
    const std::string command = "sh -c " +
                                quoted("trap '' XFSZ; ulimit -f 2; exec " + quoted(KELVARO_RENDER_BIN) + " " +
                                       quoted(EXAMPLES + "tower.res") + " --report " + quoted(report)) +
                                " 2>" + quoted(err);
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), RENDER_EXIT_SAVE);
    EXPECT_EQ(read_all(err), "kelvaro-render: cannot write '" + report + "': File too large\n");
    EXPECT_EQ(read_all(report), "old report\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2);  // old.json, err.txt

    const std::string missing = path("no/such/folder/r.json");
    const RenderReport r = render(EXAMPLES + "bridge.res", {"--report", missing.c_str()});
    EXPECT_EQ(r.status, RENDER_EXIT_SAVE);
    EXPECT_EQ(r.lines,
              std::vector<std::string>{"kelvaro-render: cannot write '" + missing + "': No such file or directory"});
}
#endif  // KELVARO_RENDER_BIN

}  // namespace

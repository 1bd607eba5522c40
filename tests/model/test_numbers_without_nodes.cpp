// The model's numbers without the per-node ones: for every bundled example and malformed file
// (missing values, unusable end nodes, files without results) the members, their extremes and the
// load sums are those of the full numbers to the bit, and nothing of the nodes' balance is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

namespace {

namespace fs = std::filesystem;

// Equal to the bit, NaN equal to NaN.
bool same(double a, double b)
{
    return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && std::isnan(b);
}

void expect_same_members(const ModelNumbers& full, const ModelNumbers& lean)
{
    ASSERT_EQ(full.members.size(), lean.members.size());
    for (std::size_t e = 0; e < full.members.size(); ++e) {
        const MemberNumbers& a = full.members[e];
        const MemberNumbers& b = lean.members[e];
        EXPECT_TRUE(a.nodes[0] == b.nodes[0] && a.nodes[1] == b.nodes[1] && a.state == b.state &&
                    a.drawable == b.drawable && a.force_known == b.force_known && same(a.length, b.length) &&
                    same(a.stress, b.stress) && same(a.force, b.force))
            << "member " << e;
    }
}

TEST(NumbersWithoutNodesTest, MembersExtremesAndLoadSumsAreTheFullNumbers)
{
    const fs::path source = KELVARO_SOURCE_DIR;
    std::vector<fs::path> files;
    for (const char* folder : {"examples", "tests/data", "tests/data/malformed"})
        for (const auto& entry : fs::directory_iterator(source / folder))
            if (entry.is_regular_file() && entry.path().extension() != ".md" && entry.path().extension() != ".cases")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);
    int with_results = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        std::ifstream in(path, std::ios::binary);
        std::ostringstream stream;
        stream << in.rdbuf();
        const std::string bytes = stream.str();
        TrussModelData model;
        MemoryLineSource lines(bytes);
        const bool results = read_results(lines, model).fault == ResultsFault::none;
        with_results += results ? 1 : 0;
        const ModelNumbers full = compute_model_numbers(model, results);
        const ModelNumbers lean = compute_model_numbers(model, results, NodeNumbersKept::None);
        EXPECT_TRUE(lean.nodes.empty());
        expect_same_members(full, lean);
        for (const auto& [a, b] : {std::pair{full.max_tension, lean.max_tension},
                                   {full.max_compression, lean.max_compression},
                                   {full.max_deflection, lean.max_deflection}})
            EXPECT_TRUE(a.index == b.index && same(a.value, b.value));
        EXPECT_TRUE(same(full.largest_force, lean.largest_force));
        EXPECT_TRUE(same(full.total_load, lean.total_load));
        for (int j = 0; j < 3; ++j) {
            EXPECT_TRUE(same(full.load_sum[j], lean.load_sum[j])) << j;
            EXPECT_EQ(lean.reaction_sum[j], 0.0);
        }
        EXPECT_EQ(lean.has_results, full.has_results);
        EXPECT_EQ(lean.units.force, full.units.force);
        EXPECT_EQ(lean.residual, Vec3{});
        EXPECT_EQ(lean.residual_share, 0.0);
        EXPECT_FALSE(lean.unbalanced);
        EXPECT_EQ(lean.max_node_residual.node, 0);
        EXPECT_EQ(lean.nodes_out_of_balance, 0);
    }
    EXPECT_GT(with_results, 5);
}

}  // namespace

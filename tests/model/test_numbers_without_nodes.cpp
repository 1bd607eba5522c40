// The model's numbers without the per-node ones, for every bundled example and malformed file: the
// members, their extremes and the load sums are the full numbers' to the bit, also when the result
// texts are gone; no node balance is left.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/model/model_numbers.h"

namespace {

bool same(double a, double b)  // to the bit, NaN equal to NaN
{
    return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && std::isnan(b);
}

TEST(NumbersWithoutNodesTest, MembersExtremesAndLoadSumsAreTheFullNumbers)
{
    for (const char* folder : {"examples", "tests/data/malformed"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(KELVARO_SOURCE_DIR) + "/" + folder)) {
            SCOPED_TRACE(entry.path().string());
            std::ostringstream bytes;
            bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            const std::string text = bytes.str();
            TrussModelData model;
            MemoryLineSource lines(text);
            const bool results = read_results(lines, model).fault == ResultsFault::none;
            const ModelNumbers full = compute_model_numbers(model, results);
            // Without the nodes' numbers the result texts are not read: kelvaro-render gives them back first.
            TrussModelData bare = model;
            bare.element_result_text.clear_texts();
            const ModelNumbers lean = compute_model_numbers(bare, results, NodeNumbersKept::None);
            ASSERT_EQ(full.members.size(), lean.members.size());
            for (std::size_t e = 0; e < full.members.size(); ++e) {
                const MemberNumbers &a = full.members[e], &b = lean.members[e];
                EXPECT_TRUE(a.nodes[0] == b.nodes[0] && a.nodes[1] == b.nodes[1] && a.state == b.state &&
                            a.drawable == b.drawable && same(a.length, b.length) && same(a.force, b.force) &&
                            same(a.stress, b.stress))
                    << "member " << e;
            }
            for (const auto& [a, b] : {std::pair{full.max_tension, lean.max_tension},
                                       {full.max_compression, lean.max_compression},
                                       {full.max_deflection, lean.max_deflection}})
                EXPECT_TRUE(a.index == b.index && same(a.value, b.value));
            EXPECT_TRUE(same(full.largest_force, lean.largest_force) && same(full.total_load, lean.total_load) &&
                        same(full.load_sum[1], lean.load_sum[1]));
            EXPECT_TRUE(lean.nodes.empty() && lean.reaction_sum == Vec3{} && lean.residual_share == 0.0 &&
                        !lean.unbalanced && lean.max_node_residual.node == 0 && lean.nodes_out_of_balance == 0);
        }
    }
}

}  // namespace

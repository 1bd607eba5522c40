// libFuzzer target: the results reader alone, on bytes in memory read into a model of its own (no
// window, no drawing), then the model's numbers. Whatever the bytes, the model afterwards must be
// one the renderer can walk: counts within their limits, records holding every counted entry, and
// end nodes that are either 0 or a usable node; the problem list stays within its bound.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/model/analysis.h"
#include "app/model/line_source.h"
#include "app/model/results_reader.h"
#include "app/model/truss_model.h"

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "model check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemoryLineSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    TrussModelData m;
    const ReadOutcome outcome = read_results(source, m);
    if (outcome.problems.size() > MAX_LISTED_PROBLEMS ||
        outcome.problem_count < static_cast<std::int64_t>(outcome.problems.size()))
        fail("the problem list is out of its bounds");

    // A negative count is kept as read (it reads no lines); only the upper limits are enforced.
    if (m.node_count > MAX_NODES)
        fail("node count above the limit");
    if (m.element_count > MAX_ELEMENTS)
        fail("element count above the limit");
    const std::size_t nodes = static_cast<std::size_t>(usable_node_count(m)) + 1;
    const std::size_t elements = static_cast<std::size_t>(usable_element_count(m)) + 1;
    for (int k = 1; k <= 3; ++k) {
        if (m.node_coords[k].size() < nodes || m.node_loads[k].size() < nodes || m.node_deflections[k].size() < nodes ||
            m.node_fixity[k].size() < nodes) {
            fail("a node record is shorter than the usable node count");
        }
    }
    if (m.element_nodes.size() < elements || m.element_result_text.size() < elements) {
        fail("an element record is shorter than the usable element count");
    }
    for (std::size_t e = 1; e < elements; ++e) {
        for (int j = 1; j <= 2; ++j) {
            const std::int32_t node = m.element_nodes[e][j];
            if (node < 0)
                fail("a negative end node was stored");
        }
    }
    const ModelNumbers numbers = compute_model_numbers(m, outcome.fault == ResultsFault::none);
    if (numbers.nodes.size() != nodes || numbers.members.size() != elements)
        fail("the numbers do not cover the model");
    return 0;
}

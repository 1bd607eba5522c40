// A model's numbers as a results file: the nodes, members and results handed to the solver's
// writer in its own description of a truss. Reads only its arguments.
#include "app/export/results_export.h"

#include <sstream>

#include "app/export/report.h"
#include "tools/results_writer.h"

std::string results_file_text(const ModelNumbers& numbers, std::string_view title, std::string& error)
{
    TrussInput truss;
    TrussSolution solution;
    truss.title = std::string(title);
    for (std::size_t i = 1; i < numbers.nodes.size(); ++i) {
        const NodeNumbers& n = numbers.nodes[i];
        TrussNode& node = truss.nodes.emplace_back();
        for (int j = 0; j < 3; ++j) {
            node.coords[j] = n.coordinates[j];
            node.fixity[j] = n.restraint[j];
            node.loads[j] = n.load[j];
        }
        solution.deflections.push_back(n.deflection);
    }
    for (std::size_t e = 1; e < numbers.members.size(); ++e) {
        const MemberNumbers& m = numbers.members[e];
        TrussMember& member = truss.members.emplace_back();
        member.node_a = m.nodes[0];
        member.node_b = m.nodes[1];
        solution.stresses.push_back(m.stress);
        solution.forces.push_back(m.force);
    }
    std::ostringstream out;
    if (!write_results(out, truss, &solution, error))
        return {};
    return out.str();
}

bool write_results_file(const std::string& path, const ModelNumbers& numbers, std::string_view title,
                        std::string& error)
{
    std::string reason;
    const std::string text = results_file_text(numbers, title, reason);
    if (text.empty()) {
        error = "cannot write '" + path + "': " + reason;
        return false;
    }
    const FileBytes files[] = {{path, text}};
    return write_report_files(files, error);
}

// truss-solve: command line front end. Reads a truss description, solves it and writes the
// results file that kelvaro opens.
//
//   truss-solve [--geometry] [--report] [-o FILE] [--] INPUT
//   truss-solve --help | --version
//
//   INPUT        the truss description (truss_input.h); "-" reads standard input
//   -o FILE      write the results to FILE (only after a successful solve) instead of stdout
//   --geometry   write the geometry only (title, counts, nodes, elements) and skip the solve;
//                kelvaro shows such a file as a truss without results
//   --report     print a summary to standard error: largest deflection, reactions, the
//                equilibrium check and the extreme member forces
//   --help       the usage and the input statements on standard output
//   --version    the program's version on standard output
//   --           ends the options, for an input whose name starts with a dash
//
// The package installs the program as kelvaro-solve; messages carry the name it was started by.
// An existing output file is replaced whole, and only after a successful solve.
// Exit status: 0 done, 1 bad input or unstable truss (message on standard error), 2 bad usage.
#include "core/version.h"
#include "tools/results_writer.h"
#include "tools/truss_input.h"
#include "tools/truss_solver.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

std::string program = "truss-solve";  // the name the program was started by, for messages

std::string usage_text()
{
    return "usage: " + program + " [--geometry] [--report] [-o FILE] [--] INPUT\n";
}

int usage()
{
    std::cerr << usage_text();
    return 2;
}

const char* const HELP =
    "Solves a pin-jointed truss (linear statics) and writes the results file that kelvaro shows.\n"
    "\n"
    "  INPUT        the truss description; - reads standard input\n"
    "  -o FILE      write the results to FILE (replaced only after a successful solve) instead of\n"
    "               standard output\n"
    "  --geometry   write the geometry only (title, counts, nodes, members), without solving\n"
    "  --report     print the largest deflection, the reactions, the equilibrium check and the\n"
    "               extreme member forces to standard error\n"
    "  --help       this text;  --version  the version\n"
    "  --           ends the options (for an INPUT whose name starts with a dash)\n"
    "\n"
    "Input statements, one per line ('#' starts a comment):\n"
    "  title TEXT                      first line of the results file\n"
    "  units LENGTH FORCE STRESS       unit names for the results headings\n"
    "  stress_factor F                 printed stress = force / area * F (default 1)\n"
    "  section NAME A E                a named section: area and Young's modulus\n"
    "  node N X Y Z [RX RY RZ]         node N; restraint codes 1 = restrained, 0 = free\n"
    "  load N PX PY PZ                 load on node N (several add up)\n"
    "  member E A B SECTION            member E from node A to node B ...\n"
    "  member E A B AREA MODULUS       ... with a named section or its own values\n"
    "Nodes 1..N and members 1..M without gaps, up to 10,000,000 of each. A truss whose z\n"
    "coordinates are all 0 is solved in the x-y plane. Exit status: 0 done, 1 bad input or an\n"
    "unstable truss, 2 bad usage.\n";

void print_report(const TrussInput& truss, const TrussSolution& s)
{
    const char* axes = "xyz";
    std::fprintf(stderr, "%s\n%zu nodes, %zu members%s\n", truss.title.c_str(), truss.nodes.size(),
                 truss.members.size(), truss_is_planar(truss) ? ", planar" : "");
    double largest = 0;
    int where = 0;
    for (std::size_t i = 0; i < s.deflections.size(); ++i)
        for (int k = 0; k < 3; ++k)
            if (std::fabs(s.deflections[i][k]) > std::fabs(largest)) {
                largest = s.deflections[i][k];
                where = static_cast<int>(3 * i) + k;
            }
    std::fprintf(stderr, "largest deflection %.5g at node %d, %c\n", largest, where / 3 + 1, axes[where % 3]);

    double load_sum[3] = {0, 0, 0}, reaction_sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < truss.nodes.size(); ++i) {
        bool supported = false;
        for (int k = 0; k < 3; ++k) {
            load_sum[k] += truss.nodes[i].loads[k];
            reaction_sum[k] += s.reactions[i][k];
            supported = supported || truss.nodes[i].fixity[k] == 1;
        }
        if (supported)
            std::fprintf(stderr, "reaction at node %zu: %.5g %.5g %.5g\n", i + 1, s.reactions[i][0], s.reactions[i][1],
                         s.reactions[i][2]);
    }
    std::fprintf(stderr, "loads + reactions: %.3g %.3g %.3g\n", load_sum[0] + reaction_sum[0],
                 load_sum[1] + reaction_sum[1], load_sum[2] + reaction_sum[2]);

    std::size_t most_tension = 0, most_compression = 0;
    for (std::size_t e = 0; e < s.forces.size(); ++e) {
        if (s.forces[e] > s.forces[most_tension])
            most_tension = e;
        if (s.forces[e] < s.forces[most_compression])
            most_compression = e;
    }
    std::fprintf(stderr, "largest tension: member %zu, %.5g (stress %.5g)\n", most_tension + 1, s.forces[most_tension],
                 s.stresses[most_tension]);
    std::fprintf(stderr, "largest compression: member %zu, %.5g (stress %.5g)\n", most_compression + 1,
                 s.forces[most_compression], s.stresses[most_compression]);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 0 && argv[0] && *argv[0]) {
        const char* slash = std::strrchr(argv[0], '/');
        program = slash ? slash + 1 : argv[0];
    }
    bool geometry_only = false, report = false, options_ended = false;
    std::string input_path, output_path;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options_ended) {
            if (!input_path.empty())
                return usage();
            input_path = arg;
        } else if (arg == "--help") {
            std::cout << usage_text() << "       " << program << " --help | --version\n\n" << HELP;
            return std::cout.flush() ? 0 : 1;
        } else if (arg == "--version") {
            std::cout << version_text(program + " (kelvaro)");
            return std::cout.flush() ? 0 : 1;
        } else if (arg == "--") {
            options_ended = true;
        } else if (arg == "--geometry") {
            geometry_only = true;
        } else if (arg == "--report") {
            report = true;
        } else if (arg == "-o") {
            if (++i >= argc)
                return usage();
            output_path = argv[i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage();
        } else {
            if (!input_path.empty())
                return usage();
            input_path = arg;
        }
    }
    if (input_path.empty())
        return usage();

    TrussInput truss;
    std::string error;
    bool read_ok;
    if (input_path == "-") {
        read_ok = read_truss(std::cin, truss, error);
    } else {
        std::ifstream in(input_path);
        if (!in) {
            std::cerr << program << ": cannot open " << input_path << "\n";
            return 1;
        }
        read_ok = read_truss(in, truss, error);
    }
    if (!read_ok) {
        std::cerr << program << ": " << input_path << ": " << error << "\n";
        return 1;
    }

    TrussSolution solution;
    if (!geometry_only) {
        if (!solve_truss(truss, solution, error)) {
            std::cerr << program << ": " << input_path << ": " << error << "\n";
            return 1;
        }
        if (report)
            print_report(truss, solution);
    }

    std::ostringstream text;
    if (!write_results(text, truss, geometry_only ? nullptr : &solution, error)) {
        std::cerr << program << ": " << error << "\n";
        return 1;
    }
    if (output_path.empty()) {
        std::cout << text.str();
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    if (!replace_file(output_path, text.str())) {
        std::cerr << program << ": cannot write " << output_path << "\n";
        return 1;
    }
    return 0;
}

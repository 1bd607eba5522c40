// truss-generate: command line front end of truss_models.h. Writes the truss description of a
// space-grid roof or a Warren bridge of any size, for truss-solve:
//
//   truss-generate roof NX NY [--columns-every S] [-o FILE]
//   truss-generate bridge PANELS [--piers-every S] [-o FILE]
//   truss-generate roof 35 36 | truss-solve -o roof.res -
//
// Exit status: 0 done, 1 a size or spacing out of range or the file cannot be written, 2 bad usage.
#include "core/version.h"
#include "tools/results_writer.h"
#include "tools/truss_models.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char* const USAGE =
    "usage: truss-generate roof NX NY [--columns-every S] [-o FILE]\n"
    "       truss-generate bridge PANELS [--piers-every S] [-o FILE]\n";

const char* const HELP =
    "Writes the truss description of a generated truss for truss-solve (to standard output, or to\n"
    "FILE with -o).\n"
    "\n"
    "  roof NX NY          a double-layer space-grid roof of NX x NY bays of 3 m, 2 m deep, on pinned\n"
    "                      columns under the bottom layer, 1.5 kN/m^2 on the roof: 8 NX NY members\n"
    "  --columns-every S   a column under every S-th bottom node along each grid line and under the\n"
    "                      last one (default 3)\n"
    "  bridge PANELS       a planar Warren bridge of PANELS panels of 5 m, 4 m deep, 100 kN on every\n"
    "                      bottom node between the piers: 4 PANELS - 1 members\n"
    "  --piers-every S     a pier under every S-th bottom node and under both ends (default 10)\n"
    "  -o FILE             write FILE instead of standard output\n"
    "  --help, --version   this text, or the version, on standard output\n"
    "\n"
    "Example: truss-generate roof 35 36 | truss-solve -o roof.res -   (10,080 members)\n";

int usage()
{
    std::cerr << USAGE;
    return 2;
}

bool to_int(const char* text, int& value)
{
    std::string s = text;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::cout << USAGE << "\n" << HELP;
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << version_text("truss-generate (kelvaro)");
        return 0;
    }
    if (argc < 2)
        return usage();
    const std::string kind = argv[1];
    RoofParameters roof;
    BridgeParameters bridge;
    std::string output_path;
    int sizes[2] = {0, 0};
    int size_count = 0;
    const int sizes_wanted = kind == "roof" ? 2 : kind == "bridge" ? 1 : 0;
    if (sizes_wanted == 0)
        return usage();
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o") {
            if (++i >= argc)
                return usage();
            output_path = argv[i];
        } else if (arg == "--columns-every" && kind == "roof") {
            if (++i >= argc || !to_int(argv[i], roof.column_spacing))
                return usage();
        } else if (arg == "--piers-every" && kind == "bridge") {
            if (++i >= argc || !to_int(argv[i], bridge.pier_spacing))
                return usage();
        } else if (size_count < sizes_wanted && to_int(argv[i], sizes[size_count])) {
            ++size_count;
        } else {
            return usage();
        }
    }
    if (size_count != sizes_wanted)
        return usage();

    std::string error, text;
    if (kind == "roof") {
        roof.nx = sizes[0];
        roof.ny = sizes[1];
        text = generate_roof(roof, error);
    } else {
        bridge.panels = sizes[0];
        text = generate_bridge(bridge, error);
    }
    if (text.empty()) {
        std::cerr << "truss-generate: " << error << "\n";
        return 1;
    }
    if (output_path.empty()) {
        std::cout << text;
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    if (!replace_file(output_path, text)) {
        std::cerr << "truss-generate: cannot write " << output_path << "\n";
        return 1;
    }
    return 0;
}

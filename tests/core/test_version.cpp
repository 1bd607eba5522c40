// Tests of where --version says the licence text is: an installation beside its copyright file,
// the build tree, and the copies that are neither, in a folder tree made for the test.
// (tests/app/program_options.sh checks the programs' whole --version text from the build tree,
// scripts/package-check.sh from the unpacked package.)
#include "core/version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct LicenceCase {
    const char* program;   // relative to the test's root unless absolute or empty
    const char* expected;  // relative to the root, or the package's absolute path
};

TEST(Version, LicenceFileFollowsWhereTheProgramRuns)
{
    const fs::path root = fs::temp_directory_path() / ("kelvaro_version_" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* prefix : {"usr", "build/stage"}) {
        fs::create_directories(root / prefix / "bin");
        fs::create_directories(root / prefix / "share/doc/kelvaro");
        std::ofstream(root / prefix / "share/doc/kelvaro/copyright") << "Files: *\n";
    }
    fs::create_directories(root / "opt/bin");
    fs::create_directory_symlink(root / "build", root / "build-link");
    const std::string package = "/usr/share/doc/kelvaro/copyright";
    const LicenceCase cases[] = {
        {"usr/bin/kelvaro", "usr/share/doc/kelvaro/copyright"},
        {"build/app/kelvaro-render", "src/LICENSE"},
        {"build/tools/truss-solve", "src/LICENSE"},
        {"build/stage/bin/kelvaro", "build/stage/share/doc/kelvaro/copyright"},  // installed in the build
        {"build-2/app/kelvaro", package.c_str()},  // a sibling whose name starts like the build's
        {"opt/bin/kelvaro", package.c_str()},      // installed without its copyright file
        {"", package.c_str()},                     // no /proc/self/exe
    };
    for (const char* build : {"build", "build/", "build-link"}) {
        const LicencePlaces places{(root / build).string(), (root / "src").string()};
        for (const LicenceCase& c : cases) {
            SCOPED_TRACE(std::string(build) + ": " + c.program);
            const std::string program = *c.program ? (root / c.program).string() : "";
            const std::string expected = *c.expected == '/' ? c.expected : (root / c.expected).string();
            EXPECT_EQ(licence_file(program, places), expected);
        }
    }
    EXPECT_EQ(licence_file("build/app/kelvaro", {"build", "src"}), package) << "a relative path";
    fs::remove_all(root);
}

}  // namespace

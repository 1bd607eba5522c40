// The programs' --version text: the version line and the licence line.
//
// kelvaro is under the MIT licence. The licence line names the file that holds the licence text
// for the copy that runs, found from the program's own path (/proc/self/exe):
//   - an installed program, PREFIX/bin/NAME beside PREFIX/share/doc/kelvaro/copyright, names that
//     copyright file (/usr/share/doc/kelvaro/copyright for the Debian package);
//   - a program in the build tree names the source tree's LICENSE;
//   - any other (a copy moved elsewhere, no /proc) names the Debian package's copyright file.
#pragma once

#include <string>
#include <string_view>

// The trees a build came from: the programs built in build_dir are under source_dir/LICENSE.
struct LicencePlaces {
    std::string build_dir;   // the build tree, absolute
    std::string source_dir;  // the source tree, absolute
};

// The places of the build this program came from.
LicencePlaces build_licence_places();
// The file holding the licence text for the program at absolute path program.
std::string licence_file(std::string_view program, const LicencePlaces& places);
// --version's whole text for this process: "NAME VERSION\nMIT licence, see FILE\n".
std::string version_text(std::string_view name);

// The programs' --version text and where the licence text is (see version.h).
#include "core/version.h"

#include <filesystem>
#include <system_error>

#ifndef KELVARO_VERSION
#define KELVARO_VERSION "unknown"
#endif
#ifndef KELVARO_BUILD_DIR
#define KELVARO_BUILD_DIR ""
#endif
#ifndef KELVARO_SOURCE_DIR
#define KELVARO_SOURCE_DIR ""
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* PACKAGE_COPYRIGHT = "/usr/share/doc/kelvaro/copyright";

// Whether path lies inside folder dir (both absolute); "/a/build-2/x" is not inside "/a/build".
bool lies_in(const fs::path& path, const fs::path& dir)
{
    if (dir.empty())
        return false;
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(dir, error);  // /proc/self/exe has its links resolved
    fs::path inside = path.lexically_relative(error ? dir : canonical);
    return !inside.empty() && *inside.begin() != "..";
}

}  // namespace

LicencePlaces build_licence_places()
{
    return {KELVARO_BUILD_DIR, KELVARO_SOURCE_DIR};
}

std::string licence_file(std::string_view program, const LicencePlaces& places)
{
    fs::path path(program);
    if (path.is_absolute()) {
        // An installation is recognised by its copyright file first, so that one made inside
        // the build tree (cmake --install build --prefix build/stage) counts as installed.
        fs::path installed = path.parent_path().parent_path() / "share/doc/kelvaro/copyright";
        std::error_code error;
        if (fs::is_regular_file(installed, error))
            return installed.string();
        if (lies_in(path, places.build_dir))
            return (fs::path(places.source_dir) / "LICENSE").string();
    }
    return PACKAGE_COPYRIGHT;
}

std::string version_text(std::string_view name)
{
    std::error_code error;
    std::string self = fs::read_symlink("/proc/self/exe", error).string();
    return std::string(name) + " " + KELVARO_VERSION + "\nMIT licence, see " +
           licence_file(error ? std::string() : self, build_licence_places()) + "\n";
}

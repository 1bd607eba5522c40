// File-name parts of a path: its folder, its name, the name's extension and stem.
//
// A path is cut at its last '/'; what follows is the name. The extension is the name's last '.'
// and what follows it ("x." has the extension "."); a dot at the very start of the name marks a
// hidden file, not an extension (".hidden" has none). Every result but the lower-case extension
// and the replaced extension is a view into the path.
#pragma once

#include <string>
#include <string_view>

// The folder with its trailing '/' ("" when the path has none).
std::string_view path_folder(std::string_view path);
// The name: what follows the last '/'.
std::string_view path_name(std::string_view path);
// The name's extension with its dot, in lower case ("" when the name has none).
std::string path_extension(std::string_view path);
// The path without its name's extension (the whole path when the name has none).
std::string_view path_without_extension(std::string_view path);
// The name without its extension.
std::string_view path_stem(std::string_view path);
// The path with its name's extension replaced by extension (given with its dot), or with extension
// added when the name has none.
std::string path_with_extension(std::string_view path, std::string_view extension);
// True when path ends in ending (in lower case, such as ".csv") in any case, with something before it.
bool path_ends_with(std::string_view path, std::string_view ending);

#include "core/file_name.h"

#include <cctype>

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Where the name's extension starts in path, or path.size() when the name has none.
std::size_t extension_start(std::string_view path)
{
    const std::size_t name_start = path.size() - path_name(path).size();
    const std::size_t dot = path.rfind('.');
    return dot != std::string_view::npos && dot > name_start ? dot : path.size();
}

}  // namespace

std::string_view path_folder(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view path_name(std::string_view path)
{
    return path.substr(path_folder(path).size());
}

std::string path_extension(std::string_view path)
{
    std::string extension(path.substr(extension_start(path)));
    for (char& c : extension)
        c = lower(c);
    return extension;
}

std::string_view path_without_extension(std::string_view path)
{
    return path.substr(0, extension_start(path));
}

std::string_view path_stem(std::string_view path)
{
    return path_name(path_without_extension(path));
}

std::string path_with_extension(std::string_view path, std::string_view extension)
{
    std::string result(path_without_extension(path));
    result += extension;
    return result;
}

bool path_ends_with(std::string_view path, std::string_view ending)
{
    if (path.size() <= ending.size())
        return false;
    path.remove_prefix(path.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (lower(path[i]) != ending[i])
            return false;
    return true;
}

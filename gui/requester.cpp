// Modal requesters: the message box, the Yes/No question and the open-file and save-file dialogs.
//
// Takes the program's arguments apart ("description|pattern|..." lists, the default file split at
// its last '/' into folder and name) and hands them to the backend. The working directory is
// restored after every file dialog, whatever the backend did meanwhile.
#include <algorithm>
#include <string>

#include "gui/platform.h"
#include "gui/requester.h"
#include "gui/requester_args.h"
#include "gui/working_folder.h"

namespace {

// The longest name offered in the name field (the platform's 260-byte buffer less its NUL).
constexpr std::size_t NAME_LIMIT = 259;

std::string file_request(bool save, std::string_view title, std::string_view default_file, std::string_view pattern,
                         int pattern_position, bool several = false)
{
    FileDialogSpec spec;
    spec.title = std::string(title);
    spec.filters = req_pattern_list(pattern);
    spec.filter_index = pattern_position;
    if (spec.filter_index < 0 || spec.filter_index >= static_cast<int>(spec.filters.size()))
        spec.filter_index = 0;
    req_split_default(default_file, spec.folder, spec.name);
    spec.save = save;
    spec.several = several;
    const WorkingFolderKeeper folder;
    std::string chosen = platform().file_dialog(spec);
    if (!folder.restore())
        return {};
    return chosen;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> req_pattern_list(std::string_view pattern)
{
    std::vector<std::pair<std::string, std::string>> list;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        const std::size_t bar = pattern.find('|', start);
        const std::size_t end = bar == std::string_view::npos ? pattern.size() : bar;
        parts.emplace_back(pattern.substr(start, end - start));
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    // Pairs end at the first empty description (the list's end). A trailing text without a
    // pattern ("*.jpg" alone) serves as both description and pattern.
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        if (parts[i].empty())
            break;
        list.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : parts[i]);
    }
    return list;
}

bool req_plain_file_name(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32)
            return false;
        if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

void req_split_default(std::string_view default_file, std::string& folder, std::string& name)
{
    const std::size_t slash = default_file.rfind('/');
    if (slash != std::string_view::npos && slash > 0) {
        folder = std::string(default_file.substr(0, slash));
        name = std::string(default_file.substr(slash + 1, NAME_LIMIT));
    } else {
        folder.clear();
        name = std::string(default_file.substr(0, NAME_LIMIT));
    }
    if (!req_plain_file_name(name))
        name.clear();
}

void req_init() {}

void req_end() {}

int req_message(std::string_view title, std::string_view text, std::uint32_t flags)
{
    return platform().message_box(title, text, flags);
}

void req_message_ok(std::string_view title, std::string_view text)
{
    req_message(title, text, 0);
}

bool req_yes_no(std::string_view title, std::string_view text)
{
    return platform().question_box(title, text);
}

bool req_text(std::string_view title, std::string_view prompt, std::string& text)
{
    return platform().text_box(title, prompt, text);
}

std::string req_open_file(std::string_view title, std::string_view default_file, std::string_view pattern,
                          int pattern_position)
{
    return file_request(false, title, default_file, pattern, pattern_position);
}

std::vector<std::string> req_open_files(std::string_view title, std::string_view default_file, std::string_view pattern,
                                        int pattern_position)
{
    const std::string chosen = file_request(false, title, default_file, pattern, pattern_position, true);
    std::vector<std::string> paths;
    for (std::size_t start = 0; start < chosen.size();) {
        const std::size_t end = std::min(chosen.find('\n', start), chosen.size());
        if (end > start)
            paths.push_back(chosen.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

std::string req_save_file(std::string_view title, std::string_view default_file, std::string_view pattern,
                          int pattern_position)
{
    return file_request(true, title, default_file, pattern, pattern_position);
}

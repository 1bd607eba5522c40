// Window-level input: shortcut keys, dropped files, popup menus, tooltips and the file watch.
//
// State: the tooltip text last set on each control, the path of the last drop and the watched
// paths. The platform does the showing and the watching; this file keeps the promises.
#include <map>

#include "gui/input.h"
#include "gui/platform.h"
#include "gui/runtime.h"

namespace {

std::map<int, std::string> tooltips;  // control number -> tooltip text last set
std::string drop_path;                // first local file of the last drop
std::vector<std::string> drop_paths;  // every local file of the last drop, in order
std::vector<std::string> watched;     // the watched paths

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The local path a file URI names, "" when it names none (another host, a NUL escape).
std::string file_uri_path(std::string_view uri)
{
    std::string_view rest = uri.substr(5);  // after "file:"
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return {};
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && host != "localhost")
            return {};
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const int high = rest[i] == '%' && i + 2 < rest.size() ? hex_value(rest[i + 1]) : -1;
        const int low = high >= 0 ? hex_value(rest[i + 2]) : -1;
        if (low < 0) {
            path += rest[i];  // a lone '%' stands for itself
            continue;
        }
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded == '\0')
            return {};
        path += decoded;
        i += 2;
    }
    return path;
}

}  // namespace

int gadget_popup_menu(int number, int x, int y, const std::vector<MenuEntry>& entries)
{
    const std::intptr_t handle = gadget_handle(number);
    if (handle == 0 || entries.empty())
        return -1;
    const int chosen = platform().popup_menu(handle, x, y, entries);
    return chosen >= 0 && chosen < static_cast<int>(entries.size()) ? chosen : -1;
}

void gadget_set_tooltip(int number, std::string_view text, int x, int y)
{
    const std::intptr_t handle = gadget_handle(number);
    if (handle == 0)
        return;
    std::string& now = tooltips[number];
    if (now == text && !text.empty())
        return;
    now = text;
    platform().control_set_tooltip(handle, text, x, y);
}

std::string gadget_tooltip(int number)
{
    const auto found = tooltips.find(number);
    return found != tooltips.end() && gadget_handle(number) != 0 ? found->second : std::string();
}

void show_text_box(std::string_view title, std::string_view text)
{
    platform().text_box(title, text);
}

std::string event_drop_path()
{
    return drop_path;
}

std::vector<std::string> event_drop_paths()
{
    return drop_paths;
}

std::string first_dropped_file(std::string_view list)
{
    const std::vector<std::string> files = dropped_files(list, 1);
    return files.empty() ? std::string() : files.front();
}

std::vector<std::string> dropped_files(std::string_view list, std::size_t most)
{
    std::vector<std::string> files;
    while (!list.empty() && files.size() < most) {
        std::size_t end = list.find('\n');
        std::string_view line = list.substr(0, end);
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '/') {
            files.emplace_back(line);
        } else if (line.substr(0, 5) == "file:") {
            std::string path = file_uri_path(line);
            if (!path.empty())
                files.push_back(std::move(path));
        }
    }
    return files;
}

bool file_watch(const std::vector<std::string>& paths)
{
    watched = paths;
    const bool ok = platform().watch_files(paths);
    if (!ok)
        watched.clear();
    return ok || paths.empty();
}

std::vector<std::string> file_watched()
{
    return watched;
}

void win_report_key(int number, int key, int modifiers)
{
    if (win_handle(number) != 0)
        event_raise(EVENT_KEY, key, number, modifiers, EVENT_FLAG_NO_MERGE);
}

void win_report_drop(int number, std::string_view list)
{
    if (win_handle(number) == 0)
        return;
    drop_paths = dropped_files(list);
    drop_path = drop_paths.empty() ? std::string() : drop_paths.front();
    event_raise(EVENT_DROP, 0, number, 0, EVENT_FLAG_NO_MERGE);
}

void file_report_changed()
{
    if (!watched.empty())
        event_raise(EVENT_FILE_CHANGED, 0, -1, 0);
}

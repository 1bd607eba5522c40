// The FLTK backend's file watch: inotify on each watched file's folder, read through Fl::add_fd.
// A write that ends with a file's close, and another file renamed or moved to its name (how
// editors and careful writers replace a file whole), count as a change; so does a new file
// created by that name (reported at its close).
//
// State: the inotify descriptor (kept while the program runs), the watches on the folders and the
// files' names in each.
#include <FL/Fl.H>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

int inotify_fd = -1;
std::map<int, std::vector<std::string>> watched;  // a folder's watch -> the files' names in it

bool is_watched(int watch, std::string_view name)
{
    const auto found = watched.find(watch);
    return found != watched.end() && std::find(found->second.begin(), found->second.end(), name) != found->second.end();
}

void readable(int fd, void*)
{
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            if (event.len > 0 && at + static_cast<ssize_t>(sizeof event + event.len) <= got &&
                is_watched(event.wd, std::string_view(name, strnlen(name, event.len))))
                changed = true;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (changed)
        file_report_changed();
}

void forget_watches()
{
    for (const auto& each : watched)
        inotify_rm_watch(inotify_fd, each.first);
    watched.clear();
}

}  // namespace

bool FltkPlatform::watch_files(const std::vector<std::string>& paths)
{
    forget_watches();
    if (paths.empty())
        return true;
    if (inotify_fd < 0) {
        inotify_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_fd < 0)
            return false;
        Fl::add_fd(inotify_fd, FL_READ, readable);
    }
    for (const std::string& path : paths) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
        if (error || !full.has_filename()) {
            forget_watches();
            return false;
        }
        // Folders watched twice give the same watch: its names gather.
        const std::string folder = full.parent_path().string();
        const int watch = inotify_add_watch(inotify_fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
        if (watch < 0) {
            forget_watches();
            return false;
        }
        watched[watch].push_back(full.filename().string());
    }
    return true;
}

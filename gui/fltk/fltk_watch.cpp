// The FLTK backend's file watch: inotify on the file's folder, read through Fl::add_fd. A write
// that ends with the file's close, and another file renamed or moved to its name (how editors
// and careful writers replace a file whole), count as a change; so does a new file created by
// that name (reported at its close).
//
// State: the inotify descriptor (kept while the program runs), the watch on the folder and the
// file's name in it.
#include <FL/Fl.H>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "gui/fltk/fltk_platform.h"
#include "gui/runtime.h"

namespace {

int inotify_fd = -1;
int watch = -1;       // the folder's watch, -1 when none
std::string watched;  // the file's name in the folder

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
            if (event.wd == watch && event.len > 0 && at + static_cast<ssize_t>(sizeof event + event.len) <= got &&
                watched == std::string(name, strnlen(name, event.len)))
                changed = true;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (changed)
        file_report_changed();
}

}  // namespace

bool FltkPlatform::watch_file(std::string_view path)
{
    if (inotify_fd >= 0 && watch >= 0) {
        inotify_rm_watch(inotify_fd, watch);
        watch = -1;
    }
    watched.clear();
    if (path.empty())
        return true;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error || !full.has_filename())
        return false;
    if (inotify_fd < 0) {
        inotify_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_fd < 0)
            return false;
        Fl::add_fd(inotify_fd, FL_READ, readable);
    }
    const std::string folder = full.parent_path().string();
    watch = inotify_add_watch(inotify_fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (watch < 0)
        return false;
    watched = full.filename().string();
    return true;
}

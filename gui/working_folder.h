// Keeping the process's working folder across a call that may change it (the file dialogs).
//
// The folder is held open by descriptor, so it is found again even when its path cannot be
// named: getcwd fails once the folder has been removed or its path is longer than PATH_MAX, and a
// restore by name would then be skipped. O_PATH needs no read permission on the folder.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <string>

class WorkingFolderKeeper {
public:
    // Remembers the working folder now in force.
    WorkingFolderKeeper() : folder_(open(".", O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
        if (folder_ < 0) {
            char path[PATH_MAX];
            if (getcwd(path, sizeof path))
                path_ = path;
        }
    }
    // Goes back to the remembered folder and lets it go.
    ~WorkingFolderKeeper()
    {
        restore();
        if (folder_ >= 0)
            close(folder_);
    }
    WorkingFolderKeeper(const WorkingFolderKeeper&) = delete;
    WorkingFolderKeeper& operator=(const WorkingFolderKeeper&) = delete;

    // Makes the remembered folder the working folder again. False when that failed; true also
    // when the folder could be neither opened nor named (there is nothing to go back to).
    bool restore() const
    {
        if (folder_ >= 0)
            return fchdir(folder_) == 0;
        return path_.empty() || chdir(path_.c_str()) == 0;
    }

private:
    int folder_;        // descriptor of the folder, -1 when it could not be opened
    std::string path_;  // its path, only when the descriptor is missing ("" if unknown)
};

// Writing a file whole or not at all.
//
// The new contents go to a file beside the target: an unnamed file (O_TMPFILE) in the target's
// folder where the file system allows it, else a hidden ".NAME.kelvaro-tmp.PID.XXXXXX" created
// exclusively (PID the writing process). It is
// flushed and synced, given a name if it had none, and renamed over the target. The target is
// therefore always either the old file or the complete new one, also when the process dies at any
// moment: a death between naming the finished file and the rename can leave that complete hidden
// copy behind, never a partial target (with the hidden-name way, a death while writing can leave
// a partial hidden file, but the target is still the old one). On a failure everything this call
// created is removed and nothing else is touched. Such a hidden file left by a killed save is
// removed by the next save of the same target once its writer is gone (or it is ten minutes old);
// no other file beside the target is ever touched.
//
// The new file gets the permissions a plain create gives (0666 less the umask, or the folder's
// default ACL); the old file's mode and owner are not carried over, and other hard links to the
// old file keep the old contents.
//
// Symbolic links are followed, as opening the target for writing would: the file a link (or a
// chain of links) names is replaced, in that file's own folder, and the link stays a link. A
// target that exists but is no regular file (a device such as /dev/null, a FIFO) cannot be
// replaced: it is written in place, as a plain open would, and a directory is refused (EISDIR).
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// Writes path whole or not at all. write gets a binary stream on the new file and returns false to
// give up. True on success. On failure error says what failed, errno holds the cause (0 when write
// gave up without one), nothing this call created is left, and the target is as it was.
bool write_file_atomically(std::string_view path, const std::function<bool(std::FILE*)>& write, std::string& error);
// The same with the file's whole contents given as bytes.
bool write_file_atomically(std::string_view path, std::string_view bytes, std::string& error);

// One file of a set written together: its path and its whole contents.
struct FileBytes {
    std::string_view path;
    std::string_view bytes;
};
// Writes several files so that none of the targets is replaced before every new file is complete:
// all are written and synced beside their targets first, then renamed over them in order (a
// target written in place takes its turn there). True on success. On failure failed is the index
// of the file that failed, error and errno are as above, and when the failure came before the
// renames (a write, a folder, a full disk) every target is as it was; only a rename itself failing
// (the folder changed meanwhile) or a write in place can leave the earlier targets replaced.
bool write_files_atomically(std::span<const FileBytes> files, std::string& error, std::size_t& failed);
// Whether O_TMPFILE may be tried (default true); false forces the hidden-name way. For tests.
void atomic_file_allow_unnamed(bool allowed);

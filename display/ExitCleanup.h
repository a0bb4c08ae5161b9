#pragma once
// Files the process makes and must not leave behind however it ends: at a
// normal exit, on a terminating signal, or when the display goes away. Their
// paths are kept in fixed storage so that a signal handler can remove them.

#include <string>

namespace courseview {

// One file's place in the list. While it is marked present, an ending
// process removes the file.
class CleanupEntry {
public:
    // Takes a free place for `path`; with none free (or a path too long to
    // keep), the entry does nothing and the caller's own clean-up is all.
    explicit CleanupEntry(const std::string& path);
    ~CleanupEntry();
    CleanupEntry(const CleanupEntry&) = delete;
    CleanupEntry& operator=(const CleanupEntry&) = delete;

    // Mark before the file is made, unmark after it is gone: a signal in
    // between finds a file that may exist, never one it missed.
    void SetPresent(bool present);

private:
    int m_slot;
};

// Removes every file marked present. Safe inside a signal handler.
void RemoveFilesLeftToClean();

// From now on exit() and the signals SIGTERM, SIGHUP, SIGINT and SIGQUIT
// remove the marked files first; a signal then ends the process as it would
// have without the handler.
void CleanUpWhenTheProcessEnds();

}  // namespace courseview

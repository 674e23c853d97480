#pragma once

#include <string>

#include "platform/api.h"

namespace velmora::platform {

// An advisory lock that one process at a time holds on a file (flock), for
// hosts that must not run twice on the same file. Released when the object
// goes, or when the process ends in any way. The file itself is neither
// created nor changed.
//
// The lock keeps its own descriptor of the file open: a SQLite database file
// may be locked this way, since flock locks and SQLite's record locks do not
// meet; the lock must then be taken before the database is opened and kept
// until it is closed.
class VELMORA_API FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock when no other process holds it; false at once otherwise
    // (or when the file cannot be opened: GetLastError says which).
    bool TryLock();
    // Takes the lock, waiting for the process that holds it.
    bool Lock();
    // After a TryLock that failed: another process holds the lock.
    bool IsHeldElsewhere() const { return m_bHeldElsewhere; }
    const std::string& GetLastError() const { return m_strError; }

private:
    bool Take(bool wait);

    std::string m_path;
    int m_fd = -1;
    bool m_bHeldElsewhere = false;
    std::string m_strError;
};

}  // namespace velmora::platform

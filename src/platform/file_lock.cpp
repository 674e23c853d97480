#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora::platform {

FileLock::FileLock(const std::string& path) : m_path(path) {}

FileLock::~FileLock() {
    if (m_fd >= 0) close(m_fd);
}

bool FileLock::TryLock() { return Take(false); }

bool FileLock::Lock() { return Take(true); }

bool FileLock::Take(bool wait) {
    if (m_fd < 0) m_fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_strError = m_path + ": " + std::strerror(errno);
        return false;
    }
    int result = 0;
    do {
        result = flock(m_fd, LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    m_bHeldElsewhere = result != 0 && errno == EWOULDBLOCK;
    if (result == 0) return true;
    m_strError = m_bHeldElsewhere ? m_path + " is locked by another process" : m_path + ": " + std::strerror(errno);
    return false;
}

}  // namespace velmora::platform

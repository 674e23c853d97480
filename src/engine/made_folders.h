#pragma once

#include <mutex>
#include <string>
#include <unordered_set>

namespace velmora {

// The folders one pair of a transfer made on its server, shared by the
// pair's sessions. A folder the pair made holds only what the pair put there
// itself, and the pair puts each file once: a file's place in such a folder
// needs no question to the server whether something is in the way.
class CMadeFolders {
public:
    // `folder` as CFtpPath::GetFtpDir gives it ("/a/b/").
    void Add(const std::string& folder) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_folders.insert(folder);
    }
    bool Contains(const std::string& folder) const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_folders.count(folder) != 0;
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_set<std::string> m_folders;
};

}  // namespace velmora

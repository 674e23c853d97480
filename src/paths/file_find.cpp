#include "paths/file_find.h"

namespace velmora {
namespace {

bool HasWildcard(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

// "*" matches any run of characters, "?" any one; everything else itself.
bool MatchesWildcard(std::string_view name, std::string_view mask) {
    size_t n = 0;
    size_t m = 0;
    size_t starMask = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::string JoinName(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

}  // namespace

CFileFind::CFileFind() : CFileRecFind(&m_current) {}

CFileFind::~CFileFind() = default;

bool CFileFind::FindFile(std::string_view pattern) {
    Close();
    if (pattern.empty()) pattern = "*.*";
    const size_t separator = pattern.find_last_of("/\\");
    std::string_view mask = pattern;
    if (separator != std::string_view::npos) {
        m_strRoot = std::string(pattern.substr(0, separator == 0 ? 1 : separator));
        mask = pattern.substr(separator + 1);
    }
    if (mask.empty() || HasWildcard(mask)) return ListFolder(mask);
    return FindOne(std::string(mask));
}

bool CFileFind::ListFolder(std::string_view mask) {
    std::vector<platform::DirEntry> all;
    if (!platform::ListDirectory(m_strRoot.empty() ? "." : m_strRoot, all, &m_strError)) {
        if (m_strError.empty()) m_strError = "Cannot list the folder";
        return false;
    }
    const bool everything = mask.empty() || mask == "*" || mask == "*.*";
    for (platform::DirEntry& entry : all) {
        if (everything || MatchesWildcard(entry.name, mask)) m_entries.push_back(std::move(entry));
    }
    return !m_entries.empty();
}

bool CFileFind::FindOne(const std::string& name) {
    platform::DirEntry entry;
    entry.name = name;
    const std::string path = JoinName(m_strRoot, name);
    if (!platform::GetFileStatus(path, entry.status)) return false;
    entry.isSymlink = platform::IsSymbolicLink(path);
    m_entries.push_back(std::move(entry));
    return true;
}

bool CFileFind::FindNextFile() {
    if (m_next >= m_entries.size()) return false;
    const platform::DirEntry& entry = m_entries[m_next++];
    m_current.SetPath(JoinName(m_strRoot, entry.name), PATH_LITERAL);
    m_current.SetStatusBlock(entry.status);
    return m_next < m_entries.size();
}

void CFileFind::Close() {
    m_strRoot.clear();
    m_strError.clear();
    m_entries.clear();
    m_next = 0;
    m_current.Clear();
}

const platform::DirEntry* CFileFind::Current() const { return m_next > 0 ? &m_entries[m_next - 1] : nullptr; }

std::string CFileFind::GetFileName() const {
    const platform::DirEntry* entry = Current();
    return entry ? entry->name : std::string();
}

std::string CFileFind::GetFilePath() const {
    const platform::DirEntry* entry = Current();
    return entry ? JoinName(m_strRoot, entry->name) : std::string();
}

std::string CFileFind::GetFileTitle() const {
    const std::string name = GetFileName();
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool CFileFind::IsDots() const {
    const std::string name = GetFileName();
    return name == "." || name == "..";
}

bool CFileFind::IsSymlink() const {
    const platform::DirEntry* entry = Current();
    return entry && entry->isSymlink;
}

}  // namespace velmora

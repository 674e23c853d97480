#include "paths/file_find.h"

#include <utility>

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
    if (!m_reader.Open(m_strRoot.empty() ? "." : m_strRoot)) {
        m_strError = m_reader.Error().empty() ? "Cannot list the folder" : m_reader.Error();
        return false;
    }
    m_strMask = mask == "*" || mask == "*.*" ? std::string() : std::string(mask);
    ReadAhead();
    return m_bAhead;
}

void CFileFind::ReadAhead() {
    m_bAhead = false;
    while (m_reader.Next(m_ahead)) {
        if (m_strMask.empty() || MatchesWildcard(m_ahead.name, m_strMask)) {
            m_bAhead = true;
            return;
        }
    }
    m_strError = m_reader.Error();
}

bool CFileFind::FindOne(const std::string& name) {
    m_ahead = platform::DirEntry();
    m_ahead.name = name;
    const std::string path = JoinName(m_strRoot, name);
    if (!platform::GetFileStatus(path, m_ahead.status)) return false;
    m_ahead.isSymlink = platform::IsSymbolicLink(path);
    m_bAhead = true;
    return true;
}

bool CFileFind::FindNextFile() {
    if (!m_bAhead) return false;
    std::swap(m_entry, m_ahead);
    m_bCurrent = true;
    m_current.SetPath(JoinName(m_strRoot, m_entry.name), PATH_LITERAL);
    m_current.SetStatusBlock(m_entry.status);
    ReadAhead();
    return m_bAhead;
}

void CFileFind::Close() {
    m_strRoot.clear();
    m_strError.clear();
    m_strMask.clear();
    m_reader.Close();
    m_bCurrent = false;
    m_bAhead = false;
    m_current.Clear();
}

const platform::DirEntry* CFileFind::Current() const { return m_bCurrent ? &m_entry : nullptr; }

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

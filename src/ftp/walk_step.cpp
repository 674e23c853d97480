#include "ftp/walk_step.h"

#include "base/format.h"
#include "ftp/ftp_dir.h"

namespace velmora {
namespace {

// FNV-1a, over the bytes of `text` and a separator.
uint64_t Mix(uint64_t hash, std::string_view text) {
    constexpr uint64_t kPrime = 1099511628211ull;
    for (const unsigned char c : text) hash = (hash ^ c) * kPrime;
    return (hash ^ 0xFF) * kPrime;
}

}  // namespace

CWalkStep::CWalkStep(const CWalkStep* parent, std::string path, std::string unique)
    : m_parent(parent), m_path(std::move(path)), m_unique(std::move(unique)), m_depth(parent ? parent->m_depth + 1 : 0) {}

uint64_t CWalkStep::Fingerprint(uint64_t fingerprint, const CFtpDir& entry) {
    if (fingerprint == 0) fingerprint = 14695981039346656037ull;
    fingerprint = Mix(fingerprint, entry.GetName());
    fingerprint = Mix(fingerprint, std::to_string(entry.GetKind()) + " " + std::to_string(entry.GetPath().Length()) +
                                       " " + std::to_string(entry.GetPath().LastWriteTime()));
    return fingerprint;
}

const CWalkStep* CWalkStep::Up(int levels) const {
    const CWalkStep* step = this;
    for (int i = 0; i < levels && step; ++i) step = step->m_parent;
    return step;
}

std::string CWalkStep::Name() const {
    std::string_view path = m_path;
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    return std::string(path.substr(path.find_last_of('/') + 1));
}

std::string CWalkStep::Cycle() const {
    if (!m_unique.empty()) {
        for (const CWalkStep* above = m_parent; above; above = above->m_parent) {
            if (above->m_unique == m_unique)
                return Format("%s is %s again (the server names both %s)", m_path.c_str(), above->m_path.c_str(),
                              m_unique.c_str());
        }
    }
    for (int cycle = 1; cycle <= kLongestCycle; ++cycle) {
        // How many times in a row the last `cycle` names repeat.
        int repeats = 1;
        for (;; ++repeats) {
            bool same = true;
            for (int i = 0; i < cycle && same; ++i) {
                const CWalkStep* now = Up(i);
                const CWalkStep* before = Up(i + repeats * cycle);
                // The root "/" has no name to repeat.
                same = now && before && !now->Name().empty() && now->Name() == before->Name();
            }
            if (!same) break;
        }
        if (repeats < 2) continue;
        const CWalkStep* before = Up(cycle);
        if (repeats >= kRepeats || (m_listing != 0 && before->m_listing == m_listing))
            return Format("%s repeats %s (the folder names go round in a circle)", m_path.c_str(),
                          before->m_path.c_str());
    }
    return {};
}

void CWalkBudget::Reset(uint64_t entries, uint64_t pathBytes) {
    m_maxEntries = entries;
    m_maxPathBytes = pathBytes;
    m_entries = 0;
    m_pathBytes = 0;
    m_bSpent = false;
}

bool CWalkBudget::Take(size_t pathBytes) {
    const uint64_t entries = m_entries.fetch_add(1, std::memory_order_relaxed) + 1;
    const uint64_t bytes = m_pathBytes.fetch_add(pathBytes, std::memory_order_relaxed) + pathBytes;
    if (entries > m_maxEntries || bytes > m_maxPathBytes) m_bSpent.store(true, std::memory_order_relaxed);
    return !IsSpent();
}

std::string CWalkBudget::Why() const {
    if (m_entries.load(std::memory_order_relaxed) > m_maxEntries)
        return Format("Folder tree too large: more than %llu entries", static_cast<unsigned long long>(m_maxEntries));
    return Format("Folder tree too large: more than %llu bytes of paths",
                  static_cast<unsigned long long>(m_maxPathBytes));
}

}  // namespace velmora

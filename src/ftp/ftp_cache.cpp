#include "ftp/ftp_cache.h"

namespace velmora {

CFtpPathList* CFtpCache::Add(const CFtpPath& path) {
    CFtpPathList*& list = m_map[path.GetDir()];
    if (!list) list = new CFtpPathList(path.GetDir(), true, false);
    list->AddTail(new CFtpPath(path));
    return list;
}

CFtpPathList* CFtpCache::CurList(std::string_view folder) const {
    CFtpPathList* list = nullptr;
    if (folder.empty() || !m_map.Lookup(std::string(folder), list)) return nullptr;
    return list;
}

CFtpPath* CFtpCache::Remove(const CFtpPath* path) {
    if (!path) return nullptr;
    for (auto& [folder, list] : m_map) {
        for (CFtpPath* element : *list) {
            if (element == path) {
                list->Remove(element);
                return element;
            }
        }
    }
    return nullptr;
}

void CFtpCache::RemoveAndDestroy(const CFtpPath* path) { delete Remove(path); }

void CFtpCache::RemoveAndDestroy(std::string_view folder) { m_map.RemoveAndDestroy(std::string(folder)); }

void CFtpCache::RemoveAndDestroy() {
    for (auto& [folder, list] : m_map) delete list;
    m_map.RemoveAll();
}

bool CFtpCache::UniqueName(const CFtpPathList* list, CFtpPath* path) { return list && list->UniqueName(path); }

void CFtpCache::UniqueName(std::string_view folder, CFtpPathList& incoming) const {
    const CFtpPathList* list = CurList(folder);
    if (!list) return;
    for (CFtpPath* path : incoming) list->UniqueName(path);
}

}  // namespace velmora

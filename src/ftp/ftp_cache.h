#pragma once

#include <string>
#include <string_view>

#include "objects/std_map.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "platform/api.h"

namespace velmora {

// The paths already known in each remote folder, so that names can be made
// unique before an upload. Keys are folder texts exactly as
// CFtpPath::GetDir() gives them (letter case counts); each folder's list is
// owned and tagged with its folder text.
class VELMORA_API CFtpCache {
public:
    CFtpCache() = default;
    CFtpCache(const CFtpCache&) = delete;
    CFtpCache& operator=(const CFtpCache&) = delete;
    ~CFtpCache() { RemoveAndDestroy(); }

    // Appends a copy of the path to its folder's list (made when missing);
    // answers that list.
    CFtpPathList* Add(const CFtpPath& path);
    // Null for an unknown or empty folder text.
    CFtpPathList* CurList(std::string_view folder) const;

    // Takes that very object (not an equal one) out of its list without
    // deleting it; null when no list holds it.
    CFtpPath* Remove(const CFtpPath* path);
    void RemoveAndDestroy(const CFtpPath* path);
    void RemoveAndDestroy(std::string_view folder);
    void RemoveAndDestroy();

    // Renames `path` so that no path of `list` has its name.
    static bool UniqueName(const CFtpPathList* list, CFtpPath* path);
    // Makes each incoming path, in order, unique against the folder's list.
    void UniqueName(std::string_view folder, CFtpPathList& incoming) const;

private:
    CStdMap<std::string, CFtpPathList*> m_map;
};

}  // namespace velmora

#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/common/name_filter.h"

namespace velmora {
class CRemoteSession;
}

namespace parcelo {

// What Find on server looks for. The name test is the list filter's (a
// plain text anywhere in the name, or a "*"/"?" pattern of the whole
// name; empty: any name). A size bound leaves folders out; the time
// bounds (seconds since 1970, modified at or after `newerThan`, before
// `olderThan`) apply to folders too.
struct CFindCriteria {
    CNameFilter name;
    std::optional<uint64_t> minSize;
    std::optional<uint64_t> maxSize;
    std::optional<int64_t> newerThan;
    std::optional<int64_t> olderThan;

    bool Matches(const std::string& entryName, bool folder, uint64_t size, int64_t modified) const;
};

// An entry found: its path on the server (a folder's ends with "/").
struct CFoundEntry {
    std::string path;
    bool folder = false;
    uint64_t size = 0;
    int64_t modified = 0;
};

// How a search ended: the folders it listed, one line ("folder: reason")
// for each it could not, and whether it was stopped.
struct CFindOutcome {
    int folders = 0;
    std::vector<std::string> failures;
    bool cancelled = false;
};

// Lists `folder` and every folder below it over the session (links are
// matched by name but never followed) and calls `found` for each entry
// that matches, as its folder is listed. A folder that cannot be listed is
// noted and the rest goes on; a lost session, or `cancel` set, ends it.
CFindOutcome FindOnServer(velmora::CRemoteSession& session, const std::string& folder, const CFindCriteria& criteria,
                          const std::function<void(const CFoundEntry&)>& found, const std::atomic<bool>& cancel);

}  // namespace parcelo

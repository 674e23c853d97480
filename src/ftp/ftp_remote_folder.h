#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_find.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "platform/api.h"

namespace velmora {

class CRemoteSession;

class CWalkStep;

// Calls f(find) for each entry of a remote folder, which is dropped once `f`
// returns (`f` keeps copies, never pointers); false (and the reason in
// `error` when given) when the folder could not be listed. `refused` gets
// the entries left out for their unsafe names.
template <class F>
bool ForEachRemoteEntry(CRemoteSession* session, const std::string& folder, F f, std::string* error = nullptr,
                        std::vector<std::string>* refused = nullptr) {
    CFtpFind find(session);
    if (!find.Open(folder)) {
        if (error) *error = find.GetLastError();
        return false;
    }
    if (refused) *refused = find.GetRefused();
    for (bool more = find.GetCount() > 0; more;) {
        more = find.FindNextFileW() != 0;
        f(find);
        // A folder of many entries is not held twice: as its listing and as what `f` made of it.
        find.DropCurrent();
    }
    return true;
}

// Changes to remote folders over one borrowed session: create, rename and
// delete with everything inside. A refusal leaves the server's reply (at
// most 255 bytes) as GetLastError().
class VELMORA_API CFtpRemoteFolder {
public:
    // Deepest folder level below a folder that a recursive delete goes to: a
    // server that lists folders without end cannot keep it going forever.
    static constexpr int kMaxDepth = 100;

    explicit CFtpRemoteFolder(CRemoteSession* session) : m_pSession(session) {}

    bool Create(const CFtpPath& folder);
    bool Rename(const CFtpPath& folder, const CFtpPath& renamed);
    // Deletes the folder with everything in it; links are deleted, never
    // what they point to (also a folder that is a link, as a followed link
    // is marked). The server's root folder is never deleted. The whole tree
    // is listed first: one whose folders go round in a circle (a link the
    // server resolves) is refused before anything goes.
    bool Delete(const CFtpPath& folder);
    // Deletes the list's files, taking each out of the list as it goes;
    // stops at the first refusal. Folders in the list are left alone.
    bool DeleteFiles(CFtpPathList& list);

    const std::string& GetLastError() const { return m_strLastError; }

private:
    bool Connected();
    // Lists what is below the folder reached by `step` into `files` and
    // `folders` (parents first); false when a folder could not be listed or
    // is one above met again (CWalkStep::Cycle).
    bool ListBelow(const CFtpPath& folder, CWalkStep& step, CFtpPathList& files, std::vector<CFtpPath>& folders);
    bool Fail(const std::string& reason);
    bool ServerRefused();

    CRemoteSession* m_pSession;
    std::string m_strLastError;
};

}  // namespace velmora

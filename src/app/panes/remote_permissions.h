#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "app/common/permissions_dlg.h"
#include "paths/file_path_list.h"

namespace velmora {
class CRemoteSession;
}

namespace parcelo {

// What a change of permissions did: how many entries took the mode, and
// one line ("path: the server's reason") for each that did not.
struct CPermissionsOutcome {
    int changed = 0;
    std::vector<std::string> failures;
    bool cancelled = false;
};

// Sets the chosen mode on the entries (folders carry the folder attribute)
// over the session: SITE CHMOD over FTP, setstat over SFTP. A recursive
// choice goes down into the folders, to the entries its scope names (the
// chosen folders themselves among them); links are changed where chosen
// but never followed. A refusal is noted and the rest goes on; a lost
// session, or `cancel` set, ends the change.
CPermissionsOutcome ApplyPermissions(velmora::CRemoteSession& session, const velmora::CFtpPathList& entries,
                                     const CPermissionsChoice& choice, const std::atomic<bool>& cancel);

}  // namespace parcelo

#pragma once

#include <functional>
#include <map>
#include <string>
#include <unordered_set>

#include "ftp/ftp_client.h"
#include "ftp/login_info.h"
#include "paths/file_path_list.h"

namespace parcelo::cli {

// Keeps the files a transfer finds on its destination server: each file
// sent there gets a name that is free in its folder ("a.txt" becomes
// "a(1).txt", then "a(2).txt"), as the desktop program's browser does for
// its uploads. It is the job's provider of unique names (Provide), and
// answers from its own session, with one listing per folder; folders the
// transfer makes are known to be empty without one. A name that cannot be
// checked (the session failed) is refused, so that no file is replaced
// unasked.
class UniqueUploadNames {
public:
    // `notice` hears which name a file was given instead of its own, and
    // why a file was refused.
    UniqueUploadNames(const velmora::CFtpLoginInfo& login, std::function<void(const std::string&)> notice);
    UniqueUploadNames(const UniqueUploadNames&) = delete;
    UniqueUploadNames& operator=(const UniqueUploadNames&) = delete;

    // Logs in before the transfer opens its own sessions, so that a server
    // that limits sessions per user counts this one first and the transfer
    // goes on with the sessions it has left. One attempt: a failure is
    // tried again, and reported, when a name is first asked for.
    void OpenSession() { Connected(); }

    // Renames `target` in place to a free name in its folder: a
    // TargetChoice, TARGET_FAIL when the folder could not be read.
    int32_t Provide(velmora::CFtpPath& target);

private:
    // The names taken in one server folder: the listing's and those given
    // to files of this transfer.
    struct Folder {
        velmora::CFtpPathList paths;
        std::unordered_set<std::string> names;

        bool Has(const std::string& name) const { return names.contains(name); }
        void Take(const velmora::CFtpPath& path);
    };

    // Renames the path to a free name in its folder; false when the folder
    // could not be read.
    bool MakeUnique(velmora::CFtpPath& path);
    Folder* Names(const std::string& folder);
    bool List(const std::string& folder, Folder& names);
    // A listing leaves out names that start with "."; such a name is asked
    // for. False when the server could not answer.
    bool HiddenNameTaken(const velmora::CFtpPath& path, bool& taken);
    bool Connected();

    velmora::CFtpLoginInfo m_login;
    std::function<void(const std::string&)> m_notice;
    velmora::CFtpClient m_client;
    std::map<std::string, Folder> m_folders;
    std::string m_strError;
};

}  // namespace parcelo::cli

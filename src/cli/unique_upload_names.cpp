#include "cli/unique_upload_names.h"

#include "ftp/ftp_find.h"
#include "ftp/remote_session.h"
#include "messaging/msg_commands.h"

namespace parcelo::cli {
namespace {

// The folder that holds `folder` ("/a/b/" -> "/a/"), and its name ("b");
// the root has none.
bool SplitFolder(const std::string& folder, std::string& parent, std::string& name) {
    const size_t end = folder.find_last_not_of('/');
    if (end == std::string::npos) return false;
    const size_t slash = folder.rfind('/', end);
    if (slash == std::string::npos) return false;
    parent = folder.substr(0, slash + 1);
    name = folder.substr(slash + 1, end - slash);
    return true;
}

}  // namespace

void UniqueUploadNames::Folder::Take(const velmora::CFtpPath& path) {
    if (names.insert(path.GetFileName(true)).second) paths.Add(new velmora::CFtpPath(path));
}

UniqueUploadNames::UniqueUploadNames(const velmora::CFtpLoginInfo& login,
                                     std::function<void(const std::string&)> notice)
    : m_login(login), m_notice(std::move(notice)) {
    // One login: the log shows no attempt number.
    m_login.SetCurAttempt(1);
}

int32_t UniqueUploadNames::Provide(velmora::CFtpPath& target) {
    const std::string wanted = target.GetFtpPath();
    if (!MakeUnique(target)) {
        m_notice("cannot tell whether " + wanted + " is on the server (" + m_strError +
                 "): the file is not sent; --overwrite replaces files without looking");
        return velmora::TARGET_FAIL;
    }
    if (target.GetFtpPath() != wanted) {
        m_notice(wanted + " is on the server: sent as " + target.GetFileName(true) + " (--overwrite replaces it)");
    }
    return velmora::TARGET_AS_BEFORE;
}

bool UniqueUploadNames::MakeUnique(velmora::CFtpPath& path) {
    Folder* folder = Names(path.GetFtpDir(true));
    if (!folder) return false;
    for (;;) {
        const std::string name = path.GetFileName(true);
        if (!folder->Has(name) && name.starts_with(".")) {
            bool taken = false;
            if (!HiddenNameTaken(path, taken)) return false;
            if (taken) folder->Take(path);
        }
        if (!folder->Has(name)) break;
        if (!folder->paths.UniqueName(&path)) {
            m_strError = "no free name like " + name;
            return false;
        }
    }
    folder->Take(path);
    return true;
}

UniqueUploadNames::Folder* UniqueUploadNames::Names(const std::string& folder) {
    if (auto found = m_folders.find(folder); found != m_folders.end()) return &found->second;
    // A folder its parent does not hold is made by this transfer: empty.
    // (Listings leave out names that start with ".".)
    std::string parent;
    std::string name;
    const bool made = SplitFolder(folder, parent, name) && !name.starts_with(".") && m_folders.contains(parent) &&
                      !m_folders.at(parent).Has(name);
    Folder names;
    if (!made && !List(folder, names)) return nullptr;
    return &m_folders.emplace(folder, std::move(names)).first->second;
}

bool UniqueUploadNames::List(const std::string& folder, Folder& names) {
    if (!Connected()) return false;
    velmora::CRemoteSession& session = *m_client.GetSession();
    if (!session.IsFolder(folder)) {
        // A folder that is not there yet holds nothing.
        if (session.GetLastErrorKind() == velmora::ERemoteError::Refused) return true;
        m_strError = session.GetLastError();
        return false;
    }
    velmora::CFtpFind find(&session);
    if (!find.Open(folder)) {
        m_strError = find.GetLastError();
        return false;
    }
    for (bool more = find.GetCount() > 0; more;) {
        more = find.FindNextFileW() != 0;
        // By name: a folder's own path has no file name.
        names.Take(velmora::CFtpPath(folder + find.GetCurrent()->GetName()));
    }
    return true;
}

bool UniqueUploadNames::HiddenNameTaken(const velmora::CFtpPath& path, bool& taken) {
    if (!Connected()) return false;
    velmora::CRemoteSession& session = *m_client.GetSession();
    velmora::CRemoteFacts facts;
    // A server that can tell nothing of a file is taken at its listing's word.
    if (session.GetFactsOnly(path.GetFtpPath(), velmora::FactSize, facts) ||
        session.GetLastErrorKind() == velmora::ERemoteError::Unsupported) {
        taken = facts.exists;
        return true;
    }
    m_strError = session.GetLastError();
    return false;
}

bool UniqueUploadNames::Connected() {
    if (m_client.IsConnected() || m_client.Login(m_login)) return true;
    m_strError = m_client.GetStrError();
    return false;
}

}  // namespace parcelo::cli

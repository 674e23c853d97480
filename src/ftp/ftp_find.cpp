#include "ftp/ftp_find.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/format.h"
#include "ftp/remote_session.h"
#include "messaging/log_status.h"
#include "platform/encoding.h"

namespace velmora {
namespace {

// The folder a FindFile argument names: the path itself, or its folder part
// when it ends in a pattern ("/a/b/*").
std::string FolderOf(std::string_view path) {
    const bool pattern = path.find('*', 1) != std::string_view::npos;
    return CFtpPath(path, pattern ? PATH_LITERAL : PATH_FOLDER).GetFtpDir(true);
}

}  // namespace

CFtpFind::CFtpFind(CRemoteSession* session) : m_pSession(session), m_pos(m_list.End()) {}

CFtpFind::~CFtpFind() = default;

std::string CFtpFind::GetFileName() const { return m_pCurrent ? m_pCurrent->GetName() : std::string(); }

std::string CFtpFind::GetFileURL() const {
    if (!m_pSession) return "ftp://" + GetPath().GetPath();
    return m_pSession->GetScheme() + "://" + m_pSession->GetHost() + GetPath().GetPath();
}

std::string CFtpFind::GetFileTitle() const {
    const std::string name = GetFileName();
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Only a folder's own entries: hidden names (".htaccess") are files like any other.
bool CFtpFind::IsDots() const {
    const std::string name = GetFileName();
    return name == "." || name == "..";
}

int CFtpFind::FindFile(std::string_view path, unsigned /*flags*/) { return Open(path) && GetCount() > 0 ? 1 : 0; }

int CFtpFind::FindNextFileW() {
    if (m_list.IsEnd(m_pos)) return 0;
    m_pCurrent = m_list.GetNext(m_pos);
    SetCurrentPath(&m_pCurrent->GetPath());
    return m_list.IsEnd(m_pos) ? 0 : 1;
}

void CFtpFind::DropCurrent() {
    if (!m_pCurrent) return;
    // The next position is right after the current entry.
    const CFtpDirList::POSITION current = std::prev(m_pos);
    m_pCurrent = nullptr;
    SetCurrentPath(nullptr);
    delete *current;
    m_list.RemoveAt(current);
}

const CFtpPath& CFtpFind::GetPath() const {
    static const CFtpPath kNone;
    return m_pCurrent ? m_pCurrent->GetPath() : kNone;
}

bool CFtpFind::Open(std::string_view path) {
    m_pCurrent = nullptr;
    SetCurrentPath(nullptr);
    m_list.RemoveAndDestroy();
    m_refused.clear();
    m_pos = m_list.End();
    m_strFolder = FolderOf(path);
    if (!m_pSession) return Fail("Ftp is not connected");
    const bool listed = m_pSession->List(
        m_strFolder, [this](CFtpDir&& entry) { return Take(std::move(entry)); },
        [this](const std::string& entry) { Refuse(entry); });
    if (!listed) {
        // A listing stopped at the bound has its reason already.
        if (m_list.GetCount() <= static_cast<int>(kMaxEntries)) Fail(m_pSession->GetLastError());
        m_list.RemoveAndDestroy();
        return false;
    }
    if (m_pSession->GetFeatures().exactListing) SortByName();
    m_pos = m_list.GetHeadPosition();
    return true;
}

// Servers send a classic listing sorted as "ls" does and a machine listing
// in the order their folders hold the names: sorting keeps what the user
// sees the same whichever was asked.
void CFtpFind::SortByName() {
    std::vector<CFtpDir*> entries(m_list.begin(), m_list.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CFtpDir* a, const CFtpDir* b) { return a->GetName() < b->GetName(); });
    m_list.RemoveAll();
    for (CFtpDir* entry : entries) m_list.AddTail(entry);
}

bool CFtpFind::Take(CFtpDir&& entry) {
    // A name in another encoding is kept byte for byte: a local file name
    // may hold any bytes, so the local copy gets exactly the server's name,
    // which stays unique in its folder and goes back unchanged on an upload.
    // Only the log shows it with its odd bytes written out.
    if (!platform::IsValidUtf8(entry.GetName()))
        CLogStatus::Send(LOG_OK, "Ftp", "Name is not UTF-8, kept as sent:",
                         Format("'%s' in %s", PrintableName(entry.GetName()).c_str(), m_strFolder.c_str()));
    m_list.AddTail(new CFtpDir(std::move(entry)));
    if (m_list.GetCount() <= static_cast<int>(kMaxEntries)) return true;
    Fail(Format("Listing of %s has more than %zu entries", m_strFolder.c_str(), kMaxEntries));
    return false;
}

void CFtpFind::Refuse(const std::string& entry) {
    const std::string shown = entry.substr(std::min(entry.size(), m_strFolder.size()));
    CLogStatus::Send(LOG_EXCLUDED, "Ftp",
                     "Unsafe name skipped:", Format("'%s' in %s", shown.c_str(), m_strFolder.c_str()));
    m_refused.push_back(entry);
}

bool CFtpFind::Fail(const std::string& error) {
    m_strError = error;
    return false;
}

}  // namespace velmora

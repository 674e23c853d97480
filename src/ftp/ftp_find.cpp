#include "ftp/ftp_find.h"

#include <memory>

#include "base/format.h"
#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "messaging/log_status.h"
#include "platform/clock.h"

namespace velmora {
namespace {

// The folder a FindFile argument names: the path itself, or its folder part
// when it ends in a pattern ("/a/b/*").
std::string FolderOf(std::string_view path) {
    const bool pattern = path.find('*', 1) != std::string_view::npos;
    return CFtpPath(path, pattern ? PATH_LITERAL : PATH_FOLDER).GetFtpDir(true);
}

// A refused name as the log may show it: control characters become "?".
std::string Printable(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return text;
}

}  // namespace

CFtpFind::CFtpFind(protocol::CFtpConnection* connection) : m_pConnection(connection), m_pos(m_list.End()) {}

CFtpFind::~CFtpFind() = default;

std::string CFtpFind::GetFileName() const { return m_pCurrent ? m_pCurrent->GetName() : std::string(); }

std::string CFtpFind::GetFileURL() const {
    const std::string server = m_pConnection ? m_pConnection->GetServerName() : std::string();
    return "ftp://" + server + GetPath().GetPath();
}

std::string CFtpFind::GetFileTitle() const {
    const std::string name = GetFileName();
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool CFtpFind::IsDots() const { return m_pCurrent && m_pCurrent->IsDots(); }

int CFtpFind::FindFile(std::string_view path, unsigned /*flags*/) { return Open(path) && GetCount() > 0 ? 1 : 0; }

int CFtpFind::FindNextFileW() {
    if (m_list.IsEnd(m_pos)) return 0;
    m_pCurrent = m_list.GetNext(m_pos);
    SetCurrentPath(&m_pCurrent->GetPath());
    return m_list.IsEnd(m_pos) ? 0 : 1;
}

const CFtpPath& CFtpFind::GetPath() const {
    static const CFtpPath kNone;
    return m_pCurrent ? m_pCurrent->GetPath() : kNone;
}

bool CFtpFind::Open(std::string_view path) {
    m_pCurrent = nullptr;
    SetCurrentPath(nullptr);
    m_list.RemoveAndDestroy();
    m_pos = m_list.End();
    m_strFolder = FolderOf(path);
    if (!m_pConnection) return Fail("Ftp is not connected");
    if (!m_pConnection->SetCurrentDirectory(m_strFolder)) return Fail(m_pConnection->GetLastError());
    std::unique_ptr<protocol::CFtpDataStream> reply = m_pConnection->OpenCommand("LIST");
    if (!reply) return Fail(m_pConnection->GetLastError());
    std::string text;
    if (!reply->ReadAll(text, kMaxListing)) return Fail(reply->GetLastError());
    ReadEntries(text);
    m_pos = m_list.GetHeadPosition();
    return true;
}

void CFtpFind::ReadEntries(const std::string& text) {
    const CFtpPath folder(m_strFolder, PATH_FOLDER);
    // One "now" for the whole listing, so every undated year is decided alike.
    const int64_t now = platform::Now();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        if (end > at) {
            auto entry = std::make_unique<CFtpDir>(folder, std::string_view(text).substr(at, end - at), now);
            if (entry->HasUnsafeName()) {
                CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Unsafe name skipped:",
                                 Format("'%s' in %s", Printable(entry->GetName()).c_str(), m_strFolder.c_str()));
            } else if (entry->IsEntry() && !entry->IsDots()) {
                m_list.AddTail(entry.release());
            }
        }
        at = end + 1;
    }
}

bool CFtpFind::Fail(const std::string& error) {
    m_strError = error;
    return false;
}

}  // namespace velmora

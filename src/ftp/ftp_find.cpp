#include "ftp/ftp_find.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "base/format.h"
#include "ftp/ftp_listing_reader.h"
#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "messaging/log_status.h"
#include "platform/clock.h"
#include "platform/encoding.h"

namespace velmora {
namespace {

// The folder a FindFile argument names: the path itself, or its folder part
// when it ends in a pattern ("/a/b/*").
std::string FolderOf(std::string_view path) {
    const bool pattern = path.find('*', 1) != std::string_view::npos;
    return CFtpPath(path, pattern ? PATH_LITERAL : PATH_FOLDER).GetFtpDir(true);
}

// The length of the UTF-8 character at the start of `text`; 0 when the
// bytes there are not one.
size_t Utf8CharLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4                  ? 4
                                                                           : 0;
    return length > 0 && length <= text.size() && platform::IsValidUtf8(text.substr(0, length)) ? length : 0;
}

// A name as the log may show it: control characters become "?" and bytes
// that are no UTF-8 "\xNN", so that the log stays readable text.
std::string Printable(std::string_view name) {
    std::string text;
    for (size_t at = 0; at < name.size();) {
        const size_t length = Utf8CharLength(name.substr(at));
        const auto byte = static_cast<unsigned char>(name[at]);
        if (length == 0)
            text += Format("\\x%02X", byte);
        else if (byte < 0x20 || byte == 0x7f)
            text += '?';
        else
            text.append(name, at, length);
        at += length == 0 ? 1 : length;
    }
    return text;
}

}  // namespace

namespace {
std::atomic<bool> g_machineListing{true};
}

void CFtpFind::SetDefaultMachineListing(bool use) { g_machineListing = use; }

bool CFtpFind::IsDefaultMachineListing() { return g_machineListing; }

CFtpFind::CFtpFind(protocol::CFtpConnection* connection)
    : m_pConnection(connection), m_pos(m_list.End()), m_bUseMachineListing(g_machineListing) {}

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
    m_eFormat = EListingFormat::Unknown;
    m_nBroken = 0;
    if (!m_pConnection) return Fail("Ftp is not connected");
    if (!m_pConnection->SetCurrentDirectory(m_strFolder)) return Fail(m_pConnection->GetLastError());
    m_bMachine = m_bUseMachineListing && m_pConnection->GetCapabilities().mlsd;
    std::unique_ptr<protocol::CFtpDataStream> reply = m_pConnection->OpenCommand(m_bMachine ? "MLSD" : "LIST");
    if (!reply && m_bMachine && m_pConnection->GetLastErrorCode() == protocol::EFtpError::Refused) {
        // Offered but refused here (a server may offer it only in some folders): the classic listing.
        m_bMachine = false;
        reply = m_pConnection->OpenCommand("LIST");
    }
    if (!reply) return Fail(m_pConnection->GetLastError());
    if (!ReadListing(*reply)) {
        m_list.RemoveAndDestroy();
        return false;
    }
    if (m_bMachine) SortByName();
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

bool CFtpFind::ReadListing(protocol::CFtpDataStream& reply) {
    // One "now" for the whole listing, so every undated year is decided alike.
    CFtpListingReader reader(CFtpPath(m_strFolder, PATH_FOLDER), platform::Now(),
                             [this](std::unique_ptr<CFtpDir> entry) { Keep(std::move(entry)); });
    reader.SetSystemQuestion([this] {
        std::string type;
        m_pConnection->GetSystemType(type);
        return type;
    });
    m_pReader = &reader;
    m_nBroken = 0;
    m_strFirstBroken.clear();
    const bool read = ReadLines(reply);
    m_pReader = nullptr;
    if (!read) return false;
    if (!reply.Close()) return Fail(reply.GetLastError());
    reader.Finish();
    m_eFormat = reader.GetFormat();
    m_nBroken += reader.GetBroken();
    if (m_strFirstBroken.empty()) m_strFirstBroken = reader.GetFirstBroken();
    if (m_list.GetCount() > static_cast<int>(kMaxEntries))
        return Fail(Format("Listing of %s has more than %zu entries", m_strFolder.c_str(), kMaxEntries));
    if (m_nBroken > 0) {
        CLogStatus::Send(LOG_STATUS, "Ftp", "Lines not understood:",
                         Format("%d in the listing of %s, skipped (the first: '%s')", m_nBroken, m_strFolder.c_str(),
                                Printable(m_strFirstBroken).c_str()));
    }
    return true;
}

bool CFtpFind::ReadLines(protocol::CFtpDataStream& reply) {
    // Lines are taken as they come, so only the entries (bounded in number)
    // and one unfinished line are held, never the whole reply text.
    std::string pending;
    std::vector<char> block(kListingBlock);
    size_t total = 0;
    for (;;) {
        size_t received = 0;
        if (!reply.Read(block.data(), block.size(), received)) return Fail(reply.GetLastError());
        if (received == 0) break;
        total += received;
        if (total > kMaxListing) return Fail(Format("Listing of %s is larger than %zu bytes", m_strFolder.c_str(), kMaxListing));
        pending.append(block.data(), received);
        const size_t used = TakeLines(pending);
        pending.erase(0, used);
        if (m_list.GetCount() > static_cast<int>(kMaxEntries))
            return Fail(Format("Listing of %s has more than %zu entries", m_strFolder.c_str(), kMaxEntries));
        if (pending.size() > kMaxLineLength)
            return Fail(Format("Listing of %s has a line longer than %zu bytes", m_strFolder.c_str(), kMaxLineLength));
    }
    pending += '\n';
    TakeLines(pending);
    return true;
}

size_t CFtpFind::TakeLines(const std::string& text) {
    size_t at = 0;
    for (;;) {
        const size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) return at;
        if (end > at) TakeLine(std::string_view(text).substr(at, end - at));
        at = end + 1;
    }
}

void CFtpFind::TakeLine(std::string_view line) {
    if (!m_bMachine) {
        m_pReader->Add(line);
        return;
    }
    auto entry = std::make_unique<CFtpDir>(CFtpDir::FromMachineListing(CFtpPath(m_strFolder, PATH_FOLDER), line));
    if (entry->IsBroken()) {
        if (m_nBroken++ == 0) m_strFirstBroken = line;
        return;
    }
    Keep(std::move(entry));
}

void CFtpFind::Keep(std::unique_ptr<CFtpDir> entry) {
    if (entry->HasUnsafeName()) {
        const std::string shown = Printable(entry->GetName());
        CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Unsafe name skipped:", Format("'%s' in %s", shown.c_str(), m_strFolder.c_str()));
        m_refused.push_back(m_strFolder + shown);
    } else if (entry->IsEntry()) {
        // A name in another encoding is kept byte for byte: a local file name
        // may hold any bytes, so the local copy gets exactly the server's
        // name, which stays unique in its folder and goes back unchanged on an
        // upload. Only the log shows it with its odd bytes written out.
        if (!platform::IsValidUtf8(entry->GetName()))
            CLogStatus::Send(LOG_OK, "Ftp", "Name is not UTF-8, kept as sent:",
                             Format("'%s' in %s", Printable(entry->GetName()).c_str(), m_strFolder.c_str()));
        m_list.AddTail(entry.release());
    }
}

bool CFtpFind::Fail(const std::string& error) {
    m_strError = error;
    return false;
}

}  // namespace velmora

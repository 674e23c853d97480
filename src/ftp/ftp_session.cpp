#include "ftp/ftp_session.h"

#include <vector>

#include <charconv>

#include "base/format.h"
#include "base/text.h"
#include "ftp/ftp_dir.h"
#include "ftp/ftp_hash.h"
#include "ftp/ftp_listing_reader.h"
#include "ftp/login_info.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "ftp/protocol/ftp_reply.h"
#include "messaging/log_status.h"
#include "platform/clock.h"

namespace velmora {
namespace {

using protocol::EFtpError;

constexpr size_t kListingBlock = 64 * 1024;
constexpr uint64_t kSecond = 10000000;  // in file-time units
// A server hashes a whole file before it answers, and says nothing
// meanwhile (ProFTPD: about 4 s a GiB): its reply is waited for this many
// times as long as any other.
constexpr int kHashWaitFactor = 60;

// What a caller can do about the connection's last failure.
ERemoteError KindOf(const protocol::CFtpConnection& connection, EFtpError code) {
    switch (code) {
        case EFtpError::None: return ERemoteError::None;
        case EFtpError::Connect: return ERemoteError::Unreachable;
        case EFtpError::TimedOut:
        case EFtpError::Closed:
        case EFtpError::Cancelled: return ERemoteError::Lost;
        case EFtpError::LoginRefused: return ERemoteError::LoginRefused;
        case EFtpError::Certificate: return ERemoteError::Untrusted;
        case EFtpError::PlainRefused: return ERemoteError::PlainRefused;
        case EFtpError::Usage: return ERemoteError::Usage;
        case EFtpError::Protocol:
        case EFtpError::Refused: break;
    }
    const int reply = connection.GetLastReplyCode();
    // 421: the server is closing the session; 425/426: the data connection broke.
    if (!connection.IsConnected() || reply == 421 || reply == 425 || reply == 426) return ERemoteError::Lost;
    return code == EFtpError::Refused && reply / 100 == 4 ? ERemoteError::Busy : ERemoteError::Refused;
}

// A reply that says the server does not know the command at all.
bool IsUnknownCommand(const protocol::CFtpConnection& connection) {
    const EFtpError code = connection.GetLastErrorCode();
    const int reply = connection.GetLastReplyCode();
    return code == EFtpError::Protocol || (code == EFtpError::Refused && (reply == 500 || reply == 502));
}

// A 5xx refusal of a question about one file: there is no such file.
bool IsNoSuchFile(const protocol::CFtpConnection& connection) {
    return connection.IsConnected() && connection.GetLastErrorCode() == EFtpError::Refused &&
           connection.GetLastReplyCode() / 100 == 5;
}

// "/a/b.txt" -> "/a/" and "b.txt".
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool ReadSize(const std::string& text, uint64_t& size) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size);
    return !text.empty() && error == std::errc() && stop == end;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string WithTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

// A transfer of one file over the session's connection.
class CFtpStream : public CRemoteStream {
public:
    CFtpStream(const protocol::CFtpConnection& connection, std::unique_ptr<protocol::CFtpDataStream> stream)
        : m_connection(connection), m_stream(std::move(stream)) {}

    bool Read(void* buffer, size_t size, size_t& received) override {
        return m_stream->Read(buffer, size, received) || Failed();
    }
    bool Write(const void* data, size_t size) override { return m_stream->Write(data, size) || Failed(); }
    bool Close() override { return m_stream->Close() || Failed(); }
    void Abort() override { m_stream->Abort(); }

    bool IsUpload() const override { return m_stream->IsUpload(); }
    uint64_t GetByteCount() const override { return m_stream->GetByteCount(); }
    std::optional<uint64_t> GetAnnouncedLength() const override {
        uint64_t length = 0;
        return m_stream->GetAnnouncedLength(length) ? std::optional<uint64_t>(length) : std::nullopt;
    }
    const std::string& GetLastError() const override { return m_stream->GetLastError(); }
    ERemoteError GetLastErrorKind() const override { return m_eError; }

private:
    bool Failed() {
        m_eError = KindOf(m_connection, m_stream->GetLastErrorCode());
        return false;
    }

    const protocol::CFtpConnection& m_connection;
    std::unique_ptr<protocol::CFtpDataStream> m_stream;
    ERemoteError m_eError = ERemoteError::None;
};

}  // namespace

CFtpSession::~CFtpSession() { Close(); }

bool CFtpSession::Fail(ERemoteError kind, const std::string& text) {
    m_eError = kind;
    m_strError = text;
    return false;
}

bool CFtpSession::ConnectionFailed() {
    return Fail(KindOf(m_connection, m_connection.GetLastErrorCode()), m_connection.GetLastError());
}

// ---- session -----------------------------------------------------------------

bool CFtpSession::Connect(const CFtpLoginInfo& login, const CSessionOptions& options) {
    Close();
    m_home.clear();
    m_features = CRemoteFeatures();
    m_bMachineListing = options.machineListing;
    const int port = login.GetPort();
    if (port < 0 || port > 65535) return Fail(ERemoteError::Usage, Format("Invalid port: %d", port));
    protocol::CFtpOptions ftp;
    static_cast<CSessionOptions&>(ftp) = options;
    ftp.tls = login.GetTlsSettings();
    m_connection.SetOptions(ftp);
    if (!m_connection.Connect(login.GetHost(), static_cast<uint16_t>(port), login.GetLoginName(), login.GetPassword(),
                              login.IsPassive()))
        return ConnectionFailed();
    // A server that does not say where it put the session (an odd PWD
    // reply) is still usable.
    m_home = m_connection.GetLoginFolder();
    if (m_home.empty()) m_home = "/";
    const protocol::CFtpCapabilities& caps = m_connection.GetCapabilities();
    m_eSize = caps.size ? EOffer::Offered : EOffer::Untried;
    m_eTime = caps.mdtm ? EOffer::Offered : EOffer::Untried;
    // A server that named no features at all is tried with REST, and falls back.
    m_features.restart = caps.restStream || !caps.listed;
    m_features.append = true;
    m_features.setTime = caps.mfmt;
    m_features.hashes = OfferedHashes(caps);
    m_strHashSelected = caps.hashSelected;
    SetMachineListing(m_bMachineListing);
    return true;
}

void CFtpSession::Close() { m_connection.Close(); }

void CFtpSession::SetMachineListing(bool use) {
    m_bMachineListing = use;
    m_features.exactListing = use && m_connection.GetCapabilities().mlsd;
}

std::string CFtpSession::GetScheme() const { return m_connection.IsEncrypted() ? "ftps" : "ftp"; }

std::string CFtpSession::GetSystemType() {
    std::string text;
    return m_connection.GetSystemType(text) ? text : std::string();
}

// ---- listing -----------------------------------------------------------------

bool CFtpSession::List(const std::string& folder, const EntrySink& add, const RefusedSink& refused) {
    const std::string listed = WithTrailingSlash(folder);
    m_bMachineListed = m_features.exactListing;
    std::unique_ptr<protocol::CFtpDataStream> reply;
    // A machine listing may name its folder, which saves the round trip of
    // a CWD into it. (LIST may not: its argument can be taken for options
    // or a pattern.) A lasting refusal is asked again the classic way, in
    // the folder, which tells a missing folder from a server that lists only
    // where it stands; "not now" (4xx) is the caller's to try again.
    const bool byName = m_bMachineListed && !m_bListingByNameRefused && listed.front() == '/';
    if (byName) {
        reply = m_connection.OpenCommand("MLSD " + listed);
        const bool lastingRefusal =
            m_connection.GetLastErrorCode() == EFtpError::Refused && m_connection.GetLastReplyCode() / 100 == 5;
        if (!reply && !lastingRefusal) return ConnectionFailed();
    }
    if (reply) return ReadListing(*reply, listed, add, refused);
    if (!m_connection.SetCurrentDirectory(listed)) return ConnectionFailed();
    m_bListingByNameRefused = m_bListingByNameRefused || byName;
    reply = m_connection.OpenCommand(m_bMachineListed ? "MLSD" : "LIST");
    if (!reply && m_bMachineListed && m_connection.GetLastErrorCode() == EFtpError::Refused) {
        // Offered but refused here (a server may offer it only in some folders): the classic listing.
        m_bMachineListed = false;
        reply = m_connection.OpenCommand("LIST");
    }
    if (!reply) return ConnectionFailed();
    return ReadListing(*reply, listed, add, refused);
}

// Lines are taken as they come, so that only one unfinished line is held,
// never the whole reply text. A classic listing is read in the layout its
// lines fit (CFtpListingReader); lines that no layout reads are skipped and
// counted, never fatal.
bool CFtpSession::ReadListing(protocol::CFtpDataStream& reply, const std::string& folder, const EntrySink& add,
                              const RefusedSink& refused) {
    const CFtpPath folderPath(folder, PATH_FOLDER);
    m_eListingFormat = EListingFormat::Unknown;
    m_nBrokenLines = 0;
    std::string firstBroken;
    bool stopped = false;
    const auto keep = [&](CFtpDir&& entry) {
        if (stopped) return;
        if (entry.HasUnsafeName()) {
            if (refused) refused(folder + PrintableName(entry.GetName()));
        } else if (entry.IsEntry()) {
            stopped = !add(std::move(entry));
        }
    };
    // One "now" for the whole listing, so every undated year is decided alike.
    CFtpListingReader reader(folderPath, platform::Now(),
                             [&](std::unique_ptr<CFtpDir> entry) { keep(std::move(*entry)); });
    // Asked only once the listing's data has ended (Finish).
    reader.SetSystemQuestion([this] { return GetSystemType(); });
    const auto take = [&](std::string_view line) {
        if (!m_bMachineListed) {
            reader.Add(line);
            return;
        }
        CFtpDir entry = CFtpDir::FromMachineListing(folderPath, line);
        if (!entry.IsBroken())
            keep(std::move(entry));
        else if (m_nBrokenLines++ == 0)
            firstBroken = line;
    };
    // Takes the complete lines of `text`; answers how many bytes they used.
    const auto takeLines = [&](const std::string& text) {
        size_t at = 0;
        for (;;) {
            const size_t end = text.find_first_of("\r\n", at);
            if (end == std::string::npos || stopped) return at;
            if (end > at) take(std::string_view(text).substr(at, end - at));
            at = end + 1;
        }
    };
    std::string pending;
    std::vector<char> block(kListingBlock);
    size_t total = 0;
    for (;;) {
        size_t received = 0;
        if (!reply.Read(block.data(), block.size(), received))
            return Fail(KindOf(m_connection, reply.GetLastErrorCode()), reply.GetLastError());
        if (received == 0) break;
        total += received;
        if (total > kMaxListing)
            return Fail(ERemoteError::Refused,
                        Format("Listing of %s is larger than %zu bytes", folder.c_str(), kMaxListing));
        pending.append(block.data(), received);
        pending.erase(0, takeLines(pending));
        if (stopped) return Fail(ERemoteError::Usage, "Listing of " + folder + " stopped");
        if (pending.size() > kMaxLineLength)
            return Fail(ERemoteError::Refused,
                        Format("Listing of %s has a line longer than %zu bytes", folder.c_str(), kMaxLineLength));
    }
    pending += '\n';
    takeLines(pending);
    if (stopped) return Fail(ERemoteError::Usage, "Listing of " + folder + " stopped");
    if (!reply.Close()) return Fail(KindOf(m_connection, reply.GetLastErrorCode()), reply.GetLastError());
    reader.Finish();
    if (stopped) return Fail(ERemoteError::Usage, "Listing of " + folder + " stopped");
    m_eListingFormat = reader.GetFormat();
    m_nBrokenLines += reader.GetBroken();
    if (firstBroken.empty()) firstBroken = reader.GetFirstBroken();
    if (m_nBrokenLines > 0)
        CLogStatus::Send(LOG_STATUS, "Ftp", "Lines not understood:",
                         Format("%d in the listing of %s, skipped (the first: '%s')", m_nBrokenLines, folder.c_str(),
                                PrintableName(firstBroken).c_str()));
    return true;
}

// ---- facts -------------------------------------------------------------------

bool CFtpSession::GetFacts(const std::string& path, CRemoteFacts& facts) { return GetFactsOnly(path, FactAll, facts); }

bool CFtpSession::MachineFactsCover(unsigned wanted) const {
    const protocol::CFtpCapabilities& caps = m_connection.GetCapabilities();
    return caps.mlsd && caps.IsMlstFactOn("type") && (!(wanted & FactSize) || caps.IsMlstFactOn("size")) &&
           (!(wanted & FactTime) || caps.IsMlstFactOn("modify"));
}

bool CFtpSession::GetFactsOnly(const std::string& path, unsigned wanted, CRemoteFacts& facts) {
    facts = CRemoteFacts();
    // One fact that its own command tells costs one round trip either way.
    const bool single =
        (wanted == FactSize && m_eSize == EOffer::Offered) || (wanted == FactTime && m_eTime == EOffer::Offered);
    if (!single && MachineFactsCover(wanted)) return AskMachineFacts(path, facts);
    bool told = false;
    EAnswer answer = EAnswer::Unknown;
    if (wanted & FactSize) {
        answer = AskSize(path, facts);
        if (answer == EAnswer::Failed) return false;
        told = answer != EAnswer::Unknown;
    }
    if ((wanted & FactTime) && answer != EAnswer::Missing) {
        const EAnswer time = AskTime(path, facts);
        if (time == EAnswer::Failed) return false;
        told = told || time != EAnswer::Unknown;
    }
    if ((wanted & FactKind) && !facts.exists) {
        // Neither a size nor a time: a folder is told by entering it.
        if (IsFolder(path)) {
            facts.exists = facts.folder = true;
            return true;
        }
        if (m_eError != ERemoteError::Refused) return false;
        told = told || !(wanted & (FactSize | FactTime));
    }
    return told || Fail(ERemoteError::Unsupported, "The server tells neither the size nor the time of a file");
}

bool CFtpSession::AskModifiedTimes(const std::vector<std::string>& paths, std::vector<uint64_t>& times) {
    times.assign(paths.size(), 0);
    size_t next = 0;
    // Until an answer shows whether the server knows MDTM, one at a time.
    for (; next < paths.size() && m_eTime == EOffer::Untried; ++next) {
        CRemoteFacts facts;
        if (AskTime(paths[next], facts) == EAnswer::Failed) return false;
        times[next] = facts.modified;
    }
    if (next == paths.size() || m_eTime == EOffer::Absent) return true;
    std::vector<std::optional<int64_t>> seconds;
    if (!m_connection.GetModificationTimes(std::span(paths).subspan(next), seconds)) return ConnectionFailed();
    for (size_t i = 0; i < seconds.size(); ++i) {
        if (seconds[i]) times[next + i] = platform::UnixToFileTime(*seconds[i]);
    }
    return true;
}

// After a question the server may answer without having listed it: a reply
// that shows it does not know the command is not worth asking again.
CFtpSession::EAnswer CFtpSession::Learn(EOffer& offer, bool answered) {
    if (answered) {
        offer = EOffer::Offered;
        return EAnswer::Told;
    }
    if (IsUnknownCommand(m_connection)) {
        offer = EOffer::Absent;
        return EAnswer::Unknown;
    }
    if (IsNoSuchFile(m_connection)) {
        offer = EOffer::Offered;
        return EAnswer::Missing;
    }
    ConnectionFailed();
    return EAnswer::Failed;
}

CFtpSession::EAnswer CFtpSession::AskSize(const std::string& path, CRemoteFacts& facts) {
    if (m_eSize == EOffer::Absent) return EAnswer::Unknown;
    uint64_t size = 0;
    const EAnswer answer = Learn(m_eSize, m_connection.GetFileSize(path, size));
    if (answer == EAnswer::Told) {
        facts.exists = true;
        facts.size = size;
    }
    return answer;
}

CFtpSession::EAnswer CFtpSession::AskTime(const std::string& path, CRemoteFacts& facts) {
    if (m_eTime == EOffer::Absent) return EAnswer::Unknown;
    int64_t seconds = 0;
    const EAnswer answer = Learn(m_eTime, m_connection.GetModificationTime(path, seconds));
    if (answer == EAnswer::Told) {
        facts.exists = true;
        facts.modified = platform::UnixToFileTime(seconds);
        facts.precision = kSecond;
    }
    return answer;
}

bool CFtpSession::AskMachineFacts(const std::string& path, CRemoteFacts& facts) {
    protocol::CMlstEntry entry;
    if (!m_connection.GetFileFacts(path, entry)) return IsNoSuchFile(m_connection) || ConnectionFailed();
    facts.exists = true;
    const std::string& type = entry.type;
    facts.folder = EqualsNoCase(type, "dir") || EqualsNoCase(type, "cdir") || EqualsNoCase(type, "pdir");
    facts.link = StartsWithNoCase(type, "OS.unix=slink") || StartsWithNoCase(type, "OS.unix=symlink");
    uint64_t size = 0;
    if (!facts.folder && ReadSize(entry.size, size)) facts.size = size;
    int64_t seconds = 0;
    if (protocol::ParseTimeValue(entry.modify, seconds)) {
        facts.modified = platform::UnixToFileTime(seconds);
        facts.precision = kSecond;
    }
    facts.unique = entry.unique;
    return true;
}

bool CFtpSession::IsFolder(const std::string& path, std::string* target) {
    if (!m_connection.SetCurrentDirectory(WithTrailingSlash(path))) return ConnectionFailed();
    if (target && !m_connection.GetCurrentDirectory(*target)) *target = path;
    return true;
}

// ---- transfers ---------------------------------------------------------------

std::unique_ptr<CRemoteStream> CFtpSession::Open(const std::string& path, protocol::EFtpAccess access,
                                                 uint64_t offset) {
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    if (name.empty()) {
        Fail(ERemoteError::Usage, "No file name in " + path);
        return nullptr;
    }
    // Free when the folder is the current one already.
    if (!folder.empty() && !m_connection.SetCurrentDirectory(folder)) {
        ConnectionFailed();
        return nullptr;
    }
    std::unique_ptr<protocol::CFtpDataStream> stream = m_connection.OpenFile(name, access, offset);
    if (!stream) {
        ConnectionFailed();
        return nullptr;
    }
    return std::make_unique<CFtpStream>(m_connection, std::move(stream));
}

std::unique_ptr<CRemoteStream> CFtpSession::OpenRead(const std::string& path, uint64_t offset) {
    return Open(path, protocol::EFtpAccess::Read, offset);
}

std::unique_ptr<CRemoteStream> CFtpSession::OpenWrite(const std::string& path, uint64_t offset, ERemoteWrite mode) {
    if (mode == ERemoteWrite::Append) return Open(path, protocol::EFtpAccess::Append, 0);
    return Open(path, protocol::EFtpAccess::Write, offset);
}

// ---- changes -----------------------------------------------------------------

bool CFtpSession::Rename(const std::string& from, const std::string& to) {
    return m_connection.Rename(from, to) || ConnectionFailed();
}

bool CFtpSession::DeleteFile(const std::string& path) { return m_connection.DeleteFile(path) || ConnectionFailed(); }

bool CFtpSession::MakeFolder(const std::string& path) {
    return m_connection.CreateDirectory(WithoutTrailingSlash(path)) || ConnectionFailed();
}

bool CFtpSession::RemoveFolder(const std::string& path) {
    const std::string folder = WithoutTrailingSlash(path);
    std::string parent;
    std::string name;
    SplitPath(folder, parent, name);
    if (!parent.empty()) m_connection.SetCurrentDirectory(parent);
    return m_connection.RemoveDirectory(folder) || ConnectionFailed();
}

bool CFtpSession::SetModifiedTime(const std::string& path, uint64_t fileTime) {
    if (!m_features.setTime) return Fail(ERemoteError::Unsupported, "The server does not set file times (no MFMT)");
    return m_connection.SetModificationTime(path, platform::FileTimeToUnix(fileTime)) || ConnectionFailed();
}

bool CFtpSession::SetPermissions(const std::string& path, uint32_t mode) {
    return m_connection.Command(Format("SITE CHMOD %03o %s", mode & 07777u, path.c_str())) || ConnectionFailed();
}

bool CFtpSession::Hash(const std::string& path, const std::string& algorithm, uint64_t from, uint64_t to,
                       std::string& digest) {
    const CFtpHashCommand command = HashCommandFor(m_connection.GetCapabilities(), algorithm);
    if (command.verb.empty()) return Fail(ERemoteError::Unsupported, "The server offers no " + algorithm + " hash");
    if (from != 0 || to != 0) return Fail(ERemoteError::Unsupported, "The server is asked for whole files' hashes only");
    std::string folder;
    std::string name;
    SplitPath(path, folder, name);
    std::string line;
    if (name.empty() || !HashCommandLine(command, name, line))
        return Fail(ERemoteError::Unsupported, "The server's " + command.verb + " cannot name " + path);
    if (!folder.empty() && !m_connection.SetCurrentDirectory(folder)) return ConnectionFailed();
    const int wait = m_connection.GetOptions().receiveTimeoutMs * kHashWaitFactor;
    // HASH computes the algorithm selected last; a session the connection
    // made again behind our back has the server's default again, which its
    // reply names: then once more after selecting.
    for (int attempt = 0; attempt < 2; ++attempt) {
        protocol::CFtpReply reply;
        if (command.IsHash() && m_strHashSelected != algorithm) {
            if (!m_connection.AskPatiently("OPTS HASH " + algorithm, 0, reply)) return ConnectionFailed();
            m_strHashSelected = algorithm;
        }
        if (!m_connection.AskPatiently(line, wait, reply)) return ConnectionFailed();
        std::string named;
        if (ParseHashReply(command, algorithm, reply.text, digest, named) && (!command.IsHash() || named == algorithm))
            return true;
        if (!command.IsHash() || named.empty() || named == algorithm) break;
        m_strHashSelected = named;
    }
    return Fail(ERemoteError::Refused, "Unreadable hash reply from the server: " + m_connection.GetLastResponse());
}

}  // namespace velmora

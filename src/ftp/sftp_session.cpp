#include "ftp/sftp_session.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "base/format.h"
#include "ftp/ftp_dir.h"
#include "ftp/login_info.h"
#include "ftp/protocol/ftp_trace.h"
#include "platform/clock.h"

namespace velmora {

using protocol::CSftpAttributes;
using protocol::CSftpMessage;
using protocol::CSftpReader;
using protocol::CSftpReply;
using protocol::EFtpError;
namespace sftp = protocol::sftp;

namespace {

// Blocks in flight per transfer, as OpenSSH's client keeps them.
constexpr size_t kMaxInFlight = 64;
// One second in the units of file times.
constexpr uint64_t kSecond = 10'000'000;

std::string WithSlash(const std::string& folder) { return !folder.empty() && folder.back() == '/' ? folder : folder + "/"; }

std::string ShownName(std::string_view name) {
    std::string text(name);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    return text;
}

// The protocol's name of a hash ("SHA-256" -> "sha256").
std::string AlgorithmName(std::string_view algorithm) {
    std::string name;
    for (char c : algorithm) {
        if (c != '-') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return name;
}

}  // namespace

ERemoteError RemoteErrorOf(EFtpError code, uint32_t sftpStatus) {
    switch (code) {
    case EFtpError::None: return ERemoteError::None;
    case EFtpError::Refused: return sftpStatus == sftp::Unsupported ? ERemoteError::Unsupported : ERemoteError::Refused;
    case EFtpError::LoginRefused: return ERemoteError::LoginRefused;
    case EFtpError::Certificate: return ERemoteError::Untrusted;
    case EFtpError::PlainRefused: return ERemoteError::PlainRefused;
    case EFtpError::Usage: return ERemoteError::Usage;
    case EFtpError::Connect: return ERemoteError::Unreachable;
    case EFtpError::TimedOut:
    case EFtpError::Closed:
    case EFtpError::Cancelled:
    case EFtpError::Protocol: break;
    }
    return ERemoteError::Lost;
}

// One file transfer: reads keep up to 64 blocks requested ahead of what the
// caller took, writes up to 64 blocks sent without their acknowledgement.
class CSftpStream : public CRemoteStream {
public:
    CSftpStream(CSftpSession& session, std::string path, std::string handle, bool upload, uint64_t offset)
        : m_session(session),
          m_channel(*session.m_channel),
          m_path(std::move(path)),
          m_handle(std::move(handle)),
          m_upload(upload),
          m_nextOffset(offset) {
        m_session.m_stream = this;
        // A transfer opened before a cancel hears it in every wait, also in
        // one that begins after it (a read's wait for its block); one opened
        // after it (a cancelled job's clean-up) runs as usual.
        if (!session.m_connection.IsCancelled()) session.m_connection.SetCancelScope(protocol::ECancelScope::EveryWait);
        const auto& options = session.m_options;
        if (options.lowSpeedBytes > 0 && options.lowSpeedSeconds > 0) {
            m_lowSpeedBytes = uint64_t{options.lowSpeedBytes} * static_cast<uint64_t>(options.lowSpeedSeconds);
            m_lowSpeedWindow = std::chrono::seconds(options.lowSpeedSeconds);
        }
        m_windowStart = std::chrono::steady_clock::now();
    }
    ~CSftpStream() override { Abort(); }

    bool Read(void* buffer, size_t size, size_t& received) override {
        received = 0;
        if (!m_open) return Fail(ERemoteError::Usage, "The transfer is closed");
        if (!StillWanted()) return false;
        if (m_upload) return Fail(ERemoteError::Usage, "The transfer is an upload");
        while (m_dataAt == m_data.size()) {
            if (m_endOfFile) return true;
            if (!NextBlock()) return false;
        }
        received = std::min(size, m_data.size() - m_dataAt);
        std::memcpy(buffer, m_data.data() + m_dataAt, received);
        m_dataAt += received;
        m_bytes += received;
        return CheckSpeed();
    }

    bool Write(const void* data, size_t size) override {
        if (!m_open) return Fail(ERemoteError::Usage, "The transfer is closed");
        if (!StillWanted()) return false;
        if (!m_upload) return Fail(ERemoteError::Usage, "The transfer is a download");
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            if (m_requests.size() >= kMaxInFlight && !AwaitOldestWrite()) return false;
            const uint32_t length = static_cast<uint32_t>(std::min<size_t>(size, sftp::kBlock));
            const uint32_t id = m_channel.NextId();
            CSftpMessage message(sftp::Write, id);
            message.String(m_handle).Uint64(m_nextOffset).Data(bytes, length);
            if (!m_channel.Send(message)) return FailFromChannel();
            m_requests.push_back({id, m_nextOffset, length});
            m_nextOffset += length;
            m_bytes += length;
            bytes += length;
            size -= length;
        }
        return CheckSpeed();
    }

    bool Close() override {
        if (!m_open) return !m_failed;
        if (!m_upload && !m_endOfFile) {
            Abort();
            return Fail(ERemoteError::Usage, "The download was closed before the end of the file");
        }
        while (!m_requests.empty()) {
            if (!AwaitOldestWrite()) return false;
        }
        EndTransfer();
        protocol::TraceCommand(m_channel.GetTraceLabel(),
                               Format("CLOSE %s (%llu bytes %s)", m_path.c_str(),
                                      static_cast<unsigned long long>(m_bytes), m_upload ? "written" : "read"));
        if (!m_channel.CloseHandle(m_handle)) return FailFromChannel();
        return true;
    }

    void Abort() override {
        if (!m_open) return;
        // An abandoned transfer did not complete: a later Close must not say it did.
        if (!m_failed) {
            m_failed = true;
            m_errorKind = ERemoteError::Usage;
            m_error = "The transfer was abandoned";
        }
        for (const Request& request : m_requests) m_channel.Abandon(request.id);
        m_requests.clear();
        EndTransfer();
        if (m_channel.IsUsable()) m_channel.CloseHandleLater(m_handle);
    }

    bool IsUpload() const override { return m_upload; }
    bool AcknowledgesEveryBlock() const override { return m_upload; }
    uint64_t GetByteCount() const override { return m_bytes; }
    const std::string& GetLastError() const override { return m_error; }
    ERemoteError GetLastErrorKind() const override { return m_errorKind; }

private:
    struct Request {
        uint32_t id;
        uint64_t offset;
        uint32_t length;
    };

    // What follows on the session (closing the handle, a clean-up after a
    // cancel) waits as the session's own requests do.
    void EndTransfer() {
        m_open = false;
        m_session.m_stream = nullptr;
        m_session.m_connection.SetCancelScope(protocol::ECancelScope::WaitsUnderWay);
    }

    bool Fail(ERemoteError kind, std::string text) {
        m_failed = true;
        m_errorKind = kind;
        m_error = std::move(text);
        if (kind != ERemoteError::Usage) Abort();
        return false;
    }

    // A transfer the caller cancelled goes no further, also where what it
    // asks for is at hand and no wait would hear the cancel.
    bool StillWanted() {
        return !m_session.m_connection.IsCancelled() || Fail(ERemoteError::Lost, "Cancelled");
    }

    bool FailFromChannel() {
        const protocol::CFtpError& error = m_channel.GetError();
        const ERemoteError kind = RemoteErrorOf(error.code, m_channel.GetLastStatus());
        return Fail(kind, kind == ERemoteError::Lost ? error.text : Format("%s: %s", m_path.c_str(), error.text.c_str()));
    }

    bool SendRead(uint64_t offset, uint32_t length, bool first) {
        const uint32_t id = m_channel.NextId();
        CSftpMessage message(sftp::Read, id);
        message.String(m_handle).Uint64(offset).Uint32(length);
        if (!m_channel.Send(message)) return FailFromChannel();
        if (first)
            m_requests.push_front({id, offset, length});
        else
            m_requests.push_back({id, offset, length});
        return true;
    }

    // The next block in file order into m_data, or the end of the file.
    bool NextBlock() {
        // The window opens from one block, so that a small file costs no
        // more requests than it needs, and doubles with each answer.
        while (m_requests.size() < m_window) {
            if (!SendRead(m_nextOffset, sftp::kBlock, false)) return false;
            m_nextOffset += sftp::kBlock;
        }
        const Request head = m_requests.front();
        m_requests.pop_front();
        CSftpReply reply;
        if (!m_channel.Await(head.id, reply)) return FailFromChannel();
        m_window = std::min(kMaxInFlight, m_window * 2);
        if (reply.type == sftp::Status) {
            uint32_t code = 0;
            std::string message;
            if (reply.ReadStatus(code, message) && code == sftp::Eof) {
                m_endOfFile = true;
                for (const Request& request : m_requests) m_channel.Abandon(request.id);
                m_requests.clear();
                return true;
            }
            return m_channel.CheckStatus(reply) ? Fail(ERemoteError::Lost, "The server answered a read with success")
                                                : FailFromChannel();
        }
        CSftpReader reader(reply.body);
        std::string_view data;
        if (reply.type != sftp::Data || !reader.String(data) || data.size() > head.length)
            return Fail(ERemoteError::Lost, "The server answered a read with a malformed message");
        // An empty block would have us ask for the same bytes for ever.
        if (data.empty()) return Fail(ERemoteError::Lost, "The server answered a read with no data");
        m_data.assign(data);
        m_dataAt = 0;
        // A short block is not the end: the rest of it is asked for before
        // anything after it is taken.
        if (data.size() < head.length &&
            !SendRead(head.offset + data.size(), head.length - static_cast<uint32_t>(data.size()), true))
            return false;
        return true;
    }

    bool AwaitOldestWrite() {
        const Request oldest = m_requests.front();
        m_requests.pop_front();
        CSftpReply reply;
        if (!m_channel.Await(oldest.id, reply) || !m_channel.CheckStatus(reply)) return FailFromChannel();
        return CheckSpeed();
    }

    // A server that trickles bytes keeps each wait under the time-out; over
    // a whole window it must move the least the options ask for.
    bool CheckSpeed() {
        if (m_lowSpeedBytes == 0) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_windowStart < m_lowSpeedWindow) return true;
        if (m_bytes - m_windowBytes < m_lowSpeedBytes) {
            return Fail(ERemoteError::Lost,
                        Format("Transfer too slow: fewer than %llu bytes in %lld seconds",
                               static_cast<unsigned long long>(m_lowSpeedBytes),
                               static_cast<long long>(m_lowSpeedWindow.count())));
        }
        m_windowStart = now;
        m_windowBytes = m_bytes;
        return true;
    }

    CSftpSession& m_session;
    protocol::CSftpChannel& m_channel;
    std::string m_path;
    std::string m_handle;
    bool m_upload;
    uint64_t m_nextOffset;  // of the next block to request or send
    std::deque<Request> m_requests;
    size_t m_window = 1;
    std::string m_data;  // the block being read
    size_t m_dataAt = 0;
    bool m_endOfFile = false;
    bool m_open = true;
    bool m_failed = false;
    uint64_t m_bytes = 0;
    uint64_t m_lowSpeedBytes = 0;
    std::chrono::seconds m_lowSpeedWindow{0};
    std::chrono::steady_clock::time_point m_windowStart;
    uint64_t m_windowBytes = 0;
    std::string m_error;
    ERemoteError m_errorKind = ERemoteError::None;
};

CSftpSession::CSftpSession() = default;

CSftpSession::~CSftpSession() { Close(); }

bool CSftpSession::Fail(ERemoteError kind, std::string text) {
    // What failed may have been that the folder went away.
    m_knownFolder.clear();
    m_errorKind = kind;
    m_error = std::move(text);
    return false;
}

bool CSftpSession::Fail(const std::string& what) {
    const protocol::CFtpError& error = m_channel->GetError();
    const ERemoteError kind = RemoteErrorOf(error.code, m_channel->GetLastStatus());
    return Fail(kind, kind == ERemoteError::Lost ? error.text : what + ": " + error.text);
}

bool CSftpSession::Connect(const std::string& host, uint16_t port, const std::string& user,
                           const std::string& password, const protocol::CSshSettings& ssh,
                           const protocol::CFtpOptions& options) {
    Close();
    m_options = options;
    m_host = host;
    m_port = port == 0 ? 22 : port;
    protocol::CFtpError error;
    m_connection.SetCancelQuestion(options.cancelled);
    if (!m_connection.Connect(host, m_port, user, password, ssh, options.connectTimeoutMs, "sftp", error))
        return Fail(RemoteErrorOf(error.code, 0), error.text);
    m_channel = std::make_unique<protocol::CSftpChannel>(m_connection,
                                                         std::max(options.sendTimeoutMs, options.receiveTimeoutMs));
    if (!m_channel->Start()) return Fail("Cannot start the file service");
    const uint32_t probe = m_channel->SendCheckFileProbe();
    if (!m_channel->RealPath(".", m_home)) return Fail("Cannot start the file service");
    m_channel->ReadCheckFileProbe(probe);
    m_features = {};
    m_features.restart = m_features.append = m_features.setTime = true;
    m_features.exactListing = m_features.permissions = true;
    if (m_channel->OffersCheckFile()) m_features.hashes = {"SHA-512", "SHA-256", "SHA-1", "MD5"};
    Touch();
    return true;
}

bool CSftpSession::Connect(const CFtpLoginInfo& login, const CSessionOptions& options) {
    protocol::CFtpOptions sessionOptions;
    static_cast<CSessionOptions&>(sessionOptions) = options;
    const int port = login.GetPort();
    if (port < 0 || port > 65535) return Fail(ERemoteError::Usage, Format("Invalid port: %d", port));
    return Connect(login.GetHost(), static_cast<uint16_t>(port), login.GetLoginName(), login.GetPassword(),
                   login.GetSshSettings(), sessionOptions);
}

const CCertificateInfo& CSftpSession::GetPeerCertificate() const {
    static const CCertificateInfo kNone;
    return kNone;
}

void CSftpSession::Close() {
    // A stream still open is abandoned while its channel is there to abandon it on.
    if (m_stream) m_stream->Abort();
    m_channel.reset();
    m_connection.Close();
    m_home.clear();
    m_knownFolder.clear();
}

bool CSftpSession::IsConnected() const { return m_channel && m_channel->IsUsable(); }

std::string CSftpSession::GetEncryption() const {
    return IsConnected() ? "SSH (" + m_connection.GetCipher() + ")" : std::string();
}

bool CSftpSession::Ready() {
    if (!IsConnected()) return Fail(ERemoteError::Lost, "Not connected");
    if (m_stream) return Fail(ERemoteError::Usage, "A transfer is still open");
    Touch();
    return true;
}

bool CSftpSession::List(const std::string& folder, const EntrySink& add, const RefusedSink& refused) {
    if (!Ready()) return false;
    const std::string listed = WithSlash(folder);
    const CFtpPath path(listed);
    const bool ok = m_channel->ListFolder(folder, [&](protocol::CSftpChannel::Entry&& entry) {
        if (entry.name == "." || entry.name == "..") return true;
        const CSftpAttributes& facts = entry.attributes;
        const uint32_t type = facts.permissions.value_or(sftp::kTypeRegular) & sftp::kTypeMask;
        const CFtpDir::EKind kind = facts.IsLink()     ? CFtpDir::KIND_LINK
                                    : facts.IsFolder() ? CFtpDir::KIND_FOLDER
                                    : type == sftp::kTypeRegular || !facts.permissions ? CFtpDir::KIND_FILE
                                                                                        : CFtpDir::KIND_NONE;
        if (kind == CFtpDir::KIND_NONE) return true;  // devices, sockets, pipes
        std::optional<int64_t> modified;
        if (facts.modifiedTime) modified = *facts.modifiedTime;
        CFtpDir dir = CFtpDir::FromFacts(path, entry.name, kind, kind == CFtpDir::KIND_FILE ? facts.size : std::nullopt,
                                         modified, facts.permissions);
        if (!dir.IsEntry()) {
            if (refused) refused(listed + ShownName(entry.name));
            return true;
        }
        return add(std::move(dir));
    });
    return ok || Fail("Cannot list " + folder);
}

bool CSftpSession::GetFacts(const std::string& path, CRemoteFacts& facts) {
    facts = {};
    if (!Ready()) return false;
    CSftpAttributes attributes;
    if (!m_channel->Stat(path, attributes)) {
        if (m_channel->GetLastStatus() == sftp::NoSuchFile) return true;
        return Fail("Cannot ask about " + path);
    }
    facts.exists = true;
    facts.folder = attributes.IsFolder();
    if (!facts.folder) facts.size = attributes.size;
    if (attributes.modifiedTime) {
        facts.modified = platform::UnixToFileTime(*attributes.modifiedTime);
        facts.precision = kSecond;
    }
    return true;
}

bool CSftpSession::IsFolder(const std::string& path, std::string* target) {
    if (!Ready()) return false;
    // The files of one folder go one after another: the folder found for
    // the last of them is not asked about again, as an FTP session stays in it.
    if (!target && path == m_knownFolder) return true;
    CSftpAttributes attributes;
    if (!m_channel->Stat(path, attributes)) return Fail("Cannot ask about " + path);
    if (!attributes.IsFolder()) return Fail(ERemoteError::Refused, path + " is not a folder");
    if (target && !m_channel->RealPath(path, *target)) return Fail("Cannot resolve " + path);
    m_knownFolder = path;
    return true;
}

std::unique_ptr<CRemoteStream> CSftpSession::OpenRead(const std::string& path, uint64_t offset) {
    if (!Ready()) return nullptr;
    std::string handle;
    if (!m_channel->Open(path, sftp::OpenRead, handle)) {
        Fail("Cannot open " + path);
        return nullptr;
    }
    if (offset) {
        protocol::TraceCommand(m_channel->GetTraceLabel(),
                               Format("READ %s from %llu", path.c_str(), static_cast<unsigned long long>(offset)));
    }
    return std::make_unique<CSftpStream>(*this, path, std::move(handle), false, offset);
}

std::unique_ptr<CRemoteStream> CSftpSession::OpenWrite(const std::string& path, uint64_t offset, ERemoteWrite mode) {
    if (!Ready()) return nullptr;
    uint32_t flags = sftp::OpenWrite | sftp::OpenCreate;
    if (mode == ERemoteWrite::Append) {
        // The protocol's append flag is not honoured alike by every server:
        // writing at the size the server holds is.
        CSftpAttributes attributes;
        offset = 0;
        if (m_channel->Stat(path, attributes))
            offset = attributes.size.value_or(0);
        else if (m_channel->GetLastStatus() != sftp::NoSuchFile) {
            Fail("Cannot append to " + path);
            return nullptr;
        }
    } else if (offset == 0) {
        flags |= sftp::OpenTruncate;
    }
    std::string handle;
    if (!m_channel->Open(path, flags, handle)) {
        Fail("Cannot open " + path);
        return nullptr;
    }
    if (offset) {
        protocol::TraceCommand(m_channel->GetTraceLabel(),
                               Format("WRITE %s from %llu", path.c_str(), static_cast<unsigned long long>(offset)));
    }
    return std::make_unique<CSftpStream>(*this, path, std::move(handle), true, offset);
}

bool CSftpSession::Rename(const std::string& from, const std::string& to) {
    m_knownFolder.clear();
    return Ready() && (m_channel->Rename(from, to) || Fail("Cannot rename " + from));
}

bool CSftpSession::DeleteFile(const std::string& path) {
    return Ready() && (m_channel->Remove(path) || Fail("Cannot delete " + path));
}

bool CSftpSession::MakeFolder(const std::string& path) {
    return Ready() && (m_channel->MakeFolder(path) || Fail("Cannot make the folder " + path));
}

bool CSftpSession::RemoveFolder(const std::string& path) {
    m_knownFolder.clear();
    return Ready() && (m_channel->RemoveFolder(path) || Fail("Cannot remove the folder " + path));
}

bool CSftpSession::SetModifiedTime(const std::string& path, uint64_t fileTime) {
    if (!Ready()) return false;
    CSftpAttributes attributes;
    // The protocol carries unsigned 32-bit seconds: earlier times become 1970.
    const int64_t seconds = std::clamp<int64_t>(platform::FileTimeToUnix(fileTime), 0, UINT32_MAX);
    attributes.accessTime = attributes.modifiedTime = static_cast<uint32_t>(seconds);
    return m_channel->SetStat(path, attributes) || Fail("Cannot set the time of " + path);
}

bool CSftpSession::SetPermissions(const std::string& path, uint32_t mode) {
    if (!Ready()) return false;
    CSftpAttributes attributes;
    attributes.permissions = mode & 07777;
    return m_channel->SetStat(path, attributes) || Fail("Cannot set the permissions of " + path);
}

bool CSftpSession::Hash(const std::string& path, const std::string& algorithm, uint64_t from, uint64_t to,
                        std::string& digest) {
    if (!Ready()) return false;
    if (to != 0 && to < from) return Fail(ERemoteError::Usage, "The range to hash ends before it starts");
    // Servers read the range of check-file-name differently (ProFTPD hashes
    // `length` bytes past its end when the range starts past 0): a digest
    // of other bytes than asked would fail a good file, so none is asked.
    if (from != 0) return Fail(ERemoteError::Unsupported, "The server hashes whole files or their beginnings only");
    const std::string wanted = AlgorithmName(algorithm);
    std::string used;
    if (!m_channel->CheckFile(path, wanted, from, to ? to - from : 0, used, digest))
        return Fail("Cannot hash " + path);
    if (used != wanted) return Fail(ERemoteError::Unsupported, Format("The server hashed %s with %s, not %s",
                                                                      path.c_str(), used.c_str(), wanted.c_str()));
    return true;
}

bool CSftpSession::KeepAlive(int idleSeconds) {
    if (!IsConnected()) return Fail(ERemoteError::Lost, "Not connected");
    if (m_stream || std::chrono::steady_clock::now() - m_lastActivity < std::chrono::seconds(idleSeconds))
        return true;
    std::string ignored;
    Touch();
    return m_channel->RealPath(".", ignored) || Fail("The server stopped answering");
}

}  // namespace velmora

#include "ftp/protocol/ftp_connection.h"

#include <algorithm>
#include <string_view>

#include "base/format.h"
#include "base/secret_text.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "ftp/protocol/tls_memory.h"
#include "platform/process.h"

namespace velmora::protocol {

namespace {

constexpr size_t kMaxResponseText = 512;
constexpr uint16_t kDefaultPort = 21;

// A name with a line end would smuggle a second command onto the connection.
bool IsSendable(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos; }

// "/a/b/" and "/a/b" are the same folder; "/" stays "/".
std::string NormalFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool IsAbsolute(const std::string& folder) { return !folder.empty() && folder.front() == '/'; }

}  // namespace

CFtpConnection::~CFtpConnection() { Close(); }

// ---- bookkeeping ----

bool CFtpConnection::Fail(EFtpError code, const std::string& text) {
    m_currentFolder.clear();  // after any failure the server's folder is no longer certain
    return m_error.Set(code, TruncateUtf8(text, kMaxResponseText));
}

bool CFtpConnection::FailWithReply(EFtpError code, const CFtpReply& reply) { return Fail(code, reply.text); }

void CFtpConnection::RememberReply(const CFtpReply& reply) {
    m_lastResponse = TruncateUtf8(reply.text, kMaxResponseText);
    m_lastReplyCode = reply.code;
}

void CFtpConnection::DropConnection() {
    if (m_stream) m_stream->Detach();
    m_stream = nullptr;
    m_control.Close();
    if (!m_currentFolder.empty()) m_folderBeforeDrop = m_currentFolder;
    m_currentFolder.clear();
    m_capabilities = CFtpCapabilities();
}

bool CFtpConnection::CheckReady(const std::string& command) {
    if (!IsConnected()) return Fail(EFtpError::Usage, "Ftp connection is not open");
    if (m_stream) return Fail(EFtpError::Usage, "A transfer is still open on this connection");
    if (!IsSendable(command)) return Fail(EFtpError::Usage, "A name or command contains a line end");
    return true;
}

bool CFtpConnection::ReadReply(CFtpReply& reply) {
    CFtpError error;
    if (!m_control.ReadReply(reply, m_options.receiveTimeoutMs, error)) {
        DropConnection();
        return Fail(error.code, error.text);
    }
    RememberReply(reply);
    if (reply.code == 421) {  // the server is shutting this connection down
        DropConnection();
        return FailWithReply(EFtpError::Closed, reply);
    }
    return true;
}

bool CFtpConnection::Exchange(const std::string& command, CFtpReply& reply) {
    return Exchange(std::span<const std::string>(&command, 1), std::span<CFtpReply>(&reply, 1));
}

bool CFtpConnection::Exchange(std::span<const std::string> commands, std::span<CFtpReply> replies) {
    m_lastActivity = std::chrono::steady_clock::now();
    CFtpError error;
    if (!m_control.Send(commands, m_options.sendTimeoutMs, error)) {
        DropConnection();
        return Fail(error.code, error.text);
    }
    for (CFtpReply& reply : replies) {
        if (!ReadReply(reply)) return false;
    }
    return true;
}

bool CFtpConnection::ExpectPositive(const std::string& command, CFtpReply& reply) {
    if (!ReconnectIfDropped() || !CheckReady(command)) return false;
    if (!Exchange(command, reply) && !(WasDropped() && Reconnect() && CheckReady(command) && Exchange(command, reply)))
        return false;
    return reply.IsPositive() || FailWithReply(EFtpError::Refused, reply);
}

bool CFtpConnection::WasDropped() const {
    return m_options.reconnectWhenDropped && m_loggedIn && !m_reconnecting && !IsConnected() &&
           m_error.code == EFtpError::Closed;
}

bool CFtpConnection::ReconnectIfDropped() {
    if (IsConnected() || !m_options.reconnectWhenDropped || !m_loggedIn || m_reconnecting) return true;
    return Reconnect();
}

// One attempt: a server that drops the new session too gets no second one.
bool CFtpConnection::Reconnect() {
    const std::string host = m_host, user = m_user, password = m_password, folder = m_folderBeforeDrop;
    m_reconnecting = true;
    const bool ok = Connect(host, m_port, user, password, m_passive) && (folder.empty() || SetCurrentDirectory(folder));
    m_reconnecting = false;
    // A failed attempt leaves the session wanted: the next command tries again.
    m_loggedIn = true;
    if (!ok) m_folderBeforeDrop = folder;
    return ok;
}

bool CFtpConnection::KeepAlive(int idleSeconds) {
    if (!IsConnected() || m_stream) return IsConnected();
    if (std::chrono::steady_clock::now() - m_lastActivity < std::chrono::seconds(idleSeconds)) return true;
    CFtpReply reply;
    return Exchange("NOOP", reply) || (WasDropped() && Reconnect());
}

// ---- connecting ----

bool CFtpConnection::Connect(const std::string& host, uint16_t port, const std::string& user,
                             const std::string& password, bool passive) {
    Close();
    if (!password.empty()) platform::KeepSecretsInProcess();
    m_tlsContext.reset();
    m_tlsDeclined = false;
    m_peerCertificate = CCertificateInfo();
    m_host = host;
    m_port = port != 0 ? port : m_options.tls.mode == ETlsMode::Implicit ? kImplicitTlsPort : kDefaultPort;
    m_passive = passive;
    m_noEpsv = m_noEprt = false;
    m_currentFolder.clear();
    if (!IsSendable(user) || !IsSendable(password) || !IsSendable(m_options.account))
        return Fail(EFtpError::Usage, "A name or command contains a line end");
    CFtpError error;
    if (!m_control.Open(m_host, m_port, m_options.connectTimeoutMs, m_options.connectRetries, m_options.cancelled,
                        error))
        return Fail(error.code, error.text);
    CFtpReply reply;
    if (StartImplicitTls() && ReadGreeting() && ReadFeatures() && NegotiateTls() && CheckPlainLogin() &&
        LogIn(user, password) && ReadFeaturesAfterLogin() && SetUpSession()) {
        if (IsEncrypted()) CTlsMemory::ForUser().Remember(m_host, m_port);
        m_user = user;
        if (m_options.reconnectWhenDropped) m_password = password;
        m_loggedIn = true;
        m_folderBeforeDrop.clear();
        return true;
    }
    DropConnection();
    return false;
}

bool CFtpConnection::ReadFeatures() {
    m_capabilities = CFtpCapabilities();
    m_featuresNeedLogin = false;
    CFtpReply reply;
    if (!Exchange("FEAT", reply)) return false;
    m_capabilities = ParseFeatures(reply.code, reply.text);
    // Some servers answer FEAT only to a user who has logged in.
    m_featuresNeedLogin = reply.code == 530;
    return true;
}

bool CFtpConnection::ReadFeaturesAfterLogin() { return !m_featuresNeedLogin || ReadFeatures(); }

// The machine listing facts the FTP classes read, as OPTS MLST names them;
// empty when the server sends every offered one by default.
std::string CFtpConnection::WantedMlstFacts() const {
    static const char* const kFacts[] = {"type",      "size",           "modify",         "perm",
                                         "unix.mode", "unique",         "unix.ownername", "unix.owner",
                                         "unix.uid",  "unix.groupname", "unix.group",     "unix.gid"};
    std::string wanted;
    bool missing = false;
    for (const char* fact : kFacts) {
        if (!m_capabilities.HasMlstFact(fact)) continue;
        wanted += std::string(fact) + ";";
        missing = missing || !m_capabilities.IsMlstFactOn(fact);
    }
    return m_capabilities.mlsd && missing ? wanted : std::string();
}

// No answer to these commands changes the next one: they go to the server
// in one write and their replies are read in order, one round trip for all.
bool CFtpConnection::SetUpSession() {
    std::vector<std::string> commands;
    if (m_control.IsEncrypted()) commands = {"PBSZ 0", "PROT P"};
    commands.push_back("TYPE I");
    if (m_capabilities.utf8) commands.push_back("OPTS UTF8 ON");
    if (const std::string facts = WantedMlstFacts(); !facts.empty()) commands.push_back("OPTS MLST " + facts);
    commands.push_back("PWD");
    std::vector<CFtpReply> replies(commands.size());
    if (!Exchange(commands, replies)) return false;
    for (size_t i = 0; i < commands.size(); ++i) {
        // Any answer to an option is fine: a server that offers UTF8 but
        // refuses the option still sends its names as it did before.
        if (commands[i].starts_with("OPTS ")) continue;
        if (commands[i] == "PWD") {
            ReadLoginFolder(replies[i]);
        } else if (!replies[i].IsPositive()) {
            return FailWithReply(EFtpError::Refused, replies[i]);
        }
    }
    return true;
}

bool CFtpConnection::ReadGreeting() {
    CFtpReply reply;
    if (!ReadReply(reply)) return false;
    if (reply.code == 120 && !ReadReply(reply)) return false;  // "ready soon": the 220 follows
    return reply.IsPositive() || FailWithReply(EFtpError::Connect, reply);
}

bool CFtpConnection::LogIn(const std::string& user, const std::string& password) {
    CFtpReply reply;
    if (!Exchange("USER " + user, reply)) return false;
    if (reply.code == 331) {
        std::string command = "PASS " + password;
        const CWipedText wiped(command);
        if (!Exchange(command, reply)) return false;
    }
    if (reply.code == 332) {
        if (m_options.account.empty()) return FailWithReply(EFtpError::LoginRefused, reply);
        if (!Exchange("ACCT " + m_options.account, reply)) return false;
    }
    if (reply.IsPositive()) return true;
    // 4xx: the server cannot take us now (too many users...), worth a retry; else the login is wrong.
    return FailWithReply(reply.code / 100 == 4 ? EFtpError::Connect : EFtpError::LoginRefused, reply);
}

void CFtpConnection::Close() {
    m_loggedIn = false;
    if (!IsConnected()) return;
    if (m_stream) {
        DropConnection();  // the server's transfer replies would come before QUIT's: just hang up
        return;
    }
    CFtpError ignored;
    CFtpReply reply;
    if (m_control.Send("QUIT", m_options.sendTimeoutMs, ignored))
        m_control.ReadReply(reply, m_options.receiveTimeoutMs, ignored);
    DropConnection();
}

// ---- commands ----

bool CFtpConnection::GetCurrentDirectory(std::string& folder) {
    CFtpReply reply;
    if (!ExpectPositive("PWD", reply)) return false;
    if (!ParseQuotedFolder(reply.text, folder)) return Fail(EFtpError::Protocol, "Invalid reply from server: " + reply.text);
    if (IsAbsolute(folder)) m_currentFolder = NormalFolder(folder);
    return true;
}

void CFtpConnection::ReadLoginFolder(const CFtpReply& reply) {
    if (!reply.IsPositive() || !ParseQuotedFolder(reply.text, m_loginFolder)) {
        m_loginFolder.clear();
        return;
    }
    if (IsAbsolute(m_loginFolder)) m_currentFolder = NormalFolder(m_loginFolder);
}

bool CFtpConnection::SetCurrentDirectory(const std::string& folder) {
    if (folder.empty()) return Fail(EFtpError::Usage, "No folder given");
    const std::string normal = NormalFolder(folder);
    if (!m_currentFolder.empty() && normal == m_currentFolder && IsConnected() && !m_stream) return true;
    CFtpReply reply;
    if (!ExpectPositive("CWD " + folder, reply)) return false;
    m_currentFolder = IsAbsolute(folder) ? normal : std::string();
    return true;
}

bool CFtpConnection::CreateDirectory(const std::string& folder) {
    CFtpReply reply;
    return ExpectPositive("MKD " + folder, reply);
}

bool CFtpConnection::RemoveDirectory(const std::string& folder) {
    m_currentFolder.clear();  // it may be the current folder or one above it
    CFtpReply reply;
    return ExpectPositive("RMD " + folder, reply);
}

bool CFtpConnection::DeleteFile(const std::string& name) {
    CFtpReply reply;
    return ExpectPositive("DELE " + name, reply);
}

bool CFtpConnection::Rename(const std::string& from, const std::string& to) {
    m_currentFolder.clear();  // the renamed folder may hold the current one
    CFtpReply reply;
    if (!CheckReady("RNTO " + to) || !CheckReady("RNFR " + from) || !Exchange("RNFR " + from, reply)) return false;
    if (!reply.IsIntermediate()) return FailWithReply(EFtpError::Refused, reply);
    return ExpectPositive("RNTO " + to, reply);
}

bool CFtpConnection::GetFileSize(const std::string& name, uint64_t& size) {
    return AskKeepingFolder("SIZE " + name, [&](const CFtpReply& reply) { return ParseFileSize(reply.text, size); });
}

bool CFtpConnection::GetFileFacts(const std::string& name, CMlstEntry& entry) {
    return AskKeepingFolder("MLST " + name, [&](const CFtpReply& reply) { return ParseMlstReply(reply.text, entry); });
}

bool CFtpConnection::AskKeepingFolder(const std::string& command, const std::function<bool(const CFtpReply&)>& parse) {
    // These never move the session: a server that refuses one leaves the known folder known.
    const std::string folder = m_currentFolder;
    CFtpReply reply;
    const bool known = ExpectPositive(command, reply) &&
                       (parse(reply) || Fail(EFtpError::Protocol, "Invalid reply from server: " + reply.text));
    if (!known && IsConnected()) m_currentFolder = folder;
    return known;
}

bool CFtpConnection::GetModificationTime(const std::string& name, int64_t& secondsUtc) {
    return AskKeepingFolder("MDTM " + name,
                            [&](const CFtpReply& reply) { return ParseModificationTime(reply.text, secondsUtc); });
}

bool CFtpConnection::GetModificationTimes(std::span<const std::string> names,
                                          std::vector<std::optional<int64_t>>& secondsUtc) {
    secondsUtc.assign(names.size(), std::nullopt);
    if (!ReconnectIfDropped() || !CheckReady("MDTM")) return false;
    std::vector<size_t> asked;  // which name each command of the batch asks about
    std::vector<std::string> commands;
    std::vector<CFtpReply> replies;
    for (size_t next = 0; next < names.size();) {
        asked.clear();
        commands.clear();
        for (; next < names.size() && commands.size() < kTimeBatch; ++next) {
            std::string command = "MDTM " + names[next];
            // A name that cannot be sent has no time to tell.
            if (!IsSendable(command)) continue;
            asked.push_back(next);
            commands.push_back(std::move(command));
        }
        if (commands.empty()) continue;
        replies.assign(commands.size(), CFtpReply());
        if (!Exchange(commands, replies)) return false;
        for (size_t i = 0; i < replies.size(); ++i) {
            int64_t seconds = 0;
            if (replies[i].IsPositive() && ParseModificationTime(replies[i].text, seconds))
                secondsUtc[asked[i]] = seconds;
        }
    }
    return true;
}

bool CFtpConnection::SetModificationTime(const std::string& name, int64_t secondsUtc) {
    CFtpReply reply;
    return ExpectPositive("MFMT " + FormatTimeValue(secondsUtc) + " " + name, reply);
}

bool CFtpConnection::GetSystemType(std::string& text) {
    CFtpReply reply;
    if (!ExpectPositive("SYST", reply)) return false;
    text = reply.Message();
    return true;
}

bool CFtpConnection::Command(const std::string& command) {
    m_currentFolder.clear();  // a raw command may move the session ("CDUP", "SITE ...")
    CFtpReply reply;
    if (!CheckReady(command) || !Exchange(command, reply)) return false;
    // A command that wanted a data connection: the server gives up on it with a second reply.
    if (reply.IsPreliminary() && !ReadReply(reply)) return false;
    return reply.IsPositive() || reply.IsIntermediate() || FailWithReply(EFtpError::Refused, reply);
}

bool CFtpConnection::AskPatiently(const std::string& command, int waitMs, CFtpReply& reply) {
    const int usual = m_options.receiveTimeoutMs;
    m_options.receiveTimeoutMs = std::max(usual, waitMs);
    const bool positive = ExpectPositive(command, reply);
    m_options.receiveTimeoutMs = usual;
    return positive;
}

// ---- transfers ----

std::unique_ptr<CFtpDataStream> CFtpConnection::OpenFile(const std::string& name, EFtpAccess access,
                                                         uint64_t offset) {
    static const char* const verbs[] = {"RETR ", "STOR ", "APPE "};
    return OpenTransfer(verbs[static_cast<int>(access)] + name, access != EFtpAccess::Read, offset);
}

bool CFtpConnection::Restart(uint64_t offset) {
    CFtpReply reply;
    if (!Exchange(Format("REST %llu", static_cast<unsigned long long>(offset)), reply)) return false;
    return reply.IsIntermediate() || FailWithReply(EFtpError::Refused, reply);
}

std::unique_ptr<CFtpDataStream> CFtpConnection::OpenCommand(const std::string& command) {
    if (!ReconnectIfDropped()) return nullptr;
    std::unique_ptr<CFtpDataStream> stream = OpenTransfer(command, false);
    if (!stream && WasDropped() && Reconnect()) stream = OpenTransfer(command, false);
    return stream;
}

std::unique_ptr<CFtpDataStream> CFtpConnection::OpenTransfer(const std::string& command, bool upload,
                                                             uint64_t offset) {
    if (!CheckReady(command)) return nullptr;
    // A transfer under way when the cancel comes stops in whichever wait it
    // is, also in one that begins just after the cancel: its data may flow
    // as soon as its command is sent. One asked for after the cancel (a
    // cancelled job's look-ups and clean-up) runs as usual.
    const bool openedAfterCancel = m_options.cancelled && m_options.cancelled();
    CSocket data;
    CSocket listener;
    if (m_passive ? !OpenPassive(data) : !OpenActive(listener)) return nullptr;
    if (offset > 0 && !Restart(offset)) return nullptr;
    CFtpReply reply;
    if (!Exchange(command, reply)) return nullptr;
    if (!reply.IsPreliminary() && !reply.IsPositive()) {
        FailWithReply(EFtpError::Refused, reply);
        return nullptr;
    }
    // Some servers confirm at once (an empty listing) without a preliminary reply.
    const bool confirmed = reply.IsPositive();
    if (!m_passive && !confirmed && !AcceptActive(listener, data)) {
        DropConnection();  // the server is waiting on a data connection that will not come
        return nullptr;
    }
    if (!openedAfterCancel) data.SetCancelQuestion(m_options.cancelled, ECancelScope::EveryWait);
    CTransport link(std::move(data));
    if (confirmed && m_control.IsEncrypted()) link.Abandon();  // nothing is coming: no handshake either
    if (!confirmed && !SecureDataConnection(link)) return nullptr;
    const int timeoutMs = upload ? m_options.sendTimeoutMs : m_options.receiveTimeoutMs;
    std::unique_ptr<CFtpDataStream> stream(new CFtpDataStream(*this, std::move(link), upload, timeoutMs));
    stream->SetLowSpeedLimit(m_options.lowSpeedBytes, m_options.lowSpeedSeconds);
    stream->m_finalReplyRead = confirmed;
    stream->m_announced = reply.IsPreliminary() && ParseAnnouncedLength(reply.text, stream->m_announcedLength);
    m_stream = stream.get();
    return stream;
}

bool CFtpConnection::OpenPassive(CSocket& data) {
    CFtpReply reply;
    uint16_t port = 0;
    if (!m_noEpsv) {
        if (!Exchange("EPSV", reply)) return false;
        if (reply.code == 229 && !ParseEpsvPort(reply.text, port))
            return Fail(EFtpError::Protocol, "Invalid reply from server: " + reply.text);
        m_noEpsv = reply.code != 229;
    }
    if (port == 0) {
        if (!Exchange("PASV", reply)) return false;
        if (reply.code != 227) return FailWithReply(EFtpError::Refused, reply);
        if (!ParsePasvPort(reply.text, port)) return Fail(EFtpError::Protocol, "Invalid reply from server: " + reply.text);
    }
    // The address in a PASV reply is ignored on purpose: a server must not be
    // able to point us at another host.
    CSocketAddress server;
    if (!m_control.GetSocket().GetPeerAddress(server)) return Fail(EFtpError::Closed, kClosedText);
    server.SetPort(port);
    CFtpError error;
    return data.Connect(server, m_options.connectTimeoutMs, error) || Fail(error.code, error.text);
}

bool CFtpConnection::OpenActive(CSocket& listener) {
    CSocketAddress local;
    if (!m_control.GetSocket().GetLocalAddress(local)) return Fail(EFtpError::Closed, kClosedText);
    local.SetPort(0);
    CFtpError error;
    if (!listener.Listen(local, error) || !listener.GetLocalAddress(local)) return Fail(error.code, error.text);
    const std::string host = local.GetHostText();
    const unsigned port = local.GetPort();
    CFtpReply reply;
    if (!m_noEprt) {
        if (!Exchange(Format("EPRT |%d|%s|%u|", local.IsIPv6() ? 2 : 1, host.c_str(), port), reply)) return false;
        if (reply.IsPositive()) return true;
        m_noEprt = true;
        if (local.IsIPv6()) return FailWithReply(EFtpError::Refused, reply);  // PORT cannot name an IPv6 address
    }
    std::string numbers = host;
    std::replace(numbers.begin(), numbers.end(), '.', ',');
    if (!Exchange(Format("PORT %s,%u,%u", numbers.c_str(), port / 256, port % 256), reply)) return false;
    return reply.IsPositive() || FailWithReply(EFtpError::Refused, reply);
}

bool CFtpConnection::AcceptActive(CSocket& listener, CSocket& data) {
    CSocketAddress server;
    if (!m_control.GetSocket().GetPeerAddress(server)) return Fail(EFtpError::Closed, kClosedText);
    const TDeadline deadline = DeadlineAfter(m_options.connectTimeoutMs);
    for (;;) {
        CSocketAddress peer;
        CFtpError error;
        if (!listener.Accept(data, peer, RemainingMs(deadline), error)) return Fail(error.code, error.text);
        if (peer.IsSameHost(server)) return true;
        data.Abandon();  // only the server we talk to may deliver the data
    }
}

bool CFtpConnection::FinishTransfer(CFtpDataStream& stream, CFtpError& error) {
    m_stream = nullptr;
    if (stream.m_finalReplyRead) return true;
    CFtpReply reply;
    const bool confirmed = ReadReply(reply) && (reply.IsPositive() || FailWithReply(EFtpError::Refused, reply));
    if (!confirmed) error = m_error;
    return confirmed;
}

}  // namespace velmora::protocol

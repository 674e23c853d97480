#include "ftp/protocol/sftp_channel.h"

#include "base/format.h"
#include "ftp/protocol/ftp_trace.h"

namespace velmora::protocol {

namespace {

const char* RequestName(sftp::EType type) {
    switch (type) {
    case sftp::Open: return "OPEN";
    case sftp::Close: return "CLOSE";
    case sftp::LStat: return "LSTAT";
    case sftp::SetStat: return "SETSTAT";
    case sftp::OpenDir: return "OPENDIR";
    case sftp::Remove: return "REMOVE";
    case sftp::MkDir: return "MKDIR";
    case sftp::RmDir: return "RMDIR";
    case sftp::RealPath: return "REALPATH";
    case sftp::Stat: return "STAT";
    case sftp::Rename: return "RENAME";
    default: return "REQUEST";
    }
}

// libssh grants the server a channel window as large as the read it is
// asked for (and 1.25 MB at least). The answers to every read request in
// flight (64 of 32 KiB) must fit in it, or a distant server waits for each
// window adjustment: with 64 KiB reads alone a download at 40 ms moved half
// a megabyte per round trip. A large read tops the window up, but it also
// sends an adjustment with each small answer, so the window is topped up
// only once half of it has been used, and other reads stay small. Pages of
// the buffer that no read fills are never touched.
constexpr size_t kReceiveWindow = 4 * 1024 * 1024;
constexpr size_t kChannelChunk = 64 * 1024;
constexpr char kPosixRename[] = "posix-rename@openssh.com";
constexpr char kCheckFileName[] = "check-file-name";

}  // namespace

bool CSftpChannel::Fail(EFtpError code, std::string text) {
    // A cancelled wait leaves the stream whole: the answers it waited for
    // are read and dropped with those of the abandoned transfer.
    if (code == EFtpError::TimedOut || code == EFtpError::Closed || code == EFtpError::Protocol) {
        // The stream of answers can no longer be trusted to line up with the
        // requests: the connection ends, and with it everything in flight.
        m_connection.Close();
        m_waiting.clear();
        m_arrived.clear();
        m_abandoned.clear();
        m_input.clear();
        m_inputStart = 0;
    }
    return m_error.Set(code, std::move(text));
}

bool CSftpChannel::ReceiveMessage(std::string& body) {
    for (;;) {
        const size_t available = m_input.size() - m_inputStart;
        if (available >= 4) {
            const auto* b = reinterpret_cast<const unsigned char*>(m_input.data() + m_inputStart);
            const uint32_t length = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
            if (length > sftp::kMaxMessage || length == 0)
                return Fail(EFtpError::Protocol, Format("The server sent a message of %u bytes", length));
            if (available >= 4 + size_t{length}) {
                body.assign(m_input, m_inputStart + 4, length);
                m_inputStart += 4 + size_t{length};
                if (m_inputStart == m_input.size()) {
                    m_input.clear();
                    m_inputStart = 0;
                } else if (m_inputStart >= sftp::kMaxMessage) {
                    m_input.erase(0, m_inputStart);
                    m_inputStart = 0;
                }
                return true;
            }
        }
        const bool topUp = m_receivedSinceTopUp >= kReceiveWindow / 2;
        if (!m_receiveBuffer) m_receiveBuffer = std::make_unique_for_overwrite<char[]>(kReceiveWindow);
        if (topUp) m_receivedSinceTopUp = 0;
        size_t received = 0;
        CFtpError error;
        if (!m_connection.Receive(m_receiveBuffer.get(), topUp ? kReceiveWindow : kChannelChunk, received, m_timeoutMs,
                                  error))
            return Fail(error.code, error.text);
        m_receivedSinceTopUp += received;
        m_input.append(m_receiveBuffer.get(), received);
    }
}

bool CSftpChannel::Start() {
    m_receivedSinceTopUp = kReceiveWindow;  // a new channel's window is libssh's least
    CSftpMessage init = CSftpMessage::MakeInit();
    CFtpError error;
    if (!m_connection.Send(init.Finish(), m_timeoutMs, error)) return Fail(error.code, error.text);
    std::string body;
    if (!ReceiveMessage(body)) return false;
    CSftpReader reader(body);
    uint8_t type = 0;
    if (!reader.Byte(type) || type != sftp::Version || !reader.Uint32(m_version))
        return Fail(EFtpError::Protocol, "The server does not speak the file transfer protocol");
    m_extensions.clear();
    std::string_view name, data;
    while (!reader.Rest().empty() && reader.String(name) && reader.String(data))
        m_extensions.emplace(std::string(name), std::string(data));
    m_checkFile = HasExtension(kCheckFileName);
    std::string names;
    for (const auto& [extension, value] : m_extensions) names += " " + extension;
    TraceReplyLine(GetTraceLabel(), Format("VERSION %u%s", m_version, names.c_str()));
    return true;
}

bool CSftpChannel::Send(CSftpMessage& message) {
    if (!m_connection.IsOpen()) return Fail(EFtpError::Usage, "Not connected");
    const std::string& bytes = message.Finish();
    CFtpError error;
    if (!m_connection.Send(bytes, m_timeoutMs, error)) return Fail(error.code, error.text);
    m_waiting.insert(message.GetId());
    return true;
}

bool CSftpChannel::Await(uint32_t id, CSftpReply& reply) {
    if (const auto found = m_arrived.find(id); found != m_arrived.end()) {
        reply = std::move(found->second);
        m_arrived.erase(found);
        m_waiting.erase(id);
        return true;
    }
    if (!m_waiting.count(id)) return Fail(EFtpError::Usage, "No such request");
    std::string body;
    for (;;) {
        if (!ReceiveMessage(body)) return false;
        CSftpReply arrived;
        if (!ParseSftpReply(body, arrived)) return Fail(EFtpError::Protocol, "The server sent a malformed answer");
        if (!m_waiting.erase(arrived.id)) continue;  // an answer to nothing we asked
        if (arrived.id == id) {
            reply = std::move(arrived);
            return true;
        }
        if (m_abandoned.erase(arrived.id)) continue;
        m_waiting.insert(arrived.id);
        m_arrived.emplace(arrived.id, std::move(arrived));
    }
}

void CSftpChannel::Abandon(uint32_t id) {
    if (m_arrived.erase(id)) {
        m_waiting.erase(id);
        return;
    }
    if (m_waiting.count(id)) m_abandoned.insert(id);
}

bool CSftpChannel::Exchange(CSftpMessage& message, CSftpReply& reply) {
    return Send(message) && Await(message.GetId(), reply);
}

bool CSftpChannel::CheckStatus(const CSftpReply& reply) {
    uint32_t code = 0;
    std::string message;
    if (!reply.ReadStatus(code, message)) {
        return Fail(EFtpError::Protocol,
                    Format("The server answered with message type %u", static_cast<unsigned>(reply.type)));
    }
    if (code == sftp::Ok) return true;
    if (message.empty()) message = SftpStatusText(code);
    TraceReplyLine(GetTraceLabel(), Format("STATUS %u %s", code, message.c_str()));
    m_lastStatus = code;
    if (code == sftp::ConnectionLost || code == sftp::NoConnection) return Fail(EFtpError::Closed, message);
    return m_error.Set(EFtpError::Refused, message);
}

bool CSftpChannel::Ask(CSftpMessage& message, sftp::EType answer, CSftpReply& reply) {
    m_lastStatus = 0;
    if (!Exchange(message, reply)) return false;
    if (reply.type == answer) return answer != sftp::Status || CheckStatus(reply);
    // A refusal comes as a status; any other answer breaks the protocol.
    return CheckStatus(reply) && Fail(EFtpError::Protocol, "The server answered with the wrong message");
}

bool CSftpChannel::AskPath(sftp::EType type, const std::string& path, sftp::EType answer, CSftpReply& reply) {
    TraceCommand(GetTraceLabel(), Format("%s %s", RequestName(type), path.c_str()));
    CSftpMessage message(type, NextId());
    message.String(path);
    return Ask(message, answer, reply);
}

bool CSftpChannel::ReadHandle(const CSftpReply& reply, std::string& handle) {
    CSftpReader reader(reply.body);
    std::string_view text;
    if (!reader.String(text)) return Fail(EFtpError::Protocol, "The server sent a malformed handle");
    handle.assign(text);
    return true;
}

bool CSftpChannel::ExpectStatus(sftp::EType type, const std::string& path) {
    CSftpReply reply;
    return AskPath(type, path, sftp::Status, reply);
}

bool CSftpChannel::ExpectAttributes(sftp::EType type, const std::string& path, CSftpAttributes& attributes) {
    CSftpReply reply;
    if (!AskPath(type, path, sftp::Attrs, reply)) return false;
    CSftpReader reader(reply.body);
    if (!reader.Attributes(attributes)) return Fail(EFtpError::Protocol, "The server sent malformed attributes");
    TraceReplyLine(GetTraceLabel(), "ATTRS " + SftpAttributesText(attributes));
    return true;
}

bool CSftpChannel::RealPath(const std::string& path, std::string& resolved) {
    CSftpReply reply;
    if (!AskPath(sftp::RealPath, path, sftp::Name, reply)) return false;
    CSftpReader reader(reply.body);
    uint32_t count = 0;
    std::string_view name;
    if (!reader.Uint32(count) || count != 1 || !reader.String(name))
        return Fail(EFtpError::Protocol, "The server sent a malformed name");
    resolved.assign(name);
    return true;
}

bool CSftpChannel::Stat(const std::string& path, CSftpAttributes& attributes) {
    return ExpectAttributes(sftp::Stat, path, attributes);
}

bool CSftpChannel::LStat(const std::string& path, CSftpAttributes& attributes) {
    return ExpectAttributes(sftp::LStat, path, attributes);
}

bool CSftpChannel::SetStat(const std::string& path, const CSftpAttributes& attributes) {
    TraceCommand(GetTraceLabel(), Format("SETSTAT %s %s", path.c_str(), SftpAttributesText(attributes).c_str()));
    CSftpMessage message(sftp::SetStat, NextId());
    message.String(path).Attributes(attributes);
    CSftpReply reply;
    return Ask(message, sftp::Status, reply);
}

bool CSftpChannel::Remove(const std::string& path) { return ExpectStatus(sftp::Remove, path); }

bool CSftpChannel::MakeFolder(const std::string& path) {
    TraceCommand(GetTraceLabel(), Format("MKDIR %s", path.c_str()));
    CSftpMessage message(sftp::MkDir, NextId());
    message.String(path).Attributes({});
    CSftpReply reply;
    return Ask(message, sftp::Status, reply);
}

bool CSftpChannel::RemoveFolder(const std::string& path) { return ExpectStatus(sftp::RmDir, path); }

bool CSftpChannel::Rename(const std::string& from, const std::string& to) {
    const bool posix = HasExtension(kPosixRename);
    TraceCommand(GetTraceLabel(), Format("%s %s -> %s", posix ? "POSIX-RENAME" : "RENAME", from.c_str(), to.c_str()));
    CSftpMessage message(posix ? sftp::Extended : sftp::Rename, NextId());
    if (posix) message.String(kPosixRename);
    message.String(from).String(to);
    CSftpReply reply;
    return Ask(message, sftp::Status, reply);
}

bool CSftpChannel::Open(const std::string& path, uint32_t flags, std::string& handle) {
    TraceCommand(GetTraceLabel(), Format("OPEN %s %s", path.c_str(), SftpOpenFlagsText(flags).c_str()));
    CSftpMessage message(sftp::Open, NextId());
    CSftpAttributes attributes;
    message.String(path).Uint32(flags).Attributes(attributes);
    CSftpReply reply;
    return Ask(message, sftp::Handle, reply) && ReadHandle(reply, handle);
}

bool CSftpChannel::CloseHandle(const std::string& handle) {
    CSftpMessage message(sftp::Close, NextId());
    message.String(handle);
    CSftpReply reply;
    return Ask(message, sftp::Status, reply);
}

void CSftpChannel::CloseHandleLater(const std::string& handle) {
    const uint32_t id = NextId();
    CSftpMessage message(sftp::Close, id);
    message.String(handle);
    if (Send(message)) Abandon(id);
}

bool CSftpChannel::ListFolder(const std::string& folder, const std::function<bool(Entry&&)>& add) {
    CSftpReply reply;
    std::string handle;
    if (!AskPath(sftp::OpenDir, folder, sftp::Handle, reply) || !ReadHandle(reply, handle)) return false;
    size_t count = 0;
    for (bool more = true; more;) {
        CSftpMessage message(sftp::ReadDir, NextId());
        message.String(handle);
        if (!Exchange(message, reply)) return false;
        if (reply.type == sftp::Status) {
            uint32_t code = 0;
            std::string ignored;
            if (reply.ReadStatus(code, ignored) && code == sftp::Eof) break;
            if (!CheckStatus(reply)) {
                CloseHandleLater(handle);
                return false;
            }
            break;
        }
        CSftpReader reader(reply.body);
        uint32_t entries = 0;
        if (reply.type != sftp::Name || !reader.Uint32(entries))
            return Fail(EFtpError::Protocol, "The server sent a malformed listing");
        for (uint32_t i = 0; i < entries && more; ++i) {
            Entry entry;
            std::string_view name, longName;
            if (!reader.String(name) || !reader.String(longName) || !reader.Attributes(entry.attributes))
                return Fail(EFtpError::Protocol, "The server sent a malformed listing");
            entry.name.assign(name);
            ++count;
            more = add(std::move(entry));
        }
    }
    TraceReplyLine(GetTraceLabel(), Format("NAME %zu entries", count));
    return CloseHandle(handle);
}

uint32_t CSftpChannel::SendCheckFileProbe() {
    if (m_checkFile) return 0;
    // A digest of nothing: a server that knows the request answers with a
    // digest or a refusal of the empty range, one that does not with
    // "unsupported".
    const uint32_t id = NextId();
    CSftpMessage message(sftp::Extended, id);
    message.String(kCheckFileName).String(".").String("md5").Uint64(0).Uint64(1).Uint32(0);
    return Send(message) ? id : 0;
}

void CSftpChannel::ReadCheckFileProbe(uint32_t id) {
    CSftpReply reply;
    if (id == 0 || !Await(id, reply)) return;
    uint32_t code = 0;
    std::string message;
    m_checkFile = !reply.ReadStatus(code, message) || (code != sftp::Unsupported && code != sftp::BadMessage);
}

bool CSftpChannel::CheckFile(const std::string& path, const std::string& algorithms, uint64_t from, uint64_t length,
                             std::string& algorithm, std::string& digest) {
    if (!m_checkFile) {
        m_lastStatus = sftp::Unsupported;
        return m_error.Set(EFtpError::Refused, "The server computes no digests");
    }
    TraceCommand(GetTraceLabel(), Format("CHECK-FILE %s %s", path.c_str(), algorithms.c_str()));
    CSftpMessage message(sftp::Extended, NextId());
    message.String(kCheckFileName).String(path).String(algorithms).Uint64(from).Uint64(length).Uint32(0);
    CSftpReply reply;
    if (!Ask(message, sftp::ExtendedReply, reply)) return false;
    CSftpReader reader(reply.body);
    std::string_view name;
    // Some servers repeat the extension's name before the algorithm.
    if (!reader.String(name) || (name == "check-file" && !reader.String(name)))
        return Fail(EFtpError::Protocol, "The server sent a malformed digest");
    algorithm.assign(name);
    digest.clear();
    for (unsigned char c : reader.Rest()) digest += Format("%02x", c);
    TraceReplyLine(GetTraceLabel(), Format("%s %s", algorithm.c_str(), digest.c_str()));
    return !digest.empty() || Fail(EFtpError::Protocol, "The server sent an empty digest");
}

}  // namespace velmora::protocol

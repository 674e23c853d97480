#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ftp/protocol/cert_trust.h"
#include "ftp/protocol/control_channel.h"
#include "ftp/protocol/ftp_capabilities.h"
#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/protocol/session_options.h"
#include "ftp/protocol/tls_settings.h"
#include "ftp/protocol/tls_stream.h"
#include "platform/api.h"

// Our own FTP client protocol (RFC 959, with EPSV/EPRT of RFC 2428 and SIZE,
// MDTM of RFC 3659) over POSIX sockets. It stands in for the platform's
// Internet FTP services that the FTP classes were designed on:
//
//   Internet session + options      -> CFtpOptions
//   open an FTP connection          -> CFtpConnection::Connect
//   get / set current directory     -> GetCurrentDirectory / SetCurrentDirectory
//   create / remove / rename / delete -> CreateDirectory, RemoveDirectory, Rename, DeleteFile
//   open a remote file, read/write  -> OpenFile -> CFtpDataStream::Read / Write / Close
//   raw command (with data: LIST)   -> Command / OpenCommand
//   last response text              -> GetLastResponse
//
// Typical use:
//
//   CFtpConnection ftp(options);
//   if (!ftp.Connect(host, port, user, password, /*passive=*/true)) {
//       // ftp.GetLastError() to show; IsTransient(ftp.GetLastErrorCode()) to decide on a retry
//   }
//   ftp.SetCurrentDirectory("/incoming");
//   auto file = ftp.OpenFile("a.bin", EFtpAccess::Write);
//   while (more && !cancelled) file->Write(block, size);
//   bool ok = cancelled ? (file->Abort(), false) : file->Close();  // Close confirms the upload
//
// A connection is used by one thread at a time. It never throws.
namespace velmora::protocol {

class CFtpDataStream;

// The FTP session's options: those of every session, and what only FTP has.
struct VELMORA_API CFtpOptions : CSessionOptions {
    // Sent with ACCT when a server asks for an account after the password.
    std::string account;
    // FTP over TLS, and which certificates are trusted (default: plain FTP).
    CTlsSettings tls;
};

enum class EFtpAccess { Read, Write, Append };  // RETR, STOR, APPE

class VELMORA_API CFtpConnection {
public:
    CFtpConnection() = default;
    explicit CFtpConnection(const CFtpOptions& options) : m_options(options) {}
    ~CFtpConnection();  // Close()
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    void SetOptions(const CFtpOptions& options) { m_options = options; }
    const CFtpOptions& GetOptions() const { return m_options; }

    // Connects to host:port (a name, an IPv4 or an IPv6 address; port 0 means
    // 21), reads the server's features (FEAT), logs in with USER/PASS (and
    // ACCT when asked), selects binary type and switches on the features the
    // session uses (OPTS UTF8 ON). `passive`: data connections are opened by
    // us (EPSV, then PASV); otherwise the server connects back to us (EPRT,
    // then PORT). An open connection is closed first. On failure GetLastErrorCode() tells a
    // refused login (LoginRefused) from an unreachable or silent server.
    // With TLS (options.tls): implicit TLS starts before the greeting (port
    // 0 means 990 then); explicit TLS sends AUTH TLS right after it, so the
    // certificate is checked before USER and PASS leave; after the login
    // PBSZ 0 and PROT P protect every data connection too. A refused
    // certificate fails with Certificate, its details in the error text and
    // in GetPeerCertificate().
    bool Connect(const std::string& host, uint16_t port, const std::string& user, const std::string& password,
                 bool passive);
    // Says goodbye (QUIT) and closes. An open data stream is aborted. Safe to call twice.
    void Close();
    bool IsConnected() const { return m_control.IsOpen(); }

    // The control connection is under TLS (and so is every data connection).
    bool IsEncrypted() const { return m_control.IsEncrypted(); }
    // "TLSv1.3"; empty without TLS.
    std::string GetTlsVersion() const;
    // In auto mode the server refused AUTH TLS: the session is plain FTP.
    bool IsTlsDeclined() const { return m_tlsDeclined; }
    // The server's certificate from the last handshake, kept after a refusal.
    const CCertificateInfo& GetPeerCertificate() const { return m_peerCertificate; }

    const std::string& GetServerName() const { return m_host; }
    uint16_t GetPort() const { return m_port; }
    bool IsPassive() const { return m_passive; }
    // What the server offered in its FEAT reply, read once by Connect; the
    // empty record while not connected or when the server has no FEAT.
    const CFtpCapabilities& GetCapabilities() const { return m_capabilities; }

    // Why the last failed operation failed: the server's reply for a refusal
    // ("550 No such file or directory."), else a text like "Connection timed
    // out" or "Connection closed by server". Kept until the next failure.
    const std::string& GetLastError() const { return m_error.text; }
    EFtpError GetLastErrorCode() const { return m_error.code; }
    // The server's last reply, all of its lines joined by "\n", at most 512 bytes.
    const std::string& GetLastResponse() const { return m_lastResponse; }
    int GetLastReplyCode() const { return m_lastReplyCode; }

    // Where the server put the session at its login (PWD, asked as the
    // session was set up); empty when its reply named no folder.
    const std::string& GetLoginFolder() const { return m_loginFolder; }
    // PWD. The folder as the server names it, quotes undoubled.
    bool GetCurrentDirectory(std::string& folder);
    // CWD. After a successful change to an absolute folder the connection
    // remembers it and skips a CWD to the same folder (no round trip); any
    // failure, a relative change, RMD, RNFR/RNTO, a raw Command or a
    // reconnect forgets it.
    bool SetCurrentDirectory(const std::string& folder);
    bool CreateDirectory(const std::string& folder);  // MKD
    bool RemoveDirectory(const std::string& folder);  // RMD
    bool DeleteFile(const std::string& name);         // DELE
    bool Rename(const std::string& from, const std::string& to);  // RNFR + RNTO
    bool GetFileSize(const std::string& name, uint64_t& size);     // SIZE (binary size)
    bool GetModificationTime(const std::string& name, int64_t& secondsUtc);  // MDTM
    // MDTM for every name, kTimeBatch commands in one write, their replies
    // read in order: a round trip per batch instead of one per name. A name
    // the server tells no time of gets none; false only when the connection
    // failed.
    bool GetModificationTimes(std::span<const std::string> names, std::vector<std::optional<int64_t>>& secondsUtc);
    static constexpr size_t kTimeBatch = 64;
    bool SetModificationTime(const std::string& name, int64_t secondsUtc);   // MFMT
    bool GetFileFacts(const std::string& name, CMlstEntry& entry);           // MLST
    bool GetSystemType(std::string& text);            // SYST: "UNIX Type: L8"
    // A raw command without data; true for a positive or intermediate reply
    // (GetLastResponse() has it). Use OpenCommand for commands that send data.
    bool Command(const std::string& command);
    // A command without data that the server may take long to answer (a
    // hash of a large file, computed before the reply and with no word
    // meanwhile): its reply is waited for up to `waitMs`, at least as long
    // as for any other. True for a positive reply, which `reply` holds.
    bool AskPatiently(const std::string& command, int waitMs, CFtpReply& reply);
    // NOOP when nothing was sent for `idleSeconds` or more, so that a server's
    // idle limit does not end the session; false when the session is gone
    // (with reconnectWhenDropped, a dropped session logs in again first).
    // Nothing is sent while a transfer is open.
    bool KeepAlive(int idleSeconds);

    // Opens `name` (in the current folder, or a path) for reading or writing.
    // Null on failure. The stream must be finished (Close or Abort, or just
    // destroyed) before the connection is used for anything else, and it
    // must not outlive the connection.
    // From byte `offset` on when it is not 0: REST goes right before the
    // transfer command (after the data connection is set up, as servers
    // expect); a server that refuses it fails the call with Refused.
    std::unique_ptr<CFtpDataStream> OpenFile(const std::string& name, EFtpAccess access, uint64_t offset = 0);
    // Sends a command whose answer comes on a data connection ("LIST",
    // "NLST", "MLSD") and returns the stream to read it from; null on failure.
    std::unique_ptr<CFtpDataStream> OpenCommand(const std::string& command);

private:
    friend class CFtpDataStream;

    bool Fail(EFtpError code, const std::string& text);
    bool FailWithReply(EFtpError code, const CFtpReply& reply);
    bool CheckReady(const std::string& command);
    bool Exchange(const std::string& command, CFtpReply& reply);
    // Sends all the commands at once, then reads one reply for each.
    bool Exchange(std::span<const std::string> commands, std::span<CFtpReply> replies);
    bool ReadReply(CFtpReply& reply);
    bool ExpectPositive(const std::string& command, CFtpReply& reply);
    // A question whose answer `parse` reads from a positive reply (SIZE, MDTM, MLST).
    bool AskKeepingFolder(const std::string& command, const std::function<bool(const CFtpReply&)>& parse);
    void RememberReply(const CFtpReply& reply);
    void DropConnection();

    // With reconnectWhenDropped: logs in again after a drop (true when
    // nothing was dropped), and tells a command that failed because the
    // session had been dropped meanwhile.
    bool ReconnectIfDropped();
    bool WasDropped() const;
    bool Reconnect();
    bool ReadGreeting();
    bool ReadFeatures();
    bool ReadFeaturesAfterLogin();
    std::string WantedMlstFacts() const;
    // After the login: data protection under TLS (PBSZ, PROT), TYPE I, the
    // options the features call for, and PWD, all in one round trip.
    bool SetUpSession();
    void ReadLoginFolder(const CFtpReply& reply);
    bool LogIn(const std::string& user, const std::string& password);
    bool StartImplicitTls();
    bool NegotiateTls();
    // In auto mode a server offered no TLS: the password goes in clear only
    // when the server never did TLS and the host allows it.
    bool CheckPlainLogin();
    bool StartControlTls();
    // TLS on a new data connection, resuming the control connection's session.
    bool SecureDataConnection(CTransport& data);
    bool OpenPassive(CSocket& data);
    bool OpenActive(CSocket& listener);
    bool AcceptActive(CSocket& listener, CSocket& data);
    std::unique_ptr<CFtpDataStream> OpenTransfer(const std::string& command, bool upload, uint64_t offset = 0);
    bool Restart(uint64_t offset);
    // Called by the stream once its data connection is closed: reads the
    // transfer's final reply. False when the server did not confirm it.
    bool FinishTransfer(CFtpDataStream& stream, CFtpError& error);

    CFtpOptions m_options;
    std::unique_ptr<CTlsContext> m_tlsContext;  // before m_control: its streams use it
    CControlChannel m_control;
    std::string m_host;
    uint16_t m_port = 0;
    std::string m_user;
    std::string m_password;  // kept for reconnectWhenDropped only
    bool m_loggedIn = false;  // a login succeeded and no Close followed
    bool m_reconnecting = false;
    std::string m_folderBeforeDrop;
    std::chrono::steady_clock::time_point m_lastActivity;
    bool m_passive = true;
    bool m_noEpsv = false;  // the server refused EPSV once: go straight to PASV
    bool m_noEprt = false;  // likewise EPRT and PORT
    CFtpCapabilities m_capabilities;
    bool m_featuresNeedLogin = false;  // FEAT was refused before the login: ask again after it
    std::string m_currentFolder;  // known current folder, empty when unknown
    std::string m_loginFolder;
    CFtpError m_error;
    std::string m_lastResponse;
    int m_lastReplyCode = 0;
    CFtpDataStream* m_stream = nullptr;  // the open transfer, not owned
    bool m_tlsDeclined = false;
    CCertificateInfo m_peerCertificate;
};

}  // namespace velmora::protocol

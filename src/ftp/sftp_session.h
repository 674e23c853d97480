#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/sftp_channel.h"
#include "ftp/protocol/ssh_connection.h"
#include "ftp/remote_session.h"
#include "platform/api.h"

// A remote session over SSH: the file transfer protocol on an SSH channel.
// Listings come from the protocol's attributes (exact sizes, UTC times to
// the second, links flagged), transfers keep many blocks in flight both
// ways, and every wait is bounded by the session's time-outs.
//
//   CSftpSession session;
//   if (!session.Connect("files.example.org", 22, "alice", password, ssh, options)) {
//       // GetLastErrorKind(): Untrusted (host key), LoginRefused, Lost...
//   }
//   auto file = session.OpenWrite("/in/a.bin", 0, ERemoteWrite::Replace);
namespace velmora {

class CSftpStream;

class VELMORA_API CSftpSession : public CRemoteSession {
public:
    CSftpSession();
    ~CSftpSession() override;

    // Connects, checks the host key (before any credential leaves) and logs
    // in. Port 0 means 22. A connected session is closed first.
    bool Connect(const std::string& host, uint16_t port, const std::string& user, const std::string& password,
                 const protocol::CSshSettings& ssh, const protocol::CFtpOptions& options);
    // The same for a login info, with its SSH settings.
    bool Connect(const CFtpLoginInfo& login, const CSessionOptions& options) override;
    void Close() override;
    // The host key the server showed at the last Connect, kept after a refusal.
    const protocol::CSshHostKey& GetHostKey() const { return m_connection.GetHostKey(); }
    // The folder the server put the session in ("/home/alice").
    const std::string& GetHomeFolder() const override { return m_home; }
    // "SSH (chacha20-poly1305@openssh.com)"; empty when not connected.
    std::string GetEncryption() const override;
    // No TLS certificate: the server proves itself with its host key.
    const CCertificateInfo& GetPeerCertificate() const override;
    // The server's software, from its identification line.
    std::string GetSystemType() override { return m_connection.GetServerBanner(); }
    // Whether `path` leads to a folder (links followed); `target` gets
    // where it leads.
    bool IsFolder(const std::string& path, std::string* target = nullptr) override;

    std::string GetScheme() const override { return "sftp"; }
    const std::string& GetHost() const override { return m_host; }
    uint16_t GetPort() const override { return m_port; }
    bool IsConnected() const override;
    const CRemoteFeatures& GetFeatures() const override { return m_features; }

    bool List(const std::string& folder, const EntrySink& add, const RefusedSink& refused) override;
    bool GetFacts(const std::string& path, CRemoteFacts& facts) override;
    std::unique_ptr<CRemoteStream> OpenRead(const std::string& path, uint64_t offset) override;
    std::unique_ptr<CRemoteStream> OpenWrite(const std::string& path, uint64_t offset, ERemoteWrite mode) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
    bool MakeFolder(const std::string& path) override;
    bool RemoveFolder(const std::string& path) override;
    bool SetModifiedTime(const std::string& path, uint64_t fileTime) override;
    bool SetPermissions(const std::string& path, uint32_t mode) override;
    bool Hash(const std::string& path, const std::string& algorithm, uint64_t from, uint64_t to,
              std::string& digest) override;
    bool KeepAlive(int idleSeconds) override;

    const std::string& GetLastError() const override { return m_error; }
    ERemoteError GetLastErrorKind() const override { return m_errorKind; }

private:
    friend class CSftpStream;
    bool Ready();
    // Keeps the channel's last failure as this session's, `what` before it
    // ("Cannot remove /a: No such file").
    bool Fail(const std::string& what);
    bool Fail(ERemoteError kind, std::string text);
    void Touch() { m_lastActivity = std::chrono::steady_clock::now(); }

    protocol::CSshConnection m_connection;
    std::unique_ptr<protocol::CSftpChannel> m_channel;
    protocol::CFtpOptions m_options;
    std::string m_host;
    uint16_t m_port = 0;
    std::string m_home;
    // The folder IsFolder last found, until something may have moved it.
    std::string m_knownFolder;
    CRemoteFeatures m_features;
    CSftpStream* m_stream = nullptr;  // the open transfer, not owned
    std::chrono::steady_clock::time_point m_lastActivity;
    std::string m_error;
    ERemoteError m_errorKind = ERemoteError::None;
};

// What a failure of the protocol layer means to a caller.
VELMORA_API ERemoteError RemoteErrorOf(protocol::EFtpError code, uint32_t sftpStatus);

}  // namespace velmora

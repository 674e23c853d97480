#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace velmora::test {

// A real SFTP server for one test, started on a free loopback port by
// tests/support/real_ftp_servers.sh: OpenSSH's sshd ("sshd", or "sshd" with
// mode "kbdint") or ProFTPD's mod_sftp ("proftpd" with mode "sftp"). Both
// need root: Start answers false with the reason where the server cannot
// run, and the test skips. The server stops with the object.
class SftpServer {
public:
    SftpServer(std::string kind, std::string mode = {});
    ~SftpServer();
    SftpServer(const SftpServer&) = delete;
    SftpServer& operator=(const SftpServer&) = delete;

    bool Start(std::string& reason);
    uint16_t GetPort() const { return m_port; }
    const std::string& GetUser() const { return m_user; }
    std::string GetPassword() const { return "secret"; }
    // The served home folder on disk, and the file behind a home-relative path.
    std::string Home(const std::string& relative = {}) const;
    // The server's remote path of a home-relative path: sshd names real
    // paths, ProFTPD's home is its root.
    std::string Remote(const std::string& relative) const;
    // Files under the server's own folder (keys: "ssh/client_ed25519").
    std::string File(const std::string& relative) const { return m_dir / relative; }
    // The public half of the host key a client is shown (sshd: ed25519;
    // ProFTPD: ECDSA, which clients prefer to its RSA key).
    std::string HostKeyFile() const;
    // That key's fingerprint as ssh-keygen shows it ("SHA256:..."); empty when it cannot be read.
    std::string Fingerprint() const;
    // A known-hosts line for a host key (a file in the server's folder, or
    // absolute; empty: the one a client is shown):
    // "[127.0.0.1]:port ssh-ed25519 AAAA...". `port`: another port than the
    // server's (a relay in front of it).
    std::string KnownHostsLine(const std::string& publicKeyFile = {}, uint16_t port = 0) const;
    // Lines of sshd's request log that contain `text` ("open \"/...\" flags WRITE").
    int CountRequests(const std::string& text) const;
    // Files the server opened for writing (sshd's request log) or took in
    // (ProFTPD's transfer log).
    int Uploads() const;
    // The sessions of the file service the server started.
    int Sessions() const;
    // The bytes each reading of a file moved, in the order the readings
    // ended (sshd's request log, ProFTPD's transfer log), and their sum.
    std::vector<uint64_t> Readings(const std::string& remotePath) const;
    uint64_t BytesRead(const std::string& remotePath) const;
    // Whether any client got as far as logging in (or trying to).
    bool SawLoginAttempt() const;
    // Makes what the test wrote under the home folder the server user's.
    void Own() const;
    const std::string& GetLog() const;

private:
    std::string m_kind;
    std::string m_mode;
    TempDir m_dir;
    uint16_t m_port = 0;
    std::string m_user;
    bool m_started = false;
    mutable std::string m_log;
};

// Runs a shell command line; its exit status, and its output in `out`.
int RunShell(const std::string& command, std::string* out = nullptr);

}  // namespace velmora::test

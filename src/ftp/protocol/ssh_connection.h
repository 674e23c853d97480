#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/socket.h"
#include "ftp/protocol/ssh_host_keys.h"
#include "ftp/protocol/ssh_settings.h"
#include "platform/api.h"

struct ssh_session_struct;
struct ssh_channel_struct;

// One SSH connection (RFC 4251-4254, through libssh) carrying one channel
// for a subsystem: the transport under the file transfer protocol. It checks
// the server's host key before any credential leaves, then logs in with
// whatever the settings and the server have in common.
namespace velmora::protocol {

// Whether the passphrase opens the private key file (a remembered one may
// be out of date).
VELMORA_API bool IsKeyPassphrase(const std::string& keyFile, const std::string& passphrase);

class VELMORA_API CSshConnection {
public:
    CSshConnection();
    ~CSshConnection();  // Close()
    CSshConnection(const CSshConnection&) = delete;
    CSshConnection& operator=(const CSshConnection&) = delete;

    // Connects (port 0 means 22), checks the host key, logs in as `user` and
    // opens a channel for `subsystem`. Every wait is bounded by
    // `connectTimeoutMs` until the channel is open (the login included);
    // afterwards Send and Receive bound their own.
    // Failures: Connect (unreachable), Certificate (host key refused: the
    // text says why and how to trust it; GetHostKey() shows it),
    // LoginRefused (the text names the methods tried and those offered),
    // TimedOut, Closed, Protocol.
    bool Connect(const std::string& host, uint16_t port, const std::string& user, const std::string& password,
                 const CSshSettings& settings, int connectTimeoutMs, const std::string& subsystem, CFtpError& error);
    // Ends the connection without waiting for the server. Safe to call twice.
    void Close();
    // Asked while Send and Receive wait (see CSessionOptions::cancelled): a
    // cancel that comes during a wait ends it with Cancelled; a wait that
    // begins after it (a cancelled job's clean-up) runs as usual, unless the
    // scope is every wait (SetCancelScope). A cancelled Send closes the
    // connection, since part of a message may have gone; a cancelled
    // Receive leaves it open: what was asked is answered later.
    void SetCancelQuestion(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    // Which waits a cancel ends; a transfer under way widens it to every
    // wait, so that a cancel that comes between two of its waits is heard.
    void SetCancelScope(ECancelScope scope) { m_cancelScope = scope; }
    bool IsCancelled() const { return m_cancelled && m_cancelled(); }
    bool IsOpen() const { return m_channel != nullptr; }

    // Writes all of `bytes` to the channel, waiting at most `timeoutMs` for
    // the server to take them (TimedOut; Cancelled when the cancel question
    // said so meanwhile).
    bool Send(const std::string& bytes, int timeoutMs, CFtpError& error);
    // Reads what the channel has (at least one byte), waiting at most
    // `timeoutMs`: false with TimedOut when nothing came, Closed when the
    // server ended the channel, Cancelled when the cancel question said so
    // meanwhile.
    bool Receive(char* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error);

    // The server's host key, kept after a refusal; empty before a connect.
    const CSshHostKey& GetHostKey() const { return m_hostKey; }
    // "chacha20-poly1305@openssh.com".
    std::string GetCipher() const;
    // The server's identification ("SSH-2.0-OpenSSH_9.2p1 Debian-2").
    std::string GetServerBanner() const;
    // This connection's number in the protocol trace.
    int GetTraceLabel() const { return m_nTraceLabel; }

private:
    bool Fail(CFtpError& error, EFtpError code, std::string text);
    bool VerifyHostKey(const std::string& host, uint16_t port, const CSshSettings& settings, CFtpError& error);
    bool Authenticate(const std::string& password, const CSshSettings& settings,
                      CFtpError& error);
    // One method each: SSH_AUTH_SUCCESS when it let us in.
    int TryKeyFile(const std::string& file, const CSshSettings& settings, std::string& note);
    int TryKeyboard(const std::string& password, const CSshSettings& settings);
    bool OpenChannel(const std::string& subsystem, CFtpError& error);
    void SetTimeout(int timeoutMs);
    // After a wait's slice passed without progress: false with Cancelled (a
    // cancel since `cancelledBefore` was read) or TimedOut when the wait ends.
    bool KeepWaiting(std::chrono::steady_clock::time_point deadline, bool cancelledBefore, CFtpError& error);

    ssh_session_struct* m_session = nullptr;
    ssh_channel_struct* m_channel = nullptr;
    CSshHostKey m_hostKey;
    int m_timeoutMs = 0;
    int m_nTraceLabel = 0;
    std::function<bool()> m_cancelled;
    ECancelScope m_cancelScope = ECancelScope::WaitsUnderWay;
};

// How a refused login reads: "Login refused by the server (tried: publickey
// (id_ed25519), password; the server offers: publickey, password)".
VELMORA_API std::string DescribeRefusedLogin(const std::vector<std::string>& tried, int offered);

}  // namespace velmora::protocol

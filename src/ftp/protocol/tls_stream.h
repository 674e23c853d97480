#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ftp/protocol/cert_trust.h"
#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/socket.h"
#include "ftp/protocol/tls_settings.h"

struct ssl_ctx_st;
struct ssl_st;
struct ssl_session_st;

namespace velmora::protocol {

// The TLS configuration of one FTP session, shared by its control and data
// connections. Servers that check session reuse refuse a data connection
// whose session is not resumed from the control connection's; with TLS 1.3
// a server hands out single-use tickets after the handshake and may send
// more later, so the context keeps the control connection's newest session
// (a new-session callback replaces it each time) and every data connection
// resumes that one.
class CTlsContext {
public:
    CTlsContext() = default;
    ~CTlsContext();
    CTlsContext(const CTlsContext&) = delete;
    CTlsContext& operator=(const CTlsContext&) = delete;

    // TLS 1.2 or newer, the system's CA store plus the settings' CA file.
    bool Init(const CTlsSettings& settings, const std::string& host, CFtpError& error);
    const CTlsSettings& GetSettings() const { return m_settings; }
    const std::string& GetHost() const { return m_host; }

private:
    friend class CTlsStream;
    static int OnNewSession(ssl_st* ssl, ssl_session_st* session);

    ssl_ctx_st* m_context = nullptr;
    CTlsSettings m_settings;
    std::string m_host;
    ssl_st* m_control = nullptr;          // the control connection, whose sessions count
    ssl_session_st* m_newest = nullptr;   // owned
};

// TLS over one connected socket. OpenSSL works on memory buffers; this class
// moves the bytes between them and the socket, so that every wait is the
// socket's own, bounded by a time-out.
class CTlsStream {
public:
    // `control`: this is the session's control connection (its sessions are
    // remembered); otherwise a data connection (it resumes the newest).
    CTlsStream(CTlsContext& context, bool control);
    ~CTlsStream();
    CTlsStream(const CTlsStream&) = delete;
    CTlsStream& operator=(const CTlsStream&) = delete;

    // The client handshake and the trust decision about the server's
    // certificate (described by GetPeerCertificate() either way).
    bool Handshake(CSocket& socket, int timeoutMs, CFtpError& error);
    // On a data connection the bytes that do not fill a whole TLS record wait
    // for the next call or for SendClose: a server decrypts and stores each
    // record on its own, and a short record costs it as much as a full one.
    // SendHeld sends them.
    bool SendAll(CSocket& socket, const void* data, size_t size, int timeoutMs, CFtpError& error);
    // As CSocket::Receive: 0 bytes at the end of the data (the server's
    // close_notify, or the end of the connection).
    bool Receive(CSocket& socket, void* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error);
    bool SendHeld(CSocket& socket, int timeoutMs, CFtpError& error);
    // Sends close_notify, the orderly end of the TLS data.
    bool SendClose(CSocket& socket, int timeoutMs, CFtpError& error);

    const CCertificateInfo& GetPeerCertificate() const { return m_peer; }
    std::string GetVersion() const;  // "TLSv1.3"
    bool IsResumed() const;

private:
    enum class EStep { Done, End, Failed };
    // Runs one OpenSSL call to its end: sends what it produced, feeds it
    // what the socket receives, until it completes, the data ends, or fails.
    // Each wait for the socket is bounded by `timeoutMs`.
    template <typename Call>
    EStep Drive(CSocket& socket, Call call, const char* what, int timeoutMs, CFtpError& error);
    bool Flush(CSocket& socket, int timeoutMs, CFtpError& error);
    bool Write(CSocket& socket, const char* data, size_t size, int timeoutMs, CFtpError& error);
    bool Fail(const char* what, CFtpError& error);

    CTlsContext& m_context;
    bool m_control;
    ssl_st* m_ssl = nullptr;
    CCertificateInfo m_peer;
    std::string m_partialRecord;  // a data connection's bytes held back by SendAll
};

}  // namespace velmora::protocol

// The TLS steps of an FTP session (RFC 4217): implicit TLS, AUTH TLS, the
// protection of data connections, and TLS on each data connection.

#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/tls_memory.h"

namespace velmora::protocol {

namespace {

constexpr int kAuthAccepted = 234;

}  // namespace

const char kTlsDowngradeText[] = "did TLS before and now offers none";

std::string CFtpConnection::GetTlsVersion() const {
    const CTlsStream* tls = m_control.GetTls();
    return tls ? tls->GetVersion() : std::string();
}

bool CFtpConnection::StartImplicitTls() { return m_options.tls.mode != ETlsMode::Implicit || StartControlTls(); }

bool CFtpConnection::NegotiateTls() {
    const ETlsMode mode = m_options.tls.EffectiveMode();
    if (mode != ETlsMode::Auto && mode != ETlsMode::Require) return true;
    // A feature list without AUTH TLS says the server has no TLS: auto mode
    // spares the round trip. Without a list (FEAT refused) only AUTH TLS
    // itself can tell, and a required TLS always asks.
    if (mode == ETlsMode::Auto && m_capabilities.listed && !m_capabilities.authTls) {
        m_tlsDeclined = true;
        return true;
    }
    CFtpReply reply;
    if (!Exchange("AUTH TLS", reply)) return false;
    if (reply.code == kAuthAccepted) return StartControlTls();
    if (mode == ETlsMode::Require) return Fail(EFtpError::Refused, "The server does not offer TLS: " + reply.text);
    // Any refusal means "not offered": vsftpd without TLS answers "530 Please
    // login with USER and PASS", which is no failed login.
    m_tlsDeclined = true;
    return true;
}

bool CFtpConnection::CheckPlainLogin() {
    if (!m_tlsDeclined) return true;
    const std::string server = m_host + ":" + std::to_string(m_port);
    if (CTlsMemory::ForUser().DidTls(m_host, m_port))
        return Fail(EFtpError::PlainRefused, server + " " + kTlsDowngradeText +
                                                 ": the password was not sent. Someone on the way may be taking "
                                                 "TLS out; plain FTP with this server must be chosen (TLS off).");
    if (m_options.allowPlainLogin && !m_options.allowPlainLogin(m_host, m_port))
        return Fail(EFtpError::PlainRefused, server + " offers no TLS, and plain FTP was not allowed: the password "
                                                      "was not sent.");
    return true;
}

bool CFtpConnection::StartControlTls() {
    m_tlsContext = std::make_unique<CTlsContext>();
    CFtpError error;
    if (m_tlsContext->Init(m_options.tls, m_host, error) &&
        m_control.StartTls(*m_tlsContext, m_options.connectTimeoutMs, m_peerCertificate, error))
        return true;
    return Fail(error.code, error.text);
}

bool CFtpConnection::SecureDataConnection(CTransport& data) {
    if (!m_control.IsEncrypted()) return true;
    CFtpError error;
    CCertificateInfo peer;
    if (data.StartTls(*m_tlsContext, false, m_options.connectTimeoutMs, peer, error)) return true;
    // The server gives the transfer up with a final reply: read it, so that
    // the session stays usable, and report the TLS failure.
    CFtpReply reply;
    ReadReply(reply);
    return Fail(error.code, "Data connection: " + error.text);
}

}  // namespace velmora::protocol

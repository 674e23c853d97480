#include "ftp/protocol/tls_stream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <utility>

#include "base/format.h"

namespace velmora::protocol {

namespace {

constexpr size_t kReceiveChunk = 32768;
constexpr size_t kRecordSize = 16384;  // the most plaintext one TLS record carries

// The reason OpenSSL gives for the failure at hand, else a general one.
std::string OpenSslReason(const char* fallback) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return fallback;
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : text;
}

}  // namespace

// ---- CTlsContext ----

CTlsContext::~CTlsContext() {
    if (m_newest) SSL_SESSION_free(m_newest);
    if (m_context) SSL_CTX_free(m_context);
}

bool CTlsContext::Init(const CTlsSettings& settings, const std::string& host, CFtpError& error) {
    m_settings = settings;
    m_host = host;
    m_context = SSL_CTX_new(TLS_client_method());
    if (!m_context) return error.Set(EFtpError::Protocol, "TLS is not available: " + OpenSslReason("no context"));
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(m_context);
    if (!settings.caFile.empty() && SSL_CTX_load_verify_locations(m_context, settings.caFile.c_str(), nullptr) != 1) {
        return error.Set(EFtpError::Usage, Format("Cannot read the CA file '%s': %s", settings.caFile.c_str(),
                                                  OpenSslReason("not a PEM certificate file").c_str()));
    }
    // The chain is still verified; the decision is taken after the handshake
    // (CheckPeerCertificate), so that a refusal can show the certificate.
    SSL_CTX_set_verify(m_context, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_session_cache_mode(m_context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_context, &CTlsContext::OnNewSession);
    SSL_CTX_set_app_data(m_context, this);
    return true;
}

int CTlsContext::OnNewSession(ssl_st* ssl, ssl_session_st* session) {
    auto* self = static_cast<CTlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (!self || ssl != self->m_control) return 0;  // a data connection's own sessions are not resumed
    if (self->m_newest) SSL_SESSION_free(self->m_newest);
    self->m_newest = session;
    return 1;  // we keep the reference
}

// ---- CTlsStream ----

CTlsStream::CTlsStream(CTlsContext& context, bool control) : m_context(context), m_control(control) {
    m_ssl = context.m_context ? SSL_new(context.m_context) : nullptr;
    if (!m_ssl) return;
    BIO* incoming = BIO_new(BIO_s_mem());
    BIO* outgoing = BIO_new(BIO_s_mem());
    if (!incoming || !outgoing) {
        BIO_free(incoming);
        BIO_free(outgoing);
        SSL_free(std::exchange(m_ssl, nullptr));
        return;
    }
    SSL_set_bio(m_ssl, incoming, outgoing);
    SSL_set_connect_state(m_ssl);
    PrepareHostCheck(m_ssl, context.m_host);
    if (control) {
        context.m_control = m_ssl;
    } else if (context.m_newest) {
        // A copy: after a TLS 1.3 resumption OpenSSL marks the session it
        // used as spent, and the next data connection still needs it.
        SSL_SESSION* copy = SSL_SESSION_dup(context.m_newest);
        if (copy) SSL_set_session(m_ssl, copy);
        SSL_SESSION_free(copy);
    }
}

CTlsStream::~CTlsStream() {
    if (m_control && m_context.m_control == m_ssl) m_context.m_control = nullptr;
    if (m_ssl) SSL_free(m_ssl);
}

bool CTlsStream::Fail(const char* what, CFtpError& error) {
    return error.Set(EFtpError::Protocol, Format("TLS %s failed: %s", what, OpenSslReason("protocol error").c_str()));
}

bool CTlsStream::Flush(CSocket& socket, int timeoutMs, CFtpError& error) {
    BIO* outgoing = SSL_get_wbio(m_ssl);
    char* data = nullptr;
    const long pending = BIO_get_mem_data(outgoing, &data);
    if (pending <= 0) return true;
    const bool sent = socket.SendAll(data, static_cast<size_t>(pending), timeoutMs, error);
    (void)BIO_reset(outgoing);
    return sent;
}

template <typename Call>
CTlsStream::EStep CTlsStream::Drive(CSocket& socket, Call call, const char* what, int timeoutMs, CFtpError& error) {
    for (;;) {
        ERR_clear_error();
        const int result = call();
        const int code = result > 0 ? SSL_ERROR_NONE : SSL_get_error(m_ssl, result);
        if (!Flush(socket, timeoutMs, error)) return EStep::Failed;
        if (code == SSL_ERROR_NONE) return EStep::Done;
        if (code == SSL_ERROR_ZERO_RETURN) return EStep::End;  // the server's close_notify
        if (code != SSL_ERROR_WANT_READ) {
            Fail(what, error);
            return EStep::Failed;
        }
        char chunk[kReceiveChunk];
        size_t received = 0;
        if (!socket.Receive(chunk, sizeof chunk, received, timeoutMs, error)) return EStep::Failed;
        if (received == 0) return EStep::End;
        BIO_write(SSL_get_rbio(m_ssl), chunk, static_cast<int>(received));
    }
}

bool CTlsStream::Handshake(CSocket& socket, int timeoutMs, CFtpError& error) {
    if (!m_ssl) return error.Set(EFtpError::Protocol, "TLS is not available: " + OpenSslReason("no memory"));
    switch (Drive(socket, [this] { return SSL_connect(m_ssl); }, "handshake", timeoutMs, error)) {
        case EStep::Done:
            return CheckPeerCertificate(m_ssl, m_context.m_settings, m_peer, error);
        case EStep::End:
            return error.Set(EFtpError::Closed, "TLS handshake failed: the server closed the connection");
        case EStep::Failed:
            break;
    }
    return false;
}

bool CTlsStream::SendAll(CSocket& socket, const void* data, size_t size, int timeoutMs, CFtpError& error) {
    const char* bytes = static_cast<const char*>(data);
    if (m_control) return Write(socket, bytes, size, timeoutMs, error);
    if (!m_partialRecord.empty()) {
        const size_t taken = std::min(size, kRecordSize - m_partialRecord.size());
        m_partialRecord.append(bytes, taken);
        bytes += taken;
        size -= taken;
        if (m_partialRecord.size() < kRecordSize) return true;
        if (!Write(socket, m_partialRecord.data(), kRecordSize, timeoutMs, error)) return false;
        m_partialRecord.clear();
    }
    const size_t whole = size - size % kRecordSize;
    if (!Write(socket, bytes, whole, timeoutMs, error)) return false;
    m_partialRecord.assign(bytes + whole, size - whole);
    return true;
}

bool CTlsStream::SendHeld(CSocket& socket, int timeoutMs, CFtpError& error) {
    if (!Write(socket, m_partialRecord.data(), m_partialRecord.size(), timeoutMs, error)) return false;
    m_partialRecord.clear();
    return true;
}

bool CTlsStream::Write(CSocket& socket, const char* data, size_t size, int timeoutMs, CFtpError& error) {
    if (size == 0) return true;
    size_t written = 0;
    const auto write = [&] { return SSL_write_ex(m_ssl, data, size, &written); };
    switch (Drive(socket, write, "write", timeoutMs, error)) {
        case EStep::Done:
            return true;
        case EStep::End:
            return error.Set(EFtpError::Closed, kClosedText);
        case EStep::Failed:
            break;
    }
    return false;
}

bool CTlsStream::Receive(CSocket& socket, void* buffer, size_t size, size_t& received, int timeoutMs,
                         CFtpError& error) {
    received = 0;
    size_t count = 0;
    const auto read = [&] { return SSL_read_ex(m_ssl, buffer, size, &count); };
    switch (Drive(socket, read, "read", timeoutMs, error)) {
        case EStep::Done:
            received = count;
            return true;
        case EStep::End:
            return true;
        case EStep::Failed:
            break;
    }
    return false;
}

bool CTlsStream::SendClose(CSocket& socket, int timeoutMs, CFtpError& error) {
    if (!m_ssl || !SSL_is_init_finished(m_ssl)) return true;
    ERR_clear_error();
    SSL_shutdown(m_ssl);  // 0: ours sent, the server's not seen yet; that is enough
    return Flush(socket, timeoutMs, error);
}

std::string CTlsStream::GetVersion() const { return m_ssl ? SSL_get_version(m_ssl) : ""; }

bool CTlsStream::IsResumed() const { return m_ssl && SSL_session_reused(m_ssl) == 1; }

}  // namespace velmora::protocol

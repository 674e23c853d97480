#include "ftp/protocol/ssh_connection.h"

#include <libssh/libssh.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/format.h"
#include "base/text.h"
#include "ftp/protocol/ftp_trace.h"

namespace velmora::protocol {

namespace {

struct KeyFree {
    void operator()(ssh_key_struct* key) const { ssh_key_free(key); }
};
using KeyPtr = std::unique_ptr<ssh_key_struct, KeyFree>;

// Rounds of keyboard-interactive questions we answer before giving up: a
// server that asks for ever must not hold the login.
constexpr int kKeyboardRounds = 5;
// Once logged in, libssh waits at most this long at a time, so that a wait
// on a silent server hears a cancel at once, not after its time-out.
constexpr int kWaitSliceMs = 20;

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, word.size()), word)) return true;
    }
    return false;
}

// A passphrase or password copy that is wiped when it goes.
struct Secret {
    std::string text;
    ~Secret() {
        volatile char* p = text.data();
        for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
    }
};

std::string MethodNames(int methods) {
    static const std::pair<int, const char*> kNames[] = {
        {SSH_AUTH_METHOD_PUBLICKEY, "publickey"},
        {SSH_AUTH_METHOD_PASSWORD, "password"},
        {SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive"},
        {SSH_AUTH_METHOD_HOSTBASED, "hostbased"},
        {SSH_AUTH_METHOD_GSSAPI_MIC, "gssapi-with-mic"},
    };
    std::string text;
    for (const auto& [bit, name] : kNames) {
        if (!(methods & bit)) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text.empty() ? "none" : text;
}

}  // namespace

std::string DescribeRefusedLogin(const std::vector<std::string>& tried, int offered) {
    std::string list;
    for (const std::string& method : tried) {
        if (!list.empty()) list += ", ";
        list += method;
    }
    if (list.empty()) list = "nothing we could offer";
    return Format("Login refused by the server (tried: %s; the server offers: %s)", list.c_str(),
                  MethodNames(offered).c_str());
}

CSshConnection::CSshConnection() = default;

CSshConnection::~CSshConnection() { Close(); }

bool CSshConnection::Fail(CFtpError& error, EFtpError code, std::string text) {
    Close();
    return error.Set(code, std::move(text));
}

void CSshConnection::SetTimeout(int timeoutMs) {
    if (!m_session || timeoutMs == m_timeoutMs) return;
    m_timeoutMs = timeoutMs;
    long seconds = timeoutMs / 1000;
    long micros = static_cast<long>(timeoutMs % 1000) * 1000;
    ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &seconds);
    ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT_USEC, &micros);
}

bool CSshConnection::Connect(const std::string& host, uint16_t port, const std::string& user,
                             const std::string& password, const CSshSettings& settings, int connectTimeoutMs,
                             const std::string& subsystem, CFtpError& error) {
    Close();
    m_hostKey = {};
    if (port == 0) port = 22;
    m_session = ssh_new();
    if (!m_session) return error.Set(EFtpError::Connect, "Cannot start an SSH session");
    unsigned int portNumber = port;
    int off = 0, on = 1;
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.c_str());
    ssh_options_set(m_session, SSH_OPTIONS_PORT, &portNumber);
    ssh_options_set(m_session, SSH_OPTIONS_USER, user.c_str());
    // The user's ssh configuration would change hosts, ports and keys behind
    // the settings this session was given.
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &off);
    // Requests are small and answered one by one: no waiting for more to fill a segment.
    ssh_options_set(m_session, SSH_OPTIONS_NODELAY, &on);
    // libssh prefers the key types these files know for the host, so that a
    // server with several keys shows the one that was trusted.
    const std::vector<std::string> files = KnownHostsFiles(settings.knownHostsFiles);
    ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, files[0].c_str());
    ssh_options_set(m_session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, files.size() > 1 ? files[1].c_str() : "/dev/null");
    m_timeoutMs = 0;
    SetTimeout(connectTimeoutMs);
    m_nTraceLabel = NextTraceLabel();
    TraceCommand(m_nTraceLabel,
                 Format("SSH connect %s port %u as %s", host.c_str(), static_cast<unsigned>(port), user.c_str()));
    if (ssh_connect(m_session) != SSH_OK) {
        const std::string reason = ssh_get_error(m_session);
        return Fail(error, EFtpError::Connect, Format("Cannot connect to %s port %u: %s", host.c_str(),
                                                      static_cast<unsigned>(port), reason.c_str()));
    }
    TraceReplyLine(m_nTraceLabel, GetServerBanner());
    CSshSettings effective = settings;
    effective.knownHostsFiles = files;
    if (!VerifyHostKey(host, port, effective, error)) return false;
    if (!Authenticate(password, settings, error) || !OpenChannel(subsystem, error)) return false;
    SetTimeout(kWaitSliceMs);
    return true;
}

bool CSshConnection::VerifyHostKey(const std::string& host, uint16_t port, const CSshSettings& settings,
                                   CFtpError& error) {
    ssh_key raw = nullptr;
    if (ssh_get_server_publickey(m_session, &raw) != SSH_OK)
        return Fail(error, EFtpError::Protocol, "The server showed no host key");
    KeyPtr key(raw);
    char* blob = nullptr;
    unsigned char* hash = nullptr;
    size_t hashSize = 0;
    if (ssh_pki_export_pubkey_base64(key.get(), &blob) != SSH_OK ||
        ssh_get_publickey_hash(key.get(), SSH_PUBLICKEY_HASH_SHA256, &hash, &hashSize) != SSH_OK) {
        ssh_string_free_char(blob);
        return Fail(error, EFtpError::Protocol, "The server's host key cannot be read");
    }
    char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashSize);
    m_hostKey.type = ssh_key_type_to_char(ssh_key_type(key.get()));
    m_hostKey.base64 = blob;
    m_hostKey.fingerprint = fingerprint ? fingerprint : "";
    ssh_string_free_char(blob);
    ssh_string_free_char(fingerprint);
    ssh_clean_pubkey_hash(&hash);
    TraceReplyLine(m_nTraceLabel,
                   Format("host key %s %s", m_hostKey.type.c_str(), m_hostKey.fingerprint.c_str()));

    if (!settings.fingerprint.empty()) {
        if (FingerprintMatches(settings.fingerprint, m_hostKey)) return true;
        return Fail(error, EFtpError::Certificate,
                    Format("%s: its %s key has the fingerprint %s, not the %s that was given.", kUntrustedHostKeyText,
                           m_hostKey.type.c_str(), m_hostKey.fingerprint.c_str(), settings.fingerprint.c_str()));
    }
    const CHostKeyVerdict verdict = CheckHostKey(settings.knownHostsFiles, host, port, m_hostKey);
    switch (verdict.kind) {
    case CHostKeyVerdict::Known: return true;
    case CHostKeyVerdict::Changed:
        return Fail(error, EFtpError::Certificate, DescribeChangedHostKey(host, port, m_hostKey, verdict.where));
    case CHostKeyVerdict::Unknown: break;
    }
    return Fail(error, EFtpError::Certificate, DescribeUnknownHostKey(host, port, m_hostKey));
}

bool CSshConnection::Authenticate(const std::string& password, const CSshSettings& settings,
                                  CFtpError& error) {
    int rc = ssh_userauth_none(m_session, nullptr);
    if (rc == SSH_AUTH_SUCCESS) return true;
    if (rc == SSH_AUTH_ERROR) return Fail(error, EFtpError::Closed, ssh_get_error(m_session));
    std::vector<std::string> tried;
    int offered = ssh_userauth_list(m_session, nullptr);
    // Each method in turn until one lets us in: PARTIAL (a second factor is
    // needed) renews the server's offer, ERROR ends the connection.
    const auto attempt = [&](const std::string& method, const std::function<int()>& run) {
        tried.push_back(method);
        rc = run();
        if (rc == SSH_AUTH_PARTIAL) offered = ssh_userauth_list(m_session, nullptr);
        return rc == SSH_AUTH_SUCCESS || rc == SSH_AUTH_ERROR;
    };
    bool settled = false;
    if ((offered & SSH_AUTH_METHOD_PUBLICKEY) && settings.useAgent && std::getenv("SSH_AUTH_SOCK"))
        settled = attempt("publickey (agent)", [&] { return ssh_userauth_agent(m_session, nullptr); });
    for (size_t i = 0; !settled && i < settings.identities.size() && (offered & SSH_AUTH_METHOD_PUBLICKEY); ++i) {
        const std::string& file = settings.identities[i];
        std::string note;
        settled = attempt("publickey", [&] { return TryKeyFile(file, settings, note); });
        tried.back() = Format("publickey (%s%s%s)", std::filesystem::path(file).filename().c_str(),
                              note.empty() ? "" : ": ", note.c_str());
    }
    if (!settled && (offered & SSH_AUTH_METHOD_PASSWORD) && !password.empty())
        settled = attempt("password", [&] { return ssh_userauth_password(m_session, nullptr, password.c_str()); });
    if (!settled && (offered & SSH_AUTH_METHOD_INTERACTIVE) && (!password.empty() || settings.askKeyboard))
        attempt("keyboard-interactive", [&] { return TryKeyboard(password, settings); });
    for (const std::string& method : tried) TraceCommand(m_nTraceLabel, "SSH auth " + method);
    if (rc == SSH_AUTH_SUCCESS) {
        TraceReplyLine(m_nTraceLabel, "SSH login accepted");
        return true;
    }
    if (rc == SSH_AUTH_ERROR) return Fail(error, EFtpError::Closed, ssh_get_error(m_session));
    const std::string refusal = DescribeRefusedLogin(tried, offered);
    TraceReplyLine(m_nTraceLabel, refusal);
    return Fail(error, EFtpError::LoginRefused, refusal);
}

bool IsKeyPassphrase(const std::string& keyFile, const std::string& passphrase) {
    ssh_key raw = nullptr;
    if (ssh_pki_import_privkey_file(keyFile.c_str(), passphrase.c_str(), nullptr, nullptr, &raw) != SSH_OK)
        return false;
    KeyPtr key(raw);
    return true;
}

int CSshConnection::TryKeyFile(const std::string& file, const CSshSettings& settings, std::string& note) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) {
        note = "no such file";
        return SSH_AUTH_DENIED;
    }
    // Where the public half lies beside the key, the server is asked first
    // whether it would take it: no passphrase is asked for a key it refuses.
    ssh_key rawPublic = nullptr;
    if (ssh_pki_import_pubkey_file((file + ".pub").c_str(), &rawPublic) == SSH_OK) {
        KeyPtr publicKey(rawPublic);
        const int offer = ssh_userauth_try_publickey(m_session, nullptr, publicKey.get());
        if (offer != SSH_AUTH_SUCCESS) {
            note = "not accepted";
            return offer;
        }
    }
    ssh_key rawPrivate = nullptr;
    if (ssh_pki_import_privkey_file(file.c_str(), nullptr, nullptr, nullptr, &rawPrivate) != SSH_OK) {
        Secret passphrase;
        if (!settings.askPassphrase || !settings.askPassphrase(file, passphrase.text)) {
            note = "needs its passphrase";
            return SSH_AUTH_DENIED;
        }
        if (ssh_pki_import_privkey_file(file.c_str(), passphrase.text.c_str(), nullptr, nullptr, &rawPrivate) !=
            SSH_OK) {
            note = "wrong passphrase, or not a key";
            return SSH_AUTH_DENIED;
        }
    }
    KeyPtr privateKey(rawPrivate);
    const int rc = ssh_userauth_publickey(m_session, nullptr, privateKey.get());
    if (rc == SSH_AUTH_DENIED) note = "not accepted";
    return rc;
}

int CSshConnection::TryKeyboard(const std::string& password, const CSshSettings& settings) {
    bool passwordGiven = false;
    int rc = ssh_userauth_kbdint(m_session, nullptr, nullptr);
    for (int round = 0; rc == SSH_AUTH_INFO && round < kKeyboardRounds; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(m_session);
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            const char* prompt = ssh_userauth_kbdint_getprompt(m_session, static_cast<unsigned>(i), &echo);
            Secret answer;
            // The password answers a password prompt once: asking again means it was wrong.
            if (!echo && ContainsNoCase(prompt ? prompt : "", "password") && !password.empty() && !passwordGiven) {
                answer.text = password;
                passwordGiven = true;
            } else if (!settings.askKeyboard || !settings.askKeyboard(prompt ? prompt : "", echo != 0, answer.text)) {
                return SSH_AUTH_DENIED;
            }
            ssh_userauth_kbdint_setanswer(m_session, static_cast<unsigned>(i), answer.text.c_str());
        }
        rc = ssh_userauth_kbdint(m_session, nullptr, nullptr);
    }
    return rc == SSH_AUTH_INFO ? SSH_AUTH_DENIED : rc;
}

bool CSshConnection::OpenChannel(const std::string& subsystem, CFtpError& error) {
    m_channel = ssh_channel_new(m_session);
    if (!m_channel || ssh_channel_open_session(m_channel) != SSH_OK ||
        ssh_channel_request_subsystem(m_channel, subsystem.c_str()) != SSH_OK) {
        const std::string reason = ssh_get_error(m_session);
        return Fail(error, EFtpError::Refused,
                    Format("The server offers no %s service: %s", subsystem.c_str(), reason.c_str()));
    }
    return true;
}

void CSshConnection::Close() {
    if (m_channel) {
        ssh_channel_free(m_channel);
        m_channel = nullptr;
    }
    if (m_session) {
        // Says goodbye without waiting for an answer, so that closing a
        // session the server stopped answering returns at once.
        ssh_disconnect(m_session);
        ssh_free(m_session);
        m_session = nullptr;
    }
}

bool CSshConnection::KeepWaiting(std::chrono::steady_clock::time_point deadline, bool cancelledBefore,
                                 CFtpError& error) {
    if (!cancelledBefore && IsCancelled()) return error.Set(EFtpError::Cancelled, "Cancelled");
    if (std::chrono::steady_clock::now() >= deadline) return error.Set(EFtpError::TimedOut, "Connection timed out");
    return true;
}

bool CSshConnection::Send(const std::string& bytes, int timeoutMs, CFtpError& error) {
    if (!m_channel) return error.Set(EFtpError::Usage, "Not connected");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool cancelledBefore = m_cancelScope == ECancelScope::WaitsUnderWay && IsCancelled();
    // A write waits for the server's window a slice at a time and answers
    // with what it could send meanwhile.
    for (size_t sent = 0;;) {
        const int written =
            ssh_channel_write(m_channel, bytes.data() + sent, static_cast<uint32_t>(bytes.size() - sent));
        if (written < 0 || !ssh_is_connected(m_session))
            return Fail(error, EFtpError::Closed, Format("Connection closed by server (%s)", ssh_get_error(m_session)));
        sent += static_cast<size_t>(written);
        if (sent == bytes.size()) return true;
        if (!KeepWaiting(deadline, cancelledBefore, error)) {
            Close();
            return false;
        }
    }
}

bool CSshConnection::Receive(char* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error) {
    received = 0;
    if (!m_channel) return error.Set(EFtpError::Usage, "Not connected");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool cancelledBefore = m_cancelScope == ECancelScope::WaitsUnderWay && IsCancelled();
    for (;;) {
        const int count = ssh_channel_read_timeout(m_channel, buffer, static_cast<uint32_t>(size), 0, kWaitSliceMs);
        if (count > 0) {
            received = static_cast<size_t>(count);
            return true;
        }
        if (count < 0 || ssh_channel_is_eof(m_channel) || !ssh_is_connected(m_session))
            return Fail(error, EFtpError::Closed, "Connection closed by server");
        if (!KeepWaiting(deadline, cancelledBefore, error)) return false;
    }
}

std::string CSshConnection::GetCipher() const {
    const char* cipher = m_session ? ssh_get_cipher_out(m_session) : nullptr;
    return cipher ? cipher : "";
}

std::string CSshConnection::GetServerBanner() const {
    const char* banner = m_session ? ssh_get_serverbanner(m_session) : nullptr;
    return banner ? banner : "";
}

}  // namespace velmora::protocol

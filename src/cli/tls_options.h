#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "ftp/login_info.h"
#include "ftp/tls_trust.h"
#include "messaging/listener.h"

namespace CLI {
class App;
}

namespace parcelo::cli {

// The global TLS options: --tls, --ca-file, --fingerprint, --insecure.
struct TlsOptions {
    std::string mode;  // empty: not given (auto, or a saved connection's own mode)
    std::string caFile;
    std::string fingerprint;
    bool insecure = false;
};

void AddTlsOptions(CLI::App& command, TlsOptions& options, const std::string& group);

// The TLS settings of a location. An ftp:// URL takes --tls (default auto);
// ftpes:// and ftps:// demand their own mode. A saved connection keeps its
// stored settings unless --tls, --fingerprint or --ca-file say otherwise.
// --insecure applies to every location, and so does a CA file given. With a
// pinned certificate or a CA file, auto becomes require.
velmora::CTlsSettings TlsSettingsFor(const TlsOptions& options, std::optional<velmora::ETlsMode> scheme,
                                     const velmora::CFtpLoginInfo* saved);

// A connection or an order saved in auto mode for a server that did TLS
// on this machine is saved requiring TLS: it never runs in plain FTP later.
void KeepTlsWhereSeen(velmora::CFtpLoginInfo& login);

// The loud warning for --insecure stored with "connection" or "order", which
// then accepts any certificate from `host` each time it is used.
std::string StoredInsecureWarning(const std::string& what, const std::string& host);

// A refused certificate's error, followed by the option that would trust it;
// a refused downgrade's, followed by the option that allows plain FTP.
std::string WithTrustHint(const std::string& text);

// While it exists, prints the library's one-line notice when a server in
// auto mode offers no TLS on standard error: once per server in a command,
// whichever of its sessions meets it, and never while `quiet` is set.
class PlainFtpNotice : public velmora::CListener {
public:
    explicit PlainFtpNotice(const bool& quiet);
    ~PlainFtpNotice() override;
    PlainFtpNotice(const PlainFtpNotice&) = delete;
    PlainFtpNotice& operator=(const PlainFtpNotice&) = delete;

    void OnMsg(velmora::CMsg& msg) override;

private:
    const bool& m_quiet;
    std::mutex m_mutex;
    std::set<std::string> m_said;
};

}  // namespace parcelo::cli

#include "ftp/stream_check.h"

#include <algorithm>
#include <thread>

#include "base/digest.h"
#include "base/format.h"
#include "base/text.h"
#include "ftp/remote_session.h"
#include "paths/file_path.h"

namespace velmora {
namespace {

constexpr const char* kPreference[] = {"SHA-256", "SHA-512", "SHA-1", "MD5", "CRC32"};

bool Holds(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

std::string VerifyName(EVerify verify) {
    switch (verify) {
        case EVerify::Require: return "require";
        case EVerify::Off: return "off";
        case EVerify::Auto: break;
    }
    return "auto";
}

bool ParseVerifyName(std::string_view name, EVerify& verify) {
    for (const EVerify each : {EVerify::Auto, EVerify::Require, EVerify::Off}) {
        if (name == VerifyName(each)) {
            verify = each;
            return true;
        }
    }
    return false;
}

std::string PreferredHash(const std::vector<std::string>& offered, const std::vector<std::string>* alsoOffered) {
    for (const char* algorithm : kPreference) {
        if (Holds(offered, algorithm) && (!alsoOffered || Holds(*alsoOffered, algorithm))) return algorithm;
    }
    return {};
}

std::string ServerText(const CRemoteSession& server) {
    return Format("%s://%s:%u", server.GetScheme().c_str(), server.GetHost().c_str(),
                  static_cast<unsigned>(server.GetPort()));
}

std::string MismatchText(const std::string& algorithm, const std::string& local, const std::string& server) {
    return Format("%s local %s server %s", algorithm.c_str(), local.c_str(), server.c_str());
}

std::string PartialUploadPath(const CFtpPath& target) {
    return target.GetFtpDir(true) + "." + target.GetFileName(true) + ".part";
}

std::string CheckFailureText(ECheckVerdict verdict, const std::string& text) {
    switch (verdict) {
        case ECheckVerdict::Mismatch: return "Checksum mismatch: " + text;
        case ECheckVerdict::Failed: return "Cannot verify " + text;
        case ECheckVerdict::Verified:
        case ECheckVerdict::Unchecked: break;
    }
    return std::string();
}

void WaitOutHashCache(std::chrono::steady_clock::time_point compared) {
    std::this_thread::sleep_until(compared + std::chrono::milliseconds(1100));
}

CStreamCheck::CStreamCheck(CRemoteSession& session, EVerify verify) : m_session(session), m_eVerify(verify) {
    if (verify == EVerify::Off) return;
    const std::string algorithm = PreferredHash(session.GetFeatures().hashes);
    if (algorithm.empty()) {
        m_strLack = ServerText(session) + " offers no hash";
    } else if (CDigest::IsKnown(algorithm)) {
        m_digest = std::make_unique<CDigest>(algorithm);
    }
}

CStreamCheck::~CStreamCheck() = default;

const std::string& CStreamCheck::Algorithm() const {
    static const std::string kNone;
    return m_digest ? m_digest->Algorithm() : kNone;
}

void CStreamCheck::Add(const char* data, size_t size) {
    if (m_digest) m_digest->Update(data, size);
}

void CStreamCheck::Restart() {
    if (m_digest) m_digest->Reset();
}

ECheckVerdict CStreamCheck::Compare(const std::string& path, std::string& text) {
    text = m_digest->Hex();
    // An empty file has no byte to change; some servers will not hash one.
    if (m_digest->Bytes() == 0) return ECheckVerdict::Verified;
    std::string server;
    const bool told = m_session.Hash(path, m_digest->Algorithm(), 0, 0, server);
    m_compared = std::chrono::steady_clock::now();
    if (!told) {
        text = Format("%s: the server would not hash it (%s)", path.c_str(), m_session.GetLastError().c_str());
        return m_eVerify == EVerify::Require ? ECheckVerdict::Failed : ECheckVerdict::Unchecked;
    }
    if (EqualsNoCase(server, text)) return ECheckVerdict::Verified;
    text = MismatchText(m_digest->Algorithm(), text, server);
    return ECheckVerdict::Mismatch;
}

}  // namespace velmora

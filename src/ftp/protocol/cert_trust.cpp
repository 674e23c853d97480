#include "ftp/protocol/cert_trust.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <memory>

#include "base/hex.h"

namespace velmora::protocol {

namespace {

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::string NameText(const X509_NAME* name) {
    std::unique_ptr<BIO, BioFree> out(BIO_new(BIO_s_mem()));
    if (!out || X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB) < 0) return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    return std::string(data, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string TimeText(const ASN1_TIME* time) {
    tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string Sha256Fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
    std::string hex = HexToString(digest, length);  // "AB CD ..."
    std::erase(hex, ' ');
    return FormatFingerprint(hex);
}

CCertificateInfo Describe(X509* certificate) {
    CCertificateInfo info;
    info.subject = NameText(X509_get_subject_name(certificate));
    info.issuer = NameText(X509_get_issuer_name(certificate));
    info.validFrom = TimeText(X509_get0_notBefore(certificate));
    info.validTo = TimeText(X509_get0_notAfter(certificate));
    info.fingerprint = Sha256Fingerprint(certificate);
    return info;
}

bool Refuse(const std::string& reason, const CCertificateInfo& info, CFtpError& error) {
    return error.Set(EFtpError::Certificate,
                     std::string(kUntrustedCertificateText) + " (" + reason + ").\n" + info.Describe());
}

}  // namespace

const char kUntrustedCertificateText[] = "The server's certificate is not trusted";

std::string CCertificateInfo::Describe() const {
    // The fingerprint first: it is what a user needs to trust the certificate.
    return "SHA-256 fingerprint: " + fingerprint + "\nSubject: " + subject + "\nIssuer: " + issuer +
           "\nValid from: " + validFrom + " to " + validTo;
}

bool PrepareHostCheck(ssl_st* ssl, const std::string& host) {
    X509_VERIFY_PARAM* parameters = SSL_get0_param(ssl);
    if (X509_VERIFY_PARAM_set1_ip_asc(parameters, host.c_str()) == 1) return true;
    X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set1_host(ssl, host.c_str()) == 1 && SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
}

bool CheckPeerCertificate(ssl_st* ssl, const CTlsSettings& settings, CCertificateInfo& info, CFtpError& error) {
    std::unique_ptr<X509, X509Free> certificate(SSL_get1_peer_certificate(ssl));
    info = CCertificateInfo();
    if (!certificate) return error.Set(EFtpError::Certificate, std::string(kUntrustedCertificateText) + ": the server sent none");
    info = Describe(certificate.get());
    if (!settings.fingerprint.empty()) {
        return SameFingerprint(info.fingerprint, settings.fingerprint) ||
               Refuse("it does not match the pinned fingerprint " + FormatFingerprint(settings.fingerprint), info,
                      error);
    }
    if (settings.insecure) return true;
    const long result = SSL_get_verify_result(ssl);
    return result == X509_V_OK || Refuse(X509_verify_cert_error_string(result), info, error);
}

}  // namespace velmora::protocol

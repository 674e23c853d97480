#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

namespace velmora {

class CDigest;
class CFtpPath;
class CRemoteSession;

// Whether a transfer checks the files it sends to or takes from a server
// against the server's own hash of them: where the server offers one
// (Auto), always, failing the files of servers that offer none (Require),
// or never (Off).
enum class EVerify { Auto, Require, Off };

// "auto", "require", "off".
VELMORA_API std::string VerifyName(EVerify verify);
// False for a name that is none of them.
VELMORA_API bool ParseVerifyName(std::string_view name, EVerify& verify);

// The hash algorithm to check with among those a server offers (and, for a
// copy between two servers, those the other one offers too); "" when they
// share none. SHA-256 goes first: it is as sure as SHA-512 against bytes
// changed on the way, and much cheaper where the processor computes it.
VELMORA_API std::string PreferredHash(const std::vector<std::string>& offered,
                                      const std::vector<std::string>* alsoOffered = nullptr);

// "ftp://host:21", as the log names a server.
VELMORA_API std::string ServerText(const CRemoteSession& server);
// The record of a mismatch: "SHA-256 local <hex> server <hex>".
VELMORA_API std::string MismatchText(const std::string& algorithm, const std::string& local,
                                     const std::string& server);

// Where an upload stands until it is complete (where the job sends under
// temporary names), and where one that failed its check stays when it
// cannot be removed: ".NAME.part" beside the file.
VELMORA_API std::string PartialUploadPath(const CFtpPath& target);

// How a file's check against its server's hash came out.
enum class ECheckVerdict {
    Verified,   // every server side's hash matched
    Unchecked,  // a server could not hash the file after all; the setting allows that
    Mismatch,   // the server holds other bytes than were sent or received
    Failed,     // the setting requires a check that could not be made
};

// The error of a file whose check came out Mismatch ("Checksum mismatch:
// TEXT") or Failed ("Cannot verify TEXT"); "" for a check that passed.
VELMORA_API std::string CheckFailureText(ECheckVerdict verdict, const std::string& text);

// ProFTPD keeps the hashes it computed by path, size and modification
// second: a file written again within the second of a check would be given
// that check's hash. Waits until that second has passed since `compared`.
VELMORA_API void WaitOutHashCache(std::chrono::steady_clock::time_point compared);

// The check of one file moved whole through a stream of one session (a file
// read from its first byte to its end, or written so): a digest of the
// bytes as they flow, compared with the server's hash of the file once the
// server confirmed the transfer. Without a hash to check with it checks
// nothing.
class VELMORA_API CStreamCheck {
public:
    // With the strongest hash the session's server offers, unless `verify` is Off.
    CStreamCheck(CRemoteSession& session, EVerify verify);
    ~CStreamCheck();
    CStreamCheck(const CStreamCheck&) = delete;
    CStreamCheck& operator=(const CStreamCheck&) = delete;

    bool IsOn() const { return m_digest != nullptr; }
    // Why no check is made on a server that offers no hash ("ftp://h:21
    // offers no hash"); "" when one is made or none is wanted.
    const std::string& Lack() const { return m_strLack; }
    // A check is required and cannot be made: the file must not move.
    bool IsRefused() const { return !m_strLack.empty() && m_eVerify == EVerify::Require; }
    // Why `path` must not move when IsRefused: "Cannot verify PATH: LACK".
    std::string Refusal(const std::string& path) const {
        return CheckFailureText(ECheckVerdict::Failed, path + ": " + m_strLack);
    }
    const std::string& Algorithm() const;
    void Add(const char* data, size_t size);
    // Covers nothing again (the file goes again from its first byte).
    void Restart();
    // After the confirmed transfer: the server's hash of `path` against the
    // bytes that went (an empty file, whose length was checked, needs none).
    // `text` is the record of a Mismatch, the reason of a Failed or
    // Unchecked verdict, or after Verified the digest.
    ECheckVerdict Compare(const std::string& path, std::string& text);
    // Before the same path is written again after a mismatch.
    void WaitOutServerCache() const { WaitOutHashCache(m_compared); }

private:
    CRemoteSession& m_session;
    EVerify m_eVerify;
    std::string m_strLack;
    std::unique_ptr<CDigest> m_digest;
    std::chrono::steady_clock::time_point m_compared;
};

}  // namespace velmora

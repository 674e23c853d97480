#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/stream_check.h"
#include "platform/api.h"

namespace velmora {

class CDigest;
class CTskDataFile;

// The check of one file's copy against its server's hash: a digest of the
// bytes as they go to the target, compared with the server's once the last
// one is there. Made from the plan's algorithm; with none it checks nothing.
class VELMORA_API CFileCheck {
public:
    using EVerdict = ECheckVerdict;

    explicit CFileCheck(const std::string& algorithm);
    ~CFileCheck();
    CFileCheck(const CFileCheck&) = delete;
    CFileCheck& operator=(const CFileCheck&) = delete;

    bool IsOn() const { return m_digest != nullptr; }
    const std::string& Algorithm() const;
    // Bytes the digest covers.
    uint64_t Covered() const;
    void Add(const char* data, size_t size);
    // Covers nothing again (the file goes again from its first byte).
    void Restart();
    // Makes the digest cover the first `offset` bytes of the target (those a
    // continued copy keeps), read once from the side that has them on the
    // local disk; false when neither side can give them.
    bool Cover(uint64_t offset, CTskDataFile& source, CTskDataFile& target);
    // After the last byte: each side on a server is asked for its hash of
    // the file (an empty one, whose length was checked, needs none). `text` is the record of a Mismatch ("SHA-256 local … server
    // …") or the reason of a Failed or Unchecked verdict; after Verified,
    // the local digest.
    EVerdict Compare(CTskDataFile& source, CTskDataFile& target, std::string& text);
    // Before a file sent to a server goes again after a mismatch. ProFTPD
    // keeps the hashes it computed by path, size and modification second:
    // the same file written again within the second of the failed check
    // would be given that check's hash. The second passes first.
    void WaitOutServerCache(const CTskDataFile& target) const;

private:
    std::unique_ptr<CDigest> m_digest;
    std::chrono::steady_clock::time_point m_compared;
};

// The digest (lower-case hex) of the whole of `file` with `algorithm`: its
// server's, or read from the local disk; false where neither can be had.
VELMORA_API bool WholeDigest(CTskDataFile& file, const std::string& algorithm, std::string& digest);

// Whether two files of equal size hold the same bytes, by their hashes with
// an algorithm both sides can compute; empty where they share none (the
// reason, once a job, in the log).
VELMORA_API std::optional<bool> SameContent(CTskDataFile& one, CTskDataFile& other);

// The algorithm a copy from `source` to `target` is checked with, as the
// job's setting says ("" for none). Says once a job for each server that
// offers no hash that its files are checked by length only. False with the
// reason when the job requires a check that the servers do not offer.
VELMORA_API bool ChooseCheck(CTskDataFile& source, CTskDataFile& target, std::string& algorithm,
                             std::string& error);

}  // namespace velmora

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/api.h"
#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"

namespace velmora {

class CZipAes;
class CZipCrypto;
class CZipDeflater;
class CZipStorage;

// Writes one ZIP archive: entries are added one after the other, each
// streamed through BeginEntry, WriteEntryData and EndEntry, and the central
// directory is written by CloseArchive. Every failure raises CZipException.
//
// The archive is built under a temporary name next to the target and moved
// over it by CloseArchive, so a failed archive leaves an older file of the
// same name untouched. After a failure of the output file the archive is
// broken: every later call raises the same error, and CloseArchive discards
// the temporary file.
class VELMORA_API CZipArchive {
public:
    // How entries with a password are encrypted: the traditional PKWARE
    // cipher, which every reader knows but which is weak, or AES-256 in
    // WinZip's AE-2 form.
    enum class Encryption { Traditional, Aes256 };

    CZipArchive();
    // Closes an archive still open as CloseArchive would, without raising.
    ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    // Starts a new archive that will replace any file at `path`.
    void CreateArchive(const std::string& path);
    // Entries begun from now on are encrypted with `password` (UTF-8 bytes)
    // by `encryption`; an empty password means no encryption.
    void SetArchivePassword(const std::string& password, Encryption encryption = Encryption::Traditional);
    // Stores the attribute word (read-only 0x1, hidden 0x2, directory 0x10,
    // archive 0x20...) as the header's external attributes, with the
    // matching Unix permission bits in the high 16 bits unless the caller
    // already put some there.
    static void SetEntryAttributes(CZipFileHeader& header, uint32_t attributes);
    // Writes the local header of a new entry and starts its data. Level 0
    // stores, 1 to 9 deflate; other levels use zlib's default. A directory
    // (attribute 0x10 or a name ending in "/") gets a name ending in "/" and
    // no data. An entry still open is ended first.
    void BeginEntry(const CZipFileHeader& header, int level = -1);
    void WriteEntryData(const void* buffer, size_t length);
    // Completes the entry; nothing happens when no entry is open.
    void EndEntry();
    // Ends an open entry, writes the central directory and puts the archive
    // in place. Calling it again (or on a closed archive) does nothing.
    void CloseArchive();
    bool IsArchiveClosed() const;
    // The path given to CreateArchive.
    const std::string& GetArchivePath() const { return m_path; }

private:
    void RequireOpen() const;
    void PrepareEntry(CZipFileHeader& entry, int level) const;
    void StartEntryData();
    void WriteEntryBytes(const char* data, size_t length);
    void FinishEntryData();
    void CompleteEntry();
    void WriteCentralDirectory();
    void Reset() noexcept;
    // Runs a step that writes to the output: a failure there breaks the
    // archive for good.
    template <typename Step>
    void Guarded(Step&& step);

    std::string m_path;
    std::string m_password;
    Encryption m_encryption = Encryption::Traditional;
    std::unique_ptr<CZipStorage> m_storage;
    std::unique_ptr<CZipDeflater> m_deflater;
    std::unique_ptr<CZipCrypto> m_crypto;
    std::unique_ptr<CZipAes> m_aes;
    std::vector<CZipFileHeader> m_headers;
    CZipFileHeader m_entry;
    bool m_bEntryOpen = false;
    std::optional<CZipException> m_failure;
    std::vector<char> m_scratch;
};

}  // namespace velmora

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// Files read and written in blocks by the transfer engine. A file being
// written never takes the place of what was at its path until it is
// complete: the data goes to a temporary file in the same folder, which
// Commit renames over the target. A failed or abandoned write removes the
// temporary file and leaves the target as it was.
namespace velmora::platform {

class VELMORA_API CFileReader {
public:
    CFileReader() = default;
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    // Only regular files are read: devices and pipes could block or never end.
    bool Open(std::string_view path, std::string* error = nullptr);
    // The size of the open file when it was opened.
    uint64_t GetSize() const { return m_size; }
    // Up to `size` bytes; true with `received` 0 at the end of the file.
    bool Read(void* buffer, size_t size, size_t& received, std::string* error = nullptr);
    // The next Read starts at byte `offset`.
    bool Seek(uint64_t offset, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

class VELMORA_API CReplacingFileWriter {
public:
    CReplacingFileWriter() = default;
    // Discards a write that was not committed.
    ~CReplacingFileWriter();
    CReplacingFileWriter(const CReplacingFileWriter&) = delete;
    CReplacingFileWriter& operator=(const CReplacingFileWriter&) = delete;

    // Starts the temporary file next to `path`. A file that is replaced
    // hands its permissions on to the new one, unless `ownerOnly` asks for a
    // file that only its owner may read and write (0600) from the first byte on.
    bool Open(std::string_view path, std::string* error = nullptr, bool ownerOnly = false);
    // Starts, or with `keep` takes up, the one partial file of `path`
    // (PartialPath). It is locked while open, so two transfers never write
    // it at once. What it already holds is GetKeptSize(); writing goes on
    // after it. Abandon leaves it for a later transfer to continue.
    bool OpenPartial(std::string_view path, bool keep, std::string* error = nullptr);
    uint64_t GetKeptSize() const { return m_kept; }
    // A short note kept with the open partial file (what its bytes are
    // taken from), set before its first byte: an extended attribute of the
    // file, or where the file system keeps none, the file PartialNotePath
    // beside it. Starting the partial afresh, completing it and discarding
    // it remove the note.
    bool SetPartialNote(std::string_view text);
    bool Write(const void* data, size_t size, std::string* error = nullptr);
    // Writes at `offset`, wherever the next Write would go; several threads
    // may write different stretches at once.
    bool WriteAt(uint64_t offset, const void* data, size_t size, std::string* error = nullptr);
    // Keeps the first `size` bytes written and goes on writing after them.
    bool Truncate(uint64_t size, std::string* error = nullptr);
    // Gives the new file the permissions and modification time of `source`.
    bool CopyMetadataFrom(std::string_view source, std::string* error = nullptr);
    // Closes the file and renames it over the target. `durable` also flushes
    // the data to the disk before the rename and the folder's entry after it,
    // for a file saved in one piece whose loss would hurt.
    bool Commit(std::string* error = nullptr, bool durable = false);
    // Closes and removes the temporary file.
    void Discard();
    // Closes and keeps the temporary file (a partial file to continue later).
    void Abandon();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetTemporaryPath() const { return m_temp; }

private:
    bool KeepPermissionsOf(const std::string& target);
    void RemovePartialNote();

    int m_fd = -1;
    std::string m_target;
    std::string m_temp;
    uint64_t m_kept = 0;
    bool m_bPartial = false;  // the temporary file is the target's partial file
};

// The one partial file a transfer to `path` writes: ".NAME.part" beside it.
VELMORA_API std::string PartialPath(std::string_view path);
// Where the note of that partial file is kept on a file system without
// extended attributes: ".NAME.part.source" beside it.
VELMORA_API std::string PartialNotePath(std::string_view path);
// The note kept with the partial file of `path`; false when it has none.
VELMORA_API bool ReadPartialNote(std::string_view path, std::string& text);
// How much of a source of `sourceLength` bytes (0: unknown) an earlier
// transfer to `path` left: its partial file, or else a shorter file at
// `path`, which becomes the partial file (without a note: one left beside
// no partial file is removed). 0 when there is none, or when it is longer
// than the source.
VELMORA_API uint64_t HeldOfPartial(std::string_view path, uint64_t sourceLength);

// A file written in place: created, or truncated when it exists. What was
// written stays when the writer is closed early. For the library's own
// foreground downloads, which keep a partial file where they were cut off.
class VELMORA_API CFileWriter {
public:
    CFileWriter() = default;
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    bool Open(std::string_view path, std::string* error = nullptr);
    bool Write(const void* data, size_t size, std::string* error = nullptr);
    // False when written data could not be stored.
    bool Close(std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Copies the contents, permissions and modification time of a file; the
// target is replaced only once the copy is complete.
VELMORA_API bool CopyFileReplacing(std::string_view from, std::string_view to, std::string* error = nullptr);

}  // namespace velmora::platform

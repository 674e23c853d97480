#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/ftp_dir.h"
#include "paths/file_path.h"
#include "paths/file_rec_find.h"
#include "platform/api.h"

namespace velmora {

namespace protocol {
class CFtpConnection;
class CFtpDataStream;
}

class CFtpListingReader;

// A remote folder listing, one entry current at a time, the way the local
// CFileFind works:
//
//     CFtpFind find(connection);
//     for (bool more = find.FindFile("/pub/*"); more;) {
//         more = find.FindNextFileW();
//         ... find.GetFileName(), find.IsDirectory(), CFtpPath(find.GetPath()) ...
//     }
//
// The folder is listed with "LIST" and the reply is read to the end of its
// data; a listing the server does not confirm counts as failed, so a cut-off
// reply never passes for a short folder. A classic listing is read in the
// layout its lines fit (CFtpListingReader). The folder's own "." and "..",
// lines that are no entry, lines that cannot be read (counted), and names
// refused as unsafe (logged, and counted in GetRefused) are left out;
// hidden names (".htaccess") are kept.
// Symbolic links are listed by their own name and are neither files nor
// folders (IsDirectory false, IsLink true). The inherited accessors answer
// for the current entry's path.
class VELMORA_API CFtpFind : public CFileRecFind {
public:
    // The most listing text accepted for one folder, the most entries (each
    // costs far more memory than its line), and the longest line.
    static constexpr size_t kMaxListing = size_t{256} << 20;
    static constexpr size_t kMaxEntries = 250000;
    static constexpr size_t kMaxLineLength = 64 * 1024;

    // The connection is not owned.
    explicit CFtpFind(protocol::CFtpConnection* connection);
    ~CFtpFind() override;
    // The base keeps a pointer into this object's entries.
    CFtpFind(const CFtpFind&) = delete;
    CFtpFind& operator=(const CFtpFind&) = delete;

    std::string GetFileName() const override;
    // "ftp://" + server + the entry's path.
    std::string GetFileURL() const override;
    // The name up to its last ".", for folders as for files.
    std::string GetFileTitle() const override;
    // The name is "." or "..".
    bool IsDots() const override;
    bool IsLink() const { return m_pCurrent && m_pCurrent->IsLink(); }
    void Close() {}

    // Lists the folder of `path` ("/a/b", "/a/b/" or "/a/b/*"); non-zero
    // when at least one entry was kept. The flags are not used. The next
    // FindNextFileW makes the first entry current.
    int FindFile(std::string_view path, unsigned flags = 0);
    // Makes the next entry current; non-zero while more entries follow it,
    // so the last entry is current when it answers 0.
    int FindNextFileW();

    // Lists the folder as FindFile does; false when the folder could not be
    // entered or listed (GetLastError says why), or when the listing breaks
    // one of the bounds above. An empty folder is true. A server that offers
    // machine listings is asked with MLSD (exact UTC times), others with LIST.
    bool Open(std::string_view path);
    // Off: always LIST, even when the server offers MLSD.
    void SetUseMachineListing(bool use) { m_bUseMachineListing = use; }
    // What new finds start with (on); class-wide, like the other FTP settings.
    static void SetDefaultMachineListing(bool use);
    static bool IsDefaultMachineListing();
    // The last listing came from MLSD.
    bool IsMachineListing() const { return m_bMachine; }
    // The entries of the last listing left out because their names were
    // unsafe, as the folder followed by the name (control characters shown as "?").
    const std::vector<std::string>& GetRefused() const { return m_refused; }
    int GetCount() const { return m_list.GetCount(); }
    // The lines of the last listing that could not be read, skipped (a
    // status record in the log says how many, and the first of them).
    int GetBroken() const { return m_nBroken; }
    // The layout of the last classic listing (Unknown for a machine listing,
    // or one without entries).
    EListingFormat GetFormat() const { return m_eFormat; }
    // The folder listed, "/" separated, with a trailing "/".
    const std::string& GetFolder() const { return m_strFolder; }
    const std::string& GetLastError() const { return m_strError; }

    // The current entry; null before the first FindNextFileW.
    const CFtpDir* GetCurrent() const { return m_pCurrent; }
    // The current entry's path (an empty path when there is none).
    const CFtpPath& GetPath() const;
    operator const CFtpPath&() const { return GetPath(); }

private:
    static constexpr size_t kListingBlock = 64 * 1024;

    bool Fail(const std::string& error);
    bool ReadListing(protocol::CFtpDataStream& reply);
    bool ReadLines(protocol::CFtpDataStream& reply);
    void SortByName();
    // Takes the complete lines of `text`; answers how many bytes they used.
    size_t TakeLines(const std::string& text);
    void TakeLine(std::string_view line);
    // An entry, or a line whose name was refused.
    void Keep(std::unique_ptr<CFtpDir> entry);

    protocol::CFtpConnection* m_pConnection;
    const CFtpDir* m_pCurrent = nullptr;
    CFtpDirList m_list;
    CFtpDirList::POSITION m_pos;
    std::string m_strFolder;
    std::string m_strError;
    std::vector<std::string> m_refused;
    bool m_bUseMachineListing;
    bool m_bMachine = false;
    CFtpListingReader* m_pReader = nullptr;  // while a classic listing is read
    EListingFormat m_eFormat = EListingFormat::Unknown;
    int m_nBroken = 0;
    std::string m_strFirstBroken;
};

}  // namespace velmora

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/ftp_dir.h"
#include "paths/file_path.h"
#include "paths/file_rec_find.h"
#include "platform/api.h"

namespace velmora {

class CRemoteSession;

// A remote folder listing, one entry current at a time, the way the local
// CFileFind works:
//
//     CFtpFind find(session);
//     for (bool more = find.FindFile("/pub/*"); more;) {
//         more = find.FindNextFileW();
//         ... find.GetFileName(), find.IsDirectory(), CFtpPath(find.GetPath()) ...
//     }
//
// The folder is listed by the session (CRemoteSession::List) to its end; a
// listing the server does not confirm counts as failed, so a cut-off reply
// never passes for a short folder. The folder's own "." and "..", lines that
// are no entry, and names refused as unsafe (logged, and counted in
// GetRefused) are left out; hidden names (".htaccess") are kept. Exact
// listings (a machine listing, SFTP) come in the order the server's folder
// holds the names and are sorted by name, as classic listings are.
// Symbolic links are listed by their own name and are neither files nor
// folders (IsDirectory false, IsLink true). The inherited accessors answer
// for the current entry's path.
class VELMORA_API CFtpFind : public CFileRecFind {
public:
    // The most entries accepted for one folder: a server that lists without
    // end must not eat the memory.
    static constexpr size_t kMaxEntries = 250000;

    // The session is not owned.
    explicit CFtpFind(CRemoteSession* session);
    ~CFtpFind() override;
    // The base keeps a pointer into this object's entries.
    CFtpFind(const CFtpFind&) = delete;
    CFtpFind& operator=(const CFtpFind&) = delete;

    std::string GetFileName() const override;
    // The session's scheme ("ftp://") + server + the entry's path.
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
    // a bound (of the session's, or kMaxEntries). An empty folder is true.
    bool Open(std::string_view path);
    // The entries of the last listing left out because their names were
    // unsafe, as the folder followed by the name (control characters shown as "?").
    const std::vector<std::string>& GetRefused() const { return m_refused; }
    int GetCount() const { return m_list.GetCount(); }
    // The folder listed, "/" separated, with a trailing "/".
    const std::string& GetFolder() const { return m_strFolder; }
    const std::string& GetLastError() const { return m_strError; }

    // The current entry; null before the first FindNextFileW.
    const CFtpDir* GetCurrent() const { return m_pCurrent; }
    // Removes the current entry from the listing (none is current then),
    // so that a walk through a big folder frees each entry once used;
    // FindNextFileW goes on with the entry after it.
    void DropCurrent();
    // The current entry's path (an empty path when there is none).
    const CFtpPath& GetPath() const;
    operator const CFtpPath&() const { return GetPath(); }

private:
    bool Fail(const std::string& error);
    bool Take(CFtpDir&& entry);
    void Refuse(const std::string& entry);
    void SortByName();

    CRemoteSession* m_pSession;
    const CFtpDir* m_pCurrent = nullptr;
    CFtpDirList m_list;
    CFtpDirList::POSITION m_pos;
    std::string m_strFolder;
    std::string m_strError;
    std::vector<std::string> m_refused;
};

}  // namespace velmora

#pragma once

#include <string>
#include <string_view>

#include "paths/file_path.h"
#include "paths/file_rec_find.h"
#include "platform/api.h"
#include "platform/file_system.h"

namespace velmora {

// A local directory listing, one entry current at a time:
//
//     CFileFind find;
//     for (bool more = find.FindFile(folder + "/*.*"); more;) {
//         more = find.FindNextFile();
//         ... find.GetFilePath(), find.IsDirectory(), ...
//     }
//
// Names and paths are answered exactly as the file system gives them; the
// attributes, times and size come from the current entry's status.
class VELMORA_API CFileFind : public CFileRecFind {
public:
    CFileFind();
    ~CFileFind() override;
    // The base keeps a pointer into this object.
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Lists the entries of the pattern's folder (the text up to its last "/"
    // or "\") whose names match its last part: "*" and "?" are wildcards,
    // "*.*" matches every name, a plain name finds just that entry. True
    // when something matched; the next FindNextFile makes the first current.
    bool FindFile(std::string_view pattern = "*.*");
    // Makes the next entry current; true while more entries follow it, so
    // the last entry is current when it answers false.
    bool FindNextFile();
    void Close();

    std::string GetFileName() const override;
    std::string GetFilePath() const override;
    std::string GetFileTitle() const override;
    bool IsDots() const override;
    // The current entry is a symbolic link (its status is the target's).
    bool IsSymlink() const;
    // The folder being listed, as the pattern gave it.
    const std::string& GetRoot() const { return m_strRoot; }
    // Why the last FindFile found nothing, when its folder could not be
    // listed, or why the listing ended early, when reading failed on the
    // way; empty when the folder was listed (or a name was not there).
    const std::string& GetLastError() const { return m_strError; }

private:
    const platform::DirEntry* Current() const;
    bool ListFolder(std::string_view mask);
    bool FindOne(const std::string& name);
    // Reads on to the next entry the mask matches (the entry after the
    // current one, read one ahead so that FindNextFile can tell the last).
    void ReadAhead();

    std::string m_strRoot;
    std::string m_strError;
    std::string m_strMask;
    platform::DirectoryReader m_reader;
    platform::DirEntry m_entry;
    bool m_bCurrent = false;
    platform::DirEntry m_ahead;
    bool m_bAhead = false;
    CFilePath m_current;
};

}  // namespace velmora

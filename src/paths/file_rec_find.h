#pragma once

#include <cstdint>
#include <string>

#include "platform/api.h"

namespace velmora {

class CFilePath;

// A directory-listing entry answered from a path record, so that one filter
// and one copy routine serve local listings, FTP listings and stored paths
// alike. The record is not owned; listings keep it aimed at their current
// entry. Without a record every answer is empty, zero or false.
class VELMORA_API CFileRecFind {
public:
    explicit CFileRecFind(const CFilePath* path = nullptr) : m_pPath(path) {}
    CFileRecFind(const CFileRecFind&) = default;
    CFileRecFind& operator=(const CFileRecFind&) = default;
    virtual ~CFileRecFind();

    virtual uint64_t GetLength() const;
    // Name with extension.
    virtual std::string GetFileName() const;
    virtual std::string GetFilePath() const;
    virtual std::string GetFileURL() const;
    // Name without extension.
    virtual std::string GetFileTitle() const;
    // "." and "..": each listing decides.
    virtual bool IsDots() const = 0;
    // True when the attribute word shares a bit with the mask.
    virtual bool MatchesMask(uint32_t mask) const;
    virtual uint64_t GetCreationTime() const;
    virtual uint64_t GetLastAccessTime() const;
    virtual uint64_t GetLastWriteTime() const;

    bool IsReadOnly() const;
    bool IsHidden() const;
    bool IsSystem() const;
    bool IsDirectory() const;
    bool IsArchived() const;
    bool IsNormal() const;
    bool IsTemporary() const;
    bool IsCompressed() const;

    const CFilePath* GetCurrentPath() const { return m_pPath; }

protected:
    void SetCurrentPath(const CFilePath* path) { m_pPath = path; }

    const CFilePath* m_pPath;
};

}  // namespace velmora

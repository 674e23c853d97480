#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/block_copy.h"
#include "db/db_src_point.h"
#include "engine/statistic.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CMFCObjNode;

// One file (or folder entry) taking part in a transfer, seen from one
// source: it opens itself for reading or writing, reads and writes blocks,
// and names itself for the log. The base class holds the block-copy loop.
//
// A data file made from a folder tree keeps its node (not owned); the root
// of that tree is the file's source root, and whether the tree holds more
// than one node (a folder was scanned) decides how the file's target path
// is built. Data files never listen to the message box (there is one per
// file): the job's abort flag, set by a listening mover or source, is what
// the copy loop checks.
class VELMORA_API CTskDataFile : public CStatistic {
public:
    // The block size of the copy loop.
    static constexpr size_t kBlockSize = kCopyBlockSize;
    // Open flags, as the platform's file flags: read, and create for writing.
    static constexpr uint32_t kOpenRead = 0;
    static constexpr uint32_t kOpenWrite = 0x1001;

    CTskDataFile() = default;
    explicit CTskDataFile(const CFtpPath& path, const CMFCObjNode* node = nullptr, bool folderTree = false);
    ~CTskDataFile() override;

    CObj* CreateObject() const override { return new CTskDataFile(); }
    void Copy(const CObj& src) override;

    virtual bool IsOpen() const { return false; }
    virtual bool IsClosed() const { return true; }
    // Prepares reading (the file must be there) or writing (its folder must be).
    virtual bool OpenRead() { return false; }
    virtual bool OpenWrite() { return true; }
    virtual bool Open(uint32_t flags);
    // One block; true with `received` 0 at the end of the data.
    virtual bool Read(char* buffer, size_t size, size_t& received);
    virtual bool Write(const char* data, size_t size);
    // Ends the reading or writing. A complete write is put in place (and
    // confirmed, for a remote file); an incomplete one is abandoned.
    virtual bool CloseFile(bool complete = true);
    // Makes this (target) folder entry exist at its place.
    virtual bool MakeFolder() { return true; }
    // The block-copy loop from `source` into `target`; `report` adds the
    // "Open media" step with the Source and Destination records.
    virtual bool Transfer(CTskDataFile* source, CTskDataFile* target, bool report);
    virtual uint64_t Length() const { return m_Path.Length(); }
    virtual std::string SourceText() const { return m_Path.GetPath(); }
    virtual std::string TargetText() const { return m_Path.GetPath(); }

    // The copy loop's rules: the buffer is a block, or the whole file when
    // smaller (a whole block when the size is recorded as 0, which is mostly
    // an unknown size); progress is sent every `ProgressStep` bytes.
    static size_t BufferSize(uint64_t length);
    static uint64_t ProgressStep(uint64_t length);
    // "%3s%% %s / %s Bytes": percent done, bytes done, file size.
    static std::string ProgressText(uint64_t done, uint64_t length);

    CFtpPath& GetPath() { return m_Path; }
    const CFtpPath& GetPath() const { return m_Path; }
    const CMFCObjNode* GetNode() const { return m_pNode; }
    void SetNode(const CMFCObjNode* node, bool folderTree) {
        m_pNode = node;
        m_bFolderTree = folderTree;
    }
    // The path of the root of the file's folder tree; the file's own path
    // when it was not made from a tree.
    CFtpPath GetRootPath() const;
    bool IsInFolderTree() const { return m_bFolderTree; }
    // A folder, or a path without text.
    bool IsFolderEntry() const { return m_Path.IsDirectory() || m_Path.IsEmpty(); }
    // The file's source record in the job database.
    CDBSrcPoint& GetSrcPoint() { return m_SrcPoint; }
    const CDBSrcPoint& GetSrcPoint() const { return m_SrcPoint; }
    // Why the last read, write or close failed.
    const std::string& GetFileError() const { return m_strFileError; }

protected:
    bool SetFileError(const std::string& text) {
        m_strFileError = text;
        return false;
    }

    CFtpPath m_Path;
    const CMFCObjNode* m_pNode = nullptr;
    bool m_bFolderTree = false;
    CDBSrcPoint m_SrcPoint;
    std::string m_strFileError;

private:
    class CJobProgress;

    bool CopyBlocks(CTskDataFile& source, CTskDataFile& target);
    bool OpenBoth(CTskDataFile& source, CTskDataFile& target, bool report);
};

}  // namespace velmora

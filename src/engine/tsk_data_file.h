#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/block_copy.h"
#include "db/db_src_point.h"
#include "engine/source_stamp.h"
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
    // Taking up a copy that broke off. A side whose transfer was cut short
    // (a lost or silent connection, or data that ended before the known
    // size) is interrupted; once it has reconnected, both sides are opened
    // again from an offset each of them can go on from, and the copy goes on.
    virtual bool IsInterrupted() const { return false; }
    virtual bool Reconnect() { return false; }
    // How much of `copied` bytes this (target) side holds for certain.
    virtual uint64_t ResumeOffset(uint64_t copied) { return copied; }
    // Opens (again) for reading or writing from byte `offset`. A side that
    // cannot start there lowers `offset` (0: from the start) or fails.
    virtual bool Reopen(uint32_t flags, uint64_t& offset);
    // Continuing across transfers: how much of a source of `sourceLength`
    // bytes this target holds from an earlier transfer (0: start afresh),
    // and the source's size as far as it can be learned before reading.
    virtual uint64_t HeldFromEarlier(uint64_t sourceLength) {
        (void)sourceLength;
        return 0;
    }
    virtual uint64_t KnownLength() { return Length(); }
    // Telling a partial of this source from one of another file: the stamp
    // of this (source) file; `fresh` asks again what a listing told. False
    // when its kind cannot tell an exact time.
    virtual bool GetStamp(CSourceStamp& stamp, bool fresh) {
        (void)stamp;
        (void)fresh;
        return false;
    }
    // Where this (target) file keeps the stamp of what its partial holds;
    // empty when it keeps none.
    virtual std::string StampPath() const { return std::string(); }
    // This target continues what it holds, whatever the job's setting (the
    // user chose to resume this one file).
    void SetContinue(bool on) { m_bContinue = on; }
    virtual uint64_t Length() const { return m_Path.Length(); }
    virtual std::string SourceText() const { return m_Path.GetPath(); }
    virtual std::string TargetText() const { return m_Path.GetPath(); }
    // The file's last write time (100-ns units since 1601, UTC) as exact as
    // its kind can tell; 0 when unknown. The base answers the path's time.
    virtual uint64_t GetModifiedTime() { return m_Path.LastWriteTime(); }
    // Gives the written (closed) file that time; false with GetFileError()
    // when it could not. Kinds that cannot keep a time answer true.
    virtual bool SetModifiedTime(uint64_t /*fileTime*/) { return true; }

    // The copy loop's rules: the buffer is a block, or the whole file when
    // smaller (a whole block when the size is recorded as 0, which is mostly
    // an unknown size); progress is sent every `ProgressStep` bytes.
    static size_t BufferSize(uint64_t length);
    static uint64_t ProgressStep(uint64_t length);
    // How often in a row a broken copy is taken up without getting a block further.
    static constexpr int kResumeAttempts = 5;
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
    uint64_t m_nContinuedAt = 0;  // what the target held when the copy began
    bool m_bContinue = false;
    class CJobProgress;

    bool CopyBlocks(CTskDataFile& source, CTskDataFile& target);
    // After a broken pass: reconnects the broken side and reopens both at
    // the offset they can go on from; `held` becomes that offset.
    bool TakeUp(CTskDataFile& source, CTskDataFile& target, CTskDataFile& broken, uint64_t& held,
                CJobProgress& progress);
    bool OpenBoth(CTskDataFile& source, CTskDataFile& target, bool report);
    // From the first byte, noting in the target's stamp what it is taken from.
    bool OpenAfresh(CTskDataFile& source, CTskDataFile& target);
    bool OpenToContinue(CTskDataFile& source, CTskDataFile& target);
    // Both sides from `offset`, where the target holds that much of this
    // very source: a stamp that names the source otherwise than it is now
    // (another file, or this one changed since) starts it from its first byte.
    bool ContinueBoth(CTskDataFile& source, CTskDataFile& target, uint64_t& offset);
    // Both sides from `offset`, or from where the target can start.
    bool ReopenBoth(CTskDataFile& source, CTskDataFile& target, uint64_t& offset);
};

}  // namespace velmora

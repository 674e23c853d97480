#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/block_copy.h"
#include "db/db_src_point.h"
#include "engine/source_stamp.h"
#include "engine/statistic.h"
#include "engine/transfer_plan.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CDigest;
class CFileCheck;
class CMFCObjNode;
class CRemoteSession;

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
    // Opens for reading or writing from the first byte.
    virtual bool Open(uint32_t flags);
    // Opens as the plan says: from its offset, or (writing) at the end of
    // what the file holds; from the first byte when it starts afresh. A
    // side that cannot start where the plan says fails.
    virtual bool OpenAs(uint32_t flags, const CTransferPlan& plan);
    // One block; true with `received` 0 at the end of the data.
    virtual bool Read(char* buffer, size_t size, size_t& received);
    virtual bool Write(const char* data, size_t size);
    // Ends the reading or writing. A complete write is put in place (and
    // confirmed, for a remote file); an incomplete one is abandoned.
    virtual bool CloseFile(bool complete = true);
    // Ends a complete write where it was written (its partial name), so
    // that it can be checked before CloseFile puts it in place.
    virtual bool EndWrite() { return true; }
    // Removes what a write left, complete or not: a file that failed its
    // check must not be taken for a good one or continued.
    virtual void Discard() { CloseFile(false); }
    // The session of the server the file is on; null for a local file.
    virtual CRemoteSession* Server() const { return nullptr; }
    // The server's hash of the file as read, or as written (after EndWrite).
    virtual bool ServerDigest(const std::string& algorithm, std::string& digest);
    // Feeds `digest` the file's first `bytes` (the part a continued copy
    // keeps: of the source read, or of the partial file written), read from
    // the local disk; false where the kind cannot.
    virtual bool HashFirst(uint64_t bytes, CDigest& digest) {
        (void)bytes;
        (void)digest;
        return false;
    }
    // A download in parts. As a source: what makes further readers of this
    // file, each over a session of its own that it owns. Asked on the
    // file's thread; what it answers may be called on any thread, and
    // answers null with the reason where the server gave no session. Empty
    // where the kind has no further sessions.
    using CPartReaders = std::function<std::unique_ptr<CTskDataFile>(std::string& error)>;
    virtual CPartReaders PartReaders() { return {}; }
    // As a target: opened for parts written at their offsets, keeping what
    // the partial file holds (`keep`) or from nothing.
    virtual bool OpenParts(bool keep) {
        (void)keep;
        return SetFileError("Not written in parts");
    }
    // `size` bytes at `offset`; safe from several threads at once, each
    // writing its own part. False with the reason in `error`.
    virtual bool WriteAt(uint64_t offset, const char* data, size_t size, std::string& error);
    // Keeps, with the partial file, what each part holds and what it is
    // taken from; false when that cannot be kept.
    virtual bool KeepParts(const CSourceStamp& stamp, const std::vector<CFilePart>& parts) {
        (void)stamp;
        (void)parts;
        return false;
    }
    // Makes this (target) folder entry exist at its place.
    virtual bool MakeFolder() { return true; }
    // The block-copy loop from `source` into `target` as their plan says;
    // `report` adds the "Open media" step with the Source and Destination
    // records.
    virtual bool Transfer(CTskDataFile* source, CTskDataFile* target, bool report);

    // What a plan is made from. As a source: its length, and its stamp
    // where the kind can tell one (`fresh` asks again what a listing told).
    virtual CSourceFacts DescribeSource(bool fresh);
    // As a target: what an earlier transfer left of `source` (looked for
    // only when `continuing`), and where the kind can start writing.
    virtual CTargetFacts DescribeTarget(const CSourceFacts& source, bool continuing);
    // Keeps the stamp of what the partial file begun from its first byte
    // is taken from.
    virtual void KeepStamp(const CSourceStamp& stamp) { (void)stamp; }
    // As a target: the stamp kept of what the partial file an interrupted
    // transfer left was taken from (none once a transfer completed it).
    // Asks nothing that changes the target.
    virtual std::optional<CSourceStamp> PartialStamp() { return std::nullopt; }
    // Taking up a copy that broke off. A side whose transfer was cut short
    // (a lost or silent connection, or data that ended before the known
    // size) is interrupted; once it has reconnected, the copy goes on as a
    // new plan says, from what the target holds for certain of `copied`.
    virtual bool IsInterrupted() const { return false; }
    virtual bool Reconnect() { return false; }
    virtual uint64_t HeldAfterCut(uint64_t copied) { return copied; }
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
    // "Continued:" in the log: `source` goes on from `offset`.
    static void LogContinued(CTskDataFile& source, uint64_t offset);

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
    // The file's source record in the job database (made on first use: a
    // job without a database keeps none).
    CDBSrcPoint& GetSrcPoint();
    const CDBSrcPoint& GetSrcPoint() const;
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
    std::unique_ptr<CDBSrcPoint> m_pSrcPoint;
    std::string m_strFileError;

private:
    bool m_bContinue = false;
    class CJobProgress;

    // The plan of a copy from `source` into this target kind, from the
    // facts of both sides; a held part of another version of the source is
    // said in the log.
    // With the parts it goes in, where it goes in parts.
    CTransferPlan PlanCopy(CTskDataFile& source, CTskDataFile& target, std::vector<CFilePart>& parts) const;
    // Both sides opened as the plan says; where a side refuses to start at
    // its offset, both start afresh (the plan then says so).
    bool OpenBoth(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan);
    // `open` opens them; `report` adds the "Open media" step around it.
    bool OpenWithStep(CTskDataFile& source, CTskDataFile& target, bool report, const std::function<bool()>& open);
    // The file in one stream, as the plan says.
    bool CopyOneStream(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan, bool report);
    // The file in parts at once (CPartCopy); once all are there, the
    // source is asked whether it changed meanwhile and the file is checked.
    bool CopyInParts(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan, std::vector<CFilePart> parts,
                     bool report);
    // `carried`: the bytes the parts brought in this run.
    bool FinishParts(CTskDataFile& source, CTskDataFile& target, const CTransferPlan& plan, uint64_t carried);
    // The file once more in one stream from its first byte, the target
    // discarded already; the `carried` bytes counted before are taken back.
    bool CopyAgain(CTskDataFile& source, CTskDataFile& target, const CTransferPlan& plan, uint64_t carried);
    // The copy passes, with the take-ups after cuts; true once both sides
    // closed complete and the file passed its check.
    bool CopyBlocks(CTskDataFile& source, CTskDataFile& target, CTransferPlan plan);
    // The file from its first byte once more, both sides opened afresh.
    bool StartAgain(CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan, uint64_t& held,
                    CJobProgress& progress, CFileCheck& check);
    // The check covers what the target holds before its offset, or the file
    // goes from its first byte when that cannot be read.
    bool AlignCheck(CFileCheck& check, CTskDataFile& source, CTskDataFile& target, CTransferPlan& plan);
    // After the last byte, with the target's write ended: whether the file
    // may take its place, goes once more (a mismatch on its first try), or
    // failed. What a failed check wrote is discarded.
    enum class ECheckStep { Pass, Again, Fail };
    ECheckStep CheckCopy(CFileCheck& check, CTskDataFile& source, CTskDataFile& target, bool firstTry);
    // After a broken pass: reconnects the broken side and opens both as a
    // new plan says; `held` becomes its offset.
    bool TakeUp(CTskDataFile& source, CTskDataFile& target, CTskDataFile& broken, CTransferPlan& plan, uint64_t& held,
                CJobProgress& progress, CFileCheck& check);
    // Once the source was read to its end: whether it brought what the plan
    // expected and is still the file it was ("" when so), else why not.
    std::string SourceChange(CTskDataFile& source, const CTransferPlan& plan, uint64_t held, bool takenUp) const;
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/db_log_status.h"
#include "engine/overwrite_policy.h"
#include "engine/statistic.h"
#include "engine/tsk_data_file.h"
#include "objects/std_list.h"
#include "paths/file_filter.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "paths/mfc_obj_node.h"
#include "platform/api.h"
#include "tasks/tsk_item.h"

namespace velmora {

// One end of a running transfer, built from a task item: the side that is
// read gathers what it is to send (Scan); the side that receives prepares
// itself (OpenTarget) and puts each file coming from the other side into
// itself (PutFile). Scan works on the item's source point, OpenTarget and
// MakeTargetFile on its destination point.
//
// The list holds the data files given as paths and, for each folder tree
// loaded, one data file of the tree's root; a walk (CSourceWalk) makes the
// data files of the nodes below a root only as their turn comes, so that a
// job of a million files does not hold a million data files. The list, the
// trees and the current target data file belong to the source until Close.
//
// A source listens to the message box (the cancel request sets the job's
// abort flag), and to its copy of the item's filter, which tells it about
// every file a folder scan leaves out: those count as skipped.
class VELMORA_API CSource : public CStdList<CTskDataFile, CTskDataFile*>,
                            public CStatistic,
                            public CTansFilterListener {
public:
    explicit CSource(const CTskItem& item);
    CSource(const CSource&) = delete;
    CSource& operator=(const CSource&) = delete;
    ~CSource() override;

    // Gathers what is to be transferred, and counts it; a list that already
    // holds files is left as it is.
    virtual bool Scan() = 0;
    virtual bool OpenTarget() { return true; }
    // Puts a file of another source into this one: its target is made, both
    // are opened and the data copied with the block-copy loop. A folder
    // entry with nothing below it is created at its place; other folder
    // entries need nothing. A transferred file counts as processed.
    virtual bool PutFile(CTskDataFile* file);
    // Makes the place of a folder entry exist at the target, whatever lies
    // below it.
    bool PutFolder(CTskDataFile* file);
    virtual CTskDataFile* CreateDataFile(const CFtpPath& path) = 0;
    virtual void AddPaths(const CFtpPathList& paths);
    virtual void AddDataFile(CTskDataFile* file);
    // Releases the connection or archive, the folder tree, the current
    // target and the data files.
    virtual void Close();
    virtual bool IsFolderEntry(const CTskDataFile* file) const { return file && file->IsFolderEntry(); }
    // The data file of this source's kind where `sourceFile` is to go; it
    // stays the source's current target until the next one is made. Null
    // when the place cannot be made (the failure is reported).
    virtual CTskDataFile* MakeTargetFile(const CTskDataFile& sourceFile) = 0;
    // What is at a target already, for the job's overwrite policy.
    virtual CExistingTarget ExistingTarget(const CTskDataFile& target);
    // What a re-run does with the pair, both open (EOverwrite::Rerun).
    ERerunStep CheckRerunTarget(CTskDataFile& source, CTskDataFile& target);
    virtual bool OpenPair(CTskDataFile* source, CTskDataFile* target);

    // The destination folder as it stands, for a mirror to compare with:
    // its tree loaded with `filter`, or a root without children when the
    // folder is not there yet. A folder that cannot be listed whole is
    // reported; what could be listed is kept.
    virtual std::unique_ptr<CMFCObjNode> LoadTargetTree(const CFileFilter& filter);
    // Deletes one file, or one empty folder, at the destination; false with
    // the reason in `error`.
    virtual bool DeleteTargetEntry(const CFtpPath& path, bool folder, std::string& error);
    // The size of the file at `path` at the destination; false when there
    // is no such file, or its size cannot be told.
    virtual bool TargetFileSize(const std::string& path, uint64_t& size);

    // Reports with the job's current action.
    virtual bool ReportRecord(tagDBLogStatus status, const std::string& from, const std::string& to,
                              const std::string& text);
    virtual bool ReportFiles(tagDBLogStatus status, const CTskDataFile* source, const CTskDataFile* target,
                             const std::string& text);
    // An exception of a platform or archive service: "Exception error".
    virtual bool ReportException(const std::exception& error);
    // An error whose database entry names the source and target roots.
    virtual bool ReportError(int32_t category, const std::string& text);
    // An error followed by a FAIL entry for the pair.
    virtual bool ReportFileError(int32_t category, const std::string& text, const CTskDataFile* source,
                                 const CTskDataFile* target);
    using CStatistic::ReportError;

    // Parallel sessions. A remote source reaches its server over a
    // connection of its own; another session is a source of the same kind
    // over the same item, with a connection (and a current target) of its
    // own, that puts files like this one. Null, with the reason, when the
    // kind has none to offer or the server refused it.
    virtual bool IsRemote() const { return false; }
    virtual std::unique_ptr<CSource> OpenSession(std::string& error) const;
    // Makes a data file of another session of this source use this one's
    // connection.
    virtual void Adopt(CTskDataFile* file) { (void)file; }
    // Run once, when the source is about to list a folder tree over its
    // first session: further sessions may log in meanwhile.
    void SetListingStep(std::function<void()> step) { m_listingStep = std::move(step); }

    // A file the filter left out.
    void OnSkip(const CFileRecFind& entry) override;
    // An entry the listing could not offer: counted as skipped and logged.
    void OnRefused(std::string_view path, std::string_view reason) override;

    const CTskItem& GetItem() const { return m_item; }
    // The item's source and destination paths.
    CFtpPath SourceRoot() const { return m_item.SourcePoint().Path(); }
    CFtpPath TargetRoot() const { return m_item.DestinationPoint().Path(); }
    // The first folder tree loaded; null when none was.
    const CMFCObjNode* GetRootNode() const { return m_trees.empty() ? nullptr : m_trees.front().get(); }
    CTskDataFile* GetTarget() const { return m_pTarget.get(); }
    // The entries a walk gives, and how many of them are files, as the scan counted them.
    size_t GetEntryCount() const { return m_nEntries; }
    size_t GetFileCount() const { return m_nFiles; }
    // A new data file for an entry of a walk: for `path`, made from `node`
    // of a tree (none for a file given as a path).
    std::unique_ptr<CTskDataFile> MakeEntryFile(const CFtpPath& path, const CMFCObjNode* node, bool folderTree);

protected:
    using CopyStep = std::function<bool(CTskDataFile& source, CTskDataFile& target)>;

    // The shape every put shares: the target, the pair opened, the copy,
    // and the file counted as processed.
    bool PutData(CTskDataFile* file, const CopyStep& copy);
    // Takes the tree and appends the data file of its root, after which a
    // walk gives the nodes below it in walk order. A tree whose root is a
    // folder is a folder scan: its files' targets keep the folder's name and
    // structure.
    void AddTree(std::unique_ptr<CMFCObjNode> root);
    // The tree of a folder, loaded with `filter` (what could not be listed
    // is reported).
    virtual std::unique_ptr<CMFCObjNode> LoadFolderTree(const CFtpPath& folder, const CFileFilter* filter) = 0;
    // The item's transform is a mirror: its files fill the destination
    // folder itself, under the names they have.
    bool IsMirror() const { return m_item.GetTransform().IsSync(); }
    // Replaces each folder of a list built from paths by its tree, so that
    // a folder given among files is transferred with everything in it.
    void ExpandFolders();
    // The job's total bytes and items become those of a walk, which the
    // source's counts keep too.
    void CountTotals();
    // Where `file` goes below `targetRoot`: the folder scanned (its name,
    // except in a mirror, and the file's folder below it) and, when the
    // root names no file, the source file's own name. False, reported, when the file has no source
    // root or its place would lie outside the target root.
    bool MakeTargetPath(const CTskDataFile& file, const CFtpPath& targetRoot, CFtpPath& target);
    // Whether `target` lies inside `root`'s folder.
    static bool IsInside(const CFtpPath& target, const CFtpPath& root);
    // Keeps `target` as the current target and answers it; the program's
    // answer TARGET_RESUME makes it continue what it holds.
    CTskDataFile* SetTarget(CTskDataFile* target, int32_t choice = 0);
    // For MakeTargetFile: the file is left out (counted as skipped, no error).
    CTskDataFile* SkipTarget();
    // The listing of a folder tree begins (SetListingStep).
    void ListingStarts();
    // Asks the job's existing-target question (its settings' provider)
    // about a file's target that exists; TARGET_AS_BEFORE when there is none.
    static int32_t AskTargetQuestion(const CFtpPath& source, CFtpPath& target, bool remote);

    CTskItem m_item;
    CTansFilter m_filter;
    std::vector<std::unique_ptr<CMFCObjNode>> m_trees;
    std::unique_ptr<CTskDataFile> m_pTarget;

private:
    bool m_bSkipTarget = false;
    std::function<void()> m_listingStep;
    size_t m_nEntries = 0;
    size_t m_nFiles = 0;
    // A folder entry that would stay missing at the target: nothing below it.
    static bool IsEmptyFolder(const CTskDataFile& file);
    // The source's time onto the written target; a failure is logged, not an error of the job.
    static void KeepModifiedTime(CTskDataFile& source, CTskDataFile& target);
};

// Walks what a source is to transfer, in order: each data file of its list
// and, after one made from a tree's root, every node below that root in the
// tree's walk order (parents before their children). Each step makes a new
// data file, which the caller owns and drops once the file is done. The
// source's list and trees must stay as they are while a walk is under way.
class VELMORA_API CSourceWalk {
public:
    explicit CSourceWalk(CSource& source);

    // The next entry's data file; null once every entry had its turn.
    std::unique_ptr<CTskDataFile> Next();

private:
    using Children = CObjNodeList::Elements::const_iterator;
    struct Level {
        Children next;
        Children end;
    };

    // The children of `node` are walked next.
    void Descend(const CObjNode& node);

    CSource& m_source;
    CSource::Elements::const_iterator m_next;
    bool m_bFolderTree = false;
    // The children still to walk at each depth of the current tree.
    std::vector<Level> m_levels;
};

}  // namespace velmora

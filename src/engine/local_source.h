#pragma once

#include <memory>

#include "engine/source.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "platform/api.h"
#include "tasks/tsk_item.h"

namespace velmora {

// A local folder or file, or one on a network share, which is reached
// through the local folder the share is mounted at.
class VELMORA_API CLocalSource : public CSource {
public:
    explicit CLocalSource(const CTskItem& item);
    // The paths become the list at once: Scan loads no folder tree.
    CLocalSource(const CTskItem& item, const CFtpPathList& paths);

    // The source root, a file or a folder tree loaded with the filter, as
    // data files; the job's totals become theirs. Links inside the folder
    // are left out (each counted as skipped) unless the transform follows
    // them. With a job database, the source-file records are renewed.
    bool Scan() override;
    // A destination on a network share is mapped to its local folder.
    bool OpenTarget() override;
    // A local file into a local target is copied by the platform; any other
    // file with the block-copy loop.
    bool PutFile(CTskDataFile* file) override;
    CTskDataFile* CreateDataFile(const CFtpPath& path) override;
    // A target below a link in the destination is refused, for that file.
    CTskDataFile* MakeTargetFile(const CTskDataFile& sourceFile) override;
    // Another source of the item with the destination as mapped here.
    std::unique_ptr<CSource> OpenSession(std::string& error) const override;
    std::unique_ptr<CMFCObjNode> LoadTargetTree(const CFileFilter& filter) override;
    bool DeleteTargetEntry(const CFtpPath& path, bool folder, std::string& error) override;
    bool TargetFileSize(const std::string& path, uint64_t& size) override;

protected:
    std::unique_ptr<CMFCObjNode> LoadFolderTree(const CFtpPath& folder, const CFileFilter* filter) override;
    // A network path becomes the local path of its share ("Cannot connect
    // to network resource" when the share is not mapped).
    bool MapNetworkPath(CFtpPath& path);
    // The destination as a place to put files in: a folder, unless the
    // destination point names a file.
    CFtpPath LocalTargetRoot() const;

    CFtpPath m_TargetRoot;
    bool m_bPathsRead = false;

private:
    // The folder's tree; with `followLinks` linked folders are entered too.
    std::unique_ptr<CMFCObjNode> LoadLocalTree(const CFtpPath& folder, const CFileFilter* filter, bool followLinks);
    // Takes the links out of the tree, each counted as skipped.
    void LeaveOutLinks(CMFCObjNode& folder);
    bool ResolveSourceRoot(CFtpPath& root);
    // The paths a list was built from: mapped, their status read, folders
    // expanded.
    void ReadPaths();
    void RecordSourceFiles();
};

}  // namespace velmora

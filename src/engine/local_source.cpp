#include "engine/local_source.h"

#include <string>
#include <vector>

#include "engine/tsk_local_file.h"
#include "messaging/msg_commands.h"
#include "platform/file_system.h"
#include "platform/network_share.h"
#include "tasks/trans_point.h"

namespace velmora {

CLocalSource::CLocalSource(const CTskItem& item) : CSource(item), m_TargetRoot(LocalTargetRoot()) {}

CLocalSource::CLocalSource(const CTskItem& item, const CFtpPathList& paths) : CLocalSource(item) {
    AddPaths(paths);
}

CFtpPath CLocalSource::LocalTargetRoot() const {
    const CTransPoint& destination = m_item.DestinationPoint();
    if (destination.GetPointType() == ePointFile || Job().Settings().m_bNamedTarget ||
        destination.GetStrPath().empty()) {
        return destination.Path();
    }
    return CFtpPath(destination.GetStrPath(), PATH_FOLDER);
}

bool CLocalSource::MapNetworkPath(CFtpPath& path) {
    if (!path.IsNetwork()) return true;
    std::string local;
    if (!platform::MapNetworkPath(path.GetPath(), local)) {
        return ReportError(ERROR_CONNECT, "Cannot connect to network resource");
    }
    const CFtpPath mapped(local, path.GetPathType());
    path = mapped;
    return true;
}

bool CLocalSource::ResolveSourceRoot(CFtpPath& root) {
    if (!MapNetworkPath(root)) return false;
    // A folder is read as a folder, whether or not its text ends in a separator.
    if (!root.FixByReadStatus()) return ReportError(ERROR_CONNECT, "Source does not exists");
    return true;
}

bool CLocalSource::Scan() {
    if (CJobDatabase* database = GetDatabase()) database->SourceInfoClear();
    if (IsEmpty()) {
        CFtpPath root = SourceRoot();
        if (!ResolveSourceRoot(root)) return false;
        AddTree(LoadFolderTree(root, &m_filter));
    } else if (!m_bPathsRead) {
        ReadPaths();
    }
    m_bPathsRead = true;
    CountTotals();
    RecordSourceFiles();
    return true;
}

void CLocalSource::ReadPaths() {
    for (CTskDataFile* file : *this) {
        // A missing file is reported when its turn comes.
        if (MapNetworkPath(file->GetPath())) file->GetPath().FixByReadStatus();
    }
    ExpandFolders();
}

std::unique_ptr<CMFCObjNode> CLocalSource::LoadFolderTree(const CFtpPath& folder, const CFileFilter* filter) {
    const bool follow = m_item.GetTransform().IsFollowLinks();
    auto root = LoadLocalTree(folder, filter, follow);
    if (!follow) LeaveOutLinks(*root);
    return root;
}

std::unique_ptr<CMFCObjNode> CLocalSource::LoadLocalTree(const CFtpPath& folder, const CFileFilter* filter,
                                                         bool followLinks) {
    auto root = std::make_unique<CMFCObjNode>("ROOT", 0);
    root->GetPath() = folder;
    root->SetCatalog(folder.IsDirectory());
    if (!folder.IsDirectory()) return root;
    // What could be listed is still copied; each folder or name that could
    // not be read is an error of its own.
    std::vector<std::string> problems;
    root->LoadFileSystem(folder.GetPath(), filter, problems, followLinks);
    for (const std::string& problem : problems) ReportError(ERROR_READ, problem);
    return root;
}

// As cp -r and rsync do, a link found in a folder is not what it points to,
// which may be anywhere (a key file, the whole disk): unless asked for, it
// stays behind, and is counted.
void CLocalSource::LeaveOutLinks(CMFCObjNode& folder) {
    std::vector<CMFCObjNode*> links;
    for (CObjNode* child : folder.GetChildren()) {
        auto* node = dynamic_cast<CMFCObjNode*>(child);
        if (!node) continue;
        if (node->GetPath().GetAttr() & platform::FileAttrReparsePoint)
            links.push_back(node);
        else
            LeaveOutLinks(*node);
    }
    for (CMFCObjNode* link : links) {
        m_filter.Refused(link->GetPath().GetPath(), "Link not followed (--follow-links sends what it points to)");
        link->RemoveAndDestroy();
    }
}

void CLocalSource::RecordSourceFiles() {
    CJobDatabase* database = GetDatabase();
    if (!database) return;
    CSourceWalk walk(*this);
    for (std::unique_ptr<CTskDataFile> file = walk.Next(); file; file = walk.Next()) {
        auto* local = dynamic_cast<CTskLocalFile*>(file.get());
        if (local && !local->IsFolderEntry()) database->SourceInfoAdd(local);
    }
    database->SourceInfoUpdateSet();
}

bool CLocalSource::OpenTarget() {
    // Without a destination, files would land in the file system's root.
    if (m_TargetRoot.IsEmpty()) return ReportError(ERROR_DEST_FOLDER, "Destination is missing");
    return MapNetworkPath(m_TargetRoot);
}

bool CLocalSource::PutFile(CTskDataFile* file) {
    return PutData(file, [](CTskDataFile& source, CTskDataFile& target) {
        return source.Transfer(&source, &target, true);
    });
}

std::unique_ptr<CMFCObjNode> CLocalSource::LoadTargetTree(const CFileFilter& filter) {
    CFtpPath folder(m_TargetRoot.GetPath(), PATH_FOLDER);
    // A destination that is not there yet is an empty folder to fill.
    if (CFilePath::IsExistsDirectory(folder.GetPath())) folder.AddAttr(platform::FileAttrDirectory);
    // The destination as it is, links included: they are entries there too.
    auto tree = LoadLocalTree(folder, &filter, false);
    tree->SetCatalog(true);
    return tree;
}

bool CLocalSource::TargetFileSize(const std::string& path, uint64_t& size) {
    CFtpPath file(path);
    if (!CFilePath::IsExistsFile(path) || !file.FixByReadStatus()) return false;
    size = file.Length();
    return true;
}

bool CLocalSource::DeleteTargetEntry(const CFtpPath& path, bool folder, std::string& error) {
    return folder ? platform::RemoveDirectory(path.GetPath(), &error) : platform::DeleteFile(path.GetPath(), &error);
}

CTskDataFile* CLocalSource::CreateDataFile(const CFtpPath& path) { return new CTskLocalFile(path); }

CTskDataFile* CLocalSource::MakeTargetFile(const CTskDataFile& sourceFile) {
    m_pTarget.reset();
    CFtpPath target;
    if (!MakeTargetPath(sourceFile, m_TargetRoot, target)) return nullptr;
    // A link inside the destination would take the file to wherever it points.
    if (std::string link; platform::FindLinkBelow(m_TargetRoot.GetPath(), target.GetPath(), link)) {
        ReportErrorAt(ERROR_COPY, "Not written through a link in the destination: " + link,
                      sourceFile.GetPath().GetPath(), target.GetPath());
        return nullptr;
    }
    // A mirror replaces what changed; a copy asks what to do with a file in the way.
    int32_t choice = TARGET_AS_BEFORE;
    if (!sourceFile.IsFolderEntry() && !IsMirror() && CFilePath::IsExistsFile(target.GetPath())) {
        choice = AskTargetQuestion(sourceFile.GetPath(), target, false);
        if (choice == TARGET_SKIP) return SkipTarget();
        if (!IsInside(target, m_TargetRoot)) {
            ReportError(ERROR_COPY, "Target is outside the destination: " + target.GetPath());
            return nullptr;
        }
    }
    return SetTarget(new CTskLocalFile(target), choice);
}

std::unique_ptr<CSource> CLocalSource::OpenSession(std::string&) const {
    auto session = std::make_unique<CLocalSource>(m_item);
    session->m_TargetRoot = m_TargetRoot;
    return session;
}

}  // namespace velmora

#include "ftp/ftp_node.h"

#include <algorithm>
#include <unordered_map>

#include "base/format.h"
#include "base/text.h"
#include "ftp/ftp_find.h"
#include "ftp/login_info.h"
#include "ftp/remote_link.h"
#include "ftp/remote_session.h"
#include "ftp/walk_step.h"
#include "messaging/log_status.h"
#include "paths/file_filter.h"

namespace velmora {
namespace {

using platform::ITreeCtrl;

// The control when its window exists; null otherwise.
ITreeCtrl* Shown(ITreeCtrl* tree) { return tree && tree->IsWindow() ? tree : nullptr; }

// "\" and "/" alike, so that texts from either side compare.
std::string ForwardSlashes(std::string_view text) {
    std::string result(text);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

// A root that stands for the whole server (and not a file in its top folder).
bool IsServerRoot(const CFtpPath& path) { return path.IsFtpRoot() && path.GetFileName(true).empty(); }

}  // namespace

CFtpNode::CFtpNode(Connection* connection) : m_pConnection(connection) {}

CFtpNode::CFtpNode(std::string_view name, int32_t type) : CTypedNode(name, type) {}

CFtpNode::CFtpNode(const CFtpNode& other) : CTypedNode(other) { Copy(other); }

CFtpNode& CFtpNode::operator=(const CFtpNode& other) {
    if (this != &other) Copy(other);
    return *this;
}

CFtpNode::~CFtpNode() = default;

void CFtpNode::Clear() {
    CMFCObjNode::Clear();
    m_pConnection = nullptr;
    m_bExactTime = false;
    ClearCache();
}

void CFtpNode::Copy(const CObj& src) {
    CMFCObjNode::Copy(src);
    const auto* other = dynamic_cast<const CFtpNode*>(&src);
    if (!other || other == this) return;
    m_pConnection = other->m_pConnection;
    m_pCache.reset();
    if (other->m_pCache) EditCache() = *other->m_pCache;
    m_bExactTime = other->m_bExactTime;
}

CFtpNode* CFtpNode::CreateRoot(Connection* connection, const CFtpLoginInfo& info, bool withDecoy) {
    auto* root = new CFtpNode(connection);
    CFtpPath& path = root->GetPath();
    path = info.GetFtpPath();
    root->SetNodeType(NODE_UNLISTED);
    root->SetCatalog(true);
    if (IsServerRoot(path) || !root->PumpInfo()) {
        path.MakeFtpRoot();
        root->SetNodeType(NODE_UNLISTED);
        root->SetCatalog(true);
    }
    if (IsServerRoot(path))
        root->SetName(info.GetHost());
    else
        root->SetName(root->IsCatalog() ? path.GetFtpDir(false) : path.GetFtpPath());
    root->SetDoc(path.GetFtpDir(true));
    root->CreateGUID();
    if (withDecoy && root->IsCatalog()) root->AddDecoy(kDecoyName);
    return root;
}

bool CFtpNode::PumpInfo() {
    if (!m_pConnection) return false;
    CFtpPath& path = GetPath();
    if (!path.IsValidAttr() && path.GetFileName(true).empty()) AskFolderFacts(path);
    if (!path.IsValidAttr()) {
        CFtpPath parent(path);
        if (parent.GetFileName(true).empty()) parent.UpDir();
        // A start path written without a trailing "/" names its folder as
        // if it were a file; the folder entry of that name is meant.
        const std::string asFolder = path.GetFtpPath() + "/";
        ForEachRemoteEntry(m_pConnection, parent.GetFtpDir(true), [&](const CFtpFind& entry) {
            if (path.IsValidAttr()) return;
            if (entry.GetPath().IsEqual(path))
                path.CopyFileAttributes(entry.GetPath());
            else if (entry.GetCurrent()->IsFolder() && EqualsNoCase(entry.GetPath().GetFtpDir(true), asFolder))
                path = entry.GetPath();
        });
    }
    if (!path.IsValidAttr()) return false;
    const bool folder = path.IsDirectory();
    SetNodeType(folder ? NODE_UNLISTED : NODE_FILE);
    SetCatalog(folder);
    return true;
}

void CFtpNode::AskFolderFacts(CFtpPath& path) {
    CRemoteFacts facts;
    if (!m_pConnection->GetFactsOnly(path.GetFtpDir(true), FactKind, facts) || !facts.folder || facts.link) return;
    path.SetAttr(platform::FileAttrDirectory);
    path.LastWriteTime(facts.modified);
}

void CFtpNode::Setup(std::string_view name, const CFtpPath& path, int32_t type, Connection* connection) {
    SetName(name);
    SetCatalog(type != NODE_FILE);
    m_pConnection = connection;
    SetDoc(name);
    SetNodeType(type);
    CreateGUID();
    GetPath() = path;
    // A node that is already shown needs its item text refreshed.
    if (GetTreeItem()) AddModified(ModifiedName);
}

CFtpNode* CFtpNode::AddDecoy(std::string_view name) { return AddNode(new CFtpNode(name, NODE_DECOY)); }

CFtpNode* CFtpNode::AddFolderChild() { return AddNode(new CFtpNode(nullptr)); }


void CFtpNode::RemoveDecoys(ITreeCtrl* tree) {
    while (CFtpNode* decoy = FindChildByType(NODE_DECOY)) {
        if (tree && decoy->GetTreeItem()) tree->DeleteItem(decoy->GetTreeItem());
        decoy->RemoveAndDestroy();
    }
}

void CFtpNode::Pump(ITreeCtrl* tree, Connection* connection, const CFileFilter* /*filter*/) {
    m_pConnection = connection;
    if (!IsCatalog() || !m_pConnection) return;
    if (GetNodeType() == NODE_LISTED) {
        PopulateCache();
        return;
    }
    CFtpPathList entries;
    ListLevel(m_pConnection, GetDoc(), entries, nullptr);
    PumpListed(tree, entries);
}

bool CFtpNode::ListLevel(Connection* connection, const std::string& folder, CFtpPathList& entries,
                         std::string* error, const std::function<void(const CFtpDir&)>& seen) {
    std::vector<CFtpDir> links;
    const bool listed = ForEachRemoteEntry(
        connection, folder,
        [&](const CFtpFind& entry) {
            const CFtpDir& dir = *entry.GetCurrent();
            if (seen && dir.IsEntry()) seen(dir);
            if (dir.IsFolder() || dir.IsFile())
                entries.AddTail(new CFtpPath(dir.GetPath()));
            else if (dir.IsLink())
                links.push_back(dir);
        },
        error);
    // Links are followed once the listing is read. One that leads back up
    // is left out; the others are browsed like what they point to.
    for (const CFtpDir& dir : links) {
        const CRemoteLink link = FollowLink(*connection, folder, dir);
        if (link.kind == CRemoteLink::Loop)
            CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Link to a folder above skipped:", link.path.GetFtpDir(true));
        else
            entries.AddTail(new CFtpPath(link.path));
    }
    return listed;
}

void CFtpNode::PumpListed(ITreeCtrl* tree, const CFtpPathList& entries) {
    if (!IsCatalog()) return;
    ClearCache();
    CFileCache& cache = EditCache();
    cache.folder = GetDoc();
    // A folder added since the last listing (AddDirectory, an upload) keeps
    // its node instead of getting a second one. Looked up by folder text, and
    // the placeholder found once, so that a listing of many folders stays
    // linear.
    std::unordered_map<std::string, const CFtpNode*> known;
    for (const CObjNode* base : GetChildren()) {
        const auto* node = NodeCast<CFtpNode>(base);
        if (node && !node->IsNodeDecoy() && node->IsCatalog()) known.emplace(node->GetPath().GetFtpDir(true), node);
    }
    CFtpNode* decoy = FindChildByType(NODE_DECOY);
    for (const CFtpPath* entry : entries) {
        if (!entry->IsDirectory()) {
            cache.files.AddTail(new CFtpPath(*entry));
            continue;
        }
        const std::string folder = entry->GetFtpDir(true);
        if (known.count(folder) != 0) continue;
        CFtpNode* child = decoy != nullptr ? decoy : AddFolderChild();
        if (child == decoy) child->AddModified(ModifiedName);
        child->Setup(entry->GetTailDir(), *entry, NODE_UNLISTED, m_pConnection);
        child->AddDecoy(kDecoyName);
        known.emplace(folder, child);
        if (child == decoy) decoy = FindChildByType(NODE_DECOY);
    }
    SetNodeType(NODE_LISTED);
    // A listed folder keeps no placeholder, shown or not.
    RemoveDecoys(Shown(tree));
    cache.loaded = true;
}

void CFtpNode::Refresh(ITreeCtrl* tree, Connection* connection, const CFileFilter* filter) {
    ITreeCtrl* shown = Shown(tree);
    if (shown)
        DeleteChildren(*shown);
    else
        RemoveAndDestroyAllChild();
    ClearCache();
    SetNodeType(NODE_UNLISTED);
    AddDecoy("");
    if (shown) Show(*shown, false);
    Pump(tree, connection, filter);
}

bool CFtpNode::Load(Connection* connection, const CFileFilter* filter, const std::function<bool()>& stop,
                    const Retry& again, CWalkBudget* budget, bool exactTimes) {
    m_pConnection = connection;
    CWalkStep start(nullptr, GetDoc(), std::string());
    const bool askTimes = exactTimes && connection && !connection->GetFeatures().exactListing;
    return LoadLevel(Walk{filter, stop, again, budget, askTimes}, start);
}

void CFtpNode::AskExactTimes(const std::vector<CFtpNode*>& files) {
    if (files.empty()) return;
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const CFtpNode* file : files) paths.push_back(file->GetPath().GetPath());
    std::vector<uint64_t> times;
    // Without them each file's time is asked when it is taken.
    if (!m_pConnection->AskModifiedTimes(paths, times)) return;
    for (size_t i = 0; i < files.size(); ++i) {
        if (times[i] == 0) continue;
        files[i]->GetPath().LastWriteTime(times[i]);
        files[i]->m_bExactTime = true;
    }
}

bool CFtpNode::Keep(const Walk& walk, const CFtpNode& entry) {
    if (!walk.budget) return true;
    return walk.budget->Take(entry.GetPath().GetPath().size());
}

bool CFtpNode::LoadLevel(const Walk& walk, CWalkStep& step) {
    if (!IsCatalog()) return true;
    if (!m_pConnection || (walk.stop && walk.stop())) return false;
    if (step.GetDepth() > kMaxDepth) {
        CLogStatus::Send(LOG_ERROR, "Ftp", "Folder tree too deep:", GetDoc());
        return false;
    }
    RemoveDecoys(nullptr);
    std::string error;
    std::vector<std::string> refused;
    uint64_t fingerprint = 0;
    bool withinBudget = true;
    // The "unique" fact each sub-folder's line gave.
    std::vector<std::pair<CFtpNode*, std::string>> folders;
    std::vector<CFtpNode*> files;  // whose times to ask for, when the walk asks them
    const auto list = [&] {
        return ForEachRemoteEntry(
            m_pConnection, GetDoc(),
            [&](const CFtpFind& entry) {
                const CFtpDir& dir = *entry.GetCurrent();
                fingerprint = CWalkStep::Fingerprint(fingerprint, dir);
                // Past the budget the rest of the listing is read and dropped.
                if (!withinBudget || (walk.filter && walk.filter->IsSkip(entry))) return;
                CFtpNode* kept = nullptr;
                if (dir.IsFolder()) {
                    kept = AddFolderChild();
                    kept->Setup(entry.GetFileTitle(), dir.GetPath(), NODE_LISTED, m_pConnection);
                    folders.emplace_back(kept, dir.GetUnique());
                } else if (dir.IsFile()) {
                    kept = AddFolderChild();
                    kept->Setup(dir.GetName(), dir.GetPath(), NODE_FILE, m_pConnection);
                } else if (dir.IsLink()) {
                    kept = AddLinkChild(dir, walk.filter);
                }
                if (walk.exactTimes && kept && !kept->IsCatalog()) files.push_back(kept);
                if (kept) withinBudget = Keep(walk, *kept);
            },
            &error, &refused);
    };
    bool ok = list();
    for (int attempt = 1;
         !ok && withinBudget && walk.again && m_pConnection->GetLastErrorKind() == ERemoteError::Busy &&
         walk.again(attempt, GetDoc() + " " + error);
         ++attempt) {
        // What a listing cut short gave goes: the next one gives it all.
        RemoveAndDestroyAllChild();
        fingerprint = 0;
        folders.clear();
        files.clear();
        refused.clear();
        ok = list();
    }
    if (!withinBudget) {
        CLogStatus::Send(LOG_ERROR, "Ftp", "Folder walk stopped:", walk.budget->Why() + " at " + GetDoc());
        return false;
    }
    if (!ok) CLogStatus::Send(LOG_ERROR, "Ftp", "Cannot list folder:", GetDoc() + " " + error);
    if (walk.filter) {
        for (const std::string& path : refused) walk.filter->Refused(path, "Unsafe name");
    }
    step.Listed(fingerprint);
    if (const std::string cycle = step.Cycle(); !cycle.empty()) {
        // What it lists was listed above already: nothing of it is kept.
        CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Folder walk stopped:", cycle);
        if (walk.filter) walk.filter->Refused(GetDoc(), "The walk met itself");
        step.Stop();
        return ok;
    }
    if (walk.exactTimes) AskExactTimes(files);
    for (const auto& [node, unique] : folders) {
        // Another branch spent the job's budget: nothing more is listed.
        if (walk.budget && walk.budget->IsSpent()) return false;
        CWalkStep below(&step, node->GetDoc(), unique);
        // The same folder as one above, by the server's own name for it: not listed at all.
        if (const std::string cycle = below.Cycle(); !cycle.empty()) {
            CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Folder walk stopped:", cycle);
            if (walk.filter) walk.filter->Refused(node->GetDoc(), "The walk met itself");
            node->RemoveAndDestroy();
            continue;
        }
        ok = node->LoadLevel(walk, below) && ok;
        if (below.IsStopped()) node->RemoveAndDestroy();
    }
    return ok;
}

CFtpNode* CFtpNode::AddLinkChild(const CFtpDir& dir, const CFileFilter* filter) {
    const CRemoteLink link = FollowLink(*m_pConnection, GetDoc(), dir);
    if (link.kind == CRemoteLink::File) {
        CFtpNode* child = AddFolderChild();
        child->Setup(dir.GetName(), link.path, NODE_FILE, m_pConnection);
        return child;
    }
    // A link to a folder may lead back up the tree (a loop without end), so
    // a whole tree is loaded without them, with a word.
    const std::string path = GetDoc() + dir.GetName();
    CLogStatus::Send(LOG_EXCLUDED, "Ftp", "Link to a folder skipped:", path);
    if (filter) filter->Refused(path, "Link to a folder");
    return nullptr;
}

CFtpNode::CFileCache& CFtpNode::EditCache() {
    if (!m_pCache) m_pCache = std::make_unique<CFileCache>();
    return *m_pCache;
}

const CFtpPathList& CFtpNode::GetCache() const {
    static const CFtpPathList none;
    return m_pCache ? m_pCache->files : none;
}

const std::string& CFtpNode::GetCacheFolder() const {
    static const std::string none;
    return m_pCache ? m_pCache->folder : none;
}

CFtpPathList& CFtpNode::PopulateCache() {
    CFileCache& cache = EditCache();
    if (cache.loaded) return cache.files;
    cache.files.RemoveAndDestroy();
    cache.folder = GetDoc();
    if (m_pConnection) {
        ForEachRemoteEntry(m_pConnection, cache.folder, [&](const CFtpFind& entry) {
            if (entry.GetCurrent()->IsFile()) cache.files.AddTail(new CFtpPath(entry.GetPath()));
        });
    }
    // Also after a failed listing, so that a folder is not asked again and again.
    cache.loaded = true;
    return cache.files;
}

void CFtpNode::ClearCache() { m_pCache.reset(); }

void CFtpNode::RemoveFromCache(const CFtpPath& path) {
    if (!m_pCache) return;
    m_pCache->files.RemoveAndDestroy(m_pCache->files.Find(path));
    if (m_pCache->files.IsEmpty()) m_pCache->loaded = false;
}

void CFtpNode::RemoveFromCache(CFtpPath* path) {
    if (path) RemoveFromCache(*path);
}

void CFtpNode::ClearNode(ITreeCtrl* tree) {
    ITreeCtrl* shown = Shown(tree);
    ClearCache();
    if (shown)
        DeleteChildren(*shown);
    else
        RemoveAndDestroyAllChild();
    SetNodeType(NODE_UNLISTED);
    AddDecoy(kDecoyName);
    if (shown) {
        Show(*shown, false);
        Collapse(*shown);
    }
}

bool CFtpNode::RefuseName(std::string_view name) {
    ShowError(Format("Invalid folder name: '%s'", std::string(name).c_str()));
    return false;
}

bool CFtpNode::Refused(const CFtpRemoteFolder& service) {
    ShowError(service.GetLastError());
    return false;
}

bool CFtpNode::AddDirectory(ITreeCtrl* tree, Connection* connection, std::string_view name) {
    m_pConnection = connection;
    if (!m_pConnection || !IsCatalog()) return true;
    if (!CFtpDir::IsSafeName(name)) return RefuseName(name);
    const CFtpPath folder(GetDoc() + std::string(name), PATH_FOLDER);
    CFtpRemoteFolder service(m_pConnection);
    if (!service.Create(folder)) return Refused(service);
    AddedDirectory(tree, folder);
    return true;
}

CFtpNode* CFtpNode::AddedDirectory(ITreeCtrl* tree, const CFtpPath& folder) {
    CFtpNode* child = AddFolderChild();
    child->Setup(folder.GetTailDir(), folder, NODE_UNLISTED, m_pConnection);
    child->AddDecoy(kDecoyName);
    // Only a folder that is shown gets the new item below it.
    ITreeCtrl* shown = Shown(tree);
    if (shown && GetTreeItem()) Show(*shown, false);
    return child;
}

CFtpPath CFtpNode::RenamedPath(std::string_view newName) const {
    if (GetPath().GetTailDir().empty()) return CFtpPath();
    CFtpPath parent(GetPath());
    parent.UpDir();
    return CFtpPath(parent.GetFtpDir(true) + std::string(newName), PATH_FOLDER);
}

bool CFtpNode::Rename(ITreeCtrl* tree, Connection* connection, std::string_view newName) {
    m_pConnection = connection;
    if (!m_pConnection || !IsCatalog() || GetPath().GetTailDir().empty()) return true;
    if (!CFtpDir::IsSafeName(newName)) return RefuseName(newName);
    const CFtpPath renamed = RenamedPath(newName);
    CFtpRemoteFolder service(m_pConnection);
    if (!service.Rename(GetPath(), renamed)) return Refused(service);
    Renamed(tree, renamed);
    return true;
}

void CFtpNode::Renamed(ITreeCtrl* tree, const CFtpPath& renamed) {
    CFtpPath path(renamed);
    path.CopyFileAttributes(GetPath());
    GetPath() = path;
    SetName(path.GetTailDir());
    ITreeCtrl* shown = Shown(tree);
    if (shown && GetTreeItem()) shown->SetItemText(GetTreeItem(), GetName());
    // Cached paths name the old folder.
    ClearCache();
    AdjustChildrenPath();
}

void CFtpNode::AdjustChildrenPath() {
    const std::string folder = GetDoc();
    ForEachChild([&](CMFCObjNode& base) {
        auto* child = NodeCast<CFtpNode>(&base);
        if (!child || child->IsNodeDecoy()) return;
        const CFtpPath& old = child->GetPath();
        CFtpPath path;
        if (child->IsCatalog()) {
            const std::string level = old.GetTailDir();
            path.SetPath(folder + (level.empty() ? child->GetName() : level), PATH_FOLDER);
        } else {
            const std::string name = old.GetFileName(true);
            path.SetPath(folder + (name.empty() ? child->GetName() : name), PATH_LITERAL);
        }
        path.CopyFileAttributes(old);
        child->GetPath() = path;
        child->ClearCache();
        child->AdjustChildrenPath();
    });
}

bool CFtpNode::DeleteFolderFiles(CFtpPathList& list) {
    CFtpRemoteFolder service(m_pConnection);
    return service.DeleteFiles(list) || Refused(service);
}

bool CFtpNode::DeleteFolder(const CFtpPath& folder) {
    CFtpRemoteFolder service(m_pConnection);
    return service.Delete(folder) || Refused(service);
}

bool CFtpNode::DeleteFolder(ITreeCtrl* tree) {
    if (!IsCatalog()) {
        ShowError("Not a folder: " + GetPath().GetFtpPath());
        return false;
    }
    if (!DeleteFolder(GetPath())) return false;
    if (ITreeCtrl* shown = Shown(tree))
        Delete(*shown);
    else
        RemoveAndDestroy();
    return true;
}

CFtpNode* CFtpNode::AddFtpFolder(const CFtpPath& path, const CFileFilter* /*filter*/) {
    std::string level = path.GetTailDir();
    level.erase(std::remove_if(level.begin(), level.end(), [](char c) { return c == '/' || c == '\\'; }),
                level.end());
    if (level.empty()) level = "New Folder";
    if (!CFtpDir::IsSafeName(level)) return nullptr;
    return AddOrUpdateFolder(CFtpPath(GetDoc() + level, PATH_FOLDER), level, m_pConnection);
}

CFtpNode* CFtpNode::AddFtpFolder(std::string_view path, std::string_view name, Connection* connection,
                                 const CFileFilter* /*filter*/) {
    if (!connection || !IsCatalog()) return nullptr;
    return AddOrUpdateFolder(CFtpPath(path, PATH_FOLDER), name, connection);
}

CFtpNode* CFtpNode::AddOrUpdateFolder(const CFtpPath& folder, std::string_view name, Connection* connection) {
    CFtpNode* node = FindFtpDir(folder);
    if (!node) {
        node = FindChildByType(NODE_DECOY);
        if (!node) node = AddFolderChild();
        // Unlisted folders keep a placeholder so that they can be expanded.
        node->AddDecoy(kDecoyName);
    }
    node->Setup(name, folder, NODE_UNLISTED, connection);
    return node;
}

CFtpNode* CFtpNode::FindFtpDir(const CFtpPath& path) {
    const std::string folder = path.GetFtpDir(true);
    return NodeCast<CFtpNode>(FindFirst([&](const CObjNode& node) {
        const auto* ftp = NodeCast<CFtpNode>(&node);
        return ftp && EqualsNoCase(ftp->GetPath().GetFtpDir(true), folder);
    }));
}

CFtpNode* CFtpNode::FindFtpDir(std::string_view folder) { return FindFtpDir(CFtpPath(folder, PATH_FOLDER)); }

CFtpNode* CFtpNode::FindFtpParentDir(const CFtpPath& path) {
    return NodeCast<CFtpNode>(FindFirst([&](const CObjNode& node) {
        const auto* ftp = NodeCast<CFtpNode>(&node);
        return ftp && ftp->GetPath().IsParent(path);
    }));
}

CFtpNode* CFtpNode::FindFtpPath(std::string_view text) {
    const std::string wanted = ForwardSlashes(text);
    return NodeCast<CFtpNode>(FindFirst([&](const CObjNode& node) {
        const auto* ftp = NodeCast<CFtpNode>(&node);
        return ftp && EqualsNoCase(ForwardSlashes(ftp->GetPath().GetPath()), wanted);
    }));
}

CFtpPath CFtpNode::GetDropPath(const CFtpPath& source) {
    CFtpPath result(GetPath());
    result.CopyFileAttributes(source);
    if (source.IsDirectory()) return result;
    // Names taken in this folder: the children's and the cached files'.
    CFtpPathList taken;
    ForEachChild([&](CMFCObjNode& child) {
        if (child.GetNodeType() == NODE_DECOY) return;
        auto* name = new CFtpPath();
        name->SetFileNameAndExt(child.GetName());
        taken.AddTail(name);
    });
    taken.Append(GetCache());
    result.SetFileNameAndExt(source.GetFileName(true));
    taken.UniqueName(&result);
    return result;
}

CFtpPath CFtpNode::GetDropPath(std::string_view localPath) {
    CFilePath local(localPath);
    local.ReadStatus();
    return GetDropPath(CFtpPath(local));
}

}  // namespace velmora

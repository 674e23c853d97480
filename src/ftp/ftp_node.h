#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "paths/file_path.h"
#include "ftp/ftp_remote_folder.h"
#include "paths/file_path_list.h"
#include "objects/typed_node.h"
#include "paths/mfc_obj_node.h"
#include "platform/api.h"

namespace velmora {

class CFileFilter;
class CFtpDir;
class CWalkBudget;
class CWalkStep;
class CFtpFind;
class CFtpLoginInfo;
class CRemoteSession;

// A node of a remote folder tree. The browser shows it in a tree control and
// expands it one level at a time (Pump), with a placeholder child that gives
// an unlisted folder its expand button; the transfer engine loads a whole
// tree at once (Load) and walks it. Folder nodes keep their own files in a
// file cache (PopulateCache); Load makes file nodes instead.
//
//     CFtpNode* root = CFtpNode::CreateRoot(session, info, false);
//     CDestroyNode guard(root);
//     root->Load(session, &filter);   // every folder and file below the start folder
//     for each node: GetPath() is the remote path; IsCatalog() tells a folder
//
// Names listed by the server become nodes only when they are safe (see
// CFtpDir), so a node's path never leaves its parent's folder.
//
// The session is borrowed: the tree never closes it. Operations that
// touch a tree control take it by pointer; null (or a control whose window
// is gone) leaves the control alone.
class VELMORA_API CFtpNode : public CTypedNode<CFtpNode, CMFCObjNode> {
public:
    // The remote session the tree lists and changes folders through.
    using Connection = CRemoteSession;

    enum ENodeType : int32_t {
        NODE_LISTED = 1,    // a folder whose children were listed (Pump or Load)
        NODE_DECOY = 2,     // placeholder that makes an unlisted folder expandable
        NODE_UNLISTED = 3,  // a folder not listed yet (a new root too)
        NODE_FILE = 4,      // a file (Load, or a root that names a file)
    };
    static constexpr const char* kDecoyName = "Decoy";
    // Deepest folder level below a node that Load and DeleteFolder go to: a
    // server that lists folders without end cannot keep them going forever.
    static constexpr int kMaxDepth = CFtpRemoteFolder::kMaxDepth;

    explicit CFtpNode(Connection* connection = nullptr);
    CFtpNode(std::string_view name, int32_t type);
    CFtpNode(const CFtpNode& other);
    CFtpNode& operator=(const CFtpNode& other);
    ~CFtpNode() override;

    // Node protocol.
    CObjNode* CreateNode() const override { return new CFtpNode(nullptr); }
    // Also forgets the connection and empties the file cache.
    void Clear() override;
    // From another CFtpNode also the connection and the file cache (the
    // path, as for every tree-control node, only by Clone).
    void Copy(const CObj& src) override;

    // A new root for the login info's remote path (the caller owns it). A
    // start folder that does not exist gives the root "/" named by the host
    // address. With `withDecoy` a folder root gets a placeholder child.
    static CFtpNode* CreateRoot(Connection* connection, const CFtpLoginInfo& info, bool withDecoy);

    // Lists this folder and its sub-folders, recursively: folders become
    // nodes of type 1 named by their title, files nodes of type 4; entries
    // the filter skips are left out. A symbolic link to a file becomes a
    // file node; links to folders and unsafe names are left out and told to
    // the filter (CFileFilter::Refused), and so is a folder where the walk
    // meets itself (the same folder again, as the server names it, or names
    // and contents that go round in a circle), which is not walked into.
    // False when a folder could not be listed or the tree went deeper than
    // kMaxDepth (what could be listed is kept).
    // `stop`, asked before each folder, ends the walk early (false too).
    // `again`, asked when the server refused a folder's listing for now (a
    // 4xx reply), answers whether to list it again (it may pause first);
    // without it such a folder counts as not listed.
    // `budget`, when given, counts every entry kept against the bounds of
    // the whole job: past one the walk ends there (false too).
    using Retry = std::function<bool(int attempt, const std::string& reason)>;
    // `exactTimes`: where the listing's times are not exact, each folder's
    // files are asked for theirs together once it is listed (HasExactTime).
    bool Load(Connection* connection, const CFileFilter* filter, const std::function<bool()>& stop = {},
              const Retry& again = {}, CWalkBudget* budget = nullptr, bool exactTimes = false);
    // Whether the walk asked the server for this file's exact time and its
    // path holds it.
    bool HasExactTime() const { return m_bExactTime; }
    // Lists this folder one level: sub-folders become children of type 3
    // with a placeholder each (the old placeholder is reused for the first),
    // files go to the file cache. A folder listed before only has its cache
    // filled. The filter is not used.
    void Pump(platform::ITreeCtrl* tree, Connection* connection, const CFileFilter* filter);
    // Pump in two steps, so that the listing can run on another thread than
    // the tree: ListLevel lists a folder one level (touching no node), false
    // with the reason in `error` when it could not; PumpListed then does
    // with those entries what Pump does with its own listing. On a folder
    // listed before it lists again: the files anew, sub-folders that are
    // new added, the known ones kept as they are. `seen`, when given,
    // gets each entry as the server listed it (permissions and owner are
    // told there, not in the paths).
    static bool ListLevel(Connection* connection, const std::string& folder, CFtpPathList& entries,
                          std::string* error, const std::function<void(const CFtpDir&)>& seen = {});
    void PumpListed(platform::ITreeCtrl* tree, const CFtpPathList& entries);
    // Forgets the children and the cache, shows the node again and lists it.
    void Refresh(platform::ITreeCtrl* tree, Connection* connection, const CFileFilter* filter);
    // The folder's files, listed on first use.
    CFtpPathList& PopulateCache();
    CFtpPathList& GetCache() { return EditCache().files; }
    const CFtpPathList& GetCache() const;
    const std::string& GetCacheFolder() const;
    bool IsCacheLoaded() const { return m_pCache && m_pCache->loaded; }
    void ClearCache();
    void RemoveFromCache(const CFtpPath& path);
    void RemoveFromCache(CFtpPath* path);
    // Back to an unlisted folder with a fresh placeholder (and collapsed).
    void ClearNode(platform::ITreeCtrl* tree);

    // Server changes; a refusal leaves the server's reply as GetLastError()
    // and the tree unchanged. Without a connection, or on a file node,
    // AddDirectory and Rename do nothing and answer true.
    bool AddDirectory(platform::ITreeCtrl* tree, Connection* connection, std::string_view name);
    bool Rename(platform::ITreeCtrl* tree, Connection* connection, std::string_view newName);
    // The tree's side of those changes, for a server change made elsewhere:
    // the new sub-folder's node (shown when this folder is), and this node
    // under its new name with its descendants' paths adjusted.
    CFtpNode* AddedDirectory(platform::ITreeCtrl* tree, const CFtpPath& folder);
    void Renamed(platform::ITreeCtrl* tree, const CFtpPath& renamed);
    // The path the folder gets when renamed; empty for a root without levels.
    CFtpPath RenamedPath(std::string_view newName) const;
    // Deletes this node's folder on the server, with everything in it, then
    // the node itself (and its item). On success the node is destroyed.
    bool DeleteFolder(platform::ITreeCtrl* tree);
    // Deletes a remote folder with everything in it.
    bool DeleteFolder(const CFtpPath& folder);
    // Deletes the list's files on the server, taking each out of the list
    // as it goes; stops at the first refusal.
    bool DeleteFolderFiles(CFtpPathList& list);

    // A child for a folder that was created elsewhere (an upload): the last
    // folder level of `path` below this node. An existing node for that
    // folder is updated, else the placeholder is reused, else a child is
    // added. Null for a level that is no safe name.
    CFtpNode* AddFtpFolder(const CFtpPath& path, const CFileFilter* filter);
    // The same for a full folder text and a display name; null without a
    // connection or on a file node.
    CFtpNode* AddFtpFolder(std::string_view path, std::string_view name, Connection* connection,
                           const CFileFilter* filter);

    // Pre-order searches. Folder and path texts are compared ignoring letter
    // case, "\" and "/" alike.
    CFtpNode* FindFtpDir(const CFtpPath& path);
    CFtpNode* FindFtpDir(std::string_view folder);
    CFtpNode* FindFtpParentDir(const CFtpPath& path);
    CFtpNode* FindFtpPath(std::string_view text);

    // Where a dropped file lands: this folder, with the source's status, and
    // for a file the source's name made unique among the children and the
    // cached files ("a.txt" -> "a(1).txt"). A folder source gives the folder.
    CFtpPath GetDropPath(const CFtpPath& source);
    CFtpPath GetDropPath(std::string_view localPath);

    void SetDoc(std::string_view text) { SetDocumentPathName(text); }
    // The folder text with a trailing "/".
    std::string GetDoc() const { return GetPath().GetFtpDir(true); }
    void SetConnection(Connection* connection) { m_pConnection = connection; }
    Connection* GetConnection() const { return m_pConnection; }
    // Recomputes every descendant's path from its parent's path and its own
    // last path level (not its display name, which Load shortens to the
    // title), top-down; their file caches are forgotten.
    void AdjustChildrenPath();
    bool IsNodeDecoy() const { return GetNodeType() == NODE_DECOY; }

    using CObjNode::Begin;
    using CObjNode::End;

protected:
    // Fills the node's path status from what the server tells of it (a
    // folder path: its own facts, else its folder's listing) and makes the
    // node a folder (type 3) or a file (type 4); false without a connection
    // or when the server does not know the path.
    bool PumpInfo();

private:
    // A path named as a folder ("/a/b/") is asked for alone, since its
    // parent's listing may be long. A link, or a server that cannot tell,
    // leaves `path` to the listing.
    void AskFolderFacts(CFtpPath& path);
    // Gives the node the fields every folder or file node gets.
    void Setup(std::string_view name, const CFtpPath& path, int32_t type, Connection* connection);
    CFtpNode* AddDecoy(std::string_view name);
    CFtpNode* AddFolderChild();
    // The node for that folder anywhere below, else the placeholder, else a
    // new child, set up as an unlisted folder.
    CFtpNode* AddOrUpdateFolder(const CFtpPath& folder, std::string_view name, Connection* connection);
    void RemoveDecoys(platform::ITreeCtrl* tree);
    // Lists this folder, reached by `step`, and walks on into its folders;
    // a folder that is one above met again is not (CWalkStep::Cycle).
    // What every level of one Load goes by.
    struct Walk {
        const CFileFilter* filter;
        const std::function<bool()>& stop;
        const Retry& again;
        CWalkBudget* budget;
        bool exactTimes;
    };
    bool LoadLevel(const Walk& walk, CWalkStep& step);
    // Counts an entry just kept against the walk's budget; false once it is spent.
    static bool Keep(const Walk& walk, const CFtpNode& entry);
    // A listed symbolic link: the file node a link to a file becomes; null
    // for a link to a folder (skipped).
    CFtpNode* AddLinkChild(const CFtpDir& link, const CFileFilter* filter);
    void AskExactTimes(const std::vector<CFtpNode*>& files);
    bool RefuseName(std::string_view name);
    // The service's reason as this node's error; false.
    bool Refused(const CFtpRemoteFolder& service);

    // A folder's files as its last listing gave them, for the browser.
    struct CFileCache {
        CFtpPathList files;
        std::string folder;
        bool loaded = false;
    };
    // Made on first use: the nodes of files, and of folders a job walks, have none.
    CFileCache& EditCache();

    Connection* m_pConnection = nullptr;
    std::unique_ptr<CFileCache> m_pCache;
    bool m_bExactTime = false;
};

}  // namespace velmora

// The browser's drops, transfers and the names its uploads make unique.

#include <algorithm>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>

#include "app/common/drag_item.h"
#include "app/common/msg_drop_item.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/remote_drag_data.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "messaging/msg_commands.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CFtpNode;
using velmora::CFtpPath;
using velmora::CFtpPathList;
using velmora::Format;
using velmora::platform::ITreeCtrl;

namespace {

// What the browser accepts, in the order it reads them.
const CClipFormats& AcceptedFormats() {
    static const CClipFormats formats = [] {
        CClipFormats accepted;
        accepted.Add(CFolderTreeView::kFormatName);
        accepted.Add(CFtpListCtrl::kFormatName);
        accepted.Add(velmora::kUniqueNameProviderId);
        accepted.AddFileDrop();
        return accepted;
    }();
    return formats;
}

bool IsAncestor(const CFtpNode* ancestor, const CFtpNode* node) {
    for (const CFtpNode* at = node; at != nullptr; at = at->GetParent()) {
        if (at == ancestor) return true;
    }
    return false;
}

// Shows the wait cursor for a scope.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace

// ---- Drops ----

int CFtpTreeDlg::OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keyState, const QPoint& point) {
    return OnDragOver(data, keyState, point);
}

int CFtpTreeDlg::OnDragOver(const QMimeData* data, Qt::KeyboardModifiers /*keyState*/, const QPoint& point) {
    const int effect = Accept(data, TargetAt(point));
    Highlight(effect != DROPEFFECT_NONE ? TreeIndexAt(point) : QModelIndex());
    return effect;
}

void CFtpTreeDlg::OnDragLeave() { Highlight(QModelIndex()); }

int CFtpTreeDlg::OnDropEx(const QMimeData* data, int /*dropDefault*/, int /*dropList*/, const QPoint& point) {
    Highlight(QModelIndex());
    return PostDrop(data, TargetAt(point));
}

int CFtpTreeDlg::QueryDropOnCurrent(const QMimeData* data) { return Accept(data, m_sink.GetCurrent()); }

int CFtpTreeDlg::DropOnCurrent(const QMimeData* data) { return PostDrop(data, m_sink.GetCurrent()); }

QModelIndex CFtpTreeDlg::TreeIndexAt(const QPoint& point) const {
    const QPoint inView = m_pTree->viewport()->mapFrom(this, point);
    if (!m_pTree->viewport()->rect().contains(inView)) return {};
    return m_pTree->indexAt(inView);
}

// The folder under the pointer in the tree; anywhere else (the list, its
// path and filter fields), the current folder.
CFtpNode* CFtpTreeDlg::TargetAt(const QPoint& point) {
    if (!m_pTree->geometry().contains(m_pTree->parentWidget()->mapFrom(this, point))) return m_sink.GetCurrent();
    CFtpNode* node = NodeOf(TreeIndexAt(point));
    return node != nullptr && node->IsNodeDecoy() ? node->GetParent() : node;
}

int CFtpTreeDlg::Accept(const QMimeData* data, CFtpNode* target) const {
    if (target == nullptr || !target->IsCatalog() || !m_sink.IsOnline()) return DROPEFFECT_NONE;
    return AcceptedFormats().FindOffered(data) != nullptr ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

// The drop is handled from the window's own queue, so the drop call returns
// at once.
int CFtpTreeDlg::PostDrop(const QMimeData* data, CFtpNode* target) {
    if (Accept(data, target) == DROPEFFECT_NONE) return DROPEFFECT_NONE;
    CDropItem item(AcceptedFormats());
    if (!item.Load(data)) return DROPEFFECT_NONE;
    CMsgDropItem::Post(this, std::make_unique<CMsgDropItem>(item, target, DROPEFFECT_COPY));
    return DROPEFFECT_COPY;
}

void CFtpTreeDlg::Highlight(const QModelIndex& index) {
    m_treeCtrl.SetHighlight(m_treeCtrl.ItemAt(index), palette().brush(QPalette::Highlight).color().lighter(160));
}

void CFtpTreeDlg::customEvent(QEvent* event) {
    if (event->type() != CDropItemEvent::kType) {
        CSplitterDlg::customEvent(event);
        return;
    }
    std::shared_ptr<CMsgDropItem> msg(static_cast<CDropItemEvent*>(event)->Take());
    if (msg) RunWhenFree([this, msg] { ProcessDrop(*msg); });
}

void CFtpTreeDlg::ProcessDrop(const CMsgDropItem& msg) {
    const CDropItem* item = msg.GetDropItem();
    const CClipFormat* format = item != nullptr ? item->GetLoadedFormat() : nullptr;
    if (format == nullptr || item->GetPaths().IsEmpty()) return;
    // The tree may have been rebuilt since the drop, so the target folder is
    // found by its identity, never trusted by its address.
    CFtpNode* root = m_sink.GetRoot();
    CFtpNode* target = root != nullptr ? root->FindByGUID(msg.GetTargetGUID()) : nullptr;
    if (target == nullptr) {
        ShowNotice("The folder of the drop is no longer shown. Please drop again.");
        return;
    }
    CWaitCursor wait;
    if (format->name == CClipFormats::kFileDropName) {
        UploadDropped(*item, target);
    } else if (format->name == CFolderTreeView::kFormatName) {
        MoveFolder(*item->GetPaths().GetHead(), target);
    } else if (format->name == CFtpListCtrl::kFormatName) {
        MoveFiles(item->GetPaths(), target);
    }
}

// One folder alone goes up as a folder (or synchronises the one of its name
// there); anything else as one list of files.
void CFtpTreeDlg::UploadDropped(const CDropItem& item, CFtpNode* target) {
    const CFtpPathList& paths = item.GetPaths();
    if (paths.GetCount() == 1 && paths.GetHead()->IsDirectory()) {
        UploadOrSynchronise(*paths.GetHead(), target);
        return;
    }
    CFtpPathList files(paths);
    UploadFiles(files, target);
}

// A folder moves on the server by a rename into the target folder; its node
// and its sub-tree move with it. The target is listed first, so that no
// folder there is replaced.
void CFtpTreeDlg::MoveFolder(const CFtpPath& folder, CFtpNode* target) {
    CFtpNode* source = m_sink.GetRoot()->FindFtpDir(folder);
    if (source == nullptr) return;
    if (source == target || source->GetParent() == target) {
        ShowNotice(kSameDestination);
        return;
    }
    if (IsAncestor(source, target)) {
        ShowNotice(kIntoItself);
        return;
    }
    const std::string guid = source->GetStrGUID();
    ListFolder(target, [this, guid](CFtpNode* listed) { MoveFolderTo(guid, listed); });
}

void CFtpTreeDlg::MoveFolderTo(const std::string& sourceGuid, CFtpNode* target) {
    const CFtpNode* source = FindNode(sourceGuid);
    if (source == nullptr) return;
    const std::string name = source->GetPath().GetTailDir();
    // A rename onto an existing folder would replace it.
    if (target->FindChildByName(name) != nullptr) {
        ShowError(Format("A folder named '%s' is already in '%s'", name.c_str(), target->GetDoc().c_str()));
        return;
    }
    const std::string from = source->GetPath().GetFtpDir(false);
    const CFtpPath moved(target->GetDoc() + name, velmora::PATH_FOLDER);
    const std::string targetGuid = target->GetStrGUID();
    RunChange(Format("Moving %s ...", from.c_str()), ServerRename(from, moved.GetFtpDir(false)),
              [this, sourceGuid, targetGuid, moved] {
                  CFtpNode* node = FindNode(sourceGuid);
                  CFtpNode* into = FindNode(targetGuid);
                  if (node == nullptr || into == nullptr) return;
                  CTreeChange change(*this);
                  m_treeCtrl.DeleteItem(node->GetTreeItem());
                  node->ClearTreeItem();
                  node->Remove();
                  into->AddNode(node);
                  CFtpPath path(moved);
                  path.CopyFileAttributes(node->GetPath());
                  node->GetPath() = path;
                  node->ClearCache();
                  node->AdjustChildrenPath();
                  into->Show(m_treeCtrl, false);
              });
}

// Files move by renames; each takes a name that is free in the target.
void CFtpTreeDlg::MoveFiles(const CFtpPathList& files, CFtpNode* target) {
    if (velmora::EqualsNoCase(files.GetHead()->GetFtpDir(true), target->GetDoc())) {
        ShowNotice(kSameDestination);
        return;
    }
    auto moving = std::make_shared<CFtpPathList>(files);
    ListFolder(target, [this, moving](CFtpNode* listed) { MoveFilesTo(*moving, listed); });
}

void CFtpTreeDlg::MoveFilesTo(const CFtpPathList& files, CFtpNode* target) {
    struct CMoves {
        std::vector<std::pair<CFtpPath, CFtpPath>> moves;  // from, to
        size_t done = 0;
        std::string error;
    };
    auto moving = std::make_shared<CMoves>();
    // Each name is taken as it is given, so that two files never get one.
    for (const CFtpPath* file : files) {
        moving->moves.emplace_back(*file, target->GetDropPath(*file));
        target->GetCache().Add(new CFtpPath(moving->moves.back().second));
    }
    const std::string sourceFolder = files.GetHead()->GetFtpDir(true);
    const std::string targetGuid = target->GetStrGUID();
    RunOnServer(
        Format("Moving to %s ...", target->GetDoc().c_str()),
        [moving](Connection& connection) {
            for (const auto& [from, to] : moving->moves) {
                if (!connection.Rename(from.GetFtpPath(), to.GetFtpPath())) {
                    moving->error = connection.GetLastError();
                    return;
                }
                ++moving->done;
            }
        },
        [this, moving, sourceFolder, targetGuid] {
            CFtpNode* source = m_sink.GetRoot()->FindFtpDir(sourceFolder);
            CFtpNode* target = FindNode(targetGuid);
            for (size_t i = 0; i < moving->moves.size(); ++i) {
                const auto& [from, to] = moving->moves[i];
                if (i < moving->done && source != nullptr) source->RemoveFromCache(from);
                if (i >= moving->done && target != nullptr) target->RemoveFromCache(to);
            }
            ShowFiles(m_sink.GetCurrent());
            AnnounceFolder(m_sink.GetCurrent());
            if (moving->done < moving->moves.size()) ShowServerFailure(moving->error);
        });
}

QMimeData* CFtpTreeDlg::CreateTreeDragData() {
    const CFtpNode* node = NodeOf(m_pTree->currentIndex());
    if (node == nullptr || node->IsNodeDecoy() || node == m_sink.GetRoot()) return nullptr;
    CDropItem item(CClipFormats(), CFolderTreeView::kFormatName);
    item.GetPaths().Add(new CFtpPath(node->GetPath()));
    QMimeData* data = CreateRemoteDragData(item.GetPaths());
    item.PutInto(*data);
    return data;
}

QMimeData* CFtpTreeDlg::CreateRemoteDragData(const CFtpPathList& items) {
    const CFtpLoginInfo info = m_sink.GetLoginInfo();
    return new CRemoteDragData([this, info, items] { return FetchForDrag(info, items); });
}

QList<QUrl> CFtpTreeDlg::FetchForDrag(const CFtpLoginInfo& info, const CFtpPathList& items) {
    const QString into = m_dragFolders.MakeFolder();
    if (into.isEmpty()) return {};
    velmora::CMoverAPI api;
    RecordDownload(api, info, items, CFtpPath(into.toStdString(), velmora::PATH_FOLDER));
    velmora::CJobSettings settings = CTransferThread::GetJobDefaults();
    settings.m_nLoginAttempts = info.GetRetries();
    settings.m_providers = {};
    api.SetJobSettings(settings);
    {
        CWaitCursor wait;
        std::thread job([&api] { api.DoCopy(); });
        job.join();
    }
    QList<QUrl> copies;
    for (const CFtpPath* item : items) {
        const std::string name = item->IsDirectory() ? item->GetTailDir() : item->GetFileName(true);
        const QString copy = QDir(into).filePath(QString::fromStdString(name));
        if (QFileInfo::exists(copy)) copies << QUrl::fromLocalFile(copy);
    }
    // What failed is in the log; a question now would stop the drag.
    return copies;
}

// ---- Transfers ----

void CFtpTreeDlg::StartTransfer(const std::function<void(velmora::CMoverAPI&)>& record) {
    auto thread = std::make_unique<CTransferThread>();
    record(thread->GetApi());
    m_context.queue.Submit(std::move(thread));
}

// The new folder shows in the tree and the list at once.
void CFtpTreeDlg::UploadFolder(const CFtpPath& folder, CFtpNode* target) {
    ListFolder(target, [this, folder](CFtpNode* listed) {
        {
            CTreeChange change(*this);
            if (listed->AddFtpFolder(folder, nullptr) != nullptr) {
                listed->Show(m_treeCtrl, false);
                listed->Expand(m_treeCtrl, ITreeCtrl::kExpand);
            }
        }
        const CFtpPath destination = UploadDestination(*listed);
        const CFtpLoginInfo info = m_sink.GetLoginInfo();
        StartTransfer([&](velmora::CMoverAPI& api) { api.UploadFolderA(info, folder, destination); });
    });
}

// The names in the target folder are known first, as the server has them
// now (what an earlier upload left shows at its size), so that no upload
// replaces a file unasked.
void CFtpTreeDlg::UploadFiles(const CFtpPathList& files, CFtpNode* target) {
    auto uploading = std::make_shared<CFtpPathList>(files);
    RelistFolder(target->GetStrGUID(), false, [this, uploading](CFtpNode* listed) {
        RememberNames(*listed);
        const CFtpPath destination = UploadDestination(*listed);
        const CFtpLoginInfo info = m_sink.GetLoginInfo();
        StartTransfer([&](velmora::CMoverAPI& api) { api.UploadFilesA(info, *uploading, destination); });
    });
}

CFtpPath CFtpTreeDlg::UploadDestination(const CFtpNode& target) {
    const std::string folder = target.GetDoc();
    if (std::find(m_uploadFolders.begin(), m_uploadFolders.end(), folder) == m_uploadFolders.end()) {
        m_uploadFolders.push_back(folder);
    }
    return CFtpPath(folder, velmora::PATH_FOLDER);
}

// A file uploaded in this session shows as the server has it (its size and
// date): its folder's files are listed again once the browser is free.
void CFtpTreeDlg::OnFileTransferred(const CFtpPath& /*source*/, const CFtpPath& destination) {
    CFtpNode* root = m_sink.GetRoot();
    const std::string folder = destination.GetFtpDir(true);
    const bool uploaded = std::any_of(m_uploadFolders.begin(), m_uploadFolders.end(),
                                      [&](const std::string& to) { return folder.starts_with(to); });
    CFtpNode* node = root != nullptr && uploaded ? root->FindFtpDir(destination) : nullptr;
    if (node == nullptr || !node->IsCacheLoaded()) return;
    const std::string guid = node->GetStrGUID();
    if (std::find(m_staleFolders.begin(), m_staleFolders.end(), guid) != m_staleFolders.end()) return;
    m_staleFolders.push_back(guid);
    RunWhenFree([this] { RelistStaleFolder(); });
}

// An upload into the folder shown, or into one of its folders, has ended:
// the list shows what it left (a new folder too), however it ended.
void CFtpTreeDlg::OnTransferEnded(int id) {
    const CTransferEntry* entry = m_context.queue.GetModel().Find(id);
    CFtpNode* current = m_sink.GetCurrent();
    if (entry == nullptr || current == nullptr) return;
    const velmora::CMoverAPI& request = entry->request;
    const bool upload = request.GetRequest() == velmora::CMoverAPI::eUploadFiles ||
                        request.GetRequest() == velmora::CMoverAPI::eUploadFolder;
    if (!upload || StateKey(request.GetLoginInfo()) != StateKey(m_sink.GetLoginInfo())) return;
    const std::string into = velmora::AppendSlash(request.GetDestination().GetFtpDir(true), '/');
    const std::string shown = velmora::AppendSlash(current->GetDoc(), '/');
    if (into.starts_with(shown) || shown.starts_with(into)) RelistFolder(current->GetStrGUID(), false);
}

void CFtpTreeDlg::RelistStaleFolder() {
    if (m_staleFolders.empty()) return;
    const std::string guid = m_staleFolders.front();
    m_staleFolders.erase(m_staleFolders.begin());
    RelistFolder(guid, false);
}

// ---- Unique names ----

// The folder's files join the names known there, as the listing has them
// now (a file an upload left has its size); a name already given to an
// upload whose file has not arrived yet stays taken.
void CFtpTreeDlg::RememberNames(CFtpNode& node) {
    std::lock_guard<std::mutex> lock(m_namesLock);
    CFtpPathList& names = m_names[node.GetDoc()];
    std::unordered_map<std::string, CFtpPath*> known;
    for (CFtpPath* path : names) known.emplace(path->GetFileName(true), path);
    for (const CFtpPath* path : node.GetCache()) {
        const auto [at, added] = known.emplace(path->GetFileName(true), nullptr);
        if (added) {
            names.Add(new CFtpPath(*path));
        } else {
            *at->second = *path;
        }
    }
}

// On the transfer thread, inside a broadcast (no waiting here). A name taken
// in its folder is left for the question (TARGET_ASK) unless a free one is
// asked for; the name the file gets is then taken, so that two files of one
// upload never land on one name.
int32_t CFtpTreeDlg::MakeUnique(CFtpPath& path, bool rename) {
    std::lock_guard<std::mutex> lock(m_namesLock);
    const auto found = m_names.find(path.GetFtpDir(true));
    if (found == m_names.end()) return velmora::TARGET_AS_BEFORE;
    CFtpPathList& names = found->second;
    if (!rename && names.FindByFileName(path) != nullptr) return velmora::TARGET_ASK;
    if (rename) names.UniqueName(&path);
    names.Add(new CFtpPath(path));
    return rename ? velmora::TARGET_RENAME : velmora::TARGET_AS_BEFORE;
}

// What the browser knows of a remote file: its entry in the listing.
std::optional<CFtpPath> CFtpTreeDlg::KnownRemote(const CFtpPath& path) const {
    std::lock_guard<std::mutex> lock(m_namesLock);
    const auto found = m_names.find(path.GetFtpDir(true));
    const CFtpPath* known = found != m_names.end() ? found->second.FindByFileName(path) : nullptr;
    return known != nullptr ? std::optional<CFtpPath>(*known) : std::nullopt;
}

}  // namespace parcelo

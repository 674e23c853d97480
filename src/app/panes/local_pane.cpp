#include "app/panes/local_pane.h"

#include <algorithm>
#include <memory>

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/drag_item.h"
#include "app/common/name_filter.h"
#include "app/common/path_bar.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/folder_columns.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_file_ops.h"
#include "app/panes/local_folder_model.h"
#include "app/transfers/prompter.h"
#include "ftp/ftp_node.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CFtpPathList;

namespace {

// The browser's own drags: rows of its file list, folders of its tree.
const CClipFormats& RemoteFormats() {
    static const CClipFormats formats = [] {
        CClipFormats remote;
        remote.Add(CFtpListCtrl::kFormatName);
        remote.Add(CFolderTreeView::kFormatName);
        return remote;
    }();
    return formats;
}

// A key of the file list, while it has the focus.
void AddListKey(QAbstractItemView* list, const QKeySequence& key, std::function<void()> action) {
    auto* shortcut = new QShortcut(key, list, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(shortcut, &QShortcut::activated, list, std::move(action));
}

bool IsKey(const QEvent* event, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* press = static_cast<const QKeyEvent*>(event);
    return press->key() == key && press->modifiers() == modifiers;
}

}  // namespace

// ---- The view's drops ----

bool CLocalView::IsRemoteDrag(const QMimeData* data) { return RemoteFormats().FindOffered(data) != nullptr; }

void CLocalView::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void CLocalView::dragMoveEvent(QDragMoveEvent* event) {
    if (!IsRemoteDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CLocalView::dropEvent(QDropEvent* event) {
    CDropItem item(RemoteFormats());
    if (!m_download || !dropFolder || !item.Load(event->mimeData()) || item.GetPaths().IsEmpty() ||
        !m_download(item.GetPaths(), dropFolder(event->position().toPoint()))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// ---- The pane ----

CLocalPane::CLocalPane(CAppContext& context, CFtpTreeDlg& browser, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_browser(browser),
      m_pFolders(new QFileSystemModel(this)),
      m_pFolderTree(new QTreeView),
      m_pPathBar(new CPathBar(this)),
      m_pModel(new CLocalFolderModel(this)),
      m_pProxy(new CNameFilterProxy(this)),
      m_pView(new CLocalView) {
    m_pFolders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_pFolders->setReadOnly(true);
    m_pFolders->setRootPath(QDir::rootPath());
    m_pFolderTree->setObjectName("localTree");
    m_pFolderTree->setModel(m_pFolders);
    m_pFolderTree->setHeaderHidden(true);
    for (int column = 1; column < m_pFolders->columnCount(); ++column) m_pFolderTree->hideColumn(column);
    m_pFolderTree->setRootIndex(m_pFolders->index(QDir::rootPath()));
    connect(m_pFolders, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (m_pModel->GetFolder().startsWith(loaded)) ScrollTreeToCurrent();
    });
    connect(m_pFolderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) SetFolder(m_pFolders->filePath(current).toStdString());
            });

    m_pView->setObjectName("localView");
    m_pProxy->setSourceModel(m_pModel);
    m_pView->setModel(m_pProxy);

    m_pView->setRootIsDecorated(false);
    m_pView->setItemsExpandable(false);
    m_pView->setUniformRowHeights(true);
    m_pView->setSortingEnabled(true);
    m_pView->sortByColumn(CLocalFolderModel::COLUMN_NAME, Qt::AscendingOrder);
    m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pView->setTextElideMode(Qt::ElideMiddle);
    m_pView->setDragEnabled(true);
    m_pView->setAcceptDrops(true);
    m_pView->setDragDropMode(QAbstractItemView::DragDrop);
    m_pView->setDefaultDropAction(Qt::CopyAction);
    FitFolderColumns(*m_pView);
    m_pView->SetDownload([this](const CFtpPathList& paths, const std::string& folder) {
        return Download(paths, folder);
    });
    m_pView->dropFolder = [this](const QPoint& point) {
        const int row = ModelRow(m_pView->indexAt(point));
        return m_pModel->IsFolderAt(row) ? m_pModel->PathAt(row).toStdString() : GetFolder();
    };
    m_pView->installEventFilter(this);
    // Made after the pane's own key handling, so that it sees the keys first.
    m_pFilter = new CFilterField(m_pView);
    m_pFilter->setObjectName("localFilter");
    connect(m_pFilter, &CFilterField::FilterChanged, this, [this] { m_pProxy->SetFilter(m_pFilter->GetFilter()); });
    AddListKey(m_pView, Qt::Key_F2, [this] { OnRename(); });
    AddListKey(m_pView, QKeySequence::Delete, [this] { OnDelete(false); });
    AddListKey(m_pView, Qt::SHIFT | Qt::Key_Delete, [this] { OnDelete(true); });
    AddListKey(m_pView, Qt::CTRL | Qt::SHIFT | Qt::Key_C, [this] { OnCopyPath(); });
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ExecMenu(m_pView->viewport()->mapToGlobal(pos)); });
    connect(m_pView, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { OpenRow(ModelRow(index)); });

    connect(m_pPathBar, &CPathBar::FolderRequested, this, [this](const QString& folder) {
        if (!SetFolder(folder.toStdString())) m_pPathBar->Restore();
    });
    connect(m_pPathBar, &CPathBar::UpRequested, this, &CLocalPane::OnUp);

    auto* upload = new QPushButton(tr("Upload \u2192"));
    upload->setObjectName("upload");
    upload->setToolTip(tr("Upload the selected files and folders into the server folder (Ctrl+U)"));
    auto* download = new QPushButton(tr("\u2190 Download"));
    download->setObjectName("download");
    download->setToolTip(tr("Download the server's selection into this folder (Ctrl+D)"));
    for (QPushButton* button : {upload, download}) button->setAutoDefault(false);
    connect(upload, &QPushButton::clicked, this, &CLocalPane::OnUpload);
    connect(download, &QPushButton::clicked, this, &CLocalPane::OnDownload);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(download);
    buttons->addWidget(upload);

    auto* files = new QWidget;
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(m_pPathBar);
    filesLayout->addWidget(m_pView, 1);
    filesLayout->addWidget(m_pFilter);
    filesLayout->addLayout(buttons);
    auto* split = new QSplitter(Qt::Vertical);
    split->setObjectName("localSplitter");
    split->setChildrenCollapsible(false);
    split->addWidget(m_pFolderTree);
    split->addWidget(files);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    SetFolder(QDir::homePath().toStdString());
}

bool CLocalPane::SetFolder(const std::string& folder) {
    const QString path = QDir::cleanPath(QString::fromStdString(folder));
    if (path == m_pModel->GetFolder()) return true;
    if (!m_pModel->SetFolder(path)) return false;
    m_pView->clearSelection();
    // A filter is for one folder's rows.
    m_pFilter->clear();
    m_pPathBar->ShowFolder(path);
    ShowInTree(path);
    emit FolderChanged();
    return true;
}

void CLocalPane::ShowInTree(const QString& folder) {
    const QModelIndex index = m_pFolders->index(folder);
    if (!index.isValid() || m_pFolderTree->currentIndex() == index) return;
    const QSignalBlocker quiet(m_pFolderTree->selectionModel());
    m_pFolderTree->setCurrentIndex(index);
    ScrollTreeToCurrent();
}

// The folders on the way are read in the background, and a tree not yet
// shown has no size: the scroll is done again once either changes.
void CLocalPane::ScrollTreeToCurrent() {
    const QModelIndex current = m_pFolderTree->currentIndex();
    if (!current.isValid()) return;
    for (QModelIndex above = current.parent(); above.isValid(); above = above.parent()) {
        m_pFolderTree->expand(above);
    }
    m_pFolderTree->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void CLocalPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, &CLocalPane::ScrollTreeToCurrent);
}

std::string CLocalPane::GetFolder() const { return m_pModel->GetFolder().toStdString(); }

void CLocalPane::Refresh() { m_pModel->Refresh(); }

void CLocalPane::SetShowHidden(bool show) {
    m_pModel->SetShowHidden(show);
    m_pFolders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | (show ? QDir::Hidden : QDir::Filters()));
}

std::vector<std::string> CLocalPane::GetSelectedPaths() const {
    std::vector<std::string> paths;
    for (const QModelIndex& row : m_pView->selectionModel()->selectedRows()) {
        paths.push_back(m_pModel->PathAt(ModelRow(row)).toStdString());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void CLocalPane::SelectNames(const std::vector<std::string>& names) {
    m_pView->clearSelection();
    for (const std::string& name : names) {
        const int row = m_pModel->RowOf(QString::fromStdString(name));
        if (row < 0) continue;
        const QModelIndex index = ViewIndex(row);
        if (!index.isValid()) continue;
        m_pView->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_pView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

QModelIndex CLocalPane::ViewIndex(int modelRow) const {
    return modelRow < 0 ? QModelIndex() : m_pProxy->mapFromSource(m_pModel->index(modelRow, 0));
}

int CLocalPane::ModelRow(const QModelIndex& viewIndex) const {
    const QModelIndex source = m_pProxy->mapToSource(viewIndex);
    return source.isValid() ? source.row() : -1;
}

void CLocalPane::OpenRow(int row) {
    if (row < 0) return;
    if (m_pModel->IsFolderAt(row)) {
        SetFolder(m_pModel->PathAt(row).toStdString());
    } else {
        OnOpen();
    }
}

// ---- The list's commands ----

void CLocalPane::ExecMenu(const QPoint& globalPos) {
    const bool selected = !GetSelectedPaths().empty();
    QMenu menu(this);
    const auto add = [&](const QString& text, const QKeySequence& key, bool enabled, std::function<void()> command) {
        QAction* action = menu.addAction(text, std::move(command));
        action->setShortcut(key);
        action->setEnabled(enabled);
    };
    add(tr("&Open"), Qt::Key_Return, selected, [this] { OnOpen(); });
    add(tr("&Upload"), Qt::CTRL | Qt::Key_U, selected, [this] { OnUpload(); });
    menu.addSeparator();
    add(tr("&Rename..."), Qt::Key_F2, selected, [this] { OnRename(); });
    add(tr("&Delete (to the trash)"), QKeySequence::Delete, selected, [this] { OnDelete(false); });
    add(tr("Delete for &good..."), Qt::SHIFT | Qt::Key_Delete, selected, [this] { OnDelete(true); });
    add(tr("&New folder..."), Qt::Key_F7, true, [this] { OnNewFolder(); });
    menu.addSeparator();
    add(tr("&Copy path"), Qt::CTRL | Qt::SHIFT | Qt::Key_C, true, [this] { OnCopyPath(); });
    menu.exec(globalPos);
}

void CLocalPane::ShowFailures(const std::string& heading, const QStringList& lines) {
    m_context.prompter.ShowError(this, "Error", heading + "\n\n" + lines.join("\n").toStdString());
}

// Files open in the desktop's application for them; a folder opens here.
void CLocalPane::OnOpen() {
    const std::vector<std::string> paths = GetSelectedPaths();
    if (paths.size() == 1 && QFileInfo(QString::fromStdString(paths.front())).isDir()) {
        SetFolder(paths.front());
        return;
    }
    QStringList failed;
    for (const std::string& path : paths) {
        const QString file = QString::fromStdString(path);
        if (QFileInfo(file).isDir()) continue;
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file))) failed << QFileInfo(file).fileName();
    }
    if (!failed.isEmpty()) ShowFailures("No application opened these files:", failed);
}

// The current row (or the first selected one) is renamed in place.
void CLocalPane::OnRename() {
    const QModelIndex current = m_pView->currentIndex();
    QString path;
    if (current.isValid() && m_pView->selectionModel()->isRowSelected(current.row(), current.parent())) {
        path = m_pModel->PathAt(ModelRow(current));
    } else if (const std::vector<std::string> selected = GetSelectedPaths(); !selected.empty()) {
        path = QString::fromStdString(selected.front());
    }
    if (path.isEmpty()) return;
    std::string name = QFileInfo(path).fileName().toStdString();
    if (!m_context.prompter.AskName(this, name) || QString::fromStdString(name) == QFileInfo(path).fileName()) return;
    QString error;
    if (!RenameEntry(path, QString::fromStdString(name), error)) {
        m_context.prompter.ShowError(this, "Error", error.toStdString());
        return;
    }
    Refresh();
    SelectNames({name});
}

// To the trash: nothing asked, as it can be undone there. What the trash
// cannot take (another file system without a trash folder) is only
// deleted for good after a question that names it.
void CLocalPane::OnDelete(bool forGood) {
    QStringList paths;
    for (const std::string& path : GetSelectedPaths()) paths << QString::fromStdString(path);
    if (paths.isEmpty()) return;
    QStringList names;
    for (const QString& path : paths) names << QFileInfo(path).fileName();
    if (forGood) {
        const std::string question =
            "Delete for good (not to the trash)?\n\n" + names.join("\n").toStdString() +
            "\n\nFolders go with everything in them. This cannot be undone.";
        if (!m_context.prompter.AskYesNo(this, "Confirmation", question)) return;
    } else {
        const CEntryFailures refused = MoveToTrash(paths);
        paths = refused.paths;
        if (!paths.isEmpty() &&
            !m_context.prompter.AskYesNo(this, "Confirmation",
                                         "The trash did not take these:\n\n" + refused.lines.join("\n").toStdString() +
                                             "\n\nDelete them for good? This cannot be undone.")) {
            paths.clear();
        }
    }
    const CEntryFailures failed = DeleteForGood(paths);
    Refresh();
    if (!failed.IsEmpty()) ShowFailures("Not everything was deleted:", failed.lines);
}

void CLocalPane::OnNewFolder() {
    const QString folder = QString::fromStdString(GetFolder());
    std::string name = FreeEntryName(folder, tr("New Folder")).toStdString();
    if (!m_context.prompter.AskName(this, name)) return;
    QString error;
    if (!MakeFolder(QDir(folder).filePath(QString::fromStdString(name)), error)) {
        m_context.prompter.ShowError(this, "Error", error.toStdString());
        return;
    }
    Refresh();
    SelectNames({name});
}

// The selected entries' paths, one a line; the folder's without a selection.
void CLocalPane::OnCopyPath() {
    QStringList paths;
    for (const std::string& path : GetSelectedPaths()) paths << QString::fromStdString(path);
    if (paths.isEmpty()) paths << QString::fromStdString(GetFolder());
    QGuiApplication::clipboard()->setText(paths.join('\n'));
}

void CLocalPane::OnUp() {
    QDir folder(QString::fromStdString(GetFolder()));
    if (folder.cdUp()) SetFolder(folder.absolutePath().toStdString());
}

bool CLocalPane::RequireConnection() {
    if (m_context.sink.IsOnline() && m_context.sink.GetCurrent() != nullptr) return true;
    m_context.prompter.ShowMessage(this, "Message", kNotConnected);
    return false;
}

// The selection goes the way a drop on the server pane's folder goes.
bool CLocalPane::OnUpload() {
    const std::vector<std::string> paths = GetSelectedPaths();
    if (paths.empty() || !RequireConnection()) return false;
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    return m_browser.DropOnCurrent(&data) != DROPEFFECT_NONE;
}

bool CLocalPane::OnDownload() {
    if (!RequireConnection()) return false;
    return Download(m_browser.SelectedForDownload(CFtpTreeDlg::PANE_LIST), GetFolder());
}

bool CLocalPane::Download(const CFtpPathList& paths, const std::string& folder) {
    return RequireConnection() && m_browser.DownloadItems(paths, folder);
}

bool CLocalPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_pView) return QWidget::eventFilter(watched, event);
    if (IsKey(event, Qt::Key_Backspace)) {
        OnUp();
        return true;
    }
    if (IsKey(event, Qt::Key_Return) || IsKey(event, Qt::Key_Enter)) {
        OpenRow(ModelRow(m_pView->currentIndex()));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace parcelo

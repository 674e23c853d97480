#include "app/panes/local_pane.h"

#include <algorithm>
#include <memory>

#include <QDir>
#include <QDragEnterEvent>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/drag_item.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
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
        remote.Add(CFolderTreeWidget::kFormatName);
        return remote;
    }();
    return formats;
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
      m_pModel(new QFileSystemModel(this)),
      m_pPath(new QLineEdit),
      m_pView(new CLocalView) {
    m_pModel->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    m_pModel->setReadOnly(true);
    m_pModel->setRootPath(QDir::rootPath());

    m_pView->setObjectName("localView");
    m_pView->setModel(m_pModel);
    m_pView->setRootIsDecorated(false);
    m_pView->setItemsExpandable(false);
    m_pView->setSortingEnabled(true);
    m_pView->sortByColumn(0, Qt::AscendingOrder);
    m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pView->setDragEnabled(true);
    m_pView->setAcceptDrops(true);
    m_pView->setDragDropMode(QAbstractItemView::DragDrop);
    m_pView->setDefaultDropAction(Qt::CopyAction);
    m_pView->header()->resizeSection(0, 160);
    m_pView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_pView->SetDownload([this](const CFtpPathList& paths, const std::string& folder) {
        return Download(paths, folder);
    });
    m_pView->dropFolder = [this](const QPoint& point) {
        const QModelIndex at = m_pView->indexAt(point);
        return at.isValid() && m_pModel->isDir(at) ? m_pModel->filePath(at).toStdString() : GetFolder();
    };
    m_pView->installEventFilter(this);
    browser.GetList()->installEventFilter(this);
    connect(m_pView, &QAbstractItemView::activated, this, &CLocalPane::OpenIndex);

    auto* up = new QPushButton(tr("Up"));
    up->setAutoDefault(false);
    connect(up, &QPushButton::clicked, this, &CLocalPane::OnUp);
    connect(m_pPath, &QLineEdit::returnPressed, this, [this] {
        if (!SetFolder(m_pPath->text().toStdString())) m_pPath->setText(QString::fromStdString(GetFolder()));
    });
    auto* top = new QHBoxLayout;
    top->addWidget(up);
    top->addWidget(m_pPath, 1);

    auto* upload = new QPushButton(tr("Upload \u2192"));
    upload->setObjectName("upload");
    upload->setToolTip(tr("Upload the selected files and folders into the server folder (Ctrl+U)"));
    auto* download = new QPushButton(tr("\u2190 Download"));
    download->setObjectName("download");
    download->setToolTip(tr("Download the server's selection into this folder (Ctrl+D)"));
    for (QPushButton* button : {upload, download}) button->setAutoDefault(false);
    connect(upload, &QPushButton::clicked, this, &CLocalPane::OnUpload);
    connect(download, &QPushButton::clicked, this, &CLocalPane::OnDownload);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(download);
    bottom->addWidget(upload);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(m_pView, 1);
    layout->addLayout(bottom);
    SetFolder(QDir::homePath().toStdString());
}

bool CLocalPane::SetFolder(const std::string& folder) {
    const QString path = QDir::cleanPath(QString::fromStdString(folder));
    if (!QFileInfo(path).isDir()) return false;
    m_pView->setRootIndex(m_pModel->index(path));
    m_pView->clearSelection();
    m_pPath->setText(path);
    return true;
}

std::string CLocalPane::GetFolder() const { return m_pModel->filePath(m_pView->rootIndex()).toStdString(); }

std::vector<std::string> CLocalPane::GetSelectedPaths() const {
    std::vector<std::string> paths;
    for (const QModelIndex& row : m_pView->selectionModel()->selectedRows()) {
        paths.push_back(m_pModel->filePath(row).toStdString());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void CLocalPane::SelectNames(const std::vector<std::string>& names) {
    m_pView->clearSelection();
    for (const std::string& name : names) {
        const QModelIndex index = m_pModel->index(QString::fromStdString(GetFolder() + "/" + name));
        if (!index.isValid()) continue;
        m_pView->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_pView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

void CLocalPane::OpenIndex(const QModelIndex& index) {
    if (index.isValid() && m_pModel->isDir(index)) SetFolder(m_pModel->filePath(index).toStdString());
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

// The selection goes the way a drop on the browser's current folder goes.
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
    CFtpPathList paths = m_browser.GetList()->GetSelectedPaths();
    if (paths.IsEmpty()) paths.Add(new CFtpPath(m_context.sink.GetCurrent()->GetDoc(), velmora::PATH_FOLDER));
    return Download(paths, GetFolder());
}

bool CLocalPane::Download(const CFtpPathList& paths, const std::string& folder) {
    if (paths.IsEmpty() || !RequireConnection()) return false;
    const velmora::CFtpLoginInfo info = m_context.sink.GetLoginInfo();
    const CFtpPath destination(folder, velmora::PATH_FOLDER);
    auto thread = std::make_unique<CTransferThread>();
    const CFtpPath& first = *paths.GetHead();
    if (paths.GetCount() == 1 && first.IsDirectory()) {
        thread->GetApi().DownloadFolderA(info, first, destination);
    } else {
        // The listing may be older than the files: their sizes are asked anew.
        CFtpPathList files(paths);
        for (CFtpPath* file : files) {
            if (!file->IsDirectory()) file->Length(uint64_t{0});
        }
        thread->GetApi().DownloadFilesA(info, files, destination);
    }
    m_context.queue.Submit(std::move(thread));
    return true;
}

bool CLocalPane::eventFilter(QObject* watched, QEvent* event) {
    if (IsKey(event, Qt::Key_D, Qt::ControlModifier)) {
        OnDownload();
        return true;
    }
    if (watched != m_pView) return QWidget::eventFilter(watched, event);
    if (IsKey(event, Qt::Key_U, Qt::ControlModifier)) {
        OnUpload();
        return true;
    }
    if (IsKey(event, Qt::Key_Backspace)) {
        OnUp();
        return true;
    }
    if (IsKey(event, Qt::Key_Return) || IsKey(event, Qt::Key_Enter)) {
        OpenIndex(m_pView->currentIndex());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace parcelo

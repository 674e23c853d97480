#include "app/connections/ftp_connections_dlg.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/transfers/prompter.h"
#include "base/format.h"
#include "ftp/login_info.h"
#include "ftp/tls_trust.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

using velmora::CFtpLoginInfo;

namespace {

// What an item keeps: the site's connection, or a folder's path.
constexpr int kSiteRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

// "Work/Clients" without empty levels or blanks at the ends of a level.
std::string CleanFolder(const std::string& folder) {
    std::string clean;
    for (const QString& level : QString::fromStdString(folder).split('/', Qt::SkipEmptyParts)) {
        const QString trimmed = level.trimmed();
        if (trimmed.isEmpty()) continue;
        clean += (clean.empty() ? "" : "/") + trimmed.toStdString();
    }
    return clean;
}

bool IsInFolder(const std::string& folder, const std::string& top) {
    return folder == top || folder.starts_with(top + "/");
}

}  // namespace

CFtpConnectionsDlg::CFtpConnectionsDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings,
                                       IPrompter& prompter, QWidget* parent)
    : CSplitterDlg(Qt::Horizontal, parent),
      m_connections(connections),
      m_settings(settings),
      m_prompter(prompter),
      m_pList(new QTreeWidget),
      m_pPasswordStore(new QComboBox),
      m_pProps(new CFtpConnectionPropDlg(prompter)) {
    m_pList->setObjectName("connections");
    GetSplitter()->setObjectName("connectionsSplitter");
    m_pList->setHeaderLabels({tr("Sites")});
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* left = new QWidget;
    auto* layout = new QVBoxLayout(left);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pList, 1);
    auto* buttons = new QHBoxLayout;
    m_pNew = AddButton(tr("&New site"), "new", [this] { OnNew(); });
    buttons->addWidget(m_pNew);
    buttons->addWidget(AddButton(tr("New &folder"), "newFolder", [this] { OnNewFolder(); }));
    buttons->addWidget(AddButton(tr("D&uplicate"), "duplicate", [this] { OnDuplicate(); }));
    layout->addLayout(buttons);
    auto* more = new QHBoxLayout;
    more->addWidget(AddButton(tr("Rena&me"), "rename", [this] { OnRename(); }));
    more->addWidget(AddButton(tr("&Delete"), "delete", [this] { OnDelete(); }));
    more->addWidget(AddButton(tr("&Import..."), "import", [this] { OnImport(); }));
    more->addWidget(AddButton(tr("E&xport..."), "export", [this] { OnExport(); }));
    layout->addLayout(more);
    AddPasswordStoreChoice(layout);
    SetPanes(left, m_pProps, 2, 3);

    connect(m_pProps, &CFtpConnectionPropDlg::Edited, this, &CFtpConnectionsDlg::ConnectionEdited);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CFtpConnectionsDlg::OnSelectionChanged);
    // A double click on a site connects, as "Apply" does.
    connect(m_pList, &QTreeWidget::itemDoubleClicked, m_pProps, [this](QTreeWidgetItem* item) {
        if (SiteOf(item) != nullptr) m_pProps->OnApply();
    });
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, &CFtpConnectionsDlg::ExecMenu);
}

QPushButton* CFtpConnectionsDlg::AddButton(const QString& text, const char* name, std::function<void()> command) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    // Enter in a field applies the site; it never presses these.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, std::move(command));
    return button;
}

void CFtpConnectionsDlg::AddPasswordStoreChoice(QVBoxLayout* layout) {
    m_pPasswordStore->setObjectName("passwordStore");
    m_pPasswordStore->addItems({tr("Keyring, else file"), tr("Keyring only"), tr("File (scrambled)"),
                                tr("Not saved (asked)")});
    // The pane stays as narrow as it was: the list opens as wide as it needs.
    m_pPasswordStore->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pPasswordStore->setMinimumContentsLength(8);
    m_pPasswordStore->setToolTip(tr("Where passwords saved from now on are kept: the desktop keyring (where one "
                                    "runs, else the connections file), only the keyring, the connections file, "
                                    "or nowhere (asked for at login). Anyone who can read the connections file "
                                    "can unscramble what it holds."));
    m_pPasswordStore->setCurrentIndex(static_cast<int>(m_settings.GetPasswordStore()));
    auto* label = new QLabel(tr("Pass&words:"));
    label->setBuddy(m_pPasswordStore);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_pPasswordStore, 1);
    layout->addLayout(row);
    connect(m_pPasswordStore, &QComboBox::activated, this, [this](int index) {
        const auto store = static_cast<velmora::EPasswordStore>(index);
        m_settings.SetPasswordStore(store);
        velmora::SetPasswordStore(store);
    });
}

void CFtpConnectionsDlg::Populate() {
    const QSignalBlocker quiet(m_pList);
    m_pList->clear();
    m_folders = m_settings.GetSiteFolders();
    for (const std::string& folder : m_folders) MakeFolderItem(folder);
    for (CFtpLoginInfo* info : m_connections) AddSiteItem(info);
    m_pList->sortItems(0, Qt::AscendingOrder);
    m_pList->expandAll();
}

QTreeWidgetItem* CFtpConnectionsDlg::MakeFolderItem(const std::string& folder) {
    const std::string clean = CleanFolder(folder);
    if (clean.empty()) return nullptr;
    if (QTreeWidgetItem* found = FolderItem(clean)) return found;
    const size_t slash = clean.rfind('/');
    QTreeWidgetItem* parent = slash == std::string::npos ? nullptr : MakeFolderItem(clean.substr(0, slash));
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(slash == std::string::npos ? clean : clean.substr(slash + 1)));
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setData(0, kFolderRole, QString::fromStdString(clean));
    if (parent != nullptr) {
        parent->addChild(item);
    } else {
        m_pList->addTopLevelItem(item);
    }
    return item;
}

QTreeWidgetItem* CFtpConnectionsDlg::AddSiteItem(CFtpLoginInfo* info) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(info->GetHostName()));
    item->setIcon(0, style()->standardIcon(QStyle::SP_DriveNetIcon));
    item->setData(0, kSiteRole, QVariant::fromValue(reinterpret_cast<quintptr>(info)));
    if (QTreeWidgetItem* folder = MakeFolderItem(info->GetFolder())) {
        folder->addChild(item);
    } else {
        m_pList->addTopLevelItem(item);
    }
    return item;
}

QTreeWidgetItem* CFtpConnectionsDlg::FolderItem(const std::string& folder) const {
    for (QTreeWidgetItemIterator it(m_pList); *it != nullptr; ++it) {
        if ((*it)->data(0, kFolderRole).toString().toStdString() == folder) return *it;
    }
    return nullptr;
}

QTreeWidgetItem* CFtpConnectionsDlg::ItemOf(const CFtpLoginInfo* info) const {
    for (QTreeWidgetItemIterator it(m_pList); info != nullptr && *it != nullptr; ++it) {
        if (SiteOf(*it) == info) return *it;
    }
    return nullptr;
}

// Only items of this tree that hold a connection still in the list count.
CFtpLoginInfo* CFtpConnectionsDlg::SiteOf(const QTreeWidgetItem* item) const {
    if (item == nullptr) return nullptr;
    auto* info = reinterpret_cast<CFtpLoginInfo*>(item->data(0, kSiteRole).value<quintptr>());
    if (info == nullptr) return nullptr;
    return std::find(m_connections.begin(), m_connections.end(), info) != m_connections.end() ? info : nullptr;
}

std::string CFtpConnectionsDlg::FolderOf(const QTreeWidgetItem* item) {
    return item != nullptr ? item->data(0, kFolderRole).toString().toStdString() : std::string();
}

bool CFtpConnectionsDlg::SelectConnection(const std::string& name) {
    QTreeWidgetItem* item = ItemOf(m_connections.FindByHost(name));
    if (item == nullptr) return false;
    SelectItem(item);
    return true;
}

void CFtpConnectionsDlg::SelectItem(QTreeWidgetItem* item) {
    m_pList->setCurrentItem(item);
    if (item != nullptr) m_pList->scrollToItem(item);
}

CFtpLoginInfo* CFtpConnectionsDlg::GetSelected() const {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? nullptr : SiteOf(selected.front());
}

std::string CFtpConnectionsDlg::GetSelectedFolder() const {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) return {};
    if (const CFtpLoginInfo* site = SiteOf(selected.front())) return CleanFolder(site->GetFolder());
    return FolderOf(selected.front());
}

// The tree's entries carry the list's own objects; the message carries a
// copy, known by its GUID.
void CFtpConnectionsDlg::UpdateName(const CFtpLoginInfo& renamed) {
    const CFtpLoginInfo* info = m_connections.FindByGUID(renamed.GetStrGUID());
    QTreeWidgetItem* item = ItemOf(info);
    if (item == nullptr) return;
    item->setText(0, QString::fromStdString(renamed.GetHostName()));
    // The remembered selection follows its connection's name.
    if (info == GetSelected()) m_settings.SetSelConnection(renamed.GetHostName());
}

void CFtpConnectionsDlg::TrustCertificate(const CFtpLoginInfo& trusted) {
    CFtpLoginInfo* info = m_connections.FindByGUID(trusted.GetStrGUID());
    if (info == nullptr) return;
    info->SetTlsFingerprint(trusted.GetTlsFingerprint());
    emit ConnectionsChanged();
}

void CFtpConnectionsDlg::ShowSelected() { m_pProps->SetConnection(m_pProps->GetConnection()); }

void CFtpConnectionsDlg::KeepPassword(const CFtpLoginInfo& ready, ELoginPassword how) {
    CFtpLoginInfo* info = m_connections.FindByGUID(ready.GetStrGUID());
    if (info == nullptr) return;
    KeepLoginPassword(*info, ready, how);
    if (how == ELoginPassword::TypedToSave) emit ConnectionsChanged();
}

void CFtpConnectionsDlg::OnSelectionChanged() {
    if (CFtpLoginInfo* selected = GetSelected()) {
        m_settings.SetSelConnection(selected->GetHostName());
        m_pProps->SetConnection(selected);
        return;
    }
    m_settings.SetSelConnection({});
    CFtpLoginInfo* shown = m_pProps->GetConnection();
    m_pProps->SetConnection(nullptr);
    if (shown != nullptr) velmora::CMsgSend deselected(velmora::MSG_APP_CONNECTION_22, shown, 0);
}

CFtpLoginInfo* CFtpConnectionsDlg::OnNew() {
    CFtpLoginInfo* info = m_connections.AddNewConnection(nullptr);
    // New connections protect the password and the files; stored ones keep their mode.
    info->SetTlsMode(velmora::ETlsMode::Require);
    info->SetFolder(GetSelectedFolder());
    SelectItem(AddSiteItem(info));
    m_pProps->GetHostNameEdit()->setFocus();
    m_pProps->GetHostNameEdit()->selectAll();
    emit ConnectionsChanged();
    return info;
}

bool CFtpConnectionsDlg::OnNewFolder() {
    std::string name = "New folder";
    if (!m_prompter.AskName(this, name)) return false;
    const std::string parent = GetSelectedFolder();
    const std::string folder = CleanFolder(parent.empty() ? name : parent + "/" + name);
    if (folder.empty() || folder == parent) return false;
    if (std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end()) m_folders.push_back(folder);
    StoreFolders();
    SelectItem(MakeFolderItem(folder));
    return true;
}

CFtpLoginInfo* CFtpConnectionsDlg::OnDuplicate() {
    const CFtpLoginInfo* selected = GetSelected();
    if (selected == nullptr) return nullptr;
    auto* copy = new CFtpLoginInfo(*selected);
    copy->CreateGUID();
    copy->SetHostName("Copy of " + selected->GetHostName());
    m_connections.Add(copy);
    SelectItem(AddSiteItem(copy));
    emit ConnectionsChanged();
    return copy;
}

bool CFtpConnectionsDlg::OnRename() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) return false;
    QTreeWidgetItem* item = selected.front();
    if (CFtpLoginInfo* site = SiteOf(item)) {
        std::string name = site->GetHostName();
        if (!m_prompter.AskName(this, name) || name.empty()) return false;
        site->SetHostName(name);
        item->setText(0, QString::fromStdString(name));
        m_pProps->SetConnection(site);
        m_settings.SetSelConnection(name);
        emit ConnectionsChanged();
        return true;
    }
    const std::string folder = FolderOf(item);
    std::string name = item->text(0).toStdString();
    if (folder.empty() || !m_prompter.AskName(this, name) || CleanFolder(name).empty()) return false;
    const size_t slash = folder.rfind('/');
    const std::string renamed = (slash == std::string::npos ? "" : folder.substr(0, slash + 1)) + CleanFolder(name);
    const auto move = [&](const std::string& path) { return renamed + path.substr(folder.size()); };
    for (CFtpLoginInfo* info : m_connections) {
        if (IsInFolder(CleanFolder(info->GetFolder()), folder)) info->SetFolder(move(CleanFolder(info->GetFolder())));
    }
    for (std::string& kept : m_folders) {
        if (IsInFolder(kept, folder)) kept = move(kept);
    }
    StoreFolders();
    Populate();
    SelectItem(FolderItem(renamed));
    emit ConnectionsChanged();
    return true;
}

void CFtpConnectionsDlg::OnDelete() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) return;
    if (CFtpLoginInfo* info = SiteOf(selected.front())) {
        // Deselected first, while the page still shows it; no other site is
        // selected in its place.
        m_pList->clearSelection();
        m_pList->setCurrentItem(nullptr);
        delete ItemOf(info);
        m_connections.RemoveAndDestroy(info);
        emit ConnectionsChanged();
        return;
    }
    const std::string folder = FolderOf(selected.front());
    std::vector<CFtpLoginInfo*> inside;
    for (CFtpLoginInfo* info : m_connections) {
        if (IsInFolder(CleanFolder(info->GetFolder()), folder)) inside.push_back(info);
    }
    if (!inside.empty() &&
        !m_prompter.AskYesNo(this, "Confirmation",
                             velmora::Format("Delete the folder '%s' with the %d sites in it?", folder.c_str(),
                                             static_cast<int>(inside.size())))) {
        return;
    }
    m_pList->clearSelection();
    m_pList->setCurrentItem(nullptr);
    for (CFtpLoginInfo* info : inside) m_connections.RemoveAndDestroy(info);
    std::erase_if(m_folders, [&](const std::string& kept) { return IsInFolder(kept, folder); });
    StoreFolders();
    Populate();
    emit ConnectionsChanged();
}

void CFtpConnectionsDlg::MoveSelectedTo(const std::string& folder) {
    CFtpLoginInfo* info = GetSelected();
    if (info == nullptr) return;
    info->SetFolder(CleanFolder(folder));
    Populate();
    SelectItem(ItemOf(info));
    emit ConnectionsChanged();
}

void CFtpConnectionsDlg::StoreFolders() {
    std::sort(m_folders.begin(), m_folders.end());
    m_folders.erase(std::unique(m_folders.begin(), m_folders.end()), m_folders.end());
    m_settings.SetSiteFolders(m_folders);
}

int CFtpConnectionsDlg::Import(const std::string& path) {
    velmora::CFtpLoginInfoList read;
    if (!read.LoadXML(path)) {
        m_prompter.ShowError(this, "Error",
                             velmora::Format("'%s' holds no sites that could be read.", path.c_str()));
        return 0;
    }
    int added = 0;
    for (const CFtpLoginInfo* info : read) {
        auto* copy = new CFtpLoginInfo(*info);
        if (copy->GetStrGUID().empty() || m_connections.FindByGUID(copy->GetStrGUID()) != nullptr) copy->CreateGUID();
        m_connections.Add(copy);
        ++added;
    }
    Populate();
    emit ConnectionsChanged();
    return added;
}

bool CFtpConnectionsDlg::Export(const std::string& path) {
    velmora::CFtpLoginInfoList copy(m_connections);
    if (copy.SaveXML(path)) return true;
    m_prompter.ShowError(this, "Error", copy.GetLastError());
    return false;
}

void CFtpConnectionsDlg::OnImport() {
    std::string path;
    if (m_prompter.PickFile(this, "Import sites", false, path)) Import(path);
}

void CFtpConnectionsDlg::OnExport() {
    std::string path = "Sites.xml";
    if (m_prompter.PickFile(this, "Export sites", true, path)) Export(path);
}

void CFtpConnectionsDlg::ExecMenu(const QPoint& pos) {
    QMenu menu(this);
    const auto add = [&](const QString& text, bool enabled, std::function<void()> command) {
        QAction* action = menu.addAction(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, std::move(command));
    };
    const bool site = GetSelected() != nullptr;
    const bool any = !m_pList->selectedItems().isEmpty();
    add(tr("New site"), true, [this] { OnNew(); });
    add(tr("New folder"), true, [this] { OnNewFolder(); });
    add(tr("Duplicate"), site, [this] { OnDuplicate(); });
    add(tr("Rename"), any, [this] { OnRename(); });
    add(tr("Delete"), any, [this] { OnDelete(); });
    if (site) {
        QMenu* moveTo = menu.addMenu(tr("Move to"));
        connect(moveTo->addAction(tr("(top)")), &QAction::triggered, this, [this] { MoveSelectedTo({}); });
        for (QTreeWidgetItemIterator it(m_pList); *it != nullptr; ++it) {
            const std::string folder = FolderOf(*it);
            if (folder.empty()) continue;
            connect(moveTo->addAction(QString::fromStdString(folder)), &QAction::triggered, this,
                    [this, folder] { MoveSelectedTo(folder); });
        }
    }
    menu.exec(m_pList->viewport()->mapToGlobal(pos));
}

}  // namespace parcelo

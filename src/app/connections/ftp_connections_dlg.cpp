#include "app/connections/ftp_connections_dlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "ftp/login_info.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

using velmora::CFtpLoginInfo;

CFtpConnectionsDlg::CFtpConnectionsDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings,
                                       QWidget* parent)
    : CSplitterDlg(Qt::Vertical, parent),
      m_connections(connections),
      m_settings(settings),
      m_pList(new QTreeWidget),
      m_listCtrl(m_pList),
      m_pNew(new QPushButton(tr("New"))),
      m_pPasswordStore(new QComboBox),
      m_pProps(new CFtpConnectionPropDlg) {
    m_pList->setObjectName("connections");
    GetSplitter()->setObjectName("connectionsSplitter");
    m_pList->setHeaderLabels({tr("Connections")});
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pNew->setObjectName("new");
    // Enter in a field applies the connection; it never adds one.
    m_pNew->setAutoDefault(false);

    auto* top = new QWidget;
    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pList);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pNew);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    AddPasswordStoreChoice(layout);
    SetPanes(top, m_pProps, 1, 2);

    connect(m_pNew, &QPushButton::clicked, this, [this] { OnNew(); });
    connect(m_pProps, &CFtpConnectionPropDlg::Edited, this, &CFtpConnectionsDlg::ConnectionEdited);
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CFtpConnectionsDlg::OnSelectionChanged);
    // A double click connects, as "Apply" does.
    connect(m_pList, &QTreeWidget::itemDoubleClicked, m_pProps, [this] { m_pProps->OnApply(); });
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        connect(menu.addAction(tr("New")), &QAction::triggered, this, [this] { OnNew(); });
        QAction* remove = menu.addAction(tr("Delete"));
        remove->setEnabled(GetSelected() != nullptr);
        connect(remove, &QAction::triggered, this, &CFtpConnectionsDlg::OnDelete);
        menu.exec(m_pList->viewport()->mapToGlobal(pos));
    });
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

void CFtpConnectionsDlg::Populate() { m_connections.Populate(m_listCtrl, 1); }

bool CFtpConnectionsDlg::SelectConnection(const std::string& name) {
    const int row = RowOf(m_connections.FindByHost(name));
    if (row < 0) return false;
    m_pList->setCurrentItem(m_pList->topLevelItem(row));
    return true;
}

CFtpLoginInfo* CFtpConnectionsDlg::GetSelected() const {
    for (int row = 0; row < m_listCtrl.GetItemCount(); ++row) {
        if (m_listCtrl.IsItemSelected(row)) return static_cast<CFtpLoginInfo*>(m_listCtrl.GetItemData(row));
    }
    return nullptr;
}

int CFtpConnectionsDlg::RowOf(const CFtpLoginInfo* info) const {
    for (int row = 0; info != nullptr && row < m_listCtrl.GetItemCount(); ++row) {
        if (m_listCtrl.GetItemData(row) == info) return row;
    }
    return -1;
}

// The list's entries carry the list's own objects; the message carries a
// copy, known by its GUID.
void CFtpConnectionsDlg::UpdateName(const CFtpLoginInfo& renamed) {
    const CFtpLoginInfo* info = m_connections.FindByGUID(renamed.GetStrGUID());
    const int row = RowOf(info);
    if (row < 0) return;
    m_listCtrl.SetItemText(row, 0, renamed.GetHostName());
    // The remembered selection follows its connection's name.
    if (info == GetSelected()) m_settings.SetSelConnection(renamed.GetHostName());
}

void CFtpConnectionsDlg::TrustCertificate(const CFtpLoginInfo& trusted) {
    CFtpLoginInfo* info = m_connections.FindByGUID(trusted.GetStrGUID());
    if (info == nullptr) return;
    info->SetTlsFingerprint(trusted.GetTlsFingerprint());
    emit ConnectionsChanged();
}

void CFtpConnectionsDlg::KeepPassword(const CFtpLoginInfo& ready, ELoginPassword how) {
    CFtpLoginInfo* info = m_connections.FindByGUID(ready.GetStrGUID());
    if (info == nullptr) return;
    KeepLoginPassword(*info, ready, how);
    if (how == ELoginPassword::TypedToSave) emit ConnectionsChanged();
}

void CFtpConnectionsDlg::OnSelectionChanged() {
    CFtpLoginInfo* selected = GetSelected();
    if (selected != nullptr) {
        m_settings.SetSelConnection(selected->GetHostName());
        m_pProps->SetConnection(selected);
        emit ConnectionChosen(*selected);
        return;
    }
    m_settings.SetSelConnection({});
    CFtpLoginInfo* shown = m_pProps->GetConnection();
    m_pProps->SetConnection(nullptr);
    velmora::CMsgSend deselected(velmora::MSG_APP_CONNECTION_22, shown, 0);
}

CFtpLoginInfo* CFtpConnectionsDlg::OnNew() {
    CFtpLoginInfo* info = m_connections.AddNewConnection(&m_listCtrl);
    // New connections protect the password and the files; stored ones keep their mode.
    info->SetTlsMode(velmora::protocol::ETlsMode::Require);
    const int row = RowOf(info);
    if (row >= 0) m_pList->setCurrentItem(m_pList->topLevelItem(row));
    m_pProps->GetHostNameEdit()->setFocus();
    m_pProps->GetHostNameEdit()->selectAll();
    emit ConnectionsChanged();
    return info;
}

void CFtpConnectionsDlg::OnDelete() {
    CFtpLoginInfo* info = GetSelected();
    if (info == nullptr) return;
    // Deselected first, while the page still shows it; no other connection
    // is selected in its place.
    m_pList->clearSelection();
    m_pList->setCurrentItem(nullptr);
    m_listCtrl.DeleteItem(RowOf(info));
    m_connections.RemoveAndDestroy(info);
    emit ConnectionsChanged();
}

}  // namespace parcelo

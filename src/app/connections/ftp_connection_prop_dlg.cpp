#include "app/connections/ftp_connection_prop_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyleOptionFrame>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/connections/connection_protocol.h"
#include "app/connections/login_password.h"
#include "app/transfers/prompter.h"
#include "ftp/login_info.h"
#include "ftp/tls_trust.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

using velmora::CFtpLoginInfo;

namespace {

std::string Text(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

// The width at which `edit` shows `text` whole, within its frame and margins.
int WidthShowing(const QLineEdit& edit, const QString& text) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
    const QMargins margins = edit.textMargins();
    // A line edit keeps 2 pixels of its own each side of its text.
    const int ownMargins = 2 * 2;
    const QSize contents(edit.fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + ownMargins,
                         edit.fontMetrics().height());
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, &edit).width();
}

}  // namespace

CFtpConnectionPropDlg::CFtpConnectionPropDlg(IPrompter& prompter, QWidget* parent)
    : QWidget(parent), m_prompter(prompter) {
    auto* form = new QFormLayout(this);
    m_pForm = form;
    form->setContentsMargins(4, 4, 4, 4);
    m_pHostName = AddText(form, tr("Host &name:"), "hostName");
    m_pProtocol = new QComboBox;
    m_pProtocol->setObjectName("protocol");
    m_pProtocol->addItems({tr("FTP"), tr("FTP over TLS"), tr("SFTP (SSH)")});
    form->addRow(tr("P&rotocol:"), m_pProtocol);
    m_pHostAddr = AddText(form, tr("&Host address:"), "hostAddress");
    m_pPort = AddNumber(form, tr("P&ort:"), "port", 1, 65535);
    m_pPassive = new QCheckBox(tr(" Passive &mode"));
    m_pPassive->setObjectName("passive");
    form->addRow(QString(), m_pPassive);
    m_pEncryption = new QComboBox;
    m_pEncryption->setObjectName("encryption");
    m_pEncryption->addItems({tr("Plain FTP (unencrypted)"), tr("Explicit TLS if the server offers it"),
                             tr("Require explicit TLS"), tr("Implicit TLS")});
    form->addRow(tr("&Encryption:"), m_pEncryption);
    AddTrustFields(form);
    AddSshFields(form);
    m_pAnonymous = new QCheckBox(tr(" Anon&ymous login"));
    m_pAnonymous->setObjectName("anonymous");
    form->addRow(QString(), m_pAnonymous);
    m_pLogin = AddText(form, tr("&Login:"), "login");
    m_pPassword = AddText(form, tr("&Password:"), "password");
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pRemember = new QCheckBox(tr(" Remem&ber password"));
    m_pRemember->setObjectName("rememberPassword");
    m_pRemember->setToolTip(tr("Off: the password is asked for at the first login and kept only while the "
                               "program runs"));
    form->addRow(QString(), m_pRemember);
    m_pRemotePath = AddText(form, tr("Remote path:"), "remotePath");
    m_pLocalPath = new QLineEdit;
    m_pLocalPath->setObjectName("localPath");
    m_pLocalPath->setPlaceholderText(tr("The local folder shown last"));
    AddBrowsedRow(form, tr("Local &folder:"), m_pLocalPath, "browseLocalPath", &CFtpConnectionPropDlg::BrowseLocalPath);
    m_pRetries = AddNumber(form, tr("Re&tries:"), "retries", 1, 100);
    m_pTimeout = AddNumber(form, tr("T&ime-out (seconds):"), "timeout", 0, 600);
    m_pTimeout->setSpecialValueText(tr("Default"));
    AddBookmarkFields(form);
    m_pApply = new QPushButton(tr("Apply"));
    m_pApply->setObjectName("apply");
    // Enter in any field connects.
    m_pApply->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pApply);
    form->addRow(buttons);
    connect(m_pApply, &QPushButton::clicked, this, &CFtpConnectionPropDlg::OnApply);
    ConnectEdits();
    ShowFields();
}

void CFtpConnectionPropDlg::AddBookmarkFields(QFormLayout* form) {
    m_pBookmarks = new QTableWidget(0, 3);
    m_pBookmarks->setObjectName("bookmarks");
    m_pBookmarks->setHorizontalHeaderLabels({tr("Name"), tr("Local folder"), tr("Server folder")});
    // The columns share the table's width, so that none is cut off.
    m_pBookmarks->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pBookmarks->verticalHeader()->hide();
    m_pBookmarks->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pBookmarks->setMaximumHeight(120);
    auto* add = new QPushButton(tr("Add"));
    add->setObjectName("addBookmark");
    auto* remove = new QPushButton(tr("Remove"));
    remove->setObjectName("removeBookmark");
    // Enter in a field applies the connection, as everywhere in the form.
    add->setAutoDefault(false);
    remove->setAutoDefault(false);
    // A new bookmark pairs the site's start folders, to be edited in place.
    connect(add, &QPushButton::clicked, this, [this] {
        const int row = m_pBookmarks->rowCount();
        m_pBookmarks->insertRow(row);
        const QSignalBlocker quiet(m_pBookmarks);
        const QString remote = m_pRemotePath->text().isEmpty() ? QString("/") : m_pRemotePath->text();
        int column = 0;
        for (const QString& text : {tr("New bookmark"), m_pLocalPath->text(), remote}) {
            m_pBookmarks->setItem(row, column++, new QTableWidgetItem(text));
        }
        StoreBookmarks();
        m_pBookmarks->editItem(m_pBookmarks->item(row, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_pBookmarks->currentRow() < 0) return;
        m_pBookmarks->removeRow(m_pBookmarks->currentRow());
        StoreBookmarks();
    });
    connect(m_pBookmarks, &QTableWidget::itemChanged, this, &CFtpConnectionPropDlg::StoreBookmarks);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto* bookmarks = new QVBoxLayout;
    bookmarks->addWidget(m_pBookmarks);
    bookmarks->addLayout(buttons);
    auto* label = new QLabel(tr("Boo&kmarks:"));
    label->setBuddy(m_pBookmarks);
    form->addRow(label, bookmarks);
    m_pSyncBrowsing = new QCheckBox(tr(" Synchronised &browsing"));
    m_pSyncBrowsing->setObjectName("syncBrowsing");
    m_pSyncBrowsing->setToolTip(tr("Entering a folder on one side enters the same folder, from the start folders "
                                   "or the bookmark gone to, on the other"));
    connect(m_pSyncBrowsing, &QCheckBox::toggled, this,
            [this](bool on) { Edit([on](CFtpLoginInfo& info) { info.SetSyncBrowsing(on); }); });
    form->addRow(QString(), m_pSyncBrowsing);
}

void CFtpConnectionPropDlg::StoreBookmarks() {
    std::vector<velmora::CSiteBookmark> bookmarks;
    const auto cell = [this](int row, int column) {
        const QTableWidgetItem* item = m_pBookmarks->item(row, column);
        return item != nullptr ? item->text().trimmed().toStdString() : std::string();
    };
    for (int row = 0; row < m_pBookmarks->rowCount(); ++row) bookmarks.push_back({cell(row, 0), cell(row, 1), cell(row, 2)});
    Edit([&bookmarks](CFtpLoginInfo& info) { info.SetBookmarks(std::move(bookmarks)); });
}

void CFtpConnectionPropDlg::ShowBookmarks(const CFtpLoginInfo& shown) {
    const QSignalBlocker quiet(m_pBookmarks), inStep(m_pSyncBrowsing);
    m_pBookmarks->setRowCount(0);
    for (const velmora::CSiteBookmark& bookmark : shown.GetBookmarks()) {
        const int row = m_pBookmarks->rowCount();
        m_pBookmarks->insertRow(row);
        int column = 0;
        for (const std::string& text : {bookmark.name, bookmark.local, bookmark.remote}) {
            m_pBookmarks->setItem(row, column++, new QTableWidgetItem(QString::fromStdString(text)));
        }
    }
    m_pSyncBrowsing->setChecked(shown.IsSyncBrowsing());
}

void CFtpConnectionPropDlg::AddTrustFields(QFormLayout* form) {
    m_pCaFile = new QLineEdit;
    m_pCaFile->setObjectName("caFile");
    m_pCaFile->setPlaceholderText(tr("Only the system's certificate authorities"));
    m_pCaFile->setToolTip(tr("A PEM file of certificate authorities trusted beside the system's"));
    m_pCaRow = AddBrowsedRow(form, tr("&CA file:"), m_pCaFile, "browseCaFile", &CFtpConnectionPropDlg::BrowseCaFile);
    m_pInsecure = new QCheckBox(tr(" Accept any certificate (UNSAFE)"));
    m_pInsecure->setObjectName("insecure");
    form->addRow(QString(), m_pInsecure);
    m_pInsecureWarning = new QLabel(tr("UNSAFE: any server certificate is accepted. Anyone between you and the "
                                       "server can read and change this session, password included. Trust the "
                                       "server's certificate or its CA file instead."));
    m_pInsecureWarning->setObjectName("insecureWarning");
    m_pInsecureWarning->setWordWrap(true);
    m_pInsecureWarning->setStyleSheet("color: #c00000; font-weight: bold;");
    form->addRow(m_pInsecureWarning);
}

void CFtpConnectionPropDlg::AddSshFields(QFormLayout* form) {
    m_pKeyFiles = new QLineEdit;
    m_pKeyFiles->setObjectName("sshKeyFiles");
    m_pKeyFiles->setPlaceholderText(tr("None: the agent's keys and the password"));
    m_pKeyFiles->setToolTip(tr("Private key files offered in this order, separated by \"; \""));
    m_pKeyRow =
        AddBrowsedRow(form, tr("&Key files:"), m_pKeyFiles, "browseKeyFiles", &CFtpConnectionPropDlg::BrowseKeyFiles);
    m_pAgent = new QCheckBox(tr(" Use the SSH a&gent's keys"));
    m_pAgent->setObjectName("sshAgent");
    m_pAgent->setToolTip(tr("The keys of the agent at $SSH_AUTH_SOCK, when one runs"));
    form->addRow(QString(), m_pAgent);
}

void CFtpConnectionPropDlg::BrowseKeyFiles() {
    const QStringList files = QFileDialog::getOpenFileNames(this, tr("Private key files"), QDir::homePath() + "/.ssh");
    if (files.isEmpty()) return;
    QStringList shown = m_pKeyFiles->text().split(';', Qt::SkipEmptyParts);
    shown += files;
    for (QString& file : shown) file = file.trimmed();
    const QString text = shown.join("; ");
    m_pKeyFiles->setText(text);
    emit m_pKeyFiles->textEdited(text);
}

void CFtpConnectionPropDlg::BrowseLocalPath() {
    std::string folder = m_pLocalPath->text().trimmed().toStdString();
    if (folder.empty() && m_localFolder) folder = m_localFolder();
    if (!m_prompter.PickFolder(this, kLocalFolderPickerTitle, folder)) return;
    const QString picked = QString::fromStdString(folder);
    m_pLocalPath->setText(picked);
    emit m_pLocalPath->textEdited(picked);
}

void CFtpConnectionPropDlg::BrowseCaFile() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Certificate authorities"), m_pCaFile->text(),
                                                      tr("PEM files (*.pem *.crt);;All files (*)"));
    if (file.isEmpty()) return;
    m_pCaFile->setText(file);
    emit m_pCaFile->textEdited(file);
}

QLayout* CFtpConnectionPropDlg::AddBrowsedRow(QFormLayout* form, const QString& label, QLineEdit* edit,
                                              const char* browseName, void (CFtpConnectionPropDlg::*browse)()) {
    auto* button = new QPushButton(tr("..."));
    button->setObjectName(browseName);
    // Enter in a field applies the connection; it never opens the file picker.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, browse);
    edit->setMinimumWidth(WidthShowing(*edit, edit->placeholderText()));
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    // A label of a row of several fields names its field itself, so that
    // its "&" makes a key rather than showing.
    auto* shown = new QLabel(label);
    shown->setBuddy(edit);
    form->addRow(shown, row);
    return row;
}

QLineEdit* CFtpConnectionPropDlg::AddText(QFormLayout* form, const QString& label, const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    form->addRow(label, edit);
    return edit;
}

QSpinBox* CFtpConnectionPropDlg::AddNumber(QFormLayout* form, const QString& label, const char* name, int lowest,
                                           int highest) {
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(lowest, highest);
    form->addRow(label, spin);
    return spin;
}

// Each field writes through to the connection as it is edited.
void CFtpConnectionPropDlg::ConnectEdits() {
    auto onText = [this](QLineEdit* edit, void (*write)(CFtpLoginInfo&, const std::string&)) {
        connect(edit, &QLineEdit::textEdited, this,
                [this, edit, write] { Edit([&](CFtpLoginInfo& info) { write(info, Text(edit)); }); });
    };
    connect(m_pHostName, &QLineEdit::textEdited, this, [this] {
        Edit([this](CFtpLoginInfo& info) {
            info.SetHostName(Text(m_pHostName));
            velmora::CMsgSend renamed(velmora::MSG_APP_CONNECTION_NAME, 0, info.GetHostName(), &info, 0);
        });
    });
    onText(m_pHostAddr, [](CFtpLoginInfo& info, const std::string& text) { info.SetHost(text); });
    onText(m_pLogin, [](CFtpLoginInfo& info, const std::string& text) { info.SetLoginName(text); });
    // A password is taken as typed: blanks may belong to it.
    connect(m_pPassword, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit([&text](CFtpLoginInfo& info) { info.SetPassword(text.toStdString()); });
    });
    connect(m_pRemember, &QCheckBox::toggled, this, [this](bool on) {
        Edit([on](CFtpLoginInfo& info) { SetPasswordRemembered(info, on); });
        ShowPasswordHint();
    });
    onText(m_pCaFile, [](CFtpLoginInfo& info, const std::string& text) { info.SetTlsCaFile(text); });
    onText(m_pLocalPath, [](CFtpLoginInfo& info, const std::string& text) { info.SetLocalPath(text); });
    connect(m_pAnonymous, &QCheckBox::toggled, this, [this](bool on) {
        Edit([on](CFtpLoginInfo& info) {
            info.SetAnonymous(on);
            if (on) info.SetLoginName("anonymous");
        });
        ShowAnonymous(on);
    });
    connect(m_pTimeout, &QSpinBox::valueChanged, this,
            [this](int seconds) { Edit([seconds](CFtpLoginInfo& info) { info.SetTimeout(seconds); }); });
    connect(m_pInsecure, &QCheckBox::toggled, this, [this](bool on) {
        Edit([on](CFtpLoginInfo& info) { info.SetTlsInsecure(on); });
        m_pInsecureWarning->setVisible(on);
    });
    onText(m_pRemotePath, [](CFtpLoginInfo& info, const std::string& text) {
        info.SetFtpPath(velmora::CFtpPath(text.empty() ? "/" : text, velmora::PATH_FOLDER));
    });
    connect(m_pPort, &QSpinBox::valueChanged, this,
            [this](int port) { Edit([port](CFtpLoginInfo& info) { info.SetPort(port); }); });
    connect(m_pRetries, &QSpinBox::valueChanged, this,
            [this](int retries) { Edit([retries](CFtpLoginInfo& info) { info.SetRetries(retries); }); });
    connect(m_pPassive, &QCheckBox::toggled, this,
            [this](bool on) { Edit([on](CFtpLoginInfo& info) { info.SetPassive(on); }); });
    connect(m_pEncryption, &QComboBox::activated, this, [this](int index) {
        const auto mode = velmora::TlsModeFromNumber(index);
        Edit([mode](CFtpLoginInfo& info) {
            const CFtpLoginInfo before = info;
            info.SetTlsMode(mode);
            // Implicit TLS has a port of its own.
            FollowDefaultPort(info, before);
        });
        ShowProtocolRows();
    });
    connect(m_pProtocol, &QComboBox::activated, this, &CFtpConnectionPropDlg::OnProtocolChosen);
    connect(m_pKeyFiles, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit([&text](CFtpLoginInfo& info) {
            velmora::CSshSettings ssh = info.GetSshSettings();
            ssh.identities.clear();
            for (const QString& file : text.split(';', Qt::SkipEmptyParts)) {
                if (!file.trimmed().isEmpty()) ssh.identities.push_back(file.trimmed().toStdString());
            }
            info.SetSshSettings(ssh);
        });
    });
    connect(m_pAgent, &QCheckBox::toggled, this, [this](bool on) {
        Edit([on](CFtpLoginInfo& info) {
            velmora::CSshSettings ssh = info.GetSshSettings();
            ssh.useAgent = on;
            info.SetSshSettings(ssh);
        });
    });
}

void CFtpConnectionPropDlg::OnProtocolChosen(int choice) {
    Edit([choice](CFtpLoginInfo& info) { ChooseProtocol(info, static_cast<EProtocolChoice>(choice)); });
    ShowProtocolRows();
}

// The protocol, TLS mode and port as the connection has them now, and only
// the rows that mean something for its protocol.
void CFtpConnectionPropDlg::ShowProtocolRows() {
    const CFtpLoginInfo shown = m_pInfo != nullptr ? *m_pInfo : CFtpLoginInfo();
    {
        const QSignalBlocker port(m_pPort);
        m_pPort->setValue(shown.GetPort());
    }
    m_pProtocol->setCurrentIndex(static_cast<int>(ProtocolChoiceOf(shown)));
    m_pEncryption->setCurrentIndex(static_cast<int>(shown.GetTlsMode()));
    const bool sftp = shown.IsSftp();
    m_pForm->setRowVisible(m_pPassive, !sftp);
    m_pForm->setRowVisible(m_pEncryption, !sftp);
    m_pForm->setRowVisible(m_pCaRow, !sftp);
    m_pForm->setRowVisible(m_pInsecure, !sftp);
    m_pForm->setRowVisible(m_pInsecureWarning, !sftp && shown.IsTlsInsecure());
    m_pForm->setRowVisible(m_pKeyRow, sftp);
    m_pForm->setRowVisible(m_pAgent, sftp);
}

void CFtpConnectionPropDlg::Edit(const std::function<void(CFtpLoginInfo&)>& write) {
    if (m_pInfo == nullptr) return;
    write(*m_pInfo);
    emit Edited();
}

void CFtpConnectionPropDlg::SetConnection(CFtpLoginInfo* info) {
    m_pInfo = info;
    ShowFields();
}

void CFtpConnectionPropDlg::ShowFields() {
    const CFtpLoginInfo shown = m_pInfo != nullptr ? *m_pInfo : CFtpLoginInfo();
    // Filling the fields is no edit.
    const QSignalBlocker port(m_pPort), retries(m_pRetries), passive(m_pPassive), insecure(m_pInsecure),
        anonymous(m_pAnonymous), timeout(m_pTimeout), remember(m_pRemember), agent(m_pAgent);
    m_pHostName->setText(QString::fromStdString(shown.GetHostName()));
    m_pHostAddr->setText(QString::fromStdString(shown.GetHost()));
    m_pPassive->setChecked(shown.IsPassive());
    m_pCaFile->setText(QString::fromStdString(shown.GetTlsCaFile()));
    m_pInsecure->setChecked(shown.IsTlsInsecure());
    QStringList keyFiles;
    for (const std::string& file : shown.GetSshSettings().identities) keyFiles << QString::fromStdString(file);
    m_pKeyFiles->setText(keyFiles.join("; "));
    m_pAgent->setChecked(shown.GetSshSettings().useAgent);
    ShowProtocolRows();
    m_pLogin->setText(QString::fromStdString(shown.GetLoginName()));
    m_pPassword->setText(QString::fromStdString(shown.GetPassword()));
    m_pRemember->setChecked(IsPasswordRemembered(shown));
    ShowPasswordHint();
    m_pRemotePath->setText(QString::fromStdString(shown.GetFtpPath().GetPath()));
    m_pLocalPath->setText(QString::fromStdString(shown.GetLocalPath()));
    m_pRetries->setValue(shown.GetRetries());
    m_pTimeout->setValue(shown.GetTimeout());
    m_pAnonymous->setChecked(shown.IsAnonymous());
    ShowBookmarks(shown);
    for (QWidget* field : findChildren<QWidget*>()) field->setEnabled(m_pInfo != nullptr);
    if (m_pInfo != nullptr) ShowAnonymous(shown.IsAnonymous());
}

void CFtpConnectionPropDlg::ShowAnonymous(bool anonymous) {
    if (anonymous) m_pLogin->setText("anonymous");
    m_pLogin->setEnabled(!anonymous);
}

// An empty password field may hide a password kept elsewhere.
void CFtpConnectionPropDlg::ShowPasswordHint() {
    QString hint;
    if (m_pInfo != nullptr && m_pInfo->IsPasswordPending()) {
        hint = tr("Kept in the desktop keyring");
    } else if (m_pInfo != nullptr && !IsPasswordRemembered(*m_pInfo)) {
        hint = tr("Asked for at login");
    }
    m_pPassword->setPlaceholderText(hint);
}

void CFtpConnectionPropDlg::OnApply() {
    if (m_pInfo == nullptr) return;
    { velmora::CMsgSend apply(velmora::MSG_APP_CONNECTION_23, m_pInfo, 0); }
    emit Applied();
}

}  // namespace parcelo

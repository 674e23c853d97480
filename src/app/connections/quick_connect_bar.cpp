#include "app/connections/quick_connect_bar.h"

#include <algorithm>
#include <utility>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QToolButton>

#include "app/common/app_settings.h"
#include "app/connections/connection_protocol.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::ETlsMode;

namespace {

// The protocols: FTP in the order of its TLS modes, then SFTP. A recent
// server keeps the index of its protocol.
const char* const kProtocols[] = {"FTP", "FTP, TLS if offered", "FTPES (explicit TLS)", "FTPS (implicit TLS)", "SFTP"};
constexpr int kSftpIndex = 4;

int ProtocolIndex(const CFtpLoginInfo& info) {
    return info.IsSftp() ? kSftpIndex : static_cast<int>(info.GetTlsMode());
}

void SetProtocolIndex(CFtpLoginInfo& info, int index) {
    info.SetProtocol(index == kSftpIndex ? velmora::ERemoteProtocol::Sftp : velmora::ERemoteProtocol::Ftp);
    if (index != kSftpIndex) info.SetTlsMode(velmora::TlsModeFromNumber(index));
}

// A label that names its field, so that its "&" makes a key rather than showing.
void AddLabel(QToolBar* bar, const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    bar->addWidget(label);
}

QLineEdit* AddEdit(QToolBar* bar, const QString& label, const char* name, int width) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setMinimumWidth(width);
    AddLabel(bar, label, edit);
    bar->addWidget(edit);
    return edit;
}

std::string Entry(const CFtpLoginInfo& info) {
    return QString("%1|%2|%3|%4")
        .arg(ProtocolIndex(info))
        .arg(QString::fromStdString(info.GetHost()))
        .arg(info.GetPort())
        .arg(QString::fromStdString(info.GetLoginName()))
        .toStdString();
}

}  // namespace

CQuickConnectBar::CQuickConnectBar(CAppSettings& settings, QWidget* parent)
    : QToolBar(tr("Quick connect"), parent), m_settings(settings) {
    setObjectName("quickConnect");
    setMovable(false);
    m_pProtocol = new QComboBox;
    m_pProtocol->setObjectName("protocol");
    for (const char* protocol : kProtocols) m_pProtocol->addItem(tr(protocol));
    m_pProtocol->setCurrentIndex(static_cast<int>(ETlsMode::Require));
    m_nLastProtocol = m_pProtocol->currentIndex();
    addWidget(m_pProtocol);
    m_pHost = AddEdit(this, tr(" &Host: "), "host", 160);
    m_pPort = new QSpinBox;
    m_pPort->setObjectName("port");
    m_pPort->setRange(0, 65535);
    m_pPort->setSpecialValueText(tr("Default"));
    AddLabel(this, tr(" P&ort: "), m_pPort);
    addWidget(m_pPort);
    m_pUser = AddEdit(this, tr(" &User: "), "user", 100);
    m_pUser->setPlaceholderText(tr("anonymous"));
    m_pPassword = AddEdit(this, tr(" Pass&word: "), "password", 100);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pConnect = new QPushButton(tr("&Connect"));
    m_pConnect->setObjectName("connect");
    addWidget(m_pConnect);
    m_pRecent = new QToolButton;
    m_pRecent->setObjectName("recent");
    m_pRecent->setToolTip(tr("Servers connected to before"));
    m_pRecent->setPopupMode(QToolButton::InstantPopup);
    m_pRecent->setArrowType(Qt::DownArrow);
    m_pRecent->setMenu(new QMenu(m_pRecent));
    addWidget(m_pRecent);
    FillRecentMenu();

    connect(m_pProtocol, &QComboBox::activated, this, &CQuickConnectBar::FollowProtocol);
    connect(m_pConnect, &QPushButton::clicked, this, &CQuickConnectBar::OnConnect);
    for (QLineEdit* edit : {m_pHost, m_pUser, m_pPassword}) {
        connect(edit, &QLineEdit::returnPressed, this, &CQuickConnectBar::OnConnect);
    }
}

// A port that was the former protocol's own becomes the new one's.
void CQuickConnectBar::FollowProtocol(int index) {
    CFtpLoginInfo before, after;
    SetProtocolIndex(before, std::exchange(m_nLastProtocol, index));
    SetProtocolIndex(after, index);
    if (m_pPort->value() == 0) return;
    after.SetPort(m_pPort->value());
    FollowDefaultPort(after, before);
    m_pPort->setValue(after.GetPort());
}

CFtpLoginInfo CQuickConnectBar::GetConnection() const {
    CFtpLoginInfo info;
    const std::string host = m_pHost->text().trimmed().toStdString();
    info.SetHostName(host);
    info.SetHost(host);
    SetProtocolIndex(info, m_pProtocol->currentIndex());
    info.SetPort(m_pPort->value() != 0 ? m_pPort->value() : info.GetDefaultPort());
    const std::string user = m_pUser->text().trimmed().toStdString();
    info.SetAnonymous(user.empty());
    info.SetLoginName(user.empty() ? "anonymous" : user);
    info.SetPassword(m_pPassword->text().toStdString());
    return info;
}

void CQuickConnectBar::ShowConnection(const CFtpLoginInfo& info) {
    m_pProtocol->setCurrentIndex(ProtocolIndex(info));
    m_nLastProtocol = m_pProtocol->currentIndex();
    m_pHost->setText(QString::fromStdString(info.GetHost()));
    m_pPort->setValue(info.GetPort());
    m_pUser->setText(info.IsAnonymous() ? QString() : QString::fromStdString(info.GetLoginName()));
    m_pPassword->setText(QString::fromStdString(info.GetPassword()));
}

void CQuickConnectBar::OnConnect() {
    const CFtpLoginInfo info = GetConnection();
    if (info.GetHost().empty()) {
        m_pHost->setFocus();
        return;
    }
    Remember(info);
    emit ConnectRequested(info);
}

std::vector<std::string> CQuickConnectBar::GetRecent() const { return m_settings.GetRecentServers(); }

void CQuickConnectBar::Remember(const CFtpLoginInfo& info) {
    std::vector<std::string> recent = GetRecent();
    const std::string entry = Entry(info);
    recent.erase(std::remove(recent.begin(), recent.end(), entry), recent.end());
    recent.insert(recent.begin(), entry);
    if (recent.size() > kMostRecent) recent.resize(kMostRecent);
    m_settings.SetRecentServers(recent);
    FillRecentMenu();
}

void CQuickConnectBar::FillRecentMenu() {
    QMenu* menu = m_pRecent->menu();
    menu->clear();
    for (const std::string& entry : GetRecent()) {
        const QStringList parts = QString::fromStdString(entry).split('|');
        if (parts.size() != 4) continue;
        const int protocol = parts[0].toInt();
        if (protocol < 0 || protocol > kSftpIndex) continue;
        CFtpLoginInfo info;
        SetProtocolIndex(info, protocol);
        info.SetHost(parts[1].toStdString());
        info.SetPort(parts[2].toInt());
        info.SetAnonymous(parts[3] == "anonymous");
        info.SetLoginName(parts[3].toStdString());
        const QString text = QString("%1@%2:%3  (%4)").arg(parts[3], parts[1], parts[2], tr(kProtocols[protocol]));
        connect(menu->addAction(text), &QAction::triggered, this, [this, info] {
            ShowConnection(info);
            m_pPassword->setFocus();
        });
    }
    m_pRecent->setEnabled(!menu->isEmpty());
}

}  // namespace parcelo

#pragma once

#include <string>
#include <vector>

#include <QToolBar>

#include "ftp/login_info.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace parcelo {

class CAppSettings;

// The bar at the top of the main window for a server that is not in the
// site list: protocol, host, port, user, password and Connect, with the
// servers connected to this way before in a drop-down (without their
// passwords, which are never stored). Enter in a field connects.
class CQuickConnectBar : public QToolBar {
    Q_OBJECT

public:
    static constexpr int kMostRecent = 10;

    explicit CQuickConnectBar(CAppSettings& settings, QWidget* parent = nullptr);

    // The connection the fields describe: no user is the anonymous login,
    // no port the protocol's own.
    velmora::CFtpLoginInfo GetConnection() const;
    // Fills the fields (the password too, which is not kept).
    void ShowConnection(const velmora::CFtpLoginInfo& info);
    // Connects with the fields, and keeps the server among the recent ones.
    void OnConnect();
    // The recent servers, newest first, as "protocol|host|port|user".
    std::vector<std::string> GetRecent() const;

    QLineEdit* GetHostEdit() const { return m_pHost; }
    QToolButton* GetRecentButton() const { return m_pRecent; }

signals:
    void ConnectRequested(const velmora::CFtpLoginInfo& info);

private:
    void FollowProtocol(int index);
    void Remember(const velmora::CFtpLoginInfo& info);
    void FillRecentMenu();

    CAppSettings& m_settings;
    QComboBox* m_pProtocol;
    int m_nLastProtocol;  // the protocol the port was filled for
    QLineEdit* m_pHost;
    QSpinBox* m_pPort;
    QLineEdit* m_pUser;
    QLineEdit* m_pPassword;
    QPushButton* m_pConnect;
    QToolButton* m_pRecent;
};

}  // namespace parcelo

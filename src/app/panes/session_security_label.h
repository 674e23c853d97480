#pragma once

#include <QLabel>
#include <QTimer>

namespace parcelo {

class CFtpSink;

// The browser's encryption indicator: whether the session it shows is
// encrypted, with which TLS version, and whether its server's certificate was
// checked at all; an SFTP session is always encrypted and its host key checked. It follows the session by itself (a login, a cancel, a
// dropped connection), so nothing has to tell it.
class CSessionSecurityLabel : public QLabel {
    Q_OBJECT

public:
    enum EState { Offline, Connecting, Encrypted, Unverified, Plain };

    // How often the session is looked at, besides Refresh().
    static constexpr int kRefreshMs = 1000;

    explicit CSessionSecurityLabel(const CFtpSink& sink, QWidget* parent = nullptr);

    EState GetState() const { return m_eState; }
    // Shows the session's state now.
    void Refresh();

private:
    void Show(EState state, const QString& text, const char* color);

    const CFtpSink& m_sink;
    EState m_eState = Offline;
    QString m_strShown;
    QTimer m_timer;
};

}  // namespace parcelo

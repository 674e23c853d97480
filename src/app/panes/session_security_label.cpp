#include "app/panes/session_security_label.h"

#include "app/panes/ftp_sink.h"

namespace parcelo {

CSessionSecurityLabel::CSessionSecurityLabel(const CFtpSink& sink, QWidget* parent) : QLabel(parent), m_sink(sink) {
    setObjectName("encryptionIndicator");
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 2, 4, 2);
    connect(&m_timer, &QTimer::timeout, this, &CSessionSecurityLabel::Refresh);
    m_timer.start(kRefreshMs);
    Refresh();
}

void CSessionSecurityLabel::Refresh() {
    if (m_sink.IsOpening()) return Show(Connecting, tr("Connecting ..."), "gray");
    const CFtpSink::CState state = m_sink.GetState();
    if (!state.online) return Show(Offline, tr("Not connected"), "gray");
    if (!state.encrypted)
        return Show(Plain, tr("Not encrypted: plain FTP, password and files cross the network readable"), "#c00000");
    // An SSH session exists only once the server's host key was found trusted.
    if (m_sink.GetLoginInfo().IsSftp()) return Show(Encrypted, tr("SSH (host key verified)"), "#007000");
    const QString version = QString::fromStdString(state.tlsVersion);
    if (m_sink.GetLoginInfo().IsTlsInsecure())
        return Show(Unverified, tr("Encrypted (%1), but the server's certificate is NOT checked (unsafe)").arg(version),
                    "#c06000");
    Show(Encrypted, tr("Encrypted (%1)").arg(version), "#007000");
}

void CSessionSecurityLabel::Show(EState state, const QString& text, const char* color) {
    m_eState = state;
    if (text == m_strShown) return;
    m_strShown = text;
    setText(text);
    setStyleSheet(QString("color: %1;").arg(color));
}

}  // namespace parcelo

#include "app/shell/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace parcelo {

CSingleInstance::CSingleInstance(QString name, QObject* parent) : QObject(parent), m_strName(std::move(name)) {}

QString CSingleInstance::DefaultName() {
    const QString runtime = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                                ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                                : qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString settings = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QByteArray key = QCryptographicHash::hash(settings.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return runtime + "/parcelo-" + QString::fromLatin1(key);
}

// The files go as UTF-8 lines; the connection's end ends the list.
bool CSingleInstance::HandOver(const QStringList& files) {
    QLocalSocket socket;
    socket.connectToServer(m_strName);
    if (!socket.waitForConnected(kHandOverTimeoutMs)) return false;
    for (const QString& file : files) socket.write(file.toUtf8() + '\n');
    socket.flush();
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kHandOverTimeoutMs);
    return true;
}

bool CSingleInstance::Listen() {
    m_pServer = new QLocalServer(this);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(m_strName)) {
        QLocalServer::removeServer(m_strName);
        if (!m_pServer->listen(m_strName)) return false;
    }
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::Accept);
    return true;
}

void CSingleInstance::Accept() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            QStringList files;
            for (const QByteArray& line : socket->readAll().split('\n')) {
                if (!line.isEmpty()) files << QString::fromUtf8(line);
            }
            socket->deleteLater();
            emit Activated(files);
        });
    }
}

}  // namespace parcelo

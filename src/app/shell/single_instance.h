#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace parcelo {

// One running program per settings folder: a second profile (another
// XDG_CONFIG_HOME) runs beside the first. The first start listens on a
// local socket in the user's own runtime folder ($XDG_RUNTIME_DIR, which
// no other user can enter), named after the settings folder; a later start
// hands its files to it and ends, and the first one comes forward
// (Activated).
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr int kHandOverTimeoutMs = 2000;

    explicit CSingleInstance(QString name = DefaultName(), QObject* parent = nullptr);

    // "<runtime folder>/parcelo-<hash of the settings folder>".
    static QString DefaultName();

    // Gives the files to the program already running; false when none runs.
    bool HandOver(const QStringList& files);
    // Becomes the running program (a socket left by a crash is replaced);
    // false when the socket cannot be made.
    bool Listen();

signals:
    // A later start was made, with these files.
    void Activated(const QStringList& files);

private:
    void Accept();

    QString m_strName;
    QLocalServer* m_pServer = nullptr;
};

}  // namespace parcelo

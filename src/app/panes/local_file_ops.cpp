#include "app/panes/local_file_ops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace parcelo {

QString CheckEntryName(const QString& name) {
    if (name.trimmed().isEmpty()) return QObject::tr("A name cannot be empty.");
    if (name == "." || name == "..") return QObject::tr("'%1' names a folder itself, not an entry.").arg(name);
    if (name.contains(u'/') || name.contains(QChar(0))) return QObject::tr("A name cannot hold '/'.");
    return {};
}

QString FreeEntryName(const QString& folder, const QString& name) {
    const QDir dir(folder);
    QString free = name;
    for (int number = 2; QFileInfo::exists(dir.filePath(free)) || QFileInfo(dir.filePath(free)).isSymLink(); ++number) {
        free = QString("%1 (%2)").arg(name).arg(number);
    }
    return free;
}

bool RenameEntry(const QString& path, const QString& newName, QString& error) {
    error = CheckEntryName(newName);
    if (!error.isEmpty()) return false;
    const QFileInfo from(path);
    const QString to = from.dir().filePath(newName);
    // A rename onto a name in use would replace that entry.
    const QFileInfo target(to);
    if ((target.exists() || target.isSymLink()) && to != path) {
        error = QObject::tr("'%1' is already in this folder.").arg(newName);
        return false;
    }
    if (QDir().rename(path, to)) return true;
    error = QObject::tr("'%1' could not be renamed to '%2'.").arg(from.fileName(), newName);
    return false;
}

bool MakeFolder(const QString& path, QString& error) {
    const QFileInfo info(path);
    error = CheckEntryName(info.fileName());
    if (!error.isEmpty()) return false;
    if (info.exists() || info.isSymLink()) {
        error = QObject::tr("'%1' is already in this folder.").arg(info.fileName());
        return false;
    }
    if (QDir().mkdir(path)) return true;
    error = QObject::tr("The folder '%1' could not be made.").arg(path);
    return false;
}

void CEntryFailures::Add(const QString& path, const QString& reason) {
    paths << path;
    lines << QString("%1: %2").arg(QFileInfo(path).fileName(), reason);
}

CEntryFailures MoveToTrash(const QStringList& paths) {
    // The trash goes into the user's data folder, which a new account may
    // not have yet.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    CEntryFailures failures;
    for (const QString& path : paths) {
        QFile entry(path);
        if (!entry.moveToTrash()) failures.Add(path, entry.errorString());
    }
    return failures;
}

CEntryFailures DeleteForGood(const QStringList& paths) {
    CEntryFailures failures;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const bool removed = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
        if (!removed) failures.Add(path, QObject::tr("could not be deleted"));
    }
    return failures;
}

}  // namespace parcelo

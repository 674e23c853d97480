#pragma once

#include <QString>
#include <QStringList>

namespace parcelo {

// What the local pane's commands do to files, with the reasons of what
// failed in words a user reads.

// A name a new or renamed entry may take in a folder: not empty, not "."
// or "..", no "/" and no NUL. Empty when fine, else why not.
QString CheckEntryName(const QString& name);

// `name` itself when nothing in `folder` has it, else "name (2)", "name (3)"...
QString FreeEntryName(const QString& folder, const QString& name);

// Renames an entry within its folder; never replaces one that has the name.
bool RenameEntry(const QString& path, const QString& newName, QString& error);

// Makes a folder; false when something has the name already.
bool MakeFolder(const QString& path, QString& error);

// The paths that could not be moved or deleted, each with the reason, one
// line each ("name: reason").
struct CEntryFailures {
    QStringList paths;
    QStringList lines;
    bool IsEmpty() const { return paths.isEmpty(); }
    void Add(const QString& path, const QString& reason);
};

// Moves entries to the desktop's trash, where they can be restored from.
CEntryFailures MoveToTrash(const QStringList& paths);
// Deletes entries for good, folders with everything in them. A link is
// removed itself, never what it points to.
CEntryFailures DeleteForGood(const QStringList& paths);

}  // namespace parcelo

#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include "app/common/app_context.h"
#include "app/common/private_folders.h"
#include "ftp/login_info.h"
#include "ftp/remote_session.h"
#include "paths/file_path.h"

class QWidget;

namespace parcelo {

// View and edit of server files: a file is downloaded (as a transfer of the
// queue) into a private temporary folder and opened there with the
// desktop's application for it. The copy is watched; once it is saved, the
// user is asked whether to upload it back (or to do so always for this
// file), and the upload is a transfer of the queue too, under its rules
// for existing targets. When the server's file changed since the copy was
// made, the user is told so before it is replaced.
//
// The copies go when the program ends (Cleanup), except those whose
// upload failed or that were saved and never uploaded: they are kept, and
// the user is told where.
//
//     CRemoteEditor editor(context, window, facts);
//     editor.Open(login, CFtpPath("/docs/notes.txt"));   // download, then open
class CRemoteEditor : public QObject {
    Q_OBJECT

public:
    // What the server says of a file now; `then` gets false when it could
    // not be asked.
    using FactsQuery = std::function<void(const velmora::CFtpLoginInfo& login, const std::string& path,
                                          std::function<void(bool known, const velmora::CRemoteFacts& facts)> then)>;
    // Saves that follow each other closely are taken as one.
    static constexpr int kSettleMs = 250;
    static constexpr const char* kChangedTitle = "File changed";
    static constexpr const char* kServerChangedTitle = "Server file changed";

    CRemoteEditor(CAppContext& context, QWidget* window, FactsQuery facts);
    ~CRemoteEditor() override;

    // Downloads the file and opens the copy; a file opened before (and not
    // gone) opens again at once. False when the private folder cannot be made.
    bool Open(const velmora::CFtpLoginInfo& login, const velmora::CFtpPath& remote);
    // The local copy of the server file; empty while there is none.
    QString CopyOf(const std::string& remotePath) const;
    // Removes the copies that are safe to remove; the others are kept, and
    // with `tell` the user is told where. At the program's end (and, not
    // telling, when the editor goes).
    void Cleanup(bool tell = true);

signals:
    // An upload back to the server has ended (`done`: it succeeded).
    void UploadEnded(const QString& remotePath, bool done);

private:
    struct CEdit;

    QString MakeFolderFor(const std::string& name);
    void OnEntryEnded(int id);
    void OpenCopy(CEdit& edit);
    void CheckSaved();
    void AskUpload(CEdit& edit);
    void Upload(CEdit& edit);
    void LearnServerFacts(CEdit& edit);
    CEdit* Find(const velmora::CFtpLoginInfo& login, const std::string& remotePath) const;
    void Watch(const CEdit& edit);

    CAppContext& m_context;
    QWidget* m_pWindow;
    FactsQuery m_facts;
    CPrivateFolders m_folders;
    std::vector<std::unique_ptr<CEdit>> m_edits;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    bool m_bAsking = false;
};

}  // namespace parcelo

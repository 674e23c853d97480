#include "app/panes/remote_editor.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/transfers/log_pane.h"
#include "app/transfers/prompter.h"
#include "messaging/log_status.h"
#include "app/transfers/transfer_list_model.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "base/format.h"
#include "engine/mover_api.h"
#include "paths/file_path_list.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CFtpPath;
using velmora::CFtpPathList;

struct CRemoteEditor::CEdit {
    enum EStep { Downloading, Opened, Uploading };

    CFtpLoginInfo login;
    CFtpPath remote;
    QString local;
    EStep step = Downloading;
    int transfer = 0;
    // The copy as last seen: a change of either is a save.
    QDateTime seenTime;
    qint64 seenSize = -1;
    // The server's file as the copy has it (after the download, or after
    // the last upload); unknown when it could not be asked.
    bool serverKnown = false;
    velmora::CRemoteFacts server;
    bool always = false;
    // Saved here and not on the server (an upload failed, or was declined).
    bool unsent = false;
};

CRemoteEditor::CRemoteEditor(CAppContext& context, QWidget* window, FactsQuery facts)
    : QObject(window), m_context(context), m_pWindow(window), m_facts(std::move(facts)), m_folders("parcelo-edit") {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CRemoteEditor::CheckSaved);
    // Editors save by writing the file or by putting a new one in its place.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&context.queue, &CTransferQueue::EntryEnded, this, &CRemoteEditor::OnEntryEnded);
}

CRemoteEditor::~CRemoteEditor() { Cleanup(false); }

CRemoteEditor::CEdit* CRemoteEditor::Find(const CFtpLoginInfo& login, const std::string& remotePath) const {
    for (const auto& edit : m_edits) {
        if (edit->remote.GetFtpPath() == remotePath && edit->login.GetPureURL() == login.GetPureURL()) return edit.get();
    }
    return nullptr;
}

QString CRemoteEditor::CopyOf(const std::string& remotePath) const {
    for (const auto& edit : m_edits) {
        if (edit->remote.GetFtpPath() == remotePath && edit->step != CEdit::Downloading) return edit->local;
    }
    return {};
}

// One folder a file, so that files of one name from two folders both fit.
QString CRemoteEditor::MakeFolderFor(const std::string& name) {
    const QString sub = m_folders.MakeFolder();
    return sub.isEmpty() ? sub : QDir(sub).filePath(QString::fromStdString(name));
}

bool CRemoteEditor::Open(const CFtpLoginInfo& login, const CFtpPath& remote) {
    if (CEdit* open = Find(login, remote.GetFtpPath()); open != nullptr && open->step != CEdit::Downloading) {
        if (QFileInfo::exists(open->local)) {
            OpenCopy(*open);
            return true;
        }
        std::erase_if(m_edits, [open](const auto& edit) { return edit.get() == open; });
    } else if (open != nullptr) {
        return true;  // on its way
    }
    const QString local = MakeFolderFor(remote.GetFileName(true));
    if (local.isEmpty()) {
        m_context.prompter.ShowError(m_pWindow, "Error", "No private folder could be made for the copies of server files.");
        return false;
    }
    auto edit = std::make_unique<CEdit>();
    edit->login = login;
    edit->remote = remote;
    edit->local = local;
    auto thread = std::make_unique<CTransferThread>();
    CFtpPathList files;
    files.Add(new CFtpPath(remote));
    files.GetHead()->Length(uint64_t{0});
    thread->GetApi().DownloadFilesA(login, files, CFtpPath(QFileInfo(local).path().toStdString(), velmora::PATH_FOLDER));
    edit->transfer = m_context.queue.Submit(std::move(thread));
    m_edits.push_back(std::move(edit));
    return true;
}

void CRemoteEditor::OnEntryEnded(int id) {
    CEdit* edit = nullptr;
    for (const auto& candidate : m_edits) {
        if (candidate->transfer == id) edit = candidate.get();
    }
    if (edit == nullptr) return;
    const CTransferEntry* entry = m_context.queue.GetModel().Find(id);
    const bool done = entry != nullptr && entry->state == CTransferEntry::Done && QFileInfo::exists(edit->local);
    edit->transfer = 0;
    if (edit->step == CEdit::Downloading) {
        if (!done) {
            // The queue's row tells why.
            std::erase_if(m_edits, [edit](const auto& e) { return e.get() == edit; });
            return;
        }
        edit->step = CEdit::Opened;
        LearnServerFacts(*edit);
        Watch(*edit);
        OpenCopy(*edit);
        return;
    }
    edit->step = CEdit::Opened;
    edit->unsent = !done;
    if (done) LearnServerFacts(*edit);
    emit UploadEnded(QString::fromStdString(edit->remote.GetFtpPath()), done);
    // A save made while the upload ran.
    CheckSaved();
}

void CRemoteEditor::Watch(const CEdit& edit) {
    const QFileInfo copy(edit.local);
    m_watcher.addPath(copy.path());
    m_watcher.addPath(copy.filePath());
}

void CRemoteEditor::OpenCopy(CEdit& edit) {
    const QFileInfo copy(edit.local);
    edit.seenTime = copy.lastModified();
    edit.seenSize = copy.size();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(edit.local))) {
        m_context.prompter.ShowError(m_pWindow, "Error",
                                     "No application opened " + edit.local.toStdString() + ".");
    }
}

void CRemoteEditor::LearnServerFacts(CEdit& edit) {
    edit.serverKnown = false;
    const QString local = edit.local;
    m_facts(edit.login, edit.remote.GetFtpPath(), [this, local](bool known, const velmora::CRemoteFacts& facts) {
        for (const auto& candidate : m_edits) {
            if (candidate->local != local) continue;
            candidate->serverKnown = known;
            candidate->server = facts;
        }
    });
}

// A copy whose time or size moved was saved.
void CRemoteEditor::CheckSaved() {
    // A save while the question is open is looked at once it is answered.
    if (m_bAsking) {
        m_settle.start();
        return;
    }
    for (const auto& edit : m_edits) {
        const QFileInfo copy(edit->local);
        if (edit->step != CEdit::Opened || !copy.exists()) continue;
        // A file put in the old one's place is watched anew.
        if (!m_watcher.files().contains(edit->local)) m_watcher.addPath(edit->local);
        if (copy.lastModified() == edit->seenTime && copy.size() == edit->seenSize) continue;
        edit->seenTime = copy.lastModified();
        edit->seenSize = copy.size();
        AskUpload(*edit);
    }
}

void CRemoteEditor::AskUpload(CEdit& edit) {
    edit.unsent = true;
    if (!edit.always) {
        const std::string name = edit.remote.GetFileName(true);
        m_bAsking = true;
        const int answer = m_context.prompter.AskChoice(
            m_pWindow, kChangedTitle,
            velmora::Format("'%s' was saved. Upload it back to %s?", name.c_str(), edit.remote.GetFtpPath().c_str()),
            {"Upload", "Always for this file", "Not now"});
        m_bAsking = false;
        if (answer != 0 && answer != 1) return;
        edit.always = answer == 1;
    }
    // What the server has now, against what the copy was made from.
    const QString local = edit.local;
    m_facts(edit.login, edit.remote.GetFtpPath(), [this, local](bool known, const velmora::CRemoteFacts& now) {
        CEdit* current = nullptr;
        for (const auto& candidate : m_edits) {
            if (candidate->local == local) current = candidate.get();
        }
        if (current == nullptr || current->step != CEdit::Opened) return;
        const velmora::CRemoteFacts& then = current->server;
        const bool changed = known && current->serverKnown &&
                             (now.exists != then.exists || now.size != then.size || now.modified != then.modified);
        if (changed &&
            !m_context.prompter.AskYesNo(m_pWindow, kServerChangedTitle,
                                         velmora::Format("'%s' changed on the server since it was opened here. "
                                                         "Replace it with the copy you saved?",
                                                         current->remote.GetFtpPath().c_str()))) {
            return;
        }
        Upload(*current);
    });
}

void CRemoteEditor::Upload(CEdit& edit) {
    auto thread = std::make_unique<CTransferThread>();
    CFtpPathList files;
    files.Add(new CFtpPath(edit.local.toStdString()));
    files.GetHead()->ReadStatus();
    thread->GetApi().UploadFilesA(edit.login, files, CFtpPath(edit.remote.GetFtpDir(true), velmora::PATH_FOLDER));
    edit.step = CEdit::Uploading;
    edit.transfer = m_context.queue.Submit(std::move(thread));
}

void CRemoteEditor::Cleanup(bool tell) {
    QStringList kept;
    for (const auto& edit : m_edits) {
        if (edit->unsent && QFileInfo::exists(edit->local)) {
            kept << edit->local;
        } else {
            QDir(QFileInfo(edit->local).path()).removeRecursively();
        }
    }
    m_edits.clear();
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty()) m_watcher.removePaths(watched);
    if (!m_folders.IsMade()) return;
    m_folders.Release(!kept.isEmpty());
    if (kept.isEmpty()) return;
    for (const QString& copy : kept) LogAppEvent(velmora::LOG_ERROR, "Ftp", "Edited copy kept:", copy.toStdString());
    if (!tell) return;
    m_context.prompter.ShowMessage(m_pWindow, "Edited files kept",
                                   "These edited copies were not uploaded to the server and are kept:\n\n" +
                                       kept.join("\n").toStdString());
}

}  // namespace parcelo

// Synchronise: a server folder made a copy of a local folder's contents,
// sending only what is new or changed, once the user has seen the list of
// what that takes.

#include <string>
#include <vector>

#include <QDir>
#include <QGuiApplication>

#include "app/ftp_sink.h"
#include "app/ftp_tree_dlg.h"
#include "app/prompter.h"
#include "base/format.h"
#include "engine/mirror.h"
#include "engine/mover_api.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CFtpNode;
using velmora::CFtpPath;

namespace {

constexpr const char* kSyncTitle = "Synchronise";
constexpr const char* kSyncPickerTitle = "Local folder whose contents the server folder takes";

velmora::CTansform MirrorTransform(bool dryRun) {
    velmora::CTansform transform;
    transform.SetSync();
    transform.SetDryRun(dryRun);
    return transform;
}

}  // namespace

void CFtpTreeDlg::OnSynchronise() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    std::string folder = QDir::homePath().toStdString();
    if (!m_context.prompter.PickFolder(this, kSyncPickerTitle, folder)) return;
    Synchronise(CFtpPath(folder, velmora::PATH_FOLDER), *node);
}

void CFtpTreeDlg::Synchronise(const CFtpPath& folder, const CFtpNode& target) {
    const CFtpLoginInfo info = m_sink.GetLoginInfo();
    const CFtpPath destination(target.GetDoc(), velmora::PATH_FOLDER);
    // First a dry run: what would be sent and replaced.
    velmora::CMoverAPI preview;
    preview.SetTransform(MirrorTransform(true));
    preview.UploadFolderA(info, folder, destination);
    std::vector<std::string> actions;
    bool previewed = false;
    {
        velmora::CMirrorActionListener listener(
            [&actions](const std::string& action, const std::string& path) { actions.push_back(action + " " + path); });
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        previewed = preview.DoCopy() && preview.GetErrorNumber() == 0;
        QGuiApplication::restoreOverrideCursor();
    }
    if (!previewed) {
        ShowError(preview.GetStrError().empty() ? std::string("The folders could not be compared")
                                                : preview.GetStrError());
        return;
    }
    if (actions.empty()) {
        ShowNotice(velmora::Format("'%s' already holds what '%s' holds", destination.GetPath().c_str(),
                                   folder.GetPath().c_str()));
        return;
    }
    const std::string question =
        velmora::Format("%d changes make '%s' a copy of '%s'. Start them?", static_cast<int>(actions.size()),
                        destination.GetPath().c_str(), folder.GetPath().c_str());
    if (!m_context.prompter.ConfirmActions(this, kSyncTitle, question, actions)) return;
    StartTransfer([&](velmora::CMoverAPI& api) {
        api.SetTransform(MirrorTransform(false));
        api.UploadFolderA(info, folder, destination);
    });
}

}  // namespace parcelo

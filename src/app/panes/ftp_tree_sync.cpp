// Synchronise: a server folder made a copy of a local folder's contents, or
// the other way round, copying only what is new or changed, once the user
// has seen the list of what that takes and chosen whether what the source
// lacks goes from the destination too.

#include <string>
#include <vector>

#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/transfers/prompter.h"
#include "base/format.h"
#include "engine/mover_api.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CFtpNode;
using velmora::CFtpPath;

namespace {

constexpr const char* kSyncTitle = "Synchronise";
constexpr const char* kSyncPickerTitle = "Local folder whose contents the server folder takes";
constexpr const char* kSyncFromServerPickerTitle = "Local folder that takes the server folder's contents";

// A folder's own name, as the browser names the folder an upload makes of it.
std::string FolderName(const CFtpPath& folder) {
    std::string name = folder.GetTailDir();
    std::erase_if(name, [](char c) { return c == '/' || c == '\\'; });
    return name;
}

}  // namespace

void CFtpTreeDlg::OnSynchronise(CSyncPair::EDirection direction) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    std::string folder = LocalStartFolder();
    const bool toServer = direction == CSyncPair::eToServer;
    if (!m_context.prompter.PickFolder(this, toServer ? kSyncPickerTitle : kSyncFromServerPickerTitle, folder)) return;
    Synchronise({direction, CFtpPath(folder, velmora::PATH_FOLDER), CFtpPath(node->GetDoc(), velmora::PATH_FOLDER)});
}

// A folder dropped where the server folder has one of its name already may
// update that one instead of going up again.
void CFtpTreeDlg::UploadOrSynchronise(const CFtpPath& folder, CFtpNode* target) {
    ListFolder(target, [this, folder](CFtpNode* listed) {
        const std::string name = FolderName(folder);
        const CFtpNode* existing =
            name.empty() ? nullptr : listed->FindFtpDir(CFtpPath(listed->GetDoc() + name, velmora::PATH_FOLDER));
        if (existing == nullptr || existing == listed) {
            UploadFolder(folder, listed);
            return;
        }
        const std::string question = velmora::Format(
            "'%s' is already in '%s'. Synchronise it, sending only what is new or changed, or upload the whole "
            "folder again?",
            name.c_str(), listed->GetDoc().c_str());
        switch (m_context.prompter.AskChoice(this, kSyncTitle, question, {"Synchronise...", "Upload again"})) {
            case 0:
                Synchronise({CSyncPair::eToServer, folder, CFtpPath(existing->GetDoc(), velmora::PATH_FOLDER)});
                break;
            case 1: UploadFolder(folder, listed); break;
            default: break;
        }
    });
}

void CFtpTreeDlg::Synchronise(const CSyncPair& pair) {
    const CFtpLoginInfo info = m_sink.GetLoginInfo();
    // First a dry run that also deletes: what would be copied, replaced and deleted.
    m_preview.Start(info, pair, [this, info, pair](const std::string& error, const CSyncPreview::CActions& found) {
        ConfirmSynchronise(info, pair, error, found);
    });
}

void CFtpTreeDlg::ConfirmSynchronise(const CFtpLoginInfo& info, const CSyncPair& pair, const std::string& error,
                                     const CSyncPreview::CActions& found) {
    if (!error.empty()) {
        ShowError(error);
        return;
    }
    const CFtpPath& folder = pair.Source();
    const CFtpPath& destination = pair.Destination();
    const std::vector<std::string>& actions = found.lines;
    const int deletions = found.deletions;
    if (actions.empty()) {
        ShowNotice(velmora::Format("'%s' already holds what '%s' holds", destination.GetPath().c_str(),
                                   folder.GetPath().c_str()));
        return;
    }
    const int changes = static_cast<int>(actions.size()) - deletions;
    const std::string question =
        velmora::Format(changes == 1 ? "%d change makes '%s' a copy of '%s'. Start it?"
                                     : "%d changes make '%s' a copy of '%s'. Start them?",
                        changes, destination.GetPath().c_str(), folder.GetPath().c_str());
    bool deleteExtra = false;
    const bool confirmed =
        deletions == 0
            ? m_context.prompter.ConfirmActions(this, kSyncTitle, question, actions)
            : m_context.prompter.ConfirmActionsWith(
                  this, kSyncTitle, question, actions,
                  velmora::Format("Also delete the %d files and folders marked '-', which '%s' does not have",
                                  deletions, folder.GetPath().c_str()),
                  deleteExtra);
    if (!confirmed) return;
    // Deleting most of the destination, or all of it from an empty folder,
    // is asked about on its own.
    const bool anyNumber = deleteExtra && !found.deleteRefusal.empty() &&
                           m_context.prompter.AskYesNo(this, kSyncTitle,
                                                       found.deleteRefusal + ".\n\nDelete them all the same?");
    deleteExtra = deleteExtra && (found.deleteRefusal.empty() || anyNumber);
    if (changes == 0 && !deleteExtra) return;
    StartTransfer([&](velmora::CMoverAPI& api) {
        api.SetTransform(MirrorTransform(deleteExtra, false, anyNumber));
        pair.Record(api, info);
    });
}

}  // namespace parcelo

#include "app/transfers/partial_uploads.h"

#include <utility>

#include "app/common/window_thread.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "base/format.h"
#include "ftp/ftp_client.h"
#include "messaging/log_file.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/transfer_status.h"

namespace parcelo {

using velmora::CMoverAPI;

CPartialUploads::CPartialUploads(CTransferQueue& queue, IPrompter& prompter, QWidget* window, QObject* parent)
    : QObject(parent), m_queue(queue), m_prompter(prompter), m_pWindow(window) {
    connect(&queue, &CTransferQueue::EntryEnded, this, &CPartialUploads::OnEntryEnded);
    // A new transfer starts with nothing open (before its thread runs).
    connect(&queue, &CTransferQueue::JobStarted, this, [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strOpenTarget.clear();
    });
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CPartialUploads::~CPartialUploads() {
    velmora::CMsgBox::Box().Unsubscribe(this);
    if (m_deleting.joinable()) m_deleting.join();
}

// On the transfer thread: the target of each file as it is opened, until
// the file has arrived.
void CPartialUploads::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() == velmora::MSG_LOG_RECORD) {
        const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
        if (record == nullptr || record->GetKind() != velmora::LOG_DESTINATION) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strOpenTarget = record->GetText();
    } else if (msg.Cmd() == velmora::MSG_TRANSFER_STATUS) {
        const auto* status = dynamic_cast<const velmora::CTransferStatus*>(msg.Object());
        if (status == nullptr || status->GetStatus() != velmora::CTransferStatus::STATUS_TRANSFERRED) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (status->GetDestination().GetPath() == m_strOpenTarget) m_strOpenTarget.clear();
    }
}

std::string CPartialUploads::GetOpenTarget() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strOpenTarget;
}

std::string CPartialUploads::QuestionText(const std::string& remotePath) {
    return velmora::Format(
        "The upload was cancelled before '%s' was complete.\n\n"
        "Delete the incomplete file on the server? (Keep it to resume it with a later upload.)",
        remotePath.c_str());
}

void CPartialUploads::OnEntryEnded(int id) {
    const CTransferEntry* entry = m_queue.GetModel().Find(id);
    if (entry == nullptr || entry->state != CTransferEntry::Cancelled) return;
    const CMoverAPI::eRequest request = entry->request.GetRequest();
    if (request != CMoverAPI::eUploadFiles && request != CMoverAPI::eUploadFolder) return;
    std::string partial;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        partial = std::exchange(m_strOpenTarget, std::string());
    }
    if (partial.empty()) return;
    // Asked once the queue has moved on: the question must not hold it.
    PostToWindowThread(this, [this, login = entry->request.GetLoginInfo(), partial] {
        if (m_prompter.AskYesNo(m_pWindow, kTitle, QuestionText(partial))) StartDelete(login, partial);
    });
}

void CPartialUploads::StartDelete(const velmora::CFtpLoginInfo& login, const std::string& remotePath) {
    if (m_deleting.joinable()) m_deleting.join();
    m_deleting = std::thread([this, login, remotePath] {
        velmora::CFtpClient client;
        std::string error;
        if (!client.Login(login)) {
            error = client.GetStrError();
        } else if (!client.GetSession()->DeleteFile(remotePath)) {
            error = client.GetSession()->GetLastError();
        }
        client.Logoff();
        PostToWindowThread(this, [this, remotePath, error] {
            velmora::CLogFile().Write(
                kListenerName,
                error.empty() ? "Deleted the incomplete " + remotePath : "Could not delete " + remotePath + ": " + error,
                true);
            emit DeleteFinished(remotePath, error);
        });
    });
}

}  // namespace parcelo

#include "app/common/status_relay.h"

#include <memory>

#include "app/common/window_thread.h"

#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

CStatusRelay::CStatusRelay(QObject* parent) : QObject(parent) {
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CStatusRelay::~CStatusRelay() { velmora::CMsgBox::Box().Unsubscribe(this); }

void CStatusRelay::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() != velmora::MSG_TRANSFER_STATUS) return;
    const auto* status = dynamic_cast<const velmora::CTransferStatus*>(msg.Object());
    if (status == nullptr) return;
    m_queue.Put(new velmora::CTransferStatus(*status));
    PostToWindowThread(this, [this] { Drain(); });
}

void CStatusRelay::Drain() {
    const std::unique_ptr<velmora::CTransferStatus> status(m_queue.Get());
    if (!status) return;
    switch (status->GetStatus()) {
        case velmora::CTransferStatus::STATUS_PROGRESS: {
            velmora::CMsgSend progress(status->GetProgressStatus());
            break;
        }
        case velmora::CTransferStatus::STATUS_TRANSFERRED:
            emit FileTransferred(status->GetSource(), status->GetDestination());
            break;
        default:
            break;
    }
}

}  // namespace parcelo

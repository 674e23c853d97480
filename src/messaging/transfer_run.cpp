#include "messaging/transfer_run.h"

#include "messaging/msg_send.h"

namespace velmora {

CTransferRun::CTransferRun() : CTransferStatus(CProgressStatus(), true) { Announce(MSG_RUN_START); }

CTransferRun::~CTransferRun() { Announce(MSG_RUN_END); }

void CTransferRun::Announce(MessageType type) {
    SetProgressStatus(CProgressStatus(type));
    SetStatus(STATUS_PROGRESS);
    CMsgSend(MSG_TRANSFER_STATUS, this, 0);
}

}  // namespace velmora

#pragma once

#include "messaging/transfer_status.h"
#include "platform/api.h"

namespace velmora {

// Brackets a whole transfer operation with transfer statuses (command 14):
// one whose progress command is 9 when made, and two whose progress command
// is 10 when destroyed (the second one, from the fire flag, with the stop
// time set). Its clones are plain transfer statuses.
class VELMORA_API CTransferRun : public CTransferStatus {
public:
    CTransferRun();
    CTransferRun(const CTransferRun&) = delete;
    CTransferRun& operator=(const CTransferRun&) = delete;
    ~CTransferRun() override;

private:
    void Announce(MessageType type);
};

}  // namespace velmora

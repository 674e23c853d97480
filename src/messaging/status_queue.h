#pragma once

#include <mutex>

#include "messaging/transfer_status.h"
#include "objects/std_list.h"
#include "platform/api.h"

namespace velmora {

// The queue through which a window hands the transfer statuses it hears on
// the transfer thread to its own thread. Put and Get may run on different
// threads at once; one lock, shared by all queues, serialises them. The
// queue owns what it holds and deletes what is left when it goes away.
class VELMORA_API CTStatusQueue : public CStdList<CTransferStatus, CTransferStatus*> {
public:
    CTStatusQueue() : CStdList(true, false) {}
    CTStatusQueue(const CTStatusQueue&) = delete;
    CTStatusQueue& operator=(const CTStatusQueue&) = delete;
    ~CTStatusQueue() override;

    // Appends the status; the queue now owns it.
    void Put(CTransferStatus* status);
    // Removes and returns the oldest status (the caller owns it), or null.
    CTransferStatus* Get();

private:
    static std::recursive_mutex m_mutex;
};

}  // namespace velmora

#include "messaging/status_queue.h"

namespace velmora {

std::recursive_mutex CTStatusQueue::m_mutex;

CTStatusQueue::~CTStatusQueue() {
    Elements left;
    {
        std::lock_guard lock(m_mutex);
        left.swap(m_elements);
    }
    // Deleted outside the lock: a status that still fires broadcasts, and a
    // listener on another thread may be putting into a queue meanwhile.
    for (CTransferStatus* status : left) delete status;
}

void CTStatusQueue::Put(CTransferStatus* status) {
    if (!status) return;
    std::lock_guard lock(m_mutex);
    Add(status);
}

CTransferStatus* CTStatusQueue::Get() {
    std::lock_guard lock(m_mutex);
    CTransferStatus* head = GetHead();
    if (head) m_elements.pop_front();
    return head;
}

}  // namespace velmora

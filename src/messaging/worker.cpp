#include "messaging/worker.h"

namespace velmora {

CRunner::CRunner(CWorker* worker) : m_pWorker(worker) {
    if (m_pWorker) m_pWorker->WorkerStart();
}

CRunner::~CRunner() {
    if (m_pWorker) m_pWorker->WorkerStop();
}

}  // namespace velmora

#pragma once

#include "messaging/transfer_run.h"

namespace velmora {

// Runs a mover as a worker for exactly the lifetime of a scope: the transfer
// statuses that announce the run (CTransferRun), and the worker's start (the
// job's start progress status) when made; its stop (the end status and the
// statistics line) and the end of the run when destroyed. A null worker
// announces the run only.
template <class T>
class CTransferAutoRunner {
public:
    explicit CTransferAutoRunner(T* worker) : m_pWorker(worker) {
        if (m_pWorker) m_pWorker->WorkerStart();
    }
    ~CTransferAutoRunner() {
        if (m_pWorker) m_pWorker->WorkerStop();
    }
    CTransferAutoRunner(const CTransferAutoRunner&) = delete;
    CTransferAutoRunner& operator=(const CTransferAutoRunner&) = delete;

private:
    CTransferRun m_run;
    T* m_pWorker;
};

}  // namespace velmora

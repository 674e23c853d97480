#pragma once

#include "messaging/msg_send.h"
#include "platform/api.h"

namespace velmora {

// Something that can be started and stopped.
class VELMORA_API CWorker {
public:
    virtual ~CWorker() = default;
    virtual void WorkerStart() {}
    virtual void WorkerStop() {}
};

// Runs a worker for exactly the lifetime of a scope: announces the run
// (command 9) and starts the worker; at the end stops it and announces the
// end (command 10), also when the scope is left by an exception. Not
// copyable: a copy would stop the worker and end the run twice.
class VELMORA_API CRunner {
public:
    // The worker is not owned and may be null.
    explicit CRunner(CWorker* worker);
    CRunner(const CRunner&) = delete;
    CRunner& operator=(const CRunner&) = delete;
    virtual ~CRunner();

private:
    CMsgRun m_run;
    CWorker* m_pWorker;
};

}  // namespace velmora

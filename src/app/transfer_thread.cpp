#include "app/transfer_thread.h"

#include <exception>

#include "messaging/log_file.h"

namespace parcelo {

std::atomic<CTransferThread*> CTransferThread::m_pCurrent{nullptr};

CTransferThread::CTransferThread() { m_pCurrent = this; }

CTransferThread::~CTransferThread() {
    CTransferThread* self = this;
    m_pCurrent.compare_exchange_strong(self, nullptr);
}

void CTransferThread::SetEvent() { Release(true); }

void CTransferThread::Abandon() { Release(false); }

void CTransferThread::Release(bool run) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bSignalled) return;
        m_bSignalled = true;
        m_bRun = run;
    }
    m_event.notify_all();
}

bool CTransferThread::IsSignalled() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bSignalled;
}

void CTransferThread::run() {
    if (!InitInstance()) return;
    bool runRequest = false;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_event.wait(lock, [this] { return m_bSignalled; });
        runRequest = m_bRun;
    }
    if (!runRequest) return;
    // Nothing may leave the thread by an exception: it would end the program.
    try {
        DoCopy();
    } catch (const std::exception& error) {
        velmora::CLogFile().Write(std::string("Transfer stopped by an unexpected error: ") + error.what() + "\r\n");
    } catch (...) {
        velmora::CLogFile().Write("Transfer stopped by an unexpected error\r\n");
    }
}

bool CTransferThread::DoCopy() { return m_request ? m_request() : false; }

}  // namespace parcelo

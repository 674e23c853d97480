#include "app/transfers/transfer_thread.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "engine/job_state.h"
#include "messaging/log_file.h"

namespace parcelo {

std::atomic<CTransferThread*> CTransferThread::m_pCurrent{nullptr};

namespace {

std::mutex g_defaultsLock;
velmora::CJobSettings& JobDefaults() {
    static velmora::CJobSettings defaults;
    return defaults;
}

// The speed limit of the defaults, which the running transfers read at each
// block: a new limit holds for them at once, not only for the next ones.
std::atomic<uint64_t> g_rateLimit{0};

}  // namespace

void CTransferThread::SetJobDefaults(const velmora::CJobSettings& settings) {
    std::lock_guard<std::mutex> lock(g_defaultsLock);
    JobDefaults() = settings;
    g_rateLimit.store(settings.m_nRateLimit);
}

velmora::CJobSettings CTransferThread::GetJobDefaults() {
    std::lock_guard<std::mutex> lock(g_defaultsLock);
    return JobDefaults();
}

CTransferThread::CTransferThread() { m_pCurrent = this; }

CTransferThread::~CTransferThread() {
    Abandon();
    Wait();
    CTransferThread* self = this;
    m_pCurrent.compare_exchange_strong(self, nullptr);
}

bool CTransferThread::Start(std::function<void()> onEnd) {
    if (m_thread.joinable()) return false;
    m_onEnd = std::move(onEnd);
    m_thread = std::thread([this] { Run(); });
    return true;
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

void CTransferThread::Wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool CTransferThread::DoCopy() {
    velmora::CJobSettings settings = GetJobDefaults();
    // The connection's own number of login attempts.
    settings.m_nLoginAttempts = m_api.GetLoginInfo().GetRetries();
    settings.m_pLiveRateLimit = &g_rateLimit;
    m_api.SetJobSettings(settings);
    const bool done = m_api.DoCopy();
    const velmora::CJobResult& job = m_api.GetResult();
    // Files named without a listing count no bytes beforehand: then what moved.
    m_counts = {job.m_nProcessed, job.m_nSkipped, std::max(job.m_nTotalBytes, job.m_nProcessedBytes),
                job.m_bAborted || job.m_nLastCategory == velmora::ERROR_ABORTED, job.m_nProcessedBytes};
    return done;
}

void CTransferThread::Run() {
    bool runRequest = false;
    if (InitInstance()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_event.wait(lock, [this] { return m_bSignalled; });
        runRequest = m_bRun;
    }
    // Nothing may leave the thread by an exception: it would end the program.
    try {
        if (runRequest) DoCopy();
    } catch (const std::bad_alloc&) {
        velmora::CLogFile().Write("Transfer stopped: out of memory\r\n");
    } catch (const std::exception& error) {
        velmora::CLogFile().Write(std::string("Transfer stopped by an unexpected error: ") + error.what() + "\r\n");
    } catch (...) {
        velmora::CLogFile().Write("Transfer stopped by an unexpected error\r\n");
    }
    m_bFinished.store(true, std::memory_order_release);
    if (m_onEnd) m_onEnd();
}

}  // namespace parcelo

#include "engine/session_pool.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>

#include "base/format.h"
#include "engine/statistic.h"
#include "messaging/log_status.h"

namespace velmora {
namespace {

// How often a session waiting for a file looks at the job's abort flag.
constexpr auto kAbortCheck = std::chrono::milliseconds(100);
// The files made ready for the sessions at most: enough that no session
// waits while the first one makes a folder, few enough that a job of a
// million files does not hold them all.
constexpr size_t kQueuedFiles = 256;

}  // namespace

CEarlySessions::CEarlySessions() : m_job(CJobState::Current()), m_nDepth(CLogStatus::GetDepth()) {}

CEarlySessions::~CEarlySessions() {
    for (const std::unique_ptr<Opening>& opening : m_openings)
        if (opening->thread.joinable()) opening->thread.join();
}

void CEarlySessions::Open(const CSource& source, int count) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (int index = 0; index < count; ++index) {
        Opening& opening = *m_openings.emplace_back(std::make_unique<Opening>());
        opening.thread = std::thread([this, &source, &opening] {
            const CJobBinding binding(m_job);
            CLogStatus::SetDepth(m_nDepth);
            try {
                opening.session = source.OpenSession(opening.error);
            } catch (const std::exception& error) {
                opening.error = error.what();
            }
        });
    }
}

std::unique_ptr<CSource> CEarlySessions::Take(std::string& error) {
    Opening* opening = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nTaken < m_openings.size()) opening = m_openings[m_nTaken++].get();
    }
    if (!opening) return nullptr;
    opening->thread.join();
    error = opening->error;
    return std::move(opening->session);
}

CSessionPool::CSessionPool(CSource& source, CSource& target, int sessions, size_t files, OutcomeStep outcome,
                           DoneStep done, CEarlySessions* early)
    : m_source(source),
      m_target(target),
      m_pEarly(early),
      m_job(CJobState::Current()),
      m_nDepth(CLogStatus::GetDepth()),
      m_outcome(std::move(outcome)),
      m_done(std::move(done)) {
    const size_t further = std::min(static_cast<size_t>(std::max(sessions, 1)), files);
    for (size_t index = 1; index < further; ++index) m_further.emplace_back([this] { RunFurther(); });
}

CSessionPool::~CSessionPool() {
    Stop();
    Join();
}

void CSessionPool::Join() {
    for (std::thread& thread : m_further)
        if (thread.joinable()) thread.join();
    // Only this thread is left: what nobody took stays unsent.
    const auto lock = m_job.ReportLock();
    for (; !m_files.empty(); m_files.pop_front()) m_outcome(m_files.front().get(), EFileOutcome::NotTaken);
}

void CSessionPool::Add(std::unique_ptr<CTskDataFile> file) {
    std::unique_ptr<CTskDataFile> oldest;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_files.size() >= kQueuedFiles && !m_bStopped && !m_job.IsAborted()) {
            oldest = std::move(m_files.front());
            m_files.pop_front();
        }
        m_files.push_back(std::move(file));
    }
    m_added.notify_one();
    if (oldest) Put(m_source, m_target, std::move(oldest));
}

bool CSessionPool::Finish() {
    Close();
    Drain(m_source, m_target);
    Join();
    return !m_bFailed;
}

void CSessionPool::Close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
    }
    m_added.notify_all();
}

void CSessionPool::Stop() {
    m_bStopped = true;
    Close();
}

std::unique_ptr<CTskDataFile> CSessionPool::Next() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_bStopped || m_job.IsAborted()) return nullptr;
        if (!m_files.empty()) {
            std::unique_ptr<CTskDataFile> file = std::move(m_files.front());
            m_files.pop_front();
            return file;
        }
        if (m_bClosed) return nullptr;
        m_added.wait_for(lock, kAbortCheck);
    }
}

void CSessionPool::Drain(CSource& source, CSource& target) {
    for (std::unique_ptr<CTskDataFile> file = Next(); file; file = Next()) Put(source, target, std::move(file));
}

void CSessionPool::Put(CSource& source, CSource& target, std::unique_ptr<CTskDataFile> file) {
    if (&source != &m_source) source.Adopt(file.get());
    const bool sent = target.PutFile(file.get());
    if (!sent) m_bFailed = true;
    const auto lock = m_job.ReportLock();
    m_outcome(file.get(), sent ? EFileOutcome::Sent : EFileOutcome::Failed);
    if (!m_done(file.get())) m_bStopped = true;
}

void CSessionPool::RunFurther() {
    const CJobBinding binding(m_job);
    CLogStatus::SetDepth(m_nDepth);
    try {
        std::string error;
        std::unique_ptr<CSource> source = m_pEarly ? m_pEarly->Take(error) : nullptr;
        if (!source && error.empty()) source = m_source.OpenSession(error);
        const std::unique_ptr<CSource> target = source ? m_target.OpenSession(error) : nullptr;
        if (!source || !target) return NoteRefusal(error);
        Drain(*source, *target);
    } catch (const std::exception& error) {
        // Nothing may leave a thread: the job learns of it as of any other exception.
        m_bFailed = true;
        m_bStopped = true;
        CStatistic::ReportErrorAt(ERROR_EXCEPTION, error.what(), std::string(), std::string());
    }
}

void CSessionPool::NoteRefusal(const std::string& error) {
    const auto lock = m_job.ReportLock();
    if (m_bRefusalNoted) return;
    m_bRefusalNoted = true;
    CStatistic::LogText(LOG_STATUS, "Sessions:",
                        Format("no further session (%s): the job goes on with the sessions it has", error.c_str()));
}

}  // namespace velmora

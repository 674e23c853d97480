#include "engine/session_pool.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "base/format.h"
#include "engine/statistic.h"
#include "messaging/log_status.h"

namespace velmora {

CSessionPool::CSessionPool(CSource& source, CSource& target, int sessions)
    : m_source(source), m_target(target), m_nSessions(std::max(sessions, 1)) {}

CSessionPool::~CSessionPool() = default;

bool CSessionPool::Run(const DoneStep& done) {
    const size_t sessions = std::min(static_cast<size_t>(m_nSessions), m_files.size());
    std::atomic<bool> result{true};
    std::vector<std::thread> further;
    for (size_t index = 1; index < sessions; ++index) further.emplace_back([&] { RunFurther(done, result); });
    if (!Drain(m_source, m_target, done)) result = false;
    for (std::thread& thread : further) thread.join();
    return result;
}

bool CSessionPool::HasWork() const {
    return !m_bStopped && !CStatistic::Job().IsAborted() && m_nNext.load() < m_files.size();
}

CTskDataFile* CSessionPool::Next() {
    if (!HasWork()) return nullptr;
    const size_t index = m_nNext++;
    return index < m_files.size() ? m_files[index] : nullptr;
}

bool CSessionPool::Drain(CSource& source, CSource& target, const DoneStep& done) {
    bool ok = true;
    const bool lent = &source != &m_source;
    for (CTskDataFile* file = Next(); file; file = Next()) {
        if (lent) source.Adopt(file);
        ok = target.PutFile(file) && ok;
        if (lent) m_source.Adopt(file);
        const auto lock = CStatistic::Job().ReportLock();
        if (!done(file)) m_bStopped = true;
    }
    return ok;
}

void CSessionPool::RunFurther(const DoneStep& done, std::atomic<bool>& result) {
    try {
        // A session opened after the last file was taken would only cost the server a login.
        if (!HasWork()) return;
        std::string error;
        const std::unique_ptr<CSource> source = m_source.OpenSession(error);
        const std::unique_ptr<CSource> target = source ? m_target.OpenSession(error) : nullptr;
        if (!source || !target) return NoteRefusal(error);
        if (!Drain(*source, *target, done)) result = false;
    } catch (const std::exception& error) {
        // Nothing may leave a thread: the job learns of it as of any other exception.
        result = false;
        m_bStopped = true;
        CStatistic::ReportErrorAt(ERROR_EXCEPTION, error.what(), std::string(), std::string());
    }
}

void CSessionPool::NoteRefusal(const std::string& error) {
    const auto lock = CStatistic::Job().ReportLock();
    if (m_bRefusalNoted) return;
    m_bRefusalNoted = true;
    CStatistic::LogText(LOG_STATUS, "Sessions:",
                        Format("no further session (%s): the job goes on with the sessions it has", error.c_str()));
}

}  // namespace velmora

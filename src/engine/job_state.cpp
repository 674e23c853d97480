#include "engine/job_state.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/format.h"
#include "messaging/msg_send.h"
#include "platform/clock.h"

namespace velmora {
namespace {

thread_local CJobState* t_pBound = nullptr;

}  // namespace

std::string GetErrorCategoryText(int32_t category) {
    switch (category) {
        case ERROR_ABORTED: return "Aborted by user";
        case ERROR_TOO_MANY: return "Too mach errors";
        case ERROR_ZIP: return "Fail add to zip file";
        case ERROR_COPY: return "Copy file error";
        case ERROR_DEST_FOLDER: return "Cannot create dest folder";
        case ERROR_FTP: return "Ftp error";
        case ERROR_EXCEPTION: return "Exception error";
        case ERROR_READ: return "Read access error";
        case ERROR_WRITE: return "Write access error";
        case ERROR_CONNECT: return "Connect error";
        default: return "Unknown error";
    }
}

bool IsFatalErrorCategory(int32_t category) {
    switch (category) {
        case ERROR_ABORTED:
        case ERROR_DEST_FOLDER:
        case ERROR_FTP:
        case ERROR_EXCEPTION:
        case ERROR_WRITE:
        case ERROR_CONNECT: return true;
        default: return false;
    }
}

CJobState::CJobState(const CJobSettings& settings) : m_settings(settings) {}

CJobState& CJobState::Current() {
    if (t_pBound) return *t_pBound;
    thread_local CJobState own;
    return own;
}

void CJobState::Reset() {
    const auto lock = ReportLock();
    std::string lastError = std::move(m_strLastError);
    static_cast<CJobResult&>(*this) = CJobResult();
    m_strLastError = std::move(lastError);
    m_tStart = platform::Now();
    m_bAbort = false;
    m_notices.clear();
}

bool CJobState::FirstNotice(const std::string& subject) {
    const auto lock = ReportLock();
    return m_notices.insert(subject).second;
}

bool CJobState::ContinueCheck() const {
    const auto lock = ReportLock();
    return !IsFatalErrorCategory(m_nLastCategory) && m_nErrors < kErrorLimit;
}

void CJobState::CountError(int32_t category, const std::string& text, const std::string& file) {
    const auto lock = ReportLock();
    ++m_nErrors;
    m_nLastCategory = category;
    m_strLastError = text;
    if (m_strFirstError.empty()) {
        m_strFirstError = text;
        m_strFirstErrorFile = file;
    }
    m_bAborted = m_bAborted || category == ERROR_ABORTED;
}

void CJobState::Unsent(EFileOutcome kind, const std::string& source, const std::string& reason) {
    const auto lock = ReportLock();
    if (kind == EFileOutcome::NotTaken) ++m_nNotTaken;
    if (m_unsent.size() < kMaxKeptOutcomes) m_unsent.push_back({kind, source, reason});
}

CJobResult CJobState::Result() const {
    const auto lock = ReportLock();
    CJobResult result = *this;
    result.m_bAborted = result.m_bAborted || IsAborted();
    return result;
}

bool CJobState::RetryLater(int attempt, const std::string& why) const {
    const int attempts = m_settings.Attempts();
    if (attempt >= attempts || IsAborted()) return false;
    const int delay = m_settings.m_nRetryDelayMs;
    CMsgWait notice(
        Format("%s; retrying in %d s (attempt %d of %d)", why.c_str(), (delay + 999) / 1000, attempt + 1, attempts));
    return WaitUnlessAborted(std::chrono::milliseconds(delay));
}

void CJobState::Pace(uint64_t bytes) {
    const std::chrono::steady_clock::duration wait = m_pacer.Take(bytes, m_settings.RateLimit());
    if (wait > std::chrono::steady_clock::duration::zero()) WaitUnlessAborted(wait);
}

bool CJobState::WaitUnlessAborted(std::chrono::steady_clock::duration time) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + time;
    for (Clock::time_point now = Clock::now(); now < until && !IsAborted(); now = Clock::now()) {
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(50)));
    }
    return !IsAborted();
}

CJobBinding::CJobBinding(CJobState& job) : m_pPrevious(t_pBound) { t_pBound = &job; }

CJobBinding::~CJobBinding() { t_pBound = m_pPrevious; }

}  // namespace velmora

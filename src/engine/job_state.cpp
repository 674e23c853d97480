#include "engine/job_state.h"

#include "platform/clock.h"

namespace velmora {

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

CJobState& CJobState::Job() {
    static CJobState job;
    return job;
}

void CJobState::Reset() {
    const auto lock = ReportLock();
    m_nProcessed = 0;
    m_nSkipped = 0;
    m_nErrors = 0;
    m_nLastCategory = ERROR_NONE;
    m_nTotalBytes = 0;
    m_nProcessedBytes = 0;
    m_nTotalItems = 0;
    m_mirror = CMirrorCounts();
    m_tStart = platform::Now();
    m_bAbort = false;
}

bool CJobState::ContinueCheck() const {
    const auto lock = ReportLock();
    return !IsFatalErrorCategory(m_nLastCategory) && m_nErrors < kErrorLimit;
}

}  // namespace velmora

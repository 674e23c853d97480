#include "engine/statistic.h"

#include <atomic>

#include "base/format.h"
#include "engine/tsk_data_file.h"
#include "messaging/log_file.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/transfer_status.h"

namespace velmora {
namespace {

std::atomic<int> g_nListenerCounter{0};

void HearCancel(const CMsg& msg, CJobState& job) {
    if (msg.Cmd() == MSG_CANCEL) job.m_bAbort = msg.Argc() == 1;
}

struct LevelRecords {
    int32_t openKind;
    int32_t closeKind;
    tagDBLogStatus openStatus;
    tagDBLogStatus closeStatus;
};

LevelRecords RecordsOf(EReportLevel level) {
    switch (level) {
        case EReportLevel::Job: return {LOG_RUN_JOB, LOG_END_JOB, DBLOG_BEGIN_JOB, DBLOG_END_JOB};
        case EReportLevel::Item: return {LOG_BEGIN, LOG_END, DBLOG_BEGIN_TRANS, DBLOG_END_TRANS};
        case EReportLevel::Step: break;
    }
    return {LOG_START, LOG_DONE, DBLOG_START_OP, DBLOG_END_OP};
}

}  // namespace

CJobDatabase::~CJobDatabase() = default;

bool CJobDatabase::ReportTrans(tagDBLogStatus status, const CTskDataFile* from, const CTskDataFile* to,
                               tagDBLogAction action, const std::string& detail) {
    return ReportTrans(status, from ? from->SourceText() : std::string(), to ? to->TargetText() : std::string(),
                       action, detail);
}

// The reaction to the box is job-wide: the ear needs nothing of its owner
// but its job.
class CStatistic::CEar final : public CListener {
public:
    explicit CEar(CJobState& job) : m_job(job) { CMsgBox::Box().Subscribe(Format("%d", ++g_nListenerCounter), this); }
    ~CEar() override { CMsgBox::Box().Unsubscribe(this); }
    CEar(const CEar&) = delete;
    CEar& operator=(const CEar&) = delete;

    void OnMsg(CMsg& msg) override { HearCancel(msg, m_job); }

private:
    CJobState& m_job;
};

CStatistic::CStatistic() = default;

CStatistic::CStatistic(const CStatistic& other) : CObj(other), CListener(other) {}

CStatistic& CStatistic::operator=(const CStatistic& other) {
    CObj::operator=(other);
    return *this;
}

CStatistic::~CStatistic() = default;

void CStatistic::Listen(CJobState* job) {
    if (!m_pEar) m_pEar = std::make_unique<CEar>(job ? *job : Job());
}

void CStatistic::OnMsg(CMsg& msg) { HearCancel(msg, Job()); }

bool CStatistic::ReportError(int32_t category, const CTskDataFile* file, const std::string& text) {
    return ReportErrorAt(category, text, std::string(), std::string(), file ? file->SourceText() : std::string());
}

bool CStatistic::ReportErrorAt(int32_t category, const std::string& text, const std::string& from,
                               const std::string& to, const std::string& file) {
    CJobState& job = Job();
    const auto lock = job.ReportLock();
    job.CountError(category, GetErrorCategoryText(category) + ":  " + text, file);
    LogText(LOG_ERROR, "ERROR:", job.m_strLastError);
    ReportTrans(DBLOG_FAIL, from, to, job.m_strLastError);
    return false;
}

void CStatistic::LogText(int32_t kind, const std::string& action, const std::string& text,
                         const std::string& service) {
    CLogStatus::Send(kind, service, action, text);
}

void CStatistic::LogPath(int32_t kind, const std::string& action, const CFtpPath& path) {
    CLogStatus::Send(kind, "Sys", action, path);
}

bool CStatistic::ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to,
                             const std::string& detail) {
    const auto lock = Job().ReportLock();
    CJobDatabase* database = GetDatabase();
    return !database || database->ReportTrans(status, from, to, Job().m_eAction, detail);
}

void CStatistic::ReportTransferred(const CFtpPath& source, const CFtpPath& target) {
    const auto lock = Job().ReportLock();
    CJobState& job = Job();
    ++job.m_nProcessed;
    {
        CTransferStatus status(source, target, CTransferStatus::STATUS_TRANSFERRED, true);
        status.TotalBytes(job.m_nTotalBytes);
        status.ProcessedBytes(job.m_nProcessedBytes);
        status.TotalItems(job.m_nTotalItems);
        status.GetProgressStatus().StartTime(job.m_tStart);
    }
    LogPath(LOG_OK, "+", source);
    ReportTrans(DBLOG_OK, source.GetPath(), std::string());
}

void CStatistic::ReportTextDone(const std::string& text) {
    const auto lock = Job().ReportLock();
    ++Job().m_nProcessed;
    LogText(LOG_OK, "+", text);
    ReportTrans(DBLOG_OK, text, std::string());
}

void CStatistic::ReportSkipped(const CFtpPath& path) {
    const auto lock = Job().ReportLock();
    ++Job().m_nSkipped;
    LogPath(LOG_EXCLUDED, "-", path);
}

void CStatistic::ReportSkippedText(const std::string& text) {
    ++Job().m_nSkipped;
    LogText(LOG_EXCLUDED, "-", text);
}

void CStatistic::LogStatistics() {
    const auto lock = Job().ReportLock();
    const CJobState& job = Job();
    LogText(LOG_STATUS, "",
            Format("Errors: %d, Skipped: %d, Processed: %d, Total: %d", job.m_nErrors, job.m_nSkipped,
                   job.m_nProcessed, job.m_nErrors + job.m_nSkipped + job.m_nProcessed),
            "TR:");
}

void CStatistic::SendProgress(CProgressStatus progress) {
    const auto lock = Job().ReportLock();
    const CJobState& job = Job();
    progress.TotalBytes(job.m_nTotalBytes);
    progress.ProcessedBytes(job.m_nProcessedBytes);
    progress.StartTime(job.m_tStart);
    progress.TotalItems(job.m_nTotalItems);
    CTransferStatus status(progress, true);
}

void CStatistic::SendProgress(int32_t unit, int32_t subCmd, int64_t argc, int64_t argv) {
    SendProgress(CProgressStatus(unit, subCmd, argc, argv));
}

void CStatistic::SendProgress(int32_t unit, int32_t subCmd, int64_t argc, const std::string& argv) {
    SendProgress(CProgressStatus(unit, subCmd, argc, argv));
}

void CStatistic::SendProgressCaption(int32_t unit, const std::string& caption) {
    SendProgress(CProgressStatus(unit, MSG_PROGRESS_CAPTION, caption));
}

CReportScope::CReportScope(EReportLevel level, const std::string& label, const std::string& detail)
    : m_level(level), m_strLabel(label), m_strDetail(detail), m_strClosing(detail) {
    const auto lock = CStatistic::Job().ReportLock();
    const LevelRecords records = RecordsOf(level);
    CStatistic::LogText(records.openKind, m_strLabel, m_strDetail);
    CLogStatus::IncDepth();
    CStatistic::ReportTrans(records.openStatus, m_strLabel, m_strDetail);
}

CReportScope::~CReportScope() { Close(); }

void CReportScope::Close() {
    if (!m_bOpen) return;
    m_bOpen = false;
    const auto lock = CStatistic::Job().ReportLock();
    const LevelRecords records = RecordsOf(m_level);
    CLogStatus::DecDepth();
    CStatistic::LogText(records.closeKind, m_strLabel, m_strClosing);
    CLogFile().Flush();
    CStatistic::ReportTrans(records.closeStatus, m_strLabel, m_strClosing);
}

void CReportScope::Abandon() {
    if (!m_bOpen) return;
    m_bOpen = false;
    CLogStatus::DecDepth();
}

}  // namespace velmora

#include "engine/engine_test_support.h"

#include <filesystem>

#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "engine/tsk_local_file.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"
#include "messaging/transfer_status.h"
#include "support/temp_dir.h"

namespace velmora::test {

namespace fs = std::filesystem;

TreeMap ReadTree(const std::string& root) {
    TreeMap tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        tree[relative] = entry.is_directory() ? "<dir>" : ReadFile(entry.path().string());
    }
    return tree;
}

CTskItem MakeItem(const CTransPoint& source, const CTransPoint& destination, const CTansform& transform) {
    return CTskItem(source, transform, destination);
}

CTransPoint LocalPoint(int32_t type, const std::string& path) { return CTransPoint(type, CFtpPath(path)); }

CTransPoint FtpPoint(const CFtpLoginInfo& login, const std::string& path) {
    return CTransPoint(ePointFtp, login, CFtpPath(path));
}

bool RunPair(CSource& source, CSource& target, const PutStep& put) {
    bool result = source.Scan() && target.OpenTarget();
    if (result) {
        CSourceWalk walk(source);
        for (std::unique_ptr<CTskDataFile> file = walk.Next(); file; file = walk.Next()) {
            result = put ? put(target, file.get()) : target.PutFile(file.get());
            if (!CStatistic::ContinueCheck()) break;
        }
    }
    target.Close();
    source.Close();
    return result;
}

bool RecordingDatabase::ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to,
                                    tagDBLogAction action, const std::string& detail) {
    entries.push_back({status, from, to, action, detail});
    return true;
}

void RecordingDatabase::SourceInfoAdd(CTskLocalFile* file) { sourceFiles.push_back(file->GetPath().GetPath()); }

std::vector<tagDBLogStatus> RecordingDatabase::Statuses() const {
    std::vector<tagDBLogStatus> statuses;
    for (const Entry& entry : entries) statuses.push_back(entry.status);
    return statuses;
}

TestJob::TestJob(CJobDatabase* database, CJobSettings settings)
    : m_job([&] {
          settings.m_pJobDatabase = database;
          return settings;
      }()),
      m_binding(m_job) {
    m_job.Reset();
}

void KeepResult(const CJobResult& result) { static_cast<CJobResult&>(CStatistic::Job()) = result; }

bool RunMover(const CTskItems& items) {
    CMover mover(items, CStatistic::Job().Settings());
    const bool ran = mover.RunItems();
    KeepResult(mover.GetResult());
    return ran && mover.GetResult().m_nErrors == 0;
}

bool RunKept(CMoveTrans& mover) {
    const bool ran = mover.RunItems();
    KeepResult(mover.GetResult());
    return ran;
}

bool RunApi(CMoverAPI& api) {
    api.SetJobSettings(CStatistic::Job().Settings());
    const bool ran = api.DoCopy();
    KeepResult(api.GetResult());
    return ran;
}

void EngineTest::SetUp() {
    CStatistic::Job().Settings() = CJobSettings();
    CStatistic::ResetJob();
    CLogStatus::SetDepth(0);
}

void EngineTest::TearDown() {
    CStatistic::Job().Settings() = CJobSettings();
    CStatistic::ResetJob();
}

JobRecords::JobRecords(int cancelAfter) : m_nCancelAfter(cancelAfter) { CMsgBox::Box().Subscribe("JobRecords", this); }

JobRecords::~JobRecords() { CMsgBox::Box().Unsubscribe(this); }

CancelAtFirstPosition::CancelAtFirstPosition() { CMsgBox::Box().Subscribe("canceller", this); }

CancelAtFirstPosition::~CancelAtFirstPosition() { CMsgBox::Box().Unsubscribe(this); }

void CancelAtFirstPosition::OnMsg(CMsg& msg) {
    const auto* status = dynamic_cast<const CTransferStatus*>(msg.Object());
    if (!status) return;
    const CProgressStatus& progress = status->GetProgressStatus();
    if (progress.Unit() == PROGRESS_UNIT_FILE_BYTES && progress.SubCmd() == MSG_PROGRESS_POS)
        CMsgSend(MSG_CANCEL, 1, 0, 0);
}

void JobRecords::OnMsg(CMsg& msg) {
    const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
    if (msg.Cmd() != MSG_LOG_RECORD || !record) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (record->GetKind() == LOG_STATUS) statuses.push_back(record->GetAction() + " " + record->GetText());
    if (record->GetKind() != LOG_OK || record->GetAction() != "+") return;
    ++files[record->GetPath().GetPath()];
    if (++m_nArrived == m_nCancelAfter) {
        arrivedAtCancel = m_nArrived;
        CMsgSend(MSG_CANCEL, 1, 0, 0);
    }
}

int JobRecords::CountStatuses(const std::string& action) const {
    int count = 0;
    for (const std::string& status : statuses) count += status.rfind(action, 0) == 0;
    return count;
}

}  // namespace velmora::test

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "engine/local_source.h"
#include "engine/rate_pacer.h"
#include "engine/statistic.h"
#include "engine/tsk_local_file.h"
#include "messaging/log_status.h"
#include "messaging/messaging_test_support.h"
#include "messaging/msg_box.h"
#include "messaging/msg_send.h"
#include "messaging/transfer_status.h"

namespace velmora::test {
namespace {

// The log records and transfer statuses a job sends, as they pass by.
class JobRecorder : public Recorder {
public:
    JobRecorder() { CMsgBox::Box().Subscribe("engine-test", this); }
    ~JobRecorder() override { CMsgBox::Box().Unsubscribe(this); }

    std::vector<CLogStatus> Records() const {
        std::vector<CLogStatus> records;
        for (const CMsg& msg : messages) {
            if (const auto* record = dynamic_cast<const CLogStatus*>(msg.Object())) records.push_back(*record);
        }
        return records;
    }
    std::vector<int32_t> Kinds() const {
        std::vector<int32_t> kinds;
        for (const CLogStatus& record : Records()) kinds.push_back(record.GetKind());
        return kinds;
    }
    std::vector<CTransferStatus> Statuses() const {
        std::vector<CTransferStatus> statuses;
        for (const CMsg& msg : messages) {
            if (const auto* status = dynamic_cast<const CTransferStatus*>(msg.Object())) statuses.push_back(*status);
        }
        return statuses;
    }
};

using ErrorHandlerTest = EngineTest;

TEST_F(ErrorHandlerTest, CountsLogsAndRecordsEachError) {
    RecordingDatabase database;
    TestJob scoped(&database);
    CStatistic engine;
    JobRecorder recorder;
    CStatistic::Job().m_eAction = DBACTION_FTP_TRANSFER;

    EXPECT_FALSE(engine.ReportError(ERROR_COPY, nullptr, "a.txt is locked"));

    const CJobState& job = CStatistic::Job();
    EXPECT_EQ(job.m_nErrors, 1);
    EXPECT_EQ(job.m_nLastCategory, ERROR_COPY);
    EXPECT_EQ(job.m_strLastError, "Copy file error:  a.txt is locked");
    EXPECT_EQ(engine.GetStrError(), job.m_strLastError);
    const std::vector<CLogStatus> records = recorder.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].GetKind(), LOG_ERROR);
    EXPECT_EQ(records[0].GetSource(), "Sys");
    EXPECT_EQ(records[0].GetAction(), "ERROR:");
    EXPECT_EQ(records[0].GetText(), job.m_strLastError);
    ASSERT_EQ(database.entries.size(), 1u);
    EXPECT_EQ(database.entries[0].status, DBLOG_FAIL);
    EXPECT_EQ(database.entries[0].action, DBACTION_FTP_TRANSFER);
    EXPECT_EQ(database.entries[0].detail, job.m_strLastError);
}

TEST_F(ErrorHandlerTest, CategoryTextsKeepTheirWording) {
    EXPECT_EQ(GetErrorCategoryText(ERROR_ABORTED), "Aborted by user");
    EXPECT_EQ(GetErrorCategoryText(ERROR_TOO_MANY), "Too mach errors");
    EXPECT_EQ(GetErrorCategoryText(ERROR_CONNECT), "Connect error");
    EXPECT_EQ(GetErrorCategoryText(ERROR_UNKNOWN), "Unknown error");
    EXPECT_EQ(GetErrorCategoryText(42), "Unknown error");
    EXPECT_EQ(GetErrorCategoryText(0), "Unknown error");
}

TEST_F(ErrorHandlerTest, TwentyNonFatalErrorsLetTheJobGoOnTheTwentyFirstStopsIt) {
    CStatistic engine;
    for (int i = 0; i < 20; ++i) engine.ReportError(i % 2 ? ERROR_READ : ERROR_COPY, nullptr, "x");
    EXPECT_TRUE(CStatistic::ContinueCheck());
    engine.ReportError(ERROR_UNKNOWN, nullptr, "x");
    EXPECT_FALSE(CStatistic::ContinueCheck());
}

TEST_F(ErrorHandlerTest, FatalCategoriesStopAtOnce) {
    CStatistic engine;
    for (int32_t category = 1; category <= 12; ++category) {
        CStatistic::ResetJob();
        engine.ReportError(category, nullptr, "x");
        const bool fatal = category == 1 || category == 5 || category == 6 || category == 7 || category == 9 ||
                           category == 11;
        EXPECT_EQ(CStatistic::ContinueCheck(), !fatal) << "category " << category;
    }
}

// Each taker waits until all bytes taken so far, by anyone, fit the rate; a
// quiet spell earns no burst afterwards.
TEST(RatePacerTest, TakersShareOneRateAndAPauseSavesNothingUp) {
    using namespace std::chrono_literals;
    CRatePacer pacer;
    const CRatePacer::Clock::time_point start = CRatePacer::Clock::now();
    constexpr uint64_t kMiB = 1024 * 1024;
    EXPECT_EQ(pacer.Take(kMiB, 0, start), 0s);
    EXPECT_EQ(pacer.Take(kMiB / 2, kMiB, start), 500ms);
    EXPECT_EQ(pacer.Take(kMiB / 2, kMiB, start), 1s);
    EXPECT_EQ(pacer.Take(kMiB / 4, kMiB, start + 1s), 250ms);
    EXPECT_EQ(pacer.Take(kMiB, kMiB, start + 60s), 1s);
}

TEST_F(ErrorHandlerTest, ResetJobClearsTheCountsButKeepsTheLastMessage) {
    CStatistic engine;
    engine.ReportError(ERROR_WRITE, nullptr, "disk full");
    CStatistic::Job().m_bAbort = true;
    CStatistic::Job().m_nProcessedBytes = int64_t{5} << 32;

    CStatistic::ResetJob();

    const CJobState& job = CStatistic::Job();
    EXPECT_EQ(job.m_nErrors, 0);
    EXPECT_EQ(job.m_nLastCategory, ERROR_NONE);
    EXPECT_FALSE(job.IsAborted());
    EXPECT_EQ(job.m_nProcessedBytes, 0);
    EXPECT_GT(job.m_tStart, 0);
    EXPECT_EQ(job.m_strLastError, "Write access error:  disk full");
    EXPECT_TRUE(CStatistic::ContinueCheck());
}

using CancelTest = EngineTest;

TEST_F(CancelTest, OneListeningObjectSetsAndClearsTheJobsAbortFlag) {
    CStatistic mover;
    mover.Listen();
    CMsgSend(MSG_CANCEL, 1, 0, 0);
    EXPECT_TRUE(CStatistic::Job().IsAborted());
    CMsgSend(MSG_CANCEL, 2, 0, 0);
    EXPECT_FALSE(CStatistic::Job().IsAborted());
}

TEST_F(CancelTest, DataFilesDoNotSubscribeSourcesDo) {
    const int before = CMsgBox::Box().GetCount();
    {
        std::vector<std::unique_ptr<CTskLocalFile>> files;
        for (int i = 0; i < 1000; ++i) files.push_back(std::make_unique<CTskLocalFile>(CFtpPath("/tmp/x")));
        EXPECT_EQ(CMsgBox::Box().GetCount(), before);
        CLocalSource source(MakeItem(LocalPoint(ePointFolder, "/tmp"), LocalPoint(ePointFolder, "/tmp")));
        EXPECT_EQ(CMsgBox::Box().GetCount(), before + 1);
    }
    EXPECT_EQ(CMsgBox::Box().GetCount(), before);
}

using ReportingTest = EngineTest;

TEST_F(ReportingTest, ScopesBracketWithRecordsDepthAndDatabaseEntries) {
    RecordingDatabase database;
    TestJob scoped(&database);
    JobRecorder recorder;
    {
        CReportScope job(EReportLevel::Job, "Transfer", "");
        CReportScope item(EReportLevel::Item, "Copy file:", "/a/b.txt");
        EXPECT_EQ(CLogStatus::GetDepth(), 2);
        {
            CReportScope step(EReportLevel::Step, "Copy", "");
            step.SetClosingText("x.zip, Size = 22 Bytes");
        }
        CReportScope failed(EReportLevel::Step, "Open media", "");
        failed.Abandon();
        EXPECT_EQ(CLogStatus::GetDepth(), 2);
    }
    EXPECT_EQ(CLogStatus::GetDepth(), 0);

    EXPECT_EQ(recorder.Kinds(), (std::vector<int32_t>{LOG_RUN_JOB, LOG_BEGIN, LOG_START, LOG_DONE, LOG_START,
                                                        LOG_END, LOG_END_JOB}));
    const std::vector<CLogStatus> records = recorder.Records();
    EXPECT_EQ(records[1].GetAction(), "Copy file:");
    EXPECT_EQ(records[1].GetText(), "/a/b.txt");
    EXPECT_EQ(records[3].GetText(), "x.zip, Size = 22 Bytes");
    // The step's records are indented two levels, the item's one.
    EXPECT_NE(records[2].GetLine().find(" -- START"), std::string::npos) << records[2].GetLine();
    EXPECT_NE(records[5].GetLine().find(" - END"), std::string::npos) << records[5].GetLine();
    EXPECT_EQ(database.Statuses(),
              (std::vector<tagDBLogStatus>{DBLOG_BEGIN_JOB, DBLOG_BEGIN_TRANS, DBLOG_START_OP, DBLOG_END_OP,
                                           DBLOG_START_OP, DBLOG_END_TRANS, DBLOG_END_JOB}));
    EXPECT_EQ(database.entries[1].from, "Copy file:");
    EXPECT_EQ(database.entries[1].to, "/a/b.txt");
}

TEST_F(ReportingTest, PerFileRecordsCountAndAnnounce) {
    RecordingDatabase database;
    TestJob scoped(&database);
    JobRecorder recorder;
    CStatistic::Job().m_nTotalBytes = int64_t{6} << 30;

    CStatistic::ReportTransferred(CFtpPath("/src/a.txt"), CFtpPath("/dst/a.txt"));
    CStatistic::ReportSkipped(CFtpPath("/src/b.tmp"));
    CStatistic::ReportTextDone("'/work/x.zip'");
    CStatistic::LogStatistics();

    const CJobState& job = CStatistic::Job();
    EXPECT_EQ(job.m_nProcessed, 2);
    EXPECT_EQ(job.m_nSkipped, 1);
    const std::vector<CTransferStatus> statuses = recorder.Statuses();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].GetStatus(), CTransferStatus::STATUS_TRANSFERRED);
    EXPECT_EQ(statuses[0].GetSource().GetPath(), "/src/a.txt");
    EXPECT_EQ(statuses[0].GetDestination().GetPath(), "/dst/a.txt");
    EXPECT_EQ(statuses[0].TotalBytes(), int64_t{6} << 30);
    const std::vector<CLogStatus> records = recorder.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].GetKind(), LOG_OK);
    EXPECT_EQ(records[0].GetAction(), "+");
    EXPECT_EQ(records[0].GetForm(), LOG_FILE_RECORD);
    EXPECT_EQ(records[1].GetKind(), LOG_EXCLUDED);
    EXPECT_EQ(records[1].GetAction(), "-");
    EXPECT_EQ(records[2].GetText(), "'/work/x.zip'");
    EXPECT_EQ(records[3].GetKind(), LOG_STATUS);
    EXPECT_EQ(records[3].GetSource(), "TR:");
    EXPECT_EQ(records[3].GetText(), "Errors: 0, Skipped: 1, Processed: 2, Total: 3");
    EXPECT_EQ(database.Statuses(), (std::vector<tagDBLogStatus>{DBLOG_OK, DBLOG_OK}));
    EXPECT_EQ(database.entries[0].from, "/src/a.txt");
}

}  // namespace
}  // namespace velmora::test

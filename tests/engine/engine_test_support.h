#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/job_database.h"
#include "engine/move_trans.h"
#include "engine/mover_api.h"
#include "engine/source.h"
#include "ftp/login_info.h"
#include "messaging/listener.h"
#include "tasks/tsk_item.h"

namespace velmora::test {

// Every file below a folder: relative path -> contents, "<dir>" for a folder.
using TreeMap = std::map<std::string, std::string>;
TreeMap ReadTree(const std::string& root);

// A task item from one point to another with a simple copy (or the given
// transform).
CTskItem MakeItem(const CTransPoint& source, const CTransPoint& destination,
                  const CTansform& transform = CTansform());
CTransPoint LocalPoint(int32_t type, const std::string& path);
CTransPoint FtpPoint(const CFtpLoginInfo& login, const std::string& path);

// Runs one pair the way the mover does: scan, open the target, put each file
// (with `put`, PutFile by default), stop when the job may not go on, close
// both. Answers the result of the last put (true when there was none).
using PutStep = std::function<bool(CSource& target, CTskDataFile* file)>;
bool RunPair(CSource& source, CSource& target, const PutStep& put = {});

// A job database that keeps every entry it is given.
class RecordingDatabase : public CJobDatabase {
public:
    struct Entry {
        tagDBLogStatus status;
        std::string from;
        std::string to;
        tagDBLogAction action;
        std::string detail;
    };

    bool ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to, tagDBLogAction action,
                     const std::string& detail) override;
    using CJobDatabase::ReportTrans;
    bool UpdateTransOrderStatus(tagDBTransOrderStatus) override { return true; }
    void SourceInfoClear() override { sourceFiles.clear(); }
    void SourceInfoAdd(CTskLocalFile* file) override;
    bool SourceInfoUpdateSet() override { return ++updates > 0; }
    int GetTransOrderCount() const override { return 0; }
    bool SelectTransOrder(int, CTskItem&) override { return false; }

    std::vector<tagDBLogStatus> Statuses() const;

    std::vector<Entry> entries;
    std::vector<std::string> sourceFiles;
    int updates = 0;
};

// A job of its own for the calling thread while it exists, reporting to
// `database` (null: none).
class TestJob {
public:
    explicit TestJob(CJobDatabase* database = nullptr, CJobSettings settings = CJobSettings());
    CJobState& State() { return m_job; }

private:
    CJobState m_job;
    CJobBinding m_binding;
};

// What a job the test ran with a mover or the Mover API did, put where the
// test's checks look (the thread's own job, CStatistic::Job()), whichever
// way the job ran.
void KeepResult(const CJobResult& result);

// Runs `items` with a mover, as a host would: with the settings the test gave
// its thread's job; what the job did is kept (KeepResult). True when the run
// succeeded without an error.
bool RunMover(const CTskItems& items);

// Runs the mover's items and keeps what the job did; the run's result.
bool RunKept(CMoveTrans& mover);
// Runs the api's recorded request the same way.
bool RunApi(CMoverAPI& api);

// Gives every test a fresh job on its thread: counts reset, default
// settings (no job database), depth 0.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The file records (OK "+") and status texts of a job, from any thread; it
// may cancel the job when the given number of files has arrived.
// The first progress position of a file cancels the job.
struct CancelAtFirstPosition : CListener {
    CancelAtFirstPosition();
    ~CancelAtFirstPosition() override;
    void OnMsg(CMsg& msg) override;
};

class JobRecords : public CListener {
public:
    explicit JobRecords(int cancelAfter = 0);
    ~JobRecords() override;

    void OnMsg(CMsg& msg) override;

    int CountStatuses(const std::string& action) const;

    std::map<std::string, int> files;
    std::vector<std::string> statuses;
    int arrivedAtCancel = 0;

private:
    std::mutex m_mutex;
    int m_nCancelAfter;
    int m_nArrived = 0;
};

}  // namespace velmora::test

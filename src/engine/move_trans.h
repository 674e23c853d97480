#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/mirror.h"
#include "engine/session_pool.h"
#include "engine/statistic.h"
#include "messaging/worker.h"
#include "platform/api.h"
#include "tasks/tsk_item.h"

namespace velmora {

class CJobDatabase;
class CSource;

// Runs transfer jobs: a list of task items, or the transfer orders of the
// job database. For each item it picks the pair of sources that fits the
// item's point types and transform (the pair table), runs the pair and keeps
// the job's statistics; every step is reported as log records, progress
// statuses and, for a scheduled job, log entries in the job database.
//
// A job runs on the calling thread with the settings its host gave the
// mover, and keeps its own counts, errors and outcomes (GetResult): movers on
// other threads run side by side without seeing each other's.
class VELMORA_API CMoveTrans : public CStatistic, public CWorker {
public:
    // How a pair of sources is run.
    enum ERun { eRunNone, eRunCopy, eRunCompress, eRunTransfer, eRunFtpToArchive };

    // A job over a copy of `items`.
    explicit CMoveTrans(const CTskItems& items, const CJobSettings& settings = CJobSettings());
    // A job over the transfer orders of `database`, which receives its
    // reports while it runs (it becomes the settings' job database).
    explicit CMoveTrans(CJobDatabase* database, const CJobSettings& settings = CJobSettings());
    CMoveTrans(const CMoveTrans&) = delete;
    CMoveTrans& operator=(const CMoveTrans&) = delete;

    // Runs every item in order; stops early when the job may not go on
    // (ContinueCheck). Answers the last item's result (true for none).
    bool RunItems();
    // Runs the job database's transfer orders in order, each order marked
    // Processed, or FAIL, which stops the job. False without a database.
    bool ProcessOrders();
    // Runs the current item: the pair of sources that fits the types of its
    // points and whether its transform compresses (an item that fits none
    // does nothing), or the deletion of its source file.
    bool TransferItem();
    // Runs the current item as a stored transfer order: a compressing order
    // becomes the items that build its archive and bring it to its
    // destination (as a job built by the program would), any other order is
    // one item.
    bool TransferOrder();
    // One database log entry for the current item: its source and
    // destination locations with `status` and `text`. False without a
    // database or a current item.
    virtual bool ReportItem(tagDBLogStatus status, const std::string& text);

    // The job's start progress status; at the stop the end status and the
    // statistics line.
    void WorkerStart() override;
    void WorkerStop() override;

    // The mover's job: its settings, and while it runs its state. Objects
    // made for the job before it runs (sources) are made while it is bound
    // (CJobBinding).
    CJobState& GetJob() { return m_job; }
    // What the last run did.
    CJobResult GetResult() const { return m_job.Result(); }

protected:
    // The job around the items: the lock, the reset job state, the runner,
    // the item range and the RunJob/EndJob bracket. `next` makes the item at
    // an index current (null: the job ends); `done` follows each item and
    // answers whether the job goes on.
    // `transfer` runs the current item.
    bool RunJob(int count, const std::function<CTskItem*(int)>& next, const std::function<bool()>& done,
                const std::function<bool()>& transfer);
    // One pair of sources run the way `run` says.
    bool RunPair(ERun run, CSource& source, CSource& target);
    // A file put as it is, or as the mirror decides.
    using DecideStep = std::function<bool(CTskDataFile* file, const CMirror::PutStep& put)>;
    // Whether the pair's files go over several sessions (the job's number).
    static bool InSessions(ERun run, const CSource& source, const CSource& target);
    // The files one after another; the last put's result. Each file's
    // outcome goes to `outcome`, also of those after the job stopped.
    static bool PutInTurn(CSource& source, const DecideStep& decide, const CMirror::PutStep& put,
                          const CSessionPool::OutcomeStep& outcome, const CSessionPool::DoneStep& done);
    // The folders one after another on the pair's own session, the files
    // over the job's sessions (first those `early` opened) as their folders
    // come to be; true when every put succeeded.
    static bool PutInSessions(CSource& source, CSource& target, CEarlySessions& early, const DecideStep& decide,
                              const CSessionPool::OutcomeStep& outcome, const CSessionPool::DoneStep& done);

    CJobState m_job;
    CTskItems m_items;
    CTskItem* m_pCurItem = nullptr;
    // The item a database transfer order is loaded into.
    CTskItem m_workItem;

private:
    // The last item of a compression chain: the archive, now copied to its
    // destinations, goes.
    bool DeleteIntermediateFile(const std::string& path);
};

// The mover of item lists and of the Mover API's transfers.
class VELMORA_API CMover : public CMoveTrans {
public:
    using CMoveTrans::CMoveTrans;

    // A whole job of one pair of sources: the job state reset, the runner,
    // the "Copying..." caption and the operation bracketed as `label` with
    // `detail`, around the transfer run.
    bool RunTransfer(const std::string& label, const std::string& detail, CSource& source, CSource& target);
};

}  // namespace velmora

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
// A job runs on the calling thread and holds the process's job lock for its
// whole run (CJobLock): a job started on another thread meanwhile waits.
class VELMORA_API CMoveTrans : public CStatistic, public CWorker {
public:
    // How a pair of sources is run.
    enum ERun { eRunNone, eRunCopy, eRunCompress, eRunTransfer, eRunFtpToArchive };

    // A job over a copy of `items`.
    explicit CMoveTrans(const CTskItems& items);
    // A job over the transfer orders of `database`, which receives its
    // reports while it runs.
    explicit CMoveTrans(CJobDatabase* database);
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
    // The files one after another; the last put's result.
    static bool PutInTurn(CSource& source, const DecideStep& decide, const CMirror::PutStep& put,
                          const CSessionPool::DoneStep& done);
    // The folders one after another on the pair's own session, the files
    // over the job's sessions as their folders come to be; true when every
    // put succeeded.
    // `unsent` learns of each file that was handed out but failed.
    using UnsentStep = std::function<void(CTskDataFile* file)>;
    static bool PutInSessions(CSource& source, CSource& target, const DecideStep& decide,
                              const CSessionPool::DoneStep& done, const UnsentStep& unsent);

    CTskItems m_items;
    CTskItem* m_pCurItem = nullptr;
    // The item a database transfer order is loaded into.
    CTskItem m_workItem;
    CJobDatabase* m_pDatabase = nullptr;

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

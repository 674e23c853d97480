#pragma once

#include <string>

#include "db/db_log_status.h"
#include "db/db_trans_order_obj.h"
#include "platform/api.h"

namespace velmora {

class CTskDataFile;
class CTskItem;
class CTskLocalFile;

// The job database as the transfer engine sees it while a job runs: where
// its log entries, transfer-order statuses and source-file records go, and
// where a scheduled job's transfer orders come from. The database engine
// implements it; the transfer engine knows only this interface, so that it
// never depends on the engine that sits above it.
//
// One object is the process-wide database of the engine (CStatistic::
// SetDatabase); without one, nothing is written to any database. A database
// that is destroyed stops being the process-wide one.
class VELMORA_API CJobDatabase {
public:
    CJobDatabase() = default;
    CJobDatabase(const CJobDatabase&) = default;
    CJobDatabase& operator=(const CJobDatabase&) = default;
    virtual ~CJobDatabase();

    // One log entry for the selected transfer order: `from` and `to` are the
    // locations (or a bracket's label and detail), `detail` is appended to
    // the status text after ": " when it is not empty.
    virtual bool ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to,
                             tagDBLogAction action, const std::string& detail) = 0;
    // The same with the locations of two data files (an empty text for null).
    bool ReportTrans(tagDBLogStatus status, const CTskDataFile* from, const CTskDataFile* to,
                     tagDBLogAction action, const std::string& detail);

    // Sets and stores the selected transfer order's status; FAIL takes the
    // description of the latest ReportTrans.
    virtual bool UpdateTransOrderStatus(tagDBTransOrderStatus status) = 0;

    // The source-file records of a local scan: emptied before it, one added
    // per local file (which receives its stored record), stored after it.
    virtual void SourceInfoClear() = 0;
    virtual void SourceInfoAdd(CTskLocalFile* file) = 0;
    virtual bool SourceInfoUpdateSet() = 0;

    // The transfer orders a scheduled job runs, in order: selecting one
    // makes it the order that reports go to and fills `item` from it (after
    // resetting it to its defaults).
    virtual int GetTransOrderCount() const = 0;
    virtual bool SelectTransOrder(int index, CTskItem& item) = 0;
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/db_launch_order.h"
#include "db/db_log_status.h"
#include "db/db_schedule_obj.h"
#include "db/db_src_point.h"
#include "db/db_trans_order_obj.h"
#include "engine/job_database.h"
#include "engine/job_settings.h"
#include "platform/api.h"

namespace velmora {

class CSQLiteDatabase;
class CTskItem;
class CTskLocalFile;

// The job database's single entry point, for a scheduling host and for the
// transfer engine while it runs a scheduled job. It keeps one set of each
// table, the selected schedule, launch and transfer order, and its last error.
//
// The host constructs it with an open connection, which stays the host's, and
// calls MakeOrder() (plan a Pending launch for each due schedule) and
// ExecuteOrder() (run the due launches) from time to time. "Now" comes from
// the engine's clock, the system clock unless the host sets another one.
// While a scheduled job runs, the transfer engine reports to it through the
// job-database interface.
//
// Every operation that answers false (or null) leaves the reason in
// GetLastError(); nothing is displayed and nothing is thrown.
class VELMORA_API CDBEngine : public CJobDatabase {
public:
    using Clock = std::function<int64_t()>;

    explicit CDBEngine(CSQLiteDatabase* database = nullptr);
    CDBEngine(const CDBEngine& other);
    CDBEngine& operator=(const CDBEngine& other);
    ~CDBEngine() override;
    void Copy(const CDBEngine& other);

    void SetDatabase(CSQLiteDatabase* database);
    CSQLiteDatabase* GetDatabase() const { return m_pDatabase; }

    // Seconds since 1970; planning and every stored date take "now" from it.
    void SetClock(Clock clock);
    int64_t Now() const { return m_clock(); }

    // The connection list that orders naming a saved connection take their
    // login from, read each time such an order runs.
    void SetConnectionsFile(const std::string& path) { m_strConnectionsFile = path; }
    // The host's settings for the jobs that run launches (each order's
    // overwrite choice applies on top; the job database is this engine).
    void SetJobSettings(const CJobSettings& settings) { m_jobSettings = settings; }

    // The host holds the lock that lets one host at a time run launches on
    // this database (the scheduler's lock on its file). A launch found
    // Processing was then claimed by a host that ended during it (killed,
    // or its machine went down): ExecuteOrder runs it again, its files
    // continuing from what their partial files hold, and says so in the
    // log (a status record with the action kResumedAction).
    void SetSoleHost(bool sole) { m_bSoleHost = sole; }
    static constexpr const char* kResumedAction = "Resumed:";

    // No selected schedule, every set empty, the selections cleared.
    void Clear();

    CDBScheduleObjSet& Schedules() { return m_schedules; }
    CDBLaunchOrderSet& Launches() { return m_launches; }
    CDBTransOrderObjSet& TransOrders() { return m_transOrders; }
    CDBSrcPointSet& SourceInfo() { return m_sourceInfo; }
    CDBLogStatusSet& LogEntries() { return m_logEntries; }
    operator CDBScheduleObjSet&() { return m_schedules; }
    operator CDBLaunchOrderSet&() { return m_launches; }
    operator CDBTransOrderObjSet&() { return m_transOrders; }
    operator CDBSrcPointSet&() { return m_sourceInfo; }
    operator CDBLogStatusSet&() { return m_logEntries; }
    operator CDBTransOrderObj&() { return m_selTransOrder; }
    operator CDBLaunchOrder&() { return m_selLaunch; }
    CDBLaunchOrder* GetSelLaunchItem() { return &m_selLaunch; }
    CDBScheduleObj* GetSelScheduleItem() const { return m_pSelSchedule; }
    CDBTransOrderObj& GetSelTransOrder() { return m_selTransOrder; }

    // Copies into the selected launch / the selected transfer order / the
    // engine's own sets. The assignment operators below do the same.
    void SelectLaunch(const CDBLaunchOrder& launch);
    void SelectTransOrder(const CDBTransOrderObj& order);
    void CopyTransOrders(const CDBTransOrderObjSet& orders);
    void CopySourceInfo(const CDBSrcPointSet& points);
    CDBEngine& operator=(const CDBLaunchOrder& launch);
    CDBEngine& operator=(const CDBTransOrderObj& order);
    CDBEngine& operator=(const CDBTransOrderObjSet& orders);
    CDBEngine& operator=(const CDBSrcPointSet& points);

    void ShowError(const std::string& text) { m_strLastError = text; }
    const std::string& GetLastError() const { return m_strLastError; }

    // Selection, for a front end that browses the history: a schedule loads
    // its launches (the most recently performed first), a launch its
    // transfer orders, a transfer order its log entries. Null clears.
    virtual void SelectScheduleItem(CDBScheduleObj* schedule);
    bool SelectLaunchItem(const CDBLaunchOrder* launch);
    bool SelectTransOrderItem(const CDBTransOrderObj* order);

    // Schedule administration. Deleting a schedule deletes its launches,
    // transfer orders, filters and log entries; its row stays, marked
    // "Deleted", and its job document is deleted from the disk.
    bool ScheduleLoad();
    CDBScheduleObj* ScheduleAdd(const CDBScheduleObj& schedule);
    CDBScheduleObj* ScheduleFindByTargetGUID(const std::string& guid) const;
    bool SchedulePopulate(const std::string& guid, CDBScheduleObj& out) const;
    // Stores `schedule` for the job document: over the loaded schedule of
    // that GUID (keeping its key), or as a new schedule.
    CDBScheduleObj* ScheduleAssign(const std::string& targetFile, const std::string& targetGUID,
                                   const CDBScheduleObj& schedule);
    // A schedule that is not enabled is deleted (null); otherwise its launches
    // are dropped and it is stored.
    CDBScheduleObj* ScheduleUpdate(const CDBScheduleObj& schedule);
    CDBScheduleObj* ScheduleUpdate(const std::string& targetFile, const std::string& targetGUID,
                                   const CDBScheduleObj& schedule);
    // The keyring entries of the schedule's orders go too; what could not
    // be deleted there is said by GetNotice().
    bool ScheduleDelete(const CDBScheduleObj& schedule);
    bool ScheduleDelete(const std::string& guid);
    // What the last operation that succeeded has to tell the user.
    const std::string& GetNotice() const { return m_strNotice; }

    // Moves the passwords that orders keep in the database (scrambled, or
    // as typed by older versions) into the desktop's keyring, when the
    // host's choice allows it and a keyring runs; an order whose passwords
    // cannot move keeps them, said by GetNotice(). False when a statement
    // failed.
    bool MovePasswordsToKeyring();

    // Planning: a Pending launch for each schedule that is due now.
    virtual bool CanMakeOrder(const CDBScheduleObj& schedule, const CDBLaunchOrder& last, CDBLaunchOrder& next);
    virtual bool MakeOrder();
    virtual bool MakeOrder(const CDBScheduleObj& schedule);

    // Execution: each Pending launch whose time of day has come runs the
    // schedule's transfer orders; the launch ends Processed or FAIL. A
    // failed launch leaves the other schedules theirs; ExecuteOrder() then
    // answers false once they ran.
    virtual bool CanExecuteOrder(const CDBScheduleObj& schedule, const CDBLaunchOrder& launch);
    virtual bool ExecuteOrder();
    virtual bool ExecuteOrder(const CDBScheduleObj& schedule);
    // Runs the launch's transfer orders as one job with `settings`.
    virtual bool ProcessOrder(const CDBScheduleObj& schedule, CDBLaunchOrder& launch, const CJobSettings& settings);

    // Reporting from the transfer engine while it runs the selected order.
    // One log entry for the selected transfer order; locations are stored
    // with "/" as the separator and a detail is appended to the status text.
    using CJobDatabase::ReportTrans;
    bool ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to, tagDBLogAction action,
                     const std::string& detail) override;
    // Writes the selected order's status; a FAIL takes the text of the
    // order's latest FAIL entry (else of the latest entry) as its
    // description.
    bool UpdateTransOrderStatus(tagDBTransOrderStatus status) override;
    void SourceInfoClear() override { m_sourceInfo.RemoveAndDestroy(); }
    // Records a local file seen by a scan: the file receives its stored
    // record, or one with status NewObj when the file is new.
    void SourceInfoAdd(CTskLocalFile* file) override;
    bool SourceInfoUpdateSet() override;
    // The loaded transfer orders, as the mover runs them.
    int GetTransOrderCount() const override { return m_transOrders.GetCount(); }
    bool SelectTransOrder(int index, CTskItem& item) override;
    // Fills a task item from the selected transfer order (operator>> too).
    void FillTaskItem(CTskItem& item) const;
    void operator>>(CTskItem& item) const;
    // Gives the item's ends that name a saved connection that connection's
    // login, then the order's own TLS settings; false (with the reason) when
    // a connection, or its password, is missing.
    bool ApplySavedConnections(CTskItem& item, std::string& error) const;
    // Gives the item the order's passwords that rest in the keyring; false
    // (with the reason) when the keyring does not give them.
    bool ApplyKeyringPasswords(CTskItem& item, std::string& error) const;

private:
    // Runs a batch over every schedule that is not deleted; stops at the first
    // failure.
    bool ForEachSchedule(const std::function<bool(CDBScheduleObj&)>& step);
    // The engine error from a set whose statement failed; false.
    bool Fail(const CDBObjSet& set);
    bool FailText(const std::string& text);
    CDBScheduleObj* FailNull(const CDBObjSet& set);
    // The selected order cannot log in: it fails with `reason` without
    // reaching a server, and the orders after it go on.
    void FailBeforeLogin(CTskItem& item, const std::string& reason);

    // Runs the schedule's launches a host left Processing (SetSoleHost).
    bool ResumeLeftLaunches(const CDBScheduleObj& schedule);

    // Deletion of a schedule's records, each step after the one before.
    bool DeleteLogStatus(const CDBScheduleObj& schedule);
    bool DeleteTransOrders(const CDBScheduleObj& schedule);
    bool DeleteLaunchOrders(const CDBScheduleObj& schedule);

    CSQLiteDatabase* m_pDatabase = nullptr;
    CDBScheduleObj* m_pSelSchedule = nullptr;
    CDBScheduleObjSet m_schedules;
    CDBLaunchOrder m_selLaunch;
    CDBLaunchOrderSet m_launches;
    CDBTransOrderObj m_selTransOrder;
    CDBTransOrderObjSet m_transOrders;
    CDBSrcPointSet m_sourceInfo;
    CDBLogStatus m_logRecord;
    CDBLogStatusSet m_logEntries;
    std::string m_strLastError;
    // The text of the selected order's latest FAIL entry.
    std::string m_strFailText;
    std::string m_strNotice;
    // The selected order failed before its login; some order of the running
    // launch did; the last launch ended FAIL.
    bool m_bSelOrderFailed = false;
    bool m_bOrderFailed = false;
    bool m_bLaunchFailed = false;
    Clock m_clock;
    std::string m_strConnectionsFile;
    CJobSettings m_jobSettings;
    bool m_bSoleHost = false;
};

}  // namespace velmora

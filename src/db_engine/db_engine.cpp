#include "db_engine/db_engine.h"

#include <algorithm>
#include <iterator>

#include "base/format.h"
#include "db/db_transaction.h"
#include "db/time_views.h"
#include "db_engine/trans_order_extras.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "engine/tsk_local_file.h"
#include "messaging/log_status.h"
#include "paths/file_path.h"
#include "platform/clock.h"
#include "tasks/tsk_item.h"

namespace velmora {

CDBEngine::CDBEngine(CSQLiteDatabase* database)
    : m_pDatabase(database),
      m_schedules(database),
      m_launches(database),
      m_transOrders(database),
      m_sourceInfo(database),
      m_logEntries(database),
      m_clock(platform::Now) {}

CDBEngine::CDBEngine(const CDBEngine& other) : CDBEngine(other.m_pDatabase) { Copy(other); }

CDBEngine& CDBEngine::operator=(const CDBEngine& other) {
    if (this != &other) Copy(other);
    return *this;
}

CDBEngine::~CDBEngine() = default;

void CDBEngine::Copy(const CDBEngine& other) {
    SetDatabase(other.m_pDatabase);
    m_schedules.Copy(other.m_schedules);
    m_launches.Copy(other.m_launches);
    m_transOrders.Copy(other.m_transOrders);
    m_sourceInfo.Copy(other.m_sourceInfo);
    m_logEntries.Copy(other.m_logEntries);
    m_selLaunch.Copy(other.m_selLaunch);
    m_selTransOrder.Copy(other.m_selTransOrder);
    m_logRecord.Copy(other.m_logRecord);
    m_strFailText = other.m_strFailText;
    m_strLastError = other.m_strLastError;
    m_clock = other.m_clock;
    m_strConnectionsFile = other.m_strConnectionsFile;
    m_jobSettings = other.m_jobSettings;
    m_bSoleHost = other.m_bSoleHost;
    // The other engine's selection points into its own set; select the copy
    // of that record here, so that this engine never points into another.
    m_pSelSchedule = other.m_pSelSchedule ? m_schedules.FindById(other.m_pSelSchedule->ID) : nullptr;
}

void CDBEngine::SetDatabase(CSQLiteDatabase* database) {
    m_pDatabase = database;
    m_schedules.SetDatabase(database);
    m_launches.SetDatabase(database);
    m_transOrders.SetDatabase(database);
    m_sourceInfo.SetDatabase(database);
    m_logEntries.SetDatabase(database);
}

void CDBEngine::SetClock(Clock clock) { m_clock = clock ? std::move(clock) : Clock(platform::Now); }

void CDBEngine::Clear() {
    m_pSelSchedule = nullptr;
    m_schedules.RemoveAndDestroy();
    m_launches.RemoveAndDestroy();
    m_transOrders.RemoveAndDestroy();
    m_sourceInfo.RemoveAndDestroy();
    m_logEntries.RemoveAndDestroy();
    m_selLaunch.Clear();
    m_selTransOrder.Clear();
    m_logRecord.Clear();
    m_strFailText.clear();
}

void CDBEngine::SelectLaunch(const CDBLaunchOrder& launch) { m_selLaunch.Copy(launch); }

void CDBEngine::SelectTransOrder(const CDBTransOrderObj& order) {
    m_selTransOrder.Copy(order);
    m_strFailText.clear();
}

void CDBEngine::CopyTransOrders(const CDBTransOrderObjSet& orders) { m_transOrders.Copy(orders); }

void CDBEngine::CopySourceInfo(const CDBSrcPointSet& points) { m_sourceInfo.Copy(points); }

CDBEngine& CDBEngine::operator=(const CDBLaunchOrder& launch) {
    SelectLaunch(launch);
    return *this;
}

CDBEngine& CDBEngine::operator=(const CDBTransOrderObj& order) {
    SelectTransOrder(order);
    return *this;
}

CDBEngine& CDBEngine::operator=(const CDBTransOrderObjSet& orders) {
    CopyTransOrders(orders);
    return *this;
}

CDBEngine& CDBEngine::operator=(const CDBSrcPointSet& points) {
    CopySourceInfo(points);
    return *this;
}

bool CDBEngine::Fail(const CDBObjSet& set) {
    m_strLastError = set.GetLastError();
    return false;
}

bool CDBEngine::FailText(const std::string& text) {
    ShowError(text);
    return false;
}

CDBScheduleObj* CDBEngine::FailNull(const CDBObjSet& set) {
    Fail(set);
    return nullptr;
}

// Selection

void CDBEngine::SelectScheduleItem(CDBScheduleObj* schedule) {
    m_selLaunch.Clear();
    m_transOrders.RemoveAndDestroy();
    m_launches.RemoveAndDestroy();
    m_pSelSchedule = schedule;
    if (schedule && !m_launches.LoadByIdSchedule(schedule->ID)) Fail(m_launches);
}

bool CDBEngine::SelectLaunchItem(const CDBLaunchOrder* launch) {
    if (!launch) {
        m_selLaunch.Clear();
        m_transOrders.RemoveAndDestroy();
        return true;
    }
    m_selLaunch.Copy(*launch);
    return m_transOrders.LoadByID_LaunchOrder(launch->ID) || Fail(m_transOrders);
}

bool CDBEngine::SelectTransOrderItem(const CDBTransOrderObj* order) {
    if (!order) {
        m_selTransOrder.Clear();
        m_logEntries.RemoveAndDestroy();
        return true;
    }
    SelectTransOrder(*order);
    return m_logEntries.LoadByIdTransorder(order->ID) || Fail(m_logEntries);
}

// Schedules

bool CDBEngine::ScheduleLoad() {
    m_pSelSchedule = nullptr;
    return m_schedules.LoadSchedule() || Fail(m_schedules);
}

CDBScheduleObj* CDBEngine::ScheduleAdd(const CDBScheduleObj& schedule) {
    CDBScheduleObj* added = m_schedules.AddSchedule(schedule);
    return added ? added : FailNull(m_schedules);
}

CDBScheduleObj* CDBEngine::ScheduleFindByTargetGUID(const std::string& guid) const {
    return m_schedules.FindByTargetGUID(guid);
}

bool CDBEngine::SchedulePopulate(const std::string& guid, CDBScheduleObj& out) const {
    const CDBScheduleObj* found = ScheduleFindByTargetGUID(guid);
    if (found) out.Copy(*found);
    return found != nullptr;
}

CDBScheduleObj* CDBEngine::ScheduleAssign(const std::string& targetFile, const std::string& targetGUID,
                                          const CDBScheduleObj& schedule) {
    CDBScheduleObj assigned(schedule);
    assigned.TargetFile = targetFile;
    assigned.TargetGUID = targetGUID;
    const CDBScheduleObj* found = ScheduleFindByTargetGUID(targetGUID);
    if (!found) return ScheduleAdd(assigned);
    // The schedule that the front end edits may not carry the stored key;
    // the document's GUID says which row it replaces.
    assigned.ID = found->ID;
    CDBScheduleObj* edited = m_schedules.EditSchedule(assigned);
    return edited ? edited : FailNull(m_schedules);
}

CDBScheduleObj* CDBEngine::ScheduleUpdate(const CDBScheduleObj& schedule) {
    if (!schedule.IsScheduleEnabled()) {
        ScheduleDelete(schedule);
        return nullptr;
    }
    if (!DeleteLaunchOrders(schedule)) return nullptr;
    CDBScheduleObj* edited = m_schedules.EditSchedule(schedule);
    return edited ? edited : FailNull(m_schedules);
}

CDBScheduleObj* CDBEngine::ScheduleUpdate(const std::string& targetFile, const std::string& targetGUID,
                                          const CDBScheduleObj& schedule) {
    if (schedule.IsScheduleEnabled()) return ScheduleAssign(targetFile, targetGUID, schedule);
    if (const CDBScheduleObj* found = ScheduleFindByTargetGUID(targetGUID)) ScheduleDelete(*found);
    return nullptr;
}

bool CDBEngine::ScheduleDelete(const CDBScheduleObj& schedule) {
    // The argument may be the loaded record that DeleteSchedule destroys.
    const CDBScheduleObj deleted(schedule);
    if (m_pSelSchedule && m_pSelSchedule->ID == deleted.ID) m_pSelSchedule = nullptr;
    m_strNotice.clear();
    CDBTransOrderObjSet orders(m_pDatabase);
    if (!orders.LoadByIdSchedule(deleted.ID)) return Fail(orders);
    if (!DeleteLaunchOrders(deleted)) return false;
    if (!m_schedules.DeleteSchedule(deleted)) return Fail(m_schedules);
    CFilePath::DeleteFileW(deleted.TargetFile);
    for (const CDBObj* element : orders) {
        const auto& order = static_cast<const CDBTransOrderObj&>(*element);
        std::string error;
        if (ForgetOrderPasswords(order, error) != platform::ESecretResult::Ok)
            m_strNotice = Format("the keyring entries of order %d could not be deleted: %s", order.ID, error.c_str());
    }
    return true;
}

bool CDBEngine::MovePasswordsToKeyring() {
    m_strNotice.clear();
    CDBTransOrderObjSet orders(m_pDatabase);
    if (!orders.Load(nullptr)) return Fail(orders);
    for (CDBObj* element : orders) {
        auto& order = static_cast<CDBTransOrderObj&>(*element);
        platform::ESecretResult result = platform::ESecretResult::Ok;
        std::string error;
        if (MoveOrderPasswordsToKeyring(order, result, error)) {
            CDBWriteTransaction transaction(m_pDatabase);
            if (!transaction.IsOpen() || !orders.EditRecord(order) || !transaction.Commit()) {
                // The database keeps the passwords where they were.
                ForgetOrderPasswords(order, error);
                return transaction.IsOpen() ? Fail(orders) : FailText(transaction.GetLastError());
            }
        } else if (result == platform::ESecretResult::NoService) {
            return true;
        } else if (result != platform::ESecretResult::Ok) {
            m_strNotice = Format("the passwords of order %d stay scrambled in the job database: %s", order.ID,
                                 error.c_str());
        }
    }
    return true;
}

bool CDBEngine::ScheduleDelete(const std::string& guid) {
    const CDBScheduleObj* found = ScheduleFindByTargetGUID(guid);
    if (!found) {
        ShowError("No schedule for " + guid);
        return false;
    }
    return ScheduleDelete(*found);
}

bool CDBEngine::DeleteLogStatus(const CDBScheduleObj& schedule) {
    CDBTransOrderObjSet orders(m_pDatabase);
    if (!orders.LoadByIdSchedule(schedule.ID)) return Fail(orders);
    CDBLogStatusSet entries(m_pDatabase);
    for (CDBObj* element : orders) {
        if (!entries.DeleteRecord(static_cast<const CDBTransOrderObj&>(*element))) return Fail(entries);
    }
    return true;
}

bool CDBEngine::DeleteTransOrders(const CDBScheduleObj& schedule) {
    if (!DeleteLogStatus(schedule)) return false;
    CDBTransOrderObjSet orders(m_pDatabase);
    return orders.DeleteRecord(schedule) || Fail(orders);
}

bool CDBEngine::DeleteLaunchOrders(const CDBScheduleObj& schedule) {
    if (!DeleteTransOrders(schedule)) return false;
    CDBLaunchOrderSet launches(m_pDatabase);
    return launches.DeleteRecord(schedule) || Fail(launches);
}

// Planning

bool CDBEngine::ForEachSchedule(const std::function<bool(CDBScheduleObj&)>& step) {
    Clear();
    // A deleted schedule keeps its row for the history only: it is never
    // planned or run again.
    if (!m_schedules.LoadSchedule()) return Fail(m_schedules);
    for (CDBObj* element : m_schedules) {
        if (!step(static_cast<CDBScheduleObj&>(*element))) return false;
    }
    return true;
}

bool CDBEngine::MakeOrder() {
    return ForEachSchedule([this](CDBScheduleObj& schedule) { return MakeOrder(schedule); });
}

bool CDBEngine::MakeOrder(const CDBScheduleObj& schedule) {
    // Another host on the same file plans between our read and our insert
    // only before or after this transaction, never inside it.
    CDBWriteTransaction transaction(m_pDatabase);
    if (!transaction.IsOpen()) return FailText("Cannot plan the launches: " + transaction.GetLastError());
    CDBLaunchOrderSet launches(m_pDatabase);
    CDBLaunchOrder last;
    if (!launches.LoadLastRecord(schedule, last)) return Fail(launches);
    CDBLaunchOrder next;
    if (CanMakeOrder(schedule, last, next) && !launches.AddRecord(next)) return Fail(launches);
    return transaction.Commit() || FailText("Cannot plan the launches: " + transaction.GetLastError());
}

bool CDBEngine::CanMakeOrder(const CDBScheduleObj& schedule, const CDBLaunchOrder& last, CDBLaunchOrder& next) {
    // A launch waiting or running is the schedule's one launch for now.
    if (last.Status == CDBLaunchOrder::eLaunchPending || last.Status == CDBLaunchOrder::eLaunchProcessing)
        return false;
    next.ID_Schedule = schedule.ID;
    next.DateScheduled = schedule.StartDateTime;
    next.DatePerformed = 0;
    next.SetStatus(CDBLaunchOrder::eLaunchPending);

    const int64_t now = Now();
    const bool notYetToday = CDate(last.DatePerformed).Compare(now) < 0;
    // A repeating schedule does not run before the day it starts on (a
    // timer not before the moment it starts).
    const bool startDayCome = CDate(now).Compare(schedule.StartDateTime) >= 0;
    switch (schedule.Repeat) {
    case CDBScheduleObj::eOnce:
        return CDate(last.DatePerformed).Compare(0) == 0 && CDate(now).Compare(schedule.StartDateTime) == 0;
    case CDBScheduleObj::eDaily:
        return startDayCome && notYetToday;
    case CDBScheduleObj::eWeekly:
        return startDayCome && notYetToday && CDayOfWeek(now).IsDayOfWeek(schedule.DaysOfWeek);
    case CDBScheduleObj::eMonthly:
        return startDayCome && notYetToday && CMonth(now).IsDayOfMonth(schedule.DaysOfMonth);
    case CDBScheduleObj::eTimer:
        if (now < schedule.StartDateTime) return false;
        // A schedule never performed keeps its start as the scheduled time
        // instead of a date Timer minutes after 1970.
        if (last.DatePerformed != 0) next.DateScheduled = last.DatePerformed + int64_t{schedule.Timer} * 60;
        return (now - last.DatePerformed) / 60 >= schedule.Timer;
    default:
        return false;
    }
}

// Execution

bool CDBEngine::CanExecuteOrder(const CDBScheduleObj& schedule, const CDBLaunchOrder& launch) {
    switch (schedule.Repeat) {
    case CDBScheduleObj::eOnce:
    case CDBScheduleObj::eDaily:
    case CDBScheduleObj::eWeekly:
    case CDBScheduleObj::eMonthly:
        return CTimeOfDay(Now()).Compare(launch.DateScheduled) >= 0;
    case CDBScheduleObj::eTimer:
        return true;
    default:
        return false;
    }
}

bool CDBEngine::ExecuteOrder() {
    bool allProcessed = true;
    const bool ran = ForEachSchedule([&](CDBScheduleObj& schedule) {
        m_pSelSchedule = &schedule;
        m_bLaunchFailed = false;
        if (ExecuteOrder(schedule)) return true;
        allProcessed = false;
        // One schedule's failure (a server down, a password missing) is
        // no reason to leave the others' launches waiting; a statement
        // that failed is.
        return m_bLaunchFailed;
    });
    return ran && allProcessed;
}

bool CDBEngine::ExecuteOrder(const CDBScheduleObj& schedule) {
    if (!ResumeLeftLaunches(schedule)) return false;
    if (!m_launches.LoadByStatus(schedule, CDBLaunchOrder::eLaunchPending)) return Fail(m_launches);
    for (CDBObj* element : m_launches) {
        m_selLaunch.Copy(*element);
        if (!CanExecuteOrder(schedule, m_selLaunch)) continue;
        // Another host on the same file may have taken it since it was read.
        bool claimed = false;
        if (!m_launches.Claim(m_selLaunch, claimed)) return Fail(m_launches);
        if (claimed && !ProcessOrder(schedule, m_selLaunch, m_jobSettings)) return false;
    }
    return true;
}

bool CDBEngine::ProcessOrder(const CDBScheduleObj& schedule, CDBLaunchOrder& launch, const CJobSettings& settings) {
    if (!m_transOrders.LoadByIdSchedule(schedule.ID)) return Fail(m_transOrders);
    m_bOrderFailed = false;
    CMoveTrans mover(this, settings);
    mover.ProcessOrders();
    const bool processed = mover.GetJob().ContinueCheck() && !m_bOrderFailed;
    launch.SetStatus(processed ? CDBLaunchOrder::eLaunchProcessed : CDBLaunchOrder::eLaunchFail);
    launch.DatePerformed = Now();
    if (!m_launches.UpdateStatus(launch, launch.DatePerformed)) return Fail(m_launches);
    m_bLaunchFailed = !processed;
    return processed;
}

// Reporting

bool CDBEngine::ReportTrans(tagDBLogStatus status, const std::string& from, const std::string& to,
                            tagDBLogAction action, const std::string& detail) {
    const auto withSlashes = [](std::string text) {
        std::replace(text.begin(), text.end(), '\\', '/');
        return text;
    };
    m_logRecord.Clear();
    m_logRecord.ID_TransOrder = m_selTransOrder.ID;
    m_logRecord.Date = Now();
    m_logRecord.Phase = 0;
    m_logRecord.Action = action;
    m_logRecord.FromURL = withSlashes(from);
    m_logRecord.ToURL = withSlashes(to);
    m_logRecord.SetStatus(status);
    if (!detail.empty()) m_logRecord.StatusDescription += ": " + detail;
    if (status == DBLOG_FAIL) m_strFailText = m_logRecord.StatusDescription;
    CDBLogStatusSet entries(m_pDatabase);
    return entries.AddRecord(m_logRecord) || Fail(entries);
}

bool CDBEngine::UpdateTransOrderStatus(tagDBTransOrderStatus status) {
    if (m_bSelOrderFailed) status = TRANSORDER_FAIL;
    m_selTransOrder.SetStatus(status);
    // The entries that close the order's brackets come after its failure;
    // the failure's own text is what the order keeps.
    if (status == TRANSORDER_FAIL)
        m_selTransOrder.StatusDescription = m_strFailText.empty() ? m_logRecord.StatusDescription : m_strFailText;
    return m_transOrders.UpdateStatus(m_selTransOrder, Now()) || Fail(m_transOrders);
}

void CDBEngine::SourceInfoAdd(CTskLocalFile* file) {
    if (!file) return;
    const CFtpPath& path = file->GetPath();
    auto* point = new CDBSrcPoint();
    point->URL = path.GetPath();
    point->FileAttributes = static_cast<int32_t>(path.GetAttr());
    // A time the file system does not give stays unset, not a date in 1601.
    const auto toTime = [](uint64_t fileTime) { return fileTime ? platform::FileTimeToUnix(fileTime) : 0; };
    point->CreationTime = toTime(path.CreationTime());
    point->LastAccessTime = toTime(path.LastAccessTime());
    point->LastWriteTime = toTime(path.LastWriteTime());
    point->SetFileSize(static_cast<int64_t>(path.Length()));
    m_sourceInfo.Add(point);
    // The set keeps the file as the scan saw it, for SourceInfoUpdateSet to
    // store; the file gets its stored record. A failed lookup leaves that
    // record as the scan made it: the file then counts as not seen before.
    CDBSrcPoint& stored = file->GetSrcPoint();
    stored.Copy(*point);
    m_sourceInfo.UpdateObj(stored);
}

bool CDBEngine::SourceInfoUpdateSet() {
    // Stores what the scan saw (new, changed or equal), so that the next
    // run can tell new and changed files from those it has seen: all of it
    // or, when the host stops on the way, none of it, and SQLite writes its
    // pages once for the scan instead of once for each file.
    CDBWriteTransaction transaction(m_pDatabase);
    if (!transaction.IsOpen()) return FailText("Cannot store the scanned files: " + transaction.GetLastError());
    if (!m_sourceInfo.UpdateStatusA()) return Fail(m_sourceInfo);
    return transaction.Commit() || FailText("Cannot store the scanned files: " + transaction.GetLastError());
}

bool CDBEngine::SelectTransOrder(int index, CTskItem& item) {
    const bool inRange = index >= 0 && index < m_transOrders.GetCount();
    const auto* order = inRange ? dynamic_cast<const CDBTransOrderObj*>(*std::next(m_transOrders.begin(), index))
                                : nullptr;
    if (!order) {
        ShowError("No transfer order at " + std::to_string(index));
        return false;
    }
    SelectTransOrder(*order);
    m_bSelOrderFailed = false;
    item.Default();
    FillTaskItem(item);
    // The order's own choice, for the job that runs it.
    CStatistic::Job().Settings().m_eOverwrite = OrderOverwrite(m_selTransOrder);
    CStatistic::Job().Settings().m_eVerify = OrderVerify(m_selTransOrder);
    CStatistic::Job().Settings().m_bMirrorChecksum = OrderChecksum(m_selTransOrder);
    std::string error;
    if (!ApplyKeyringPasswords(item, error) || !ApplySavedConnections(item, error)) FailBeforeLogin(item, error);
    return true;
}

void CDBEngine::FailBeforeLogin(CTskItem& item, const std::string& reason) {
    ShowError(reason);
    CStatistic::LogText(LOG_ERROR, "Order", reason);
    ReportTrans(DBLOG_FAIL, m_selTransOrder.FromURL, m_selTransOrder.ToURL, DBACTION_NONE, reason);
    m_bSelOrderFailed = true;
    m_bOrderFailed = true;
    // Ends of no kind: the mover has nothing to do for this order, and
    // no server hears an empty password.
    item.Default();
    item.SourcePoint().SetPointType(ePointNone);
    item.DestinationPoint().SetPointType(ePointNone);
}

bool CDBEngine::ApplyKeyringPasswords(CTskItem& item, std::string& error) const {
    if (!HasKeyringPasswords(m_selTransOrder)) return true;
    COrderPasswords passwords;
    if (ReadOrderPasswords(m_selTransOrder, passwords, error) != platform::ESecretResult::Ok) return false;
    item.SourcePoint().SetPWD(passwords.from);
    item.DestinationPoint().SetPWD(passwords.to);
    item.GetTransform().SetPassword(passwords.zip);
    return true;
}

bool CDBEngine::ApplySavedConnections(CTskItem& item, std::string& error) const {
    const std::pair<EOrderEnd, CTransPoint*> ends[] = {{EOrderEnd::From, &item.SourcePoint()},
                                                       {EOrderEnd::To, &item.DestinationPoint()}};
    for (const auto& [end, point] : ends) {
        const CSavedConnectionRef connection = OrderConnection(m_selTransOrder, end);
        if (!connection.IsEmpty() && !ApplySavedConnection(*point, connection, m_strConnectionsFile, error)) {
            return false;
        }
        if (point->GetPointType() == ePointFtp) ApplyOrderTls(*point, OrderTls(m_selTransOrder, end));
    }
    return true;
}

void CDBEngine::operator>>(CTskItem& item) const { FillTaskItem(item); }

void CDBEngine::FillTaskItem(CTskItem& item) const {
    const CDBTransOrderObj& order = m_selTransOrder;
    const auto fill = [](CTransPoint& point, int32_t type, const std::string& name, const std::string& url,
                         const std::string& login, const std::string& password) {
        point.SetPointType(type);
        point.SetName(name);
        point.SetPureURL(url);
        // Only an FTP site takes a login; other points keep theirs.
        point.SetLogin(login);
        point.SetPWD(password);
    };
    fill(item.SourcePoint(), order.FromType, order.FromName, order.FromURL, order.FromLogin,
         OrderPassword(order, EOrderEnd::From));
    fill(item.DestinationPoint(), order.ToType, order.ToName, order.ToURL, order.ToLogin,
         OrderPassword(order, EOrderEnd::To));
    // Files put on a server always keep their own names, so a server
    // destination is a folder even when its location lacks the final "/"
    // (read as a file, "ftp://host/in" would send every file to "/").
    if (order.ToType == ePointFtp) {
        item.DestinationPoint().SetFtpPath(CFtpPath(item.DestinationPoint().GetStrPath(), PATH_FOLDER));
    }
    CTansform& transform = item.GetTransform();
    transform.SetTransformType(static_cast<uint32_t>(order.TransformType));
    transform.SetXMLFilter(order.Filter);
    transform.SetPassword(OrderTransformPassword(order));
    transform.SetZipEncryption(order.TransformEncryption);
    transform.ZipFileName() = order.TransformFile;
}

}  // namespace velmora

#include "db/db_launch_order.h"

#include "base/format.h"
#include "db/db_schedule_obj.h"
#include "platform/clock.h"

namespace velmora {
namespace {

std::string FormatOrNull(int64_t time) {
    return time ? platform::FormatLocalTime(time, "%m/%d/%Y %H:%M") : "NULL";
}

// Dates are stored as "mm/dd/yyyy hh:mm:ss", which does not sort as text
// across a year boundary; this key spells the same date "yyyymmdd hh:mm:ss".
// The layer always writes the fixed-width form, so the positions hold.
const char kPerformedKey[] =
    "substr(DatePerformed,7,4) || substr(DatePerformed,1,2) || substr(DatePerformed,4,2) || "
    "substr(DatePerformed,11)";

}  // namespace

const CDBTable<CDBLaunchOrder>& CDBLaunchOrder::Table() {
    using L = CDBLaunchOrder;
    static const CDBTable<L> table{"LaunchOrder",
                                   {{"ID", &L::ID},
                                    {"ID_Schedule", &L::ID_Schedule},
                                    {"DateScheduled", &L::DateScheduled},
                                    {"DatePerformed", &L::DatePerformed},
                                    {"Status", &L::Status},
                                    {"StatusDescription", &L::StatusDescription},
                                    {"Note", &L::Note}}};
    return table;
}

bool CDBLaunchOrder::IsEqual(const CObj& other) const {
    const auto* l = dynamic_cast<const CDBLaunchOrder*>(&other);
    return l && ID == l->ID && ID_Schedule == l->ID_Schedule && DateScheduled == l->DateScheduled &&
           DatePerformed == l->DatePerformed && Status == l->Status &&
           StatusDescription == l->StatusDescription && Note == l->Note;
}

std::string CDBLaunchOrder::GetDescription() const {
    return "Scheduled:...." + GetDateScheduled() + "\r\nPerformed:...." + GetDatePerformed() + "\r\n";
}

std::string CDBLaunchOrder::GetDateScheduled() const { return FormatOrNull(DateScheduled); }

std::string CDBLaunchOrder::GetDatePerformed() const { return FormatOrNull(DatePerformed); }

std::string CDBLaunchOrder::GetStrStatus(int32_t status) {
    static const char* const kTexts[] = {"ERROR", "Pending", "Processing", "Processed", "FAIL"};
    return TextOf(status, kTexts, "ERROR");
}

bool CDBLaunchOrderSet::LoadFirstRecord(const CDBScheduleObj& schedule, int32_t status, CDBLaunchOrder& out) {
    return LoadInto(Format("ID = (SELECT MIN(ID) FROM %s where ID_Schedule = %d AND Status = %d )",
                           m_strTable.c_str(), schedule.ID, status),
                    out);
}

bool CDBLaunchOrderSet::LoadLastRecord(const CDBScheduleObj& schedule, int32_t status, CDBLaunchOrder& out) {
    return LoadInto(Format("ID = (SELECT MAX(ID) FROM %s where ID_Schedule = %d AND Status = %d )",
                           m_strTable.c_str(), schedule.ID, status),
                    out);
}

bool CDBLaunchOrderSet::LoadLastRecord(const CDBScheduleObj& schedule, CDBLaunchOrder& out) {
    return LoadInto(Format("ID = (SELECT MAX(ID) FROM %s where ID_Schedule = %d)", m_strTable.c_str(), schedule.ID),
                    out);
}

bool CDBLaunchOrderSet::LoadInto(const std::string& where, CDBLaunchOrder& out) {
    if (!Load(where.c_str())) return false;
    if (const CDBLaunchOrder* first = GetHead()) out.Copy(*first);
    return true;
}

bool CDBLaunchOrderSet::LoadByStatus(const CDBScheduleObj& schedule, int32_t status) {
    const std::string where = Format("ID_Schedule = %d AND Status = %d", schedule.ID, status);
    return Load(where.c_str());
}

bool CDBLaunchOrderSet::LoadByIdSchedule(int32_t scheduleId) {
    const std::string where = Format("ID_Schedule = %d order by ifnull(DatePerformed,'') = '', %s desc, ID desc",
                                     scheduleId, kPerformedKey);
    return Load(where.c_str());
}

bool CDBLaunchOrderSet::DeleteRecordByStatus(const CDBScheduleObj& schedule, int32_t status) {
    CDBStatement sql(" DELETE FROM " + m_strTable + " WHERE ID_Schedule = ");
    return Exec(sql.Int(schedule.ID).Text(" AND Status = ").Int(status));
}

bool CDBLaunchOrderSet::DeleteRecord(const CDBScheduleObj& schedule) {
    return DeleteByColumn("ID_Schedule", schedule.ID);
}

bool CDBLaunchOrderSet::UpdateStatus(const CDBLaunchOrder& launch) { return UpdateStatus(launch, platform::Now()); }

bool CDBLaunchOrderSet::UpdateStatus(const CDBLaunchOrder& launch, int64_t performed) {
    return UpdatePerformedStatus(launch, performed);
}

bool CDBLaunchOrderSet::Claim(const CDBLaunchOrder& launch, bool& claimed) {
    CDBStatement sql(" UPDATE " + m_strTable);
    sql.Assign("Status").Int(CDBLaunchOrder::eLaunchProcessing);
    sql.Assign("StatusDescription").Quoted(CDBLaunchOrder::GetStrStatus(CDBLaunchOrder::eLaunchProcessing));
    sql.Text(" WHERE ID = ").Int(launch.ID).Text(" AND Status = ").Int(CDBLaunchOrder::eLaunchPending);
    int32_t changed = 0;
    if (!Exec(sql) || !ExecScalar(" SELECT changes()", changed)) return false;
    claimed = changed == 1;
    return true;
}

}  // namespace velmora

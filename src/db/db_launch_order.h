#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

class CDBScheduleObj;

// The columns of the LaunchOrder table, in table order.
struct CDBLaunchOrderFields {
    int32_t ID = 0;
    int32_t ID_Schedule = 0;
    int64_t DateScheduled = 0;
    // 0 until the launch has run.
    int64_t DatePerformed = 0;
    int32_t Status = 0;
    std::string StatusDescription;
    std::string Note;
};

// One run of a schedule: made Pending when the schedule is due, then
// Processed or FAIL once its transfer orders have run.
class VELMORA_API CDBLaunchOrder : public CDBRecord<CDBLaunchOrder, CDBLaunchOrderFields> {
public:
    // Processing: taken by one scheduling host, which is running it.
    enum eLaunchStatus : int32_t { eLaunchPending = 1, eLaunchProcessing = 2, eLaunchProcessed = 3, eLaunchFail = 4 };

    static const CDBTable<CDBLaunchOrder>& Table();

    // Every column.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBLaunchOrder"; }
    std::string GetDescription() const override;

    bool IsEmptyID() const { return ID <= 0; }
    // "%m/%d/%Y %H:%M", or "NULL" for a time that is not set.
    std::string GetDateScheduled() const;
    std::string GetDatePerformed() const;

    static std::string GetStrStatus(int32_t status);
};

// The launches of one LaunchOrder table.
class VELMORA_API CDBLaunchOrderSet : public CDBRecordSet<CDBLaunchOrder> {
public:
    using CDBRecordSet::CDBRecordSet;
    using CDBRecordSet::DeleteRecord;

    // The schedule's launch with the lowest (highest) ID in `status`, copied
    // into `out`; when none matches, `out` stays as it was. False only when
    // the statement fails.
    bool LoadFirstRecord(const CDBScheduleObj& schedule, int32_t status, CDBLaunchOrder& out);
    bool LoadLastRecord(const CDBScheduleObj& schedule, int32_t status, CDBLaunchOrder& out);
    // The schedule's launch with the highest ID, whatever its status.
    bool LoadLastRecord(const CDBScheduleObj& schedule, CDBLaunchOrder& out);

    bool LoadByStatus(const CDBScheduleObj& schedule, int32_t status);
    // The schedule's launches, the most recently performed first and those
    // never performed last.
    bool LoadByIdSchedule(int32_t scheduleId);

    bool DeleteRecordByStatus(const CDBScheduleObj& schedule, int32_t status);
    // Every launch of the schedule.
    bool DeleteRecord(const CDBScheduleObj& schedule);

    // Writes Status, StatusDescription and DatePerformed (now, or the time
    // given).
    bool UpdateStatus(const CDBLaunchOrder& launch);
    bool UpdateStatus(const CDBLaunchOrder& launch, int64_t performed);
    // Takes a Pending launch for this host: it becomes Processing only when
    // it is still Pending, so of two hosts on one file exactly one gets
    // `claimed`. False only when a statement fails.
    bool Claim(const CDBLaunchOrder& launch, bool& claimed);

private:
    bool LoadInto(const std::string& where, CDBLaunchOrder& out);
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

// Weekday bits of a schedule's DaysOfWeek: bit n for weekday n, 0 = Sunday.
enum eDayOfWeek : int32_t {
    eSunday = 0x01,
    eMonday = 0x02,
    eTuesday = 0x04,
    eWednesday = 0x08,
    eThursday = 0x10,
    eFriday = 0x20,
    eSaturday = 0x40,
    eEveryDay = 0x7F,
};

// The columns of the Schedule table, in table order. Kept apart from the
// record class so that clearing and copying them is one assignment.
struct CDBScheduleFields {
    int32_t ID = 0;
    std::string Name;
    std::string Description;
    int64_t StartDateTime = 0;
    std::string TargetFile;
    std::string TargetGUID;
    int32_t Repeat = 0;
    int32_t DaysOfWeek = 0;
    // Days of the month separated by "," or ";" (blanks allowed).
    std::string DaysOfMonth;
    int32_t Timer = 0;
    int32_t Status = 0;
    std::string StatusDescription;
    std::string Note;
};

// When a stored job runs: once, daily, weekly on chosen weekdays, monthly on
// chosen days of the month, or every Timer minutes. One row of the Schedule
// table; the job document it runs is TargetFile, looked up by TargetGUID.
class VELMORA_API CDBScheduleObj : public CDBRecord<CDBScheduleObj, CDBScheduleFields> {
public:
    enum eScheduleType : int32_t { eNone, eOnce, eDaily, eWeekly, eMonthly, eTimer, eManually };
    enum eScheduleStatus : int32_t { eStatusNew, eStatusDeleted, eStatusModified };
    // The fewest minutes a Timer schedule may wait between runs.
    static constexpr int32_t kShortestTimer = 30;

    CDBScheduleObj();
    CDBScheduleObj(const CDBScheduleObj& other) = default;
    CDBScheduleObj& operator=(const CDBScheduleObj& other);

    static const CDBTable<CDBScheduleObj>& Table();

    // Every field 0 or "", StartDateTime the current time, not enabled.
    void Clear() override;
    void Copy(const CObj& src) override;
    // ID, Name, Description, StartDateTime, TargetFile, TargetGUID, Repeat,
    // Status and Note; the weekday and day lists, Timer and the status text
    // do not take part.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBScheduleObj"; }
    std::string GetDescription() const override;

    // False with the first problem's message in `error`; nothing is changed.
    bool IsValidData(std::string& error) const;

    int32_t GetDayOfWeek() const { return DaysOfWeek; }
    void SetDayOfWeek(bool on, int32_t days) { DaysOfWeek = on ? (DaysOfWeek | days) : (DaysOfWeek & ~days); }
    // True when any of `days` is set.
    bool IsDayOfWeek(int32_t days) const { return (DaysOfWeek & days) != 0; }
    int32_t GetTimerMinutes() const { return Timer; }
    const std::string& GetDaysOfMonth() const { return DaysOfMonth; }

    // When the schedule runs, as a short text for its Repeat.
    std::string GetDateDescription() const;

    static std::string GetStrStatus(int32_t status);
    static std::string GetStrScheduleType(int32_t type);
    std::string GetStrScheduleType() const { return GetStrScheduleType(Repeat); }

    // Set on every record a load reads; a schedule that is not enabled is
    // deleted by the engine when it is updated.
    bool IsScheduleEnabled() const { return m_nEnabled == 1; }
    void EnableSchedule(bool on) { m_nEnabled = on ? 1 : 0; }

private:
    bool IsValidDaysOfMonth(std::string& error) const;

    int32_t m_nEnabled = 0;
};

// The schedules of one Schedule table. Deleting keeps the row with status
// "Deleted"; LoadSchedule leaves such rows out.
class VELMORA_API CDBScheduleObjSet : public CDBRecordSet<CDBScheduleObj> {
public:
    using CDBRecordSet::CDBRecordSet;

    // Every record read is enabled.
    using CDBRecordSet::Load;
    bool Load(const CDBStatement& where) override;
    // Every schedule that is not deleted.
    bool LoadSchedule();
    bool LoadByTargetguid(const std::string& guid);
    bool LoadByDocAndGUID(const std::string& document, const std::string& guid);

    // Exact, case-sensitive matches among the loaded records.
    CDBScheduleObj* FindByName(const std::string& name) const;
    CDBScheduleObj* FindByTargetGUID(const std::string& guid) const;
    CDBScheduleObj* FindByDocAndTargetGUID(const std::string& document, const std::string& guid) const;

    // Stores a copy of `schedule` with status "New" and adds it to the set
    // with the key the database gave it; null when the insert fails (nothing
    // added) or the key cannot be read back (the record stays with ID 0).
    CDBScheduleObj* AddSchedule(const CDBScheduleObj& schedule);
    // Stores `schedule` over the loaded record with its ID, status
    // "Modifyed"; that record, updated, or null.
    CDBScheduleObj* EditSchedule(const CDBScheduleObj& schedule);
    // Marks the row "Deleted" and drops the loaded record with its ID.
    bool DeleteSchedule(const CDBScheduleObj& schedule);
    // Writes only Status and StatusDescription.
    bool UpdateScheduleStatus(const CDBScheduleObj& schedule);
};

}  // namespace velmora

#include "db/db_schedule_obj.h"

#include "base/format.h"
#include "base/text.h"
#include "platform/clock.h"

namespace velmora {

CDBScheduleObj::CDBScheduleObj() { Clear(); }

CDBScheduleObj& CDBScheduleObj::operator=(const CDBScheduleObj& other) {
    if (this != &other) Copy(other);
    return *this;
}

const CDBTable<CDBScheduleObj>& CDBScheduleObj::Table() {
    using S = CDBScheduleObj;
    static const CDBTable<S> table{"Schedule",
                                   {{"ID", &S::ID},
                                    {"Name", &S::Name},
                                    {"Description", &S::Description},
                                    {"StartDateTime", &S::StartDateTime},
                                    {"TargetFile", &S::TargetFile},
                                    {"TargetGUID", &S::TargetGUID},
                                    {"Repeat", &S::Repeat},
                                    {"DaysOfWeek", &S::DaysOfWeek},
                                    {"DaysOfMonth", &S::DaysOfMonth},
                                    {"Timer", &S::Timer},
                                    {"Status", &S::Status},
                                    {"StatusDescription", &S::StatusDescription},
                                    {"Note", &S::Note}}};
    return table;
}

void CDBScheduleObj::Clear() {
    CDBRecord::Clear();
    StartDateTime = platform::Now();
    m_nEnabled = 0;
}

void CDBScheduleObj::Copy(const CObj& src) {
    CDBRecord::Copy(src);
    if (const auto* other = dynamic_cast<const CDBScheduleObj*>(&src)) m_nEnabled = other->m_nEnabled;
}

bool CDBScheduleObj::IsEqual(const CObj& other) const {
    const auto* s = dynamic_cast<const CDBScheduleObj*>(&other);
    return s && ID == s->ID && Name == s->Name && Description == s->Description &&
           StartDateTime == s->StartDateTime && TargetFile == s->TargetFile && TargetGUID == s->TargetGUID &&
           Repeat == s->Repeat && Status == s->Status && Note == s->Note;
}

std::string CDBScheduleObj::GetDescription() const {
    return "Schedule:\r\nRepeat:......." + GetStrScheduleType() + "\r\nWhen?........." + GetDateDescription() +
           "\r\n";
}

bool CDBScheduleObj::IsValidData(std::string& error) const {
    if (TrimText(Name).empty()) {
        error = "Name is missing";
        return false;
    }
    if (Repeat < eNone || Repeat > eTimer) {
        error = "Wrong Schedule Type";
        return false;
    }
    if (Repeat == eWeekly && !IsDayOfWeek(eEveryDay)) {
        error = "Week selection is missing";
        return false;
    }
    if (Repeat == eMonthly && !IsValidDaysOfMonth(error)) return false;
    if (Repeat == eTimer && Timer < kShortestTimer) {
        error = Format("Wrong Timer format, Timer value must be %d minutes or more", kShortestTimer);
        return false;
    }
    return true;
}

// Checking stops at the first empty token, so "1,,32" passes.
bool CDBScheduleObj::IsValidDaysOfMonth(std::string& error) const {
    static const char kMessage[] = "Wrong monnth format";
    std::string days = Squeeze(DaysOfMonth, false);
    if (days.empty()) {
        error = kMessage;
        return false;
    }
    while (!days.empty()) {
        const std::string token = GetNextToken(days, ",;");
        if (token.empty()) break;
        const bool digitsOnly = token.find_first_not_of("0123456789") == std::string::npos;
        const int32_t day = ParseInt32(token);
        if (!digitsOnly || day < 1 || day > 31) {
            error = std::string(kMessage) + ": '" + token + "'";
            return false;
        }
    }
    return true;
}

std::string CDBScheduleObj::GetDateDescription() const {
    switch (Repeat) {
        case eNone: return "None";
        case eOnce: return StartDateTime ? platform::FormatLocalTime(StartDateTime, "%m/%d/%Y %H:%M") : "NULL";
        case eDaily:
        case eWeekly:
        case eMonthly: return StartDateTime ? platform::FormatLocalTime(StartDateTime, "%H:%M") : "NULL";
        case eTimer: return Format("%d minutes", Timer);
        case eManually: return "Not supported";
        default: return "NULL";
    }
}

std::string CDBScheduleObj::GetStrStatus(int32_t status) {
    switch (status) {
        case eStatusNew: return "New";
        case eStatusDeleted: return "Deleted";
        case eStatusModified: return "Modifyed";
        default: return "ERROR";
    }
}

std::string CDBScheduleObj::GetStrScheduleType(int32_t type) {
    static const char* const kTypes[] = {"None", "Once", "Daily", "Weekly", "Monthly", "Timer", "Manually"};
    return type >= eNone && type <= eManually ? kTypes[type] : "ERROR";
}

bool CDBScheduleObjSet::Load(const CDBStatement& where) {
    if (!CDBRecordSet::Load(where)) return false;
    for (CDBObj* record : *this) static_cast<CDBScheduleObj*>(record)->EnableSchedule(true);
    return true;
}

bool CDBScheduleObjSet::LoadSchedule() {
    return Load(Format("Status != %d", CDBScheduleObj::eStatusDeleted).c_str());
}

bool CDBScheduleObjSet::LoadByTargetguid(const std::string& guid) {
    return Load(("TargetGUID = " + CDBStatement::QuoteText(guid)).c_str());
}

bool CDBScheduleObjSet::LoadByDocAndGUID(const std::string& document, const std::string& guid) {
    const std::string where = "TargetFile = " + CDBStatement::QuoteText(document) + " AND " +
                              "TargetGUID = " + CDBStatement::QuoteText(guid);
    return Load(where.c_str());
}

CDBScheduleObj* CDBScheduleObjSet::FindByName(const std::string& name) const {
    return FindFirst([&](const CDBScheduleObj& s) { return s.Name == name; });
}

CDBScheduleObj* CDBScheduleObjSet::FindByTargetGUID(const std::string& guid) const {
    return FindFirst([&](const CDBScheduleObj& s) { return s.TargetGUID == guid; });
}

CDBScheduleObj* CDBScheduleObjSet::FindByDocAndTargetGUID(const std::string& document, const std::string& guid) const {
    return FindFirst([&](const CDBScheduleObj& s) { return s.TargetFile == document && s.TargetGUID == guid; });
}

CDBScheduleObj* CDBScheduleObjSet::AddSchedule(const CDBScheduleObj& schedule) {
    auto* record = new CDBScheduleObj(schedule);
    record->SetStatus(CDBScheduleObj::eStatusNew);
    if (!AddRecord(*record)) {
        delete record;
        return nullptr;
    }
    Add(record);
    // The key of this connection's insert: the highest key may already be
    // another writer's row.
    if (!LoadInsertedID(record->ID)) return nullptr;
    return record;
}

CDBScheduleObj* CDBScheduleObjSet::EditSchedule(const CDBScheduleObj& schedule) {
    CDBScheduleObj* loaded = FindById(schedule.ID);
    if (!loaded) {
        ClearQuery();
        ShowError("Schedule object not found");
        return nullptr;
    }
    CDBScheduleObj changed(schedule);
    changed.SetStatus(CDBScheduleObj::eStatusModified);
    if (!EditRecord(changed)) return nullptr;
    loaded->Copy(changed);
    return loaded;
}

bool CDBScheduleObjSet::DeleteSchedule(const CDBScheduleObj& schedule) {
    CDBScheduleObj deleted(schedule);
    deleted.SetStatus(CDBScheduleObj::eStatusDeleted);
    if (!UpdateScheduleStatus(deleted)) return false;
    RemoveAndDestroy(FindById(deleted.ID));
    return true;
}

bool CDBScheduleObjSet::UpdateScheduleStatus(const CDBScheduleObj& schedule) {
    CDBStatement sql(" UPDATE " + m_strTable);
    sql.Assign("Status").Int(schedule.Status).Assign("StatusDescription").Quoted(schedule.StatusDescription);
    return Exec(sql.Text("  WHERE ID = ").Int(schedule.ID));
}

}  // namespace velmora

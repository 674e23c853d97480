#include "db/db_trans_order_obj.h"

#include "base/text.h"
#include "db/db_schedule_obj.h"
#include "db/db_transform_filter.h"
#include "platform/clock.h"

namespace velmora {

const CDBTable<CDBTransOrderObj>& CDBTransOrderObj::Table() {
    using T = CDBTransOrderObj;
    static const CDBTable<T> table{"TransOrder",
                                   {{"ID", &T::ID},
                                    {"ID_Schedule", &T::ID_Schedule},
                                    {"ID_LaunchOrder", &T::ID_LaunchOrder},
                                    {"FromType", &T::FromType},
                                    {"FromName", &T::FromName},
                                    {"FromURL", &T::FromURL},
                                    {"FromLogin", &T::FromLogin},
                                    {"FromPWD", &T::FromPWD},
                                    {"TransformType", &T::TransformType},
                                    {"ID_TransformFilter", &T::ID_TransformFilter},
                                    {"TransformPWD", &T::TransformPWD},
                                    {"TransformFile", &T::TransformFile},
                                    {"ToType", &T::ToType},
                                    {"ToName", &T::ToName},
                                    {"ToURL", &T::ToURL},
                                    {"ToLogin", &T::ToLogin},
                                    {"ToPWD", &T::ToPWD},
                                    {"DateScheduled", &T::DateScheduled},
                                    {"DatePerformed", &T::DatePerformed},
                                    {"Status", &T::Status},
                                    {"StatusDescription", &T::StatusDescription},
                                    {"Note", &T::Note},
                                    {"TransformEncryption", &T::TransformEncryption}}};
    return table;
}

bool CDBTransOrderObj::IsEqual(const CObj& other) const {
    const auto* t = dynamic_cast<const CDBTransOrderObj*>(&other);
    return t && ID == t->ID && ID_Schedule == t->ID_Schedule && FromType == t->FromType &&
           FromName == t->FromName && FromURL == t->FromURL && FromLogin == t->FromLogin &&
           FromPWD == t->FromPWD && TransformType == t->TransformType &&
           ID_TransformFilter == t->ID_TransformFilter && TransformPWD == t->TransformPWD &&
           TransformFile == t->TransformFile && ToType == t->ToType && ToName == t->ToName &&
           ToURL == t->ToURL && ToLogin == t->ToLogin && ToPWD == t->ToPWD &&
           DateScheduled == t->DateScheduled && DatePerformed == t->DatePerformed && Status == t->Status &&
           StatusDescription == t->StatusDescription && Note == t->Note &&
           TransformEncryption == t->TransformEncryption;
}

std::string CDBTransOrderObj::GetDescription() const {
    return "\r\n//  Operation....." + GetStrOp() + "  //\r\nStatus:......." + StatusDescription +
           "\r\nSource:......." + FromURL + "\r\nDestination:.." + ToURL + "\r\n";
}

std::string CDBTransOrderObj::GetStrOp() const {
    std::string text;
    if (TransformType & eOpCopy) text += "Copy";
    if (TransformType & eOpSync) text += "Sync";
    if (TransformType & eOpCompress) text += "Compress";
    if (TransformType & eOpDelete) text += "Delete";
    return text;
}

std::string CDBTransOrderObj::GetStrStatus(int32_t status) {
    static const char* const kTexts[] = {"", "Pending", "Processing", "Processed", "FAIL"};
    return TextOf(status, kTexts, "ERROR");
}

bool CDBTransOrderObjSet::Load(const CDBStatement& where) { return CDBRecordSet::Load(where) && LoadFilters(); }

bool CDBTransOrderObjSet::LoadFilters() {
    const std::string list = MakeIN();
    if (list.empty()) return true;
    CDBTransformFilterSet filters(GetDatabase(), true, nullptr);
    if (!filters.LoadByIDsTransorder(list)) {
        ShowError(filters.GetLastError());
        return false;
    }
    for (CDBObj* element : *this) {
        auto* order = static_cast<CDBTransOrderObj*>(element);
        order->Filter = filters.MakeFilter(order->ID);
    }
    return true;
}

std::string CDBTransOrderObjSet::MakeIN() const {
    if (IsEmpty()) return {};
    std::string list = "(";
    for (const CDBObj* element : *this) {
        list += CDBStatement::QuoteInt(static_cast<const CDBTransOrderObj*>(element)->ID) + ",";
    }
    list.back() = ' ';
    return list + ") ";
}

bool CDBTransOrderObjSet::LoadByIdSchedule(int32_t scheduleId) { return LoadByColumn("ID_Schedule", scheduleId); }

bool CDBTransOrderObjSet::LoadByID_LaunchOrder(int32_t launchId) { return LoadByColumn("ID_LaunchOrder", launchId); }

bool CDBTransOrderObjSet::LoadMaxID_LaunchOrder(int32_t& id) {
    return ExecScalar(" SELECT MAX(ID_LaunchOrder) FROM " + m_strTable, id);
}

// The filters are stored under the key SQLite gave the new row, read back on
// this connection right after the insert.
bool CDBTransOrderObjSet::AddRecord(const CDBTransOrderObj& order) {
    CDBTransOrderObj stored(order);
    return CDBRecordSet::AddRecord(order) && LoadInsertedID(stored.ID) && AddFilter(stored);
}

bool CDBTransOrderObjSet::EditRecord(const CDBTransOrderObj& order) {
    return CDBRecordSet::EditRecord(order) && EditFilter(order);
}

bool CDBTransOrderObjSet::DeleteRecord(const CDBTransOrderObj& order) {
    return DeleteFilter(order) && CDBRecordSet::DeleteRecord(order);
}

// The filter table is named here whatever name filter sets are given.
bool CDBTransOrderObjSet::DeleteRecord(const CDBScheduleObj& schedule) {
    CDBStatement filters(" DELETE FROM TransformFilter WHERE ID_TransOrder IN (SELECT ID FROM " + m_strTable +
                         " WHERE ID_Schedule = ");
    return Exec(filters.Int(schedule.ID).Text(")")) && DeleteByColumn("ID_Schedule", schedule.ID);
}

// Reads the pairs the way CObj reads attribute text: key up to "=", value
// between the next two single quotes (to the end when the closing one is
// missing). Values are unescaped, so that MakeFilter writes back the same text.
bool CDBTransOrderObjSet::AddFilter(const CDBTransOrderObj& order) {
    ClearQuery();
    CDBTransformFilterSet filters(GetDatabase(), true, nullptr);
    std::string rest = order.Filter;
    while (!rest.empty()) {
        CDBTransformFilter filter;
        filter.ID_TransOrder = order.ID;
        filter.Key = ToLowerAscii(CObj::Trim(CObj::GetNextToken(rest, "=")));
        if (filter.Key.empty()) break;
        CObj::GetNextToken(rest, "'");
        filter.Value = XMLUnescape(CObj::Trim(CObj::GetNextToken(rest, "'")));
        if (!filters.AddRecord(filter)) {
            ShowError(filters.GetLastError());
            return false;
        }
    }
    return true;
}

bool CDBTransOrderObjSet::DeleteFilter(const CDBTransOrderObj& order) {
    ClearQuery();
    CDBTransformFilterSet filters(GetDatabase(), true, nullptr);
    if (filters.DeleteRecord(order)) return true;
    ShowError(filters.GetLastError());
    return false;
}

bool CDBTransOrderObjSet::EditFilter(const CDBTransOrderObj& order) { return DeleteFilter(order) && AddFilter(order); }

bool CDBTransOrderObjSet::UpdateStatus(const CDBTransOrderObj& order) { return UpdateStatus(order, platform::Now()); }

bool CDBTransOrderObjSet::UpdateStatus(const CDBTransOrderObj& order, int64_t performed) {
    return UpdatePerformedStatus(order, performed);
}

}  // namespace velmora

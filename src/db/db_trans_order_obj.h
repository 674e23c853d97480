#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

class CDBScheduleObj;

// The state of a transfer order while its launch runs (stored in Status).
enum tagDBTransOrderStatus : int32_t {
    TRANSORDER_NONE = 0,
    TRANSORDER_PENDING = 1,
    TRANSORDER_PROCESSING = 2,
    TRANSORDER_PROCESSED = 3,
    TRANSORDER_FAIL = 4,
};

// The columns of the TransOrder table in table order, and the filter text,
// which lives in the TransformFilter table.
struct CDBTransOrderFields {
    int32_t ID = 0;
    int32_t ID_Schedule = 0;
    int32_t ID_LaunchOrder = 0;
    int32_t FromType = 0;
    std::string FromName;
    std::string FromURL;
    std::string FromLogin;
    std::string FromPWD;
    int32_t TransformType = 0;
    int32_t ID_TransformFilter = 0;
    // The order's transform filters as attribute pairs " key='value' ", values
    // escaped the way CObj::XMLAttr writes them.
    std::string Filter;
    std::string TransformPWD;
    std::string TransformFile;
    int32_t ToType = 0;
    std::string ToName;
    std::string ToURL;
    std::string ToLogin;
    std::string ToPWD;
    int64_t DateScheduled = 0;
    int64_t DatePerformed = 0;
    int32_t Status = 0;
    std::string StatusDescription;
    std::string Note;
    // CTansform::_eZipEncryption; added after the other columns, so older
    // files get it appended by their host.
    int32_t TransformEncryption = 0;
};

// One transfer of a scheduled job: source point, transform with its filters,
// destination point. Passwords are stored as the record holds them.
class VELMORA_API CDBTransOrderObj : public CDBRecord<CDBTransOrderObj, CDBTransOrderFields> {
public:
    // The operation bits of TransformType.
    enum eOperation : int32_t { eOpCopy = 0x01, eOpCompress = 0x02, eOpSync = 0x04, eOpDelete = 0x20 };

    static const CDBTable<CDBTransOrderObj>& Table();

    // Every column but ID_LaunchOrder; the filter text does not take part.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBTransOrderObj"; }
    std::string GetDescription() const override;

    // The names of the operations in TransformType, run together:
    // Copy, Sync, Compress, Delete.
    std::string GetStrOp() const;

    static std::string GetStrStatus(int32_t status);
};

// The transfer orders of one TransOrder table. Loading fills each order's
// filter text from the TransformFilter table, and storing an order writes its
// filters there under the order's key.
class VELMORA_API CDBTransOrderObjSet : public CDBRecordSet<CDBTransOrderObj> {
public:
    using CDBRecordSet::CDBRecordSet;
    using CDBRecordSet::AddRecord;
    using CDBRecordSet::DeleteRecord;
    using CDBRecordSet::EditRecord;

    // The plain load, then the filters of the loaded orders; a failed filter
    // load keeps the orders and answers false.
    using CDBRecordSet::Load;
    bool Load(const CDBStatement& where) override;
    bool LoadByIdSchedule(int32_t scheduleId);
    bool LoadByID_LaunchOrder(int32_t launchId);
    // The highest ID_LaunchOrder in the table, 0 when there is none.
    bool LoadMaxID_LaunchOrder(int32_t& id);

    bool AddRecord(const CDBTransOrderObj& order) override;
    // Writes every column, then replaces the order's filters.
    bool EditRecord(const CDBTransOrderObj& order) override;
    // The order's filters, then the order.
    bool DeleteRecord(const CDBTransOrderObj& order) override;
    // Every order of the schedule with its filters.
    bool DeleteRecord(const CDBScheduleObj& schedule);

    // One TransformFilter row per pair of the order's filter text, under the
    // order's ID; pairs stored before a failure stay.
    bool AddFilter(const CDBTransOrderObj& order);
    bool DeleteFilter(const CDBTransOrderObj& order);
    bool EditFilter(const CDBTransOrderObj& order);

    // Writes Status, StatusDescription and DatePerformed (now, or the time
    // given).
    bool UpdateStatus(const CDBTransOrderObj& order);
    bool UpdateStatus(const CDBTransOrderObj& order, int64_t performed);

    // The loaded IDs as an SQL list "(1,2,3 ) "; "" for an empty set.
    std::string MakeIN() const;

private:
    bool LoadFilters();
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

class CDBTransOrderObj;

// What a transfer log entry reports (stored in LogStatus.Status).
enum tagDBLogStatus : int32_t {
    DBLOG_UNK = 0,
    DBLOG_OK = 1,
    DBLOG_FAIL = 2,
    DBLOG_EXCLUDED = 3,
    DBLOG_BEGIN_JOB = 4,
    DBLOG_END_JOB = 5,
    DBLOG_BEGIN_TRANS = 6,
    DBLOG_END_TRANS = 7,
    DBLOG_START_OP = 8,
    DBLOG_END_OP = 9,
    DBLOG_SYNC = 10,
};

// The operation a log entry belongs to (stored in LogStatus.Action).
enum tagDBLogAction : int32_t {
    DBACTION_NONE = 0,
    DBACTION_COPY = 1,
    DBACTION_TOZIP = 2,
    DBACTION_FTP_TRANSFER = 3,
    DBACTION_DELETE = 4,
};

// The columns of the LogStatus table, in table order.
struct CDBLogStatusFields {
    int32_t ID = 0;
    int32_t ID_TransOrder = 0;
    int64_t Date = 0;
    int32_t Phase = 0;
    std::string Service;
    int32_t Action = 0;
    std::string ActionDescription;
    // Locations with "/" as the separator.
    std::string FromURL;
    std::string ToURL;
    int32_t Status = 0;
    // The status text, and ": " and a detail when there is one.
    std::string StatusDescription;
    std::string Note;
};

// One entry of the transfer log of a transfer order.
class VELMORA_API CDBLogStatus : public CDBRecord<CDBLogStatus, CDBLogStatusFields> {
public:
    static const CDBTable<CDBLogStatus>& Table();

    void Clear() override;
    void Copy(const CObj& src) override;
    // Every column but ActionDescription.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBLogStatus"; }
    // One line: date, action, status text and the two locations; with a
    // padding width the source is filled with dots to that width and "->"
    // points at the destination.
    std::string GetDescription() const override;

    static std::string GetStrStatus(int32_t status);
    static std::string GetStrAction(int32_t action);
    std::string GetStrAction() const { return GetStrAction(Action); }

    // The width, in characters, that descriptions pad FromURL to (not stored).
    int32_t GetPadWidth() const { return m_nPadWidth; }
    void SetPadWidth(int32_t width) { m_nPadWidth = width; }

private:
    int32_t m_nPadWidth = 0;
};

// The entries of one LogStatus table.
class VELMORA_API CDBLogStatusSet : public CDBRecordSet<CDBLogStatus> {
public:
    using CDBRecordSet::AddRecord;
    using CDBRecordSet::CDBRecordSet;
    using CDBRecordSet::DeleteRecord;

    // An entry may be committed with the entries after it, where the
    // connection groups rows.
    bool AddRecord(const CDBLogStatus& record) override;
    bool LoadByIdTransorder(int32_t orderId);
    // Every entry of the order.
    bool DeleteRecord(const CDBTransOrderObj& order);

    // Raises `width` to the longest FromURL, in characters, among the loaded
    // entries; never lowers it.
    void ComputeMaxFromURLLength(int32_t& width) const;
    // The entries' lines, their sources padded to one width, so that the
    // arrows line up.
    std::string GetDescription() const override;
};

}  // namespace velmora

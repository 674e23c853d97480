#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

// The columns of the SrcPoint table, in table order.
struct CDBSrcPointFields {
    int32_t ID = 0;
    // 0 when the engine records the file.
    int32_t ID_TransOrder = 0;
    int32_t Type = 0;
    std::string URL;
    int32_t FileAttributes = 0;
    int64_t CreationTime = 0;
    int64_t LastAccessTime = 0;
    int64_t LastWriteTime = 0;
    // The two halves of the 64-bit size, each kept as its 32 bits.
    int32_t FileSizeHigh = 0;
    int32_t FileSizeLow = 0;
    int32_t Status = 0;
    std::string StatusDescription;
    std::string Note;
};

// One source file a job has seen, to tell new and changed files from
// unchanged ones. At most one row per (URL, ID_TransOrder, Type).
class VELMORA_API CDBSrcPoint : public CDBRecord<CDBSrcPoint, CDBSrcPointFields> {
public:
    // NewObj: known only in memory; NewRec: just stored; then Change or Equal
    // each time the file is seen again.
    enum eSrcStatus : int32_t { eNewObj = 1, eNewRec = 2, eChange = 3, eEqual = 4 };

    static const CDBTable<CDBSrcPoint>& Table();

    // Every field 0 or "", but CreationTime and LastAccessTime the current time.
    void Default() override;
    // Every column but Status and StatusDescription.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBSrcPoint"; }

    bool IsNewObj() const { return Status == eNewObj; }
    static std::string GetStrStatus(int32_t status);

    int64_t GetFileSize() const;
    void SetFileSize(int64_t size);

    // True when URL, attributes, the three times or the size differ.
    bool IsChanged(const CDBSrcPoint& stored) const;
};

// The source records of one SrcPoint table. The Update operations look up the
// stored row of a file by URL, ID_TransOrder and Type.
class VELMORA_API CDBSrcPointSet : public CDBRecordSet<CDBSrcPoint> {
public:
    using CDBRecordSet::CDBRecordSet;

    bool LoadById(int32_t id);
    // Exact, case-sensitive.
    CDBSrcPoint* FindByUrl(const std::string& url) const;

    // Makes `point` a copy of its stored row, or gives it status NewObj when
    // there is none. Writes nothing.
    bool UpdateObj(CDBSrcPoint& point);
    // Stores what is known of the file now: a new row (NewRec), a changed row
    // (Change, every column written) or only the status Equal.
    bool UpdateStatus(const CDBSrcPoint& point);
    // Writes a copy: Change over its row when it has an ID, else a new row.
    bool ReportTransaction(const CDBSrcPoint& point);
    // UpdateObj (UpdateStatus) for each record in order; stops at the first
    // failure.
    bool UpdateSet();
    bool UpdateStatusA();

private:
    // The stored row of `point` into `stored` (empty when there is none);
    // false when the lookup fails or finds more than one row.
    bool LoadStored(const CDBSrcPoint& point, CDBSrcPointSet& stored);
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <string>

#include "db/db_column.h"
#include "db/db_record.h"
#include "db/db_record_set.h"
#include "platform/api.h"

namespace velmora {

class CDBTransOrderObj;

// The columns of the TransformFilter table, in table order.
struct CDBTransformFilterFields {
    int32_t ID = 0;
    int32_t ID_TransOrder = 0;
    // The filter attribute's name, lower case.
    std::string Key;
    // The attribute's value as the filter holds it (not escaped).
    std::string Value;
    int32_t Status = 0;
    std::string StatusDescription;
    std::string Note;
};

// One attribute of a transfer order's transform filter.
class VELMORA_API CDBTransformFilter : public CDBRecord<CDBTransformFilter, CDBTransformFilterFields> {
public:
    static const CDBTable<CDBTransformFilter>& Table();

    // Every column.
    bool IsEqual(const CObj& other) const override;
    std::string XMLObject() const override { return "CDBTransformFilter"; }
};

// The filters of one TransformFilter table.
class VELMORA_API CDBTransformFilterSet : public CDBRecordSet<CDBTransformFilter> {
public:
    using CDBRecordSet::CDBRecordSet;
    using CDBRecordSet::DeleteRecord;

    bool LoadByIdTransorder(int32_t orderId);
    // `list` is an SQL list of order IDs as CDBTransOrderObjSet::MakeIN makes it.
    bool LoadByIDsTransorder(const std::string& list);
    // Every filter of the order.
    bool DeleteRecord(const CDBTransOrderObj& order);

    // The attribute pairs of the loaded filters of order `orderId` (of every
    // loaded filter when it is negative), in list order, values escaped.
    std::string MakeFilter(int32_t orderId) const;
};

}  // namespace velmora

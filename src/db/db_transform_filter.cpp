#include "db/db_transform_filter.h"

#include "db/db_trans_order_obj.h"

namespace velmora {

const CDBTable<CDBTransformFilter>& CDBTransformFilter::Table() {
    using F = CDBTransformFilter;
    static const CDBTable<F> table{"TransformFilter",
                                   {{"ID", &F::ID},
                                    {"ID_TransOrder", &F::ID_TransOrder},
                                    {"Key", &F::Key},
                                    {"Value", &F::Value},
                                    {"Status", &F::Status},
                                    {"StatusDescription", &F::StatusDescription},
                                    {"Note", &F::Note}}};
    return table;
}

bool CDBTransformFilter::IsEqual(const CObj& other) const {
    const auto* f = dynamic_cast<const CDBTransformFilter*>(&other);
    return f && ID == f->ID && ID_TransOrder == f->ID_TransOrder && Key == f->Key && Value == f->Value &&
           Status == f->Status && StatusDescription == f->StatusDescription && Note == f->Note;
}

bool CDBTransformFilterSet::LoadByIdTransorder(int32_t orderId) { return LoadByColumn("ID_TransOrder", orderId); }

bool CDBTransformFilterSet::LoadByIDsTransorder(const std::string& list) {
    return Load(("ID_TransOrder IN " + list).c_str());
}

bool CDBTransformFilterSet::DeleteRecord(const CDBTransOrderObj& order) {
    return DeleteByColumn("ID_TransOrder", order.ID);
}

std::string CDBTransformFilterSet::MakeFilter(int32_t orderId) const {
    std::string text;
    for (const CDBObj* element : *this) {
        const auto* filter = dynamic_cast<const CDBTransformFilter*>(element);
        if (filter && (orderId < 0 || filter->ID_TransOrder == orderId)) {
            text += CObj::XMLAttr(filter->Key, filter->Value);
        }
    }
    return text;
}

}  // namespace velmora

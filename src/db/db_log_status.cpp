#include "db/db_log_status.h"

#include "base/format.h"
#include "db/db_trans_order_obj.h"
#include "platform/clock.h"

namespace velmora {
namespace {

// Characters of a UTF-8 text: every byte but the continuation bytes.
int32_t CharacterCount(const std::string& text) {
    int32_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

const CDBTable<CDBLogStatus>& CDBLogStatus::Table() {
    using L = CDBLogStatus;
    static const CDBTable<L> table{"LogStatus",
                                   {{"ID", &L::ID},
                                    {"ID_TransOrder", &L::ID_TransOrder},
                                    {"Date", &L::Date},
                                    {"Phase", &L::Phase},
                                    {"Service", &L::Service},
                                    {"Action", &L::Action},
                                    {"ActionDescription", &L::ActionDescription},
                                    {"FromURL", &L::FromURL},
                                    {"ToURL", &L::ToURL},
                                    {"Status", &L::Status},
                                    {"StatusDescription", &L::StatusDescription},
                                    {"Note", &L::Note}}};
    return table;
}

void CDBLogStatus::Clear() {
    CDBRecord::Clear();
    m_nPadWidth = 0;
}

void CDBLogStatus::Copy(const CObj& src) {
    CDBRecord::Copy(src);
    if (const auto* other = dynamic_cast<const CDBLogStatus*>(&src)) m_nPadWidth = other->m_nPadWidth;
}

bool CDBLogStatus::IsEqual(const CObj& other) const {
    const auto* l = dynamic_cast<const CDBLogStatus*>(&other);
    return l && ID == l->ID && ID_TransOrder == l->ID_TransOrder && Date == l->Date && Phase == l->Phase &&
           Service == l->Service && Action == l->Action && FromURL == l->FromURL && ToURL == l->ToURL &&
           Status == l->Status && StatusDescription == l->StatusDescription && Note == l->Note;
}

std::string CDBLogStatus::GetDescription() const {
    std::string from = FromURL;
    if (m_nPadWidth > 0 && !ToURL.empty()) {
        const int32_t length = CharacterCount(FromURL);
        if (m_nPadWidth > length) from.append(static_cast<size_t>(m_nPadWidth - length), '.');
        from += "->";
    }
    const std::string date = platform::FormatLocalTime(Date, "%m/%d/%Y %H:%M:%S");
    return Format("%s %5s %8s  %s %s", date.c_str(), GetStrAction().c_str(), StatusDescription.c_str(), from.c_str(),
                  ToURL.c_str());
}

std::string CDBLogStatus::GetStrStatus(int32_t status) {
    static const char* const kTexts[] = {"UNK",         "OK",        "FAIL",     "EXCLUDED", "Begin Job", "End Job",
                                         "Begin Trans", "End Trans", "Start Op", "End Op",   "Sync"};
    return TextOf(status, kTexts, "ERROR");
}

std::string CDBLogStatus::GetStrAction(int32_t action) {
    static const char* const kTexts[] = {"None", "Copy", "ToZip", "Ftp Transfer", "Delete"};
    return TextOf(action, kTexts, "ERROR");
}

bool CDBLogStatusSet::AddRecord(const CDBLogStatus& record) {
    CDBStatement insert = InsertStatement(record);
    return Exec(insert.Grouped());
}

bool CDBLogStatusSet::LoadByIdTransorder(int32_t orderId) { return LoadByColumn("ID_TransOrder", orderId); }

bool CDBLogStatusSet::DeleteRecord(const CDBTransOrderObj& order) {
    return DeleteByColumn("ID_TransOrder", order.ID);
}

void CDBLogStatusSet::ComputeMaxFromURLLength(int32_t& width) const {
    for (const CDBObj* element : *this) {
        const int32_t length = CharacterCount(static_cast<const CDBLogStatus*>(element)->FromURL);
        if (length > width) width = length;
    }
}

std::string CDBLogStatusSet::GetDescription() const {
    int32_t width = 0;
    ComputeMaxFromURLLength(width);
    for (CDBObj* element : *this) static_cast<CDBLogStatus*>(element)->SetPadWidth(width);
    return CDBObjSet::GetDescription();
}

}  // namespace velmora

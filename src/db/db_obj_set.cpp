#include "db/db_obj_set.h"

namespace velmora {

CDBObjSet::CDBObjSet(CSQLiteDatabase* database, bool ownsElements, const char* table)
    : BaseList(ownsElements), m_strTable(table ? table : ""), m_query(database) {}

CDBObjSet::CDBObjSet(const CDBObjSet& other)
    : BaseList(other), m_strTable(other.m_strTable), m_query(other.GetDatabase()) {
    m_query.SetShowError(other.m_query.IsShowError());
}

CDBObjSet& CDBObjSet::operator=(const CDBObjSet& other) {
    if (this != &other) Copy(other);
    return *this;
}

CDBObjSet::~CDBObjSet() = default;

void CDBObjSet::Copy(const BaseList& other) {
    if (this == &other) return;
    BaseList::Copy(other);
    m_query.SetShowError(m_bShowErrors);
    if (const auto* set = dynamic_cast<const CDBObjSet*>(&other)) m_strTable = set->m_strTable;
}

bool CDBObjSet::Save() {
    for (const CDBObj* record : *this) {
        if (!record || !AddRecord(*record)) return false;
    }
    return true;
}

std::string CDBObjSet::GetDescription() const {
    std::string text;
    for (const CDBObj* record : *this) {
        if (record) text += record->GetDescription();
        text += "\r\n";
    }
    return text + "\r\n";
}

bool CDBObjSet::Load(const char* /*where*/) { return false; }

bool CDBObjSet::AddRecord(const CDBObj& /*record*/) { return false; }

bool CDBObjSet::DeleteRecord(const CDBObj& /*record*/) { return false; }

bool CDBObjSet::EditRecord(const CDBObj& /*record*/) { return false; }

void CDBObjSet::SetShowError(bool on) {
    SetShowErrors(on);
    m_query.SetShowError(on);
}

std::string CDBObjSet::GetLastError() const {
    const std::string& listError = BaseList::GetLastError();
    const std::string& queryError = m_query.GetError();
    if (queryError.empty()) return listError;
    if (listError.empty()) return queryError;
    return listError + "\n" + queryError;
}

bool CDBObjSet::LoadLatestID(const std::string& column, int32_t& id) {
    return ExecScalar(" SELECT CAST((MAX(" + column + ")) AS INT) FROM " + m_strTable, id);
}

bool CDBObjSet::GetNewID(const std::string& column, int32_t& id) {
    int32_t latest = 0;
    if (!LoadLatestID(column, latest)) return false;
    id = latest + 1;
    return true;
}

bool CDBObjSet::LoadInsertedID(int32_t& id) { return ExecScalar(" SELECT last_insert_rowid()", id); }

bool CDBObjSet::DropTable(const std::string& name) {
    std::string table = name;
    std::string catalogue = "sysobjects";
    if (!table.empty() && table[0] == '#') {
        table = "tempdb.dbo." + table;
        catalogue = "tempdb.dbo." + catalogue;
    }
    CDBStatement sql("if exists (select * from " + catalogue + " where id = object_id(");
    sql.Quoted(table).Text(") and sysstat & 0xf = 3)drop table " + table);
    return Exec(sql);
}

void CDBObjSet::ClearQuery() {
    m_query.Clear();
    ShowError({});
}

bool CDBObjSet::Exec(const std::string& statement) {
    ClearQuery();
    return m_query.Exec(statement);
}

bool CDBObjSet::Exec(const CDBStatement& statement) {
    ClearQuery();
    return m_query.Exec(statement);
}

bool CDBObjSet::ExecScalar(const std::string& statement, int32_t& value) {
    ClearQuery();
    CSQLiteQuery query(GetDatabase());
    if (!query.Exec(statement)) {
        ShowError(query.GetError());
        return false;
    }
    value = query.PopInt();
    return true;
}

}  // namespace velmora

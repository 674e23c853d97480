#include "db/sqlite_query.h"

#include "base/text.h"
#include "db/db_date.h"
#include "db/db_statement.h"
#include "db/sqlite_database.h"

namespace velmora {

CSQLiteQuery::~CSQLiteQuery() = default;

bool CSQLiteQuery::Exec(const std::string& statement) { return Exec(CDBStatement(statement)); }

bool CSQLiteQuery::Exec(const CDBStatement& statement) {
    m_values.clear();
    m_strStatement = statement.str();
    m_strError.clear();
    if (!m_pDatabase || !m_pDatabase->IsOpen()) {
        m_strError = "No open database";
        return false;
    }
    return m_pDatabase->Run(statement, m_values, m_strError);
}

void CSQLiteQuery::Clear() {
    m_strStatement.clear();
    m_strError.clear();
    m_values.clear();
}

std::string CSQLiteQuery::PopValue() {
    if (m_values.empty()) return {};
    std::string value = std::move(m_values.front());
    m_values.pop_front();
    return value;
}

int64_t CSQLiteQuery::PopDate() { return ParseDBDate(PopValue()); }

int32_t CSQLiteQuery::PopInt() { return ParseInt32(PopValue()); }

}  // namespace velmora

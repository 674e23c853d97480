#include "db/sqlite_query.h"

#include <sqlite3.h>

#include "base/text.h"
#include "db/db_date.h"
#include "db/sqlite_database.h"

namespace velmora {

CSQLiteQuery::~CSQLiteQuery() = default;

bool CSQLiteQuery::Exec(const std::string& statement) {
    m_values.clear();
    m_strStatement = statement;
    m_strError.clear();
    if (!m_pDatabase || !m_pDatabase->IsOpen()) {
        m_strError = "No open database";
        return false;
    }
    char* message = nullptr;
    const int result = sqlite3_exec(m_pDatabase->GetHandle(), statement.c_str(), &CSQLiteQuery::OnRow, this, &message);
    if (result == SQLITE_OK) return true;
    m_strError = message ? message : "UNKNOWN ERROR";
    sqlite3_free(message);
    return false;
}

int CSQLiteQuery::OnRow(void* self, int columns, char** values, char** /*names*/) {
    auto* query = static_cast<CSQLiteQuery*>(self);
    for (int i = 0; i < columns; ++i) query->m_values.emplace_back(values[i] ? values[i] : "");
    return 0;
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

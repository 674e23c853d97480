#include "db/test_database.h"

#include <stdexcept>

#include "db/sqlite_query.h"
#include "platform/clock.h"

namespace velmora::test {

std::string SchemaText() {
    const std::string schema = ReadFile(std::string(VELMORA_SOURCE_DIR) + "/src/db/schema.sql");
    if (schema.empty()) throw std::runtime_error("cannot read src/db/schema.sql");
    return schema;
}

TestDatabase::TestDatabase() : m_path(m_dir / "jobs.db") {
    std::string error;
    m_database.SetHandle(CSQLiteDatabase::OpenFile(m_path, error));
    if (!m_database.IsOpen()) throw std::runtime_error("cannot open " + m_path + ": " + error);
    try {
        // Durability is not under test; syncing every statement to disk only
        // makes the suite slow.
        Value("PRAGMA synchronous = OFF");
        Value(SchemaText());
    } catch (...) {
        m_database.Close();
        throw;
    }
}

TestDatabase::~TestDatabase() { m_database.Close(); }

std::string TestDatabase::Value(const std::string& sql) {
    CSQLiteQuery query(&m_database);
    if (!query.Exec(sql)) throw std::runtime_error(sql + ": " + query.GetError());
    return query.PopValue();
}

CDBScheduleObj ScheduleWithId(int32_t id) {
    CDBScheduleObj s;
    s.ID = id;
    return s;
}

}  // namespace velmora::test

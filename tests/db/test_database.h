#pragma once

#include <cstdint>
#include <string>

#include "db/db_schedule_obj.h"
#include "db/sqlite_database.h"
#include "support/local_time.h"
#include "support/temp_dir.h"

namespace velmora::test {

// A fresh database file made from src/db/schema.sql in a temporary folder.
// The connection is closed and the folder removed when the object goes away;
// a database that cannot be made throws, which fails the test.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    CSQLiteDatabase* get() { return &m_database; }
    const std::string& path() const { return m_path; }

    // Runs SQL on the connection directly, past the record layer, to arrange
    // or inspect rows; the first value of the result ("" when none). Throws
    // when SQLite rejects the statement.
    std::string Value(const std::string& sql);

private:
    TempDir m_dir;
    std::string m_path;
    CSQLiteDatabase m_database;
};

// The text of src/db/schema.sql.
std::string SchemaText();

// A schedule with nothing set but its id.
CDBScheduleObj ScheduleWithId(int32_t id);

}  // namespace velmora::test

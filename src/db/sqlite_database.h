#pragma once

#include <deque>
#include <memory>
#include <string>

#include "platform/api.h"

struct sqlite3;

namespace velmora {

class CDBStatement;

// An open SQLite connection that belongs to the host. The record layer only
// passes its handle to the statements it runs; it never opens, creates or
// closes a database. The static helpers are for hosts and tests that need a
// connection to hand over.
//
// The statements it runs stay prepared for the next run of the same SQL
// until the object goes or its handle changes.
class VELMORA_API CSQLiteDatabase {
public:
    explicit CSQLiteDatabase(sqlite3* handle = nullptr);
    ~CSQLiteDatabase();
    CSQLiteDatabase(const CSQLiteDatabase&) = delete;
    CSQLiteDatabase& operator=(const CSQLiteDatabase&) = delete;

    sqlite3* GetHandle() const { return m_handle; }
    void SetHandle(sqlite3* handle);
    bool IsOpen() const { return m_handle != nullptr; }

    // Runs the statement, appending every column of every row as text (a
    // NULL as ""). A text of several statements (a schema) runs as a whole
    // and takes no values. False with SQLite's reason in `error`.
    bool Run(const CDBStatement& statement, std::deque<std::string>& columns, std::string& error);

    // Opens (and creates when missing) the database file; null with the
    // reason in `error` when it cannot. The caller closes it with CloseFile,
    // before or after the objects that ran statements on it go.
    static sqlite3* OpenFile(const std::string& path, std::string& error);
    static void CloseFile(sqlite3* handle);

private:
    class CPrepared;

    sqlite3* m_handle;
    std::unique_ptr<CPrepared> m_prepared;
};

}  // namespace velmora

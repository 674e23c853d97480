#pragma once

#include <string>

#include "platform/api.h"

struct sqlite3;

namespace velmora {

// An open SQLite connection that belongs to the host. The record layer only
// passes its handle to the statements it runs; it never opens, creates or
// closes a database. The static helpers are for hosts and tests that need a
// connection to hand over.
class VELMORA_API CSQLiteDatabase {
public:
    explicit CSQLiteDatabase(sqlite3* handle = nullptr) : m_handle(handle) {}

    sqlite3* GetHandle() const { return m_handle; }
    void SetHandle(sqlite3* handle) { m_handle = handle; }
    bool IsOpen() const { return m_handle != nullptr; }

    // Opens (and creates when missing) the database file; null with the
    // reason in `error` when it cannot. The caller closes it with CloseFile.
    static sqlite3* OpenFile(const std::string& path, std::string& error);
    static void CloseFile(sqlite3* handle);

private:
    sqlite3* m_handle;
};

}  // namespace velmora

#include "db/sqlite_database.h"

#include <sqlite3.h>

namespace velmora {
namespace {

// Another process (the desktop program and a scheduling host) may hold the
// file for a moment; wait for it rather than fail at once.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

sqlite3* CSQLiteDatabase::OpenFile(const std::string& path, std::string& error) {
    sqlite3* handle = nullptr;
    const int result =
        sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result == SQLITE_OK) {
        sqlite3_busy_timeout(handle, kBusyTimeoutMs);
        error.clear();
        return handle;
    }
    // SQLite hands out a handle even when opening fails; it carries the reason.
    error = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(result);
    sqlite3_close(handle);
    return nullptr;
}

void CSQLiteDatabase::CloseFile(sqlite3* handle) { sqlite3_close(handle); }

}  // namespace velmora

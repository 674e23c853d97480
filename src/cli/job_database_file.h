#pragma once

#include <string>

#include "db/sqlite_database.h"

namespace parcelo::cli {

// A job database file held open for one command; closed with the object.
class JobDatabaseFile {
public:
    JobDatabaseFile() = default;
    ~JobDatabaseFile();
    JobDatabaseFile(const JobDatabaseFile&) = delete;
    JobDatabaseFile& operator=(const JobDatabaseFile&) = delete;

    // Makes a new database from the built-in schema, readable by its owner
    // only (orders may hold logins). Refuses a file that exists and is not
    // empty, so that no data is ever overwritten.
    bool Create(const std::string& path, std::string& error);
    // Opens an existing job database (never creates one). A file made
    // before a column existed gets it added, empty.
    bool Open(const std::string& path, std::string& error);
    // What a long-running host wants: the write-ahead log with
    // synchronous=NORMAL, so that readers (the desktop program) never wait
    // for the scheduler and each log row costs no full sync, and log rows
    // committed in groups (a tenth of a second at most), not one by one.
    bool UseForJobs(std::string& error);

    velmora::CSQLiteDatabase* get() { return &m_database; }

    // A warning for the user when other users may read the file; "" when
    // only its owner can.
    static std::string AccessWarning(const std::string& path);

private:
    bool OpenHandle(const std::string& path, std::string& error);
    bool AddMissingColumns(std::string& error);
    bool Exec(const std::string& sql, std::string& error);

    velmora::CSQLiteDatabase m_database;
};

}  // namespace parcelo::cli

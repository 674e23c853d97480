#include "cli/job_database_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/schema_sql.h"
#include "db/sqlite_query.h"

namespace parcelo::cli {
namespace {

namespace fs = std::filesystem;

constexpr fs::perms kOthersMayRead = fs::perms::group_read | fs::perms::others_read;

// The file, made (or kept, when it is there and empty) with mode 0600;
// SQLite gives its journal files the same mode.
bool CreateOwnerOnly(const std::string& path, std::string& error) {
    std::error_code code;
    if (!fs::exists(path, code)) std::ofstream(path, std::ios::binary);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, code);
    if (!code) return true;
    error = "cannot create '" + path + "': " + code.message();
    return false;
}

}  // namespace

std::string JobDatabaseFile::AccessWarning(const std::string& path) {
    std::error_code code;
    const fs::perms mode = fs::status(path, code).permissions();
    if (code || (mode & kOthersMayRead) == fs::perms::none) return {};
    return "warning: other users can read the job database '" + path +
           "', which may hold logins (make it private: chmod 600 '" + path + "')";
}

JobDatabaseFile::~JobDatabaseFile() { m_database.Close(); }

bool JobDatabaseFile::Create(const std::string& path, std::string& error) {
    std::error_code code;
    if (std::filesystem::exists(path, code) && std::filesystem::file_size(path, code) != 0) {
        error = "'" + path + "' exists and is not empty: a new job database needs a new file";
        return false;
    }
    if (!CreateOwnerOnly(path, error)) return false;
    if (!OpenHandle(path, error)) return false;
    if (Exec(kSchemaSql, error)) return true;
    error = "cannot create the tables in '" + path + "': " + error;
    return false;
}

bool JobDatabaseFile::Open(const std::string& path, std::string& error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        error = "no job database '" + path + "' (make one with: parcelo-cli db init --db " + path + ")";
        return false;
    }
    if (!OpenHandle(path, error)) return false;
    velmora::CSQLiteQuery query(&m_database);
    if (!query.Exec("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'Schedule'")) {
        error = "cannot read '" + path + "': " + query.GetError();
        return false;
    }
    if (query.PopInt() != 1) {
        error = "'" + path + "' is not a job database";
        return false;
    }
    if (AddMissingColumns(error)) return true;
    error = "cannot add the new columns to '" + path + "': " + error;
    return false;
}

bool JobDatabaseFile::AddMissingColumns(std::string& error) {
    // Empty means the behaviour from before the column (the traditional
    // ZIP encryption).
    velmora::CSQLiteQuery query(&m_database);
    if (!query.Exec("SELECT count(*) FROM pragma_table_info('TransOrder') WHERE name = 'TransformEncryption'")) {
        error = query.GetError();
        return false;
    }
    return query.PopInt() == 1 || Exec("ALTER TABLE TransOrder ADD COLUMN TransformEncryption INTEGER", error);
}

bool JobDatabaseFile::UseForJobs(std::string& error) {
    if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", error)) return false;
    m_database.GroupRows();
    return true;
}

bool JobDatabaseFile::OpenHandle(const std::string& path, std::string& error) {
    sqlite3* handle = velmora::CSQLiteDatabase::OpenFile(path, error);
    if (!handle) {
        error = "cannot open '" + path + "': " + error;
        return false;
    }
    m_database.SetHandle(handle);
    return true;
}

bool JobDatabaseFile::Exec(const std::string& sql, std::string& error) {
    velmora::CSQLiteQuery query(&m_database);
    if (query.Exec(sql)) return true;
    error = query.GetError();
    return false;
}

}  // namespace parcelo::cli

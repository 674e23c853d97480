#include "db/sqlite_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/text.h"
#include "db/db_statement.h"
#include "platform/process.h"

namespace velmora {
namespace {

// Another process (the desktop program and a scheduling host) may hold the
// file for a moment; wait for it rather than fail at once.
constexpr int kBusyTimeoutMs = 5000;
// Prepared statements kept per connection: every statement the record layer
// composes, with room for the raw texts of hosts and tests.
constexpr size_t kKeptStatements = 48;

bool IsBlank(const char* text) {
    return std::all_of(text, text + std::char_traits<char>::length(text),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';'; });
}

int ExecRow(void* columns, int count, char** values, char** /*names*/) {
    auto* out = static_cast<std::deque<std::string>*>(columns);
    for (int i = 0; i < count; ++i) out->emplace_back(values[i] ? values[i] : "");
    return 0;
}

bool Bind(sqlite3_stmt* statement, const std::vector<CDBStatement::Value>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        const int place = static_cast<int>(i) + 1;
        const int result =
            std::holds_alternative<int32_t>(values[i])
                ? sqlite3_bind_int(statement, place, std::get<int32_t>(values[i]))
                : sqlite3_bind_text(statement, place, std::get<std::string>(values[i]).data(),
                                    static_cast<int>(std::get<std::string>(values[i]).size()), SQLITE_STATIC);
        if (result != SQLITE_OK) return false;
    }
    return true;
}

bool ExecText(sqlite3* handle, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(handle, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : sqlite3_errmsg(handle);
    sqlite3_free(message);
    return false;
}

// A read sees the open group's rows and may run inside it; anything else (a
// write, a transaction of its own, a pragma) runs after the group is
// committed, as it would have without one.
bool JoinsGroup(sqlite3_stmt* prepared, const std::string& sql) {
    if (!sqlite3_stmt_readonly(prepared)) return false;
    const size_t start = sql.find_first_not_of(" \t\r\n(");
    if (start == std::string::npos) return false;
    const std::string_view text = std::string_view(sql).substr(start);
    return EqualsNoCase(text.substr(0, 6), "SELECT") || EqualsNoCase(text.substr(0, 4), "WITH");
}

}  // namespace

// The idle prepared statements of one connection, most recently used last.
class CSQLiteDatabase::CPrepared {
public:
    ~CPrepared() {
        for (auto& [sql, statement] : m_idle) sqlite3_finalize(statement);
    }

    sqlite3_stmt* Take(const std::string& sql) {
        for (auto it = m_idle.rbegin(); it != m_idle.rend(); ++it) {
            if (it->first != sql) continue;
            sqlite3_stmt* statement = it->second;
            m_idle.erase(std::next(it).base());
            return statement;
        }
        return nullptr;
    }

    void Give(const std::string& sql, sqlite3_stmt* statement) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        m_idle.emplace_back(sql, statement);
        if (m_idle.size() <= kKeptStatements) return;
        sqlite3_finalize(m_idle.front().second);
        m_idle.erase(m_idle.begin());
    }

private:
    std::vector<std::pair<std::string, sqlite3_stmt*>> m_idle;
};

CSQLiteDatabase::CSQLiteDatabase(sqlite3* handle) : m_handle(handle), m_prepared(std::make_unique<CPrepared>()) {}

CSQLiteDatabase::~CSQLiteDatabase() {
    std::string error;
    EndGroup(error);
    StopCommitter();
}

void CSQLiteDatabase::SetHandle(sqlite3* handle) {
    std::lock_guard lock(m_mutex);
    if (handle == m_handle) return;
    std::string error;
    CommitGroup(error);
    m_prepared = std::make_unique<CPrepared>();
    m_handle = handle;
}

bool CSQLiteDatabase::Run(const CDBStatement& statement, std::deque<std::string>& columns, std::string& error) {
    std::lock_guard lock(m_mutex);
    if (!RunLocked(statement, columns, error)) return false;
    if (!statement.IsGrouped() || !m_bGroupOpen || ++m_nGroupRows < kGroupRows) return true;
    return CommitGroup(error);
}

bool CSQLiteDatabase::RunLocked(const CDBStatement& statement, std::deque<std::string>& columns, std::string& error) {
    const std::string& sql = statement.GetSql();
    sqlite3_stmt* prepared = m_prepared->Take(sql);
    if (!prepared) {
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(m_handle, sql.c_str(), static_cast<int>(sql.size()) + 1, SQLITE_PREPARE_PERSISTENT,
                               &prepared, &tail) != SQLITE_OK) {
            error = sqlite3_errmsg(m_handle);
            return false;
        }
        if (!prepared || !IsBlank(tail)) {
            // Nothing to run, or more than one statement: SQLite's own loop.
            sqlite3_finalize(prepared);
            if (!statement.GetValues().empty()) {
                error = "A statement with values holds more than one statement";
                return false;
            }
            if (!CommitGroup(error)) return false;
            char* message = nullptr;
            if (sqlite3_exec(m_handle, sql.c_str(), ExecRow, &columns, &message) == SQLITE_OK) return true;
            error = message ? message : "UNKNOWN ERROR";
            sqlite3_free(message);
            return false;
        }
    }
    bool ok = statement.IsGrouped() ? OpenGroup(error) : JoinsGroup(prepared, sql) || CommitGroup(error);
    if (ok && !Bind(prepared, statement.GetValues())) {
        error = sqlite3_errmsg(m_handle);
        ok = false;
    }
    int result = SQLITE_ROW;
    while (ok && (result = sqlite3_step(prepared)) == SQLITE_ROW) {
        const int count = sqlite3_column_count(prepared);
        for (int i = 0; i < count; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(prepared, i));
            columns.emplace_back(text ? text : "");
        }
    }
    if (ok && result != SQLITE_DONE) {
        error = sqlite3_errmsg(m_handle);
        ok = false;
    }
    m_prepared->Give(sql, prepared);
    return ok;
}

void CSQLiteDatabase::GroupRows(std::chrono::milliseconds time) {
    std::lock_guard lock(m_mutex);
    m_groupTime = time;
    if (m_bGroupRows) return;
    m_bGroupRows = true;
    m_committer = platform::StartThreadWithoutSignals([this] { CommitGroupsInTime(); });
}

bool CSQLiteDatabase::EndGroup(std::string& error) {
    std::lock_guard lock(m_mutex);
    return CommitGroup(error);
}

void CSQLiteDatabase::Close() {
    std::string error;
    EndGroup(error);
    StopCommitter();
    std::lock_guard lock(m_mutex);
    m_prepared = std::make_unique<CPrepared>();
    CloseFile(m_handle);
    m_handle = nullptr;
}

bool CSQLiteDatabase::OpenGroup(std::string& error) {
    if (!m_bGroupRows || m_bGroupOpen) return true;
    if (!m_strGroupError.empty()) {
        error = "the rows before this one could not be committed: " + std::exchange(m_strGroupError, {});
        return false;
    }
    // Inside a transaction of the connection's own, the row is part of it.
    if (!sqlite3_get_autocommit(m_handle)) return true;
    if (!ExecText(m_handle, "BEGIN IMMEDIATE", error)) return false;
    m_bGroupOpen = true;
    m_nGroupRows = 0;
    m_groupOpened = std::chrono::steady_clock::now();
    m_groupChanged.notify_all();
    return true;
}

bool CSQLiteDatabase::CommitGroup(std::string& error) {
    if (!m_bGroupOpen) return true;
    const bool ok = ExecText(m_handle, "COMMIT", error);
    // A commit that failed may have rolled the group back, or left it open
    // for another try a whole group time later; one that succeeds has lost
    // nothing of the rows before it.
    m_bGroupOpen = !sqlite3_get_autocommit(m_handle);
    m_groupOpened = std::chrono::steady_clock::now();
    if (!ok) return false;
    m_nGroupRows = 0;
    m_strGroupError.clear();
    return true;
}

// The committer's thread: a group is committed its time after it opened
// even when no further row comes, so that a long transfer never holds the
// file's write lock, and a crash in it loses no row older than that.
void CSQLiteDatabase::CommitGroupsInTime() {
    std::unique_lock lock(m_mutex);
    while (!m_bStopping) {
        if (!m_bGroupOpen) {
            m_groupChanged.wait(lock);
            continue;
        }
        const auto due = m_groupOpened + m_groupTime;
        if (std::chrono::steady_clock::now() < due) {
            m_groupChanged.wait_until(lock, due);
            continue;
        }
        std::string error;
        if (!CommitGroup(error)) m_strGroupError = error;
    }
}

void CSQLiteDatabase::StopCommitter() {
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
        m_bGroupRows = false;
    }
    m_groupChanged.notify_all();
    if (m_committer.joinable()) m_committer.join();
    m_bStopping = false;
}

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

// Statements still prepared on the handle keep it open until they go.
void CSQLiteDatabase::CloseFile(sqlite3* handle) { sqlite3_close_v2(handle); }

}  // namespace velmora

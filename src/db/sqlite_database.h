#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
// until the object goes or its handle changes. Threads may share it: one
// statement runs at a time.
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

    // From now on, rows of Grouped statements (log entries) are committed
    // together instead of one by one: a group opens with its first row and
    // is committed when it holds kGroupRows rows, `time` after it opened,
    // or before any statement on this connection that is not a read.
    // A crash then loses at most the rows of the last group, and never a
    // write that is not one of its rows. A host that groups rows closes the
    // file with Close, which commits the open group first.
    void GroupRows(std::chrono::milliseconds time = kGroupTime);
    // Commits the open group now. False with SQLite's reason.
    bool EndGroup(std::string& error);
    // Commits the open group and closes the handle (CloseFile).
    void Close();

    static constexpr int kGroupRows = 500;
    static constexpr std::chrono::milliseconds kGroupTime{100};

    // Opens (and creates when missing) the database file; null with the
    // reason in `error` when it cannot. The caller closes it with CloseFile,
    // before or after the objects that ran statements on it go.
    static sqlite3* OpenFile(const std::string& path, std::string& error);
    static void CloseFile(sqlite3* handle);

private:
    class CPrepared;

    bool RunLocked(const CDBStatement& statement, std::deque<std::string>& columns, std::string& error);
    bool OpenGroup(std::string& error);
    bool CommitGroup(std::string& error);
    void CommitGroupsInTime();
    void StopCommitter();

    // One statement at a time, and the group's state with it.
    std::mutex m_mutex;
    sqlite3* m_handle;
    std::unique_ptr<CPrepared> m_prepared;

    bool m_bGroupRows = false;
    std::chrono::milliseconds m_groupTime = kGroupTime;
    bool m_bGroupOpen = false;
    int m_nGroupRows = 0;
    std::chrono::steady_clock::time_point m_groupOpened;
    // Why the committer could not commit, for the next statement to report.
    std::string m_strGroupError;
    bool m_bStopping = false;
    std::condition_variable m_groupChanged;
    std::thread m_committer;
};

}  // namespace velmora

// Log entries committed in groups: what another connection (the desktop
// program, a crash's survivor) sees of them, and when.

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "db/db_log_status.h"
#include "db/db_schedule_obj.h"
#include "db/db_transaction.h"
#include "db/sqlite_database.h"
#include "db/sqlite_query.h"
#include "test_database.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;

// The log entries a second connection to the file sees.
int CommittedEntries(const std::string& path) {
    std::string error;
    CSQLiteDatabase reader(CSQLiteDatabase::OpenFile(path, error));
    CSQLiteQuery query(&reader);
    const int count = query.Exec("SELECT count(*) FROM LogStatus") ? query.PopInt() : -1;
    reader.Close();
    return count;
}

bool AddEntries(CSQLiteDatabase* database, int count) {
    CDBLogStatusSet entries(database);
    CDBLogStatus entry;
    entry.ID_TransOrder = 1;
    entry.SetStatus(DBLOG_OK);
    for (int i = 0; i < count; ++i) {
        entry.FromURL = "/src/file" + std::to_string(i);
        if (!entries.AddRecord(entry)) return false;
    }
    return true;
}

TEST(RowGroups, EntriesWaitForTheirGroupAndEveryOtherWriteEndsIt) {
    TestDatabase db;
    // A group that never ends by time, so that only the rules below end it.
    db.get()->GroupRows(std::chrono::hours(1));
    ASSERT_TRUE(AddEntries(db.get(), 3));
    EXPECT_EQ(CommittedEntries(db.path()), 0);
    // The connection's own reads see its rows and leave the group open.
    EXPECT_EQ(db.Value("SELECT count(*) FROM LogStatus"), "3");
    EXPECT_EQ(CommittedEntries(db.path()), 0);

    // A write transaction starts after the group, and its rollback takes
    // none of the group's rows with it.
    {
        CDBWriteTransaction transaction(db.get());
        ASSERT_TRUE(transaction.IsOpen()) << transaction.GetLastError();
        EXPECT_EQ(CommittedEntries(db.path()), 3);
        ASSERT_TRUE(AddEntries(db.get(), 2));
        CDBScheduleObjSet schedules(db.get());
        CDBScheduleObj schedule;
        schedule.Name = "rolled back";
        ASSERT_TRUE(schedules.AddRecord(schedule));
    }
    EXPECT_EQ(db.Value("SELECT count(*) FROM LogStatus"), "3");
    EXPECT_EQ(db.Value("SELECT count(*) FROM Schedule"), "0");

    // A plain write is committed at once, the rows before it first.
    ASSERT_TRUE(AddEntries(db.get(), 1));
    db.Value("UPDATE LogStatus SET Note = 'seen'");
    EXPECT_EQ(CommittedEntries(db.path()), 4);

    // A full group is committed with its last row.
    ASSERT_TRUE(AddEntries(db.get(), CSQLiteDatabase::kGroupRows - 1));
    EXPECT_EQ(CommittedEntries(db.path()), 4);
    ASSERT_TRUE(AddEntries(db.get(), 1));
    EXPECT_EQ(CommittedEntries(db.path()), 4 + CSQLiteDatabase::kGroupRows);

    ASSERT_TRUE(AddEntries(db.get(), 2));
    std::string error;
    ASSERT_TRUE(db.get()->EndGroup(error)) << error;
    EXPECT_EQ(CommittedEntries(db.path()), 6 + CSQLiteDatabase::kGroupRows);
}

// A group ends by time even when no row follows it: a long transfer after
// it neither holds the file's write lock nor leaves its rows uncommitted.
TEST(RowGroups, AGroupIsCommittedInTimeWithoutAnotherRowAndAtClose) {
    TestDatabase db;
    db.get()->GroupRows(20ms);
    ASSERT_TRUE(AddEntries(db.get(), 1));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (CommittedEntries(db.path()) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(CommittedEntries(db.path()), 1);

    db.get()->GroupRows(std::chrono::hours(1));
    ASSERT_TRUE(AddEntries(db.get(), 2));
    const std::string path = db.path();
    db.get()->Close();
    EXPECT_EQ(CommittedEntries(path), 3);
}

// Without GroupRows every entry is its own transaction, as before.
TEST(RowGroups, EntriesAreCommittedOneByOneUnlessTheHostGroupsThem) {
    TestDatabase db;
    ASSERT_TRUE(AddEntries(db.get(), 2));
    EXPECT_EQ(CommittedEntries(db.path()), 2);
}

}  // namespace
}  // namespace velmora::test

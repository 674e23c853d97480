#include <gtest/gtest.h>

#include "db/db_date.h"
#include "db/sqlite_database.h"
#include "db/sqlite_query.h"
#include "db/test_database.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

TEST(CSQLiteQuery, FlattensRowsColumnByColumnWithNullAsEmptyText) {
    TestDatabase db;
    CSQLiteQuery query(db.get());
    ASSERT_TRUE(query.Exec("SELECT 1, 'a', NULL UNION ALL SELECT 2, 'b', 'c'"));
    EXPECT_EQ(query.GetStatement(), "SELECT 1, 'a', NULL UNION ALL SELECT 2, 'b', 'c'");
    ASSERT_EQ(query.ValueCount(), 6);
    EXPECT_EQ(query.PopInt(), 1);
    EXPECT_EQ(query.PopValue(), "a");
    EXPECT_EQ(query.PopValue(), "");
    EXPECT_EQ(query.PopValue(), "2");
    EXPECT_EQ(query.PopValue(), "b");
    EXPECT_EQ(query.PopValue(), "c");
    EXPECT_EQ(query.ValueCount(), 0);
    EXPECT_EQ(query.PopValue(), "");
    EXPECT_EQ(query.PopInt(), 0);
    EXPECT_EQ(query.PopDate(), 0);
}

TEST(CSQLiteQuery, EachStatementStartsWithAnEmptyQueueAndKeepsSQLiteMessage) {
    TestDatabase db;
    CSQLiteQuery query(db.get());
    ASSERT_TRUE(query.Exec("SELECT 1, 2"));
    EXPECT_FALSE(query.Exec("SELECT * FROM NoSuchTable"));
    EXPECT_EQ(query.ValueCount(), 0);
    EXPECT_EQ(query.GetError(), "no such table: NoSuchTable");
    ASSERT_TRUE(query.Exec("SELECT 3"));
    EXPECT_EQ(query.GetError(), "");
    EXPECT_EQ(query.PopValue(), "3");
}

TEST(CSQLiteQuery, WithoutAnOpenDatabaseFailsWithAReason) {
    CSQLiteQuery detached;
    EXPECT_FALSE(detached.Exec("SELECT 1"));
    EXPECT_EQ(detached.GetError(), "No open database");
    CSQLiteDatabase closed;
    CSQLiteQuery onClosed(&closed);
    EXPECT_FALSE(onClosed.Exec("SELECT 1"));
    EXPECT_FALSE(onClosed.GetError().empty());
}

TEST(CSQLiteDatabase, OpenFileReportsAFolderThatDoesNotExist) {
    std::string error;
    EXPECT_EQ(CSQLiteDatabase::OpenFile("/nonexistent-folder/sub/jobs.db", error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(DBDate, WritesAndReadsTheStoredForm) {
    const int64_t t = LocalTime(2007, 3, 5, 14, 3, 9);
    EXPECT_EQ(FormatDBDate(t), "03/05/2007 14:03:09");
    EXPECT_EQ(ParseDBDate("03/05/2007 14:03:09"), t);
    EXPECT_EQ(ParseDBDate(" 3/5/2007 14:3:9 "), t);
    EXPECT_EQ(ParseDBDate("03/05/2007"), LocalTime(2007, 3, 5));
    EXPECT_EQ(ParseDBDate("03/05/2007 14:03"), LocalTime(2007, 3, 5, 14, 3));
    EXPECT_EQ(ParseDBDate("02/29/2008 23:59:59"), LocalTime(2008, 2, 29, 23, 59, 59));
    // Time 0 ("no time set") survives the round trip in any time zone.
    EXPECT_EQ(ParseDBDate(FormatDBDate(0)), 0);
}

TEST(DBDate, AnythingElseReadsAsTimeZero) {
    for (const char* text : {"", "garbage", "03/05/2007 14", "03/05/07 14:03:09", "2007-03-05 14:03:09",
                             "13/01/2007 00:00:00", "00/10/2007 00:00:00", "02/30/2007 00:00:00",
                             "02/29/2007 00:00:00", "01/01/1899 00:00:00", "01/01/2007 24:00:00",
                             "01/01/2007 10:60:00", "01/01/2007 10:00:61", "01/01/2007 10:00:00x",
                             "001/01/2007 10:00:00", "01/01/2007 -1:00:00"}) {
        EXPECT_EQ(ParseDBDate(text), 0) << text;
    }
}

}  // namespace
}  // namespace velmora

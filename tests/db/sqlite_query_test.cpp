#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "db/db_date.h"
#include "db/db_statement.h"
#include "db/sqlite_database.h"
#include "db/sqlite_query.h"
#include "db/test_database.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TempDir;
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

// SQLite takes a composed statement's values bound: the rows must be the
// ones its text, run as it reads, would store, value for value and type for
// type, including text that looks like SQL or a number.
TEST(CSQLiteQuery, BoundValuesStoreWhatTheComposedTextSays) {
    const char* const kRow =
        "SELECT I, typeof(I), S, typeof(S), D, typeof(D), N, typeof(N), X, typeof(X), Y, typeof(Y) FROM T";
    TestDatabase db;
    db.Value("CREATE TABLE T (I INTEGER, S TEXT, D TEXT, N INTEGER, X, Y)");  // X, Y: no affinity
    const int64_t when = LocalTime(2026, 12, 8, 9, 30, 0);
    for (const std::string& text : {std::string("it's"), std::string("'); DROP TABLE T; --"), std::string("42"),
                                    std::string(""), std::string("a\nb ? c")}) {
        db.Value("DELETE FROM T");
        CDBStatement insert(" INSERT INTO T ( I,S,D,N,X,Y ) VALUES ( ");
        insert.Int(-7).Text(" , ").Quoted(text).Text(" , ").Date(when).Text(" , ").Quoted(text).Text(" , ");
        insert.Quoted(text).Text(" , ").Int(-7).Text(" )");
        CSQLiteQuery query(db.get());
        ASSERT_TRUE(query.Exec(insert)) << query.GetError();
        EXPECT_EQ(query.GetStatement(), insert.str());
        ASSERT_TRUE(query.Exec(kRow));
        std::deque<std::string> rows;
        while (query.ValueCount() > 0) rows.push_back(query.PopValue());
        // The same row through the composed text.
        db.Value("DELETE FROM T");
        db.Value(insert.str());
        ASSERT_TRUE(query.Exec(kRow));
        for (const std::string& value : rows) EXPECT_EQ(query.PopValue(), value) << text;
        EXPECT_EQ(rows[2], text);
    }
    // The WHERE of a composed statement matches by the bound value too.
    CSQLiteQuery query(db.get());
    ASSERT_TRUE(query.Exec(CDBStatement("SELECT COUNT(*) FROM T WHERE S = ").Quoted("a\nb ? c")));
    EXPECT_EQ(query.PopInt(), 1);
}

// The connection keeps its statements prepared; what changes around them
// must not show.
TEST(CSQLiteDatabase, PreparedStatementsFollowTheSchemaAndOutliveTheHandle) {
    std::string error;
    TempDir dir;
    sqlite3* handle = CSQLiteDatabase::OpenFile(dir.path() + "/t.db", error);
    ASSERT_NE(handle, nullptr) << error;
    {
        CSQLiteDatabase database(handle);
        CSQLiteQuery query(&database);
        // Several statements in one text run as a whole; with values they are refused.
        ASSERT_TRUE(query.Exec("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1);")) << query.GetError();
        EXPECT_FALSE(query.Exec(CDBStatement("INSERT INTO T VALUES (").Int(2).Text("); SELECT 1")));
        for (int i = 2; i <= 100; ++i) ASSERT_TRUE(query.Exec(CDBStatement("INSERT INTO T VALUES (").Int(i).Text(")")));
        ASSERT_TRUE(query.Exec("SELECT * FROM T WHERE A = 100"));
        EXPECT_EQ(query.ValueCount(), 1);
        // A column added after the statement was prepared is in its next result.
        ASSERT_TRUE(query.Exec("ALTER TABLE T ADD COLUMN B TEXT DEFAULT 'b'"));
        ASSERT_TRUE(query.Exec("SELECT * FROM T WHERE A = 100"));
        EXPECT_EQ(query.ValueCount(), 2);
        // A failed step leaves the statement usable for the next run.
        ASSERT_TRUE(query.Exec("CREATE UNIQUE INDEX TA ON T (A)"));
        EXPECT_FALSE(query.Exec(CDBStatement("INSERT INTO T (A) VALUES (").Int(5).Text(")")));
        EXPECT_NE(query.GetError().find("UNIQUE"), std::string::npos) << query.GetError();
        EXPECT_TRUE(query.Exec(CDBStatement("INSERT INTO T (A) VALUES (").Int(101).Text(")"))) << query.GetError();
        // The host may close the file while the statements are still kept.
        CSQLiteDatabase::CloseFile(handle);
    }
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

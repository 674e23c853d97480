#include <gtest/gtest.h>

#include <string>

#include "db/db_schedule_obj.h"
#include "db/test_database.h"

// The record layer, driven through the schedule set over a real database.
namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

CDBScheduleObj MakeSchedule(const std::string& name) {
    CDBScheduleObj s;
    s.Name = name;
    s.Description = "nightly";
    s.StartDateTime = LocalTime(2007, 3, 5, 14, 3, 9);
    s.TargetFile = "/jobs/a.job";
    s.TargetGUID = "{G1}";
    s.Repeat = CDBScheduleObj::eWeekly;
    s.DaysOfWeek = eMonday | eFriday;
    s.DaysOfMonth = "1,15";
    s.Timer = 45;
    s.Note = "note";
    return s;
}

int RowCount(TestDatabase& db, const std::string& table) {
    return std::stoi(db.Value("SELECT COUNT(*) FROM " + table));
}

TEST(CDBObjSet, ComposesTheStatementShapesExactly) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    EXPECT_EQ(set.GetTable(), "Schedule");

    CDBScheduleObj s = MakeSchedule("it's");
    ASSERT_TRUE(set.AddRecord(s));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " INSERT INTO Schedule ( Name,Description,StartDateTime,TargetFile,TargetGUID,Repeat,DaysOfWeek,"
              "DaysOfMonth,Timer,Status,StatusDescription,Note  )  VALUES ( 'it''s' , 'nightly' , "
              "'03/05/2007 14:03:09' , '/jobs/a.job' , '{G1}' , 3 , 34 , '1,15' , 45 , 0 , '' , 'note'  )");

    s.ID = 1;
    s.Name = "";
    ASSERT_TRUE(set.EditRecord(s));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " UPDATE Schedule SET Name = '' , Description = 'nightly' , StartDateTime = '03/05/2007 14:03:09' , "
              "TargetFile = '/jobs/a.job' , TargetGUID = '{G1}' , Repeat = 3 , DaysOfWeek = 34 , "
              "DaysOfMonth = '1,15' , Timer = 45 , Status = 0 , StatusDescription = '' , Note = 'note'   WHERE ID = 1");

    ASSERT_TRUE(set.LoadSchedule());
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " SELECT ID,Name,Description,StartDateTime,TargetFile,TargetGUID,Repeat,DaysOfWeek,DaysOfMonth,Timer,"
              "Status,StatusDescription,Note  FROM Schedule WHERE Status != 1");

    s.SetStatus(CDBScheduleObj::eStatusDeleted);
    ASSERT_TRUE(set.UpdateScheduleStatus(s));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " UPDATE Schedule SET Status = 1 , StatusDescription = 'Deleted'  WHERE ID = 1");

    ASSERT_TRUE(set.DeleteRecord(s));
    EXPECT_EQ(set.GetQuery().GetStatement(), " DELETE FROM Schedule WHERE ID = 1");
    EXPECT_EQ(RowCount(db, "Schedule"), 0);
}

TEST(CDBObjSet, HostileAndUnusualTextIsStoredAndReadBackUnchanged) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    const std::string texts[] = {
        "'; DROP TABLE Schedule; --",
        "it's",
        "",
        "''",
        "x' OR '1'='1",
        "Grüße aus Köln ✓ 日本",
        "back\\slash \"double\" %s%n%d",
        "two\r\nlines\tand tab",
    };
    for (const std::string& text : texts) {
        CDBScheduleObj s = MakeSchedule(text);
        s.Description = text;
        s.TargetGUID = text;
        s.DaysOfMonth = text;
        s.Note = text;
        ASSERT_NE(set.AddSchedule(s), nullptr) << text << ": " << set.GetLastError();
    }
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), "6");

    CDBScheduleObjSet reloaded(db.get(), true, nullptr);
    ASSERT_TRUE(reloaded.Load(nullptr));
    ASSERT_EQ(reloaded.GetCount(), static_cast<int>(std::size(texts)));
    auto pos = reloaded.GetHeadPosition();
    for (const std::string& text : texts) {
        const CDBScheduleObj* s = reloaded.GetNext(pos);
        EXPECT_EQ(s->Name, text);
        EXPECT_EQ(s->Description, text);
        EXPECT_EQ(s->TargetGUID, text);
        EXPECT_EQ(s->DaysOfMonth, text);
        EXPECT_EQ(s->Note, text);
    }

    // Looked up by a hostile GUID, exactly one row matches: the one holding it.
    ASSERT_TRUE(reloaded.LoadByTargetguid("x' OR '1'='1"));
    ASSERT_EQ(reloaded.GetCount(), 1);
    EXPECT_EQ(reloaded.GetHead()->Name, "x' OR '1'='1");
    ASSERT_TRUE(reloaded.LoadByDocAndGUID("/jobs/a.job", "'; DROP TABLE Schedule; --"));
    EXPECT_EQ(reloaded.GetCount(), 1);
    EXPECT_EQ(RowCount(db, "Schedule"), static_cast<int>(std::size(texts)));
}

TEST(CDBObjSet, NullEmptyAndGarbageColumnsReadAsEmptyValues) {
    TestDatabase db;
    db.Value("INSERT INTO Schedule (Name) VALUES ('bare')");
    db.Value("INSERT INTO Schedule (Name, StartDateTime, Repeat, Timer) VALUES ('odd', 'next tuesday', 'x', '')");
    db.Value("INSERT INTO Schedule (Name, StartDateTime) VALUES ('empty', '')");
    CDBScheduleObjSet set(db.get(), true, nullptr);
    ASSERT_TRUE(set.Load(""));
    ASSERT_EQ(set.GetCount(), 3);
    for (CDBObj* record : set) {
        const auto* s = dynamic_cast<CDBScheduleObj*>(record);
        ASSERT_NE(s, nullptr);
        EXPECT_GT(s->ID, 0);
        EXPECT_EQ(s->StartDateTime, 0) << s->Name;
        EXPECT_EQ(s->Repeat, 0);
        EXPECT_EQ(s->Timer, 0);
        EXPECT_EQ(s->Description, "");
        EXPECT_EQ(s->TargetGUID, "");
    }
}

TEST(CDBObjSet, LoadReplacesTheRecordsAndAFailedLoadLeavesTheSetEmpty) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    ASSERT_TRUE(set.Load(nullptr));
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_EQ(set.GetQuery().ValueCount(), 0);

    ASSERT_NE(set.AddSchedule(MakeSchedule("a")), nullptr);
    ASSERT_NE(set.AddSchedule(MakeSchedule("b")), nullptr);
    ASSERT_TRUE(set.Load(nullptr));
    EXPECT_EQ(set.GetCount(), 2);
    ASSERT_TRUE(set.Load("Name = 'nobody'"));
    EXPECT_TRUE(set.IsEmpty());

    ASSERT_TRUE(set.Load(""));
    EXPECT_FALSE(set.Load("NoSuchColumn = 1"));
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_EQ(set.GetLastError(), "no such column: NoSuchColumn");
}

TEST(CDBObjSet, LatestAndNewIdentifiers) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    int32_t id = -5;
    ASSERT_TRUE(set.LoadLatestID("ID", id));
    EXPECT_EQ(id, 0);
    ASSERT_TRUE(set.GetNewID("ID", id));
    EXPECT_EQ(id, 1);

    for (const char* name : {"a", "b", "c"}) ASSERT_NE(set.AddSchedule(MakeSchedule(name)), nullptr);
    ASSERT_TRUE(set.LoadLatestID("ID", id));
    EXPECT_EQ(id, 3);
    ASSERT_TRUE(set.GetNewID("ID", id));
    EXPECT_EQ(id, 4);

    CDBScheduleObjSet missing(db.get(), true, "NoSuchTable");
    id = 77;
    EXPECT_FALSE(missing.LoadLatestID("ID", id));
    EXPECT_FALSE(missing.GetNewID("ID", id));
    EXPECT_EQ(id, 77);
    EXPECT_EQ(missing.GetLastError(), "no such table: NoSuchTable");
}

TEST(CDBObjSet, LastErrorJoinsTheListTextAndSQLiteMessage) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, "NoSuchTable");
    EXPECT_EQ(set.GetLastError(), "");
    EXPECT_FALSE(set.Load(nullptr));
    EXPECT_EQ(set.GetLastError(), "no such table: NoSuchTable");
    set.ShowError("Loading schedules failed");
    EXPECT_EQ(set.GetLastError(), "Loading schedules failed\nno such table: NoSuchTable");

    // A later statement that succeeds clears both.
    set.SetTable("Schedule");
    ASSERT_TRUE(set.Load(nullptr));
    EXPECT_EQ(set.GetLastError(), "");

    EXPECT_EQ(set.EditSchedule(MakeSchedule("x")), nullptr);
    EXPECT_EQ(set.GetLastError(), "Schedule object not found");
}

TEST(CDBObjSet, DropTableUsesAnotherDialectAndSQLiteRejectsIt) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    EXPECT_FALSE(set.DropTable("#work"));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              "if exists (select * from tempdb.dbo.sysobjects where id = object_id('tempdb.dbo.#work') "
              "and sysstat & 0xf = 3)drop table tempdb.dbo.#work");
    EXPECT_FALSE(set.DropTable("Schedule"));
    EXPECT_FALSE(set.GetLastError().empty());
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Schedule'"), "1");
}

TEST(CDBObjSet, SaveStopsAtTheFirstRecordThatCannotBeStored) {
    TestDatabase db;
    db.Value("CREATE TRIGGER RejectBad BEFORE INSERT ON Schedule WHEN NEW.Name = 'bad' "
             "BEGIN SELECT RAISE(ABORT, 'bad name'); END");
    CDBScheduleObjSet set(db.get(), true, nullptr);
    EXPECT_TRUE(set.Save());
    for (const char* name : {"first", "bad", "third"}) set.Add(new CDBScheduleObj(MakeSchedule(name)));
    EXPECT_FALSE(set.Save());
    EXPECT_EQ(set.GetLastError(), "bad name");
    EXPECT_EQ(RowCount(db, "Schedule"), 1);
    EXPECT_EQ(db.Value("SELECT Name FROM Schedule"), "first");
}

TEST(CDBObjSet, CopyIsDeepAndKeepsTheRecordClassAndTable) {
    TestDatabase db;
    CDBScheduleObjSet source(db.get(), true, "Other");
    source.Add(new CDBScheduleObj(MakeSchedule("a")));
    source.ShowError("old error");

    CDBScheduleObjSet copy(db.get(), true, nullptr);
    copy.Add(new CDBScheduleObj(MakeSchedule("replaced")));
    copy = source;
    EXPECT_EQ(copy.GetTable(), "Other");
    EXPECT_EQ(copy.GetLastError(), "old error");
    ASSERT_EQ(copy.GetCount(), 1);
    ASSERT_NE(copy.GetHead(), nullptr);
    EXPECT_NE(copy.GetHead(), source.GetHead());
    EXPECT_TRUE(copy.GetHead()->IsEqual(*source.GetHead()));
    copy.GetHead()->Name = "changed";
    EXPECT_EQ(source.GetHead()->Name, "a");
}

TEST(CDBObjSet, RefusesARecordOfAnotherTable) {
    TestDatabase db;
    CDBScheduleObjSet set(db.get(), true, nullptr);
    CDBObjSet& base = set;
    EXPECT_FALSE(base.AddRecord(CDBObj()));
    EXPECT_EQ(set.GetLastError(), "Not a record of table Schedule");
    EXPECT_EQ(RowCount(db, "Schedule"), 0);
}

}  // namespace
}  // namespace velmora

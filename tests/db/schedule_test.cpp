#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/db_schedule_obj.h"
#include "db/test_database.h"
#include "platform/clock.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

CDBScheduleObj Schedule(const std::string& name, int32_t repeat) {
    CDBScheduleObj s;
    s.Name = name;
    s.Repeat = repeat;
    s.TargetFile = "/jobs/" + name + ".job";
    s.TargetGUID = "{" + name + "}";
    s.StartDateTime = LocalTime(2007, 3, 5, 7, 5, 0);
    return s;
}

// The validation message of a schedule, or "" when it is valid.
std::string Problem(const CDBScheduleObj& s) {
    std::string error;
    return s.IsValidData(error) ? std::string() : error;
}

TEST(CDBScheduleObj, ValidationTakesTheChecksInOrder) {
    EXPECT_EQ(Problem(Schedule(" \t ", CDBScheduleObj::eManually)), "Name is missing");
    EXPECT_EQ(Problem(Schedule("s", CDBScheduleObj::eManually)), "Wrong Schedule Type");
    EXPECT_EQ(Problem(Schedule("s", -1)), "Wrong Schedule Type");
    for (int32_t repeat : {0, 1, 2}) EXPECT_EQ(Problem(Schedule("s", repeat)), "") << repeat;

    CDBScheduleObj weekly = Schedule("s", CDBScheduleObj::eWeekly);
    weekly.DaysOfWeek = 0x80;
    EXPECT_EQ(Problem(weekly), "Week selection is missing");
    weekly.SetDayOfWeek(true, eSaturday);
    EXPECT_EQ(Problem(weekly), "");

    CDBScheduleObj timer = Schedule("s", CDBScheduleObj::eTimer);
    timer.Timer = 29;
    EXPECT_EQ(Problem(timer), "Wrong Timer format, Timer value must be 30 minutes or more");
    timer.Timer = 30;
    EXPECT_EQ(Problem(timer), "");
}

TEST(CDBScheduleObj, DaysOfMonthValidation) {
    CDBScheduleObj monthly = Schedule("s", CDBScheduleObj::eMonthly);
    const std::pair<const char*, const char*> cases[] = {
        {" 1, 15;31 ", ""},
        {"1,,32", ""},  // checking stops at the empty token
        {"31;", ""},
        {"", "Wrong monnth format"},
        {"   ", "Wrong monnth format"},
        {"0", "Wrong monnth format: '0'"},
        {"1,x", "Wrong monnth format: 'x'"},
        {"32", "Wrong monnth format: '32'"},
        {"1,-2", "Wrong monnth format: '-2'"},
        {"99999999999999999999", "Wrong monnth format: '99999999999999999999'"},
    };
    for (const auto& [days, message] : cases) {
        monthly.DaysOfMonth = days;
        EXPECT_EQ(Problem(monthly), message) << "«" << days << "»";
    }
}

TEST(CDBScheduleObj, DateDescriptionByRepeat) {
    CDBScheduleObj s = Schedule("s", CDBScheduleObj::eDaily);
    EXPECT_EQ(s.GetDateDescription(), "07:05");
    s.Repeat = CDBScheduleObj::eOnce;
    EXPECT_EQ(s.GetDateDescription(), "03/05/2007 07:05");
    s.Repeat = CDBScheduleObj::eTimer;
    s.Timer = 45;
    EXPECT_EQ(s.GetDateDescription(), "45 minutes");
    s.Repeat = CDBScheduleObj::eNone;
    EXPECT_EQ(s.GetDateDescription(), "None");
    s.Repeat = CDBScheduleObj::eManually;
    EXPECT_EQ(s.GetDateDescription(), "Not supported");
    s.Repeat = 9;
    EXPECT_EQ(s.GetDateDescription(), "NULL");
    s.Repeat = CDBScheduleObj::eMonthly;
    s.StartDateTime = 0;
    EXPECT_EQ(s.GetDateDescription(), "NULL");

    CDBScheduleObj weekly = Schedule("s", CDBScheduleObj::eWeekly);
    EXPECT_EQ(weekly.GetDescription(), "Schedule:\r\nRepeat:.......Weekly\r\nWhen?.........07:05\r\n");
}

TEST(CDBScheduleObj, UnknownTypesAndStatusesReadAsError) {
    EXPECT_EQ(CDBScheduleObj::GetStrScheduleType(6), "Manually");
    EXPECT_EQ(CDBScheduleObj::GetStrScheduleType(7), "ERROR");
    EXPECT_EQ(CDBScheduleObj::GetStrScheduleType(-1), "ERROR");
    CDBScheduleObj s;
    s.SetStatus(3);
    EXPECT_EQ(s.Status, 3);
    EXPECT_EQ(s.StatusDescription, "ERROR");
}

TEST(CDBScheduleObj, ClearCopyAndEquality) {
    const int64_t before = platform::Now();
    CDBScheduleObj s;
    EXPECT_GE(s.StartDateTime, before);
    EXPECT_LE(s.StartDateTime, platform::Now());
    EXPECT_FALSE(s.IsScheduleEnabled());

    CDBScheduleObj a = Schedule("a", CDBScheduleObj::eWeekly);
    a.EnableSchedule(true);
    a.SetSelected(true);
    std::unique_ptr<CObj> clone(a.Clone());
    auto* b = dynamic_cast<CDBScheduleObj*>(clone.get());
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a.IsEqual(*b));
    EXPECT_TRUE(a == *b);
    EXPECT_TRUE(b->IsScheduleEnabled());
    EXPECT_TRUE(b->IsSelected());
    // The selected flag lives in CObj's status word, not in the Status column.
    EXPECT_EQ(b->Status, 0);

    b->DaysOfWeek = eSunday;
    b->DaysOfMonth = "3";
    b->Timer = 99;
    b->StatusDescription = "x";
    EXPECT_TRUE(a.IsEqual(*b));
    b->Note = "changed";
    EXPECT_FALSE(a.IsEqual(*b));
    EXPECT_FALSE(a.IsEqual(CDBObj()));

    b->Clear();
    EXPECT_EQ(b->Name, "");
    EXPECT_EQ(b->DaysOfWeek, 0);
    EXPECT_FALSE(b->IsScheduleEnabled());
    EXPECT_FALSE(b->IsSelected());
}

class ScheduleSetTest : public ::testing::Test {
protected:
    TestDatabase db;
    CDBScheduleObjSet set{db.get(), true, nullptr};
};

TEST_F(ScheduleSetTest, AddStoresANewScheduleWithItsKey) {
    CDBScheduleObj* a = set.AddSchedule(Schedule("a", CDBScheduleObj::eDaily));
    CDBScheduleObj* b = set.AddSchedule(Schedule("b", CDBScheduleObj::eDaily));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->ID, 1);
    EXPECT_EQ(b->ID, 2);
    EXPECT_EQ(set.GetCount(), 2);
    EXPECT_EQ(set.FindById(2), b);
    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM Schedule WHERE ID = 2"), "0 New");

    CDBScheduleObjSet reloaded(db.get(), true, nullptr);
    ASSERT_TRUE(reloaded.Load(nullptr));
    CDBScheduleObj* loaded = reloaded.FindByName("b");
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->IsEqual(*b));
    EXPECT_EQ(loaded->StartDateTime, LocalTime(2007, 3, 5, 7, 5, 0));
    EXPECT_TRUE(loaded->IsScheduleEnabled());
}

// Another writer of the same file (the desktop program beside a scheduling
// host) may add a schedule right after ours; the trigger stands in for it.
// The new record's key is still its own row's.
TEST_F(ScheduleSetTest, AddReadsBackItsOwnKeyWhenAnotherRowFollows) {
    db.Value("CREATE TRIGGER other AFTER INSERT ON Schedule WHEN NEW.Name = 'a' "
             "BEGIN INSERT INTO Schedule (ID, Name) VALUES (NEW.ID + 100, 'other'); END");
    CDBScheduleObj* a = set.AddSchedule(Schedule("a", CDBScheduleObj::eDaily));
    ASSERT_NE(a, nullptr) << set.GetLastError();
    EXPECT_EQ(std::to_string(a->ID), db.Value("SELECT ID FROM Schedule WHERE Name = 'a'"));
}

TEST_F(ScheduleSetTest, AFailedAddLeavesNothingBehind) {
    CDBScheduleObjSet missing(db.get(), true, "NoSuchTable");
    EXPECT_EQ(missing.AddSchedule(Schedule("a", CDBScheduleObj::eDaily)), nullptr);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.GetLastError(), "no such table: NoSuchTable");
}

TEST_F(ScheduleSetTest, EditWritesTheChangesWithStatusModified) {
    CDBScheduleObj* stored = set.AddSchedule(Schedule("a", CDBScheduleObj::eDaily));
    ASSERT_NE(stored, nullptr);
    CDBScheduleObj changed(*stored);
    changed.Name = "renamed";
    changed.Repeat = CDBScheduleObj::eTimer;
    changed.Timer = 60;
    EXPECT_EQ(set.EditSchedule(changed), stored);
    EXPECT_EQ(stored->Name, "renamed");
    EXPECT_EQ(stored->StatusDescription, "Modifyed");

    CDBScheduleObjSet reloaded(db.get(), true, nullptr);
    ASSERT_TRUE(reloaded.LoadByTargetguid("{a}"));
    ASSERT_EQ(reloaded.GetCount(), 1);
    EXPECT_EQ(reloaded.GetHead()->Name, "renamed");
    EXPECT_EQ(reloaded.GetHead()->Timer, 60);
    EXPECT_EQ(reloaded.GetHead()->Status, CDBScheduleObj::eStatusModified);

    CDBScheduleObj unknown = changed;
    unknown.ID = 42;
    EXPECT_EQ(set.EditSchedule(unknown), nullptr);
    EXPECT_EQ(set.GetLastError(), "Schedule object not found");
}

TEST_F(ScheduleSetTest, DeleteKeepsTheRowAndLoadScheduleLeavesItOut) {
    ASSERT_NE(set.AddSchedule(Schedule("keep", CDBScheduleObj::eDaily)), nullptr);
    CDBScheduleObj* doomed = set.AddSchedule(Schedule("drop", CDBScheduleObj::eDaily));
    ASSERT_NE(doomed, nullptr);
    const int32_t id = doomed->ID;
    ASSERT_TRUE(set.DeleteSchedule(*doomed));
    EXPECT_EQ(set.FindById(id), nullptr);
    EXPECT_EQ(set.GetCount(), 1);
    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM Schedule WHERE Name = 'drop'"),
              "1 Deleted");

    ASSERT_TRUE(set.LoadSchedule());
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->Name, "keep");
    ASSERT_TRUE(set.Load(nullptr));
    EXPECT_EQ(set.GetCount(), 2);
}

TEST_F(ScheduleSetTest, LookupsByDocumentAndGuidAreExact) {
    for (const char* name : {"a", "b"}) ASSERT_NE(set.AddSchedule(Schedule(name, CDBScheduleObj::eDaily)), nullptr);
    ASSERT_TRUE(set.LoadByDocAndGUID("/jobs/b.job", "{b}"));
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->Name, "b");
    ASSERT_TRUE(set.LoadByDocAndGUID("/jobs/a.job", "{b}"));
    EXPECT_TRUE(set.IsEmpty());

    ASSERT_TRUE(set.Load(nullptr));
    EXPECT_NE(set.FindByTargetGUID("{a}"), nullptr);
    EXPECT_EQ(set.FindByTargetGUID("{A}"), nullptr);
    EXPECT_EQ(set.FindByName("B"), nullptr);
    EXPECT_EQ(set.FindByDocAndTargetGUID("/jobs/a.job", "{a}"), set.FindByName("a"));
    EXPECT_EQ(set.FindByDocAndTargetGUID("/jobs/a.job", "{b}"), nullptr);
}

}  // namespace
}  // namespace velmora

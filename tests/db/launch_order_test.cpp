#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "db/db_date.h"
#include "db/db_launch_order.h"
#include "db/db_schedule_obj.h"
#include "db/test_database.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::ScheduleWithId;
using test::TestDatabase;

CDBLaunchOrder Launch(int32_t schedule, int32_t status, int64_t performed = 0) {
    CDBLaunchOrder l;
    l.ID_Schedule = schedule;
    l.DateScheduled = LocalTime(2025, 6, 1, 8, 30);
    l.DatePerformed = performed;
    l.SetStatus(status);
    return l;
}

class LaunchOrderSetTest : public ::testing::Test {
protected:
    void Store(const CDBLaunchOrder& launch) { ASSERT_TRUE(set.AddRecord(launch)) << set.GetLastError(); }

    std::vector<int32_t> LoadedIds() {
        std::vector<int32_t> ids;
        for (CDBObj* record : set) ids.push_back(static_cast<CDBLaunchOrder*>(record)->ID);
        return ids;
    }

    TestDatabase db;
    CDBLaunchOrderSet set{db.get(), true, nullptr};
};

TEST(CDBLaunchOrder, StatusTextsDatesAndDescription) {
    CDBLaunchOrder l;
    l.SetStatus(2);  // taken by a scheduling host, which runs it
    EXPECT_EQ(l.StatusDescription, "Processing");
    l.SetStatus(5);
    EXPECT_EQ(l.StatusDescription, "ERROR");

    l.DateScheduled = LocalTime(2007, 3, 5, 14, 3, 9);
    EXPECT_EQ(l.GetDateScheduled(), "03/05/2007 14:03");
    EXPECT_EQ(l.GetDatePerformed(), "NULL");
    l.DatePerformed = LocalTime(2007, 3, 6, 9, 0, 59);
    EXPECT_EQ(l.GetDescription(), "Scheduled:....03/05/2007 14:03\r\nPerformed:....03/06/2007 09:00\r\n");
}

TEST_F(LaunchOrderSetTest, RoundTripAndStatementShapes) {
    CDBLaunchOrder l = Launch(4, CDBLaunchOrder::eLaunchPending);
    l.Note = "it's";
    Store(l);
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " INSERT INTO LaunchOrder ( ID_Schedule,DateScheduled,DatePerformed,Status,StatusDescription,Note  )"
              "  VALUES ( 4 , '06/01/2025 08:30:00' , '" +
                  FormatDBDate(0) + "' , 1 , 'Pending' , 'it''s'  )");

    ASSERT_TRUE(set.LoadByStatus(ScheduleWithId(4), CDBLaunchOrder::eLaunchPending));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " SELECT ID,ID_Schedule,DateScheduled,DatePerformed,Status,StatusDescription,Note  FROM LaunchOrder"
              " WHERE ID_Schedule = 4 AND Status = 1");
    ASSERT_EQ(set.GetCount(), 1);
    l.ID = 1;
    EXPECT_TRUE(set.GetHead()->IsEqual(l));
    EXPECT_EQ(set.GetHead()->DatePerformed, 0);

    CDBLaunchOrder done(*set.GetHead());
    done.SetStatus(CDBLaunchOrder::eLaunchProcessed);
    const int64_t performed = LocalTime(2025, 6, 1, 9, 15, 7);
    ASSERT_TRUE(set.UpdateStatus(done, performed));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " UPDATE LaunchOrder SET DatePerformed = '06/01/2025 09:15:07' , Status = 3 , "
              "StatusDescription = 'Processed'   WHERE ID = 1");
    ASSERT_TRUE(set.LoadByStatus(ScheduleWithId(4), CDBLaunchOrder::eLaunchProcessed));
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->DatePerformed, performed);
    EXPECT_EQ(set.GetHead()->GetDatePerformed(), "06/01/2025 09:15");
}

TEST_F(LaunchOrderSetTest, FirstAndLastRecordOfASchedule) {
    Store(Launch(1, CDBLaunchOrder::eLaunchProcessed));  // ID 1
    Store(Launch(1, CDBLaunchOrder::eLaunchPending));    // ID 2
    Store(Launch(2, CDBLaunchOrder::eLaunchPending));    // ID 3
    Store(Launch(1, CDBLaunchOrder::eLaunchPending));    // ID 4
    Store(Launch(1, CDBLaunchOrder::eLaunchFail));       // ID 5

    CDBLaunchOrder out;
    ASSERT_TRUE(set.LoadFirstRecord(ScheduleWithId(1), CDBLaunchOrder::eLaunchPending, out));
    EXPECT_EQ(out.ID, 2);
    ASSERT_TRUE(set.LoadLastRecord(ScheduleWithId(1), CDBLaunchOrder::eLaunchPending, out));
    EXPECT_EQ(out.ID, 4);
    ASSERT_TRUE(set.LoadLastRecord(ScheduleWithId(1), out));
    EXPECT_EQ(out.ID, 5);
    EXPECT_EQ(out.StatusDescription, "FAIL");

    // Nothing matches: the result is true and `out` keeps what it held.
    CDBLaunchOrder untouched = Launch(9, CDBLaunchOrder::eLaunchPending);
    untouched.ID = 77;
    const CDBLaunchOrder before(untouched);
    ASSERT_TRUE(set.LoadLastRecord(ScheduleWithId(9), untouched));
    ASSERT_TRUE(set.LoadFirstRecord(ScheduleWithId(2), CDBLaunchOrder::eLaunchFail, untouched));
    EXPECT_TRUE(untouched.IsEqual(before));

    CDBLaunchOrderSet missing(db.get(), true, "NoSuchTable");
    EXPECT_FALSE(missing.LoadLastRecord(ScheduleWithId(1), untouched));
    EXPECT_TRUE(untouched.IsEqual(before));
    EXPECT_EQ(missing.GetLastError(), "no such table: NoSuchTable");
}

TEST_F(LaunchOrderSetTest, LaunchesSortByTheDateTheyWerePerformed) {
    Store(Launch(1, 3, LocalTime(2025, 12, 31, 23, 59, 59)));  // ID 1
    Store(Launch(1, 1));                                       // ID 2, never performed
    Store(Launch(1, 3, LocalTime(2026, 1, 1, 0, 0, 1)));       // ID 3
    Store(Launch(1, 3, LocalTime(2025, 2, 1, 10, 0, 0)));      // ID 4
    Store(Launch(1, 3, LocalTime(2025, 12, 31, 9, 0, 0)));     // ID 5
    Store(Launch(2, 3, LocalTime(2030, 1, 1)));                // another schedule
    db.Value("INSERT INTO LaunchOrder (ID_Schedule, Status) VALUES (1, 1)");                      // ID 7, NULL
    db.Value("INSERT INTO LaunchOrder (ID_Schedule, DatePerformed, Status) VALUES (1, '', 1)");  // ID 8

    ASSERT_TRUE(set.LoadByIdSchedule(1)) << set.GetLastError();
    const std::vector<int32_t> ids = LoadedIds();
    ASSERT_EQ(ids.size(), 7u);
    EXPECT_EQ(std::vector<int32_t>(ids.begin(), ids.begin() + 4), (std::vector<int32_t>{3, 1, 5, 4}));
    // The never-performed ones come last, in any order among themselves.
    EXPECT_EQ(std::multiset<int32_t>(ids.begin() + 4, ids.end()), (std::multiset<int32_t>{2, 7, 8}));
}

TEST_F(LaunchOrderSetTest, DeletesBySchedule) {
    Store(Launch(1, CDBLaunchOrder::eLaunchPending));
    Store(Launch(1, CDBLaunchOrder::eLaunchProcessed));
    Store(Launch(1, CDBLaunchOrder::eLaunchPending));
    Store(Launch(2, CDBLaunchOrder::eLaunchPending));

    ASSERT_TRUE(set.DeleteRecordByStatus(ScheduleWithId(1), CDBLaunchOrder::eLaunchPending));
    EXPECT_EQ(set.GetQuery().GetStatement(), " DELETE FROM LaunchOrder WHERE ID_Schedule = 1 AND Status = 1");
    EXPECT_EQ(db.Value("SELECT group_concat(ID) FROM LaunchOrder"), "2,4");

    ASSERT_TRUE(set.DeleteRecord(ScheduleWithId(1)));
    EXPECT_EQ(set.GetQuery().GetStatement(), " DELETE FROM LaunchOrder WHERE ID_Schedule = 1");
    EXPECT_EQ(db.Value("SELECT group_concat(ID) FROM LaunchOrder"), "4");
}

}  // namespace
}  // namespace velmora

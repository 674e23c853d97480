#include <gtest/gtest.h>

#include <string>

#include "db_engine/db_engine.h"
#include "db_engine/trans_order_extras.h"
#include "ftp/login_info.h"
#include "db/test_database.h"
#include "engine/move_trans.h"
#include "engine/tsk_local_file.h"
#include "support/temp_dir.h"
#include "tasks/tsk_item.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

// An engine over a fresh database whose clock the test sets.
class DBEngineTest : public ::testing::Test {
protected:
    DBEngineTest() {
        engine.SetClock([this] { return now; });
    }

    CDBScheduleObj* AddSchedule(int32_t repeat, int64_t start, const std::string& guid = "G", int32_t timer = 0) {
        CDBScheduleObj s;
        s.Name = "job " + guid;
        s.Repeat = repeat;
        s.StartDateTime = start;
        s.TargetGUID = guid;
        s.Timer = timer;
        CDBScheduleObj* added = engine.ScheduleAdd(s);
        EXPECT_NE(added, nullptr) << engine.GetLastError();
        return added;
    }

    void AddLaunch(int32_t schedule, int32_t status, int64_t performed) {
        CDBLaunchOrder l;
        l.ID_Schedule = schedule;
        l.DatePerformed = performed;
        l.SetStatus(status);
        CDBLaunchOrderSet launches(db.get());
        ASSERT_TRUE(launches.AddRecord(l)) << launches.GetLastError();
    }

    // The launches of a schedule still Pending.
    int PendingCount(int32_t schedule) {
        return std::stoi(db.Value("SELECT COUNT(*) FROM LaunchOrder WHERE Status = 1 AND ID_Schedule = " +
                                  std::to_string(schedule)));
    }

    // Plans all schedules at `when` and answers the Pending count of `schedule`.
    int PlanAt(int64_t when, int32_t schedule) {
        now = when;
        EXPECT_TRUE(engine.MakeOrder()) << engine.GetLastError();
        return PendingCount(schedule);
    }

    TestDatabase db;
    CDBEngine engine{db.get()};
    int64_t now = LocalTime(2025, 3, 12, 9, 0, 0);  // a Wednesday
};

TEST_F(DBEngineTest, DailyRunsOncePerCalendarDayAndNeverStacksPendingLaunches) {
    const int64_t start = LocalTime(2025, 3, 1, 7, 0, 0);
    const int32_t today = AddSchedule(CDBScheduleObj::eDaily, start, "today")->ID;
    const int32_t yesterday = AddSchedule(CDBScheduleObj::eDaily, start, "yesterday")->ID;
    AddLaunch(today, CDBLaunchOrder::eLaunchProcessed, LocalTime(2025, 3, 12, 0, 0, 1));
    AddLaunch(yesterday, CDBLaunchOrder::eLaunchFail, LocalTime(2025, 3, 11, 23, 59, 59));

    EXPECT_EQ(PlanAt(now, today), 0);
    ASSERT_EQ(PendingCount(yesterday), 1);
    CDBLaunchOrderSet launches(db.get());
    ASSERT_TRUE(launches.LoadByStatus(*engine.Schedules().FindById(yesterday), 1));
    EXPECT_EQ(launches.GetHead()->DateScheduled, start);
    EXPECT_EQ(launches.GetHead()->DatePerformed, 0);
    EXPECT_EQ(launches.GetHead()->StatusDescription, "Pending");

    // A later planning, even days later, does not add a second Pending launch.
    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 15, 9, 0, 0), yesterday), 1);
}

TEST_F(DBEngineTest, WeeklyAndMonthlyRunOnlyOnTheirDays) {
    CDBScheduleObj weekly;
    weekly.Name = "weekly";
    weekly.Repeat = CDBScheduleObj::eWeekly;
    weekly.DaysOfWeek = eWednesday | eFriday;
    weekly.StartDateTime = LocalTime(2025, 3, 1, 7, 0, 0);
    weekly.TargetGUID = "W";
    const int32_t w = engine.ScheduleAdd(weekly)->ID;
    CDBScheduleObj monthly(weekly);
    monthly.Repeat = CDBScheduleObj::eMonthly;
    monthly.DaysOfMonth = " 1, 15;31 ";
    monthly.TargetGUID = "M";
    const int32_t m = engine.ScheduleAdd(monthly)->ID;

    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 13, 9, 0, 0), w), 0);  // Thursday
    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 14, 9, 0, 0), m), 0);
    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 12, 9, 0, 0), w), 1);  // Wednesday
    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 15, 9, 0, 0), m), 1);
}

TEST_F(DBEngineTest, TimerWaitsItsWholeInterval) {
    const int32_t id = AddSchedule(CDBScheduleObj::eTimer, LocalTime(2025, 3, 1), "T", 45)->ID;
    const int64_t performed = LocalTime(2025, 3, 12, 8, 0, 0);
    AddLaunch(id, CDBLaunchOrder::eLaunchProcessed, performed);

    EXPECT_EQ(PlanAt(performed + 44 * 60 + 59, id), 0);
    EXPECT_EQ(PlanAt(performed + 45 * 60, id), 1);
    CDBLaunchOrderSet launches(db.get());
    ASSERT_TRUE(launches.LoadByStatus(*engine.Schedules().FindById(id), 1));
    EXPECT_EQ(launches.GetHead()->DateScheduled, performed + 45 * 60);

    // Never performed: due at once, scheduled at its start.
    const int64_t start = LocalTime(2025, 3, 12, 6, 0, 0);
    const int32_t fresh = AddSchedule(CDBScheduleObj::eTimer, start, "fresh", 45)->ID;
    EXPECT_EQ(PlanAt(now, fresh), 1);
    ASSERT_TRUE(launches.LoadByStatus(*engine.Schedules().FindById(fresh), 1));
    EXPECT_EQ(launches.GetHead()->DateScheduled, start);
}

TEST_F(DBEngineTest, RepeatingSchedulesWaitForTheirStart) {
    const int64_t start = LocalTime(2025, 4, 1, 7, 0, 0);
    const int32_t daily = AddSchedule(CDBScheduleObj::eDaily, start, "daily")->ID;
    const int32_t timer = AddSchedule(CDBScheduleObj::eTimer, start, "timer", 30)->ID;

    EXPECT_EQ(PlanAt(LocalTime(2025, 3, 31, 23, 0, 0), daily), 0);
    EXPECT_EQ(PendingCount(timer), 0);
    EXPECT_EQ(PlanAt(LocalTime(2025, 4, 1, 6, 59, 0), daily), 1);  // its day has come
    EXPECT_EQ(PendingCount(timer), 0);                               // its moment has not
    EXPECT_EQ(PlanAt(start, timer), 1);
}

TEST_F(DBEngineTest, OnceRunsOnlyOnItsStartDateAndOnlyUntilPerformed) {
    const int32_t due = AddSchedule(CDBScheduleObj::eOnce, LocalTime(2025, 3, 12, 23, 0, 0), "due")->ID;
    const int32_t past = AddSchedule(CDBScheduleObj::eOnce, LocalTime(2025, 3, 11, 9, 0, 0), "past")->ID;
    const int32_t done = AddSchedule(CDBScheduleObj::eOnce, LocalTime(2025, 3, 12, 7, 0, 0), "done")->ID;
    AddLaunch(done, CDBLaunchOrder::eLaunchFail, LocalTime(2025, 3, 12, 7, 0, 5));

    EXPECT_EQ(PlanAt(now, due), 1);
    EXPECT_EQ(PendingCount(past), 0);
    EXPECT_EQ(PendingCount(done), 0);
}

TEST_F(DBEngineTest, ManualNoneAndDeletedSchedulesAreNeverPlanned) {
    const int32_t manual = AddSchedule(CDBScheduleObj::eManually, now, "manual")->ID;
    const int32_t none = AddSchedule(CDBScheduleObj::eNone, now, "none")->ID;
    const int32_t deleted = AddSchedule(CDBScheduleObj::eDaily, now, "deleted")->ID;
    ASSERT_TRUE(engine.ScheduleDelete("deleted")) << engine.GetLastError();

    EXPECT_EQ(PlanAt(now, manual), 0);
    EXPECT_EQ(PendingCount(none), 0);
    EXPECT_EQ(PendingCount(deleted), 0);
}

TEST_F(DBEngineTest, ExecutionWaitsForTheTimeOfDayExceptForTimers) {
    CDBScheduleObj daily;
    daily.Repeat = CDBScheduleObj::eDaily;
    CDBLaunchOrder launch;
    launch.DateScheduled = LocalTime(2025, 1, 1, 7, 0, 0);

    now = LocalTime(2025, 3, 12, 6, 59, 59);
    EXPECT_FALSE(engine.CanExecuteOrder(daily, launch));
    now = LocalTime(2025, 3, 12, 7, 0, 0);
    EXPECT_TRUE(engine.CanExecuteOrder(daily, launch));

    now = LocalTime(2025, 3, 12, 0, 0, 0);
    daily.Repeat = CDBScheduleObj::eTimer;
    EXPECT_TRUE(engine.CanExecuteOrder(daily, launch));
    daily.Repeat = CDBScheduleObj::eManually;
    EXPECT_FALSE(engine.CanExecuteOrder(daily, launch));
}

// Rows of a schedule's job in every table, for the deletion tests.
struct StoredJob {
    int32_t order = 0;
};

StoredJob StoreJob(CSQLiteDatabase* database, CDBEngine& engine, int32_t schedule) {
    CDBLaunchOrder launch;
    launch.ID_Schedule = schedule;
    launch.SetStatus(CDBLaunchOrder::eLaunchPending);
    CDBLaunchOrderSet launches(database);
    EXPECT_TRUE(launches.AddRecord(launch));

    CDBTransOrderObj order;
    order.ID_Schedule = schedule;
    order.Filter = " tf-exclude='*.tmp' ";
    CDBTransOrderObjSet orders(database);
    EXPECT_TRUE(orders.AddRecord(order)) << orders.GetLastError();
    EXPECT_TRUE(orders.LoadByIdSchedule(schedule));
    engine.SelectTransOrder(*orders.GetTail());
    EXPECT_TRUE(engine.ReportTrans(DBLOG_OK, "a", "b", DBACTION_COPY, ""));
    return {orders.GetTail()->ID};
}

TEST_F(DBEngineTest, DeletingAScheduleTakesItsRecordsAndDocumentButKeepsItsRow) {
    test::TempDir dir;
    const std::string document = dir / "job.xml";
    test::WriteFile(document, "<job/>");
    CDBScheduleObj s;
    s.Name = "gone";
    s.Repeat = CDBScheduleObj::eDaily;
    CDBScheduleObj* gone = engine.ScheduleAssign(document, "GONE", s);
    ASSERT_NE(gone, nullptr) << engine.GetLastError();
    const int32_t goneId = gone->ID;
    const int32_t keptId = AddSchedule(CDBScheduleObj::eDaily, now, "KEPT")->ID;
    StoreJob(db.get(), engine, goneId);
    const StoredJob kept = StoreJob(db.get(), engine, keptId);

    // An update of a schedule that is not enabled deletes it.
    CDBScheduleObj disabled(*engine.ScheduleFindByTargetGUID("GONE"));
    disabled.EnableSchedule(false);
    EXPECT_EQ(engine.ScheduleUpdate(disabled), nullptr);

    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM Schedule WHERE ID = " +
                       std::to_string(goneId)),
              "1 Deleted");
    EXPECT_EQ(engine.ScheduleFindByTargetGUID("GONE"), nullptr);
    EXPECT_EQ(test::ReadFile(document), "");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LaunchOrder"), "1");
    EXPECT_EQ(db.Value("SELECT group_concat(ID) FROM TransOrder"), std::to_string(kept.order));
    EXPECT_EQ(db.Value("SELECT group_concat(DISTINCT ID_TransOrder) FROM TransformFilter"),
              std::to_string(kept.order));
    EXPECT_EQ(db.Value("SELECT group_concat(DISTINCT ID_TransOrder) FROM LogStatus"), std::to_string(kept.order));
}

TEST_F(DBEngineTest, AssigningToAKnownDocumentEditsItsScheduleInPlace) {
    CDBScheduleObj s;
    s.Name = "first";
    s.Repeat = CDBScheduleObj::eDaily;
    const int32_t id = engine.ScheduleAssign("a.job", "DOC", s)->ID;

    // The front end edits a schedule object that has no key of its own.
    s.Name = "second";
    CDBScheduleObj* edited = engine.ScheduleUpdate("a.job", "DOC", [&] {
        CDBScheduleObj enabled(s);
        enabled.EnableSchedule(true);
        return enabled;
    }());
    ASSERT_NE(edited, nullptr) << engine.GetLastError();
    EXPECT_EQ(edited->ID, id);
    EXPECT_EQ(db.Value("SELECT COUNT(*) || Name || Status FROM Schedule"), "1second2");

    CDBScheduleObj populated;
    EXPECT_TRUE(engine.SchedulePopulate("DOC", populated));
    EXPECT_EQ(populated.Name, "second");

    // Storing a changed schedule drops the launches planned under the old one.
    AddLaunch(id, CDBLaunchOrder::eLaunchPending, 0);
    populated.Repeat = CDBScheduleObj::eWeekly;
    populated.EnableSchedule(true);
    ASSERT_NE(engine.ScheduleUpdate(populated), nullptr) << engine.GetLastError();
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LaunchOrder"), "0");
    EXPECT_EQ(db.Value("SELECT Repeat FROM Schedule"), "3");
    EXPECT_FALSE(engine.SchedulePopulate("doc", populated));
    EXPECT_FALSE(engine.ScheduleDelete("nothing"));
}

TEST_F(DBEngineTest, LogEntriesUseForwardSlashesAndAFailKeepsTheLastDetail) {
    CDBTransOrderObj order;
    order.ID_Schedule = 1;
    ASSERT_TRUE(engine.TransOrders().AddRecord(order));
    ASSERT_TRUE(engine.TransOrders().LoadByIdSchedule(1));
    engine.SelectTransOrder(*engine.TransOrders().GetHead());

    ASSERT_TRUE(engine.ReportTrans(DBLOG_OK, "C:\\a\\b.txt", "", DBACTION_COPY, "")) << engine.GetLastError();
    ASSERT_TRUE(engine.ReportTrans(DBLOG_FAIL, "", "\\\\srv\\share\\c", DBACTION_FTP_TRANSFER, "timeout"));
    ASSERT_TRUE(engine.UpdateTransOrderStatus(TRANSORDER_FAIL)) << engine.GetLastError();

    EXPECT_EQ(db.Value("SELECT group_concat(FromURL || '|' || ToURL || '|' || StatusDescription, ';') FROM LogStatus"),
              "C:/a/b.txt||OK;|//srv/share/c|FAIL: timeout");
    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM TransOrder"), "4 FAIL: timeout");
    EXPECT_NE(db.Value("SELECT DatePerformed FROM TransOrder"), "");
}

// A mover of the program's own writes a record for the item it runs.
class ItemReporter : public CMoveTrans {
public:
    using CMoveTrans::CMoveTrans;
    bool Report(CTskItem& item, tagDBLogStatus status, const std::string& text) {
        m_pCurItem = &item;
        const bool written = ReportItem(status, text);
        m_pCurItem = nullptr;
        return written;
    }
};

TEST_F(DBEngineTest, AMoverRecordsItsCurrentItemWithBothLocations) {
    CDBTransOrderObj order;
    order.ID_Schedule = 1;
    ASSERT_TRUE(engine.TransOrders().AddRecord(order));
    ASSERT_TRUE(engine.TransOrders().LoadByIdSchedule(1));
    engine.SelectTransOrder(*engine.TransOrders().GetHead());
    CTskItem item(CTransPoint(ePointFolder, CFtpPath("/data/in", PATH_FOLDER)), CTansform(),
                  CTransPoint(ePointFolder, CFtpPath("/data/out", PATH_FOLDER)));
    ItemReporter mover(&engine);
    ASSERT_TRUE(mover.Report(item, DBLOG_SYNC, "checked")) << engine.GetLastError();
    EXPECT_EQ(db.Value("SELECT FromURL || '|' || ToURL || '|' || StatusDescription FROM LogStatus"),
              "/data/in|/data/out|Sync: checked");
    EXPECT_FALSE(ItemReporter(nullptr).Report(item, DBLOG_OK, "")) << "no database, no record";
}

// A scan records each file as it is now and hands the file its stored record;
// a file that changed between two scans is stored with its new size.
TEST_F(DBEngineTest, ScannedFilesAreStoredAsSeenAndGetTheirStoredRecord) {
    test::TempDir dir;
    const std::string path = dir / "a.txt";
    // The file is written only when `contents` is given, so that an unchanged
    // file keeps its times.
    const auto scan = [&](const std::string& contents) {
        if (!contents.empty()) test::WriteFile(path, contents);
        CFtpPath seen(path);
        EXPECT_TRUE(seen.ReadStatus());
        CTskLocalFile file(seen);
        engine.SourceInfoClear();
        engine.SourceInfoAdd(&file);
        EXPECT_TRUE(engine.SourceInfoUpdateSet()) << engine.GetLastError();
        return file.GetSrcPoint();
    };
    const std::string stored = "SELECT FileSizeLow || ' ' || Status FROM SrcPoint";

    EXPECT_TRUE(scan("alpha").IsNewObj());
    EXPECT_EQ(db.Value(stored), "5 2");
    const CDBSrcPoint known = scan("alphabet");
    EXPECT_EQ(known.GetFileSize(), 5);
    EXPECT_EQ(known.Status, CDBSrcPoint::eNewRec);
    EXPECT_EQ(db.Value(stored), "8 3");
    EXPECT_EQ(scan("").GetFileSize(), 8);
    EXPECT_EQ(db.Value(stored), "8 4");
}

TEST_F(DBEngineTest, AnOrderBecomesATaskItem) {
    CDBTransOrderObj order;
    order.FromType = ePointFtp;
    order.FromName = "server";
    order.FromURL = "ftp://example.org:2121/pub/data";
    order.FromLogin = "bob";
    order.FromPWD = "pw";
    order.TransformType = CTansform::eCompress | CTansform::eZipPasswordProtected;
    order.Filter = " tf-exclude='*.tmp' ";
    order.TransformPWD = "zip-pw";
    order.TransformEncryption = CTansform::eZipAes256;
    order.TransformFile = "out.zip";
    order.ToType = ePointFolder;
    order.ToName = "here";
    order.ToURL = "/srv/backup";
    order.ToLogin = "ignored";
    engine.SelectTransOrder(order);

    CTskItem item;
    item.Default();
    CFtpLoginInfo kept;
    kept.SetLoginName("kept");
    item.DestinationPoint().SetFtpLoginInfo(kept);
    engine.FillTaskItem(item);

    const CTransPoint& from = item.SourcePoint();
    EXPECT_EQ(from.GetPointType(), ePointFtp);
    EXPECT_EQ(from.GetName(), "server");
    EXPECT_EQ(from.GetHostAddress(), "example.org");
    EXPECT_EQ(from.GetFtpLoginInfo().GetPort(), 2121);
    EXPECT_EQ(from.GetLogin(), "bob");
    EXPECT_EQ(from.GetPWD(), "pw");
    EXPECT_EQ(from.GetStrPath(), "/pub/data");
    const CTransPoint& to = item.DestinationPoint();
    EXPECT_EQ(to.GetPointType(), ePointFolder);
    EXPECT_EQ(to.GetStrPath(), "/srv/backup");
    EXPECT_EQ(to.GetFtpLoginInfo().GetLoginName(), "kept");
    EXPECT_TRUE(item.GetTransform().IsCompressed());
    EXPECT_TRUE(item.GetTransform().IsZipPasswordProtected());
    EXPECT_EQ(item.GetTransform().GetPassword(), "zip-pw");
    EXPECT_TRUE(item.GetTransform().IsZipAes256());
    EXPECT_EQ(item.GetTransform().ZipFileName(), "out.zip");
    EXPECT_NE(item.GetTransform().GetXMLFilter().find("*.tmp"), std::string::npos);
}

// Through the operators the design's callers use.
TEST_F(DBEngineTest, AServerDestinationIsAlwaysAFolder) {
    CDBTransOrderObj order;
    order.FromType = ePointFolder;
    order.FromURL = "/srv/data";
    order.ToType = ePointFtp;
    order.ToURL = "ftp://example.org/in";
    engine = order;
    CTskItem item;
    engine >> item;
    EXPECT_EQ(item.DestinationPoint().Path().GetFtpDir(true), "/in/");
    EXPECT_EQ(item.DestinationPoint().Path().GetFileName(true), "");
}

// What an order adds to its server ends' TLS goes through the database and
// over the settings of the URL or saved connection; other orders keep those.
TEST_F(DBEngineTest, AnOrdersTlsSettingsAreLaidOverItsServerEnds) {
    test::TempDir dir;
    CFtpLoginInfoList saved;
    CFtpLoginInfo* work = saved.AddNewConnection(nullptr);
    work->SetHostName("work");
    work->SetHost("example.org");
    work->SetTlsMode(ETlsMode::Require);
    work->SetTlsFingerprint("SHA256:SAVED");
    ASSERT_TRUE(saved.SaveXML(dir / "FtpPropList.xml"));
    engine.SetConnectionsFile(dir / "FtpPropList.xml");

    const auto fromServer = [](const std::string& url, const std::string& filter) {
        CDBTransOrderObj order;
        order.ID_Schedule = 7;
        order.FromType = ePointFtp;
        order.FromURL = url;
        order.Filter = filter;
        return order;
    };
    CDBTransOrderObj order = fromServer("ftp://example.net/pub", " tf-exclude='*.tmp' ");
    order.ToType = ePointFtp;
    order.ToURL = "ftp://example.org/in";
    ReferToConnection(order, EOrderEnd::To, {work->GetStrGUID(), "work"});
    SetOrderTls(order, EOrderEnd::From, {ETlsMode::Auto, "", "/etc/ca.pem", true});
    SetOrderTls(order, EOrderEnd::To, {std::nullopt, "", "/etc/work-ca.pem", false});
    // A mode a later version may name: the end keeps its URL's.
    CDBTransOrderObj older = fromServer("ftpes://example.net/pub", " order-from-tls='quantum' ");
    older.ToType = ePointFolder;
    older.ToURL = "/srv";
    CDBTransOrderObjSet orders(db.get());
    ASSERT_TRUE(orders.AddRecord(order) && orders.AddRecord(older)) << orders.GetLastError();
    ASSERT_TRUE(engine.TransOrders().LoadByIdSchedule(7)) << engine.TransOrders().GetLastError();

    CTskItem item;
    ASSERT_TRUE(engine.SelectTransOrder(0, item)) << engine.GetLastError();
    const CTlsSettings from = item.SourcePoint().GetFtpLoginInfo().GetTlsSettings();
    EXPECT_EQ(from.mode, ETlsMode::Auto);
    EXPECT_EQ(from.caFile, "/etc/ca.pem");
    EXPECT_TRUE(from.insecure);
    const CTlsSettings to = item.DestinationPoint().GetFtpLoginInfo().GetTlsSettings();
    EXPECT_EQ(to.mode, ETlsMode::Require);
    EXPECT_EQ(to.fingerprint, "SHA256:SAVED");
    EXPECT_EQ(to.caFile, "/etc/work-ca.pem");
    EXPECT_FALSE(to.insecure);
    EXPECT_NE(item.GetTransform().GetXMLFilter().find("*.tmp"), std::string::npos);

    ASSERT_TRUE(engine.SelectTransOrder(1, item)) << engine.GetLastError();
    const CTlsSettings kept = item.SourcePoint().GetFtpLoginInfo().GetTlsSettings();
    EXPECT_EQ(kept.mode, ETlsMode::Require);
    EXPECT_TRUE(kept.caFile.empty() && kept.fingerprint.empty() && !kept.insecure);
}

TEST_F(DBEngineTest, AFailedStatementBecomesTheEngineError) {
    AddSchedule(CDBScheduleObj::eDaily, now);
    db.Value("DROP TABLE LaunchOrder");
    EXPECT_FALSE(engine.MakeOrder());
    EXPECT_NE(engine.GetLastError().find("no such table: LaunchOrder"), std::string::npos) << engine.GetLastError();
    EXPECT_FALSE(engine.ExecuteOrder());
}

}  // namespace
}  // namespace velmora

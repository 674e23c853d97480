#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "db/sqlite_database.h"
#include "db_engine/db_engine.h"
#include "db/test_database.h"
#include "engine/statistic.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"
#include "tasks/trans_point.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// relative path -> contents ("<dir>" for a folder) of every entry below root.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    namespace fs = std::filesystem;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        tree[fs::relative(entry.path(), root).string()] = entry.is_directory() ? "<dir>" : ReadFile(entry.path());
    return tree;
}

// A daily schedule whose transfer orders run against a real FTP server, on a
// real database, planned and executed by the engine at an injected "now".
class ScheduledJobTest : public test::FtpServerTest {
protected:
    void SetUp() override {
        test::FtpServerTest::SetUp();
        CStatistic::ResetJob();
        engine.SetClock([this] { return now; });
        CDBScheduleObj s;
        s.Name = "nightly";
        s.Repeat = CDBScheduleObj::eDaily;
        s.StartDateTime = LocalTime(2025, 3, 1, 7, 0, 0);
        s.TargetGUID = "JOB";
        CDBScheduleObj* added = engine.ScheduleAdd(s);
        ASSERT_NE(added, nullptr) << engine.GetLastError();
        schedule = added->ID;
    }

    std::string FtpUrl(const std::string& folder) const {
        return "ftp://" + server.GetHost() + ":" + std::to_string(server.GetPort()) + folder;
    }

    // Stores an order of the schedule and answers its key.
    int32_t AddOrder(int32_t fromType, const std::string& from, int32_t toType, const std::string& to,
                     const std::string& password) {
        CDBTransOrderObj order;
        order.ID_Schedule = schedule;
        order.FromType = fromType;
        order.FromURL = from;
        order.ToType = toType;
        order.ToURL = to;
        order.TransformType = CDBTransOrderObj::eOpCopy;
        (fromType == ePointFtp ? order.FromLogin : order.ToLogin) = server.GetUser();
        (fromType == ePointFtp ? order.FromPWD : order.ToPWD) = password;
        CDBTransOrderObjSet orders(db.get());
        EXPECT_TRUE(orders.AddRecord(order)) << orders.GetLastError();
        return std::stoi(db.Value("SELECT MAX(ID) FROM TransOrder"));
    }

    // Plans and runs the schedule at `when`; the result of ExecuteOrder.
    bool RunAt(int64_t when) {
        now = when;
        EXPECT_TRUE(engine.MakeOrder()) << engine.GetLastError();
        EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LaunchOrder WHERE Status = 1"), "1");
        return engine.ExecuteOrder();
    }

    std::string Rows(const std::string& sql) { return db.Value("SELECT group_concat(x, ';') FROM (" + sql + ")"); }

    test::TestDatabase db;
    CDBEngine engine{db.get()};
    int64_t now = 0;
    int32_t schedule = 0;
    TempDir dir;
};

TEST_F(ScheduledJobTest, AnUploadAndADownloadRunAsOneLaunch) {
    WriteFile(dir / "src/a.txt", "alpha");
    WriteFile(dir / "src/sub/b.bin", test::RandomBytes(150000));
    WriteFile(server.Path("down/c.txt"), "gamma");
    WriteFile(server.Path("down/deep/d.bin"), test::RandomBytes(60000, 7));
    const int32_t up = AddOrder(ePointFolder, dir / "src", ePointFtp, FtpUrl("/up/"), server.GetPassword());
    const int32_t down = AddOrder(ePointFtp, FtpUrl("/down/"), ePointFolder, dir / "dst", server.GetPassword());

    ASSERT_TRUE(RunAt(LocalTime(2025, 3, 12, 9, 0, 0))) << engine.GetLastError() << CStatistic::Job().m_strLastError;

    EXPECT_EQ(Tree(server.Path("up/src")), Tree(dir / "src"));
    EXPECT_EQ(Tree(dir / "dst/down"), Tree(server.Path("down")));
    EXPECT_EQ(Rows("SELECT Status || ' ' || StatusDescription || ' ' || DatePerformed AS x FROM LaunchOrder"),
              "3 Processed 03/12/2025 09:00:00");
    EXPECT_EQ(Rows("SELECT ID || ' ' || Status || ' ' || StatusDescription AS x FROM TransOrder ORDER BY ID"),
              std::to_string(up) + " 3 Processed;" + std::to_string(down) + " 3 Processed");

    // The log of each order: its operation around "Open media" and the OK of
    // each file (the download first gathers the remote tree).
    const auto statuses = [&](int32_t order) {
        return Rows("SELECT Status AS x FROM LogStatus WHERE ID_TransOrder = " + std::to_string(order) +
                    " ORDER BY ID");
    };
    EXPECT_EQ(statuses(up), "6;8;9;1;8;9;1;7");
    EXPECT_EQ(statuses(down), "6;8;9;8;9;1;8;9;1;7;5");
    EXPECT_EQ(Rows("SELECT FromURL AS x FROM LogStatus WHERE Status = 1 AND ID_TransOrder = " + std::to_string(up) +
                   " ORDER BY FromURL"),
              dir / "src/a.txt;" + dir / "src/sub/b.bin");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LogStatus WHERE Status = 2"), "0");

    // The uploaded files were recorded as seen; the next day they are equal.
    const std::string seen = "SELECT URL || ' ' || FileSizeLow || ' ' || Status AS x FROM SrcPoint ORDER BY URL";
    EXPECT_EQ(Rows(seen), dir / "src/a.txt 5 2;" + dir / "src/sub/b.bin 150000 2");
    ASSERT_TRUE(RunAt(LocalTime(2025, 3, 13, 9, 0, 0))) << engine.GetLastError();
    EXPECT_EQ(Rows(seen), dir / "src/a.txt 5 4;" + dir / "src/sub/b.bin 150000 4");
}

TEST_F(ScheduledJobTest, AFailedOrderFailsTheLaunchAndStopsItsJob) {
    WriteFile(dir / "src/a.txt", "alpha");
    const int32_t refused = AddOrder(ePointFolder, dir / "src", ePointFtp, FtpUrl("/up/"), "wrong");
    const int32_t next = AddOrder(ePointFolder, dir / "src", ePointFolder, dir / "copy", "");

    EXPECT_FALSE(RunAt(LocalTime(2025, 3, 12, 9, 0, 0)));

    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM LaunchOrder"), "4 FAIL");
    const std::string refusedRow =
        db.Value("SELECT Status || ' ' || StatusDescription FROM TransOrder WHERE ID = " + std::to_string(refused));
    EXPECT_TRUE(refusedRow.starts_with("4 FAIL: Ftp error:  ")) << refusedRow;
    EXPECT_EQ(db.Value("SELECT Status FROM TransOrder WHERE ID = " + std::to_string(next)), "0");
    EXPECT_FALSE(std::filesystem::exists(dir / "copy"));
    // A failed launch is not retried by the next planning the same day.
    now = LocalTime(2025, 3, 12, 10, 0, 0);
    ASSERT_TRUE(engine.MakeOrder());
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LaunchOrder"), "1");
}

// Another host on the same file takes each launch right after this engine
// read it as Pending (in CanExecuteOrder, which runs between the two).
class RacedEngine : public CDBEngine {
public:
    RacedEngine(CSQLiteDatabase* database, const std::string& file) : CDBEngine(database) {
        std::string error;
        m_handle = CSQLiteDatabase::OpenFile(file, error);
        m_other.SetHandle(m_handle);
    }
    ~RacedEngine() { CSQLiteDatabase::CloseFile(m_handle); }

    bool CanExecuteOrder(const CDBScheduleObj& schedule, const CDBLaunchOrder& launch) override {
        CDBLaunchOrderSet theirs(&m_other);
        bool claimed = false;
        EXPECT_TRUE(theirs.Claim(launch, claimed)) << theirs.GetLastError();
        EXPECT_TRUE(claimed);
        return CDBEngine::CanExecuteOrder(schedule, launch);
    }

private:
    sqlite3* m_handle = nullptr;
    CSQLiteDatabase m_other;
};

// A launch taken by another host is left to it, and nothing new is planned
// for the schedule while it runs.
TEST_F(ScheduledJobTest, ALaunchTakenByAnotherHostIsNotRunHereOrPlannedAgain) {
    WriteFile(dir / "src/a.txt", "alpha");
    AddOrder(ePointFolder, dir / "src", ePointFolder, dir / "copy", "");
    RacedEngine raced(db.get(), db.path());
    raced.SetClock([this] { return now; });
    now = LocalTime(2025, 3, 12, 9, 0, 0);
    ASSERT_TRUE(raced.MakeOrder()) << raced.GetLastError();

    EXPECT_TRUE(raced.ExecuteOrder()) << raced.GetLastError();
    EXPECT_FALSE(std::filesystem::exists(dir / "copy"));
    EXPECT_EQ(db.Value("SELECT Status || ' ' || StatusDescription FROM LaunchOrder"), "2 Processing");
    now = LocalTime(2025, 3, 13, 9, 0, 0);
    ASSERT_TRUE(raced.MakeOrder());
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM LaunchOrder"), "1");
}

}  // namespace
}  // namespace velmora

#include <gtest/gtest.h>

#include <string>

#include "db/db_src_point.h"
#include "db/test_database.h"
#include "platform/clock.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

CDBSrcPoint File(const std::string& url, int64_t size = 1000) {
    CDBSrcPoint p;
    p.URL = url;
    p.FileAttributes = 0x20;
    p.CreationTime = LocalTime(2024, 1, 2, 3, 4, 5);
    p.LastAccessTime = LocalTime(2024, 2, 2, 3, 4, 5);
    p.LastWriteTime = LocalTime(2024, 3, 2, 3, 4, 5);
    p.SetFileSize(size);
    return p;
}

class SrcPointSetTest : public ::testing::Test {
protected:
    std::string Rows() { return db.Value("SELECT COUNT(*) FROM SrcPoint"); }
    std::string StatusOf(const std::string& url) {
        return db.Value("SELECT Status || ' ' || StatusDescription FROM SrcPoint WHERE URL = '" + url + "'");
    }

    TestDatabase db;
    CDBSrcPointSet set{db.get(), true, nullptr};
};

TEST(CDBSrcPoint, StatusSizeDefaultAndEquality) {
    CDBSrcPoint p;
    EXPECT_EQ(CDBSrcPoint::GetStrStatus(0), "Error");

    for (const int64_t size : {int64_t{0}, int64_t{0xFFFFFFFF}, int64_t{0x80000000}, int64_t{5} << 32 | 7}) {
        p.SetFileSize(size);
        EXPECT_EQ(p.GetFileSize(), size);
    }

    const int64_t before = platform::Now();
    p = File("/a");
    p.Default();
    EXPECT_EQ(p.URL, "");
    EXPECT_EQ(p.LastWriteTime, 0);
    EXPECT_GE(p.CreationTime, before);
    EXPECT_EQ(p.LastAccessTime, p.CreationTime);

    CDBSrcPoint a = File("/a");
    CDBSrcPoint b(a);
    b.SetStatus(CDBSrcPoint::eEqual);
    EXPECT_TRUE(a.IsEqual(b));
    b.FileSizeHigh = 1;
    EXPECT_FALSE(a.IsEqual(b));
}

TEST_F(SrcPointSetTest, AFileMovesFromNewToEqualToChange) {
    const int64_t bigger = (int64_t{3} << 32) + 17;  // above 4 GiB: both halves matter
    CDBSrcPoint seen = File("/data/a.txt", bigger);

    // Never seen: known only in memory, nothing written.
    ASSERT_TRUE(set.UpdateObj(seen));
    EXPECT_EQ(seen.Status, CDBSrcPoint::eNewObj);
    EXPECT_EQ(seen.StatusDescription, "NewObj");
    EXPECT_EQ(Rows(), "0");

    ASSERT_TRUE(set.UpdateStatus(seen));
    EXPECT_EQ(StatusOf("/data/a.txt"), "2 NewRec");

    // Seen again unchanged: only the status is written.
    ASSERT_TRUE(set.UpdateStatus(File("/data/a.txt", bigger)));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " UPDATE SrcPoint SET  Status = 4,  StatusDescription = 'Equal'   WHERE ID = 1");
    EXPECT_EQ(StatusOf("/data/a.txt"), "4 Equal");

    // The stored row comes back whole, with its key, times and size.
    CDBSrcPoint lookup = File("/data/a.txt", 1);
    ASSERT_TRUE(set.UpdateObj(lookup));
    EXPECT_EQ(lookup.ID, 1);
    EXPECT_EQ(lookup.Status, CDBSrcPoint::eEqual);
    EXPECT_EQ(lookup.GetFileSize(), bigger);
    EXPECT_EQ(lookup.LastWriteTime, LocalTime(2024, 3, 2, 3, 4, 5));

    // Reading the file for its transfer moves its access time: still Equal.
    CDBSrcPoint read = File("/data/a.txt", bigger);
    read.LastAccessTime += 10'000'000;
    ASSERT_TRUE(set.UpdateStatus(read));
    EXPECT_EQ(StatusOf("/data/a.txt"), "4 Equal");

    // A size change makes it Change, with every column written.
    ASSERT_TRUE(set.UpdateStatus(File("/data/a.txt", bigger + 1)));
    EXPECT_EQ(StatusOf("/data/a.txt"), "3 Change");
    ASSERT_TRUE(set.LoadById(1));
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->GetFileSize(), bigger + 1);
    EXPECT_EQ(Rows(), "1");
}

TEST_F(SrcPointSetTest, TheLookupKeyIsUrlOrderAndType) {
    CDBSrcPoint a = File("/data/a.txt");
    ASSERT_TRUE(set.UpdateStatus(a));
    CDBSrcPoint otherOrder = a;
    otherOrder.ID_TransOrder = 9;
    CDBSrcPoint otherType = a;
    otherType.Type = 4;
    CDBSrcPoint otherCase = File("/data/A.txt");
    for (CDBSrcPoint* p : {&otherOrder, &otherType, &otherCase}) {
        ASSERT_TRUE(set.UpdateObj(*p));
        EXPECT_TRUE(p->IsNewObj()) << p->URL << " " << p->ID_TransOrder << " " << p->Type;
    }
}

TEST_F(SrcPointSetTest, ADuplicateRowStopsEveryLookupOfThatFile) {
    ASSERT_TRUE(set.UpdateStatus(File("/data/a.txt")));
    db.Value("INSERT INTO SrcPoint (ID_TransOrder, Type, URL) VALUES (0, 0, '/data/a.txt')");

    CDBSrcPoint p = File("/data/a.txt");
    EXPECT_FALSE(set.UpdateObj(p));
    EXPECT_EQ(set.GetLastError(), "Too many SrcPoint objects");
    EXPECT_EQ(p.Status, 0);
    EXPECT_FALSE(set.UpdateStatus(p));
    EXPECT_EQ(set.GetLastError(), "Too many SrcPoint objects");
    EXPECT_EQ(Rows(), "2");

    CDBSrcPointSet missing(db.get(), true, "NoSuchTable");
    EXPECT_FALSE(missing.UpdateObj(p));
    EXPECT_EQ(missing.GetLastError(), "no such table: NoSuchTable");
}

TEST_F(SrcPointSetTest, ReportTransactionAndTheWholeSetOperations) {
    CDBSrcPoint fresh = File("/data/new.txt");
    ASSERT_TRUE(set.ReportTransaction(fresh));
    EXPECT_EQ(StatusOf("/data/new.txt"), "2 NewRec");
    fresh.ID = 1;
    fresh.Note = "again";
    ASSERT_TRUE(set.ReportTransaction(fresh));
    EXPECT_EQ(StatusOf("/data/new.txt"), "3 Change");
    EXPECT_EQ(db.Value("SELECT Note FROM SrcPoint"), "again");

    set.Add(new CDBSrcPoint(File("/data/new.txt")));
    set.Add(new CDBSrcPoint(File("/data/it's new.txt")));
    ASSERT_TRUE(set.UpdateSet());
    EXPECT_EQ(set.FindByUrl("/data/new.txt")->ID, 1);
    EXPECT_EQ(set.FindByUrl("/data/new.txt")->Note, "again");
    EXPECT_TRUE(set.FindByUrl("/data/it's new.txt")->IsNewObj());
    EXPECT_EQ(set.FindByUrl("/DATA/new.txt"), nullptr);

    ASSERT_TRUE(set.UpdateStatusA());
    EXPECT_EQ(StatusOf("/data/new.txt"), "4 Equal");
    EXPECT_EQ(StatusOf("/data/it''s new.txt"), "2 NewRec");
    EXPECT_EQ(Rows(), "2");
}

}  // namespace
}  // namespace velmora

#include <gtest/gtest.h>

#include <string>

#include "db/db_schedule_obj.h"
#include "db/db_trans_order_obj.h"
#include "db/db_transform_filter.h"
#include "db/test_database.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::ScheduleWithId;
using test::TestDatabase;

CDBTransOrderObj Order(int32_t schedule, const std::string& filter = {}) {
    CDBTransOrderObj o;
    o.ID_Schedule = schedule;
    o.ID_LaunchOrder = 10 + schedule;
    o.FromType = 1;
    o.FromName = "docs";
    o.FromURL = "/home/u/docs";
    o.FromLogin = "from-login";
    o.FromPWD = "from-pwd";
    o.TransformType = CDBTransOrderObj::eOpCopy | CDBTransOrderObj::eOpCompress;
    o.ID_TransformFilter = 6;
    o.Filter = filter;
    o.TransformPWD = "zip-pwd";
    o.TransformFile = "docs.zip";
    o.ToType = 4;
    o.ToName = "server";
    o.ToURL = "ftp://example.org/backup";
    o.ToLogin = "to-login";
    o.ToPWD = "to-pwd";
    o.DateScheduled = LocalTime(2025, 6, 1, 8, 30);
    o.SetStatus(TRANSORDER_PENDING);
    o.Note = "note";
    return o;
}

class TransOrderSetTest : public ::testing::Test {
protected:
    void Store(const CDBTransOrderObj& order) { ASSERT_TRUE(set.AddRecord(order)) << set.GetLastError(); }

    // "key=value" of the order's filter rows, in ID order, joined with "|".
    std::string FilterRows(int32_t order) {
        return db.Value("SELECT group_concat(Key || '=' || Value, '|') FROM (SELECT Key, Value FROM TransformFilter "
                        "WHERE ID_TransOrder = " + std::to_string(order) + " ORDER BY ID)");
    }

    TestDatabase db;
    CDBTransOrderObjSet set{db.get(), true, nullptr};
};

TEST(CDBTransOrderObj, OperationStatusDescriptionAndEquality) {
    CDBTransOrderObj o = Order(1);
    EXPECT_EQ(o.GetStrOp(), "CopyCompress");
    o.TransformType = 0x27;
    EXPECT_EQ(o.GetStrOp(), "CopySyncCompressDelete");
    o.TransformType = 0x08;
    EXPECT_EQ(o.GetStrOp(), "");

    EXPECT_EQ(CDBTransOrderObj::GetStrStatus(TRANSORDER_NONE), "");
    EXPECT_EQ(CDBTransOrderObj::GetStrStatus(5), "ERROR");

    o = Order(1);
    EXPECT_EQ(o.GetDescription(),
              "\r\n//  Operation.....CopyCompress  //\r\nStatus:.......Pending\r\n"
              "Source:......./home/u/docs\r\nDestination:..ftp://example.org/backup\r\n");

    CDBTransOrderObj other(o);
    other.ID_LaunchOrder = 99;
    other.Filter = " a='1' ";
    EXPECT_TRUE(o.IsEqual(other));
    other.ToPWD = "changed";
    EXPECT_FALSE(o.IsEqual(other));
}

TEST(CDBTransOrderObjSet, MakeINListsTheLoadedKeys) {
    CDBTransOrderObjSet set(nullptr, true, nullptr);
    EXPECT_EQ(set.MakeIN(), "");
    for (int32_t id : {7, 9}) {
        auto* o = new CDBTransOrderObj();
        o->ID = id;
        set.Add(o);
    }
    EXPECT_EQ(set.MakeIN(), "(7,9 ) ");
}

TEST_F(TransOrderSetTest, ColumnsAreStoredWhereTheyBelongAndReadBack) {
    Store(Order(3));
    EXPECT_EQ(db.Value("SELECT ID_Schedule || ',' || ID_LaunchOrder || ',' || FromType || ',' || FromName || ',' || "
                       "FromURL || ',' || FromLogin || ',' || FromPWD || ',' || TransformType || ',' || "
                       "ID_TransformFilter || ',' || TransformPWD || ',' || TransformFile || ',' || ToType || ',' || "
                       "ToName || ',' || ToURL || ',' || ToLogin || ',' || ToPWD || ',' || DateScheduled || ',' || "
                       "Status || ',' || StatusDescription || ',' || Note FROM TransOrder"),
              "3,13,1,docs,/home/u/docs,from-login,from-pwd,3,6,zip-pwd,docs.zip,4,server,"
              "ftp://example.org/backup,to-login,to-pwd,06/01/2025 08:30:00,1,Pending,note");

    ASSERT_TRUE(set.LoadByID_LaunchOrder(13));
    ASSERT_EQ(set.GetCount(), 1);
    CDBTransOrderObj expected = Order(3);
    expected.ID = 1;
    EXPECT_TRUE(set.GetHead()->IsEqual(expected));
    EXPECT_EQ(set.GetHead()->ID_LaunchOrder, 13);
    EXPECT_EQ(set.GetHead()->Filter, "");
}

TEST_F(TransOrderSetTest, FiltersAreStoredUnderTheNewKeyAndSurviveTheRoundTrip) {
    Store(Order(1));  // occupies ID 1, so a filter stored under a wrong key shows
    const std::string filter = CObj::XMLAttr("FFilter-ShowFile", "1") + CObj::XMLAttr("tf-exclude", "*.tmp") +
                               CObj::XMLAttr("tf-exclude-folder", "/home/u/Bob's files");
    Store(Order(2, filter));
    EXPECT_EQ(FilterRows(1), "");
    EXPECT_EQ(FilterRows(2), "ffilter-showfile=1|tf-exclude=*.tmp|tf-exclude-folder=/home/u/Bob's files");

    ASSERT_TRUE(set.LoadByIdSchedule(2));
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->Filter, CObj::XMLAttr("ffilter-showfile", "1") + CObj::XMLAttr("tf-exclude", "*.tmp") +
                                         CObj::XMLAttr("tf-exclude-folder", "/home/u/Bob's files"));

    // Stored again, the text read back gives the same rows.
    CDBTransOrderObj reloaded(*set.GetHead());
    ASSERT_TRUE(set.EditRecord(reloaded));
    EXPECT_EQ(FilterRows(2), "ffilter-showfile=1|tf-exclude=*.tmp|tf-exclude-folder=/home/u/Bob's files");
}

TEST_F(TransOrderSetTest, FilterTextParsing) {
    Store(Order(1, " A = ' x ' b='1'c='unterminated"));
    EXPECT_EQ(FilterRows(1), "a=x|b=1|c=unterminated");
    Store(Order(1, "   "));
    Store(Order(1, "='orphan' d='4'"));  // an empty key ends the text
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM TransformFilter WHERE ID_TransOrder > 1"), "0");
    Store(Order(1, "lonely"));
    EXPECT_EQ(FilterRows(4), "lonely=");
}

TEST_F(TransOrderSetTest, EditReplacesAndDeleteRemovesTheFilters) {
    Store(Order(1, " a='1'  b='2' "));
    Store(Order(1, " keep='yes' "));
    ASSERT_TRUE(set.LoadByIdSchedule(1));
    CDBTransOrderObj first(*set.GetHead());
    first.Filter = " c='3' ";
    first.FromURL = "/elsewhere";
    ASSERT_TRUE(set.EditRecord(first));
    EXPECT_EQ(FilterRows(1), "c=3");
    EXPECT_EQ(db.Value("SELECT FromURL FROM TransOrder WHERE ID = 1"), "/elsewhere");

    ASSERT_TRUE(set.DeleteRecord(first));
    EXPECT_EQ(set.GetQuery().GetStatement(), " DELETE FROM TransOrder WHERE ID = 1");
    EXPECT_EQ(FilterRows(1), "");
    EXPECT_EQ(FilterRows(2), "keep=yes");
    EXPECT_EQ(db.Value("SELECT group_concat(ID) FROM TransOrder"), "2");
}

TEST_F(TransOrderSetTest, DeletingAScheduleRemovesItsOrdersAndTheirFiltersOnly) {
    Store(Order(1, " a='1' "));
    Store(Order(2, " b='2' "));
    Store(Order(1, " c='3' "));
    ASSERT_TRUE(set.DeleteRecord(ScheduleWithId(1)));
    EXPECT_EQ(db.Value("SELECT group_concat(ID) FROM TransOrder"), "2");
    EXPECT_EQ(db.Value("SELECT group_concat(Key) FROM TransformFilter"), "b");

    // The filter statement runs first: when it fails, the orders stay.
    db.Value("DROP TABLE TransformFilter");
    EXPECT_FALSE(set.DeleteRecord(ScheduleWithId(2)));
    EXPECT_EQ(set.GetLastError(), "no such table: TransformFilter");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM TransOrder"), "1");
}

TEST_F(TransOrderSetTest, FailuresOfTheFilterTableAreReported) {
    db.Value("CREATE TRIGGER RejectBad BEFORE INSERT ON TransformFilter WHEN NEW.Key = 'bad' "
             "BEGIN SELECT RAISE(ABORT, 'bad filter'); END");
    EXPECT_FALSE(set.AddRecord(Order(1, " good='1' bad='2' late='3' ")));
    EXPECT_EQ(set.GetLastError(), "bad filter");
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM TransOrder"), "1");
    EXPECT_EQ(FilterRows(1), "good=1");

    // A failed filter load keeps the orders it loaded.
    db.Value("DROP TABLE TransformFilter");
    EXPECT_FALSE(set.Load(nullptr));
    EXPECT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetLastError(), "no such table: TransformFilter");
    // Deleting an order whose filters cannot be deleted leaves the order.
    EXPECT_FALSE(set.DeleteRecord(*set.GetHead()));
    EXPECT_EQ(db.Value("SELECT COUNT(*) FROM TransOrder"), "1");
}

TEST_F(TransOrderSetTest, MaxLaunchAndStatusUpdate) {
    int32_t max = -1;
    ASSERT_TRUE(set.LoadMaxID_LaunchOrder(max));
    EXPECT_EQ(max, 0);
    Store(Order(5));  // launch 15
    Store(Order(2));  // launch 12
    ASSERT_TRUE(set.LoadMaxID_LaunchOrder(max));
    EXPECT_EQ(max, 15);

    ASSERT_TRUE(set.LoadByIdSchedule(2));
    CDBTransOrderObj order(*set.GetHead());
    order.SetStatus(TRANSORDER_FAIL);
    order.StatusDescription += ": timeout";
    ASSERT_TRUE(set.UpdateStatus(order, LocalTime(2026, 1, 2, 3, 4, 5)));
    EXPECT_EQ(set.GetQuery().GetStatement(),
              " UPDATE TransOrder SET DatePerformed = '01/02/2026 03:04:05' , Status = 4 , "
              "StatusDescription = 'FAIL: timeout'   WHERE ID = 2");

    CDBTransOrderObjSet missing(db.get(), true, "NoSuchTable");
    max = 7;
    EXPECT_FALSE(missing.LoadMaxID_LaunchOrder(max));
    EXPECT_EQ(max, 7);
}

TEST_F(TransOrderSetTest, HostileTextRoundTrips) {
    const std::string hostile = "x'); DROP TABLE TransOrder; --";
    CDBTransOrderObj o = Order(1, CObj::XMLAttr("tf-exclude", hostile) + CObj::XMLAttr("q", "a\"b<c>&d"));
    o.FromURL = hostile;
    o.ToPWD = "p'w\"d";
    Store(o);
    ASSERT_TRUE(set.Load(nullptr));
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set.GetHead()->FromURL, hostile);
    EXPECT_EQ(set.GetHead()->ToPWD, "p'w\"d");
    EXPECT_EQ(set.GetHead()->Filter, o.Filter);
    EXPECT_EQ(FilterRows(1), "tf-exclude=" + hostile + "|q=a\"b<c>&d");
}

TEST(CDBTransformFilterSet, MakeFilterSelectsByOrder) {
    TestDatabase db;
    db.Value("INSERT INTO TransformFilter (ID_TransOrder, Key, Value) VALUES (5, 'a', '1'), (6, 'b', '2'), "
             "(5, 'c', 'it''s')");
    CDBTransformFilterSet filters(db.get(), true, nullptr);
    ASSERT_TRUE(filters.LoadByIDsTransorder("(5,6 ) "));
    EXPECT_EQ(filters.MakeFilter(5), " a='1'  c='it&apos;s' ");
    EXPECT_EQ(filters.MakeFilter(7), "");
    ASSERT_TRUE(filters.Load(nullptr));
    EXPECT_EQ(filters.MakeFilter(-1), " a='1'  b='2'  c='it&apos;s' ");

    ASSERT_TRUE(filters.LoadByIdTransorder(6));
    EXPECT_EQ(filters.MakeFilter(-1), " b='2' ");
}

}  // namespace
}  // namespace velmora

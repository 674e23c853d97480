#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/db_log_status.h"
#include "db/db_trans_order_obj.h"
#include "db/test_database.h"

namespace velmora {
namespace {

using test::LocalTime;
using test::TestDatabase;

CDBLogStatus Entry(int32_t order, const std::string& from, const std::string& to) {
    CDBLogStatus e;
    e.ID_TransOrder = order;
    e.Date = LocalTime(2025, 7, 8, 9, 10, 11);
    e.Action = DBACTION_COPY;
    e.ActionDescription = "copy";
    e.FromURL = from;
    e.ToURL = to;
    e.SetStatus(DBLOG_OK);
    return e;
}

TEST(CDBLogStatus, StatusAndActionTexts) {
    EXPECT_EQ(CDBLogStatus::GetStrStatus(DBLOG_SYNC), "Sync");
    EXPECT_EQ(CDBLogStatus::GetStrStatus(11), "ERROR");
    EXPECT_EQ(CDBLogStatus::GetStrAction(5), "ERROR");

    CDBLogStatus e = Entry(1, "a", "b");
    CDBLogStatus other(e);
    other.ActionDescription = "something else";
    EXPECT_TRUE(e.IsEqual(other));
    other.Phase = 1;
    EXPECT_FALSE(e.IsEqual(other));
}

TEST(CDBLogStatus, CloneKeepsTheClassTheColumnsAndThePadding) {
    CDBLogStatus e = Entry(4, "a", "b");
    e.SetPadWidth(6);
    e.SetSelected(true);
    std::unique_ptr<CObj> clone(static_cast<const CObj&>(e).Clone());
    auto* copy = dynamic_cast<CDBLogStatus*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->IsEqual(e));
    EXPECT_EQ(copy->GetPadWidth(), 6);
    EXPECT_TRUE(copy->IsSelected());
    EXPECT_EQ(copy->Status, DBLOG_OK);  // the column, apart from the selected flag

    copy->Clear();
    EXPECT_TRUE(copy->IsEqual(CDBLogStatus()));
    EXPECT_EQ(copy->GetPadWidth(), 0);
    EXPECT_FALSE(copy->IsSelected());
}

TEST(CDBLogStatus, DescriptionPadsTheSourceToTheWidth) {
    CDBLogStatus e = Entry(1, "a", "b");
    EXPECT_EQ(e.GetDescription(), "07/08/2025 09:10:11  Copy       OK  a b");
    e.SetPadWidth(4);
    EXPECT_EQ(e.GetDescription(), "07/08/2025 09:10:11  Copy       OK  a...-> b");
    e.FromURL = "longer";
    EXPECT_EQ(e.GetDescription(), "07/08/2025 09:10:11  Copy       OK  longer-> b");
    e.ToURL = "";
    EXPECT_EQ(e.GetDescription(), "07/08/2025 09:10:11  Copy       OK  longer ");
    // Width counts characters, not bytes.
    e = Entry(1, "é", "b");
    e.SetPadWidth(3);
    e.Action = 9;
    e.StatusDescription = "FAIL: timeout";
    EXPECT_EQ(e.GetDescription(), "07/08/2025 09:10:11 ERROR FAIL: timeout  é..-> b");
}

TEST(CDBLogStatusSet, StoresLoadsDescribesAndDeletesByOrder) {
    TestDatabase db;
    CDBLogStatusSet set(db.get(), true, nullptr);
    CDBLogStatus hostile = Entry(2, "C:/it's/a.txt", "ftp://h/'; DROP TABLE LogStatus; --");
    hostile.Service = "Sys";
    for (const CDBLogStatus& e : {Entry(2, "/a", "/x/a"), Entry(3, "/other", "/x"), hostile}) {
        ASSERT_TRUE(set.AddRecord(e)) << set.GetLastError();
    }

    ASSERT_TRUE(set.LoadByIdTransorder(2));
    ASSERT_EQ(set.GetCount(), 2);
    hostile.ID = 3;
    EXPECT_TRUE(set.GetTail()->IsEqual(hostile));

    int32_t width = 20;
    set.ComputeMaxFromURLLength(width);
    EXPECT_EQ(width, 20);
    width = 0;
    set.ComputeMaxFromURLLength(width);
    EXPECT_EQ(width, 13);
    EXPECT_EQ(set.GetDescription(),
              "07/08/2025 09:10:11  Copy       OK  /a...........-> /x/a\r\n"
              "07/08/2025 09:10:11  Copy       OK  C:/it's/a.txt-> ftp://h/'; DROP TABLE LogStatus; --\r\n\r\n");

    CDBTransOrderObj order;
    order.ID = 2;
    ASSERT_TRUE(set.DeleteRecord(order));
    EXPECT_EQ(set.GetQuery().GetStatement(), " DELETE FROM LogStatus WHERE ID_TransOrder = 2");
    EXPECT_EQ(db.Value("SELECT group_concat(ID_TransOrder) FROM LogStatus"), "3");
}

}  // namespace
}  // namespace velmora

#include <string>
#include <thread>

#include <QComboBox>
#include <QListView>
#include <gtest/gtest.h>

#include "app/transfers/log_pane.h"
#include "app_test_support.h"
#include "messaging/log_status.h"

namespace parcelo {
namespace {

using velmora::CLogStatus;

std::string Row(const CLogPane& pane, int row) {
    return pane.GetView()->model()->index(row, 0).data().toString().toStdString();
}

int Rows(const CLogPane& pane) { return pane.GetView()->model()->rowCount(); }

TEST(LogPaneTest, RecordsFromAnyThreadShowInOrderAndTheLevelFilterKeepsTheErrors) {
    CLogPane pane;
    std::thread([] {
        CLogStatus::Send(velmora::LOG_OK, "Ftp", "Done:", "a.txt");
        CLogStatus::Send(velmora::LOG_ERROR, "Ftp", "ERROR:", "550 b.txt: Permission denied");
    }).join();
    // Nothing reaches the view before the window thread runs.
    EXPECT_EQ(Rows(pane), 0);
    ASSERT_TRUE(test::WaitFor([&] { return Rows(pane) == 2; }));
    EXPECT_NE(Row(pane, 0).find("a.txt"), std::string::npos) << Row(pane, 0);
    EXPECT_NE(Row(pane, 1).find("550 b.txt"), std::string::npos) << Row(pane, 1);

    pane.GetLevel()->setCurrentIndex(1);
    ASSERT_EQ(Rows(pane), 1);
    EXPECT_NE(Row(pane, 0).find("550 b.txt"), std::string::npos);
    pane.GetLevel()->setCurrentIndex(0);
    EXPECT_EQ(Rows(pane), 2);
}

TEST(LogPaneTest, TheOldestRecordsGiveWayBeyondTheBound) {
    CLogPane pane;
    for (int i = 0; i < CLogModel::kMaxRecords + 10; ++i) {
        CLogStatus::Send(velmora::LOG_OK, "Ftp", "Done:", "file" + std::to_string(i));
    }
    test::ProcessEvents();
    ASSERT_EQ(Rows(pane), CLogModel::kMaxRecords);
    EXPECT_NE(Row(pane, 0).find("file10"), std::string::npos) << Row(pane, 0);
}

}  // namespace
}  // namespace parcelo

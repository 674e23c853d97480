#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <QDir>
#include <gtest/gtest.h>

#include "app/shell/main_dlg.h"
#include "app/shell/single_instance.h"
#include "app/tray/dash_bord_dlg.h"
#include "app_fixture.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

QString UniqueName() {
    static int made = 0;
    return QString("ParceloTest-%1-%2").arg(getpid()).arg(++made);
}

TEST(SingleInstanceTest, ALaterStartHandsItsFilesToTheRunningProgram) {
    const QString name = UniqueName();
    CSingleInstance later(name);
    // Nobody runs yet: the start goes on by itself.
    EXPECT_FALSE(later.HandOver({"/tmp/a.txt"}));

    CSingleInstance running(name);
    ASSERT_TRUE(running.Listen());
    QList<QStringList> handed;
    QObject::connect(&running, &CSingleInstance::Activated, [&handed](const QStringList& files) { handed << files; });
    EXPECT_TRUE(later.HandOver({"/tmp/a b.txt", QString::fromUtf8("/tmp/\xC3\xA9t\xC3\xA9.txt")}));
    EXPECT_TRUE(CSingleInstance(name).HandOver({}));
    ASSERT_TRUE(test::WaitFor([&handed] { return handed.size() == 2; }));
    EXPECT_EQ(handed[0], (QStringList{"/tmp/a b.txt", QString::fromUtf8("/tmp/\xC3\xA9t\xC3\xA9.txt")}));
    EXPECT_EQ(handed[1], QStringList());
}

TEST(SingleInstanceTest, ASocketLeftByACrashIsTakenOver) {
    const QString name = UniqueName();
    // A socket file nobody listens on any more, as a crash leaves it.
    const std::string path = (QDir::tempPath() + "/" + name).toStdString();
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    EXPECT_FALSE(CSingleInstance(name).HandOver({}));
    CSingleInstance next(name);
    EXPECT_TRUE(next.Listen());
    EXPECT_TRUE(CSingleInstance(name).HandOver({}));
}

class ActivateTest : public test::AppTest {
protected:
    CDashBordDlg tray{context};
};

TEST_F(ActivateTest, HandedFilesGoIntoTheCurrentFolderOrTheUserIsTold) {
    velmora::test::TempDir local;
    velmora::test::WriteFile(local / "handed.txt", "handed");
    tray.ShowMainWindow(false);
    prompter.shown.clear();
    tray.Activate({QString::fromStdString(local / "handed.txt")});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, CDashBordDlg::kNoFolderForFiles);
    EXPECT_TRUE(tray.GetMainWindow().isVisible());

    ASSERT_TRUE(ConnectAndWait(tray.GetMainWindow().GetBrowser(), Login()));
    tray.Activate({QString::fromStdString(local / "handed.txt")});
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(velmora::test::ReadFile(server.Path("handed.txt")), "handed");
    EXPECT_EQ(prompter.shown.size(), 1u);
}

}  // namespace
}  // namespace parcelo

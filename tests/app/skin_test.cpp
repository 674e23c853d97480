#include <QImage>
#include <gtest/gtest.h>

#include "app/common/app_settings.h"
#include "app/common/image_button.h"
#include "app/shell/wait_dlg.h"
#include "app_test_support.h"

namespace parcelo {
namespace {

// The build tree's skin, as the program finds it with an empty "Home".
class SkinTest : public ::testing::Test {
protected:
    test::CUserFolders folders;
    CAppSettings settings{PARCELO_SKIN_DIR "/../"};
};

QImage Load(const std::string& path) { return QImage(QString::fromStdString(path)); }

TEST_F(SkinTest, EveryPictureIsThereInItsSize) {
    for (const std::string& tray : {settings.GetTrayEmptyImage(), settings.GetTrayFullImage(),
                                    settings.GetTrayFullReceivingImage(), settings.GetTrayDisconnectedImage()}) {
        const QImage image = Load(tray);
        ASSERT_FALSE(image.isNull()) << tray;
        EXPECT_EQ(image.size(), QSize(128, 128)) << tray;
        EXPECT_TRUE(image.hasAlphaChannel()) << tray;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << tray;
    }
    const std::pair<std::string, std::string> buttons[] = {
        {settings.GetCloseImage(), settings.GetCloseHImage()},
        {settings.GetFolderOpenImage(), settings.GetFolderOpenHImage()},
        {settings.GetDownImage(), settings.GetDownHImage()},
        {settings.GetStopImage(), settings.GetStopHImage()},
        {settings.GetInfoImage(), settings.GetInfoHImage()},
    };
    for (const auto& [normal, highlighted] : buttons) {
        const QImage plain = Load(normal), lit = Load(highlighted);
        EXPECT_EQ(plain.size(), QSize(24, 24)) << normal;
        EXPECT_EQ(lit.size(), QSize(24, 24)) << highlighted;
        EXPECT_NE(plain, lit) << normal;
    }
}

TEST_F(SkinTest, WaitWindowPlaysTheAnimationWhileAWaitIsShown) {
    CWaitDlg wait(settings.GetAnimationFile());
    ASSERT_TRUE(wait.HasAnimation());
    wait.HideWait();  // nothing shown: nothing changes
    EXPECT_FALSE(wait.isVisible());

    wait.ShowWait("Loading from ftp.example.org");
    EXPECT_TRUE(wait.isVisible());
    EXPECT_TRUE(wait.IsPlaying());
    EXPECT_EQ(wait.GetText(), "Loading from ftp.example.org");
    auto* animation = wait.findChild<CFrameAnimation*>();
    EXPECT_GT(animation->GetFrameCount(), 1);
    ASSERT_TRUE(test::WaitFor([&] { return animation->GetCurrentFrame() != 0; }));

    wait.HideWait();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_FALSE(wait.IsPlaying());
}

TEST(WaitDlgTest, WithoutAnAnimationFileOnlyTheTextShows) {
    CWaitDlg wait("/nonexistent/Skin/FINDCOMP.png");
    EXPECT_FALSE(wait.HasAnimation());
    wait.ShowWait("Loading from x");
    EXPECT_TRUE(wait.isVisible());
    EXPECT_FALSE(wait.IsPlaying());
    EXPECT_EQ(wait.GetText(), "Loading from x");
}

TEST_F(SkinTest, ImageButtonsFallBackToTextWithoutImages) {
    CImageButton button;
    EXPECT_TRUE(button.SetImages(settings.GetStopImage(), settings.GetStopHImage(), "Stop"));
    EXPECT_TRUE(button.HasImages());
    EXPECT_EQ(button.toolTip().toStdString(), "Stop");

    EXPECT_FALSE(button.SetImages("/nonexistent.png", settings.GetStopHImage(), "Stop"));
    EXPECT_FALSE(button.HasImages());
    EXPECT_EQ(button.text().toStdString(), "Stop");
}

}  // namespace
}  // namespace parcelo

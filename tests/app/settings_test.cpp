#include <csignal>
#include <memory>
#include <utility>

#include <QDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/common/app_settings.h"
#include "app/orlith_app.h"
#include "app/transfers/transfer_settings.h"
#include "app/transfers/transfer_thread.h"
#include "app_test_support.h"
#include "engine/file_parts.h"
#include "engine/job_state.h"
#include "paths/file_path.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::ReadFile;

std::string Stored(const char* name) {
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    return store.value(QString("Settings/") + name).toString().toStdString();
}

bool IsStored(const char* name) {
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    return store.contains(QString("Settings/") + name);
}

void Store(const char* name, const std::string& text) { CAppSettings().WriteValue(name, text); }

TEST(AppSettingsTest, StoreLivesUnderTheConfigurationFolder) {
    // The process's first settings store follows XDG_CONFIG_HOME.
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    EXPECT_EQ(store.fileName().toStdString(), test::StartConfigFolder() + "/Norvane/Parcelo.conf");
}

TEST(AppSettingsTest, EmptyStoreGivesDefaultsAndExitWritesThem) {
    test::CUserFolders folders;
    CAppSettings settings;
    settings.Load();

    const std::string appData = folders.DataHome() + "/Parcelo/";
    EXPECT_EQ(settings.GetAppDataFolder(), appData);
    EXPECT_EQ(settings.GetProjectsFolder(), appData + "Projects/");
    EXPECT_EQ(settings.GetCurProject(), appData + "Projects/FtpPropList.xml");
    EXPECT_EQ(settings.GetLogFile(), appData + "Parcelo.log");
    EXPECT_EQ(settings.GetHome(), "");
    EXPECT_EQ(settings.GetSelConnection(), "");
    EXPECT_EQ(settings.GetSelNode(), "");
    EXPECT_EQ(settings.GetLeftTab(), 0);

    settings.Save();
    EXPECT_EQ(Stored("CurProject"), appData + "Projects/FtpPropList.xml");
    EXPECT_TRUE(IsStored("SelConnection"));
    EXPECT_EQ(Stored("SelConnection"), "");
    EXPECT_TRUE(IsStored("LeftTab"));
    EXPECT_TRUE(IsStored("SelNode"));
    EXPECT_FALSE(IsStored("Home"));
}

TEST(AppSettingsTest, ValuesRoundTripAndCachesReadThrough) {
    test::CUserFolders folders;
    Store("CurProject", "/srv/lists/Mine.xml");
    Store("SelConnection", "Büro \"main\"");
    Store("LeftTab", "not a number");
    {
        CAppSettings settings;
        settings.Load();
        EXPECT_EQ(settings.GetCurProject(), "/srv/lists/Mine.xml");
        EXPECT_EQ(settings.GetSelConnection(), "Büro \"main\"");
        EXPECT_EQ(settings.GetLeftTab(), 0);

        // Once read, a value comes from the cache; a setter replaces it.
        Store("SelConnection", "changed behind our back");
        EXPECT_EQ(settings.GetSelConnection(), "Büro \"main\"");
        settings.SetSelNode("/pub/in");
        settings.SetSelConnection("Other");
        settings.Save();
    }
    EXPECT_EQ(Stored("SelNode"), "/pub/in");
    EXPECT_EQ(Stored("SelConnection"), "Other");
    EXPECT_EQ(Stored("LeftTab"), "not a number");  // written back unchanged

    CAppSettings again;
    EXPECT_EQ(again.GetSelNode(), "/pub/in");
    EXPECT_EQ(again.GetCurProject(), "/srv/lists/Mine.xml");
}

TEST(AppSettingsTest, LeftTabReadsLeadingDigits) {
    test::CUserFolders folders;
    Store("LeftTab", "3");
    EXPECT_EQ(CAppSettings().GetLeftTab(), 3);
}

TEST(AppSettingsTest, HomeWithOrWithoutSlashGivesOneSkinFolder) {
    test::CUserFolders folders;
    Store("Home", "/opt/parcelo");
    CAppSettings plain;
    EXPECT_EQ(plain.GetHome(), "/opt/parcelo/");
    EXPECT_EQ(plain.GetSkinFolder(), "/opt/parcelo/Skin/");
    EXPECT_EQ(plain.GetStopImage(), "/opt/parcelo/Skin/Stop24.png");
    EXPECT_EQ(plain.GetAnimationFile(), "/opt/parcelo/Skin/FINDCOMP.png");

    Store("Home", "/opt/parcelo/");
    EXPECT_EQ(CAppSettings().GetSkinFolder(), "/opt/parcelo/Skin/");
}

TEST(AppSettingsTest, EmptyHomeUsesTheProgramsOwnSkin) {
    test::CUserFolders folders;
    EXPECT_EQ(CAppSettings("/usr/share/parcelo/").GetSkinFolder(), "/usr/share/parcelo/Skin/");
    EXPECT_EQ(CAppSettings("/usr/share/parcelo/").GetTrayEmptyImage(), "/usr/share/parcelo/Skin/vandle_empty128.png");
    // With no home at all the skin is looked for below the current folder,
    // never at the root.
    EXPECT_EQ(CAppSettings().GetSkinFolder(), "Skin/");
}

TEST(AppSettingsTest, WriteValueRemovesValuesAndTheGroup) {
    test::CUserFolders folders;
    CAppSettings settings;
    EXPECT_TRUE(settings.WriteValue(std::string("SelNode"), std::string("/a")));
    EXPECT_TRUE(settings.WriteValue(std::string("SelConnection"), std::string("b")));
    EXPECT_TRUE(settings.WriteValue(std::string("SelNode"), std::nullopt));
    EXPECT_FALSE(IsStored("SelNode"));
    EXPECT_TRUE(IsStored("SelConnection"));
    EXPECT_TRUE(settings.WriteValue(std::nullopt, std::nullopt));
    EXPECT_FALSE(IsStored("SelConnection"));
}

// The program with a main window that closes as soon as it runs.
class ClosingApp : public COrlithApp {
public:
    using COrlithApp::COrlithApp;
    bool ran = false;

protected:
    std::unique_ptr<QDialog> CreateMainWindow() override {
        auto window = std::make_unique<QDialog>();
        QTimer::singleShot(0, window.get(), [this, w = window.get()] {
            ran = true;
            w->accept();
        });
        return window;
    }
};

TEST(OrlithAppTest, StartMakesFoldersAndLogAndExitWritesSettings) {
    test::CUserFolders folders;
    const std::string appData = folders.DataHome() + "/Parcelo/";
    {
        ClosingApp app;
        EXPECT_EQ(COrlithApp::Get(), &app);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(app.ran);
        EXPECT_TRUE(velmora::CFilePath::IsExistsDirectory(appData + "Projects"));
        app.GetSettings().SetSelNode("/incoming");
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    EXPECT_EQ(COrlithApp::Get(), nullptr);
    EXPECT_EQ(Stored("CurProject"), appData + "Projects/FtpPropList.xml");
    EXPECT_EQ(Stored("SelNode"), "/incoming");
    const std::string log = ReadFile(appData + "Parcelo.log");
    EXPECT_NE(log.find("==Start App"), std::string::npos) << log;
    EXPECT_NE(log.find("==Exit App"), std::string::npos) << log;
}

// The program whose session ends (SIGTERM) while a question is open.
class SignalledApp : public COrlithApp {
public:
    using COrlithApp::COrlithApp;
    bool questionEnded = false;

protected:
    std::unique_ptr<QDialog> CreateMainWindow() override {
        auto window = std::make_unique<QDialog>();
        QTimer::singleShot(0, window.get(), [this, w = window.get()] {
            QTimer::singleShot(0, [] { raise(SIGTERM); });
            QMessageBox question(QMessageBox::Question, "Parcelo", "Go on?", QMessageBox::Yes | QMessageBox::No, w);
            question.exec();
            questionEnded = true;
        });
        return window;
    }
};

TEST(AppSettingsTest, SimultaneousTransfersAreFourUnlessSetAndReachTheJobs) {
    test::CUserFolders folders;
    EXPECT_EQ(CAppSettings().GetSimultaneousTransfers(), 4);
    for (const auto& [stored, read] : {std::pair{"1", 1}, {"7", 7}, {"10", 10}, {"25", 10}, {"0", 4}, {"many", 4}}) {
        Store(CAppSettings::kSimultaneousTransfers, stored);
        EXPECT_EQ(CAppSettings().GetSimultaneousTransfers(), read) << stored;
    }
    Store(CAppSettings::kSimultaneousTransfers, "2");
    ApplyTransferSettings(CAppSettings().GetTransferSettings());
    EXPECT_EQ(CTransferThread::GetJobDefaults().m_nSessions, 2);
    CTransferThread::SetJobDefaults(velmora::CJobSettings());
}

TEST(AppSettingsTest, TransferSettingsRoundTripAndUnreadableValuesTakeTheDefaults) {
    test::CUserFolders folders;
    CAppSettings settings;
    EXPECT_EQ(settings.GetTransferSettings(), CTransferSettings());
    CTransferSettings chosen;
    chosen.existingTarget = "OverwriteIfNewer";
    chosen.sessions = 3;
    chosen.preserveTimes = true;
    chosen.protocolTrace = true;
    chosen.lowSpeedBytes = 512;
    chosen.lowSpeedSeconds = 90;
    chosen.verify = "require";
    chosen.rateLimit = uint64_t{5} << 30;
    chosen.downloadParts = 4;
    settings.SetTransferSettings(chosen);
    EXPECT_EQ(CAppSettings().GetTransferSettings(), chosen);

    Store(CAppSettings::kLowSpeedBytes, "-5");
    Store(CAppSettings::kLowSpeedSeconds, "none");
    Store(CAppSettings::kVerifyTransfers, "sometimes");
    Store(CAppSettings::kRateLimit, "fast");
    Store(CAppSettings::kDownloadParts, "99");
    const CTransferSettings read = CAppSettings().GetTransferSettings();
    EXPECT_EQ(read.downloadParts, velmora::kMaxFileParts);
    EXPECT_EQ(read.rateLimit, 0u);
    EXPECT_EQ(read.lowSpeedBytes, 0u);
    EXPECT_EQ(read.lowSpeedSeconds, 1);
    EXPECT_EQ(read.verify, "auto");
}

TEST(OrlithAppTest, TheEndOfTheSessionClosesOpenQuestionsAndEndsTheProgramInOrder) {
    test::CUserFolders folders;
    {
        SignalledApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(app.questionEnded);
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    const std::string log = ReadFile(folders.DataHome() + "/Parcelo/Parcelo.log");
    EXPECT_NE(log.find("signal 15 received, ending"), std::string::npos) << log;
    EXPECT_NE(log.find("==Exit App"), std::string::npos) << log;
    // The program's handler is gone with it.
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace parcelo

#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/common/path_bar.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/connections/site_manager_dlg.h"
#include "app/connections/quick_connect_bar.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_folder_model.h"
#include "app/panes/local_pane.h"
#include "app/panes/sync_browsing.h"
#include "app/shell/main_dlg.h"
#include "app/transfers/transfer_thread.h"
#include "app/shell/settings_dlg.h"
#include "app/shell/wait_dlg.h"
#include "app/tray/dash_bord_dlg.h"
#include "app_fixture.h"
#include "ear.h"
#include "engine/job_state.h"
#include "messaging/listener.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "support/fake_ftp_server.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::TempDir;
using velmora::test::ReadFile;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

std::vector<std::string> Listed(const CFtpListCtrl& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.GetRowCount(); ++row) {
        const velmora::CFtpPath& path = list.GetPathAt(row);
        names.push_back(path.IsDirectory() ? path.GetTailDir() : path.GetFileName(true));
    }
    return names;
}

class MainWindowTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        main.resize(1000, 650);
        main.show();
        // Keys reach the window's shortcuts only while it is the active one.
        QApplication::setActiveWindow(&main);
    }
    void TearDown() override {
        main.hide();
        AppTest::TearDown();
    }
    void Connect() {
        ASSERT_TRUE(ConnectAndWait(main.GetBrowser(), Login()));
        // The wait window was the active one while it showed; keys reach the
        // window's shortcuts only while the window is active again.
        QApplication::setActiveWindow(&main);
    }

    CMainDlg main{context};
};

TEST_F(MainWindowTest, EveryCommandIsInTheMenusWithItsKey) {
    std::vector<std::string> menus;
    for (QAction* menu : main.menuBar()->actions()) menus.push_back(menu->text().toStdString());
    EXPECT_EQ(menus, (std::vector<std::string>{"&File", "&Edit", "&View", "&Bookmarks", "&Transfer", "&Server", "&Help"}));
    const std::pair<const char*, QKeySequence> keys[] = {
        {"siteManager", QKeySequence(Qt::CTRL | Qt::Key_S)}, {"refresh", QKeySequence(Qt::Key_F5)},
        {"upload", QKeySequence(Qt::CTRL | Qt::Key_U)},      {"download", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"showHidden", QKeySequence(Qt::CTRL | Qt::Key_H)},  {"findOnServer", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {"addBookmark", QKeySequence(Qt::CTRL | Qt::Key_B)}};
    for (const auto& [name, key] : keys) {
        QAction* action = main.GetAction(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), key) << name;
    }
    // Keys the panes take themselves are shown, not bound twice.
    EXPECT_TRUE(main.GetAction("rename")->text().endsWith("\tF2"));
    EXPECT_TRUE(main.GetAction("rename")->shortcut().isEmpty());
    // The queue and the log are tabs docked below.
    EXPECT_EQ(main.dockWidgetArea(main.findChild<QDockWidget*>("queueDock")), Qt::BottomDockWidgetArea);
    EXPECT_EQ(main.GetBottomTabs().count(), 2);
}

// The quick-connect bar's labels, the panes' and the settings' show no "&".
TEST_F(MainWindowTest, EveryLabelWithAKeyHasItsField) {
    test::ExpectLabelsNameTheirFields(main);
    test::ExpectLabelsNameTheirFields(main.OpenSettings());
}

// Enter belongs to the widget that has the focus: in the server's tree and
// list and in the local path field it never presses a connection's Apply.
TEST_F(MainWindowTest, EnterInThePanesNeverConnects) {
    main.Initialize();
    velmora::CFtpLoginInfo* site = main.GetConnections().OnNew();
    site->SetHost(server.GetHost());
    site->SetPort(server.GetPort());
    site->SetLoginName(server.GetUser());
    test::CEar applied(velmora::MSG_APP_CONNECTION_23);
    for (QWidget* field : std::vector<QWidget*>{main.GetBrowser().GetTree(), main.GetBrowser().GetList(),
                                                main.GetLocal().GetPathBar()->GetEdit(), main.GetLocal().GetView()}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    }
    test::ProcessEvents();
    EXPECT_TRUE(applied.Heard().empty());
    EXPECT_FALSE(main.GetBrowser().IsConnecting());
    EXPECT_FALSE(sink.IsOnline());
}

TEST_F(MainWindowTest, F5RefreshesBothPanesWhereverTheFocusIs) {
    Connect();
    TempDir local;
    ASSERT_TRUE(main.GetLocal().SetFolder(local.path()));
    WriteFile(server.Path("arrived.txt"), "new");
    WriteFile(local / "here.txt", "here");
    main.GetLocal().GetView()->setFocus();
    QTest::keyClick(main.GetLocal().GetView(), Qt::Key_F5);
    ASSERT_TRUE(test::WaitFor([&] {
        const auto names = Listed(*main.GetBrowser().GetList());
        return std::find(names.begin(), names.end(), "arrived.txt") != names.end();
    }));
    EXPECT_GE(main.GetLocal().GetModel()->RowOf("here.txt"), 0);
}

TEST_F(MainWindowTest, TheTitleCountsFoldersAndFiles) {
    WriteFile(server.Path("sub/inner.txt"), "i");
    WriteFile(server.Path("one.txt"), "1");
    Connect();
    EXPECT_EQ(main.windowTitle().toStdString(), "/ - (2)");
}

TEST_F(MainWindowTest, TheFirstLoginIsNotLoggedAsALaterAttempt) {
    test::CEar logged(velmora::MSG_LOG_RECORD);
    Connect();
    int logins = 0;
    for (const velmora::CMsg& heard : logged.Heard()) {
        const auto* record = dynamic_cast<const velmora::CLogStatus*>(heard.Object());
        if (record == nullptr || record->GetAction() != "Login") continue;
        ++logins;
        EXPECT_EQ(record->GetText().find("Attempt"), std::string::npos) << record->GetText();
    }
    EXPECT_GT(logins, 0);
}

// The wait window stays over the window it belongs to while that moves.
TEST_F(MainWindowTest, TheWaitWindowFollowsTheMainWindow) {
    velmora::test::FakeFtpServer silent([](velmora::test::FakeFtpSession& s) { s.WaitForClientToLeave(); });
    velmora::CSessionOptions options = sink.GetSessionOptions();
    options.connectTimeoutMs = options.sendTimeoutMs = options.receiveTimeoutMs = 1500;
    sink.SetSessionOptions(options);
    velmora::CFtpLoginInfo info = Login();
    info.SetPort(silent.GetPort());
    main.GetBrowser().Connect(info);
    CWaitDlg& wait = main.GetWait();
    ASSERT_TRUE(wait.isVisible());
    EXPECT_EQ(wait.frameGeometry().center(), main.frameGeometry().center());
    main.move(main.pos() + QPoint(120, 80));
    ASSERT_TRUE(test::WaitFor([&] { return wait.frameGeometry().center() == main.frameGeometry().center(); }));
    wait.GetCancelButton()->click();
    EXPECT_FALSE(wait.isVisible());
}

TEST_F(MainWindowTest, QuickConnectLogsInAndRemembersTheServerWithoutItsPassword) {
    CQuickConnectBar& bar = main.GetQuickConnect();
    bar.findChild<QComboBox*>("protocol")->setCurrentIndex(0);
    bar.findChild<QLineEdit*>("host")->setText(QString::fromStdString(server.GetHost()));
    bar.findChild<QSpinBox*>("port")->setValue(server.GetPort());
    bar.findChild<QLineEdit*>("user")->setText(QString::fromStdString(server.GetUser()));
    bar.findChild<QLineEdit*>("password")->setText(QString::fromStdString(server.GetPassword()));
    bool connected = false;
    QObject::connect(&main.GetBrowser(), &CFtpTreeDlg::ConnectFinished, [&](bool ok) { connected = ok; });
    QTest::keyClick(bar.findChild<QLineEdit*>("password"), Qt::Key_Return);
    ASSERT_TRUE(test::WaitFor([&] { return connected; }));
    ASSERT_EQ(bar.GetRecent().size(), 1u);
    EXPECT_EQ(bar.GetRecent()[0].find(server.GetPassword()), std::string::npos);
    // Chosen again from the drop-down, the fields come back but the password.
    bar.findChild<QLineEdit*>("host")->clear();
    QList<QAction*> recent = bar.GetRecentButton()->menu()->actions();
    ASSERT_EQ(recent.size(), 1);
    recent[0]->trigger();
    EXPECT_EQ(bar.findChild<QLineEdit*>("host")->text().toStdString(), server.GetHost());
    EXPECT_TRUE(bar.findChild<QLineEdit*>("password")->text().isEmpty());
}

TEST_F(MainWindowTest, SettingsAreStoredAndTakeEffectAtOnce) {
    CSettingsDlg& dialog = main.OpenSettings();
    dialog.findChild<QSpinBox*>("sessions")->setValue(3);
    EXPECT_EQ(CTransferThread::GetJobDefaults().m_nSessions, 3);
    dialog.findChild<QSpinBox*>("downloadParts")->setValue(4);
    EXPECT_EQ(CTransferThread::GetJobDefaults().m_nSegments, 4);
    EXPECT_EQ(CAppSettings().GetTransferSettings().downloadParts, 4);
    auto* existing = dialog.findChild<QComboBox*>("existingTarget");
    existing->setCurrentIndex(existing->findData("Skip"));
    EXPECT_EQ(settings.GetExistingTarget(), "Skip");
    dialog.findChild<QCheckBox*>("preserveTimes")->setChecked(true);
    EXPECT_TRUE(CAppSettings().GetTransferSettings().preserveTimes);
    auto* verify = dialog.findChild<QComboBox*>("verify");
    verify->setCurrentIndex(verify->findData("off"));
    EXPECT_EQ(CTransferThread::GetJobDefaults().m_eVerify, velmora::EVerify::Off);
    // Hidden files show in both panes and the View menu says so.
    TempDir local;
    WriteFile(local / ".profile", "p");
    ASSERT_TRUE(main.GetLocal().SetFolder(local.path()));
    EXPECT_LT(main.GetLocal().GetModel()->RowOf(".profile"), 0);
    dialog.findChild<QCheckBox*>("showHidden")->setChecked(true);
    EXPECT_GE(main.GetLocal().GetModel()->RowOf(".profile"), 0);
    EXPECT_TRUE(main.GetAction("showHidden")->isChecked());
    EXPECT_TRUE(settings.GetShowHidden());
    CTransferThread::SetJobDefaults(velmora::CJobSettings());
}

// The low-speed limit read "1 bytes/s".
TEST_F(MainWindowTest, EveryNumberInTheSettingsReadsRightAtOne) {
    CSettingsDlg& dialog = main.OpenSettings();
    const QRegularExpression plural(R"(^1 [A-Za-z]+s\b)");
    for (QSpinBox* spin : dialog.findChildren<QSpinBox*>()) {
        spin->setValue(1);
        EXPECT_FALSE(plural.match(spin->text()).hasMatch()) << spin->text().toStdString();
    }
    CTransferThread::SetJobDefaults(velmora::CJobSettings());
}

// Hears, on the transfer's own thread, the speed limit of the job it works
// for.
class CJobLimitEar : public velmora::CListener {
public:
    CJobLimitEar() { velmora::CMsgBox::Box().Subscribe("CJobLimitEar", this); }
    ~CJobLimitEar() override { velmora::CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(velmora::CMsg& msg) override {
        if (msg.Cmd() != velmora::MSG_TRANSFER_STATUS || std::this_thread::get_id() == m_window) return;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_limits.insert(velmora::CJobState::Current().Settings().RateLimit());
    }
    std::set<uint64_t> Limits() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_limits;
    }

private:
    const std::thread::id m_window = std::this_thread::get_id();
    std::mutex m_mutex;
    std::set<uint64_t> m_limits;
};

TEST_F(MainWindowTest, TheSpeedLimitIsStoredShownAndRunsWithTheQueuesTransfers) {
    auto* shown = main.findChild<QLabel*>("speedLimit");
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isHidden());
    prompter.speedLimits = {2 * 1024 * 1024};
    main.GetAction("speedLimit")->trigger();
    EXPECT_EQ(prompter.speedLimitQuestions, std::vector<uint64_t>{0});
    EXPECT_EQ(CAppSettings().GetTransferSettings().rateLimit, 2u * 1024 * 1024);
    EXPECT_FALSE(shown->isHidden());
    EXPECT_EQ(shown->text().toStdString(), "Limit: 2.0 MiB/s");

    TempDir local;
    WriteFile(local / "up.bin", std::string(40000, 'u'));
    {
        CJobLimitEar ear;
        queue.Submit(UploadThread(local / "up.bin", "/"));
        EXPECT_EQ(WaitForTransfers(), 1);
        EXPECT_EQ(ear.Limits(), std::set<uint64_t>{2 * 1024 * 1024});
    }
    EXPECT_TRUE(HasRemote("up.bin"));

    // The settings show the same limit; clearing it there frees the next
    // transfer, and the menu's question starts from what is stored.
    CSettingsDlg& dialog = main.OpenSettings();
    auto* field = dialog.findChild<QSpinBox*>("rateLimit");
    EXPECT_EQ(field->value(), 2048);
    field->setValue(0);
    EXPECT_TRUE(shown->isHidden());
    {
        CJobLimitEar ear;
        queue.Submit(UploadThread(local / "up.bin", "/again/"));
        EXPECT_EQ(WaitForTransfers(), 2);
        EXPECT_EQ(ear.Limits(), std::set<uint64_t>{0});
    }
    // A limit the field cannot show exactly stays as typed while other
    // settings change, and a cancelled question changes nothing.
    prompter.speedLimits = {1000};
    main.GetAction("speedLimit")->trigger();
    EXPECT_EQ(field->value(), 1);
    dialog.findChild<QSpinBox*>("sessions")->setValue(2);
    EXPECT_EQ(CTransferThread::GetJobDefaults().m_nRateLimit, 1000u);
    main.GetAction("speedLimit")->trigger();
    EXPECT_EQ(prompter.speedLimitQuestions.back(), 1000u);
    EXPECT_EQ(CAppSettings().GetTransferSettings().rateLimit, 1000u);
    CTransferThread::SetJobDefaults(velmora::CJobSettings());
}

// A limit set while a transfer runs holds for it from its next block: here
// freed, the transfer ends long before the old limit would have let it.
TEST_F(MainWindowTest, ANewSpeedLimitHoldsForTheTransfersAlreadyRunning) {
    prompter.speedLimits = {10 * 1024, 0};
    main.GetAction("speedLimit")->trigger();
    TempDir local;
    WriteFile(local / "slow.bin", std::string(400000, 's'));
    CJobLimitEar ear;
    queue.Submit(UploadThread(local / "slow.bin", "/"));
    ASSERT_TRUE(test::WaitFor([&] { return ear.Limits().count(10 * 1024) == 1; }));
    ASSERT_TRUE(queue.IsBusy());
    main.GetAction("speedLimit")->trigger();
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ear.Limits(), (std::set<uint64_t>{10 * 1024, 0}));
    EXPECT_TRUE(HasRemote("slow.bin"));
    CTransferThread::SetJobDefaults(velmora::CJobSettings());
}

TEST(SyncBrowsingTest, AFolderFollowsOnlyFromItsBaseOrBelow) {
    EXPECT_EQ(CSyncBrowsing::Follow("/home/a/site", "/www/", "/home/a/site/img/x"), "/www/img/x/");
    EXPECT_EQ(CSyncBrowsing::Follow("/home/a/site/", "/www/", "/home/a/site"), "/www/");
    EXPECT_EQ(CSyncBrowsing::Follow("/www/", "/home/a/site", "/www/img/"), "/home/a/site/img");
    EXPECT_EQ(CSyncBrowsing::Follow("/", "/home/a", "/pub/in/"), "/home/a/pub/in");
    // A sibling whose name starts with the base's is outside it, as is the
    // base's parent.
    EXPECT_EQ(CSyncBrowsing::Follow("/home/a/site", "/www/", "/home/a/site2"), std::nullopt);
    EXPECT_EQ(CSyncBrowsing::Follow("/home/a/site", "/www/", "/home/a"), std::nullopt);
}

// A site's bookmarks pair a local and a server folder: added from the panes,
// kept in the sites file, edited in the Site Manager, and gone to from the
// menu; synchronised browsing then moves each pane after the other.
TEST_F(MainWindowTest, BookmarksPairFoldersOfTheSiteAndSynchronisedBrowsingFollows) {
    TempDir local;
    fs::create_directories(local / "site/img/icons");
    fs::create_directories(local / "site/only-here");
    WriteFile(server.Path("www/img/icons/a.png"), "a");
    WriteFile(server.Path("www/css/s.css"), "s");
    main.Initialize();
    velmora::CFtpLoginInfo info = Login("Web");
    info.CreateGUID();
    main.GetConnectionList().AddTail(new velmora::CFtpLoginInfo(info));
    main.GetConnections().Populate();
    velmora::CFtpLoginInfo* site = main.GetConnectionList().FindByGUID(info.GetStrGUID());
    // Without a site connected there is nothing to keep a bookmark in.
    EXPECT_FALSE(main.AddBookmark());
    ASSERT_TRUE(ConnectAndWait(main.GetBrowser(), info));
    const auto serverAt = [this](const std::string& folder) {
        return test::WaitFor([&] { return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == folder &&
                                          main.GetBrowser().IsIdle(); });
    };
    ASSERT_TRUE(main.GetLocal().SetFolder(local / "site"));
    main.GetBrowser().OpenFolder("/www/");
    ASSERT_TRUE(serverAt("/www/"));

    prompter.names = {"Web root"};
    ASSERT_TRUE(main.AddBookmark());
    EXPECT_EQ(prompter.asked.back().text, "site");
    const velmora::CSiteBookmark root{"Web root", local / "site", "/www/"};
    EXPECT_EQ(site->GetBookmarks(), std::vector<velmora::CSiteBookmark>{root});
    EXPECT_NE(ReadFile(settings.GetCurProject()).find("ftp_bookmarks="), std::string::npos);

    // The menu lists it; going there moves both panes.
    ASSERT_TRUE(main.GetLocal().SetFolder(local.path()));
    main.GetBrowser().OpenFolder("/www/css/");
    ASSERT_TRUE(serverAt("/www/css/"));
    auto* menu = main.findChild<QMenu*>("bookmarksMenu");
    emit menu->aboutToShow();
    QList<QAction*> entries = menu->findChildren<QAction*>("bookmark");
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]->text().toStdString(), "Web root");
    entries[0]->trigger();
    EXPECT_EQ(main.GetLocal().GetFolder(), local / "site");
    ASSERT_TRUE(serverAt("/www/"));

    // In step: the server follows the local pane and the other way round.
    main.GetAction("syncBrowsing")->setChecked(true);
    EXPECT_TRUE(site->IsSyncBrowsing());
    ASSERT_TRUE(main.GetLocal().SetFolder(local / "site/img"));
    ASSERT_TRUE(serverAt("/www/img/"));
    main.GetBrowser().OpenFolder("/www/img/icons/");
    ASSERT_TRUE(serverAt("/www/img/icons/"));
    EXPECT_EQ(main.GetLocal().GetFolder(), local / "site/img/icons");
    // A folder only one side has leaves the other where it is.
    main.GetBrowser().OpenFolder("/www/css/");
    ASSERT_TRUE(serverAt("/www/css/"));
    EXPECT_EQ(main.GetLocal().GetFolder(), local / "site/img/icons");
    ASSERT_TRUE(main.GetLocal().SetFolder(local / "site/only-here"));
    ASSERT_TRUE(serverAt("/www/"));
    test::ProcessEvents();
    EXPECT_EQ(main.GetLocal().GetFolder(), local / "site/only-here");
    main.GetAction("syncBrowsing")->setChecked(false);
    ASSERT_TRUE(main.GetLocal().SetFolder(local / "site/img"));
    test::ProcessEvents();
    EXPECT_TRUE(serverAt("/www/")) << sink.GetCurrent()->GetDoc();

    // The Site Manager shows the site's bookmarks and edits them.
    main.OpenSiteManager();
    ASSERT_TRUE(main.GetConnections().SelectConnection("Web"));
    CFtpConnectionPropDlg& props = *main.GetConnections().GetProperties();
    auto* table = props.findChild<QTableWidget*>("bookmarks");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 2)->text().toStdString(), "/www/");
    EXPECT_FALSE(props.findChild<QCheckBox*>("syncBrowsing")->isChecked());
    table->item(0, 0)->setText("Root");
    EXPECT_EQ(site->GetBookmarks()[0].name, "Root");
    props.findChild<QPushButton*>("addBookmark")->click();
    ASSERT_EQ(site->GetBookmarks().size(), 2u);
    EXPECT_EQ(site->GetBookmarks()[1].remote, "/");
    table->setCurrentCell(0, 0);
    props.findChild<QPushButton*>("removeBookmark")->click();
    ASSERT_EQ(site->GetBookmarks().size(), 1u);
    EXPECT_EQ(site->GetBookmarks()[0].name, "New bookmark");
    main.GetSiteManager().hide();
}

// The server list's files and folders go to a folder of another site,
// server to server, as a transfer of the queue.
TEST_F(MainWindowTest, SelectedFilesAndFoldersCopyToAnotherSiteThroughTheQueue) {
    main.Initialize();
    WriteFile(server.Path("from/a.txt"), "alpha");
    WriteFile(server.Path("from/b.txt"), "beta");
    WriteFile(server.Path("from/sub/c.txt"), "gamma");
    WriteFile(server.Path("from/sub/deep/d.txt"), "delta");
    std::filesystem::create_directories(server.Path("from/sub/empty"));
    velmora::CFtpLoginInfo backup = Login("Backup");
    backup.CreateGUID();
    backup.SetFtpPath(velmora::CFtpPath("/backup/", velmora::PATH_FOLDER));
    main.GetConnectionList().AddTail(new velmora::CFtpLoginInfo(backup));
    Connect();
    // Nothing selected: said so, and nothing is queued.
    EXPECT_FALSE(main.OnCopyToSite());
    ASSERT_EQ(prompter.shown.size(), 1u);
    main.GetBrowser().OpenFolder("/from/");
    ASSERT_TRUE(test::WaitFor([&] {
        return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == "/from/" && main.GetBrowser().IsIdle();
    }));
    main.GetBrowser().GetList()->selectAll();

    // The site is the first choice; the folder proposed is its start folder.
    prompter.answers = {true};
    prompter.names = {"/backup/copies/"};
    ASSERT_TRUE(main.OnCopyToSite());
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_NE(prompter.asked[0].text.find("The site that 3 items go to:"), std::string::npos) << prompter.asked[0].text;
    EXPECT_EQ(prompter.asked[1].text, "/backup/");
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("backup/copies/a.txt")), "alpha");
    EXPECT_EQ(ReadFile(server.Path("backup/copies/b.txt")), "beta");
    EXPECT_EQ(ReadFile(server.Path("backup/copies/sub/c.txt")), "gamma");
    EXPECT_EQ(ReadFile(server.Path("backup/copies/sub/deep/d.txt")), "delta");
    EXPECT_TRUE(std::filesystem::is_directory(server.Path("backup/copies/sub/empty")));
    // Nothing else: the folder's files are not also put beside it.
    EXPECT_FALSE(HasRemote("backup/copies/c.txt"));
    const CTransferEntry& entry = queue.GetModel().At(0);
    EXPECT_EQ(entry.state, CTransferEntry::Done) << entry.result;
    EXPECT_NE(entry.destination.find("/backup/copies/"), std::string::npos) << entry.destination;

    // Cancelled at the folder: nothing more is queued.
    prompter.answers = {true};
    EXPECT_FALSE(main.OnCopyToSite());
    EXPECT_EQ(queue.GetModel().rowCount(), 1);
}

TEST_F(MainWindowTest, HiddenServerFilesShowOnlyWhenAskedFor) {
    WriteFile(server.Path(".secret"), "s");
    WriteFile(server.Path("plain.txt"), "p");
    Connect();
    EXPECT_EQ(Listed(*main.GetBrowser().GetList()), std::vector<std::string>{"plain.txt"});
    main.GetAction("showHidden")->trigger();
    EXPECT_EQ(Listed(*main.GetBrowser().GetList()), (std::vector<std::string>{".secret", "plain.txt"}));
}

// A question whose transfer has no window of its own opens over the window
// the user is in (in front and with the keyboard: the walkthrough under a
// window manager sees that); Enter alone skips.
TEST_F(MainWindowTest, TheExistingFileQuestionOpensOverTheWindowTheUserIsIn) {
    CDialogPrompter dialogs;
    QWidget* parent = nullptr;
    QString byDefault;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        parent = box->parentWidget();
        byDefault = box->defaultButton()->text();
        box->defaultButton()->click();
    });
    CTargetQuestion question;
    question.target = "/tmp/a.txt";
    ETargetAnswer answer = ETargetAnswer::Ask;
    bool forAll = false;
    ASSERT_TRUE(dialogs.AskExistingTarget(nullptr, question, answer, forAll));
    EXPECT_EQ(parent, &main);
    EXPECT_EQ(byDefault.toStdString(), "Skip");
    EXPECT_EQ(answer, ETargetAnswer::Skip);
}

}  // namespace
}  // namespace parcelo

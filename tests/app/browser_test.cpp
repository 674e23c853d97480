#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/common/drag_item.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/connections/site_manager_dlg.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/remote_drag_data.h"
#include "app/panes/session_security_label.h"
#include "app/shell/main_dlg.h"
#include "app/shell/wait_dlg.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/log_pane.h"
#include "app/transfers/transfer_settings.h"
#include "app_fixture.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "support/fake_ftp_server.h"
#include "support/fault_relay.h"
#include "support/loopback.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::CFtpNode;
using velmora::CFtpPath;
using velmora::CFtpPathList;
using velmora::test::ReadFile;
using velmora::test::TempDir;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

// The names of a folder's rows in the tree.
std::vector<std::string> ChildNames(const QModelIndex& item) {
    std::vector<std::string> names;
    const QAbstractItemModel* tree = item.model();
    for (int i = 0; tree != nullptr && i < tree->rowCount(item); ++i) {
        names.push_back(tree->index(i, 0, item).data().toString().toStdString());
    }
    return names;
}

// The row of a folder's sub-folder in the tree; invalid for none.
QPersistentModelIndex Child(const QModelIndex& item, const std::string& name) {
    const QAbstractItemModel* tree = item.model();
    for (int i = 0; tree != nullptr && i < tree->rowCount(item); ++i) {
        if (tree->index(i, 0, item).data().toString().toStdString() == name) return tree->index(i, 0, item);
    }
    return {};
}

// The files of the list, in the order shown.
std::vector<std::string> ListedNames(const CFtpListCtrl& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.GetRowCount(); ++row) {
        if (!list.GetPathAt(row).IsDirectory()) names.push_back(list.GetPathAt(row).GetFileName(true));
    }
    return names;
}

QMimeData* OwnDrag(const char* format, const CFtpPath& path) {
    CDropItem item(CClipFormats(), format);
    item.GetPaths().Add(new CFtpPath(path));
    return item.CreateMimeData();
}

// A drag entering the window and dropped at the point; answers whether the
// drop was taken.
bool DropAt(QWidget& window, const QMimeData* data, const QPoint& point) {
    QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    return drop.isAccepted() && drop.dropAction() != Qt::IgnoreAction;
}

// The longest time the window thread went without handling a timer.
class CPauseMeter {
public:
    CPauseMeter() {
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            m_nLongest = std::max(m_nLongest, m_clock.elapsed() - m_nLast);
            m_nLast = m_clock.elapsed();
        });
        m_clock.start();
        m_beat.start(10);
    }
    qint64 Longest() const { return m_nLongest; }
    qint64 Elapsed() const { return m_clock.elapsed(); }

private:
    QElapsedTimer m_clock;
    QTimer m_beat;
    qint64 m_nLast = 0;
    qint64 m_nLongest = 0;
};

class BrowserTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("top.txt"), "top");
        WriteFile(server.Path("pub/docs/a.txt"), "alpha");
        fs::create_directories(server.Path("pub/empty"));
        fs::create_directories(server.Path("in"));
    }

    // A browser on screen, connected, with the root current.
    std::unique_ptr<CFtpTreeDlg> OpenBrowser() {
        auto browser = std::make_unique<CFtpTreeDlg>(context);
        browser->resize(700, 400);
        browser->show();
        EXPECT_TRUE(ConnectAndWait(*browser, Login()));
        Settle(*browser);
        return browser;
    }
    // The connection to a local test server that times out after 1.5 s.
    velmora::CFtpLoginInfo QuickLogin(uint16_t port) {
        velmora::CSessionOptions options = sink.GetSessionOptions();
        options.connectTimeoutMs = options.sendTimeoutMs = options.receiveTimeoutMs = 1500;
        sink.SetSessionOptions(options);
        velmora::CFtpLoginInfo info = Login();
        info.SetPort(port);
        info.SetRetries(1);
        return info;
    }
    // Waits until the browser's server work has ended and its results are shown.
    static void Settle(CFtpTreeDlg& browser) {
        EXPECT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }, std::chrono::seconds(30)));
        test::ProcessEvents();
    }
    // Waits until the browser's comparison before a synchronisation has ended
    // and its result has been put to the user.
    static void WaitForComparison(CFtpTreeDlg& browser) {
        EXPECT_TRUE(test::WaitFor([&] { return !browser.GetSyncPreview().IsComparing(); }, std::chrono::seconds(30)));
        test::ProcessEvents();
    }
    // A browser on screen, connected through `relay`, with the root current.
    std::unique_ptr<CFtpTreeDlg> OpenBrowserThrough(const velmora::test::FaultRelay& relay) {
        velmora::CFtpLoginInfo info = Login();
        info.SetPort(relay.GetPort());
        auto browser = std::make_unique<CFtpTreeDlg>(context);
        browser->resize(700, 400);
        browser->show();
        EXPECT_TRUE(ConnectAndWait(*browser, info));
        Settle(*browser);
        return browser;
    }
    QPersistentModelIndex Root(CFtpTreeDlg& browser) { return browser.GetTree()->model()->index(0, 0); }
    QPoint PointOf(CFtpTreeDlg& browser, const QModelIndex& item) {
        const QRect rect = browser.GetTree()->visualRect(item);
        return browser.GetTree()->viewport()->mapTo(&browser, rect.center());
    }
    QPoint ListPoint(CFtpTreeDlg& browser) {
        QWidget* view = browser.GetList()->viewport();
        return view->mapTo(&browser, view->rect().center());
    }
};

TEST_F(BrowserTest, TheSavedConnectionIsOpenedAndTheSelectedFolderFollowed) {
    fs::create_directories(settings.GetProjectsFolder());
    velmora::CFtpLoginInfoList saved;
    saved.AddTail(new velmora::CFtpLoginInfo(Login("Home")));
    ASSERT_TRUE(saved.SaveXML(settings.GetCurProject()));
    settings.SetSelConnection("Home");
    {
        CMainDlg main(context);
        bool ended = false;
        QObject::connect(&main.GetBrowser(), &CFtpTreeDlg::ConnectFinished, [&ended] { ended = true; });
        main.Initialize();
        EXPECT_TRUE(main.GetBrowser().IsConnecting());
        ASSERT_TRUE(test::WaitFor([&ended] { return ended; }));
        Settle(main.GetBrowser());
        ASSERT_TRUE(sink.IsOnline()) << sink.GetState().error;
        EXPECT_TRUE(sink.IsUnix());
        EXPECT_FALSE(main.GetWait().isVisible());
        EXPECT_EQ(main.GetConnections().GetSelected()->GetHostName(), "Home");

        CFtpTreeDlg& browser = main.GetBrowser();
        QPersistentModelIndex root = Root(browser);
        ASSERT_TRUE(root.isValid());
        EXPECT_EQ(root.data().toString().toStdString(), server.GetHost());
        EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"in", "pub"}));
        EXPECT_EQ(ListedNames(*browser.GetList()), std::vector<std::string>{"top.txt"});
        // The title counts the folder's folders and files.
        EXPECT_EQ(main.windowTitle().toStdString(), "/ - (3)");
        EXPECT_EQ(settings.GetSelNode(), "/");

        // An unlisted folder shows a placeholder until it is expanded.
        QPersistentModelIndex pub = Child(root, "pub");
        EXPECT_EQ(ChildNames(pub), std::vector<std::string>{CFtpNode::kDecoyName});
        browser.GetTree()->expand(pub);
        Settle(browser);
        EXPECT_EQ(ChildNames(pub), (std::vector<std::string>{"docs", "empty"}));
        EXPECT_EQ(browser.NodeOf(pub)->GetNodeType(), CFtpNode::NODE_LISTED);
        QPersistentModelIndex empty = Child(pub, "empty");
        browser.GetTree()->expand(empty);
        Settle(browser);
        EXPECT_EQ(browser.GetTree()->model()->rowCount(empty), 0);

        browser.GetTree()->setCurrentIndex(Child(pub, "docs"));
        Settle(browser);
        EXPECT_EQ(main.windowTitle().toStdString(), "/pub/docs/ - (1)");
        EXPECT_EQ(settings.GetSelNode(), "/pub/docs/");
        EXPECT_EQ(ListedNames(*browser.GetList()), std::vector<std::string>{"a.txt"});
        EXPECT_EQ(sink.GetStatusText(), "Connected:\n\rServer: '" + server.GetHost() + "'\r\nRoot:   '" +
                                            server.GetHost() + "'\r\nFolder: docs\r\nNot encrypted (plain FTP)\r\n");
        // In the main window's status bar.
        const auto* indicator = main.findChild<CSessionSecurityLabel*>("encryptionIndicator");
        ASSERT_NE(indicator, nullptr);
        EXPECT_EQ(indicator->GetState(), CSessionSecurityLabel::Plain);
        EXPECT_NE(indicator->text().indexOf("Not encrypted"), -1) << indicator->text().toStdString();
    }
    // The list is written back when the window goes.
    velmora::CFtpLoginInfoList reread;
    ASSERT_TRUE(reread.LoadXML(settings.GetCurProject()));
    ASSERT_EQ(reread.GetCount(), 1);
    EXPECT_EQ(reread.GetHead()->GetPassword(), server.GetPassword());
}

TEST_F(BrowserTest, FoldersAreCreatedRenamedAndDeletedOnlyWhenConfirmed) {
    auto browser = OpenBrowser();
    prompter.names = {"made"};
    browser->OnNewFolder();
    Settle(*browser);
    EXPECT_EQ(prompter.asked.back().text, "New Folder");
    ASSERT_TRUE(fs::is_directory(server.Path("made")));
    QPersistentModelIndex made = Child(Root(*browser), "made");
    ASSERT_TRUE(made.isValid());

    browser->GetTree()->setCurrentIndex(made);
    Settle(*browser);
    prompter.names = {"renamed"};
    browser->OnRename(CFtpTreeDlg::PANE_TREE);
    Settle(*browser);
    EXPECT_TRUE(fs::is_directory(server.Path("renamed")));
    EXPECT_FALSE(HasRemote("made"));
    EXPECT_EQ(made.data().toString().toStdString(), "renamed");
    EXPECT_EQ(sink.GetCurrent()->GetPath().GetFtpDir(true), "/renamed/");

    prompter.answers = {false};
    browser->OnDelete(CFtpTreeDlg::PANE_TREE);
    Settle(*browser);
    EXPECT_EQ(prompter.asked.back().title, "Confirmation");
    EXPECT_EQ(prompter.asked.back().text,
              "Are you sure you want to delete the folder '/renamed/' with everything in it?");
    EXPECT_TRUE(fs::is_directory(server.Path("renamed")));
    EXPECT_TRUE(Child(Root(*browser), "renamed").isValid());

    prompter.answers = {true};
    browser->OnDelete(CFtpTreeDlg::PANE_TREE);
    Settle(*browser);
    EXPECT_FALSE(HasRemote("renamed"));
    EXPECT_FALSE(Child(Root(*browser), "renamed").isValid());
    EXPECT_EQ(sink.GetCurrent(), sink.GetRoot());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BrowserTest, AFolderThatHoldsSomethingIsAskedAboutTwice) {
    auto browser = OpenBrowser();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "pub"));
    Settle(*browser);
    prompter.answers = {true, false};
    browser->OnDelete(CFtpTreeDlg::PANE_TREE);
    Settle(*browser);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].text,
              "The folder '/pub/' is not empty: it holds 2 folders and 0 files at its top level alone. Delete it "
              "with everything in it?");
    EXPECT_TRUE(HasRemote("pub/docs/a.txt"));

    prompter.answers = {true, true};
    browser->OnDelete(CFtpTreeDlg::PANE_TREE);
    Settle(*browser);
    EXPECT_FALSE(HasRemote("pub"));
    EXPECT_EQ(ChildNames(Root(*browser)), std::vector<std::string>{"in"});
}

TEST_F(BrowserTest, FilesAreRenamedAndDeletedFromTheList) {
    WriteFile(server.Path("b.txt"), "bee");
    auto browser = OpenBrowser();
    browser->GetList()->SelectByName({"top.txt"});
    prompter.names = {"b.txt"};
    browser->OnRename(CFtpTreeDlg::PANE_LIST);
    Settle(*browser);
    // Renaming onto a file that is there would replace it.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Error");
    EXPECT_EQ(ReadFile(server.Path("b.txt")), "bee");

    prompter.names = {"moved.txt"};
    browser->OnRename(CFtpTreeDlg::PANE_LIST);
    Settle(*browser);
    EXPECT_EQ(ReadFile(server.Path("moved.txt")), "top");
    EXPECT_EQ(ListedNames(*browser->GetList()), (std::vector<std::string>{"b.txt", "moved.txt"}));

    browser->GetList()->SelectByName({"b.txt", "moved.txt"});
    prompter.answers = {true};
    browser->OnDelete(CFtpTreeDlg::PANE_LIST);
    Settle(*browser);
    EXPECT_FALSE(HasRemote("b.txt"));
    EXPECT_FALSE(HasRemote("moved.txt"));
    EXPECT_EQ(browser->GetList()->GetModel().GetFileCount(), 0);
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(BrowserTest, AServerRefusalShowsTheSessionErrorAndLeavesTheTree) {
    auto browser = OpenBrowser();
    const std::vector<std::string> before = ChildNames(Root(*browser));
    prompter.names = {"pub"};
    browser->OnNewFolder();
    Settle(*browser);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Error");
    EXPECT_TRUE(prompter.shown[0].text.starts_with("Ftp: 550")) << prompter.shown[0].text;
    EXPECT_EQ(prompter.shown[0].text, sink.GetState().error);
    EXPECT_EQ(ChildNames(Root(*browser)), before);

    // A lost connection: the browser says so instead of acting.
    sink.Session().Logoff();
    browser->OnRefresh();
    Settle(*browser);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(browser->IsShowingDisconnected());
    EXPECT_EQ(browser->GetDisconnectedText().toStdString(), "Ftp: Ftp is not connected");
    EXPECT_EQ(sink.GetStatusText(), "Disconnected\r\nError: 'Ftp: Ftp is not connected'");
}

TEST_F(BrowserTest, DroppedFilesAndAFolderGoUpAsOneListWithoutReplacingAnything) {
    WriteFile(server.Path("in/a.txt"), "old");
    TempDir local;
    WriteFile(local / "a.txt", "new a");
    WriteFile(local / "b.txt", "new b");
    WriteFile(local / "sub/c.txt", "new c");
    auto browser = OpenBrowser();
    QPersistentModelIndex in = Child(Root(*browser), "in");

    std::unique_ptr<QMimeData> data(test::FileDrop({local / "a.txt", local / "b.txt", local / "sub"}));
    ASSERT_TRUE(DropAt(*browser, data.get(), PointOf(*browser, in)));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);

    EXPECT_EQ(ReadFile(server.Path("in/a.txt")), "old");
    EXPECT_EQ(ReadFile(server.Path("in/a(1).txt")), "new a");
    EXPECT_EQ(ReadFile(server.Path("in/b.txt")), "new b");
    EXPECT_EQ(ReadFile(server.Path("in/sub/c.txt")), "new c");
    // The folder's files, as far as the browser knows them.
    browser->GetTree()->setCurrentIndex(in);
    Settle(*browser);
    EXPECT_EQ(ListedNames(*browser->GetList()), (std::vector<std::string>{"a(1).txt", "a.txt", "b.txt"}));
}

// A name handed to an upload still under way (its arrival not yet heard)
// stays taken when more files are dropped into that folder.
TEST_F(BrowserTest, ANameGivenToAnUploadUnderWayIsNotGivenAgain) {
    TempDir local;
    WriteFile(local / "first/x.txt", "first x");
    WriteFile(local / "second/y.txt", "second y");
    auto browser = OpenBrowser();
    QPersistentModelIndex in = Child(Root(*browser), "in");
    std::unique_ptr<QMimeData> first(test::FileDrop({local / "first/x.txt"}));
    ASSERT_TRUE(DropAt(*browser, first.get(), PointOf(*browser, in)));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    ASSERT_EQ(WaitForTransfers(), 1);

    // What the engine asks while it uploads a y.txt into the folder.
    CFtpPath inFlight("/in/y.txt");
    velmora::CMsg request(velmora::MSG_UNIQUE_NAME, 0, 0, 0);
    request.RefObject(&inFlight);
    velmora::CMsgBox::Box().SendTo(velmora::kUniqueNameProviderId, request);
    ASSERT_EQ(inFlight.GetPath(), "/in/y.txt");

    std::unique_ptr<QMimeData> second(test::FileDrop({local / "second/y.txt"}));
    ASSERT_TRUE(DropAt(*browser, second.get(), PointOf(*browser, in)));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 1 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 2);
    EXPECT_EQ(ReadFile(server.Path("in/x.txt")), "first x");
    EXPECT_EQ(ReadFile(server.Path("in/y(1).txt")), "second y");
}

TEST_F(BrowserTest, ASingleDroppedFolderGoesUpAsAFolderAndShowsAtOnce) {
    TempDir local;
    WriteFile(local / "up/x.txt", "ex");
    auto browser = OpenBrowser();
    std::unique_ptr<QMimeData> data(test::FileDrop({local / "up"}));
    ASSERT_TRUE(DropAt(*browser, data.get(), ListPoint(*browser)));
    // Shown from the posted drop on, before the transfer has ended.
    ASSERT_TRUE(test::WaitFor([&] { return Child(Root(*browser), "up").isValid(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("up/x.txt")), "ex");
    EXPECT_EQ(ChildNames(Root(*browser)), (std::vector<std::string>{"in", "pub", "up"}));
}

TEST_F(BrowserTest, ADropWhoseFolderWasRebuiltMeanwhileIsRefused) {
    TempDir local;
    WriteFile(local / "late.txt", "late");
    auto browser = OpenBrowser();
    std::unique_ptr<QMimeData> data(test::FileDrop({local / "late.txt"}));
    ASSERT_TRUE(DropAt(*browser, data.get(), ListPoint(*browser)));
    // The tree is built anew before the posted drop is handled; a new folder
    // node may even take the old one's address.
    ASSERT_TRUE(ConnectAndWait(*browser, Login()));
    EXPECT_EQ(WaitForTransfers(), 0);
    EXPECT_FALSE(HasRemote("late.txt"));
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, "The folder of the drop is no longer shown. Please drop again.");
}

TEST_F(BrowserTest, ATreeItemDroppedOnItsOwnFolderChangesNothingElsewhereItMoves) {
    auto browser = OpenBrowser();
    QPersistentModelIndex pub = Child(Root(*browser), "pub");
    browser->GetTree()->expand(pub);
    Settle(*browser);
    std::unique_ptr<QMimeData> docs(OwnDrag("TreeItem", CFtpPath("/pub/docs/", velmora::PATH_FOLDER)));

    ASSERT_TRUE(DropAt(*browser, docs.get(), PointOf(*browser, pub)));
    ASSERT_TRUE(test::WaitFor([&] { return !prompter.shown.empty(); }));
    EXPECT_EQ(prompter.shown[0].title, "Message");
    EXPECT_EQ(prompter.shown[0].text, CFtpTreeDlg::kSameDestination);
    EXPECT_TRUE(fs::is_directory(server.Path("pub/docs")));
    EXPECT_EQ(ChildNames(pub), (std::vector<std::string>{"docs", "empty"}));

    // Onto another folder: renamed on the server, the node moves along.
    ASSERT_TRUE(DropAt(*browser, docs.get(), PointOf(*browser, Child(Root(*browser), "in"))));
    ASSERT_TRUE(test::WaitFor([&] { return HasRemote("in/docs/a.txt"); }));
    Settle(*browser);
    EXPECT_FALSE(HasRemote("pub/docs"));
    EXPECT_EQ(ChildNames(pub), std::vector<std::string>{"empty"});
    QPersistentModelIndex moved = Child(Child(Root(*browser), "in"), "docs");
    ASSERT_TRUE(moved.isValid());
    EXPECT_EQ(browser->NodeOf(moved)->GetPath().GetFtpDir(true), "/in/docs/");
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(BrowserTest, DropsNeedAConnectedFolderAndKnownData) {
    CFtpTreeDlg browser(context);
    browser.resize(700, 400);
    browser.show();
    TempDir local;
    WriteFile(local / "a.txt", "a");
    std::unique_ptr<QMimeData> files(test::FileDrop({local / "a.txt"}));
    EXPECT_FALSE(DropAt(browser, files.get(), ListPoint(browser)));

    ASSERT_TRUE(ConnectAndWait(browser, Login()));
    QMimeData text;
    text.setText("not a file");
    EXPECT_FALSE(DropAt(browser, &text, ListPoint(browser)));
    EXPECT_EQ(browser.QueryDropOnCurrent(files.get()), DROPEFFECT_COPY);
    test::ProcessEvents();
    EXPECT_EQ(transfersEnded, 0);
    EXPECT_FALSE(queue.IsBusy());

    // The list's filter field does not take the names as its text: the
    // files go up into the folder shown, as over the list.
    auto* filter = browser.findChild<QLineEdit*>("serverFilter");
    ASSERT_NE(filter, nullptr);
    EXPECT_FALSE(filter->acceptDrops());
    ASSERT_TRUE(DropAt(browser, files.get(), filter->mapTo(&browser, filter->rect().center())));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_TRUE(HasRemote("a.txt"));
    EXPECT_TRUE(filter->text().isEmpty());
}

// Server files dragged to another application reach it as local copies,
// downloaded only once that application asks for them; our own windows
// read the drag without a download.
TEST_F(BrowserTest, FilesDraggedToAnotherApplicationAreFetchedOnlyWhenItAsks) {
    WriteFile(server.Path("out/a b.txt"), "alpha");
    WriteFile(server.Path("out/sub/c.txt"), "gamma");
    auto browser = OpenBrowser();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "out"));
    Settle(*browser);
    browser->GetList()->SelectByName({"a b.txt", "sub"});
    std::unique_ptr<QMimeData> data(browser->GetList()->CreateDragData());
    ASSERT_NE(data, nullptr);
    auto* remote = dynamic_cast<CRemoteDragData*>(data.get());
    ASSERT_NE(remote, nullptr);

    // The browser itself takes it as a move of the file.
    EXPECT_EQ(browser->QueryDropOnCurrent(data.get()), DROPEFFECT_COPY);
    CDropItem item(CClipFormats{});
    item.GetFormats().Add(CFtpListCtrl::kFormatName);
    ASSERT_TRUE(item.Load(data.get()));
    EXPECT_EQ(item.GetPaths().GetCount(), 1);
    EXPECT_TRUE(data->hasUrls());
    EXPECT_FALSE(remote->IsFetched());

    const QList<QUrl> urls = data->urls();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_TRUE(remote->IsFetched());
    // Folders come first in the list, as in the selection.
    const std::filesystem::path folder = urls[0].toLocalFile().toStdString();
    const std::filesystem::path file = urls[1].toLocalFile().toStdString();
    EXPECT_EQ(file.filename(), "a b.txt");
    EXPECT_EQ(file.parent_path(), folder.parent_path());
    EXPECT_EQ(ReadFile(file), "alpha");
    EXPECT_EQ(ReadFile(folder / "c.txt"), "gamma");
    // Asked again (a file manager asks while the pointer moves over it,
    // then at the drop), the same copies, in the wire form too.
    EXPECT_EQ(data->urls(), urls);
    EXPECT_EQ(data->data("text/uri-list"), urls[0].toEncoded() + "\r\n" + urls[1].toEncoded() + "\r\n");
    EXPECT_EQ(transfersEnded, 0);

    // The copies go with the window.
    browser.reset();
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(FtpSinkTest, UnixIsTheFirstFourCharactersInAnyCase) {
    EXPECT_TRUE(CFtpSink::IsUnixSystem("UNIX Type: L8"));
    EXPECT_TRUE(CFtpSink::IsUnixSystem("unix"));
    EXPECT_TRUE(CFtpSink::IsUnixSystem("UniX something"));
    EXPECT_FALSE(CFtpSink::IsUnixSystem("UNI"));
    EXPECT_FALSE(CFtpSink::IsUnixSystem("Windows_NT"));
    EXPECT_FALSE(CFtpSink::IsUnixSystem(" UNIX"));
}

TEST(FtpSinkTest, StatusTextWithoutAConnection) {
    CFtpSink sink;
    EXPECT_EQ(sink.GetStatusText(), "Disconnected");
    sink.ReportError("550 first line\r\nsecond line\n");
    EXPECT_EQ(sink.GetStatusText(), "Disconnected\r\nError: 'Ftp: 550 first linesecond line'");
}

TEST_F(BrowserTest, ADownloadNeverReplacesALocalFileWithoutTheUsersChoice) {
    TempDir local;
    WriteFile(local / "top.txt", "my edit");
    auto browser = OpenBrowser();
    const auto download = [&] {
        browser->GetList()->SelectByName({"top.txt"});
        prompter.folders.push_back(local.path());
        browser->OnDownload(CFtpTreeDlg::PANE_LIST);
        return WaitForTransfers();
    };
    // Dismissed: the local file stays as it is.
    EXPECT_EQ(download(), 1);
    EXPECT_EQ(ReadFile(local / "top.txt"), "my edit");
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_FALSE(prompter.targetQuestions[0].upload);
    EXPECT_EQ(prompter.targetQuestions[0].target, local / "top.txt");
    EXPECT_EQ(prompter.targetQuestions[0].targetSize, 7u);

    prompter.targetAnswers.push_back({ETargetAnswer::Overwrite, false});
    EXPECT_EQ(download(), 2);
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");

    // The file changed on the server: a second download asks again.
    WriteFile(server.Path("top.txt"), "changed");
    prompter.targetAnswers.push_back({ETargetAnswer::Rename, false});
    EXPECT_EQ(download(), 3);
    EXPECT_EQ(prompter.targetQuestions.size(), 3u);
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");
    EXPECT_EQ(ReadFile(local / "top(1).txt"), "changed");

    // A default in the settings answers without a question.
    settings.WriteValue(std::string(CAppSettings::kExistingTarget), std::string("Skip"));
    targets.StartJob();
    EXPECT_EQ(download(), 4);
    EXPECT_EQ(prompter.targetQuestions.size(), 3u);
    EXPECT_FALSE(fs::exists(local / "top(2).txt"));
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");
}

TEST_F(BrowserTest, AnUploadOntoAKnownNameAsksOnceForAllFilesOfTheJob) {
    WriteFile(server.Path("in/a.txt"), "old a");
    WriteFile(server.Path("in/b.txt"), "old b");
    TempDir local;
    WriteFile(local / "a.txt", "new a");
    WriteFile(local / "b.txt", "new b");
    auto browser = OpenBrowser();
    QPersistentModelIndex in = Child(Root(*browser), "in");
    browser->GetTree()->setCurrentIndex(in);
    Settle(*browser);
    prompter.targetAnswers.push_back({ETargetAnswer::Overwrite, true});
    std::unique_ptr<QMimeData> data(test::FileDrop({local / "a.txt", local / "b.txt"}));
    ASSERT_TRUE(DropAt(*browser, data.get(), PointOf(*browser, in)));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("in/a.txt")), "new a");
    EXPECT_EQ(ReadFile(server.Path("in/b.txt")), "new b");
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_TRUE(prompter.targetQuestions[0].upload);
    EXPECT_FALSE(HasRemote("in/a(1).txt"));
}

TEST_F(BrowserTest, KeysActOnThePaneWithTheFocusAndTheDeleteQuestionNamesWhatGoes) {
    WriteFile(server.Path("pub/b.txt"), "b");
    auto browser = OpenBrowser();
    QApplication::setActiveWindow(browser.get());
    QPersistentModelIndex pub = Child(Root(*browser), "pub");
    browser->GetTree()->setCurrentIndex(pub);
    Settle(*browser);
    browser->GetList()->SelectByName({"b.txt"});
    browser->GetList()->setFocus();
    QTest::keyClick(browser->GetList(), Qt::Key_Delete);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "Are you sure you want to delete 'b.txt' ?");
    EXPECT_TRUE(HasRemote("pub/b.txt"));

    WriteFile(server.Path("pub/new.txt"), "n");
    // F5 is the main window's (both panes); the pane's own refresh lists again.
    browser->OnRefresh();
    Settle(*browser);
    const std::vector<std::string> listed = ListedNames(*browser->GetList());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "new.txt"), listed.end());

    QTest::keyClick(browser->GetList(), Qt::Key_Backspace);
    EXPECT_EQ(browser->GetTree()->currentIndex(), Root(*browser));
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "pub"));
    Settle(*browser);
    browser->GetTree()->setFocus();
    QTest::keyClick(browser->GetTree(), Qt::Key_Delete);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].text, "Are you sure you want to delete the folder '/pub/' with everything in it?");
    EXPECT_TRUE(HasRemote("pub"));
}

TEST_F(BrowserTest, AFailedLoginSaysWhatFailed) {
    CFtpTreeDlg browser(context);
    CLogPane log;
    velmora::CFtpLoginInfo info = Login();
    info.SetLoginName("");
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, CFtpTreeDlg::kLoginMissing);

    info = Login();
    info.SetPassword("wrong");
    EXPECT_FALSE(ConnectAndWait(browser, info));
    info = Login();
    info.SetPort(velmora::test::ClosedPort());
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[1].title, "Error");
    EXPECT_TRUE(prompter.shown[1].text.starts_with("The server refused the login name or the password.\n\nFtp: "))
        << prompter.shown[1].text;
    EXPECT_TRUE(prompter.shown[2].text.starts_with("The server could not be reached")) << prompter.shown[2].text;
    // The log tells the reason too, with the server's port.
    std::string logged;
    for (int row = 0; row < log.GetView()->model()->rowCount(); ++row) {
        logged += log.GetView()->model()->index(row, 0).data().toString().toStdString() + "\n";
    }
    const std::string url = "ftp://" + server.GetHost() + ":" + std::to_string(server.GetPort()) + "/";
    EXPECT_NE(logged.find("Login failed: " + url), std::string::npos) << logged;
    EXPECT_NE(logged.find("The server refused the login name or the password."), std::string::npos) << logged;
    EXPECT_FALSE(sink.GetState().online);
    EXPECT_EQ(browser.GetTree()->model()->rowCount(), 0);
}

TEST_F(BrowserTest, AnUnknownCertificateIsTrustedOnlyWhenTheUserSaysSo) {
    test::CTlsServer tls;
    ASSERT_TRUE(tls.Start());
    CFtpTreeDlg browser(context);
    const auto* indicator = browser.findChild<CSessionSecurityLabel*>("encryptionIndicator");
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->GetState(), CSessionSecurityLabel::Offline);
    velmora::CFtpLoginInfo info = Login();
    info.SetPort(tls.server->GetPort());
    info.SetTlsMode(velmora::ETlsMode::Require);
    std::string stored;
    QObject::connect(&browser, &CFtpTreeDlg::CertificateTrusted,
                     [&](const velmora::CFtpLoginInfo& trusted) { stored = trusted.GetTlsFingerprint(); });

    prompter.answers = {false};  // Cancel
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, "Unknown certificate");
    EXPECT_NE(prompter.asked[0].text.find(tls.certificates.Fingerprint()), std::string::npos) << prompter.asked[0].text;
    EXPECT_NE(prompter.asked[0].text.find("Parcelo Test CA"), std::string::npos) << prompter.asked[0].text;
    EXPECT_TRUE(stored.empty());
    EXPECT_FALSE(sink.GetState().online);

    prompter.answers = {true};  // "Trust this certificate": stored, and the login goes again
    bool connected = false;
    QObject::connect(&browser, &CFtpTreeDlg::ConnectFinished, [&](bool ok) { connected = ok; });
    EXPECT_FALSE(ConnectAndWait(browser, info));
    parcelo::test::WaitFor([&] { return connected; }, std::chrono::seconds(30));
    EXPECT_EQ(stored, tls.certificates.Fingerprint());
    EXPECT_TRUE(sink.GetState().encrypted);
    EXPECT_NE(sink.GetStatusText().find("\r\nEncrypted: TLSv1."), std::string::npos) << sink.GetStatusText();
    EXPECT_EQ(indicator->GetState(), CSessionSecurityLabel::Encrypted);
    EXPECT_NE(indicator->text().indexOf("Encrypted (TLSv1."), -1) << indicator->text().toStdString();

    // Accepting any certificate connects, and the indicator says it is unsafe.
    info.SetTlsInsecure(true);
    prompter.asked.clear();
    EXPECT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(indicator->GetState(), CSessionSecurityLabel::Unverified);
    EXPECT_NE(indicator->text().indexOf("NOT checked"), -1) << indicator->text().toStdString();
}

TEST_F(BrowserTest, AServerWithoutTlsIsAskedAboutOnceBeforeThePasswordGoesUnencrypted) {
    ApplyTransferSettings(settings.GetTransferSettings());  // as the program starts
    struct Uninstall {
        ~Uninstall() { velmora::CFtpClient::SetPlainLoginQuestion(nullptr); }
    } uninstall;
    CFtpTreeDlg browser(context);
    velmora::CFtpLoginInfo info = Login();
    info.SetTlsMode(velmora::ETlsMode::Auto);

    prompter.answers = {false};
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, "No encryption");
    EXPECT_NE(prompter.asked[0].text.find(CFtpTreeDlg::kPlainLoginQuestion), std::string::npos);
    EXPECT_EQ(sink.GetState().loginError, velmora::ERemoteError::PlainRefused);
    EXPECT_FALSE(sink.GetState().online);

    // Yes: stored, and the login goes again.
    prompter.answers = {true};
    bool connected = false;
    QObject::connect(&browser, &CFtpTreeDlg::ConnectFinished, [&](bool ok) { connected = ok; });
    EXPECT_FALSE(ConnectAndWait(browser, info));
    test::WaitFor([&] { return connected; }, std::chrono::seconds(30));
    EXPECT_TRUE(sink.GetState().online);
    EXPECT_FALSE(sink.GetState().encrypted);

    // Asked once per server: the answer stays with the settings.
    prompter.asked.clear();
    EXPECT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(CAppSettings::AllowsPlainFtp(server.GetHost(), server.GetPort()));
}

TEST_F(BrowserTest, ASilentServerNeverStopsTheWindowThreadAndCancelEndsTheWait) {
    velmora::test::FakeFtpServer silent([](velmora::test::FakeFtpSession& s) { s.WaitForClientToLeave(); });
    const velmora::CFtpLoginInfo info = QuickLogin(silent.GetPort());
    CMainDlg main(context);
    main.show();

    CPauseMeter pauses;
    main.GetBrowser().Connect(info);
    EXPECT_TRUE(main.GetBrowser().IsConnecting());
    EXPECT_TRUE(main.GetWait().isVisible());
    const int firstFrame = main.GetWait().GetFrame();
    test::WaitFor([&] { return pauses.Elapsed() > 400; });
    EXPECT_NE(main.GetWait().GetFrame(), firstFrame);
    main.GetWait().GetCancelButton()->click();
    EXPECT_FALSE(main.GetWait().isVisible());
    EXPECT_FALSE(main.GetBrowser().IsConnecting());
    // A login on the window thread would stop it for the whole 1.5 s time-out;
    // the bound leaves room for a loaded test machine's scheduling.
    EXPECT_LT(pauses.Longest(), 750);

    // Once the cancelled login has timed out, a new one runs, and its
    // time-out is named.
    EXPECT_FALSE(ConnectAndWait(main.GetBrowser(), info));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.starts_with("The server did not answer in time")) << prompter.shown[0].text;
    EXPECT_FALSE(sink.IsOnline());
}

TEST_F(BrowserTest, SynchroniseShowsTheChangesFirstAndSendsOnlyThemWhenConfirmed) {
    TempDir local;
    WriteFile(server.Path("in/same.txt"), "same");
    WriteFile(local / "site/same.txt", "same");
    // Older than the server's copy: unchanged.
    const fs::file_time_type serverTime = fs::last_write_time(server.Path("in/same.txt"));
    fs::last_write_time(local / "site/same.txt", serverTime - std::chrono::hours(1));
    WriteFile(local / "site/new.txt", "new");
    auto browser = OpenBrowser();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "in"));

    prompter.folders = {local / "site"};
    prompter.answers = {false};
    browser->OnSynchronise();
    WaitForComparison(*browser);
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().title, "Synchronise");
    const std::string& preview = prompter.asked.back().text;
    EXPECT_NE(preview.find("\n+ new.txt\n"), std::string::npos) << preview;
    EXPECT_EQ(preview.find("same.txt"), std::string::npos) << preview;
    EXPECT_FALSE(fs::exists(server.Path("in/new.txt")));

    prompter.folders = {local / "site"};
    prompter.answers = {true};
    browser->OnSynchronise();
    WaitForComparison(*browser);
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("in/new.txt")), "new");
    EXPECT_FALSE(fs::exists(server.Path("in/site")));

    // Nothing left to do: said so, and nothing is started.
    prompter.folders = {local / "site"};
    browser->OnSynchronise();
    WaitForComparison(*browser);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(prompter.shown.back().text.find("already holds"), std::string::npos);
}

// Deleting most of a folder is asked about on its own, after the preview.
TEST_F(BrowserTest, DeletingMostOfTheServersFolderIsAskedAboutSeparately) {
    TempDir local;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(server.Path(std::string("in/") + name), name);
    WriteFile(local / "site/a.txt", "a.txt");
    fs::last_write_time(local / "site/a.txt", fs::last_write_time(server.Path("in/a.txt")) - std::chrono::hours(1));
    auto browser = OpenBrowser();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "in"));
    const auto synchronise = [&](std::deque<bool> answers) {
        prompter.asked.clear();
        prompter.folders = {local / "site"};
        prompter.answers = std::move(answers);
        browser->OnSynchronise();
        WaitForComparison(*browser);
        WaitForTransfers();
    };

    // Start, also delete, but not most of the folder.
    synchronise({true, true, false});
    // The folder, the changes, the deletions, and then most of the folder.
    ASSERT_EQ(prompter.asked.size(), 4u);
    EXPECT_NE(prompter.asked[3].text.find("2 of the 3 entries"), std::string::npos) << prompter.asked[3].text;
    EXPECT_TRUE(HasRemote("in/b.txt") && HasRemote("in/c.txt"));

    synchronise({true, true, true});
    EXPECT_FALSE(HasRemote("in/b.txt") || HasRemote("in/c.txt"));
    EXPECT_TRUE(HasRemote("in/a.txt"));
}

// A folder dropped where the server has one of its name may synchronise that
// one instead: only what changed goes, and what the server has beyond it is
// deleted only when the user asks for it in the preview.
TEST_F(BrowserTest, ADroppedFolderTheServerHasSynchronisesItWhenChosen) {
    TempDir local;
    WriteFile(local / "docs/a.txt", "alpha");
    fs::last_write_time(local / "docs/a.txt", fs::last_write_time(server.Path("pub/docs/a.txt")) - std::chrono::hours(1));
    WriteFile(local / "docs/b.txt", "beta");
    WriteFile(server.Path("pub/docs/extra.txt"), "only on the server");
    auto browser = OpenBrowser();
    std::unique_ptr<QMimeData> data(test::FileDrop({local / "docs"}));
    const auto drop = [&](std::deque<bool> answers) {
        prompter.asked.clear();
        prompter.answers = std::move(answers);
        const size_t questions = prompter.answers.size();
        ASSERT_TRUE(DropAt(*browser, data.get(), PointOf(*browser, Child(Root(*browser), "pub"))));
        ASSERT_TRUE(test::WaitFor([&] { return prompter.asked.size() == questions; }));
        WaitForTransfers();
    };

    // Dismissed: nothing happens.
    ASSERT_NO_FATAL_FAILURE(drop({false, false}));
    EXPECT_NE(prompter.asked[0].text.find("'docs' is already in '/pub/'"), std::string::npos)
        << prompter.asked[0].text;
    EXPECT_FALSE(HasRemote("pub/docs/b.txt"));

    // Synchronise, start, but keep what the server has beyond the folder.
    ASSERT_NO_FATAL_FAILURE(drop({true, true, false}));
    const std::string& preview = prompter.asked[1].text;
    EXPECT_NE(preview.find("\n+ b.txt\n"), std::string::npos) << preview;
    EXPECT_NE(preview.find("\n- extra.txt\n"), std::string::npos) << preview;
    EXPECT_EQ(preview.find(" a.txt\n"), std::string::npos) << preview;
    EXPECT_EQ(ReadFile(server.Path("pub/docs/b.txt")), "beta");
    EXPECT_TRUE(HasRemote("pub/docs/extra.txt"));
    EXPECT_FALSE(HasRemote("pub/docs/docs"));

    // Again, now deleting: the one line left is the deletion.
    ASSERT_NO_FATAL_FAILURE(drop({true, true, true}));
    EXPECT_NE(prompter.asked[1].text.find("0 changes"), std::string::npos) << prompter.asked[1].text;
    EXPECT_FALSE(HasRemote("pub/docs/extra.txt"));
    EXPECT_EQ(ReadFile(server.Path("pub/docs/a.txt")), "alpha");
}

CSyncPair ToServer(const std::string& folder, const CFtpNode& target) {
    return {CSyncPair::eToServer, CFtpPath(folder, velmora::PATH_FOLDER), CFtpPath(target.GetDoc(), velmora::PATH_FOLDER)};
}

// The other way: the local folder (picked from where the local pane is)
// becomes a copy of the server folder, with the same preview, and deletes
// what the server lacks only when asked to.
TEST_F(BrowserTest, SynchroniseFromTheServerPreviewsThenCopiesAndDeletesWhenAsked) {
    TempDir local;
    WriteFile(server.Path("in/same.txt"), "same");
    WriteFile(server.Path("in/changed.txt"), "new content");
    WriteFile(server.Path("in/sub/new.txt"), "new");
    WriteFile(local / "site/same.txt", "same");
    const fs::file_time_type serverTime = fs::last_write_time(server.Path("in/same.txt"));
    fs::last_write_time(local / "site/same.txt", serverTime + std::chrono::hours(1));
    WriteFile(local / "site/changed.txt", "old");
    fs::last_write_time(local / "site/changed.txt", serverTime - std::chrono::hours(1));
    WriteFile(local / "site/extra.txt", "only here");
    auto browser = OpenBrowser();
    browser->SetLocalFolder([&local] { return local.path(); });
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "in"));
    const auto synchronise = [&](std::deque<bool> answers) {
        prompter.asked.clear();
        prompter.folders = {local / "site"};
        prompter.answers = std::move(answers);
        browser->OnSynchronise(CSyncPair::eFromServer);
        WaitForComparison(*browser);
        WaitForTransfers();
    };

    // Dismissed: the preview was all.
    synchronise({false});
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].text, local.path());
    const std::string& preview = prompter.asked[1].text;
    EXPECT_NE(preview.find("3 changes make '" + (local / "site")), std::string::npos) << preview;
    EXPECT_NE(preview.find("\n~ changed.txt\n"), std::string::npos) << preview;
    EXPECT_NE(preview.find("\n+ sub/new.txt\n"), std::string::npos) << preview;
    EXPECT_NE(preview.find("\n- extra.txt\n"), std::string::npos) << preview;
    EXPECT_EQ(preview.find("same.txt"), std::string::npos) << preview;
    EXPECT_EQ(ReadFile(local / "site/changed.txt"), "old");
    EXPECT_FALSE(fs::exists(local / "site/sub"));

    // Started, keeping what only the local folder has.
    synchronise({true, false});
    EXPECT_EQ(ReadFile(local / "site/changed.txt"), "new content");
    EXPECT_EQ(ReadFile(local / "site/sub/new.txt"), "new");
    EXPECT_TRUE(fs::exists(local / "site/extra.txt"));
    EXPECT_FALSE(fs::exists(local / "site/in"));

    // Again, now deleting: the one change left is the deletion.
    synchronise({true, true});
    EXPECT_NE(prompter.asked[1].text.find("0 changes"), std::string::npos) << prompter.asked[1].text;
    EXPECT_FALSE(fs::exists(local / "site/extra.txt"));
    EXPECT_EQ(ReadFile(local / "site/same.txt"), "same");
    EXPECT_TRUE(HasRemote("in/changed.txt"));
}

// The files a relay saw uploaded, by name, in order.
std::vector<std::string> Stored(const velmora::test::FaultRelay& relay) {
    std::vector<std::string> names;
    for (const std::string& command : relay.GetCommands("STOR")) names.push_back(fs::path(command.substr(5)).filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The comparison runs off the window thread: Synchronise answers at once with
// its progress shown, and what is confirmed afterwards sends exactly the
// files the comparison found new or changed.
TEST_F(BrowserTest, SynchroniseComparesInTheBackgroundThenSendsExactlyWhatChanged) {
    TempDir local;
    WriteFile(server.Path("in/same.txt"), "same");
    WriteFile(server.Path("in/changed.txt"), "old");
    WriteFile(local / "site/same.txt", "same");
    fs::last_write_time(local / "site/same.txt", fs::last_write_time(server.Path("in/same.txt")) - std::chrono::hours(1));
    WriteFile(local / "site/changed.txt", "new content");
    WriteFile(local / "site/new.txt", "new");
    velmora::test::FaultRelay relay(server.GetHost(), server.GetPort(), {});
    ASSERT_TRUE(relay.Start());
    auto browser = OpenBrowserThrough(relay);
    const CFtpNode* in = browser->NodeOf(Child(Root(*browser), "in"));
    ASSERT_NE(in, nullptr);

    prompter.answers = {true};
    browser->Synchronise(ToServer(local / "site", *in));
    EXPECT_TRUE(browser->GetSyncPreview().IsComparing());
    const QProgressDialog* progress = browser->GetSyncPreview().GetProgress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_TRUE(progress->labelText().startsWith("Comparing '")) << progress->labelText().toStdString();
    EXPECT_TRUE(progress->labelText().endsWith("' with '/in/'...")) << progress->labelText().toStdString();
    EXPECT_TRUE(prompter.asked.empty());

    WaitForComparison(*browser);
    EXPECT_EQ(browser->GetSyncPreview().GetProgress(), nullptr);
    ASSERT_EQ(prompter.asked.size(), 1u);
    const std::string& preview = prompter.asked[0].text;
    EXPECT_NE(preview.find("\n+ new.txt\n"), std::string::npos) << preview;
    EXPECT_NE(preview.find("\n~ changed.txt\n"), std::string::npos) << preview;
    EXPECT_EQ(preview.find("same.txt"), std::string::npos) << preview;
    EXPECT_TRUE(Stored(relay).empty());
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(Stored(relay), (std::vector<std::string>{"changed.txt", "new.txt"}));
    EXPECT_EQ(ReadFile(server.Path("in/changed.txt")), "new content");
}

// A server that stops sending in the middle of the comparison's listing: the
// window goes on drawing, Cancel ends the comparison at once, nothing is
// sent, and the browser goes on working.
TEST_F(BrowserTest, CancelEndsAStalledComparisonAtOnceAndSendsNothing) {
    TempDir local;
    WriteFile(local / "site/a.txt", "a");
    for (int i = 0; i < 40; ++i) WriteFile(server.Path("in/file-" + std::to_string(i) + ".txt"), "x");
    // The listing of /in/ is far longer than this, the browser's of / shorter.
    constexpr uint64_t kStallAfter = 1000;
    auto relay = std::make_unique<velmora::test::FaultRelay>(server.GetHost(), server.GetPort(),
                                                             velmora::test::FaultPlan{.stallDataAfter = kStallAfter});
    ASSERT_TRUE(relay->Start());
    auto browser = OpenBrowserThrough(*relay);
    const CFtpNode* in = browser->NodeOf(Child(Root(*browser), "in"));
    ASSERT_NE(in, nullptr);
    const uint64_t before = relay->GetDataBytes();

    CPauseMeter pauses;
    browser->Synchronise(ToServer(local / "site", *in));
    ASSERT_TRUE(test::WaitFor([&] { return relay->GetDataBytes() >= before + kStallAfter; }));
    const qint64 stalled = pauses.Elapsed();
    ASSERT_TRUE(test::WaitFor([&] { return pauses.Elapsed() > stalled + 300; }));
    EXPECT_TRUE(browser->GetSyncPreview().IsComparing());
    QProgressDialog* progress = browser->GetSyncPreview().GetProgress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    // A comparison on the window thread would stop it until the stall ends.
    EXPECT_LT(pauses.Longest(), 750);

    QPushButton* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(browser->GetSyncPreview().IsComparing());
    EXPECT_EQ(browser->GetSyncPreview().GetProgress(), nullptr);
    test::ProcessEvents();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(prompter.shown.empty());

    // The browser goes on working meanwhile.
    QPersistentModelIndex pub = Child(Root(*browser), "pub");
    browser->GetTree()->expand(pub);
    Settle(*browser);
    EXPECT_EQ(ChildNames(pub), (std::vector<std::string>{"docs", "empty"}));
    EXPECT_TRUE(Stored(*relay).empty());
    EXPECT_FALSE(queue.IsBusy());
    EXPECT_EQ(transfersEnded, 0);
    // The stalled session ends with the relay; so does the comparison's thread.
    relay.reset();
    browser.reset();
    EXPECT_TRUE(prompter.asked.empty());
}

// A comparison belongs to the connection and the window it started in:
// connecting elsewhere, or closing the browser, drops it without a word.
TEST_F(BrowserTest, AComparisonIsDroppedWhenTheBrowserConnectsAgainOrCloses) {
    TempDir local;
    WriteFile(local / "site/a.txt", "a");
    // Slow enough that the comparison is still under way when it is dropped.
    velmora::test::FaultRelay relay(server.GetHost(), server.GetPort(), {.replyDelayMs = 50});
    ASSERT_TRUE(relay.Start());
    auto browser = OpenBrowserThrough(relay);
    const auto compare = [&] {
        const CFtpNode* in = browser->NodeOf(Child(Root(*browser), "in"));
        ASSERT_NE(in, nullptr);
        browser->Synchronise(ToServer(local / "site", *in));
        ASSERT_TRUE(browser->GetSyncPreview().IsComparing());
    };

    ASSERT_NO_FATAL_FAILURE(compare());
    EXPECT_TRUE(ConnectAndWait(*browser, Login()));
    EXPECT_FALSE(browser->GetSyncPreview().IsComparing());
    EXPECT_EQ(browser->GetSyncPreview().GetProgress(), nullptr);
    Settle(*browser);

    ASSERT_NO_FATAL_FAILURE(compare());
    browser.reset();
    test::ProcessEvents();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(fs::exists(server.Path("in/a.txt")));
}

// A server that logs in and lists its top folder (one folder, "slow") once,
// then answers nothing more on that connection.
void ListOnceThenSilent(velmora::test::FakeFtpSession& s) {
    if (!s.Login()) return;
    bool listed = false;
    while (!listed) {
        const std::optional<std::string> command = s.ReadCommand();
        if (!command) return;
        if (command->starts_with("SYST")) {
            s.Reply("215 UNIX Type: L8");
        } else if (command->starts_with("PWD")) {
            s.Reply("257 \"/\"");
        } else if (command->starts_with("EPSV")) {
            s.Reply("229 (|||" + std::to_string(s.ListenForData()) + "|)");
        } else if (command->starts_with("LIST")) {
            s.Reply("150 listing");
            s.AcceptData();
            s.SendData("drwxr-xr-x 2 u g 0 Jan 01 2020 slow\r\n");
            s.CloseData();
            s.Reply("226 done");
            listed = true;
        } else {
            s.Reply("200 ok");
        }
    }
    s.WaitForClientToLeave();
}

TEST_F(BrowserTest, AFolderListedFromASilentServerNeverStopsTheWindowThreadAndEndsAsDisconnected) {
    velmora::test::FakeFtpServer silent(ListOnceThenSilent);
    const velmora::CFtpLoginInfo info = QuickLogin(silent.GetPort());
    CMainDlg main(context);
    main.show();
    CFtpTreeDlg& browser = main.GetBrowser();
    ASSERT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    Settle(browser);
    QPersistentModelIndex slow = Child(Root(browser), "slow");
    ASSERT_TRUE(slow.isValid());

    CPauseMeter pauses;
    browser.GetTree()->setCurrentIndex(slow);
    EXPECT_TRUE(browser.IsBusy());
    // A short job shows no wait window; this one does, and it animates.
    EXPECT_FALSE(main.GetWait().isVisible());
    ASSERT_TRUE(test::WaitFor([&] { return main.GetWait().isVisible(); }));
    const int firstFrame = main.GetWait().GetFrame();
    EXPECT_TRUE(test::WaitFor([&] { return main.GetWait().GetFrame() != firstFrame; }));
    // Commands given meanwhile wait for the job instead of stopping the window.
    browser.OnRefresh();
    main.GetWait().GetCancelButton()->click();
    EXPECT_FALSE(main.GetWait().isVisible());
    EXPECT_LT(pauses.Longest(), 750);

    // The job ends by the time-out; the session is gone, and the browser
    // says so instead of showing an empty folder.
    ASSERT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }, std::chrono::seconds(20)));
    test::ProcessEvents();
    EXPECT_LT(pauses.Longest(), 750);
    EXPECT_TRUE(browser.IsShowingDisconnected());
    EXPECT_FALSE(browser.GetDisconnectedText().isEmpty());
    EXPECT_TRUE(browser.GetReconnectButton()->isVisible());
    EXPECT_FALSE(browser.GetList()->isVisible());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(sink.GetStatusText().starts_with("Disconnected\r\nError: ")) << sink.GetStatusText();
}

TEST_F(BrowserTest, ReconnectComesBackToTheSameFolders) {
    auto browser = OpenBrowser();
    browser->GetTree()->expand(Child(Root(*browser), "pub"));
    Settle(*browser);
    browser->GetTree()->setCurrentIndex(Child(Child(Root(*browser), "pub"), "docs"));
    Settle(*browser);

    // The session is lost under the browser.
    sink.Session().Logoff();
    browser->OnRefresh();
    Settle(*browser);
    ASSERT_TRUE(browser->IsShowingDisconnected());

    bool connected = false;
    QObject::connect(browser.get(), &CFtpTreeDlg::ConnectFinished, [&](bool ok) { connected = ok; });
    browser->GetReconnectButton()->click();
    ASSERT_TRUE(test::WaitFor([&] { return connected; }));
    Settle(*browser);
    EXPECT_FALSE(browser->IsShowingDisconnected());
    EXPECT_TRUE(browser->GetTree()->isExpanded(Child(Root(*browser), "pub")));
    ASSERT_NE(sink.GetCurrent(), nullptr);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/docs/");
    EXPECT_EQ(ListedNames(*browser->GetList()), std::vector<std::string>{"a.txt"});
}

// The names of the list's rows, in the order shown.
std::vector<std::string> RowNames(const CFtpListCtrl& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.GetRowCount(); ++row) {
        names.push_back(test::Cell(list, row, CRemoteFolderModel::COLUMN_NAME).toString().toStdString());
    }
    return names;
}

std::vector<std::string> SelectedNames(const CFtpListCtrl& list) {
    std::vector<std::string> names;
    for (const CFtpPath* path : list.GetSelectedPaths(true)) {
        names.push_back(path->IsDirectory() ? path->GetTailDir() : path->GetFileName(true));
    }
    return names;
}

CFtpPath Listed(const std::string& path, uint64_t size, uint64_t fileTime) {
    CFtpPath listed(path);
    listed.Length(size);
    listed.LastWriteTime(fileTime);
    return listed;
}

// The list over its model, without a server: each row keeps its own path
// and details through sorting, filtering and a new listing, and the
// selection stays on the same entries.
TEST(RemoteFolderModelTest, RowsStayWholeThroughSortingFilteringAndRelisting) {
    constexpr uint64_t kDay = 864000000000ULL;
    constexpr uint64_t k2020 = 132223104000000000ULL;
    CFtpPathList folders;
    folders.Add(new CFtpPath("/pub/zeta/"));
    CFtpPathList files;
    files.Add(new CFtpPath(Listed("/pub/f10.txt", 5000, k2020 + 3 * kDay)));
    files.Add(new CFtpPath(Listed("/pub/f2.txt", 2, k2020 + 1 * kDay)));
    files.Add(new CFtpPath(Listed("/pub/README.txt", 12341985, k2020)));
    files.Add(new CFtpPath(Listed("/pub/data.bin", 3000, k2020 + 2 * kDay)));
    CFtpListCtrl list;
    list.Fill(folders, files);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"zeta", "data.bin", "f2.txt", "f10.txt", "README.txt"}));
    // A folder row is a folder, whatever its listing said.
    EXPECT_TRUE(list.GetPathAt(0).IsDirectory());
    EXPECT_EQ(test::Cell(list, 4, CRemoteFolderModel::COLUMN_SIZE).toString().toStdString(), "11.8 MiB");
    EXPECT_EQ(list.GetModel().GetFileCount(), 4);

    list.ShowDetails({{"f2.txt", {"-rw-r-----", "alice"}}});
    list.SelectByName({"f10.txt", "zeta"});
    list.sortByColumn(CRemoteFolderModel::COLUMN_SIZE, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"zeta", "README.txt", "f10.txt", "data.bin", "f2.txt"}));
    EXPECT_EQ(SelectedNames(list), (std::vector<std::string>{"zeta", "f10.txt"}));
    EXPECT_EQ(test::Cell(list, 4, CRemoteFolderModel::COLUMN_PERMISSIONS).toString().toStdString(), "-rw-r-----");
    EXPECT_EQ(test::Cell(list, 4, CRemoteFolderModel::COLUMN_OWNER).toString().toStdString(), "alice");
    EXPECT_EQ(test::Cell(list, 3, CRemoteFolderModel::COLUMN_OWNER).toString().toStdString(), "");
    list.sortByColumn(CRemoteFolderModel::COLUMN_DATE, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"zeta", "README.txt", "f2.txt", "data.bin", "f10.txt"}));

    // The filter hides rows; what is shown and selected is what is taken.
    CNameFilter filter;
    filter.SetPattern("f*");
    list.SetNameFilter(filter);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"f2.txt", "f10.txt"}));
    EXPECT_EQ(list.GetPathAt(1).Length(), 5000u);
    EXPECT_EQ(SelectedNames(list), std::vector<std::string>{"f10.txt"});
    EXPECT_EQ(list.GetSelectedFolder(), nullptr);
    list.SetNameFilter(CNameFilter());

    // Listed again after an upload: the new file, in the order chosen.
    files.Add(new CFtpPath(Listed("/pub/new.txt", 7, k2020 + 9 * kDay)));
    list.Fill(folders, files);
    EXPECT_EQ(RowNames(list).back(), "new.txt");
    EXPECT_EQ(list.GetModel().rowCount(), 6);
    EXPECT_EQ(list.GetModel().GetFileCount(), 5);
}

void SetModified(const std::string& path, int year, int month, int day) {
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = 12;
    const auto time = std::chrono::system_clock::from_time_t(timegm(&utc));
    fs::last_write_time(path, fs::file_time_type::clock::from_sys(time));
}

TEST_F(BrowserTest, TheListShowsFoldersFirstSortsByEveryColumnAndOpensFolders) {
    WriteFile(server.Path("pub/big.bin"), std::string(3000, 'b'));
    WriteFile(server.Path("pub/Small.txt"), "s");
    SetModified(server.Path("pub/big.bin"), 2021, 3, 4);
    SetModified(server.Path("pub/Small.txt"), 2020, 5, 6);
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto browser = OpenBrowser();
    CFtpListCtrl& list = *browser->GetList();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "pub"));
    Settle(*browser);

    // Names ignore letter case; folders stay first in either direction.
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"docs", "empty", "big.bin", "Small.txt"}));
    list.sortByColumn(CRemoteFolderModel::COLUMN_NAME, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"empty", "docs", "Small.txt", "big.bin"}));
    list.sortByColumn(CRemoteFolderModel::COLUMN_SIZE, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"docs", "empty", "Small.txt", "big.bin"}));
    list.sortByColumn(CRemoteFolderModel::COLUMN_DATE, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(list).back(), "Small.txt");
    // Sizes with their unit, dates in the user's locale (day first in German).
    EXPECT_EQ(test::Cell(list, 2, CRemoteFolderModel::COLUMN_NAME).toString().toStdString(), "big.bin");
    EXPECT_NE(test::Cell(list, 2, CRemoteFolderModel::COLUMN_SIZE).toString().toStdString(), "3000");
    EXPECT_TRUE(test::Cell(list, 2, CRemoteFolderModel::COLUMN_DATE).toString().startsWith("04.03.21"))
        << test::Cell(list, 2, CRemoteFolderModel::COLUMN_DATE).toString().toStdString();
    QLocale::setDefault(before);

    // Enter opens a folder row, Backspace goes back up, a double-click opens too.
    list.sortByColumn(CRemoteFolderModel::COLUMN_NAME, Qt::AscendingOrder);
    list.setFocus();
    list.setCurrentIndex(list.model()->index(0, 0));
    QTest::keyClick(&list, Qt::Key_Return);
    Settle(*browser);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/docs/");
    EXPECT_EQ(RowNames(list), std::vector<std::string>{"a.txt"});
    QTest::keyClick(&list, Qt::Key_Backspace);
    Settle(*browser);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/");
    const QRect empty = list.visualRect(list.model()->index(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, empty.center());
    Settle(*browser);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/empty/");
    EXPECT_EQ(list.GetRowCount(), 0);
    // (A file row opens the file for viewing: see the file commands' tests.)
}

TEST_F(BrowserTest, AnUploadedFileShowsItsSizeAndDateFromTheServer) {
    TempDir local;
    WriteFile(local / "up.txt", "12345");
    SetModified(local / "up.txt", 2019, 1, 2);
    auto browser = OpenBrowser();
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "in"));
    Settle(*browser);
    std::unique_ptr<QMimeData> data(test::FileDrop({local / "up.txt"}));
    ASSERT_TRUE(DropAt(*browser, data.get(), ListPoint(*browser)));
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    Settle(*browser);
    const CFtpListCtrl& list = *browser->GetList();
    ASSERT_EQ(ListedNames(list), std::vector<std::string>{"up.txt"});
    EXPECT_EQ(list.GetPathAt(0).Length(), 5u);
    EXPECT_NE(list.GetPathAt(0).LastWriteTime(), 0u);
    EXPECT_FALSE(test::Cell(list, 0, CRemoteFolderModel::COLUMN_DATE).toString().isEmpty());
}

TEST_F(BrowserTest, ARefreshListsAgainAndKeepsTheOpenFoldersOpen) {
    auto browser = OpenBrowser();
    QPersistentModelIndex pub = Child(Root(*browser), "pub");
    browser->GetTree()->expand(pub);
    Settle(*browser);
    browser->GetTree()->setCurrentIndex(pub);
    Settle(*browser);
    browser->GetTree()->expand(Child(pub, "docs"));
    Settle(*browser);
    WriteFile(server.Path("pub/docs/more/m.txt"), "m");
    WriteFile(server.Path("pub/late.txt"), "late");

    browser->OnRefresh();
    Settle(*browser);
    pub = Child(Root(*browser), "pub");
    EXPECT_TRUE(browser->GetTree()->isExpanded(pub));
    ASSERT_TRUE(Child(pub, "docs").isValid());
    EXPECT_TRUE(browser->GetTree()->isExpanded(Child(pub, "docs")));
    EXPECT_EQ(ChildNames(Child(pub, "docs")), std::vector<std::string>{"more"});
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/");
    EXPECT_EQ(ListedNames(*browser->GetList()), std::vector<std::string>{"late.txt"});
}

// Choosing a site in the Site Manager shows its settings; Connect shows it in
// the browser.
TEST_F(BrowserTest, ConnectingToASiteOfTheSiteManagerShowsItInTheBrowser) {
    fs::create_directories(settings.GetProjectsFolder());
    velmora::CFtpLoginInfoList saved;
    saved.AddTail(new velmora::CFtpLoginInfo(Login("Home")));
    velmora::CFtpLoginInfo away = Login("Away");
    away.SetFtpPath(CFtpPath("/pub/", velmora::PATH_FOLDER));
    saved.AddTail(new velmora::CFtpLoginInfo(away));
    ASSERT_TRUE(saved.SaveXML(settings.GetCurProject()));
    settings.SetSelConnection("Home");
    CMainDlg main(context);
    main.Initialize();
    Settle(main.GetBrowser());
    ASSERT_TRUE(sink.IsOnline()) << sink.GetState().error;
    EXPECT_EQ(sink.GetLoginInfo().GetHostName(), "Home");

    main.OpenSiteManager();
    ASSERT_TRUE(main.GetConnections().SelectConnection("Away"));
    Settle(main.GetBrowser());
    EXPECT_EQ(sink.GetLoginInfo().GetHostName(), "Home");
    main.GetSiteManager().GetConnectButton()->click();
    ASSERT_TRUE(test::WaitFor([&] { return sink.GetLoginInfo().GetHostName() == "Away" && sink.IsOnline(); }));
    Settle(main.GetBrowser());
    EXPECT_EQ(sink.GetLoginInfo().GetHostName(), "Away");
    EXPECT_EQ(sink.GetRoot()->GetDoc(), "/pub/");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BrowserTest, EachConnectionComesBackWithItsOwnFolders) {
    velmora::CFtpLoginInfo first = Login("First");
    velmora::CFtpLoginInfo second = Login("Second");
    first.CreateGUID();
    second.CreateGUID();
    auto browser = OpenBrowser();
    int logins = 0;
    QObject::connect(browser.get(), &CFtpTreeDlg::ConnectFinished, [&] { ++logins; });
    const auto show = [&](const velmora::CFtpLoginInfo& info) {
        browser->ShowConnection(info);
        Settle(*browser);
    };
    show(first);
    browser->GetTree()->expand(Child(Root(*browser), "pub"));
    Settle(*browser);
    browser->GetTree()->setCurrentIndex(Child(Child(Root(*browser), "pub"), "docs"));
    Settle(*browser);

    show(second);
    EXPECT_EQ(sink.GetLoginInfo().GetHostName(), "Second");
    EXPECT_EQ(sink.GetCurrent(), sink.GetRoot());
    EXPECT_FALSE(browser->GetTree()->isExpanded(Child(Root(*browser), "pub")));
    browser->GetTree()->setCurrentIndex(Child(Root(*browser), "in"));
    Settle(*browser);

    show(first);
    EXPECT_TRUE(browser->GetTree()->isExpanded(Child(Root(*browser), "pub")));
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/pub/docs/");
    EXPECT_EQ(ListedNames(*browser->GetList()), std::vector<std::string>{"a.txt"});
    show(second);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/in/");
    EXPECT_FALSE(browser->GetTree()->isExpanded(Child(Root(*browser), "pub")));
    // Choosing the connection shown changes nothing.
    show(second);
    EXPECT_EQ(logins, 4);
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/in/");
}

}  // namespace
}  // namespace parcelo

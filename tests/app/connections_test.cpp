#include <algorithm>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionFrame>
#include <QTableWidget>
#include <QTest>

#include "app/connections/connection_protocol.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/connections/quick_connect_bar.h"
#include "app/connections/site_manager_dlg.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/shell/main_dlg.h"
#include "app_fixture.h"
#include "ear.h"
#include "messaging/msg_commands.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

class ConnectionsTest : public test::AppTest {
protected:
    void Type(const char* field, const std::string& text) {
        auto* edit = props->findChild<QLineEdit*>(field);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(text));
    }

    std::string ProjectFile() { return settings.GetCurProject(); }
    // The connections the file holds now.
    std::vector<std::string> OnDisk() {
        velmora::CFtpLoginInfoList list;
        list.LoadXML(ProjectFile());
        std::vector<std::string> names;
        for (const velmora::CFtpLoginInfo* info : list) names.push_back(info->GetHostName());
        return names;
    }

    CMainDlg main{context};
    CFtpConnectionsDlg& connections = main.GetConnections();
    CFtpConnectionPropDlg* props = connections.GetProperties();
};

TEST_F(ConnectionsTest, EditsAreWrittenThroughAndApplyConnects) {
    main.Initialize();
    EXPECT_EQ(connections.GetList()->topLevelItemCount(), 0);
    velmora::CFtpLoginInfo* info = connections.OnNew();
    main.OpenSiteManager();
    EXPECT_EQ(info->GetHostName(), "Connection 1");
    EXPECT_EQ(settings.GetSelConnection(), "Connection 1");
    EXPECT_EQ(props->GetConnection(), info);

    test::CEar renamed(velmora::MSG_APP_CONNECTION_NAME);
    Type("hostName", "Office");
    EXPECT_EQ(info->GetHostName(), "Office");
    EXPECT_EQ(renamed.Heard().back().StrArgv(), "Office");
    EXPECT_EQ(connections.GetList()->topLevelItem(0)->text(0).toStdString(), "Office");
    EXPECT_EQ(settings.GetSelConnection(), "Office");

    Type("hostAddress", server.GetHost());
    props->findChild<QSpinBox*>("port")->setValue(server.GetPort());
    Type("login", server.GetUser());
    Type("password", server.GetPassword());
    Type("remotePath", "/pub");
    // A new connection requires TLS; the test server offers none.
    auto* encryption = props->findChild<QComboBox*>("encryption");
    EXPECT_EQ(info->GetTlsMode(), velmora::ETlsMode::Require);
    EXPECT_EQ(encryption->currentIndex(), static_cast<int>(velmora::ETlsMode::Require));
    encryption->setCurrentIndex(static_cast<int>(velmora::ETlsMode::Plain));
    emit encryption->activated(encryption->currentIndex());
    EXPECT_EQ(info->GetTlsMode(), velmora::ETlsMode::Plain);
    EXPECT_EQ(info->GetHost(), server.GetHost());
    EXPECT_EQ(info->GetPort(), server.GetPort());
    EXPECT_EQ(info->GetPassword(), server.GetPassword());
    EXPECT_EQ(info->GetRemotePath(), "/pub/");

    // Apply connects once the window thread is free again, and the Site
    // Manager has done its work.
    velmora::test::WriteFile(server.Path("pub/a.txt"), "a");
    props->findChild<QPushButton*>("apply")->click();
    EXPECT_FALSE(main.GetSiteManager().isVisible());
    EXPECT_FALSE(sink.IsOnline());
    ASSERT_TRUE(test::WaitFor([&] { return sink.IsOnline(); }));
    test::ProcessEvents();
    ASSERT_EQ(main.GetBrowser().GetTree()->model()->rowCount(), 1);
    EXPECT_EQ(main.GetBrowser().GetTree()->model()->index(0, 0).data().toString().toStdString(), "/pub");
    EXPECT_EQ(main.windowTitle().toStdString(), "/pub/ - (1)");
}

TEST_F(ConnectionsTest, DeselectingForgetsTheConnectionAndDeleteRemovesIt) {
    main.Initialize();
    connections.OnNew();
    connections.OnNew();
    EXPECT_EQ(settings.GetSelConnection(), "Connection 2");

    test::CEar deselected(velmora::MSG_APP_CONNECTION_22);
    connections.GetList()->clearSelection();
    EXPECT_EQ(settings.GetSelConnection(), "");
    EXPECT_EQ(props->GetConnection(), nullptr);
    const std::vector<velmora::CMsg> heard = deselected.Heard();
    ASSERT_EQ(heard.size(), 1u);
    const auto* sent = dynamic_cast<const velmora::CFtpLoginInfo*>(heard[0].Object());
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->GetHostName(), "Connection 2");

    ASSERT_TRUE(connections.SelectConnection("Connection 1"));
    connections.OnDelete();
    EXPECT_EQ(connections.GetList()->topLevelItemCount(), 1);
    EXPECT_EQ(main.GetConnectionList().GetCount(), 1);
    EXPECT_EQ(main.GetConnectionList().FindByHost("Connection 1"), nullptr);
    EXPECT_EQ(settings.GetSelConnection(), "");
}

TEST_F(ConnectionsTest, AConnectionsFileThatCannotBeReadIsNeverWrittenOver) {
    velmora::CFtpLoginInfoList list;
    list.AddNewConnection(nullptr);
    list.AddNewConnection(nullptr);
    std::filesystem::create_directories(settings.GetProjectsFolder());
    ASSERT_TRUE(list.SaveXML(ProjectFile()));
    const std::string whole = velmora::test::ReadFile(ProjectFile());
    // Cut short by a crash while it was written elsewhere, or emptied.
    for (const std::string& damaged : {whole.substr(0, whole.size() * 2 / 3), std::string()}) {
        velmora::test::WriteFile(ProjectFile(), damaged);
        prompter.shown.clear();
        {
            CMainDlg window(context);
            window.Initialize();
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].title, "Error");
            EXPECT_NE(prompter.shown[0].text.find("could not be read"), std::string::npos) << prompter.shown[0].text;
            window.GetConnections().OnNew();
        }
        EXPECT_EQ(velmora::test::ReadFile(ProjectFile()), damaged);
    }
}

TEST_F(ConnectionsTest, EveryChangeReachesTheFileWithoutWaitingForTheExit) {
    main.Initialize();
    connections.OnNew();
    // On disk at once: a crash now loses nothing.
    EXPECT_EQ(OnDisk(), std::vector<std::string>{"Connection 1"});
    Type("hostName", "Office");
    EXPECT_TRUE(test::WaitFor([&] { return OnDisk() == std::vector<std::string>{"Office"}; }));
    connections.OnNew();
    ASSERT_TRUE(connections.SelectConnection("Office"));
    connections.OnDelete();
    EXPECT_EQ(OnDisk(), std::vector<std::string>{"Connection 2"});
}

TEST_F(ConnectionsTest, TheCaFileAndTheUnsafeSwitchAreSavedWithTheConnection) {
    main.Initialize();
    velmora::CFtpLoginInfo* info = connections.OnNew();
    auto* insecure = props->findChild<QCheckBox*>("insecure");
    auto* warning = props->findChild<QLabel*>("insecureWarning");
    ASSERT_TRUE(insecure && warning);
    EXPECT_FALSE(insecure->isChecked());
    EXPECT_TRUE(warning->isHidden());

    Type("caFile", "/etc/ssl/office-ca.pem");
    insecure->click();
    EXPECT_EQ(info->GetTlsCaFile(), "/etc/ssl/office-ca.pem");
    EXPECT_TRUE(info->IsTlsInsecure());
    EXPECT_FALSE(warning->isHidden());
    EXPECT_NE(warning->text().indexOf("UNSAFE"), -1);
    const auto stored = [&] {
        velmora::CFtpLoginInfoList list;
        list.LoadXML(ProjectFile());
        return list.GetCount() == 1 && list.GetHead()->GetTlsCaFile() == "/etc/ssl/office-ca.pem" &&
               list.GetHead()->IsTlsInsecure();
    };
    EXPECT_TRUE(test::WaitFor(stored));

    // Another connection shows its own settings; back again, these.
    connections.OnNew();
    EXPECT_TRUE(props->findChild<QLineEdit*>("caFile")->text().isEmpty());
    EXPECT_FALSE(insecure->isChecked());
    EXPECT_TRUE(warning->isHidden());
    ASSERT_TRUE(connections.SelectConnection(info->GetHostName()));
    EXPECT_EQ(props->findChild<QLineEdit*>("caFile")->text().toStdString(), "/etc/ssl/office-ca.pem");
    EXPECT_TRUE(insecure->isChecked());
    EXPECT_FALSE(warning->isHidden());
}

TEST_F(ConnectionsTest, EnterInAFieldOfTheSiteManagerConnectsAndClosesIt) {
    main.Initialize();
    main.show();
    main.OpenSiteManager();
    connections.OnNew();
    Type("password", "secret");
    test::CEar applied(velmora::MSG_APP_CONNECTION_23);
    QTest::keyClick(props->findChild<QLineEdit*>("password"), Qt::Key_Return);
    EXPECT_EQ(applied.Heard().size(), 1u);
    EXPECT_EQ(main.GetConnectionList().GetCount(), 1);
    EXPECT_FALSE(main.GetSiteManager().isVisible());
}

// At the Site Manager's first size the hints of the path fields showed cut
// off, and the bookmarks' server folder column ran past the table's edge.
TEST_F(ConnectionsTest, TheSiteManagerShowsItsHintsAndBookmarkColumnsWhole) {
    main.Initialize();
    main.show();
    connections.OnNew();
    main.OpenSiteManager();
    props->findChild<QComboBox*>("protocol")->setCurrentIndex(1);
    test::ProcessEvents();
    for (const char* name : {"caFile", "localPath"}) {
        const auto* edit = props->findChild<QLineEdit*>(name);
        ASSERT_TRUE(edit->isVisible()) << name;
        QStyleOptionFrame option;
        option.initFrom(edit);
        const QRect text = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->placeholderText()), text.width()) << name;
    }
    const auto* bookmarks = props->findChild<QTableWidget*>("bookmarks");
    const QHeaderView* header = bookmarks->horizontalHeader();
    const int last = header->count() - 1;
    EXPECT_LE(header->sectionViewportPosition(last) + header->sectionSize(last), bookmarks->viewport()->width());
    EXPECT_GT(header->sectionSize(last), bookmarks->fontMetrics().horizontalAdvance(QString("Server folder")));
}

// Every label names its field, so that its "&" makes a key and never shows.
TEST_F(ConnectionsTest, EveryLabelWithAKeyHasItsField) {
    test::ExpectLabelsNameTheirFields(*props);
    auto* caFile = props->findChild<QLineEdit*>("caFile");
    const auto labels = props->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* label) { return label->buddy() == caFile; }));
}

TEST_F(ConnectionsTest, SitesAreFiledInFoldersDuplicatedRenamedAndDeleted) {
    main.Initialize();
    prompter.names = {"Work"};
    ASSERT_TRUE(connections.OnNewFolder());
    velmora::CFtpLoginInfo* office = connections.OnNew();
    EXPECT_EQ(office->GetFolder(), "Work");
    QTreeWidgetItem* folder = connections.FolderItem("Work");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(connections.ItemOf(office)->parent(), folder);

    // A sub-folder, and an empty folder, survive a restart.
    prompter.names = {"Clients"};
    ASSERT_TRUE(connections.OnNewFolder());
    EXPECT_NE(connections.FolderItem("Work/Clients"), nullptr);
    ASSERT_TRUE(connections.SelectConnection(office->GetHostName()));
    velmora::CFtpLoginInfo* copy = connections.OnDuplicate();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetHostName(), "Copy of Connection 1");
    EXPECT_EQ(copy->GetFolder(), "Work");
    EXPECT_NE(copy->GetStrGUID(), office->GetStrGUID());

    // Renaming the folder moves its sites with it.
    connections.GetList()->setCurrentItem(connections.FolderItem("Work"));
    prompter.names = {"Office"};
    ASSERT_TRUE(connections.OnRename());
    EXPECT_EQ(office->GetFolder(), "Office");
    EXPECT_EQ(copy->GetFolder(), "Office");
    EXPECT_NE(connections.FolderItem("Office/Clients"), nullptr);
    {
        CMainDlg again(context);
        again.Initialize();
        EXPECT_NE(again.GetConnections().FolderItem("Office/Clients"), nullptr);
        EXPECT_EQ(again.GetConnections().ItemOf(again.GetConnectionList().FindByHost("Connection 1"))->parent(),
                  again.GetConnections().FolderItem("Office"));
    }

    // A folder with sites goes only when the user agrees, with its sites.
    connections.GetList()->setCurrentItem(connections.FolderItem("Office"));
    prompter.answers = {false};
    connections.OnDelete();
    EXPECT_EQ(main.GetConnectionList().GetCount(), 2);
    prompter.answers = {true};
    connections.OnDelete();
    EXPECT_EQ(main.GetConnectionList().GetCount(), 0);
    EXPECT_EQ(connections.FolderItem("Office"), nullptr);
    EXPECT_EQ(OnDisk(), std::vector<std::string>{});
}

TEST_F(ConnectionsTest, ExportedSitesImportBesideTheOnesThere) {
    main.Initialize();
    velmora::CFtpLoginInfo* first = connections.OnNew();
    first->SetHost("ftp.example.org");
    first->SetPassword("s3cret");
    velmora::test::TempDir exchange;
    prompter.files = {exchange / "sites.xml"};
    connections.OnExport();
    // Imported into the same list: the same sites again, each with an identity of its own.
    prompter.files = {exchange / "sites.xml"};
    connections.OnImport();
    ASSERT_EQ(main.GetConnectionList().GetCount(), 2);
    EXPECT_EQ(main.GetConnectionList().GetTail()->GetHost(), "ftp.example.org");
    EXPECT_EQ(main.GetConnectionList().GetTail()->GetPassword(), "s3cret");
    EXPECT_NE(main.GetConnectionList().GetTail()->GetStrGUID(), first->GetStrGUID());
    // Something that is no site list is said to be one, and changes nothing.
    velmora::test::WriteFile(exchange / "other.xml", "<html/>");
    EXPECT_EQ(connections.Import(exchange / "other.xml"), 0);
    EXPECT_EQ(prompter.shown.back().title, "Error");
    EXPECT_EQ(main.GetConnectionList().GetCount(), 2);
}

TEST_F(ConnectionsTest, AnonymousLoginTimeOutAndLocalFolderAreKeptWithTheSite) {
    main.Initialize();
    velmora::CFtpLoginInfo* info = connections.OnNew();
    props->findChild<QCheckBox*>("anonymous")->click();
    EXPECT_TRUE(info->IsAnonymous());
    EXPECT_EQ(info->GetLoginName(), "anonymous");
    EXPECT_FALSE(props->findChild<QLineEdit*>("login")->isEnabled());
    props->findChild<QSpinBox*>("timeout")->setValue(45);
    Type("localPath", "/srv/mirror");
    EXPECT_EQ(info->GetTimeout(), 45);
    EXPECT_EQ(info->GetLocalPath(), "/srv/mirror");
    EXPECT_TRUE(test::WaitFor([&] {
        velmora::CFtpLoginInfoList list;
        list.LoadXML(ProjectFile());
        return list.GetCount() == 1 && list.GetHead()->GetTimeout() == 45 && list.GetHead()->IsAnonymous() &&
               list.GetHead()->GetLocalPath() == "/srv/mirror";
    }));
}

// The protocol choice stands for the login's protocol and TLS mode, shows
// the rows of its protocol, carries the port along while it is a protocol's
// own, and is kept in the file with the SSH settings.
TEST_F(ConnectionsTest, TheProtocolChoiceFollowsThePortAndIsSavedWithTheSshSettings) {
    main.Initialize();
    velmora::CFtpLoginInfo* info = connections.OnNew();
    auto* protocol = props->findChild<QComboBox*>("protocol");
    auto* port = props->findChild<QSpinBox*>("port");
    auto* keyFiles = props->findChild<QLineEdit*>("sshKeyFiles");
    auto* agent = props->findChild<QCheckBox*>("sshAgent");
    auto* encryption = props->findChild<QComboBox*>("encryption");
    ASSERT_TRUE(protocol && port && keyFiles && agent && encryption);
    const auto choose = [&](EProtocolChoice choice) {
        protocol->setCurrentIndex(static_cast<int>(choice));
        emit protocol->activated(protocol->currentIndex());
    };
    EXPECT_EQ(protocol->currentIndex(), static_cast<int>(EProtocolChoice::FtpOverTls));
    EXPECT_TRUE(keyFiles->isHidden());

    choose(EProtocolChoice::Sftp);
    EXPECT_TRUE(info->IsSftp());
    EXPECT_EQ(info->GetPort(), 22);
    EXPECT_EQ(port->value(), 22);
    EXPECT_TRUE(encryption->isHidden());
    EXPECT_FALSE(keyFiles->isHidden());
    EXPECT_TRUE(agent->isChecked());
    Type("sshKeyFiles", "/home/me/.ssh/id_ed25519; /keys/office key");
    agent->click();
    EXPECT_EQ(info->GetSshSettings().identities,
              (std::vector<std::string>{"/home/me/.ssh/id_ed25519", "/keys/office key"}));
    EXPECT_FALSE(info->GetSshSettings().useAgent);
    const auto stored = [&] {
        velmora::CFtpLoginInfoList list;
        list.LoadXML(ProjectFile());
        return list.GetCount() == 1 && list.GetHead()->IsSftp() && list.GetHead()->GetPort() == 22 &&
               list.GetHead()->GetSshSettings().identities.size() == 2 && !list.GetHead()->GetSshSettings().useAgent;
    };
    EXPECT_TRUE(test::WaitFor(stored)) << velmora::test::ReadFile(ProjectFile());

    // Another connection shows its own protocol; back again, this one's.
    connections.OnNew();
    EXPECT_EQ(protocol->currentIndex(), static_cast<int>(EProtocolChoice::FtpOverTls));
    EXPECT_TRUE(keyFiles->isHidden());
    ASSERT_TRUE(connections.SelectConnection(info->GetHostName()));
    EXPECT_EQ(protocol->currentIndex(), static_cast<int>(EProtocolChoice::Sftp));
    EXPECT_EQ(keyFiles->text().toStdString(), "/home/me/.ssh/id_ed25519; /keys/office key");
    EXPECT_FALSE(agent->isChecked());

    // Back to FTP: its port and the TLS mode it had; a port of the user's own stays.
    choose(EProtocolChoice::FtpOverTls);
    EXPECT_FALSE(info->IsSftp());
    EXPECT_EQ(info->GetTlsMode(), velmora::ETlsMode::Require);
    EXPECT_EQ(port->value(), 21);
    encryption->setCurrentIndex(static_cast<int>(velmora::ETlsMode::Implicit));
    emit encryption->activated(encryption->currentIndex());
    EXPECT_EQ(info->GetPort(), 990);
    choose(EProtocolChoice::Sftp);
    EXPECT_EQ(info->GetPort(), 22);
    choose(EProtocolChoice::Ftp);
    EXPECT_EQ(info->GetTlsMode(), velmora::ETlsMode::Plain);
    EXPECT_EQ(info->GetPort(), 21);
    port->setValue(2121);
    choose(EProtocolChoice::Sftp);
    EXPECT_EQ(info->GetPort(), 2121);
    EXPECT_TRUE(test::WaitFor([&] {
        velmora::CFtpLoginInfoList list;
        list.LoadXML(ProjectFile());
        return list.GetCount() == 2 && list.FindByHost(info->GetHostName())->GetPort() == 2121;
    }));
}

// The quick-connect bar's protocols include SFTP, with the same port rule,
// and an SFTP connection shown in it stays one.
TEST_F(ConnectionsTest, TheQuickConnectBarOffersSftpOnItsOwnPort) {
    CQuickConnectBar& bar = main.GetQuickConnect();
    auto* protocol = bar.findChild<QComboBox*>("protocol");
    auto* port = bar.findChild<QSpinBox*>("port");
    const int sftp = protocol->findText("SFTP");
    ASSERT_GE(sftp, 0);
    bar.findChild<QLineEdit*>("host")->setText("files.example.org");
    port->setValue(0);
    protocol->setCurrentIndex(sftp);
    emit protocol->activated(sftp);
    EXPECT_TRUE(bar.GetConnection().IsSftp());
    EXPECT_EQ(bar.GetConnection().GetPort(), 22);

    port->setValue(21);
    protocol->setCurrentIndex(0);
    emit protocol->activated(0);
    protocol->setCurrentIndex(sftp);
    emit protocol->activated(sftp);
    EXPECT_EQ(port->value(), 22);
    protocol->setCurrentIndex(static_cast<int>(velmora::ETlsMode::Implicit));
    emit protocol->activated(protocol->currentIndex());
    EXPECT_EQ(port->value(), 990);
    EXPECT_FALSE(bar.GetConnection().IsSftp());

    velmora::CFtpLoginInfo recent;
    recent.SetProtocol(velmora::ERemoteProtocol::Sftp);
    recent.SetHost("files.example.org");
    recent.SetPort(2222);
    bar.ShowConnection(recent);
    EXPECT_EQ(protocol->currentIndex(), sftp);
    EXPECT_EQ(bar.GetConnection().GetPort(), 2222);
}

}  // namespace
}  // namespace parcelo

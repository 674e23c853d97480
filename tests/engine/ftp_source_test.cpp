#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "ftp/session_options.h"
#include "messaging/log_status.h"
#include "messaging/messaging_test_support.h"
#include "messaging/msg_box.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

CFtpLoginInfo LoginOf(const FtpServer& server, const std::string& password) {
    CFtpLoginInfo login;
    login.SetHost(server.GetHost());
    login.SetPort(server.GetPort());
    login.SetLoginName(server.GetUser());
    login.SetPassword(password);
    return login;
}

CFtpLoginInfo LoginOf(const FtpServer& server) { return LoginOf(server, server.GetPassword()); }

// Counts the session's login attempts as they are logged.
class LoginCounter : public Recorder {
public:
    LoginCounter() { CMsgBox::Box().Subscribe("logins", this); }
    ~LoginCounter() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
        if (record && record->GetKind() == LOG_START && record->GetAction() == "Login") ++attempts;
    }
    int attempts = 0;
};

// Renames every file announced for upload as the desktop program does, or
// answers that it cannot.
class UniqueNames : public CListener {
public:
    UniqueNames() { CMsgBox::Box().Subscribe(kUniqueNameProviderId, this); }
    ~UniqueNames() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        auto* path = dynamic_cast<CFtpPath*>(msg.RefObject());
        if (msg.Cmd() != MSG_UNIQUE_NAME || !path) return;
        if (refuse) {
            msg.Result(TARGET_FAIL);
        } else {
            path->SetFileName(path->GetFileName(false) + "(1)");
        }
    }
    bool refuse = false;
};

class FtpSourceTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(server.Start()) << server.GetError();
    }

    // Uploads the local folder into the server's /in/ and checks that it arrived whole.
    void UploadToIn(const std::string& folder) {
        fs::create_directories(server.Path("in"));
        const CTskItem upload = MakeItem(LocalPoint(ePointFolder, folder), FtpPoint(LoginOf(server), "/in/"));
        CLocalSource local(upload);
        CFtpSource remote(upload);
        ASSERT_TRUE(RunPair(local, remote)) << CStatistic::Job().m_strLastError;
        EXPECT_EQ(ReadTree(server.Path("in/" + fs::path(folder).filename().string())), ReadTree(folder));
    }

    FtpServer server;
};

TEST_F(FtpSourceTest, LocalFolderToServerAndBackGivesIdenticalTrees) {
    TempDir dir;
    WriteFile(dir / "src/data/a.txt", "alpha");
    WriteFile(dir / "src/data/Photo.JPG", "upper");
    WriteFile(dir / "src/data/Photo.jpg", "lower");
    WriteFile(dir / "src/data/empty.bin", "");
    WriteFile(dir / "src/data/sub/big.bin", RandomBytes(700000, 9));
    fs::create_directories(dir / "src/data/emptydir");
    ASSERT_NO_FATAL_FAILURE(UploadToIn(dir / "src/data"));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 5);

    CStatistic::ResetJob();
    const CTskItem download =
        MakeItem(FtpPoint(LoginOf(server), "/in/data/"), LocalPoint(ePointFolder, dir / "back"));
    CFtpSource from(download);
    CLocalSource into(download);
    ASSERT_TRUE(RunPair(from, into)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "back/data"), ReadTree(dir / "src/data"));
    EXPECT_EQ(CStatistic::Job().m_nTotalBytes, 700000 + 15);
    EXPECT_EQ(CStatistic::Job().m_nErrors, 0);
}

// A folder the upload made holds only what the upload put there: the files
// after the one it was made for are not looked up on the server before they
// go. Files going into a folder that was there already are, and the policy
// keeps what it finds.
TEST_F(EngineTest, OnlyFilesGoingIntoAFolderThatWasThereAreLookedUpFirst) {
    TempDir dir;
    FtpServer server({.commandLog = dir / "commands.log"});
    ASSERT_TRUE(server.Start()) << server.GetError();
    WriteFile(server.Path("in/data/old/c.txt"), "older");
    WriteFile(dir / "data/a.txt", "alpha");
    WriteFile(dir / "data/old/c.txt", "gamma");
    for (const std::string name : {"b.txt", "d.txt", "e.txt"}) WriteFile(dir / ("data/new/deeper/" + name), name);
    CStatistic::Job().Settings().m_eOverwrite = EOverwrite::Skip;
    const CTskItem upload = MakeItem(LocalPoint(ePointFolder, dir / "data"), FtpPoint(LoginOf(server), "/in/"));
    CLocalSource local(upload);
    CFtpSource remote(upload);
    const bool ran = RunPair(local, remote);
    CStatistic::Job().Settings().m_eOverwrite = EOverwrite::Design;

    ASSERT_TRUE(ran) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadFile(server.Path("in/data/old/c.txt")), "older");
    EXPECT_EQ(ReadFile(server.Path("in/data/a.txt")), "alpha");
    EXPECT_EQ(ReadFile(server.Path("in/data/new/deeper/e.txt")), "e.txt");
    // a.txt, c.txt and the first file of the new folder, which is made with that file.
    EXPECT_EQ(server.Received("MLST"), 3);
}

// A start folder named as one is asked for alone: the listing of its
// parent, which may be long, is not read.
TEST_F(EngineTest, ADownloadListsOnlyTheFoldersItTakes) {
    TempDir dir;
    FtpServer server({.commandLog = dir / "commands.log"});
    ASSERT_TRUE(server.Start()) << server.GetError();
    WriteFile(server.Path("in/data/a.txt"), "alpha");
    WriteFile(server.Path("in/data/sub/b.txt"), "beta");
    WriteFile(server.Path("in/other.txt"), "not taken");
    const CTskItem download = MakeItem(FtpPoint(LoginOf(server), "/in/data/"), LocalPoint(ePointFolder, dir / "back"));
    CFtpSource from(download);
    CLocalSource into(download);
    ASSERT_TRUE(RunPair(from, into)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadFile(dir / "back/data/sub/b.txt"), "beta");
    EXPECT_FALSE(fs::exists(dir / "back/other.txt"));
    EXPECT_EQ(server.Received("MLSD"), 2) << "data and data/sub";
}

// Where a listing tells no exact times, a download asks for a folder's files
// times together as the folder is listed (a round trip per batch, not one per
// file as it is taken), and the copies get them to the second. A time the
// server would not tell then is asked for again when its file is taken.
TEST_F(EngineTest, ADownloadAsksAFoldersTimesTogetherWhereItsListingHasNone) {
    TempDir dir;
    FtpServer server(
        {.commandLog = dir / "commands.log", .without = "MLST,MLSD", .failCommands = {"550 1 MDTM /in/data/b.txt"}});
    ASSERT_TRUE(server.Start()) << server.GetError();
    const auto longAgo = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) -
                         std::chrono::hours(24 * 400) + std::chrono::seconds(7);
    const std::vector<std::string> files = {"a.txt", "b.txt", "sub/c.txt"};
    for (size_t i = 0; i < files.size(); ++i) {
        WriteFile(server.Path("in/data/" + files[i]), files[i]);
        fs::last_write_time(server.Path("in/data/" + files[i]), longAgo + std::chrono::seconds(i * 13));
    }
    const CTskItem download = MakeItem(FtpPoint(LoginOf(server), "/in/data/"), LocalPoint(ePointFolder, dir / "back"));
    CStatistic::Job().Settings().m_bPreserveTimes = true;
    CFtpSource from(download);
    CLocalSource into(download);
    ASSERT_TRUE(RunPair(from, into)) << CStatistic::Job().m_strLastError;
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(fs::last_write_time(dir / ("back/data/" + files[i])), longAgo + std::chrono::seconds(i * 13))
            << files[i];
    }
    std::vector<std::string> commands;
    std::ifstream log(dir / "commands.log");
    for (std::string line; std::getline(log, line);) commands.push_back(line);
    const auto at = [&](const std::string& command) {
        return std::find_if(commands.begin(), commands.end(),
                            [&](const std::string& line) { return line.find(command) != std::string::npos; }) -
               commands.begin();
    };
    EXPECT_LT(at("MDTM /in/data/sub/c.txt"), at("RETR")) << "asked with the listing";
    EXPECT_EQ(server.Received("MDTM"), 4) << "b.txt again";
}

TEST_F(FtpSourceTest, HiddenAndBlankLedNamesAndLinksComeBackOrAreCounted) {
    TempDir dir;
    WriteFile(dir / "src/data/.htaccess", "deny");
    WriteFile(dir / "src/data/.config/settings", "s");
    WriteFile(dir / "src/data/ leading space.txt", "blank");
    ASSERT_NO_FATAL_FAILURE(UploadToIn(dir / "src/data"));

    // Links on the server: one to a file (transferred as that file), one to a folder (left out, counted).
    fs::create_symlink(server.Path("in/data/.htaccess"), server.Path("in/data/file-link"));
    fs::create_directory_symlink(server.Path("in/data/.config"), server.Path("in/data/folder-link"));
    for (bool machineListing : {true, false}) {
        SCOPED_TRACE(machineListing ? "MLSD" : "LIST");
        CStatistic::ResetJob();
        const std::string back = dir / (machineListing ? "mlsd" : "list");
        const CTskItem download = MakeItem(FtpPoint(LoginOf(server), "/in/data/"), LocalPoint(ePointFolder, back));
        // The job's listing preference.
        CStatistic::Job().Settings().m_bMachineListing = machineListing;
        CFtpSource from(download);
        CLocalSource into(download);
        const bool ran = RunPair(from, into);
        ASSERT_TRUE(ran) << CStatistic::Job().m_strLastError;
        TreeMap expected = ReadTree(dir / "src/data");
        expected["file-link"] = "deny";
        // This server's machine listing shows a link as what it points to;
        // its classic listing shows the link, which is then left out.
        if (machineListing) {
            expected["folder-link"] = "<dir>";
            expected["folder-link/settings"] = "s";
        }
        EXPECT_EQ(ReadTree(back + "/data"), expected);
        EXPECT_EQ(CStatistic::Job().m_nSkipped, machineListing ? 0 : 1);
        EXPECT_EQ(CStatistic::Job().m_nErrors, 0);
    }
}

TEST_F(FtpSourceTest, FilesFromAPathListNeedNoTreeAndGetUniqueNamesOnUpload) {
    WriteFile(server.Path("pub/a.txt"), "remote a");
    WriteFile(server.Path("pub/b.txt"), "remote b");
    TempDir dir;
    CFtpPathList paths;
    paths.Add(new CFtpPath("/pub/a.txt"));
    const CTskItem download = MakeItem(FtpPoint(LoginOf(server), ""), LocalPoint(ePointFolder, dir.path()));
    CFtpSource from(download, paths);
    CLocalSource into(download);
    ASSERT_TRUE(from.Scan());
    EXPECT_EQ(from.GetCount(), 1);
    EXPECT_EQ(from.GetRootNode(), nullptr);
    ASSERT_TRUE(RunPair(from, into));
    EXPECT_EQ(ReadTree(dir.path()), (TreeMap{{"a.txt", "remote a"}}));

    UniqueNames names;
    const CTskItem upload = MakeItem(LocalPoint(ePointFile, dir / "a.txt"), FtpPoint(LoginOf(server), "/pub/"));
    CLocalSource local(upload);
    CFtpSource remote(upload);
    ASSERT_TRUE(RunPair(local, remote));
    EXPECT_EQ(ReadFile(server.Path("pub/a(1).txt")), "remote a");

    // A name the provider cannot make free is an error, and nothing is written.
    names.refuse = true;
    WriteFile(dir / "a.txt", "local a");
    CStatistic::ResetJob();
    CLocalSource again(upload);
    CFtpSource refused(upload);
    RunPair(again, refused);
    EXPECT_EQ(CStatistic::Job().m_nErrors, 1);
    EXPECT_NE(CStatistic::Job().m_strLastError.find("No free name for /pub/a.txt"), std::string::npos)
        << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadFile(server.Path("pub/a.txt")), "remote a");
}

TEST_F(FtpSourceTest, RefusedLoginIsNotRetried) {
    LoginCounter logins;
    CFtpSource source(MakeItem(FtpPoint(LoginOf(server, "wrong"), "/"), LocalPoint(ePointFolder, "/tmp")));
    CStatistic::Job().Settings().m_nRetryDelayMs = 0;

    EXPECT_FALSE(source.Scan());

    EXPECT_EQ(logins.attempts, 1);
    EXPECT_EQ(CStatistic::Job().m_nLastCategory, ERROR_FTP);
    EXPECT_EQ(CStatistic::Job().m_strLastError.rfind("Ftp error:  Ftp: ", 0), 0u) << CStatistic::Job().m_strLastError;
    EXPECT_FALSE(CStatistic::ContinueCheck());
}

TEST_F(FtpSourceTest, UnreachableServerIsTriedFiveTimesAndAFailedTargetIsAnError) {
    LoginCounter logins;
    CFtpLoginInfo nowhere = LoginOf(server);
    server.Stop();
    CFtpSource target(MakeItem(LocalPoint(ePointFolder, "/tmp"), FtpPoint(nowhere, "/")));
    CStatistic::Job().Settings().m_nRetryDelayMs = 1;

    EXPECT_FALSE(target.OpenTarget());

    EXPECT_EQ(logins.attempts, CJobSettings::kAttempts);
    EXPECT_EQ(CStatistic::Job().m_nErrors, 1);
    EXPECT_EQ(CStatistic::Job().m_nLastCategory, ERROR_FTP);
}

TEST_F(FtpSourceTest, MissingRemoteFolderIsNotTheWholeServer) {
    WriteFile(server.Path("other/secret.txt"), "s");
    TempDir dir;
    const CTskItem download = MakeItem(FtpPoint(LoginOf(server), "/missing/"), LocalPoint(ePointFolder, dir.path()));
    CFtpSource from(download);
    EXPECT_FALSE(from.Scan());
    EXPECT_EQ(CStatistic::Job().m_strLastError, "Connect error:  Source does not exists");
}

// Two runs over one server: /tree/ down into dir/down, and dir/up/tree up
// into /in/; false when a pair did not succeed.
bool DownAndUp(const FtpServer& server, const TempDir& dir) {
    fs::create_directories(server.Path("in"));
    const CTskItem download = MakeItem(FtpPoint(LoginOf(server), "/tree/"), LocalPoint(ePointFolder, dir / "down"));
    CFtpSource from(download);
    CLocalSource into(download);
    const bool down = RunPair(from, into);
    const CTskItem upload = MakeItem(LocalPoint(ePointFolder, dir / "up/tree"), FtpPoint(LoginOf(server), "/in/"));
    CLocalSource local(upload);
    CFtpSource remote(upload);
    return RunPair(local, remote) && down;
}

// The same files on the server's /tree/ and in dir/up/tree.
void WriteTrees(const FtpServer& server, const TempDir& dir, std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
        WriteFile(server.Path("tree/" + name), name);
        WriteFile(dir / ("up/tree/" + name), name);
    }
}

// A 4xx says "not now": the folder is listed, entered or made at the next
// attempt, and the job ends as if nothing had happened. The walk lists each
// folder by name (d1's listing is refused), the download enters it (d2's
// CWD is refused); the refused MKD is of a level above the one the first
// file needs.
TEST_F(EngineTest, AFolderRefusedForNowIsListedEnteredOrMadeAtTheNextAttempt) {
    FtpServer server({.failCommands = {"450 1 MLSD /tree/d1", "450 1 CWD /tree/d2", "450 1 MKD /in/tree"}});
    ASSERT_TRUE(server.Start()) << server.GetError();
    TempDir dir;
    WriteTrees(server, dir, {"d1/a.txt", "d1/b.txt", "d2/c.txt", "d2/d.txt"});
    CStatistic::Job().Settings().m_nRetryDelayMs = 1;

    EXPECT_TRUE(DownAndUp(server, dir)) << CStatistic::Job().m_strLastError;

    EXPECT_EQ(ReadTree(dir / "down/tree"), ReadTree(server.Path("tree")));
    EXPECT_EQ(ReadTree(server.Path("in/tree")), ReadTree(dir / "up/tree"));
    EXPECT_EQ(CStatistic::Job().m_nErrors, 0) << CStatistic::Job().m_strFirstError;
}

// A refusal that lasts fails that folder's files and no others: a 5xx at
// once, a 4xx once the job's attempts are spent. (The walk lists each
// folder by name, without entering it.)
TEST_F(EngineTest, AFolderRefusedForGoodOrOverEveryAttemptFailsOnlyItsFiles) {
    TempDir logs;
    FtpServer server({.commandLog = logs / "commands",
                      .failCommands = {"550 * CWD /tree/d1", "450 * CWD /tree/d2", "550 * MKD /in/tree/d1",
                                       "450 * MKD /in/tree/d2"}});
    ASSERT_TRUE(server.Start()) << server.GetError();
    TempDir dir;
    WriteTrees(server, dir, {"d1/a.txt", "d2/b.txt", "d3/c.txt"});
    CJobSettings& settings = CStatistic::Job().Settings();
    settings.m_nRetryDelayMs = 1;
    settings.m_nLoginAttempts = 3;

    DownAndUp(server, dir);

    const TreeMap third{{"d3", "<dir>"}, {"d3/c.txt", "d3/c.txt"}};
    EXPECT_EQ(ReadTree(dir / "down/tree"), third);
    EXPECT_EQ(ReadTree(server.Path("in/tree")), third);
    EXPECT_TRUE(CStatistic::ContinueCheck()) << CStatistic::Job().m_strLastError;
    const auto sent = [&](const std::string& command) {
        std::ifstream log(logs / "commands");
        int count = 0;
        for (std::string line; std::getline(log, line);) count += line.ends_with("<- " + command);
        return count;
    };
    // The download's CWD: once for good, three times for now.
    EXPECT_EQ(sent("CWD /tree/d1/"), 1);
    EXPECT_EQ(sent("CWD /tree/d2/"), 3);
    EXPECT_EQ(sent("MLSD /tree/d1/"), 1);
}

// A server that answers each LIST with `listing(folder)` and each RETR with
// "fine", and takes every STOR; `listed` and `stored`, when given, count them.
FakeFtpServer::Script ServingServer(std::function<std::string(const std::string& folder)> listing,
                                    std::atomic<int>* listed = nullptr, std::atomic<int>* stored = nullptr) {
    return [listing, listed, stored](FakeFtpSession& s) {
        s.Login();
        std::string folder = "/";
        while (auto command = s.ReadCommand()) {
            const std::string verb = command->substr(0, 4);
            if (verb == "CWD ") {
                folder = command->substr(4);
                s.Reply("250 ok");
            } else if (verb == "EPSV") {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (verb == "LIST" || verb == "RETR" || verb == "STOR") {
                std::atomic<int>* count = verb == "LIST" ? listed : verb == "STOR" ? stored : nullptr;
                if (count) ++*count;
                s.Reply("150 Here it comes");
                if (s.AcceptData()) {
                    if (verb == "STOR")
                        s.ReceiveDataToEnd();
                    else
                        s.SendData(verb == "LIST" ? listing(folder) : "fine");
                }
                s.CloseData();
                s.Reply("226 Transfer complete");
            } else if (verb == "PWD") {
                s.Reply("257 \"/\" is the current folder");
            } else if (verb == "QUIT") {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply("200 ok");
            }
        }
    };
}

// A server that lists hostile names in its top folder and serves ok.txt.
FakeFtpServer::Script HostileServer() {
    return ServingServer([](const std::string& folder) {
        return folder == "/" ? "-rw-r--r-- 1 u g 4 Jan 01  2020 ..\r\n"
                               "-rw-r--r-- 1 u g 4 Jan 01  2020 ../../evil.txt\r\n"
                               "drwxr-xr-x 2 u g 4096 Jan 01  2020 ../up\r\n"
                               "-rw-r--r-- 1 u g 4 Jan 01  2020 tab\there.txt\r\n"
                               "-rw-r--r-- 1 u g 4 Jan 01  2020 caf\xe9.txt\r\n"
                               "-rw-r--r-- 1 u g 4 Jan 01  2020 ok.txt\r\n"
                             : "";
    });
}

TEST_F(EngineTest, NamesFromAHostileListingNeverLeaveTheDestination) {
    FakeFtpServer fake(HostileServer());
    TempDir dir;
    CFtpLoginInfo login;
    login.SetHost("127.0.0.1");
    login.SetPort(fake.GetPort());
    login.SetLoginName("u");
    login.SetPassword("p");
    const CTskItem download = MakeItem(FtpPoint(login, "/"), LocalPoint(ePointFolder, dir / "dst"));
    CFtpSource from(download);
    CLocalSource into(download);

    EXPECT_TRUE(RunPair(from, into)) << CStatistic::Job().m_strLastError;

    // A name in another encoding arrives byte for byte.
    EXPECT_EQ(ReadTree(dir.path()), (TreeMap{{"dst", "<dir>"}, {"dst/caf\xe9.txt", "fine"}, {"dst/ok.txt", "fine"}}));
    // Every name left out counts (the folder's own ".." is no entry).
    EXPECT_EQ(CStatistic::Job().m_nSkipped, 3);
}

// A server whose every folder holds two new folders and twenty files with
// long names, without end.
FakeFtpServer::Script EndlessServer(std::atomic<int>& listed, std::atomic<int>& stored) {
    return ServingServer(
        [](const std::string&) {
            std::string lines = "drwxr-xr-x 2 u g 4096 Jan 01  2020 a\r\ndrwxr-xr-x 2 u g 4096 Jan 01  2020 b\r\n";
            for (int i = 0; i < 20; ++i)
                lines += "-rw-r--r-- 1 u g 4 Jan 01  2020 " + std::string(100, 'n') + std::to_string(i) + "\r\n";
            return lines;
        },
        &listed, &stored);
}

// A server that offers more than a job may hold ends the job before memory
// runs out, with nothing copied: not from it, and not onto it by a mirror
// (which would otherwise take everything it could not list for missing).
TEST_F(EngineTest, AServerThatListsFoldersWithoutEndFailsTheJobAtItsBound) {
    for (const bool byPaths : {false, true}) {
        SCOPED_TRACE(byPaths ? "bytes of paths" : "entries");
        std::atomic<int> listed{0};
        std::atomic<int> stored{0};
        FakeFtpServer fake(EndlessServer(listed, stored));
        CFtpLoginInfo login;
        login.SetHost("127.0.0.1");
        login.SetPort(fake.GetPort());
        login.SetLoginName("u");
        login.SetPassword("p");
        TempDir dir;
        WriteFile(dir / "up/new.txt", "new!");
        CStatistic::Job().Settings().m_nMaxTreeEntries = byPaths ? CWalkBudget::kDefaultEntries : 300;
        CStatistic::Job().Settings().m_nMaxTreePathBytes = byPaths ? 20000 : CWalkBudget::kDefaultPathBytes;
        const std::string why = byPaths ? "Ftp error:  Folder tree too large: more than 20000 bytes of paths below /"
                                        : "Ftp error:  Folder tree too large: more than 300 entries below /";

        CTskItems download;
        download.Add(new CTskItem(MakeItem(FtpPoint(login, "/"), LocalPoint(ePointFolder, dir / "down"))));
        EXPECT_FALSE(RunMover(download));
        EXPECT_EQ(CStatistic::Job().m_strLastError, why);
        EXPECT_FALSE(fs::exists(dir / "down")) << "files were copied";
        // Each listing keeps 22 entries (2,500 bytes of paths and more); the
        // walk stops at the listing that passes the bound.
        EXPECT_LE(listed.load(), 14);

        CTansform mirror;
        mirror.SetSync();
        mirror.SetSyncDelete(true);
        CTskItems upload;
        upload.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "up"), FtpPoint(login, "/"), mirror)));
        EXPECT_FALSE(RunMover(upload));
        EXPECT_EQ(CStatistic::Job().m_strLastError, why);
        EXPECT_EQ(stored.load(), 0);
        for (const std::string& command : fake.GetCommands()) EXPECT_FALSE(command.starts_with("DELE")) << command;
    }
}

// A server that takes every upload and accepts every folder.
FakeFtpServer::Script AcceptingServer() {
    return [](FakeFtpSession& s) {
        s.Login();
        while (auto command = s.ReadCommand()) {
            if (command->rfind("EPSV", 0) == 0) {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (command->rfind("STOR", 0) == 0) {
                s.Reply("150 Send it");
                if (s.AcceptData()) s.ReceiveDataToEnd();
                s.CloseData();
                s.Reply("226 Transfer complete");
            } else if (command->rfind("PWD", 0) == 0) {
                s.Reply("257 \"/\" is the current folder");
            } else if (command->rfind("QUIT", 0) == 0) {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply("250 ok");
            }
        }
    };
}

TEST_F(EngineTest, FilesOfOneFolderChangeToItOnce) {
    FakeFtpServer fake(AcceptingServer());
    TempDir dir;
    for (const std::string name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteFile(dir / ("data/" + name), name);
    CFtpLoginInfo login;
    login.SetHost("127.0.0.1");
    login.SetPort(fake.GetPort());
    const CTskItem upload = MakeItem(LocalPoint(ePointFolder, dir / "data"), FtpPoint(login, "/in/"));
    CLocalSource local(upload);
    CFtpSource remote(upload);

    EXPECT_TRUE(RunPair(local, remote)) << CStatistic::Job().m_strLastError;

    const std::vector<std::string> commands = fake.GetCommands();
    const auto count = [&](const std::string& verb) {
        return std::count_if(commands.begin(), commands.end(),
                             [&](const std::string& command) { return command.rfind(verb, 0) == 0; });
    };
    EXPECT_EQ(count("STOR"), 4);
    EXPECT_EQ(count("CWD"), 1);
}

}  // namespace
}  // namespace velmora::test

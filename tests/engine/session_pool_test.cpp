// Jobs whose files go over several sessions to the same server.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/test_database.h"
#include "engine/engine_test_support.h"
#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "engine/move_trans.h"
#include "engine/mover_api.h"
#include "engine/statistic.h"
#include "messaging/log_file.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::JobRecords;
using test::ReadTree;
using test::RunApi;
using test::RunKept;
using test::TempDir;
using test::TreeMap;
using test::WriteFile;

constexpr int kSessions = 4;

// Files of a few hundred bytes to a few KiB in nested folders, and an empty folder.
int MakeTree(const std::string& root, int files) {
    for (int i = 0; i < files; ++i) {
        const std::string folder = "d" + std::to_string(i % 5) + (i % 3 == 0 ? "/deep" : "");
        WriteFile(root + "/" + folder + "/f" + std::to_string(i) + ".bin", test::RandomBytes(200 + 37 * i, i));
    }
    std::filesystem::create_directories(root + "/empty");
    return files;
}

int64_t TreeBytes(const TreeMap& tree) {
    int64_t bytes = 0;
    for (const auto& [name, data] : tree)
        if (data != "<dir>") bytes += static_cast<int64_t>(data.size());
    return bytes;
}

class SessionsTest : public ::testing::Test {
protected:
    explicit SessionsTest(test::FtpServerOptions options = {}) : server(Logged(std::move(options))) {}

    test::FtpServerOptions Logged(test::FtpServerOptions options) const {
        options.commandLog = logs / "commands.log";
        return options;
    }

    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.GetError();
        CStatistic::Job().Settings() = CJobSettings();
        CStatistic::ResetJob();
        CLogStatus::SetDepth(0);
        login.SetHost(server.GetHost());
        login.SetPort(server.GetPort());
        login.SetLoginName(server.GetUser());
        login.SetPassword(server.GetPassword());
        CStatistic::Job().Settings().m_nSessions = kSessions;
    }

    void TearDown() override {
        CStatistic::Job().Settings() = CJobSettings();
        CStatistic::ResetJob();
    }

    const CJobState& Job() const { return CStatistic::Job(); }

    // Every session the job opened is closed at the server (bounded wait).
    bool AllSessionsClosed() const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (server.OpenSessions() != 0) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    // A job with a database, as a scheduled job runs.
    bool RunRecorded(CSource& source, CSource& target) {
        CMover mover(&database, CStatistic::Job().Settings());
        const bool ran = mover.RunTransfer("Ftp transfer to:", server.GetHost(), source, target);
        test::KeepResult(mover.GetResult());
        return ran;
    }

    // The sources of the database's OK entries, each with its count.
    std::map<std::string, int> RecordedFiles() const {
        std::map<std::string, int> files;
        for (const auto& entry : database.entries)
            if (entry.status == DBLOG_OK) ++files[entry.from];
        return files;
    }

    TempDir logs;
    TempDir dir;
    test::FtpServer server;
    CFtpLoginInfo login;
    test::RecordingDatabase database;
};

TEST_F(SessionsTest, ATreeGoesUpOverFourSessionsWithEveryFileReportedOnce) {
    const int files = MakeTree(dir / "tree", 240);
    const std::string logFile = logs / "job.log";
    ASSERT_TRUE(CLogFile().Open(logFile));
    JobRecords records;
    const CTskItem item = test::MakeItem(test::LocalPoint(ePointFolder, dir / "tree"), test::FtpPoint(login, "/"));
    CLocalSource source(item);
    CFtpSource target(item);
    EXPECT_TRUE(RunRecorded(source, target)) << Job().m_strLastError;
    CLogFile().Close();

    const TreeMap sent = ReadTree(dir / "tree");
    EXPECT_EQ(ReadTree(server.Path("tree")), sent);
    EXPECT_EQ(Job().m_nErrors, 0) << Job().m_strLastError;
    EXPECT_EQ(Job().m_nProcessed, files);
    EXPECT_EQ(Job().m_nProcessedBytes, TreeBytes(sent));
    EXPECT_EQ(server.Received("USER"), kSessions);
    EXPECT_TRUE(AllSessionsClosed());

    // Each file once in the records, in the database and in the log file,
    // whose lines stay whole.
    EXPECT_EQ(records.files.size(), static_cast<size_t>(files));
    const std::map<std::string, int> recorded = RecordedFiles();
    EXPECT_EQ(recorded.size(), static_cast<size_t>(files));
    for (const auto& [path, count] : records.files) {
        EXPECT_EQ(count, 1) << path;
        EXPECT_EQ(recorded.count(path), 1u) << path;
    }
    for (const auto& [path, count] : recorded) EXPECT_EQ(count, 1) << path;
    std::ifstream log(logFile);
    int okLines = 0;
    for (std::string line; std::getline(log, line);) {
        // "<weekday> <month> <day> <time> <year> <service> <kind> <action> <text> "
        ASSERT_TRUE(line.ends_with(" \r")) << line;
        ASSERT_TRUE(line.size() > 25 && std::isalpha(static_cast<unsigned char>(line[0])) && line[3] == ' ' &&
                    line[7] == ' ' && line.find('\r') == line.size() - 1)
            << line;
        // The log may hold earlier jobs' lines too.
        okLines += line.find(" OK ") != std::string::npos && line.find(" + ") != std::string::npos &&
                   line.find(dir / "tree") != std::string::npos;
    }
    EXPECT_EQ(okLines, files);
}

TEST_F(SessionsTest, ATreeComesDownOverFourSessionsWhole) {
    const int files = MakeTree(server.Path("tree"), 200);
    const CTskItem item = test::MakeItem(test::FtpPoint(login, "/tree/"), test::LocalPoint(ePointFolder, dir / "down/"));
    CFtpSource source(item);
    CLocalSource target(item);
    EXPECT_TRUE(RunRecorded(source, target)) << Job().m_strLastError;

    const TreeMap served = ReadTree(server.Path("tree"));
    EXPECT_EQ(ReadTree(dir / "down/tree"), served);
    EXPECT_EQ(Job().m_nErrors, 0) << Job().m_strLastError;
    EXPECT_EQ(Job().m_nProcessed, files);
    EXPECT_EQ(Job().m_nProcessedBytes, TreeBytes(served));
    EXPECT_EQ(RecordedFiles().size(), static_cast<size_t>(files));
    EXPECT_EQ(server.Received("USER"), kSessions);
    EXPECT_TRUE(AllSessionsClosed());
}

TEST_F(SessionsTest, ByDefaultAJobKeepsToOneSession) {
    CStatistic::Job().Settings().m_nSessions = 1;
    MakeTree(dir / "tree", 30);
    CMoverAPI api;
    ASSERT_TRUE(api.UploadFolderA(login, CFtpPath(dir / "tree", PATH_FOLDER), CFtpPath("/", PATH_FOLDER)));
    EXPECT_TRUE(RunApi(api)) << api.GetStrError();
    EXPECT_EQ(ReadTree(server.Path("tree")), ReadTree(dir / "tree"));
    EXPECT_EQ(server.Received("USER"), 1);
}

TEST_F(SessionsTest, ACancelStopsEverySessionAndLeavesNoneOpen) {
    const int files = MakeTree(dir / "tree", 240);
    JobRecords records(40);
    CMoverAPI api;
    ASSERT_TRUE(api.UploadFolderA(login, CFtpPath(dir / "tree", PATH_FOLDER), CFtpPath("/", PATH_FOLDER)));
    RunApi(api);

    EXPECT_TRUE(Job().m_bAborted);
    EXPECT_EQ(records.arrivedAtCancel, 40);
    // Each session ends with at most the file it had in hand.
    EXPECT_LE(Job().m_nProcessed, 40 + kSessions - 1);
    EXPECT_LT(Job().m_nProcessed, files);
    EXPECT_TRUE(AllSessionsClosed());
}

TEST_F(SessionsTest, AMirrorDecidesInOrderAndSendsOnlyWhatChangedOverTheSessions) {
    MakeTree(dir / "site", 60);
    CTansform mirror;
    mirror.SetSync();
    CTskItems items;
    items.Add(new CTskItem(test::MakeItem(CTransPoint(ePointFolder, CFtpPath(dir / "site", PATH_FOLDER)),
                                          CTransPoint(ePointFtp, login, CFtpPath("/site/", PATH_FOLDER)), mirror)));
    const auto run = [&] {
        CMover mover(items, CStatistic::Job().Settings());
        return RunKept(mover) && Job().m_nErrors == 0;
    };
    ASSERT_TRUE(run()) << Job().m_strLastError;
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "site"));
    EXPECT_EQ(server.Received("STOR"), 60);

    for (int i : {3, 17, 31, 44, 58}) {
        const std::string folder = "d" + std::to_string(i % 5) + (i % 3 == 0 ? "/deep" : "");
        WriteFile(dir / "site" + "/" + folder + "/f" + std::to_string(i) + ".bin", "changed " + std::to_string(i));
    }
    ASSERT_TRUE(run()) << Job().m_strLastError;
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "site"));
    EXPECT_EQ(server.Received("STOR"), 60 + 5);
    EXPECT_EQ(Job().m_mirror.m_nChanged, 5);
    EXPECT_EQ(Job().m_nProcessed, 5);
    EXPECT_TRUE(AllSessionsClosed());
}

// A mirror over several sessions that stops early (the server refuses many of
// its files) keeps in its record only the files that reached the server: the
// next run sends the rest.
TEST_F(SessionsTest, AMirrorThatStopsEarlyRecordsOnlyWhatItSent) {
    MakeTree(dir / "site", 200);
    test::TestDatabase database;
    CStatistic::Job().Settings().m_pRecordDatabase = database.get();
    CTansform mirror;
    mirror.SetSync();
    CTskItems items;
    items.Add(new CTskItem(test::MakeItem(CTransPoint(ePointFolder, CFtpPath(dir / "site", PATH_FOLDER)),
                                          CTransPoint(ePointFtp, login, CFtpPath("/site/", PATH_FOLDER)), mirror)));
    ASSERT_TRUE(test::RunMover(items)) << Job().m_strLastError;

    // 40 new files, 30 of which meet a folder of their name at the server.
    for (int i = 0; i < 40; ++i) {
        const std::string name = "new/n" + std::to_string(i) + ".bin";
        WriteFile(dir / ("site/" + name), test::RandomBytes(3000, 1000 + i));
        if (i % 4 != 0) std::filesystem::create_directories(server.Path("site/" + name));
    }
    EXPECT_FALSE(test::RunMover(items));
    EXPECT_FALSE(CStatistic::ContinueCheck()) << "the job stops at its error limit";
    // Every new file the record holds is at the server.
    std::stringstream recorded(
        database.Value("SELECT group_concat(URL, ' ') FROM SrcPoint WHERE URL LIKE '%/new/_%' AND URL NOT LIKE '%/'"));
    int rows = 0;
    for (std::string url; recorded >> url; ++rows) {
        const std::string name = url.substr(url.find("/new/") + 1);
        EXPECT_TRUE(std::filesystem::is_regular_file(server.Path("site/" + name))) << name << " was never sent";
    }
    EXPECT_LE(rows, 10);

    for (int i = 0; i < 40; ++i) {
        const std::string inTheWay = server.Path("site/new/n" + std::to_string(i) + ".bin");
        if (std::filesystem::is_directory(inTheWay)) std::filesystem::remove_all(inTheWay);
    }
    ASSERT_TRUE(test::RunMover(items)) << Job().m_strLastError;
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "site"));
}

class LimitedServerTest : public SessionsTest {
protected:
    LimitedServerTest() : SessionsTest({.maxSessionsPerAddress = 2}) {}
};

TEST_F(LimitedServerTest, AServerThatAllowsTwoSessionsGetsTheJobDoneWithTwo) {
    const int files = MakeTree(server.Path("tree"), 120);
    JobRecords records;
    CMoverAPI api;
    ASSERT_TRUE(api.DownloadFolderA(login, CFtpPath("/tree/", PATH_FOLDER), CFtpPath(dir / "down", PATH_FOLDER)));
    EXPECT_TRUE(RunApi(api)) << api.GetStrError();

    EXPECT_EQ(ReadTree(dir / "down/tree"), ReadTree(server.Path("tree")));
    EXPECT_EQ(Job().m_nErrors, 0) << Job().m_strLastError;
    EXPECT_EQ(Job().m_nProcessed, files);
    EXPECT_EQ(server.Received("USER"), 2);
    // Two refusals, one word of them.
    EXPECT_EQ(records.CountStatuses("Sessions:"), 1);
    EXPECT_TRUE(AllSessionsClosed());
}

// The server refuses the first listing of one folder for now, so that the
// listing of the tree pauses before that folder is listed again.
class PausedListingTest : public SessionsTest {
protected:
    PausedListingTest() : SessionsTest({.failCommands = {"450 1 MLSD /tree/d1"}}) {}
};

// The further sessions log in while the first one lists the tree, not once
// the list is there: all of them are in before the listing ends.
TEST_F(PausedListingTest, FurtherSessionsLogInWhileTheTreeIsListed) {
    const int files = MakeTree(server.Path("tree"), 40);
    CStatistic::Job().Settings().m_nRetryDelayMs = 1000;
    const CTskItem item =
        test::MakeItem(test::FtpPoint(login, "/tree/"), test::LocalPoint(ePointFolder, dir / "down/"));
    CFtpSource source(item);
    CLocalSource target(item);
    EXPECT_TRUE(RunRecorded(source, target)) << Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "down/tree"), ReadTree(server.Path("tree")));
    EXPECT_EQ(Job().m_nProcessed, files);
    EXPECT_EQ(server.Received("USER"), kSessions);

    std::ifstream log(logs / "commands.log");
    int logins = 0;
    int loginsAtLastListing = 0;
    for (std::string line; std::getline(log, line);) {
        logins += line.find("<- USER ") != std::string::npos;
        if (line.find("<- MLSD ") != std::string::npos) loginsAtLastListing = logins;
    }
    EXPECT_EQ(loginsAtLastListing, kSessions);
    EXPECT_TRUE(AllSessionsClosed());
}

}  // namespace
}  // namespace velmora

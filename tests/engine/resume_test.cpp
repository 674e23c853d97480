#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "base/format.h"
#include "engine/engine_test_support.h"
#include "engine/file_parts.h"
#include "engine/mover_api.h"
#include "engine/statistic.h"
#include "engine/tsk_data_file.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"
#include "messaging/transfer_status.h"
#include "platform/clock.h"
#include "platform/file_stream.h"
#include "support/fake_ftp_server.h"
#include "support/fault_relay.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// Runs `onCut` when a transfer says it was interrupted (before it is taken
// up), or another log line's action, and counts the lines saying a partial
// was not the source's.
struct InterruptionWatch : CListener {
    explicit InterruptionWatch(std::function<void()> cut, std::string on = "Interrupted:")
        : onCut(std::move(cut)), action(std::move(on)) {
        CMsgBox::Box().Subscribe("interruption watch", this);
    }
    ~InterruptionWatch() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = msg.Cmd() == MSG_LOG_RECORD ? dynamic_cast<const CLogStatus*>(msg.Object()) : nullptr;
        if (!record) return;
        if (record->GetAction() == action) onCut();
        if (record->GetAction() == "Changed:") ++changed;
    }
    std::function<void()> onCut;
    std::string action;
    int changed = 0;
};

CFtpLoginInfo LoginAt(const FtpServer& server, uint16_t port) {
    CFtpLoginInfo login;
    login.SetHost("127.0.0.1");
    login.SetPort(port);
    login.SetLoginName(server.GetUser());
    login.SetPassword(server.GetPassword());
    return login;
}

// Jobs through a FaultRelay in front of a real server.
class ResumeTest : public EngineTest {
protected:
    // `without`: commands the server lacks (see FtpServerOptions).
    explicit ResumeTest(const std::string& without = {}) : server({.without = without}) {}

    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(server.Start()) << server.GetError();
        fs::create_directories(server.Path("in"));
        // Uploads note their partial files in the user's data folder.
        if (const char* data = std::getenv("XDG_DATA_HOME")) oldDataHome = data;
        setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
    }

    void TearDown() override {
        if (oldDataHome) {
            setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
        EngineTest::TearDown();
    }

    FaultRelay& Relay(FaultPlan plan) {
        relay = std::make_unique<FaultRelay>("127.0.0.1", server.GetPort(), plan);
        EXPECT_TRUE(relay->Start());
        return *relay;
    }

    bool Download(const std::vector<std::string>& remotes, bool continuing = false) {
        CFtpPathList paths;
        for (const std::string& remote : remotes) paths.Add(new CFtpPath(remote));
        CMoverAPI api;
        CStatistic::Job().Settings().m_nSegments = segments;
        api.SetContinue(continuing);
        api.DownloadFilesA(LoginAt(server, relay->GetPort()), paths, CFtpPath(local.path(), PATH_FOLDER));
        return RunApi(api);
    }

    bool Upload(const std::vector<std::string>& names, bool continuing = false, bool tempNames = false) {
        CFtpPathList paths;
        for (const std::string& name : names) paths.Add(new CFtpPath(local / name));
        CMoverAPI api;
        api.SetContinue(continuing);
        api.SetTempNames(tempNames);
        api.UploadFilesA(LoginAt(server, relay->GetPort()), paths, CFtpPath("/in/", PATH_FOLDER));
        return RunApi(api);
    }

    static const CJobState& Job() { return CStatistic::Job(); }

    // A download whose data connection is cut again and again before it
    // gets a block further: it gives up and leaves its partial file for a
    // later one. The transfers that follow go through.
    void CutOffForGood(const std::string& remote) {
        Relay({.resetDataAfter = CTskDataFile::kBlockSize - 1000, .resets = CTskDataFile::kResumeAttempts});
        EXPECT_FALSE(Download({remote}));
    }

    // An upload the user cancelled and chose to keep on the server for later.
    void CancelUpload(const std::string& name) {
        Relay({});
        CancelAtFirstPosition canceller;
        EXPECT_FALSE(Upload({name}));
    }

    // The source as a file of the same size with other contents and a later time.
    static void Rewrite(const std::string& path, unsigned seed) {
        const auto time = fs::last_write_time(path);
        WriteFile(path, RandomBytes(fs::file_size(path), seed));
        fs::last_write_time(path, time + std::chrono::minutes(1));
    }

    size_t Restarts() const { return relay->GetCommands("REST").size() + relay->GetCommands("APPE").size(); }

    FtpServer server;
    std::unique_ptr<FaultRelay> relay;
    int segments = 1;  // the parts a download goes in
    TempDir local;
    TempDir dataHome;
    std::optional<std::string> oldDataHome;
};

// A cancel while a download waits on a data connection that stopped
// bringing anything ends the job at once, as cancelled, not after the
// session's time-out. The stall comes within the first block, after which
// the job would look at its cancel itself.
TEST_F(ResumeTest, ACancelEndsADownloadWaitingOnASilentServerAtOnce) {
    WriteFile(server.Path("in/stall.bin"), RandomBytes(1500000, 4));
    Relay({.stallDataAfter = 20000});
    CFtpPathList paths;
    paths.Add(new CFtpPath("/in/stall.bin"));
    CMoverAPI api;
    api.DownloadFilesA(LoginAt(server, relay->GetPort()), paths, CFtpPath(local.path(), PATH_FOLDER));
    auto ran = std::async(std::launch::async, [&] { return api.DoCopy(); });
    ASSERT_TRUE(relay->WaitForStall(std::chrono::seconds(20)));
    api.Cancel();
    // Half the session's time-out (10 s): only the cancel ends the wait before it.
    ASSERT_EQ(ran.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the cancel was not heard";
    EXPECT_FALSE(ran.get());
    EXPECT_TRUE(api.GetResult().m_bAborted);
    EXPECT_EQ(api.GetResult().m_nLastCategory, ERROR_ABORTED) << api.GetResult().m_strLastError;
}

TEST_F(ResumeTest, ADownloadCutOnceOrThreeTimesGoesOnFromWhereItBroke) {
    const std::string data = RandomBytes(1500000, 3);
    WriteFile(server.Path("in/big.bin"), data);
    for (const int cuts : {1, 3}) {
        SCOPED_TRACE(cuts);
        fs::remove(local / "big.bin");
        Relay({.resetDataAfter = 300000, .resets = cuts});
        ASSERT_TRUE(Download({"/in/big.bin"})) << Job().m_strLastError;
        EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
        EXPECT_EQ(relay->GetResets(), cuts);
        EXPECT_EQ(relay->GetCommands("REST").size(), static_cast<size_t>(cuts));
        EXPECT_EQ(relay->GetCommands("RETR").size(), static_cast<size_t>(cuts + 1));
        // REST right before its RETR, after the data connection is set up.
        const std::vector<std::string> commands = relay->GetCommands();
        for (size_t i = 0; i + 1 < commands.size(); ++i) {
            if (commands[i].rfind("REST", 0) == 0) {
                EXPECT_EQ(commands[i + 1], "RETR big.bin");
            }
        }
        EXPECT_EQ(Job().m_nProcessed, 1);
        EXPECT_EQ(Job().m_nErrors, 0);
        EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
        // Only what a reset caught in flight goes over the wire twice.
        EXPECT_LE(relay->GetDataBytes(), data.size() + cuts * 300000u);
        EXPECT_EQ(std::distance(fs::directory_iterator(local.path()), fs::directory_iterator()), 1);
    }
}

TEST_F(ResumeTest, AnUploadCutOnceOrThreeTimesGoesOnFromWhatTheServerHolds) {
    const std::string data = RandomBytes(1500000, 4);
    WriteFile(local / "up.bin", data);
    for (const int cuts : {1, 3}) {
        SCOPED_TRACE(cuts);
        fs::remove(server.Path("in/up.bin"));
        Relay({.resetDataAfter = 300000, .resets = cuts});
        ASSERT_TRUE(Upload({"up.bin"})) << Job().m_strLastError;
        EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == data) << "different contents";
        EXPECT_EQ(relay->GetResets(), cuts);
        EXPECT_EQ(relay->GetCommands("REST").size(), static_cast<size_t>(cuts));
        EXPECT_EQ(Job().m_nProcessed, 1);
        EXPECT_EQ(Job().m_nErrors, 0);
        EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
        EXPECT_LE(relay->GetDataBytes(), data.size() + cuts * 300000u);
    }
}

TEST_F(ResumeTest, WithoutRestADownloadStartsAgainAndAnUploadStillFinishesWhole) {
    const std::string data = RandomBytes(900000, 5);
    WriteFile(server.Path("in/a.bin"), data);
    WriteFile(local / "b.bin", data);
    Relay({.resetDataAfter = 300000, .resets = 2, .refuseRest = true});
    ASSERT_TRUE(Download({"/in/a.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("RETR").size(), 3u);
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
    EXPECT_GE(relay->GetDataBytes(), data.size() + 2 * 290000u);

    ASSERT_TRUE(Upload({"b.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/b.bin")) == data) << "different contents";
    // FEAT named no REST STREAM: no restart was asked for.
    EXPECT_TRUE(relay->GetCommands("REST").empty());
    EXPECT_TRUE(relay->GetCommands("APPE").empty());
}

// Servers that lack a command are not sent it where their FEAT reply tells;
// a server without FEAT is tried and falls back.
struct ServerWithoutRest : ResumeTest {
    ServerWithoutRest() : ResumeTest("REST") {}
};
struct ServerWithoutSize : ResumeTest {
    ServerWithoutSize() : ResumeTest("SIZE") {}
};
struct ServerWithoutSizeOrMlst : ResumeTest {
    ServerWithoutSizeOrMlst() : ResumeTest("SIZE,MLST,MLSD") {}
};
struct ServerWithoutFeat : ResumeTest, ::testing::WithParamInterface<const char*> {
    ServerWithoutFeat() : ResumeTest(GetParam()) {}
};

TEST_F(ServerWithoutRest, CutAndContinuedFilesGoAgainFromTheirStart) {
    const std::string data = RandomBytes(900000, 21);
    WriteFile(server.Path("in/a.bin"), data);
    WriteFile(local / "b.bin", data);
    Relay({.resetDataAfter = 300000, .resets = 2});
    ASSERT_TRUE(Download({"/in/a.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("RETR").size(), 3u);
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));

    Relay({.resetDataAfter = 300000});
    ASSERT_TRUE(Upload({"b.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/b.bin")) == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("STOR").size(), 2u);

    // A shorter file from an earlier run cannot be continued either.
    WriteFile(server.Path("in/b.bin"), data.substr(0, 100000));
    Relay({});
    ASSERT_TRUE(Upload({"b.bin"}, true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/b.bin")) == data) << "different contents";
    EXPECT_TRUE(relay->GetCommands("REST").empty());
    EXPECT_TRUE(relay->GetCommands("APPE").empty());
}

TEST_F(ServerWithoutSize, AnUploadIsCheckedAndContinuedThroughMlst) {
    const std::string data = RandomBytes(900000, 22);
    WriteFile(local / "up.bin", data);
    Relay({});
    ASSERT_TRUE(Upload({"up.bin"})) << Job().m_strLastError;
    EXPECT_EQ(relay->GetCommands("MLST"), std::vector<std::string>{"MLST /in/up.bin"});

    fs::remove(server.Path("in/up.bin"));
    Relay({.resetDataAfter = 300000});
    ASSERT_TRUE(Upload({"up.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == data) << "different contents";
    const std::vector<std::string> rest = relay->GetCommands("REST");
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_GT(std::stoull(rest[0].substr(5)), 0u);
    EXPECT_TRUE(relay->GetCommands("SIZE").empty());
    EXPECT_EQ(Job().m_nErrors, 0);
}

// SIZE is tried once in a session whose server did not list it; its
// refusal is then known, and the cut file goes again whole.
TEST_F(ServerWithoutSizeOrMlst, ACutUploadIsSeenWithoutTheSizeAndGoesAgainWhole) {
    const std::string data = RandomBytes(900000, 23);
    WriteFile(local / "up.bin", data);
    Relay({.resetDataAfter = 300000});
    ASSERT_TRUE(Upload({"up.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("STOR").size(), 2u);
    EXPECT_EQ(relay->GetCommands("SIZE").size(), 1u);
    for (const char* verb : {"MLST", "REST"}) EXPECT_TRUE(relay->GetCommands(verb).empty()) << verb;
    EXPECT_EQ(Job().m_nErrors, 0);
}

// A server that named no features is asked for a restart: one that takes
// it goes on, one that refuses it sends the file again from its start.
TEST_P(ServerWithoutFeat, ARestartIsTriedAndTakenOrRefused) {
    const bool restarts = std::string(GetParam()).find("REST") == std::string::npos;
    const std::string data = RandomBytes(900000, 24);
    WriteFile(server.Path("in/a.bin"), data);
    Relay({.resetDataAfter = 300000});
    ASSERT_TRUE(Download({"/in/a.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == data) << "different contents";
    // A refused REST went before any RETR of its own.
    EXPECT_EQ(relay->GetCommands("REST").size(), 1u);
    EXPECT_EQ(relay->GetCommands("RETR").size(), 2u);
    EXPECT_EQ(relay->GetDataBytes() >= data.size() + 290000u, !restarts) << relay->GetDataBytes();
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerWithoutFeat, ::testing::Values("FEAT", "FEAT,REST"));

TEST_F(ResumeTest, AJobGoesOnAfterTheServerDropsItsConnectionBetweenFiles) {
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) WriteFile(local / name, std::string("file ") + name);
    Relay({.dropControlAfterTransfers = 1});
    ASSERT_TRUE(Upload({"1.txt", "2.txt", "3.txt"})) << Job().m_strLastError;
    EXPECT_EQ(relay->GetSessions(), 2);
    EXPECT_EQ(Job().m_nProcessed, 3);
    EXPECT_EQ(Job().m_nErrors, 0);
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        EXPECT_EQ(ReadFile(server.Path(std::string("in/") + name)), std::string("file ") + name);
}

TEST_F(ResumeTest, AFileTheServerRefusesIsThatFilesErrorAndTheOthersArrive) {
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) WriteFile(local / name, name);
    fs::create_directories(server.Path("in/2.txt"));  // STOR 2.txt gets 550
    Relay({});
    EXPECT_TRUE(Upload({"1.txt", "2.txt", "3.txt"}));
    EXPECT_EQ(Job().m_nErrors, 1);
    EXPECT_EQ(Job().m_nProcessed, 2);
    EXPECT_NE(Job().m_strLastError.find("2.txt"), std::string::npos) << Job().m_strLastError;
    EXPECT_EQ(ReadFile(server.Path("in/3.txt")), "3.txt");
}

TEST_F(ResumeTest, ARefusedLoginOnReconnectIsNotRetriedAndEndsTheJob) {
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) WriteFile(server.Path(std::string("in/") + name), name);
    Relay({.dropControlAfterTransfers = 1, .sessionsAllowed = 1});
    EXPECT_FALSE(Download({"/in/1.txt", "/in/2.txt", "/in/3.txt"}));
    EXPECT_EQ(relay->GetSessions(), 2);
    EXPECT_EQ(relay->GetCommands("PASS").size(), 2u);
    EXPECT_EQ(Job().m_nProcessed, 1);
    EXPECT_EQ(Job().m_nErrors, 1);
    EXPECT_NE(Job().m_strLastError.find("530"), std::string::npos) << Job().m_strLastError;
    EXPECT_FALSE(fs::exists(local / "3.txt"));
}

TEST_F(ResumeTest, ContinuingADownloadTakesUpItsPartialFileOrAShorterTarget) {
    const std::string data = RandomBytes(1000000, 6);
    WriteFile(server.Path("in/a.bin"), data);
    WriteFile(server.Path("in/b.bin"), data);
    WriteFile(local / ".a.bin.part", data.substr(0, 400000));
    WriteFile(local / "b.bin", data.substr(0, 300000));
    Relay({});
    ASSERT_TRUE(Download({"/in/a.bin", "/in/b.bin"}, true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == data) << "different contents";
    EXPECT_TRUE(ReadFile(local / "b.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("REST"), (std::vector<std::string>{"REST 400000", "REST 300000"}));
    EXPECT_LT(relay->GetDataBytes(), 2 * data.size() - 690000);
    EXPECT_EQ(std::distance(fs::directory_iterator(local.path()), fs::directory_iterator()), 2);

    // Without --continue the target is written again from its first byte.
    WriteFile(local / ".a.bin.part", "stale");
    ASSERT_TRUE(Download({"/in/a.bin"})) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("REST").size(), 2u);
}

TEST_F(ResumeTest, ContinuingAnUploadAppendsToWhatTheServerHolds) {
    const std::string data = RandomBytes(1000000, 7);
    WriteFile(local / "up.bin", data);
    WriteFile(server.Path("in/up.bin"), data.substr(0, 500000));
    Relay({});
    ASSERT_TRUE(Upload({"up.bin"}, true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("REST"), std::vector<std::string>{"REST 500000"});
    EXPECT_LT(relay->GetDataBytes(), data.size() - 490000);
}

TEST_F(ResumeTest, AnUploadUnderATemporaryNameTakesItsNameOnlyWhenComplete) {
    const std::string data = RandomBytes(1000000, 8);
    WriteFile(local / "up.bin", data);
    WriteFile(server.Path("in/up.bin"), "the old version");
    Relay({.resetDataAfter = 300000});
    ASSERT_TRUE(Upload({"up.bin"}, false, true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == data) << "different contents";
    EXPECT_EQ(relay->GetCommands("STOR .up.bin.part").size(), 2u);
    EXPECT_EQ(relay->GetCommands("RNTO"), std::vector<std::string>{"RNTO /in/up.bin"});
    EXPECT_FALSE(fs::exists(server.Path("in/.up.bin.part")));
}

TEST_F(ResumeTest, ACancelledUploadLeavesNoTemporaryFile) {
    WriteFile(local / "up.bin", RandomBytes(3000000, 9));
    Relay({});
    CancelAtFirstPosition canceller;
    EXPECT_FALSE(Upload({"up.bin"}, false, true));
    EXPECT_EQ(Job().m_nLastCategory, ERROR_ABORTED);
    EXPECT_FALSE(fs::exists(server.Path("in/.up.bin.part")));
    EXPECT_FALSE(fs::exists(server.Path("in/up.bin")));
}

// A partial file is continued only from the file it was taken from: one
// replaced since (larger, or as large and later) goes again from its first
// byte, and the result is the new file, never a mix of the two.
TEST_F(ResumeTest, APartialDownloadIsContinuedOnlyFromTheRemoteFileItCameFrom) {
    const std::string first = RandomBytes(900000, 31);
    const std::string larger = RandomBytes(1200000, 32);
    const std::string remote = server.Path("in/a.bin");
    for (const char* change : {"unchanged", "larger", "same size, later"}) {
        SCOPED_TRACE(change);
        fs::remove(local / "a.bin");
        WriteFile(remote, first);
        CutOffForGood("/in/a.bin");
        const uint64_t held = fs::file_size(local / ".a.bin.part");
        ASSERT_GT(held, 0u);
        if (change == std::string("larger")) WriteFile(remote, larger);
        if (change == std::string("same size, later")) Rewrite(remote, 33);
        const size_t restartsBefore = Restarts();
        ASSERT_TRUE(Download({"/in/a.bin"}, true)) << Job().m_strLastError;
        EXPECT_TRUE(ReadFile(local / "a.bin") == ReadFile(remote)) << "different contents";
        if (change == std::string("unchanged")) {
            EXPECT_EQ(relay->GetCommands("REST").back(), "REST " + std::to_string(held));
        } else {
            EXPECT_EQ(Restarts(), restartsBefore);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(local.path()), fs::directory_iterator()), 1);
    }
}

TEST_F(ResumeTest, APartialUploadIsContinuedOnlyFromTheLocalFileItCameFrom) {
    const std::string source = local / "up.bin";
    for (const char* change : {"unchanged", "larger", "same size, later"}) {
        SCOPED_TRACE(change);
        WriteFile(source, RandomBytes(900000, 34));
        fs::remove(server.Path("in/up.bin"));
        CancelUpload("up.bin");
        const uint64_t held = fs::file_size(server.Path("in/up.bin"));
        ASSERT_GT(held, 0u);
        if (change == std::string("larger")) WriteFile(source, RandomBytes(1200000, 35));
        if (change == std::string("same size, later")) Rewrite(source, 36);
        const size_t restartsBefore = Restarts();
        ASSERT_TRUE(Upload({"up.bin"}, true)) << Job().m_strLastError;
        EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == ReadFile(source)) << "different contents";
        if (change == std::string("unchanged")) {
            EXPECT_EQ(relay->GetCommands("REST").back(), "REST " + std::to_string(held));
        } else {
            EXPECT_EQ(Restarts(), restartsBefore);
        }
    }
}

// A file that changes while its cut transfer reconnects is not taken up
// where it broke either: it goes again whole, as it is now.
TEST_F(ResumeTest, AFileChangedWhileItsCutTransferReconnectsGoesAgainWhole) {
    const std::string remote = server.Path("in/a.bin");
    const std::string source = local / "up.bin";
    WriteFile(remote, RandomBytes(900000, 41));
    WriteFile(source, RandomBytes(900000, 42));
    for (const bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        Relay({.resetDataAfter = 300000});
        InterruptionWatch watch([&] { upload ? Rewrite(source, 43) : WriteFile(remote, RandomBytes(1000000, 44)); });
        ASSERT_TRUE(upload ? Upload({"up.bin"}) : Download({"/in/a.bin"})) << Job().m_strLastError;
        if (upload) {
            EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == ReadFile(source)) << "different contents";
        } else {
            EXPECT_TRUE(ReadFile(local / "a.bin") == ReadFile(remote)) << "different contents";
        }
        EXPECT_EQ(Restarts(), 0u);
        EXPECT_EQ(watch.changed, 1);
        EXPECT_EQ(Job().m_nErrors, 0);
    }
}

// A file that goes again whole counts its length once in the job, whatever
// was continued or taken up before: a continued download whose source
// changes while it reconnects, and an upload taken up where it broke whose
// source changes after that.
TEST_F(ResumeTest, AFileThatGoesAgainWholeCountsItsLengthOnce) {
    const std::string remote = server.Path("in/a.bin");
    const std::string data = RandomBytes(900000, 45);
    WriteFile(remote, data);
    WriteFile(local / ".a.bin.part", data.substr(0, 300000));
    Relay({.resetDataAfter = 200000});
    {
        InterruptionWatch watch([&] { WriteFile(remote, RandomBytes(1000000, 46)); });
        ASSERT_TRUE(Download({"/in/a.bin"}, true)) << Job().m_strLastError;
        EXPECT_EQ(watch.changed, 1);
    }
    EXPECT_TRUE(ReadFile(local / "a.bin") == ReadFile(remote)) << "different contents";
    EXPECT_EQ(Job().m_nProcessedBytes, 1000000);

    const std::string source = local / "up.bin";
    WriteFile(source, RandomBytes(900000, 47));
    Relay({.resetDataAfter = 300000});
    {
        InterruptionWatch watch([&] { Rewrite(source, 48); }, "Continued:");
        ASSERT_TRUE(Upload({"up.bin"})) << Job().m_strLastError;
        EXPECT_EQ(watch.changed, 1);
    }
    EXPECT_GT(Restarts(), 0u);
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == ReadFile(source)) << "different contents";
    EXPECT_EQ(Job().m_nProcessedBytes, 900000);
}

// The desktop's "Resume" of a shorter file at the server goes through the
// same check as --continue.
TEST_F(ResumeTest, AResumeChosenForOneFileChecksItsSourceToo) {
    const std::string source = local / "up.bin";
    WriteFile(source, RandomBytes(900000, 37));
    CancelUpload("up.bin");
    Rewrite(source, 38);
    struct Names : CListener {
        void OnMsg(CMsg& msg) override {
            if (msg.Cmd() == MSG_UNIQUE_NAME) msg.Result(TARGET_ASK);
        }
    } names;
    CMsgBox::Box().Subscribe(kUniqueNameProviderId, &names);
    CStatistic::Job().Settings().m_providers.targetQuestion = [](const CFtpPath&, CFtpPath&, bool) {
        return TARGET_RESUME;
    };
    const bool uploaded = Upload({"up.bin"});
    CMsgBox::Box().Unsubscribe(&names);
    ASSERT_TRUE(uploaded) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(server.Path("in/up.bin")) == ReadFile(source)) << "different contents";
    EXPECT_TRUE(relay->GetCommands("REST").empty());
    EXPECT_TRUE(relay->GetCommands("APPE").empty());
}

// A server that cannot tell a file's time keeps the partial file's bytes,
// as before: nothing tells a changed file from the same one.
struct ServerWithoutTimes : ResumeTest {
    ServerWithoutTimes() : ResumeTest("MDTM,MLST,MLSD") {}
};

// A server without MLST tells the time with MDTM, and the size from SIZE.
struct ServerWithoutMlst : ResumeTest {
    ServerWithoutMlst() : ResumeTest("MLST,MLSD") {}
};

TEST_F(ServerWithoutMlst, APartialOfAnotherFileGoesAgainFromItsStart) {
    WriteFile(server.Path("in/a.bin"), RandomBytes(900000, 45));
    CutOffForGood("/in/a.bin");
    Rewrite(server.Path("in/a.bin"), 46);
    const size_t restartsBefore = Restarts();
    ASSERT_TRUE(Download({"/in/a.bin"}, true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "a.bin") == ReadFile(server.Path("in/a.bin"))) << "different contents";
    EXPECT_EQ(Restarts(), restartsBefore);
    EXPECT_FALSE(relay->GetCommands("MDTM").empty());
}

TEST_F(ServerWithoutTimes, APartialIsContinuedAsBefore) {
    const std::string data = RandomBytes(900000, 39);
    WriteFile(server.Path("in/a.bin"), data);
    CutOffForGood("/in/a.bin");
    const uint64_t held = fs::file_size(local / ".a.bin.part");
    std::string note;
    EXPECT_FALSE(platform::ReadPartialNote(local / "a.bin", note));
    WriteFile(server.Path("in/a.bin"), data + "more");
    ASSERT_TRUE(Download({"/in/a.bin"}, true)) << Job().m_strLastError;
    EXPECT_EQ(relay->GetCommands("REST").back(), "REST " + std::to_string(held));
    EXPECT_TRUE(ReadFile(local / "a.bin") == data + "more") << "different contents";
}

// A server that says a file has 300,000 bytes, sends half of them and
// confirms the transfer, every time it is asked.
void ShortSender(FakeFtpSession& session) {
    session.Reply("220 short server");
    while (const auto command = session.ReadCommand()) {
        const std::string verb = command->substr(0, command->find(' '));
        if (verb == "USER") {
            session.Reply("331 password please");
        } else if (verb == "PWD") {
            session.Reply("257 \"/\"");
        } else if (verb == "SIZE") {
            session.Reply("213 300000");
        } else if (verb == "EPSV") {
            session.Reply(Format("229 Entering Extended Passive Mode (|||%u|)", session.ListenForData()));
        } else if (verb == "RETR") {
            session.Reply("150 here it comes");
            session.AcceptData();
            session.SendData(std::string(150000, 'x'));
            session.CloseData();
            session.Reply("226 done");
        } else if (verb == "REST") {
            session.Reply("502 no restarts here");
        } else if (verb == "QUIT") {
            session.Reply("221 bye");
            return;
        } else {
            session.Reply("200 ok");
        }
    }
}

// A file of a few mebibytes downloaded in four parts, each over a session
// of its own.
class PartsTest : public ResumeTest {
protected:
    void SetUp() override {
        ResumeTest::SetUp();
        data = RandomBytes(4 * kMinFilePart + 3, 40);
        WriteFile(server.Path("in/big.bin"), data);
        segments = 4;
    }

    bool DownloadBig(bool continuing = false) { return Download({"/in/big.bin"}, continuing); }

    // The parts kept with the partial file.
    std::vector<CFilePart> HeldParts() const {
        std::string note;
        if (!platform::ReadPartialNote(local / "big.bin", note)) return {};
        return ParsePartialNote(note).parts;
    }

    // "REST N" for every part that is not complete and does not start at 0.
    static std::vector<std::string> Restarts(const std::vector<CFilePart>& parts) {
        std::vector<std::string> restarts;
        for (const CFilePart& part : parts)
            if (!part.IsComplete() && part.done > 0) restarts.push_back("REST " + std::to_string(part.done));
        return restarts;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> lines) {
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    size_t FilesHere() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(local.path()), fs::directory_iterator()));
    }

    std::string data;
};

TEST_F(PartsTest, AFileInPartsArrivesWholeOverASessionPerPartAndCountsItsLengthOnce) {
    Relay({});
    ASSERT_TRUE(DownloadBig()) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetSessions(), 4);
    EXPECT_EQ(relay->GetCommands("RETR").size(), 4u);
    EXPECT_EQ(Sorted(relay->GetCommands("REST")), Sorted(Restarts(SplitIntoParts(data.size(), 4))));
    EXPECT_EQ(Job().m_nProcessed, 1);
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
    EXPECT_EQ(FilesHere(), 1u) << "no partial file or note is left";

    // A small file, or one part asked, goes in one stream.
    WriteFile(server.Path("in/small.bin"), RandomBytes(kMinFilePart + 1, 41));
    Relay({});
    ASSERT_TRUE(Download({"/in/small.bin"})) << Job().m_strLastError;
    EXPECT_EQ(relay->GetSessions(), 1);
    segments = 1;
    Relay({});
    ASSERT_TRUE(DownloadBig()) << Job().m_strLastError;
    EXPECT_EQ(relay->GetSessions(), 1);
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
}

TEST_F(PartsTest, ACutPartGoesOnFromWhereItBroke) {
    int cuts = 0;
    InterruptionWatch watch([&] { ++cuts; });
    Relay({.resetDataAfter = 300000, .resets = 2});
    ASSERT_TRUE(DownloadBig()) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
    EXPECT_EQ(relay->GetResets(), 2);
    EXPECT_EQ(cuts, 2);
    EXPECT_EQ(relay->GetCommands("RETR").size(), 6u);
    EXPECT_EQ(Job().m_nErrors, 0);
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
    EXPECT_EQ(FilesHere(), 1u);
}

// One part's data stops coming: its session is cut once it is too slow for
// the job and the part goes on from where it stopped; the others are not
// held back meanwhile.
TEST_F(PartsTest, ASilentPartIsCutAndTakenUp) {
    int cuts = 0;
    InterruptionWatch watch([&] { ++cuts; });
    CStatistic::Job().Settings().m_lowSpeed = {1000, 1};
    Relay({.stallDataAfter = 300000, .stalls = 1});
    ASSERT_TRUE(DownloadBig()) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
    EXPECT_EQ(cuts, 1);
    EXPECT_EQ(relay->GetCommands("RETR").size(), 5u);
    EXPECT_EQ(Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
}

TEST_F(PartsTest, AServerThatRefusesFurtherSessionsGetsTheFileOverTheOneItAllows) {
    int refusals = 0;
    InterruptionWatch watch([&] { ++refusals; }, "Sessions:");
    Relay({.sessionsAllowed = 1});
    ASSERT_TRUE(DownloadBig()) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
    EXPECT_EQ(refusals, 1) << "said once";
    EXPECT_EQ(relay->GetCommands("RETR").size(), 4u) << "the parts one after the other";
    EXPECT_EQ(Job().m_nErrors, 0);
}

// Every part cut again and again before it gets a block further: the copy
// gives up and leaves the partial file with what each part holds. The next
// run takes every part up where it stopped, or, in one stream, goes on from
// the bytes written without a gap.
TEST_F(PartsTest, PartsACutLeftAreContinuedByTheNextRunEachFromWhereItStopped) {
    for (const int next : {4, 1}) {
        SCOPED_TRACE(next);
        segments = 4;
        Relay({.resetDataAfter = CTskDataFile::kBlockSize - 1000, .resets = -1});
        EXPECT_FALSE(DownloadBig());
        const std::vector<CFilePart> held = HeldParts();
        ASSERT_EQ(held.size(), 4u);
        EXPECT_TRUE(CoverFile(held, data.size()));
        EXPECT_GT(held[0].done, 0u) << "the first part got somewhere before the copy gave up";
        EXPECT_FALSE(fs::exists(local / "big.bin"));

        int continued = 0;
        InterruptionWatch watch([&] { ++continued; }, "Continued:");
        segments = next;
        relay->StopResets();
        const size_t restartsBefore = relay->GetCommands("REST").size();
        ASSERT_TRUE(DownloadBig(true)) << Job().m_strLastError;
        EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
        EXPECT_EQ(continued, 1);
        const std::vector<std::string> restarts =
            next == 1 ? std::vector<std::string>{"REST " + std::to_string(WrittenPrefix(held))} : Restarts(held);
        const std::vector<std::string> all = relay->GetCommands("REST");
        EXPECT_EQ(Sorted({all.begin() + static_cast<std::ptrdiff_t>(restartsBefore), all.end()}), Sorted(restarts));
        EXPECT_EQ(FilesHere(), 1u);
        fs::remove(local / "big.bin");
    }
}

// A partial continued in one stream loses what its parts held beyond the
// point it goes on from: the note must not promise those bytes to a later
// run in parts.
TEST_F(PartsTest, APartialContinuedInOneStreamKeepsNoPartsItNoLongerHolds) {
    Relay({.resetDataAfter = CTskDataFile::kBlockSize - 1000, .resets = -1});
    EXPECT_FALSE(DownloadBig());
    const std::vector<CFilePart> held = HeldParts();
    ASSERT_EQ(held.size(), 4u);
    segments = 1;
    EXPECT_FALSE(DownloadBig(true));
    EXPECT_TRUE(HeldParts().empty());
    EXPECT_LT(fs::file_size(local / ".big.bin.part"), held.back().done) << "cut back to where the stream went on";
    segments = 4;
    relay->StopResets();
    ASSERT_TRUE(DownloadBig(true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
}

// A partial file as a run killed at some moment leaves it: the first and
// the last part complete, the second begun, the third not. Only what is
// missing comes, each part from where it stands.
TEST_F(PartsTest, AKilledRunsPartsAreFilledInAndNothingElse) {
    const std::string remote = server.Path("in/big.bin");
    const auto second = std::chrono::time_point_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(fs::last_write_time(remote)));
    fs::last_write_time(remote, std::chrono::file_clock::from_sys(second));
    const uint16_t port = Relay({}).GetPort();
    const CSourceStamp stamp{CSourceStamp::PlaceOf(Format("ftp://127.0.0.1:%u/in/big.bin", port)), data.size(),
                             platform::UnixToFileTime(second.time_since_epoch().count())};
    std::vector<CFilePart> parts = SplitIntoParts(data.size(), 4);
    parts[0].done = parts[0].end;
    parts[1].done = parts[1].start + 1000;
    parts[3].done = parts[3].end;
    {
        platform::CReplacingFileWriter partial;
        ASSERT_TRUE(partial.OpenPartial(local / "big.bin", false));
        for (const CFilePart& part : parts)
            ASSERT_TRUE(partial.WriteAt(part.start, data.data() + part.start, part.done - part.start));
        ASSERT_TRUE(partial.SetPartialNote(PartsNote(stamp, parts)));
        partial.Abandon();
    }
    ASSERT_TRUE(DownloadBig(true)) << Job().m_strLastError;
    EXPECT_TRUE(ReadFile(local / "big.bin") == data) << "different contents";
    EXPECT_EQ(Sorted(relay->GetCommands("REST")), Sorted(Restarts(parts)));
    EXPECT_EQ(relay->GetCommands("RETR").size(), 2u);
    EXPECT_EQ(Job().m_nProcessedBytes,
              static_cast<int64_t>(parts[1].end - parts[1].done + parts[2].end - parts[2].start));
    EXPECT_EQ(FilesHere(), 1u);
}

TEST_F(PartsTest, ACancelledDownloadInPartsLeavesNothing) {
    // Slow enough that the first position comes before the last byte.
    CStatistic::Job().Settings().m_nRateLimit = 2 << 20;
    Relay({});
    CancelAtFirstPosition canceller;
    EXPECT_FALSE(DownloadBig());
    EXPECT_TRUE(Job().m_bAborted);
    EXPECT_EQ(FilesHere(), 0u);
}

using ShortDownloadTest = EngineTest;

TEST_F(ShortDownloadTest, IsAnErrorOfThatFileAndLeavesNothingUnderItsName) {
    FakeFtpServer fake(ShortSender);
    TempDir local;
    CFtpLoginInfo login;
    login.SetHost("127.0.0.1");
    login.SetPort(fake.GetPort());
    login.SetLoginName("u");
    login.SetPassword("p");
    CFtpPathList paths;
    paths.Add(new CFtpPath("/short.bin"));
    CMoverAPI api;
    api.DownloadFilesA(login, paths, CFtpPath(local.path(), PATH_FOLDER));
    EXPECT_FALSE(RunApi(api));
    EXPECT_EQ(api.GetErrorNumber(), 1);
    EXPECT_NE(api.GetStrError().find("Transfer incomplete"), std::string::npos) << api.GetStrError();
    // What came is kept for a later --continue, under one name only.
    EXPECT_FALSE(fs::exists(local / "short.bin"));
    EXPECT_EQ(fs::file_size(local / ".short.bin.part"), 150000u);
    EXPECT_FALSE(RunApi(api));
    EXPECT_EQ(std::distance(fs::directory_iterator(local.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace velmora::test

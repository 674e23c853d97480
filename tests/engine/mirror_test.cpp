#include "engine/mirror.h"

#include "db/test_database.h"
#include "engine/mirror_record.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "engine/move_trans.h"
#include "engine/mover_api.h"
#include "engine/overwrite_policy.h"
#include "engine/statistic.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "platform/clock.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// The Sync records of a job: "<action> <path>", in order.
class SyncLines : public CListener {
public:
    SyncLines() { CMsgBox::Box().Subscribe("sync lines", this); }
    ~SyncLines() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
        if (msg.Cmd() != MSG_LOG_RECORD || !record || record->GetKind() != LOG_SYNC) return;
        lines.push_back(record->GetAction() + " " + record->GetText());
        if (onLine) onLine(lines.back());
    }
    std::vector<std::string> Changes() const {
        std::vector<std::string> changes;
        for (const std::string& line : lines) {
            if (line[0] != '=') changes.push_back(line);
        }
        return changes;
    }
    // The same, in the order of their texts.
    std::vector<std::string> SortedChanges() const {
        std::vector<std::string> changes = Changes();
        std::sort(changes.begin(), changes.end());
        return changes;
    }
    std::vector<std::string> lines;
    std::function<void(const std::string&)> onLine;
};

CTansform MirrorTransform(bool deleteExtra = false, bool dryRun = false) {
    CTansform transform;
    transform.SetSync();
    transform.SetSyncDelete(deleteExtra);
    transform.SetDryRun(dryRun);
    return transform;
}

bool RunJob(const CTskItem& item) {
    CTskItems items;
    items.Add(new CTskItem(item));
    return RunMover(items);
}

CTransPoint Folder(const std::string& path) { return CTransPoint(ePointFolder, CFtpPath(path, PATH_FOLDER)); }

// A tree with a bit of everything: a folder, an empty folder, a file at
// the top and below, an empty file.
void WriteSourceTree(const TempDir& dir) {
    WriteFile(dir / "src/a.txt", "alpha");
    WriteFile(dir / "src/sub/b.txt", "beta");
    WriteFile(dir / "src/sub/deeper/c.bin", RandomBytes(70000, 3));
    WriteFile(dir / "src/empty.txt", "");
    fs::create_directories(dir / "src/emptydir");
}

// A file's modification time to the second, as FTP carries it.
int64_t WholeSeconds(const fs::path& file) {
    return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(file)).time_since_epoch().count();
}

class MirrorTest : public EngineTest {};

TEST_F(MirrorTest, DecidesByTimeOnlyBeyondWhatTheDestinationsListingCanShow) {
    const uint64_t minute = platform::UnixToFileTime(1'700'000'040);  // a whole minute, not midnight
    const uint64_t second = 10'000'000;
    // A listing without seconds: the same minute is not newer.
    EXPECT_FALSE(CMirror::IsNewer(minute + 59 * second, minute));
    EXPECT_TRUE(CMirror::IsNewer(minute + 60 * second, minute));
    // Exact times: a second is enough, less is the same file.
    EXPECT_FALSE(CMirror::IsNewer(minute + 5 * second + 9'999'999, minute + 5 * second));
    EXPECT_TRUE(CMirror::IsNewer(minute + 6 * second, minute + 5 * second));
    // An older source never is.
    EXPECT_FALSE(CMirror::IsNewer(minute, minute + 90 * second));
}

TEST_F(MirrorTest, KeysArePathsBelowTheRootOnly) {
    std::string key;
    ASSERT_TRUE(CMirror::RelativeKey(CFtpPath("/r/x/sub/b.txt"), CFtpPath("/r/x/", PATH_FOLDER), key));
    EXPECT_EQ(key, "sub/b.txt");
    ASSERT_TRUE(CMirror::RelativeKey(CFtpPath("/r/x/sub/", PATH_FOLDER), CFtpPath("/r/x", PATH_FOLDER), key));
    EXPECT_EQ(key, "sub");
    ASSERT_TRUE(CMirror::RelativeKey(CFtpPath("/r/x/", PATH_FOLDER), CFtpPath("/r/x/", PATH_FOLDER), key));
    EXPECT_EQ(key, "");
    EXPECT_FALSE(CMirror::RelativeKey(CFtpPath("/r/xy/b.txt"), CFtpPath("/r/x/", PATH_FOLDER), key));
    EXPECT_FALSE(CMirror::RelativeKey(CFtpPath("/r/b.txt"), CFtpPath("/r/x/", PATH_FOLDER), key));
}

TEST_F(MirrorTest, LocalFoldersSendOnlyWhatChangedAndDeleteOnlyWhatTheSourceLost) {
    TempDir dir;
    WriteSourceTree(dir);
    const CTskItem item = MakeItem(Folder(dir / "src"), Folder(dir / "dst/new"), MirrorTransform(true));
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    // The destination is made, and it holds the contents, not a folder "src".
    EXPECT_EQ(ReadTree(dir / "dst/new"), ReadTree(dir / "src"));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 4);

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 0);
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nEqual, 4);

    WriteFile(dir / "src/sub/b.txt", "beta, longer");
    fs::remove_all(dir / "src/sub/deeper");
    fs::remove(dir / "src/a.txt");
    WriteFile(dir / "dst/new/sub/extra.txt", "only there");
    SyncLines sync;
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(ReadTree(dir / "dst/new"), ReadTree(dir / "src"));
    // The changed file first; a folder after what was in it.
    std::vector<std::string> changes = sync.Changes();
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[0], "~ sub/b.txt");
    const auto at = [&](const std::string& line) { return std::find(changes.begin(), changes.end(), line); };
    EXPECT_LT(at("- sub/deeper/c.bin"), at("- sub/deeper/"));
    for (const char* line : {"- a.txt", "- sub/extra.txt", "- sub/deeper/"}) EXPECT_NE(at(line), changes.end());
}

TEST_F(MirrorTest, ExcludedFilesAreNeitherSentNorDeleted) {
    TempDir dir;
    WriteSourceTree(dir);
    WriteFile(dir / "src/skip.tmp", "scratch");
    WriteFile(dir / "src/cache/big.bin", "cached");
    WriteFile(dir / "dst/keep.tmp", "the destination's own");
    WriteFile(dir / "dst/cache/mine.bin", "the destination's own");
    CTansform transform = MirrorTransform(true);
    transform.GetFilter().SetExcludes("tmp");
    transform.GetFilter().AddExcludeFolder(dir / "src/cache");
    ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), transform)));
    EXPECT_FALSE(fs::exists(dir / "dst/skip.tmp"));
    EXPECT_FALSE(fs::exists(dir / "dst/cache/big.bin"));
    EXPECT_EQ(ReadFile(dir / "dst/keep.tmp"), "the destination's own");
    EXPECT_EQ(ReadFile(dir / "dst/cache/mine.bin"), "the destination's own");
}

TEST_F(MirrorTest, ASourceThatFailsOnTheWayDeletesNothing) {
    TempDir dir;
    WriteFile(dir / "src/a.txt", "a");
    WriteFile(dir / "src/b.txt", "b");
    WriteFile(dir / "dst/stale.txt", "stale");
    SyncLines sync;
    sync.onLine = [&](const std::string& line) {
        if (line == "+ a.txt" || line == "+ b.txt") fs::remove(dir / (line == "+ a.txt" ? "src/b.txt" : "src/a.txt"));
    };
    EXPECT_FALSE(RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), MirrorTransform(true))));
    EXPECT_TRUE(fs::exists(dir / "dst/stale.txt"));
}

// An unmounted disk reads as an empty folder: its mirror must not empty the
// destination, nor take most of it, unless told how far it may go.
TEST_F(MirrorTest, DeletingMostOfTheDestinationOrFromAnEmptySourceWaitsForALimit) {
    TempDir dir;
    for (const char* name : {"a", "b", "c", "d"}) WriteFile(dir / ("dst/" + std::string(name) + ".txt"), name);
    fs::create_directories(dir / "src");
    const auto mirror = [&](int32_t limit, bool dryRun = false) {
        CTansform transform = MirrorTransform(true, dryRun);
        transform.SetMaxDelete(limit);
        return RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), transform));
    };
    SyncLines sync;
    EXPECT_FALSE(mirror(CTansform::kDeleteGuarded));
    EXPECT_TRUE(fs::exists(dir / "dst/a.txt") && fs::exists(dir / "dst/d.txt"));
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nDeleted, 0);
    ASSERT_EQ(sync.Changes().size(), 1u);
    EXPECT_EQ(sync.Changes()[0], "! Nothing deleted: the source is empty, and all 4 entries of the destination would go");

    // Three of four are more than half; a dry run shows them, and the refusal.
    WriteFile(dir / "src/a.txt", "a");
    sync.lines.clear();
    EXPECT_FALSE(mirror(CTansform::kDeleteGuarded, true));
    EXPECT_EQ(sync.SortedChanges(),
              (std::vector<std::string>{"! Nothing deleted: 3 of the 4 entries of the destination would go, more than "
                                        "half",
                                        "- b.txt", "- c.txt", "- d.txt"}));
    EXPECT_FALSE(mirror(2));
    EXPECT_TRUE(fs::exists(dir / "dst/b.txt"));
    ASSERT_TRUE(mirror(3)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "dst"), ReadTree(dir / "src"));

    // Half is allowed; anything goes when told so.
    WriteFile(dir / "dst/e.txt", "e");
    ASSERT_TRUE(mirror(CTansform::kDeleteGuarded));
    fs::remove(dir / "src/a.txt");
    ASSERT_TRUE(mirror(CTansform::kDeleteAny));
    EXPECT_TRUE(fs::is_empty(dir / "dst"));
}

TEST_F(MirrorTest, TheDeleteLimitIsKeptWithTheTransform) {
    for (const int32_t limit : {CTansform::kDeleteGuarded, 0, 25, CTansform::kDeleteAny}) {
        CTansform transform = MirrorTransform(true);
        transform.SetMaxDelete(limit);
        CTansform stored;
        stored.SetXMLFilter(transform.GetXMLFilter());
        EXPECT_EQ(stored.GetMaxDelete(), limit);
        EXPECT_TRUE(stored.IsSyncDelete());
        std::string text;
        transform.WriteXMLAttr(text);
        CTansform read;
        CObj::ForEachXMLAttr(text, [&](const std::string& name, const std::string& value) { read.ReadXMLAttr(name, value); });
        EXPECT_EQ(read.GetMaxDelete(), limit) << text;
    }
}

TEST_F(MirrorTest, AFolderInTheWayOfAFileIsAnErrorUnlessDeletingIsAllowed) {
    TempDir dir;
    WriteFile(dir / "src/x", "a file");
    WriteFile(dir / "dst/x/inside.txt", "a folder");
    EXPECT_FALSE(RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), MirrorTransform(false))));
    EXPECT_EQ(ReadFile(dir / "dst/x/inside.txt"), "a folder");
    ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), MirrorTransform(true))));
    EXPECT_EQ(ReadFile(dir / "dst/x"), "a file");
}

// A change the mirror saw is its user's request: no policy meant for
// copies holds it back, and no question is asked.
TEST_F(MirrorTest, ChangedFilesAreReplacedWhateverTheOverwritePolicy) {
    for (const EOverwrite policy : {EOverwrite::Refuse, EOverwrite::Skip, EOverwrite::Newer}) {
        TempDir dir;
        WriteFile(dir / "src/a.txt", "first");
        WriteFile(dir / "dst/a.txt", "an older, longer first");
        // The destination is the newer one: only its size tells it apart.
        fs::last_write_time(dir / "dst/a.txt", fs::last_write_time(dir / "src/a.txt") + std::chrono::hours(1));
        CStatistic::Job().Settings().m_eOverwrite = policy;
        const bool done = RunJob(MakeItem(Folder(dir / "src"), Folder(dir / "dst"), MirrorTransform()));
        CStatistic::Job().Settings().m_eOverwrite = EOverwrite::Design;
        ASSERT_TRUE(done) << OverwriteName(policy) << ": " << CStatistic::Job().m_strLastError;
        EXPECT_EQ(ReadFile(dir / "dst/a.txt"), "first") << OverwriteName(policy);
        EXPECT_EQ(CStatistic::Job().m_nProcessed, 1) << OverwriteName(policy);
    }
}

// Against a real server that logs every command it receives.
class FtpMirrorTest : public MirrorTest {
protected:
    void SetUp() override {
        MirrorTest::SetUp();
        ASSERT_TRUE(server.Start()) << server.GetError();
        login.SetHost(server.GetHost());
        login.SetPort(server.GetPort());
        login.SetLoginName(server.GetUser());
        login.SetPassword(server.GetPassword());
    }

    // How many `command`s the server received since the last Forget.
    int Listings() const { return Received("LIST") + Received("MLSD"); }
    int Received(const std::string& command) const {
        const auto before = m_forgotten.find(command);
        return server.Received(command) - (before == m_forgotten.end() ? 0 : before->second);
    }
    void Forget() {
        for (const char* command : {"STOR", "RETR", "DELE", "RMD", "MKD", "LIST", "MLSD", "SIZE"}) {
            m_forgotten[command] = server.Received(command);
        }
    }

    CTransPoint Remote(const std::string& path) { return CTransPoint(ePointFtp, login, CFtpPath(path, PATH_FOLDER)); }

    TempDir commands;
    FtpServer server{{.commandLog = commands / "log"}};
    CFtpLoginInfo login;

private:
    std::map<std::string, int> m_forgotten;
};

TEST_F(FtpMirrorTest, UploadsSendEverythingOnceThenOnlyWhatChanged) {
    TempDir dir;
    WriteSourceTree(dir);
    const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform());
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "src"));
    EXPECT_EQ(Received("STOR"), 4);
    Forget();

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("STOR"), 0);
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nEqual, 4);
    Forget();

    WriteFile(dir / "src/sub/b.txt", "beta, but longer");
    WriteFile(dir / "src/sub/new.txt", "new");
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("STOR"), 2);
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "src"));
}

TEST_F(FtpMirrorTest, DeletingRemovesWhatTheSourceLostAndADryRunChangesNothing) {
    TempDir dir;
    WriteSourceTree(dir);
    WriteFile(server.Path("site/old/gone.txt"), "gone");
    WriteFile(server.Path("site/a.txt"), "an older alpha");
    // Enough kept that the two deletions are no more than half of the destination.
    WriteFile(server.Path("site/sub/b.txt"), "beta");
    WriteFile(server.Path("outside.txt"), "next to the destination");
    const auto before = ReadTree(server.GetRoot());
    Forget();

    std::vector<std::string> dryLines;
    {
        SyncLines dry;
        ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform(true, true))));
        dryLines = dry.lines;
    }
    EXPECT_EQ(ReadTree(server.GetRoot()), before);
    for (const char* command : {"STOR", "DELE", "RMD", "MKD"}) EXPECT_EQ(Received(command), 0) << command;
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nDeleted, 2);

    SyncLines real;
    ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform(true))));
    EXPECT_EQ(dryLines, real.lines);
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "src"));
    EXPECT_EQ(ReadFile(server.Path("outside.txt")), "next to the destination");
    EXPECT_EQ(Received("DELE"), 1);
    EXPECT_EQ(Received("RMD"), 1);
}

// The server takes the source's time with each upload, so that a later
// change is seen even when it leaves the size as it was and its time is
// older than the upload.
TEST_F(FtpMirrorTest, UploadsCarryTheSourcesTimeSoASameSizeChangeIsSeen) {
    TempDir dir;
    WriteFile(dir / "src/a.txt", "version 1");
    WriteFile(dir / "src/sub/b.txt", "b");
    const auto daysAgo = [](int days) { return fs::file_time_type::clock::now() - std::chrono::hours(24 * days); };
    for (const char* name : {"src/a.txt", "src/sub/b.txt"}) fs::last_write_time(dir / name, daysAgo(3));
    const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform());
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(WholeSeconds(server.Path("site/a.txt")), WholeSeconds(dir / "src/a.txt"));
    EXPECT_EQ(server.Received("MFMT"), 2);
    Forget();

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("STOR"), 0);
    Forget();

    WriteFile(dir / "src/a.txt", "version 2");
    fs::last_write_time(dir / "src/a.txt", daysAgo(2));
    SyncLines sync;
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(sync.Changes(), std::vector<std::string>{"~ a.txt"});
    EXPECT_EQ(Received("STOR"), 1);
    EXPECT_EQ(ReadFile(server.Path("site/a.txt")), "version 2");
}

// And a download takes the server's time: the next run finds nothing newer.
TEST_F(FtpMirrorTest, DownloadsCarryTheServersTime) {
    TempDir dir;
    WriteFile(server.Path("pub/one.txt"), "one");
    fs::last_write_time(server.Path("pub/one.txt"), fs::file_time_type::clock::now() - std::chrono::hours(50));
    const CTskItem item = MakeItem(Remote("/pub/"), Folder(dir / "copy"), MirrorTransform());
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(WholeSeconds(dir / "copy/one.txt"), WholeSeconds(server.Path("pub/one.txt")));
    Forget();
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("RETR"), 0);
}

TEST_F(FtpMirrorTest, DownloadsSendOnlyWhatChangedOnTheServer) {
    TempDir dir;
    WriteFile(server.Path("pub/one.txt"), "one");
    WriteFile(server.Path("pub/deep/two.txt"), "two");
    const CTskItem item = MakeItem(Remote("/pub/"), Folder(dir / "copy"), MirrorTransform());
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "copy"), ReadTree(server.Path("pub")));
    EXPECT_EQ(Received("RETR"), 2);
    Forget();

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("RETR"), 0);
    Forget();

    WriteFile(server.Path("pub/deep/two.txt"), "two, rewritten");
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("RETR"), 1);
    EXPECT_EQ(ReadTree(dir / "copy"), ReadTree(server.Path("pub")));
}

TEST_F(FtpMirrorTest, NamesWithBlanksQuotesAndUtf8ComeThroughOnce) {
    TempDir dir;
    WriteFile(dir / "src/with blank.txt", "1");
    WriteFile(dir / "src/it's \"quoted\".txt", "2");
    WriteFile(dir / "src/Grüße/日本語 ファイル.txt", "3");
    const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/names/"), MirrorTransform(true));
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(server.Path("names")), ReadTree(dir / "src"));
    Forget();
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("STOR"), 0);
    EXPECT_EQ(Received("DELE"), 0);
}

TEST_F(FtpMirrorTest, AFileThatChangesDuringTheRunIsSentAgainNextTime) {
    TempDir dir;
    WriteFile(dir / "src/first.txt", "first");
    WriteFile(dir / "src/second.txt", "second");
    const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/live/"), MirrorTransform());
    SyncLines sync;
    // After the scan, before its turn: the file grows.
    sync.onLine = [&](const std::string& line) {
        if (line == "+ first.txt") WriteFile(dir / "src/second.txt", "second, and then some more");
    };
    RunJob(item);
    sync.onLine = nullptr;
    Forget();
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadFile(server.Path("live/second.txt")), "second, and then some more");
    EXPECT_EQ(ReadTree(server.Path("live")), ReadTree(dir / "src"));
}

// The desktop program compares on a thread of its own and may stop the
// comparison: the api's cancel ends that run before it lists its tree and
// leaves the next job alone, and an action listener hears only the jobs of
// its own thread.
TEST_F(FtpMirrorTest, AnApisCancelStopsOnlyItsOwnRunAndActionsAreHeardOnTheirThread) {
    TempDir dir;
    WriteSourceTree(dir);
    WriteFile(server.Path("site/old.txt"), "old");
    // Kept, so that deleting old.txt is no more than half of the destination.
    fs::create_directories(server.Path("site/emptydir"));
    const auto record = [&](CMoverAPI& api) {
        api.SetTransform(MirrorTransform(true, true));
        api.UploadFolderA(login, CFtpPath(dir / "src", PATH_FOLDER), CFtpPath("/site/", PATH_FOLDER));
    };
    CMoverAPI cancelled;
    record(cancelled);
    cancelled.Cancel();
    EXPECT_FALSE(RunApi(cancelled) && cancelled.GetErrorNumber() == 0);
    EXPECT_NE(cancelled.GetStrError().find("Aborted by user"), std::string::npos) << cancelled.GetStrError();
    // At most the look-up of the destination in its parent: its tree is not walked.
    EXPECT_LE(Listings(), 1);

    std::vector<std::string> heardHere;
    CMirrorActionListener here([&](const std::string& action, const std::string& path) {
        heardHere.push_back(action + " " + path);
    });
    std::vector<std::string> heardThere;
    bool compared = false;
    std::thread([&] {
        CMirrorActionListener there([&](const std::string& action, const std::string& path) {
            heardThere.push_back(action + " " + path);
        });
        CMoverAPI next;
        record(next);
        compared = RunApi(next) && next.GetErrorNumber() == 0;
    }).join();
    EXPECT_TRUE(compared);
    EXPECT_TRUE(heardHere.empty());
    EXPECT_NE(std::find(heardThere.begin(), heardThere.end(), "+ a.txt"), heardThere.end());
    EXPECT_NE(std::find(heardThere.begin(), heardThere.end(), "- old.txt"), heardThere.end());
    EXPECT_EQ(Received("STOR") + Received("DELE"), 0);
}

// With a record of the earlier runs in the job database.
class RecordedMirrorTest : public FtpMirrorTest {
protected:
    void SetUp() override {
        FtpMirrorTest::SetUp();
        CStatistic::Job().Settings().m_pRecordDatabase = database.get();
    }

    // The source tree mirrored once to "/site/", what the server received then forgotten.
    CTskItem FirstRun(const TempDir& dir) {
        WriteSourceTree(dir);
        const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform());
        EXPECT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
        EXPECT_GT(Listings(), 0);
        Forget();
        return item;
    }
    // The destination holds the source, and a run after this one neither
    // lists nor sends anything.
    void ExpectSettled(const TempDir& dir, const CTskItem& item) {
        EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "src"));
        Forget();
        ASSERT_TRUE(RunJob(item));
        EXPECT_EQ(Received("STOR") + Listings(), 0);
    }

    TestDatabase database;
};

TEST_F(RecordedMirrorTest, ARecordedRunListsNothingAndSendsOnlyWhatChanged) {
    TempDir dir;
    const CTskItem item = FirstRun(dir);

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Listings(), 0);
    EXPECT_EQ(Received("STOR"), 0);
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nEqual, 4);
    Forget();

    WriteFile(dir / "src/sub/b.txt", "beta, but longer");
    WriteFile(dir / "src/sub/new.txt", "new");
    fs::create_directories(dir / "src/newdir");
    SyncLines sync;
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(sync.SortedChanges(), (std::vector<std::string>{"+ newdir/", "+ sub/new.txt", "~ sub/b.txt"}));
    EXPECT_EQ(Listings(), 0);
    EXPECT_EQ(Received("STOR"), 2);
    EXPECT_TRUE(fs::is_directory(server.Path("site/newdir")));
    ExpectSettled(dir, item);
}

TEST_F(RecordedMirrorTest, ADestinationChangedBehindTheRecordIsListedAndMendedAgain) {
    TempDir dir;
    const CTskItem item = FirstRun(dir);
    fs::remove(server.Path("site/a.txt"));
    WriteFile(server.Path("site/sub/b.txt"), "someone else's beta");

    SyncLines sync;
    ASSERT_TRUE(RunJob(item));
    EXPECT_GT(Listings(), 0);
    EXPECT_EQ(sync.SortedChanges(), (std::vector<std::string>{"+ a.txt", "~ sub/b.txt"}));
    ExpectSettled(dir, item);
}

TEST_F(RecordedMirrorTest, AWrongRecordOnlyMakesAFileGoAgain) {
    TempDir dir;
    const CTskItem item = FirstRun(dir);
    database.Value("UPDATE SrcPoint SET Note = '12345' WHERE URL LIKE '%/site/a.txt'");
    database.Value("DELETE FROM SrcPoint WHERE URL LIKE '%/site/sub/b.txt'");

    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Received("STOR"), 2);
    ExpectSettled(dir, item);
}

TEST_F(RecordedMirrorTest, AnOldRecordOrADeletingRunListsTheDestinationAndADryRunLeavesNoRecord) {
    TempDir dir;
    WriteSourceTree(dir);
    const CTskItem item = MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform());
    // A dry run leaves no record behind.
    ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform(false, true))));
    EXPECT_EQ(database.Value("SELECT COUNT(*) FROM SrcPoint"), "0");
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;

    // The last whole listing two days ago: listed again.
    database.Value("UPDATE SrcPoint SET LastWriteTime = '01/01/2020 10:00:00' WHERE URL LIKE '%/site/'");
    Forget();
    ASSERT_TRUE(RunJob(item));
    EXPECT_GT(Listings(), 0);
    Forget();
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(Listings(), 0);

    // Deleting needs to see what is there.
    WriteFile(server.Path("site/stray.txt"), "not from the source");
    Forget();
    ASSERT_TRUE(RunJob(MakeItem(Folder(dir / "src"), Remote("/site/"), MirrorTransform(true))));
    EXPECT_GT(Listings(), 0);
    EXPECT_FALSE(fs::exists(server.Path("site/stray.txt")));
    EXPECT_EQ(ReadTree(server.Path("site")), ReadTree(dir / "src"));
}

// A file that became a folder at the source: the record cannot say what is
// in the way, so the destination is listed, and the mirror goes on as a
// listing run does (without deleting, that is an error for that entry).
TEST_F(RecordedMirrorTest, AFileThatBecameAFolderIsSeenInAListing) {
    TempDir dir;
    const CTskItem item = FirstRun(dir);
    fs::remove(dir / "src/a.txt");
    WriteFile(dir / "src/a.txt/inside.txt", "now a folder");
    WriteFile(dir / "src/sub/b.txt", "beta, but longer");
    EXPECT_FALSE(RunJob(item));
    EXPECT_GT(Listings(), 0);
    EXPECT_EQ(ReadFile(server.Path("site/a.txt")), "alpha");
    EXPECT_EQ(ReadFile(server.Path("site/sub/b.txt")), "beta, but longer");
}

// A local destination keeps a record too; one that was emptied behind it
// is filled again.
TEST_F(RecordedMirrorTest, AWipedLocalDestinationIsFilledAgain) {
    TempDir dir;
    WriteSourceTree(dir);
    const CTskItem item = MakeItem(Folder(dir / "src"), Folder(dir / "dst"), MirrorTransform());
    ASSERT_TRUE(RunJob(item)) << CStatistic::Job().m_strLastError;
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(CStatistic::Job().m_mirror.m_nEqual, 4);
    fs::remove_all(dir / "dst");
    ASSERT_TRUE(RunJob(item));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 4);
    EXPECT_EQ(ReadTree(dir / "dst"), ReadTree(dir / "src"));
}

// Sizes beyond 32 bits and exact times come back as they were stored; the
// rows of files the source lost go with a complete run only.
TEST_F(RecordedMirrorTest, TheRecordKeepsWhatItIsGiven) {
    const CMirrorRecord::Row big{(uint64_t{5} << 32) + 7, platform::UnixToFileTime(1'700'000'000, 1234500), false};
    const CMirrorRecord::Row folder{0, 0, true};
    {
        CMirrorRecord record(database.get(), "ftp://u@h:21/r/");
        EXPECT_FALSE(record.Load());
        record.Confirm("big.bin", big);
        record.Confirm("d", folder);
        record.Confirm("d/small.txt", {3, big.time, false});
        ASSERT_TRUE(record.Store(true, true)) << record.GetLastError();
    }
    CMirrorRecord record(database.get(), "ftp://u@h:21/r/");
    ASSERT_TRUE(record.Load());
    ASSERT_NE(record.Find("big.bin"), nullptr);
    EXPECT_EQ(*record.Find("big.bin"), big);
    ASSERT_NE(record.Find("d"), nullptr);
    EXPECT_EQ(*record.Find("d"), folder);
    // Another destination's record is its own.
    CMirrorRecord other(database.get(), "ftp://u@h:21/r2/");
    EXPECT_FALSE(other.Load());

    record.Confirm("big.bin", big);
    ASSERT_TRUE(record.Store(false, false));
    ASSERT_TRUE(record.Load());
    EXPECT_NE(record.Find("d/small.txt"), nullptr);
    record.Confirm("big.bin", big);
    ASSERT_TRUE(record.Store(false, true));
    ASSERT_TRUE(record.Load());
    EXPECT_EQ(record.Find("d/small.txt"), nullptr);
    EXPECT_NE(record.Find("big.bin"), nullptr);
}

}  // namespace
}  // namespace velmora::test

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/ftp_source.h"
#include "engine/local_zip_source.h"
#include "engine/move_trans.h"
#include "engine/mover_api.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/transfer_status.h"
#include "platform/message_pump.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"
#include "zip/zip_tools.h"

namespace velmora {
namespace {

using test::EngineTest;
using test::LocalPoint;
using test::MakeItem;
using test::ReadFile;
using test::ReadTree;
using test::RunApi;
using test::RunKept;
using test::TempDir;
using test::TreeMap;
using test::WriteFile;

// Keeps every log record broadcast while it lives, from any thread.
class LogRecorder : public CListener {
public:
    LogRecorder() { CMsgBox::Box().Subscribe("LogRecorder", this); }
    ~LogRecorder() override { CMsgBox::Box().Unsubscribe(this); }

    void OnMsg(CMsg& msg) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto* status = dynamic_cast<const CTransferStatus*>(msg.Object())) KeepProgress(*status);
        const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
        if (msg.Cmd() != MSG_LOG_RECORD || !record) return;
        m_records.push_back(*record);
        m_changed.notify_all();
    }

    // "<sub-command> <first argument>" of each progress status of `unit`.
    std::vector<std::string> Progress(int32_t unit) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> texts;
        for (const auto& [u, text] : m_progress)
            if (u == unit) texts.push_back(text);
        return texts;
    }

    std::vector<CLogStatus> Records() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_records;
    }

    // "<KIND> <action> <text or file name>" of each record, in order.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const CLogStatus& r : Records()) {
            const std::string shown = r.GetForm() == LOG_FILE_RECORD ? r.GetPath().GetFileName() : r.GetText();
            lines.push_back(r.GetKindWord() + " " + r.GetAction() + " " + shown);
        }
        return lines;
    }

    int Count(int32_t kind) const {
        int count = 0;
        for (const CLogStatus& r : Records()) count += r.GetKind() == kind;
        return count;
    }

    // Waits, at most ten seconds, until a record satisfies `match`.
    bool WaitFor(const std::function<bool(const CLogStatus&)>& match) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] {
            for (const CLogStatus& r : m_records)
                if (match(r)) return true;
            return false;
        });
    }

private:
    void KeepProgress(const CTransferStatus& status) {
        const CProgressStatus& p = status.GetProgressStatus();
        if (status.GetStatus() != CTransferStatus::STATUS_PROGRESS || p.Cmd() != MSG_PROGRESS) return;
        const std::string argc = p.SubCmd() == MSG_PROGRESS_CAPTION ? p.GetCaptionText() : std::to_string(p.LLArgc());
        std::string text = std::to_string(p.SubCmd()) + " " + argc;
        if (p.SubCmd() == MSG_PROGRESS_RANGE) text += "-" + std::to_string(p.LLArgv());
        m_progress.emplace_back(p.Unit(), text);
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CLogStatus> m_records;
    std::vector<std::pair<int32_t, std::string>> m_progress;
};

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

// An item that deletes a file: the last link of a compression chain.
CTskItem* DeleteItem(const std::string& path) {
    CTansform deletes;
    deletes.SetDeleteSourceFile();
    return new CTskItem(LocalPoint(ePointFile, path), deletes, LocalPoint(ePointNone, ""));
}

class MoverTest : public EngineTest {
protected:
    const CJobState& Job() const { return CStatistic::Job(); }

    TempDir dir;
    LogRecorder log;
};

TEST_F(MoverTest, AnEmptyJobStillReportsItsRunAndFourZeros) {
    CMover mover{CTskItems()};
    EXPECT_TRUE(RunKept(mover));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "RUNJOB Transfer ",
                               "ENDJOB Transfer ",
                               "STATUS  Errors: 0, Skipped: 0, Processed: 0, Total: 0",
                           }));
    EXPECT_EQ(log.Records().back().GetSource(), "TR:");
}

TEST_F(MoverTest, ProgressCountsTheJobsItemsAndEachPairsFiles) {
    WriteFile(dir / "one/a.txt", "a");
    WriteFile(dir / "one/b.txt", "b");
    WriteFile(dir / "two.txt", "c");
    CTskItems items;
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "one"), LocalPoint(ePointFolder, dir / "o1"))));
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFile, dir / "two.txt"), LocalPoint(ePointFolder, dir / "o2"))));
    CMover mover(items, CStatistic::Job().Settings());
    ASSERT_TRUE(RunKept(mover));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 3);

    const std::string cap1 = items.GetHead()->GetCap();
    const std::string cap2 = items.GetTail()->GetCap();
    EXPECT_EQ(log.Progress(PROGRESS_UNIT_ITEMS),
              (std::vector<std::string>{"7 0-2", "4 " + cap1, "6 1", "4 " + cap2, "6 2"}));
    // Each item runs its pair between a start and a finish of the file bar;
    // the job as a whole is bracketed the same way. The folder's pair holds
    // the folder itself and its two files.
    EXPECT_EQ(log.Progress(PROGRESS_UNIT_FILES), (std::vector<std::string>{
                                                      "2 1",
                                                      "2 1", "7 0-3", "6 1", "6 2", "6 3", "3 0",
                                                      "2 1", "7 0-1", "6 1", "3 0",
                                                      "3 0",
                                                  }));
}

TEST_F(MoverTest, ItemsWithoutAPairDoNothingAndSucceed) {
    CTskItems items;
    items.Add(new CTskItem(MakeItem(CTransPoint(ePointEmail), LocalPoint(ePointFolder, dir / "out"))));
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir.path()), LocalPoint(ePointFile, dir / "f"))));
    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_TRUE(RunKept(mover));
    EXPECT_EQ(log.Count(LOG_BEGIN), 0);
    EXPECT_EQ(Job().m_nProcessed + Job().m_nErrors, 0);
    EXPECT_EQ(ReadTree(dir.path()), TreeMap());
}

TEST_F(MoverTest, ACompressionChainBuildsCopiesAndDeletesItsArchive) {
    WriteFile(dir / "data/a.txt", "alpha");
    WriteFile(dir / "data/sub/b.bin", test::RandomBytes(70000));
    CTansform compress;
    compress.SetCompressed();
    CTskItems items;
    items.StartTransaction(LocalPoint(ePointFolder, dir / "data"), compress, LocalPoint(ePointFolder, dir / "out"),
                           dir / "work");
    items.AddTransaction(LocalPoint(ePointFolder, dir / "data"), compress, LocalPoint(ePointFolder, dir / "out"));
    items.CommitTransaction(LocalPoint(ePointFolder, dir / "data"), compress, LocalPoint(ePointFolder, dir / "out"));
    ASSERT_EQ(items.GetCount(), 3);
    const std::string archiveName = compress.ZipFileName();

    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_TRUE(RunKept(mover));

    EXPECT_EQ(Job().m_nErrors, 0) << Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "work"), TreeMap());
    const std::string archive = dir / ("out/" + archiveName);
    test::ExpectToolsAccept(archive);
    TreeMap entries;
    for (const test::ZipInfo& entry : test::ReadWithPython(archive, {}, true)) entries[entry.name] = entry.data;
    TreeMap expected = ReadTree(dir / "data");
    expected.erase("sub");  // a folder with files needs no entry of its own
    EXPECT_EQ(entries, expected);

    const std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Contains(lines, "BEGIN Compressing ... " + dir / ("work/" + archiveName)));
    EXPECT_TRUE(Contains(lines, "BEGIN Copy file: "));
    EXPECT_TRUE(Contains(lines, "BEGIN Delete intermediate file: '" + dir / ("work/" + archiveName) + "'"));
    // The compression's "Copy" step closes with the archive and its size.
    bool summary = false;
    for (const CLogStatus& r : log.Records())
        summary |= r.GetKind() == LOG_DONE && r.GetAction() == "Copy" &&
                   r.GetText().starts_with(archiveName + ", Size = ") && r.GetText().ends_with(" Bytes");
    EXPECT_TRUE(summary);
    // Three items and the job: four statistics lines.
    EXPECT_EQ(log.Count(LOG_STATUS), 4);
}

TEST_F(MoverTest, AFailedDeletionIsAnErrorNotAProcessedFile) {
    CTskItems items;
    items.Add(DeleteItem(dir / "missing.zip"));
    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_FALSE(RunKept(mover));
    EXPECT_EQ(Job().m_nErrors, 1);
    EXPECT_EQ(Job().m_nProcessed, 0);
    EXPECT_EQ(Job().m_nLastCategory, ERROR_COPY);
    EXPECT_EQ(log.Count(LOG_OK), 0);
}

TEST_F(MoverTest, TwentyErrorsLetAJobGoOnTheTwentyFirstStopsIt) {
    const auto run = [&](int count) {
        CTskItems items;
        for (int i = 0; i < count; ++i) items.Add(DeleteItem(dir / ("gone" + std::to_string(i))));
        CMover mover(items, CStatistic::Job().Settings());
        RunKept(mover);
        return log.Count(LOG_BEGIN);
    };
    EXPECT_EQ(run(20), 20);
    EXPECT_TRUE(CStatistic::ContinueCheck());
    EXPECT_EQ(run(25), 20 + 21);
    EXPECT_EQ(Job().m_nErrors, 21);
    EXPECT_FALSE(CStatistic::ContinueCheck());
}

TEST_F(MoverTest, AFatalErrorStopsTheJobAtOnce) {
    WriteFile(dir / "real/a.txt", "a");
    CTskItems items;
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "nowhere"), LocalPoint(ePointFolder, dir / "o1"))));
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "real"), LocalPoint(ePointFolder, dir / "o2"))));
    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_FALSE(RunKept(mover));
    EXPECT_EQ(Job().m_nLastCategory, ERROR_CONNECT);
    EXPECT_EQ(Job().m_strLastError, "Connect error:  Source does not exists");
    EXPECT_EQ(log.Count(LOG_BEGIN), 1);
    EXPECT_EQ(ReadTree(dir / "real").size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "o2"));
}

TEST_F(MoverTest, ACompressionThatCannotStartReportsNoFinishedStepAndNoArchive) {
    CTansform compress;
    compress.SetCompressed();
    CTskItems items;
    items.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "nowhere"), LocalPoint(ePointFolder, dir / "a.zip"),
                                    compress)));
    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_FALSE(RunKept(mover));
    EXPECT_EQ(Job().m_nLastCategory, ERROR_CONNECT);
    EXPECT_EQ(log.Count(LOG_START), 1);
    EXPECT_EQ(log.Count(LOG_DONE), 0);
    EXPECT_EQ(CLogStatus::GetDepth(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.zip"));
}

// Two jobs in one process, side by side on two threads, each with settings
// of its own: neither sees the other's settings, counts or errors. The first
// job's archive copy lets the "GUI" run: there the second job runs whole,
// and then the first goes on to a file that is in the way.
TEST_F(MoverTest, TwoJobsAtOnceKeepTheirOwnSettingsAndCounts) {
    WriteFile(dir / "one/a.txt", std::string(100, 'x'));
    WriteFile(dir / "out1/a.txt", "there before");
    for (const std::string name : {"b.txt", "c.txt", "d.txt"}) WriteFile(dir / ("two/" + name), name);
    WriteFile(dir / "out2/two/b.txt", "there before");
    CJobSettings keep;
    keep.m_eOverwrite = EOverwrite::Refuse;
    CJobSettings replace;
    replace.m_eOverwrite = EOverwrite::Replace;
    CTansform compress;
    compress.SetCompressed();
    CTskItems first;
    first.Add(new CTskItem(
        MakeItem(LocalPoint(ePointFolder, dir / "one"), LocalPoint(ePointFolder, dir / "out1/one.zip"), compress)));
    first.Add(
        new CTskItem(MakeItem(LocalPoint(ePointFile, dir / "one/a.txt"), LocalPoint(ePointFolder, dir / "out1"))));
    CTskItems second;
    second.Add(new CTskItem(MakeItem(LocalPoint(ePointFolder, dir / "two"), LocalPoint(ePointFolder, dir / "out2"))));
    CMover firstMover(first, keep);
    CMover secondMover(second, replace);
    bool secondRan = false;
    platform::SetMessagePumpHook([&] {
        if (!secondRan) std::thread([&] { secondMover.RunItems(); }).join();
        secondRan = true;
        return true;
    });
    firstMover.RunItems();
    platform::SetMessagePumpHook({});
    ASSERT_TRUE(secondRan);

    const CJobResult one = firstMover.GetResult();
    EXPECT_EQ(one.m_nErrors, 1) << "the file in the way was refused";
    EXPECT_EQ(one.m_nProcessed, 1) << "the archive's one file";
    EXPECT_EQ(ReadFile(dir / "out1/a.txt"), "there before");
    const CJobResult two = secondMover.GetResult();
    EXPECT_EQ(two.m_nErrors, 0) << two.m_strLastError;
    EXPECT_EQ(two.m_nProcessed, 3);
    EXPECT_EQ(ReadFile(dir / "out2/two/b.txt"), "b.txt");
}

// The window thread may send a cancel at any moment of an engine object's
// life, also while it is being built or destroyed on the transfer thread (a
// sanitized build tells when a broadcast meets one half made).
TEST_F(MoverTest, CancelsFromAnotherThreadNeverMeetAnEngineObjectHalfMade) {
    std::atomic<bool> stop{false};
    std::thread window([&stop] {
        while (!stop) CMsgSend(MSG_CANCEL, 0, 0, 0);
    });
    const CTskItem item = MakeItem(LocalPoint(ePointFolder, dir.path()), LocalPoint(ePointFolder, dir / "a.zip"));
    for (int i = 0; i < 100; ++i) {
        { CLocalSource local(item); }
        { CLocalZipSource zip(item); }
        { CFtpSource ftp(item); }
        { CMover mover{CTskItems()}; }
    }
    stop = true;
    window.join();
    EXPECT_FALSE(Job().IsAborted());
}

class MoverAPITest : public test::FtpServerTest {
protected:
    void SetUp() override {
        test::FtpServerTest::SetUp();
        CStatistic::ResetJob();
        login.SetHost(server.GetHost());
        login.SetPort(server.GetPort());
        login.SetLoginName(server.GetUser());
        login.SetPassword(server.GetPassword());
    }

    CFtpLoginInfo login;
    TempDir dir;
};

TEST_F(MoverAPITest, ARemoteFolderGoesStraightIntoAnArchive) {
    WriteFile(server.Path("in/a.txt"), "alpha");
    WriteFile(server.Path("in/deep/b.bin"), test::RandomBytes(90000, 3));
    CTansform compress;
    compress.SetCompressed();
    CTskItems items;
    items.Add(new CTskItem(MakeItem(test::FtpPoint(login, "/in/"), LocalPoint(ePointFolder, dir / "in.zip"),
                                    compress)));
    LogRecorder log;
    CMover mover(items, CStatistic::Job().Settings());
    EXPECT_TRUE(RunKept(mover));

    EXPECT_EQ(CStatistic::Job().m_nErrors, 0) << CStatistic::Job().m_strLastError;
    EXPECT_TRUE(Contains(log.Lines(), "BEGIN Ftp transfer from: " + server.GetHost()));
    TreeMap entries;
    for (const test::ZipInfo& entry : test::ReadWithPython(dir / "in.zip", {}, true)) entries[entry.name] = entry.data;
    TreeMap expected = ReadTree(server.Path("in"));
    expected.erase("deep");
    EXPECT_EQ(entries, expected);
}

TEST_F(MoverAPITest, RequestsWithoutAMoverAnswerAtOnce) {
    CMoverAPI api;
    EXPECT_FALSE(RunApi(api));
    EXPECT_TRUE(api.CopyFtpToFtp(CFtpPathList(), login, login));
    EXPECT_EQ(api.GetErrorNumber(), 0);
}

// Files named without a listing (the browser's selection) learn their size
// from the server when their turn comes; the job's total counts it then, so
// that progress never runs past 100 %.
TEST_F(MoverAPITest, FilesNamedWithoutAListingCountTheirBytesInTheTotal) {
    WriteFile(server.Path("in/big.bin"), std::string(300000, 'b'));
    WriteFile(server.Path("in/small.txt"), "small");
    CFtpPathList paths;
    paths.Add(new CFtpPath("/in/big.bin"));
    paths.Add(new CFtpPath("/in/small.txt"));
    CMoverAPI api;
    ASSERT_TRUE(api.DownloadFilesA(login, paths, CFtpPath(dir / "down/")));
    EXPECT_TRUE(RunApi(api)) << api.GetStrError();
    EXPECT_EQ(api.GetResult().m_nProcessedBytes, 300005);
    EXPECT_EQ(api.GetResult().m_nTotalBytes, 300005);
}

TEST_F(MoverAPITest, OneFailedFileAmongTenIsCountedWhileTheOthersArrive) {
    CFtpPathList paths;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "in/f" + std::to_string(i) + ".txt";
        if (i != 4) WriteFile(server.Path(name), "file " + std::to_string(i));
        paths.Add(new CFtpPath("/" + name));
    }
    CMoverAPI api;
    ASSERT_TRUE(api.DownloadFilesA(login, paths, CFtpPath(dir / "down/")));
    // The last file arrived, so the transfer answers true.
    EXPECT_TRUE(RunApi(api));
    EXPECT_EQ(api.GetErrorNumber(), 1);
    EXPECT_TRUE(api.GetStrError().starts_with("Read access error:  ")) << api.GetStrError();
    EXPECT_NE(api.GetStrError().find("f4.txt"), std::string::npos) << api.GetStrError();
    const TreeMap got = ReadTree(dir / "down");
    EXPECT_EQ(got.size(), 9u);
    EXPECT_EQ(got.at("f9.txt"), "file 9");

    api.Clear();
    EXPECT_EQ(api.GetErrorNumber(), 0);
    EXPECT_EQ(api.GetStrError(), "");
}

// Answers the question about a target that exists with a script of its own,
// for the jobs the test runs while it exists.
class TargetAnswers {
public:
    using Answer = std::function<int32_t(CFtpPath& target)>;
    explicit TargetAnswers(Answer answer) {
        CStatistic::Job().Settings().m_providers.targetQuestion = [this, answer](const CFtpPath& source,
                                                                                 CFtpPath& target, bool) {
            sources.push_back(source.GetFileName(true));
            return answer(target);
        };
    }
    ~TargetAnswers() { CStatistic::Job().Settings().m_providers.targetQuestion = {}; }
    std::vector<std::string> sources;
};

TEST_F(MoverAPITest, ADownloadAsksBeforeItReplacesALocalFile) {
    CFtpPathList paths;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        WriteFile(server.Path(std::string("in/") + name), std::string("new ") + name);
        paths.Add(new CFtpPath(std::string("/in/") + name));
    }
    WriteFile(dir / "down/a.txt", "local a");
    WriteFile(dir / "down/b.txt", "local b");
    {
        TargetAnswers answers([](CFtpPath& target) {
            if (target.GetFileName(true) == "a.txt") return TARGET_SKIP;
            target.SetFileNameAndExt("b(1).txt");
            return TARGET_RENAME;
        });
        CMoverAPI api;
        ASSERT_TRUE(api.DownloadFilesA(login, paths, CFtpPath(dir / "down/")));
        EXPECT_TRUE(RunApi(api)) << api.GetStrError();
        EXPECT_EQ(api.GetErrorNumber(), 0);
        // Only the files that met an existing one were asked about.
        EXPECT_EQ(answers.sources, (std::vector<std::string>{"a.txt", "b.txt"}));
    }
    EXPECT_EQ(ReadTree(dir / "down"), (TreeMap{{"a.txt", "local a"},
                                               {"b.txt", "local b"},
                                               {"b(1).txt", "new b.txt"},
                                               {"c.txt", "new c.txt"}}));
    // Nobody to ask, as on the command line: the file is replaced as before.
    CMoverAPI api;
    ASSERT_TRUE(api.DownloadFilesA(login, paths, CFtpPath(dir / "down/")));
    EXPECT_TRUE(RunApi(api));
    EXPECT_EQ(ReadFile(dir / "down/a.txt"), "new a.txt");
}

// The local and remote starts differ from their sources, so a resumed file
// shows it kept its start and a rewritten one shows it did not.
TEST_F(MoverAPITest, ResumeIsChosenPerFileAndLeavesTheOthersOfTheJobAlone) {
    CFtpPathList paths;
    for (const char* name : {"a.bin", "b.bin"}) {
        WriteFile(server.Path(std::string("in/") + name), "0123456789");
        paths.Add(new CFtpPath(std::string("/in/") + name));
    }
    WriteFile(dir / "down/a.bin", "ABCD");
    WriteFile(dir / "down/b.bin", "ABCD");
    {
        TargetAnswers answers([](CFtpPath& target) {
            return target.GetFileName(true) == "a.bin" ? TARGET_RESUME : TARGET_OVERWRITE;
        });
        CMoverAPI api;
        ASSERT_TRUE(api.DownloadFilesA(login, paths, CFtpPath(dir / "down/")));
        EXPECT_TRUE(RunApi(api)) << api.GetStrError();
    }
    EXPECT_EQ(ReadTree(dir / "down"), (TreeMap{{"a.bin", "ABCD456789"}, {"b.bin", "0123456789"}}));

    // Uploads the same way: the server's shorter file is appended to.
    WriteFile(dir / "up/c.bin", "abcdefgh");
    WriteFile(dir / "up/d.bin", "abcdefgh");
    WriteFile(server.Path("inbox/c.bin"), "WXY");
    WriteFile(server.Path("inbox/d.bin"), "WXY");
    CFtpPathList uploads;
    uploads.Add(new CFtpPath(dir / "up/c.bin"));
    uploads.Add(new CFtpPath(dir / "up/d.bin"));
    {
        TargetAnswers answers([](CFtpPath& target) {
            return target.GetFileName(true) == "c.bin" ? TARGET_RESUME : TARGET_OVERWRITE;
        });
        // The names taken in the folder, as the program's browser knows them.
        struct Names : CListener {
            void OnMsg(CMsg& msg) override {
                if (msg.Cmd() == MSG_UNIQUE_NAME) msg.Result(TARGET_ASK);
            }
        } names;
        CMsgBox::Box().Subscribe(kUniqueNameProviderId, &names);
        CMoverAPI api;
        ASSERT_TRUE(api.UploadFilesA(login, uploads, CFtpPath("/inbox/")));
        EXPECT_TRUE(RunApi(api)) << api.GetStrError();
        CMsgBox::Box().Unsubscribe(&names);
        EXPECT_EQ(answers.sources, (std::vector<std::string>{"c.bin", "d.bin"}));
    }
    EXPECT_EQ(ReadFile(server.Path("inbox/c.bin")), "WXYdefgh");
    EXPECT_EQ(ReadFile(server.Path("inbox/d.bin")), "abcdefgh");
}

TEST_F(MoverAPITest, RecordedUploadAndServerToServerCopyRunOnDoCopy) {
    WriteFile(dir / "up/a.txt", "alpha");
    WriteFile(dir / "up/sub/b.bin", test::RandomBytes(120000));
    CMoverAPI upload;
    ASSERT_TRUE(upload.UploadFolderA(login, CFtpPath(dir / "up"), CFtpPath("/inbox/")));
    // The request runs on another thread, as the desktop program does it.
    bool uploaded = false;
    std::thread([&] { uploaded = RunApi(upload); }).join();
    EXPECT_TRUE(uploaded) << upload.GetStrError();
    EXPECT_EQ(upload.GetErrorNumber(), 0);
    EXPECT_EQ(ReadTree(server.Path("inbox/up")), ReadTree(dir / "up"));

    CFtpLoginInfo target(login);
    target.SetFtpPath(CFtpPath("/copies/"));
    CFtpPathList paths;
    paths.Add(new CFtpPath("/inbox/up/a.txt"));
    CMoverAPI copy;
    ASSERT_TRUE(copy.CopyFtpToFtpA(paths, login, target));
    EXPECT_TRUE(RunApi(copy)) << copy.GetStrError();
    EXPECT_EQ(test::ReadFile(server.Path("copies/a.txt")), "alpha");
}

}  // namespace
}  // namespace velmora

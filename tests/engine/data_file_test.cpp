#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/engine_test_support.h"
#include "engine/statistic.h"
#include "engine/tsk_local_file.h"
#include "messaging/messaging_test_support.h"
#include "messaging/msg_box.h"
#include "messaging/msg_send.h"
#include "messaging/transfer_status.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// The byte positions of the current file as the copy loop reports them, and
// an optional reaction to each.
class PositionRecorder : public Recorder {
public:
    PositionRecorder() { CMsgBox::Box().Subscribe("positions", this); }
    ~PositionRecorder() override { CMsgBox::Box().Unsubscribe(this); }

    void OnMsg(CMsg& msg) override {
        const auto* status = dynamic_cast<const CTransferStatus*>(msg.Object());
        if (!status) return;
        const CProgressStatus& progress = status->GetProgressStatus();
        if (progress.Unit() != PROGRESS_UNIT_FILE_BYTES) return;
        subCommands.push_back(progress.SubCmd());
        if (progress.SubCmd() == MSG_PROGRESS_RANGE) range = progress.LLArgv();
        if (progress.SubCmd() != MSG_PROGRESS_POS) return;
        positions.push_back(progress.LLArgc());
        texts.push_back(progress.StrArgv());
        if (onPosition) onPosition();
    }

    std::vector<int32_t> subCommands;
    int64_t range = -1;
    std::vector<int64_t> positions;
    std::vector<std::string> texts;
    std::function<void()> onPosition;
};

CTskLocalFile LocalFile(const std::string& path) {
    CFtpPath file(path);
    file.ReadStatus();
    return CTskLocalFile(file);
}

// The block-copy loop between two local files (the platform copy is what a
// local pair uses; the loop is what every other pair uses).
bool CopyWithLoop(CTskLocalFile& source, CTskLocalFile& target) {
    return source.OpenRead() && target.OpenWrite() && target.CTskDataFile::Transfer(&source, &target, true);
}

using CopyLoopTest = EngineTest;

TEST(CopyLoopRules, BufferAndProgressStepFollowTheFileSize) {
    EXPECT_EQ(CTskDataFile::BufferSize(100), 100u);
    EXPECT_EQ(CTskDataFile::ProgressStep(100), 33u);
    EXPECT_EQ(CTskDataFile::BufferSize(2000000), 51200u);
    EXPECT_EQ(CTskDataFile::ProgressStep(2000000), 400000u);
    EXPECT_EQ(CTskDataFile::BufferSize(51200), 51200u);
    EXPECT_EQ(CTskDataFile::ProgressStep(1000000), 333333u);
    EXPECT_EQ(CTskDataFile::ProgressStep(10000001), 1000000u);
    EXPECT_EQ(CTskDataFile::ProgressStep(uint64_t{5} << 30), (uint64_t{5} << 30) / 200);
    // A size recorded as 0 is mostly unknown (a remote file named without a
    // listing): it is read in whole blocks, not byte by byte.
    EXPECT_EQ(CTskDataFile::BufferSize(0), 51200u);
    EXPECT_EQ(CTskDataFile::ProgressText(409600, 2000000), " 20% 409,600 / 2,000,000 Bytes");
    EXPECT_EQ(CTskDataFile::ProgressText(100, 100), "100% 100 / 100 Bytes");
}

TEST_F(CopyLoopTest, SmallFileGoesInOneBlockWithOneUpdate) {
    TempDir dir;
    WriteFile(dir / "a.bin", RandomBytes(100));
    CTskLocalFile source = LocalFile(dir / "a.bin");
    CTskLocalFile target(CFtpPath(dir / "out/a.bin"));
    PositionRecorder recorder;

    ASSERT_TRUE(CopyWithLoop(source, target));

    EXPECT_EQ(ReadFile(dir / "out/a.bin"), RandomBytes(100));
    EXPECT_EQ(recorder.range, 100);
    EXPECT_EQ(recorder.positions, std::vector<int64_t>{100});
    EXPECT_EQ(recorder.texts, std::vector<std::string>{"100% 100 / 100 Bytes"});
    EXPECT_EQ(recorder.subCommands.front(), MSG_PROGRESS_START);
    EXPECT_EQ(recorder.subCommands.back(), MSG_PROGRESS_FINISH);
    EXPECT_EQ(CStatistic::Job().m_nProcessedBytes, 100);
}

TEST_F(CopyLoopTest, LargeFileReportsInSteps) {
    TempDir dir;
    const std::string data = RandomBytes(2000000, 7);
    WriteFile(dir / "big.bin", data);
    CTskLocalFile source = LocalFile(dir / "big.bin");
    CTskLocalFile target(CFtpPath(dir / "big.copy"));
    PositionRecorder recorder;

    ASSERT_TRUE(CopyWithLoop(source, target));

    EXPECT_EQ(ReadFile(dir / "big.copy"), data);
    ASSERT_GE(recorder.positions.size(), 4u);
    EXPECT_LE(recorder.positions.front(), 409600);
    EXPECT_GE(recorder.positions.back(), 1600000);
    EXPECT_EQ(recorder.subCommands.back(), MSG_PROGRESS_FINISH);
    EXPECT_TRUE(std::is_sorted(recorder.positions.begin(), recorder.positions.end()));
}

TEST_F(CopyLoopTest, AbortStopsAfterTheCurrentBlockAndKeepsTheOldTarget) {
    TempDir dir;
    WriteFile(dir / "big.bin", RandomBytes(2000000, 3));
    WriteFile(dir / "big.copy", "the good old copy");
    CTskLocalFile source = LocalFile(dir / "big.bin");
    CTskLocalFile target(CFtpPath(dir / "big.copy"));
    CStatistic mover;
    mover.Listen();
    PositionRecorder recorder;
    recorder.onPosition = [] { CMsgSend(MSG_CANCEL, 1, 0, 0); };

    EXPECT_FALSE(CopyWithLoop(source, target));

    const CJobState& job = CStatistic::Job();
    ASSERT_EQ(recorder.positions.size(), 1u);
    EXPECT_EQ(job.m_nProcessedBytes, recorder.positions[0]);
    EXPECT_EQ(job.m_nErrors, 1);
    EXPECT_EQ(job.m_nLastCategory, ERROR_ABORTED);
    EXPECT_EQ(job.m_strLastError.rfind("Aborted by user:  ", 0), 0u) << job.m_strLastError;
    EXPECT_FALSE(CStatistic::ContinueCheck());
    EXPECT_EQ(ReadFile(dir / "big.copy"), "the good old copy");
    EXPECT_EQ(ReadTree(dir.path()).size(), 2u) << "no temporary file left behind";
}

TEST_F(CopyLoopTest, FolderEntriesAreNeverOpened) {
    TempDir dir;
    fs::create_directories(dir / "folder/inner");
    CTskLocalFile folder = LocalFile(dir / "folder/");
    ASSERT_TRUE(folder.IsFolderEntry());
    CTskLocalFile target(CFtpPath(dir / "copy/"));
    PositionRecorder recorder;

    EXPECT_TRUE(target.CTskDataFile::Transfer(&folder, &target, true));
    EXPECT_TRUE(folder.Transfer(&folder, &target, true));

    EXPECT_FALSE(fs::exists(dir / "copy"));
    EXPECT_TRUE(recorder.subCommands.empty());
    EXPECT_FALSE(folder.IsOpen());
}

TEST_F(CopyLoopTest, WhatIsNoRegularFileIsAReadErrorNeverAWait) {
    TempDir dir;
    fs::create_directories(dir / "not-a-file");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const char* name : {"not-a-file", "pipe"}) {
        CStatistic::ResetJob();
        CTskLocalFile source(CFtpPath(dir / name));  // status not read: taken for a file
        CTskLocalFile target(CFtpPath(dir / "copy.bin"));

        EXPECT_FALSE(target.CTskDataFile::Transfer(&source, &target, false));
        EXPECT_FALSE(source.Transfer(&source, &target, false));

        EXPECT_EQ(CStatistic::Job().m_nLastCategory, ERROR_COPY) << name;
        EXPECT_EQ(CStatistic::Job().m_nErrors, 2) << name;
        EXPECT_TRUE(CStatistic::ContinueCheck());
        EXPECT_FALSE(fs::exists(dir / "copy.bin"));
    }
}

using LocalCopyTest = EngineTest;

TEST_F(LocalCopyTest, PlatformCopyKeepsContentsAndModificationTime) {
    TempDir dir;
    WriteFile(dir / "a.txt", "contents");
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(dir / "a.txt", stamp);
    WriteFile(dir / "dst/a.txt", "older, longer contents to be replaced");
    CTskLocalFile source = LocalFile(dir / "a.txt");
    CTskLocalFile target(CFtpPath(dir / "dst/a.txt"));

    ASSERT_TRUE(source.Transfer(&source, &target, true));

    EXPECT_EQ(ReadFile(dir / "dst/a.txt"), "contents");
    EXPECT_EQ(fs::last_write_time(dir / "dst/a.txt"), stamp);
    EXPECT_EQ(CStatistic::Job().m_nProcessedBytes, 8);
}

TEST_F(LocalCopyTest, AFailedPlatformCopyIsACountedNonFatalError) {
    TempDir dir;
    WriteFile(dir / "a.txt", "contents");
    CTskLocalFile source = LocalFile(dir / "a.txt");
    CTskLocalFile target(CFtpPath(dir / "missing-folder/a.txt"));

    EXPECT_FALSE(source.Transfer(&source, &target, true));

    const CJobState& job = CStatistic::Job();
    EXPECT_EQ(job.m_nErrors, 1);
    EXPECT_EQ(job.m_nLastCategory, ERROR_COPY);
    EXPECT_EQ(job.m_strLastError.rfind("Copy file error:  Copy file a.txt", 0), 0u) << job.m_strLastError;
    EXPECT_TRUE(CStatistic::ContinueCheck());
    EXPECT_EQ(job.m_nProcessedBytes, 0);
}

}  // namespace
}  // namespace velmora::test

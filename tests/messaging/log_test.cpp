#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "base/format.h"
#include "messaging/log_file.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging_test_support.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::Recorder;
using test::TempDir;

// The log's state is shared by the whole process: every test starts with
// logging allowed, no file open and no pending text.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    void Reset() {
        log.Close();
        log.Enable("log", "LOG");
        ASSERT_TRUE(log.Open(dir / "drain.log"));
        log.Close();
        ASSERT_EQ(log.GetPendingText(), "");
        CLogStatus::SetDepth(0);
    }

    TempDir dir;
    CLogFile log;
};

TEST_F(LogFileTest, TextWrittenWhileClosedIsKeptUntilTheLogIsReadyAgain) {
    const std::string path = dir / "app.log";
    ASSERT_TRUE(log.Open(path));
    log << "opened\r\n";
    log.Suspend();
    log.Write("while closed\r\n");
    log.End("ending");
    EXPECT_EQ(ReadFile(path), "opened\r\n");
    EXPECT_FALSE(log.IsReady());

    ASSERT_TRUE(log.Resume());
    EXPECT_EQ(log.GetFilePathName(), path);
    log.Flush();
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.rfind("opened\r\nwhile closed\r\n-End       : '", 0), 0u) << text;
    EXPECT_EQ(log.GetPendingText(), "");

    // Reopening appends: nothing written before is lost.
    log.Close();
    ASSERT_TRUE(log.Open(path));
    log.Write("again\r\n");
    EXPECT_EQ(ReadFile(path), text + "again\r\n");
}

TEST_F(LogFileTest, OpenKeepsTheOpenFileForTheSameOrAnEmptyName) {
    const std::string path = dir / "same.log";
    ASSERT_TRUE(log.Open(path));
    std::filesystem::remove(path);
    // Not reopened: the file would have been created again.
    EXPECT_TRUE(log.Open(path));
    EXPECT_TRUE(log.Open(""));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(log.GetFilePathName(), path);
}

TEST_F(LogFileTest, FailedOpenBlocksUntilClose) {
    EXPECT_FALSE(log.Open(dir / "missing/folder/x.log"));
    EXPECT_FALSE(log.IsReady());
    log.Write("kept\r\n");
    EXPECT_FALSE(log.Open(dir / "good.log"));  // still failed
    log.Close();
    ASSERT_TRUE(log.Open(dir / "good.log"));
    log.Flush();
    EXPECT_EQ(ReadFile(dir / "good.log"), "kept\r\n");
}

TEST_F(LogFileTest, EnableLooksForTheKeyAmongTheSwitches) {
    ASSERT_TRUE(log.Open(dir / "switch.log"));
    const struct {
        const char* switches;
        bool allowed;
    } cases[] = {
        {"-log", true},   {"/Log", true},        {"app -x /LOG", true}, {"-logging", false},
        {"", false},      {"-xlog", false},      {"a/b-log c", true},   {"-lo", false},
    };
    for (const auto& c : cases) {
        log.Enable(c.switches, "log");
        EXPECT_EQ(log.IsReady(), c.allowed) << c.switches;
    }
    log.Enable("-log", "");
    EXPECT_FALSE(log.IsReady());
}

TEST_F(LogFileTest, LabelledLines) {
    const std::string path = dir / "lines.log";
    ASSERT_TRUE(log.Open(path));
    log.Write("label", "text", false);
    EXPECT_EQ(ReadFile(path), "label      :   text" + std::string(46, ' ') + "\r\n");

    log.Begin("step");
    const std::string text = ReadFile(path);
    const std::regex stamped(R"(-Start     : '\d\d/\d\d/\d{4} \d\d:\d\d:\d\d'  step {46}\r\n$)");
    EXPECT_TRUE(std::regex_search(text, stamped)) << text;

    // Header lines are written only while the log is ready.
    log.Close();
    log.Begin("not written");
    log.StartApp("not written");
    EXPECT_EQ(log.GetPendingText(), "");
}

TEST_F(LogFileTest, PendingTextIsBoundedAndTheLossIsReported) {
    const std::string line(98, 'x');
    const size_t lines = CLogFile::kMaxPendingText / 100 + 1000;
    for (size_t i = 0; i < lines; ++i) log.Add(line + "\r\n");
    log.Add("last line\r\n");
    const std::string pending = log.GetPendingText();
    EXPECT_LE(pending.size(), CLogFile::kMaxPendingText);
    EXPECT_EQ(pending.rfind(line + "\r\n", 0), 0u);  // starts with a whole line

    const std::string path = dir / "bounded.log";
    ASSERT_TRUE(log.Open(path));
    log.Flush();
    const std::string text = ReadFile(path);
    const size_t dropped = lines * 100 + 11 - pending.size();
    const std::string note = Format("==Log      : %zu bytes (%zu lines) of older log text", dropped, dropped / 100);
    EXPECT_EQ(text.rfind(note, 0), 0u) << text.substr(0, 200);
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), pending);
}

// A long job's lines reach an open log while it runs, not only at its end.
TEST_F(LogFileTest, AnOpenLogIsWrittenInBatchesAsTextComes) {
    const std::string path = dir / "batches.log";
    ASSERT_TRUE(log.Open(path));
    const std::string line(98, 'x');
    log.Add(line + "\r\n");
    EXPECT_EQ(ReadFile(path), "");
    for (size_t i = 1; i < CLogFile::kWriteBatch / 100 + 1; ++i) log.Add(line + "\r\n");
    EXPECT_EQ(log.GetPendingText(), "");
    EXPECT_EQ(ReadFile(path).size(), (CLogFile::kWriteBatch / 100 + 1) * 100);
}

TEST_F(LogFileTest, AProcessWithoutALogKeepsNoTextUntilItOpensOne) {
    log.Add("kept\r\n");
    log.KeepNothingWhileClosed();
    log.Add("dropped\r\n");
    EXPECT_EQ(log.GetPendingText(), "");
    const std::string path = dir / "later.log";
    ASSERT_TRUE(log.Open(path));
    log.Write("written\r\n");
    log.Close();
    log.Add("kept again\r\n");
    EXPECT_EQ(ReadFile(path), "written\r\n");
    EXPECT_EQ(log.GetPendingText(), "kept again\r\n");
}

TEST_F(LogFileTest, AFullDiskLosesNoText) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(log.Open("/dev/full"));
    log.Write("must survive\r\n");
    EXPECT_EQ(log.GetPendingText(), "must survive\r\n");
    log.Close();
    ASSERT_TRUE(log.Open(dir / "after.log"));
    log.Flush();
    EXPECT_EQ(ReadFile(dir / "after.log"), "must survive\r\n");
}

TEST_F(LogFileTest, RecordLinesAndTheirBroadcast) {
    Recorder rec;
    CMsgBox::Box().Subscribe("recorder", &rec);
    CLogStatus::SetDepth(2);
    CLogStatus::Send(LOG_START, "Ftp", "Login", "ftp.example.com");
    CLogStatus::SetDepth(0);
    CLogStatus::Send(LOG_OK, "Sys", "+", CFtpPath("/data/in/report.txt"));
    CMsgBox::Box().Unsubscribe(&rec);

    ASSERT_EQ(rec.Commands(), (std::vector<int>{13, 13}));
    const auto* start = dynamic_cast<const CLogStatus*>(rec.messages[0].Object());
    const auto* ok = dynamic_cast<const CLogStatus*>(rec.messages[1].Object());
    ASSERT_TRUE(start && ok);
    EXPECT_EQ(start->GetLine(), platform::FormatLocalTime(start->GetTime(), "%c") +
                                    " Ftp    -- START            Login ftp.example.com ");
    EXPECT_EQ(ok->GetLine(), ok->GetStrTime() + " Sys     OK               + " + "report.txt" +
                                 std::string(14, ' ') + "  /data/in/report.txt ");
    EXPECT_EQ(log.GetPendingText(), start->GetLine() + "\r\n" + ok->GetLine() + "\r\n");
}

TEST(CLogStatus, KindWords) {
    EXPECT_EQ(CLogStatus::GetKindWord(LOG_RUN_JOB), "RUNJOB");
    EXPECT_EQ(CLogStatus::GetKindWord(LOG_DESTINATION), "DESTINATION");
    EXPECT_EQ(CLogStatus::GetKindWord(LOG_SYNC), "SYNC");
    EXPECT_EQ(CLogStatus::GetKindWord(20), "(INT-ERROR)");
    EXPECT_EQ(CLogStatus::GetKindWord(-1), "(INT-ERROR)");
}

}  // namespace
}  // namespace velmora

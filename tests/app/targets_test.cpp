#include <filesystem>
#include <memory>
#include <string>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "app/transfers/existing_targets.h"
#include "app/transfers/partial_uploads.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "app_fixture.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/transfer_status.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::CFtpPath;
using velmora::CFtpPathList;
using velmora::test::ReadFile;
using velmora::test::TempDir;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

class TargetsTest : public test::AppTest {
protected:
    int Run(std::unique_ptr<CTransferThread> thread) {
        const int id = queue.Submit(std::move(thread));
        WaitForTransfers();
        return id;
    }
};

// The local start differs from the server's, so the result shows that the
// local file was continued rather than written again.
TEST_F(TargetsTest, ResumeIsOfferedForAShorterLocalFileAndContinuesIt) {
    TempDir local;
    WriteFile(server.Path("docs/big.bin"), "0123456789");
    WriteFile(local / "big.bin", "ABCD");
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    Run(DownloadThread("/docs/big.bin", local.path()));
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_TRUE(prompter.targetQuestions[0].CanResume());
    EXPECT_EQ(ReadFile(local / "big.bin"), "ABCD456789");
}

TEST_F(TargetsTest, ResumeAsTheDefaultContinuesOnlyShorterTargetsAndSkipsTheRest) {
    settings.WriteValue(std::string(CAppSettings::kExistingTarget), std::string("Resume"));
    targets.StartJob();
    CFtpPath source("/data/a.bin");
    source.Length(uint64_t{100});
    CFtpPath target("/local/a.bin");
    CFtpPath shorter(target);
    shorter.Length(uint64_t{40});
    CFtpPath longer(target);
    longer.Length(uint64_t{400});
    CFtpPath same(target);
    same.Length(uint64_t{100});
    EXPECT_EQ(targets.Decide(source, target, shorter, false), velmora::TARGET_RESUME);
    EXPECT_EQ(targets.Decide(source, target, longer, false), velmora::TARGET_SKIP);
    EXPECT_EQ(targets.Decide(source, target, same, true), velmora::TARGET_SKIP);
    EXPECT_TRUE(prompter.targetQuestions.empty());
}

// Stops the running transfer as soon as its first file has moved a step:
// it hears the engine's status on the transfer thread, before the rest of
// the file is sent.
class StopAtFirstStep : public velmora::CListener {
public:
    StopAtFirstStep() { velmora::CMsgBox::Box().Subscribe("StopAtFirstStep", this); }
    ~StopAtFirstStep() override { velmora::CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(velmora::CMsg& msg) override {
        const auto* status = dynamic_cast<const velmora::CTransferStatus*>(msg.Object());
        if (msg.Cmd() != velmora::MSG_TRANSFER_STATUS || status == nullptr || m_bStopped) return;
        const velmora::CProgressStatus& progress = status->GetProgressStatus();
        if (progress.SubCmd() != velmora::MSG_PROGRESS_POS || progress.Unit() != velmora::PROGRESS_UNIT_FILE_BYTES) {
            return;
        }
        m_bStopped = true;
        velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0);
    }

private:
    bool m_bStopped = false;
};

TEST_F(TargetsTest, ACancelledUploadOffersToDeleteItsIncompleteFileOrToKeepIt) {
    TempDir local;
    const std::string payload(3 << 20, 'p');
    WriteFile(local / "big.bin", payload);
    CPartialUploads partials(queue, prompter, nullptr);
    QSignalSpy deleted(&partials, &CPartialUploads::DeleteFinished);

    // Kept: the question is asked and the part stays.
    {
        StopAtFirstStep stop;
        const int id = Run(UploadThread(local / "big.bin", "/inbox/"));
        EXPECT_EQ(queue.GetModel().Find(id)->state, CTransferEntry::Cancelled);
    }
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, CPartialUploads::kTitle);
    EXPECT_EQ(prompter.asked[0].text, CPartialUploads::QuestionText("/inbox/big.bin"));
    ASSERT_TRUE(HasRemote("inbox/big.bin"));
    EXPECT_LT(fs::file_size(server.Path("inbox/big.bin")), payload.size());
    EXPECT_EQ(deleted.count(), 0);

    // Deleted: the part goes, off the window thread, and the end is told.
    prompter.answers.push_back(true);
    {
        StopAtFirstStep stop;
        Run(UploadThread(local / "big.bin", "/inbox/"));
    }
    ASSERT_TRUE(test::WaitFor([&] { return deleted.count() == 1; }));
    EXPECT_EQ(deleted.at(0).at(1).value<std::string>(), "");
    EXPECT_FALSE(HasRemote("inbox/big.bin"));

    // A complete upload asks nothing.
    Run(UploadThread(local / "big.bin", "/inbox/"));
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(ReadFile(server.Path("inbox/big.bin")), payload);
}

}  // namespace
}  // namespace parcelo

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/partial_uploads.h"
#include "app/transfers/prompter.h"
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

std::unique_ptr<QMimeData> Dropped(const std::vector<std::string>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data->setUrls(urls);
    return data;
}

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
TEST_F(TargetsTest, ResumeIsOfferedForALocalFileShorterThanTheListedSourceAndContinuesIt) {
    TempDir local;
    WriteFile(server.Path("docs/big.bin"), "0123456789");
    WriteFile(local / "big.bin", "ABCD");
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    auto listed = std::make_unique<CTransferThread>();
    CFtpPathList files;
    files.Add(new CFtpPath("/docs/big.bin"));
    files.GetHead()->Length(uint64_t{10});
    listed->GetApi().DownloadFilesA(Login(), files, CFtpPath(local.path(), velmora::PATH_FOLDER));
    Run(std::move(listed));
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_TRUE(prompter.targetQuestions[0].CanResume());
    EXPECT_EQ(ReadFile(local / "big.bin"), "ABCD456789");

    // Named without a size, and not a part this program left: not offered,
    // and "Resume" given anyway keeps the local file.
    WriteFile(local / "big.bin", "ABCD");
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    Run(DownloadThread("/docs/big.bin", local.path()));
    ASSERT_EQ(prompter.targetQuestions.size(), 2u);
    EXPECT_FALSE(prompter.targetQuestions[1].CanResume());
    EXPECT_EQ(ReadFile(local / "big.bin"), "ABCD");
}

TEST_F(TargetsTest, ResumeAsTheDefaultContinuesOnlyShorterTargetsAndSkipsTheRest) {
    settings.WriteValue(std::string(CAppSettings::kExistingTarget), std::string("Resume"));
    targets.StartJob();
    const auto question = [](std::optional<uint64_t> source, uint64_t target, bool upload, bool ours) {
        CTargetQuestion asked;
        asked.target = "/local/a.bin";
        asked.upload = upload;
        asked.sourceSize = source;
        asked.targetSize = target;
        asked.partialOfSource = ours;
        return asked;
    };
    EXPECT_EQ(targets.Decide(question(100, 40, false, false)), velmora::TARGET_RESUME);
    EXPECT_EQ(targets.Decide(question(100, 400, false, false)), velmora::TARGET_SKIP);
    EXPECT_EQ(targets.Decide(question(100, 100, true, true)), velmora::TARGET_SKIP);
    // A source of unknown size, and a server file no upload of ours left,
    // are never continued.
    EXPECT_EQ(targets.Decide(question(std::nullopt, 40, false, false)), velmora::TARGET_SKIP);
    EXPECT_EQ(targets.Decide(question(100, 40, true, false)), velmora::TARGET_SKIP);
    EXPECT_EQ(targets.Decide(question(100, 40, true, true)), velmora::TARGET_RESUME);
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

// What the browser lists tells the question the sizes: a download's source
// by its listing, an upload's target as the server has it now.
class TargetsFromTheBrowserTest : public TargetsTest {
protected:
    void SelectFolder(const std::string& folder) {
        ASSERT_TRUE(ConnectAndWait(browser, Login()));
        browser.OpenFolder(folder);
        ASSERT_TRUE(test::WaitFor([&] { return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == folder; }));
        test::WaitFor([&] { return browser.IsIdle(); });
    }
    CFtpTreeDlg browser{context};
};

TEST_F(TargetsFromTheBrowserTest, ADownloadOntoALongerLocalFileShowsBothSizesAndIsNeverResumed) {
    TempDir local;
    WriteFile(server.Path("docs/readme.txt"), std::string(25, 's'));
    const std::string longer(40, 'L');
    WriteFile(local / "readme.txt", longer);
    SelectFolder("/docs/");
    browser.GetList()->SelectByName({"readme.txt"});
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    ASSERT_TRUE(browser.DownloadItems(browser.SelectedForDownload(CFtpTreeDlg::PANE_LIST), local.path()));
    WaitForTransfers();
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    const CTargetQuestion& asked = prompter.targetQuestions[0];
    ASSERT_TRUE(asked.sourceSize.has_value());
    EXPECT_EQ(*asked.sourceSize, 25u);
    EXPECT_EQ(asked.targetSize, 40u);
    EXPECT_FALSE(asked.CanResume());
    EXPECT_NE(CDialogPrompter::TargetQuestionText(asked).find("New file: 25 B"), std::string::npos);
    // "Resume" given anyway leaves the longer file alone.
    EXPECT_EQ(ReadFile(local / "readme.txt"), longer);
}

TEST_F(TargetsFromTheBrowserTest, AKeptPartialUploadIsShownAtItsSizeAndResumedOnlyFromItsOwnSource) {
    TempDir local;
    const std::string payload(3 << 20, 'p');
    WriteFile(local / "big.bin", payload);
    SelectFolder("/");
    CPartialUploads partials(queue, prompter, nullptr);
    {
        StopAtFirstStep stop;
        prompter.answers.push_back(false);
        browser.DropOnCurrent(Dropped({local / "big.bin"}).get());
        ASSERT_TRUE(test::WaitFor([&] { return transfersEnded == 1; }));
    }
    const uint64_t kept = fs::file_size(server.Path("big.bin"));
    ASSERT_LT(kept, payload.size());

    // The same file again: the question knows the part and offers to continue it.
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    browser.DropOnCurrent(Dropped({local / "big.bin"}).get());
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded == 2; }));
    ASSERT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_EQ(prompter.targetQuestions[0].targetSize, kept);
    EXPECT_TRUE(prompter.targetQuestions[0].CanResume());
    EXPECT_EQ(ReadFile(server.Path("big.bin")), payload);

    // Another file under the same name: the server's file is not its start.
    WriteFile(server.Path("big.bin"), "someone else's");
    prompter.targetAnswers.push_back({ETargetAnswer::Resume, false});
    browser.DropOnCurrent(Dropped({local / "big.bin"}).get());
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded == 3; }));
    ASSERT_EQ(prompter.targetQuestions.size(), 2u);
    EXPECT_FALSE(prompter.targetQuestions[1].CanResume());
    EXPECT_EQ(ReadFile(server.Path("big.bin")), "someone else's");
}

}  // namespace
}  // namespace parcelo

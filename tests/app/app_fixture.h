#pragma once

#include <deque>
#include <memory>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/common/app_context.h"
#include "app/common/app_settings.h"
#include "app/common/status_relay.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "app_test_support.h"
#include "ftp/login_info.h"
#include "support/ftp_server.h"
#include "support/test_certificates.h"

namespace parcelo::test {

// Answers the windows' questions from a script and keeps what they showed.
// An unscripted question is answered No (or Cancel).
class CScriptedPrompter : public IPrompter {
public:
    struct Shown {
        std::string title;
        std::string text;
    };

    std::deque<bool> answers;
    std::deque<std::string> names;
    std::deque<std::string> folders;
    std::deque<std::string> passwords;
    std::vector<Shown> shown;
    std::vector<Shown> asked;
    struct TargetAnswer {
        ETargetAnswer answer;
        bool forAll;
    };
    std::deque<TargetAnswer> targetAnswers;
    std::vector<CTargetQuestion> targetQuestions;

    bool AskYesNo(QWidget*, const std::string& title, const std::string& text) override {
        asked.push_back({title, text});
        return Take(answers, false);
    }
    void ShowMessage(QWidget*, const std::string& title, const std::string& text) override {
        shown.push_back({title, text});
    }
    bool AskName(QWidget*, std::string& name) override {
        asked.push_back({"name", name});
        if (names.empty()) return false;
        name = Take(names, std::string());
        return true;
    }
    bool AskPassword(QWidget*, const std::string& title, const std::string& text, std::string& password) override {
        asked.push_back({title, text});
        if (passwords.empty()) return false;
        password = Take(passwords, std::string());
        return true;
    }
    bool PickFolder(QWidget*, const std::string& title, std::string& folder) override {
        asked.push_back({title, folder});
        if (folders.empty()) return false;
        folder = Take(folders, std::string());
        return true;
    }

    // Scripted files to read or write.
    std::deque<std::string> files;
    bool PickFile(QWidget*, const std::string& title, bool, std::string& path) override {
        asked.push_back({title, path});
        if (files.empty()) return false;
        path = Take(files, std::string());
        return true;
    }

    // Scripted picks of files or a folder to upload; without one, a folder
    // from `folders`.
    std::deque<std::vector<std::string>> uploadPicks;
    bool PickUploadPaths(QWidget* parent, const std::string& title, std::vector<std::string>& paths) override {
        if (uploadPicks.empty()) return IPrompter::PickUploadPaths(parent, title, paths);
        asked.push_back({title, ""});
        paths = Take(uploadPicks, std::vector<std::string>());
        return true;
    }

    // Scripted answers of the permissions dialog: each takes the choice it
    // was offered, with the scripted mode, recursion and scope.
    std::deque<CPermissionsChoice> permissionAnswers;
    std::vector<CPermissionsChoice> permissionQuestions;
    bool AskPermissions(QWidget*, CPermissionsChoice& choice) override {
        permissionQuestions.push_back(choice);
        if (permissionAnswers.empty()) return false;
        const CPermissionsChoice answer = Take(permissionAnswers, CPermissionsChoice());
        choice.mode = answer.mode;
        choice.recursive = answer.recursive;
        choice.scope = answer.scope;
        return true;
    }

    // Scripted speed limits; each question keeps the limit it started from.
    std::deque<uint64_t> speedLimits;
    std::vector<uint64_t> speedLimitQuestions;
    bool AskSpeedLimit(QWidget*, uint64_t& bytesPerSecond) override {
        speedLimitQuestions.push_back(bytesPerSecond);
        if (speedLimits.empty()) return false;
        bytesPerSecond = Take(speedLimits, uint64_t{0});
        return true;
    }

    bool AskExistingTarget(QWidget*, const CTargetQuestion& question, ETargetAnswer& answer, bool& forAll) override {
        targetQuestions.push_back(question);
        if (targetAnswers.empty()) return false;
        answer = targetAnswers.front().answer;
        forAll = targetAnswers.front().forAll;
        targetAnswers.pop_front();
        return true;
    }

private:
    template <class T>
    static T Take(std::deque<T>& queue, T none) {
        if (queue.empty()) return none;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A server of a test's own that requires explicit TLS, with a server
// certificate the test CA issued.
struct CTlsServer {
    velmora::test::TestCertificates certificates;
    std::optional<velmora::test::FtpServer> server;

    ::testing::AssertionResult Start() {
        std::string error;
        if (!certificates.Make(error)) return ::testing::AssertionFailure() << error;
        server.emplace(velmora::test::FtpServerOptions{.tlsCertFile = certificates.ServerCertFile(),
                                                       .tlsKeyFile = certificates.ServerKeyFile()});
        if (!server->Start()) return ::testing::AssertionFailure() << server->GetError();
        return ::testing::AssertionSuccess();
    }
};

// A real FTP server and everything the program's windows share, with
// settings and data folders of the test's own.
class AppTest : public velmora::test::FtpServerTest {
protected:
    void SetUp() override {
        FtpServerTest::SetUp();
        TakeQtWarnings();
        targets.Follow(queue);
    }
    // Qt complains about misuse of its widgets and threads as warnings.
    void TearDown() override {
        ProcessEvents();
        EXPECT_EQ(TakeQtWarnings(), std::vector<std::string>{});
    }

    velmora::CFtpLoginInfo Login(const std::string& name = "Home") const {
        velmora::CFtpLoginInfo info;
        info.SetHostName(name);
        info.SetHost(server.GetHost());
        info.SetPort(server.GetPort());
        info.SetLoginName(server.GetUser());
        info.SetPassword(server.GetPassword());
        return info;
    }
    // Starts the browser's login and waits for its end; answers whether it
    // connected.
    bool ConnectAndWait(CFtpTreeDlg& browser, const velmora::CFtpLoginInfo& info) {
        bool ended = false;
        bool connected = false;
        const QMetaObject::Connection heard = QObject::connect(&browser, &CFtpTreeDlg::ConnectFinished, [&](bool ok) {
            ended = true;
            connected = ok;
        });
        browser.Connect(info);
        WaitFor([&] { return ended; }, std::chrono::seconds(30));
        QObject::disconnect(heard);
        ProcessEvents();
        return connected;
    }
    // Waits until no transfer runs or waits; answers how many ended.
    int WaitForTransfers() {
        WaitFor([this] { return !queue.IsBusy(); }, std::chrono::seconds(20));
        ProcessEvents();
        return transfersEnded;
    }
    bool HasRemote(const std::string& path) const { return std::filesystem::exists(server.Path(path)); }
    // Transfer threads with one file's request recorded, for the queue.
    std::unique_ptr<CTransferThread> DownloadThread(const std::string& remote, const std::string& folder) const {
        auto thread = std::make_unique<CTransferThread>();
        velmora::CFtpPathList files;
        files.Add(new velmora::CFtpPath(remote));
        thread->GetApi().DownloadFilesA(Login(), files, velmora::CFtpPath(folder, velmora::PATH_FOLDER));
        return thread;
    }
    std::unique_ptr<CTransferThread> UploadThread(const std::string& local, const std::string& folder) const {
        auto thread = std::make_unique<CTransferThread>();
        velmora::CFtpPathList files;
        files.Add(new velmora::CFtpPath(local));
        files.GetHead()->ReadStatus();
        thread->GetApi().UploadFilesA(Login(), files, velmora::CFtpPath(folder, velmora::PATH_FOLDER));
        return thread;
    }

    CUserFolders folders;
    CAppSettings settings{PARCELO_SKIN_DIR "/../"};
    CFtpSink sink;
    CStatusRelay relay;
    CTransferQueue queue;
    CScriptedPrompter prompter;
    CExistingTargets targets{settings, prompter};
    CAppContext context{settings, sink, queue, relay, prompter, targets};
    int transfersEnded = 0;
    QMetaObject::Connection counting =
        QObject::connect(&queue, &CTransferQueue::TransferEnded, [this] { ++transfersEnded; });
};

}  // namespace parcelo::test

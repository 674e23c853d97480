#include "ftp/ftp_client.h"

#include <climits>
#include <memory>
#include <mutex>
#include <vector>

#include "base/block_copy.h"
#include "base/format.h"
#include "base/path_text.h"
#include "ftp/ftp_dir.h"
#include "ftp/open_session.h"
#include "ftp/sftp_session.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "platform/clock.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

constexpr const char* kSource = "Ftp";

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A "Start" record opens a nesting level of the log. The level closes with
// the matching "Done" record, or without one when the step fails, so that a
// failed step does not indent every line logged after it.
class CLogStep {
public:
    template <class Detail>
    CLogStep(const char* action, const Detail& detail) : m_action(action) {
        CLogStatus::Send(LOG_START, kSource, m_action, detail);
        CLogStatus::IncDepth();
    }
    CLogStep(const CLogStep&) = delete;
    CLogStep& operator=(const CLogStep&) = delete;
    ~CLogStep() { Close(); }

    template <class Detail>
    void Done(const Detail& detail) {
        Close();
        CLogStatus::Send(LOG_DONE, kSource, m_action, detail);
    }

private:
    void Close() {
        if (m_open) CLogStatus::DecDepth();
        m_open = false;
    }

    std::string m_action;
    bool m_open = true;
};

// Progress controls count in 32-bit integers: a larger size is scaled down
// by a power of two, and every position with it.
int ProgressShift(uint64_t length) {
    int shift = 0;
    while ((length >> shift) > static_cast<uint64_t>(INT_MAX)) ++shift;
    return shift;
}

std::mutex g_plainLoginMutex;
CFtpClient::TPlainLoginQuestion g_plainLoginQuestion;

bool AskPlainLogin(const std::string& host, uint16_t port) {
    CFtpClient::TPlainLoginQuestion question;
    {
        std::lock_guard lock(g_plainLoginMutex);
        question = g_plainLoginQuestion;
    }
    return !question || question(host, port);
}

}  // namespace

void CFtpClient::SetPlainLoginQuestion(TPlainLoginQuestion question) {
    std::lock_guard lock(g_plainLoginMutex);
    g_plainLoginQuestion = std::move(question);
}

CFtpClient::CFtpClient() { CMsgBox::Box().Subscribe(kFtpClientListenerName, this); }

CFtpClient::~CFtpClient() {
    CMsgBox::Box().Unsubscribe(this);
    Logoff();
}

CObj* CFtpClient::CreateObject() const { return new CFtpClient(); }

void CFtpClient::Copy(const CObj& src) {
    CObj::Copy(src);
    if (const auto* client = dynamic_cast<const CFtpClient*>(&src)) {
        m_loginInfo = client->m_loginInfo;
        m_options = client->m_options;
        m_strError = client->m_strError;
    }
}

// ---- errors ----------------------------------------------------------------

bool CFtpClient::ShowError(const std::string& text) {
    m_strError = "Ftp: " + text;
    return false;
}

bool CFtpClient::ShowSessionError() { return ShowError(m_session ? m_session->GetLastError() : std::string()); }

const CCertificateInfo& CFtpClient::GetPeerCertificate() const {
    static const CCertificateInfo kNone;
    return m_session ? m_session->GetPeerCertificate() : kNone;
}

const CSshHostKey& CFtpClient::GetPeerHostKey() const {
    static const CSshHostKey kNone;
    const auto* sftp = dynamic_cast<const CSftpSession*>(m_session.get());
    return sftp ? sftp->GetHostKey() : kNone;
}

std::string CFtpClient::Absolute(const std::string& folder) const {
    if (folder.starts_with('/') || folder.starts_with('\\')) return folder;
    return AppendSlash(m_strFolder, '/') + folder;
}

bool CFtpClient::CheckConnection() { return IsConnected() || ShowError("Ftp is not connected"); }

// ---- login -----------------------------------------------------------------

bool CFtpClient::Login(std::string_view host, std::string_view user, std::string_view password) {
    CFtpLoginInfo info;
    info.SetHost(host);
    info.SetLoginName(user);
    info.SetPassword(password);
    return Login(info);
}

bool CFtpClient::Login(const CFtpLoginInfo& info) {
    m_loginInfo = info;
    if (IsConnected()) {
        ShowError("Ftp client already connected");
        return true;
    }
    std::string caption = info.GetCurAttempt() < 2 ? Format("%s ", info.GetHost().c_str())
                                                   : Format("%s (Attempt %d of %d) ", info.GetHost().c_str(),
                                                            info.GetCurAttempt(), info.GetRetries());
    CLogStep step("Login", caption);
    if (!GetFtpConnection(info.GetHost(), info.GetLoginName(), info.GetPassword(), info.GetPort(),
                          info.IsPassive()))
        return false;
    m_strFolder = m_session->GetHomeFolder();
    step.Done(caption + ", dir:" + Quoted(m_strFolder));
    return true;
}

CRemoteSession* CFtpClient::GetFtpConnection(const std::string& server, const std::string& user,
                                             const std::string& password, int port, bool passive) {
    CFtpLoginInfo login = m_loginInfo;
    login.SetHost(server);
    login.SetLoginName(user);
    login.SetPassword(password);
    login.SetPort(port);
    login.SetPassive(passive);
    PrepareRemoteSession(m_session, login);
    m_loginError = ERemoteError::None;
    CSessionOptions options = m_options;
    // The warning goes before the password does.
    options.allowPlainLogin = [own = m_options.allowPlainLogin](const std::string& host, uint16_t hostPort) {
        if (!(own ? own(host, hostPort) : AskPlainLogin(host, hostPort))) return false;
        CLogStatus::Send(LOG_STATUS, kSource, kPlainFtpAction,
                         host + " offers no TLS: the password and the files cross the network unencrypted");
        return true;
    };
    if (m_session->Connect(login, options)) return m_session.get();
    m_loginError = m_session->GetLastErrorKind();
    const std::string& reason = m_session->GetLastError();
    ShowError(reason.empty() ? std::string("Unable to get ftp connection") : reason);
    return nullptr;
}

void CFtpClient::Logoff() {
    if (!IsConnected()) return;
    m_session->Close();
    CLogStatus::Send(LOG_OK, kSource, "Logoff", " ");
}

// ---- folders -----------------------------------------------------------------

bool CFtpClient::SetCurrentDirectoryW(const std::string& folder) {
    if (!CheckConnection()) return false;
    const std::string absolute = Absolute(folder);
    if (!m_session->IsFolder(absolute)) return ShowSessionError();
    m_strFolder = absolute;
    CLogStatus::Send(LOG_OK, kSource, "Current directory changed to : ", Quoted(folder));
    return true;
}

bool CFtpClient::CreateDirectoryW(const std::string& folder) {
    if (!CheckConnection()) return false;
    if (!m_session->MakeFolder(Absolute(folder)))
        return ShowError("Create directory : " + Quoted(folder) + ", Details: " + m_session->GetLastError());
    CLogStatus::Send(LOG_OK, kSource, "Create directory :", Quoted(folder));
    return true;
}

// Servers refuse to create a folder that exists: such a level is fine as
// long as it can be entered.
bool CFtpClient::EnterLevelOrCreate(const std::string& level) {
    if (CreateDirectoryW(level)) return true;
    return IsConnected() && m_session->IsFolder(level);
}

bool CFtpClient::CreateFolder(const CFtpPath& path) {
    const std::string& text = path.GetPath();
    if (!text.empty() && text.front() != '/' && text.front() != '\\') {
        // A relative path names a folder below the current one.
        return CreateFolder(CFtpPath(Absolute(text), path.GetPathType()));
    }
    if (SetCurrentDirectoryW(path.GetFtpPath())) return true;
    if (!CheckConnection()) return false;
    const std::string dir = path.GetFtpDir(true);
    // Levels are named from the root, so entering one does not move the next.
    std::string level = "/";
    size_t start = 0;
    while (start < dir.size()) {
        const size_t end = dir.find_first_of("/\\", start);
        const std::string part = dir.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? dir.size() : end + 1;
        if (part.empty()) continue;
        level += part + "/";
        if (!EnterLevelOrCreate(level)) return false;
    }
    return true;
}

bool CFtpClient::CreateDestFolder(std::string_view folder, std::string_view parent, CFtpPath& result) {
    if (!CheckConnection()) return false;
    CFtpPath path(parent, PATH_FOLDER);
    path.AppendDir(folder);
    result = path;
    const std::string text = path.GetFtpDir(true);
    return SetCurrentDirectoryW(text) || CreateDirectoryW(text);
}

// ---- listing and file information ---------------------------------------------

bool CFtpClient::Dir() {
    if (!CheckConnection()) return false;
    return m_session->List(
               m_strFolder, [](CFtpDir&&) { return true; }, nullptr) ||
           ShowSessionError();
}

bool CFtpClient::GetInfo(const CFtpPath& remote, CFtpPath& result) {
    if (!CheckConnection()) return false;
    const std::string path = remote.GetFtpPath();
    CRemoteFacts facts;
    if (!m_session->GetFactsOnly(path, FactSize | FactTime, facts) || !facts.exists || facts.folder)
        return ShowError("Cannot get the Ftp file info");
    CFtpPath found(path);
    found.Length(facts.size.value_or(0));
    found.SetAttr(platform::FileAttrNormal);
    if (facts.modified != 0) {
        found.CreationTime(facts.modified);
        found.LastAccessTime(facts.modified);
        found.LastWriteTime(facts.modified);
    }
    result = found;
    return true;
}

// ---- transfers -----------------------------------------------------------------

// Between blocks: the cancel question, the position and a "Transfer" record
// with the percentage (none while the size is unknown).
class CFtpClient::CTransferProgress : public CCopyProgress {
public:
    CTransferProgress(CFtpClient& client, uint64_t length)
        : m_client(client), m_length(length), m_shift(ProgressShift(length)) {}

    bool IsCancelled() override { return m_client.ProgressCheckCancel() && !m_client.ShowError("Aborted by user"); }

    void OnBlock(uint64_t done, size_t) override {
        if (m_length == 0) {
            m_client.ProgressSetPos(0);
            return;
        }
        m_client.ProgressSetPos(static_cast<int>(done >> m_shift));
        CLogStatus::Send(LOG_OK, kSource, "Transfer", FormatCopyProgress(done, m_length, ECopyDigits::Plain));
    }

private:
    CFtpClient& m_client;
    uint64_t m_length;
    int m_shift;
};

ECopyEnd CFtpClient::Transfer(const std::string& name, CRemoteStream& remote, const TBlockRead& read,
                              const TBlockWrite& write, uint64_t length) {
    ProgressSetRange(0, static_cast<int>(length >> ProgressShift(length)));
    CLogStatus::Send(LOG_OK, kSource, "Open remote file:", Quoted(name));
    ProgressStart(true);
    CTransferProgress progress(*this, length);
    ECopyEnd end = CopyBlocks(read, write, progress).end;
    if (end != ECopyEnd::Complete) {
        remote.Abort();  // the server keeps what it already has
    } else if (!remote.Close()) {  // only the server's confirmation makes it complete
        ShowError(remote.GetLastError());
        end = ECopyEnd::ReadFailed;
    }
    ProgressFinish();
    return end;
}

bool CFtpClient::UploadFile(const CFtpPath& local, const CFtpPath& remote) {
    CLogStep step("Transfer file:", local);
    if (!CheckConnection() || !SetCurrentDirectoryW(remote.GetFtpDir(true))) return false;
    const std::string name = remote.GetFileName().empty() ? local.GetFileName() : remote.GetFileName();
    const CFtpPath target(remote.GetFtpDir(true) + name);
    const std::string path = target.GetPath();
    CStreamCheck check(*m_session, m_eVerify);
    if (check.IsRefused()) return ShowError(check.Refusal(path));
    ECopyEnd end = ECopyEnd::Complete;
    for (bool firstTry = true;; firstTry = false) {
        end = SendFile(local, path, check);
        if (end == ECopyEnd::ReadFailed || end == ECopyEnd::WriteFailed) return false;
        if (end != ECopyEnd::Complete) break;
        const ECheckStep checked = CheckPass(check, path, firstTry);
        if (checked == ECheckStep::Pass) break;
        // Other bytes than were sent never stand under the file's name.
        if (!m_session->DeleteFile(path)) m_session->Rename(path, PartialUploadPath(target));
        if (checked == ECheckStep::Fail) return false;
        check.WaitOutServerCache();
    }
    step.Done(local);
    return end == ECopyEnd::Complete;
}

ECopyEnd CFtpClient::SendFile(const CFtpPath& local, const std::string& path, CStreamCheck& check) {
    platform::CFileReader source;
    if (!source.Open(local.GetPath())) {
        ShowError("Unable to open source file: " + local.GetPath());
        return ECopyEnd::ReadFailed;
    }
    std::unique_ptr<CRemoteStream> target = m_session->OpenWrite(path, 0, ERemoteWrite::Replace);
    if (!target) {
        ShowError("Unable to open remote file: " + path);
        return ECopyEnd::WriteFailed;
    }
    check.Restart();
    std::string error;
    return Transfer(
        CFtpPath(path).GetFileName(), *target,
        [&](char* buffer, size_t size, size_t& received) {
            return source.Read(buffer, size, received, &error) || ShowError(error);
        },
        [&](const char* data, size_t size) {
            check.Add(data, size);
            return target->Write(data, size) || ShowError(target->GetLastError());
        },
        source.GetSize());
}

bool CFtpClient::DownloadFile(const CFtpPath& remote, const CFtpPath& local) {
    CLogStep step("Download file:", local);
    if (!CheckConnection() || !SetCurrentDirectoryW(remote.GetFtpDir(true))) return false;
    const std::string path = remote.GetFtpDir(true) + remote.GetFileName();
    CStreamCheck check(*m_session, m_eVerify);
    if (check.IsRefused()) return ShowError(check.Refusal(path));
    ECopyEnd end = ECopyEnd::Complete;
    for (bool firstTry = true;; firstTry = false) {
        end = ReceiveFile(remote, path, local, check);
        if (end == ECopyEnd::ReadFailed || end == ECopyEnd::WriteFailed) return false;
        if (end != ECopyEnd::Complete) break;
        const ECheckStep checked = CheckPass(check, path, firstTry);
        if (checked == ECheckStep::Pass) break;
        if (checked == ECheckStep::Fail) {
            // Other bytes than the server holds must not be taken for the file.
            platform::DeleteFile(local.GetPath());
            return false;
        }
    }
    step.Done(local);
    return end == ECopyEnd::Complete;
}

ECopyEnd CFtpClient::ReceiveFile(const CFtpPath& remote, const std::string& path, const CFtpPath& local,
                                 CStreamCheck& check) {
    std::unique_ptr<CRemoteStream> source = m_session->OpenRead(path, 0);
    if (!source) {
        ShowError("Unable to open remote file: " + remote.GetPath());
        return ECopyEnd::ReadFailed;
    }
    // Only now, with the remote file open, may an existing local file be replaced.
    platform::CFileWriter target;
    if (!target.Open(local.GetPath())) {
        ShowError("Unable to open target file: " + local.GetPath());
        return ECopyEnd::WriteFailed;
    }
    check.Restart();
    std::string error;
    ECopyEnd end = Transfer(
        remote.GetFileName(), *source,
        [&](char* buffer, size_t size, size_t& received) {
            if (!source->Read(buffer, size, received)) return ShowError(source->GetLastError());
            check.Add(buffer, received);
            return true;
        },
        [&](const char* data, size_t size) { return target.Write(data, size, &error) || ShowError(error); },
        remote.Length());
    // The recorded size is only the progress's; what the server announced must come.
    bool shorter = false;
    if (end == ECopyEnd::Complete && !CheckReadLength(*source, 0, 0, error, shorter)) {
        ShowError(error);
        end = ECopyEnd::ReadFailed;
    }
    const bool failed = end == ECopyEnd::ReadFailed || end == ECopyEnd::WriteFailed;
    if (!target.Close(&error) && !failed) {
        ShowError(error);
        end = ECopyEnd::WriteFailed;
    }
    return end;
}

CFtpClient::ECheckStep CFtpClient::CheckPass(CStreamCheck& check, const std::string& path, bool firstTry) {
    if (!check.IsOn()) return ECheckStep::Pass;
    std::string text;
    switch (check.Compare(path, text)) {
        case ECheckVerdict::Verified:
            CLogStatus::Send(LOG_STATUS, kSource, "Verified:", check.Algorithm() + " " + text + " " + path);
            return ECheckStep::Pass;
        case ECheckVerdict::Unchecked: CLogStatus::Send(LOG_STATUS, kSource, "Not verified:", text); return ECheckStep::Pass;
        case ECheckVerdict::Failed: ShowError(CheckFailureText(ECheckVerdict::Failed, text)); return ECheckStep::Fail;
        case ECheckVerdict::Mismatch: break;
    }
    if (!firstTry) {
        ShowError(CheckFailureText(ECheckVerdict::Mismatch, text));
        return ECheckStep::Fail;
    }
    CLogStatus::Send(LOG_STATUS, kSource, "Checksum mismatch:", text + ": " + path + " goes again from its first byte");
    return ECheckStep::Again;
}

// ---- progress ------------------------------------------------------------------

void CFtpClient::ProgressStart(bool flag) { CMsgSend(MSG_PROGRESS_START, flag ? 1 : 0, 0, 0); }

void CFtpClient::ProgressFinish() { CMsgSend(MSG_PROGRESS_FINISH, 0, 0, 0); }

void CFtpClient::ProgressSetCaption(const std::string& text) { CMsgSend(MSG_PROGRESS_CAPTION, text, 0, 0); }

void CFtpClient::ProgressSetStatus(const CStatusMap&) { CMsgSend(MSG_PROGRESS_STATUS, 0, 0, 0); }

void CFtpClient::ProgressSetPos(int pos) { CMsgSend(MSG_PROGRESS_POS, pos, 0, 0); }

void CFtpClient::ProgressSetRange(int lower, int upper) { CMsgSend(MSG_PROGRESS_RANGE, lower, upper, 0); }

bool CFtpClient::ProgressCheckCancel() { return CMsgSend(MSG_PROGRESS_CHECK_CANCEL, 0, 0, 0).Result() == 1; }

}  // namespace velmora

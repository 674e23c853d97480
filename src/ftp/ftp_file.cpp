#include "ftp/ftp_file.h"

#include "base/block_copy.h"
#include "ftp/ftp_find.h"
#include "ftp/open_session.h"
#include "ftp/protocol/ftp_reply.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "platform/atomic_file.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/message_pump.h"

namespace velmora {
namespace {

// Range and position may exceed 32 bits; they travel as 64-bit arguments,
// whose low half is what a 32-bit reader sees.
void SendProgressRange(uint64_t upper) {
    CMsg msg(MSG_PROGRESS, 0, 0, 0);
    msg.SubCmd(MSG_PROGRESS_RANGE);
    msg.Unit(PROGRESS_UNIT_FTP_FILE);
    msg.LLArgv(static_cast<int64_t>(upper));
    CMsgBox::Box().Send(msg);
}

void SendProgressPosition(uint64_t position) {
    CMsg msg(MSG_PROGRESS, 0, std::string(), 0);
    msg.SubCmd(MSG_PROGRESS_POS);
    msg.Unit(PROGRESS_UNIT_FTP_FILE);
    msg.LLArgc(static_cast<int64_t>(position));
    CMsgBox::Box().Send(msg);
}

}  // namespace

int32_t CFtpFile::m_msecTimeOut = 10000;
int32_t CFtpFile::m_bPassive = 1;

CFtpFile::CFtpFile() = default;

CFtpFile::~CFtpFile() {
    CMsgBox::Box().Unsubscribe(this);
    // Nobody is left to hear how a check came out.
    DropInternetFile();
    CloseConnection();
}

bool CFtpFile::Login(const std::string& host, const std::string& user, const std::string& password, uint16_t port) {
    CFtpLoginInfo info;
    info.SetHost(host);
    info.SetLoginName(user);
    info.SetPassword(password);
    info.SetPort(port);
    return Login(info);
}

bool CFtpFile::Login(const CFtpLoginInfo& info) {
    m_login = info;
    return Login();
}

bool CFtpFile::Login() {
    m_bCancel = false;
    DropInternetFile();
    CloseConnection();
    CSessionOptions options;
    options.connectTimeoutMs = m_msecTimeOut;
    options.sendTimeoutMs = m_msecTimeOut;
    options.receiveTimeoutMs = m_msecTimeOut;
    options.connectRetries = 3;
    CFtpLoginInfo login = m_login;
    login.SetPassive(m_bPassive != 0);
    std::string error;
    m_pSession = OpenRemoteSession(login, options, error);
    return m_pSession || ShowError("Unable to get ftp connection");
}

bool CFtpFile::Open(const std::string& remotePath) {
    if (!CheckConnection()) return false;
    DropInternetFile();
    m_nLength = 0;
    m_bCancel = false;
    m_remote.Clear();
    if (!FindRemote(CFtpPath(remotePath))) return ShowError("Unable to find remote Ftp file: " + remotePath);
    m_nLength = m_remote.Length();
    if (!SetCurrentDirectoryW(m_remote.GetFtpDir(true))) return false;
    m_pCheck = std::make_unique<CStreamCheck>(*m_pSession, m_eVerify);
    if (m_pCheck->IsRefused()) return ShowError(m_pCheck->Refusal(remotePath));
    return OpenStream() || ShowError("Unable to open remote Ftp file: " + remotePath);
}

bool CFtpFile::OpenStream() {
    m_bReadToEnd = false;
    m_pCheck->Restart();
    m_pFile = m_pSession->OpenRead(m_remote.GetFtpPath(), 0);
    return m_pFile != nullptr;
}

bool CFtpFile::ReadStream(char* buffer, size_t size, size_t& received) {
    received = 0;
    if (!m_pFile || !m_pFile->Read(buffer, size, received)) return false;
    if (received == 0) m_bReadToEnd = true;
    if (m_pCheck) m_pCheck->Add(buffer, received);
    return true;
}

// The file's own entry in its folder's listing. Names that differ only in
// letter case are different files on most servers, so an exact match wins
// over one that ignores case.
bool CFtpFile::FindRemote(const CFtpPath& wanted) {
    CFtpFind find(m_pSession.get());
    const std::string exact = wanted.GetFtpPath();
    bool found = false;
    for (bool more = find.FindFile(wanted.GetFtpDir(true) + "*"); more;) {
        more = find.FindNextFileW();
        const CFtpDir* entry = find.GetCurrent();
        if (!entry->IsFile() || !entry->GetPath().IsEqual(wanted)) continue;
        if (!found || entry->GetPath().GetFtpPath() == exact) m_remote = entry->GetPath();
        found = true;
    }
    return found;
}

bool CFtpFile::Download(const CFtpPath& remote, const CFtpPath& local) {
    return Open(remote.GetFtpPath()) && Download(local);
}

// Between blocks: the position (0 while the size is unknown), then the
// message loop, so that windows repaint and a cancel request can arrive.
class CFtpFile::CDownloadProgress : public CCopyProgress {
public:
    explicit CDownloadProgress(CFtpFile& file) : m_file(file) {}

    bool IsCancelled() override { return m_file.m_bCancel; }

    void OnBlock(uint64_t done, size_t) override {
        SendProgressPosition(m_file.m_nLength != 0 ? done : 0);
        platform::PumpPendingMessages();
    }

private:
    CFtpFile& m_file;
};

bool CFtpFile::Download(const CFtpPath& local) {
    if (!CheckOpen()) return false;
    const std::string localPath = local.GetPath();
    SendProgressRange(m_nLength);
    CMsgProgress(PROGRESS_UNIT_FTP_FILE, MSG_PROGRESS_START, 1, 0);
    ECheckVerdict checked = ECheckVerdict::Verified;
    bool ok = CopyToLocal(localPath, checked);
    // Bytes changed on the way once are mostly changed by chance: the file
    // goes once more from its first byte.
    if (!ok && checked == ECheckVerdict::Mismatch) {
        ok = OpenStream() ? CopyToLocal(localPath, checked) : ShowError(m_pSession->GetLastError());
    }
    // A file that is not what the server holds must not be taken for it.
    if (checked == ECheckVerdict::Mismatch || checked == ECheckVerdict::Failed) platform::DeleteFile(localPath);
    CMsgProgress(PROGRESS_UNIT_FTP_FILE, MSG_PROGRESS_FINISH, 0, 0);
    return ok;
}

bool CFtpFile::CopyToLocal(const std::string& localPath, ECheckVerdict& checked) {
    checked = ECheckVerdict::Verified;
    platform::CFileWriter out;
    if (!out.Open(localPath)) {
        DropInternetFile();
        return ShowError("Unable to open target file: " + localPath);
    }
    CDownloadProgress progress(*this);
    const CCopyResult copied = CopyBlocks(
        [this](char* buffer, size_t size, size_t& received) { return ReadStream(buffer, size, received); },
        [&out](const char* data, size_t size) { return out.Write(data, size); }, progress);
    bool ok = copied.IsComplete();
    if (copied.end == ECopyEnd::Cancelled) ShowError("Aborted by user");
    if (copied.end == ECopyEnd::ReadFailed) ShowError(m_pFile->GetLastError());
    if (copied.end == ECopyEnd::WriteFailed) ShowError("Unable to write target file: " + localPath);
    if (!out.Close() && ok) ok = ShowError("Unable to write target file: " + localPath);
    if (ok) return ConfirmWhole(checked);
    DropInternetFile();
    return false;
}

// Only the server's confirmation and the listed size tell a complete file
// from one cut short; only the server's hash tells one whose bytes changed.
bool CFtpFile::ConfirmWhole(ECheckVerdict& checked) {
    checked = ECheckVerdict::Verified;
    const std::unique_ptr<CRemoteStream> stream = std::move(m_pFile);
    m_strReadAhead.clear();
    m_nReadAheadAt = 0;
    std::string error;
    bool shorter = false;
    if (!stream->Close()) return ShowError(stream->GetLastError());
    if (!CheckReadLength(*stream, 0, m_nLength, error, shorter)) return ShowError(error);
    if (!m_pCheck || !m_pCheck->IsOn()) return true;
    std::string text;
    checked = m_pCheck->Compare(m_remote.GetFtpPath(), text);
    const std::string failure = CheckFailureText(checked, text);
    return failure.empty() || ShowError(failure);
}

bool CFtpFile::Close() {
    m_bCancel = false;
    const bool closed = CloseInternetFile();
    CloseConnection();
    return closed;
}

bool CFtpFile::CloseInternetFile() {
    // A file read to its end is confirmed and checked; one left before its
    // end is abandoned.
    ECheckVerdict checked = ECheckVerdict::Verified;
    if (m_pFile && m_bReadToEnd) return ConfirmWhole(checked);
    DropInternetFile();
    return true;
}

void CFtpFile::DropInternetFile() {
    if (m_pFile) m_pFile->Abort();
    m_pFile.reset();
    m_strReadAhead.clear();
    m_nReadAheadAt = 0;
}

void CFtpFile::CloseConnection() {
    if (m_pSession) m_pSession->Close();
    m_pSession.reset();
}

size_t CFtpFile::Read(void* buffer, size_t count) {
    if (m_nReadAheadAt < m_strReadAhead.size()) {
        const size_t taken = m_strReadAhead.copy(static_cast<char*>(buffer), count, m_nReadAheadAt);
        m_nReadAheadAt += taken;
        return taken;
    }
    size_t received = 0;
    if (!ReadStream(static_cast<char*>(buffer), count, received)) return 0;
    return received;
}

bool CFtpFile::ReadString(std::string& line) {
    if (!m_pFile) return false;
    size_t end = m_strReadAhead.find('\n', m_nReadAheadAt);
    if (end == std::string::npos) {
        // What is left moves to the front once per block read, not per line.
        m_strReadAhead.erase(0, m_nReadAheadAt);
        m_nReadAheadAt = 0;
    }
    while (end == std::string::npos) {
        const size_t before = m_strReadAhead.size();
        m_strReadAhead.resize(before + kBlockSize);
        size_t received = 0;
        const bool ok = ReadStream(m_strReadAhead.data() + before, kBlockSize, received);
        m_strReadAhead.resize(before + received);
        if (!ok) return ShowError(m_pFile->GetLastError());
        if (received == 0) break;
        end = m_strReadAhead.find('\n', before);
    }
    if (end == std::string::npos && m_nReadAheadAt == m_strReadAhead.size()) return false;
    const size_t next = end == std::string::npos ? m_strReadAhead.size() : end + 1;
    line.assign(m_strReadAhead, m_nReadAheadAt, (end == std::string::npos ? next : end) - m_nReadAheadAt);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_nReadAheadAt = next;
    return true;
}

bool CFtpFile::LoadFile(const std::string& localPath, std::string& text) {
    if (!CFilePath::IsExistsFile(localPath)) return false;
    std::string error;
    return platform::ReadWholeFile(localPath, text, &error) || ShowError(error);
}

bool CFtpFile::Write(const void* data, size_t count) { return m_pFile && m_pFile->Write(data, count); }

bool CFtpFile::IsConnected() const { return m_pSession && m_pSession->IsConnected(); }

void CFtpFile::OnMsg(CMsg& msg) {
    if (msg.Cmd() == MSG_CANCEL) m_bCancel = msg.Argc() == 1;
}

bool CFtpFile::CheckConnection() { return IsConnected() || ShowError("Ftp is not connected"); }

bool CFtpFile::CheckOpen() { return CheckConnection() && (IsOpen() || ShowError("Ftp file is not open")); }

bool CFtpFile::SetCurrentDirectoryW(const std::string& folder) {
    return CheckConnection() && (m_pSession->IsFolder(folder) || ShowError(GetInternetResponseInfo()));
}

std::string CFtpFile::GetInternetResponseInfo() const {
    constexpr size_t kMaxResponse = 255;
    return m_pSession ? protocol::TruncateUtf8(m_pSession->GetLastError(), kMaxResponse) : std::string();
}

bool CFtpFile::ShowError(const std::string& text) {
    m_strError = "Ftp: " + text;
    return false;
}

}  // namespace velmora

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/block_copy.h"
#include "ftp/ssh_keys.h"
#include "ftp/login_info.h"
#include "ftp/remote_session.h"
#include "ftp/session_options.h"
#include "ftp/stream_check.h"
#include "ftp/tls_trust.h"
#include "messaging/listener.h"
#include "objects/obj.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// One session with a file server (FTP, FTPS, SFTP): logs in with a CFtpLoginInfo,
// changes and creates remote
// folders, and uploads or downloads single files in 51200-byte blocks. It
// reports progress as plain commands 2 to 8 on the message bus, stops a
// transfer when a listener answers command 8 with 1, and sends a log record
// (source "Ftp") for every step. Failures answer false and keep the reason,
// always starting "Ftp: ", as the last error; success does not clear it.
//
// The client owns its remote session (GetSession) and keeps the same session
// object across logins, so whoever holds it keeps holding a good one. It
// has a current folder of its own (the server's home folder after a login)
// against which relative folders are read.
//
// The client subscribes itself to the message box as "CFtpClient". It is
// used by one thread at a time. Login makes one attempt: retrying (with the
// login info's delay) is the caller's loop, which should retry only when
// IsTransient(GetLoginError()) says the failure may pass.
class VELMORA_API CFtpClient : public CListener, public CObj {
public:
    static constexpr size_t kBlockSize = kCopyBlockSize;
    // The action of the status record sent when a server in auto mode
    // offers no TLS and the session goes on in plain FTP, before the
    // password is sent.
    static constexpr const char* kPlainFtpAction = "Plain FTP";
    // Whether a password may go in clear to a server that offers no TLS
    // and never did, for hosts that ask their user (once per server, say).
    // Answering false fails the login (PlainRefused) before the password
    // leaves. Process-wide; unset, every such login goes on with the record
    // above. Session options that bring their own answer take precedence.
    using TPlainLoginQuestion = std::function<bool(const std::string& host, uint16_t port)>;
    static void SetPlainLoginQuestion(TPlainLoginQuestion question);

    CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;
    ~CFtpClient() override;  // unsubscribes and logs off

    // A new client has the same login info and session options, no connection.
    CObj* CreateObject() const override;
    void Copy(const CObj& src) override;

    // True also when already connected (the connection is kept, the last
    // error says "Ftp client already connected").
    bool Login(const CFtpLoginInfo& info);
    // A connection with default settings: current attempt 3 of 3 retries.
    bool Login(std::string_view host, std::string_view user, std::string_view password);
    void Logoff();
    bool IsConnected() const { return m_session && m_session->IsConnected(); }
    // How the last failed Login failed: LoginRefused when the server refused
    // the user or password, Unreachable/Lost when the server could not be
    // reached or stopped answering, Untrusted when its certificate or host
    // key is not trusted; None after a successful login.
    ERemoteError GetLoginError() const { return m_loginError; }
    // The server's certificate from the last login's TLS handshake (kept
    // after a refusal, GetLoginError() == Untrusted), for the user to judge.
    const CCertificateInfo& GetPeerCertificate() const;
    // The same for an SSH server's host key (empty for FTP).
    const CSshHostKey& GetPeerHostKey() const;
    bool IsEncrypted() const { return !GetEncryption().empty(); }
    // "TLSv1.3"; empty for a plain session.
    std::string GetEncryption() const { return m_session ? m_session->GetEncryption() : std::string(); }

    // The session for listing, remote file streams, deleting and renaming;
    // null while not connected. It lives as long as the client (a later
    // Login of the same protocol connects the same object again), and must
    // not be used while the client itself is transferring.
    CRemoteSession* GetSession() { return IsConnected() ? m_session.get() : nullptr; }
    CFtpLoginInfo GetFtpLoginInfo() const { return m_loginInfo; }
    const std::string& GetStrError() const { return m_strError; }
    // The server's answer to the session's last failed operation.
    std::string GetInternetResponseInfo() const { return m_session ? m_session->GetLastError() : std::string(); }
    // The folder relative folders are read against.
    const std::string& GetCurrentFolder() const { return m_strFolder; }

    // Time-outs, low-speed limit and listing preference of the next Login
    // (defaults: 10000 ms each, 3 connect rounds).
    void SetSessionOptions(const CSessionOptions& options) { m_options = options; }
    const CSessionOptions& GetSessionOptions() const { return m_options; }

    bool SetCurrentDirectoryW(const std::string& folder);
    bool CreateDirectoryW(const std::string& folder);
    // Creates every missing level of the path's folder. A level that cannot
    // be created but can be entered already exists.
    bool CreateFolder(const CFtpPath& path);
    // `result` = parent + folder as a sub-folder; created when missing.
    bool CreateDestFolder(std::string_view folder, std::string_view parent, CFtpPath& result);
    // Lists the current folder (the entries are not kept).
    bool Dir();
    // Size, time and attributes of a remote file.
    bool GetInfo(const CFtpPath& remote, CFtpPath& result);

    // How UploadFile and DownloadFile check a file against the server's
    // hash of it (default Auto): one whose bytes changed on the way goes
    // once more from its first byte, and fails when it differs again; it is
    // then removed (an upload from the server, or where it cannot be, kept
    // under its partial name; a download from the local disk).
    void SetVerify(EVerify verify) { m_eVerify = verify; }

    // Stores the local file in the remote path's folder under the remote
    // path's name (the local name when the remote path names none).
    bool UploadFile(const CFtpPath& local, const CFtpPath& remote);
    // Progress and percentages use the size recorded in `remote`; the
    // download must bring the size the server announces, where it does. A
    // failed or cancelled download leaves the partial local file; an
    // existing local file is replaced only once the remote file is open.
    bool DownloadFile(const CFtpPath& remote, const CFtpPath& local);

protected:
    // Connects the session to the login info's server as that user; null on
    // failure (the error is set).
    CRemoteSession* GetFtpConnection(const std::string& server, const std::string& user, const std::string& password,
                                     int port, bool passive);
    bool CheckConnection();
    // Last error = "Ftp: " + text; answers false for the failure paths.
    bool ShowError(const std::string& text);
    // The session's last error as this client's.
    bool ShowSessionError();

    void ProgressStart(bool flag);
    void ProgressFinish();
    // The caption text travels as the message's Argc; a status map is not
    // sent (command 5 goes out without it).
    void ProgressSetCaption(const std::string& text);
    void ProgressSetStatus(const CStatusMap& status);
    void ProgressSetPos(int pos);
    void ProgressSetRange(int lower, int upper);
    bool ProgressCheckCancel();

private:
    class CTransferProgress;

    // Progress range, start and finish around the block copy; a complete
    // transfer must be confirmed by the server, anything else is aborted.
    ECopyEnd Transfer(const std::string& name, CRemoteStream& remote, const TBlockRead& read, const TBlockWrite& write,
                      uint64_t length);
    // One pass of an upload to, or a download from, the full remote `path`,
    // feeding `check` the bytes as they go.
    ECopyEnd SendFile(const CFtpPath& local, const std::string& path, CStreamCheck& check);
    ECopyEnd ReceiveFile(const CFtpPath& remote, const std::string& path, const CFtpPath& local, CStreamCheck& check);
    // After a complete pass: whether the file stands, goes once more (a
    // first mismatch), or failed (the reason is the last error).
    enum class ECheckStep { Pass, Again, Fail };
    ECheckStep CheckPass(CStreamCheck& check, const std::string& path, bool firstTry);
    bool EnterLevelOrCreate(const std::string& level);
    // `folder` read against the current folder.
    std::string Absolute(const std::string& folder) const;

    CFtpLoginInfo m_loginInfo;
    CSessionOptions m_options;
    std::unique_ptr<CRemoteSession> m_session;
    ERemoteError m_loginError = ERemoteError::None;
    std::string m_strFolder = "/";
    std::string m_strError;
    EVerify m_eVerify = EVerify::Auto;
};

}  // namespace velmora

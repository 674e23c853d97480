#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ftp/ftp_client.h"
#include "ftp/ftp_node.h"
#include "ftp/login_info.h"

namespace parcelo {

// The program-wide FTP session of the browser: the selected connection's
// settings, the session (a client it owns), the server's folder tree (root
// and current folder) and the server's system type. The tray and the
// windows read its state on the window thread; the browser runs the
// session's server work on a thread of its own, one job at a time, and
// touches the tree only on the window thread. The windows never reach the
// client itself: they read its state (GetState), which while a job has the
// session is a copy taken when the job began; only a job's work gets the
// client (Session, GetConnection).
//
// The browser's session waits less than a transfer's before it gives up,
// because the window waits with it, unless the connection sets its own.
class CFtpSink {
public:
    // What the windows show of the session.
    struct CState {
        bool online = false;
        bool encrypted = false;
        std::string tlsVersion;
        std::string error;
        // How the last login failed, and the certificate or SSH host key it
        // was shown.
        velmora::ERemoteError loginError = velmora::ERemoteError::None;
        velmora::CCertificateInfo peerCertificate;
        velmora::CSshHostKey peerHostKey;
    };

    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kReplyTimeoutMs = 8000;
    // An idle session sends NOOP after a minute without commands, checked
    // twice a minute: well inside the usual five-minute idle limits.
    static constexpr int kKeepAliveIdleSeconds = 60;
    static constexpr int kKeepAliveCheckMs = 30000;

    CFtpSink();
    ~CFtpSink();
    CFtpSink(const CFtpSink&) = delete;
    CFtpSink& operator=(const CFtpSink&) = delete;

    // The settings of the selected connection (also when not connected).
    const velmora::CFtpLoginInfo& GetLoginInfo() const { return m_info; }

    // Logs off, forgets the tree, and logs in with the connection's settings;
    // after a login the server's system type is asked ("SYST"). False when
    // the settings are incomplete or the login failed (the state's error
    // says why). On the calling thread: for tests and tools.
    bool Connect(const velmora::CFtpLoginInfo& info);
    // Connect in two steps, so that the login can wait on another thread:
    // Prepare (window thread) forgets the tree and takes the settings, false
    // when they are incomplete; Open (any one thread, while nothing else
    // touches the session) logs off the previous session, logs in, asks
    // "SYST" and lists the start folder into a new root that AdoptRoot then
    // installs. `seen` gets the start folder's entries as listed.
    bool Prepare(const velmora::CFtpLoginInfo& info);
    bool Open(std::unique_ptr<velmora::CFtpNode>& root,
              const std::function<void(const velmora::CFtpDir&)>& seen = {});
    // The root Open made becomes the tree's root and the current folder.
    velmora::CFtpNode* AdoptRoot(std::unique_ptr<velmora::CFtpNode> root, velmora::platform::ITreeCtrl* tree);
    // True while Open runs on another thread: the state is not to be read.
    bool IsOpening() const { return m_bOpening.load(); }
    void SetOpening(bool opening) { m_bOpening = opening; }
    // While the browser's worker uses the session (window thread): the
    // state is read from what it was when the work began, and no keep-alive
    // goes out.
    void SetInUse(bool inUse);
    bool IsInUse() const { return m_bInUse; }
    // The state to show (any time on the window thread).
    CState GetState() const;
    // Connected, and not being opened elsewhere (any time on the window thread).
    bool IsOnline() const;
    // After a failed Connect: what went wrong, as the heading of the notice
    // (a wrong password, a refused connection, a time-out...).
    std::string GetFailureHeading() const;
    // A server address and a login name: enough to try a login.
    static bool IsComplete(const velmora::CFtpLoginInfo& info);
    // A NOOP when the online session has been idle for kKeepAliveIdleSeconds.
    // A session dropped anyway logs in again at its next command.
    void KeepAlive();

    velmora::CFtpNode* GetRoot() const { return m_pRoot.get(); }
    velmora::CFtpNode* GetCurrent() const { return m_pCurrent; }
    void SetCurrent(velmora::CFtpNode* node) { m_pCurrent = node; }
    // Destroys the tree; the caller removes its items first.
    void DestroyTree();

    // The reply to "SYST" after the last login (not while a login runs).
    const std::string& GetSystemType() const { return m_strSystem; }
    bool IsUnix() const { return IsUnixSystem(m_strSystem); }
    // A UNIX server: the reply's first four characters are "UNIX" in any case.
    static bool IsUnixSystem(std::string_view reply);

    // The state in words, for the tray's status balloon.
    std::string GetStatusText() const;

    // Keeps a failure's reason as the session's last error ("Ftp: " + text).
    void ReportError(const std::string& text);
    // The session's time-outs for connections that set none of their own.
    void SetSessionOptions(const velmora::CSessionOptions& options);
    const velmora::CSessionOptions& GetSessionOptions() const { return m_options; }

    // The session, for the work of a job that holds it (SetInUse), on that
    // job's thread; and its connection, null while not connected.
    velmora::CFtpClient& Session() { return m_client; }
    velmora::CFtpNode::Connection* GetConnection() { return m_client.GetSession(); }

private:
    void UseTimeout(int seconds);
    // Read from the session itself: only while no worker has it.
    CState ReadState() const;

    velmora::CFtpClient m_client;
    velmora::CSessionOptions m_options;
    velmora::CFtpLoginInfo m_info;
    // A failure found by the windows (not by the client), and what the
    // client's own last error was then.
    std::string m_strReported;
    std::string m_strClientErrorThen;
    std::unique_ptr<velmora::CFtpNode> m_pRoot;
    velmora::CFtpNode* m_pCurrent = nullptr;
    std::string m_strSystem;
    std::atomic<bool> m_bOpening{false};
    bool m_bInUse = false;
    // Taken when a worker is given the session, and only then: the worker
    // never touches it.
    CState m_stateInUse;
};

}  // namespace parcelo

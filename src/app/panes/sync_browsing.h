#pragma once

#include <optional>
#include <string>

#include <QObject>

namespace parcelo {

class CFtpSink;
class CFtpTreeDlg;
class CLocalPane;

// Synchronised browsing: while it is on, entering a folder on one side
// enters the same folder, relative to a pair of base folders, on the other.
// The base pair is the two panes' folders when it is turned on (or the
// bookmark gone to). A folder outside its base, or one the other side
// lacks, leaves the other side where it is.
class CSyncBrowsing : public QObject {
    Q_OBJECT

public:
    // `sink` is the server pane's session.
    CSyncBrowsing(CLocalPane& local, CFtpTreeDlg& browser, const CFtpSink& sink, QObject* parent = nullptr);

    // The folder below `toBase` that stands where `entered` stands below
    // `fromBase`; none when `entered` is not `fromBase` or below it. Both
    // sides use "/" and either may end with one; the answer ends as
    // `toBase` does.
    static std::optional<std::string> Follow(const std::string& fromBase, const std::string& toBase,
                                             const std::string& entered);

    // On, from the panes' folders now; off.
    void SetEnabled(bool on);
    // On, from this pair (the panes are sent there).
    void Start(const std::string& localBase, const std::string& remoteBase);
    bool IsEnabled() const { return m_bOn; }

private:
    void OnLocalEntered();
    void OnRemoteEntered();
    std::string RemoteFolder() const;

    CLocalPane& m_local;
    CFtpTreeDlg& m_browser;
    const CFtpSink& m_sink;
    bool m_bOn = false;
    std::string m_strLocalBase;
    std::string m_strRemoteBase;
    // The server folder the server pane was sent to and has not shown yet:
    // what it shows on the way there does not send the local pane back.
    std::string m_strRemoteSent;
    bool m_bMovingLocal = false;
};

}  // namespace parcelo

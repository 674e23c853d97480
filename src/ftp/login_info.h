#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/password_store.h"
#include "ftp/remote_protocol.h"
#include "ftp/tls_trust.h"
#include "objects/obj.h"
#include "objects/std_list.h"
#include "paths/file_path.h"
#include "paths/list_obj.h"
#include "platform/api.h"

namespace velmora {

namespace platform {
class IListCtrl;
}

// A pair of folders of a site that the user goes to together: one on this
// machine and one on the server, under a name of the user's.
struct CSiteBookmark {
    std::string name;
    std::string local;
    std::string remote;

    bool operator==(const CSiteBookmark&) const = default;
};

// Everything needed to open one FTP connection. The password is plain in
// memory. Where it rests is the connection's own: scrambled (StrEnc) in the
// attribute text, or in the desktop's keyring, or nowhere. For the last two
// the text keeps an empty "ftp_pwd" (what older readers take as no password)
// and a marker "ftp_pwd_store" ('keyring', 'none').
class VELMORA_API CFtpLoginInfo : public CObj {
public:
    static constexpr int kDefaultPort = 21;
    // A protocol's own port: 22 for SFTP, 990 for implicit TLS, else 21.
    static int DefaultPort(ERemoteProtocol kind, protocol::ETlsMode tls);
    int GetDefaultPort() const { return DefaultPort(m_eProtocol, m_tls.mode); }

    CFtpLoginInfo();
    explicit CFtpLoginInfo(const CObj& src);
    CFtpLoginInfo(const CFtpLoginInfo& other);
    CFtpLoginInfo& operator=(const CFtpLoginInfo& other);
    ~CFtpLoginInfo() override;

    CObj* CreateObject() const override;
    void Clear() override;
    void Copy(const CObj& src) override;
    // Every field, the current attempt included.
    virtual void Copy(const CFtpLoginInfo& src);
    // Host name, address, login and password (exactly), port and remote
    // path; description, passive mode, retries and the anonymous flag do not
    // count.
    bool IsEqual(const CObj& other) const override;
    void WriteXMLAttr(std::string& out) const override;
    std::string XMLObject() const override;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    // Gives the connection a new GUID when the text carried none, so every
    // connection read from a file has an identity.
    void ReadXMLAttr(const std::string& attributes) override;
    // No host address: nothing to connect to.
    virtual bool IsEmpty() const { return m_strHostAddr.empty(); }

    const std::string& GetHostName() const { return m_strHostName; }
    void SetHostName(std::string_view name) { m_strHostName = name; }
    const std::string& GetHost() const { return m_strHostAddr; }
    void SetHost(std::string_view address) { m_strHostAddr = address; }
    const std::string& GetLoginName() const { return m_strLoginName; }
    void SetLoginName(std::string_view login) { m_strLoginName = login; }
    const std::string& GetPassword() const { return m_strPassword; }
    // A new password, to be saved where the host's choice says.
    void SetPassword(std::string_view password);
    // Where the password rests (Keyring, File or None); File by default.
    EPasswordStore GetPasswordRest() const { return m_ePasswordRest; }
    void SetPasswordRest(EPasswordStore where) { m_ePasswordRest = where; }
    // The password rests in the keyring and was not read from it yet.
    bool IsPasswordPending() const { return m_bPasswordPending; }
    // Set since the connection was read or saved.
    bool IsPasswordChanged() const { return m_bPasswordChanged; }
    // The password as read from where it rests; no longer pending.
    void SetStoredPassword(std::string_view password);
    // The password now rests at `where`.
    void SetPasswordSaved(EPasswordStore where);
    int GetPort() const { return m_nPort; }
    void SetPort(int port) { m_nPort = port; }
    bool IsPassive() const { return m_bPassive != 0; }
    void SetPassive(bool on) { m_bPassive = on ? 1 : 0; }
    int GetRetries() const { return m_nRetries; }
    void SetRetries(int retries) { m_nRetries = retries; }
    // Milliseconds between two login attempts.
    int GetRetryDelay() const { return m_nRetryDelay; }
    void SetRetryDelay(int msec) { m_nRetryDelay = msec; }
    // The attempt a caller's retry loop is at; shown in the login caption.
    int GetCurAttempt() const { return m_nCurAttempt; }
    void SetCurAttempt(int attempt) { m_nCurAttempt = attempt; }
    bool IsAnonymous() const { return m_bAnonymous != 0; }
    void SetAnonymous(bool on) { m_bAnonymous = on ? 1 : 0; }
    const std::string& GetDescr() const { return m_strDescr; }
    void SetDescr(std::string_view text) { m_strDescr = text; }
    // Where the desktop's site list files the connection ("Work/Clients";
    // empty for the top), the local folder it opens beside the server, and
    // how long a server may keep it waiting, in seconds (0: the program's
    // default). Files without them read as empty and 0.
    const std::string& GetFolder() const { return m_strFolder; }
    void SetFolder(std::string_view folder) { m_strFolder = folder; }
    const std::string& GetLocalPath() const { return m_strLocalPath; }
    void SetLocalPath(std::string_view path) { m_strLocalPath = path; }
    int GetTimeout() const { return m_nTimeout; }
    void SetTimeout(int seconds) { m_nTimeout = seconds; }
    // The site's bookmarks ("ftp_bookmarks": a line each, its name, local
    // and remote folder separated by tabs; a tab or line break inside one of
    // them is written as a blank) and whether the desktop's panes browse
    // in step ("ftp_sync_browse"). Only written when there are any, or it
    // is on: older files read as none and off.
    const std::vector<CSiteBookmark>& GetBookmarks() const { return m_bookmarks; }
    void SetBookmarks(std::vector<CSiteBookmark> bookmarks) { m_bookmarks = std::move(bookmarks); }
    bool IsSyncBrowsing() const { return m_bSyncBrowsing; }
    void SetSyncBrowsing(bool on) { m_bSyncBrowsing = on; }

    // FTP over TLS, stored with the connection: the mode ("ftp_tls"), the
    // pinned fingerprint ("ftp_tls_fingerprint"), an extra CA file
    // ("ftp_tls_ca_file") and the "accept any certificate" switch
    // ("ftp_tls_insecure"). A connection stored without them is plain FTP
    // that trusts the system's certificate authorities only.
    const protocol::CTlsSettings& GetTlsSettings() const { return m_tls; }
    void SetTlsSettings(const protocol::CTlsSettings& settings) { m_tls = settings; }
    protocol::ETlsMode GetTlsMode() const { return m_tls.mode; }
    void SetTlsMode(protocol::ETlsMode mode) { m_tls.mode = mode; }
    const std::string& GetTlsFingerprint() const { return m_tls.fingerprint; }
    void SetTlsFingerprint(std::string_view fingerprint) { m_tls.fingerprint = fingerprint; }
    const std::string& GetTlsCaFile() const { return m_tls.caFile; }
    void SetTlsCaFile(std::string_view file) { m_tls.caFile = file; }
    bool IsTlsInsecure() const { return m_tls.insecure; }
    void SetTlsInsecure(bool on) { m_tls.insecure = on; }

    // The protocol ("protocol": 'sftp'; absent, as in every older file,
    // means FTP). For SFTP, the host key to accept besides the known-hosts
    // files ("ssh_fingerprint"), the key files offered in order
    // ("ssh_identities", one per line) and whether the agent's keys are
    // offered ("ssh_agent", on when absent). The callbacks of the SSH
    // settings are the host's, set for each run and never stored.
    ERemoteProtocol GetProtocol() const { return m_eProtocol; }
    void SetProtocol(ERemoteProtocol protocol) { m_eProtocol = protocol; }
    bool IsSftp() const { return m_eProtocol == ERemoteProtocol::Sftp; }
    const CSshSettings& GetSshSettings() const { return m_ssh; }
    void SetSshSettings(const CSshSettings& settings) { m_ssh = settings; }

    CFtpPath GetFtpPath() const { return m_remotePath; }
    void SetFtpPath(const CFtpPath& path) { m_remotePath = path; }
    // The start folder with a trailing "/" ("/" for the root).
    std::string GetRemotePath() const { return m_remotePath.GetFtpDir(true); }

    // Host address and remote path text, nothing between them.
    std::string GetURL_() const;
    // "ftp://host/" + remote path text; a port other than 21 follows the
    // host as ":port", so that the URL names the server completely. The
    // scheme names a TLS mode that must hold: "ftpes://" for required
    // explicit TLS, "ftps://" for implicit TLS (default port 990); or the
    // protocol: "sftp://" (default port 22).
    std::string GetPureURL() const;
    // Five " - Label'value'" lines for the connections window.
    std::string GetDescription() const;

protected:
    std::string m_strHostName;
    std::string m_strHostAddr;
    std::string m_strLoginName;
    std::string m_strPassword;
    EPasswordStore m_ePasswordRest = EPasswordStore::File;
    bool m_bPasswordPending = false;
    bool m_bPasswordChanged = false;
    int m_nPort = kDefaultPort;
    int m_bPassive = 1;
    int m_nRetries = 3;
    int m_nRetryDelay = 3000;
    int m_nCurAttempt = 3;
    int m_bAnonymous = 0;
    std::string m_strDescr;
    std::string m_strFolder;
    std::string m_strLocalPath;
    int m_nTimeout = 0;
    std::vector<CSiteBookmark> m_bookmarks;
    bool m_bSyncBrowsing = false;
    CFtpPath m_remotePath;
    protocol::CTlsSettings m_tls;
    ERemoteProtocol m_eProtocol = ERemoteProtocol::Ftp;
    CSshSettings m_ssh;
};

// The user's saved connections, written to and read from one file (the
// desktop program's "FtpPropList.xml"). Loading appends to what is held.
class VELMORA_API CFtpLoginInfoList : public CStdList<CFtpLoginInfo, CFtpLoginInfo*>, public CListObj {
public:
    using List = CStdList<CFtpLoginInfo, CFtpLoginInfo*>;

    explicit CFtpLoginInfoList(std::string_view tag = {}, bool ownsElements = true, bool showErrors = false);
    CFtpLoginInfoList(const CFtpLoginInfoList& other);
    CFtpLoginInfoList& operator=(const CFtpLoginInfoList& other);
    ~CFtpLoginInfoList() override;

    // Both copies take the tag and deep copies of the elements.
    void Copy(const CObj& src) override;
    void Copy(const List& other) override;

    const std::string& GetTag() const { return m_strTag; }
    void SetTag(std::string_view tag) { m_strTag = tag; }

    // By display name (not address), exactly; null when none.
    CFtpLoginInfo* FindByHost(std::string_view hostName) const;
    // Null for an empty text, even when a connection has no GUID.
    CFtpLoginInfo* FindByGUID(std::string_view guid) const;

    std::string XMLObject() const override;
    void WriteXMLAttr(std::string& out) const override;
    void WriteXMLBody(std::string& out) const override;
    void WriteXMLCloseTag(std::string& out) const override;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    using CObj::ReadXMLAttr;
    // Appends the connections of a list text; false for another element or
    // an empty list. Connections read before a damaged element stay.
    // `text` is left as it was.
    bool ReadXML(std::string& text) override;
    // Before the file is written, each password set since the last save
    // goes where the host's choice says (EPasswordStore), and scrambled
    // passwords move into the keyring where one runs. After it is written,
    // the keyring entries of connections that left the list, or the
    // keyring, are deleted. The file may still hold scrambled passwords: it
    // is written owner-only (0600), as UTF-8, and replaces the old file only
    // once it is complete. False, with nothing written, when a new password
    // cannot go where it must (unless KeepRefusedPasswordsForSession).
    bool SaveXML(std::string_view path);
    // A host that saves in the background (the desktop program) keeps a new
    // password that cannot go where it must (the keyring locked, its prompt
    // dismissed) for the session only, marked to be asked for at the next
    // start, and writes the rest of the list rather than losing every later
    // change; a notice says so. Otherwise SaveXML fails with nothing written.
    void KeepRefusedPasswordsForSession(bool keep) { m_bKeepRefusedPasswords = keep; }
    // What the last save has to tell the user: a password kept in the file
    // for want of a keyring, a keyring entry that could not be deleted.
    const std::vector<std::string>& GetSaveNotices() const { return m_notices; }
    // False for a missing file (no error); otherwise appends as ReadXML.
    bool LoadXML(std::string_view path);

    // A cleared connection named "Connection <count + 1>" with a new GUID,
    // appended to the list and, when a control is given, as its last row.
    CFtpLoginInfo* AddNewConnection(platform::IListCtrl* list);
    // Refills the control (when its window exists) with one row per connection.
    void Populate(platform::IListCtrl& list, int imageCount) const;
    // One row for `info` at `row` (the end for a negative row); answers the
    // row's index, -1 when nothing was inserted.
    static int Populate(platform::IListCtrl& list, CFtpLoginInfo* info, int imageCount, int row);

protected:
    CObj* CreateListObject() const override;

private:
    // Puts away the passwords that must move before the file is written.
    bool PutPasswords(const std::string& file);
    // Deletes the keyring entries that no connection rests in any more.
    void ClearLeftEntries();
    // The connections whose password this list knows to rest in the
    // keyring: GUID -> the account the entry was stored for.
    void NoteKeyringEntry(const CFtpLoginInfo& info);

    std::string m_strTag;
    std::map<std::string, std::string> m_keyringEntries;
    std::vector<std::string> m_notices;
    bool m_bKeepRefusedPasswords = false;
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// Everything needed to open one FTP connection. The password is plain in
// memory; only the attribute text holds it scrambled (StrEnc), because the
// connections file is the one place where it rests.
class VELMORA_API CFtpLoginInfo : public CObj {
public:
    static constexpr int kDefaultPort = 21;

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
    void SetPassword(std::string_view password) { m_strPassword = password; }
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

    CFtpPath GetFtpPath() const { return m_remotePath; }
    void SetFtpPath(const CFtpPath& path) { m_remotePath = path; }
    // The start folder with a trailing "/" ("/" for the root).
    std::string GetRemotePath() const { return m_remotePath.GetFtpDir(true); }

    // Host address and remote path text, nothing between them.
    std::string GetURL_() const;
    // "ftp://host/" + remote path text; a port other than 21 follows the
    // host as ":port", so that the URL names the server completely. The
    // scheme names a TLS mode that must hold: "ftpes://" for required
    // explicit TLS, "ftps://" for implicit TLS (default port 990).
    std::string GetPureURL() const;
    // Five " - Label'value'" lines for the connections window.
    std::string GetDescription() const;

protected:
    std::string m_strHostName;
    std::string m_strHostAddr;
    std::string m_strLoginName;
    std::string m_strPassword;
    int m_nPort = kDefaultPort;
    int m_bPassive = 1;
    int m_nRetries = 3;
    int m_nRetryDelay = 3000;
    int m_nCurAttempt = 3;
    int m_bAnonymous = 0;
    std::string m_strDescr;
    CFtpPath m_remotePath;
    protocol::CTlsSettings m_tls;
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
    // The file holds scrambled passwords: it is written owner-only (0600),
    // as UTF-8, and replaces the old file only once it is complete.
    bool SaveXML(std::string_view path);
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
    std::string m_strTag;
};

}  // namespace velmora

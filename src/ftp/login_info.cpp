#include "ftp/login_info.h"

#include <algorithm>
#include <memory>

#include "base/format.h"
#include "base/password.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "platform/atomic_file.h"
#include "platform/controls.h"

namespace velmora {
namespace {

// The connections file is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxConnectionsFile = size_t{64} << 20;

std::string SummaryLine(const char* label, const std::string& value) {
    return Format(" - %s'%s'", label, value.c_str());
}

// Whose password a keyring entry holds; an entry moves when this changes.
std::string AccountOf(const CFtpLoginInfo& info) {
    return Format("%s@%s:%d", info.GetLoginName().c_str(), info.GetHost().c_str(), info.GetPort());
}

// One field of a bookmark line: its separators would split it.
std::string BookmarkField(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string BookmarkLines(const std::vector<CSiteBookmark>& bookmarks) {
    std::string lines;
    for (const CSiteBookmark& bookmark : bookmarks) {
        if (!lines.empty()) lines += '\n';
        lines += BookmarkField(bookmark.name) + '\t' + BookmarkField(bookmark.local) + '\t' +
                 BookmarkField(bookmark.remote);
    }
    return lines;
}

// A line without its three fields is no bookmark.
std::vector<CSiteBookmark> ReadBookmarkLines(std::string_view text) {
    std::vector<CSiteBookmark> bookmarks;
    for (size_t from = 0; from <= text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        const std::string_view line = text.substr(from, end - from);
        const size_t first = line.find('\t');
        const size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
        if (second != std::string_view::npos) {
            bookmarks.push_back({std::string(line.substr(0, first)), std::string(line.substr(first + 1, second - first - 1)),
                                 std::string(line.substr(second + 1))});
        }
        from = end + 1;
    }
    return bookmarks;
}

}  // namespace

// ---- CFtpLoginInfo ---------------------------------------------------------

CFtpLoginInfo::CFtpLoginInfo() = default;

CFtpLoginInfo::CFtpLoginInfo(const CObj& src) { Copy(src); }

CFtpLoginInfo::CFtpLoginInfo(const CFtpLoginInfo& other) : CObj() { Copy(other); }

CFtpLoginInfo& CFtpLoginInfo::operator=(const CFtpLoginInfo& other) {
    if (this != &other) Copy(other);
    return *this;
}

CFtpLoginInfo::~CFtpLoginInfo() = default;

CObj* CFtpLoginInfo::CreateObject() const { return new CFtpLoginInfo(); }

void CFtpLoginInfo::Clear() {
    CObj::Clear();
    m_strHostName.clear();
    m_strHostAddr.clear();
    m_strLoginName.clear();
    m_strPassword.clear();
    m_ePasswordRest = EPasswordStore::File;
    m_bPasswordPending = false;
    m_bPasswordChanged = false;
    m_nPort = kDefaultPort;
    m_bPassive = 1;
    m_nRetries = 3;
    m_nRetryDelay = 3000;
    m_nCurAttempt = 3;
    m_bAnonymous = 0;
    m_strDescr.clear();
    m_strFolder.clear();
    m_strLocalPath.clear();
    m_nTimeout = 0;
    m_bookmarks.clear();
    m_bSyncBrowsing = false;
    m_remotePath.Clear();
    m_tls = protocol::CTlsSettings();
    m_eProtocol = ERemoteProtocol::Ftp;
    m_ssh = CSshSettings();
}

void CFtpLoginInfo::Copy(const CObj& src) {
    if (const auto* info = dynamic_cast<const CFtpLoginInfo*>(&src)) {
        Copy(*info);
    } else {
        CObj::Copy(src);
    }
}

void CFtpLoginInfo::Copy(const CFtpLoginInfo& src) {
    if (this == &src) return;
    CObj::Copy(src);
    m_strHostName = src.m_strHostName;
    m_strHostAddr = src.m_strHostAddr;
    m_strLoginName = src.m_strLoginName;
    m_strPassword = src.m_strPassword;
    m_ePasswordRest = src.m_ePasswordRest;
    m_bPasswordPending = src.m_bPasswordPending;
    m_bPasswordChanged = src.m_bPasswordChanged;
    m_nPort = src.m_nPort;
    m_bPassive = src.m_bPassive;
    m_nRetries = src.m_nRetries;
    m_nRetryDelay = src.m_nRetryDelay;
    m_nCurAttempt = src.m_nCurAttempt;
    m_bAnonymous = src.m_bAnonymous;
    m_strDescr = src.m_strDescr;
    m_strFolder = src.m_strFolder;
    m_strLocalPath = src.m_strLocalPath;
    m_nTimeout = src.m_nTimeout;
    m_bookmarks = src.m_bookmarks;
    m_bSyncBrowsing = src.m_bSyncBrowsing;
    m_remotePath = src.m_remotePath;
    m_tls = src.m_tls;
    m_eProtocol = src.m_eProtocol;
    m_ssh = src.m_ssh;
}

bool CFtpLoginInfo::IsEqual(const CObj& other) const {
    const auto* info = dynamic_cast<const CFtpLoginInfo*>(&other);
    return info && m_strHostName == info->m_strHostName && m_strHostAddr == info->m_strHostAddr &&
           m_strLoginName == info->m_strLoginName && m_strPassword == info->m_strPassword &&
           m_nPort == info->m_nPort && m_remotePath.IsEqual(info->m_remotePath);
}

void CFtpLoginInfo::SetPassword(std::string_view password) {
    m_strPassword = password;
    m_bPasswordChanged = true;
    m_bPasswordPending = false;
}

void CFtpLoginInfo::SetStoredPassword(std::string_view password) {
    m_strPassword = password;
    m_bPasswordPending = false;
}

void CFtpLoginInfo::SetPasswordSaved(EPasswordStore where) {
    m_ePasswordRest = where;
    m_bPasswordChanged = false;
    m_bPasswordPending = false;
}

void CFtpLoginInfo::WriteXMLAttr(std::string& out) const {
    out += XMLAttr("uModified", static_cast<int>(uModified));
    out += XMLAttr("Status", static_cast<int>(Status));
    out += XMLAttr("GUID", GetStrGUID());
    out += XMLAttr("ftp_host_name", m_strHostName);
    out += XMLAttr("ftp_host_addr", m_strHostAddr);
    out += XMLAttr("ftp_login_name", m_strLoginName);
    const bool inText = m_ePasswordRest == EPasswordStore::File;
    out += XMLAttr("ftp_pwd", inText ? StrEnc(m_strPassword) : std::string());
    out += XMLAttr("ftp_port", m_nPort);
    out += XMLAttr("ftp_psv_mode", m_bPassive);
    out += XMLAttr("ftp_retries", m_nRetries);
    out += XMLAttr("ftp_retry_delay", m_nRetryDelay);
    out += XMLAttr("ftp_anonimous", m_bAnonymous);
    out += XMLAttr("ftp_descr", m_strDescr);
    out += XMLAttr("ftp_tls", static_cast<int>(m_tls.mode));
    out += XMLAttr("ftp_tls_fingerprint", m_tls.fingerprint);
    out += XMLAttr("ftp_tls_ca_file", m_tls.caFile);
    out += XMLAttr("ftp_tls_insecure", m_tls.insecure ? 1 : 0);
    out += XMLAttr("ftp_folder", m_strFolder);
    out += XMLAttr("ftp_local_path", m_strLocalPath);
    out += XMLAttr("ftp_timeout", m_nTimeout);
    if (!inText) out += XMLAttr("ftp_pwd_store", PasswordStoreName(m_ePasswordRest));
    // Only what differs from plain FTP, so that FTP connections read as before.
    if (IsSftp()) out += XMLAttr("protocol", "sftp");
    if (!m_ssh.fingerprint.empty()) out += XMLAttr("ssh_fingerprint", m_ssh.fingerprint);
    if (!m_ssh.identities.empty()) {
        std::string lines;
        for (const std::string& file : m_ssh.identities) lines += (lines.empty() ? "" : "\n") + file;
        out += XMLAttr("ssh_identities", lines);
    }
    if (!m_ssh.useAgent) out += XMLAttr("ssh_agent", 0);
    if (!m_bookmarks.empty()) out += XMLAttr("ftp_bookmarks", BookmarkLines(m_bookmarks));
    if (m_bSyncBrowsing) out += XMLAttr("ftp_sync_browse", 1);
    m_remotePath.WriteXMLAttr(out);
}

std::string CFtpLoginInfo::XMLObject() const { return "CFtpLoginInfo"; }

bool CFtpLoginInfo::ReadXMLAttr(const std::string& name, const std::string& value) {
    const std::string key = ToLowerAscii(name);
    struct IntField {
        const char* name;
        int CFtpLoginInfo::*field;
    };
    static constexpr IntField kIntFields[] = {
        {"ftp_port", &CFtpLoginInfo::m_nPort},
        {"ftp_psv_mode", &CFtpLoginInfo::m_bPassive},
        {"ftp_retries", &CFtpLoginInfo::m_nRetries},
        {"ftp_retry_delay", &CFtpLoginInfo::m_nRetryDelay},
        {"ftp_anonimous", &CFtpLoginInfo::m_bAnonymous},
        {"ftp_timeout", &CFtpLoginInfo::m_nTimeout},
    };
    struct TextField {
        const char* name;
        std::string CFtpLoginInfo::*field;
    };
    static constexpr TextField kTextFields[] = {
        {"ftp_host_name", &CFtpLoginInfo::m_strHostName},
        {"ftp_host_addr", &CFtpLoginInfo::m_strHostAddr},
        {"ftp_login_name", &CFtpLoginInfo::m_strLoginName},
        {"ftp_descr", &CFtpLoginInfo::m_strDescr},
        {"ftp_folder", &CFtpLoginInfo::m_strFolder},
        {"ftp_local_path", &CFtpLoginInfo::m_strLocalPath},
    };
    if (key == "umodified") {
        uModified = static_cast<uint32_t>(ParseInt32(value));
    } else if (key == "status") {
        Status = static_cast<uint32_t>(ParseInt32(value));
    } else if (key == "guid") {
        SetStrGUID(value);
    } else if (key == "ftp_pwd") {
        m_strPassword = StrDec(value);
    } else if (key == "ftp_pwd_store") {
        // A place this version does not know keeps what "ftp_pwd" held.
        EPasswordStore where = EPasswordStore::File;
        if (ParsePasswordStore(value, where) && where != EPasswordStore::Auto) m_ePasswordRest = where;
        m_bPasswordPending = m_ePasswordRest == EPasswordStore::Keyring;
    } else if (key == "ftp_tls") {
        m_tls.mode = protocol::TlsModeFromNumber(ParseInt32(value));
    } else if (key == "ftp_tls_fingerprint") {
        m_tls.fingerprint = value;
    } else if (key == "ftp_tls_ca_file") {
        m_tls.caFile = value;
    } else if (key == "ftp_tls_insecure") {
        m_tls.insecure = ParseInt32(value) != 0;
    } else if (key == "protocol") {
        m_eProtocol = EqualsNoCase(value, "sftp") ? ERemoteProtocol::Sftp : ERemoteProtocol::Ftp;
    } else if (key == "ssh_fingerprint") {
        m_ssh.fingerprint = value;
    } else if (key == "ssh_identities") {
        m_ssh.identities.clear();
        for (size_t from = 0; from <= value.size();) {
            const size_t end = std::min(value.find('\n', from), value.size());
            if (end > from) m_ssh.identities.push_back(value.substr(from, end - from));
            from = end + 1;
        }
    } else if (key == "ssh_agent") {
        m_ssh.useAgent = ParseInt32(value) != 0;
    } else if (key == "ftp_bookmarks") {
        m_bookmarks = ReadBookmarkLines(value);
    } else if (key == "ftp_sync_browse") {
        m_bSyncBrowsing = ParseInt32(value) != 0;
    } else {
        for (const IntField& f : kIntFields) {
            if (key == f.name) {
                this->*f.field = ParseInt32(value);
                return true;
            }
        }
        for (const TextField& f : kTextFields) {
            if (key == f.name) {
                this->*f.field = value;
                return true;
            }
        }
        return m_remotePath.ReadXMLAttr(name, value);
    }
    return true;
}

void CFtpLoginInfo::ReadXMLAttr(const std::string& attributes) {
    // A text without a marker keeps its password itself.
    m_ePasswordRest = EPasswordStore::File;
    m_bPasswordPending = false;
    m_bPasswordChanged = false;
    CObj::ReadXMLAttr(attributes);
    if (GetStrGUID().empty()) CreateGUID();
}

std::string CFtpLoginInfo::GetURL_() const { return m_strHostAddr + m_remotePath.GetPath(); }

int CFtpLoginInfo::DefaultPort(ERemoteProtocol kind, protocol::ETlsMode tls) {
    if (kind == ERemoteProtocol::Sftp) return kSftpDefaultPort;
    return tls == protocol::ETlsMode::Implicit ? protocol::kImplicitTlsPort : kDefaultPort;
}

std::string CFtpLoginInfo::GetPureURL() const {
    const bool implicitTls = !IsSftp() && m_tls.mode == protocol::ETlsMode::Implicit;
    const std::string port = m_nPort == GetDefaultPort() ? std::string() : Format(":%d", m_nPort);
    // An IPv6 address is bracketed so that its colons are not read as a port.
    const bool ipv6 = m_strHostAddr.find(':') != std::string::npos && !m_strHostAddr.starts_with('[');
    const std::string host = ipv6 ? "[" + m_strHostAddr + "]" : m_strHostAddr;
    const char* scheme = IsSftp()                                    ? "sftp://"
                         : implicitTls                               ? "ftps://"
                         : m_tls.mode == protocol::ETlsMode::Require ? "ftpes://"
                                                                     : "ftp://";
    return scheme + host + port + "/" + m_remotePath.GetPath();
}

std::string CFtpLoginInfo::GetDescription() const {
    return SummaryLine("Host Name:.....", m_strHostName) + "\r\n" +
           SummaryLine("Description:...", m_strDescr) + "\r\n" +
           SummaryLine("Host Address:..", m_strHostAddr) + "\r\n" +
           SummaryLine("Login Name:....", m_strLoginName) + "\r\n" +
           SummaryLine("Remote Path:...", m_remotePath.GetPath());
}

// ---- CFtpLoginInfoList -----------------------------------------------------

CFtpLoginInfoList::CFtpLoginInfoList(std::string_view tag, bool ownsElements, bool showErrors)
    : List(ownsElements, showErrors), m_strTag(tag) {}

CFtpLoginInfoList::CFtpLoginInfoList(const CFtpLoginInfoList& other)
    : List(other), CListObj(), m_strTag(other.m_strTag), m_keyringEntries(other.m_keyringEntries) {}

CFtpLoginInfoList& CFtpLoginInfoList::operator=(const CFtpLoginInfoList& other) {
    Copy(static_cast<const List&>(other));
    return *this;
}

CFtpLoginInfoList::~CFtpLoginInfoList() = default;

void CFtpLoginInfoList::Copy(const CObj& src) {
    if (const auto* other = dynamic_cast<const CFtpLoginInfoList*>(&src)) Copy(static_cast<const List&>(*other));
}

void CFtpLoginInfoList::Copy(const List& other) {
    if (this == &other) return;
    List::Copy(other);
    if (const auto* list = dynamic_cast<const CFtpLoginInfoList*>(&other)) {
        m_strTag = list->m_strTag;
        m_keyringEntries = list->m_keyringEntries;
    }
}

CObj* CFtpLoginInfoList::CreateListObject() const { return new CFtpLoginInfoList(); }

CFtpLoginInfo* CFtpLoginInfoList::FindByHost(std::string_view hostName) const {
    for (CFtpLoginInfo* info : *this) {
        if (info->GetHostName() == hostName) return info;
    }
    return nullptr;
}

CFtpLoginInfo* CFtpLoginInfoList::FindByGUID(std::string_view guid) const {
    if (guid.empty()) return nullptr;
    for (CFtpLoginInfo* info : *this) {
        if (info->GetStrGUID() == guid) return info;
    }
    return nullptr;
}

std::string CFtpLoginInfoList::XMLObject() const { return "CFtpLoginInfoList"; }

void CFtpLoginInfoList::WriteXMLAttr(std::string& out) const { out += XMLAttr("tag", m_strTag); }

void CFtpLoginInfoList::WriteXMLBody(std::string& out) const {
    for (const CFtpLoginInfo* info : *this) info->WriteXML(out);
}

void CFtpLoginInfoList::WriteXMLCloseTag(std::string& out) const { out += "\r\n</" + XMLObject() + ">\r\n"; }

bool CFtpLoginInfoList::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (!EqualsNoCase(name, "tag")) return false;
    m_strTag = value;
    return true;
}

bool CFtpLoginInfoList::ReadXML(std::string& text) {
    CStringTokenizer reader(text);
    reader.RemoveCtrlChar();
    reader.GetNextToken("<");
    CStringTokenizer tag(reader.GetNextToken(">"));
    if (tag.IsEmpty() || tag.GetNextToken(" ") != XMLObject()) return false;
    ReadXMLAttr(tag.str());
    const std::string body = reader.LeftToken("</" + XMLObject() + ">");
    if (body.empty()) return false;
    // Each entry is read from a text of its own, cut out at its closing tag:
    // reading from the front of the whole body would move the rest of it
    // for every entry.
    const std::string closeTag = "</" + CFtpLoginInfo().XMLObject() + ">";
    for (size_t start = 0; start < body.size();) {
        const size_t close = body.find(closeTag, start);
        const size_t end = close == std::string::npos ? body.size() : close + closeTag.size();
        std::string entry = body.substr(start, end - start);
        start = end;
        auto info = std::make_unique<CFtpLoginInfo>();
        if (!info->ReadXML(entry)) break;
        NoteKeyringEntry(*info);
        Add(info.release());
    }
    return true;
}

void CFtpLoginInfoList::NoteKeyringEntry(const CFtpLoginInfo& info) {
    if (info.GetPasswordRest() == EPasswordStore::Keyring) m_keyringEntries[info.GetStrGUID()] = AccountOf(info);
}

bool CFtpLoginInfoList::PutPasswords(const std::string& file) {
    const EPasswordStore choice = GetPasswordStore();
    const bool keyringChosen = choice == EPasswordStore::Auto || choice == EPasswordStore::Keyring;
    for (CFtpLoginInfo* info : *this) {
        const auto known = m_keyringEntries.find(info->GetStrGUID());
        const bool moved = info->GetPasswordRest() == EPasswordStore::Keyring && known != m_keyringEntries.end() &&
                           known->second != AccountOf(*info);
        std::string error;
        if (moved && FetchSavedPassword(*info, error) != platform::ESecretResult::Ok) {
            // The entry stays where it was, and is still found by the GUID.
            m_notices.push_back(error);
            continue;
        }
        const bool changed = info->IsPasswordChanged() || moved;
        const bool migrating = info->GetPasswordRest() == EPasswordStore::File && !info->GetPassword().empty() &&
                               keyringChosen;
        if (info->GetPasswordRest() == EPasswordStore::None && !moved) continue;
        if (changed && info->GetPassword().empty()) {
            info->SetPasswordSaved(info->GetPasswordRest() == EPasswordStore::None ? EPasswordStore::None
                                                                                    : EPasswordStore::File);
            continue;
        }
        if (!changed && !migrating) continue;
        if (moved) platform::ClearSecrets(ConnectionSecretQuery(info->GetStrGUID()), error);
        EPasswordStore where = EPasswordStore::File;
        std::string notice;
        if (PutPassword(ConnectionSecretKey(*info), ConnectionSecretLabel(*info), info->GetPassword(), file, where,
                        notice, error)) {
            // A scrambled password that stays where it was is no news.
            if (changed && !notice.empty()) m_notices.push_back(notice);
            info->SetPasswordSaved(where);
        } else if (changed && m_bKeepRefusedPasswords) {
            m_notices.push_back("the password of '" + info->GetHostName() + "' cannot be saved (" + error +
                                "): it is kept for this session only, and asked for at the next start");
            info->SetPasswordSaved(EPasswordStore::None);
        } else if (changed) {
            ShowError("the password of '" + info->GetHostName() + "' cannot be saved: " + error);
            return false;
        } else {
            m_notices.push_back("the password of '" + info->GetHostName() + "' stays scrambled in " + file + ": " +
                                error);
        }
    }
    return true;
}

void CFtpLoginInfoList::ClearLeftEntries() {
    std::map<std::string, std::string> kept;
    for (const CFtpLoginInfo* info : *this) {
        if (info->GetPasswordRest() == EPasswordStore::Keyring) kept[info->GetStrGUID()] = AccountOf(*info);
    }
    for (const auto& [guid, account] : m_keyringEntries) {
        if (kept.count(guid)) continue;
        std::string error;
        const platform::ESecretResult result = platform::ClearSecrets(ConnectionSecretQuery(guid), error);
        if (result != platform::ESecretResult::Ok) {
            m_notices.push_back("the keyring entry of the password of " + account + " could not be deleted: " + error);
            kept[guid] = account;
        }
    }
    m_keyringEntries = std::move(kept);
}

bool CFtpLoginInfoList::SaveXML(std::string_view path) {
    m_notices.clear();
    if (!PutPasswords(std::string(path))) return false;
    std::string text;
    WriteXML(text);
    std::string error;
    if (!platform::WriteFileReplacing(path, text, &error, /*ownerOnly=*/true)) {
        ShowError(error);
        return false;
    }
    ClearLeftEntries();
    return true;
}

bool CFtpLoginInfoList::LoadXML(std::string_view path) {
    if (!CFilePath::IsExistsFile(path)) return false;
    std::string text;
    std::string error;
    if (!platform::ReadWholeFile(path, text, &error, kMaxConnectionsFile)) {
        ShowError(error);
        return false;
    }
    return ReadXML(text);
}

CFtpLoginInfo* CFtpLoginInfoList::AddNewConnection(platform::IListCtrl* list) {
    auto* info = new CFtpLoginInfo();
    info->CreateGUID();
    info->SetHostName(Format("Connection %d", GetCount() + 1));
    Add(info);
    if (list) Populate(*list, info, list->GetImageCount(), -1);
    return info;
}

void CFtpLoginInfoList::Populate(platform::IListCtrl& list, int imageCount) const {
    if (!list.IsWindow()) return;
    list.DeleteAllItems();
    for (CFtpLoginInfo* info : *this) Populate(list, info, imageCount, -1);
}

int CFtpLoginInfoList::Populate(platform::IListCtrl& list, CFtpLoginInfo* info, int imageCount, int row) {
    if (!info) return -1;
    const int index = row < 0 ? list.GetItemCount() : row;
    const int images = imageCount < 1 ? 1 : imageCount;
    return list.InsertItem(index, info->GetHostName(), index % images, info);
}

}  // namespace velmora

#include "tasks/trans_point.h"

#include "base/format.h"
#include "base/text.h"
#include "tasks/ftp_url.h"
#include "tasks/tsk_node.h"

namespace velmora {

namespace {

const CAttrRouter::Names& PointNames() {
    static const CAttrRouter::Names names = [] {
        CAttrRouter::Names all = CAttrRouter::NamesOf(CObj());
        all.merge(CAttrRouter::NamesOf(CFtpPath()));
        all.insert({"t-point-type", "t-point-name"});
        return all;
    }();
    return names;
}

const CAttrRouter::Names& LoginNames() {
    static const CAttrRouter::Names names = CAttrRouter::NamesOf(CFtpLoginInfo());
    return names;
}

// GetPureURL writes a share as "network:\\srv\share"; the path reader only
// knows the "network://" form, so the prefix is taken off here.
std::string_view WithoutNetworkScheme(std::string_view url) {
    constexpr std::string_view scheme = "network:";
    if (url.starts_with(scheme) && url.substr(scheme.size()).starts_with("\\\\")) url.remove_prefix(scheme.size());
    return url;
}

}  // namespace

CTransPoint::CTransPoint() { Clear(); }

CTransPoint::CTransPoint(int32_t type) {
    Default();
    m_nType = type;
}

CTransPoint::CTransPoint(int32_t type, const CFtpPath& path) : CTransPoint(type) { m_Path = path; }

CTransPoint::CTransPoint(int32_t type, const CFtpLoginInfo& login) : CTransPoint(type) { m_LoginInfo = login; }

CTransPoint::CTransPoint(int32_t type, const CFtpLoginInfo& login, const CFtpPath& path) : CTransPoint(type, path) {
    m_LoginInfo = login;
}

CTransPoint::CTransPoint(const CTransPoint& other) : CObj() { Copy(other); }

CTransPoint::CTransPoint(const CObj& other) { Copy(other); }

CTransPoint& CTransPoint::operator=(const CTransPoint& other) {
    if (this != &other) Copy(other);
    return *this;
}

CTransPoint& CTransPoint::operator=(const CTskNode& node) {
    Copy(node);
    return *this;
}

void CTransPoint::Clear() {
    CObj::Clear();
    m_Path.Clear();
    m_strName.clear();
    m_nType = ePointNone;
    m_LoginInfo.Clear();
    m_router.Reset();
}

void CTransPoint::Default() {
    Clear();
    m_nType = ePointFolder;
    m_LoginInfo.Default();
}

void CTransPoint::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CTransPoint*>(&src);
    if (!other || other == this) return;
    m_Path = other->m_Path;
    m_strName = other->m_strName;
    m_nType = other->m_nType;
    m_LoginInfo = other->m_LoginInfo;
}

void CTransPoint::Copy(const CTskNode& node) { Copy(node.GetTransPoint()); }

void CTransPoint::WriteXMLAttr(std::string& out) const {
    std::string text;
    CObj::WriteXMLAttr(text);
    const std::string name = XMLEscape(m_strName);
    text += Format(" %s='%d' %s='%s'", "t-point-type", m_nType, "t-point-name", name.c_str());
    m_Path.WriteXMLAttr(text);
    m_LoginInfo.WriteXMLAttr(text);
    out += text;
}

bool CTransPoint::ReadXMLAttr(const std::string& name, const std::string& value) {
    std::vector<CAttrRouter::Part> parts;
    AttrParts(parts);
    return m_router.Route(parts, name, value);
}

void CTransPoint::AttrParts(std::vector<CAttrRouter::Part>& parts) {
    parts.push_back({&PointNames(), [this](const std::string& n, const std::string& v) { return ReadOwnAttr(n, v); }});
    parts.push_back({&LoginNames(),
                     [this](const std::string& n, const std::string& v) { return m_LoginInfo.ReadXMLAttr(n, v); }});
}

bool CTransPoint::ReadOwnAttr(const std::string& name, const std::string& value) {
    if (CObj::ReadXMLAttr(name, value)) return true;
    if (EqualsNoCase(name, "t-point-type")) {
        m_nType = ParseInt32(value);
    } else if (EqualsNoCase(name, "t-point-name")) {
        m_strName = value;
    } else {
        return m_Path.ReadXMLAttr(name, value);
    }
    return true;
}

void CTransPoint::SetFtpLoginInfo(const CFtpLoginInfo& login) {
    m_LoginInfo.Clear();
    m_LoginInfo.Copy(login);
}

std::string CTransPoint::GetLogin() const { return m_nType == ePointFtp ? m_LoginInfo.GetLoginName() : std::string(); }

std::string CTransPoint::GetPWD() const { return m_nType == ePointFtp ? m_LoginInfo.GetPassword() : std::string(); }

void CTransPoint::SetLogin(std::string_view login) {
    if (m_nType == ePointFtp) m_LoginInfo.SetLoginName(login);
}

void CTransPoint::SetPWD(std::string_view password) {
    if (m_nType == ePointFtp) m_LoginInfo.SetPassword(password);
}

std::string CTransPoint::GetPureURL() const {
    if (m_nType == ePointFtp) return m_LoginInfo.GetPureURL();
    return (m_Path.IsNetwork() ? "network:" : "file://") + m_Path.GetPath();
}

bool CTransPoint::SetPureURL(std::string_view url) {
    if (m_nType != ePointFtp) {
        m_Path = CFtpPath(WithoutNetworkScheme(url));
        m_Path.FixSlash();
        return true;
    }
    // The server's name, port and account belong to the login info; only
    // the folder on the server is the point's path.
    CFtpUrl address;
    if (!address.Parse(url)) return false;
    m_Path = CFtpPath(address.path);
    m_Path.FixSlash();
    m_LoginInfo.SetHost(address.host);
    m_LoginInfo.SetPort(address.port);
    if (address.tlsMode) m_LoginInfo.SetTlsMode(*address.tlsMode);
    m_LoginInfo.SetProtocol(address.protocol);
    if (address.hasUser) m_LoginInfo.SetLoginName(address.user);
    if (address.hasPassword) m_LoginInfo.SetPassword(address.password);
    CFtpPath start;
    start.SetDir(address.path);
    m_LoginInfo.SetFtpPath(start);
    return true;
}

std::string CTransPoint::GetDescription() const {
    const auto withPath = [this](const char* label) {
        return Format("%s\r\n - %s", label, m_Path.GetPath().c_str());
    };
    switch (m_nType) {
        case ePointNone:
            return "None";
        case ePointFolder:
            return withPath("Folder");
        case ePointFile:
            return withPath("File");
        case ePointEmail:
            return "Email";
        case ePointFtp:
            return "FTP Site:\r\n" + m_LoginInfo.GetDescription();
        case ePointNetwork:
            return withPath("Network");
        default:
            return {};
    }
}

}  // namespace velmora

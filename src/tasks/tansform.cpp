#include "tasks/tansform.h"

#include <ctime>

#include "base/format.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "platform/clock.h"
#include "tasks/tsk_node.h"

namespace velmora {

namespace {

constexpr const char* kSyncDeleteAttr = "tf-sync-delete";
constexpr const char* kMaxDeleteAttr = "tf-max-delete";
constexpr const char* kFollowLinksAttr = "tf-follow-links";

// The switches written only when they are not the default, so that texts
// without them mean what they always meant.
std::string OptionalAttrs(bool syncDelete, int32_t limit, bool followLinks) {
    std::string text = syncDelete ? CObj::XMLAttr(kSyncDeleteAttr, 1) : std::string();
    if (limit != CTansform::kDeleteGuarded) text += CObj::XMLAttr(kMaxDeleteAttr, limit);
    if (followLinks) text += CObj::XMLAttr(kFollowLinksAttr, 1);
    return text;
}

const CAttrRouter::Names& OwnNames() {
    static const CAttrRouter::Names names = [] {
        CAttrRouter::Names all = CAttrRouter::NamesOf(CObj());
        all.insert({"tf-type", "tf-zip-name", "tf-zip-pwd", "tf-zip-encryption", kSyncDeleteAttr, kMaxDeleteAttr,
                    kFollowLinksAttr});
        return all;
    }();
    return names;
}

const CAttrRouter::Names& FilterNames() {
    static const CAttrRouter::Names names = [] {
        // A filter writes the excluded-folder name once per folder.
        CTansFilter filter;
        filter.AddExcludeFolder("x");
        return CAttrRouter::NamesOf(filter);
    }();
    return names;
}

constexpr const char* kLinePrefix = "      - ";
constexpr const char* kExcludeLabel = "Exclude:......";

void AddLine(std::string& text, std::string_view line) {
    text += kLinePrefix;
    text += line;
    text += "\r\n";
}

}  // namespace

CTansform::CTansform() { Default(); }

CTansform::CTansform(_eTransformType flags) {
    Default();
    m_uType = flags;
}

CTansform::CTansform(const CTansform& other) : CObj() {
    Default();
    Copy(other);
}

CTansform::CTansform(const CObj& other) { Copy(other); }

CTansform& CTansform::operator=(const CTansform& other) {
    if (this != &other) Copy(other);
    return *this;
}

void CTansform::Clear() {
    CObj::Clear();
    m_uType = 0;
    m_nZipEncryption = eZipTraditional;
    m_strZipFileName.clear();
    m_strZipPassword.clear();
    m_strZipPathName.clear();
    m_nParam = 0;
    m_bSyncDelete = false;
    m_nMaxDelete = kDeleteGuarded;
    m_bFollowLinks = false;
    m_bDryRun = false;
    m_Filter.Clear();
    m_router.Reset();
}

void CTansform::Default() {
    Clear();
    m_uType = eSimpleCopy;
    m_Filter.Default();
}

void CTansform::Copy(const CObj& src) {
    CObj::Copy(src);
    const auto* other = dynamic_cast<const CTansform*>(&src);
    if (!other || other == this) return;
    m_uType = other->m_uType;
    m_nZipEncryption = other->m_nZipEncryption;
    m_strZipPassword = other->m_strZipPassword;
    m_strZipFileName = other->m_strZipFileName;
    m_nParam = other->m_nParam;
    m_strZipPathName = other->m_strZipPathName;
    m_bSyncDelete = other->m_bSyncDelete;
    m_nMaxDelete = other->m_nMaxDelete;
    m_bFollowLinks = other->m_bFollowLinks;
    m_bDryRun = other->m_bDryRun;
    m_Filter.Copy(other->m_Filter);
}

void CTansform::Copy(const CTskNode& node) { Copy(node.GetTransform()); }

void CTansform::SetOperation(uint32_t bit) {
    RemoveTransform(eOperations);
    AddTransform(bit);
}

void CTansform::WriteXMLAttr(std::string& out) const {
    std::string text;
    CObj::WriteXMLAttr(text);
    const std::string name = XMLEscape(m_strZipFileName);
    const std::string password = XMLEscape(m_strZipPassword);
    text += Format(" %s='%d' %s='%s' %s='%s' ", "tf-type", static_cast<int>(m_uType), "tf-zip-name", name.c_str(),
                   "tf-zip-pwd", password.c_str());
    // Written only when it is not the traditional cipher, so that such
    // transforms keep the text they always had.
    if (m_nZipEncryption != eZipTraditional) text += Format("%s='%d' ", "tf-zip-encryption", m_nZipEncryption);
    m_Filter.WriteXMLAttr(text);
    text += OptionalAttrs(m_bSyncDelete, m_nMaxDelete, m_bFollowLinks);
    out += text;
}

bool CTansform::ReadXMLAttr(const std::string& name, const std::string& value) {
    std::vector<CAttrRouter::Part> parts;
    AttrParts(parts);
    return m_router.Route(parts, name, value);
}

void CTansform::AttrParts(std::vector<CAttrRouter::Part>& parts) {
    parts.push_back({&OwnNames(), [this](const std::string& n, const std::string& v) { return ReadOwnAttr(n, v); }});
    parts.push_back(
        {&FilterNames(), [this](const std::string& n, const std::string& v) { return m_Filter.ReadXMLAttr(n, v); }});
}

bool CTansform::ReadOwnAttr(const std::string& name, const std::string& value) {
    if (CObj::ReadXMLAttr(name, value)) return true;
    if (EqualsNoCase(name, "tf-type")) {
        m_uType = static_cast<uint32_t>(ParseInt32(value));
    } else if (EqualsNoCase(name, "tf-zip-name")) {
        m_strZipFileName = value;
    } else if (EqualsNoCase(name, "tf-zip-pwd")) {
        m_strZipPassword = value;
    } else if (EqualsNoCase(name, kSyncDeleteAttr)) {
        m_bSyncDelete = ParseInt32(value) != 0;
    } else if (EqualsNoCase(name, kMaxDeleteAttr)) {
        SetMaxDelete(ParseInt32(value));
    } else if (EqualsNoCase(name, kFollowLinksAttr)) {
        m_bFollowLinks = ParseInt32(value) != 0;
    } else if (EqualsNoCase(name, "tf-zip-encryption")) {
        m_nZipEncryption = ParseInt32(value);
    } else {
        return false;
    }
    return true;
}

std::string CTansform::GetXMLFilter() const {
    std::string text;
    m_Filter.WriteXMLAttr(text);
    return text + OptionalAttrs(m_bSyncDelete, m_nMaxDelete, m_bFollowLinks);
}

void CTansform::SetXMLFilter(const std::string& text) {
    m_Filter.ReadXMLAttr(text);
    ForEachXMLAttr(text, [this](const std::string& name, const std::string& value) {
        if (name == kSyncDeleteAttr) m_bSyncDelete = ParseInt32(value) != 0;
        if (name == kMaxDeleteAttr) SetMaxDelete(ParseInt32(value));
        if (name == kFollowLinksAttr) m_bFollowLinks = ParseInt32(value) != 0;
    });
}

std::string CTansform::GetStrOp() const {
    std::string op;
    if (IsSimpleCopy()) op += "Copy";
    if (IsSync()) op += "Sync";
    if (IsCompressed()) op += "Compress";
    if (IsDeleteSourceFile()) op += "Delete Source File";
    return op;
}

std::string CTansform::GetDescription() const {
    std::string text;
    AddLine(text, "How?:");
    if (IsSimpleCopy()) AddLine(text, "Simple Copy");
    if (IsSync()) AddLine(text, "Sync");
    if (IsSync() && m_bSyncDelete) AddLine(text, "Delete what the source lacks");
    if (IsSync() && m_bSyncDelete && m_nMaxDelete == kDeleteAny) AddLine(text, "Delete whatever the number");
    if (IsSync() && m_bSyncDelete && m_nMaxDelete >= 0 && m_nMaxDelete != kDeleteAny)
        AddLine(text, Format("Delete at most %d", m_nMaxDelete));
    if (IsDeleteSourceFile()) AddLine(text, "Delete Source File");
    if (m_bFollowLinks) AddLine(text, "Follow links");
    if (IsCompressed()) {
        AddLine(text, "Compress");
        AddLine(text, "Zip file name: '" + (IsZipFileAuto() ? std::string("Auto") : m_strZipFileName) + "'");
        if (IsZipPasswordProtected()) AddLine(text, IsZipAes256() ? "Password Protected (AES-256)" : "Password Protected");
    }
    const std::string extensions = TrimText(SrcExcludeExt());
    if (!extensions.empty()) AddLine(text, kExcludeLabel + extensions);
    for (const std::string& folder : m_Filter.GetExcludeFolders()) AddLine(text, kExcludeLabel + folder);
    // The block ends a line of the job's description, which adds its own
    // line end.
    if (text.size() > 2 && text.back() == '\n') text.replace(text.size() - 2, 2, "  ");
    return text;
}

CFilePath CTansform::MakeZipPathName(std::string_view source, std::string_view destFolder) {
    // The destination is a folder whether or not its text ends in a
    // separator: the archive goes inside it, never next to it.
    CFilePath path(destFolder, PATH_FOLDER);
    path.SetFileName(ZipBaseName(source));
    path.SetExt("zip");
    m_strZipFileName = path.GetFileName(true);
    return path;
}

std::string CTansform::ZipBaseName(std::string_view source) const {
    if (!IsZipFileAuto()) {
        const CFilePath name(m_strZipFileName);
        const std::string base = EqualsNoCase(name.GetExt(false, true), "zip")
                                     ? name.GetFileName(false)
                                     : name.GetFileName(false) + name.GetExt(true, false);
        if (!base.empty()) return base;
    }
    CStringTokenizer parts(source);
    std::tm local{};
    platform::ToLocal(platform::Now(), local);
    return parts.GetPrev("\\/") + Format("_%02d_%02d_%02d_%02d_%02d_%02d", local.tm_year + 1900, local.tm_mon + 1,
                                         local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace velmora

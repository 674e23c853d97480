#include "paths/file_filter.h"

#include <algorithm>

#include "base/path_text.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "paths/file_find.h"
#include "paths/file_path.h"
#include "platform/controls.h"

namespace velmora {
namespace {

// The form in which folder texts are compared: trailing "/", lower case,
// "/" separators only.
std::string FolderKey(std::string_view folder) {
    std::string key = ToLowerAscii(AppendSlash(folder, '/'));
    std::replace(key.begin(), key.end(), '\\', '/');
    return key;
}

}  // namespace

CTansFilterListener::~CTansFilterListener() = default;

void CTansFilterListener::OnRefused(std::string_view /*path*/, std::string_view /*reason*/) {}

// ---- CFileFilter ---------------------------------------------------------

CFileFilter::CFileFilter() { Clear(); }

CFileFilter::CFileFilter(const CFileFilter& other) : CObj() { Copy(other); }

CFileFilter& CFileFilter::operator=(const CFileFilter& other) {
    if (this != &other) Copy(other);
    return *this;
}

CFileFilter::~CFileFilter() = default;

CObj* CFileFilter::CreateObject() const { return new CFileFilter(); }

void CFileFilter::Clear() {
    CObj::Clear();
    m_nIncludeSubFolders = 0;
    m_nShowFile = 1;
    m_strExclude.clear();
    m_excludeExt.clear();
    m_excludeFolders.clear();
}

void CFileFilter::Default() {
    Clear();
    m_nIncludeSubFolders = 1;
}

void CFileFilter::Copy(const CObj& src) {
    const auto* other = dynamic_cast<const CFileFilter*>(&src);
    if (!other || other == this) return;
    m_nIncludeSubFolders = other->m_nIncludeSubFolders;
    m_nShowFile = other->m_nShowFile;
    m_strExclude = other->m_strExclude;
    m_excludeFolders = other->m_excludeFolders;
    SplitExtentions();
}

void CFileFilter::WriteXMLAttr(std::string& out) const {
    CObj::WriteXMLAttr(out);
    out += XMLAttr("ffilter-incsubfolders", m_nIncludeSubFolders);
    out += XMLAttr("tf-exclude", m_strExclude);
    out += XMLAttr("ffilter-showfile", m_nShowFile);
    for (const std::string& folder : m_excludeFolders) out += XMLAttr("ffilter-excludefolders", folder);
}

bool CFileFilter::ReadXMLAttr(const std::string& name, const std::string& value) {
    if (CObj::ReadXMLAttr(name, value)) return true;
    if (EqualsNoCase(name, "ffilter-incsubfolders")) {
        m_nIncludeSubFolders = ParseInt32(value);
    } else if (EqualsNoCase(name, "ffilter-showfile")) {
        m_nShowFile = ParseInt32(value);
    } else if (EqualsNoCase(name, "tf-exclude")) {
        m_strExclude = value;
    } else if (EqualsNoCase(name, "ffilter-excludefolders")) {
        m_excludeFolders.push_back(value);
    }
    return true;
}

bool CFileFilter::IsSkipExt(const CFilePath& path) const {
    const std::string ext = path.GetExt(true, true);
    return std::any_of(m_excludeExt.begin(), m_excludeExt.end(),
                       [&](const std::string& excluded) { return EqualsNoCase(excluded, ext); });
}

bool CFileFilter::IsSkipFolder(const CFilePath& path) const {
    if (m_excludeFolders.empty()) return false;
    const std::string key = FolderKey(path.GetPath());
    return std::any_of(m_excludeFolders.begin(), m_excludeFolders.end(),
                       [&](const std::string& excluded) { return FolderKey(excluded) == key; });
}

bool CFileFilter::IsSkip(const CFileRecFind& entry) const { return Decide(entry); }

void CFileFilter::Refused(std::string_view /*path*/, std::string_view /*reason*/) const {}

bool CFileFilter::IsSkip(const CFileFind& entry) const { return Decide(entry); }

bool CFileFilter::Decide(const CFileRecFind& entry) const {
    if (entry.IsDots()) return true;
    const CFtpPath path(entry.GetFilePath(), PATH_LITERAL);
    if (entry.IsDirectory()) return !IncludeSubFolders() || IsSkipFolder(path) || IsSkipExt(path);
    return !IsShowFile() || IsSkipExt(path);
}

void CFileFilter::SetExcludes(std::string_view text) {
    m_strExclude = text;
    SplitExtentions();
}

void CFileFilter::SplitExtentions() {
    m_strExclude = TrimText(m_strExclude);
    m_excludeExt.clear();
    CStringTokenizer(m_strExclude).SplitToken(m_excludeExt, " ;,\n\r");
}

void CFileFilter::SetExcludeFolders(const platform::IListBox& box) {
    m_excludeFolders.clear();
    for (int i = 0; i < box.GetCount(); ++i) m_excludeFolders.push_back(box.GetText(i));
}

void CFileFilter::GetExcludeFolders(platform::IListBox& box) const {
    box.ResetContent();
    for (const std::string& folder : m_excludeFolders) box.AddString(folder);
}

// ---- CTansFilter ---------------------------------------------------------

CTansFilter::CTansFilter(CTansFilterListener* listener) : m_pListener(listener) {}

CTansFilter::CTansFilter(const CFileFilter& other) : CFileFilter(other) {}

CTansFilter::CTansFilter(const CTansFilter& other) : CFileFilter(other) {}

CTansFilter& CTansFilter::operator=(const CFileFilter& other) {
    CFileFilter::operator=(other);
    return *this;
}

CTansFilter& CTansFilter::operator=(const CTansFilter& other) {
    CFileFilter::operator=(other);
    return *this;
}

CObj* CTansFilter::CreateObject() const { return new CTansFilter(); }

bool CTansFilter::IsSkip(const CFileRecFind& entry) const { return Report(Decide(entry), entry); }

bool CTansFilter::IsSkip(const CFileFind& entry) const { return Report(Decide(entry), entry); }

void CTansFilter::Refused(std::string_view path, std::string_view reason) const {
    if (m_pListener) m_pListener->OnRefused(path, reason);
}

bool CTansFilter::Report(bool skip, const CFileRecFind& entry) const {
    if (skip && m_pListener) m_pListener->OnSkip(entry);
    return skip;
}

}  // namespace velmora

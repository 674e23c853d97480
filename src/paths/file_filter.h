#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

namespace platform {
class IListBox;
}

class CFileFind;
class CFileRecFind;
class CFilePath;

// Told about every listing entry a transfer filter leaves out.
class VELMORA_API CTansFilterListener {
public:
    virtual ~CTansFilterListener();
    virtual void OnSkip(const CFileRecFind& entry) = 0;
    // An entry a listing could not offer at all (an unsafe name, a link to a
    // folder): `path` names it, `reason` says why. Ignored unless overridden.
    virtual void OnRefused(std::string_view path, std::string_view reason);
};

// Which listing entries to leave out: folders unless sub-folders are
// included, files unless shown, entries with an excluded extension, and
// excluded folders. Written as a "CObj" element with the CObj attributes
// followed by the filter's own.
class VELMORA_API CFileFilter : public CObj {
public:
    CFileFilter();
    CFileFilter(const CFileFilter& other);
    CFileFilter& operator=(const CFileFilter& other);
    ~CFileFilter() override;

    CObj* CreateObject() const override;
    void Clear() override;
    // As Clear, but sub-folders are included.
    void Default() override;
    // The filter settings (then the extension list is split again); not the
    // CObj fields.
    void Copy(const CObj& src) override;
    void WriteXMLAttr(std::string& out) const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;

    // The extension, lower-cased and without its ".", is one of the
    // excluded extensions.
    virtual bool IsSkipExt(const CFilePath& path) const;
    // The path is exactly one of the excluded folders (letter case, "\" and
    // "/" and a trailing separator aside); sub-folders do not match.
    virtual bool IsSkipFolder(const CFilePath& path) const;
    // True when the entry is to be left out; "." and ".." always are.
    virtual bool IsSkip(const CFileRecFind& entry) const;
    virtual bool IsSkip(const CFileFind& entry) const;
    // Told about an entry that was left out before the filter could see it
    // (see CTansFilterListener::OnRefused); the plain filter ignores it.
    virtual void Refused(std::string_view path, std::string_view reason) const;

    bool IncludeSubFolders() const { return m_nIncludeSubFolders != 0; }
    void SetIncludeSubFolders(bool on) { m_nIncludeSubFolders = on ? 1 : 0; }
    bool IsShowFile() const { return m_nShowFile == 1; }
    void ShowFile(bool on) { m_nShowFile = on ? 1 : 0; }

    // The excluded extensions as typed: "tmp; bak,log" (no dots, no wildcards).
    const std::string& SrcExcludeExt() const { return m_strExclude; }
    void SetExcludes(std::string_view text);
    // Trims the typed text and splits it at blanks, ";", "," and line breaks.
    void SplitExtentions();
    const std::vector<std::string>& GetExcludeExtensions() const { return m_excludeExt; }

    const std::vector<std::string>& GetExcludeFolders() const { return m_excludeFolders; }
    void AddExcludeFolder(std::string_view folder) { m_excludeFolders.emplace_back(folder); }
    // The excluded folders become the box's lines, in order.
    void SetExcludeFolders(const platform::IListBox& box);
    // The box is emptied and refilled with the excluded folders.
    void GetExcludeFolders(platform::IListBox& box) const;

protected:
    bool Decide(const CFileRecFind& entry) const;

    int32_t m_nIncludeSubFolders = 0;
    int32_t m_nShowFile = 1;
    std::string m_strExclude;
    std::vector<std::string> m_excludeExt;
    std::vector<std::string> m_excludeFolders;
};

// The filter of a transfer: the same decisions, and each entry it leaves out
// is reported to its listener (not owned; may be null).
class VELMORA_API CTansFilter : public CFileFilter {
public:
    explicit CTansFilter(CTansFilterListener* listener = nullptr);
    // Copies the filter settings; the copy has no listener.
    CTansFilter(const CFileFilter& other);
    CTansFilter(const CTansFilter& other);
    // Copies the filter settings and keeps this filter's listener.
    CTansFilter& operator=(const CFileFilter& other);
    CTansFilter& operator=(const CTansFilter& other);

    CObj* CreateObject() const override;

    void SetListener(CTansFilterListener* listener) { m_pListener = listener; }
    CTansFilterListener* GetListener() const { return m_pListener; }

    bool IsSkip(const CFileRecFind& entry) const override;
    bool IsSkip(const CFileFind& entry) const override;
    void Refused(std::string_view path, std::string_view reason) const override;

private:
    bool Report(bool skip, const CFileRecFind& entry) const;

    CTansFilterListener* m_pListener = nullptr;
};

}  // namespace velmora

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "objects/std_list.h"
#include "paths/file_path.h"
#include "paths/list_obj.h"
#include "platform/api.h"

namespace velmora {

// An owning list of path records.
class VELMORA_API CFilePathList : public CStdList<CFilePath, CFilePath*> {
public:
    explicit CFilePathList(bool ownsElements = true, bool showErrors = false)
        : CStdList(ownsElements, showErrors) {}
};

// A persistent list of FTP paths with a caller-chosen tag, lookups and name
// de-duplication. Written as a "CFtpPathList" element holding one
// "CFilePath" element per path.
class VELMORA_API CFtpPathList : public CStdList<CFtpPath, CFtpPath*>, public CListObj {
public:
    using List = CStdList<CFtpPath, CFtpPath*>;

    explicit CFtpPathList(std::string_view tag = {}, bool ownsElements = true, bool showErrors = false);
    CFtpPathList(const CFtpPathList& other);
    CFtpPathList& operator=(const CFtpPathList& other);
    ~CFtpPathList() override;

    // Both copies take the tag, the error text, both flags and deep copies
    // of the elements.
    void Copy(const CObj& src) override;
    void Copy(const List& other) override;

    const std::string& GetTag() const { return m_strTag; }
    void SetTag(std::string_view tag) { m_strTag = tag; }

    // First element equal to the path (drive, dir, name, ext ignoring case).
    CFtpPath* Find(const CFilePath& path) const;
    // First element whose path text equals the text exactly.
    CFtpPath* FindByPath(std::string_view text) const;
    // First element whose file name (with extension when asked) equals the
    // path's exactly.
    CFtpPath* FindByFileName(const CFilePath& path, bool withExt = true) const;
    // Renames the path "name(1).ext", "name(2).ext", ... until no element
    // has its name. False when the name was free (the path is unchanged),
    // for a null path, or when no free name was found.
    bool UniqueName(CFilePath* path) const;
    int64_t ComputeTotalLength() const;

    std::string XMLObject() const override;
    void WriteXMLAttr(std::string& out) const override;
    void WriteXMLBody(std::string& out) const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    // Appends the paths of the list text to those already held; false for a
    // foreign element or an empty list body. `text` is left as it was.
    bool ReadXML(std::string& text) override;

protected:
    CObj* CreateListObject() const override;

private:
    std::string m_strTag;
};

}  // namespace velmora

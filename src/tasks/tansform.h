#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "objects/obj.h"
#include "paths/file_filter.h"
#include "paths/file_path.h"
#include "platform/api.h"
#include "tasks/attr_router.h"

namespace velmora {

class CTskNode;

// What a job does with each file on the way: a plain copy, compression into
// a ZIP archive, a mirror (only what is new or changed goes), or deletion of
// the source after the copy; and which files it leaves out (the filter). The
// four operation bits exclude each other through the setters; the two ZIP
// options ride along with compression, the two mirror options with a mirror.
class VELMORA_API CTansform : public CObj {
public:
    enum _eTransformType : uint32_t {
        eSimpleCopy = 0x01,
        eCompress = 0x02,
        eSync = 0x04,
        eZipFileAuto = 0x08,
        eZipPasswordProtected = 0x10,
        eDeleteSourceFile = 0x20,
        eOperations = eSimpleCopy | eCompress | eSync | eDeleteSourceFile,
    };

    // How a password-protected archive is encrypted. Transforms stored
    // before this choice existed lack it and keep the traditional cipher.
    enum _eZipEncryption : int32_t { eZipTraditional = 0, eZipAes256 = 1 };

    // A simple copy.
    CTansform();
    explicit CTansform(_eTransformType flags);
    CTansform(const CTansform& other);
    explicit CTansform(const CObj& other);
    CTansform& operator=(const CTansform& other);

    CObj* CreateObject() const override { return new CTansform(); }
    // No operation, everything empty.
    void Clear() override;
    // As Clear, but a simple copy with the filter's defaults.
    void Default() override;
    void Copy(const CObj& src) override;
    // The transform the task node embeds.
    virtual void Copy(const CTskNode& node);
    void WriteXMLAttr(std::string& out) const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;

    // The flags as stored; a value read from text or a database is kept
    // as it is.
    uint32_t GetTransformType() const { return m_uType; }
    void SetTransformType(uint32_t flags) { m_uType = flags; }

    bool IsSimpleCopy() const { return IsTransform(eSimpleCopy); }
    bool IsCompressed() const { return IsTransform(eCompress); }
    bool IsSync() const { return IsTransform(eSync); }
    bool IsDeleteSourceFile() const { return IsTransform(eDeleteSourceFile); }
    bool IsZipFileAuto() const { return IsTransform(eZipFileAuto); }
    bool IsZipPasswordProtected() const { return IsTransform(eZipPasswordProtected); }
    void SetSimpleCopy() { SetOperation(eSimpleCopy); }
    void SetCompressed() { SetOperation(eCompress); }
    void SetSync() { SetOperation(eSync); }
    void SetDeleteSourceFile() { SetOperation(eDeleteSourceFile); }
    void SetZipFileAuto(bool on) { SetTransform(eZipFileAuto, on); }
    void SetZipPasswordProtected(bool on) { SetTransform(eZipPasswordProtected, on); }

    // A mirror also deletes what the destination has and the source lacks.
    // Written as its own attribute (and, in the job database, as a pair of
    // the filter text) only when set, so texts without it mean no deletion.
    bool IsSyncDelete() const { return m_bSyncDelete; }
    void SetSyncDelete(bool on) { m_bSyncDelete = on; }
    // How many entries of the destination a mirror that deletes may delete.
    // kDeleteGuarded: no more than half of them, and none when the source
    // is empty (a disk that is not mounted looks like an empty folder);
    // a number: up to that many; kDeleteAny: no limit. Stored like the
    // switch above, only when it is not the guard.
    static constexpr int32_t kDeleteGuarded = -1;
    static constexpr int32_t kDeleteAny = INT32_MAX;
    int32_t GetMaxDelete() const { return m_nMaxDelete; }
    void SetMaxDelete(int32_t limit) { m_nMaxDelete = limit < 0 ? kDeleteGuarded : limit; }
    // Symbolic links met in a local source folder send what they point to
    // (and linked folders are entered); otherwise they are left out, each
    // counted as skipped. Stored like the switches above, only when set.
    bool IsFollowLinks() const { return m_bFollowLinks; }
    void SetFollowLinks(bool on) { m_bFollowLinks = on; }
    // A mirror that only reports what it would do. Kept in memory and
    // copied; never stored.
    bool IsDryRun() const { return m_bDryRun; }
    void SetDryRun(bool on) { m_bDryRun = on; }

    std::string& ZipFileName() { return m_strZipFileName; }
    const std::string& ZipFileName() const { return m_strZipFileName; }
    std::string& ZipPathName() { return m_strZipPathName; }
    const std::string& ZipPathName() const { return m_strZipPathName; }
    std::string& StrZipPassword() { return m_strZipPassword; }
    const std::string& GetPassword() const { return m_strZipPassword; }
    void SetPassword(std::string_view password) { m_strZipPassword = password; }
    // Any value but eZipAes256 means the traditional cipher.
    int32_t GetZipEncryption() const { return m_nZipEncryption; }
    void SetZipEncryption(int32_t encryption) { m_nZipEncryption = encryption; }
    bool IsZipAes256() const { return m_nZipEncryption == eZipAes256; }
    // Kept in memory and copied; not written anywhere.
    int32_t GetParam() const { return m_nParam; }
    void SetParam(int32_t value) { m_nParam = value; }

    CTansFilter& GetFilter() { return m_Filter; }
    const CTansFilter& GetFilter() const { return m_Filter; }
    const std::string& SrcExcludeExt() const { return m_Filter.SrcExcludeExt(); }
    // The filter as the database keeps it: its attribute text, followed by
    // the mirror's delete option when it is set.
    std::string GetXMLFilter() const;
    void SetXMLFilter(const std::string& text);

    // The names of the operation bits set: "Copy", "Sync", "Compress",
    // "Delete Source File", in this order, without separators.
    std::string GetStrOp() const;
    // The "How?:" block of a job's description.
    std::string GetDescription() const;
    // The path of the archive a compressing job writes into `destFolder`
    // for `source`: the ZIP file name (".zip" added unless it has it), or,
    // when chosen automatically, the source's last name with the date and
    // time. The name is kept as the ZIP file name.
    CFilePath MakeZipPathName(std::string_view source, std::string_view destFolder);

    // The parts of the attribute text in writing order (see CTransPoint).
    void AttrParts(std::vector<CAttrRouter::Part>& parts);

protected:
    void SetTransform(uint32_t bits, bool on) { m_uType = on ? (m_uType | bits) : (m_uType & ~bits); }
    void AddTransform(uint32_t bits) { m_uType |= bits; }
    void RemoveTransform(uint32_t bits) { m_uType &= ~bits; }
    bool IsTransform(uint32_t bits) const { return (m_uType & bits) != 0; }

private:
    // One operation bit on, the other three off; the options stay.
    void SetOperation(uint32_t bit);
    bool ReadOwnAttr(const std::string& name, const std::string& value);
    std::string ZipBaseName(std::string_view source) const;

    CTansFilter m_Filter;
    std::string m_strZipFileName;
    std::string m_strZipPassword;
    std::string m_strZipPathName;
    uint32_t m_uType = eSimpleCopy;
    int32_t m_nZipEncryption = eZipTraditional;
    int32_t m_nParam = 0;
    bool m_bSyncDelete = false;
    int32_t m_nMaxDelete = kDeleteGuarded;
    bool m_bFollowLinks = false;
    bool m_bDryRun = false;
    CAttrRouter m_router;
};

}  // namespace velmora

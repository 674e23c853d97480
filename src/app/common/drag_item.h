#pragma once

#include <cstdint>
#include <string>

#include <QByteArray>

#include "app/common/clip_formats.h"
#include "objects/archive.h"
#include "objects/obj.h"
#include "paths/file_path_list.h"

class QMimeData;
class QObject;

namespace parcelo {

// What a drag within the program carries: a kind, two integers and a flag,
// whose meaning belongs to the windows that set and read them. It travels
// as its serial form (little-endian: kind, the two integers, the flag as 1
// or 0) under the format "MFCDragItem".
class CDragItem : public velmora::CObj {
public:
    static constexpr const char* kFormatName = "MFCDragItem";

    CDragItem() = default;
    CDragItem(int32_t kind, int32_t param1, int32_t param2, bool flag);

    velmora::CObj* CreateObject() const override { return new CDragItem; }
    void Copy(const velmora::CObj& src) override;

    int32_t GetKind() const { return m_nKind; }
    void SetKind(int32_t kind) { m_nKind = kind; }
    bool IsKind(int32_t kind) const { return m_nKind == kind; }
    int32_t GetParam1() const { return m_nParam1; }
    int32_t GetParam2() const { return m_nParam2; }
    void SetParams(int32_t param1, int32_t param2);
    bool GetFlag() const { return m_bFlag; }
    void SetFlag(bool flag) { m_bFlag = flag; }

    // The format the item travels under.
    virtual std::string GetFormatName() const;

    // Stores into or loads from the archive by its mode; false when a load
    // runs out of data.
    virtual bool Serialize(velmora::CArchive& archive);
    QByteArray GetSerialForm() const;
    // Reads the serial form; the item stays as it was when it cannot be read.
    bool LoadSerialForm(const QByteArray& bytes);

    // The data object offering the serial form under the item's format.
    QMimeData* CreateMimeData() const;
    // Offers the serial form on data made elsewhere.
    void PutInto(QMimeData& data) const;
    // Starts a drag from `source` allowing copy, move and link; answers the
    // effect the target chose (see DropEffect).
    int DoDragDrop(QObject* source) const;

    bool CanLoad(const QMimeData* data) const { return IsDataAvailable(data); }
    bool IsDataAvailable(const QMimeData* data) const;
    // Reads the item from the data when it offers the item's format.
    virtual bool Load(const QMimeData* data);

private:
    int32_t m_nKind = 0;
    int32_t m_nParam1 = 0;
    int32_t m_nParam2 = 0;
    bool m_bFlag = false;
};

// A drag item under a format of its own: the serial form adds the format's
// 16-bit number and its name.
class CDragItemEx : public CDragItem {
public:
    CDragItemEx() = default;
    // Registers the format name.
    explicit CDragItemEx(const std::string& format);

    velmora::CObj* CreateObject() const override { return new CDragItemEx; }
    void Copy(const velmora::CObj& src) override;

    uint16_t GetFormat() const { return m_nFormat; }
    std::string GetFormatName() const override { return m_strFormat; }
    bool Serialize(velmora::CArchive& archive) override;

private:
    uint16_t m_nFormat = 0;
    std::string m_strFormat;
};

// What a window receives from a drop: the dropped paths, read with the
// first of its accepted formats that the data offers. Dragged from the
// program's own windows it carries its paths in its serial form too.
class CDropItem : public CDragItemEx {
public:
    CDropItem() = default;
    explicit CDropItem(const CClipFormats& formats, const std::string& format = {});

    velmora::CObj* CreateObject() const override { return new CDropItem; }
    void Copy(const velmora::CObj& src) override;

    velmora::CFtpPathList& GetPaths() { return m_paths; }
    const velmora::CFtpPathList& GetPaths() const { return m_paths; }
    CClipFormats& GetFormats() { return m_formats; }
    const CClipFormats& GetFormats() const { return m_formats; }
    // The accepted format the last successful load used, or null.
    const CClipFormat* GetLoadedFormat() const;

    bool Serialize(velmora::CArchive& archive) override;
    // False when the data offers none of the accepted formats, or the
    // serial form cannot be read.
    bool Load(const QMimeData* data) override;

private:
    bool LoadFileDrop(const QMimeData* data);
    bool SerializePaths(velmora::CArchive& archive);

    velmora::CFtpPathList m_paths;
    CClipFormats m_formats;
    std::string m_strLoadedFormat;
};

}  // namespace parcelo

#include "app/common/drag_item.h"

#include <memory>

#include <QDrag>
#include <QMimeData>
#include <QUrl>

namespace parcelo {
namespace {

QByteArray ToBytes(const std::string& data) { return QByteArray(data.data(), static_cast<qsizetype>(data.size())); }

DropEffect ToDropEffect(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction: return DROPEFFECT_COPY;
        case Qt::MoveAction:
        case Qt::TargetMoveAction: return DROPEFFECT_MOVE;
        case Qt::LinkAction: return DROPEFFECT_LINK;
        default: return DROPEFFECT_NONE;
    }
}

}  // namespace

// ---- CDragItem ----

CDragItem::CDragItem(int32_t kind, int32_t param1, int32_t param2, bool flag)
    : m_nKind(kind), m_nParam1(param1), m_nParam2(param2), m_bFlag(flag) {}

void CDragItem::Copy(const velmora::CObj& src) {
    CObj::Copy(src);
    if (const auto* other = dynamic_cast<const CDragItem*>(&src)) {
        m_nKind = other->m_nKind;
        m_nParam1 = other->m_nParam1;
        m_nParam2 = other->m_nParam2;
        m_bFlag = other->m_bFlag;
    }
}

void CDragItem::SetParams(int32_t param1, int32_t param2) {
    m_nParam1 = param1;
    m_nParam2 = param2;
}

std::string CDragItem::GetFormatName() const {
    // Registered once, when first used.
    static const uint16_t registered [[maybe_unused]] = RegisterClipboardFormat(kFormatName);
    return kFormatName;
}

bool CDragItem::Serialize(velmora::CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteInt32(m_nKind);
        archive.WriteInt32(m_nParam1);
        archive.WriteInt32(m_nParam2);
        archive.WriteInt32(m_bFlag ? 1 : 0);
        return true;
    }
    int32_t flag = 0;
    if (!archive.ReadInt32(m_nKind) || !archive.ReadInt32(m_nParam1) || !archive.ReadInt32(m_nParam2) ||
        !archive.ReadInt32(flag)) {
        return false;
    }
    m_bFlag = flag != 0;
    return true;
}

QByteArray CDragItem::GetSerialForm() const {
    velmora::CArchive archive;
    // Storing does not change the item; a copy keeps this method const.
    std::unique_ptr<CDragItem> copy(static_cast<CDragItem*>(Clone()));
    copy->Serialize(archive);
    return ToBytes(archive.GetData());
}

bool CDragItem::LoadSerialForm(const QByteArray& bytes) {
    velmora::CArchive archive(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    std::unique_ptr<CDragItem> loaded(static_cast<CDragItem*>(Clone()));
    if (!loaded->Serialize(archive)) return false;
    Copy(*loaded);
    return true;
}

QMimeData* CDragItem::CreateMimeData() const {
    auto* data = new QMimeData;
    PutInto(*data);
    return data;
}

void CDragItem::PutInto(QMimeData& data) const {
    data.setData(CClipFormats::MimeType(GetFormatName()), GetSerialForm());
}

int CDragItem::DoDragDrop(QObject* source) const {
    auto* drag = new QDrag(source);
    drag->setMimeData(CreateMimeData());
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    drag->deleteLater();
    return ToDropEffect(action);
}

bool CDragItem::IsDataAvailable(const QMimeData* data) const {
    return CClipFormats::IsOffered(data, GetFormatName());
}

bool CDragItem::Load(const QMimeData* data) {
    if (!IsDataAvailable(data)) return false;
    return LoadSerialForm(data->data(CClipFormats::MimeType(GetFormatName())));
}

// ---- CDragItemEx ----

CDragItemEx::CDragItemEx(const std::string& format)
    : m_nFormat(format.empty() ? 0 : RegisterClipboardFormat(format)), m_strFormat(format) {}

void CDragItemEx::Copy(const velmora::CObj& src) {
    CDragItem::Copy(src);
    if (const auto* other = dynamic_cast<const CDragItemEx*>(&src)) {
        m_nFormat = other->m_nFormat;
        m_strFormat = other->m_strFormat;
    }
}

bool CDragItemEx::Serialize(velmora::CArchive& archive) {
    if (!CDragItem::Serialize(archive)) return false;
    if (archive.IsStoring()) {
        archive.WriteUInt16(m_nFormat);
        archive.WriteString(m_strFormat);
        return true;
    }
    return archive.ReadUInt16(m_nFormat) && archive.ReadString(m_strFormat);
}

// ---- CDropItem ----

CDropItem::CDropItem(const CClipFormats& formats, const std::string& format)
    : CDragItemEx(format), m_formats(formats) {}

void CDropItem::Copy(const velmora::CObj& src) {
    CDragItemEx::Copy(src);
    if (const auto* other = dynamic_cast<const CDropItem*>(&src)) {
        m_paths = other->m_paths;
        m_formats = other->m_formats;
        m_strLoadedFormat = other->m_strLoadedFormat;
    }
}

const CClipFormat* CDropItem::GetLoadedFormat() const {
    return m_strLoadedFormat.empty() ? nullptr : m_formats.Find(m_strLoadedFormat);
}

bool CDropItem::Serialize(velmora::CArchive& archive) {
    return CDragItemEx::Serialize(archive) && SerializePaths(archive);
}

// Each path as its text, path type, attributes and 64-bit size. A serial
// form that ends before the paths (a plain CDragItemEx) holds none.
bool CDropItem::SerializePaths(velmora::CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteUInt32(static_cast<uint32_t>(m_paths.GetCount()));
        for (const velmora::CFtpPath* path : m_paths) {
            archive.WriteString(path->GetPath());
            archive.WriteInt32(path->GetPathType());
            archive.WriteUInt32(path->GetAttr());
            archive.WriteUInt32(path->FileSizeHigh());
            archive.WriteUInt32(path->FileSizeLow());
        }
        return true;
    }
    m_paths.RemoveAndDestroy();
    if (archive.GetRemaining() == 0) return true;
    uint32_t count = 0;
    if (!archive.ReadUInt32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        std::string text;
        int32_t type = 0;
        uint32_t attributes = 0, high = 0, low = 0;
        if (!archive.ReadString(text) || !archive.ReadInt32(type) || !archive.ReadUInt32(attributes) ||
            !archive.ReadUInt32(high) || !archive.ReadUInt32(low)) {
            return false;
        }
        auto* path = new velmora::CFtpPath(text);
        path->SetPathType(static_cast<velmora::_PathType>(type));
        path->SetAttr(attributes);
        path->Length((uint64_t{high} << 32) | low);
        m_paths.Add(path);
    }
    return true;
}

bool CDropItem::Load(const QMimeData* data) {
    const CClipFormat* format = m_formats.FindOffered(data);
    if (format == nullptr) return false;
    const std::string name = format->name;
    const bool loaded = name == CClipFormats::kFileDropName
                            ? LoadFileDrop(data)
                            : LoadSerialForm(data->data(CClipFormats::MimeType(name)));
    if (loaded) m_strLoadedFormat = name;
    return loaded;
}

// Every local file of the drop, a name that is an existing folder becoming
// a folder path. Whole names are kept: cutting a long name would name
// another file.
bool CDropItem::LoadFileDrop(const QMimeData* data) {
    m_paths.RemoveAndDestroy();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        m_paths.Add(new velmora::CFtpPath(url.toLocalFile().toStdString(), velmora::PATH_PROBE));
    }
    return true;
}

}  // namespace parcelo

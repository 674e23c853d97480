#include "app/common/clip_formats.h"

#include <map>
#include <mutex>

#include <QMimeData>
#include <QString>
#include <QUrl>

namespace parcelo {

uint16_t RegisterClipboardFormat(const std::string& name) {
    static std::mutex lock;
    static std::map<std::string, uint16_t> table;
    std::lock_guard<std::mutex> guard(lock);
    const auto found = table.find(name);
    if (found != table.end()) return found->second;
    const auto number = static_cast<uint16_t>(0xC000 + table.size());
    table.emplace(name, number);
    return number;
}

uint16_t CClipFormats::Add(const std::string& name) {
    if (const CClipFormat* format = Find(name)) return format->number;
    const uint16_t number = name == kFileDropName ? kFileDrop : RegisterClipboardFormat(name);
    m_formats.push_back(CClipFormat{name, number});
    return number;
}

void CClipFormats::AddFileDrop() { Add(kFileDropName); }

const CClipFormat* CClipFormats::Find(const std::string& name) const {
    for (const CClipFormat& format : m_formats) {
        if (format.name == name) return &format;
    }
    return nullptr;
}

const CClipFormat* CClipFormats::FindOffered(const QMimeData* data) const {
    for (const CClipFormat& format : m_formats) {
        if (IsOffered(data, format.name)) return &format;
    }
    return nullptr;
}

QString CClipFormats::MimeType(const std::string& name) {
    if (name == kFileDropName) return QString::fromLatin1(kFileDropName);
    return QStringLiteral("application/x-parcelo-") + QString::fromStdString(name);
}

bool CClipFormats::IsOffered(const QMimeData* data, const std::string& name) {
    if (data == nullptr) return false;
    if (name != kFileDropName) return data->hasFormat(MimeType(name));
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) return true;
    }
    return false;
}

}  // namespace parcelo

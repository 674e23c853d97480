#include "app/panes/remote_drag_data.h"

#include <QVariant>

#include "app/common/clip_formats.h"

namespace parcelo {

namespace {

QString FileDropType() { return QString::fromLatin1(CClipFormats::kFileDropName); }

}  // namespace

CRemoteDragData::CRemoteDragData(Fetch fetch) : m_fetch(std::move(fetch)) {}

QStringList CRemoteDragData::formats() const {
    QStringList offered = QMimeData::formats();
    if (!offered.contains(FileDropType())) offered << FileDropType();
    return offered;
}

bool CRemoteDragData::hasFormat(const QString& mimeType) const {
    return mimeType == FileDropType() || QMimeData::hasFormat(mimeType);
}

// A target may ask again while the fetch runs (the window thread waits on
// it, but a nested request is possible): it gets nothing rather than a
// second download.
const QList<QUrl>& CRemoteDragData::Urls() const {
    static const QList<QUrl> none;
    if (m_urls) return *m_urls;
    if (m_bFetching || !m_fetch) return none;
    m_bFetching = true;
    m_urls = m_fetch();
    m_bFetching = false;
    return *m_urls;
}

QVariant CRemoteDragData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != FileDropType()) return QMimeData::retrieveData(mimeType, type);
    const QList<QUrl>& urls = Urls();
    if (type.id() == QMetaType::QByteArray) {
        // The wire form: one URL a line, each line ended by CR LF.
        QByteArray text;
        for (const QUrl& url : urls) text += url.toEncoded() + "\r\n";
        return text;
    }
    QList<QVariant> list;
    for (const QUrl& url : urls) list << url;
    return list;
}

}  // namespace parcelo

#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QMimeData>
#include <QUrl>

namespace parcelo {

// The data of a drag of server files or folders. The program's own windows
// read the browser's formats, set on it as on any QMimeData. Other
// applications (a file manager) read "text/uri-list", which is made only
// when a target asks for it: the items are then fetched (downloaded into a
// private temporary folder, since no target tells where it will put them)
// once for the whole drag, and named there. A target that never asks, or a
// drag that ends on one of our own windows, downloads nothing.
class CRemoteDragData : public QMimeData {
public:
    // Downloads the dragged items and answers their local copies (empty
    // when that failed).
    using Fetch = std::function<QList<QUrl>()>;

    explicit CRemoteDragData(Fetch fetch);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;
    // Whether the items were fetched already (by a target that asked).
    bool IsFetched() const { return m_urls.has_value(); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    const QList<QUrl>& Urls() const;

    Fetch m_fetch;
    mutable std::optional<QList<QUrl>> m_urls;
    mutable bool m_bFetching = false;
};

}  // namespace parcelo

#include "app/common/private_folders.h"

#include <QDir>
#include <QTemporaryDir>

namespace parcelo {

CPrivateFolders::CPrivateFolders(QString prefix) : m_strPrefix(std::move(prefix)) {}

CPrivateFolders::~CPrivateFolders() = default;

QString CPrivateFolders::MakeFolder() {
    if (!m_pFolder) {
        auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(m_strPrefix + "-XXXXXX"));
        if (!folder->isValid()) return {};
        m_pFolder = std::move(folder);
    }
    const QString sub = m_pFolder->filePath(QString::number(++m_nFolders));
    return QDir().mkpath(sub) ? sub : QString();
}

void CPrivateFolders::Release(bool keep) {
    if (m_pFolder && keep) m_pFolder->setAutoRemove(false);
    m_pFolder.reset();
}

}  // namespace parcelo

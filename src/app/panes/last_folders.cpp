#include "app/panes/last_folders.h"

#include <QSettings>
#include <QUrl>

#include "app/common/app_settings.h"

namespace parcelo {
namespace {

// A connection's name as a settings key: "/" and "\" would make groups.
QString KeyOf(const std::string& connection) {
    return QString(CLastFolders::kGroup) + "/" +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(connection)));
}

}  // namespace

void CLastFolders::Remember(const std::string& connection, const std::string& folder) {
    if (!connection.empty()) m_folders[connection] = folder;
}

void CLastFolders::Save() const {
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    for (const auto& [connection, folder] : m_folders) store.setValue(KeyOf(connection), QString::fromStdString(folder));
}

std::string CLastFolders::Read(const std::string& connection) {
    if (connection.empty()) return {};
    const QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    return store.value(KeyOf(connection)).toString().toStdString();
}

}  // namespace parcelo

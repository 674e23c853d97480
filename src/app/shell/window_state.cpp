#include "app/shell/window_state.h"

#include <QSettings>
#include <QSplitter>
#include <QWidget>

#include "app/common/app_settings.h"
#include "app/common/screen_place.h"

namespace parcelo {
namespace {

QString SplitterKey(const QString& name, const QSplitter& splitter) {
    return name + "/" + splitter.objectName();
}

}  // namespace

QVariant CWindowState::Value(const QString& key) {
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    return store.value(QString(kGroup) + "/" + key);
}

void CWindowState::SetValue(const QString& key, const QVariant& value) {
    QSettings store(CAppSettings::kCompany, CAppSettings::kProduct);
    store.setValue(QString(kGroup) + "/" + key, value);
}

bool CWindowState::RestoreGeometry(QWidget& window, const QString& name) {
    const QByteArray saved = Value(name).toByteArray();
    if (saved.isEmpty() || !window.restoreGeometry(saved)) return false;
    const QRect frame = window.frameGeometry();
    window.move(KeepInside(frame, RoomAt(frame.center(), ScreenRooms())) + (window.pos() - frame.topLeft()));
    return true;
}

void CWindowState::SaveGeometry(const QWidget& window, const QString& name) { SetValue(name, window.saveGeometry()); }

void CWindowState::RestoreSplitters(QWidget& root, const QString& name) {
    for (QSplitter* splitter : root.findChildren<QSplitter*>()) {
        if (splitter->objectName().isEmpty()) continue;
        const QByteArray saved = Value(SplitterKey(name, *splitter)).toByteArray();
        if (!saved.isEmpty()) splitter->restoreState(saved);
    }
}

void CWindowState::SaveSplitters(const QWidget& root, const QString& name) {
    for (const QSplitter* splitter : root.findChildren<QSplitter*>()) {
        if (!splitter->objectName().isEmpty()) SetValue(SplitterKey(name, *splitter), splitter->saveState());
    }
}

bool CWindowState::ReadPoint(const QString& name, QPoint& point) {
    const QVariant saved = Value(name);
    if (!saved.isValid()) return false;
    point = saved.toPoint();
    return true;
}

void CWindowState::WritePoint(const QString& name, const QPoint& point) { SetValue(name, point); }

}  // namespace parcelo
